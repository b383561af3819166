#include "format_json.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/binary_io.h"
#include "models/model_file.h"
#include "platform/text_encoding.h"
#include "world/particle_file.h"
#include "world/terrain_file.h"
#include "world/water.h"

namespace tv::json {
namespace {

// ---------------------------------------------------------------------------------------------
// Writing: an indented document whose small arrays (vectors, texture coordinates) stay on one
// line.

class Out {
  public:
    Out& Open(char bracket, bool multiline) {
        Separate();
        text_ += bracket;
        frames_.push_back({multiline, true});
        return *this;
    }
    Out& Close(char bracket) {
        const Frame f = frames_.back();
        frames_.pop_back();
        if (f.multiline && !f.first) {
            text_ += '\n';
            text_.append(frames_.size() * 2, ' ');
        }
        text_ += bracket;
        return *this;
    }
    Out& Key(const char* name) {
        Separate();
        text_ += '"';
        text_ += name;
        text_ += "\": ";
        afterKey_ = true;
        return *this;
    }
    Out& Int(int64_t v) {
        Separate();
        text_ += std::to_string(v);
        return *this;
    }
    // The shortest decimal that reads back as the same float (-0 stays "-0"); NaN and the
    // infinities as their 32 bits, "0x7fc00000".
    Out& F32(float v) {
        Separate();
        char buf[32];
        if (std::isfinite(v)) {
            const auto r = std::to_chars(buf, buf + sizeof buf, v);
            text_.append(buf, r.ptr);
        } else {
            uint32_t bits;
            std::memcpy(&bits, &v, 4);
            std::snprintf(buf, sizeof buf, "\"0x%08x\"", bits);
            text_ += buf;
        }
        return *this;
    }
    Out& Floats(const float* v, size_t n) {
        Open('[', false);
        for (size_t i = 0; i < n; ++i) F32(v[i]);
        return Close(']');
    }
    Out& V3(const Vec3& v) {
        const float f[3] = {v.x, v.y, v.z};
        return Floats(f, 3);
    }
    // A file's single-byte text: shown as UTF-8 when it converts back to the same bytes, else
    // as {"hex": "..."}.
    Out& Text(const std::string& bytes) {
        const std::string utf8 = Cp1251ToUtf8(bytes);
        if (Utf8ToCp1251(utf8) != bytes) {
            Open('{', false).Key("hex").Hex(bytes.data(), bytes.size());
            return Close('}');
        }
        Separate();
        text_ += '"';
        for (unsigned char c : utf8) {
            if (c == '"' || c == '\\') {
                text_ += '\\';
                text_ += static_cast<char>(c);
            } else if (c < 0x20 || c == 0x7f) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                text_ += buf;
            } else {
                text_ += static_cast<char>(c);
            }
        }
        text_ += '"';
        return *this;
    }
    Out& Hex(const void* data, size_t n) {
        static const char digits[] = "0123456789abcdef";
        Separate();
        text_ += '"';
        const uint8_t* p = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < n; ++i) {
            text_ += digits[p[i] >> 4];
            text_ += digits[p[i] & 15];
        }
        text_ += '"';
        return *this;
    }
    std::string Take() {
        text_ += '\n';
        return std::move(text_);
    }

  private:
    struct Frame {
        bool multiline;
        bool first;
    };
    void Separate() {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (frames_.empty()) return;
        Frame& f = frames_.back();
        if (!f.first) text_ += ',';
        if (f.multiline) {
            text_ += '\n';
            text_.append(frames_.size() * 2, ' ');
        } else if (!f.first) {
            text_ += ' ';
        }
        f.first = false;
    }
    std::string text_;
    std::vector<Frame> frames_;
    bool afterKey_ = false;
};

void Header(Out& o, const char* format) {
    o.Open('{', true);
    o.Key("schema").Int(kSchema);
    o.Key("format").Text(format);
}

void Trailing(Out& o, const std::vector<uint8_t>& bytes, size_t from) {
    o.Key("trailing").Hex(bytes.data() + from, bytes.size() - from);
    o.Close('}');
}

