#pragma once
// The HUD text: lines printed with the bitmap font strip in window pixels (origin bottom-left,
// y up). The strip holds 256 glyph cells side by side in Windows-1251 code order, so every
// text handed to PrintText is single-byte Windows-1251.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

// The numbers the HUD shows besides the frame rate. The turret and the aircraft system keep
// them current once they exist.
struct HudValues {
    int32_t Kills = 0;       // aircraft shot down
    int32_t PlaneCount = 0;  // aircraft alive
    float Life = 0.0f;       // the turret's life; printed truncated towards zero
    int32_t Shells = 0;      // cannon shells left
};

// What PrintText draws with: the font strip and the window size the text is laid out in.
struct HudFont {
    unsigned texture = 0;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    float scale = 1.0f;  // the player's interface scale: PrintHud's sizes and places times this
};

inline constexpr size_t kMaxPrintChars = 255;  // longer texts are cut here

// Draws `cp1251` with its baseline at y; glyph i (1-based) spans x - 10 + i*size/2 to
// x - 10 + (i+1)*size/2 and is `size` high. Spaces leave a gap. The caller enables 2D texturing
// and sets the colour. Blends additively (source alpha, one) with depth writes off, so the
// font's black background adds nothing; afterwards blending is off, depth writes are on, both
// matrices are as before and the modelview is selected. The depth test is left as it was.
void PrintText(const HudFont& font, std::string_view cp1251, float x, float y, float size);

// Life as the HUD prints it: truncated towards zero, NaN as 0, clamped to the int32 range.
int32_t TruncatedLife(float life);

// The five HUD lines in Windows-1251, top to bottom: frame rate, kills, enemies, life, shells;
// the labels in the player's language (Tr).
std::array<std::string, 5> HudLines(int32_t fps, const HudValues& values);

inline constexpr float kHudTextSize = 30.0f;  // glyph height and line spacing, pixels

// The baselines of the five HUD lines, top to bottom, in window pixels from the bottom: the
// block hangs from the window's top edge, so its top line ends there at every height (738,
// 708, 678, 648, 618 in a window 768 high at scale 1); the lines are `scale` times as far apart.
std::array<float, 5> HudBaselines(int32_t screenHeight, float scale = 1.0f);

// Prints HudLines at x = 10, size 30 (both times font.scale), on HudBaselines.
void PrintHud(const HudFont& font, int32_t fps, const HudValues& values);

}  // namespace tv
