// A game controller as SDL's virtual joystick: the right stick turns the aim through the mouse
// counts (dead zone, sensitivity, invert-Y) and the right trigger reads as the fire button; its
// buttons and left stick, as SDL reports them, work the window's buttons and the game's keys.
// And the keys latched between frames stay in the state they were pressed in.

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sdl/sdl_input.h"

namespace tv::sdl {

void PrintTo(const PadAction& a, std::ostream* os) { *os << "{kind " << a.kind << ", arg " << a.arg << "}"; }

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
                                        "rightshoulder:b10,dpup:b11,dpdown:b12,dpleft:b13,dpright:b14,"
                                        "leftx:a0,lefty:a1,rightx:a2,righty:a3,"
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

    // Presses and releases a button; what the controls make of the events SDL reports, in the
    // given state of the player.
    std::vector<PadAction> Press(SDL_GameControllerButton button, FormState state, bool running = false) {
        SDL_JoystickSetVirtualButton(joystick_, button, 1);
        SDL_GameControllerUpdate();
        SDL_JoystickSetVirtualButton(joystick_, button, 0);
        SDL_GameControllerUpdate();
        return Take(state, running);
    }
    std::vector<PadAction> Take(FormState state, bool running = false) {
        std::vector<PadAction> actions;
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            const PadAction a = pad_.Handle(e, form_, state, running);
            if (a.kind != PadAction::kNone) actions.push_back(a);
        }
        return actions;
    }
    static PadAction Click(FormButtonId id) { return {PadAction::kClick, id}; }

    SdlInput input_;
    PadControls pad_;
    TForm1 form_;
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

using Actions = std::vector<PadAction>;

// Through every state a player meets: A presses the focused button, the d-pad and the left
// stick move the focus, B answers "Нет" only to the question; Back quits at once except in
// play, where it is the game's quit key as the shoulders are its weapon keys.
TEST_F(VirtualPad, ButtonsAndLeftStickWorkTheFormInEveryState) {
    Take(FormState::Title);  // the device's arrival
    EXPECT_EQ(pad_.Focused(form_), kFormButtonCount) << "a focus shown before the controller was used";
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, FormState::Title), (Actions{}));
    EXPECT_EQ(pad_.Focused(form_), kButton3);
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_DPAD_DOWN, FormState::Title), (Actions{}));
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_A, FormState::Title), (Actions{Click(kButton3)}));
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_BACK, FormState::Title), (Actions{{PadAction::kQuit, 0}}));

    // The question: the focus starts on "Да" and the d-pad, then the stick, take it to "Нет".
    form_.buttons[kButton3].visible = false;
    for (FormButtonId id : {kButton4, kButton5, kButton6, kButton7}) form_.buttons[id].visible = true;
    EXPECT_EQ(pad_.Focused(form_), kButton6);
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, FormState::Question), (Actions{}));
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_A, FormState::Question), (Actions{Click(kButton7)}));
    Set(SDL_CONTROLLER_AXIS_LEFTX, -32768);
    Set(SDL_CONTROLLER_AXIS_LEFTX, -30000);  // held over: one move only
    EXPECT_EQ(Take(FormState::Question), (Actions{}));
    EXPECT_EQ(pad_.Focused(form_), kButton6);
    Set(SDL_CONTROLLER_AXIS_LEFTX, 0);
    Set(SDL_CONTROLLER_AXIS_LEFTY, -32768);  // up: "Еще 50"
    Take(FormState::Question);
    EXPECT_EQ(pad_.Focused(form_), kButton4);
    Set(SDL_CONTROLLER_AXIS_LEFTY, 0);
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_B, FormState::Question), (Actions{Click(kButton7)}));
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_Y, FormState::Question), (Actions{})) << "no aircraft before the game runs";
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_BACK, FormState::Question), (Actions{{PadAction::kQuit, 0}}));

    // Playing: only "Еще 50" is left to focus.
    for (FormButtonId id : {kButton5, kButton6, kButton7}) form_.buttons[id].visible = false;
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_A, FormState::Playing, true), (Actions{Click(kButton4)}));
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_Y, FormState::Playing, true), (Actions{Click(kButton4)}));
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_B, FormState::Playing, true), (Actions{}));
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, FormState::Playing, true),
              (Actions{{PadAction::kKey, kKey1}}));
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_BACK, FormState::Playing, true),
              (Actions{{PadAction::kKey, kKeyEscape}}));
    // Start opens the options menu in the game and on the title screen, not over the question.
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_START, FormState::Playing, true),
              (Actions{{PadAction::kOptions, 0}}));
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_START, FormState::Title), (Actions{{PadAction::kOptions, 0}}));
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_START, FormState::Question), (Actions{}));

    // Paused: Start goes on, Back quits now rather than on going on, the weapons wait.
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, FormState::Paused, true), (Actions{}));
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_BACK, FormState::Paused, true), (Actions{{PadAction::kQuit, 0}}));
    EXPECT_EQ(Press(SDL_CONTROLLER_BUTTON_START, FormState::Paused, true), (Actions{{PadAction::kPause, 0}}));
}