// The writer's bytes for what the reader kept must begin the file; the rest are trailing
// bytes the document carries as they are. Returns where they start.
size_t TrailingStart(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& rewritten,
                     const std::string& fileName) {
    const size_t n = std::min(bytes.size(), rewritten.size());
    const size_t diff = static_cast<size_t>(
        std::mismatch(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), rewritten.begin())
            .first -
        bytes.begin());
    if (diff < n || rewritten.size() > bytes.size()) {
        throw DataError(fileName, diff, "file",
                        "the file holds a value its reader takes loosely (a cut record, a negative length): "
                        "JSON cannot carry it exactly");
    }
    return rewritten.size();
}

// ---------------------------------------------------------------------------------------------
// Reading a document: a cursor that knows its JSON path.

class Walk {
  public:
    explicit Walk(const Document& d) : d_(d) {}
    const Document& Doc() const { return d_; }
    [[noreturn]] void Fail(const std::string& reason) const { throw JsonError(PathText(path_), reason); }
    void Push(std::string_view key) { path_.push_back({key, 0, false}); }
    void Push(size_t index) { path_.push_back({{}, index, true}); }
    void Pop() { path_.pop_back(); }

    void Expect(uint32_t node, Type type) const {
        if (d_.At(node).type != type) {
            Fail(std::string("expected ") + TypeName(type) + ", found " + TypeName(d_.At(node).type));
        }
    }

    int64_t Int(uint32_t node, int64_t lo, int64_t hi) const {
        Expect(node, Type::Number);
        const std::string_view s = d_.NumberText(node);
        int64_t v = 0;
        const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
        if (r.ptr != s.data() + s.size() && r.ec == std::errc{})
            Fail("expected an integer, found " + std::string(s));
        if (r.ec != std::errc{} || v < lo || v > hi) {
            Fail(std::string(s) + " is outside " + std::to_string(lo) + " .. " + std::to_string(hi));
        }
        return v;
    }

    // A number, or a string "0x" + 8 hex digits giving the float's 32 bits (NaN, infinities).
    float F32(uint32_t node) const {
        const Node& n = d_.At(node);
        if (n.type == Type::String) {
            const std::string_view s = d_.StringValue(node);
            uint32_t bits = 0;
            if (s.size() != 10 || s[0] != '0' || s[1] != 'x' ||
                std::from_chars(s.data() + 2, s.data() + 10, bits, 16).ptr != s.data() + 10) {
                Fail("expected a number or a float's bits as \"0x\" and 8 hex digits");
            }
            float v;
            std::memcpy(&v, &bits, 4);
            return v;
        }
        if (n.type != Type::Number) {
            Fail(std::string("expected a number, found ") + TypeName(n.type));
        }
        const std::string_view s = d_.NumberText(node);
        float v = 0.0f;
        const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
        if (r.ec != std::errc{} || r.ptr != s.data() + s.size()) {
            Fail(std::string(s) + " is outside the range of a 32-bit float");
        }
        return v;
    }

    // A text as single-byte Windows-1251, or {"hex": "..."} for any bytes.
    std::string Text(uint32_t node);

    std::vector<uint8_t> Hex(uint32_t node) const {
        Expect(node, Type::String);
        const std::string_view s = d_.StringValue(node);
        if (s.size() % 2 != 0) Fail("a hex string needs an even number of digits");
        std::vector<uint8_t> out(s.size() / 2);
        for (size_t i = 0; i < out.size(); ++i) {
            if (std::from_chars(s.data() + 2 * i, s.data() + 2 * i + 2, out[i], 16).ptr !=
                s.data() + 2 * i + 2) {
                Fail("not a hex digit at position " + std::to_string(2 * i));
            }
        }
        return out;
    }

    // The array at `node`, checked to hold `want` elements (any number when want < 0).
    uint32_t Array(uint32_t node, int64_t want) const {
        Expect(node, Type::Array);
        const int64_t have = d_.At(node).a;
        if (want >= 0 && have != want) {
            Fail("expected " + std::to_string(want) + " elements, found " + std::to_string(have));
        }
        return node;
    }

    // Calls f(elementNode) for each element, with the path at that element.
    template <class F>
    void Each(uint32_t arrayNode, F&& f) {
        uint32_t e = arrayNode + 1;
        for (uint32_t i = 0; i < d_.At(arrayNode).a; ++i) {
            Push(i);
            f(e);
            Pop();
            e = d_.At(e).next;
        }
    }

