#include "shell/camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tv {
namespace {

void ExpectNear(const Vec3& v, float x, float y, float z, float tol = 1e-3f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

TCamera At(Vec3 anchor, float pitch, float yaw, float zoom) {
    TCamera c;
    c.Anchor = anchor;
    c.Pitch = pitch;
    c.Yaw = yaw;
    c.Zoom = zoom;
    ComputeCameraPlacement(c);
    return c;
}

TEST(CameraPlacement, EyeAndTargetForPitchYawAndZoom) {
    // Level, facing +y: the eye 7 above the anchor, the target 302.569 ahead and 2.174 lower.
    TCamera c = At({500, 500, 0}, 0, 0, 0);
    ExpectNear(c.Eye, 500, 500, 7);
    ExpectNear(c.Target, 500, 802.569f, 4.826f);

    // Yaw 90 turns towards -x; zoom 5 backs the eye off along +x, behind the anchor.
    c = At({500, 500, 0}, 0, 90, 5);
    ExpectNear(c.Eye, 505, 500, 7);
    ExpectNear(c.Target, 500 - 302.569f, 500, 4.826f);

    // Pitch -30 looks up: (dz, dy) = (-2.174, 302.569) turned by -30 degrees about the eye.
    c = At({500, 500, 0}, -30, 0, 0);
    ExpectNear(c.Eye, 500, 500, 7);
    const double s = 0.5, k = std::sqrt(3.0) / 2;
    EXPECT_NEAR(c.Target.z, 7 + (-2.174 * k + 302.569 * s), 1e-3);
    EXPECT_NEAR(c.Target.y, 500 + (2.174 * s + 302.569 * k), 1e-3);

    // A negative zoom puts the eye in front of the anchor, along the view (yaw 225: +x, -y).
    c = At({10, -20, 3}, -45, 225, -2);
    ExpectNear(c.Eye, 10 + std::sqrt(2.0f), -20 - std::sqrt(2.0f), 10);
    ExpectNear(c.Target, 162.3715f, -172.3715f, 222.41134f, 2e-3f);
}

TEST(CameraPlacement, DirectionIsAUnitVectorFromEyeToTarget) {
    TCamera c = At({0, 0, 0}, 0, 90, 0);
    Vec3 d = CameraDirection(c);
    EXPECT_NEAR(std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z), 1.0, 1e-6);
    EXPECT_NEAR(d.x, -1.0, 1e-4);
    EXPECT_LT(d.z, 0.0f);  // slightly down towards the target
}

TEST(MouseLook, PitchStaysStrictlyBetweenStraightUpAndLevel) {
    float pitch = 0, yaw = 0;
    ApplyMouseLook(pitch, yaw, 0, 5);  // down from level: 1 degree, refused
    EXPECT_EQ(pitch, 0.0f);
    ApplyMouseLook(pitch, yaw, 0, -5);
    EXPECT_FLOAT_EQ(pitch, -1.0f);
    ApplyMouseLook(pitch, yaw, 0, 5);  // back to exactly 0: refused
    EXPECT_FLOAT_EQ(pitch, -1.0f);
    pitch = -80;
    ApplyMouseLook(pitch, yaw, 0, -50);  // exactly -90: refused
    EXPECT_FLOAT_EQ(pitch, -80.0f);
    ApplyMouseLook(pitch, yaw, 0, -49);
    EXPECT_FLOAT_EQ(pitch, -89.8f);
}

TEST(MouseLook, YawWrapsButThreeSixtyItselfStays) {
    float pitch = -10, yaw = 0;
    ApplyMouseLook(pitch, yaw, 5, 0);  // right turns negative, wraps to 359
    EXPECT_FLOAT_EQ(yaw, 359.0f);
    yaw = 359;
    ApplyMouseLook(pitch, yaw, -5, 0);
    EXPECT_FLOAT_EQ(yaw, 360.0f);
    ApplyMouseLook(pitch, yaw, 0, 0);
    EXPECT_FLOAT_EQ(yaw, 360.0f);
    ApplyMouseLook(pitch, yaw, -5, 0);
    EXPECT_FLOAT_EQ(yaw, 1.0f);
    EXPECT_FLOAT_EQ(pitch, -10.0f);
}

}  // namespace
}  // namespace tv
