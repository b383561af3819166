// The frame's pictures against the order they were drawn in before the overdraw cuts (the sky
// first under everything, every shadow and engine flame drawn whether in view or not), kept
// here as the reference. The generated game is rendered both ways from the same state at
// several views; at most 0.1 % of the pixels may differ, by at most 2/255 per channel.
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "../../unit/shell/fakes.h"
#include "gl_context.h"
#include "math/frustum.h"
#include "render/gl/gl_matrices.h"
#include "shell/controls.h"
#include "shell/gl/frame.h"
#include "shell/startup.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

PlanesFrame ReferenceAircraftFrame(Game& game) {
    PlanesFrame f;
    f.frameMs = game.FrameTime;
    f.land = game.WorldReady ? &game.world.land : nullptr;
    f.frustum = &game.frustum;
    f.eye = game.Camera.Eye;
    f.farDistance = game.Camera.Far;
    f.turret = game.Turel.get();
    f.random = &game.random;
    f.clock = game.platform.clock;
    f.mixer = &game.Mixer;
    return f;
}

void ReferenceDrawWorld(Game& game) {
    if (!game.WorldReady) return;
    game.world.land.Draw(1);
    if (game.Turel) game.Turel->DrawShadow(game.SunDir);
    if (game.Planes) game.Planes->DrawShadows(game.SunDir, nullptr);
    if (game.Turel) game.Turel->Draw(game.SavedModelview);
    DrawLevelObjects(game.world, *game.Gpu);
    if (game.Planes) game.Planes->Draw(game.SavedModelview, nullptr);  // the old drawing never looked at the view
    if (game.Turel) game.Turel->DrawSight(game.SavedModelview);
}

// The frame as drawn before: the sky first, without depth test, under everything.
void ReferenceRenderScene(Game& game) {
    glViewport(0, 0, game.ScreenWidth, game.ScreenHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    game.Camera.Zoom = game.WheelZoom / 10.0f;
    PlaceCamera(game.Camera);
    glGetDoublev(GL_MODELVIEW_MATRIX, game.SavedModelview);
    glDisable(GL_LIGHTING);
    game.Sky.DrawAt(game.Camera.Eye);
    DrawAxes();
    CalculateFrustum(game.frustum);
    if (game.Turel) game.Turel->Update(game.FrameTime, &game.world.land);
    if (game.Planes) game.Planes->Update(ReferenceAircraftFrame(game));
    if (game.WorldReady) {
        StepLevelObjects(game.world, game.frustum, game.Camera.Eye, game.Camera.Target, game.FrameTime, game.random);
        if (game.Planes) game.Planes->Step(ReferenceAircraftFrame(game));
    }
    ReferenceDrawWorld(game);
    glEnable(GL_TEXTURE_2D);
    game.Flare.FlareDraw({game.FrameTime, game.Camera.Near, game.Camera.Far, game.ScreenWidth, game.ScreenHeight});
    glDisable(GL_LIGHTING);
    if (game.Turel) {
        const float w = static_cast<float>(game.ScreenWidth), h = static_cast<float>(game.ScreenHeight);
        game.Turel->DrawRadar(w / 100.0f * 10.0f, h / 100.0f * 10.0f, w / 100.0f * 7.5f, 200.0f, game.ScreenWidth,
                              game.ScreenHeight);
    }
    glLoadMatrixd(game.SavedModelview);
    glEnable(GL_TEXTURE_2D);
    glColor3f(0.0f, 1.0f, 0.0f);
    TakeHudValues(game);
    PrintHud({game.FontTexture, game.ScreenWidth, game.ScreenHeight}, game.form.FFPS, game.Hud);
    game.platform.window->SwapBuffers();
}

struct View {
    const char* name;
    float pitch, yaw, zoom;  // pitch > 0 looks down, which only a test can ask for
};

class DrawOrderGoldenTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        root = ScratchDir("draw_order_golden");
        fs::copy(TERRAVIK_GAME_DIR, root, fs::copy_options::recursive);
        fake.window.hasContext = true;
        fake.window.width = kWidth;
        fake.window.height = kHeight;
        fake.game.dataDirOverride = root;
    }

    // One picture of the frozen game: the frame time is 0 and the generator, the flames' turn
    // and the aircraft are put back as they were, so both orders draw the very same state.
    Pixels Render(bool reference) {
        Game& game = fake.game;
        game.random = savedRandom;
        game.Planes->PlaneCount = 0;
        for (const TPlane& p : savedPlanes) game.Planes->Planes[game.Planes->PlaneCount++] = p;
        for (T_Fire_Jet& f : game.Planes->FlameSets) f.Angle = 0.0f;
        game.FrameTime = 0;
        if (reference)
            ReferenceRenderScene(game);
        else
            RenderScene(game);
        return ReadPixels(0, 0, kWidth, kHeight);
    }

    std::string root;
    FakeGame fake;
    GameRandom savedRandom;
    std::vector<TPlane> savedPlanes;
};

