#pragma once
// Polled keyboard and mouse, laid out as the game reads them: a 256-byte key state indexed by
// DirectInput key codes, and relative mouse counts with four button bytes.

#include <array>
#include <cstdint>

namespace tv {

inline constexpr uint8_t kDown = 0x80;  // a key or button byte with this value (bit) is down

// DirectInput key codes the game reads.
inline constexpr int kKeyEscape = 1;
inline constexpr int kKey1 = 2;  // "1" of the main row
inline constexpr int kKey2 = 3;  // "2" of the main row

// Result codes of the device calls: 0 is success, negatives are failures.
inline constexpr int kInputOk = 0;
inline constexpr int kInputFailed = -1;
inline constexpr int kInputLost = -2;  // the device lost its acquisition; acquire again

struct MouseState {
    int32_t lX = 0;  // movement since the last read, in device counts; +x right
    int32_t lY = 0;  // +y towards the player (down the screen)
    int32_t lZ = 0;  // wheel
    uint8_t rgbButtons[4] = {0, 0, 0, 0};  // 0x80 = down; 0 left, 1 right, 2 middle
};

using KeyboardState = std::array<uint8_t, 256>;

// The keyboard and mouse devices. Init* create and acquire a device and return a result code;
// Read* fill the state and return kInputOk, or a negative code (the state is then undefined).
class InputDevices {
public:
    virtual ~InputDevices() = default;
    virtual int InitKeyboard() = 0;
    virtual int InitMouse() = 0;
    virtual bool HasKeyboard() const = 0;
    virtual bool HasMouse() const = 0;
    virtual int ReadKeyboard(KeyboardState& keys) = 0;
    virtual int ReadMouse(MouseState& mouse) = 0;
    virtual int AcquireKeyboard() = 0;
    virtual int AcquireMouse() = 0;
    // Shutdown, in the order the game calls them.
    virtual void ReleaseKeyboard() = 0;
    virtual void ReleaseInputObject() = 0;
    virtual void ReleaseMouse() = 0;
};

}  // namespace tv