    void FloatsAt(uint32_t node, float* out, size_t n) {
        Array(node, static_cast<int64_t>(n));
        size_t i = 0;
        Each(node, [&](uint32_t e) { out[i++] = F32(e); });
    }

  private:
    const Document& d_;
    std::vector<PathStep> path_;
};

// An object's members, each taken once; what is left over at the end is an unknown member.
class Obj {
  public:
    Obj(Walk& w, uint32_t node) : w_(w) {
        w.Expect(node, Type::Object);
        const Document& d = w.Doc();
        uint32_t k = node + 1;
        for (uint32_t i = 0; i < d.At(node).a; ++i) {
            members_.push_back({d.StringValue(k), k + 1});
            k = d.At(k + 1).next;
        }
        used_.assign(members_.size(), false);
    }

    bool Has(std::string_view key) const {
        return std::any_of(members_.begin(), members_.end(), [&](const auto& m) { return m.first == key; });
    }

    // Runs f(valueNode) with the path at the member; a missing member is an error.
    template <class F>
    auto In(std::string_view key, F&& f) {
        for (size_t i = 0; i < members_.size(); ++i) {
            if (members_[i].first != key) continue;
            used_[i] = true;
            w_.Push(members_[i].first);
            struct PopOnExit {
                Walk& w;
                ~PopOnExit() { w.Pop(); }
            } pop{w_};
            return f(members_[i].second);
        }
        w_.Fail("missing member \"" + std::string(key) + "\"");
    }

