// The generator's building blocks: closed, outward-facing meshes (also after mirroring and for
// concave outlines), atlas texturing, the model builders' texture-coordinate conventions,
// tileable noise, and image encoders whose rows reach the game in the painted order.

#include <IL/il.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <tuple>

#include "common/binary_io.h"
#include "image.h"
#include "mesh.h"
#include "model_build.h"

namespace tv::datagen {
namespace {

// Signed volume by the divergence theorem: positive when every face points outwards.
float Volume(const Mesh& m) {
    double v = 0;
    for (auto& t : m.Triangles()) v += Dot(t.v[0].pos, Cross(t.v[1].pos, t.v[2].pos)) / 6.0;
    return static_cast<float>(v);
}

// Every edge used exactly once in each direction: a closed, consistently wound surface.
bool Closed(const Mesh& m) {
    std::multiset<std::tuple<long, long, long, long, long, long>> edges;
    auto key = [](V3 p) { return std::make_tuple(std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000)); };
    for (auto& t : m.Triangles())
        for (int i = 0; i < 3; ++i) {
            auto a = key(t.v[i].pos), b = key(t.v[(i + 1) % 3].pos);
            edges.insert(std::tuple_cat(a, b));
        }
    for (auto& e : edges) {
        auto reverse = std::make_tuple(std::get<3>(e), std::get<4>(e), std::get<5>(e), std::get<0>(e), std::get<1>(e), std::get<2>(e));
        if (edges.count(reverse) != edges.count(e)) return false;
    }
    return true;
}

void ExpectNormalsMatchWinding(const Mesh& m) {
    for (auto& t : m.Triangles()) {
        V3 n = Normalised(Cross(t.v[1].pos - t.v[0].pos, t.v[2].pos - t.v[0].pos));
        for (auto& v : t.v) ASSERT_GT(Dot(n, v.normal), 0.99f);
    }
}

TEST(MeshToolkit, PrimitivesAreClosedAndFaceOutwards) {
    Mesh box;
    box.Box({1, 2, 3}, {2, 3, 4});
    EXPECT_NEAR(Volume(box), 24.0f, 1e-3f);
    EXPECT_TRUE(Closed(box));

    Mesh tube;
    tube.Tube(0, 0, -1, 2, 1.0f, 0.5f, 16, true, true);
    float frustum = 3.14159f * 3 / 3 * (1 + 0.5f + 0.25f);  // truncated cone
    EXPECT_NEAR(Volume(tube), frustum, frustum * 0.05f);
    EXPECT_TRUE(Closed(tube));

    Mesh sphere;
    sphere.Sphere({0, 0, 0}, 2.0f, 12, 16, {1, 1, 0.5f});
    EXPECT_NEAR(Volume(sphere), 4.18879f * 8 * 0.5f, 4.18879f * 8 * 0.5f * 0.08f);
    EXPECT_TRUE(Closed(sphere));

    Mesh inward;
    inward.Sphere({0, 0, 0}, 2.0f, 12, 16, {1, 1, 1}, true);
    EXPECT_LT(Volume(inward), 0.0f);  // the sky is seen from within
    for (const Mesh* m : {&box, &tube, &sphere}) ExpectNormalsMatchWinding(*m);
}

TEST(MeshToolkit, MirroringKeepsFacesOutwards) {
    Mesh m;
    m.Tube(0, 0, 0, 3, 1.0f, 1.0f, 12, true, true);
    float before = Volume(m);
    m.TransformSince(0, Xform::Scale({-1, 1, 2}));
    EXPECT_NEAR(Volume(m), 2 * before, std::fabs(before) * 1e-3f);
    ExpectNormalsMatchWinding(m);
}

TEST(MeshToolkit, ConcaveOutlinesExtrudeToTheirExactArea) {
    // A W-shaped trailing edge, as on the flying wing: a fan from the centroid would spill
    // outside the notches.
    std::vector<std::pair<float, float>> w = {{0, 7.5f}, {-9.8f, -3.2f}, {-7, -6}, {-4.2f, -3.6f}, {-1.6f, -8},
                                              {0, -8},   {1.6f, -8},     {4.2f, -3.6f}, {7, -6}, {9.8f, -3.2f}};
    double area = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        auto a = w[i], b = w[(i + 1) % w.size()];
        area += (a.first * b.second - b.first * a.second) / 2;
    }
    ASSERT_GT(area, 0);  // counter-clockwise
    Mesh m;
    m.Extrude(w, 0.5f, Xform{});
    EXPECT_NEAR(Volume(m), area * 0.5, area * 0.5 * 1e-3);
    EXPECT_TRUE(Closed(m));
    // No cap triangle folds back over the notches (the signed volume alone would not show it).
    for (auto& t : m.Triangles()) {
        V3 n = Normalised(Cross(t.v[1].pos - t.v[0].pos, t.v[2].pos - t.v[0].pos));
        if (t.v[0].pos.z == t.v[1].pos.z && t.v[1].pos.z == t.v[2].pos.z) {
            EXPECT_FLOAT_EQ(n.z, t.v[0].pos.z > 0 ? 1.0f : -1.0f);
        }
    }
}

