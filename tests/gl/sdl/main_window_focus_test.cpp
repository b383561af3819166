// The controller's focus as the main window draws it: a frame around the focused button and
// nowhere else, and without a focus the very picture drawn before.

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/image_decode.h"
#include "sdl/sdl_main_window.h"
#include "shell/game.h"

namespace tv::sdl {
namespace {

// The picture the window presents with only its buttons, as RGBA pixels.
std::vector<uint8_t> Present(SdlMainWindow& window) {
    window.SetCaptureFrames(true);
    window.PresentControlsOnly();
    const std::string path = std::string(TERRAVIK_TEST_TMP) + "/focus.png";
    std::filesystem::create_directories(TERRAVIK_TEST_TMP);
    EXPECT_TRUE(window.WriteLastFrame(path));
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const DecodedImage image = DecodeImage(path, bytes.data(), bytes.size());
    EXPECT_EQ(image.channels, 4);
    EXPECT_EQ(image.width, 1024);
    return image.pixels;
}

TEST(MainWindowFocus, FramesTheFocusedButtonOnly) {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ImageLibrary images;
    {
        SdlMainWindow window(false, 1024, 768);
        ASSERT_TRUE(window.Ok()) << window.status().Message();
        TForm1 form;
        window.SetForm(&form);
        const std::vector<uint8_t> plain = Present(window);

        window.SetFocusedButton(kButton3);
        const std::vector<uint8_t> focused = Present(window);
        ASSERT_EQ(focused.size(), plain.size());
        // The frame's blue, in columns around "Старт" (760..834) and nowhere else.
        int blue = 0, astray = 0;
        for (size_t i = 0; i + 3 < focused.size(); i += 4) {
            if (!(focused[i + 2] > 150 && focused[i] < 60)) continue;
            const int x = static_cast<int>(i / 4 % 1024);
            ++blue;
            if (x < 755 || x > 839) ++astray;
        }
        EXPECT_GT(blue, 150) << "no frame around the focused button";
        EXPECT_EQ(astray, 0);

        // A hidden button shows no focus, and no focus leaves the picture as it was.
        form.buttons[kButton3].visible = false;
        form.buttons[kButton4].visible = true;
        EXPECT_EQ(Present(window), [&] {
            window.SetFocusedButton(kFormButtonCount);
            return Present(window);
        }());
        form.buttons[kButton3].visible = true;
        form.buttons[kButton4].visible = false;
        EXPECT_EQ(Present(window), plain);
    }
    SDL_Quit();
}

}  // namespace
}  // namespace tv::sdl
