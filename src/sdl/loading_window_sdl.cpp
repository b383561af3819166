#include "sdl/loading_window_sdl.h"

#include <SDL2/SDL.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "common/i18n.h"
#include "sdl/font_lookup.h"

namespace tv::sdl {

namespace {

constexpr const char* kCaption = TrNoop("Прогресс");

// Placement of the three controls in the client area.
constexpr int kLabelX = 24, kLabelY = 8;
constexpr int kBarX = 24, kBarY = 24, kBarW = 537, kBarH = 25;
constexpr int kCounterX = 24, kCounterY = 64;

constexpr uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) { return 0xFF000000u | (r << 16) | (g << 8) | b; }
constexpr uint32_t kFace = Rgb(240, 240, 240);
constexpr uint32_t kYellow = Rgb(255, 255, 0);
constexpr uint32_t kLime = Rgb(0, 255, 0);
constexpr uint32_t kBarBorder = Rgb(188, 188, 188);
constexpr uint32_t kBarTrack = Rgb(230, 230, 230);
constexpr uint32_t kBarFill = Rgb(6, 176, 37);

// Next code point of a UTF-8 string; malformed bytes come out as '?'.
uint32_t NextCodePoint(const std::string& s, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t b0 = byte(i);
    int extra = 0;
    uint32_t cp = 0;
    if (b0 < 0x80) {
        cp = b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        cp = b0 & 0x1F, extra = 1;
    } else if ((b0 & 0xF0) == 0xE0) {
        cp = b0 & 0x0F, extra = 2;
    } else if ((b0 & 0xF8) == 0xF0) {
        cp = b0 & 0x07, extra = 3;
    } else {
        ++i;
        return '?';
    }
    ++i;
    for (int k = 0; k < extra; ++k, ++i) {
        if (i >= s.size() || (byte(i) & 0xC0) != 0x80) return '?';
        cp = (cp << 6) | (byte(i) & 0x3F);
    }
    return cp;
}

void FillRect(SDL_Surface* s, int x, int y, int w, int h, uint32_t colour) {
    SDL_Rect r{x, y, w, h};
    SDL_FillRect(s, &r, colour);
}

}  // namespace

// A glyph as FreeType rendered it: its coverage bitmap, placement and advance.
struct RenderedGlyph {
    // A glyph FreeType could not load stays empty: no pixels, no advance.
    int left = 0, top = 0, advance = 0;
    unsigned width = 0, rows = 0;
    std::vector<uint8_t> coverage;  // rows * width, tightly packed
};

// A face at one pixel size, with every glyph rendered once: the window repaints a few hundred
// times during the start-up with the same few dozen characters.
struct SdlLoadingWindow::Font {
    FT_Face face = nullptr;
    int ascent = 0;
    int lineHeight = 0;
    std::unordered_map<uint32_t, RenderedGlyph> glyphs;

    const RenderedGlyph& Glyph(uint32_t codePoint) {
        auto [it, added] = glyphs.try_emplace(codePoint);
        RenderedGlyph& g = it->second;
        if (!added || FT_Load_Char(face, codePoint, FT_LOAD_RENDER) != 0) return g;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.advance = static_cast<int>(slot->advance.x >> 6);
        g.width = bitmap.width;
        g.rows = bitmap.rows;
        g.coverage.resize(static_cast<size_t>(g.width) * g.rows);
        for (unsigned row = 0; row < g.rows; ++row) {
            std::memcpy(&g.coverage[static_cast<size_t>(row) * g.width],
                        bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch, g.width);
        }
        return g;
    }
};

SdlLoadingWindow::SdlLoadingWindow() = default;

SdlLoadingWindow::~SdlLoadingWindow() {
    Close();
    if (canvas_) SDL_FreeSurface(canvas_);
    for (Font* font : {labelFont_, counterFont_}) {
        if (font && font->face) FT_Done_Face(font->face);
        delete font;
    }
    if (freetype_) FT_Done_FreeType(static_cast<FT_Library>(freetype_));
}

void SdlLoadingWindow::Show(const std::string& path) {
    modelLabel_ = path;
    if (!window_) {
        if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");  // a GL-backed surface would steal the game's context
        window_ = SDL_CreateWindow(Tr(kCaption), Scaled(kLeft), Scaled(kTop), Width(), Height(), SDL_WINDOW_SHOWN);
        if (!window_) return;
        // Brought up once, when it appears; later models only change what it shows.
        SDL_RaiseWindow(window_);
    }
    if (!freetype_) {
        // Without a usable font the window still shows its bar, only no text; the main
        // window says on stderr that no font was found.
        UiFont found = FindUiFont(FontWidth::Normal);
        fontFaceIndex_ = found.faceIndex;
        fontBytes_ = std::move(found.bytes);
        FT_Library library = nullptr;
        if (FT_Init_FreeType(&library) == 0) {
            freetype_ = library;
            const auto open = [&](int pixels) {
                Font* font = new Font;
                if (fontBytes_.empty() ||
                    FT_New_Memory_Face(library, fontBytes_.data(), static_cast<FT_Long>(fontBytes_.size()),
                                       fontFaceIndex_, &font->face) != 0) {
                    font->face = nullptr;
                    return font;
                }
                FT_Set_Pixel_Sizes(font->face, 0, static_cast<FT_UInt>(pixels));
                font->ascent = static_cast<int>(font->face->size->metrics.ascender >> 6);
                font->lineHeight = static_cast<int>((font->face->size->metrics.ascender -
                                                     font->face->size->metrics.descender) >> 6);
                return font;
            };
            labelFont_ = open(Scaled(11));
            counterFont_ = open(Scaled(13));
        }
    }
}

