// The turret and the sprites in a real GL context: the turret from the generated data set
// standing on its ground, drawn with its beams and sight, and an atlas frame on screen.
#include <epoxy/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "combat/sprites.h"
#include "combat/turret.h"
#include "common/data_paths.h"
#include "game_data_gl.h"
#include "gl_context.h"
#include "math/vector_math.h"
#include "platform/paths.h"
#include "render/gl/texture.h"
#include "world/terrain.h"

namespace tv::test {
namespace {

using TurretGl = GameDataGlTest;

TEST_F(TurretGl, GeneratedTurretStandsOnItsGroundAndDrawsBeamsAndSight) {
    std::unique_ptr<TTurel> turret;
    InitTurret(turret, root, true, nullptr, gpu.get());
    ASSERT_TRUE(turret);
    EXPECT_EQ(turret->Model->Animations.size(), 1u);
    // Four distinct marker triangles, none of them triangle 0.
    EXPECT_GT(turret->MarkerTri1, 0);
    EXPECT_NE(turret->MarkerTri1, turret->MarkerTri2);
    EXPECT_NE(turret->MarkerTri3, turret->MarkerTri4);
    EXPECT_TRUE(glIsTexture(turret->Sight.Texture));
    EXPECT_TRUE(glIsTexture(turret->RadarTexture()));

    TLand land;
    land.Load(DataPath(root, std::string(paths::kLevel) + std::string(paths::kTerrainSuffix)), root, gpu.get());
    // The ground under the turret's base is at the base's height.
    const Vec3& p = turret->Position;
    const TerrainCell cell = CellAt(land, p.x, p.y);
    ASSERT_TRUE(cell.inside);
    Vec3 hit;
    ASSERT_TRUE(SegmentCrossesCell(land, cell.i, cell.j, {p.x, p.y, p.z + 50}, {p.x, p.y, p.z - 50}, hit));
    EXPECT_NEAR(hit.z, p.z, 0.05f);

    // Level aim: the hills to the north stop the beams, at a whole number of cells.
    turret->LaserOn = 1;
    turret->Update(16, &land);
    EXPECT_GT(turret->Muzzle1.z, 4.0f);
    const float cellSize = land.Size / static_cast<float>(land.GridSize);
    EXPECT_LT(turret->BeamLength1, turret->BeamMaxLength);
    EXPECT_NEAR(std::remainder(turret->BeamLength1, cellSize), 0.0f, 1e-3f);
    // Raised 45 degrees they clear everything and keep their full length.
    turret->Pitch = -45.0f;
    turret->Update(16, &land);
    EXPECT_FLOAT_EQ(turret->BeamLength1, turret->BeamMaxLength);
    EXPECT_FLOAT_EQ(turret->BeamLength2, turret->BeamMaxLength);
    turret->Pitch = -5.0f;
    turret->Update(16, &land);

    // Seen from behind the turret like the game's camera: turret, beams and sight.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(500, 480, 9, 500, 700, 4.8, 0, 0, 1);
    double camera[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, camera);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    turret->DrawShadow({0.70710677f, 0.70710677f, 0});
    turret->Draw(camera);
    EXPECT_EQ(GlError(), 0u);
    // The model fills much of the middle of the bottom quarter.
    Pixels model = ReadPixels(0, 0, kWidth, kHeight);
    int lit = 0;
    for (int y = 0; y < kHeight / 4; ++y)
        for (int x = kWidth / 2 - 16; x < kWidth / 2 + 16; ++x) {
            const uint8_t* px = model.At(x, y);
            if (px[0] + px[1] + px[2] > 30) ++lit;
        }
    EXPECT_GT(lit, 32 * kHeight / 4 / 2);

    // The sight sits where the barrels point, 200 out: project it and find red there.
    turret->DrawSight(camera);
    EXPECT_EQ(GlError(), 0u);
    const Vec3 s = turret->SightPoint();
    double proj[16];
    int viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double wx = 0, wy = 0, wz = 0;
    ASSERT_TRUE(gluProject(s.x, s.y, s.z, camera, proj, viewport, &wx, &wy, &wz));
    Pixels sight = ReadPixels(0, 0, kWidth, kHeight);
    int red = 0;
    for (int y = int(wy) - 3; y <= int(wy) + 3; ++y)
        for (int x = int(wx) - 3; x <= int(wx) + 3; ++x) {
            const uint8_t* px = sight.At(x, y);
            if (px[0] > 100 && px[0] > 2 * px[1]) ++red;
        }
    EXPECT_GT(red, 0) << "no sight at " << wx << ", " << wy;

    turret->DrawRadar(25.6f, 25.6f, 19.2f, 200.0f, kWidth, kHeight);
    EXPECT_EQ(GlError(), 0u);
    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(TurretGl, ExplosionFrameShowsItsRowsOfTheAtlasAndWrapsPastTheStrip) {
    // A 4 x 8 atlas of two frames: rows 0-3 red, rows 4-7 green.
    std::vector<uint8_t> img(4 * 8 * 4, 255);
    for (int row = 0; row < 8; ++row)
        for (int x = 0; x < 4; ++x) {
            uint8_t* px = &img[(row * 4 + x) * 4];
            px[0] = row < 4 ? 255 : 0;
            px[1] = row < 4 ? 0 : 255;
            px[2] = 0;
        }
    T_Explosion_System set;
    set.Textures.push_back(gpu->AdoptTexture(LoadTextureFromImage({4, 8, 4, img})).id());  // left bound
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);

    set.Size = 0.5f;
    set.AtlasHeight = 8;
    set.FrameHeight = 4;
    set.FrameCount = 2;

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    auto centre = [&](int frame) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawExplosionFrame(set, frame, 0, 0, 0, 0);
        Pixels p = ReadPixels(kWidth / 2, kHeight / 2, 1, 1);
        return std::array<int, 3>{p.rgba[0], p.rgba[1], p.rgba[2]};
    };
    EXPECT_EQ(centre(0), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(centre(1), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(centre(2), (std::array<int, 3>{255, 0, 0}));  // past the strip: frame 0 again
    // The quad is the sprite's size: half extent 0.5 covers the middle half of the view.
    glClear(GL_COLOR_BUFFER_BIT);
    DrawExplosionFrame(set, 0, 0, 0, 0, 0);
    EXPECT_EQ(ReadPixels(kWidth / 4 + 2, kHeight / 2, 1, 1).rgba[0], 255);
    EXPECT_EQ(ReadPixels(kWidth / 4 - 2, kHeight / 2, 1, 1).rgba[0], 0);
    // A layer that does not exist draws nothing; the state is restored either way.
    glClear(GL_COLOR_BUFFER_BIT);
    DrawExplosionFrame(set, 0, 3, 0, 0, 0);
    EXPECT_EQ(ReadPixels(kWidth / 2, kHeight / 2, 1, 1).rgba[0], 0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    EXPECT_EQ(GlError(), 0u);
}

}  // namespace
}  // namespace tv::test
