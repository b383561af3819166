// The options menu driven by key and controller events through the main loop, as a player
// drives it: it opens on its key (or Start), the arrows and Enter change a value that takes
// effect at once, Save writes only the changed values into the settings file, and Escape (B)
// backs out and closes it, without quitting, putting back what it changed.

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include "sdl/main_loop.h"
#include "shell/settings.h"

namespace tv::sdl {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(OptionsMenu, KeysOpenChangeSaveAndEscapeCloses) {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    std::filesystem::create_directories(TERRAVIK_TEST_TMP);
    const std::string path = std::string(TERRAVIK_TEST_TMP) + "/menu_settings.ini";
    const std::string text =
        "; my own settings\n[audio]\nmaster_volume = 80   # loud\nknob = 11\n\n[keys]\ncannon = 1\n";
    std::ofstream(path, std::ios::binary) << text;
    {
        RunOptions options;
        options.configFile = path;
        SdlMainWindow window(false, 1024, 768);
        ASSERT_TRUE(window.Ok()) << window.status().Message();
        StepClock clock;
        MainLoop loop(options, window, clock, &clock, nullptr, nullptr, nullptr);
        std::vector<std::string> warnings;
        loop.game().settings = LoadSettingsFile(path, true, warnings);
        loop.ApplyInputSettings();
        const OptionsMenu& menu = loop.Menu();
        // Each key goes down and up through SDL's queue, then a frame draws the menu.
        auto press = [&](std::initializer_list<SDL_Keycode> keys) {
            for (SDL_Keycode key : keys) {
                SDL_Event e{};
                e.type = SDL_KEYDOWN;
                e.key.keysym.sym = key;
                e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
                SDL_PushEvent(&e);
                e.type = SDL_KEYUP;
                SDL_PushEvent(&e);
                while (SDL_PollEvent(&e)) loop.HandleEvent(e);
                window.PresentControlsOnly();
            }
        };

        press({SDLK_F10});
        ASSERT_TRUE(menu.IsOpen());
        press({SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN, SDLK_LEFT});  // Звук, the master volume down
        EXPECT_EQ(menu.CurrentPage(), OptionsMenu::Page::Audio);
        EXPECT_EQ(loop.game().settings.audio.masterVolume, 75) << "applied at once";

        // A key chosen for the pause that the cannon holds is flagged and blocks Save.
        press({SDLK_ESCAPE, SDLK_UP, SDLK_RETURN});  // back to the first page, Управление
        ASSERT_EQ(menu.CurrentPage(), OptionsMenu::Page::Input);
        press({SDLK_UP, SDLK_UP, SDLK_UP, SDLK_UP, SDLK_UP, SDLK_UP, SDLK_RETURN});  // the pause's row
        EXPECT_TRUE(menu.ChoosingKey());
        press({SDLK_1});
        EXPECT_EQ(loop.game().settings.keys.pause, "1");
        press({SDLK_ESCAPE, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN});  // Сохранить
        EXPECT_TRUE(menu.IsOpen());
        EXPECT_FALSE(menu.SaveError().empty());
        EXPECT_EQ(ReadFile(path), text);
        press({SDLK_UP, SDLK_UP, SDLK_RETURN});  // Управление again, where the focus was
        press({SDLK_RETURN, SDLK_k, SDLK_ESCAPE, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN});
        ASSERT_FALSE(menu.IsOpen()) << menu.SaveError();
        EXPECT_EQ(ReadFile(path),
                  "; my own settings\n[audio]\nmaster_volume = 75   # loud\nknob = 11\n\n[keys]\ncannon = 1\n"
                  "pause = K\n");

        // Escape backs out of a page and then closes, putting back what the menu changed; the
        // game does not quit.
        press({SDLK_F10, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN, SDLK_RIGHT});
        EXPECT_EQ(loop.game().settings.audio.masterVolume, 80);
        press({SDLK_ESCAPE});
        EXPECT_TRUE(menu.IsOpen());
        press({SDLK_ESCAPE});
        EXPECT_FALSE(menu.IsOpen());
        EXPECT_FALSE(window.CloseRequested());
        EXPECT_EQ(loop.game().settings.audio.masterVolume, 75);
        EXPECT_EQ(loop.game().settings.keys.pause, "K");

        // A controller: Start opens it, the d-pad, A and B work as the arrows, Enter and Escape.
        auto pad = [&](std::initializer_list<SDL_GameControllerButton> buttons) {
            for (SDL_GameControllerButton button : buttons) {
                SDL_Event e{};
                e.type = SDL_CONTROLLERBUTTONDOWN;
                e.cbutton.button = static_cast<Uint8>(button);
                loop.HandleEvent(e);
                window.PresentControlsOnly();
            }
        };
        // The left stick pushed down and let back is one step down.
        auto stick = [&](Sint16 value) {
            SDL_Event e{};
            e.type = SDL_CONTROLLERAXISMOTION;
            e.caxis.axis = SDL_CONTROLLER_AXIS_LEFTY;
            e.caxis.value = value;
            loop.HandleEvent(e);
        };
        pad({SDL_CONTROLLER_BUTTON_START});
        stick(32767);
        stick(30000);
        stick(0);
        pad({SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_CONTROLLER_BUTTON_DPAD_DOWN, SDL_CONTROLLER_BUTTON_A,
             SDL_CONTROLLER_BUTTON_DPAD_LEFT});
        EXPECT_EQ(loop.game().settings.audio.masterVolume, 70);
        pad({SDL_CONTROLLER_BUTTON_B, SDL_CONTROLLER_BUTTON_B});
        EXPECT_FALSE(menu.IsOpen());
        EXPECT_FALSE(window.CloseRequested());
        EXPECT_EQ(loop.game().settings.audio.masterVolume, 75);
    }
    SDL_Quit();
}

}  // namespace
}  // namespace tv::sdl
