#pragma once
// Keyboard, mouse and game controllers over SDL. The mouse reports relative counts gathered
// from the motion events since the last read, already scaled by the player's sensitivity, so a
// recording of the reads replays the same whatever the replaying player's settings; the
// keyboard maps SDL scancodes to DirectInput codes. A game controller's right stick adds to
// the mouse counts and its right trigger reads as the left mouse button. Keys pressed between
// frames are latched only while the game is played, so no key reaches a frame of another state.

#include <SDL2/SDL.h>

#include <array>
#include <cstdint>

#include "platform/input.h"
#include "shell/main_form.h"

namespace tv::sdl {

class SdlInput : public InputDevices {
public:
    int InitKeyboard() override;
    int InitMouse() override;
    bool HasKeyboard() const override { return keyboard_; }
    bool HasMouse() const override { return mouse_; }
    int ReadKeyboard(KeyboardState& keys) override;
    int ReadMouse(MouseState& mouse) override;
    int AcquireKeyboard() override { return keyboard_ ? kInputOk : kInputFailed; }
    int AcquireMouse() override { return mouse_ ? kInputOk : kInputFailed; }
    void ReleaseKeyboard() override { keyboard_ = false; }
    void ReleaseInputObject() override { object_ = false; }
    void ReleaseMouse() override { mouse_ = false; }

    // Mouse counts per device count (> 0) and whether pitch is flipped.
    void SetMouseScale(double sensitivity, bool invertY) {
        mouseScale_ = sensitivity;
        invertY_ = invertY;
    }
    // Controller counts: at full deflection the right stick turns this multiple of the base
    // rate (kStickCountsPerSecond).
    void SetStickScale(double sensitivity) { stickScale_ = sensitivity; }
    // While false (the pointer is free), motion does not turn and the buttons read as up.
    void SetAiming(bool on) { aiming_ = on; }
    bool Aiming() const { return aiming_; }

    // Fed by the event loop: device counts of one motion event.
    void AddMotion(int dx, int dy);
    // Drops the motion gathered so far (after a pause, when the pointer is captured again).
    void DropMotion() {
        dx_ = dy_ = 0.0;
        lastStickTicks_ = 0;
    }
    void AddWheel(int notches) {  // one notch is 120 counts
        if (state_ == FormState::Playing) wheel_ += notches * 120;
    }
    // A key pressed since the last read reads as down once, so a tap shorter than a frame
    // is not lost. Only while the game is played: elsewhere no frame reads the keys.
    void LatchKey(int sdlScancode);
    // The same for a game key code itself (a controller button standing for a key).
    void LatchCode(uint8_t code) {
        if (state_ == FormState::Playing) latched_[code] = kDown;
    }

    // Keys held down now read as up until they are let go (the Escape or Enter that closed the
    // options menu must not reach the game that goes on).
    void IgnoreHeldKeys();

    // The state the player's keys and buttons act in now. A change drops what was latched
    // (and the wheel's counts). A change no event made (a click's start-up has ended) also
    // makes every key and controller event already delivered stale: it was pressed before.
    void SetState(FormState state, bool byEvent);
    FormState State() const { return state_; }
    // True for a key or controller event that belongs to a state that is over (pressed while
    // the start-up ran, say), and for the marker ending those; the loop skips them. Every
    // event must pass through here, in order.
    bool Stale(const SDL_Event& e);

    // Puts one of the game's own keys (kKey1, kKey2, kKeyEscape) on the key the player chose:
    // that key then reads as the game's code, and the key it sits on by default reads as
    // nothing. Unbound codes keep their usual keys.
    void BindGameKey(uint8_t code, SDL_Scancode key);
    // The game code a key reads as under the current bindings, or 0.
    uint8_t CodeOf(int sdlScancode) const;

    // Game controllers: opened when SDL reports them (at start and when plugged in), closed
    // when removed. The first open one drives aim and fire.
    void OpenController(int deviceIndex);
    void CloseController(SDL_JoystickID instanceId);
    bool HasController() const { return controller_ != nullptr; }
    ~SdlInput() override;

private:
    // Adds the right stick's deflection over the time since the last read.
    void AddStickMotion();

    SDL_GameController* controller_ = nullptr;
    double mouseScale_ = 1.0;
    double stickScale_ = 1.0;
    bool invertY_ = false;
    bool aiming_ = true;
    uint32_t lastStickTicks_ = 0;
    bool object_ = false;
    bool keyboard_ = false;
    bool mouse_ = false;
    double dx_ = 0.0;  // scaled counts not yet read; fractions carry over to the next read
    double dy_ = 0.0;
    int32_t wheel_ = 0;
    KeyboardState latched_{};
    std::array<bool, SDL_NUM_SCANCODES> ignored_{};
    FormState state_ = FormState::Title;
    uint32_t markerType_ = 0;  // our own event type, queued behind the stale events
    int markersQueued_ = 0;
    struct Binding {
        uint8_t code;
        int scancode;
    };
    std::array<Binding, 3> bindings_{{{kKey1, SDL_SCANCODE_1}, {kKey2, SDL_SCANCODE_2}, {kKeyEscape, SDL_SCANCODE_ESCAPE}}};
};

// What a controller's button or stick asks of the main loop.
struct PadAction {
    enum Kind { kNone, kClick, kKey, kPause, kQuit, kOptions };
    Kind kind = kNone;
    int arg = 0;  // kClick: the FormButtonId clicked; kKey: the game key code pressed
    bool operator==(const PadAction&) const = default;
};

// A game controller on the main window's buttons and the game's keys. The d-pad and the left
// stick move a focus between the visible buttons, A clicks the focused one, B answers "Нет"
// while the question is shown, Y clicks "Еще 50", Start opens the options menu (on the title
// screen and in the game) and goes on from a pause. While the game is played the shoulders
// choose the weapon and Back quits through the game's own keys (so a recording keeps them); on
// the title screen, the question and in pause Back quits at once. No SDL call: tests feed it
// events.
class PadControls {
public:
    // One controller event (other events give kNone) in the state the player is in now;
    // `running` says the game started with its picture (it can pause, "Еще 50" works).
    PadAction Handle(const SDL_Event& e, const TForm1& form, FormState state, bool running);
    // The button to show focused: kFormButtonCount until the controller has been used.
    FormButtonId Focused(const TForm1& form) const;
    // The left stick's direction on one axis after an event: -1, 0 or 1, with a margin so a
    // stick resting near the threshold does not chatter.
    static int StickDirection(int16_t value, int previous);

private:
    void Move(const TForm1& form, int dx, int dy);

    FormButtonId focus_ = kFormButtonCount;
    bool used_ = false;
    int stickX_ = 0;
    int stickY_ = 0;
};

// Right-stick counts per second at full deflection and controller sensitivity 1, and the
// share of the stick's travel ignored around its centre.
inline constexpr double kStickCountsPerSecond = 900.0;
inline constexpr double kStickDeadZone = 0.2;
// How far the right trigger goes in before it fires (of its travel).
inline constexpr double kTriggerFires = 0.5;

// A stick axis value (-32768..32767) as -1..1 with the dead zone cut out and the rest
// rescaled, so aim starts smoothly at the dead zone's edge.
double StickDeflection(int16_t axisValue);

// The DirectInput code of an SDL scancode, or 0 if the game has no use for that key.
uint8_t DirectInputCode(int sdlScancode);

}  // namespace tv::sdl
