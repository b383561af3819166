#include "sdl/sdl_input.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>

namespace tv::sdl {

double StickDeflection(int16_t axisValue) {
    const double v = axisValue < 0 ? axisValue / 32768.0 : axisValue / 32767.0;
    const double magnitude = std::fabs(v);
    if (magnitude <= kStickDeadZone) return 0.0;
    return std::copysign((magnitude - kStickDeadZone) / (1.0 - kStickDeadZone), v);
}

uint8_t DirectInputCode(int sc) {
    switch (sc) {
        case SDL_SCANCODE_ESCAPE: return 0x01;
        case SDL_SCANCODE_1: return 0x02;
        case SDL_SCANCODE_2: return 0x03;
        case SDL_SCANCODE_3: return 0x04;
        case SDL_SCANCODE_4: return 0x05;
        case SDL_SCANCODE_5: return 0x06;
        case SDL_SCANCODE_6: return 0x07;
        case SDL_SCANCODE_7: return 0x08;
        case SDL_SCANCODE_8: return 0x09;
        case SDL_SCANCODE_9: return 0x0A;
        case SDL_SCANCODE_0: return 0x0B;
        case SDL_SCANCODE_MINUS: return 0x0C;
        case SDL_SCANCODE_EQUALS: return 0x0D;
        case SDL_SCANCODE_BACKSPACE: return 0x0E;
        case SDL_SCANCODE_TAB: return 0x0F;
        case SDL_SCANCODE_Q: return 0x10;
        case SDL_SCANCODE_W: return 0x11;
        case SDL_SCANCODE_E: return 0x12;
        case SDL_SCANCODE_R: return 0x13;
        case SDL_SCANCODE_T: return 0x14;
        case SDL_SCANCODE_Y: return 0x15;
        case SDL_SCANCODE_U: return 0x16;
        case SDL_SCANCODE_I: return 0x17;
        case SDL_SCANCODE_O: return 0x18;
        case SDL_SCANCODE_P: return 0x19;
        case SDL_SCANCODE_LEFTBRACKET: return 0x1A;
        case SDL_SCANCODE_RIGHTBRACKET: return 0x1B;
        case SDL_SCANCODE_RETURN: return 0x1C;
        case SDL_SCANCODE_LCTRL: return 0x1D;
        case SDL_SCANCODE_A: return 0x1E;
        case SDL_SCANCODE_S: return 0x1F;
        case SDL_SCANCODE_D: return 0x20;
        case SDL_SCANCODE_F: return 0x21;
        case SDL_SCANCODE_G: return 0x22;
        case SDL_SCANCODE_H: return 0x23;
        case SDL_SCANCODE_J: return 0x24;
        case SDL_SCANCODE_K: return 0x25;
        case SDL_SCANCODE_L: return 0x26;
        case SDL_SCANCODE_SEMICOLON: return 0x27;
        case SDL_SCANCODE_APOSTROPHE: return 0x28;
        case SDL_SCANCODE_GRAVE: return 0x29;
        case SDL_SCANCODE_LSHIFT: return 0x2A;
        case SDL_SCANCODE_BACKSLASH: return 0x2B;
        case SDL_SCANCODE_Z: return 0x2C;
        case SDL_SCANCODE_X: return 0x2D;
        case SDL_SCANCODE_C: return 0x2E;
        case SDL_SCANCODE_V: return 0x2F;
        case SDL_SCANCODE_B: return 0x30;
        case SDL_SCANCODE_N: return 0x31;
        case SDL_SCANCODE_M: return 0x32;
        case SDL_SCANCODE_COMMA: return 0x33;
        case SDL_SCANCODE_PERIOD: return 0x34;
        case SDL_SCANCODE_SLASH: return 0x35;
        case SDL_SCANCODE_RSHIFT: return 0x36;
        case SDL_SCANCODE_KP_MULTIPLY: return 0x37;
        case SDL_SCANCODE_LALT: return 0x38;
        case SDL_SCANCODE_SPACE: return 0x39;
        case SDL_SCANCODE_CAPSLOCK: return 0x3A;
        case SDL_SCANCODE_F1: return 0x3B;
        case SDL_SCANCODE_F2: return 0x3C;
        case SDL_SCANCODE_F3: return 0x3D;
        case SDL_SCANCODE_F4: return 0x3E;
        case SDL_SCANCODE_F5: return 0x3F;
        case SDL_SCANCODE_F6: return 0x40;
        case SDL_SCANCODE_F7: return 0x41;
        case SDL_SCANCODE_F8: return 0x42;
        case SDL_SCANCODE_F9: return 0x43;
        case SDL_SCANCODE_F10: return 0x44;
        case SDL_SCANCODE_RCTRL: return 0x9D;
        case SDL_SCANCODE_RALT: return 0xB8;
        case SDL_SCANCODE_UP: return 0xC8;
        case SDL_SCANCODE_LEFT: return 0xCB;
        case SDL_SCANCODE_RIGHT: return 0xCD;
        case SDL_SCANCODE_DOWN: return 0xD0;
        default: return 0;
    }
}

int SdlInput::InitKeyboard() {
    // The events subsystem comes with the video subsystem; it stands for the input object.
    object_ = SDL_WasInit(SDL_INIT_EVENTS) != 0;
    keyboard_ = object_;
    return keyboard_ ? kInputOk : kInputFailed;
}

int SdlInput::InitMouse() {
    mouse_ = object_;
    dx_ = dy_ = 0.0;
    wheel_ = 0;
    return mouse_ ? kInputOk : kInputFailed;
}

void SdlInput::BindGameKey(uint8_t code, SDL_Scancode key) {
    for (Binding& b : bindings_)
        if (b.code == code) b.scancode = key;
}

uint8_t SdlInput::CodeOf(int sdlScancode) const {
    for (const Binding& b : bindings_)
        if (b.scancode == sdlScancode) return b.code;
    const uint8_t code = DirectInputCode(sdlScancode);
    for (const Binding& b : bindings_)
        if (b.code == code) return 0;  // that code now lives on the player's key
    return code;
}

void SdlInput::LatchKey(int sdlScancode) {
    uint8_t code = CodeOf(sdlScancode);
    if (code) LatchCode(code);
}

void SdlInput::IgnoreHeldKeys() {
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    for (int sc = 0; sc < count && sc < SDL_NUM_SCANCODES; ++sc) ignored_[sc] = state[sc] != 0;
}

void SdlInput::SetState(FormState state, bool byEvent) {
    if (state == state_) return;
    state_ = state;
    latched_.fill(0);
    wheel_ = 0;
    if (byEvent) return;  // the events behind that one came after it
    if (markerType_ == 0) markerType_ = SDL_RegisterEvents(1);
    if (markerType_ == static_cast<uint32_t>(-1)) return;
    // Whatever the system holds now was pressed before the change: queue it, then the marker.
    SDL_PumpEvents();
    SDL_Event marker{};
    marker.type = markerType_;
    if (SDL_PushEvent(&marker) == 1) ++markersQueued_;
}

bool SdlInput::Stale(const SDL_Event& e) {
    if (markerType_ != 0 && e.type == markerType_) {
        if (markersQueued_ > 0) --markersQueued_;
        return true;
    }
    // The right trigger's axis is left alone: its release must still end the firing.
    const bool input = e.type == SDL_KEYDOWN || e.type == SDL_CONTROLLERBUTTONDOWN ||
                       (e.type == SDL_CONTROLLERAXISMOTION &&
                        (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX || e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY));
    return input && markersQueued_ > 0;
}

int SdlInput::ReadKeyboard(KeyboardState& keys) {
    if (!keyboard_) return kInputFailed;
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    keys = latched_;
    latched_.fill(0);
    for (int sc = 0; sc < count; ++sc) {
        if (sc < SDL_NUM_SCANCODES && ignored_[sc]) ignored_[sc] = state[sc] != 0;
        if (!state[sc] || (sc < SDL_NUM_SCANCODES && ignored_[sc])) continue;
        uint8_t code = CodeOf(sc);
        if (code) keys[code] = kDown;
    }
    return kInputOk;
}

void SdlInput::AddMotion(int dx, int dy) {
    if (!aiming_) return;
    dx_ += dx * mouseScale_;
    dy_ += (invertY_ ? -dy : dy) * mouseScale_;
}

void SdlInput::AddStickMotion() {
    const uint32_t now = SDL_GetTicks();
    const uint32_t elapsedMs = lastStickTicks_ ? now - lastStickTicks_ : 0;
    lastStickTicks_ = now;
    if (!controller_ || elapsedMs == 0) return;
    // A read held up for long (a stall, a breakpoint) must not swing the aim around.
    const double seconds = std::min(elapsedMs, 100u) / 1000.0;
    const double counts = kStickCountsPerSecond * stickScale_ * seconds;
    const double x = StickDeflection(SDL_GameControllerGetAxis(controller_, SDL_CONTROLLER_AXIS_RIGHTX));
    const double y = StickDeflection(SDL_GameControllerGetAxis(controller_, SDL_CONTROLLER_AXIS_RIGHTY));
    dx_ += x * counts;
    dy_ += (invertY_ ? -y : y) * counts;
}

int SdlInput::ReadMouse(MouseState& mouse) {
    if (!mouse_) return kInputFailed;
    AddStickMotion();
    mouse = MouseState{};
    // Whole counts go to the game; the fraction waits for the next read.
    const double wholeX = std::trunc(dx_), wholeY = std::trunc(dy_);
    mouse.lX = static_cast<int32_t>(wholeX);
    mouse.lY = static_cast<int32_t>(wholeY);
    dx_ -= wholeX;
    dy_ -= wholeY;
    mouse.lZ = wheel_;
    wheel_ = 0;
    if (aiming_) {
        Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
        mouse.rgbButtons[0] = (buttons & SDL_BUTTON_LMASK) ? kDown : 0;
        mouse.rgbButtons[1] = (buttons & SDL_BUTTON_RMASK) ? kDown : 0;
        mouse.rgbButtons[2] = (buttons & SDL_BUTTON_MMASK) ? kDown : 0;
        mouse.rgbButtons[3] = (buttons & SDL_BUTTON_X1MASK) ? kDown : 0;
    }
    if (controller_ &&
        SDL_GameControllerGetAxis(controller_, SDL_CONTROLLER_AXIS_TRIGGERRIGHT) >= kTriggerFires * 32767.0)
        mouse.rgbButtons[0] = kDown;
    return kInputOk;
}

void SdlInput::OpenController(int deviceIndex) {
    if (controller_ || !SDL_IsGameController(deviceIndex)) return;
    controller_ = SDL_GameControllerOpen(deviceIndex);
    lastStickTicks_ = 0;
}

void SdlInput::CloseController(SDL_JoystickID instanceId) {
    if (!controller_ || SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller_)) != instanceId) return;
    SDL_GameControllerClose(controller_);
    controller_ = nullptr;
    // Another one still plugged in takes over.
    for (int i = 0; i < SDL_NumJoysticks() && !controller_; ++i) OpenController(i);
}

