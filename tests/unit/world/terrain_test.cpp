// Terrain mesh building (client-array mode needs no GL) and the cell lookup that the turret
// and the aircraft use to find the ground.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

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

}  // namespace
}  // namespace tv
