#pragma once
// TModel: one loaded .3dk model in GL: its mesh (vertex buffer, client arrays or CPU-skinned
// triangles), textures, skeleton with rest pose and animations, box, collision shapes and
// the flags other parts read. A model has no place of its own: the caller sets the modelview
// matrix before a draw and restores it afterwards.
//
// Loading: model_load.cpp. Posing: model_pose.cpp. Drawing: model_draw.cpp. The GPU skinning
// program for type 1: skin_program.h. Every operation needs the GL context the model was
// loaded in to be current, also its destruction (it deletes its buffer and textures).

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "math/collision_records.h"
#include "math/vec3.h"
#include "models/bone_math.h"
#include "render/gl_handles.h"
#include "render/texture.h"

namespace tv {

class LoadingProgress;
class SkinProgram;

// One animation frame, or the rest pose: per bone, in bone order.
struct TKadrAnimacii {
    std::vector<Vec3> Rotations;  // Euler angles, radians about x, y, z
    std::vector<Quaternion> Quaternions;
    std::vector<Vec3> Positions;
};

// One animation: its frames in order. One unit of animation time is one frame.
struct TAnimacia {
    std::vector<TKadrAnimacii> Frames;
};

// A type-4 vertex as stored in the file: bound to one bone, position in that bone's frame.
struct SkinVertex {
    Vec3 Position;
    Vec3 Normal;
    float S = 0.0f;
    float T = 0.0f;
    int32_t Bone = 0;
};
struct SkinTriangle {
    SkinVertex V[3];
};

// The triangles of a type-4 model: as read, and the copy the CPU skinning rewrites each draw.
struct TAVert {
    std::vector<SkinTriangle> Source;
    std::vector<SkinTriangle> Skinned;
};

// One bone influence of a type-1 vertex.
struct BoneInfluence {
    int32_t Bone = 0;
    float Weight = 0.0f;
};
// Per vertex of a triangle, its three influences.
using TriangleInfluences = std::array<std::array<BoneInfluence, 3>, 3>;

// A bone's pose: matrices column-major; Origin is the translation of Absolute (model space).
struct TBone {
    Matrix4 Local = IdentityMatrix();
    Matrix4 Absolute = IdentityMatrix();
    Vec3 Origin;
};

// The upright quad of a type-3 model. Origin is zero after loading (the caller places it).
struct TBillboard {
    float X = 0.0f, Y = 0.0f, Z = 0.0f;
    float HalfWidth = 0.0f;  // in units of the shared side vectors
    float Height = 0.0f;     // along z
    std::array<float, 4> Extra{};
};

// The horizontal half-width directions of upright billboards, recomputed once per frame by
// the particle code from the camera: the view direction's x and y scaled by 0.5, turned
// +90 degrees about z (Left) and -90 degrees (Right).
struct BillboardSides {
    float LeftX = 0.0f, LeftY = 0.0f;
    float RightX = 0.0f, RightY = 0.0f;
};

// What every model loaded in one GL context shares: the skinning program (compiled on first
// use) and the billboard side vectors. Owned by the game; models keep a reference.
struct ModelRenderShared {
    ModelRenderShared();
    ~ModelRenderShared();
    std::unique_ptr<SkinProgram> Skin;
    BillboardSides Sides;
};

// What the loaders need from the game.
struct ModelLoadContext {
    std::string DataRoot;        // the data root, ending in a separator ('/' or '\\')
    bool VBOSupported = true;    // vertex buffers available; otherwise meshes load as type 6
    LoadingProgress* Progress = nullptr;  // the loading window, or null for none
    std::shared_ptr<ModelRenderShared> Shared;  // null: the model makes its own
};

// The bone palette: three rows (of four floats) per bone, for at most 72 bones.
inline constexpr int kMaxPaletteBones = 72;
inline constexpr int kPaletteRows = kMaxPaletteBones * 3;

class TModel {
public:
    // Full loader: mesh, textures (through LoadTexture; "NOTEXTURE" means the data root's
    // k_resurs\addition\NOTEXTURE.jpg), vertex buffer or client arrays, rest pose, box
    // corners and Radius, collision shapes, flags, vectors A and B. Raises DataError when the
    // file is missing, truncated or inconsistent (counts, bone and parent indices).
    static std::unique_ptr<TModel> Create(const std::string& path, const ModelLoadContext& context);
    // The sky's loader: no textures loaded (Textures sized, all 0), no corners, Radius 0;
    // type 3 reads nothing after the header; type 4 stops after the box.
    static std::unique_ptr<TModel> CreateGeometryOnly(const std::string& path, const ModelLoadContext& context);

