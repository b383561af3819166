// Vertex buffers and array draws: the bytes of the two interleaved layouts, the group ranges
// that reach GL, the client-array fallback and texture lookup.

#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <filesystem>
#include <vector>

#include "model_fixtures.h"
#include "models/gl/skin_program.h"
#include "models/model.h"

namespace tv::test {
namespace {

class ModelBuffers : public GlTest {};

std::vector<float> ReadBuffer(uint32_t buffer, int32_t bytes) {
    std::vector<float> data(static_cast<size_t>(bytes) / 4);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, bytes, data.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return data;
}

TEST_F(ModelBuffers, VertexBuffersHoldTheInterleavedLayouts) {
    const std::string dir = ScratchDir("models_buffers");
    ModelFile m = StaticMesh();
    m.Triangles.push_back({{Vertex(1, 2, 3, 0.25f, 0.125f), Vertex(4, 5, 6, 0.5f, 0.75f), Vertex(7, 8, 9, 1, 1)}});
    m.Triangles[0].v[1].normal = {0.5f, -0.5f, 0.25f};

    auto staticModel = TModel::Create(WriteModelTo(dir, "s.3dk", m), Context(gpu.get(), dir + "/"));
    ASSERT_EQ(staticModel->ModelType, ModelType::StaticBuffer);
    ASSERT_NE(staticModel->VertexBuffer(), 0u);
    ASSERT_EQ(staticModel->VertexBufferSize, 3 * 32);
    std::vector<float> v = ReadBuffer(staticModel->VertexBuffer(), staticModel->VertexBufferSize);
    // Second vertex: s, 1 - t, normal, position.
    EXPECT_EQ(std::vector<float>(v.begin() + 8, v.begin() + 16),
              (std::vector<float>{0.5f, 0.25f, 0.5f, -0.5f, 0.25f, 4, 5, 6}));
    EXPECT_EQ(v[1], 0.875f);

    m.ModelType = ModelType::SkinnedBuffer;
    m.BoneParents = {-1, 0, 1};
    m.RestPose.resize(3);
    m.Triangles[0].v[1].weights = {BoneWeight{2, 0.5f}, BoneWeight{1, 0.3f}, BoneWeight{0, 0.2f}};
    auto skinned = TModel::Create(WriteModelTo(dir, "k.3dk", m), Context(gpu.get(), dir + "/"));
    ASSERT_EQ(skinned->ModelType, ModelType::SkinnedBuffer);
    ASSERT_EQ(skinned->VertexBufferSize, 3 * 60);
    v = ReadBuffer(skinned->VertexBuffer(), skinned->VertexBufferSize);
    // Second vertex: s, 1 - t, three (bone as float, weight), normal, position; the 15th float is unused.
    EXPECT_EQ(std::vector<float>(v.begin() + 15, v.begin() + 29),
              (std::vector<float>{0.5f, 0.25f, 2, 0.5f, 1, 0.3f, 0, 0.2f, 0.5f, -0.5f, 0.25f, 4, 5, 6}));
    EXPECT_EQ(GlError(), 0u);
}

// Twelve cells in a 4 x 3 grid with one triangle each, so every triangle shows on its own.
ModelFile TwelveTriangles() {
    ModelFile m = StaticMesh();
    for (int i = 0; i < 12; ++i) {
        const float x0 = -1.0f + 0.5f * (i % 4), y0 = -1.0f + 0.66f * (i / 4);
        m.Triangles.push_back({{Vertex(x0 + 0.05f, y0 + 0.05f, 0), Vertex(x0 + 0.45f, y0 + 0.05f, 0),
                                Vertex(x0 + 0.05f, y0 + 0.6f, 0)}});
    }
    return m;
}

int LitCells(const Pixels& p, Rgba colour, std::vector<int>* which = nullptr) {
    int lit = 0;
    for (int i = 0; i < 12; ++i) {
        const float x = -1.0f + 0.5f * (i % 4) + 0.15f, y = -1.0f + 0.66f * (i / 4) + 0.15f;
        if (Near(PixelAt(p, x, y), colour[0], colour[1], colour[2])) {
            ++lit;
            if (which) which->push_back(i);
        }
    }
    return lit;
}

TEST_F(ModelBuffers, StaticDrawSendsEveryGroupFromItsFirstVertex) {
    const std::string dir = ScratchDir("models_groups");
    WriteTexture(dir + "/red.png", 4, 4, [](int, int) { return Rgba{255, 0, 0, 255}; });
    WriteTexture(dir + "/blue.png", 4, 4, [](int, int) { return Rgba{0, 0, 255, 255}; });
    ModelFile m = TwelveTriangles();
    m.DrawGroups = {{0, 12}};
    m.TextureNames = {"red.png"};
    auto one = TModel::Create(WriteModelTo(dir, "one.3dk", m), Context(gpu.get(), dir + "/"));

    // One group of 12 triangles: 36 vertices from vertex 0 reach GL.
    GLuint query = 0;
    glGenQueries(1, &query);
    OrthoView();
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    one->Draw(1, true, false, 0, 0);
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    EXPECT_EQ(primitives, 12u);
    glDeleteQueries(1, &query);
    if (epoxy_has_gl_extension("GL_ARB_pipeline_statistics_query")) {
        glGenQueries(1, &query);
        glBeginQuery(GL_VERTICES_SUBMITTED_ARB, query);
        one->Draw(1, true, false, 0, 0);
        glEndQuery(GL_VERTICES_SUBMITTED_ARB);
        GLuint vertices = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &vertices);
        EXPECT_EQ(vertices, 36u);
        glDeleteQueries(1, &query);
    }
    EXPECT_EQ(LitCells(ReadPixels(0, 0, kWidth, kHeight), {255, 0, 0, 255}), 12);

