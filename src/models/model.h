#pragma once
// TModel: one loaded .3dk model: its mesh (vertex buffer, client arrays or CPU-skinned
// triangles), textures, skeleton with rest pose and animations, box, collision shapes and
// the flags other parts read. A model has no place of its own: the caller sets the modelview
// matrix before a draw and restores it afterwards.
//
// Reading (no GL): model_load.cpp. Posing (no GL): model_pose.cpp. The GPU objects (textures,
// vertex buffer): gl/model_upload.cpp, made into the renderer's store (render/gl/gpu_store.h),
// which owns them; the model keeps their ids. Drawing: gl/model_draw.cpp. The GPU skinning
// program for SkinnedBuffer models: gl/skin_program.h, one per store. Reading, posing, holding
// and destroying a model need no GL context; uploading and drawing need the store's.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "math/collision_records.h"
#include "math/vec3.h"
#include "models/bone_math.h"
#include "models/model_file.h"

namespace tv {

class GpuStore;
class LoadingProgress;

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

// A CpuSkinned vertex as stored in the file: bound to one bone, position in that bone's frame.
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

// The triangles of a CpuSkinned model: as read, and the copy the CPU skinning rewrites each draw.
struct TAVert {
    std::vector<SkinTriangle> Source;
    std::vector<SkinTriangle> Skinned;
};

// One bone influence of a SkinnedBuffer vertex.
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

// The upright quad of a Billboard model. Origin is zero after loading (the caller places it).
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

// What the models of one level share: the billboard side vectors, set once per frame.
struct ModelRenderShared {
    BillboardSides Sides;
};

// What the loaders need from the game.
struct ModelLoadContext {
    std::string DataRoot;        // the data root, ending in a separator ('/' or '\\')
    bool VBOSupported = true;    // vertex buffers available; otherwise buffered meshes load as ClientArrays
    LoadingProgress* Progress = nullptr;  // the loading window, or null for none
    std::shared_ptr<ModelRenderShared> Shared;  // null: the model makes its own
    // The renderer's store the GPU objects go into (not owned; it outlives the models' draws),
    // its texture cache shared by every model so a file is uploaded once whoever names it.
    // Null: the full loaders only read (a run without GL).
    GpuStore* Gpu = nullptr;
};

// How UpdateSkeleton poses the bones.
enum class PoseMode {
    Rest,       // the rest pose
    Animation,  // a point in time of one animation
};

class TModel {
public:
    // Full reader, no GL: mesh, texture slots and the paths of their textures ("NOTEXTURE"
    // means the data root's k_resurs\addition\NOTEXTURE.jpg), vertex-buffer layout or client
    // arrays, rest pose, box corners and Radius, collision shapes, flags, vectors A and B.
    // Raises DataError when the file is missing, truncated or inconsistent (counts, bone and
    // parent indices). The model has no GPU objects until Upload.
    static std::unique_ptr<TModel> Read(const std::string& path, const ModelLoadContext& context);
    // The sky's reader: no texture paths (every slot draws texture 0), no corners, Radius 0;
    // billboards read nothing after the header; CPU-skinned meshes stop after the box.
    static std::unique_ptr<TModel> ReadGeometryOnly(const std::string& path, const ModelLoadContext& context);
    // The full loaders: Read or ReadGeometryOnly, then Upload into context.Gpu when there is one.
    static std::unique_ptr<TModel> Create(const std::string& path, const ModelLoadContext& context);
    static std::unique_ptr<TModel> CreateGeometryOnly(const std::string& path, const ModelLoadContext& context);
    // Makes the model's GPU objects in the store's context (GL), which keeps them: the texture
    // of each distinct file its slots name, through the store's shared textures (none for a
    // geometry-only model), then the vertex buffer of a buffered mesh filled with
    // VertexBufferData(). Called once, after Read; the model draws with that store.
    void Upload(GpuStore& gpu);
    // The interleaved vertices of a buffered mesh, VertexFloats() per vertex: (s, 1 - t),
    // for SkinnedBuffer three (palette bone, weight) pairs, normal, position; the skinned
    // layout's last float stays 0. VertexBufferSize is their size in bytes.
    std::vector<float> VertexBufferData() const;
    size_t VertexFloats() const;  // 15 for SkinnedBuffer, else 8

