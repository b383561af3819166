#pragma once
// Turning things in a plane. The game rotates in the ground plane and in vertical planes by
// choosing which two coordinates it passes and in which order: (x, y) turns about z
// counter-clockwise seen from above; swapping the pair reverses the sense.
// Angles are degrees unless a name says otherwise.

namespace tv {

inline constexpr double kDegToRad = 0.017453292519943295;
inline constexpr double kRadToDeg = 57.29577951308232;

// Rotates the point (p, q) about (cp, cq) by angleDeg:
// p' = cp + (p - cp) cos a - (q - cq) sin a;  q' = cq + (p - cp) sin a + (q - cq) cos a.
void RotateAround(float& p, float& q, float angleDeg, float cp, float cq);
// Rotates (p, q) about the origin by angleDeg.
void Rotate2D(float& p, float& q, float angleDeg);
// Heading of (x2 - x1, y2 - y1) in degrees, 0 along +x, 90 along +y, in [0, 360).
// Two equal points give 90.
float AngleTo2D(float x1, float y1, float x2, float y2);
// Unit normal of the triangle P1 P2 P3: -( (P1 - P2) x (P2 - P3) ) / |...|, i.e. the normal
// points up (+z) for a triangle wound clockwise seen from above. A zero-area triangle gives NaN.
void TriangleNormal(float& nx, float& ny, float& nz, float x1, float y1, float z1, float x2, float y2,
                    float z2, float x3, float y3, float z3);

}  // namespace tv
