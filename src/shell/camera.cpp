#include "shell/camera.h"

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
