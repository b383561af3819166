// The enemy aircraft: four kinds, each a flying model, a wreck and two or three fragments.
//
// Model frame (the aircraft code pitches models 90° about y and then turns them to their
// heading): the nose points along +z, the top of the aircraft along -x, the wings along y.
// The engine exhaust sits at z = -8 (the saucer's five at z = -18, spread across y), where the
// game hangs its flames. VectorA.z is the nose distance, VectorB.x the height of the belly
// below the centre (negative: down in the world once the model is laid level).

#include <algorithm>
#include <cmath>
#include <string>

#include "common/data_paths.h"
#include "dataset.h"
#include "model_build.h"

namespace tv::datagen {

namespace {

enum Material { kHull, kBelly, kGlass, kMetal };

// Points given as (up, span, forward).
V3 P(float up, float span, float fwd) { return {-up, span, fwd}; }

// Lay a z-axis primitive (Tube, Lathe) along the fuselage: it already runs along +z; this
// shifts it up/sideways.
Xform At(float up, float span) { return Xform::Translate(P(up, span, 0)); }

// A flat outline in the (span, forward) plane, extruded `thickness` upwards around `up`.
void Slab(Mesh& m, const std::vector<std::pair<float, float>>& outline, float thickness, float up) {
    Xform place;
    place.m[0][0] = 0, place.m[0][1] = 0, place.m[0][2] = -1;  // local z -> model -x (up)
    place.m[1][0] = 1, place.m[1][1] = 0, place.m[1][2] = 0;   // local x -> span
    place.m[2][0] = 0, place.m[2][1] = 1, place.m[2][2] = 0;   // local y -> forward
    place.t = P(up - thickness / 2, 0, 0);
    m.Extrude(outline, thickness, place);
}

// Undersides take the belly paint.
void PaintBelly(Mesh& m, size_t from) {
    for (size_t i = from; i < m.Triangles().size(); ++i) {
        auto& t = m.Triangles()[i];
        if (t.material == kHull && t.v[0].normal.x > 0.45f) t.material = kBelly;
    }
}

// Vertical tail fin: outline in the (forward, up) plane, thin along span.
void Fin(Mesh& m, const std::vector<std::pair<float, float>>& outline, float thickness, float span, float cantDeg) {
    Xform place;
    place.m[0][0] = 0, place.m[0][1] = -1, place.m[0][2] = 0;  // local y -> up (-x)
    place.m[1][0] = 0, place.m[1][1] = 0, place.m[1][2] = 1;   // local z -> span
    place.m[2][0] = 1, place.m[2][1] = 0, place.m[2][2] = 0;   // local x -> forward
    place.t = {0, span - thickness / 2, 0};
    size_t mark = m.Mark();
    m.Extrude(outline, thickness, place);
    if (cantDeg != 0) m.TransformSince(mark, Xform::Translate({0, span, 0}) * Xform::RotZ(cantDeg) * Xform::Translate({0, -span, 0}));
}

struct Build {
    Mesh mesh;
    V3 vectorA, vectorB;
};

// ---- ground-attack jet: straight wings, weapons under them ----
Build AttackJet(bool wreck) {
    Build b;
    Mesh& m = b.mesh;
    m.material = kHull;
    m.Lathe({{-8.0f, 0.6f}, {-6.5f, 0.85f}, {-3.0f, 1.05f}, {1.5f, 1.1f}, {4.5f, 0.9f}, {6.8f, 0.5f}, {8.0f, 0.05f}}, 12, 1.0f, 0.9f);
    m.material = kMetal;
    size_t mark = m.Mark();
    m.Tube(0, 0, -8.1f, -7.0f, 0.62f, 0.7f, 12, true, false);  // exhaust
    m.TransformSince(mark, At(0.4f, 0));
    for (float side : {1.3f, -1.3f}) {  // intakes on the flanks
        mark = m.Mark();
        m.Tube(0, 0, 0.5f, 2.2f, 0.45f, 0.5f, 10, true, true);
        m.TransformSince(mark, At(0.35f, side));
    }
    m.material = kGlass;
    m.Sphere(P(0.75f, 0, 4.0f), 1.0f, 6, 12, {0.55f, 0.5f, 1.4f});
    m.material = kHull;
    float span = wreck ? 3.5f : 7.2f;  // the wreck has lost most of its right wing
    m.Wing(P(0, 0.9f, 1.8f), {0, 1, 0}, {-1, 0, 0}, 7.2f, 3.4f, 2.1f, 0.4f, 0.45f);
    m.Wing(P(0, -0.9f, 1.8f), {0, -1, 0}, {-1, 0, 0}, span, 3.4f, 2.1f, 0.4f, 0.45f);
    // Tail: fin and stabilisers.
    Fin(m, {{-7.6f, 0.5f}, {-4.6f, 0.5f}, {-6.4f, 3.2f}, {-7.7f, 3.2f}}, 0.22f, 0, wreck ? 18.0f : 0);
    m.Wing(P(0.5f, 0.5f, -5.2f), {0, 1, 0}, {-1, 0, 0}, 3.0f, 2.2f, 1.3f, 0.6f, 0.25f);
    m.Wing(P(0.5f, -0.5f, -5.2f), {0, -1, 0}, {-1, 0, 0}, 3.0f, 2.2f, 1.3f, 0.6f, 0.25f);
    // Weapons under the wings.
    m.material = kMetal;
    for (float side : {3.0f, -3.0f, 5.2f, -5.2f}) {
        if (wreck && side < -3.5f) continue;
        mark = m.Mark();
        m.Lathe({{-1.2f, 0.0f}, {-1.0f, 0.22f}, {0.8f, 0.22f}, {1.3f, 0.0f}}, 8);
        m.TransformSince(mark, Xform::Translate(P(-0.55f, side, 0.6f)));
    }
    b.vectorA = {0.5f, 0, 8.0f};
    b.vectorB = {-1.3f, 0, 0};
    return b;
}

// ---- flying-wing stealth bomber ----
Build StealthWing(bool wreck) {
    Build b;
    Mesh& m = b.mesh;
    m.material = kHull;
    std::vector<std::pair<float, float>> half = {{0, 7.5f}, {9.8f, -3.2f}, {7.0f, -6.0f}, {4.2f, -3.6f}, {1.6f, -8.0f}};
    if (wreck) half = {{0, 7.0f}, {6.0f, 0.2f}, {5.1f, -2.0f}, {4.2f, -3.6f}, {1.6f, -7.6f}};
    std::vector<std::pair<float, float>> outline;
    for (auto& p : half) outline.push_back(p);
    outline.push_back({0.0f, -8.0f});
    for (int i = static_cast<int>(half.size()) - 1; i >= 1; --i) outline.push_back({-half[i].first, half[i].second});
    // Extrude wants counter-clockwise in (span, forward): the list above runs clockwise.
    std::reverse(outline.begin(), outline.end());
    Slab(m, outline, 0.5f, 0);
    // Centre body and cockpit hump.
    m.Sphere(P(0.1f, 0, 0.5f), 1.0f, 6, 14, {0.9f, 2.6f, 6.5f});
    m.material = kGlass;
    m.Sphere(P(0.75f, 0, 3.2f), 1.0f, 5, 10, {0.35f, 0.9f, 1.3f});
    m.material = kMetal;
    size_t mark = m.Mark();
    m.Tube(0, 0, -8.1f, -6.4f, 0.5f, 0.6f, 10, true, false);
    m.TransformSince(mark, Xform::Translate(P(0.4f, 0, 0)) * Xform::Scale({0.6f, 1.8f, 1}));
    b.vectorA = {0.4f, 0, 7.5f};
    b.vectorB = {-1.0f, 0, 0};
    return b;
}

// ---- swept-wing fighter ----
Build Fighter(bool wreck) {
    Build b;
    Mesh& m = b.mesh;
    m.material = kHull;
    m.Lathe({{-8.0f, 0.55f}, {-5.0f, 0.9f}, {0.0f, 0.95f}, {3.5f, 0.75f}, {6.5f, 0.35f}, {8.6f, 0.02f}}, 12, 0.95f, 1.0f);
    m.material = kGlass;
    m.Sphere(P(0.65f, 0, 3.2f), 1.0f, 6, 12, {0.5f, 0.45f, 1.6f});
    m.material = kHull;
    float span = wreck ? 2.2f : 5.2f;
    m.Wing(P(0, 0.8f, 1.0f), {0, 1, 0}, {-1, 0, 0}, 5.2f, 5.2f, 1.2f, 3.8f, 0.35f);
    m.Wing(P(0, -0.8f, 1.0f), {0, -1, 0}, {-1, 0, 0}, span, 5.2f, 1.2f, 3.8f, 0.35f);
    // Twin canted fins and small tailplanes.
    for (float side : {0.7f, -0.7f}) {
        if (wreck && side < 0) continue;
        Fin(m, {{-7.8f, 0.4f}, {-4.8f, 0.4f}, {-6.8f, 2.6f}, {-7.9f, 2.6f}}, 0.18f, side, side > 0 ? -14.0f : 14.0f);
    }
    m.Wing(P(0, 0.6f, -5.6f), {0, 1, 0}, {-1, 0, 0}, 2.4f, 2.0f, 0.8f, 1.2f, 0.2f);
    m.Wing(P(0, -0.6f, -5.6f), {0, -1, 0}, {-1, 0, 0}, 2.4f, 2.0f, 0.8f, 1.2f, 0.2f);
    m.material = kMetal;
    size_t mark = m.Mark();
    m.Tube(0, 0, -8.15f, -7.2f, 0.5f, 0.58f, 12, true, false);
    m.TransformSince(mark, At(0.4f, 0));
    for (float side : {0.95f, -0.95f}) {  // intakes under the wing roots
        mark = m.Mark();
        m.Tube(0, 0, -1.0f, 2.0f, 0.4f, 0.45f, 8, true, true);
        m.TransformSince(mark, At(-0.45f, side));
    }
    b.vectorA = {0.5f, 0, 8.6f};
    b.vectorB = {-1.2f, 0, 0};
    return b;
}

// ---- the saucer boss ----
Build Saucer(bool wreck) {
    Build b;
    Mesh& m = b.mesh;
    // Built with z up and turned so that up becomes -x and the old +x the nose (+z).
    Mesh disc;
    disc.material = kHull;
    disc.Lathe({{-1.8f, 0.0f}, {-1.7f, 6.0f}, {-0.9f, 14.0f}, {0.0f, 17.6f}, {0.5f, 15.0f}, {1.5f, 9.5f}, {2.2f, 5.5f}}, 32);
    disc.material = kGlass;
    disc.Lathe({{2.2f, 5.5f}, {3.4f, 4.2f}, {4.3f, 2.0f}, {4.6f, 0.0f}}, 24);
    disc.material = kMetal;
    disc.Tube(0, 0, -0.35f, 0.35f, 17.8f, 17.8f, 32, false, false);  // rim band
    if (wreck) Crumple(disc, 1.2f, 99);
    Xform up = Xform::RotY(-90);  // z -> -x, x -> z
    size_t mark = m.Mark();
    m.Append(disc);
    m.TransformSince(mark, up);
    // Five engine pods across the back.
    m.material = kMetal;
    for (int k = -2; k <= 2; ++k) {
        if (wreck && k == 2) continue;
        mark = m.Mark();
        m.Tube(0, 0, -18.3f, -13.0f, 0.9f, 1.1f, 10, true, true);
        m.TransformSince(mark, At(0.4f, 3.5f * k));
    }
    for (auto& t : m.Triangles())
        if (t.material == kHull && t.v[0].normal.x > 0.45f) t.material = kBelly;
    b.vectorA = {1.0f, 0, 17.6f};
    b.vectorB = {-2.0f, 0, 0};
    return b;
}

// ---- wreck fragments, centred on their own origin ----
// A torn panel: a trapezoid whose inboard edge is ripped into a jagged line.
std::vector<std::pair<float, float>> TornOutline(float span, float chord, uint32_t seed) {
    std::vector<std::pair<float, float>> o = {{span / 2, chord / 2}, {span / 2, -chord * 0.2f}};  // tip edge
    const int teeth = 7;
    for (int k = 0; k <= teeth; ++k) {  // torn edge, from the trailing corner back to the leading corner
        float t = float(k) / teeth;
        float jag = (k % 2 ? 0.35f : 0.0f) + 0.25f * Hash01(k, seed);
        o.push_back({-span / 2 + jag * span * 0.25f, -chord / 2 + t * chord});
    }
    // Counter-clockwise in (span, forward): tip top, tip bottom, then the torn side upwards.
    std::vector<std::pair<float, float>> ccw = {o[1], o[0]};
    for (size_t i = o.size() - 1; i >= 2; --i) ccw.push_back(o[i]);
    return ccw;
}

Mesh WingPiece(float span, float chord, uint32_t seed) {
    Mesh m;
    m.material = kHull;
    Slab(m, TornOutline(span, chord, seed), 0.35f, 0);
    Crumple(m, 0.2f, seed);
    PaintBelly(m, 0);
    return m;
}

Mesh TailPiece(float height, uint32_t seed) {
    Mesh m;
    m.material = kHull;
    auto torn = TornOutline(height, 2.6f, seed);
    std::vector<std::pair<float, float>> fin;  // (forward, up) for Fin
    for (auto [a, b] : torn) fin.push_back({b, a});
    std::reverse(fin.begin(), fin.end());  // swapping the axes mirrors: restore the winding
    Fin(m, fin, 0.2f, 0, 0);
    Crumple(m, 0.15f, seed);
    return m;
}

Mesh HullPiece(float length, float radius, uint32_t seed) {
    Mesh m;
    m.material = kHull;
    m.Lathe({{-length / 2, radius * 0.7f}, {0, radius}, {length / 2, radius * 0.6f}}, 8);
    m.material = kMetal;
    m.Tube(0, 0, -length / 2 - 0.3f, -length / 2, radius * 0.5f, radius * 0.7f, 8, true, false);
    Crumple(m, 0.3f, seed);
    PaintBelly(m, 0);
    return m;
}

Mesh SaucerPiece(float size, uint32_t seed) {
    Mesh m;
    m.material = kHull;
    std::vector<std::pair<float, float>> shard = {{0, 0}, {size, -0.3f * size}, {size * 1.1f, size * 0.4f}, {size * 0.3f, size * 0.6f}};
    Slab(m, shard, 0.6f, 0);
    m.material = kMetal;
    m.Box(P(0.4f, size * 0.5f, size * 0.1f), {0.6f, 1.2f, 1.2f});
    Crumple(m, 0.4f, seed);
    return m;
}

// ---- paint ----
struct Scheme {
    Rgba hullA, hullB, belly, glass, metal;
    float camoScale;
    bool lights = false;  // the saucer: rings of lamps on its underside
};

// Roundels on the upper wings, in the hull cell's coordinates (see RoundelsFor).
struct Roundel {
    float s, r, radius;
};

Rgba AircraftPattern(const Scheme& sc, bool burnt, int material, float s, float r, uint32_t seed,
                     const std::vector<Roundel>& roundels = {}) {
    float n = Fbm2(s * 5, r * 5, seed + material, 4);
    float fine = ValueNoise2(s * 64, r * 64, seed + 9);
    Rgba c;
    switch (material) {
        case kHull: {
            float camo = Fbm2(s * sc.camoScale, r * sc.camoScale, seed + 40, 3);
            c = camo > 0.52f ? sc.hullA : sc.hullB;
            for (const Roundel& d : roundels) {
                float q = std::hypot(s - d.s, r - d.r) / d.radius;
                if (q < 1) c = q < 0.35f ? Rgba{0.75f, 0.12f, 0.1f, 1} : (q < 0.7f ? Rgba{0.9f, 0.88f, 0.82f, 1} : Rgba{0.75f, 0.12f, 0.1f, 1});
            }
            break;
        }
        case kBelly: {
            c = sc.belly;
            if (sc.lights) {
                // Seen from below the disc fills the cell: panel rings, a ring of lamps and a
                // glowing core.
                float dx = s - 0.5f, dy = r - 0.5f, d = std::sqrt(dx * dx + dy * dy);
                if (std::fabs(std::fmod(d * 12, 1.0f) - 0.5f) > 0.46f) c = Scale(c, 0.7f);
                float a = std::atan2(dy, dx);
                float lamp = std::fabs(d - 0.3f) < 0.025f && std::fabs(std::fmod(a * 12 / 6.2832f + 12.5f, 1.0f) - 0.5f) < 0.18f ? 1.0f : 0.0f;
                c = Mix(c, {0.5f, 0.95f, 1.0f, 1}, lamp);
                c = Mix(c, {1.0f, 0.7f, 0.3f, 1}, SmoothStep(0.09f, 0.05f, d));
            }
            break;
        }
        case kGlass: {
            // Dark glass with a sky reflection towards the top.
            c = Mix(sc.glass, {0.55f, 0.7f, 0.85f, 1}, 0.5f * SmoothStep(0.6f, 0.0f, r));
            break;
        }
        default: c = sc.metal; break;
    }
    // Panel lines and grime.
    if (material != kGlass) {
        if (std::fmod(s * 9 + 0.02f, 1.0f) < 0.04f || std::fmod(r * 7 + 0.03f, 1.0f) < 0.035f) c = Scale(c, 0.72f);
        c = Scale(c, 0.9f + 0.2f * n + 0.05f * fine);
    }
    if (burnt) {
        float soot = Fbm2(s * 4 + 3, r * 4 - 1, seed + 77, 5);
        c = Mix(c, {0.05f, 0.045f, 0.04f, 1}, SmoothStep(0.3f, 0.6f, soot) * 0.85f);
        float ember = SmoothStep(0.72f, 0.8f, soot) * SmoothStep(0.5f, 0.9f, fine);
        c = Mix(c, {0.8f, 0.3f, 0.05f, 1}, ember * 0.7f);
    }
    c.a = 1;
    return c;
}

struct Kind {
    std::string_view folder;  // with trailing backslash
    std::string_view flying, wreck;
    std::string texture;       // flying model's texture file name (also bound to fragments)
    std::string wreckTexture;  // scorched paint for the wreck
    Scheme scheme;
    uint32_t seed;
};

const AtlasLayout kAtlas = [] {
    AtlasLayout a;
    a.texturePixels = 512;
    a.darkest = 0.62f;  // mostly seen from below, against a bright sky: keep the bellies readable
    return a;
}();

// Light from above and a little ahead, in the model frame (up is -x).
constexpr V3 kLight{-0.85f, 0.3f, 0.45f};

// Where points of the upper wing surface land in the hull cell: AssignAtlasUv projects faces
// that look along x onto (y, z) of the model's bounds, rows running against z.
std::vector<Roundel> RoundelsFor(const Mesh& mesh, std::initializer_list<std::pair<float, float>> spanAndZ, float radius) {
    V3 lo, hi;
    mesh.Bounds(lo, hi);
    V3 ext = hi - lo;
    float extent = std::max({ext.x, ext.y, ext.z});
    std::vector<Roundel> out;
    for (auto [y, z] : spanAndZ) out.push_back({(y - lo.y) / extent, 1 - (z - lo.z) / extent, radius / extent});
    return out;
}

ModelFile Finish(Build b, const std::string& texture) {
    PaintBelly(b.mesh, 0);
    AssignAtlasUv(b.mesh, kAtlas, kLight);
    ModelFile m = StaticModel(b.mesh, {texture}, b.vectorA, b.vectorB);
    m.Static = 0;
    return m;
}

ModelFile Piece(Mesh mesh, const std::string& texture, const Build& owner) {
    // A patch of the hull cell with plain paint, clear of the wing roundels.
    AtlasLayout middle = kAtlas;
    middle.windowLo = 0.25f;
    middle.windowHi = 0.45f;
    AssignAtlasUv(mesh, middle, kLight);
    ModelFile m = StaticModel(mesh, {texture}, owner.vectorA, owner.vectorB);
    m.Static = 0;
    return m;
}

std::string Folder(std::string_view path) { return std::string(path.substr(0, path.rfind('\\') + 1)); }
std::string FileName(std::string_view path) { return std::string(path.substr(path.rfind('\\') + 1)); }

}  // namespace

void GenerateAircraft(DataWriter& out) {
    const Scheme attack{{0.33f, 0.37f, 0.22f, 1}, {0.42f, 0.36f, 0.24f, 1}, {0.62f, 0.68f, 0.72f, 1}, {0.1f, 0.14f, 0.18f, 1}, {0.25f, 0.25f, 0.26f, 1}, 3.5f};
    const Scheme stealth{{0.22f, 0.23f, 0.26f, 1}, {0.27f, 0.28f, 0.31f, 1}, {0.26f, 0.27f, 0.31f, 1}, {0.25f, 0.2f, 0.1f, 1}, {0.12f, 0.12f, 0.13f, 1}, 2.0f};
    const Scheme fighter{{0.45f, 0.50f, 0.56f, 1}, {0.33f, 0.38f, 0.45f, 1}, {0.72f, 0.75f, 0.78f, 1}, {0.1f, 0.12f, 0.16f, 1}, {0.3f, 0.3f, 0.32f, 1}, 5.0f};
    const Scheme saucer{{0.62f, 0.64f, 0.68f, 1}, {0.55f, 0.57f, 0.62f, 1}, {0.45f, 0.47f, 0.52f, 1}, {0.3f, 0.75f, 0.95f, 1}, {0.28f, 0.3f, 0.34f, 1}, 1.5f, true};

    auto paint = [&](const std::string& path, const Scheme& sc, bool burnt, uint32_t seed, const std::vector<Roundel>& roundels = {}) {
        out.PutJpeg(path, PaintAtlas(kAtlas, [&](int mat, float s, float r) { return AircraftPattern(sc, burnt, mat, s, r, seed, roundels); }));
    };

    // Kind 1: ground-attack jet.
    {
        std::string folder = Folder(paths::kSu25Model), tex = FileName(paths::kSu25Texture);
        Build fly = AttackJet(false), wr = AttackJet(true);
        Crumple(wr.mesh, 0.35f, 11);
        out.PutModel(paths::kSu25Model, Finish(fly, tex));
        out.PutModel(paths::kSu25Wreck, Finish(wr, "su25burnt.jpg"));
        out.PutModel(paths::kSu25Fragments[0], Piece(WingPiece(3.6f, 2.4f, 12), tex, fly));
        out.PutModel(paths::kSu25Fragments[1], Piece(TailPiece(2.8f, 13), tex, fly));
        out.PutModel(paths::kSu25Fragments[2], Piece(HullPiece(4.0f, 0.9f, 14), tex, fly));
        auto roundels = RoundelsFor(fly.mesh, {{5.6f, 0.2f}, {-5.6f, 0.2f}}, 1.0f);
        paint(std::string(paths::kSu25Texture), attack, false, 100, roundels);
        paint(folder + "su25burnt.jpg", attack, true, 100, roundels);
    }
    // Kind 2: flying wing.
    {
        std::string folder = Folder(paths::kStealthModel), tex = FileName(paths::kStealthTexture);
        Build fly = StealthWing(false), wr = StealthWing(true);
        Crumple(wr.mesh, 0.4f, 21);
        out.PutModel(paths::kStealthModel, Finish(fly, tex));
        out.PutModel(paths::kStealthWreck, Finish(wr, "stealthburnt.jpg"));
        out.PutModel(paths::kStealthFragments[0], Piece(WingPiece(4.5f, 3.5f, 22), tex, fly));
        out.PutModel(paths::kStealthFragments[1], Piece(SaucerPiece(3.0f, 23), tex, fly));
        out.PutModel(paths::kStealthFragments[2], Piece(HullPiece(3.0f, 0.8f, 24), tex, fly));
        paint(std::string(paths::kStealthTexture), stealth, false, 200);
        paint(folder + "stealthburnt.jpg", stealth, true, 200);
    }
    // Kind 3: swept-wing fighter.
    {
        std::string folder = Folder(paths::kFighterModel), tex = FileName(paths::kFighterTexture);
        Build fly = Fighter(false), wr = Fighter(true);
        Crumple(wr.mesh, 0.35f, 31);
        out.PutModel(paths::kFighterModel, Finish(fly, tex));
        out.PutModel(paths::kFighterWreck, Finish(wr, "fighterburnt.jpg"));
        out.PutModel(paths::kFighterFragments[0], Piece(WingPiece(3.0f, 3.0f, 32), tex, fly));
        out.PutModel(paths::kFighterFragments[1], Piece(TailPiece(2.4f, 33), tex, fly));
        auto roundels = RoundelsFor(fly.mesh, {{3.7f, -1.9f}, {-3.7f, -1.9f}}, 0.8f);
        paint(std::string(paths::kFighterTexture), fighter, false, 300, roundels);
        paint(folder + "fighterburnt.jpg", fighter, true, 300, roundels);
    }
    // Kind 4: the saucer. Its fragments are drawn with the saucer paint kept beside the
    // fighter's; the saucer's own folder holds its flying and scorched paint.
    {
        std::string folder = Folder(paths::kBossModel);
        Build fly = Saucer(false), wr = Saucer(true);
        out.PutModel(paths::kBossModel, Finish(fly, "saucer.jpg"));
        out.PutModel(paths::kBossWreck, Finish(wr, "saucerburnt.jpg"));
        out.PutModel(paths::kBossFragments[0], Piece(SaucerPiece(5.0f, 42), "saucer.jpg", fly));
        out.PutModel(paths::kBossFragments[1], Piece(HullPiece(5.0f, 1.1f, 43), "saucer.jpg", fly));
        paint(folder + "saucer.jpg", saucer, false, 400);
        paint(folder + "saucerburnt.jpg", saucer, true, 400);
        paint(std::string(paths::kSaucerTexture), saucer, false, 400);
    }
}

}  // namespace tv::datagen