TEST(MeshToolkit, WingsFaceOutwardsOnBothSides) {
    for (float side : {1.0f, -1.0f}) {
        Mesh m;
        m.Wing({0, 0, 0}, {0, side, 0}, {-1, 0, 0}, 6, 3, 2, 1, 0.4f);
        EXPECT_GT(Volume(m), 0.0f) << "side " << side;
        float zmax = -1e9f, zmin = 1e9f;
        for (auto& t : m.Triangles())
            for (auto& v : t.v) zmax = std::max(zmax, v.pos.z), zmin = std::min(zmin, v.pos.z);
        EXPECT_NEAR(zmax, 0.0f, 1e-4f);  // the leading edge at the root, chords towards the tail
        EXPECT_LT(zmin, -2.9f);
    }
}

TEST(MeshToolkit, CrumpleMovesSharedCornersTogether) {
    Mesh m;
    m.Box({0, 0, 0}, {2, 2, 2});
    Crumple(m, 0.3f, 5);
    EXPECT_TRUE(Closed(m));
    EXPECT_GT(Volume(m), 4.0f);
}

TEST(Atlas, TrianglesLandInTheirMaterialAndShadeCell) {
    AtlasLayout layout;
    layout.texturePixels = 512;
    Mesh m;
    m.material = 2;
    m.Box({0, 0, 0}, {1, 1, 1});
    m.material = 0;
    m.Box({3, 0, 0}, {1, 2, 1});
    AssignAtlasUv(m, layout, {0, 0, 1});
    const float cell = 1.0f / 4;
    for (auto& t : m.Triangles()) {
        V3 n = t.v[0].normal;
        int expectLevel = n.z > 0.5f ? 0 : 3;  // lit from straight above; sides and bottom darkest
        for (auto& v : t.v) {
            EXPECT_GE(v.row, t.material * cell);
            EXPECT_LE(v.row, (t.material + 1) * cell);
            EXPECT_GE(v.u, expectLevel * cell) << n.x << " " << n.y << " " << n.z;
            EXPECT_LE(v.u, (expectLevel + 1) * cell);
        }
    }
    // A window keeps the projection inside that part of each cell.
    layout.windowLo = 0.25f;
    layout.windowHi = 0.45f;
    AssignAtlasUv(m, layout, {0, 0, 1});
    for (auto& t : m.Triangles())
        for (auto& v : t.v) {
            float inCellU = std::fmod(v.u, cell) / cell, inCellRow = std::fmod(v.row, cell) / cell;
            EXPECT_GE(inCellU, 0.24f);
            EXPECT_LE(inCellU, 0.46f);
            EXPECT_GE(inCellRow, 0.24f);
            EXPECT_LE(inCellRow, 0.46f);
        }
    // The painted atlas darkens from the first shade column to the last.
    Image img = PaintAtlas(layout, [](int, float, float) { return Rgba{0.8f, 0.6f, 0.4f, 1}; });
    float previous = 2;
    for (int level = 0; level < 4; ++level) {
        float r = img.At(level * 128 + 64, 64).r;
        EXPECT_LT(r, previous);
        previous = r;
    }
    EXPECT_FLOAT_EQ(img.At(64, 64).r, 0.8f);
}

