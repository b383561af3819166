#include "shell/controls.h"

namespace tv {
namespace {

// A device that keeps reporting a lost acquisition must not hang the frame.
constexpr int kMaxReacquire = 100;

// Stops the looping weapon sound and marks it not playing. Only a sound this game started:
// a stale channel number may by now belong to another sound.
void StopFireSound(Game& game) {
    if (game.FireSoundOn) StopChannel(game.Mixer, game.FireChannel);
    game.FireSoundOn = false;
}

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

    // 2. The turret's weapon rules: cannon sound, cannon, laser switch.
    if (game.Turel) {
        TTurel& turret = *game.Turel;
        const WeaponButtons buttons{game.mouse.rgbButtons[0] == kDown, game.mouse.rgbButtons[1] == kDown,
                                    game.FireHeld};
        if (turret.CannonSoundMustStop(buttons, game.FireSoundOn)) StopFireSound(game);
        turret.UpdateCannon(buttons, game.FrameTime);
        if (turret.UpdateLaserSwitch(buttons)) StopFireSound(game);
    }

    // 3, 4. Camera pitch and yaw.
    ApplyMouseLook(game.Camera.Pitch, game.Camera.Yaw, game.mouse.lX, game.mouse.lY);

    // 5. The turret turns with the camera, by the same rules.
    if (game.Turel) game.Turel->Aim(game.mouse.lX, game.mouse.lY);

    // 6. Keyboard.
    if (!input.HasKeyboard()) return;
    game.keys.fill(0);
    if (input.ReadKeyboard(game.keys) != kInputOk) {
        game.keys.fill(0);
        for (int i = 0; i < kMaxReacquire && input.AcquireKeyboard() == kInputLost; ++i) {
        }
    }

    // 7, 8. Keys 1 and 2 choose the turret's weapon.
    if (game.Turel && (game.keys[kKey1] & kDown)) {
        game.Turel->SelectWeapon(1);
        StopFireSound(game);
    }
    if (game.Turel && (game.keys[kKey2] & kDown)) game.Turel->SelectWeapon(2);

    // 9. Escape closes the window.
    if (game.keys[kKeyEscape] & kDown) game.platform.window->Close();
}

}  // namespace tv
