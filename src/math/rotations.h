#pragma once
// Turning things in a plane. The game rotates in the ground plane and in vertical planes by
// choosing which two coordinates it passes and in which order: (x, y) turns about z
// counter-clockwise seen from above; swapping the pair reverses the sense.
// Angles are degrees unless a name says otherwise.

#include <cstdint>

namespace tv {

inline constexpr double kDegToRad = 0.017453292519943295;
inline constexpr double kRadToDeg = 57.29577951308232;

// Rotates the point (p, q) about (cp, cq) by angleDeg:
// p' = cp + (p - cp) cos a - (q - cq) sin a;  q' = cq + (p - cp) sin a + (q - cq) cos a.
void RotateAround(float& p, float& q, float angleDeg, float cp, float cq);
// Rotates (p, q) about the origin by angleDeg.
void Rotate2D(float& p, float& q, float angleDeg);

// The cosine and sine of an angle as the rotations above compute them, for turning many
// points by one angle: the overloads below give the same bits as the ones taking the angle.
struct Turn {
    double c = 1.0, s = 0.0;
};
Turn TurnOf(float angleDeg);
// TurnOf(k) for k = 0..359, filled when the program starts.
struct WholeDegTurns {
    Turn t[360];
    WholeDegTurns();
};
extern const WholeDegTurns kWholeDegTurns;
// TurnOf(k) for a whole number of degrees: looked up for 0 to 359 (the smoke's random angles),
// computed otherwise.
inline Turn TurnOfWholeDeg(uint32_t angleDeg) {
    return angleDeg < 360 ? kWholeDegTurns.t[angleDeg] : TurnOf(static_cast<float>(angleDeg));
}
inline void RotateAround(float& p, float& q, const Turn& t, float cp, float cq) {
    const double dp = static_cast<double>(p) - cp;
    const double dq = static_cast<double>(q) - cq;
    // Both from the old values, then stored.
    const double np = cp + dp * t.c - dq * t.s;
    const double nq = cq + dp * t.s + dq * t.c;
    p = static_cast<float>(np);
    q = static_cast<float>(nq);
}
inline void Rotate2D(float& p, float& q, const Turn& t) {
    const double op = p, oq = q;
    p = static_cast<float>(op * t.c - oq * t.s);
    q = static_cast<float>(op * t.s + oq * t.c);
}
// Heading of (x2 - x1, y2 - y1) in degrees, 0 along +x, 90 along +y, in [0, 360).
// Two equal points give 90.
float AngleTo2D(float x1, float y1, float x2, float y2);
// Unit normal of the triangle P1 P2 P3: -( (P1 - P2) x (P2 - P3) ) / |...|, i.e. the normal
// points up (+z) for a triangle wound clockwise seen from above. A zero-area triangle gives NaN.
void TriangleNormal(float& nx, float& ny, float& nz, float x1, float y1, float z1, float x2, float y2,
                    float z2, float x3, float y3, float z3);

}  // namespace tv
