// The grid's neighbour queries against a brute-force check: whatever the cell size, every point
// within reach is visited exactly once, only points above `after` are, and odd coordinates
// (huge, non-finite) neither crash nor drop a pair.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "math/point_grid.h"

namespace tv {
namespace {

TEST(PointGrid, QueriesVisitEveryPointWithinReachOnce) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-50.0f, 50.0f);
    std::vector<Vec3> pts(400);
    for (auto& p : pts) p = {coord(rng), coord(rng), coord(rng)};
    pts[1] = {1e30f, 0.0f, 0.0f};
    pts[2] = {std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.0f};
    pts[3] = pts[4];  // a point twice
    pts[5] = {pts[6].x + 6.0f, pts[6].y, pts[6].z};  // exactly at the reach
    const float reach = 6.0f;
    for (float cellPerReach : {1.0f, 2.0f, 3.0f}) {
        PointGrid grid;
        grid.Build(pts.data(), static_cast<int32_t>(pts.size()), reach * cellPerReach);
        for (int32_t i = 0; i < static_cast<int32_t>(pts.size()); ++i) {
            std::vector<int> seenNear(pts.size()), seenReach(pts.size());
            grid.ForEachNear(pts[i], [&](int32_t j) { return ++seenNear[j], true; }, i);
            grid.ForEachInReach(pts[i], reach, [&](int32_t j) { return ++seenReach[j], true; }, i);
            for (size_t j = 0; j < pts.size(); ++j) {
                SCOPED_TRACE(testing::Message() << "cell " << cellPerReach << " x reach, i " << i << ", j " << j);
                EXPECT_LE(seenReach[j], 1);
                EXPECT_LE(seenNear[j], 1);
                if (static_cast<int32_t>(j) <= i) {
                    EXPECT_EQ(seenReach[j] + seenNear[j], 0);
                    continue;
                }
                const float dx = pts[i].x - pts[j].x, dy = pts[i].y - pts[j].y, dz = pts[i].z - pts[j].z;
                if (std::sqrt(dx * dx + dy * dy + dz * dz) <= reach) {
                    EXPECT_EQ(seenReach[j], 1);
                    if (cellPerReach == 1.0f) {
                        EXPECT_EQ(seenNear[j], 1);
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace tv
