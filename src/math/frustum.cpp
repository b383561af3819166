#include "math/frustum.h"

#include <cmath>

namespace tv {

void Frustum::CalculateFrom(const float P[16], const float M[16]) {
    double clip[16];
    for (int r = 0; r < 4; ++r) {
        for (int k = 0; k < 4; ++k) {
            clip[4 * r + k] =
                static_cast<double>(M[4 * r]) * P[k] + static_cast<double>(M[4 * r + 1]) * P[4 + k] +
                static_cast<double>(M[4 * r + 2]) * P[8 + k] + static_cast<double>(M[4 * r + 3]) * P[12 + k];
        }
    }
    // Right, left, bottom, top, far, near: the w column plus or minus the x, y, z column.
    static constexpr int kColumn[6] = {0, 0, 1, 1, 2, 2};
    static constexpr double kSign[6] = {-1.0, 1.0, 1.0, -1.0, -1.0, 1.0};
    for (int p = 0; p < 6; ++p) {
        double plane[4];
        for (int i = 0; i < 4; ++i) {
            plane[i] = clip[4 * i + 3] + kSign[p] * clip[4 * i + kColumn[p]];
        }
        const double len = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
        for (int i = 0; i < 4; ++i) planes[p][i] = static_cast<float>(plane[i] / len);
    }
}

bool Frustum::PointInFrustum(float x, float y, float z) const {
    for (const auto& p : planes) {
        if (static_cast<double>(p[0]) * x + static_cast<double>(p[1]) * y + static_cast<double>(p[2]) * z +
                p[3] <=
            0.0) {
            return false;
        }
    }
    return true;
}

bool Frustum::SphereInFrustum(float x, float y, float z, float radius) const {
    for (const auto& p : planes) {
        if (static_cast<double>(p[0]) * x + static_cast<double>(p[1]) * y + static_cast<double>(p[2]) * z +
                p[3] <=
            -static_cast<double>(radius)) {
            return false;
        }
    }
    return true;
}

}  // namespace tv
