#include "models/model_file.h"

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/binary_io.h"

namespace tv {
namespace {

// Bytes a triangle takes in each mesh layout: three vertices of position, normal, s, t, plus
// three (bone, weight) pairs for GPU skinning or one bone index for CPU skinning.
size_t TriangleBytes(ModelType type) {
    switch (type) {
        case ModelType::SkinnedBuffer:
            return 3 * (8 * 4 + 6 * 4);
        case ModelType::CpuSkinned:
            return 3 * 9 * 4;
        default:
            return 3 * 8 * 4;
    }
}

Vec3 ReadVec3(ByteReader& r, const char* field) {
    Vec3 v;
    v.x = r.F32(field);
    v.y = r.F32(field);
    v.z = r.F32(field);
    return v;
}

void WriteVec3(ByteWriter& w, const Vec3& v) {
    w.F32(v.x);
    w.F32(v.y);
    w.F32(v.z);
}

// Two vectors stored interleaved by component: a.x, b.x, a.y, b.y, a.z, b.z.
void ReadInterleaved(ByteReader& r, Vec3& a, Vec3& b, const char* field) {
    for (float Vec3::*axis : {&Vec3::x, &Vec3::y, &Vec3::z}) {
        a.*axis = r.F32(field);
        b.*axis = r.F32(field);
    }
}

void WriteInterleaved(ByteWriter& w, const Vec3& a, const Vec3& b) {
    for (float Vec3::*axis : {&Vec3::x, &Vec3::y, &Vec3::z}) {
        w.F32(a.*axis);
        w.F32(b.*axis);
    }
}

void ReadBones(ByteReader& r, ModelFile& m) {
    int32_t p = r.Count("parent count", 4);
    m.BoneParents.resize(static_cast<size_t>(p));
    for (int32_t i = 0; i < p; ++i) {
        size_t at = r.Offset();
        int32_t parent = r.I32("parents");
        // The rest-pose pass walks bones in index order, so a parent must already be final.
        if (parent != -1 && (parent < 0 || parent >= i)) {
            r.FailAt(at, "parents",
                     "bone " + std::to_string(i) + " has parent " + std::to_string(parent) +
                         ", which does not precede it");
        }
        m.BoneParents[static_cast<size_t>(i)] = parent;
    }
}

// Odd values a reader keeps as read: said on stderr once the whole file has parsed, one line
// per kind, so a file refused later (or read twice) never warns for nothing.
struct Tolerated {
    size_t offset = 0;
    std::string field;
    std::string message;
};

// Bone indices outside the bone list are kept as read: exporters write -1 for an unused
// influence. The GPU palette takes its nearest row and the CPU skinning leaves such a vertex
// where it is, so nothing is ever indexed with them.
void ReadTriangles(ByteReader& r, ModelFile& m, std::vector<Tolerated>& tolerated) {
    int32_t t = r.Count("triangle count", TriangleBytes(m.ModelType));
    m.Triangles.resize(static_cast<size_t>(t));
    const int64_t boneCount = static_cast<int64_t>(m.BoneParents.size());
    size_t outside = 0, firstAt = 0;
    int32_t firstBone = 0;
    auto readBone = [&]() {
        const size_t at = r.Offset();
        const int32_t bone = r.I32("triangles");
        if (bone < 0 || bone >= boneCount) {
            if (outside++ == 0) firstAt = at, firstBone = bone;
        }
        return bone;
    };
    for (ModelTriangle& tri : m.Triangles) {
        for (ModelVertex& v : tri.v) {
            v.position = ReadVec3(r, "triangles");
            v.normal = ReadVec3(r, "triangles");
            v.s = r.F32("triangles");
            v.t = r.F32("triangles");
            if (m.ModelType == ModelType::SkinnedBuffer) {
                for (BoneWeight& bw : v.weights) {
                    bw.bone = readBone();
                    bw.weight = r.F32("triangles");
                }
            } else if (m.ModelType == ModelType::CpuSkinned) {
                v.bone = readBone();
            }
        }
    }
    if (outside > 0) {
        tolerated.push_back({firstAt, "triangles",
                             std::to_string(outside) + " bone indices outside the " + std::to_string(boneCount) +
                                 " bones (the first is " + std::to_string(firstBone) + "): kept, skinned by no bone"});
    }
}

void ReadRestPose(ByteReader& r, ModelFile& m) {
    size_t at = r.Offset();
    int32_t n = r.Count("rest-pose count", 24);
    if (static_cast<size_t>(n) != m.BoneParents.size()) {
        r.FailAt(
            at, "rest-pose count",
            std::to_string(n) + " rest-pose bones for " + std::to_string(m.BoneParents.size()) + " parents");
    }
    m.RestPose.resize(static_cast<size_t>(n));
    for (RestBone& b : m.RestPose) ReadInterleaved(r, b.position, b.rotation, "rest pose");
}

// Group sizes are kept as read; the draw clamps each group to the triangles that are left
// (a negative size draws nothing).
void ReadGroups(ByteReader& r, ModelFile& m, std::vector<Tolerated>& tolerated) {
    int32_t g = r.Count("group count", 8);
    m.DrawGroups.resize(static_cast<size_t>(g));
    int64_t covered = 0;
    bool warned = false;
    for (DrawGroup& group : m.DrawGroups) {
        group.first = r.I32("groups");
        size_t at = r.Offset();
        group.triangleCount = r.I32("groups");
        covered += group.triangleCount;
        if (!warned && (group.triangleCount < 0 || covered > static_cast<int64_t>(m.Triangles.size()))) {
            warned = true;
            tolerated.push_back({at, "groups",
                                 "group of " + std::to_string(group.triangleCount) + " triangles reaches past the " +
                                     std::to_string(m.Triangles.size()) + " triangles: drawn up to the last one"});
        }
    }
}

void ReadTextureNames(ByteReader& r, ModelFile& m) {
    size_t at = r.Offset();
    int32_t x = r.Count("texture count", 4);
    // Group i is drawn with texture i.
    if (static_cast<size_t>(x) < m.DrawGroups.size()) {
        r.FailAt(at, "texture count",
                 std::to_string(x) + " textures for " + std::to_string(m.DrawGroups.size()) + " draw groups");
    }
    m.TextureNames.resize(static_cast<size_t>(x));
    for (std::string& name : m.TextureNames) name = r.LengthPrefixedString("texture names");
}

void ReadBox(ByteReader& r, ModelFile& m) {
    m.BoxSize = ReadVec3(r, "box size");
    m.BoxCentre = ReadVec3(r, "box centre");
}

void ReadCollisions(ByteReader& r, ModelFile& m) {
    // A count of 0 reads no records and no names: the sphere count follows directly.
    int32_t b = r.Count("collision box count", 16 * 4 + 1);
    m.CollisionBoxes.resize(static_cast<size_t>(b));
    for (TCUB& box : m.CollisionBoxes) {
        box.centre = ReadVec3(r, "collision boxes");
        box.size = ReadVec3(r, "collision boxes");
        box.angles = ReadVec3(r, "collision boxes");
        box.extraTriple = ReadVec3(r, "collision boxes");
        box.extraValue = r.F32("collision boxes");
        for (int k = 0; k < 3; ++k) box.further[static_cast<size_t>(k)] = r.F32("collision boxes");
    }
    for (TCUB& box : m.CollisionBoxes) box.name = r.SlashTerminatedString("collision box names");

    int32_t s = r.Count("collision sphere count", 8 * 4 + 1);
    m.CollisionSpheres.resize(static_cast<size_t>(s));
    for (TSfera_Phiziki& sphere : m.CollisionSpheres) {
        sphere.centre = ReadVec3(r, "collision spheres");
        sphere.radius = r.F32("collision spheres");
        sphere.extraValue = r.F32("collision spheres");
        for (int k = 0; k < 3; ++k) sphere.further[static_cast<size_t>(k)] = r.F32("collision spheres");
    }
    for (TSfera_Phiziki& sphere : m.CollisionSpheres) {
        sphere.name = r.SlashTerminatedString("collision sphere names");
    }
}

void ReadFlags(ByteReader& r, ModelFile& m) {
    m.BodyParameter = r.U32("body parameter");
    m.Transparent = r.U8("transparent");
    m.Static = r.U8("static");
}

void WriteSlashName(ByteWriter& w, const std::string& name) {
    if (name.find('/') != std::string::npos) {
        throw std::invalid_argument("collision shape name contains '/': " + name);
    }
    w.SlashTerminatedString(name);
}

}  // namespace

ModelFile ReadModel(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    ByteReader r(bytes, fileName);
    ModelFile m;
    m.ModelType = static_cast<ModelType>(r.U8("model type"));
    m.ObjectKind = r.U8("object kind");
    std::vector<Tolerated> tolerated;
    if (m.HasMesh()) {
        ReadBones(r, m);
        ReadTriangles(r, m, tolerated);
        ReadRestPose(r, m);
        ReadGroups(r, m, tolerated);
        ReadTextureNames(r, m);
        ReadBox(r, m);
        ReadCollisions(r, m);
        ReadFlags(r, m);
        if (m.ModelType != ModelType::CpuSkinned) ReadInterleaved(r, m.VectorA, m.VectorB, "vectors A and B");
    } else if (m.ModelType == ModelType::Billboard) {
        m.Billboard.halfWidth = r.F32("half width");
        m.Billboard.height = r.F32("height");
        for (float& e : m.Billboard.extra) e = r.F32("billboard extra values");
        ReadTextureNames(r, m);
        ReadBox(r, m);
        ReadCollisions(r, m);
        ReadFlags(r, m);
    }
    for (const Tolerated& t : tolerated) WarnData(fileName, t.offset, t.field, t.message);
    r.WarnNonFinite();
    return m;
}

ModelFile ReadModelFile(const std::string& path) {
    return ReadModel(ReadWholeFile(path), path);
}

std::vector<uint8_t> WriteModel(const ModelFile& m) {
    ByteWriter w;
    w.U8(static_cast<uint8_t>(m.ModelType));
    w.U8(m.ObjectKind);
    if (!m.HasBody()) return std::move(w.Data());

    if (m.HasMesh()) {
        w.I32(static_cast<int32_t>(m.BoneParents.size()));
        for (int32_t p : m.BoneParents) w.I32(p);
        w.I32(static_cast<int32_t>(m.Triangles.size()));
        for (const ModelTriangle& tri : m.Triangles) {
            for (const ModelVertex& v : tri.v) {
                WriteVec3(w, v.position);
                WriteVec3(w, v.normal);
                w.F32(v.s);
                w.F32(v.t);
                if (m.ModelType == ModelType::SkinnedBuffer) {
                    for (const BoneWeight& bw : v.weights) {
                        w.I32(bw.bone);
                        w.F32(bw.weight);
                    }
                } else if (m.ModelType == ModelType::CpuSkinned) {
                    w.I32(v.bone);
                }
            }
        }
        w.I32(static_cast<int32_t>(m.RestPose.size()));
        for (const RestBone& b : m.RestPose) WriteInterleaved(w, b.position, b.rotation);
        w.I32(static_cast<int32_t>(m.DrawGroups.size()));
        for (const DrawGroup& g : m.DrawGroups) {
            w.I32(g.first);
            w.I32(g.triangleCount);
        }
    } else {
        w.F32(m.Billboard.halfWidth);
        w.F32(m.Billboard.height);
        for (float e : m.Billboard.extra) w.F32(e);
    }

    w.I32(static_cast<int32_t>(m.TextureNames.size()));
    for (const std::string& name : m.TextureNames) w.LengthPrefixedString(name);
    WriteVec3(w, m.BoxSize);
    WriteVec3(w, m.BoxCentre);

    w.I32(static_cast<int32_t>(m.CollisionBoxes.size()));
    for (const TCUB& box : m.CollisionBoxes) {
        WriteVec3(w, box.centre);
        WriteVec3(w, box.size);
        WriteVec3(w, box.angles);
        WriteVec3(w, box.extraTriple);
        w.F32(box.extraValue);
        for (int k = 0; k < 3; ++k) w.F32(box.further[static_cast<size_t>(k)]);
    }
    for (const TCUB& box : m.CollisionBoxes) WriteSlashName(w, box.name);
    w.I32(static_cast<int32_t>(m.CollisionSpheres.size()));
    for (const TSfera_Phiziki& s : m.CollisionSpheres) {
        WriteVec3(w, s.centre);
        w.F32(s.radius);
        w.F32(s.extraValue);
        for (int k = 0; k < 3; ++k) w.F32(s.further[static_cast<size_t>(k)]);
    }
    for (const TSfera_Phiziki& s : m.CollisionSpheres) WriteSlashName(w, s.name);

    w.U32(m.BodyParameter);
    w.U8(m.Transparent);
    w.U8(m.Static);
    if (m.ModelType == ModelType::SkinnedBuffer || m.ModelType == ModelType::StaticBuffer) {
        WriteInterleaved(w, m.VectorA, m.VectorB);
    }
    return std::move(w.Data());
}

std::array<Vec3, 8> ModelBoxCorners(const Vec3& c, const Vec3& s) {
    const float xp = c.x + s.x / 2, xm = c.x - s.x / 2;
    const float yp = c.y + s.y / 2, ym = c.y - s.y / 2;
    const float zp = c.z + s.z / 2, zm = c.z - s.z / 2;
    return {Vec3{xp, yp, zp}, Vec3{xp, yp, zm}, Vec3{xm, yp, zm}, Vec3{xm, yp, zp},
            Vec3{xp, ym, zp}, Vec3{xp, ym, zm}, Vec3{xm, ym, zm}, Vec3{xm, ym, zp}};
}

float ModelRadius(const Vec3& c, const Vec3& s) {
    const Vec3 p = ModelBoxCorners(c, s)[0];
    return std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
}

}  // namespace tv
