// The water's wave rule: creation state, kicks, damping, frame-time scaling and the grid
// limits that keep the random kicks inside the arrays.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "math/random.h"
#include "world/water.h"

namespace tv {
namespace {

TEST(Water, CreatedFlatWithDownwardInteriorNormals) {
    TWater w;
    EXPECT_EQ(WaterCreate(w, 8, 70, 0.9f), 8);
    EXPECT_FLOAT_EQ(w.CellSize, 10.0f);
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            EXPECT_EQ(w.H(i, j), 0.0f);
            const Vec3& v = w.Vertices[w.Index(i, j)];
            EXPECT_FLOAT_EQ(v.x, i * 10.0f - 35.0f);
            EXPECT_EQ(v.y, 0.0f);
            EXPECT_FLOAT_EQ(v.z, j * 10.0f - 35.0f);
        }
    }
    const Vec3& interior = w.Normals[w.Index(3, 4)];
    EXPECT_FLOAT_EQ(interior.z, -1.0f);
    EXPECT_FLOAT_EQ(interior.x, 0.0f);
    EXPECT_FLOAT_EQ(w.Normals[w.Index(0, 4)].z, 1.0f);  // first row
    EXPECT_FLOAT_EQ(w.Normals[w.Index(7, 7)].z, 0.0f);  // last row keeps its zero normal
}

TEST(Water, KickIsSubtractedBeforeDampingAndSpreads) {
    TWater w;
    WaterCreate(w, 10, 90, 0.5f);
    w.V(4, 5) = 3.0f;
    WaterStep(w, 16);
    EXPECT_FLOAT_EQ(w.H(4, 5), -3.0f);
    EXPECT_FLOAT_EQ(w.V(4, 5), 1.5f);
    EXPECT_EQ(w.H(4, 6), 0.0f);
    EXPECT_FLOAT_EQ(w.Vertices[w.Index(4, 5)].y, -0.3f);  // displayed height is H / G
    WaterStep(w, 16);
    EXPECT_NE(w.H(4, 6), 0.0f);  // the neighbours move one step later
    EXPECT_NE(w.H(5, 6), 0.0f);
    EXPECT_EQ(w.H(1, 5), 0.0f);  // rows 0, 1 and G - 1 are pinned
}

TEST(Water, DampingOneKeepsVelocityZeroClearsIt) {
    TWater keep;
    WaterCreate(keep, 10, 9, 1.0f);
    keep.V(5, 5) = 3.0f;
    WaterStep(keep, 0);
    EXPECT_FLOAT_EQ(keep.V(5, 5), 3.0f);
    WaterStep(keep, 0);
    EXPECT_FLOAT_EQ(keep.H(5, 5), -6.0f);

    TWater still;
    WaterCreate(still, 10, 9, 0.0f);
    still.V(5, 5) = 3.0f;
    still.H(4, 4) = 2.0f;
    WaterStep(still, 16);
    for (float v : still.Velocities) EXPECT_EQ(v, 0.0f);
}

TEST(Water, ZeroFrameTimeSkipsTheNeighbourPass) {
    TWater w;
    WaterCreate(w, 10, 9, 0.5f);
    w.H(5, 5) = 4.0f;
    w.H(5, 6) = 8.0f;
    w.V(5, 5) = 1.0f;
    WaterStep(w, 0);
    EXPECT_FLOAT_EQ(w.H(5, 5), 3.0f);  // pass 2 still applies the velocity
    EXPECT_FLOAT_EQ(w.V(5, 5), 0.5f);  // and damps it, with no neighbour term
    // With time passing the neighbours pull on the velocity.
    TWater t;
    WaterCreate(t, 10, 9, 0.5f);
    t.H(5, 5) = 4.0f;
    t.H(5, 6) = 8.0f;
    t.V(5, 5) = 1.0f;
    WaterStep(t, 100);
    EXPECT_NE(t.V(5, 5), 0.5f);
}

TEST(Water, GridsBelowThreeAreRaisedAndSmallGridsKeepTheirCount) {
    // 3 and 4 are valid counts; only what would send a kick outside the arrays is raised.
    for (int g : {-4, 0, 1, 2, 3, 4}) {
        TWater w;
        const int used = std::max(g, 3);
        EXPECT_EQ(WaterCreate(w, g, 10, 0.9f), used) << g;
        GameRandom random;
        for (int frame = 0; frame < 50; ++frame) {
            WaterDisturb(w, random);
            WaterStep(w, 16);
        }
        ASSERT_EQ(w.Velocities.size(), static_cast<size_t>(used * used));
        // Rows and columns 0 and 1 are never simulated: the edges stay pinned.
        for (int k = 0; k < used; ++k) {
            EXPECT_EQ(w.H(1, k), 0.0f) << g;
            EXPECT_EQ(w.H(k, 0), 0.0f) << g;
        }
    }
    TWater big;
    EXPECT_EQ(WaterCreate(big, 1 << 20, 10, 0.9f), kMaxWaterGridCount);
}

TEST(Water, AFrameShowsTheSurfaceBetweenItsKicksAndTheirStep) {
    // Kick, draw, step each frame, against WaterFrame each frame then the draw: the same
    // surface drawn every frame from the same draws of the generator, with the frame times
    // each step took.
    TWater old, now;
    WaterCreate(old, 9, 10, 0.95f);
    WaterCreate(now, 9, 10, 0.95f);
    GameRandom oldRandom, nowRandom;
    const uint32_t frameMs[] = {16, 40, 0, 33, 16};
    for (uint32_t ms : frameMs) {
        WaterDisturb(old, oldRandom);
        const std::vector<Vec3> drawnBefore = old.Vertices;
        const std::vector<Vec3> normalsBefore = old.Normals;
        WaterStep(old, ms);
        WaterFrame(now, ms, nowRandom);
        ASSERT_EQ(now.Vertices.size(), drawnBefore.size());
        for (size_t k = 0; k < drawnBefore.size(); ++k) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ((&now.Vertices[k].x)[c], (&drawnBefore[k].x)[c]) << k;
                EXPECT_EQ((&now.Normals[k].x)[c], (&normalsBefore[k].x)[c]) << k;
            }
        }
        EXPECT_EQ(nowRandom.Seed(), oldRandom.Seed());
    }
    EXPECT_NE(old.H(4, 4), 0.0f);
}

TEST(Water, DisturbKicksGInteriorSamplesToThree) {
    TWater w;
    WaterCreate(w, 12, 11, 0.9f);
    GameRandom random;
    random.SetSeed(1234);
    GameRandom replay;
    replay.SetSeed(1234);
    WaterDisturb(w, random);
    int kicked = 0;
    for (int k = 0; k < 12; ++k) {
        const int i = static_cast<int>(replay.Random(9)) + 2;  // i drawn before j
        const int j = static_cast<int>(replay.Random(9)) + 2;
        EXPECT_EQ(w.V(i, j), 3.0f);
    }
    for (float v : w.Velocities) kicked += v == 3.0f;
    EXPECT_GE(kicked, 1);
    EXPECT_LE(kicked, 12);
    EXPECT_EQ(random.Seed(), replay.Seed());
}

}  // namespace
}  // namespace tv
