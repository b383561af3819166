// Sprite atlases and particle textures: explosions, bullets, the engine flame, smoke, the
// level emitters' textures, and the smoke description the aircraft use.
//
// The sprite drawers put the top row of a frame (lower t) at the bottom of the quad and mirror
// it sideways, so frames are painted as round, orientation-free shapes.

#include <cmath>

#include "common/data_paths.h"
#include "dataset.h"
#include "world/particle_file.h"

namespace tv::datagen {

namespace {

constexpr int kFrame = 128;

Rgba FireRamp(float t) {
    // Temperature 0..1 to colour: smoke-dark red, orange, yellow, near white.
    t = Clamp01(t);
    if (t < 0.25f) return Mix({0.0f, 0.0f, 0.0f, 1}, {0.55f, 0.12f, 0.02f, 1}, t / 0.25f);
    if (t < 0.5f) return Mix({0.55f, 0.12f, 0.02f, 1}, {1.0f, 0.45f, 0.08f, 1}, (t - 0.25f) / 0.25f);
    if (t < 0.8f) return Mix({1.0f, 0.45f, 0.08f, 1}, {1.0f, 0.85f, 0.35f, 1}, (t - 0.5f) / 0.3f);
    return Mix({1.0f, 0.85f, 0.35f, 1}, {1.0f, 1.0f, 0.9f, 1}, (t - 0.8f) / 0.2f);
}

// One vertical strip of `frames` square frames, each painted by f(frame, x, y) with x, y in [-1, 1].
template <class F>
Image Strip(int frames, F f) {
    Image img(kFrame, kFrame * frames, {0, 0, 0, 1});
    for (int k = 0; k < frames; ++k)
        for (int row = 0; row < kFrame; ++row)
            for (int x = 0; x < kFrame; ++x) {
                float px = (x + 0.5f) / kFrame * 2 - 1, py = (row + 0.5f) / kFrame * 2 - 1;
                Rgba c = f(k, px, py);
                c.a = 1;
                img.At(x, k * kFrame + row) = c;
            }
    return img;
}

// A white flash that swells into a billowing fireball and cools into smoke, played from
// frame 15 down to frame 0: a dying aircraft counts its explosion frame down (and its first
// few frames wrap round to the faint end of the strip). The variants differ in turbulence and
// colour so the layers drawn together do not line up; the third is a shock ring with sparks.
Image Explosion(int variant) {
    uint32_t seed = 1000u + variant * 77u;
    return Strip(16, [&](int k, float x, float y) {
        float p = (15 - k) / 15.0f;  // 0 = the flash, 1 = the last wisps
        float d = std::sqrt(x * x + y * y);
        float radius = 0.22f + 0.68f * (1 - (1 - p) * (1 - p));
        float wx = Fbm3(x * 2.0f, y * 2.0f, p * 1.2f + 5, seed + 7, 3) - 0.5f;
        float wy = Fbm3(x * 2.0f + 9, y * 2.0f, p * 1.2f + 5, seed + 8, 3) - 0.5f;
        float n = Fbm3(x * 3.2f + wx * 1.5f, y * 3.2f + wy * 1.5f, p * 1.5f, seed, 5);
        float shape = d / radius - 0.55f * (n - 0.5f);
        float density = SmoothStep(1.0f, 0.55f, shape);
        if (variant == 2) {
            float v = 0;
            for (int s = 0; s < 48; ++s) {
                float ang = Hash01(s, 9, seed) * 6.2832f, speed = 0.35f + 0.65f * Hash01(s, 3, seed);
                float r = speed * (0.1f + 0.9f * std::sqrt(p));
                // A short streak pointing away from the centre.
                float along = (x * std::cos(ang) + y * std::sin(ang)) - r;
                float across = -x * std::sin(ang) + y * std::cos(ang);
                float streak = std::exp(-across * across * 2500) * std::exp(-along * along * 300) *
                               (along < 0 ? 1.0f : std::exp(-along * 60));
                v += streak * (1 - p) * 1.2f;
            }
            float ring = std::exp(-std::pow((d - 0.95f * std::sqrt(p)) * 14, 2.0f)) * (1 - p) * 0.55f;
            Rgba c = FireRamp(0.6f + 0.4f * (1 - p));
            float core = std::exp(-d * d * 30) * (1 - p) * (1 - p);
            float total = std::min(1.2f, v + ring + core);
            return Rgba{c.r * total, c.g * total, c.b * total, 1};
        }
        float heat = std::pow(1 - p, 1.3f) * (1.1f - 0.8f * d / radius) + 0.45f * (n - 0.5f);
        if (variant == 1) heat *= 0.8f;
        // Drawn additively, twice, often against a bright sky: keep each layer well below
        // white, let the fire carry little blue, and end in dim embers rather than grey smoke
        // (grey would only whiten the sky).
        Rgba fire = FireRamp(heat * 1.3f);
        float glow = density * (0.8f - 0.6f * p);
        float smoke = density * p * 0.05f * (0.5f + n);
        return Rgba{fire.r * glow + smoke, fire.g * glow + smoke * 0.95f, fire.b * glow + smoke * 0.9f, 1};
    });
}

Image Bullet(bool hot) {
    return Strip(4, [&](int k, float x, float y) {
        float d = std::sqrt(x * x + y * y);
        float n = ValueNoise3(x * 4, y * 4, k * 1.7f, hot ? 31 : 37);
        float core = std::exp(-d * d * (hot ? 18.0f : 12.0f));
        float halo = std::exp(-d * 3.5f) * (0.35f + 0.3f * n);
        float v = std::min(1.0f, core + halo);
        return hot ? Rgba{v, v * 0.95f, v * 0.6f, 1} : Rgba{v, v * 0.55f, v * 0.15f, 1};
    });
}

// Engine flame: the engine end is the top row (t = 0), the tail the bottom (t = 1).
Image Flame() {
    const int w = 64, h = 256;
    Image img(w, h, {0, 0, 0, 0});
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
            float along = (row + 0.5f) / h;  // 0 at the engine
            float across = ((x + 0.5f) / w) * 2 - 1;
            float width = 0.85f * (1 - along * 0.8f);
            float n = Fbm2(x * 0.15f, row * 0.05f, 51, 3);
            float body = SmoothStep(width, width * 0.3f, std::fabs(across)) * SmoothStep(1.0f, 0.2f, along + 0.25f * n);
            float heat = (1 - along) * (1 - std::fabs(across) / std::max(width, 0.01f));
            Rgba c = heat > 0.6f ? Mix({1, 0.8f, 0.4f, 1}, {0.85f, 0.9f, 1.0f, 1}, (heat - 0.6f) / 0.4f)
                                 : Mix({0.9f, 0.25f, 0.05f, 1}, {1, 0.8f, 0.4f, 1}, heat / 0.6f);
            c.a = Clamp01(body * (0.5f + 0.7f * heat));
            img.At(x, row) = c;
        }
    return img;
}

Image SmokeAtlas() {
    return Strip(16, [](int k, float x, float y) {
        float n = Fbm2(x * 2.2f + k * 5.3f, y * 2.2f + k * 2.1f, 61, 5);
        float d = std::sqrt(x * x + y * y);
        float v = SmoothStep(0.95f, 0.3f, d * (0.7f + 0.6f * n)) * (0.35f + 0.65f * n);
        v *= 0.85f;
        return Rgba{v, v * 0.98f, v * 0.95f, 1};
    });
}

Image Glow(int size, Rgba colour, float sharpness) {
    Image img(size, size, {0, 0, 0, 1});
    for (int row = 0; row < size; ++row)
        for (int x = 0; x < size; ++x) {
            float px = (x + 0.5f) / size * 2 - 1, py = (row + 0.5f) / size * 2 - 1;
            float d = std::sqrt(px * px + py * py);
            float v = std::exp(-d * d * sharpness) * SmoothStep(1.0f, 0.8f, d);
            img.At(x, row) = {colour.r * v, colour.g * v, colour.b * v, 1};
        }
    return img;
}

Image SmokePuff() {
    const int size = 128;
    Image img(size, size, {0, 0, 0, 0});
    for (int row = 0; row < size; ++row)
        for (int x = 0; x < size; ++x) {
            float px = (x + 0.5f) / size * 2 - 1, py = (row + 0.5f) / size * 2 - 1;
            float d = std::sqrt(px * px + py * py);
            float n = Fbm2(px * 2.5f, py * 2.5f, 71, 4);
            float a = SmoothStep(1.0f, 0.2f, d * (0.75f + 0.5f * n)) * (0.5f + 0.5f * n);
            float g = 0.45f + 0.3f * n;
            img.At(x, row) = {g, g, g * 1.02f, a};
        }
    return img;
}

}  // namespace

