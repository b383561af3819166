// The bullet pools' sprites from the generated data set, drawn in a real GL context.
#include <epoxy/gl.h>

#include <cstdlib>

#include "combat/bullets.h"
#include "gl_context.h"
#include "render/gl/texture.h"

namespace tv::test {
namespace {

class BulletsGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        InitImageLibrary();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-10, 10, -10, 10, -10, 10);  // 12.8 pixels per unit
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
    }
    // Summed brightness inside and outside a square of half side `half` pixels at the centre.
    void Light(int half, long& inside, long& outside) {
        const Pixels px = ReadPixels(0, 0, kWidth, kHeight);
        inside = outside = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t* p = px.At(x, y);
                const bool in = std::abs(x - kWidth / 2) <= half && std::abs(y - kHeight / 2) <= half;
                (in ? inside : outside) += p[0] + p[1] + p[2];
            }
    }
    const std::string root = std::string(TERRAVIK_GAME_DIR) + "/";
};

TEST_F(BulletsGl, ShellsShowTheirFlightSpriteThenTheImpactAndRestoreState) {
    T_Bullets_System_Turel pool;
    pool.Init();
    pool.LoadTextures(gpu.get(), root);
    ASSERT_EQ(pool.SpriteSets.size(), 1u);
    ASSERT_EQ(pool.SpriteSets[0].Textures.size(), 2u);
    ASSERT_EQ(pool.Impact.Textures.size(), 3u);
    EXPECT_TRUE(glIsTexture(pool.SpriteSets[0].Textures[1]));

    long in = 0, out = 0;
    glClear(GL_COLOR_BUFFER_BIT);
    pool.DrawShells();  // empty pool: nothing
    Light(kWidth, in, out);
    EXPECT_EQ(in + out, 0);

    pool.FireShell({0, 0, 0}, {0, 0, 5}, 800.0f, 0.7f, 0.1f, 0);  // flies away from the eye
    glClear(GL_COLOR_BUFFER_BIT);
    pool.DrawShells();
    Light(5, in, out);  // 0.3 units: about 4 pixels each way
    EXPECT_GT(in, 0);
    EXPECT_EQ(out, 0);

    pool.Bullets[0].Exploding = 1;
    pool.Bullets[0].Frame = 6.0f;
    glClear(GL_COLOR_BUFFER_BIT);
    pool.DrawShells();
    Light(65, in, out);  // 5 units: 64 pixels each way
    EXPECT_GT(in, 0);
    EXPECT_EQ(out, 0);

    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    EXPECT_EQ(GlError(), 0u);
}

TEST_F(BulletsGl, ShotsDrawOnlyWhileFlying) {
    T_Bullets_System_Planes pool;
    pool.Init();
    pool.LoadTextures(gpu.get(), root);
    pool.FireShot(0, {0, 0, 0}, {0, 0, 5}, 0.1f, 0.01f);
    long in = 0, out = 0;
    glClear(GL_COLOR_BUFFER_BIT);
    pool.DrawShots();
    Light(40, in, out);  // 3 units: about 38 pixels each way
    EXPECT_GT(in, 0);
    EXPECT_EQ(out, 0);

    pool.Bullets[0].Exploding = 1;
    glClear(GL_COLOR_BUFFER_BIT);
    pool.DrawShots();
    Light(kWidth, in, out);
    EXPECT_EQ(in + out, 0);
    EXPECT_EQ(GlError(), 0u);
}

}  // namespace
}  // namespace tv::test
