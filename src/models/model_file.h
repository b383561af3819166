#pragma once
// The ".3dk" model file as plain data: every field in file order, no GL. TModel builds its
// GL objects from a ModelFile; the data-set generator and the tests write models with
// WriteModel.
//
// Layouts by ModelType: a GPU-skinned mesh (three bone weights per vertex), a static mesh, a
// billboard, a CPU-skinned mesh (one bone per vertex, position in that bone's frame). Any other
// type byte (0, 5, 6, ...) carries only the two header bytes.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "math/collision_records.h"
#include "math/vec3.h"

namespace tv {

// The model's layout: the file's type byte, kept as its byte value. The last two never come
// from a file's layout: a file whose byte is 5 or 6 loads no geometry; the loader turns buffered
// meshes into ClientArrays when vertex buffers are not available. Other byte values are kept
// as read and load nothing past the header.
enum class ModelType : uint8_t {
    SkinnedBuffer = 1,   // mesh in a vertex buffer, skinned by the GPU program (up to 3 bones a vertex)
    StaticBuffer = 2,    // mesh in a vertex buffer, not skinned
    Billboard = 3,       // one upright quad turned towards the viewer
    CpuSkinned = 4,      // mesh skinned on the CPU (one bone a vertex), drawn immediately
    CpuSkinnedCopy = 5,  // draws the last skinned copy of a CpuSkinned mesh again
    ClientArrays = 6,    // mesh in client-side arrays, not skinned
};

// The GPU skinning palette: three rows (of four floats) per bone, for the first 72 bones.
inline constexpr int32_t kMaxPaletteBones = 72;
inline constexpr int kPaletteRows = kMaxPaletteBones * 3;
// The palette bone a GPU-skinned vertex's bone index uses: indices past the palette take its
// last bone, as the skinning program does.
inline int32_t PaletteBone(int32_t bone) {
    return bone < 0 ? 0 : (bone >= kMaxPaletteBones ? kMaxPaletteBones - 1 : bone);
}

struct BoneWeight {
    int32_t bone = 0;
    float weight = 0.0f;
};

struct ModelVertex {
    Vec3 position;
    Vec3 normal;
    float s = 0.0f;  // texture coordinates as stored (the GL upload flips t to 1 - t)
    float t = 0.0f;
    std::array<BoneWeight, 3> weights{};  // SkinnedBuffer only
    int32_t bone = 0;                     // CpuSkinned only
};

struct ModelTriangle {
    std::array<ModelVertex, 3> v;
};

// One bone of the rest pose; rotation in radians (file order interleaves the two vectors).
struct RestBone {
    Vec3 position;
    Vec3 rotation;
};

struct DrawGroup {
    int32_t first = 0;          // stored, not used by the model code
    int32_t triangleCount = 0;  // consecutive triangles drawn with the group's texture
};

// Billboards only.
struct BillboardData {
    float halfWidth = 0.0f;
    float height = 0.0f;
    std::array<float, 4> extra{};
};

struct ModelFile {
    tv::ModelType ModelType = ModelType::StaticBuffer;
    uint8_t ObjectKind = 0;
    std::vector<int32_t> BoneParents;       // meshes; -1 = root, parents precede children
    std::vector<ModelTriangle> Triangles;   // meshes
    std::vector<RestBone> RestPose;         // meshes; one per bone
    std::vector<DrawGroup> DrawGroups;      // meshes
    BillboardData Billboard;                // billboards
    std::vector<std::string> TextureNames;  // relative to the model's folder, or "NOTEXTURE"
    Vec3 BoxSize;
    Vec3 BoxCentre;
    std::vector<TCUB> CollisionBoxes;              // centre, size, angles + 7 stored values, name
    std::vector<TSfera_Phiziki> CollisionSpheres;  // centre, radius + 4 stored values, name
    uint32_t BodyParameter = 0;                    // the 4 raw bytes, little-endian
    uint8_t Transparent = 0;
    uint8_t Static = 0;
    Vec3 VectorA;  // buffered meshes (SkinnedBuffer, StaticBuffer) only
    Vec3 VectorB;

    bool HasMesh() const { return IsMeshLayout(ModelType); }
    bool HasBody() const { return HasMesh() || ModelType == ModelType::Billboard; }  // textures, box, collisions, flags

    // The layouts a file stores a mesh in.
    static bool IsMeshLayout(tv::ModelType type) {
        return type == ModelType::SkinnedBuffer || type == ModelType::StaticBuffer || type == ModelType::CpuSkinned;
    }
};

// Parses a model. Raises DataError (file, offset, field) on a short file, a count that the
// remaining bytes cannot hold, a parent that does not precede its child, a rest pose whose
// length differs from the bone count, or fewer texture names than draw groups. Bone indices
// outside the bone list (-1 marks an unused influence) and draw groups that reach past the
// triangles are kept as read, with one stderr warning each; the drawing clamps them.
ModelFile ReadModel(const std::vector<uint8_t>& bytes, const std::string& fileName);
ModelFile ReadModelFile(const std::string& path);  // ReadWholeFile + ReadModel

// Serialises a model in the layout of its ModelType (only the header for unknown types).
std::vector<uint8_t> WriteModel(const ModelFile& model);

// The eight corners of the bounding box in the loader's order:
// (x+,y+,z+), (x+,y+,z-), (x-,y+,z-), (x-,y+,z+), (x+,y-,z+), (x+,y-,z-), (x-,y-,z-), (x-,y-,z+).
std::array<Vec3, 8> ModelBoxCorners(const Vec3& boxCentre, const Vec3& boxSize);
// Distance from the origin to the first corner.
float ModelRadius(const Vec3& boxCentre, const Vec3& boxSize);

}  // namespace tv
