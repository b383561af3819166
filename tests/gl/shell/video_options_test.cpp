// The graphics options for slow machines on the generated game: naming the defaults changes no
// pixel and makes no offscreen target; simple and no aircraft shadows darken less of the ground;
// a lower render scale blurs the scene but leaves the HUD where it was, pixel for pixel.
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "../../unit/shell/fakes.h"
#include "gl_context.h"
#include "render/gl/draw_parts.h"
#include "render/gl/gpu_store.h"
#include "render/gl/offscreen_target.h"
#include "render/image_decode.h"
#include "shell/gl/frame.h"
#include "shell/startup.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

int Brightness(const uint8_t* p) { return p[0] + p[1] + p[2]; }

class VideoOptionsTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        // One folder per test: ctest runs the fixture's tests side by side.
        root = ScratchDir(std::string("video_options_") +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::copy(TERRAVIK_GAME_DIR, root, fs::copy_options::recursive);
        fake.window.hasContext = true;
        fake.window.width = kWidth;
        fake.window.height = kHeight;
        fake.game.dataDirOverride = root;
        setenv("ALSOFT_DRIVERS", "null", 0);
        Game& game = fake.game;
        InitGame(game);
        ASSERT_TRUE(game.InitOK && game.WorldReady && game.Planes);
        game.form.FActive = -1;
        game.Camera.Pitch = 25.0f;
        game.Camera.Yaw = 300.0f;
        game.WheelZoom = 400.0f;
        RenderScene(game);  // places the camera
        // A line of aircraft low over the ground the camera looks at, apart enough that their
        // shadows never cross.
        TPlanes_System& planes = *game.Planes;
        planes.PlaneCount = 0;
        const Vec3 eye = game.Camera.Eye, target = game.Camera.Target;
        const float dx = target.x - eye.x, dy = target.y - eye.y, length = std::hypot(dx, dy);
        for (int k = 0; k < 5; ++k) {
            const float d = 40.0f + 35.0f * static_cast<float>(k), side = (k % 2 ? 12.0f : -12.0f);
            const float x = eye.x + dx / length * d - dy / length * side, y = eye.y + dy / length * d + dx / length * side;
            const int32_t kind = k % 3 + 1;
            planes.Spawn((kind - 1) * 2, (kind - 1) * 2 + 1, x, y, game.Camera.Anchor.z + 15.0f, 0.0f, 60.0f,
                         40.0f * static_cast<float>(k), 0.2f, 3.0f, kind);
        }
        saved.assign(planes.Planes.begin(), planes.Planes.begin() + planes.PlaneCount);
        savedRandom = game.random;
    }

    void TearDown() override {
        FormDestroy(fake.game);
        GlTest::TearDown();
    }

    // The frozen game drawn with these settings: no time passes and the aircraft and the
    // generator are put back, so every picture shows the same state.
    Pixels Render(const Settings& settings) {
        Game& game = fake.game;
        game.settings = settings;
        game.random = savedRandom;
        game.Planes->PlaneCount = 0;
        for (const TPlane& p : saved) game.Planes->Planes[game.Planes->PlaneCount++] = p;
        for (T_Fire_Jet& f : game.Planes->FlameSets) f.Angle = 0.0f;
        game.FrameTime = 0;
        RenderScene(game);
        return ReadPixels(0, 0, kWidth, kHeight);
    }

    static Settings Video(ShadowMode shadows, double scale) {
        Settings s;
        s.video.shadows = shadows;
        s.video.renderScale = scale;
        return s;
    }

    std::string root;
    FakeGame fake;
    GameRandom savedRandom;
    std::vector<TPlane> saved;
};

// Pixels of `a` darker than the same pixel of `b` by more than a rounding step.
int DarkerPixels(const Pixels& a, const Pixels& b) {
    int n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) n += Brightness(a.At(x, y)) + 6 < Brightness(b.At(x, y));
    return n;
}

TEST_F(VideoOptionsTest, ShadowModesDarkenTheGroundAsMuchAsTheyDraw) {
    std::vector<std::string> warnings;
    const Settings named =
        ParseSettings("[video]\nshadows = full\nrender_scale = 1.0\n", "named.ini", warnings);
    ASSERT_TRUE(warnings.empty());
    Render(Settings{});  // settles what the first frame after the camera move does
    const Pixels defaults = Render(Settings{});
    const Pixels explicitFull = Render(named);
    EXPECT_EQ(explicitFull.rgba, defaults.rgba) << "naming the defaults changed the picture";
    EXPECT_EQ(fake.game.Gpu->Part<OffscreenTarget>().Width(), 0) << "render scale 1 made an offscreen target";

    const Pixels simple = Render(Video(ShadowMode::Simple, 1.0));
    const Pixels off = Render(Video(ShadowMode::Off, 1.0));
    const int fullShadow = DarkerPixels(defaults, off), simpleShadow = DarkerPixels(simple, off);
    // Off draws no aircraft shadow at all: everything else is as in the full picture.
    EXPECT_GT(fullShadow, 200);
    EXPECT_EQ(DarkerPixels(off, defaults), 0);
    EXPECT_GT(simpleShadow, 200);
    EXPECT_EQ(DarkerPixels(off, simple), 0);
    EXPECT_NE(simple.rgba, defaults.rgba);
    // One layer of the shadow's 30 % black per aircraft: no simple-shadow pixel falls below
    // 60 % of its unshadowed brightness unless two ovals cross, which this ring keeps apart,
    // while the squashed models darken their overlapping layers again.
    int simpleDeep = 0, fullDeep = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const int lit = Brightness(off.At(x, y));
            simpleDeep += Brightness(simple.At(x, y)) * 10 < lit * 6;
            fullDeep += Brightness(defaults.At(x, y)) * 10 < lit * 6;
        }
    EXPECT_EQ(simpleDeep, 0);
    EXPECT_GT(fullDeep, 0);
    if (HasFailure()) {
        WritePng(root + "/full.png", defaults);
        WritePng(root + "/simple.png", simple);
        WritePng(root + "/off.png", off);
    }
    EXPECT_EQ(GlError(), 0u);
}

