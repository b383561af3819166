// The terrain in a real GL context: the interleaved buffer's bytes, loading from a terrain
// file, and what both render modes put on screen seen from straight above.
#include <epoxy/gl.h>

#include <filesystem>

#include "common/binary_io.h"
#include "gl_context.h"
#include "render/gl/texture.h"
#include "world/terrain.h"
#include "world/terrain_file.h"

namespace tv::test {
namespace {

class TerrainGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        InitImageLibrary();
    }

    // A data root holding world/1.wrd.map (one 10 x 10 cell, u = i, v = j) and, as the last of
    // three names, world/ground.png: left half red, right half blue (16 x 16, so smoothing
    // filters only blur the seam).
    std::string MakeData(const std::string& name) {
        root = ScratchDir(name) + "/";
        std::filesystem::create_directories(root + "world");
        TerrainFile t;
        t.GridSize = 1;
        t.Size = 10.0f;
        t.Heights = {0, 0, 0, 0};
        // A: (0,0) (0,1) (1,0); B: (0,1) (1,1) (1,0); u follows i, v follows j.
        t.TexCoords = {0, 0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0};
        t.TextureNames = {"first.png", "second.png", "ground.png"};
        WriteWholeFile(root + "world/1.wrd.map", WriteTerrain(t));
        Pixels img;
        img.width = 16;
        img.height = 16;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const bool left = x < 8;
                img.rgba.insert(img.rgba.end(), {uint8_t(left ? 255 : 0), 0, uint8_t(left ? 0 : 255), 255});
            }
        }
        EXPECT_TRUE(WritePng(root + "world/ground.png", img));
        return root + "world/1.wrd.map";
    }

    // Looking straight down on the square 0..10: x to the right, y up the screen.
    void LookDown() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 10, 0, 10, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    void ExpectRedLeftBlueRight() {
        Pixels p = ReadPixels(0, 0, kWidth, kHeight);
        for (int y : {20, 128, 235}) {
            EXPECT_EQ(p.At(40, y)[0], 255) << y;
            EXPECT_EQ(p.At(40, y)[2], 0) << y;
            EXPECT_EQ(p.At(215, y)[0], 0) << y;
            EXPECT_EQ(p.At(215, y)[2], 255) << y;
        }
    }
    std::string root;
};

TEST_F(TerrainGl, OneCellBufferHoldsSixInterleavedVertices) {
    TLand land;
    land.Build(1, 10.0f, {1, 2, 3, 7}, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f, 1.1f, 1.2f});
    EXPECT_EQ(land.TriangleCount, 2);
    EXPECT_EQ(land.VertexBufferSize, 360);
    ASSERT_NE(land.VertexBuffer, 0u);
    glBindBuffer(GL_ARRAY_BUFFER, land.VertexBuffer);
    GLint size = 0;
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    ASSERT_EQ(size, 360);
    float v[90];
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, 360, v);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    // Vertex 0: A corner 1 = (0, 0, 1).
    const float v0[15] = {0.1f, 0.2f, 0, 1, 1, 1, 1, 1};
    for (int k = 0; k < 8; ++k) EXPECT_FLOAT_EQ(v[k], v0[k]) << k;
    EXPECT_FLOAT_EQ(v[11], 0.0f);
    EXPECT_FLOAT_EQ(v[13], 1.0f);
    EXPECT_FLOAT_EQ(v[14], 1.0f);
    // Vertex 4: B corner 2 = (10, 10, 7) with B's second texture pair.
    EXPECT_FLOAT_EQ(v[60], 0.9f);
    EXPECT_FLOAT_EQ(v[61], 1.0f);
    EXPECT_FLOAT_EQ(v[71], 10.0f);
    EXPECT_FLOAT_EQ(v[72], 10.0f);
    EXPECT_FLOAT_EQ(v[73], 7.0f);
    // Normals are the triangles' own: A's differs from B's on this twisted cell.
    EXPECT_NE(v[8 + 2], v[75 + 8 + 2]);
    EXPECT_FLOAT_EQ(v[8], land.TriangleNormal(0).x);
    EXPECT_FLOAT_EQ(v[75 + 8], land.TriangleNormal(1).x);
    EXPECT_EQ(GlError(), 0u);
}

TEST_F(TerrainGl, LoadUsesTheLastTextureNameAndDrawsItFromAbove) {
    const std::string path = MakeData("terrain_mode1");
    TLand land;
    land.Load(path, root, gpu.get());
    EXPECT_EQ(land.TextureNameCount, 3);
    EXPECT_EQ(land.TextureName, "ground.png");
    EXPECT_EQ(land.Built, 1);
    LookDown();
    land.Draw(1);
    EXPECT_EQ(GlError(), 0u);
    ExpectRedLeftBlueRight();
    // Texturing and every array the interleaved layout switched on are off again.
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    GLint bound = -1;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    // Untextured, after the buffer was unbound: the white per-vertex colours.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    land.Draw(0);
    Pixels p = ReadPixels(128, 128, 1, 1);
    EXPECT_EQ(p.At(0, 0)[0], 255);
    EXPECT_EQ(p.At(0, 0)[2], 255);
    EXPECT_EQ(GlError(), 0u);
}

TEST_F(TerrainGl, ClientArrayModeDrawsWithoutColoursOrNormals) {
    const std::string path = MakeData("terrain_mode2");
    TLand land;
    land.RenderMode = 2;
    land.Load(path, root, gpu.get());
    EXPECT_EQ(land.VertexBuffer, 0u);
    EXPECT_EQ(land.Positions.size(), 18u);
    EXPECT_EQ(land.TexCoords2.size(), 12u);
    LookDown();
    glColor3f(0.0f, 1.0f, 0.0f);  // the draw sets white itself
    land.Draw(1);
    EXPECT_EQ(GlError(), 0u);
    ExpectRedLeftBlueRight();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));  // this mode leaves texturing on
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
}

TEST_F(TerrainGl, MissingFileAndEmptyGridAreErrors) {
    root = ScratchDir("terrain_bad") + "/";
    TLand land;
    EXPECT_THROW(land.Load(root + "nothing.map", root, gpu.get()), DataError);
    ByteWriter w;
    w.I32(0);
    w.F32(10.0f);
    WriteWholeFile(root + "zero.map", w.Data());
    EXPECT_THROW(land.Load(root + "zero.map", root, gpu.get()), DataError);
    EXPECT_EQ(land.Built, 0);
}

}  // namespace
}  // namespace tv::test
