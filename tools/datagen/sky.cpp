// The sky dome and its texture: blue sky with a cloud layer and a bright sun in the
// direction of the game's sun point (1000, 1000, 500) as seen from the turret's eye.

#include <cmath>

#include "common/data_paths.h"
#include "dataset.h"
#include "model_build.h"

namespace tv::datagen {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kSkyW = 2048, kSkyH = 1024;

V3 SunDirection() { return Normalised(V3{1000 - 500, 1000 - 500, 500 - 7}); }

// Equirectangular: column = longitude (0 at +x, counter-clockwise), row 0 = zenith.
V3 DirectionAt(float x, float row) {
    float lon = 2 * kPi * x / kSkyW, lat = kPi / 2 - kPi * row / kSkyH;
    return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

Rgba SkyColour(V3 d) {
    V3 sun = SunDirection();
    float cosSun = Dot(d, sun);
    float angle = std::acos(std::fmax(-1.0f, std::fmin(1.0f, cosSun)));
    float up = d.z;
    Rgba zenith{0.17f, 0.36f, 0.74f, 1}, horizon{0.70f, 0.80f, 0.92f, 1}, ground{0.55f, 0.60f, 0.64f, 1};
    Rgba c = up > 0 ? Mix(horizon, zenith, std::pow(up, 0.55f)) : Mix(horizon, ground, std::fmin(1.0f, -up * 6));
    // Warm scattering round the sun.
    float glow = std::exp(-angle * 2.2f) * 0.45f;
    c = {c.r + glow, c.g + glow * 0.9f, c.b + glow * 0.65f, 1};
    if (up > 0.01f) {
        // Cloud layer: a plane seen in perspective, thinning to haze at the horizon.
        float k = 1.4f / (up + 0.06f);
        float n = Fbm2(d.x * k + 3.1f, d.y * k - 7.7f, 811, 6);
        float cover = SmoothStep(0.48f, 0.72f, n) * SmoothStep(0.02f, 0.25f, up);
        float lit = 0.82f + 0.18f * SmoothStep(0.5f, 0.9f, n) + 0.35f * std::exp(-angle * 3.0f);
        Rgba cloud{0.93f * lit, 0.94f * lit, 0.97f * lit, 1};
        Rgba shade{0.62f, 0.66f, 0.74f, 1};
        cloud = Mix(cloud, shade, SmoothStep(0.62f, 0.85f, n) * 0.5f);
        c = Mix(c, cloud, cover);
    }
    // The sun disc and its halo.
    float disc = SmoothStep(0.035f, 0.022f, angle);
    float halo = std::exp(-angle * 18.0f) * 0.8f;
    c = {c.r + halo + disc, c.g + halo * 0.97f + disc, c.b + halo * 0.85f + disc, 1};
    return {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b), 1};
}

Image SkyImage() {
    Image img(kSkyW, kSkyH);
    for (int row = 0; row < kSkyH; ++row)
        for (int x = 0; x < kSkyW; ++x) {
            V3 d = DirectionAt(x + 0.5f, row + 0.5f);
            if (Dot(d, SunDirection()) < 0.995f) {
                img.At(x, row) = SkyColour(d);
                continue;
            }
            // 2x2 supersampling keeps the sun's edge smooth.
            Rgba sum{0, 0, 0, 0};
            for (int s = 0; s < 4; ++s) {
                Rgba c = SkyColour(DirectionAt(x + 0.25f + 0.5f * (s % 2), row + 0.25f + 0.5f * (s / 2)));
                sum = {sum.r + c.r / 4, sum.g + c.g / 4, sum.b + c.b / 4, 1};
            }
            img.At(x, row) = sum;
        }
    return img;
}

}  // namespace

Image DefaultSkyImage() { return SkyImage(); }

void GenerateSky(DataWriter& out) {
    // A dome around the eye, well inside the far plane; seen from within.
    Mesh dome;
    dome.Sphere({0, 0, 0}, 600.0f, 24, 36, {1, 1, 1}, true);
    ModelFile sky = StaticModel(dome, {"2.jpg"});
    out.PutModel(paths::kSkyModel, sky);
    out.PutJpeg(paths::kSkyTexture, SkyImage(), 88);  // the example mod writes it hue-shifted
}

}  // namespace tv::datagen
