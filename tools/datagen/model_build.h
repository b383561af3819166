#pragma once
// Turning built meshes into model files, and the shaded texture atlases they use.

#include <functional>
#include <string>
#include <vector>

#include "image.h"
#include "mesh.h"
#include "models/model_file.h"

namespace tv::datagen {

// Type 2 (static mesh): one draw group per texture, in group order.
ModelFile StaticModel(Mesh mesh, const std::vector<std::string>& textures, V3 vectorA = {}, V3 vectorB = {});

// Type 4 (CPU-skinned): vertex positions are in their bone's frame.
ModelFile CpuSkinnedModel(Mesh mesh, const std::vector<int32_t>& parents, const std::vector<RestBone>& rest,
                          const std::vector<std::string>& textures,
                          const std::function<V3(const MeshVertex&)>& toModel);

// Type 1 (GPU-skinned): each vertex fully weighted to its bone.
ModelFile GpuSkinnedModel(Mesh mesh, const std::vector<int32_t>& parents, const std::vector<RestBone>& rest,
                          const std::vector<std::string>& textures,
                          const std::function<V3(const MeshVertex&)>& toModel);

// Box size and centre from model-space bounds.
void SetBox(ModelFile& model, V3 lo, V3 hi);

// A shaded atlas: rows are materials, columns the shade levels of ShadeForLevel; `pattern`
// paints material m at surface coordinates (s, r) in [0, 1].
Image PaintAtlas(const AtlasLayout& layout, const std::function<Rgba(int material, float s, float r)>& pattern);

// Displaces every vertex by a hash of its position (shared corners move together), for
// crumpled wrecks.
void Crumple(Mesh& mesh, float amount, uint32_t seed);

}  // namespace tv::datagen
