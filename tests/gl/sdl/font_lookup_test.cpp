// Where the windows' font comes from: fontconfig's match first, the font shipped in the game
// data when fontconfig has none, nothing (and no crash) when the shipped one is broken too;
// the loading window draws its text in whichever was found.

#include "sdl/font_lookup.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "gl_context.h"
#include "sdl/loading_window_sdl.h"

namespace tv::sdl {
namespace {

namespace fs = std::filesystem;

// A fontconfig configuration that knows only the fonts in `dir` (none when empty), in force
// for the lookups that follow.
void UseFontconfig(const fs::path& root, const std::string& dir) {
    const fs::path conf = root / (dir.empty() ? "none.conf" : "dir.conf");
    std::ofstream(conf) << "<?xml version=\"1.0\"?><fontconfig>"
                        << (dir.empty() ? "" : "<dir>" + dir + "</dir>") << "<cachedir>"
                        << (root / "fc-cache").string() << "</cachedir></fontconfig>\n";
    setenv("FONTCONFIG_FILE", conf.c_str(), 1);
}

// Dark pixels in the loading window's path label (black text on yellow).
int LabelInk(const std::string& label) {
    SdlLoadingWindow window;
    window.Show(label);
    window.Repaint();
    int dark = 0;
    const std::vector<uint8_t>& f = window.LastFrame();
    for (int y = 8; y < 22; ++y)
        for (int x = 24; x < 300; ++x) {
            const uint8_t* p = &f[(static_cast<size_t>(y) * SdlLoadingWindow::kWidth + x) * 4];
            dark += p[0] < 80 && p[1] < 80 && p[2] < 80;
        }
    return dark;
}

class FontLookup : public ::testing::Test {
  protected:
    void TearDown() override {
        unsetenv("FONTCONFIG_FILE");
        SetFontDataRoot("");
    }
};

TEST_F(FontLookup, FontconfigThenTheShippedFontThenNone) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    const fs::path root = test::ScratchDir("sdl_font_lookup");
    const fs::path system = root / "system", data = root / "data";
    fs::create_directories(system);
    fs::create_directories(data / "fonts");
    fs::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", system / "DejaVuSansMono.ttf",
                  fs::copy_options::overwrite_existing);
    const fs::path shipped = data / kShippedFont;
    fs::copy_file(fs::path(TERRAVIK_GAME_DIR) / kShippedFont, shipped, fs::copy_options::overwrite_existing);
    SetFontDataRoot(data.string());

    UseFontconfig(root, system.string());
    UiFont font = FindUiFont(FontWidth::Condensed);
    ASSERT_TRUE(font.Found());
    EXPECT_EQ(fs::path(font.path).filename(), "DejaVuSansMono.ttf");

    UseFontconfig(root, "");
    EXPECT_TRUE(FontconfigCandidates(FontWidth::Normal).empty());
    font = FindUiFont(FontWidth::Normal);
    ASSERT_TRUE(font.Found());
    EXPECT_EQ(font.path, shipped.string());
    EXPECT_EQ(font.bytes.size(), fs::file_size(shipped));
    const int shippedInk = LabelInk("/data/3DOBJEKT/turel1/t2.3dk");
    EXPECT_GT(shippedInk, 30);

    // Cut short, the shipped font is no font: nothing is found, and the loading window still
    // paints (its bar, no text) rather than failing.
    const std::string whole = [&] {
        std::ifstream in(shipped, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    std::ofstream(shipped, std::ios::binary | std::ios::trunc) << whole.substr(0, 4096);
    EXPECT_FALSE(FindUiFont(FontWidth::Normal).Found());
    EXPECT_EQ(LabelInk("/data/3DOBJEKT/turel1/t2.3dk"), 0);
}

}  // namespace
}  // namespace tv::sdl
