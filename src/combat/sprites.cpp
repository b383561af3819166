// The sprites' geometry: atlas rows, facing corners and flame fins. No GL.
#include "combat/sprites.h"

#include "math/rotations.h"

namespace tv {

AtlasRows ExplosionFrameRows(const T_Explosion_System& set, int32_t frame) {
    if (set.AtlasHeight == 0) return {};
    const float h = static_cast<float>(set.FrameHeight);
    const float atlas = static_cast<float>(set.AtlasHeight);
    return {static_cast<float>(frame) * h / atlas, static_cast<float>(frame + 1) * h / atlas};
}

std::array<Vec3, 4> FacingCorners(const float m[16], const Vec3& p, float s) {
    const Vec3 r{m[0], m[4], m[8]};
    const Vec3 u{m[1], m[5], m[9]};
    auto corner = [&](float a, float b) {
        return Vec3{p.x + s * (a * r.x + b * u.x), p.y + s * (a * r.y + b * u.y), p.z + s * (a * r.z + b * u.z)};
    };
    return {corner(-1, -1), corner(1, -1), corner(-1, 1), corner(1, 1)};
}

float NextFlameAngle(float angleDeg) {
    angleDeg += 36.0f;
    return angleDeg > 360.0f ? 0.0f : angleDeg;
}

void AdvanceFlameAngle(T_Fire_Jet& flame) { flame.Angle = NextFlameAngle(flame.Angle); }

std::array<FinCorners, 11> FlameFins(float width, float angleDeg) {
    FinCorners c = {{{-width / 2, 0}, {width / 2, 0}, {width / 2, 0}, {-width / 2, 0}}};
    std::array<FinCorners, 11> fins{};
    for (auto& fin : fins) {
        for (auto& p : c) Rotate2D(p[0], p[1], angleDeg);
        fin = c;
    }
    return fins;
}

}  // namespace tv
