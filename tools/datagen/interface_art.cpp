// The HUD font strip, the sight, the radar screen, the lens-flare elements and the stand-in
// texture for models that name none.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>

#include "common/data_paths.h"
#include "dataset.h"

namespace tv::datagen {

namespace {

constexpr float kPi = 3.14159265358979f;

// Unicode code points of the Windows-1251 bytes 0x80..0xFF (0 = unassigned); the HUD text is
// single-byte Windows-1251, so the strip's cells follow that order.
constexpr uint16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    // 0xC0..0xFF: А..я in order
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C,
    0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429,
    0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436,
    0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443,
    0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

uint32_t CodePointOf(int byte) {
    if (byte < 0x20 || byte == 0x7F) return 0;
    if (byte < 0x80) return static_cast<uint32_t>(byte);
    return kCp1251High[byte - 0x80];
}

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
constexpr int kCellW = 16, kCellH = 32;

Image FontStrip() {
    FT_Library lib;
    if (FT_Init_FreeType(&lib)) throw std::runtime_error("FreeType did not start");
    FT_Face face;
    if (FT_New_Face(lib, kFontFile, 0, &face)) {
        FT_Done_FreeType(lib);
        throw std::runtime_error(std::string("cannot open the HUD font ") + kFontFile);
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
        default:  // 8: little star
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
