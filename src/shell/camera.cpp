#include "shell/camera.h"

#include <cmath>

#include "math/rotations.h"
#include "math/vector_math.h"

namespace tv {

void ComputeCameraPlacement(TCamera& c) {
    const Vec3 a = c.Anchor;
    Vec3& eye = c.Eye;
    Vec3& target = c.Target;
    eye = {a.x, a.y, a.z + 7.0f};
    // The view target lies ahead of the sight line and a little below the eye.
    target = {a.x, a.y + 2.569f + 300.0f, a.z + 4.826f};
    RotateAround(target.z, target.y, c.Pitch, eye.z, eye.y);
    RotateAround(target.x, target.y, c.Yaw, eye.x, eye.y);
    eye.y -= c.Zoom;
    RotateAround(eye.x, eye.y, c.Yaw, a.x, a.y);
}

namespace {

// The look-at helpers work in single precision with a double square root, as GLU's do.
void Normalize(float v[3]) {
    const float r = static_cast<float>(std::sqrt(static_cast<double>(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])));
    if (r == 0.0f) return;
    v[0] /= r;
    v[1] /= r;
    v[2] /= r;
}

void Cross(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

void CameraViewMatrix(const TCamera& c, float m[16]) {
    const double ex = c.Eye.x, ey = c.Eye.y, ez = c.Eye.z;
    float forward[3] = {static_cast<float>(c.Target.x - ex), static_cast<float>(c.Target.y - ey),
                        static_cast<float>(c.Target.z - ez)};
    float up[3] = {0.0f, 0.0f, 1.0f};
    float side[3];
    Normalize(forward);
    Cross(forward, up, side);
    Normalize(side);
    Cross(side, forward, up);
    // Column-major: the rows of the rotation are side, up and -forward.
    const float r[16] = {side[0], up[0], -forward[0], 0.0f, side[1], up[1], -forward[1], 0.0f,
                         side[2], up[2], -forward[2], 0.0f, 0.0f,    0.0f,  0.0f,        1.0f};
    for (int k = 0; k < 16; ++k) m[k] = r[k];
    // Then the translation by -eye, multiplied on in single precision as GL does.
    const float x = static_cast<float>(-ex), y = static_cast<float>(-ey), z = static_cast<float>(-ez);
    m[12] = m[0] * x + m[4] * y + m[8] * z + m[12];
    m[13] = m[1] * x + m[5] * y + m[9] * z + m[13];
    m[14] = m[2] * x + m[6] * y + m[10] * z + m[14];
    m[15] = m[3] * x + m[7] * y + m[11] * z + m[15];
}

void CameraProjectionMatrix(const TCamera& c, int width, int height, float m[16]) {
    const double fovy = 45.0, aspect = static_cast<double>(width) / static_cast<double>(height);
    const double zNear = c.Near, zFar = c.Far;
    const double radians = fovy / 2 * 3.14159265358979323846 / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    for (int k = 0; k < 16; ++k) m[k] = (k % 5 == 0) ? 1.0f : 0.0f;
    // A degenerate projection is refused and the identity stays.
    if (deltaZ == 0 || sine == 0 || aspect == 0) return;
    const double cotangent = std::cos(radians) / sine;
    m[0] = static_cast<float>(cotangent / aspect);
    m[5] = static_cast<float>(cotangent);
    m[10] = static_cast<float>(-(zFar + zNear) / deltaZ);
    m[11] = -1.0f;
    m[14] = static_cast<float>(-2 * zNear * zFar / deltaZ);
    m[15] = 0.0f;
}

Vec3 CameraDirection(const TCamera& c) {
    Vec3 d;
    VecSub(c.Target, c.Eye, d);
    VecSetLength(d, 1.0f);
    return d;
}

void ApplyMouseLook(float& pitch, float& yaw, int dx, int dy) {
    float newPitch = pitch + static_cast<float>(dy) * kMouseSensitivity;
    if (newPitch > -90.0f && newPitch < 0.0f) pitch = newPitch;
    yaw -= static_cast<float>(dx) * kMouseSensitivity;
    if (yaw > 360.0f) yaw -= 360.0f;
    if (yaw < 0.0f) yaw += 360.0f;
}

}  // namespace tv
