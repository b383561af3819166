// A game controller as SDL's virtual joystick: the right stick turns the aim through the mouse
// counts (dead zone, sensitivity, invert-Y) and the right trigger reads as the fire button.

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "sdl/sdl_input.h"

namespace tv::sdl {
namespace {

class VirtualPad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
        index_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                           SDL_CONTROLLER_BUTTON_MAX, 0);
        ASSERT_GE(index_, 0) << SDL_GetError();
        if (!SDL_IsGameController(index_)) {
            // Map the virtual device's axes in SDL's own order when SDL has no mapping for it.
            char guid[64];
            SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index_), guid, sizeof guid);
            const std::string mapping = std::string(guid) +
                                        ",virtual,a:b0,b:b1,x:b2,y:b3,back:b4,start:b6,leftshoulder:b9,"
                                        "rightshoulder:b10,leftx:a0,lefty:a1,rightx:a2,righty:a3,"
                                        "lefttrigger:a4,righttrigger:a5,";
            ASSERT_GE(SDL_GameControllerAddMapping(mapping.c_str()), 0) << SDL_GetError();
        }
        ASSERT_EQ(input_.InitKeyboard(), kInputOk);
        ASSERT_EQ(input_.InitMouse(), kInputOk);
        input_.OpenController(index_);
        ASSERT_TRUE(input_.HasController());
        joystick_ = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index_));
        ASSERT_NE(joystick_, nullptr);
    }
    void TearDown() override {
        if (index_ >= 0) Unplug();
        SDL_Quit();
    }

    // As SDL reports a removal: the device is gone from the list, then the input hears of it.
    void Unplug() {
        const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index_);
        SDL_JoystickDetachVirtual(index_);
        index_ = -1;
        input_.CloseController(id);
    }
    void Set(SDL_GameControllerAxis axis, int16_t value) {
        SDL_JoystickSetVirtualAxis(joystick_, axis, value);
        SDL_GameControllerUpdate();
    }
    // What one frame's read gives after the stick was held for `ms`.
    MouseState ReadAfter(uint32_t ms) {
        MouseState m;
        input_.ReadMouse(m);  // starts the interval
        SDL_Delay(ms);
        input_.ReadMouse(m);
        return m;
    }

    SdlInput input_;
    int index_ = -1;
    SDL_Joystick* joystick_ = nullptr;
};

TEST_F(VirtualPad, RightStickAimsPastItsDeadZone) {
    Set(SDL_CONTROLLER_AXIS_RIGHTX, 32767);
    MouseState m = ReadAfter(40);
    // At least the 40 ms waited, at most the 100 ms one read may cover, at 900 counts a second.
    EXPECT_GE(m.lX, 35);
    EXPECT_LE(m.lX, 90);
    EXPECT_EQ(m.lY, 0);
    EXPECT_EQ(m.rgbButtons[0], 0);

    // Inside the dead zone the aim holds; invert-Y turns a push down into a negative count.
    Set(SDL_CONTROLLER_AXIS_RIGHTX, 32767 / 10);
    Set(SDL_CONTROLLER_AXIS_RIGHTY, 32767);
    input_.SetMouseScale(1.0, true);
    m = ReadAfter(40);
    EXPECT_EQ(m.lX, 0);
    EXPECT_LE(m.lY, -35);

    // Twice the sensitivity, about twice the counts, the other way.
    Set(SDL_CONTROLLER_AXIS_RIGHTY, 0);
    Set(SDL_CONTROLLER_AXIS_RIGHTX, -32768);
    input_.SetStickScale(2.0);
    m = ReadAfter(40);
    EXPECT_LE(m.lX, -70);
    EXPECT_GE(m.lX, -180);
}

TEST_F(VirtualPad, RightTriggerFiresWhilePressedPastHalfway) {
    Set(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    MouseState m;
    ASSERT_EQ(input_.ReadMouse(m), kInputOk);
    EXPECT_EQ(m.rgbButtons[0], kDown);
    // The device's trigger axis spans -32768..32767 for the trigger's 0..32767: a fifth of the way in.
    Set(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -20000);
    ASSERT_EQ(input_.ReadMouse(m), kInputOk);
    EXPECT_EQ(m.rgbButtons[0], 0);
    // Unplugged, it fires no more.
    Set(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    Unplug();
    EXPECT_FALSE(input_.HasController());
    ASSERT_EQ(input_.ReadMouse(m), kInputOk);
    EXPECT_EQ(m.rgbButtons[0], 0);
}

TEST(StickDeflection, DeadZoneCutOutAndTheRestRescaled) {
    EXPECT_EQ(StickDeflection(0), 0.0);
    EXPECT_EQ(StickDeflection(static_cast<int16_t>(32767 * kStickDeadZone)), 0.0);
    EXPECT_DOUBLE_EQ(StickDeflection(32767), 1.0);
    EXPECT_DOUBLE_EQ(StickDeflection(-32768), -1.0);
    EXPECT_NEAR(StickDeflection(static_cast<int16_t>(32767 * (kStickDeadZone + 1.0) / 2.0)), 0.5, 1e-4);
}

// The player's keys for cannon, laser and quit read as the game's codes; the keys those codes
// sit on by default go quiet, and the other keys keep their codes.
TEST(GameKeyBindings, ChosenKeysTakeTheGameCodesAndFreeTheDefaults) {
    SdlInput input;
    EXPECT_EQ(input.CodeOf(SDL_SCANCODE_1), kKey1);
    EXPECT_EQ(input.CodeOf(SDL_SCANCODE_2), kKey2);
    EXPECT_EQ(input.CodeOf(SDL_SCANCODE_ESCAPE), kKeyEscape);
    input.BindGameKey(kKey1, SDL_SCANCODE_2);  // cannon and laser swapped
    input.BindGameKey(kKey2, SDL_SCANCODE_1);
    input.BindGameKey(kKeyEscape, SDL_SCANCODE_Q);
    EXPECT_EQ(input.CodeOf(SDL_SCANCODE_2), kKey1);
    EXPECT_EQ(input.CodeOf(SDL_SCANCODE_1), kKey2);
    EXPECT_EQ(input.CodeOf(SDL_SCANCODE_Q), kKeyEscape);
    EXPECT_EQ(input.CodeOf(SDL_SCANCODE_ESCAPE), 0);
    EXPECT_EQ(input.CodeOf(SDL_SCANCODE_N), DirectInputCode(SDL_SCANCODE_N));
}

}  // namespace
}  // namespace tv::sdl
