#include "sdl/input_map.h"

#include "sdl/sdl_input.h"

namespace tv::sdl {

void InputMap::Load(const KeySettings& keys, SdlInput& input) {
    for (size_t i = 0; i < keys_.size(); ++i) {
        const KeyActionSetting& entry = kKeyActions[i];
        keys_[i] = SDL_GetKeyFromName((keys.*entry.key).c_str());
        if (entry.gameCode == 0) continue;
        // A game key left without one stays on its default key (loaded again, it leaves the
        // key it had).
        const SDL_Keycode game =
            keys_[i] != SDLK_UNKNOWN ? keys_[i] : SDL_GetKeyFromName((KeySettings{}.*entry.key).c_str());
        if (game != SDLK_UNKNOWN)
            input.BindGameKey(static_cast<uint8_t>(entry.gameCode), SDL_GetScancodeFromKey(game));
    }
}

bool InputMap::Is(KeyAction action, SDL_Keycode key) const {
    for (size_t i = 0; i < keys_.size(); ++i)
        if (kKeyActions[i].action == action) return keys_[i] != SDLK_UNKNOWN && keys_[i] == key;
    return false;
}

}  // namespace tv::sdl
