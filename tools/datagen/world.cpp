// The level: terrain, its texture, the map models, water, the emitters, and the level file
// that places them.
//
// The turret stands at (500, 500, 0) on a flat patch in the middle of a 1000 x 1000 map;
// rolling hills rise towards the edges and two hollows hold ponds.

#include <algorithm>
#include <cmath>
#include <string>

#include "common/data_paths.h"
#include "dataset.h"
#include "model_build.h"
#include "world/level_file.h"
#include "world/particle_file.h"
#include "world/terrain_file.h"

namespace tv::datagen {

namespace {

constexpr int kGrid = 128;
constexpr float kSide = 1000.0f;
constexpr float kCell = kSide / kGrid;
constexpr float kWaterLevel = -1.0f;

struct Pond {
    float x, y, radius, depth;
};
constexpr Pond kPonds[2] = {{355, 655, 46, 4.0f}, {650, 370, 38, 3.5f}};

float HillHeight(float x, float y) {
    float dx = x - 500, dy = y - 500;
    float r = std::sqrt(dx * dx + dy * dy);
    float flat = SmoothStep(45.0f, 170.0f, r);  // the turret's patch is exactly level
    float hills = Fbm2(x / 170.0f, y / 170.0f, 5151, 5);
    float ridge = 1 - std::fabs(Fbm2(x / 260.0f + 7, y / 260.0f - 3, 6161, 3) * 2 - 1);
    float amplitude = 7 + 55 * SmoothStep(230.0f, 520.0f, r);
    float h = flat * amplitude * std::max(0.0f, hills - 0.28f) * 1.6f + flat * SmoothStep(300.0f, 560.0f, r) * ridge * 18;
    for (const Pond& p : kPonds) {
        float d = std::sqrt((x - p.x) * (x - p.x) + (y - p.y) * (y - p.y));
        h *= SmoothStep(p.radius * 0.9f, p.radius * 1.8f, d);  // level ground round the pond
        if (d < p.radius) {
            float q = d / p.radius;
            h -= p.depth * (1 - q * q);
        }
    }
    return h;
}

struct Terrain {
    std::vector<float> heights;  // (kGrid + 1)^2, index i * (kGrid + 1) + j
    float At(int i, int j) const { return heights[static_cast<size_t>(i) * (kGrid + 1) + j]; }
    // Height on the drawn triangles (A: (i,j) (i,j+1) (i+1,j); B: the other half).
    float Ground(float x, float y) const {
        float fx = std::clamp(x / kCell, 0.0f, kGrid - 1e-3f), fy = std::clamp(y / kCell, 0.0f, kGrid - 1e-3f);
        int i = static_cast<int>(fx), j = static_cast<int>(fy);
        float u = fx - i, v = fy - j;
        if (u + v <= 1) return At(i, j) + (At(i + 1, j) - At(i, j)) * u + (At(i, j + 1) - At(i, j)) * v;
        return At(i + 1, j + 1) + (At(i, j + 1) - At(i + 1, j + 1)) * (1 - u) + (At(i + 1, j) - At(i + 1, j + 1)) * (1 - v);
    }
    V3 Normal(float x, float y) const {
        float e = kCell;
        return Normalised(V3{Ground(x - e, y) - Ground(x + e, y), Ground(x, y - e) - Ground(x, y + e), 2 * e});
    }
};

Terrain MakeTerrain() {
    Terrain t;
    t.heights.resize(static_cast<size_t>(kGrid + 1) * (kGrid + 1));
    for (int i = 0; i <= kGrid; ++i)
        for (int j = 0; j <= kGrid; ++j) t.heights[static_cast<size_t>(i) * (kGrid + 1) + j] = HillHeight(i * kCell, j * kCell);
    return t;
}

// Cart tracks from the edge of the turret's pad to the hamlet and the windmill (they start a
// little way off: right under the eye the ground's big texels would show).
struct Segment {
    float x0, y0, x1, y1;
};
constexpr Segment kTracks[] = {{511, 535, 528, 585}, {528, 585, 545, 645}, {545, 645, 600, 662},
                               {528, 585, 478, 690}, {478, 690, 458, 762}};

float DistanceToTracks(float x, float y) {
    float best = 1e9f;
    for (const Segment& s : kTracks) {
        float dx = s.x1 - s.x0, dy = s.y1 - s.y0;
        float t = std::clamp(((x - s.x0) * dx + (y - s.y0) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
        best = std::min(best, std::hypot(x - s.x0 - t * dx, y - s.y0 - t * dy));
    }
    return best;
}

// Ploughed fields by the hamlet: centre, half size, angle.
struct Field {
    float x, y, halfW, halfH, angleDeg;
    Rgba a, b;
};
const Field kFields[] = {{700, 640, 42, 26, 20, {0.62f, 0.55f, 0.25f, 1}, {0.52f, 0.45f, 0.2f, 1}},
                         {655, 730, 30, 22, -12, {0.38f, 0.3f, 0.2f, 1}, {0.3f, 0.24f, 0.16f, 1}},
                         {405, 700, 28, 20, 35, {0.45f, 0.55f, 0.2f, 1}, {0.38f, 0.47f, 0.16f, 1}}};

// The whole map on one texture, with the sun's light baked in (the game draws the ground
// unlit). Column = x, row = y, both 0..1000.
Image TerrainImage(const Terrain& t) {
    const int size = 2048;
    Image img(size, size);
    V3 sun = Normalised(V3{1000 - 500, 1000 - 500, 500});
    for (int row = 0; row < size; ++row)
        for (int col = 0; col < size; ++col) {
            float x = (col + 0.5f) * kSide / size, y = (row + 0.5f) * kSide / size;
            float h = t.Ground(x, y);
            V3 n = t.Normal(x, y);
            float slope = 1 - n.z;
            float n1 = Fbm2(x / 40, y / 40, 71, 4), n2 = Fbm2(x / 6, y / 6, 72, 3), n3 = ValueNoise2(x * 1.3f, y * 1.3f, 73);
            Rgba grass = Mix({0.23f, 0.36f, 0.12f, 1}, {0.38f, 0.46f, 0.17f, 1}, n1);
            grass = Mix(grass, {0.45f, 0.42f, 0.22f, 1}, SmoothStep(0.62f, 0.8f, Fbm2(x / 90, y / 90, 74, 3)) * 0.7f);
            Rgba c = Scale(grass, 0.85f + 0.25f * n2 + 0.08f * n3);
            // Dirt round the turret's pad and bare rock on steep or high ground.
            float dx = x - 500, dy = y - 500, r = std::sqrt(dx * dx + dy * dy);
            c = Mix(c, Scale(Rgba{0.45f, 0.38f, 0.28f, 1}, 0.85f + 0.3f * n2), SmoothStep(40.0f, 22.0f, r + 12 * n1));
            Rgba rock = Scale(Rgba{0.46f, 0.44f, 0.41f, 1}, 0.8f + 0.35f * n2);
            c = Mix(c, rock, std::max(SmoothStep(0.28f, 0.5f, slope + 0.15f * n1), SmoothStep(38.0f, 55.0f, h + 10 * n1)));
            // Fields in rows, then the tracks with their ruts.
            for (const Field& f : kFields) {
                float a = f.angleDeg * 3.14159265f / 180, lx = (x - f.x) * std::cos(a) + (y - f.y) * std::sin(a);
                float ly = -(x - f.x) * std::sin(a) + (y - f.y) * std::cos(a);
                float inside = SmoothStep(1.5f, 0.0f, std::fabs(lx) - f.halfW) * SmoothStep(1.5f, 0.0f, std::fabs(ly) - f.halfH);
                if (inside > 0) {
                    float rows = 0.5f + 0.5f * std::sin(ly * 2.2f);
                    c = Mix(c, Scale(Mix(f.b, f.a, rows), 0.9f + 0.2f * n2), inside * 0.9f);
                }
            }
            float track = DistanceToTracks(x + 2 * (n1 - 0.5f), y);
            if (track < 4) {
                float rut = std::fabs(std::fabs(track) - 0.9f) < 0.25f ? 0.88f : 1.0f;
                c = Mix(c, Scale(Rgba{0.52f, 0.44f, 0.31f, 1}, rut * (0.85f + 0.3f * n2)), SmoothStep(3.5f, 1.8f, track));
            }
            // Mud banks and dark pond beds.
            c = Mix(c, Scale(Rgba{0.36f, 0.31f, 0.22f, 1}, 0.85f + 0.3f * n2), SmoothStep(0.4f, -0.6f, h));
            c = Mix(c, Scale(Rgba{0.10f, 0.16f, 0.16f, 1}, 0.8f + 0.4f * n2), SmoothStep(kWaterLevel + 0.2f, kWaterLevel - 1.0f, h));
            float light = 0.55f + 0.6f * std::max(0.0f, Dot(n, sun));
            img.At(col, row) = Scale(c, light);
        }
    return img;
}

TerrainFile MakeTerrainFile(const Terrain& t) {
    TerrainFile f;
    f.GridSize = kGrid;
    f.Size = kSide;
    f.Heights = t.heights;
    f.TexCoords.reserve(static_cast<size_t>(kGrid) * kGrid * 12);
    auto uv = [&](int i, int j) {
        f.TexCoords.push_back(float(i) / kGrid);
        f.TexCoords.push_back(float(j) / kGrid);
    };
    for (int i = 0; i < kGrid; ++i)
        for (int j = 0; j < kGrid; ++j) {
            uv(i, j), uv(i, j + 1), uv(i + 1, j);          // triangle A
            uv(i, j + 1), uv(i + 1, j + 1), uv(i + 1, j);  // triangle B
        }
    f.TextureNames = {"ground.jpg"};
    f.TextureNameCount = 1;
    f.TextureName = "ground.jpg";
    return f;
}

// ---- map models ----

enum VillageMaterial { kPlaster, kRoof, kWood, kStone, kStraw, kVillageMaterials };

Rgba VillagePattern(int material, float s, float r) {
    float n = Fbm2(s * 6, r * 6, 901 + material, 4), fine = ValueNoise2(s * 90, r * 90, 950 + material);
    switch (material) {
        case kPlaster: {
            Rgba c = Mix({0.78f, 0.74f, 0.64f, 1}, {0.88f, 0.84f, 0.74f, 1}, n);
            // Windows in a grid, with frames.
            float wx = std::fmod(s * 5, 1.0f), wy = std::fmod(r * 3, 1.0f);
            if (wx > 0.3f && wx < 0.7f && wy > 0.3f && wy < 0.75f) {
                bool frame = wx < 0.34f || wx > 0.66f || wy < 0.35f || wy > 0.7f || std::fabs(wx - 0.5f) < 0.02f;
                c = frame ? Rgba{0.35f, 0.22f, 0.12f, 1} : Mix({0.12f, 0.16f, 0.22f, 1}, {0.45f, 0.55f, 0.65f, 1}, 0.4f * (1 - wy));
            }
            return Scale(c, 0.92f + 0.1f * fine);
        }
        case kRoof: {
            float rowTile = std::fmod(r * 24, 1.0f);
            float shade = rowTile < 0.15f ? 0.65f : 1.0f;
            Rgba c = Mix({0.48f, 0.18f, 0.12f, 1}, {0.62f, 0.28f, 0.18f, 1}, n);
            return Scale(c, shade * (0.9f + 0.15f * fine));
        }
        case kWood: {
            float plank = std::fmod(s * 14, 1.0f);
            Rgba c = Mix({0.34f, 0.23f, 0.13f, 1}, {0.48f, 0.34f, 0.2f, 1}, Fbm2(s * 14, r * 1.5f, 977, 3));
            return Scale(c, (plank < 0.06f ? 0.6f : 1.0f) * (0.9f + 0.15f * fine));
        }
        case kStraw: {
            // Rolled straw: fine fibres along s, wound in rings.
            float fibre = ValueNoise2(s * 6, r * 120, 990);
            Rgba c = Mix({0.72f, 0.6f, 0.3f, 1}, {0.86f, 0.76f, 0.45f, 1}, 0.5f * n + 0.5f * fibre);
            return Scale(c, std::fmod(r * 14, 1.0f) < 0.08f ? 0.75f : 1.0f);
        }
        default: {
            // Stone blocks.
            float by = std::fmod(r * 10, 1.0f), bx = std::fmod(s * 6 + (static_cast<int>(r * 10) % 2) * 0.5f, 1.0f);
            Rgba c = Mix({0.45f, 0.44f, 0.42f, 1}, {0.62f, 0.6f, 0.56f, 1}, n);
            return Scale(c, (by < 0.08f || bx < 0.05f ? 0.6f : 1.0f) * (0.9f + 0.15f * fine));
        }
    }
}

Rgba RockPattern(int material, float s, float r) {
    float n = Fbm2(s * 7, r * 7, 1201 + material, 5), fine = ValueNoise2(s * 70, r * 70, 1250);
    Rgba c = Mix({0.5f, 0.48f, 0.45f, 1}, {0.74f, 0.72f, 0.67f, 1}, n);
    if (material == 1) c = Mix(c, {0.25f, 0.35f, 0.15f, 1}, SmoothStep(0.45f, 0.65f, n));  // moss
    return Scale(c, 0.85f + 0.2f * fine);
}

const V3 kSunLight{0.57f, 0.57f, 0.56f};

AtlasLayout Atlas(int pixels) {
    AtlasLayout a;
    a.texturePixels = pixels;
    return a;
}

AtlasLayout VillageAtlas() {
    AtlasLayout a = Atlas(512);
    a.materials = kVillageMaterials;
    return a;
}

// A gable roof: triangular prism along x over a box of size (w, d), eaves at z0, ridge at z1.
void GableRoof(Mesh& m, float w, float d, float z0, float z1, float overhang) {
    std::vector<std::pair<float, float>> tri = {{-d / 2 - overhang, 0}, {d / 2 + overhang, 0}, {0, z1 - z0}};
    Xform place;  // local x -> y, local y -> z, local z -> x
    place.m[0][0] = 0, place.m[0][1] = 0, place.m[0][2] = 1;
    place.m[1][0] = 1, place.m[1][1] = 0, place.m[1][2] = 0;
    place.m[2][0] = 0, place.m[2][1] = 1, place.m[2][2] = 0;
    place.t = {-w / 2 - overhang, 0, z0};
    m.Extrude(tri, w + 2 * overhang, place);
}

ModelFile House(bool barn) {
    Mesh m;
    float w = barn ? 13 : 9, d = barn ? 8 : 6.5f, h = barn ? 5.5f : 3.6f;
    m.material = kStone;
    m.Box({0, 0, 0.3f}, {w + 0.3f, d + 0.3f, 0.6f});  // footing
    m.material = barn ? kWood : kPlaster;
    m.Box({0, 0, 0.6f + h / 2}, {w, d, h});
    m.material = kRoof;
    GableRoof(m, w, d, 0.6f + h, 0.6f + h + (barn ? 4.2f : 3.0f), 0.5f);
    if (!barn) {
        m.material = kStone;
        m.Box({w * 0.25f, d * 0.2f, 0.6f + h + 2.6f}, {0.8f, 0.8f, 2.8f});  // chimney
    }
    m.material = kWood;
    m.Box({0, -d / 2 - 0.05f, 0.6f + 1.1f}, {barn ? 3.0f : 1.1f, 0.12f, barn ? 3.6f : 2.1f});  // door
    AssignAtlasUv(m, VillageAtlas(), kSunLight);
    return StaticModel(m, {"village.jpg"});
}

ModelFile Rock(uint32_t seed, V3 scale) {
    Mesh m;
    m.material = seed % 2;
    m.Sphere({0, 0, 0}, 1.0f, 6, 9, scale);
    Crumple(m, 0.6f * scale.z, seed);
    for (auto& t : m.Triangles()) {
        if (t.v[0].normal.z > 0.5f) t.material = 1;  // moss on top
        for (auto& v : t.v) v.pos.z = std::max(v.pos.z, -0.4f * scale.z);  // sunk into the ground
    }
    AssignAtlasUv(m, Atlas(256), kSunLight);
    return StaticModel(m, {"rock.jpg"});
}

ModelFile Billboard(float halfWidth, float height, const std::string& texture) {
    ModelFile m;
    m.ModelType = ModelType::Billboard;
    m.ObjectKind = 1;
    m.Billboard.halfWidth = halfWidth;
    m.Billboard.height = height;
    m.TextureNames = {texture};
    m.BoxSize = {halfWidth, halfWidth, height};
    m.BoxCentre = {0, 0, height / 2};
    m.Transparent = 1;
    m.Static = 1;
    return m;
}

// A round straw bale lying on its side (axis along x).
ModelFile HayBale() {
    Mesh m;
    m.material = kStraw;
    m.Tube(0, 0, -0.8f, 0.8f, 0.85f, 0.85f, 12, true, true);
    m.TransformSince(0, Xform::Translate({0, 0, 0.8f}) * Xform::RotY(90));
    AssignAtlasUv(m, VillageAtlas(), kSunLight);
    return StaticModel(m, {"village.jpg"});
}

// Windmill, GPU-skinned: bone 0 the tower, bone 1 the sails. Both bones rest at the origin
// with no rotation, so bone frames and model space agree.
ModelFile Windmill() {
    Mesh m;
    m.bone = 0;
    m.material = kPlaster;
    m.Tube(0, 0, 0, 11, 3.2f, 2.3f, 10, false, false);
    m.material = kRoof;
    m.Tube(0, 0, 11, 14.5f, 2.7f, 0.1f, 10, true, false);
    m.material = kWood;
    m.Box({0, -3.2f, 1.2f}, {1.3f, 0.3f, 2.4f});  // door
    m.bone = 1;
    m.Box({0, -2.9f, 12.0f}, {0.7f, 1.6f, 0.7f});  // hub
    for (int k = 0; k < 4; ++k) {
        size_t mark = m.Mark();
        m.material = kWood;
        m.Box({0, 0, 4.6f}, {0.35f, 0.2f, 9.2f});          // spar
        m.material = kPlaster;
        m.Box({0.9f, 0.05f, 5.6f}, {1.5f, 0.08f, 6.6f});    // sail cloth
        m.TransformSince(mark, Xform::Translate({0, -3.6f, 12.0f}) * Xform::RotY(90.0f * k + 20));
    }
    AssignAtlasUv(m, VillageAtlas(), kSunLight);
    return GpuSkinnedModel(m, {-1, 0}, {RestBone{}, RestBone{}}, {"village.jpg"}, nullptr);
}

// Water tower, CPU-skinned: bone 0 the legs, bone 1 the tank resting 10 above the ground,
// the tank's vertices in its own frame.
ModelFile WaterTower() {
    constexpr float kTankHeight = 10.0f;
    Mesh m;
    m.bone = 0;
    m.material = kWood;
    for (int k = 0; k < 4; ++k) {
        size_t mark = m.Mark();
        m.Box({2.4f, 0, kTankHeight / 2}, {0.45f, 0.45f, kTankHeight + 0.4f});
        m.Box({2.2f, 0, 3.5f}, {0.2f, 3.2f, 0.25f});  // braces
        m.Box({2.0f, 0, 7.0f}, {0.2f, 3.0f, 0.25f});
        m.TransformSince(mark, Xform::RotZ(45.0f + 90.0f * k));
    }
    m.bone = 1;
    m.material = kWood;
    m.Tube(0, 0, 0, 4.5f, 3.3f, 3.3f, 14, true, false);
    m.material = kRoof;
    m.Tube(0, 0, 4.5f, 6.3f, 3.6f, 0.2f, 14, true, false);
    auto toModel = [](const MeshVertex& v) { return v.bone == 1 ? v.pos + V3{0, 0, kTankHeight} : v.pos; };
    AssignAtlasUv(m, VillageAtlas(), kSunLight, toModel);
    std::vector<RestBone> rest(2);
    rest[1].position = {0, 0, kTankHeight};
    return CpuSkinnedModel(m, {-1, 0}, rest, {"village.jpg"}, toModel);
}

// Trees: cut-out RGBA images, the top row at the top of the quad.
struct Blob {
    float x, y, r, z, light;
};

Image TreeImage(int kind) {
    const int w = 256, h = 512;
    Image img(w, h, {0, 0, 0, 0});
    uint32_t seed = 1400 + kind * 17;
    // Leaf clusters inside the crown's ellipse (x across -1..1, y up 0..1).
    std::vector<Blob> blobs;
    Lcg rng(seed);
    const float cy = kind == 2 ? 0.63f : 0.57f, rx = kind == 2 ? 0.5f : 0.72f, ry = kind == 2 ? 0.24f : 0.28f;
    for (int k = 0; k < (kind == 2 ? 34 : 42); ++k) {
        float a = rng.Range(0, 6.2831853f), d = std::sqrt(rng.Uniform());
        Blob b{std::cos(a) * d * rx, cy + std::sin(a) * d * ry, rng.Range(0.14f, 0.26f) * (kind == 2 ? 0.8f : 1.0f), 0, 0};
        b.z = (1 - d) * 0.5f + rng.Range(0, 0.2f);
        b.light = Clamp01(0.5f + b.x * 0.6f + (b.y - cy) * 1.2f);
        blobs.push_back(b);
    }
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
            float px = (x + 0.5f) / w * 2 - 1;  // -1..1 across
            float up = 1 - (row + 0.5f) / h;    // 0 at the bottom, 1 at the top
            Rgba c{0, 0, 0, 0};
            float trunkHalf = kind == 1 ? 0.05f : 0.07f;
            float trunkTop = kind == 1 ? 0.9f : 0.55f;
            if (std::fabs(px) < trunkHalf * (1.2f - up * 0.5f) && up < trunkTop) {
                float bark = ValueNoise2(x * 0.3f, row * 0.05f, seed + 3);
                c = kind == 2 ? (bark > 0.75f ? Rgba{0.15f, 0.14f, 0.12f, 1} : Rgba{0.82f, 0.8f, 0.74f, 1})
                              : Scale(Rgba{0.33f, 0.23f, 0.14f, 1}, 0.8f + 0.4f * bark);
                c.a = 1;
                c = Scale(c, px > 0 ? 1.0f : 0.75f);
            }
            float leaf = 0;
            if (kind == 1) {
                // Pine: stacked tiers narrowing upwards.
                float tier = std::fmod(up * 6, 1.0f);
                float width = (1.0f - up) * 0.95f * (0.55f + 0.45f * (1 - tier));
                float n = Fbm2(x * 0.08f, row * 0.08f, seed, 4);
                leaf = (up > 0.12f && std::fabs(px) < width * (0.8f + 0.4f * n)) ? 1 : 0;
                if (leaf > 0) c = Scale(Mix({0.07f, 0.2f, 0.1f, 1}, {0.16f, 0.32f, 0.16f, 1}, n), 0.75f + 0.35f * (px * 0.5f + 0.5f));
            } else {
                // Broadleaf and birch: a crown of overlapping leaf clusters, each shaded as a
                // ball lit from the upper right.
                float n = Fbm2(x * 0.09f, row * 0.09f, seed, 4);
                float bestDepth = -1, shade = 0;
                for (const Blob& b : blobs) {
                    float dx = (px - b.x) / b.r, dy = (up - b.y) / (b.r * 0.5f);  // the image is twice as tall as wide
                    float d2 = dx * dx + dy * dy;
                    float edge = 1 + 0.35f * (n - 0.5f);
                    if (d2 < edge * edge) {
                        float nz = std::sqrt(std::max(0.0f, 1 - d2 / (edge * edge)));
                        float depth = b.z + nz * b.r;
                        if (depth > bestDepth) {
                            bestDepth = depth;
                            shade = 0.55f + 0.35f * (0.6f * dx * 0.5f + 0.8f * dy * 0.5f + nz * 0.6f) + 0.25f * b.light;
                        }
                    }
                }
                if (bestDepth >= 0) {
                    leaf = 1;
                    float speck = ValueNoise2(x * 0.5f, row * 0.5f, seed + 5);
                    Rgba base = kind == 2 ? Rgba{0.45f, 0.58f, 0.22f, 1} : Rgba{0.2f, 0.38f, 0.12f, 1};
                    c = Scale(base, Clamp01(shade) * (0.8f + 0.35f * speck) + 0.1f);
                }
            }
            if (leaf > 0) c.a = 1;
            img.At(x, row) = c;
        }
    return img;
}

// ---- water and emitters ----

Image WaterImage() {
    // Tileable ripples; drawn additively (source colour squared), so kept dark.
    const int size = 128;
    Image img(size, size);
    for (int row = 0; row < size; ++row)
        for (int x = 0; x < size; ++x) {
            float s = float(x) / size * 4, r = float(row) / size * 4;
            float n = Fbm2(s, r, 1601, 4, 4);
            float ripple = 0.5f + 0.5f * std::sin((n * 6 + s * 0.5f) * 3.14159f);
            Rgba c = Mix({0.18f, 0.33f, 0.45f, 1}, {0.42f, 0.58f, 0.7f, 1}, ripple * 0.6f + n * 0.4f);
            img.At(x, row) = c;
        }
    return img;
}

ParticleFile Campfire() {
    ParticleFile p;
    p.Count = 160;
    p.Colour = {1.0f, 0.55f, 0.2f, 1.0f};
    p.ColourDelta = {-0.45f, -0.4f, -0.15f, -0.8f};
    p.EmitCentre = {0, 0, 0.3f};
    p.TargetCentre = {0, 0, 5.5f};
    p.Speed = 3.5f;
    p.StartSize = 0.9f;
    p.SizeDelta = -0.4f;
    p.EmitSpread = 0.8f;
    p.TargetSpread = 0.3f;
    p.Period = 1.4f;
    p.BlendMode = 0;
    p.TextureName = "fire.jpg";
    return p;
}

ParticleFile ChimneySmoke() {
    ParticleFile p;
    p.Count = 120;
    p.Colour = {0.38f, 0.37f, 0.36f, 0.75f};
    p.ColourDelta = {0.05f, 0.05f, 0.05f, -0.16f};
    p.EmitCentre = {0, 0, 0};
    p.TargetCentre = {4.0f, 2.5f, 15.0f};
    p.Speed = 2.2f;
    p.StartSize = 0.6f;
    p.SizeDelta = 0.9f;
    p.EmitSpread = 0.25f;
    p.TargetSpread = 3.0f;
    p.Period = 4.5f;
    p.BlendMode = 1;
    p.TextureName = "smoke.png";
    return p;
}

ParticleFile SpringSparkle() {
    ParticleFile p;
    p.Count = 200;
    p.Colour = {0.5f, 0.7f, 0.9f, 1.0f};
    p.ColourDelta = {-0.2f, -0.25f, -0.3f, 0.0f};
    p.EmitCentre = {0, 0, -0.5f};
    p.TargetCentre = {0, 0, 4.0f};
    p.Speed = 4.0f;
    p.StartSize = 0.3f;
    p.SizeDelta = 0.1f;
    p.EmitSpread = 1.5f;
    p.TargetSpread = 4.0f;
    p.Period = 2.0f;
    p.BlendMode = 2;
    p.TextureName = "spark.jpg";
    return p;
}

// ---- placement ----

std::array<float, 12> RotationZ(float deg) {
    float a = deg * 3.14159265f / 180, c = std::cos(a), s = std::sin(a);
    return {c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0};
}

LevelObject ModelObject(const std::string& path, V3 at, float yawDeg) {
    LevelObject o;
    o.typeByte = kLevelModel;
    o.kind = 1;
    o.position = {at.x, at.y, at.z};
    o.rotation = RotationZ(yawDeg);
    o.modelPath = path;
    return o;
}

}  // namespace

namespace {

const std::string kMapFolder = "3DOBJEKT\\map\\";

LevelFile MakeLevel(const Terrain& terrain) {
    const std::string& map = kMapFolder;
    LevelFile level;
    auto ground = [&](float x, float y) { return V3{x, y, terrain.Ground(x, y)}; };
    // The hamlet north of the turret.
    const V3 houses[3] = {{548, 655, 0}, {575, 690, 0}, {520, 700, 0}};
    const float houseYaw[3] = {0, -25, 40};  // the first keeps its chimney where the smoke is
    for (int k = 0; k < 3; ++k) level.objects.push_back(ModelObject(map + "house.3dk", ground(houses[k].x, houses[k].y), houseYaw[k]));
    level.objects.push_back(ModelObject(map + "barn.3dk", ground(610, 665), 75));
    level.objects.push_back(ModelObject(map + "windmill.3dk", ground(455, 770), 200));
    level.objects.push_back(ModelObject(map + "watertower.3dk", ground(625, 620), 0));
    // Straw bales on the first field, in a loose row along its furrows.
    {
        const Field& f = kFields[0];
        float a = f.angleDeg * 3.14159265f / 180;
        for (int k = 0; k < 5; ++k) {
            float lx = -f.halfW * 0.7f + k * f.halfW * 0.35f, ly = (k % 2 ? 6.0f : -4.0f);
            float x = f.x + lx * std::cos(a) - ly * std::sin(a), y = f.y + lx * std::sin(a) + ly * std::cos(a);
            level.objects.push_back(ModelObject(map + "haybale.3dk", ground(x, y), f.angleDeg + 90 + 25 * k));
        }
    }
    // Rocks, some by the ponds.
    const float rocks[6][3] = {{395, 640, 0}, {330, 700, 60}, {690, 400, 120}, {300, 420, 200}, {720, 560, 30}, {470, 330, 90}};
    for (int k = 0; k < 6; ++k)
        level.objects.push_back(ModelObject(map + (k % 2 ? "rock2.3dk" : "rock1.3dk"), ground(rocks[k][0], rocks[k][1]), rocks[k][2]));
    // Trees in groves round the field, some in the turret's first view to the north.
    struct Grove {
        float x, y, radius;
        int count;
    };
    const Grove groves[] = {{430, 600, 22, 4}, {690, 730, 30, 4}, {375, 790, 26, 3}, {760, 520, 24, 3},
                            {300, 470, 30, 3}, {540, 380, 20, 2}, {610, 250, 30, 3}};
    Lcg rng(31337);
    for (const Grove& g : groves)
        for (int k = 0; k < g.count; ++k) {
            float ang = 6.2831853f * (k + rng.Uniform() * 0.6f) / g.count, dist = g.radius * (0.3f + 0.7f * rng.Uniform());
            float x = g.x + std::cos(ang) * dist, y = g.y + std::sin(ang) * dist;
            std::string model = map + "tree" + std::to_string(1 + (k + static_cast<int>(g.x)) % 3) + ".3dk";
            V3 at = ground(x, y);
            at.z -= 0.3f;  // roots in the ground, not floating on a slope
            level.objects.push_back(ModelObject(model, at, 0));
        }
    // Ponds.
    for (const Pond& p : kPonds) {
        LevelObject w;
        w.typeByte = kLevelWater;
        w.kind = kLevelWater;
        w.position = {p.x, p.y, kWaterLevel};
        w.rotation = RotationZ(0);
        w.gridPoints = 40.0f;
        w.sideLength = static_cast<int32_t>(p.radius * 2.1f);
        w.damping = 0.97f;
        w.textureName = "water.jpg";
        level.objects.push_back(w);
    }
    // Emitters: a camp fire by the hamlet, smoke from a chimney, a sparkling spring.
    auto emitter = [&](const std::string& file, V3 at) {
        LevelObject e;
        e.typeByte = kLevelEmitter;
        e.kind = kLevelEmitter;
        e.position = {at.x, at.y, at.z};
        e.rotation = RotationZ(0);
        e.particleFile = file;
        level.objects.push_back(e);
    };
    emitter("campfire.kpr", ground(560, 625));
    {
        // Chimney top of the first house: its offset turned by the house's yaw.
        float a = houseYaw[0] * 3.14159265f / 180, cx = 9 * 0.25f, cy = 6.5f * 0.2f;
        V3 base = ground(houses[0].x, houses[0].y);
        emitter("chimney.kpr", {base.x + cx * std::cos(a) - cy * std::sin(a), base.y + cx * std::sin(a) + cy * std::cos(a), base.z + 0.6f + 3.6f + 4.0f});
    }
    emitter("spring.kpr", {kPonds[1].x, kPonds[1].y, kWaterLevel + 0.2f});
    level.objectCount = static_cast<int32_t>(level.objects.size());
    return level;
}

}  // namespace

LevelFile DefaultLevel() { return MakeLevel(MakeTerrain()); }

LevelObject GroundedMapModel(const std::string& modelPath, float x, float y, float yawDeg) {
    const Terrain terrain = MakeTerrain();
    return ModelObject(modelPath, V3{x, y, terrain.Ground(x, y)}, yawDeg);
}

void GenerateWorld(DataWriter& out) {
    Terrain terrain = MakeTerrain();
    out.Put(std::string(paths::kLevel) + std::string(paths::kTerrainSuffix), WriteTerrain(MakeTerrainFile(terrain)));
    out.PutJpeg(std::string(paths::kWorldFolder) + "ground.jpg", TerrainImage(terrain), 85);

    const std::string& map = kMapFolder;
    out.PutModel(map + "house.3dk", House(false));
    out.PutModel(map + "barn.3dk", House(true));
    out.PutModel(map + "rock1.3dk", Rock(7, {3.6f, 2.8f, 2.2f}));
    out.PutModel(map + "rock2.3dk", Rock(8, {6.0f, 4.6f, 3.2f}));
    out.PutModel(map + "tree1.3dk", Billboard(10, 13, "tree1.png"));
    out.PutModel(map + "tree2.3dk", Billboard(8, 16, "tree2.png"));
    out.PutModel(map + "tree3.3dk", Billboard(7, 12, "tree3.png"));
    out.PutModel(map + "windmill.3dk", Windmill());
    out.PutModel(map + "haybale.3dk", HayBale());
    out.PutModel(map + "watertower.3dk", WaterTower());

    out.PutJpeg(map + "village.jpg", PaintAtlas(VillageAtlas(), VillagePattern));
    out.PutJpeg(map + "rock.jpg", PaintAtlas(Atlas(256), RockPattern));
    for (int k = 0; k < 3; ++k) out.PutPng(map + "tree" + std::to_string(k + 1) + ".png", TreeImage(k), true);

    out.PutJpeg(std::string(paths::kWaterFolder) + "water.jpg", WaterImage());
    out.Put(std::string(paths::kParticlesFolder) + "campfire.kpr", WriteParticles(Campfire()));
    out.Put(std::string(paths::kParticlesFolder) + "chimney.kpr", WriteParticles(ChimneySmoke()));
    out.Put(std::string(paths::kParticlesFolder) + "spring.kpr", WriteParticles(SpringSparkle()));
    out.Put(paths::kLevel, WriteLevel(MakeLevel(terrain)));
}

}  // namespace tv::datagen
