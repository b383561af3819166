// The sprites' arithmetic: atlas rows, facing corners and the flame's fins.
#include <gtest/gtest.h>

#include <cmath>

#include "combat/sprites.h"

namespace tv {
namespace {

TEST(Sprites, AtlasRowsStepThroughTheStripAndRunPastItForWrap) {
    T_Explosion_System set;
    set.AtlasHeight = 2048;
    set.FrameHeight = 128;
    AtlasRows r = ExplosionFrameRows(set, 0);
    EXPECT_FLOAT_EQ(r.T0, 0.0f);
    EXPECT_FLOAT_EQ(r.T1, 0.0625f);
    r = ExplosionFrameRows(set, 16);  // one past the strip: the repeat wrap shows frame 0
    EXPECT_FLOAT_EQ(r.T0, 1.0f);
    EXPECT_FLOAT_EQ(r.T1, 1.0625f);
    set.AtlasHeight = 512;
    r = ExplosionFrameRows(set, 3);
    EXPECT_FLOAT_EQ(r.T0, 0.75f);
    EXPECT_FLOAT_EQ(r.T1, 1.0f);
    T_Explosion_System empty;  // no layout: no division by zero
    r = ExplosionFrameRows(empty, 5);
    EXPECT_EQ(r.T0, 0.0f);
}

TEST(Sprites, CornersFaceTheCamera) {
    // A camera turned about z: the rows of the modelview give right = (m0, m4, m8) and
    // up = (m1, m5, m9).
    const float m[16] = {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const auto c = FacingCorners(m, {10, 20, 30}, 2);
    // right = (0, 1, 0), up = (-1, 0, 0)
    EXPECT_FLOAT_EQ(c[0].x, 12);  // -R - U
    EXPECT_FLOAT_EQ(c[0].y, 18);
    EXPECT_FLOAT_EQ(c[1].x, 12);  // R - U
    EXPECT_FLOAT_EQ(c[1].y, 22);
    EXPECT_FLOAT_EQ(c[2].x, 8);   // -R + U
    EXPECT_FLOAT_EQ(c[2].y, 18);
    EXPECT_FLOAT_EQ(c[3].x, 8);   // R + U
    EXPECT_FLOAT_EQ(c[3].y, 22);
    for (const Vec3& v : c) EXPECT_FLOAT_EQ(v.z, 30);
}

TEST(Sprites, FlameAngleResetsPast360AndFinsFanOut) {
    T_Fire_Jet flame;
    for (int i = 0; i < 10; ++i) AdvanceFlameAngle(flame);
    EXPECT_FLOAT_EQ(flame.Angle, 360.0f);  // not above 360
    AdvanceFlameAngle(flame);
    EXPECT_FLOAT_EQ(flame.Angle, 0.0f);  // 396 resets to 0, not 36

    const auto fins = FlameFins(2.0f, 30.0f);
    // Fin k is turned (k + 1) * 30 degrees; its first corner starts at (-1, 0).
    for (int k = 0; k < 11; ++k) {
        const float a = (k + 1) * 30.0f * 0.017453292f;
        EXPECT_NEAR(fins[k][0][0], -std::cos(a), 1e-5) << k;
        EXPECT_NEAR(fins[k][0][1], -std::sin(a), 1e-5) << k;
        EXPECT_NEAR(fins[k][1][0], std::cos(a), 1e-5) << k;
    }
}

}  // namespace
}  // namespace tv
