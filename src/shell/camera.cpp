#include "shell/camera.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <cmath>

namespace tv {
namespace {

// Private until the shared math lands: the same rule as RotateAround, angle in degrees.
void RotateAround(float& p, float& q, float angleDeg, float cp, float cq) {
    double a = angleDeg * 0.017453292519943295;
    double dp = p - cp, dq = q - cq;
    p = static_cast<float>(cp + dp * std::cos(a) - dq * std::sin(a));
    q = static_cast<float>(cq + dp * std::sin(a) + dq * std::cos(a));
}

}  // namespace

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

void PlaceCamera(TCamera& c) {
    ComputeCameraPlacement(c);
    gluLookAt(c.Eye.x, c.Eye.y, c.Eye.z, c.Target.x, c.Target.y, c.Target.z, 0.0, 0.0, 1.0);
}

Vec3 CameraDirection(const TCamera& c) {
    Vec3 d{c.Target.x - c.Eye.x, c.Target.y - c.Eye.y, c.Target.z - c.Eye.z};
    float len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return {d.x / len, d.y / len, d.z / len};
}

void ApplyMouseLook(float& pitch, float& yaw, int dx, int dy) {
    float newPitch = pitch + static_cast<float>(dy) * kMouseSensitivity;
    if (newPitch > -90.0f && newPitch < 0.0f) pitch = newPitch;
    yaw -= static_cast<float>(dx) * kMouseSensitivity;
    if (yaw > 360.0f) yaw -= 360.0f;
    if (yaw < 0.0f) yaw += 360.0f;
}

}  // namespace tv
