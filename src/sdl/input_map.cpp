#include "sdl/input_map.h"

#include "sdl/sdl_input.h"

namespace tv::sdl {

const std::array<KeyActionEntry, 8> kKeyActions{{
    {KeyAction::Cannon, &KeySettings::cannon, kKey1},
    {KeyAction::Laser, &KeySettings::laser, kKey2},
    {KeyAction::Quit, &KeySettings::quit, kKeyEscape},
    {KeyAction::MoreAircraft, &KeySettings::moreAircraft, 0},
    {KeyAction::Pause, &KeySettings::pause, 0},
    {KeyAction::Screenshot, &KeySettings::screenshot, 0},
    {KeyAction::FreePointer, &KeySettings::freePointer, 0},
    {KeyAction::Fullscreen, &KeySettings::fullscreen, 0},
}};

void InputMap::Load(const KeySettings& keys, SdlInput& input) {
    for (size_t i = 0; i < kKeyActions.size(); ++i) {
        const KeyActionEntry& entry = kKeyActions[i];
        keys_[i] = SDL_GetKeyFromName((keys.*entry.setting).c_str());
        if (entry.gameCode != 0 && keys_[i] != SDLK_UNKNOWN)
            input.BindGameKey(entry.gameCode, SDL_GetScancodeFromKey(keys_[i]));
    }
}

bool InputMap::Is(KeyAction action, SDL_Keycode key) const {
    for (size_t i = 0; i < kKeyActions.size(); ++i)
        if (kKeyActions[i].action == action) return keys_[i] != SDLK_UNKNOWN && keys_[i] == key;
    return false;
}

}  // namespace tv::sdl
