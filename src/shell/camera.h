#pragma once
// The one camera: it sits at the turret, turns with the mouse and backs off with the wheel.
// Angles in degrees; z is up; yaw 0 looks along +y and positive yaw turns towards -x.

#include "math/vec3.h"

namespace tv {

struct TCamera {
    Vec3 Anchor;         // the point the camera is built from (the turret position)
    Vec3 Anchor2;        // set with Anchor, never read by the placement
    float Pitch = 0.0f;  // strictly between -90 and 0 once moved; negative looks up
    float Roll = 0.0f;   // stays 0
    float Yaw = 0.0f;    // kept in [0, 360]
    float Far = 1000.0f;
    float Near = 0.1f;
    Vec3 Eye;            // computed each frame
    Vec3 Target;         // computed each frame
    float Zoom = 0.0f;   // WheelZoom / 10, set each frame
};

// Degrees per mouse count; also scales the wheel step.
inline constexpr float kMouseSensitivity = 0.2f;

// Computes Eye and Target from Anchor, Pitch, Yaw and Zoom. No GL.
void ComputeCameraPlacement(TCamera& camera);
// ComputeCameraPlacement, then multiplies the look-at transform (up = +z) onto the current
// GL matrix.
void PlaceCamera(TCamera& camera);
// Multiplies the look-at transform of the Eye and Target already computed onto the current GL
// matrix (the drawing's half of PlaceCamera).
void LookThroughCamera(const TCamera& camera);

// The matrices the frame's culling uses, computed without GL exactly as GL builds them (column-
// major floats): the view that LookThroughCamera leaves on an identity modelview, and the
// projection gluPerspective(45, width / height, Near, Far) leaves on an identity projection.
// Bit for bit, so culling in the step decides as culling against GL's own matrices did.
void CameraViewMatrix(const TCamera& camera, float out[16]);
void CameraProjectionMatrix(const TCamera& camera, int width, int height, float out[16]);
// Target - Eye at length 1.
Vec3 CameraDirection(const TCamera& camera);

// The mouse-look rules for one frame's movement in device counts: a pitch change is taken only
// when the result lies strictly between -90 and 0; yaw wraps into [0, 360] (360 itself stays).
// The turret follows the same rules, so it is written for any pitch/yaw pair.
void ApplyMouseLook(float& pitch, float& yaw, int dx, int dy);

}  // namespace tv