TEST(ModelBuild, TextureRowsFollowEachTypesUpload) {
    Mesh m;
    m.group = 1;
    m.Triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0.1f, 0.25f, 0.2f, 0.25f, 0.3f, 0.25f);
    m.group = 0;
    m.Triangle({0, 0, 1}, {1, 0, 1}, {0, 1, 1}, 0.1f, 0.5f, 0.2f, 0.5f, 0.3f, 0.5f);
    ModelFile stat = StaticModel(m, {"a.jpg", "b.jpg"});
    // Groups are consecutive in texture order: group 0's triangle comes first.
    ASSERT_EQ(stat.DrawGroups.size(), 2u);
    EXPECT_EQ(stat.DrawGroups[0].triangleCount, 1);
    EXPECT_EQ(stat.DrawGroups[1].triangleCount, 1);
    EXPECT_FLOAT_EQ(stat.Triangles[0].v[0].position.z, 1.0f);
    // Type 2 is uploaded with t flipped, so the stored t is 1 - row; type 4 is sent as stored.
    EXPECT_FLOAT_EQ(stat.Triangles[1].v[0].t, 0.75f);
    ModelFile cpu = CpuSkinnedModel(m, {-1}, {RestBone{}}, {"a.jpg", "b.jpg"}, nullptr);
    EXPECT_FLOAT_EQ(cpu.Triangles[1].v[0].t, 0.25f);
    EXPECT_EQ(cpu.ModelType, ModelType::CpuSkinned);
    // The box encloses the mesh, and survives a write/read round trip.
    ModelFile back = ReadModel(WriteModel(stat), "built.3dk");
    EXPECT_FLOAT_EQ(back.BoxSize.z, 1.0f);
    EXPECT_FLOAT_EQ(back.BoxCentre.z, 0.5f);
}

TEST(Noise, PeriodicNoiseTiles) {
    for (float x : {0.1f, 1.7f, 3.3f})
        for (float y : {0.4f, 2.2f}) {
            EXPECT_NEAR(Fbm2(x, y, 9, 4, 4), Fbm2(x + 4, y, 9, 4, 4), 1e-5f);
            EXPECT_NEAR(Fbm2(x, y, 9, 4, 4), Fbm2(x, y + 4, 9, 4, 4), 1e-5f);
        }
    // Without a period it does not repeat there.
    EXPECT_GT(std::fabs(Fbm2(0.3f, 0.3f, 9, 4) - Fbm2(4.3f, 0.3f, 9, 4)), 1e-4f);
}

// Both encoders: rows reach the game (DevIL, no origin mode) in the order they were painted.
TEST(Encoders, RowsKeepTheirOrderThroughTheGamesLoader) {
    ilInit();
    Image img(16, 16, {0, 0, 0, 1});
    for (int x = 0; x < 16; ++x)
        for (int row = 0; row < 4; ++row) img.At(x, row) = {1, 1, 1, 1};  // bright top band
    std::filesystem::path dir = std::filesystem::path(TERRAVIK_TEST_TMP);
    std::filesystem::create_directories(dir);
    for (bool jpeg : {true, false}) {
        std::string path = (dir / (jpeg ? "rows.jpg" : "rows.png")).string();
        WriteWholeFile(path, jpeg ? EncodeJpeg(img) : EncodePng(img, true));
        ILuint id;
        ilGenImages(1, &id);
        ilBindImage(id);
        ASSERT_TRUE(ilLoadImage(path.c_str())) << path;
        std::vector<uint8_t> px(16 * 16 * 3);
        ilCopyPixels(0, 0, 0, 16, 16, 1, IL_RGB, IL_UNSIGNED_BYTE, px.data());
        ilDeleteImages(1, &id);
        EXPECT_GT(px[16 * 3 * 1 + 8 * 3], 200) << path;   // row 1: bright
        EXPECT_LT(px[16 * 3 * 12 + 8 * 3], 50) << path;   // row 12: dark
    }
    EXPECT_EQ(EncodeJpeg(img), EncodeJpeg(img));
}

}  // namespace
}  // namespace tv::datagen