    // Two groups, 5 and 7 triangles, each with its own texture.
    m.DrawGroups = {{0, 5}, {0, 7}};
    m.TextureNames = {"red.png", "blue.png"};
    auto two = TModel::Create(WriteModelTo(dir, "two.3dk", m), Context(gpu.get(), dir + "/"));
    OrthoView();
    two->Draw(1, true, false, 0, 0);
    const Pixels p = ReadPixels(0, 0, kWidth, kHeight);
    std::vector<int> red, blue;
    LitCells(p, {255, 0, 0, 255}, &red);
    LitCells(p, {0, 0, 255, 255}, &blue);
    EXPECT_EQ(red, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(blue, (std::vector<int>{5, 6, 7, 8, 9, 10, 11}));

    // The draw leaves texturing and the client arrays off for the next drawer.
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_EQ(GlError(), 0u);
}

TEST_F(ModelBuffers, WithoutVertexBuffersMeshesDrawFromClientArrays) {
    const std::string dir = ScratchDir("models_client_arrays");
    WriteTexture(dir + "/green.png", 4, 4, [](int, int) { return Rgba{0, 255, 0, 255}; });
    ModelFile m = TwelveTriangles();
    m.ModelType = ModelType::SkinnedBuffer;  // skinned data too: weights stay loaded, unused
    m.DrawGroups = {{0, 12}};
    m.TextureNames = {"green.png"};
    auto model = TModel::Create(WriteModelTo(dir, "m.3dk", m), Context(gpu.get(), dir + "/", false));
    EXPECT_EQ(model->ModelType, ModelType::ClientArrays);
    EXPECT_EQ(model->VertexBuffer(), 0u);
    EXPECT_EQ(model->BoneWeights.size(), 12u);
    OrthoView();
    model->Draw(1, true, false, 0, 0);
    EXPECT_EQ(LitCells(ReadPixels(0, 0, kWidth, kHeight), {0, 255, 0, 255}), 12);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_EQ(GlError(), 0u);
}

TEST_F(ModelBuffers, TexturesComeFromTheModelFolderOrTheNoTextureImage) {
    const std::string root = ScratchDir("models_textures");
    std::filesystem::create_directories(root + "/k_resurs/addition");
    std::filesystem::create_directories(root + "/obj");
    SaveImage(root + "/k_resurs/addition/NOTEXTURE.jpg", 8, 8, {255, 0, 255, 255});
    // A file named like the marker but in another case is an ordinary texture of the model.
    WriteTexture(root + "/obj/notexture", 4, 4, [](int, int) { return Rgba{0, 255, 255, 255}; });
    ModelFile m = StaticMesh();
    AddSquare(m, -1, -1, 0, 1);
    AddSquare(m, 0, -1, 1, 1);
    m.DrawGroups = {{0, 2}, {0, 2}};
    m.TextureNames = {"NOTEXTURE", "notexture"};
    WriteModelTo(root + "/obj", "m.3dk", m);
    // The game spells paths with backslashes; the texture folder is the model's.
    auto model = TModel::Create(root + "\\obj\\m.3dk", Context(gpu.get(), root + "/"));
    OrthoView();
    model->Draw(1, true, false, 0, 0);
    const Pixels p = ReadPixels(0, 0, kWidth, kHeight);
    EXPECT_TRUE(Near(PixelAt(p, -0.5f, 0), 255, 0, 255)) << "NOTEXTURE comes from the data root";
    EXPECT_TRUE(Near(PixelAt(p, 0.5f, 0), 0, 255, 255)) << "other names come from the model's folder";
    EXPECT_EQ(GlError(), 0u);
}

TEST_F(ModelBuffers, ANameRepeatedBySlotsIsOneTextureAndOneMessage) {
    const std::string dir = ScratchDir("models_repeated_names");
    WriteTexture(dir + "/red.png", 4, 4, [](int, int) { return Rgba{255, 0, 0, 255}; });
    ModelFile m = TwelveTriangles();
    m.DrawGroups = {{0, 12}};
    m.TextureNames.assign(4000, "red.png");
    const ModelLoadContext context = Context(gpu.get(), dir + "/");
    testing::internal::CaptureStderr();
    auto model = TModel::Create(WriteModelTo(dir, "red.3dk", m), context);
    // Another model of the same context naming the file in another spelling shares it too.
    m.TextureNames = {"RED.PNG"};
    auto other = TModel::Create(WriteModelTo(dir, "other.3dk", m), context);
    // 65,536 empty names: one folder that is no image, one message.
    m.TextureNames.assign(65536, "");
    auto empty = TModel::Create(WriteModelTo(dir, "empty.3dk", m), context);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(model->Texture(0), 0u);
    EXPECT_EQ(model->Texture(3999), model->Texture(0));
    EXPECT_EQ(other->Texture(0), model->Texture(0));
    EXPECT_EQ(empty->Texture(65535), empty->Texture(0));
    EXPECT_EQ(gpu->Loads(), 2);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("(and 65535 more times)"), std::string::npos) << err;
    OrthoView();
    model->Draw(1, true, false, 0, 0);
    EXPECT_EQ(LitCells(ReadPixels(0, 0, kWidth, kHeight), {255, 0, 0, 255}), 12);
    EXPECT_EQ(GlError(), 0u);
}

// Models keep ids: the renderer's store owns what they upload. Models loaded apart share a
// file's texture; what a model made outlives the model and goes, with the skinning program, in
// the store's Release. A model outliving its context then has nothing left to delete.
TEST_F(ModelBuffers, TheStoreOwnsWhatModelsUploadAndReleasesItTogether) {
    const std::string dir = ScratchDir("models_run_textures");
    WriteTexture(dir + "/red.png", 4, 4, [](int, int) { return Rgba{255, 0, 0, 255}; });
    ModelFile m = TwelveTriangles();
    m.DrawGroups = {{0, 12}};
    m.TextureNames = {"red.png"};
    ModelLoadContext first = Context(gpu.get(), dir + "/"), second = Context(gpu.get(), dir + "/");
    first.Shared = second.Shared = nullptr;
    auto model = TModel::Create(WriteModelTo(dir, "a.3dk", m), first);
    m.TextureNames = {"Red.png"};
    auto other = TModel::Create(WriteModelTo(dir, "b.3dk", m), second);
    EXPECT_NE(&model->Shared(), &other->Shared());
    const uint32_t name = model->Texture(0), buffer = model->VertexBuffer();
    EXPECT_NE(name, 0u);
    EXPECT_EQ(other->Texture(0), name);
    EXPECT_EQ(gpu->Loads(), 1);
    EXPECT_EQ(gpu->BufferCount(), 2u);
    model.reset();
    EXPECT_TRUE(glIsTexture(name));
    EXPECT_TRUE(glIsBuffer(buffer));
    OrthoView();
    other->Draw(1, true, false, 0, 0);
    EXPECT_EQ(LitCells(ReadPixels(0, 0, kWidth, kHeight), {255, 0, 0, 255}), 12);
    ASSERT_TRUE(gpu->Part<SkinProgram>().Ensure());  // what skinned models of the store draw with
    const uint32_t program = gpu->Part<SkinProgram>().Program();
    ASSERT_NE(program, 0u);
    gpu->Release();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_FALSE(glIsBuffer(buffer));
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_EQ(gpu->BufferCount(), 0u);
    EXPECT_EQ(GlError(), 0u);
    delete gl_;
    gl_ = nullptr;
    other.reset();
}

// Without a store (a run without GL) the full loaders only read: no GL call, so no context is
// needed, and the model's ids stay 0.
TEST_F(ModelBuffers, WithoutAStoreTheFullLoaderOnlyReads) {
    const std::string dir = ScratchDir("models_no_store");
    WriteTexture(dir + "/t.png", 4, 4, [](int, int) { return Rgba{9, 9, 9, 255}; });
    ModelFile m = TwelveTriangles();
    m.DrawGroups = {{0, 12}};
    m.TextureNames = {"t.png"};
    const std::string path = WriteModelTo(dir, "m.3dk", m);
    gpu.reset();
    delete gl_;
    gl_ = nullptr;
    auto model = TModel::Create(path, Context(nullptr, dir + "/"));
    EXPECT_EQ(model->TriangleCount, 12);
    EXPECT_EQ(model->TextureNames.size(), 1u);
    EXPECT_EQ(model->Texture(0), 0u);
    EXPECT_EQ(model->VertexBuffer(), 0u);
}

}  // namespace
}  // namespace tv::test
