#include "math/vector_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace tv {
namespace {

// Outputs may be the same object as an input: a cross product written into its own input
// must still use the old components.
TEST(VectorMath, OutputMayAliasInput) {
    Vec3 a{1, 2, 3};
    const Vec3 b{4, 5, 6};
    VecCross(a, b, a);
    EXPECT_FLOAT_EQ(a.x, 2 * 6 - 3 * 5);
    EXPECT_FLOAT_EQ(a.y, 3 * 4 - 1 * 6);
    EXPECT_FLOAT_EQ(a.z, 1 * 5 - 2 * 4);

    Vec3 c{1, 1, 1};
    VecAddScaled(c, c, c, 2.0f);
    EXPECT_FLOAT_EQ(c.x, 3.0f);
    Vec3 n{0, 3, 4};
    VecNormalize(n, n);
    EXPECT_FLOAT_EQ(n.y, 0.6f);
    EXPECT_FLOAT_EQ(n.z, 0.8f);
}

// Intermediate results are kept wide: single-precision sums would lose the 1 next to 1e8,
// and squares of 1e20 would overflow to infinity.
TEST(VectorMath, ArithmeticIsCarriedInExtendedPrecision) {
    const Vec3 a{1e8f, 1.0f, -1e8f};
    const Vec3 ones{1, 1, 1};
    EXPECT_FLOAT_EQ(VecDot(a, ones), 1.0f);

    const Vec3 big{3e20f, 4e20f, 0.0f};
    EXPECT_FLOAT_EQ(VecLength(big), 5e20f);
    EXPECT_FLOAT_EQ(VecDistance(big, Vec3{}), 5e20f);
    Vec3 scaled = big;
    EXPECT_FLOAT_EQ(VecSetLength(scaled, 10.0f), 5e20f);
    EXPECT_FLOAT_EQ(scaled.x, 6.0f);
    EXPECT_FLOAT_EQ(scaled.y, 8.0f);
}

TEST(VectorMath, SetLengthOfZeroVectorLeavesItAlone) {
    Vec3 v{};
    EXPECT_EQ(VecSetLength(v, 5.0f), 0.0f);
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(v.z, 0.0f);
    EXPECT_FALSE(std::isnan(v.x));
}

TEST(VectorMath, AlmostEqualIsStrictOnEveryAxis) {
    const Vec3 a{1.0f, 2.0f, 3.0f};
    EXPECT_TRUE(VecAlmostEqual(a, Vec3{1.25f, 1.75f, 3.0f}, 0.5f));
    // A difference of exactly eps on any one axis, in either direction, is not equal.
    EXPECT_FALSE(VecAlmostEqual(a, Vec3{1.5f, 2.0f, 3.0f}, 0.5f));
    EXPECT_FALSE(VecAlmostEqual(a, Vec3{1.0f, 1.5f, 3.0f}, 0.5f));
    EXPECT_FALSE(VecAlmostEqual(a, Vec3{1.0f, 2.0f, 3.5f}, 0.5f));
    EXPECT_FALSE(VecAlmostEqual(a, a, 0.0f));
}

// Cube centred at the origin with half edge 1 in all segment cases.
TEST(SegmentHitsCube, ZeroLengthSegmentIsAPointTest) {
    const Vec3 c{};
    EXPECT_TRUE(SegmentHitsCube(c, Vec3{0.5f, -0.5f, 0.9f}, Vec3{0.5f, -0.5f, 0.9f}, 1.0f));
    EXPECT_TRUE(SegmentHitsCube(c, Vec3{1, 1, 1}, Vec3{1, 1, 1}, 1.0f));  // on a corner
    EXPECT_FALSE(SegmentHitsCube(c, Vec3{1.01f, 0, 0}, Vec3{1.01f, 0, 0}, 1.0f));
    EXPECT_FALSE(SegmentHitsCube(c, Vec3{0, -1.01f, 0}, Vec3{0, -1.01f, 0}, 1.0f));
    EXPECT_FALSE(SegmentHitsCube(c, Vec3{0, 0, 1.01f}, Vec3{0, 0, 1.01f}, 1.0f));
    // Off-centre cube: the centre is really used.
    EXPECT_TRUE(SegmentHitsCube(Vec3{10, 0, 0}, Vec3{10.5f, 0, 0}, Vec3{10.5f, 0, 0}, 1.0f));
    EXPECT_FALSE(SegmentHitsCube(Vec3{10, 0, 0}, Vec3{0, 0, 0}, Vec3{0, 0, 0}, 1.0f));
}

TEST(SegmentHitsCube, TouchingAFaceCountsAsAHit) {
    const Vec3 c{};
    // Ends exactly on the +x face.
    EXPECT_TRUE(SegmentHitsCube(c, Vec3{1, 0, 0}, Vec3{5, 0, 0}, 1.0f));
    EXPECT_FALSE(SegmentHitsCube(c, Vec3{1.25f, 0, 0}, Vec3{5, 0, 0}, 1.0f));
    // Runs along the face plane.
    EXPECT_TRUE(SegmentHitsCube(c, Vec3{1, -5, 0}, Vec3{1, 5, 0}, 1.0f));
    EXPECT_FALSE(SegmentHitsCube(c, Vec3{1.25f, -5, 0}, Vec3{1.25f, 5, 0}, 1.0f));
    // Passing through, in either direction.
    EXPECT_TRUE(SegmentHitsCube(c, Vec3{-3, 0.2f, 0.3f}, Vec3{3, -0.2f, 0.1f}, 1.0f));
    EXPECT_TRUE(SegmentHitsCube(c, Vec3{3, -0.2f, 0.1f}, Vec3{-3, 0.2f, 0.3f}, 1.0f));
    // Collinear with the cube but stopping short of it.
    EXPECT_FALSE(SegmentHitsCube(c, Vec3{2, 0, 0}, Vec3{5, 0, 0}, 1.0f));
    // The same along y and z: each axis uses its own direction component.
    EXPECT_TRUE(SegmentHitsCube(c, Vec3{0, 0.5f, 0}, Vec3{0, 5, 0}, 1.0f));
    EXPECT_FALSE(SegmentHitsCube(c, Vec3{0, 1.25f, 0}, Vec3{0, 5, 0}, 1.0f));
    EXPECT_TRUE(SegmentHitsCube(c, Vec3{0, 0, -5}, Vec3{0, 0, -0.5f}, 1.0f));
    EXPECT_FALSE(SegmentHitsCube(c, Vec3{0, 0, -5}, Vec3{0, 0, -1.25f}, 1.0f));
}

// Segments that pass a corner diagonally survive every face-axis test; only the edge-cross
// axes separate them.
TEST(SegmentHitsCube, DiagonalPastACornerNeedsTheEdgeAxes) {
    const Vec3 c{};
    EXPECT_FALSE(SegmentHitsCube(c, Vec3{3, 0, 0}, Vec3{0, 3, 0}, 1.0f));       // x + y = 3
    EXPECT_TRUE(SegmentHitsCube(c, Vec3{1.9f, 0, 0}, Vec3{0, 1.9f, 0}, 1.0f));  // clips corner
    EXPECT_FALSE(SegmentHitsCube(c, Vec3{0, 3, 0}, Vec3{0, 0, 3}, 1.0f));       // y + z = 3
    EXPECT_TRUE(SegmentHitsCube(c, Vec3{0, 1.9f, 0}, Vec3{0, 0, 1.9f}, 1.0f));
    EXPECT_FALSE(SegmentHitsCube(c, Vec3{0, 0, 3}, Vec3{3, 0, 0}, 1.0f));       // z + x = 3
    EXPECT_TRUE(SegmentHitsCube(c, Vec3{0, 0, 1.9f}, Vec3{1.9f, 0, 0}, 1.0f));
}

class RayTriangleTest : public ::testing::Test {
  protected:
    const Vec3 A{0, 0, 0}, B{1, 0, 0}, C{0, 1, 0};
    Vec3 hit{};
};

TEST_F(RayTriangleTest, HitInsideReturnsTAndCrossingPoint) {
    const Vec3 o{0.25f, 0.25f, 1.0f}, d{0, 0, -2};
    EXPECT_FLOAT_EQ(RayTriangle(A, B, C, o, d, hit), 0.5f);
    EXPECT_FLOAT_EQ(hit.x, 0.25f);
    EXPECT_FLOAT_EQ(hit.y, 0.25f);
    EXPECT_FLOAT_EQ(hit.z, 0.0f);
    // The other winding gives the same crossing.
    EXPECT_FLOAT_EQ(RayTriangle(A, C, B, o, d, hit), 0.5f);
}

TEST_F(RayTriangleTest, EdgesAndCornersCountAsHits) {
    const Vec3 down{0, 0, -1};
    EXPECT_FLOAT_EQ(RayTriangle(A, B, C, Vec3{0.5f, 0.5f, 1}, down, hit), 1.0f);  // hypotenuse
    EXPECT_FLOAT_EQ(RayTriangle(A, B, C, Vec3{0.5f, 0.0f, 1}, down, hit), 1.0f);  // edge AB
    EXPECT_FLOAT_EQ(RayTriangle(A, B, C, Vec3{0.0f, 0.5f, 1}, down, hit), 1.0f);  // edge AC
    EXPECT_FLOAT_EQ(RayTriangle(A, B, C, Vec3{1.0f, 0.0f, 1}, down, hit), 1.0f);  // corner B
}

TEST_F(RayTriangleTest, MissesReportMinusOneWithThePlanePoint) {
    const Vec3 down{0, 0, -1};
    EXPECT_EQ(RayTriangle(A, B, C, Vec3{0.6f, 0.6f, 2}, down, hit), -1.0f);
    EXPECT_FLOAT_EQ(hit.x, 0.6f);
    EXPECT_FLOAT_EQ(hit.z, 0.0f);
    EXPECT_EQ(RayTriangle(A, B, C, Vec3{-0.1f, 0.5f, 2}, down, hit), -1.0f);
    EXPECT_EQ(RayTriangle(A, B, C, Vec3{0.5f, -0.1f, 2}, down, hit), -1.0f);
}

TEST_F(RayTriangleTest, ParallelAndBackwardRaysLeaveHitAtOrigin) {
    const Vec3 o{0.25f, 0.25f, 1.0f};
    EXPECT_EQ(RayTriangle(A, B, C, o, Vec3{1, 0, 0}, hit), -1.0f);
    EXPECT_EQ(hit.z, 1.0f);
    // Plane behind the origin: the negative t itself comes back.
    EXPECT_FLOAT_EQ(RayTriangle(A, B, C, o, Vec3{0, 0, 2}, hit), -0.5f);
    EXPECT_EQ(hit.x, o.x);
    EXPECT_EQ(hit.z, o.z);
}

TEST_F(RayTriangleTest, OriginOnThePlaneGivesZero) {
    const Vec3 o{0.25f, 0.25f, 0.0f};
    EXPECT_EQ(RayTriangle(A, B, C, o, Vec3{0.3f, 0.1f, 1}, hit), 0.0f);
    EXPECT_EQ(RayTriangle(A, B, C, Vec3{2, 2, 0}, Vec3{0, 0, 1}, hit), -1.0f);  // outside
}

TEST(ArcCosF, EndsMiddleAndRoundingOverflow) {
    EXPECT_EQ(ArcCosF(1.0f), 0.0f);
    EXPECT_FLOAT_EQ(ArcCosF(-1.0f), std::numbers::pi_v<float>);
    EXPECT_FLOAT_EQ(ArcCosF(0.0f), std::numbers::pi_v<float> / 2);
    EXPECT_FLOAT_EQ(ArcCosF(0.5f), std::numbers::pi_v<float> / 3);
    // A dot product of unit vectors that rounds a step past 1 must not become NaN.
    EXPECT_EQ(ArcCosF(std::nextafter(1.0f, 2.0f)), 0.0f);
    EXPECT_FLOAT_EQ(ArcCosF(std::nextafter(-1.0f, -2.0f)), std::numbers::pi_v<float>);
}

}  // namespace
}  // namespace tv