    TModel();
    ~TModel();
    TModel(const TModel&) = delete;
    TModel& operator=(const TModel&) = delete;

    // Full draw. The alpha test is on around the draw when alphaKey equals the Transparent byte;
    // 2D texturing around it when `textured`. `animate` poses animation `animation` at `time`
    // (in frames); an animation index or time that does not exist (or frames with too few bones)
    // poses the rest pose instead. SkinnedBuffer resets TintColor to white and leaves the alpha
    // test off; a transparent Billboard switches the alpha test on whatever the key.
    void Draw(uint8_t alphaKey, bool textured, bool animate, int32_t animation, float time);
    // The same without animation: skinned layouts in the rest pose, TintColor sent unchanged,
    // no extra alpha-test handling.
    void DrawRest(uint8_t alphaKey, bool textured);

    // Rest: the rest pose. Animation: animation `animation` at `time` (frame c = trunc(time)
    // blended towards c + 1, the last frame towards frame 0); out-of-range input poses the rest pose.
    void UpdateSkeleton(PoseMode mode, int32_t animation, float time);
    // Rows 0..2 of each bone's absolute matrix into BonePalette, first 72 bones only.
    void FillBonePalette();

    // The per-layout draws. The array draws leave every client array they used disabled.
    void DrawSkinnedBuffer();     // SkinnedBuffer, skinned by the program in use (Draw sets it up);
                                  // without shader support: the stored positions, unskinned
    void DrawStaticBuffer();      // StaticBuffer
    void SkinAndDrawTriangles();  // CpuSkinned: skin from Bones, then draw
    void DrawSkinnedTriangles();  // CpuSkinnedCopy: draw the last skinned copy again
    void DrawClientArrays();      // ClientArrays
    void DrawBillboard(const TBillboard& billboard);  // texture 0, the shared side vectors

    // The texture draw group `slot` binds: the model's own (0 for a slot without one or in a
    // geometry-only model), or for slot 0 the texture set by SetFirstTexture.
    uint32_t Texture(size_t slot) const;
    // The distinct texture files the slots name, as Upload loads them (empty for a geometry-only model).
    const std::vector<std::string>& TexturePaths() const { return texturePaths_; }
    // Draws slot 0 (and a billboard) with `texture` from now on instead of the model's own first
    // texture, which the model keeps owning. The caller owns `texture` and keeps it alive while
    // the model draws with it.
    void SetFirstTexture(uint32_t texture) { firstTexture_ = texture; }
    // The vertex buffer of a buffered mesh, 0 for other layouts or before Upload; the store
    // owns it.
    uint32_t VertexBuffer() const { return vertexBuffer_; }

    // The shared state this model draws with (billboard sides).
    ModelRenderShared& Shared() { return *shared_; }

