// Skeleton posing: frame blending, the slerp's special cases and the bone palette, checked
// against matrices built here from angles (rotation Rz * Ry * Rx, in double precision).

#include <gtest/gtest.h>

#include <cmath>

#include "models/model.h"

namespace tv {
namespace {

using Mat = std::array<std::array<double, 4>, 4>;  // [row][column]

Mat Identity() {
    Mat m{};
    for (int i = 0; i < 4; ++i) m[i][i] = 1.0;
    return m;
}

Mat Multiply(const Mat& a, const Mat& b) {
    Mat r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) r[i][j] += a[i][k] * b[k][j];
    return r;
}

// Rotation about x, then y, then z, then the translation.
Mat FromEuler(const Vec3& rot, const Vec3& pos) {
    Mat rx = Identity(), ry = Identity(), rz = Identity();
    rx[1][1] = std::cos(rot.x), rx[1][2] = -std::sin(rot.x), rx[2][1] = std::sin(rot.x), rx[2][2] = std::cos(rot.x);
    ry[0][0] = std::cos(rot.y), ry[0][2] = std::sin(rot.y), ry[2][0] = -std::sin(rot.y), ry[2][2] = std::cos(rot.y);
    rz[0][0] = std::cos(rot.z), rz[0][1] = -std::sin(rot.z), rz[1][0] = std::sin(rot.z), rz[1][1] = std::cos(rot.z);
    Mat m = Multiply(rz, Multiply(ry, rx));
    m[0][3] = pos.x, m[1][3] = pos.y, m[2][3] = pos.z;
    return m;
}

void ExpectMatrixNear(const Matrix4& actual, const Mat& expected, const char* what) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(At(actual, r, c), expected[r][c], 2e-5) << what << " [" << r << "," << c << "]";
}

TKadrAnimacii Frame(const std::vector<Vec3>& rotations, const std::vector<Vec3>& positions) {
    TKadrAnimacii f;
    f.Rotations = rotations;
    f.Positions = positions;
    for (const Vec3& r : rotations) f.Quaternions.push_back(EulerToQuaternion(r));
    return f;
}

// A two-bone chain: bone 1 hangs off bone 0.
void MakeChain(TModel& m) {
    m.BoneParents = {-1, 0};
    m.RestPose = Frame({{0.1f, 0.2f, 0.3f}, {0.0f, 0.0f, 0.5f}}, {{1, 2, 3}, {4, 0, 0}});
}

TEST(UpdateSkeleton, RestPoseChainsLocalMatricesThroughParents) {
    TModel m;
    MakeChain(m);
    m.UpdateSkeleton(PoseMode::Rest, 0, 0.0f);
    ASSERT_EQ(m.Bones.size(), 2u);
    const Mat b0 = FromEuler({0.1f, 0.2f, 0.3f}, {1, 2, 3});
    const Mat b1 = Multiply(b0, FromEuler({0, 0, 0.5f}, {4, 0, 0}));
    ExpectMatrixNear(m.Bones[0].Absolute, b0, "bone 0");
    ExpectMatrixNear(m.Bones[1].Absolute, b1, "bone 1");
    EXPECT_NEAR(m.Bones[1].Origin.x, b1[0][3], 1e-5);
    EXPECT_NEAR(m.Bones[1].Origin.y, b1[1][3], 1e-5);
    EXPECT_NEAR(m.Bones[1].Origin.z, b1[2][3], 1e-5);
}

// Ten frames turning bone 0 about z by 0.1 rad per frame (frame k at 0.1 k) and moving it.
void MakeTenFrames(TModel& m) {
    MakeChain(m);
    TAnimacia a;
    for (int k = 0; k < 10; ++k) {
        a.Frames.push_back(Frame({{0, 0, 0.1f * k}, {0.2f, 0, 0}}, {{float(k), 0, 0}, {0, 1, 0}}));
    }
    m.Animations.push_back(a);
}

TEST(UpdateSkeleton, FrameTimesPickAndBlendFrames) {
    TModel m;
    MakeTenFrames(m);

    // Exactly on a frame: that frame, unblended.
    m.UpdateSkeleton(PoseMode::Animation, 0, 3.0f);
    Mat b0 = FromEuler({0, 0, 0.3f}, {3, 0, 0});
    ExpectMatrixNear(m.Bones[0].Absolute, b0, "t=3 bone 0");
    ExpectMatrixNear(m.Bones[1].Absolute, Multiply(b0, FromEuler({0.2f, 0, 0}, {0, 1, 0})), "t=3 bone 1");

    // Between frames 2 and 3.
    m.UpdateSkeleton(PoseMode::Animation, 0, 2.25f);
    ExpectMatrixNear(m.Bones[0].Absolute, FromEuler({0, 0, 0.225f}, {2.25f, 0, 0}), "t=2.25");

    // The last frame blends halfway into the first: angle 0.45, x 4.5.
    m.UpdateSkeleton(PoseMode::Animation, 0, 9.5f);
    b0 = FromEuler({0, 0, 0.45f}, {4.5f, 0, 0});
    ExpectMatrixNear(m.Bones[0].Absolute, b0, "t=9.5 bone 0");
    ExpectMatrixNear(m.Bones[1].Absolute, Multiply(b0, FromEuler({0.2f, 0, 0}, {0, 1, 0})), "t=9.5 bone 1");
}

