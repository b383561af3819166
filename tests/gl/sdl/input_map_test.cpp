// The player's key settings as the main loop reads them: every action of the settings' table
// on the key it names, the game's own keys bound where the game reads them, a name SDL does not
// know leaving its action without a key.

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "sdl/input_map.h"
#include "sdl/sdl_input.h"

namespace tv::sdl {
namespace {

TEST(InputMap, KeysFollowTheSettingsTable) {
    // Key names become scancodes through the keymap the video system sets up, as in the game.
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    KeySettings keys;
    keys.cannon = "Q";
    keys.quit = "Backspace";
    keys.pause = "Space";
    keys.fullscreen = "no such key";
    SdlInput input;
    InputMap map;
    map.Load(keys, input);

    EXPECT_TRUE(map.Is(KeyAction::Pause, SDLK_SPACE));
    EXPECT_FALSE(map.Is(KeyAction::Pause, SDLK_p));
    EXPECT_TRUE(map.Is(KeyAction::Screenshot, SDLK_F12));    // a default
    EXPECT_TRUE(map.Is(KeyAction::FreePointer, SDLK_TAB));
    EXPECT_TRUE(map.Is(KeyAction::MoreAircraft, SDLK_n));
    EXPECT_FALSE(map.Is(KeyAction::Fullscreen, SDLK_F11));   // the name SDL does not know
    EXPECT_FALSE(map.Is(KeyAction::Fullscreen, SDLK_UNKNOWN));
    EXPECT_FALSE(map.Is(KeyAction::MoreAircraft, SDLK_SPACE));  // one key, one action

    EXPECT_EQ(input.CodeOf(SDL_SCANCODE_Q), kKey1);
    EXPECT_EQ(input.CodeOf(SDL_SCANCODE_2), kKey2);
    EXPECT_EQ(input.CodeOf(SDL_SCANCODE_BACKSPACE), kKeyEscape);
    EXPECT_EQ(input.CodeOf(SDL_SCANCODE_1), 0);  // the cannon left its default key
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace
}  // namespace tv::sdl