    // Fields, in the order the game declares them.
    std::vector<int32_t> BoneParents;
    TKadrAnimacii RestPose;
    std::vector<TAnimacia> Animations;
    int32_t VertexBufferSize = 0;
    TBillboard Billboard;
    std::array<std::array<float, 4>, kPaletteRows> BonePalette{};
    std::array<float, 4> TintColor{1.0f, 1.0f, 1.0f, 1.0f};
    std::vector<TBone> Bones;
    std::vector<Vec3> Positions;     // per triangle, per vertex (buffered meshes)
    std::vector<Vec3> Normals;
    std::vector<std::array<float, 2>> TexCoords;  // s, t as stored
    std::vector<float> FallbackPositions;  // ClientArrays: 9 floats per triangle
    std::vector<float> FallbackTexCoords;  // ClientArrays: 6 floats per triangle, t flipped
    TAVert SkinTriangles;                  // CpuSkinned
    std::vector<TriangleInfluences> BoneWeights;  // SkinnedBuffer, bone indices as read
    int32_t TriangleCount = 0;
    TCUB BoundingBox;  // only centre and size are filled
    std::array<Vec3, 8> BoxCorners{};
    std::array<uint8_t, 4> BodyParameter{};
    std::vector<TCUB> CollisionBoxes;
    std::vector<TSfera_Phiziki> CollisionSpheres;
    std::vector<std::string> TextureNames;  // one texture slot each
    std::vector<std::array<int32_t, 2>> DrawGroups;  // (stored value, triangle count)
    uint8_t Transparent = 0;  // the file's byte; 1 marks a model drawn with its alpha cut out
    uint8_t Static = 0;
    Vec3 VectorA;
    Vec3 VectorB;
    uint8_t ObjectKind = 0;
    tv::ModelType ModelType = tv::ModelType{};  // the file's type byte until a layout is loaded
    float Radius = 0.0f;

private:
    // What a draw does besides the layout's own drawing.
    struct DrawRequest {
        PoseMode pose = PoseMode::Rest;
        int32_t animation = 0;
        float time = 0.0f;
        bool full = false;  // Draw rather than DrawRest: tint reset, the extra alpha-test handling
    };

    // Where a load reads from and what it reports to.
    struct LoadSource {
        const std::string& path;
        const ModelLoadContext& context;
        LoadingProgress* progress;  // null: no loading window
        bool geometryOnly;          // the sky's loader
    };

    void Load(const std::string& path, const ModelLoadContext& context, bool geometryOnly);
    // One per file layout, each taking over the parsed file in the loader's order.
    void LoadBufferedMesh(ModelFile& file, const LoadSource& source);  // SkinnedBuffer, StaticBuffer
    void LoadCpuSkinnedMesh(ModelFile& file, const LoadSource& source);
    void LoadBillboard(ModelFile& file, const LoadSource& source);
    // The parts the layouts share: bones, triangle count (moving the loading bar), rest pose and
    // groups; texture slots; the box; collision shapes, flags and vectors.
    void TakeSkeleton(const ModelFile& file, LoadingProgress* progress);
    void TakeTextures(const ModelFile& file, const LoadSource& source);
    void TakeBox(const ModelFile& file);
    void TakeTail(ModelFile& file);
    void PoseRest();
    bool PoseAnimation(int32_t animation, float time);
    void UploadVertexBuffer();  // GL
    void BuildClientArrays();

    void DrawWithState(uint8_t alphaKey, bool textured, const DrawRequest& request);
    void DrawLayout(const DrawRequest& request);
    void DrawSkinnedPosed(const DrawRequest& request);  // SkinnedBuffer: pose, palette, program
    // Calls draw(group, firstTriangle, triangleCount) per draw group, counts clamped to the
    // mesh; used by every mesh draw.
    template <typename DrawRange>
    void ForEachGroup(DrawRange&& draw);

    std::shared_ptr<ModelRenderShared> shared_;
    GpuStore* gpu_ = nullptr;  // where Upload made the GPU objects; null before
    uint32_t vertexBuffer_ = 0;
    // The distinct texture paths, set by Read (empty for geometry-only models), and which of
    // them each slot draws with: a path named by many slots is one texture.
    std::vector<std::string> texturePaths_;
    std::vector<uint32_t> slotTexture_;
    std::vector<uint32_t> textures_;  // one texture id per path, made by Upload
    std::optional<uint32_t> firstTexture_;
};

// The upright quad at the billboard's origin, facing the viewer through the side vectors.
void DrawBillboardQuad(const TBillboard& billboard, const BillboardSides& sides);

}  // namespace tv
