#include "model_build.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tv::datagen {

namespace {

Vec3 ToVec(V3 v) { return {v.x, v.y, v.z}; }

std::vector<DrawGroup> Groups(const Mesh& mesh, int count) {
    std::vector<DrawGroup> groups;
    int first = 0;
    for (int n : mesh.GroupCounts(count)) {
        groups.push_back({first, n});
        first += n;
    }
    return groups;
}

ModelFile MeshModel(ModelType type, Mesh& mesh, const std::vector<std::string>& textures,
                    const std::function<V3(const MeshVertex&)>& toModel) {
    mesh.SortByGroup();
    ModelFile m;
    m.ModelType = type;
    m.ObjectKind = 1;
    m.TextureNames = textures;
    m.DrawGroups = Groups(mesh, static_cast<int>(textures.size()));
    for (const MeshTriangle& t : mesh.Triangles()) {
        ModelTriangle mt;
        for (int i = 0; i < 3; ++i) {
            const MeshVertex& v = t.v[i];
            ModelVertex& o = mt.v[i];
            o.position = ToVec(v.pos);
            o.normal = ToVec(v.normal);
            o.s = v.u;
            // Buffered meshes are uploaded with t flipped (1 - t); CPU-skinned ones are sent as stored.
            const bool cpuSkinned = type == ModelType::CpuSkinned;
            o.t = cpuSkinned ? v.row : 1.0f - v.row;
            o.bone = cpuSkinned ? v.bone : 0;
            if (type == ModelType::SkinnedBuffer) o.weights = {BoneWeight{v.bone, 1.0f}, BoneWeight{0, 0.0f}, BoneWeight{0, 0.0f}};
        }
        m.Triangles.push_back(mt);
    }
    V3 lo, hi;
    mesh.Bounds(lo, hi, toModel);
    SetBox(m, lo, hi);
    return m;
}

}  // namespace

void SetBox(ModelFile& model, V3 lo, V3 hi) {
    model.BoxSize = {hi.x - lo.x, hi.y - lo.y, hi.z - lo.z};
    model.BoxCentre = {(hi.x + lo.x) / 2, (hi.y + lo.y) / 2, (hi.z + lo.z) / 2};
}

ModelFile StaticModel(Mesh mesh, const std::vector<std::string>& textures, V3 vectorA, V3 vectorB) {
    ModelFile m = MeshModel(ModelType::StaticBuffer, mesh, textures, nullptr);
    m.BoneParents = {-1};
    m.RestPose = {RestBone{}};
    m.Static = 1;
    m.VectorA = ToVec(vectorA);
    m.VectorB = ToVec(vectorB);
    return m;
}

ModelFile CpuSkinnedModel(Mesh mesh, const std::vector<int32_t>& parents, const std::vector<RestBone>& rest,
                          const std::vector<std::string>& textures,
                          const std::function<V3(const MeshVertex&)>& toModel) {
    ModelFile m = MeshModel(ModelType::CpuSkinned, mesh, textures, toModel);
    m.BoneParents = parents;
    m.RestPose = rest;
    m.Static = 0;
    return m;
}

ModelFile GpuSkinnedModel(Mesh mesh, const std::vector<int32_t>& parents, const std::vector<RestBone>& rest,
                          const std::vector<std::string>& textures,
                          const std::function<V3(const MeshVertex&)>& toModel) {
    ModelFile m = MeshModel(ModelType::SkinnedBuffer, mesh, textures, toModel);
    m.BoneParents = parents;
    m.RestPose = rest;
    m.Static = 0;
    return m;
}

Image PaintAtlas(const AtlasLayout& layout, const std::function<Rgba(int, float, float)>& pattern) {
    const int size = layout.texturePixels;
    Image img(size, size);
    const int cellW = size / layout.shadeLevels, cellH = size / layout.materials;
    for (int m = 0; m < layout.materials; ++m)
        for (int row = 0; row < cellH; ++row)
            for (int x = 0; x < cellW; ++x) {
                // The inner area maps to s, r in [0, 1]; the margin repeats the edge.
                float s = std::clamp((x + 0.5f - layout.marginPixels) / (cellW - 2 * layout.marginPixels), 0.0f, 1.0f);
                float r = std::clamp((row + 0.5f - layout.marginPixels) / (cellH - 2 * layout.marginPixels), 0.0f, 1.0f);
                Rgba base = pattern(m, s, r);
                for (int level = 0; level < layout.shadeLevels; ++level) {
                    float k = ShadeForLevel(level, layout);
                    img.At(level * cellW + x, m * cellH + row) = {base.r * k, base.g * k, base.b * k, base.a};
                }
            }
    return img;
}

void Crumple(Mesh& mesh, float amount, uint32_t seed) {
    auto key = [](float v) {
        uint32_t u;
        float r = std::round(v * 1000.0f) / 1000.0f;
        std::memcpy(&u, &r, 4);
        return u;
    };
    for (auto& t : mesh.Triangles()) {
        for (auto& v : t.v) {
            uint32_t a = key(v.pos.x), b = key(v.pos.y), c = key(v.pos.z);
            v.pos = v.pos + V3{(Hash01(a, b, c, seed) - 0.5f) * amount, (Hash01(a, b, c, seed + 1) - 0.5f) * amount,
                               (Hash01(a, b, c, seed + 2) - 0.5f) * amount};
        }
        V3 n = Normalised(Cross(t.v[1].pos - t.v[0].pos, t.v[2].pos - t.v[0].pos));
        for (auto& v : t.v) v.normal = n;
    }
}

}  // namespace tv::datagen
