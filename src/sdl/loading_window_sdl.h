#pragma once
// The loading window over SDL: a small second window, caption "Прогресс", 603 x 134 at
// (394, 236), that shows the model being read (path on yellow), a progress bar 0..100 and the
// triangle counter (on lime). It draws into its own window surface with FreeType glyphs (a
// sans font with Cyrillic, found as sdl/font_lookup.h says), and repaints synchronously: model loading never returns
// to the event loop while it reads.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/loading_progress.h"

struct SDL_Window;
struct SDL_Surface;

namespace tv::sdl {

class SdlLoadingWindow : public LoadingProgress {
public:
    // Nothing is created until the first Show (the window starts hidden).
    SdlLoadingWindow();
    ~SdlLoadingWindow() override;
    SdlLoadingWindow(const SdlLoadingWindow&) = delete;
    SdlLoadingWindow& operator=(const SdlLoadingWindow&) = delete;

    void Show(const std::string& path) override;
    void SetProgress(int position, const std::string& caption) override;
    void Repaint() override;
    void Close() override;

    bool Visible() const { return window_ != nullptr; }
    SDL_Window* Handle() const { return window_; }
    // The last repainted picture, RGBA rows top-down (for tests); empty before the first Repaint.
    // Made from the canvas when asked for, not on every repaint.
    const std::vector<uint8_t>& LastFrame() const;
    const std::string& ModelLabel() const { return modelLabel_; }
    const std::string& CounterLabel() const { return counterLabel_; }
    int BarPosition() const { return barPosition_; }

    // The interface scale (1 to 3): the window, its places and its fonts times this. Takes
    // effect when the window is next made.
    void SetScale(double scale) { scale_ = scale < 1.0 ? 1.0 : scale > 3.0 ? 3.0 : scale; }
    int Scaled(int designPixels) const { return static_cast<int>(designPixels * scale_ + 0.5); }
    // The window's size in pixels: kWidth x kHeight at scale 1.
    int Width() const { return Scaled(kWidth); }
    int Height() const { return Scaled(kHeight); }

    static constexpr int kLeft = 394;
    static constexpr int kTop = 236;
    static constexpr int kWidth = 603;
    static constexpr int kHeight = 134;

private:
    struct Font;
    void Paint(SDL_Surface* surface);
    void DrawText(SDL_Surface* surface, Font& font, int x, int y, const std::string& text, uint32_t background);
    int TextWidth(Font& font, const std::string& text);

    SDL_Window* window_ = nullptr;
    Font* labelFont_ = nullptr;    // the form's font, 11 px
    Font* counterFont_ = nullptr;  // the counter's font, 13 px
    void* freetype_ = nullptr;
    std::vector<uint8_t> fontBytes_;  // the font file both faces read from, for as long as they live
    int fontFaceIndex_ = 0;
    std::string modelLabel_;
    std::string counterLabel_;
    int barPosition_ = 0;
    double scale_ = 1.0;
    SDL_Surface* canvas_ = nullptr;  // what Repaint painted last; kept until the window object goes
    mutable bool lastFrameStale_ = false;
    mutable std::vector<uint8_t> lastFrame_;
};

}  // namespace tv::sdl
