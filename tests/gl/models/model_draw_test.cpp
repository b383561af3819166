// Drawing as a player sees it: GPU skinning against CPU skinning, the fallback without a
// skinning program, the alpha-test rule, upright billboards and the sky.

#include <gtest/gtest.h>

#include "model_fixtures.h"
// GLU after epoxy, which provides the GL declarations it needs.
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include "models/animation_load.h"
#include "models/model.h"
#include "models/gl/skin_program.h"
#include "models/sky.h"
#include "models/smd_file.h"

namespace tv::test {
namespace {

class ModelDraw : public GlTest {};

// A bar of eight segments along x; the left half hangs on bone 2, the right half on bone 3,
// which sits 0.1 along x from bone 2 (bones 0 and 1 only carry them, so that bone numbers
// above 1 reach the skinning program). Positions are stored in each vertex's bone frame.
ModelFile SkinnedBar(ModelType type) {
    ModelFile m;
    m.ModelType = type;
    m.BoneParents = {-1, 0, 1, 2};
    m.RestPose = {RestBone{}, RestBone{}, RestBone{}, RestBone{{0.1f, 0, 0}, {0, 0, 0}}};
    for (int k = 0; k < 8; ++k) {
        const float x0 = -0.8f + 0.2f * k, x1 = x0 + 0.2f;
        const int bone = k < 4 ? 2 : 3;
        const float shift = bone == 3 ? 0.1f : 0.0f;
        const auto v = [&](float x, float y) {
            ModelVertex out = Vertex(x - shift, y, 0);
            out.bone = bone;
            if (bone == 2) {
                out.weights = {BoneWeight{2, 0.5f}, BoneWeight{3, 0.0f}, BoneWeight{2, 0.5f}};
            } else {
                out.weights = {BoneWeight{3, 0.25f}, BoneWeight{3, 0.25f}, BoneWeight{3, 0.5f}};
            }
            return out;
        };
        m.Triangles.push_back({{v(x0, -0.1f), v(x1, -0.1f), v(x1, 0.1f)}});
        m.Triangles.push_back({{v(x0, -0.1f), v(x1, 0.1f), v(x0, 0.1f)}});
    }
    m.DrawGroups = {{0, 16}};
    m.TextureNames = {"NOTEXTURE"};
    m.BoxSize = {2, 2, 2};
    return m;
}

// Frame 0 is the rest pose; frame 1 moves bone 2 and bends bones 2 and 3 about z.
std::string WriteBend(const std::string& dir) {
    SmdAnimation a;
    const auto pose = [](Vec3 p, Vec3 r) {
        SmdBonePose b;
        b.position = p;
        b.rotation = r;
        return b;
    };
    const SmdBonePose still = pose({0, 0, 0}, {0, 0, 0});
    a.frames.push_back({{still, still, still, pose({0.1f, 0, 0}, {0, 0, 0})}});
    a.frames.push_back({{still, still, pose({0.1f, 0.2f, 0}, {0, 0, 0.4f}), pose({0.1f, 0, 0}, {0, 0, 0.8f})}});
    const std::string path = dir + "/bend.smd";
    WriteWholeFile(path, WriteSmd(a, {-1, 0, 1, 2}));
    return path;
}

int DifferingPixels(const Pixels& a, const Pixels& b) {
    int differing = 0;
    for (size_t i = 0; i < a.rgba.size(); i += 4) {
        for (int k = 0; k < 3; ++k) {
            if (std::abs(a.rgba[i + k] - b.rgba[i + k]) > 32) {
                ++differing;
                break;
            }
        }
    }
    return differing;
}

int LitPixels(const Pixels& p) {
    int lit = 0;
    for (size_t i = 0; i < p.rgba.size(); i += 4) lit += p.rgba[i] > 128;
    return lit;
}

Pixels Render(TModel& model, bool animate, float time) {
    OrthoView();
    model.Draw(1, false, animate, 0, time);
    return ReadPixels(0, 0, 256, 256);
}

TEST_F(ModelDraw, GpuSkinningMatchesCpuSkinning) {
    const std::string dir = ScratchDir("models_skinning");
    const std::string smd = WriteBend(dir);
    const ModelLoadContext context = Context(GlTest::gpu.get(), dir + "/");
    auto gpu = TModel::Create(WriteModelTo(dir, "gpu.3dk", SkinnedBar(ModelType::SkinnedBuffer)), context);
    auto cpu = TModel::Create(WriteModelTo(dir, "cpu.3dk", SkinnedBar(ModelType::CpuSkinned)), context);
    ASSERT_EQ(gpu->ModelType, ModelType::SkinnedBuffer);
    ASSERT_TRUE(GlTest::gpu->Part<SkinProgram>().Ensure()) << GlTest::gpu->Part<SkinProgram>().status().Message();
    AddSmdAnimation(*gpu, smd);
    AddSmdAnimation(*cpu, smd);

    const Pixels rest = Render(*cpu, false, 0);
    const Pixels cpuBent = Render(*cpu, true, 0.5f);
    const Pixels gpuBent = Render(*gpu, true, 0.5f);
    const Pixels gpuRest = Render(*gpu, false, 0);
    EXPECT_EQ(GlError(), 0u);
    const int bar = LitPixels(rest);
    ASSERT_GT(bar, 2000);
    EXPECT_GT(DifferingPixels(rest, cpuBent), bar / 4) << "the animation should bend the bar";
    EXPECT_LT(DifferingPixels(cpuBent, gpuBent), bar / 50);
    EXPECT_LT(DifferingPixels(rest, gpuRest), bar / 50);
    WritePng(dir + "/cpu.png", cpuBent);
    WritePng(dir + "/gpu.png", gpuBent);

    // An animation that does not exist draws the rest pose.
    OrthoView();
    gpu->Draw(1, false, true, 3, 0.0f);
    EXPECT_LT(DifferingPixels(rest, ReadPixels(0, 0, kWidth, kHeight)), bar / 50);
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
}

// The bar on a chain of 80 bones: bones 4..71 add nothing to bone 3, bones 72..79 each move
// 0.5 up, out of view by bone 75. The right half hangs on `rightBone` instead of bone 3.
ModelFile SkinnedBarOnLongChain(ModelType type, int32_t rightBone) {
    ModelFile m = SkinnedBar(type);
    for (int32_t b = 4; b < 80; ++b) {
        m.BoneParents.push_back(b - 1);
        m.RestPose.push_back(b < kMaxPaletteBones ? RestBone{} : RestBone{{0, 0.5f, 0}, {0, 0, 0}});
    }
    for (ModelTriangle& t : m.Triangles) {
        for (ModelVertex& v : t.v) {
            if (v.bone == 3) v.bone = rightBone;
            for (BoneWeight& w : v.weights) {
                if (w.bone == 3) w.bone = rightBone;
            }
        }
    }
    return m;
}

TEST_F(ModelDraw, GpuSkinnedBonesPastThePaletteTakeItsLastBone) {
    const std::string dir = ScratchDir("models_long_chain");
    const ModelLoadContext context = Context(GlTest::gpu.get(), dir + "/");
    ASSERT_TRUE(GlTest::gpu->Part<SkinProgram>().Ensure()) << GlTest::gpu->Part<SkinProgram>().status().Message();
    auto gpu = TModel::Create(WriteModelTo(dir, "gpu.3dk", SkinnedBarOnLongChain(ModelType::SkinnedBuffer, 75)), context);
    auto lastRow = TModel::Create(WriteModelTo(dir, "cpu71.3dk", SkinnedBarOnLongChain(ModelType::CpuSkinned, 71)), context);
    auto bone75 = TModel::Create(WriteModelTo(dir, "cpu75.3dk", SkinnedBarOnLongChain(ModelType::CpuSkinned, 75)), context);

    const Pixels expected = Render(*lastRow, false, 0);
    const int bar = LitPixels(expected);
    ASSERT_GT(bar, 2000);
    EXPECT_GT(DifferingPixels(expected, Render(*bone75, false, 0)), bar / 4) << "bone 75 should lie out of view";
    EXPECT_LT(DifferingPixels(expected, Render(*gpu, false, 0)), bar / 50);
    EXPECT_EQ(GlError(), 0u);
}

TEST_F(ModelDraw, WithoutTheSkinningProgramSkinnedBuffersDrawTheirStoredPositions) {
    const std::string dir = ScratchDir("models_unskinned");
    ModelLoadContext context = Context(GlTest::gpu.get(), dir + "/");
    GlTest::gpu->Part<SkinProgram>().Disable();
    auto gpu = TModel::Create(WriteModelTo(dir, "gpu.3dk", SkinnedBar(ModelType::SkinnedBuffer)), context);
    AddSmdAnimation(*gpu, WriteBend(dir));
    ModelFile flat = SkinnedBar(ModelType::StaticBuffer);
    auto still = TModel::Create(WriteModelTo(dir, "flat.3dk", flat), context);
    const Pixels expected = Render(*still, false, 0);
    const Pixels drawn = Render(*gpu, true, 0.5f);
    EXPECT_EQ(GlError(), 0u);
    EXPECT_GT(LitPixels(expected), 2000);
    EXPECT_LT(DifferingPixels(expected, drawn), 40);
}

TEST_F(ModelDraw, AlphaTestFollowsTheAlphaKeyNotTheFlag) {
    const std::string dir = ScratchDir("models_alpha");
    // Opaque white on the left half of the texture, transparent white on the right.
    WriteTexture(dir + "/cut.png", 8, 8, [](int x, int) { return Rgba{255, 255, 255, uint8_t(x < 4 ? 255 : 0)}; });
    ModelFile m = StaticMesh();
    AddSquare(m, -1, -1, 1, 1);
    m.DrawGroups = {{0, 2}};
    m.TextureNames = {"cut.png"};
    m.Transparent = 0;
    auto model = TModel::Create(WriteModelTo(dir, "m.3dk", m), Context(GlTest::gpu.get(), dir + "/"));

    const auto draw = [&](uint8_t key) {
        OrthoView();
        model->Draw(key, true, false, 0, 0);
        return ReadPixels(0, 0, kWidth, kHeight);
    };
    // Key 0 equals Transparent 0: the transparent half is cut out, and the test is off after.
    Pixels p = draw(0);
    EXPECT_TRUE(Near(PixelAt(p, -0.5f, 0), 255, 255, 255));
    EXPECT_TRUE(Near(PixelAt(p, 0.5f, 0), 0, 0, 0));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    // Key 1 differs: no alpha test, both halves drawn.
    p = draw(1);
    EXPECT_TRUE(Near(PixelAt(p, 0.5f, 0), 255, 255, 255));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(GlError(), 0u);
}

// Looks from `eye` towards (0, 0, 0.5), z up, and sets the side vectors as the particle code
// does each frame: the view direction halved, turned +90 (left) and -90 degrees (right).
void LookAt(TModel& model, float ex, float ey) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(ex, ey, 0.5, 0, 0, 0.5, 0, 0, 1);
    const float len = std::sqrt(ex * ex + ey * ey);
    const float dx = -ex / len * 0.5f, dy = -ey / len * 0.5f;
    model.Shared().Sides = {-dy, dx, dy, -dx};
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
}

TEST_F(ModelDraw, BillboardsTurnToFaceTheViewer) {
    const std::string dir = ScratchDir("models_billboard");
    WriteTexture(dir + "/lr.png", 8, 8, [](int x, int) { return x < 4 ? Rgba{255, 0, 0, 255} : Rgba{0, 0, 255, 255}; });
    ModelFile m;
    m.ModelType = ModelType::Billboard;
    m.Billboard.halfWidth = 1.0f;
    m.Billboard.height = 1.0f;
    m.TextureNames = {"lr.png"};
    m.Transparent = 1;
    auto model = TModel::Create(WriteModelTo(dir, "b.3dk", m), Context(GlTest::gpu.get(), dir + "/"));
    ASSERT_EQ(model->ModelType, ModelType::Billboard);
    // Another drawer's texture is bound when the billboard's turn comes.
    WriteTexture(dir + "/green.png", 4, 4, [](int, int) { return Rgba{0, 255, 0, 255}; });
    const Texture other = LoadTexture(dir + "/green.png");
    for (auto [ex, ey] : {std::pair{0.0f, -3.0f}, {3.0f, 0.0f}, {-2.0f, 2.0f}}) {
        LookAt(*model, ex, ey);
        glBindTexture(GL_TEXTURE_2D, other.id());
        model->Draw(0, true, false, 0, 0);
        const Pixels p = ReadPixels(0, 0, kWidth, kHeight);
        // Half width 1 times the half-length side vector: 0.5 either side of the axis, red on
        // the viewer's left, blue on the right, whatever the direction.
        EXPECT_TRUE(Near(p.At(kWidth / 2 - 20, kHeight / 2), 255, 0, 0)) << ex << "," << ey;
        EXPECT_TRUE(Near(p.At(kWidth / 2 + 20, kHeight / 2), 0, 0, 255)) << ex << "," << ey;
        EXPECT_TRUE(Near(p.At(kWidth / 2 + 70, kHeight / 2), 0, 0, 0)) << ex << "," << ey;
    }
    // Transparent billboards keep the alpha test on after Draw when the key differs.
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    glDisable(GL_ALPHA_TEST);
    EXPECT_EQ(GlError(), 0u);
}

TEST_F(ModelDraw, SkyIsDrawnBehindEverythingWithoutWritingDepth) {
    const std::string dir = ScratchDir("models_sky");
    WriteTexture(dir + "/blue.png", 4, 4, [](int, int) { return Rgba{0, 0, 255, 255}; });
    WriteTexture(dir + "/red.png", 4, 4, [](int, int) { return Rgba{255, 0, 0, 255}; });
    // A small box around the eye, faces seen from inside.
    ModelFile box = StaticMesh();
    for (float s : {-1.0f, 1.0f}) {
        for (int axis = 0; axis < 3; ++axis) {
            ModelTriangle a, b;
            const auto corner = [&](float u, float v) {
                Vec3 p;
                float* c = &p.x;
                c[axis] = s * 5, c[(axis + 1) % 3] = u * 5, c[(axis + 2) % 3] = v * 5;
                return Vertex(p.x, p.y, p.z, (u + 1) / 2, (v + 1) / 2);
            };
            box.Triangles.push_back({{corner(-1, -1), corner(1, -1), corner(1, 1)}});
            box.Triangles.push_back({{corner(-1, -1), corner(1, 1), corner(-1, 1)}});
        }
    }
    box.DrawGroups = {{0, 12}};
    box.TextureNames = {"ignored.jpg"};
    const ModelLoadContext context = Context(GlTest::gpu.get(), dir + "/");
    TSky sky;
    sky.Model = TModel::CreateGeometryOnly(WriteModelTo(dir, "sky.3dk", box), context);
    sky.SetTexture(GlTest::gpu.get(), dir + "/blue.png");
    EXPECT_EQ(sky.TextureFileName, "blue.png");
    sky.Scale = 1.0f;

    // A wall far beyond the sky box, in front of the eye.
    ModelFile wall = StaticMesh();
    wall.Triangles.push_back({{Vertex(-2, 20, -2), Vertex(2, 20, -2), Vertex(2, 20, 2)}});
    wall.Triangles.push_back({{Vertex(-2, 20, -2), Vertex(2, 20, 2), Vertex(-2, 20, 2)}});
    wall.DrawGroups = {{0, 2}};
    wall.TextureNames = {"red.png"};
    auto far = TModel::Create(WriteModelTo(dir, "wall.3dk", wall), context);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 0, 0, 1, 0, 0, 0, 1);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);

    sky.Draw();
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_TRUE(std::equal(before, before + 16, after));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    std::vector<float> depth(static_cast<size_t>(kWidth) * kHeight);
    glReadPixels(0, 0, kWidth, kHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    EXPECT_EQ(*std::min_element(depth.begin(), depth.end()), 1.0f) << "the sky must not write depth";

    far->Draw(1, true, false, 0, 0);
    const Pixels p = ReadPixels(0, 0, kWidth, kHeight);
    EXPECT_TRUE(Near(p.At(kWidth / 2, kHeight / 2), 255, 0, 0)) << "the far wall draws over the sky";
    EXPECT_TRUE(Near(p.At(5, 5), 0, 0, 255)) << "the sky fills the rest";
    EXPECT_EQ(GlError(), 0u);
}

}  // namespace
}  // namespace tv::test
