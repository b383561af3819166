#include "icon.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>
#include <string>

#include "common/error.h"

namespace tv::datagen {
namespace {

// Coverage of a point by a shape whose signed distance (pixels, negative inside) is d:
// a one-pixel ramp gives smooth edges.
float Cover(float d) {
    return Clamp01(0.5f - d);
}

float RoundedSquare(float x, float y, float half, float radius) {
    float qx = std::fabs(x) - (half - radius), qy = std::fabs(y) - (half - radius);
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

float Segment(float px, float py, float ax, float ay, float bx, float by, float width) {
    float vx = bx - ax, vy = by - ay, wx = px - ax, wy = py - ay;
    float t = Clamp01((wx * vx + wy * vy) / (vx * vx + vy * vy));
    float dx = wx - vx * t, dy = wy - vy * t;
    return std::sqrt(dx * dx + dy * dy) - width * 0.5f;
}

float Disc(float px, float py, float cx, float cy, float r) {
    return std::hypot(px - cx, py - cy) - r;
}

// The icon's colour at (px, py) in its 256-unit design square; `pixel` is the size of one
// sample in design units, so every edge ramps over one sample. Alpha is the frame's coverage.
Rgba IconSample(float px, float py, float pixel) {
    const float n = kIconSize;
    auto cover = [pixel](float d) { return Cover(d / pixel); };
    const Rgba skyTop{0.10f, 0.16f, 0.38f, 1}, skyLow{0.93f, 0.55f, 0.30f, 1};
    const Rgba hill{0.16f, 0.42f, 0.18f, 1}, hillDark{0.08f, 0.24f, 0.10f, 1};
    const Rgba steel{0.22f, 0.24f, 0.27f, 1}, tracer{1.0f, 0.86f, 0.35f, 1}, plane{0.12f, 0.12f, 0.16f, 1};
    const Rgba flash{1.0f, 0.95f, 0.7f, 1};
    float frame = cover(RoundedSquare(px - n / 2.0f, py - n / 2.0f, n / 2.0f - 4.0f, 40.0f));
    if (frame <= 0.0f) return {0, 0, 0, 0};
    Rgba c = Mix(skyTop, skyLow, SmoothStep(20.0f, 200.0f, py));
    // The hill: a gentle wave across the bottom third.
    float ground = 184.0f + 14.0f * std::sin(px * 0.025f + 1.0f) + 6.0f * std::sin(px * 0.07f);
    float hillCover = cover(ground - py);
    c = Mix(c, Mix(hill, hillDark, SmoothStep(ground, 250.0f, py)), hillCover);
    // The turret: a dome on the hill and its barrel raised towards the aircraft.
    float turret =
        std::min(Disc(px, py, 92.0f, 178.0f, 26.0f), Segment(px, py, 92.0f, 170.0f, 140.0f, 120.0f, 12.0f));
    c = Mix(c, steel, cover(turret));
    // The tracer from the muzzle to the aircraft, and the flash at the muzzle.
    c = Mix(c, tracer, cover(Segment(px, py, 150.0f, 110.0f, 184.0f, 74.0f, 4.0f)));
    c = Mix(c, flash, cover(Disc(px, py, 146.0f, 114.0f, 7.0f)));
    // The aircraft: a swept silhouette heading left.
    float body = Segment(px, py, 176.0f, 60.0f, 232.0f, 52.0f, 9.0f);
    float wing = Segment(px, py, 206.0f, 56.0f, 222.0f, 30.0f, 8.0f);
    float wing2 = Segment(px, py, 206.0f, 56.0f, 214.0f, 76.0f, 8.0f);
    float tail = Segment(px, py, 228.0f, 53.0f, 236.0f, 38.0f, 6.0f);
    c = Mix(c, plane, cover(std::min({body, wing, wing2, tail})));
    c.a = frame;
    return c;
}

}  // namespace

Image GenerateIcon(int size) {
    if (size < kMinIconSize || size > kMaxIconSize)
        throw Error("icon size " + std::to_string(size) + " is outside " +
                                 std::to_string(kMinIconSize) + ".." + std::to_string(kMaxIconSize));
    // Below the design size each pixel averages a grid of samples (about one per design
    // unit), so thin lines such as the tracer fade instead of vanishing or aliasing.
    const int grid = std::max(1, (kIconSize + size - 1) / size);
    const float unitsPerPixel = static_cast<float>(kIconSize) / size;
    const float pixel = unitsPerPixel / grid;
    Image img(size, size, {0, 0, 0, 0});
    for (int row = 0; row < size; ++row) {
        for (int x = 0; x < size; ++x) {
            if (grid == 1) {
                img.At(x, row) = IconSample((x + 0.5f) * unitsPerPixel, (row + 0.5f) * unitsPerPixel, pixel);
                continue;
            }
            // Colours are summed weighted by their coverage, so transparent samples add no black.
            float r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < grid; ++sy) {
                for (int sx = 0; sx < grid; ++sx) {
                    const Rgba c = IconSample((x + (sx + 0.5f) / grid) * unitsPerPixel,
                                              (row + (sy + 0.5f) / grid) * unitsPerPixel, pixel);
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            }
            if (a <= 0.0f) continue;
            img.At(x, row) = {r / a, g / a, b / a, a / static_cast<float>(grid * grid)};
        }
    }
    return img;
}

void WriteIcon(const std::string& path, int size) {
    std::vector<uint8_t> bytes = EncodePng(GenerateIcon(size), true);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw Error("cannot write " + path);
}

}  // namespace tv::datagen
