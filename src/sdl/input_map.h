#pragma once
// The player's keys: the settings' table of key actions (kKeyActions, shell/settings.h)
// resolved to SDL keys once the settings are read. The controller's buttons map to actions in
// PadControls (sdl_input.h).

#include <SDL2/SDL.h>

#include <array>
#include <iterator>

#include "shell/settings.h"

namespace tv::sdl {

class SdlInput;

class InputMap {
public:
    // Resolves the settings' key names and binds the game's own keys in `input`; a name SDL
    // does not know leaves that action without a key.
    void Load(const KeySettings& keys, SdlInput& input);
    // True when `key` is the one the player set for `action`.
    bool Is(KeyAction action, SDL_Keycode key) const;

private:
    std::array<SDL_Keycode, std::size(kKeyActions)> keys_{};
};

}  // namespace tv::sdl
