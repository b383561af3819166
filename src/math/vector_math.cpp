#include "math/vector_math.h"

#include <algorithm>
#include <cmath>

namespace tv {
namespace {

// Working copy in double; every operation reads its inputs into these before writing, so an
// output may alias an input.
struct D3 {
    double x, y, z;
};
D3 Wide(const Vec3& v) {
    return {v.x, v.y, v.z};
}
void Store(Vec3& out, double x, double y, double z) {
    out.x = static_cast<float>(x);
    out.y = static_cast<float>(y);
    out.z = static_cast<float>(z);
}
double Dot(const D3& a, const D3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
D3 Sub(const D3& a, const D3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
D3 Cross(const D3& a, const D3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

}  // namespace

void MakeVec(Vec3& v, float x, float y, float z) {
    v.x = x;
    v.y = y;
    v.z = z;
}

void VecSub(const Vec3& a, const Vec3& b, Vec3& r) {
    const D3 d = Sub(Wide(a), Wide(b));
    Store(r, d.x, d.y, d.z);
}

void VecAdd(const Vec3& a, const Vec3& b, Vec3& r) {
    const D3 u = Wide(a), v = Wide(b);
    Store(r, u.x + v.x, u.y + v.y, u.z + v.z);
}

void VecScale(const Vec3& a, Vec3& r, float s) {
    const D3 u = Wide(a);
    const double k = s;
    Store(r, u.x * k, u.y * k, u.z * k);
}

void VecMul(const Vec3& a, const Vec3& b, Vec3& r) {
    const D3 u = Wide(a), v = Wide(b);
    Store(r, u.x * v.x, u.y * v.y, u.z * v.z);
}

void VecAddScaled(const Vec3& a, const Vec3& b, Vec3& r, float s) {
    const D3 u = Wide(a), v = Wide(b);
    const double k = s;
    Store(r, u.x + v.x * k, u.y + v.y * k, u.z + v.z * k);
}

float VecDot(const Vec3& a, const Vec3& b) {
    return static_cast<float>(Dot(Wide(a), Wide(b)));
}

void VecCross(const Vec3& a, const Vec3& b, Vec3& r) {
    const D3 c = Cross(Wide(a), Wide(b));
    Store(r, c.x, c.y, c.z);
}

float VecLength(const Vec3& a) {
    const D3 u = Wide(a);
    return static_cast<float>(std::sqrt(Dot(u, u)));
}

float VecLengthSq(const Vec3& a) {
    const D3 u = Wide(a);
    return static_cast<float>(Dot(u, u));
}

float VecDistance(const Vec3& a, const Vec3& b) {
    const D3 d = Sub(Wide(a), Wide(b));
    return static_cast<float>(std::sqrt(Dot(d, d)));
}

void VecNormalize(const Vec3& a, Vec3& r) {
    const D3 u = Wide(a);
    const double inv = 1.0 / std::sqrt(Dot(u, u));
    Store(r, u.x * inv, u.y * inv, u.z * inv);
}

float VecSetLength(Vec3& v, float L) {
    const D3 u = Wide(v);
    const double len = std::sqrt(Dot(u, u));
    if (len > 0.0) {
        const double k = static_cast<double>(L) / len;
        Store(v, u.x * k, u.y * k, u.z * k);
    }
    return static_cast<float>(len);
}

bool VecAlmostEqual(const Vec3& a, const Vec3& b, float eps) {
    const double e = eps;
    return std::fabs(static_cast<double>(b.x) - a.x) < e && std::fabs(static_cast<double>(b.y) - a.y) < e &&
           std::fabs(static_cast<double>(b.z) - a.z) < e;
}

bool SegmentHitsCube(const Vec3& c, const Vec3& s, const Vec3& e, float h) {
    const D3 start = Wide(s), end = Wide(e), centre = Wide(c);
    D3 d = Sub(end, start);
    const D3 mid = {start.x + d.x / 2.0, start.y + d.y / 2.0, start.z + d.z / 2.0};
    const double len = std::sqrt(Dot(d, d));
    double k = 0.0;
    if (len != 0.0) {
        d = {d.x / len, d.y / len, d.z / len};
        k = len / 2.0;
    }
    const D3 D = Sub(centre, mid);
    const double hh = h;
    const D3 ad = {std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)};
    // Face axes first, then the three edge-cross axes; equality (touching) is a hit.
    if (std::fabs(D.x) > hh + ad.x * k) return false;
    if (std::fabs(D.y) > hh + ad.y * k) return false;
    if (std::fabs(D.z) > hh + ad.z * k) return false;
    if (std::fabs(D.y * d.z - D.z * d.y) > hh * ad.z + hh * ad.y) return false;
    if (std::fabs(D.z * d.x - D.x * d.z) > hh * ad.z + hh * ad.x) return false;
    if (std::fabs(D.x * d.y - D.y * d.x) > hh * ad.y + hh * ad.x) return false;
    return true;
}

float RayTriangle(const Vec3& A, const Vec3& B, const Vec3& C, const Vec3& o, const Vec3& d, Vec3& hit) {
    const D3 a = Wide(A), org = Wide(o), dir = Wide(d);
    hit = o;
    const D3 e1 = Sub(Wide(B), a);
    const D3 e2 = Sub(Wide(C), a);
    const D3 n = Cross(e1, e2);
    const double b = Dot(dir, n);
    if (b == 0.0) return -1.0f;  // parallel to the plane
    const double t = Dot(Sub(a, org), n) / b;
    if (!(t >= 0.0)) return static_cast<float>(t);
    const D3 p = {org.x + dir.x * t, org.y + dir.y * t, org.z + dir.z * t};
    Store(hit, p.x, p.y, p.z);
    const D3 w = Sub(p, a);
    const double uu = Dot(e1, e1), uv = Dot(e1, e2), vv = Dot(e2, e2);
    const double wu = Dot(e1, w), wv = Dot(e2, w);
    const double den = vv * uu - uv * uv;
    const double s1 = (vv * wu - wv * uv) / den;
    if (s1 < 0.0) return -1.0f;
    const double s2 = (wv * uu - wu * uv) / den;
    if (s2 < 0.0 || s1 + s2 > 1.0) return -1.0f;
    return static_cast<float>(t);
}

float ArcCosF(float x) {
    const double v = x;
    // Clamped so that a cosine a rounding step beyond +-1 still gives 0 or pi.
    return static_cast<float>(std::atan2(std::sqrt(std::max(0.0, 1.0 - v * v)), v));
}

}  // namespace tv
