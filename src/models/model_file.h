#pragma once
// The ".3dk" model file as plain data: every field in file order, no GL. TModel builds its
// GL objects from a ModelFile; the data-set generator and the tests write models with
// WriteModel.
//
// Layouts by ModelType: 1 GPU-skinned mesh (three bone weights per vertex), 2 static mesh,
// 3 billboard, 4 CPU-skinned mesh (one bone per vertex, position in that bone's frame).
// Any other type byte (0, 5, 6, ...) carries only the two header bytes.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "math/collision_records.h"
#include "math/vec3.h"

namespace tv {

struct BoneWeight {
    int32_t bone = 0;
    float weight = 0.0f;
};

struct ModelVertex {
    Vec3 position;
    Vec3 normal;
    float s = 0.0f;  // texture coordinates as stored (the GL upload flips t to 1 - t)
    float t = 0.0f;
    std::array<BoneWeight, 3> weights{};  // type 1 only
    int32_t bone = 0;                     // type 4 only
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

// Type 3 only.
struct BillboardData {
    float halfWidth = 0.0f;
    float height = 0.0f;
    std::array<float, 4> extra{};
};

struct ModelFile {
    uint8_t ModelType = 2;
    uint8_t ObjectKind = 0;
    std::vector<int32_t> BoneParents;       // types 1, 2, 4; -1 = root, parents precede children
    std::vector<ModelTriangle> Triangles;   // types 1, 2, 4
    std::vector<RestBone> RestPose;         // types 1, 2, 4; one per bone
    std::vector<DrawGroup> DrawGroups;      // types 1, 2, 4
    BillboardData Billboard;                // type 3
    std::vector<std::string> TextureNames;  // relative to the model's folder, or "NOTEXTURE"
    Vec3 BoxSize;
    Vec3 BoxCentre;
    std::vector<TCUB> CollisionBoxes;              // centre, size, angles + 7 stored values, name
    std::vector<TSfera_Phiziki> CollisionSpheres;  // centre, radius + 4 stored values, name
    uint32_t BodyParameter = 0;                    // the 4 raw bytes, little-endian
    uint8_t Transparent = 0;
    uint8_t Static = 0;
    Vec3 VectorA;  // types 1 and 2 only
    Vec3 VectorB;

    bool HasMesh() const { return ModelType == 1 || ModelType == 2 || ModelType == 4; }
    bool HasBody() const { return HasMesh() || ModelType == 3; }  // textures, box, collisions, flags
};

// Parses a model. Raises DataError (file, offset, field) on a short file, a count that the
// remaining bytes cannot hold, a parent that does not precede its child, a bone index outside
// the bone list (types 1 and 4), more than 72 bones in a type-1 model (the skinning palette),
// a rest pose whose length differs from the bone count, draw groups that cover more triangles
// than there are, or fewer texture names than draw groups.
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