void SdlLoadingWindow::SetProgress(int position, const std::string& caption) {
    barPosition_ = position;
    counterLabel_ = caption;
}

void SdlLoadingWindow::Repaint() {
    if (!window_) return;
    if (!canvas_) {
        canvas_ = SDL_CreateRGBSurfaceWithFormat(0, Width(), Height(), 32, SDL_PIXELFORMAT_ARGB8888);
        if (!canvas_) return;
        // Every pixel painted is opaque: a plain copy shows the same picture as blending it.
        SDL_SetSurfaceBlendMode(canvas_, SDL_BLENDMODE_NONE);
    }
    Paint(canvas_);
    lastFrameStale_ = true;
    if (SDL_Surface* target = SDL_GetWindowSurface(window_)) {
        SDL_BlitSurface(canvas_, nullptr, target, nullptr);
        SDL_UpdateWindowSurface(window_);
    }
    // Let the window system see the new picture now; the loader keeps the main loop waiting.
    SDL_PumpEvents();
}

const std::vector<uint8_t>& SdlLoadingWindow::LastFrame() const {
    if (!lastFrameStale_) return lastFrame_;
    lastFrameStale_ = false;
    const int width = Width(), height = Height();
    lastFrame_.resize(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(canvas_->pixels) + y * canvas_->pitch);
        for (int x = 0; x < width; ++x) {
            uint8_t* out = &lastFrame_[(static_cast<size_t>(y) * width + x) * 4];
            out[0] = static_cast<uint8_t>(row[x] >> 16);
            out[1] = static_cast<uint8_t>(row[x] >> 8);
            out[2] = static_cast<uint8_t>(row[x]);
            out[3] = 255;
        }
    }
    return lastFrame_;
}

void SdlLoadingWindow::Close() {
    if (window_) SDL_DestroyWindow(window_);
    window_ = nullptr;
}

void SdlLoadingWindow::Paint(SDL_Surface* s) {
    FillRect(s, 0, 0, Width(), Height(), kFace);

    const int labelX = Scaled(kLabelX), labelY = Scaled(kLabelY);
    if (labelFont_ && labelFont_->face) {
        FillRect(s, labelX, labelY, TextWidth(*labelFont_, modelLabel_), labelFont_->lineHeight, kYellow);
        DrawText(s, *labelFont_, labelX, labelY, modelLabel_, kYellow);
    }

    // The bar's one-pixel border stays one pixel at every scale.
    const int barX = Scaled(kBarX), barY = Scaled(kBarY), barW = Scaled(kBarW), barH = Scaled(kBarH);
    FillRect(s, barX, barY, barW, barH, kBarBorder);
    FillRect(s, barX + 1, barY + 1, barW - 2, barH - 2, kBarTrack);
    const int shown = std::clamp(barPosition_, 0, 100);  // past 100 shows as full
    FillRect(s, barX + 1, barY + 1, (barW - 2) * shown / 100, barH - 2, kBarFill);

    const int counterX = Scaled(kCounterX), counterY = Scaled(kCounterY);
    if (counterFont_ && counterFont_->face && !counterLabel_.empty()) {
        FillRect(s, counterX, counterY, TextWidth(*counterFont_, counterLabel_), counterFont_->lineHeight, kLime);
        DrawText(s, *counterFont_, counterX, counterY, counterLabel_, kLime);
    }
}

int SdlLoadingWindow::TextWidth(Font& font, const std::string& text) {
    int width = 0;
    for (size_t i = 0; i < text.size();) width += font.Glyph(NextCodePoint(text, i)).advance;
    return width;
}

// Black glyphs blended over the label's background colour.
void SdlLoadingWindow::DrawText(SDL_Surface* s, Font& font, int x, int y, const std::string& text,
                                uint32_t background) {
    const int baseline = y + font.ascent;
    int penX = x;
    for (size_t i = 0; i < text.size();) {
        const RenderedGlyph& glyph = font.Glyph(NextCodePoint(text, i));
        for (unsigned row = 0; row < glyph.rows; ++row) {
            const int py = baseline - glyph.top + static_cast<int>(row);
            if (py < 0 || py >= s->h) continue;
            auto* line = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + py * s->pitch);
            for (unsigned col = 0; col < glyph.width; ++col) {
                const int px = penX + glyph.left + static_cast<int>(col);
                if (px < 0 || px >= s->w) continue;
                const unsigned coverage = glyph.coverage[static_cast<size_t>(row) * glyph.width + col];
                const auto blend = [&](int shift) {
                    const unsigned bg = (background >> shift) & 0xFF;
                    return static_cast<uint32_t>(bg * (255 - coverage) / 255) << shift;
                };
                line[px] = 0xFF000000u | blend(16) | blend(8) | blend(0);
            }
        }
        penX += glyph.advance;
    }
}

}  // namespace tv::sdl
