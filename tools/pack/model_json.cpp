// Models (.3dk) as documents: every triangle's vertices, the skeleton, groups, textures,
// collision shapes and flags, in file order.
#include "common/binary_io.h"
#include "json_codec.h"
#include "models/model_file.h"

namespace tv::json {
namespace {

void WriteVertex(Out& o, ModelType type, const ModelVertex& v) {
    o.Open('{', false);
    o.Key("position").V3(v.position);
    o.Key("normal").V3(v.normal);
    o.Key("texcoord").Open('[', false).F32(v.s).F32(v.t).Close(']');
    if (type == ModelType::SkinnedBuffer) {
        o.Key("weights").Open('[', false);
        for (const BoneWeight& bw : v.weights) o.Open('[', false).Int(bw.bone).F32(bw.weight).Close(']');
        o.Close(']');
    } else if (type == ModelType::CpuSkinned) {
        o.Key("bone").Int(v.bone);
    }
    o.Close('}');
}

}  // namespace

std::string FullModel(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    const ModelFile m = ReadModel(bytes, fileName);
    const size_t tail = TrailingStart(bytes, WriteModel(m), fileName);
    Out o;
    Header(o, "model");
    o.Key("model_type").Int(static_cast<uint8_t>(m.ModelType));
    o.Key("object_kind").Int(m.ObjectKind);
    if (m.HasMesh()) {
        o.Key("bone_count").Int(static_cast<int64_t>(m.BoneParents.size()));
        o.Key("bone_parents").Open('[', false);
        for (int32_t p : m.BoneParents) o.Int(p);
        o.Close(']');
        o.Key("triangle_count").Int(static_cast<int64_t>(m.Triangles.size()));
        o.Key("triangles").Open('[', true);
        for (const ModelTriangle& t : m.Triangles) {
            o.Open('[', false);
            for (const ModelVertex& v : t.v) WriteVertex(o, m.ModelType, v);
            o.Close(']');
        }
        o.Close(']');
        o.Key("rest_pose_count").Int(static_cast<int64_t>(m.RestPose.size()));
        o.Key("rest_pose").Open('[', true);
        for (const RestBone& b : m.RestPose) {
            o.Open('{', false).Key("position").V3(b.position).Key("rotation").V3(b.rotation).Close('}');
        }
        o.Close(']');
        o.Key("group_count").Int(static_cast<int64_t>(m.DrawGroups.size()));
        o.Key("draw_groups").Open('[', true);
        for (const DrawGroup& g : m.DrawGroups) {
            o.Open('{', false).Key("first").Int(g.first).Key("triangles").Int(g.triangleCount).Close('}');
        }
        o.Close(']');
    } else if (m.ModelType == ModelType::Billboard) {
        o.Key("billboard").Open('{', false);
        o.Key("half_width").F32(m.Billboard.halfWidth);
        o.Key("height").F32(m.Billboard.height);
        o.Key("extra").Floats(m.Billboard.extra.data(), 4);
        o.Close('}');
    }
    if (m.HasBody()) {
        o.Key("texture_count").Int(static_cast<int64_t>(m.TextureNames.size()));
        o.Key("texture_names").Open('[', true);
        for (const std::string& n : m.TextureNames) o.Text(n);
        o.Close(']');
        o.Key("box_size").V3(m.BoxSize);
        o.Key("box_centre").V3(m.BoxCentre);
        o.Key("collision_box_count").Int(static_cast<int64_t>(m.CollisionBoxes.size()));
        o.Key("collision_boxes").Open('[', true);
        for (const TCUB& b : m.CollisionBoxes) {
            o.Open('{', false);
            o.Key("centre").V3(b.centre).Key("size").V3(b.size).Key("angles").V3(b.angles);
            o.Key("extra_triple").V3(b.extraTriple).Key("extra_value").F32(b.extraValue);
            o.Key("further").Floats(b.further.data(), 3);
            o.Key("name").Text(b.name);
            o.Close('}');
        }
        o.Close(']');
        o.Key("collision_sphere_count").Int(static_cast<int64_t>(m.CollisionSpheres.size()));
        o.Key("collision_spheres").Open('[', true);
        for (const TSfera_Phiziki& s : m.CollisionSpheres) {
            o.Open('{', false);
            o.Key("centre").V3(s.centre).Key("radius").F32(s.radius).Key("extra_value").F32(s.extraValue);
            o.Key("further").Floats(s.further.data(), 3);
            o.Key("name").Text(s.name);
            o.Close('}');
        }
        o.Close(']');
        o.Key("body_parameter").Int(m.BodyParameter);
        o.Key("transparent").Int(m.Transparent);
        o.Key("static").Int(m.Static);
    }
    if (m.ModelType == ModelType::SkinnedBuffer || m.ModelType == ModelType::StaticBuffer) {
        o.Key("vector_a").V3(m.VectorA);
        o.Key("vector_b").V3(m.VectorB);
    }
    Trailing(o, bytes, tail);
    return o.Take();
}

namespace {

ModelVertex ReadVertex(Walk& w, uint32_t node, ModelType type) {
    Obj o(w, node);
    ModelVertex v;
    v.position = o.V3("position");
    v.normal = o.V3("normal");
    float st[2];
    o.Floats("texcoord", st, 2);
    v.s = st[0];
    v.t = st[1];
    if (type == ModelType::SkinnedBuffer) {
        o.In("weights", [&](uint32_t n) {
            w.Array(n, 3);
            size_t k = 0;
            w.Each(n, [&](uint32_t pair) {
                w.Array(pair, 2);
                w.Push(size_t{0});
                v.weights[k].bone = static_cast<int32_t>(w.Int(pair + 1, INT32_MIN, INT32_MAX));
                w.Pop();
                w.Push(size_t{1});
                v.weights[k].weight = w.F32(pair + 2);
                w.Pop();
                ++k;
            });
        });
    } else if (type == ModelType::CpuSkinned) {
        v.bone = o.I32("bone");
    }
    o.Done();
    return v;
}

// A collision shape's name ends at a '/' in the file.
std::string SlashName(Obj& o, Walk& w) {
    return o.In("name", [&](uint32_t n) {
        std::string s = w.Text(n);
        if (s.find('/') != std::string::npos) w.Fail("a collision shape's name cannot hold '/'");
        return s;
    });
}

}  // namespace

std::vector<uint8_t> PackModel(Walk& w, Obj& o) {
    ModelFile m;
    m.ModelType = static_cast<ModelType>(o.U8("model_type"));
    m.ObjectKind = o.U8("object_kind");
    const int64_t cap = kMaxCount;
    if (m.HasMesh()) {
        const int32_t bones = CountOf(o, w, "bone_count", "bone_parents", cap);
        o.In("bone_parents", [&](uint32_t n) {
            w.Each(n, [&](uint32_t e) {
                const int32_t i = static_cast<int32_t>(m.BoneParents.size());
                const int32_t p = static_cast<int32_t>(w.Int(e, -1, INT32_MAX));
                if (p >= i)
                    w.Fail("bone " + std::to_string(i) + "'s parent " + std::to_string(p) +
                           " does not precede it");
                m.BoneParents.push_back(p);
            });
        });
        CountOf(o, w, "triangle_count", "triangles", cap);
        o.In("triangles", [&](uint32_t n) {
            w.Each(n, [&](uint32_t t) {
                w.Array(t, 3);
                ModelTriangle tri;
                size_t k = 0;
                w.Each(t, [&](uint32_t v) { tri.v[k++] = ReadVertex(w, v, m.ModelType); });
                m.Triangles.push_back(tri);
            });
        });
        const int32_t rest = CountOf(o, w, "rest_pose_count", "rest_pose", cap);
        if (rest != bones) {
            o.In("rest_pose_count", [&](uint32_t) -> int {
                w.Fail(std::to_string(rest) + " rest-pose bones for " + std::to_string(bones) + " bones");
            });
        }
        o.In("rest_pose", [&](uint32_t n) {
            w.Each(n, [&](uint32_t e) {
                Obj b(w, e);
                m.RestPose.push_back({b.V3("position"), b.V3("rotation")});
                b.Done();
            });
        });
        CountOf(o, w, "group_count", "draw_groups", cap);
        o.In("draw_groups", [&](uint32_t n) {
            w.Each(n, [&](uint32_t e) {
                Obj g(w, e);
                m.DrawGroups.push_back({g.I32("first"), g.I32("triangles")});
                g.Done();
            });
        });
    } else if (m.ModelType == ModelType::Billboard) {
        o.In("billboard", [&](uint32_t n) {
            Obj b(w, n);
            m.Billboard.halfWidth = b.F32("half_width");
            m.Billboard.height = b.F32("height");
            b.Floats("extra", m.Billboard.extra.data(), 4);
            b.Done();
        });
    }
    if (m.HasBody()) {
        const int32_t textures = CountOf(o, w, "texture_count", "texture_names", cap);
        if (static_cast<size_t>(textures) < m.DrawGroups.size()) {
            o.In("texture_count", [&](uint32_t) -> int {
                w.Fail(std::to_string(textures) + " textures for " + std::to_string(m.DrawGroups.size()) +
                       " draw groups (each group needs its texture)");
            });
        }
        o.In("texture_names",
             [&](uint32_t n) { w.Each(n, [&](uint32_t e) { m.TextureNames.push_back(w.Text(e)); }); });
        m.BoxSize = o.V3("box_size");
        m.BoxCentre = o.V3("box_centre");
        CountOf(o, w, "collision_box_count", "collision_boxes", cap);
        o.In("collision_boxes", [&](uint32_t n) {
            w.Each(n, [&](uint32_t e) {
                Obj b(w, e);
                TCUB box;
                box.centre = b.V3("centre");
                box.size = b.V3("size");
                box.angles = b.V3("angles");
                box.extraTriple = b.V3("extra_triple");
                box.extraValue = b.F32("extra_value");
                b.Floats("further", box.further.data(), 3);
                box.name = SlashName(b, w);
                b.Done();
                m.CollisionBoxes.push_back(std::move(box));
            });
        });
        CountOf(o, w, "collision_sphere_count", "collision_spheres", cap);
        o.In("collision_spheres", [&](uint32_t n) {
            w.Each(n, [&](uint32_t e) {
                Obj b(w, e);
                TSfera_Phiziki s;
                s.centre = b.V3("centre");
                s.radius = b.F32("radius");
                s.extraValue = b.F32("extra_value");
                b.Floats("further", s.further.data(), 3);
                s.name = SlashName(b, w);
                b.Done();
                m.CollisionSpheres.push_back(std::move(s));
            });
        });
        m.BodyParameter = o.U32("body_parameter");
        m.Transparent = o.U8("transparent");
        m.Static = o.U8("static");
    }
    if (m.ModelType == ModelType::SkinnedBuffer || m.ModelType == ModelType::StaticBuffer) {
        m.VectorA = o.V3("vector_a");
        m.VectorB = o.V3("vector_b");
    }
    if (o.Has("trailing")) o.In("trailing", [](uint32_t) {});
    o.Done("not a member of a model of type " + std::to_string(static_cast<int>(m.ModelType)));
    std::vector<uint8_t> bytes = WriteModel(m);
    AppendTrailing(o, w, bytes);
    return bytes;
}

}  // namespace tv::json
