#include "image.h"

#include <IL/il.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

#include "common/error.h"

namespace tv::datagen {

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

float SmoothStep(float e0, float e1, float x) {
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

Rgba HueShift(const Rgba& c, float degrees) {
    // A turn about the grey axis of RGB space (Rodrigues' formula), clamped back into range.
    const float a = degrees * 3.14159265f / 180.0f, cs = std::cos(a), sn = std::sin(a);
    const float k = 1.0f / 3.0f, q = std::sqrt(k);
    const float m0 = cs + (1 - cs) * k, m1 = k * (1 - cs) - q * sn, m2 = k * (1 - cs) + q * sn;
    return {Clamp01(c.r * m0 + c.g * m1 + c.b * m2), Clamp01(c.r * m2 + c.g * m0 + c.b * m1),
            Clamp01(c.r * m1 + c.g * m2 + c.b * m0), c.a};
}

Rgba Mix(const Rgba& a, const Rgba& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba Scale(const Rgba& c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

Image::Image(int width, int height, Rgba fill) : w_(width), h_(height), px_(static_cast<size_t>(width) * height, fill) {}

Rgba& Image::Wrap(int x, int row) {
    x %= w_;
    if (x < 0) x += w_;
    row %= h_;
    if (row < 0) row += h_;
    return At(x, row);
}

Rgba Image::Sample(float x, float row) const {
    float fx = std::floor(x), fy = std::floor(row);
    int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    float tx = x - fx, ty = row - fy;
    auto at = [&](int px, int py) {
        px %= w_;
        if (px < 0) px += w_;
        py %= h_;
        if (py < 0) py += h_;
        return At(px, py);
    };
    Rgba top = Mix(at(x0, y0), at(x0 + 1, y0), tx);
    Rgba bottom = Mix(at(x0, y0 + 1), at(x0 + 1, y0 + 1), tx);
    return Mix(top, bottom, ty);
}

void Image::Add(int x, int row, const Rgba& c, float k) {
    if (x < 0 || row < 0 || x >= w_ || row >= h_) return;
    Rgba& p = At(x, row);
    p.r += c.r * k;
    p.g += c.g * k;
    p.b += c.b * k;
}

void Image::Blend(int x, int row, const Rgba& c, float k) {
    if (x < 0 || row < 0 || x >= w_ || row >= h_) return;
    Rgba& p = At(x, row);
    float a = Clamp01(c.a * k);
    p = {p.r + (c.r - p.r) * a, p.g + (c.g - p.g) * a, p.b + (c.b - p.b) * a, p.a + (1 - p.a) * a};
}

void Image::Paste(const Image& src, int x, int row) {
    for (int j = 0; j < src.h_; ++j)
        for (int i = 0; i < src.w_; ++i)
            if (x + i >= 0 && x + i < w_ && row + j >= 0 && row + j < h_) At(x + i, row + j) = src.At(i, j);
}

static uint8_t ToByte(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

std::vector<uint8_t> Image::ToRgb8() const {
    std::vector<uint8_t> out;
    out.reserve(px_.size() * 3);
    for (const Rgba& p : px_) {
        out.push_back(ToByte(p.r));
        out.push_back(ToByte(p.g));
        out.push_back(ToByte(p.b));
    }
    return out;
}

std::vector<uint8_t> Image::ToRgba8() const {
    std::vector<uint8_t> out;
    out.reserve(px_.size() * 4);
    for (const Rgba& p : px_) {
        out.push_back(ToByte(p.r));
        out.push_back(ToByte(p.g));
        out.push_back(ToByte(p.b));
        out.push_back(ToByte(p.a));
    }
    return out;
}

namespace {

void EnsureDevil() {
    static bool ready = false;
    if (!ready) {
        ilInit();
        ilEnable(IL_FILE_OVERWRITE);
        ready = true;
    }
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(const Image& img, int quality) {
    EnsureDevil();
    std::vector<uint8_t> rgb = img.ToRgb8();
    ILuint id = 0;
    ilGenImages(1, &id);
    ilBindImage(id);
    if (!ilTexImage(img.Width(), img.Height(), 1, 3, IL_RGB, IL_UNSIGNED_BYTE, rgb.data())) {
        ilDeleteImages(1, &id);
        throw Error("DevIL could not take the image");
    }
    // Our row 0 is the row the game's loader delivers first; a JPEG delivers its top row
    // first, so declare the pixels top-down and the file keeps that order.
    ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
    ilSetInteger(IL_JPG_QUALITY, quality);
    std::string tmp = (std::filesystem::temp_directory_path() / ("tv-datagen-" + std::to_string(::getpid()) + ".jpg")).string();
    bool ok = ilSave(IL_JPG, tmp.c_str());
    ilDeleteImages(1, &id);
    if (!ok) throw Error("DevIL could not encode a JPEG");
    std::vector<uint8_t> bytes = ReadAll(tmp);
    std::filesystem::remove(tmp);
    return bytes;
}

std::vector<uint8_t> EncodePng(const Image& img, bool withAlpha) {
    std::vector<uint8_t> pixels = withAlpha ? img.ToRgba8() : img.ToRgb8();
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!png || !info) throw Error("libpng init failed");
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw Error("libpng could not encode");
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            v->insert(v->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, img.Width(), img.Height(), 8, withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    size_t stride = static_cast<size_t>(img.Width()) * (withAlpha ? 4 : 3);
    for (int row = 0; row < img.Height(); ++row) png_write_row(png, pixels.data() + stride * row);  // top row first
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

static inline uint32_t MixIn(uint32_t h, uint32_t v) {
    h ^= v + 0x7F4A7C15u + (h << 6) + (h >> 2);
    h *= 0x85EBCA6Bu;
    return h ^ (h >> 13);
}

// Called tens of millions of times per data set: the three words are mixed in one after the
// other, with no temporary list for an instrumented build to guard.
uint32_t Hash(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    uint32_t h = MixIn(MixIn(MixIn(0x9E3779B9u ^ a, b), c), d);
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x27D4EB2Fu;
    h ^= h >> 15;
    return h;
}

float Hash01(uint32_t a, uint32_t b, uint32_t c, uint32_t d) { return (Hash(a, b, c, d) >> 8) * (1.0f / 16777216.0f); }

static float Fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

static int WrapIndex(int i, int period) {
    if (period <= 0) return i;
    i %= period;
    return i < 0 ? i + period : i;
}

float ValueNoise2(float x, float y, uint32_t seed, int periodX, int periodY) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = Fade(x - fx), ty = Fade(y - fy);
    auto v = [&](int i, int j) {
        return Hash01(static_cast<uint32_t>(WrapIndex(i, periodX)), static_cast<uint32_t>(WrapIndex(j, periodY)), seed);
    };
    float a = v(ix, iy) + (v(ix + 1, iy) - v(ix, iy)) * tx;
    float b = v(ix, iy + 1) + (v(ix + 1, iy + 1) - v(ix, iy + 1)) * tx;
    return a + (b - a) * ty;
}

float ValueNoise3(float x, float y, float z, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
    float tx = Fade(x - fx), ty = Fade(y - fy), tz = Fade(z - fz);
    auto v = [&](int i, int j, int k) {
        return Hash01(static_cast<uint32_t>(i), static_cast<uint32_t>(j), static_cast<uint32_t>(k), seed);
    };
    auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
    float c00 = lerp(v(ix, iy, iz), v(ix + 1, iy, iz), tx);
    float c10 = lerp(v(ix, iy + 1, iz), v(ix + 1, iy + 1, iz), tx);
    float c01 = lerp(v(ix, iy, iz + 1), v(ix + 1, iy, iz + 1), tx);
    float c11 = lerp(v(ix, iy + 1, iz + 1), v(ix + 1, iy + 1, iz + 1), tx);
    return lerp(lerp(c00, c10, ty), lerp(c01, c11, ty), tz);
}

float Fbm2(float x, float y, uint32_t seed, int octaves, int period) {
    float sum = 0, amp = 1, norm = 0, freq = 1;
    for (int o = 0; o < octaves; ++o) {
        int p = period > 0 ? period << o : 0;
        sum += amp * ValueNoise2(x * freq, y * freq, seed + o * 101u, p, p);
        norm += amp;
        amp *= 0.5f;
        freq *= 2;
    }
    return sum / norm;
}

float Fbm3(float x, float y, float z, uint32_t seed, int octaves) {
    float sum = 0, amp = 1, norm = 0, freq = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * ValueNoise3(x * freq, y * freq, z * freq, seed + o * 101u);
        norm += amp;
        amp *= 0.5f;
        freq *= 2;
    }
    return sum / norm;
}

}  // namespace tv::datagen
