// The SDL loading window: its placement and caption, and what a repaint puts on screen.

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "gl_context.h"
#include "platform/loading_progress.h"
#include "sdl/loading_window_sdl.h"

namespace tv::sdl {
namespace {

using W = SdlLoadingWindow;

struct Count {
    int matching = 0;
    int dark = 0;
};

// Pixels of the last frame inside [x0, x1) x [y0, y1) that have colour (r, g, b), and dark ones.
Count Region(const W& w, int x0, int y0, int x1, int y1, int r, int g, int b) {
    Count c;
    const std::vector<uint8_t>& f = w.LastFrame();
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint8_t* p = &f[(static_cast<size_t>(y) * W::kWidth + x) * 4];
            if (p[0] == r && p[1] == g && p[2] == b) ++c.matching;
            if (p[0] < 80 && p[1] < 80 && p[2] < 80) ++c.dark;
        }
    return c;
}

// Keeps the picture for looking at: <build>/test-tmp/models_loading_window/<name>.png.
void Keep(const W& w, const std::string& name) {
    test::Pixels p;
    p.width = W::kWidth;
    p.height = W::kHeight;
    p.rgba.resize(w.LastFrame().size());
    const size_t row = static_cast<size_t>(W::kWidth) * 4;
    for (int y = 0; y < W::kHeight; ++y) {
        std::copy_n(&w.LastFrame()[y * row], row, &p.rgba[(W::kHeight - 1 - y) * row]);
    }
    test::WritePng(test::ScratchDir("models_loading_window_" + name) + "/frame.png", p);
}

const uint8_t* Pixel(const W& w, int x, int y) { return &w.LastFrame()[(static_cast<size_t>(y) * W::kWidth + x) * 4]; }

TEST(LoadingWindow, ShowsPathBarAndCounterInItsOwnWindow) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    W window;
    EXPECT_FALSE(window.Visible());
    window.Show("/data/3DOBJEKT/turel1/t2.3dk");
    window.Repaint();
    ASSERT_TRUE(window.Visible());
    EXPECT_STREQ(SDL_GetWindowTitle(window.Handle()), "Прогресс");
    int w = 0, h = 0, x = 0, y = 0;
    SDL_GetWindowSize(window.Handle(), &w, &h);
    SDL_GetWindowPosition(window.Handle(), &x, &y);
    EXPECT_EQ(w, 603);
    EXPECT_EQ(h, 134);
    EXPECT_EQ(x, 394);
    EXPECT_EQ(y, 236);
    ASSERT_EQ(window.LastFrame().size(), 603u * 134u * 4u);

    // The path on yellow with text on it; an empty bar; no counter yet.
    Count label = Region(window, 24, 8, 200, 22, 255, 255, 0);
    EXPECT_GT(label.matching, 200);
    EXPECT_GT(label.dark, 30);
    EXPECT_EQ(Region(window, 26, 26, 559, 47, 6, 176, 37).matching, 0);
    EXPECT_EQ(Region(window, 24, 64, 300, 82, 0, 255, 0).matching, 0);

    // Half way: the bar's left half filled; the Cyrillic counter drawn on lime.
    window.SetProgress(50, TriangleProgressCaption(51, 102));
    window.Repaint();
    EXPECT_TRUE(Pixel(window, 30, 36)[1] == 176 && Pixel(window, 280, 36)[1] == 176);
    EXPECT_EQ(Pixel(window, 300, 36)[1], 230);
    Count counter = Region(window, 24, 64, 300, 82, 0, 255, 0);
    EXPECT_GT(counter.matching, 300);
    EXPECT_GT(counter.dark, 60);
    Keep(window, "half");

    // Past 100 the bar shows as full.
    window.SetProgress(170, TriangleProgressCaption(510, 300));
    window.Repaint();
    EXPECT_EQ(Pixel(window, 555, 36)[1], 176);

    window.Close();
    EXPECT_FALSE(window.Visible());
}

TEST(LoadingWindow, CyrillicGlyphsAreDrawn) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    W window;
    window.Show("x");
    window.SetProgress(0, "жжжжжжжжжж");
    window.Repaint();
    const Count text = Region(window, 24, 64, 300, 82, 0, 255, 0);
    EXPECT_GT(text.matching, 100);  // the label is as wide as its text
    EXPECT_GT(text.dark, 60);       // and the glyphs are there, not blanks
}

// Glyphs are rendered once and reused: a window that has shown many states, with the same
// characters in both of its fonts, paints the last one exactly as a new window does, and its
// last frame follows every repaint.
TEST(LoadingWindow, ARepaintShowsOnlyTheCurrentState) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    const std::string path = "3DOBJEKT/треугольник/123.3dk";
    W used;
    used.Show("из 0123456789");
    for (int done = 0; done <= 900; done += 150) {
        used.SetProgress(done / 9, TriangleProgressCaption(done, 900));
        used.Repaint();
    }
    const std::vector<uint8_t> before = used.LastFrame();
    used.Show(path);
    used.SetProgress(40, TriangleProgressCaption(360, 900));
    used.Repaint();
    EXPECT_NE(used.LastFrame(), before);

    W fresh;
    fresh.Show(path);
    fresh.SetProgress(40, TriangleProgressCaption(360, 900));
    fresh.Repaint();
    EXPECT_EQ(used.LastFrame(), fresh.LastFrame());
}

// The window repaints while the game loads models into its own GL context, which must stay
// current throughout.
class LoadingWindowDuringLoad : public test::GlTest {};

TEST_F(LoadingWindowDuringLoad, RepaintsLeaveTheGamesContextCurrent) {
    SDL_GLContext game = SDL_GL_GetCurrentContext();
    ASSERT_NE(game, nullptr);
    W window;
    window.Show("m.3dk");
    window.SetProgress(17, TriangleProgressCaption(51, 300));
    window.Repaint();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), game);
    window.Close();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), game);
}

}  // namespace
}  // namespace tv::sdl
