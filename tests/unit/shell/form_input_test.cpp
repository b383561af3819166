// The controls and the window's mouse messages and buttons, driven through fake platform
// ports with no GL.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <utility>

#include "fakes.h"
#include "shell/controls.h"
#include "shell/main_form.h"

namespace tv::test {
namespace {

TEST(Controls, AFailedReadCostsOneFrameAndReacquires) {
    FakeGame f;
    f.input.InitKeyboard();
    f.input.InitMouse();
    f.game.InitOK = true;
    f.input.mouseReadFails = true;
    f.input.keyboardReadFails = true;
    f.input.keys[kKeyEscape] = kDown;
    f.game.mouse.lX = 77;  // stale state from an earlier frame
    ProcessInput(f.game);
    EXPECT_EQ(f.game.mouse.lX, 0);
    EXPECT_EQ(f.game.Camera.Yaw, 0.0f);
    EXPECT_EQ(f.input.mouseAcquires, 1);
    EXPECT_EQ(f.input.keyboardAcquires, 1);
    EXPECT_FALSE(f.window.closed);
}

TEST(Controls, WithoutAKeyboardEscapeDoesNothing) {
    FakeGame f;
    f.input.keyboardResult = -1;
    f.input.InitKeyboard();
    f.input.InitMouse();
    f.game.InitOK = true;
    f.input.keys[kKeyEscape] = kDown;
    ProcessInput(f.game);
    EXPECT_FALSE(f.window.closed);
}

TEST(MainForm, MouseButtonsAndWheel) {
    FakeGame f;
    FormMouseDown(f.game, MouseButton::Right);
    EXPECT_TRUE(f.game.FireHeld);
    FormMouseUp(f.game);
    EXPECT_FALSE(f.game.FireHeld);

    for (int i = 0; i < 3; ++i) FormMouseWheelDown(f.game);
    FormMouseWheelUp(f.game);
    EXPECT_FLOAT_EQ(f.game.WheelZoom, 20.0f);  // each notch is 10, the camera zoom a tenth of it
    for (int i = 0; i < 5; ++i) FormMouseWheelUp(f.game);
    EXPECT_FLOAT_EQ(f.game.WheelZoom, -30.0f);  // no limits
}

TEST(MainForm, ButtonsAreHitOnlyWhereTheyAreVisible) {
    TForm1 form;
    EXPECT_EQ(ButtonAt(form, 760, 24), kButton3);
    EXPECT_EQ(ButtonAt(form, 834, 48), kButton3);
    EXPECT_EQ(ButtonAt(form, 835, 48), kFormButtonCount);
    EXPECT_EQ(ButtonAt(form, 797, 68), kFormButtonCount);  // "Еще 50" starts hidden
    form.buttons[kButton4].visible = true;
    form.buttons[kButton5].visible = true;
    EXPECT_EQ(ButtonAt(form, 797, 68), kButton4);
    EXPECT_EQ(ButtonAt(form, 300, 140), kFormButtonCount);  // the question is only a label
}

// ui_scale 2 doubles every button's rectangle, and clicks follow it; a window too small for
// the doubled design moves them in as at scale 1. `auto` is 1 up to 120 DPI.
TEST(MainForm, UiScaleMultipliesTheButtonsRectangles) {
    const TForm1 design;
    TForm1 form;
    form.uiScale = 2.0;
    LayoutButtons(form, 4000, 3000);
    for (int i = 0; i < kFormButtonCount; ++i) {
        const FormButton &d = design.buttons[i], &b = form.buttons[i];
        EXPECT_EQ((std::array{b.left, b.top, b.width, b.height}),
                  (std::array{2 * d.left, 2 * d.top, 2 * d.width, 2 * d.height}))
            << i;
    }
    EXPECT_EQ(ButtonAt(form, 1520 + 149, 48 + 49), kButton3);
    EXPECT_EQ(ButtonAt(form, 834, 48), kFormButtonCount);
    LayoutButtons(form, 1024, 768);
    EXPECT_EQ(form.buttons[kButton3].left, 1024 - 150);
    EXPECT_EQ(form.buttons[kButton3].top, 48);
    form.uiScale = 1.0;
    LayoutButtons(form, 1024, 768);
    EXPECT_EQ(form.buttons[kButton3].left, 760);
    EXPECT_EQ(form.buttons[kButton3].width, 75);

    for (auto [dpi, scale] : {std::pair{0.0f, 1.0}, {96.0f, 1.0}, {120.0f, 1.0}, {121.0f, 1.25}, {144.0f, 1.5},
                              {192.0f, 2.0}, {200.0f, 2.0}, {1000.0f, 3.0}})
        EXPECT_EQ(AutoUiScale(dpi), scale) << dpi;
    EXPECT_EQ(AutoUiScale(std::nanf("")), 1.0);
}

// A controller's focus walks the buttons that are shown and can be clicked: "Старт" alone on
// the title screen, "Да" first on the question, whose label it skips; it stays where no button
// lies that way.
TEST(MainForm, ControllerFocusMovesBetweenVisibleButtons) {
    TForm1 form;
    EXPECT_EQ(DefaultFocus(form), kButton3);
    for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
        EXPECT_EQ(NextButton(form, kButton3, dx, dy), kButton3);

    // The question after a failed start-up: "Еще 50" is shown too.
    for (FormButtonId id : {kButton4, kButton5, kButton6, kButton7}) form.buttons[id].visible = true;
    form.buttons[kButton3].visible = false;
    EXPECT_EQ(DefaultFocus(form), kButton6);
    EXPECT_EQ(NextButton(form, kButton3, 1, 0), kButton6);  // from a hidden button: the default
    EXPECT_EQ(NextButton(form, kButton6, 1, 0), kButton7);
    EXPECT_EQ(NextButton(form, kButton7, 1, 0), kButton4);
    EXPECT_EQ(NextButton(form, kButton4, -1, 0), kButton7);
    EXPECT_EQ(NextButton(form, kButton7, -1, 0), kButton6);
    EXPECT_EQ(NextButton(form, kButton6, -1, 0), kButton6);
    EXPECT_EQ(NextButton(form, kButton6, 0, -1), kButton4);
    EXPECT_EQ(NextButton(form, kButton4, 0, 1), kButton7);  // the nearer of the two below
    EXPECT_EQ(NextButton(form, kButton6, 0, 1), kButton6);

    // Only "Еще 50" left, then nothing at all.
    form.buttons[kButton6].visible = form.buttons[kButton7].visible = false;
    EXPECT_EQ(DefaultFocus(form), kButton4);
    form.buttons[kButton4].visible = false;
    EXPECT_EQ(DefaultFocus(form), kFormButtonCount);
    EXPECT_EQ(NextButton(form, kButton4, 0, 1), kFormButtonCount);
}

}  // namespace
}  // namespace tv::test
