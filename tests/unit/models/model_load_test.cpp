// The readers without GL (no textures, vertex buffers reported absent): what the loading
// window is told, the fields the loaders fill, and the geometry-only loader's differences.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "common/binary_io.h"
#include "models/animation_load.h"
#include "platform/loading_progress.h"
#include "models/model.h"
#include "models/model_file.h"
#include "models/smd_file.h"

namespace tv {
namespace {

struct Call {
    std::string what;
    int position = 0;
    std::string text;
    bool operator==(const Call&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Call& c) {
    return os << c.what << "(" << c.position << ", " << c.text << ")";
}

class RecordingProgress : public LoadingProgress {
public:
    void Show(const std::string& path) override { calls.push_back({"show", 0, path}); }
    void SetProgress(int position, const std::string& caption) override {
        calls.push_back({"set", position, caption});
    }
    void Repaint() override { calls.push_back({"repaint", 0, ""}); }
    void Close() override { calls.push_back({"close", 0, ""}); }
    std::vector<Call> calls;
};

std::string Scratch(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(TERRAVIK_TEST_TMP) / "unit_models" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

ModelFile Mesh(ModelType type, int triangles) {
    ModelFile m;
    m.ModelType = type;
    m.ObjectKind = 7;
    m.BoneParents = {-1};
    m.RestPose = {{{1, 2, 3}, {0, 0, 0.5f}}};
    for (int i = 0; i < triangles; ++i) {
        ModelTriangle t;
        for (int j = 0; j < 3; ++j) {
            t.v[j].position = {float(i), float(j), 0.5f};
            t.v[j].s = 0.25f * j;
            t.v[j].t = 0.1f * j;
        }
        m.Triangles.push_back(t);
    }
    m.BoxCentre = {1, 2, 3};
    m.BoxSize = {2, 4, 6};
    TCUB box;
    box.centre = {1, 1, 1};
    box.name = "BOX1";
    m.CollisionBoxes.push_back(box);
    TSfera_Phiziki sphere;
    sphere.radius = 2.5f;
    sphere.name = "S";
    m.CollisionSpheres.push_back(sphere);
    m.BodyParameter = 0x04030201u;
    m.Transparent = 1;
    m.Static = 1;
    m.VectorA = {1, 2, 3};
    m.VectorB = {4, 5, 6};
    return m;
}

std::string WriteFixture(const std::string& dir, const std::string& name, const ModelFile& m) {
    const std::string path = dir + "/" + name;
    WriteWholeFile(path, WriteModel(m));
    return path;
}

ModelLoadContext NoGl(LoadingProgress* progress) {
    ModelLoadContext c;
    c.DataRoot = "/nowhere/";
    c.VBOSupported = false;
    c.Progress = progress;
    return c;
}

std::vector<Call> Expected(const std::string& path, std::vector<std::pair<int, int>> updates, int total) {
    std::vector<Call> calls = {{"show", 0, path}, {"repaint", 0, ""}};
    for (auto [position, done] : updates) {
        calls.push_back({"set", position, TriangleProgressCaption(done, total)});
        calls.push_back({"repaint", 0, ""});
    }
    calls.push_back({"set", 100, TriangleProgressCaption(total, total)});
    calls.push_back({"repaint", 0, ""});
    return calls;
}

TEST(LoadingProgress, TriangleCountsDriveTheBarAndCaptions) {
    const std::string dir = Scratch("progress");
    EXPECT_EQ(TriangleProgressCaption(51, 300), "треугольник  51из  300");

    // 40 triangles: nothing until the end.
    RecordingProgress p40;
    const std::string path40 = WriteFixture(dir, "m40.3dk", Mesh(ModelType::StaticBuffer, 40));
    TModel::Read(path40, NoGl(&p40));
    EXPECT_EQ(p40.calls, Expected(path40, {}, 40));

    // 300 triangles, divisor 3: every 51st triangle.
    RecordingProgress p300;
    const std::string path300 = WriteFixture(dir, "m300.3dk", Mesh(ModelType::StaticBuffer, 300));
    TModel::Read(path300, NoGl(&p300));
    EXPECT_EQ(p300.calls, Expected(path300, {{17, 51}, {34, 102}, {51, 153}, {68, 204}, {85, 255}}, 300));

    // 1000 triangles, divisor 10, skinned on the CPU.
    RecordingProgress p1000;
    const std::string path1000 = WriteFixture(dir, "m1000.3dk", Mesh(ModelType::CpuSkinned, 1000));
    TModel::Read(path1000, NoGl(&p1000));
    std::vector<std::pair<int, int>> updates;
    for (int done = 51; done <= 1000; done += 51) updates.push_back({done / 10, done});
    EXPECT_EQ(updates.size(), 19u);
    EXPECT_EQ(p1000.calls, Expected(path1000, updates, 1000));

    // Under 100 triangles the divisor would be 0: the true percentage instead.
    RecordingProgress p60;
    const std::string path60 = WriteFixture(dir, "m60.3dk", Mesh(ModelType::SkinnedBuffer, 60));
    TModel::Read(path60, NoGl(&p60));
    EXPECT_EQ(p60.calls, Expected(path60, {{85, 51}}, 60));

    // Billboards leave the window alone.
    RecordingProgress pBillboard;
    ModelFile billboard = Mesh(ModelType::Billboard, 0);
    TModel::Read(WriteFixture(dir, "b.3dk", billboard), NoGl(&pBillboard));
    EXPECT_TRUE(pBillboard.calls.empty());
}

TEST(ModelCreate, FillsFieldsAndFallsBackToClientArraysWithoutVertexBuffers) {
    const std::string dir = Scratch("fields");
    auto model = TModel::Read(WriteFixture(dir, "m.3dk", Mesh(ModelType::SkinnedBuffer, 2)), NoGl(nullptr));
    EXPECT_EQ(model->ModelType, ModelType::ClientArrays);
    EXPECT_EQ(model->ObjectKind, 7);
    EXPECT_EQ(model->VertexBuffer(), 0u);
    ASSERT_EQ(model->FallbackPositions.size(), 18u);
    ASSERT_EQ(model->FallbackTexCoords.size(), 12u);
    // Triangle 1, vertex 2: position (1, 2, 0.5), texture (0.5, 1 - 0.2).
    EXPECT_EQ(model->FallbackPositions[15], 1.0f);
    EXPECT_EQ(model->FallbackPositions[16], 2.0f);
    EXPECT_EQ(model->FallbackPositions[17], 0.5f);
    EXPECT_FLOAT_EQ(model->FallbackTexCoords[10], 0.5f);
    EXPECT_FLOAT_EQ(model->FallbackTexCoords[11], 0.8f);
    EXPECT_EQ(model->BoneWeights.size(), 2u);  // kept, not drawn

    // Box (1, 2, 3) sized (2, 4, 6): corners from (2, 4, 6) to (0, 0, 6), radius sqrt(56).
    EXPECT_EQ(model->BoxCorners[0].x, 2.0f);
    EXPECT_EQ(model->BoxCorners[0].y, 4.0f);
    EXPECT_EQ(model->BoxCorners[0].z, 6.0f);
    EXPECT_EQ(model->BoxCorners[7].x, 0.0f);
    EXPECT_EQ(model->BoxCorners[7].y, 0.0f);
    EXPECT_EQ(model->BoxCorners[7].z, 6.0f);
    EXPECT_FLOAT_EQ(model->Radius, std::sqrt(56.0f));

    EXPECT_EQ(model->CollisionBoxes.size(), 1u);
    EXPECT_EQ(model->CollisionBoxes[0].name, "BOX1");
    EXPECT_EQ(model->CollisionSpheres.size(), 1u);
    EXPECT_EQ(model->CollisionSpheres[0].radius, 2.5f);
    EXPECT_EQ(model->BodyParameter, (std::array<uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(model->Transparent, 1);
    EXPECT_EQ(model->Static, 1);
    EXPECT_EQ(model->VectorB.z, 6.0f);

    // The rest pose is posed at once: bone 0 sits at its rest position.
    ASSERT_EQ(model->Bones.size(), 1u);
    EXPECT_EQ(model->Bones[0].Origin.x, 1.0f);
    EXPECT_EQ(model->Bones[0].Origin.z, 3.0f);
    EXPECT_FLOAT_EQ(model->RestPose.Quaternions[0].z, std::sin(0.25f));
}

// With vertex buffers available the reader keeps the buffered layout and sizes its buffer, but
// makes no GPU object: those come from Upload, in a GL context.
TEST(ModelCreate, ReadingWithVertexBuffersMakesNoGpuObjects) {
    const std::string dir = Scratch("buffered");
    ModelFile m = Mesh(ModelType::SkinnedBuffer, 2);
    m.DrawGroups = {{0, 2}};
    m.TextureNames = {"absent.jpg"};
    ModelLoadContext context = NoGl(nullptr);
    context.VBOSupported = true;
    auto skinned = TModel::Read(WriteFixture(dir, "skinned.3dk", m), context);
    EXPECT_EQ(skinned->ModelType, ModelType::SkinnedBuffer);
    EXPECT_EQ(skinned->VertexBuffer(), 0u);
    EXPECT_EQ(skinned->Texture(0), 0u);
    EXPECT_TRUE(skinned->FallbackPositions.empty());
    EXPECT_EQ(skinned->VertexBufferSize, 2 * 3 * 15 * 4);
    EXPECT_EQ(skinned->VertexBufferData().size() * sizeof(float), size_t(skinned->VertexBufferSize));

    m.ModelType = ModelType::StaticBuffer;
    auto flat = TModel::Read(WriteFixture(dir, "static.3dk", m), context);
    EXPECT_EQ(flat->VertexBufferSize, 2 * 3 * 8 * 4);
    EXPECT_EQ(flat->VertexBufferData().size() * sizeof(float), size_t(flat->VertexBufferSize));
}

TEST(ModelCreate, GeometryOnlyLoaderSkipsTexturesCornersAndTheSkinnedTail) {
    const std::string dir = Scratch("geometry");
    ModelFile withNames = Mesh(ModelType::StaticBuffer, 3);
    withNames.DrawGroups = {{0, 3}};
    withNames.TextureNames = {"sky.jpg"};
    auto sky = TModel::ReadGeometryOnly(WriteFixture(dir, "sky.3dk", withNames), NoGl(nullptr));
    EXPECT_EQ(sky->Texture(0), 0u);  // a slot, but no texture loaded
    EXPECT_EQ(sky->TextureNames, std::vector<std::string>{"sky.jpg"});
    EXPECT_EQ(sky->Radius, 0.0f);
    EXPECT_EQ(sky->BoxCorners[0].x, 0.0f);
    EXPECT_EQ(sky->Transparent, 1);  // static meshes are read to the end

    auto skinned = TModel::ReadGeometryOnly(WriteFixture(dir, "s.3dk", Mesh(ModelType::CpuSkinned, 3)), NoGl(nullptr));
    EXPECT_EQ(skinned->SkinTriangles.Source.size(), 3u);
    EXPECT_EQ(skinned->BoundingBox.size.z, 6.0f);
    EXPECT_EQ(skinned->CollisionBoxes.size(), 0u);
    EXPECT_TRUE(skinned->CollisionSpheres.empty());
    EXPECT_EQ(skinned->Transparent, 0);

    ModelFile billboard = Mesh(ModelType::Billboard, 0);
    billboard.Billboard.halfWidth = 2.0f;
    auto flat = TModel::ReadGeometryOnly(WriteFixture(dir, "b.3dk", billboard), NoGl(nullptr));
    EXPECT_EQ(flat->ModelType, ModelType::Billboard);
    EXPECT_EQ(flat->Billboard.HalfWidth, 0.0f);
    EXPECT_EQ(flat->Transparent, 0);

    // What the sky's loader never reads may be missing: a billboard of two bytes, a skinned
    // mesh that ends with its box. Anything cut shorter still fails.
    WriteWholeFile(dir + "/header.3dk", {3, 9});
    EXPECT_EQ(TModel::ReadGeometryOnly(dir + "/header.3dk", NoGl(nullptr))->ObjectKind, 9);
    EXPECT_THROW(TModel::Read(dir + "/header.3dk", NoGl(nullptr)), DataError);
    ModelFile plain = Mesh(ModelType::CpuSkinned, 3);
    plain.CollisionBoxes.clear();
    plain.CollisionSpheres.clear();
    std::vector<uint8_t> bytes = WriteModel(plain);
    bytes.resize(bytes.size() - 14);  // two counts, body parameter, two flags
    WriteWholeFile(dir + "/boxend.3dk", bytes);
    auto cut = TModel::ReadGeometryOnly(dir + "/boxend.3dk", NoGl(nullptr));
    EXPECT_EQ(cut->SkinTriangles.Source.size(), 3u);
    EXPECT_EQ(cut->BoundingBox.size.y, 4.0f);
    EXPECT_THROW(TModel::Read(dir + "/boxend.3dk", NoGl(nullptr)), DataError);
    bytes.resize(bytes.size() - 1);  // into the box
    WriteWholeFile(dir + "/inbox.3dk", bytes);
    EXPECT_THROW(TModel::ReadGeometryOnly(dir + "/inbox.3dk", NoGl(nullptr)), DataError);
}

// An exported skinned mesh with -1 for its unused influences, an index past the palette and
// a group longer than the mesh loads, poses and fills its buffer: the buffer's bone slots take
// the palette's nearest row, so the skinning program never reads outside its 216 rows.
TEST(ModelCreate, UnusedAndOutOfRangeBoneIndicesLoadAndPoseWithinThePalette) {
    const std::string dir = Scratch("exported");
    ModelFile m = Mesh(ModelType::SkinnedBuffer, 2);
    m.Triangles[0].v[0].weights = {BoneWeight{0, 1.0f}, BoneWeight{-1, 0.0f}, BoneWeight{-1, 0.0f}};
    m.Triangles[1].v[2].weights[0] = {80, 0.5f};
    m.DrawGroups = {{0, 1}, {0, 9}};
    m.TextureNames = {"a.jpg", "b.jpg"};
    ModelLoadContext context = NoGl(nullptr);
    context.VBOSupported = true;
    ::testing::internal::CaptureStderr();
    auto model = TModel::Read(WriteFixture(dir, "exported.3dk", m), context);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("3 bone indices outside the 1 bones"), std::string::npos) << err;
    EXPECT_NE(err.find("group of 9 triangles"), std::string::npos) << err;
    EXPECT_EQ(model->BoneWeights[0][0][1].Bone, -1);  // kept as read
    EXPECT_EQ(model->DrawGroups[1][1], 9);

    model->UpdateSkeleton(PoseMode::Rest, 0, 0.0f);
    model->FillBonePalette();
    const std::vector<float> data = model->VertexBufferData();
    ASSERT_EQ(data.size(), 2u * 3 * 15);
    // Vertex 0: bone slots 2, 4, 6 hold 0, 0 (for -1), 0; vertex 5's first slot 71 (for 80).
    EXPECT_EQ(data[2], 0.0f);
    EXPECT_EQ(data[4], 0.0f);
    EXPECT_EQ(data[6], 0.0f);
    EXPECT_EQ(data[5 * 15 + 2], float(kMaxPaletteBones - 1));
}

TEST(ModelCreate, MissingAndTruncatedFilesRaiseDataError) {
    const std::string dir = Scratch("bad");
    EXPECT_THROW(TModel::Read(dir + "/absent.3dk", NoGl(nullptr)), DataError);
    std::vector<uint8_t> bytes = WriteModel(Mesh(ModelType::StaticBuffer, 5));
    bytes.resize(bytes.size() / 2);
    WriteWholeFile(dir + "/short.3dk", bytes);
    EXPECT_THROW(TModel::Read(dir + "/short.3dk", NoGl(nullptr)), DataError);
}

TEST(LoadSmdFrames, FramesBecomeAnAnimationThatPosesTheModel) {
    const std::string dir = Scratch("smd");
    SmdAnimation smd;
    for (int f = 0; f < 3; ++f) {
        SmdFrame frame;
        SmdBonePose pose;
        pose.position = {float(f), 0, 0};
        pose.rotation = {0, 0, 0.5f * f};
        frame.bones.push_back(pose);
        smd.frames.push_back(frame);
    }
    WriteWholeFile(dir + "/run.smd", WriteSmd(smd, {-1}));
    auto model = TModel::Read(WriteFixture(dir, "m.3dk", Mesh(ModelType::CpuSkinned, 1)), NoGl(nullptr));
    EXPECT_EQ(AddSmdAnimation(*model, dir + "/run.smd"), 0);
    ASSERT_EQ(model->Animations[0].Frames.size(), 3u);
    EXPECT_FLOAT_EQ(model->Animations[0].Frames[2].Quaternions[0].z, std::sin(0.5f));
    model->UpdateSkeleton(PoseMode::Animation, 0, 2.0f);
    EXPECT_FLOAT_EQ(model->Bones[0].Origin.x, 2.0f);
    EXPECT_THROW(AddSmdAnimation(*model, dir + "/absent.smd"), DataError);
    EXPECT_EQ(model->Animations.size(), 1u);
}

}  // namespace
}  // namespace tv
