#include "mesh.h"

#include <algorithm>
#include <cmath>

namespace tv::datagen {

V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float Length(V3 a) { return std::sqrt(Dot(a, a)); }
V3 Normalised(V3 a) {
    float l = Length(a);
    return l > 0 ? a * (1.0f / l) : V3{0, 0, 1};
}

constexpr float kDeg = 3.14159265358979f / 180.0f;

V3 Xform::Apply(V3 p) const { return ApplyDir(p) + t; }
V3 Xform::ApplyDir(V3 d) const {
    return {m[0][0] * d.x + m[0][1] * d.y + m[0][2] * d.z, m[1][0] * d.x + m[1][1] * d.y + m[1][2] * d.z,
            m[2][0] * d.x + m[2][1] * d.y + m[2][2] * d.z};
}
Xform Xform::Translate(V3 t) {
    Xform x;
    x.t = t;
    return x;
}
Xform Xform::RotX(float deg) {
    float c = std::cos(deg * kDeg), s = std::sin(deg * kDeg);
    Xform x;
    x.m[1][1] = c, x.m[1][2] = -s, x.m[2][1] = s, x.m[2][2] = c;
    return x;
}
Xform Xform::RotY(float deg) {
    float c = std::cos(deg * kDeg), s = std::sin(deg * kDeg);
    Xform x;
    x.m[0][0] = c, x.m[0][2] = s, x.m[2][0] = -s, x.m[2][2] = c;
    return x;
}
Xform Xform::RotZ(float deg) {
    float c = std::cos(deg * kDeg), s = std::sin(deg * kDeg);
    Xform x;
    x.m[0][0] = c, x.m[0][1] = -s, x.m[1][0] = s, x.m[1][1] = c;
    return x;
}
Xform Xform::Scale(V3 s) {
    Xform x;
    x.m[0][0] = s.x, x.m[1][1] = s.y, x.m[2][2] = s.z;
    return x;
}
Xform operator*(const Xform& a, const Xform& b) {
    Xform r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    r.t = a.Apply(b.t);
    return r;
}

MeshVertex Mesh::Make(V3 p, V3 n, float s, float t) const {
    MeshVertex v;
    v.pos = p;
    v.normal = n;
    v.u = uv.u0 + (uv.u1 - uv.u0) * s;
    v.row = uv.row0 + (uv.row1 - uv.row0) * t;
    v.bone = bone;
    return v;
}

void Mesh::Triangle(V3 a, V3 b, V3 c, float ua, float ra, float ub, float rb, float uc, float rc) {
    V3 n = Cross(b - a, c - a);
    if (Length(n) < 1e-9f) return;  // degenerate: nothing to draw
    n = Normalised(n);
    MeshTriangle t;
    t.v = {Make(a, n, ua, ra), Make(b, n, ub, rb), Make(c, n, uc, rc)};
    t.group = group;
    t.material = material;
    tris_.push_back(t);
}

void Mesh::Quad(V3 a, V3 b, V3 c, V3 d) {
    Triangle(a, b, c, 0, 1, 1, 1, 1, 0);
    Triangle(a, c, d, 0, 1, 1, 0, 0, 0);
}

void Mesh::Box(V3 c, V3 s) {
    float x0 = c.x - s.x / 2, x1 = c.x + s.x / 2, y0 = c.y - s.y / 2, y1 = c.y + s.y / 2, z0 = c.z - s.z / 2,
          z1 = c.z + s.z / 2;
    Quad({x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1});  // -y
    Quad({x1, y1, z0}, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1});  // +y
    Quad({x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1});  // +x
    Quad({x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1});  // -x
    Quad({x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1});  // +z
    Quad({x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}, {x0, y0, z0});  // -z
}