    int64_t Int(std::string_view key, int64_t lo, int64_t hi) {
        return In(key, [&](uint32_t n) { return w_.Int(n, lo, hi); });
    }
    uint8_t U8(std::string_view key) { return static_cast<uint8_t>(Int(key, 0, 255)); }
    int32_t I32(std::string_view key) {
        return static_cast<int32_t>(
            Int(key, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    }
    uint32_t U32(std::string_view key) {
        return static_cast<uint32_t>(Int(key, 0, std::numeric_limits<uint32_t>::max()));
    }
    float F32(std::string_view key) {
        return In(key, [&](uint32_t n) { return w_.F32(n); });
    }
    Vec3 V3(std::string_view key) {
        float f[3];
        In(key, [&](uint32_t n) { w_.FloatsAt(n, f, 3); });
        return Vec3{f[0], f[1], f[2]};
    }
    void Floats(std::string_view key, float* out, size_t n) {
        In(key, [&](uint32_t node) { w_.FloatsAt(node, out, n); });
    }
    std::string Text(std::string_view key) {
        return In(key, [&](uint32_t n) { return w_.Text(n); });
    }

    // The path at the first member nobody took: a misspelt or misplaced field.
    void Done(const std::string& why = "unknown member") {
        for (size_t i = 0; i < members_.size(); ++i) {
            if (!used_[i]) {
                w_.Push(members_[i].first);
                w_.Fail(why);
            }
        }
    }

  private:
    Walk& w_;
    std::vector<std::pair<std::string_view, uint32_t>> members_;
    std::vector<bool> used_;
};

std::string Walk::Text(uint32_t node) {
    if (d_.At(node).type == Type::Object) {
        Obj o(*this, node);
        const std::vector<uint8_t> bytes = o.In("hex", [&](uint32_t n) { return Hex(n); });
        o.Done();
        return std::string(bytes.begin(), bytes.end());
    }
    if (d_.At(node).type != Type::String) {
        Fail(std::string("expected a string or {\"hex\": ...}, found ") + TypeName(d_.At(node).type));
    }
    const std::string utf8(d_.StringValue(node));
    std::string bytes = Utf8ToCp1251(utf8);
    if (Cp1251ToUtf8(bytes) != utf8) {
        Fail("the text holds a character outside Windows-1251 (write its bytes as {\"hex\": ...})");
    }
    return bytes;
}

// A count member that must match the length of its array member.
int32_t CountOf(Obj& o, Walk& w, const char* countKey, const char* arrayKey, int64_t cap) {
    const int32_t count = static_cast<int32_t>(o.Int(countKey, 0, cap));
    const int64_t length =
        o.In(arrayKey, [&](uint32_t n) { return static_cast<int64_t>(w.Doc().At(w.Array(n, -1)).a); });
    if (length != count) {
        o.In(arrayKey, [&](uint32_t) -> int {
            w.Fail("holds " + std::to_string(length) + " elements but " + countKey + " is " +
                   std::to_string(count));
        });
    }
    return count;
}

void AppendTrailing(Obj& o, Walk& w, std::vector<uint8_t>& bytes) {
    if (!o.Has("trailing")) return;
    const std::vector<uint8_t> tail = o.In("trailing", [&](uint32_t n) { return w.Hex(n); });
    bytes.insert(bytes.end(), tail.begin(), tail.end());
}

// ---------------------------------------------------------------------------------------------
// Models.

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

// ---------------------------------------------------------------------------------------------
// Levels: each record's blocks as they stand in the file. A model record whose model is a
// water or an emitter (its object kind, 4 or 5) carries that block after its own.

struct Placement {
    Vec3 position;
    std::array<float, 12> rotation{};
    uint32_t spareA = 0;
};

void ReadPlacementFields(ShortReadCursor& c, Placement& p) {
    c.F32(p.position.x);
    c.F32(p.position.y);
    c.F32(p.position.z);
    for (float& v : p.rotation) c.F32(v);
    c.U32(p.spareA);
}

void WritePlacementJson(Out& o, const Placement& p) {
    o.Key("position").V3(p.position);
    o.Key("rotation").Floats(p.rotation.data(), 12);
    o.Key("spare_a").Int(p.spareA);
}

// Position, rotation, spare, animation time, spare, animated flag, model path, second name.
void ModelFieldsJson(Out& o, ShortReadCursor& c) {
    Placement p;
    ReadPlacementFields(c, p);
    float animTime = 0.0f;
    uint32_t spareB = 0;
    uint8_t animated = 0;
    std::string path, second;
    c.F32(animTime);
    c.U32(spareB);
    c.U8(animated);
    c.String(path);
    c.String(second);
    WritePlacementJson(o, p);
    o.Key("anim_time").F32(animTime);
    o.Key("spare_b").Int(spareB);
    o.Key("animated").Int(animated);
    o.Key("model_path").Text(path);
    o.Key("second_name").Text(second);
}

std::string FullLevel(const std::vector<uint8_t>& bytes, const std::string& fileName,
                      const ModelKindLookup& modelKind) {
    // The game's reader decides each model record's kind (its model's object-kind byte).
    const LevelFile level = ReadLevel(bytes, fileName, modelKind);
    ShortReadCursor c(bytes, fileName);
    int32_t count = 0;
    c.I32(count);
    Out o;
    Header(o, "level");
    o.Key("object_count").Int(count);
    o.Key("objects").Open('[', true);
    for (const LevelObject& rec : level.objects) {
        uint8_t type = 0;
        c.U8(type);
        o.Open('{', true);
        o.Key("type").Int(type);
        uint8_t kind = type;
        if (type == kLevelModel) {
            kind = rec.kind;
            o.Key("kind").Int(kind);
            o.Key("model").Open('{', true);
            ModelFieldsJson(o, c);
            o.Close('}');
        }
        if (kind == kLevelWater) {
            o.Key("water").Open('{', true);
            ModelFieldsJson(o, c);
            float grid = 0.0f, damping = 0.0f;
            int32_t side = 0;
            std::string texture;
            c.F32(grid);
            c.I32(side);
            c.F32(damping);
            c.String(texture);
            o.Key("grid_points").F32(grid);
            o.Key("side_length").Int(side);
            o.Key("damping").F32(damping);
            o.Key("texture_name").Text(texture);
            o.Close('}');
        }
        if (kind == kLevelEmitter) {
            o.Key("emitter").Open('{', true);
            Placement p;
            ReadPlacementFields(c, p);
            std::string particles, second;
            c.String(particles);
            c.String(second);
            WritePlacementJson(o, p);
            o.Key("particle_file").Text(particles);
            o.Key("second_name").Text(second);
            o.Close('}');
        }
        o.Close('}');
    }
    o.Close(']');
    if (c.Cut()) {
        throw DataError(fileName, c.CutOffset(), "objects",
                        "the file ends inside a record: JSON cannot carry a cut record exactly");
    }
    Trailing(o, bytes, c.Offset());
    return o.Take();
}

void PackPlacement(Obj& b, ByteWriter& out) {
    const Vec3 p = b.V3("position");
    float rot[12];
    b.Floats("rotation", rot, 12);
    out.F32(p.x);
    out.F32(p.y);
    out.F32(p.z);
    for (float v : rot) out.F32(v);
    out.U32(b.U32("spare_a"));
}

void PackModelFields(Obj& b, ByteWriter& out) {
    PackPlacement(b, out);
    out.F32(b.F32("anim_time"));
    out.U32(b.U32("spare_b"));
    out.U8(b.U8("animated"));
    out.LengthPrefixedString(b.Text("model_path"));
    out.LengthPrefixedString(b.Text("second_name"));
}

// The water code's grid side for a grid-points value, as the level reader counts it.
uint64_t WaterCells(float gridPoints) {
    const float t = std::isfinite(gridPoints) ? std::trunc(gridPoints) : 0.0f;
    const uint64_t side =
        t > static_cast<float>(kMaxWaterGridCount)
            ? kMaxWaterGridCount
            : static_cast<uint64_t>(std::max(kMinWaterGridCount, t < 0.0f ? 0 : static_cast<int>(t)));
    return side * side;
}

std::vector<uint8_t> PackLevel(Walk& w, Obj& o) {
    ByteWriter out;
    const int32_t count = o.I32("object_count");
    if (count > static_cast<int64_t>(kMaxLevelObjects)) {
        o.In("object_count", [&](uint32_t) -> int {
            w.Fail("count " + std::to_string(count) + " exceeds the cap of " +
                   std::to_string(kMaxLevelObjects));
        });
    }
    const int64_t want = std::max(count, 0);
    const int64_t have =
        o.In("objects", [&](uint32_t n) { return static_cast<int64_t>(w.Doc().At(w.Array(n, -1)).a); });
    if (have != want) {
        o.In("objects", [&](uint32_t) -> int {
            w.Fail("holds " + std::to_string(have) + " records but object_count is " + std::to_string(count));
        });
    }
    out.I32(count);
    uint32_t waters = 0, emitters = 0;
    uint64_t cells = 0;
    o.In("objects", [&](uint32_t n) {
        w.Each(n, [&](uint32_t e) {
            Obj r(w, e);
            const uint8_t type = r.U8("type");
            out.U8(type);
            uint8_t kind = type;
            if (type == kLevelModel) {
                kind = r.U8("kind");
                r.In("model", [&](uint32_t b) {
                    Obj m(w, b);
                    PackModelFields(m, out);
                    m.Done();
                });
            }
            if (kind == kLevelWater) {
                if (++waters > kMaxLevelWaters)
                    w.Fail("more than " + std::to_string(kMaxLevelWaters) + " waters");
                r.In("water", [&](uint32_t b) {
                    Obj m(w, b);
                    PackModelFields(m, out);
                    const float grid = m.F32("grid_points");
                    cells += WaterCells(grid);
                    if (cells > kMaxLevelWaterCells) {
                        m.In("grid_points", [&](uint32_t) -> int {
                            w.Fail("the level's water grids exceed " + std::to_string(kMaxLevelWaterCells) +
                                   " cells");
                        });
                    }
                    out.F32(grid);
                    out.I32(m.I32("side_length"));
                    out.F32(m.F32("damping"));
                    out.LengthPrefixedString(m.Text("texture_name"));
                    m.Done();
                });
            }
            if (kind == kLevelEmitter) {
                if (++emitters > kMaxLevelEmitters)
                    w.Fail("more than " + std::to_string(kMaxLevelEmitters) + " emitters");
                r.In("emitter", [&](uint32_t b) {
                    Obj m(w, b);
                    PackPlacement(m, out);
                    out.LengthPrefixedString(m.Text("particle_file"));
                    out.LengthPrefixedString(m.Text("second_name"));
                    m.Done();
                });
            }
            r.Done("not a member of a record of type " + std::to_string(type) + " and kind " +
                   std::to_string(kind));
        });
    });
    if (o.Has("trailing")) o.In("trailing", [](uint32_t) {});
    o.Done();
    AppendTrailing(o, w, out.Data());
    return std::move(out.Data());
}

// ---------------------------------------------------------------------------------------------
// Terrains: heights as N + 1 rows of N + 1, texture coordinates as N rows of N cells of 12.

std::string FullTerrain(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    const TerrainFile t = ReadTerrain(bytes, fileName);
    const size_t tail = TrailingStart(bytes, WriteTerrain(t), fileName);
    const size_t n = static_cast<size_t>(t.GridSize);
    Out o;
    Header(o, "terrain");
    o.Key("grid_size").Int(t.GridSize);
    o.Key("size").F32(t.Size);
    o.Key("heights").Open('[', true);
    for (size_t i = 0; i <= n; ++i) o.Floats(&t.Heights[i * (n + 1)], n + 1);
    o.Close(']');
    o.Key("texcoords").Open('[', true);
    for (size_t i = 0; i < n; ++i) {
        o.Open('[', false);
        for (size_t j = 0; j < n; ++j) o.Floats(&t.TexCoords[(i * n + j) * 12], 12);
        o.Close(']');
    }
    o.Close(']');
    o.Key("texture_name_count").Int(t.TextureNameCount);
    o.Key("texture_names").Open('[', true);
    for (const std::string& name : t.TextureNames) o.Text(name);
    o.Close(']');
    Trailing(o, bytes, tail);
    return o.Take();
}

std::vector<uint8_t> PackTerrain(Walk& w, Obj& o) {
    TerrainFile t;
    t.GridSize = static_cast<int32_t>(o.Int("grid_size", 1, kMaxTerrainGrid));
    t.Size = o.F32("size");
    const size_t n = static_cast<size_t>(t.GridSize);
    t.Heights.resize((n + 1) * (n + 1));
    t.TexCoords.resize(n * n * 12);
    o.In("heights", [&](uint32_t a) {
        w.Array(a, static_cast<int64_t>(n + 1));
        size_t i = 0;
        w.Each(a, [&](uint32_t row) { w.FloatsAt(row, &t.Heights[(i++) * (n + 1)], n + 1); });
    });
    o.In("texcoords", [&](uint32_t a) {
        w.Array(a, static_cast<int64_t>(n));
        size_t i = 0;
        w.Each(a, [&](uint32_t row) {
            w.Array(row, static_cast<int64_t>(n));
            size_t j = 0;
            w.Each(row, [&](uint32_t cell) { w.FloatsAt(cell, &t.TexCoords[(i * n + j++) * 12], 12); });
            ++i;
        });
    });
    t.TextureNameCount = CountOf(o, w, "texture_name_count", "texture_names", kMaxTerrainTextureNames);
    o.In("texture_names",
         [&](uint32_t a) { w.Each(a, [&](uint32_t e) { t.TextureNames.push_back(w.Text(e)); }); });
    if (o.Has("trailing")) o.In("trailing", [](uint32_t) {});
    o.Done();
    std::vector<uint8_t> bytes = WriteTerrain(t);
    AppendTrailing(o, w, bytes);
    return bytes;
}

// ---------------------------------------------------------------------------------------------
// Particle systems.

std::string FullParticles(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    const ParticleFile p = ReadParticles(bytes, fileName);
    const size_t tail = TrailingStart(bytes, WriteParticles(p), fileName);
    Out o;
    Header(o, "particles");
    o.Key("count").Int(p.Count);
    o.Key("colour").Floats(p.Colour.data(), 4);
    o.Key("colour_change").Floats(p.ColourDelta.data(), 4);
    o.Key("emit_centre").V3(p.EmitCentre);
    o.Key("target_centre").V3(p.TargetCentre);
    o.Key("speed").F32(p.Speed);
    o.Key("start_size").F32(p.StartSize);
    o.Key("size_change").F32(p.SizeDelta);
    o.Key("emit_spread").F32(p.EmitSpread);
    o.Key("target_spread").F32(p.TargetSpread);
    o.Key("period").F32(p.Period);
    o.Key("blend_mode").Int(p.BlendMode);
    o.Key("texture_name").Text(p.TextureName);
    Trailing(o, bytes, tail);
    return o.Take();
}

std::vector<uint8_t> PackParticles(Walk& w, Obj& o) {
    ParticleFile p;
    p.Count = o.I32("count");
    o.Floats("colour", p.Colour.data(), 4);
    o.Floats("colour_change", p.ColourDelta.data(), 4);
    p.EmitCentre = o.V3("emit_centre");
    p.TargetCentre = o.V3("target_centre");
    p.Speed = o.F32("speed");
    p.StartSize = o.F32("start_size");
    p.SizeDelta = o.F32("size_change");
    p.EmitSpread = o.F32("emit_spread");
    p.TargetSpread = o.F32("target_spread");
    p.Period = o.F32("period");
    p.BlendMode = o.U8("blend_mode");
    p.TextureName = o.Text("texture_name");
    if (o.Has("trailing")) o.In("trailing", [](uint32_t) {});
    o.Done();
    std::vector<uint8_t> bytes = WriteParticles(p);
    AppendTrailing(o, w, bytes);
    return bytes;
}

bool EndsWithNoCase(const std::string& s, const std::string& suffix) {
    if (s.size() < suffix.size()) return false;
    return std::equal(
        suffix.begin(), suffix.end(), s.end() - static_cast<std::ptrdiff_t>(suffix.size()),
        [](char want, char have) { return std::tolower(static_cast<unsigned char>(have)) == want; });
}

}  // namespace

bool FormatForName(const std::string& path, FileFormat& out) {
    if (EndsWithNoCase(path, ".3dk")) {
        out = FileFormat::Model;
    } else if (EndsWithNoCase(path, ".wrd")) {
        out = FileFormat::Level;
    } else if (EndsWithNoCase(path, ".map")) {
        out = FileFormat::Terrain;
    } else if (EndsWithNoCase(path, ".kpr")) {
        out = FileFormat::Particles;
    } else {
        return false;
    }
    return true;
}

std::string FullJson(const std::vector<uint8_t>& bytes, const std::string& fileName, FileFormat format,
                     const ModelKindLookup& modelKind) {
    std::string text;
    switch (format) {
        case FileFormat::Model:
            text = FullModel(bytes, fileName);
            break;
        case FileFormat::Level:
            text = FullLevel(bytes, fileName, modelKind);
            break;
        case FileFormat::Terrain:
            text = FullTerrain(bytes, fileName);
            break;
        case FileFormat::Particles:
            text = FullParticles(bytes, fileName);
            break;
    }
    // What is printed must pack back to these very bytes; anything else would be a lie.
    std::vector<uint8_t> packed;
    try {
        packed = PackJson(Document(text));
    } catch (const JsonError& e) {
        throw DataError(fileName, 0, "file",
                        "its JSON form does not pack back (" + std::string(e.what()) + ")");
    }
    if (packed != bytes) {
        const size_t n = std::min(packed.size(), bytes.size());
        const size_t at = static_cast<size_t>(
            std::mismatch(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), packed.begin())
                .first -
            bytes.begin());
        throw DataError(fileName, at, "file",
                        "its JSON form would pack to other bytes from here on (a field the reader takes "
                        "loosely, such as a negative string length): not printed");
    }
    return text;
}

