#pragma once
// Keyboard and mouse devices over SDL. The mouse reports relative counts gathered from the
// motion events since the last read; the keyboard maps SDL scancodes to DirectInput codes.

#include <cstdint>

#include "platform/input.h"

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

    // Fed by the event loop.
    void AddMotion(int dx, int dy) {
        dx_ += dx;
        dy_ += dy;
    }
    void AddWheel(int notches) { wheel_ += notches * 120; }  // one notch is 120 counts
    // A key pressed since the last read reads as down once, so a tap shorter than a frame
    // is not lost.
    void LatchKey(int sdlScancode);

private:
    bool object_ = false;
    bool keyboard_ = false;
    bool mouse_ = false;
    int32_t dx_ = 0;
    int32_t dy_ = 0;
    int32_t wheel_ = 0;
    KeyboardState latched_{};
};

// The DirectInput code of an SDL scancode, or 0 if the game has no use for that key.
uint8_t DirectInputCode(int sdlScancode);

}  // namespace tv::sdl