void Mesh::Tube(float cx, float cy, float z0, float z1, float r0, float r1, int sides, bool cap0, bool cap1, float sx,
                float sy) {
    auto ring = [&](int k, float r, float z) {
        float a = 2 * 3.14159265f * k / sides;
        return V3{cx + std::cos(a) * r * sx, cy + std::sin(a) * r * sy, z};
    };
    for (int k = 0; k < sides; ++k) {
        V3 a = ring(k, r0, z0), b = ring(k + 1, r0, z0), c = ring(k + 1, r1, z1), d = ring(k, r1, z1);
        float s0 = float(k) / sides, s1 = float(k + 1) / sides;
        if (r0 > 0) Triangle(a, b, c, s0, 1, s1, 1, s1, 0);
        if (r1 > 0) Triangle(a, c, d, s0, 1, s1, 0, s0, 0);
        if (r0 <= 0) Triangle(a, c, d, s0, 1, s1, 0, s0, 0);
        if (cap0 && r0 > 0) Triangle({cx, cy, z0}, b, a, 0.5f, 0.5f, s1, 1, s0, 1);
        if (cap1 && r1 > 0) Triangle({cx, cy, z1}, d, c, 0.5f, 0.5f, s0, 0, s1, 0);
    }
}

void Mesh::Lathe(const std::vector<std::pair<float, float>>& profile, int sides, float sx, float sy) {
    for (size_t i = 0; i + 1 < profile.size(); ++i)
        Tube(0, 0, profile[i].first, profile[i + 1].first, profile[i].second, profile[i + 1].second, sides, false,
             false, sx, sy);
}

void Mesh::Sphere(V3 c, float radius, int rings, int sides, V3 scale, bool inward) {
    auto point = [&](int ring, int side) {
        float lat = -3.14159265f / 2 + 3.14159265f * ring / rings;
        float lon = 2 * 3.14159265f * side / sides;
        return V3{c.x + std::cos(lat) * std::cos(lon) * radius * scale.x,
                  c.y + std::cos(lat) * std::sin(lon) * radius * scale.y, c.z + std::sin(lat) * radius * scale.z};
    };
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < sides; ++s) {
            V3 a = point(r, s), b = point(r, s + 1), cc = point(r + 1, s + 1), d = point(r + 1, s);
            float s0 = float(s) / sides, s1 = float(s + 1) / sides;
            float t0 = 1 - float(r) / rings, t1 = 1 - float(r + 1) / rings;
            if (!inward) {
                if (r > 0) Triangle(a, b, cc, s0, t0, s1, t0, s1, t1);
                if (r < rings - 1) Triangle(a, cc, d, s0, t0, s1, t1, s0, t1);
            } else {
                if (r > 0) Triangle(a, cc, b, s0, t0, s1, t1, s1, t0);
                if (r < rings - 1) Triangle(a, d, cc, s0, t0, s0, t1, s1, t1);
            }
        }
}

// Ear-clipping triangulation of a simple counter-clockwise polygon.
static std::vector<std::array<int, 3>> Triangulate(const std::vector<std::pair<float, float>>& poly) {
    std::vector<std::array<int, 3>> out;
    std::vector<int> idx(poly.size());
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<int>(i);
    auto cross = [&](int a, int b, int c) {
        return (poly[b].first - poly[a].first) * (poly[c].second - poly[a].second) -
               (poly[b].second - poly[a].second) * (poly[c].first - poly[a].first);
    };
    auto inside = [&](int p, int a, int b, int c) {
        return cross(a, b, p) >= 0 && cross(b, c, p) >= 0 && cross(c, a, p) >= 0;
    };
    int guard = 0;
    while (idx.size() > 3 && guard++ < 10000) {
        bool clipped = false;
        for (size_t i = 0; i < idx.size(); ++i) {
            int a = idx[(i + idx.size() - 1) % idx.size()], b = idx[i], c = idx[(i + 1) % idx.size()];
            if (cross(a, b, c) <= 0) continue;  // reflex corner
            bool ear = true;
            for (int p : idx)
                if (p != a && p != b && p != c && inside(p, a, b, c)) {
                    ear = false;
                    break;
                }
            if (!ear) continue;
            out.push_back({a, b, c});
            idx.erase(idx.begin() + static_cast<long>(i));
            clipped = true;
            break;
        }
        if (!clipped) break;  // not simple: give up on the rest
    }
    if (idx.size() == 3) out.push_back({idx[0], idx[1], idx[2]});
    return out;
}