void GenerateEffectArt(DataWriter& out) {
    for (int i = 0; i < 3; ++i) out.PutJpeg(paths::kExplosionTextures[i], Explosion(i));
    out.PutJpeg(paths::kEnemyFire, Bullet(false));
    out.PutJpeg(paths::kEnemyFire1, Bullet(true));
    out.PutPng(paths::kFlame, Flame(), true);

    // Aircraft smoke: grey puffs that swell and fade over about three seconds.
    out.PutJpeg(std::string(paths::kParticleTextureFolder) + "clouds2.jpg", SmokeAtlas());
    ParticleFile smoke;
    smoke.Count = 0;
    // Drawn additively and emitted twenty a frame per burning aircraft: each puff is faint.
    smoke.Colour = {0.09f, 0.088f, 0.085f, 1.0f};
    smoke.ColourDelta = {-0.03f, -0.03f, -0.03f, 0.0f};
    smoke.EmitCentre = {0, 0, 0};
    smoke.TargetCentre = {0, 0, 1};
    smoke.Speed = 2.5f;
    smoke.StartSize = 2.0f;
    smoke.SizeDelta = 2.5f;
    smoke.EmitSpread = 1.5f;
    smoke.TargetSpread = 4.0f;
    smoke.Period = 3.0f;
    smoke.BlendMode = 2;
    smoke.TextureName = "clouds2.jpg";
    out.Put(paths::kSmokeParticles, WriteParticles(smoke));

    // Textures of the level's emitters (descriptions are written with the level).
    out.PutJpeg(std::string(paths::kParticleTextureFolder) + "fire.jpg", Glow(128, {1.0f, 0.55f, 0.18f, 1}, 4));
    out.PutPng(std::string(paths::kParticleTextureFolder) + "smoke.png", SmokePuff(), true);
    out.PutJpeg(std::string(paths::kParticleTextureFolder) + "spark.jpg", Glow(64, {0.75f, 0.9f, 1.0f, 1}, 9));
}

}  // namespace tv::datagen
