#pragma once
// RGBA float images for the generated art, and their encoders.
//
// Row convention: row 0 is the row the game's image loader hands to OpenGL first, so it
// ends up at texture t = 0. Every piece of art is painted in that convention and the
// writers take care of whatever the file format stores.

#include <cstdint>
#include <string>
#include <vector>

namespace tv::datagen {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
};

Rgba Mix(const Rgba& a, const Rgba& b, float t);
Rgba Scale(const Rgba& c, float k);  // rgb only
float Clamp01(float v);
float SmoothStep(float e0, float e1, float x);
// The colour turned round the hue circle by `degrees` (about the grey axis, so its grey level stays).
Rgba HueShift(const Rgba& c, float degrees);

class Image {
public:
    Image(int width, int height, Rgba fill = {0, 0, 0, 1});
    int Width() const { return w_; }
    int Height() const { return h_; }
    Rgba& At(int x, int row) { return px_[static_cast<size_t>(row) * w_ + x]; }
    const Rgba& At(int x, int row) const { return px_[static_cast<size_t>(row) * w_ + x]; }
    // Wrapped access, for tileable art.
    Rgba& Wrap(int x, int row);
    // Bilinear sample with wrap-around, coordinates in pixels.
    Rgba Sample(float x, float row) const;
    // Adds `c` scaled by `k` (additive paint, rgb only).
    void Add(int x, int row, const Rgba& c, float k);
    // Alpha-composites `c` with coverage `k` over the pixel.
    void Blend(int x, int row, const Rgba& c, float k);
    // Copies `src` into this image with its top-left at (x, row).
    void Paste(const Image& src, int x, int row);

    std::vector<uint8_t> ToRgb8() const;
    std::vector<uint8_t> ToRgba8() const;

private:
    int w_, h_;
    std::vector<Rgba> px_;
};

// Encoders return the file's bytes; the same pixels always give the same bytes.
std::vector<uint8_t> EncodeJpeg(const Image& img, int quality = 90);
std::vector<uint8_t> EncodePng(const Image& img, bool withAlpha);

// Deterministic noise: a fixed hash, no global state.
uint32_t Hash(uint32_t a, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0);
float Hash01(uint32_t a, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0);
// Value noise in [0, 1]. The periodic variants repeat every `period` lattice cells.
float ValueNoise2(float x, float y, uint32_t seed, int periodX = 0, int periodY = 0);
float ValueNoise3(float x, float y, float z, uint32_t seed);
// Fractal sum of octaves, normalised to [0, 1]. period > 0 makes it tile over `period` at
// the first octave (each octave doubles it).
float Fbm2(float x, float y, uint32_t seed, int octaves, int period = 0);
float Fbm3(float x, float y, float z, uint32_t seed, int octaves);

// A small fixed-seed generator for placement and synthesis.
class Lcg {
public:
    explicit Lcg(uint32_t seed) : s_(seed) {}
    uint32_t Next() { s_ = s_ * 1664525u + 1013904223u; return s_; }
    float Uniform() { return (Next() >> 8) * (1.0f / 16777216.0f); }           // [0, 1)
    float Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }
    int Int(int n) { return static_cast<int>((static_cast<uint64_t>(Next()) * n) >> 32); }

private:
    uint32_t s_;
};

}  // namespace tv::datagen