void Mesh::Extrude(const std::vector<std::pair<float, float>>& outline, float depth, const Xform& place) {
    size_t mark = Mark();
    size_t n = outline.size();
    for (size_t i = 0; i < n; ++i) {
        auto p = outline[i], q = outline[(i + 1) % n];
        Quad({p.first, p.second, 0}, {q.first, q.second, 0}, {q.first, q.second, depth}, {p.first, p.second, depth});
    }
    for (auto& t : Triangulate(outline)) {
        auto a = outline[t[0]], b = outline[t[1]], c = outline[t[2]];
        Triangle({a.first, a.second, depth}, {b.first, b.second, depth}, {c.first, c.second, depth}, 0, 0, 1, 0, 1, 1);
        Triangle({a.first, a.second, 0}, {c.first, c.second, 0}, {b.first, b.second, 0}, 0, 0, 1, 1, 1, 0);
    }
    TransformSince(mark, place);
}

void Mesh::OrientOutward(size_t mark) {
    V3 centre{0, 0, 0};
    int count = 0;
    for (size_t i = mark; i < tris_.size(); ++i)
        for (auto& v : tris_[i].v) centre = centre + v.pos, ++count;
    if (count == 0) return;
    centre = centre * (1.0f / count);
    for (size_t i = mark; i < tris_.size(); ++i) {
        auto& t = tris_[i];
        V3 mid = (t.v[0].pos + t.v[1].pos + t.v[2].pos) * (1.0f / 3);
        V3 n = Cross(t.v[1].pos - t.v[0].pos, t.v[2].pos - t.v[0].pos);
        if (Dot(n, mid - centre) < 0) std::swap(t.v[1], t.v[2]);
        V3 nn = Normalised(Cross(t.v[1].pos - t.v[0].pos, t.v[2].pos - t.v[0].pos));
        for (auto& v : t.v) v.normal = nn;
    }
}

void Mesh::Wing(V3 root, V3 spanDir, V3 upDir, float span, float rootChord, float tipChord, float sweep,
                float thickness) {
    V3 back = Normalised(Cross(spanDir, upDir));  // chord direction
    // Make the chord run towards -z for a nose-along-+z aircraft.
    if (back.z > 0) back = back * -1.0f;
    size_t mark = Mark();
    V3 tip = root + spanDir * span + back * sweep;
    V3 up = upDir * (thickness * 0.5f), upTip = upDir * (thickness * 0.25f);
    V3 rl = root, rt = root + back * rootChord, tl = tip, tt = tip + back * tipChord;
    V3 rm = root + back * (rootChord * 0.3f), tm = tip + back * (tipChord * 0.3f);
    // Upper and lower surfaces with a thickened 30 % chord ridge; closed at root and tip.
    auto side = [&](float sign) {
        V3 ru = rm + up * sign, tu = tm + upTip * sign;
        if (sign > 0) {
            Quad(rl, tl, tu, ru);
            Quad(ru, tu, tt, rt);
        } else {
            Quad(ru, tu, tl, rl);
            Quad(rt, tt, tu, ru);
        }
    };
    side(1);
    side(-1);
    Triangle(rl, rm + up, rt, 0, 0, 0.5f, 0.5f, 1, 1);
    Triangle(rl, rt, rm - up, 0, 0, 1, 1, 0.5f, 0.5f);
    Triangle(tl, tt, tm + upTip, 0, 0, 1, 1, 0.5f, 0.5f);
    Triangle(tl, tm - upTip, tt, 0, 0, 0.5f, 0.5f, 1, 1);
    OrientOutward(mark);
}

void Mesh::TransformSince(size_t mark, const Xform& x) {
    for (size_t i = mark; i < tris_.size(); ++i)
        for (auto& v : tris_[i].v) {
            v.pos = x.Apply(v.pos);
            v.normal = Normalised(x.ApplyDir(v.normal));
        }
    // A mirroring transform flips the winding: keep faces facing out.
    float det = x.m[0][0] * (x.m[1][1] * x.m[2][2] - x.m[1][2] * x.m[2][1]) -
                x.m[0][1] * (x.m[1][0] * x.m[2][2] - x.m[1][2] * x.m[2][0]) +
                x.m[0][2] * (x.m[1][0] * x.m[2][1] - x.m[1][1] * x.m[2][0]);
    if (det < 0)
        for (size_t i = mark; i < tris_.size(); ++i) std::swap(tris_[i].v[1], tris_[i].v[2]);
    // Non-uniform scales bend normals: recompute them from the faces.
    for (size_t i = mark; i < tris_.size(); ++i) {
        auto& t = tris_[i];
        V3 n = Normalised(Cross(t.v[1].pos - t.v[0].pos, t.v[2].pos - t.v[0].pos));
        for (auto& v : t.v) v.normal = n;
    }
}

