#include "shell/controls.h"

namespace tv {
namespace {

// A device that keeps reporting a lost acquisition must not hang the frame.
constexpr int kMaxReacquire = 100;

}  // namespace

void ProcessInput(Game& game) {
    InputDevices& input = *game.platform.input;

    // 1. Mouse.
    game.mouse = MouseState{};
    if (input.HasMouse() && input.ReadMouse(game.mouse) != kInputOk) {
        game.mouse = MouseState{};
        for (int i = 0; i < kMaxReacquire && input.AcquireMouse() == kInputLost; ++i) {
        }
    }

    // 2. The turret's weapon rules (cannon sound, cannon, laser switch) join with the turret.

    // 3, 4. Camera pitch and yaw.
    ApplyMouseLook(game.Camera.Pitch, game.Camera.Yaw, game.mouse.lX, game.mouse.lY);

    // 5. The turret turns by the same rules once it exists.

    // 6. Keyboard.
    if (!input.HasKeyboard()) return;
    game.keys.fill(0);
    if (input.ReadKeyboard(game.keys) != kInputOk) {
        game.keys.fill(0);
        for (int i = 0; i < kMaxReacquire && input.AcquireKeyboard() == kInputLost; ++i) {
        }
    }

    // 7, 8. Keys 1 and 2 choose the turret's weapon once it exists.

    // 9. Escape closes the window.
    if (game.keys[kKeyEscape] & kDown) game.platform.window->Close();
}

}  // namespace tv
