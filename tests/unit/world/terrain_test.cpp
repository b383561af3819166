// Terrain mesh building (client-array mode needs no GL) and the cell lookup that the turret
// and the aircraft use to find the ground.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "math/frustum.h"
#include "world/terrain.h"

namespace tv {
namespace {

// An N x N terrain of side S in client-array mode with heights from f(i, j).
template <typename F>
void BuildGrid(TLand& land, int n, float s, F height) {
    land.RenderMode = 2;
    std::vector<float> h;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j) h.push_back(height(i, j));
    std::vector<float> uv(static_cast<size_t>(n) * n * 12);
    for (size_t k = 0; k < uv.size(); ++k) uv[k] = static_cast<float>(k);
    land.BuildMesh(n, s, h, uv);
}

TEST(Terrain, OneCellGridHasTwoTrianglesInVertexOrder) {
    TLand land;
    BuildGrid(land, 1, 10.0f, [](int i, int j) { return float(i * 10 + j); });
    EXPECT_EQ(land.TriangleCount, 2);
    ASSERT_EQ(land.Positions.size(), 18u);  // six corners
    ASSERT_EQ(land.TexCoords2.size(), 12u);
    // A = (0,0) (0,1) (1,0); B = (0,1) (1,1) (1,0).
    const float expected[18] = {0, 0, 0, 0, 10, 1, 10, 0, 10, 0, 10, 1, 10, 10, 11, 10, 0, 10};
    for (int k = 0; k < 18; ++k) EXPECT_FLOAT_EQ(land.Positions[k], expected[k]) << k;
    for (int k = 0; k < 12; ++k) EXPECT_FLOAT_EQ(land.TexCoords2[k], float(k)) << k;
    EXPECT_EQ(land.Built, 1);
    EXPECT_EQ(land.VertexBuffer, 0u);  // client arrays only
}

TEST(Terrain, NormalsAreFlatAndPointUp) {
    TLand flat;
    BuildGrid(flat, 3, 30.0f, [](int, int) { return 5.0f; });
    for (int t = 0; t < flat.TriangleCount; ++t) {
        for (int c = 0; c < 3; ++c) {
            const Vec3& n = flat.Normals[static_cast<size_t>(t) * 3 + c];
            EXPECT_FLOAT_EQ(n.x, 0.0f);
            EXPECT_FLOAT_EQ(n.y, 0.0f);
            EXPECT_FLOAT_EQ(n.z, 1.0f);
        }
    }
    // Ground rising along x (z = x): the normal leans back against the slope, still upward.
    TLand slope;
    BuildGrid(slope, 2, 2.0f, [](int i, int) { return float(i); });
    const float r = 1.0f / std::sqrt(2.0f);
    for (int t = 0; t < slope.TriangleCount; ++t) {
        EXPECT_NEAR(slope.TriangleNormal(t).x, -r, 1e-6);
        EXPECT_NEAR(slope.TriangleNormal(t).y, 0.0f, 1e-6);
        EXPECT_NEAR(slope.TriangleNormal(t).z, r, 1e-6);
    }
}

TEST(Terrain, RejectsEmptyOrHugeGrid) {
    TLand land;
    EXPECT_THROW(land.BuildMesh(0, 10.0f, {}, {}), std::invalid_argument);
    EXPECT_THROW(land.BuildMesh(-3, 10.0f, {}, {}), std::invalid_argument);
    EXPECT_THROW(land.BuildMesh(kMaxTerrainGridSize + 1, 10.0f, {}, {}), std::invalid_argument);
    EXPECT_EQ(land.Built, 0);
}

TEST(Terrain, MissingValuesCountAsZero) {
    TLand land;
    land.RenderMode = 2;
    land.BuildMesh(2, 4.0f, {7.0f}, {});
    EXPECT_FLOAT_EQ(land.Vertex(0, 0).z, 7.0f);
    EXPECT_FLOAT_EQ(land.Vertex(2, 2).z, 0.0f);
    EXPECT_FLOAT_EQ(land.Vertex(2, 1).y, 2.0f);
}

TEST(Terrain, CellLookupTruncatesTowardZero) {
    TLand land;
    BuildGrid(land, 4, 40.0f, [](int, int) { return 0.0f; });  // step 10
    const float step = 10.0f;
    TerrainCell c = CellAt(land, -0.25f * step, 15.0f);
    EXPECT_TRUE(c.inside);
    EXPECT_EQ(c.i, 0);
    EXPECT_EQ(c.j, 1);
    c = CellAt(land, 39.9f, 0.0f);
    EXPECT_TRUE(c.inside);
    EXPECT_EQ(c.i, 3);
    EXPECT_FALSE(CellAt(land, 40.0f, 5.0f).inside);  // at S
    EXPECT_FALSE(CellAt(land, 5.0f, 40.0f).inside);
    EXPECT_FALSE(CellAt(land, -step, 5.0f).inside);  // at -step
    EXPECT_FALSE(CellAt(land, 5.0f, -1.5f * step).inside);
    EXPECT_FALSE(CellAt(land, std::numeric_limits<float>::quiet_NaN(), 5.0f).inside);
    EXPECT_FALSE(CellAt(land, 1e30f, 5.0f).inside);
    TLand empty;
    EXPECT_FALSE(CellAt(empty, 1.0f, 1.0f).inside);
}

TEST(Terrain, SegmentCrossesCellFindsTheGround) {
    TLand land;
    // Cell (1, 1) of a grid with step 10, heights z = i + j.
    BuildGrid(land, 3, 30.0f, [](int i, int j) { return float(i + j); });
    Vec3 hit;
    // Straight down through triangle A's interior, near corner (1, 1) at height 2.
    ASSERT_TRUE(SegmentCrossesCell(land, 1, 1, {12, 12, 50}, {12, 12, -50}, hit));
    EXPECT_NEAR(hit.x, 12.0f, 1e-4);
    EXPECT_NEAR(hit.z, 2.4f, 1e-4);  // the plane z = (x + y) / 10
    // Through triangle B, near corner (2, 2).
    ASSERT_TRUE(SegmentCrossesCell(land, 1, 1, {18, 18, 50}, {18, 18, -50}, hit));
    EXPECT_NEAR(hit.z, 3.6f, 1e-4);
    // A segment that stops above the ground, and one over another cell.
    EXPECT_FALSE(SegmentCrossesCell(land, 1, 1, {12, 12, 50}, {12, 12, 10}, hit));
    EXPECT_FALSE(SegmentCrossesCell(land, 1, 1, {25, 25, 50}, {25, 25, -50}, hit));
    EXPECT_FALSE(SegmentCrossesCell(land, 3, 0, {35, 5, 50}, {35, 5, -50}, hit));  // outside the grid
}


// A camera at `eye` looking along yaw (radians from +x) and pitch, z up, as column-major
// projection and modelview matrices for a 60-degree, 4:3 perspective.
Frustum CameraFrustum(Vec3 eye, float yaw, float pitch, float farDistance) {
    const float f = 1.0f / std::tan(0.5236f), n = 1.0f, a = 4.0f / 3.0f;
    const float p[16] = {f / a, 0, 0, 0, 0, f, 0, 0, 0, 0, (farDistance + n) / (n - farDistance), -1,
                         0, 0, 2 * farDistance * n / (n - farDistance), 0};
    const Vec3 fw{std::cos(pitch) * std::cos(yaw), std::cos(pitch) * std::sin(yaw), std::sin(pitch)};
    Vec3 s{fw.y, -fw.x, 0.0f};  // forward x up
    const float sl = std::sqrt(s.x * s.x + s.y * s.y);
    s = {s.x / sl, s.y / sl, 0.0f};
    const Vec3 u{s.y * fw.z - s.z * fw.y, s.z * fw.x - s.x * fw.z, s.x * fw.y - s.y * fw.x};
    auto dot = [](Vec3 v, Vec3 w) { return v.x * w.x + v.y * w.y + v.z * w.z; };
    const float m[16] = {s.x,  u.x, -fw.x, 0, s.y, u.y, -fw.y, 0, s.z, u.z, -fw.z, 0,
                         -dot(s, eye), -dot(u, eye), dot(fw, eye), 1};
    Frustum view;
    view.CalculateFrom(p, m);
    return view;
}

TEST(Terrain, VisibleRangesHoldEveryTriangleInViewOnceNearestChunkFirst) {
    TLand land;
    const int n = 40;  // chunks of 16, 16 and 8 cells a side
    BuildGrid(land, n, 4000.0f, [](int i, int j) { return 300.0f * std::sin(i * 0.4f) * std::cos(j * 0.3f); });
    ASSERT_EQ(land.Chunks.size(), 9u);
    struct Camera {
        Vec3 eye;
        float yaw, pitch, farDistance;
        bool seesAll;
    };
    const Camera cameras[] = {
        {{2000, 2000, 20000}, 0.0f, -1.5707f, 40000.0f, true},  // high above, looking down
        {{200, 200, 350}, -0.9f, 0.0f, 8000.0f, false},        // from a corner, half off the map
        {{2000, 2000, 100}, 3.9f, -0.3f, 8000.0f, false},      // from the middle, down and back
        {{3000, 1000, 500}, 2.0f, 0.2f, 1500.0f, false},       // a near far plane
        {{-5000, 2000, 100}, 3.1416f, 0.0f, 8000.0f, false},   // off the map, looking away
    };
    VertexRanges ranges;
    for (const Camera& c : cameras) {
        SCOPED_TRACE(c.yaw);
        const Frustum view = CameraFrustum(c.eye, c.yaw, c.pitch, c.farDistance);
        land.VisibleRanges(view, c.eye, ranges);
        ASSERT_EQ(ranges.first.size(), ranges.count.size());
        std::vector<int> drawn(static_cast<size_t>(land.TriangleCount), 0);
        std::vector<float> chunkDistance;
        for (size_t r = 0; r < ranges.first.size(); ++r) {
            ASSERT_EQ(ranges.first[r] % 3, 0);
            ASSERT_EQ(ranges.count[r] % 3, 0);
            ASSERT_LE(ranges.first[r] + ranges.count[r], 3 * land.TriangleCount);
            for (int t = ranges.first[r] / 3; t < (ranges.first[r] + ranges.count[r]) / 3; ++t) drawn[t]++;
        }
        int total = 0;
        for (int t = 0; t < land.TriangleCount; ++t) {
            ASSERT_LE(drawn[t], 1) << "triangle " << t << " drawn twice";
            total += drawn[t];
            if (drawn[t]) continue;
            // Corners, edge middles and the centre of a triangle left out must all be outside.
            const int cell = t / 2, i = cell / n, j = cell % n;
            const CellTriangles tri = TrianglesOfCell(land, i, j);
            const Vec3* v = t % 2 ? tri.b : tri.a;
            for (float wa : {0.0f, 0.5f, 1.0f, 1.0f / 3})
                for (float wb : {0.0f, 0.5f, 1.0f, 1.0f / 3}) {
                    const float wc = 1.0f - wa - wb;
                    if (wc < -1e-6f || (wa == 1.0f / 3) != (wb == 1.0f / 3)) continue;
                    ASSERT_FALSE(view.PointInFrustum(wa * v[0].x + wb * v[1].x + wc * v[2].x,
                                                     wa * v[0].y + wb * v[1].y + wc * v[2].y,
                                                     wa * v[0].z + wb * v[1].z + wc * v[2].z))
                        << "triangle " << t << " shows but is not drawn";
                }
        }
        if (c.seesAll) {
            EXPECT_EQ(total, land.TriangleCount);
        } else {
            EXPECT_LT(total, land.TriangleCount) << "this view should leave some ground out";
        }
        // Chunk by chunk (a chunk's first range starts at its first row), nearest first.
        float last = -1.0f;
        for (size_t r = 0; r < ranges.first.size(); ++r) {
            const int cell = ranges.first[r] / 6, i = cell / n, j = cell % n;
            for (const TerrainChunk& ch : land.Chunks) {
                if (ch.firstRow != i || ch.firstColumn != j) continue;
                const float dx = ch.centre.x - c.eye.x, dy = ch.centre.y - c.eye.y, dz = ch.centre.z - c.eye.z;
                const float d = dx * dx + dy * dy + dz * dz;
                EXPECT_GE(d, last);
                last = d;
            }
        }
    }
    // An infinite height cannot rule its chunk out.
    BuildGrid(land, n, 4000.0f, [](int i, int j) { return i == 35 && j == 35 ? INFINITY : 0.0f; });
    land.VisibleRanges(CameraFrustum({200, 200, 50}, 0.7f, 0.0f, 300.0f), {200, 200, 50}, ranges);
    EXPECT_NE(std::find(ranges.first.begin(), ranges.first.end(), 6 * (32 * n + 32)), ranges.first.end());
}

}  // namespace
}  // namespace tv
