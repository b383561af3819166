#include "math/rotations.h"

#include <gtest/gtest.h>

#include <cmath>

#include "math/random.h"

namespace tv {
namespace {

TEST(Rotations, QuarterTurnsAboutACentreAndAboutTheOrigin) {
    float p = 2.0f, q = 1.0f;
    RotateAround(p, q, 90.0f, 1.0f, 1.0f);  // counter-clockwise about (1, 1)
    EXPECT_NEAR(p, 1.0f, 1e-6f);
    EXPECT_NEAR(q, 2.0f, 1e-6f);

    float x = 1.0f, y = 0.0f;
    Rotate2D(x, y, 90.0f);
    EXPECT_NEAR(x, 0.0f, 1e-6f);
    EXPECT_NEAR(y, 1.0f, 1e-6f);
    // Swapping the pair turns the other way.
    x = 1.0f, y = 0.0f;
    Rotate2D(y, x, 90.0f);
    EXPECT_NEAR(x, 0.0f, 1e-6f);
    EXPECT_NEAR(y, -1.0f, 1e-6f);

    // Thirty-six steps of ten degrees come back to the start.
    p = 3.0f, q = -2.0f;
    for (int i = 0; i < 36; ++i) RotateAround(p, q, 10.0f, -1.0f, 4.0f);
    EXPECT_NEAR(p, 3.0f, 1e-4f);
    EXPECT_NEAR(q, -2.0f, 1e-4f);
}

// Replays depend on every bit: the shared-angle and looked-up turns must round exactly as
// the rotation written out in doubles does, for every whole degree the smoke draws and beyond.
TEST(Rotations, SharedAndLookedUpTurnsGiveTheSameBitsAsTheWrittenOutRotation) {
    const float points[][2] = {{2.5f, -1.25f}, {-731.3f, 0.001f}, {1e6f, -3e5f}};
    for (uint32_t k = 0; k < 400; ++k) {
        for (const auto& pt : points) {
            const double a = static_cast<float>(k) * 0.017453292519943295, c = std::cos(a), s = std::sin(a);
            const double dp = static_cast<double>(pt[0]) - 7.5f, dq = static_cast<double>(pt[1]) - -3.0f;
            const float wantP = static_cast<float>(7.5f + dp * c - dq * s);
            const float wantQ = static_cast<float>(-3.0f + dp * s + dq * c);
            float p = pt[0], q = pt[1];
            RotateAround(p, q, TurnOfWholeDeg(k), 7.5f, -3.0f);
            EXPECT_EQ(p, wantP) << k;
            EXPECT_EQ(q, wantQ) << k;
            p = pt[0], q = pt[1];
            RotateAround(p, q, static_cast<float>(k), 7.5f, -3.0f);
            EXPECT_EQ(p, wantP) << k;
            float x = pt[0], y = pt[1];
            Rotate2D(x, y, TurnOf(static_cast<float>(k) + 0.3f));
            float x2 = pt[0], y2 = pt[1];
            Rotate2D(x2, y2, static_cast<float>(k) + 0.3f);
            EXPECT_EQ(x, x2) << k;
            EXPECT_EQ(y, y2) << k;
        }
    }
}

TEST(Rotations, AngleTo2DOnTheAxesAndCoincidentPoints) {
    EXPECT_FLOAT_EQ(AngleTo2D(0, 0, 1, 0), 0.0f);
    EXPECT_FLOAT_EQ(AngleTo2D(0, 0, 0, 1), 90.0f);
    EXPECT_FLOAT_EQ(AngleTo2D(0, 0, -1, 0), 180.0f);
    EXPECT_FLOAT_EQ(AngleTo2D(0, 0, 0, -1), 270.0f);
    EXPECT_FLOAT_EQ(AngleTo2D(5, -3, 5, -3), 90.0f);
    // Relative to the first point, and independent of distance.
    EXPECT_FLOAT_EQ(AngleTo2D(10, 10, 13, 13), 45.0f);
    EXPECT_FLOAT_EQ(AngleTo2D(10, 10, 1010, -990), 315.0f);
}

TEST(Rotations, AngleTo2DStaysBelow360JustUnderTheXAxis) {
    const float a = AngleTo2D(0, 0, 1000.0f, -1e-4f);
    EXPECT_GE(a, 0.0f);
    EXPECT_LT(a, 360.0f);
}

TEST(Rotations, TriangleNormalIsUnitAndFacesUpForClockwiseFromAbove) {
    float nx, ny, nz;
    TriangleNormal(nx, ny, nz, 0, 0, 0, 0, 1, 0, 1, 0, 0);
    EXPECT_FLOAT_EQ(nx, 0.0f);
    EXPECT_FLOAT_EQ(ny, 0.0f);
    EXPECT_FLOAT_EQ(nz, 1.0f);

    // A slanted terrain cell: unit length and perpendicular to both edges.
    TriangleNormal(nx, ny, nz, 0, 0, 0, 0, 10, 3, 10, 0, -2);
    EXPECT_NEAR(nx * nx + ny * ny + nz * nz, 1.0f, 1e-6f);
    EXPECT_NEAR(nx * 0 + ny * 10 + nz * 3, 0.0f, 1e-5f);
    EXPECT_NEAR(nx * 10 + ny * 0 + nz * -2, 0.0f, 1e-5f);
    EXPECT_GT(nz, 0.0f);
}

// The generator's rule written out independently with 64-bit arithmetic.
TEST(GameRandom, FirstValuesFromSeedZero) {
    GameRandom rng;
    EXPECT_EQ(rng.Seed(), 0u);
    uint64_t seed = 0;
    const uint32_t ns[] = {100, 6, 1000, 0xFFFFFFFFu, 360, 1, 0, 50, 7, 65536};
    for (uint32_t n : ns) {
        seed = (seed * 134775813ull + 1ull) % 4294967296ull;
        const uint64_t expected = (seed * n) / 4294967296ull;
        EXPECT_EQ(rng.Random(n), expected) << "n = " << n;
        EXPECT_EQ(rng.Seed(), seed);
    }
    // The first few, worked by hand.
    GameRandom fresh;
    EXPECT_EQ(fresh.Random(100), 0u);  // seed 1
    EXPECT_EQ(fresh.Random(6), 0u);    // seed 134775814
    EXPECT_EQ(fresh.Random(1000), 861u);
    EXPECT_EQ(fresh.Random(0xFFFFFFFFu), 870078619u);
    EXPECT_EQ(fresh.Random(360), 98u);
}

TEST(GameRandom, ReseedTakesTheLow32BitsOfTheCounter) {
    GameRandom rng;
    rng.Reseed(0x123456780000ABCDull);
    EXPECT_EQ(rng.Seed(), 0xABCDu);
    rng.Reseed(5ull);
    EXPECT_EQ(rng.Random(1000), 156u);

    // From the clock interface: a counting clock gives a repeatable sequence of seeds.
    StepClock clock;
    rng.Reseed(clock);
    EXPECT_EQ(rng.Seed(), 0u);
    rng.Reseed(clock);
    EXPECT_EQ(rng.Seed(), 1u);
}

}  // namespace
}  // namespace tv
