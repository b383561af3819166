// The frame's drawing in a real GL context: the state it leaves for every later drawer and
// the axes where the camera says they are.

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <cstring>

#include "gl_context.h"
#include "math/frustum.h"
#include "math/random.h"
#include "render/gl/gl_matrices.h"
#include "render/image_decode.h"
#include "render/gl/texture.h"
#include "shell/gl/frame.h"
#include "shell/startup.h"

namespace tv::test {
namespace {

class ContextWindow : public MainWindowPort {
public:
    explicit ContextWindow(int w, int h) : w_(w), h_(h) {}
    void SetCaption(const std::string&) override {}
    void Close() override {}
    int Width() const override { return w_; }
    int Height() const override { return h_; }
    bool MakeGLCurrent() override { return true; }  // the fixture's context is current
    void DeleteGLContext() override {}
    void SwapBuffers() override { ++swaps; }
    int swaps = 0;

private:
    int w_, h_;
};

class RenderSceneTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        game.platform.clock = &clock;
        game.platform.window = &window;
        InitOpenGL(game);
        InitLighting();
        game.ScreenWidth = kWidth;
        game.ScreenHeight = kHeight;
        SetViewportAndProjection(game);
        // An all-black font: the HUD, which covers most of this small window, adds nothing to
        // the picture (text blends additively), so the axes show as drawn.
        DecodedImage black{16, 16, 4, std::vector<uint8_t>(16 * 16 * 4, 0)};
        const Texture& font = game.Gpu->AdoptTexture(LoadTextureFromImage(black));
        ASSERT_TRUE(font.valid()) << font.status().Message();
        game.FontTexture = font.id();
    }

    // Window pixel of a world point under the frame's camera and projection.
    void Project(float x, float y, float z, int& px, int& py) {
        double proj[16];
        GLint vp[4];
        glGetDoublev(GL_PROJECTION_MATRIX, proj);
        glGetIntegerv(GL_VIEWPORT, vp);
        double wx, wy, wz;
        ASSERT_TRUE(gluProject(x, y, z, game.SavedModelview, proj, vp, &wx, &wy, &wz));
        px = static_cast<int>(wx);
        py = static_cast<int>(wy);
    }

    StepClock clock;
    ContextWindow window{kWidth, kHeight};
    Game game;
};

TEST_F(RenderSceneTest, LeavesTheSharedRendererStateAndSwapsOnce) {
    glEnable(GL_LIGHTING);  // whatever an earlier drawer left, the frame turns lighting off
    RenderScene(game);
    EXPECT_EQ(window.swaps, 1);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint func = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    EXPECT_EQ(func, GL_LEQUAL);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 10.0f);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(GlError(), 0u);
}

TEST_F(RenderSceneTest, DrawsTheAxesWhereTheCameraLooks) {
    // Stand 60 units south of the origin, looking north along +y: the x axis crosses the view
    // and the z axis stands up in the middle.
    game.Camera.Anchor = {0.0f, -60.0f, 0.0f};
    game.Camera.Pitch = -5.0f;
    RenderScene(game);
    // The picture is read from the back buffer the swap would have shown.
    Pixels p = ReadPixels(0, 0, kWidth, kHeight);

    // SavedModelview is the look-at transform from the camera's eye.
    double eyeInView[4];
    const double* m = game.SavedModelview;
    const Vec3 e = game.Camera.Eye;
    for (int r = 0; r < 3; ++r) eyeInView[r] = m[r] * e.x + m[4 + r] * e.y + m[8 + r] * e.z + m[12 + r];
    EXPECT_NEAR(eyeInView[0], 0.0, 1e-3);
    EXPECT_NEAR(eyeInView[1], 0.0, 1e-3);
    EXPECT_NEAR(eyeInView[2], 0.0, 1e-3);

    int x = 0, y = 0;
    Project(20.0f, 0.0f, 0.0f, x, y);  // x axis: green at half strength
    ASSERT_TRUE(x >= 0 && x < kWidth && y >= 0 && y < kHeight);
    EXPECT_NEAR(p.At(x, y)[0], 0, 2);
    EXPECT_NEAR(p.At(x, y)[1], 128, 3);
    EXPECT_NEAR(p.At(x, y)[2], 0, 2);

    Project(0.0f, 0.0f, 20.0f, x, y);  // z axis: red at half strength
    ASSERT_TRUE(x >= 0 && x < kWidth && y >= 0 && y < kHeight);
    EXPECT_NEAR(p.At(x, y)[0], 128, 3);
    EXPECT_NEAR(p.At(x, y)[1], 0, 2);

    EXPECT_NEAR(p.At(2, kHeight - 3)[0], 77, 1);  // the grey clear colour in a corner
    EXPECT_NEAR(p.At(2, kHeight - 3)[2], 77, 1);
}

TEST_F(RenderSceneTest, TheStepCullsWithGlsOwnMatricesToTheBit) {
    // The step builds the view planes without GL; they must be the planes GL's own matrices
    // give, bit for bit, for any camera and window, or culling would decide otherwise.
    GameRandom random;
    random.SetSeed(20);
    const int sizes[][2] = {{kWidth, kHeight}, {1024, 768}, {1366, 768}, {640, 480}, {3840, 2160}};
    int compared = 0;
    for (int n = 0; n < 120; ++n) {
        game.ScreenWidth = sizes[n % 5][0];
        game.ScreenHeight = sizes[n % 5][1];
        SetViewportAndProjection(game);
        game.Camera.Anchor = {static_cast<float>(random.Random(100000)) / 97.0f,
                              static_cast<float>(random.Random(100000)) / 89.0f,
                              static_cast<float>(random.Random(3000)) / 71.0f};
        game.Camera.Pitch = -static_cast<float>(random.Random(8999)) / 100.0f;
        game.Camera.Yaw = static_cast<float>(random.Random(36000)) / 100.0f;
        game.WheelZoom = static_cast<float>(random.Random(400));
        RenderScene(game);
        float view[16], projection[16], glProjection[16];
        CameraViewMatrix(game.Camera, view);
        CameraProjectionMatrix(game.Camera, game.ScreenWidth, game.ScreenHeight, projection);
        glGetFloatv(GL_PROJECTION_MATRIX, glProjection);  // what the next frame starts from
        for (int k = 0; k < 16; ++k) {
            EXPECT_EQ(static_cast<double>(view[k]), game.SavedModelview[k]) << "view " << k << " at " << n;
            EXPECT_EQ(projection[k], glProjection[k]) << "projection " << k << " at " << n;
        }
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixd(game.SavedModelview);
        Frustum fromGl;
        CalculateFrustum(fromGl);
        EXPECT_EQ(std::memcmp(fromGl.planes, game.frustum.planes, sizeof fromGl.planes), 0) << n;
        ++compared;
    }
    EXPECT_EQ(compared, 120);
}

TEST_F(RenderSceneTest, TheWheelZoomBacksTheEyeOff) {
    game.Camera.Anchor = {0.0f, 0.0f, 0.0f};
    game.WheelZoom = 30.0f;  // three notches down
    RenderScene(game);
    EXPECT_FLOAT_EQ(game.Camera.Zoom, 3.0f);
    EXPECT_FLOAT_EQ(game.Camera.Eye.y, -3.0f);
}

}  // namespace
}  // namespace tv::test
