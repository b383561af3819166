#pragma once
// The player's keys: one table of what each key setting does, resolved to SDL keys once the
// settings are read.

#include <SDL2/SDL.h>

#include <array>
#include <cstdint>
#include <string>

#include "shell/settings.h"

namespace tv::sdl {

class SdlInput;

// What a key setting does: a key the game itself reads (its frames see it as the game's key
// code) or a key around the game, which the main loop handles.
enum class KeyAction : uint8_t { Cannon, Laser, Quit, MoreAircraft, Pause, Screenshot, FreePointer, Fullscreen };

struct KeyActionEntry {
    KeyAction action;
    std::string KeySettings::*setting;
    uint8_t gameCode;  // the game's key code for a key the game reads; 0 for a key around it
};

// Every key setting, in the order the game's keys are bound.
extern const std::array<KeyActionEntry, 8> kKeyActions;

class InputMap {
public:
    // Resolves the settings' key names and binds the game's own keys in `input`; a name SDL
    // does not know leaves that action without a key.
    void Load(const KeySettings& keys, SdlInput& input);
    // True when `key` is the one the player set for `action`.
    bool Is(KeyAction action, SDL_Keycode key) const;

private:
    std::array<SDL_Keycode, kKeyActions.size()> keys_{};
};

}  // namespace tv::sdl