    TModel();
    ~TModel();
    TModel(const TModel&) = delete;
    TModel& operator=(const TModel&) = delete;

    // Full draw (alpha key, textured, animate, animation index, time in frames). The alpha
    // test is on around the draw when alphaKey equals Transparent; 2D texturing around it when
    // textured is 1. An animation index or time that does not exist (or frames with too few
    // bones) poses the rest pose instead. Type 1 resets TintColor to white.
    void Draw(uint8_t alphaKey, uint8_t textured, uint8_t animate, int32_t animation, float time);
    // The same without animation; skinned types in the rest pose, TintColor sent unchanged.
    void DrawRest(uint8_t alphaKey, uint8_t textured);

    // Mode 0: rest pose. Mode 1: animation `animation` at `time` (frame c = trunc(time) blended
    // towards c + 1, the last frame towards frame 0). Out-of-range input poses the rest pose.
    void UpdateSkeleton(uint8_t mode, int32_t animation, float time);
    // Rows 0..2 of each bone's absolute matrix into BonePalette, first 72 bones only.
    void FillBonePalette();

    // The per-type draws. The array draws leave every client array they used disabled.
    void DrawSkinnedBuffer();     // type 1, skinned by the program in use (Draw sets it up);
                                  // without shader support: the stored positions, unskinned
    void DrawStaticBuffer();      // type 2
    void SkinAndDrawTriangles();  // type 4: skin from Bones, then draw
    void DrawSkinnedTriangles();  // type 5: draw the last skinned copy again
    void DrawClientArrays();      // type 6
    void DrawBillboard(const TBillboard& billboard);  // texture 0, the shared side vectors

    // The shared state this model draws with (skinning program, billboard sides).
    ModelRenderShared& Shared() { return *shared_; }

    // Fields, in the order the game declares them.
    std::vector<int32_t> BoneParents;
    TKadrAnimacii RestPose;
    std::vector<TAnimacia> Animations;
    uint32_t VertexBuffer = 0;
    int32_t VertexBufferSize = 0;
    TBillboard Billboard;
    std::array<std::array<float, 4>, kPaletteRows> BonePalette{};
    std::array<float, 4> TintColor{1.0f, 1.0f, 1.0f, 1.0f};
    std::vector<TBone> Bones;
    std::vector<uint32_t> Textures;  // callers may overwrite entry 0 before a draw
    std::vector<Vec3> Positions;     // per triangle, per vertex (types 1, 2)
    std::vector<Vec3> Normals;
    std::vector<std::array<float, 2>> TexCoords;  // s, t as stored
    std::vector<float> FallbackPositions;  // type 6: 9 floats per triangle
    std::vector<float> FallbackTexCoords;  // type 6: 6 floats per triangle, t flipped
    TAVert SkinTriangles;                  // type 4
    std::vector<TriangleInfluences> BoneWeights;  // type 1
    int32_t TriangleCount = 0;
    TCUB BoundingBox;  // only centre and size are filled
    std::array<Vec3, 8> BoxCorners{};
    std::array<uint8_t, 4> BodyParameter{};
    int32_t CollisionBoxCount = 0;
    std::vector<TCUB> CollisionBoxes;
    int32_t CollisionSphereCount = 0;
    std::vector<TSfera_Phiziki> CollisionSpheres;
    std::vector<std::string> TextureNames;
    int32_t TextureCount = 0;
    std::vector<std::array<int32_t, 2>> DrawGroups;  // (stored value, triangle count)
    int32_t DrawGroupCount = 0;
    uint8_t Transparent = 0;
    uint8_t Static = 0;
    Vec3 VectorA;
    Vec3 VectorB;
    uint8_t ObjectKind = 0;
    uint8_t ModelType = 0;
    float Radius = 0.0f;

private:
    void Load(const std::string& path, const ModelLoadContext& context, bool geometryOnly);
    void PoseRest();
    bool PoseAnimation(int32_t animation, float time);
    void UploadVertexBuffer();
    void BuildClientArrays();
    void DrawType1(bool animated, int32_t animation, float time, bool resetTint);
    void SendBonePalette();
    // Calls draw(group, firstTriangle, triangleCount) per draw group, counts clamped to the
    // mesh; used by every mesh draw.
    template <typename DrawRange>
    void ForEachGroup(DrawRange&& draw);

    std::shared_ptr<ModelRenderShared> shared_;
    GlBuffer vertexBuffer_;
    std::vector<Texture> ownedTextures_;
};

// The upright quad at the billboard's origin, facing the viewer through the side vectors.
void DrawBillboardQuad(const TBillboard& billboard, const BillboardSides& sides);

}  // namespace tv