TEST(UpdateSkeleton, OutOfRangeAnimationOrTimeFallsBackToRestPose) {
    TModel m;
    MakeTenFrames(m);
    m.UpdateSkeleton(PoseMode::Rest, 0, 0.0f);
    const Matrix4 rest = m.Bones[1].Absolute;
    for (auto [index, time] : {std::pair{1, 0.0f}, {-1, 0.0f}, {0, 10.0f}, {0, -0.5f}, {0, NAN}}) {
        m.UpdateSkeleton(PoseMode::Animation, 0, 4.0f);  // something else first
        m.UpdateSkeleton(PoseMode::Animation, index, time);
        EXPECT_EQ(m.Bones[1].Absolute, rest) << "animation " << index << " time " << time;
    }
    // Frames with fewer bones than the model.
    m.Animations[0].Frames[5].Positions.resize(1);
    m.UpdateSkeleton(PoseMode::Animation, 0, 4.5f);
    EXPECT_EQ(m.Bones[1].Absolute, rest);
}

TEST(QuaternionSlerp, OppositeSignsAreTheSameRotation) {
    const Quaternion q = EulerToQuaternion({0.3f, -0.2f, 1.1f});
    const Quaternion neg{-q.x, -q.y, -q.z, -q.w};
    for (float f : {0.0f, 0.3f, 0.5f, 1.0f}) {
        const Quaternion r = QuaternionSlerp(q, neg, f);
        EXPECT_NEAR(r.x, q.x, 1e-5) << f;
        EXPECT_NEAR(r.y, q.y, 1e-5) << f;
        EXPECT_NEAR(r.z, q.z, 1e-5) << f;
        EXPECT_NEAR(r.w, q.w, 1e-5) << f;
    }
    // Through a pose as well: frames holding q and -q give q's matrix halfway.
    TModel m;
    m.BoneParents = {-1};
    m.RestPose = Frame({{0, 0, 0}}, {{0, 0, 0}});
    TKadrAnimacii a = Frame({{0.3f, -0.2f, 1.1f}}, {{0, 0, 0}});
    TKadrAnimacii b = a;
    b.Quaternions[0] = neg;
    m.Animations.push_back({{a, b}});
    m.UpdateSkeleton(PoseMode::Animation, 0, 0.5f);
    ExpectMatrixNear(m.Bones[0].Absolute, FromEuler({0.3f, -0.2f, 1.1f}, {0, 0, 0}), "q vs -q");
}

TEST(QuaternionSlerp, NearlyEqualBlendsLinearlyOtherwiseSpherically) {
    // cos(omega) rounds to 1: a straight blend of the components.
    const Quaternion a{0, 0, 0, 1};
    const Quaternion b{1e-5f, 0, 0, 1};
    const Quaternion r = QuaternionSlerp(a, b, 0.25f);
    EXPECT_FLOAT_EQ(r.x, 0.25f * 1e-5f);
    EXPECT_FLOAT_EQ(r.w, 1.0f);

    // 90 degrees apart in quaternion space: the arc midpoint, not the chord's.
    const Quaternion mid = QuaternionSlerp({1, 0, 0, 0}, {0, 1, 0, 0}, 0.5f);
    EXPECT_NEAR(mid.x, std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(mid.y, std::sqrt(0.5), 1e-6);
    const Quaternion third = QuaternionSlerp({1, 0, 0, 0}, {0, 1, 0, 0}, 1.0f / 3.0f);
    EXPECT_NEAR(third.x, std::cos(M_PI / 6), 1e-6);
    EXPECT_NEAR(third.y, std::sin(M_PI / 6), 1e-6);
}

TEST(FillBonePalette, EightyBonesFillTheFirstSeventyTwo) {
    TModel m;
    std::vector<Vec3> rotations, positions;
    for (int b = 0; b < 80; ++b) {
        m.BoneParents.push_back(b == 0 ? -1 : b - 1);
        rotations.push_back({0.01f * b, 0, 0.02f});
        positions.push_back({1, 0.5f, 0});
    }
    m.RestPose = Frame(rotations, positions);
    m.UpdateSkeleton(PoseMode::Rest, 0, 0.0f);
    m.FillBonePalette();
    ASSERT_EQ(m.Bones.size(), 80u);
    ASSERT_EQ(m.BonePalette.size(), 216u);
    for (int b = 0; b < 72; ++b) {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 4; ++c) {
                ASSERT_EQ(m.BonePalette[b * 3 + r][c], At(m.Bones[b].Absolute, r, c)) << b << " " << r << " " << c;
            }
        }
    }
}

}  // namespace
}  // namespace tv