void Mesh::Append(const Mesh& other) { tris_.insert(tris_.end(), other.tris_.begin(), other.tris_.end()); }

void Mesh::SortByGroup() {
    std::stable_sort(tris_.begin(), tris_.end(),
                     [](const MeshTriangle& a, const MeshTriangle& b) { return a.group < b.group; });
}

std::vector<int> Mesh::GroupCounts(int groupCount) const {
    std::vector<int> counts(groupCount, 0);
    for (auto& t : tris_)
        if (t.group >= 0 && t.group < groupCount) ++counts[t.group];
    return counts;
}

void Mesh::Bounds(V3& lo, V3& hi, const std::function<V3(const MeshVertex&)>& toModel) const {
    lo = {1e30f, 1e30f, 1e30f};
    hi = {-1e30f, -1e30f, -1e30f};
    for (auto& t : tris_)
        for (auto& v : t.v) {
            V3 p = toModel ? toModel(v) : v.pos;
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    if (tris_.empty()) lo = hi = {0, 0, 0};
}

float ShadeForLevel(int level, const AtlasLayout& layout) {
    // Brightest first; the darkest level still shows the pattern.
    return 1.0f - (1.0f - layout.darkest) * level / std::max(1, layout.shadeLevels - 1);
}

void AssignAtlasUv(Mesh& mesh, const AtlasLayout& layout, V3 light,
                   const std::function<V3(const MeshVertex&)>& toModel, const std::function<V3(V3)>& normalToModel) {
    V3 lo, hi;
    mesh.Bounds(lo, hi, toModel);
    V3 ext = hi - lo;
    float extent = std::max({ext.x, ext.y, ext.z, 1e-3f});
    light = Normalised(light);
    float cellU = 1.0f / layout.shadeLevels, cellR = 1.0f / layout.materials;
    float marginU = layout.marginPixels / layout.texturePixels;
    for (auto& t : mesh.Triangles()) {
        V3 p[3];
        for (int i = 0; i < 3; ++i) p[i] = toModel ? toModel(t.v[i]) : t.v[i].pos;
        V3 n = Normalised(Cross(p[1] - p[0], p[2] - p[0]));
        if (normalToModel) n = Normalised(normalToModel(t.v[0].normal));
        float lit = 0.35f + 0.65f * std::max(0.0f, Dot(n, light));  // 0.35 .. 1
        int level = static_cast<int>(std::lround((1.0f - lit) / 0.65f * (layout.shadeLevels - 1)));
        level = std::clamp(level, 0, layout.shadeLevels - 1);
        int mat = std::clamp(t.material, 0, layout.materials - 1);
        float u0 = level * cellU + marginU, u1 = (level + 1) * cellU - marginU;
        float r0 = mat * cellR + marginU, r1 = (mat + 1) * cellR - marginU;
        // Project along the dominant axis of the normal; one extent spans the cell.
        float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
        for (int i = 0; i < 3; ++i) {
            V3 q = (p[i] - lo) * (1.0f / extent);
            float s, r;
            if (ax >= ay && ax >= az) s = q.y, r = q.z;
            else if (ay >= az) s = q.x, r = q.z;
            else s = q.x, r = q.y;
            float w = layout.windowHi - layout.windowLo;
            t.v[i].u = u0 + (u1 - u0) * (layout.windowLo + w * std::clamp(s, 0.0f, 1.0f));
            t.v[i].row = r0 + (r1 - r0) * (layout.windowLo + w * std::clamp(1.0f - r, 0.0f, 1.0f));
        }
    }
}

}  // namespace tv::datagen