TEST_F(DrawOrderGoldenTest, EveryViewMatchesTheOldOrderWithinTwoLevelsOnATenthOfAPercent) {
    Game& game = fake.game;
    setenv("ALSOFT_DRIVERS", "null", 0);  // the audio steps must not depend on the machine's sound card
    InitGame(game);
    ASSERT_TRUE(game.InitOK && game.WorldReady && game.Planes);
    game.form.FActive = -1;

    // A fixed crowd: a ring of aircraft overhead around the turret, and a line far off to one
    // side whose shadows and flames lie outside most views. Apart enough never to separate.
    TPlanes_System& planes = *game.Planes;
    planes.PlaneCount = 0;
    const Vec3 t = game.Camera.Anchor;
    planes.Target = t;
    for (int k = 0; k < 12; ++k) {
        const float a = static_cast<float>(k) * 0.5236f;
        const int32_t kind = k % 4 + 1;
        planes.Spawn((kind - 1) * 2, (kind - 1) * 2 + 1, t.x + 150.0f * std::cos(a), t.y + 150.0f * std::sin(a),
                     t.z + 60.0f + 10.0f * static_cast<float>(k % 3), 0.0f, 60.0f, 30.0f * static_cast<float>(k), 0.2f,
                     3.0f, kind);
    }
    for (int k = 0; k < 8; ++k)
        planes.Spawn(0, 1, t.x - 350.0f, t.y - 300.0f + 80.0f * static_cast<float>(k), t.z + 40.0f, 0.0f, 60.0f, 0.0f,
                     0.2f, 3.0f, 1);
    savedPlanes.assign(planes.Planes.begin(), planes.Planes.begin() + planes.PlaneCount);
    savedRandom = game.random;

    const View views[] = {
        {"sky", -60.0f, 0.0f, 0.0f},
        {"horizon", -2.0f, 90.0f, 0.0f},
        {"overhead", -30.0f, 200.0f, 0.0f},
        {"shadows", 25.0f, 300.0f, 40.0f},
    };
    for (const View& v : views) {
        SCOPED_TRACE(v.name);
        game.Camera.Pitch = v.pitch;
        game.Camera.Yaw = v.yaw;
        game.WheelZoom = v.zoom * 10.0f;
        Render(false);  // settles whatever the first frame after a camera move does
        const Pixels before = Render(true);
        const Pixels again = Render(true);
        ASSERT_EQ(before.rgba, again.rgba) << "the frozen game still changes between frames";
        const Pixels now = Render(false);
        int differing = 0, worst = 0;
        for (size_t i = 0; i < now.rgba.size(); i += 4) {
            int d = 0;
            for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(int(now.rgba[i + c]) - int(before.rgba[i + c])));
            worst = std::max(worst, d);
            differing += d > 2;
        }
        EXPECT_LE(differing, kWidth * kHeight / 1000) << "worst difference " << worst;
        if (differing > 0) {
            WritePng(root + "/" + v.name + "_reference.png", before);
            WritePng(root + "/" + v.name + "_now.png", now);
        }
    }
    EXPECT_EQ(GlError(), 0u);
    FormDestroy(game);
}

}  // namespace
}  // namespace tv::test
