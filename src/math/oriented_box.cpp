#include "math/oriented_box.h"

#include "math/rotations.h"

namespace tv {

std::array<Vec3, 8> OrientedBoxCorners(const TCUB& box) {
    const Vec3& dims = box.Dimensions();
    const Vec3& pos = box.Position();
    const Vec3& pivot = box.Pivot();
    const Vec3& ang = box.DrawAngles();
    const float hw = dims.x / 2.0f, len = dims.y, hh = dims.z / 2.0f;
    std::array<Vec3, 8> c = {{{-hw, 0, hh},
                              {hw, 0, hh},
                              {hw, 0, -hh},
                              {-hw, 0, -hh},
                              {-hw, len, hh},
                              {hw, len, hh},
                              {hw, len, -hh},
                              {-hw, len, -hh}}};
    for (Vec3& v : c) {
        v.x += pos.x;
        v.y += pos.y;
        v.z += pos.z;
        RotateAround(v.z, v.y, ang.x, pivot.z, pivot.y);
        RotateAround(v.z, v.x, ang.y, pivot.z, pivot.x);
        RotateAround(v.x, v.y, ang.z, pivot.x, pivot.y);
    }
    return c;
}

}  // namespace tv