std::vector<uint8_t> PackJson(const Document& doc) {
    Walk w(doc);
    Obj o(w, doc.Root());
    const int64_t schema = o.In("schema", [&](uint32_t n) { return w.Int(n, INT64_MIN, INT64_MAX); });
    if (schema != kSchema) {
        o.In("schema", [&](uint32_t) -> int {
            w.Fail("schema " + std::to_string(schema) + " is not the " + std::to_string(kSchema) +
                   " this tool knows");
        });
    }
    const std::string format = o.In("format", [&](uint32_t n) {
        w.Expect(n, Type::String);
        return std::string(doc.StringValue(n));
    });
    std::vector<uint8_t> bytes;
    if (format == "model") {
        bytes = PackModel(w, o);
    } else if (format == "level") {
        bytes = PackLevel(w, o);
    } else if (format == "terrain") {
        bytes = PackTerrain(w, o);
    } else if (format == "particles") {
        bytes = PackParticles(w, o);
    } else {
        o.In("format", [&](uint32_t) -> int {
            w.Fail("unknown format \"" + format + "\" (model, level, terrain or particles)");
        });
    }
    if (bytes.size() > kMaxFileBytes) {
        w.Fail("the file would be larger than the " + std::to_string(kMaxFileBytes >> 20) +
               " MiB any reader takes");
    }
    return bytes;
}

}  // namespace tv::json
