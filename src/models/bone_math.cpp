#include "models/bone_math.h"

#include <cmath>

namespace tv {

Matrix4 IdentityMatrix() {
    Matrix4 m{};
    m[0] = m[5] = m[10] = m[15] = 1.0f;
    return m;
}

Quaternion EulerToQuaternion(const Vec3& rotation) {
    const float sx = std::sin(rotation.x * 0.5f), cx = std::cos(rotation.x * 0.5f);
    const float sy = std::sin(rotation.y * 0.5f), cy = std::cos(rotation.y * 0.5f);
    const float sz = std::sin(rotation.z * 0.5f), cz = std::cos(rotation.z * 0.5f);
    // Written left to right so every product rounds to float as it is formed.
    Quaternion q;
    q.x = sx * cy * cz - cx * sy * sz;
    q.y = cx * sy * cz + sx * cy * sz;
    q.z = cx * cy * sz - sx * sy * cz;
    q.w = cx * cy * cz + sx * sy * sz;
    return q;
}

Quaternion QuaternionSlerp(const Quaternion& a, Quaternion b, float f) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z, dw = a.w - b.w;
    const float px = a.x + b.x, py = a.y + b.y, pz = a.z + b.z, pw = a.w + b.w;
    const float apart = dx * dx + dy * dy + dz * dz + dw * dw;
    const float together = px * px + py * py + pz * pz + pw * pw;
    if (apart > together) b = {-b.x, -b.y, -b.z, -b.w};

    const float cosOmega = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    Quaternion r;
    if (1.0f + cosOmega > 1e-8f) {
        float sclA, sclB;
        if (1.0f - cosOmega > 1e-8f) {
            const float omega = std::acos(cosOmega);
            const float sinOmega = std::sin(omega);
            sclA = std::sin((1.0f - f) * omega) / sinOmega;
            sclB = std::sin(f * omega) / sinOmega;
        } else {
            sclA = 1.0f - f;
            sclB = f;
        }
        r.x = sclA * a.x + sclB * b.x;
        r.y = sclA * a.y + sclB * b.y;
        r.z = sclA * a.z + sclB * b.z;
        r.w = sclA * a.w + sclB * b.w;
    } else {
        // Opposite ends: turn through the quaternion perpendicular to a.
        const Quaternion perp{-a.y, a.x, -a.w, a.z};
        const float halfPi = 1.57079632679489661923f;
        const float sclA = std::sin((1.0f - f) * halfPi);
        const float sclB = std::sin(f * halfPi);
        r.x = sclA * a.x + sclB * perp.x;
        r.y = sclA * a.y + sclB * perp.y;
        r.z = sclA * a.z + sclB * perp.z;
        r.w = perp.w;
    }
    return r;
}

void SetLocalMatrix(Matrix4& m, const Quaternion& q, const Vec3& p) {
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    At(m, 0, 0) = 1.0f - 2.0f * y * y - 2.0f * z * z;
    At(m, 1, 0) = 2.0f * x * y + 2.0f * z * w;
    At(m, 2, 0) = 2.0f * x * z - 2.0f * y * w;
    At(m, 0, 1) = 2.0f * x * y - 2.0f * z * w;
    At(m, 1, 1) = 1.0f - 2.0f * x * x - 2.0f * z * z;
    At(m, 2, 1) = 2.0f * y * z + 2.0f * x * w;
    At(m, 0, 2) = 2.0f * x * z + 2.0f * y * w;
    At(m, 1, 2) = 2.0f * y * z - 2.0f * x * w;
    At(m, 2, 2) = 1.0f - 2.0f * x * x - 2.0f * y * y;
    At(m, 0, 3) = p.x;
    At(m, 1, 3) = p.y;
    At(m, 2, 3) = p.z;
}

Matrix4 ComposeAffine(const Matrix4& parent, const Matrix4& local) {
    Matrix4 r{};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            At(r, row, col) = At(parent, row, 0) * At(local, 0, col) + At(parent, row, 1) * At(local, 1, col) +
                              At(parent, row, 2) * At(local, 2, col);
        }
        At(r, row, 3) = At(parent, row, 0) * At(local, 0, 3) + At(parent, row, 1) * At(local, 1, 3) +
                        At(parent, row, 2) * At(local, 2, 3) + At(parent, row, 3);
    }
    At(r, 3, 3) = 1.0f;
    return r;
}

Vec3 TransformPoint(const Matrix4& m, const Vec3& p) {
    return {At(m, 0, 0) * p.x + At(m, 0, 1) * p.y + At(m, 0, 2) * p.z + At(m, 0, 3),
            At(m, 1, 0) * p.x + At(m, 1, 1) * p.y + At(m, 1, 2) * p.z + At(m, 1, 3),
            At(m, 2, 0) * p.x + At(m, 2, 1) * p.y + At(m, 2, 2) * p.z + At(m, 2, 3)};
}

Vec3 TransformDirection(const Matrix4& m, const Vec3& d) {
    return {At(m, 0, 0) * d.x + At(m, 0, 1) * d.y + At(m, 0, 2) * d.z,
            At(m, 1, 0) * d.x + At(m, 1, 1) * d.y + At(m, 1, 2) * d.z,
            At(m, 2, 0) * d.x + At(m, 2, 1) * d.y + At(m, 2, 2) * d.z};
}

}  // namespace tv
