// The HUD font strip, the sight, the radar screen, the lens-flare elements and the stand-in
// texture for models that name none.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>

#include "common/data_paths.h"
#include "common/error.h"
#include "platform/text_encoding.h"
#include "dataset.h"

namespace tv::datagen {

namespace {

constexpr float kPi = 3.14159265358979f;

// The Unicode character of a Windows-1251 byte, through the game's own conversion table;
// 0 for control codes and the unassigned byte.
uint32_t CodePointOf(int byte) {
    if (byte < 0x20 || byte == 0x7F) return 0;
    std::string u = Cp1251ToUtf8(std::string(1, static_cast<char>(byte)));
    const auto* b = reinterpret_cast<const unsigned char*>(u.data());
    uint32_t cp = 0;
    if (u.size() == 1) cp = b[0];
    else if (u.size() == 2) cp = ((b[0] & 0x1Fu) << 6) | (b[1] & 0x3Fu);
    else if (u.size() == 3) cp = ((b[0] & 0x0Fu) << 12) | ((b[1] & 0x3Fu) << 6) | (b[2] & 0x3Fu);
    if (cp == '?' && byte != '?') return 0;
    return cp;
}

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
constexpr int kCellW = 16, kCellH = 32;

Image FontStrip() {
    FT_Library lib;
    if (FT_Init_FreeType(&lib)) throw Error("FreeType did not start");
    FT_Face face;
    if (FT_New_Face(lib, kFontFile, 0, &face)) {
        FT_Done_FreeType(lib);
        throw Error(std::string("cannot open the HUD font ") + kFontFile);
    }
    FT_Set_Pixel_Sizes(face, 0, 25);
    const int baseline = 25;  // rows from the cell's top; t = 0 is the top edge of a glyph
    Image img(256 * kCellW, kCellH, {0, 0, 0, 1});
    for (int code = 0; code < 256; ++code) {
        uint32_t cp = CodePointOf(code);
        if (cp == 0 || cp == 0x20 || cp == 0xA0) continue;
        FT_UInt index = FT_Get_Char_Index(face, cp);
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER)) continue;
        FT_GlyphSlot g = face->glyph;
        int advance = static_cast<int>(g->advance.x >> 6);
        int x0 = code * kCellW + (kCellW - advance) / 2 + g->bitmap_left;
        int y0 = baseline - g->bitmap_top;
        for (unsigned r = 0; r < g->bitmap.rows; ++r)
            for (unsigned c = 0; c < g->bitmap.width; ++c) {
                int x = x0 + static_cast<int>(c), y = y0 + static_cast<int>(r);
                // Keep every glyph inside its own cell so neighbours never bleed in.
                if (x < code * kCellW || x >= (code + 1) * kCellW || y < 0 || y >= kCellH) continue;
                float v = g->bitmap.buffer[r * g->bitmap.pitch + c] / 255.0f;
                img.At(x, y) = {v, v, v, 1};
            }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return img;
}

// Paints f(x, y) over [-1, 1]^2 with 3x3 supersampling.
Image Radial(int size, const std::function<Rgba(float, float)>& f) {
    Image img(size, size, {0, 0, 0, 1});
    for (int row = 0; row < size; ++row)
        for (int x = 0; x < size; ++x) {
            Rgba sum{0, 0, 0, 0};
            for (int sy = 0; sy < 3; ++sy)
                for (int sx = 0; sx < 3; ++sx) {
                    float px = ((x + (sx + 0.5f) / 3) / size) * 2 - 1;
                    float py = ((row + (sy + 0.5f) / 3) / size) * 2 - 1;
                    Rgba c = f(px, py);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
                }
            img.At(x, row) = {sum.r / 9, sum.g / 9, sum.b / 9, sum.a / 9};
        }
    return img;
}

float Band(float d, float centre, float halfWidth) {
    float t = std::fabs(d - centre) / halfWidth;
    return t >= 1 ? 0 : 1 - t * t * (3 - 2 * t);
}

Image Sight() {
    return Radial(128, [](float x, float y) {
        float d = std::sqrt(x * x + y * y);
        float v = Band(d, 0.62f, 0.045f);
        // Four ticks that stop short of the centre, and a centre dot.
        if ((std::fabs(x) < 0.03f && std::fabs(y) > 0.18f && std::fabs(y) < 0.85f) ||
            (std::fabs(y) < 0.03f && std::fabs(x) > 0.18f && std::fabs(x) < 0.85f))
            v = 1;
        v = std::max(v, Band(d, 0, 0.06f));
        return Rgba{v, v, v, 1};
    });
}

Image Radar() {
    return Radial(256, [](float x, float y) {
        float d = std::sqrt(x * x + y * y);
        if (d > 1) return Rgba{0, 0, 0, 1};
        float v = 0.25f + 0.35f * (1 - d);  // screen glow
        for (float r : {0.25f, 0.5f, 0.75f}) v += 0.6f * Band(d, r, 0.012f);
        v += Band(d, 0.97f, 0.025f);
        if (std::fabs(x) < 0.008f || std::fabs(y) < 0.008f) v += 0.5f;
        v = std::min(v, 1.0f);
        return Rgba{v * 0.8f, v, v * 0.8f, 1};
    });
}

Image Flare(int n) {
    switch (n) {
        case 0:  // the sun itself: bright core with rays (the game turns it)
            return Radial(256, [](float x, float y) {
                float d = std::sqrt(x * x + y * y), a = std::atan2(y, x);
                float core = std::exp(-d * d * 40) + 0.5f * std::exp(-d * 5);
                float rays = std::pow(std::fabs(std::cos(a * 4)), 40.0f) * std::max(0.0f, 1 - d) * 0.6f +
                             std::pow(std::fabs(std::cos(a * 4 + 0.4f)), 80.0f) * std::max(0.0f, 1 - d) * 0.3f;
                float v = std::min(1.0f, core + rays);
                return Rgba{v, v * 0.95f, v * 0.85f, 1};
            });
        case 1:  // wide warm halo
            return Radial(256, [](float x, float y) {
                float d = std::sqrt(x * x + y * y);
                float v = 0.45f * std::max(0.0f, 1 - d) * std::max(0.0f, 1 - d) + 0.25f * Band(d, 0.8f, 0.12f);
                return Rgba{v, v * 0.8f, v * 0.5f, 1};
            });
        case 2:  // thin rainbow ring
            return Radial(256, [](float x, float y) {
                float d = std::sqrt(x * x + y * y);
                return Rgba{0.35f * Band(d, 0.86f, 0.06f), 0.35f * Band(d, 0.8f, 0.06f), 0.4f * Band(d, 0.74f, 0.06f), 1};
            });
        case 3:  // soft blue disc
            return Radial(256, [](float x, float y) {
                float d = std::sqrt(x * x + y * y);
                float v = 0.3f * SmoothStep(1.0f, 0.7f, d);
                return Rgba{v * 0.5f, v * 0.7f, v, 1};
            });
        case 4:  // small hot dot
            return Radial(128, [](float x, float y) {
                float d = std::sqrt(x * x + y * y);
                float v = std::exp(-d * d * 12);
                return Rgba{v, v, v * 0.9f, 1};
            });
        case 5:  // hexagon, greenish
        case 7: {  // hexagon, violet
            bool green = n == 5;
            return Radial(256, [green](float x, float y) {
                float a = std::atan2(y, x), d = std::sqrt(x * x + y * y);
                float sector = std::fmod(a + kPi * 2, kPi / 3) - kPi / 6;
                float hex = d * std::cos(sector) / std::cos(kPi / 6);
                float v = 0.28f * SmoothStep(0.92f, 0.82f, hex) * (0.6f + 0.4f * hex);
                return green ? Rgba{v * 0.6f, v, v * 0.6f, 1} : Rgba{v * 0.8f, v * 0.5f, v, 1};
            });
        }
        case 6:  // yellow disc with a bright rim
            return Radial(256, [](float x, float y) {
                float d = std::sqrt(x * x + y * y);
                float v = 0.18f * SmoothStep(0.95f, 0.85f, d) + 0.3f * Band(d, 0.88f, 0.06f);
                return Rgba{v, v * 0.9f, v * 0.4f, 1};
            });
        default:  // flare 8, the last: little star
            return Radial(128, [](float x, float y) {
                float d = std::sqrt(x * x + y * y);
                float v = std::exp(-d * 6) * 0.7f + 0.4f * std::exp(-(x * x) * 400) * std::max(0.0f, 1 - std::fabs(y)) +
                          0.4f * std::exp(-(y * y) * 400) * std::max(0.0f, 1 - std::fabs(x));
                v = std::min(v, 1.0f);
                return Rgba{v * 0.9f, v * 0.95f, v, 1};
            });
    }
}

Image NoTexture() {
    Image img(64, 64);
    for (int row = 0; row < 64; ++row)
        for (int x = 0; x < 64; ++x) {
            bool odd = ((x / 16) + (row / 16)) % 2 == 1;
            img.At(x, row) = odd ? Rgba{0.85f, 0.2f, 0.75f, 1} : Rgba{0.45f, 0.45f, 0.45f, 1};
        }
    return img;
}

}  // namespace

void GenerateInterfaceArt(DataWriter& out) {
    out.PutJpeg(paths::kFontTexture, FontStrip(), 95);
    out.PutJpeg(paths::kSightTexture, Sight());
    out.PutJpeg(paths::kRadarTexture, Radar());
    for (int i = 0; i < paths::kFlareCount; ++i)
        out.PutJpeg(std::string(paths::kFlarePrefix) + std::to_string(i) + ".jpg", Flare(i));
    out.PutJpeg(paths::kNoTexture, NoTexture());
}

}  // namespace tv::datagen