SdlInput::~SdlInput() {
    if (controller_) SDL_GameControllerClose(controller_);
}

// Past half its travel the stick points that way; back inside a third it points nowhere.
int PadControls::StickDirection(int16_t value, int previous) {
    const double v = value < 0 ? value / 32768.0 : value / 32767.0;
    if (v > 0.5) return 1;
    if (v < -0.5) return -1;
    return std::fabs(v) < 1.0 / 3.0 ? 0 : previous;
}

FormButtonId PadControls::Focused(const TForm1& form) const {
    if (!used_) return kFormButtonCount;
    const bool shown = focus_ != kFormButtonCount && form.buttons[focus_].visible && form.buttons[focus_].clickable;
    return shown ? focus_ : DefaultFocus(form);
}

void PadControls::Move(const TForm1& form, int dx, int dy) {
    focus_ = NextButton(form, Focused(form), dx, dy);
}

PadAction PadControls::Handle(const SDL_Event& e, const TForm1& form, FormState state, bool running) {
    if (e.type == SDL_CONTROLLERAXISMOTION) {
        // A stick resting near its centre reports small motions: they do not count as use.
        if (StickDeflection(e.caxis.value) != 0.0) used_ = true;
        int* direction = e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX   ? &stickX_
                         : e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY ? &stickY_
                                                                     : nullptr;
        if (!direction) return {};
        const int now = StickDirection(e.caxis.value, *direction);
        if (now != 0 && now != *direction) {
            if (direction == &stickX_) Move(form, now, 0);
            else Move(form, 0, now);
        }
        *direction = now;
        return {};
    }
    if (e.type != SDL_CONTROLLERBUTTONDOWN) return {};
    used_ = true;
    const bool playing = state == FormState::Playing;
    switch (e.cbutton.button) {
        case SDL_CONTROLLER_BUTTON_DPAD_UP: Move(form, 0, -1); break;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN: Move(form, 0, 1); break;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT: Move(form, -1, 0); break;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: Move(form, 1, 0); break;
        case SDL_CONTROLLER_BUTTON_A:
            if (const FormButtonId id = Focused(form); id != kFormButtonCount) return {PadAction::kClick, id};
            break;
        case SDL_CONTROLLER_BUTTON_B:
            if (state == FormState::Question && form.buttons[kButton7].visible) return {PadAction::kClick, kButton7};
            break;
        case SDL_CONTROLLER_BUTTON_Y:
            if (running && form.buttons[kButton4].visible) return {PadAction::kClick, kButton4};
            break;
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
            if (playing) return {PadAction::kKey, kKey1};
            break;
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
            if (playing) return {PadAction::kKey, kKey2};
            break;
        case SDL_CONTROLLER_BUTTON_START:
            if (state == FormState::Paused) return {PadAction::kPause, 0};
            if (state != FormState::Question) return {PadAction::kOptions, 0};
            break;
        case SDL_CONTROLLER_BUTTON_BACK:
            return playing ? PadAction{PadAction::kKey, kKeyEscape} : PadAction{PadAction::kQuit, 0};
        default: break;
    }
    return {};
}

}  // namespace tv::sdl
