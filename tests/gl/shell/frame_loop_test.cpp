// The frame's timing rules, the start button and the shutdown, driven by the deterministic
// clock and fake platform ports. No rendering context is made, so frames do everything but
// draw; the frame loop and the start-up are the game's GL half, so these link GL.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "../../unit/shell/fakes.h"
#include "log_messages.h"
#include "shell/controls.h"
#include "shell/gl/frame.h"
#include "shell/main_form.h"
#include "shell/startup.h"

namespace tv::test {
namespace {

TEST(FrameTiming, NothingRunsUntilTheWindowIsActivated) {
    FakeGame f;
    f.clock.SetTicks(5000);
    GameFrame(f.game);
    EXPECT_EQ(f.game.CurTick, 0u);
    EXPECT_EQ(f.game.form.FFrameCount, 0);
    EXPECT_TRUE(f.window.captions.empty());
}

TEST(FrameTiming, FirstFrameShowsOneFpsThenTheCaptionChangesOncePerSecond) {
    FakeGame f;
    FormActivate(f.game);
    f.clock.SetTicks(3600040);  // the tick count runs from the machine's start
    GameFrame(f.game);
    ASSERT_EQ(f.window.captions.size(), 1u);
    EXPECT_EQ(f.window.captions[0], "Terravik. 1 FPS");
    EXPECT_EQ(f.game.form.FFPS, 1);
    EXPECT_EQ(f.game.form.FLastFPSTick, 3600040u);

    // 99 more frames 10 ms apart are 990 ms later: the caption waits for 1000.
    for (int i = 0; i < 99; ++i) {
        f.clock.Advance(10);
        GameFrame(f.game);
    }
    EXPECT_EQ(f.window.captions.size(), 1u);
    f.clock.Advance(10);
    GameFrame(f.game);
    ASSERT_EQ(f.window.captions.size(), 2u);
    EXPECT_EQ(f.window.captions[1], "Terravik. 100 FPS");
    EXPECT_EQ(f.game.form.FFrameCount, 0);
}

TEST(FrameTiming, EqualTicksGiveZeroAndMinimisedFramesDoNothing) {
    FakeGame f;
    FormActivate(f.game);
    f.clock.SetTicks(1000);
    GameFrame(f.game);
    GameFrame(f.game);
    EXPECT_EQ(f.game.FrameTime, 0u);
    f.clock.Advance(16);
    GameFrame(f.game);
    EXPECT_EQ(f.game.FrameTime, 16u);

    ApplicationEvents1Minimize(f.game);
    int counted = f.game.form.FFrameCount;
    f.clock.Advance(5000);
    bool done = true;
    ApplicationEvents1Idle(f.game, done);
    EXPECT_FALSE(done);  // the idle handler always asks for more
    EXPECT_EQ(f.game.CurTick, 1016u);
    EXPECT_EQ(f.game.form.FFrameCount, counted);

    // The first frame after the restore carries the whole minimised time.
    ApplicationEvents1Restore(f.game);
    f.clock.Advance(20);
    GameFrame(f.game);
    EXPECT_EQ(f.game.FrameTime, 5020u);
    EXPECT_EQ(f.game.PrevTick, 1016u);
}

TEST(FrameTiming, TickWrapAroundStillGivesTheShortFrame) {
    FakeGame f;
    FormActivate(f.game);
    f.clock.SetTicks(0xFFFFFFF0u);
    GameFrame(f.game);
    f.clock.Advance(0x20);
    GameFrame(f.game);
    EXPECT_EQ(f.game.FrameTime, 0x20u);
}

TEST(Controls, InputRunsOnlyWhileInitOkAndTurnsTheCamera) {
    FakeGame f;
    f.input.InitKeyboard();
    f.input.InitMouse();
    FormActivate(f.game);
    f.input.next.lX = 50;   // 10 degrees to the right
    f.input.next.lY = -100; // 20 degrees up
    GameFrame(f.game);
    EXPECT_EQ(f.game.Camera.Yaw, 0.0f);  // not started yet

    f.game.InitOK = true;
    f.input.next.lX = 50;
    f.input.next.lY = -100;
    GameFrame(f.game);
    EXPECT_FLOAT_EQ(f.game.Camera.Yaw, 350.0f);
    EXPECT_FLOAT_EQ(f.game.Camera.Pitch, -20.0f);
    EXPECT_FALSE(f.window.closed);

    f.input.keys[kKeyEscape] = kDown;
    GameFrame(f.game);
    EXPECT_TRUE(f.window.closed);
}

class StartButton : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::filesystem::path(TERRAVIK_TEST_TMP) /
               (std::string("start_button_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        f.game.dataDirOverride = root.string();
        f.game.GameLog.msOfDay = [] { return 0u; };
    }
    FakeGame f;
    std::filesystem::path root;
};

TEST_F(StartButton, WithoutARenderingContextTheQuestionIsAskedAndYesCarriesOn) {
    // OpenAL Soft's null output unless the run chose another: the audio steps have a device.
    setenv("ALSOFT_DRIVERS", "null", 0);
    f.input.mouseResult = -1;
    f.clock.SetTicks(1234);
    Button3Click(f.game);

    EXPECT_FALSE(f.game.InitOK);
    EXPECT_FALSE(f.game.GLReady);
    EXPECT_EQ(f.game.ProgramDir, root.string() + "/");
    const auto& b = f.game.form.buttons;
    EXPECT_FALSE(b[kButton3].visible);
    EXPECT_TRUE(b[kButton4].visible);
    EXPECT_TRUE(b[kButton5].visible && b[kButton6].visible && b[kButton7].visible);

    std::vector<std::string> lines = test::LogFileMessages((root / "Log_File.txt").string());
    std::vector<std::string> expected = {
        "\xE8\xED\xE8\xF6\xE8\xEB\xE8\xE7\xE0\xF6\xE8\xFF opengl False",
        "\xCF\xEE\xE4\xE4\xE5\xF0\xE6\xEA\xE0 VBO False -*- \xE0\xE2\xF2\xEE\xEC\xE0\xF2\xE8\xF7\xE5\xF1\xEA\xE8"
        "\xE5\xE9 \xEF\xE5\xF0\xE5\xF5\xEE\xE4 \xED\xE0 glDrawArrays",
        "\xE8\xED\xE8\xF6\xE8\xEB\xE8\xE7\xE0\xF6\xE8\xFF \xCA\xEB\xE0\xE2\xE8\xE0\xF2\xF3\xF0\xFB \xCE\xCA",
        "\xE8\xED\xE8\xF6\xE8\xEB\xE8\xE7\xE0\xF6\xE8\xFF \xCC\xFB\xF8\xE8 False",
        "\xE8\xED\xE8\xF6\xE8\xEB\xE8\xE7\xE0\xF6\xE8\xFF Davil \xCE\xCA",
        "\xCB\xE0\xED\xE4\xF9\xE0\xF4\xF2 \xF1\xEE\xE7\xE4\xE0\xED False",  // no context, no terrain
        "ODE \xE8\xED\xE8\xF6\xE8\xEB\xE8\xE7\xE8\xF0\xEE\xE2\xE0\xED \xCE\xCA",
        "\xD1\xEE\xEB\xED\xE5\xF7\xED\xFB\xE5 \xE1\xEB\xE8\xEA\xE8 \xE8\xED\xE8\xF6\xE8\xEB\xE8\xE7\xE8\xF0\xEE\xE2\xE0\xED\xFB"
        " False",  // flare, no context
        // Music and effects have a device; they need no rendering context.
        "\xC4\xE2\xE8\xE6\xEE\xEA ogg \xE8\xED\xE8\xF6\xE8\xEB\xE8\xE7\xE8\xF0\xEE\xE2\xE0\xED \xCE\xCA",
        "Load file ogg False",  // no data
        "\xC4\xE2\xE8\xE6\xEE\xEA \xE7\xE2\xF3\xEA\xE0 \xE8\xED\xE8\xF6\xE8\xEB\xE8\xE7\xE8\xF0\xEE\xE2\xE0\xED \xCE\xCA",
        "\xD2\xF3\xF0\xE5\xEB\xFC \xE8\xED\xE8\xF6\xE8\xEB\xE8\xE7\xE8\xF0\xEE\xE2\xE0\xED\xE0 False",  // turret, no context
        "\xCD\xE5\xE1\xEE \xE8\xED\xE8\xF6\xE8\xEB\xE8\xE7\xE8\xF0\xEE\xE2\xE0\xED\xEE  False",  // sky, no context
        "\xD1\xE8\xF1\xF2\xE5\xEC\xE0 \xF1\xE0\xEC\xEE\xEB\xE5\xF2\xEE\xE2 \xE8\xED\xE8\xF6\xE8\xEB\xE8\xE7\xE8\xF0\xEE\xE2\xE0\xED\xE0  False",  // aircraft, no context
        "\xD1\xE0\xEC\xEE\xEB\xE5\xF2\xFB \xE8\xED\xE8\xF6\xE8\xEB\xE8\xE7\xE8\xF0\xEE\xE2\xE0\xED\xFB False",  // no aircraft system, no wave
    };
    EXPECT_EQ(lines, expected);

    // Steps that never fail still ran: the sun, the clock and the camera anchors.
    EXPECT_FLOAT_EQ(f.game.SunDir.x, 0.70710677f);
    EXPECT_FLOAT_EQ(f.game.SunDir.y, 0.70710677f);
    EXPECT_EQ(f.game.CurTick, 1234u);
    EXPECT_EQ(f.game.PrevTick, 1234u);
    EXPECT_FLOAT_EQ(f.game.Camera.Anchor.x, 500.0f);
    EXPECT_FLOAT_EQ(f.game.Camera.Anchor2.y, 500.0f);
    EXPECT_EQ(f.game.ScreenWidth, 1024);
    EXPECT_FALSE(f.game.GameLog.Opened);  // closed at the end of the start-up

    Button6Click(f.game);
    EXPECT_TRUE(f.game.InitOK);
    EXPECT_FALSE(b[kButton5].visible || b[kButton6].visible || b[kButton7].visible);
    EXPECT_TRUE(b[kButton4].visible);

    // Carrying on without a context: frames run input but never draw.
    FormActivate(f.game);
    GameFrame(f.game);
    EXPECT_EQ(f.window.swaps, 0);
}

TEST_F(StartButton, NoMeansClose) {
    Button3Click(f.game);
    ASSERT_TRUE(f.game.form.buttons[kButton7].visible);
    Button7Click(f.game);
    EXPECT_TRUE(f.window.closed);
}

TEST_F(StartButton, ResizeIsIgnoredUntilTheGameRuns) {
    f.window.width = 800;
    FormResize(f.game);
    EXPECT_EQ(f.game.ScreenWidth, 0);
    f.game.InitOK = true;
    FormResize(f.game);
    EXPECT_EQ(f.game.ScreenWidth, 800);
    EXPECT_EQ(f.game.ScreenHeight, 768);
}

TEST(Shutdown, ReleasesTheDevicesInOrderAndTheContextOnlyAfterAGoodStart) {
    std::vector<std::string> calls;
    FakeGame f;
    f.input.calls = &calls;
    f.window.calls = &calls;
    f.input.InitKeyboard();
    f.input.InitMouse();
    f.game.InitOK = true;
    f.game.GLReady = true;
    FormDestroy(f.game);
    EXPECT_EQ(calls, (std::vector<std::string>{"release keyboard", "release input", "release mouse", "delete context"}));

    calls.clear();
    FakeGame g;
    g.input.calls = &calls;
    g.window.calls = &calls;
    g.game.GLReady = true;  // the question was answered with "Нет"
    FormDestroy(g.game);
    EXPECT_EQ(calls, (std::vector<std::string>{"release input"}));
}

}  // namespace
}  // namespace tv::test
