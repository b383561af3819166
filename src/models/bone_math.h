#pragma once
// Rotations and matrices of the skeleton: Euler angles to quaternions, the blend between two
// frames, and the bone matrices (4 x 4 float, column-major as GL takes them: element
// [row, column] at index column * 4 + row).

#include <array>

#include "math/vec3.h"

namespace tv {

// A rotation as (x, y, z, w); not necessarily normalised.
struct Quaternion {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;
};

using Matrix4 = std::array<float, 16>;

inline float& At(Matrix4& m, int row, int column) { return m[column * 4 + row]; }
inline float At(const Matrix4& m, int row, int column) { return m[column * 4 + row]; }

Matrix4 IdentityMatrix();

// Euler angles (radians about x, y, z; rotation.x etc.) to a quaternion, from half-angle sines
// and cosines, every product rounded to float as it is formed.
Quaternion EulerToQuaternion(const Vec3& rotation);

// Blend from a to b by f in [0, 1]: the shorter way round, spherical unless the two are nearly
// equal (then linear); nearly opposite quaternions turn through a perpendicular one. The
// result is not normalised.
Quaternion QuaternionSlerp(const Quaternion& a, Quaternion b, float f);

// Writes the rotation of q into the 3 x 3 part of `local` and p into its translation column;
// the bottom row is left as it is.
void SetLocalMatrix(Matrix4& local, const Quaternion& q, const Vec3& p);

// parent * local as affine transforms: 3 x 3 product, translation parent3x3 * t + parent t,
// bottom row (0, 0, 0, 1).
Matrix4 ComposeAffine(const Matrix4& parent, const Matrix4& local);

// The matrix applied to a point (x, y, z, 1), rows 0..2 only.
Vec3 TransformPoint(const Matrix4& m, const Vec3& p);
// The 3 x 3 part applied to a direction.
Vec3 TransformDirection(const Matrix4& m, const Vec3& d);

}  // namespace tv
