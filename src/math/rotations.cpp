#include "math/rotations.h"

#include <cmath>

#include "math/vector_math.h"

namespace tv {

Turn TurnOf(float angleDeg) {
    const double a = angleDeg * kDegToRad;
    return {std::cos(a), std::sin(a)};
}

// Filled at run time by the same calls as TurnOf, so every entry has its bits.
WholeDegTurns::WholeDegTurns() {
    for (uint32_t k = 0; k < 360; ++k) t[k] = TurnOf(static_cast<float>(k));
}

const WholeDegTurns kWholeDegTurns;

void RotateAround(float& p, float& q, float angleDeg, float cp, float cq) {
    RotateAround(p, q, TurnOf(angleDeg), cp, cq);
}

void Rotate2D(float& p, float& q, float angleDeg) { Rotate2D(p, q, TurnOf(angleDeg)); }

float AngleTo2D(float x1, float y1, float x2, float y2) {
    double u = static_cast<double>(x2) - x1;
    double v = static_cast<double>(y2) - y1;
    const double len = std::sqrt(u * u + v * v);
    if (len != 0.0) {
        u /= len;
        v /= len;
    } else {
        u = 0.0;
        v = 0.0;
    }
    const double alpha = ArcCosF(static_cast<float>(u)) * kRadToDeg;
    float result = static_cast<float>(v < 0.0 ? 360.0 - alpha : alpha);
    // A heading a hair below +x rounds to 360 in float; that is the same heading as 0.
    if (result >= 360.0f) result = 0.0f;
    return result;
}

void TriangleNormal(float& nx, float& ny, float& nz, float x1, float y1, float z1, float x2, float y2,
                    float z2, float x3, float y3, float z3) {
    const double ex = static_cast<double>(x1) - x2, ey = static_cast<double>(y1) - y2,
                 ez = static_cast<double>(z1) - z2;
    const double fx = static_cast<double>(x2) - x3, fy = static_cast<double>(y2) - y3,
                 fz = static_cast<double>(z2) - z3;
    const double cx = ey * fz - ez * fy;
    const double cy = ez * fx - ex * fz;
    const double cz = ex * fy - ey * fx;
    const double len = std::sqrt(cx * cx + cy * cy + cz * cz);
    nx = static_cast<float>(-cx / len);
    ny = static_cast<float>(-cy / len);
    nz = static_cast<float>(-cz / len);
}

}  // namespace tv