// Keys, controller keys and wheel counts are latched only while the game is played, and a
// change of state drops what the frame did not read; events from before a change are stale.
TEST_F(VirtualPad, LatchesStayInTheStateTheyWereMadeIn) {
    KeyboardState keys;
    MouseState mouse;
    auto read = [&] {
        ASSERT_EQ(input_.ReadKeyboard(keys), kInputOk);
        ASSERT_EQ(input_.ReadMouse(mouse), kInputOk);
    };
    EXPECT_EQ(input_.State(), FormState::Title);
    input_.LatchKey(SDL_SCANCODE_2);
    input_.LatchCode(kKeyEscape);
    input_.AddWheel(1);
    input_.SetState(FormState::Playing, false);
    read();
    EXPECT_EQ(keys[kKey2], 0) << "a key of the title screen reached the game";
    EXPECT_EQ(keys[kKeyEscape], 0);
    EXPECT_EQ(mouse.lZ, 0);

    input_.LatchKey(SDL_SCANCODE_2);
    input_.AddWheel(-1);
    read();
    EXPECT_EQ(keys[kKey2], kDown);
    EXPECT_EQ(mouse.lZ, -120);
    read();
    EXPECT_EQ(keys[kKey2], 0);

    input_.LatchKey(SDL_SCANCODE_1);
    input_.LatchCode(kKeyEscape);
    input_.SetState(FormState::Paused, true);
    input_.LatchKey(SDL_SCANCODE_2);
    input_.SetState(FormState::Playing, true);
    read();
    EXPECT_EQ(keys[kKey1], 0) << "a key of the game before the pause reached it after";
    EXPECT_EQ(keys[kKeyEscape], 0) << "the quit pressed in play came back after the pause";
    EXPECT_EQ(keys[kKey2], 0) << "a key of the pause reached the game";

    // Keys pressed while "Да" ran (queued before it ended) are skipped, those after are not;
    // a pause by a key leaves the events behind it alone.
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.scancode = SDL_SCANCODE_2;
    auto stale = [&] {
        std::vector<bool> out;
        SDL_Event e;
        while (SDL_PollEvent(&e))
            if (e.type == SDL_KEYDOWN || e.type >= SDL_USEREVENT) out.push_back(input_.Stale(e));
        return out;
    };
    stale();
    input_.SetState(FormState::Question, false);
    SDL_PushEvent(&key);
    input_.SetState(FormState::Playing, false);
    SDL_PushEvent(&key);
    EXPECT_EQ(stale(), (std::vector<bool>{true, true, true, false}));  // marker, key, marker, key
    SDL_PushEvent(&key);
    input_.SetState(FormState::Paused, true);
    SDL_PushEvent(&key);
    EXPECT_EQ(stale(), (std::vector<bool>{false, false}));
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
