// CPU particle rules: emission (reseeding, discs, activity), the per-frame update and its
// removal rule, the batched quad vertices and the billboard side vectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "math/random.h"
#include "models/model.h"
#include "platform/clock.h"
#include "world/particles.h"

namespace tv {
namespace {

T_Particles_System Smoke() {
    T_Particles_System ps;
    ps.Active = 1;
    ps.Colour = {0.5f, 0.5f, 0.5f, 1.0f};
    ps.ColourDelta = {-1.0f, -1.0f, -1.0f, -1.0f};
    ps.EmitCentre = {10.0f, 20.0f, 30.0f};
    ps.TargetCentre = {10.0f, 20.0f, 130.0f};
    ps.Speed = 10.0f;
    ps.StartSize = 2.0f;
    ps.SizeDelta = 4.0f;
    return ps;
}

TEST(Particles, InactiveSystemOnlyReseeds) {
    T_Particles_System ps = Smoke();
    ps.Active = 0;
    GameRandom random;
    StepClock clock;
    clock.PerformanceCounter();  // counter now at 1
    EmitParticle(ps, random, clock);
    EXPECT_EQ(ps.Count, 0);
    EXPECT_EQ(ps.Capacity, 0);
    EXPECT_EQ(random.Seed(), 1u);  // reseeded before the activity test
}

TEST(Particles, ZeroSpreadEmitsAtTheCentres) {
    T_Particles_System ps = Smoke();
    GameRandom random;
    StepClock clock;
    for (int k = 0; k < 5; ++k) EmitParticle(ps, random, clock);
    ASSERT_EQ(ps.Count, 5);
    EXPECT_EQ(ps.Capacity, kParticleGrowStep);
    for (int k = 0; k < 5; ++k) {
        const Particle& p = ps.Buffer[k];
        EXPECT_NEAR(p.x, 10.0f, 1e-5);
        EXPECT_NEAR(p.y, 20.0f, 1e-5);
        EXPECT_EQ(p.z, 30.0f);
        EXPECT_NEAR(p.tx, 10.0f, 1e-5);
        EXPECT_NEAR(p.ty, 20.0f, 1e-5);
        EXPECT_EQ(p.tz, 130.0f);
        EXPECT_EQ(p.frame, 0.0f);  // FrameCount 0
        EXPECT_EQ(p.size, 2.0f);
        EXPECT_EQ(p.r, 0.5f);
    }
}

TEST(Particles, SpreadPlacesParticlesOnTheDiscsReproducibly) {
    T_Particles_System a = Smoke();
    a.EmitSpread = 3.0f;
    a.TargetSpread = 7.0f;
    a.FrameCount = 16;
    T_Particles_System b = Smoke();
    b.EmitSpread = a.EmitSpread;
    b.TargetSpread = a.TargetSpread;
    b.FrameCount = a.FrameCount;
    GameRandom ra, rb;
    StepClock ca, cb;
    bool someOffCentre = false;
    for (int k = 0; k < 50; ++k) {
        EmitParticle(a, ra, ca);
        EmitParticle(b, rb, cb);
        const Particle& p = a.Buffer[k];
        EXPECT_LE(std::hypot(p.x - 10.0f, p.y - 20.0f), 3.0f + 1e-4f);
        EXPECT_LE(std::hypot(p.tx - 10.0f, p.ty - 20.0f), 7.0f + 1e-4f);
        EXPECT_GE(p.frame, 0.0f);
        EXPECT_LT(p.frame, 16.0f);
        someOffCentre |= std::hypot(p.x - 10.0f, p.y - 20.0f) > 0.5f;
        // The same counter gives the same particles.
        EXPECT_EQ(p.x, b.Buffer[k].x);
        EXPECT_EQ(p.ty, b.Buffer[k].ty);
    }
    EXPECT_TRUE(someOffCentre);
    // Each particle is seeded from a fresh counter value, so neighbours differ.
    EXPECT_NE(a.Buffer[0].x, a.Buffer[1].x);
}

TEST(Particles, ColourFallingFromHalfLivesJustOverHalfASecond) {
    T_Particles_System ps = Smoke();
    GameRandom random;
    StepClock clock;
    EmitParticle(ps, random, clock);
    // 125 ms frames: 0.5 - 4 * 0.125 is exactly 0, which is not below 0.
    for (int frame = 0; frame < 4; ++frame) UpdateParticles(ps, 2, 125);
    ASSERT_EQ(ps.Count, 1);
    EXPECT_EQ(ps.Buffer[0].r, 0.0f);
    EXPECT_EQ(ps.Buffer[0].a, 1.0f);  // alpha does not change in this mode
    EXPECT_FLOAT_EQ(ps.Buffer[0].z, 35.0f);  // 10 units/s up for 0.5 s
    EXPECT_FLOAT_EQ(ps.Buffer[0].size, 4.0f);
    UpdateParticles(ps, 2, 125);
    EXPECT_EQ(ps.Count, 0);
    EXPECT_FLOAT_EQ(ps.FrameSeconds, 0.125f);
}

// Channels with rates of their own: each fades by its own delta, and a particle lives on while
// any one of them is still at or above zero.
TEST(Particles, EachChannelFadesAtItsOwnRateAndTheLastToFallEndsIt) {
    T_Particles_System ps = Smoke();
    ps.Colour = {0.25f, 0.5f, 0.75f, 1.0f};
    ps.ColourDelta = {-1.0f, -2.0f, -0.5f, -1.0f};
    GameRandom random;
    StepClock clock;
    EmitParticle(ps, random, clock);
    UpdateParticles(ps, 2, 125);
    EXPECT_EQ(ps.Buffer[0].r, 0.125f);
    EXPECT_EQ(ps.Buffer[0].g, 0.25f);
    EXPECT_EQ(ps.Buffer[0].b, 0.6875f);
    for (int frame = 1; frame < 12; ++frame) UpdateParticles(ps, 2, 125);
    ASSERT_EQ(ps.Count, 1);  // red and green long below zero, blue exactly 0 after 1.5 s
    EXPECT_EQ(ps.Buffer[0].b, 0.0f);
    UpdateParticles(ps, 2, 125);
    EXPECT_EQ(ps.Count, 0);
}

TEST(Particles, RemovalMovesTheLastIntoTheHole) {
    T_Particles_System ps = Smoke();
    GameRandom random;
    StepClock clock;
    for (int k = 0; k < 3; ++k) EmitParticle(ps, random, clock);
    ps.Buffer[0].r = ps.Buffer[0].g = ps.Buffer[0].b = 0.01f;  // dies this frame
    ps.Buffer[2].r = ps.Buffer[2].g = ps.Buffer[2].b = 0.01f;  // would die, but moves first
    ps.Buffer[2].size = 99.0f;
    UpdateParticles(ps, 2, 100);
    // Its stale copy left in slot 2 must not be "removed" again, taking particle 1 with it.
    ASSERT_EQ(ps.Count, 2);
    // The moved particle was not updated in this frame.
    EXPECT_EQ(ps.Buffer[0].size, 99.0f);
    EXPECT_FLOAT_EQ(ps.Buffer[1].size, 2.4f);
    RemoveParticle(ps, 0);
    RemoveParticle(ps, 0);
    RemoveParticle(ps, 0);  // empty: nothing happens
    EXPECT_EQ(ps.Count, 0);
}

std::vector<uint32_t> LiveSerials(const T_Particles_System& ps) {
    std::vector<uint32_t> out;
    for (int32_t i = 0; i < ps.Count; ++i) out.push_back(ps.Buffer[i].serial);
    std::sort(out.begin(), out.end());
    return out;
}

// A full system keeps the newest particles: each new one takes the oldest's slot, also after
// removals have shuffled the slots and across the serials' wrap.
TEST(Particles, BudgetKeepsTheNewestAndReplacesTheOldest) {
    for (uint32_t first : {0u, 0xFFFFFFFEu}) {
        SCOPED_TRACE(first);
        T_Particles_System ps = Smoke();
        ps.Budget = 5;
        ps.NextSerial = first;
        GameRandom random;
        StepClock clock;
        for (int k = 0; k < 5; ++k) EmitParticle(ps, random, clock);
        ps.Buffer[1].r = ps.Buffer[1].g = ps.Buffer[1].b = 0.01f;  // the second dies: the last takes its slot
        UpdateParticles(ps, 2, 100);
        ASSERT_EQ(ps.Count, 4);
        EmitParticle(ps, random, clock);  // room again: appended
        EXPECT_EQ(ps.Replaced, 0u);
        for (int k = 0; k < 7; ++k) EmitParticle(ps, random, clock);
        EXPECT_EQ(ps.Count, 5);
        EXPECT_EQ(ps.Replaced, 7u);
        std::vector<uint32_t> newest;
        for (uint32_t k = 8; k <= 12; ++k) newest.push_back(first + k);
        std::sort(newest.begin(), newest.end());
        EXPECT_EQ(LiveSerials(ps), newest);
        // A removal between replacements: the next emission fills the hole, then the oldest go.
        RemoveParticle(ps, 2);
        for (int k = 0; k < 3; ++k) EmitParticle(ps, random, clock);
        EXPECT_EQ(ps.Count, 5);
        const std::vector<uint32_t> live = LiveSerials(ps);
        EXPECT_EQ(std::count(live.begin(), live.end(), first + 15u), 1);
        EXPECT_EQ(std::count(live.begin(), live.end(), first + 8u), 0);  // the oldest left first
    }
    T_Particles_System none = Smoke();
    none.Budget = 0;
    GameRandom random;
    StepClock clock;
    EmitParticle(none, random, clock);
    EXPECT_EQ(none.Count, 0);
}

TEST(Particles, ParticleAtItsTargetStaysFinite) {
    T_Particles_System ps = Smoke();
    ps.TargetCentre = ps.EmitCentre;
    GameRandom random;
    StepClock clock;
    EmitParticle(ps, random, clock);
    UpdateParticles(ps, 2, 100);
    EXPECT_TRUE(std::isfinite(ps.Buffer[0].x));
    EXPECT_FLOAT_EQ(ps.Buffer[0].z, 30.0f);
}

TEST(Particles, AtlasFramesCountDownAndMapToTextureRows) {
    T_Particles_System ps = Smoke();
    ps.AtlasHeight = 2048;
    ps.FrameHeight = 128;
    GameRandom random;
    StepClock clock;
    EmitParticle(ps, random, clock);
    ps.Buffer[0].frame = 3.9f;
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::vector<float> quads;
    BuildParticleQuads(ps, identity, quads);
    ASSERT_EQ(quads.size(), 36u);
    // v of the four corners: frame 3 spans 0.1875 .. 0.25 of the texture.
    EXPECT_FLOAT_EQ(quads[1], 0.1875f);
    EXPECT_FLOAT_EQ(quads[9 + 1], 0.1875f);
    EXPECT_FLOAT_EQ(quads[18 + 1], 0.25f);
    EXPECT_FLOAT_EQ(quads[27 + 1], 0.25f);
    // Corners: centre -/+ size * (right +/- up), here right = x and up = y.
    EXPECT_FLOAT_EQ(quads[6], 10.0f - 2.0f);
    EXPECT_FLOAT_EQ(quads[7], 20.0f - 2.0f);
    EXPECT_FLOAT_EQ(quads[18 + 6], 12.0f);
    EXPECT_FLOAT_EQ(quads[18 + 7], 22.0f);
    EXPECT_FLOAT_EQ(quads[2], 0.5f);  // colour r
    // Four frames per second: 250 ms takes one frame off.
    UpdateParticles(ps, 2, 250);
    EXPECT_FLOAT_EQ(ps.Buffer[0].frame, 2.9f);
}

TEST(Particles, BillboardSidesAreHalfLengthAndHorizontal) {
    BillboardSides sides;
    ComputeBillboardVectors({0, 0, 5}, {10, 0, 5}, sides);
    EXPECT_NEAR(sides.LeftX, 0.0f, 1e-6);
    EXPECT_NEAR(sides.LeftY, 0.5f, 1e-6);
    EXPECT_NEAR(sides.RightX, 0.0f, 1e-6);
    EXPECT_NEAR(sides.RightY, -0.5f, 1e-6);
    // Looking down at 60 degrees keeps only the horizontal part: half of 0.5.
    ComputeBillboardVectors({0, 0, 0}, {0, 1, -std::sqrt(3.0f)}, sides);
    EXPECT_NEAR(sides.LeftX, -0.25f, 1e-6);
    EXPECT_NEAR(sides.LeftY, 0.0f, 1e-6);
    // Eye on the target: zero vectors, no NaN.
    ComputeBillboardVectors({1, 1, 1}, {1, 1, 1}, sides);
    EXPECT_EQ(sides.RightX, 0.0f);
}

}  // namespace
}  // namespace tv
