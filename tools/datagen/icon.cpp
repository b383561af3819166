#include "icon.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

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

}  // namespace

Image GenerateIcon() {
    const int n = kIconSize;
    Image img(n, n, {0, 0, 0, 0});
    const Rgba skyTop{0.10f, 0.16f, 0.38f, 1}, skyLow{0.93f, 0.55f, 0.30f, 1};
    const Rgba hill{0.16f, 0.42f, 0.18f, 1}, hillDark{0.08f, 0.24f, 0.10f, 1};
    const Rgba steel{0.22f, 0.24f, 0.27f, 1}, tracer{1.0f, 0.86f, 0.35f, 1}, plane{0.12f, 0.12f, 0.16f, 1};
    const Rgba flash{1.0f, 0.95f, 0.7f, 1};
    for (int row = 0; row < n; ++row) {
        for (int x = 0; x < n; ++x) {
            float px = x + 0.5f, py = row + 0.5f;
            float frame = Cover(RoundedSquare(px - n / 2.0f, py - n / 2.0f, n / 2.0f - 4.0f, 40.0f));
            if (frame <= 0.0f) continue;
            Rgba c = Mix(skyTop, skyLow, SmoothStep(20.0f, 200.0f, py));
            // The hill: a gentle wave across the bottom third.
            float ground = 184.0f + 14.0f * std::sin(px * 0.025f + 1.0f) + 6.0f * std::sin(px * 0.07f);
            float hillCover = Cover(ground - py);
            c = Mix(c, Mix(hill, hillDark, SmoothStep(ground, 250.0f, py)), hillCover);
            // The turret: a dome on the hill and its barrel raised towards the aircraft.
            float turret = std::min(Disc(px, py, 92.0f, 178.0f, 26.0f),
                                    Segment(px, py, 92.0f, 170.0f, 140.0f, 120.0f, 12.0f));
            c = Mix(c, steel, Cover(turret));
            // The tracer from the muzzle to the aircraft, and the flash at the muzzle.
            c = Mix(c, tracer, Cover(Segment(px, py, 150.0f, 110.0f, 184.0f, 74.0f, 4.0f)));
            c = Mix(c, flash, Cover(Disc(px, py, 146.0f, 114.0f, 7.0f)));
            // The aircraft: a swept silhouette heading left.
            float body = Segment(px, py, 176.0f, 60.0f, 232.0f, 52.0f, 9.0f);
            float wing = Segment(px, py, 206.0f, 56.0f, 222.0f, 30.0f, 8.0f);
            float wing2 = Segment(px, py, 206.0f, 56.0f, 214.0f, 76.0f, 8.0f);
            float tail = Segment(px, py, 228.0f, 53.0f, 236.0f, 38.0f, 6.0f);
            c = Mix(c, plane, Cover(std::min({body, wing, wing2, tail})));
            c.a = frame;
            img.At(x, row) = c;
        }
    }
    return img;
}

void WriteIcon(const std::string& path) {
    std::vector<uint8_t> bytes = EncodePng(GenerateIcon(), true);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace tv::datagen