TEST_F(VideoOptionsTest, HalfScaleBlursTheSceneButNotTheHud) {
    Game& game = fake.game;
    DecodedImage black{16, 16, 4, std::vector<uint8_t>(16 * 16 * 4, 0)};
    Texture noText = LoadTextureFromImage(black);
    ASSERT_TRUE(noText.valid());
    // What the HUD adds (it blends additively): where a picture with the real font differs
    // from one whose font draws nothing.
    auto hudMask = [&](double scale) {
        const Pixels with = Render(Video(ShadowMode::Full, scale));
        const uint32_t font = game.FontTexture;
        game.FontTexture = noText.id();
        const Pixels without = Render(Video(ShadowMode::Full, scale));
        game.FontTexture = font;
        std::vector<bool> mask(static_cast<size_t>(kWidth) * kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                mask[static_cast<size_t>(y) * kWidth + x] = Brightness(with.At(x, y)) != Brightness(without.At(x, y));
        return std::pair{with, mask};
    };
    Render(Settings{});
    const auto [full, fullHud] = hudMask(1.0);
    const auto [half, halfHud] = hudMask(0.5);
    EXPECT_EQ(game.Gpu->Part<OffscreenTarget>().Width(), kWidth / 2);
    EXPECT_EQ(game.Gpu->Part<OffscreenTarget>().Height(), kHeight / 2);
    GLint framebuffer = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_EQ(framebuffer, 0) << "the frame ended bound to the offscreen target";

    // The HUD's glyphs cover the very same pixels; where the scene under them saturates the
    // sum, a pixel may go either way.
    int hudPixels = 0, moved = 0;
    for (size_t i = 0; i < fullHud.size(); ++i) {
        hudPixels += fullHud[i];
        moved += fullHud[i] != halfHud[i];
    }
    EXPECT_GT(hudPixels, 500);
    EXPECT_LE(moved, hudPixels / 50) << "of " << hudPixels << " HUD pixels";
    // The scene is the same picture, stretched from half as many pixels each way: different
    // in many pixels, but close on average.
    int differing = 0;
    long total = 0;
    for (size_t i = 0; i < full.rgba.size(); i += 4)
        for (int c = 0; c < 3; ++c) {
            const int d = std::abs(int(full.rgba[i + c]) - int(half.rgba[i + c]));
            differing += d > 2;
            total += d;
        }
    EXPECT_GT(differing, kWidth * kHeight / 20);
    EXPECT_LT(static_cast<double>(total) / (kWidth * kHeight * 3), 12.0);

    // Back to 1: straight into the window again, the picture as before the scaled frames.
    EXPECT_EQ(Render(Settings{}).rgba, full.rgba);
    EXPECT_EQ(game.Gpu->Part<OffscreenTarget>().Width(), 0) << "the offscreen target outlived render scale 1";
    if (HasFailure()) {
        WritePng(root + "/full.png", full);
        WritePng(root + "/half.png", half);
    }
    EXPECT_EQ(GlError(), 0u);
}

// --draw-parts charges each part of the frame in drawing order, the stretch only when the
// scene is scaled, and a run without it marks nothing.
TEST_F(VideoOptionsTest, DrawPartsFollowTheFrameInItsOrder) {
    auto partsOf = [&](double scale) {
        DrawParts parts;
        fake.game.DrawTimes = &parts;
        Render(Video(ShadowMode::Full, scale));
        fake.game.DrawTimes = nullptr;
        return parts;
    };
    const std::vector<std::string> order = {"clear and sky", "terrain", "sky behind the terrain", "shadows",
                                            "turret", "level objects", "aircraft", "smoke", "shots and fragments",
                                            "sight", "flare", "radar", "HUD", "swap"};
    const DrawParts full = partsOf(1.0);
    const std::string got = full.Report();
    EXPECT_EQ(got.rfind("draw parts over 1 frames, ms a frame: clear and sky ", 0), 0u) << got;
    size_t at = 0;
    for (const std::string& part : order) {
        const size_t found = got.find(" " + part + " ", at);
        EXPECT_NE(found, std::string::npos) << part << " missing or out of order in " << got;
        if (found != std::string::npos) at = found;
    }
    EXPECT_GT(full.PartMs("terrain"), 0.0);
    EXPECT_EQ(full.PartMs("stretch"), 0.0);
    const std::string half = partsOf(0.5).Report();
    EXPECT_LT(half.find(" flare "), half.find(" stretch ")) << half;
    EXPECT_LT(half.find(" stretch "), half.find(" sight ")) << half;
    EXPECT_EQ(DrawParts().Report(), "");
}

}  // namespace
}  // namespace tv::test
