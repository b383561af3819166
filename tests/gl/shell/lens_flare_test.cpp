// The lens flare in a real context: visibility from the depth buffer, the fade, where the ten
// elements land, and the state it leaves behind.

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "gl_context.h"
#include "shell/lens_flare.h"

namespace tv::test {
namespace {

Texture FlatTexture(uint8_t level) { return LoadTextureFromImage({4, 4, 4, std::vector<uint8_t>(4 * 4 * 4, level)}); }

class LensFlareTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        flare.SunX = sunX;
        flare.SunY = sunY;
        flare.SunZ = 0.0;
        flare.SetScreenSize(kWidth, kHeight);
        flare.Ready = true;
        for (auto& t : flare.Textures) t = gpu->AdoptTexture(FlatTexture(255)).id();
        view.screenWidth = kWidth;
        view.screenHeight = kHeight;
        glClearColor(0, 0, 0, 1);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_TEXTURE_2D);
        PixelCamera();
    }
    // Window pixels as world units: the sun lands on (sunX, sunY) at window depth 0.5.
    void PixelCamera() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kWidth, 0, kHeight, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    // A square around the sun at depth z (world), written into the depth buffer only.
    void Cover(float half, float z) {
        glDisable(GL_TEXTURE_2D);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glBegin(GL_QUADS);
        glVertex3f(sunX - half, sunY - half, z);
        glVertex3f(sunX + half, sunY - half, z);
        glVertex3f(sunX + half, sunY + half, z);
        glVertex3f(sunX - half, sunY + half, z);
        glEnd();
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glEnable(GL_TEXTURE_2D);
    }
    void Frame(uint32_t ms) {
        view.frameMs = ms;
        flare.FlareDraw(view);
        PixelCamera();
    }
    static constexpr float sunX = 158, sunY = 148;
    TFlare flare;
    FlareView view;
};

TEST_F(LensFlareTest, FadesInWhileTheSunShowsAndOutOnceCovered) {
    Frame(100);
    EXPECT_FLOAT_EQ(flare.Brightness, 0.4f);
    Frame(0);  // two frames inside one tick: nothing changes
    EXPECT_FLOAT_EQ(flare.Brightness, 0.4f);
    Frame(100);
    EXPECT_FLOAT_EQ(flare.Brightness, 0.8f);  // overshoots 0.7: no clamping
    Frame(100);
    EXPECT_FLOAT_EQ(flare.Brightness, 0.8f);  // at or above 0.7 it holds

    // Something nearer than the sun in front of its pixel only: the flare fades out.
    Cover(1, 5);  // glOrtho(-10, 10): world z 5 is window depth 0.25, nearer than the sun's 0.5
    Frame(100);
    EXPECT_FLOAT_EQ(flare.Brightness, 0.4f);
    // Something behind the sun does not cover it.
    Cover(1, -5);
    Frame(50);
    EXPECT_FLOAT_EQ(flare.Brightness, 0.6f);
    Cover(1, 5);
    Frame(300);
    EXPECT_FLOAT_EQ(flare.Brightness, -0.6f);  // may end below 0
    Cover(1, 5);
    Frame(100);
    EXPECT_FLOAT_EQ(flare.Brightness, -0.6f);  // at or below 0 nothing more is taken off
    EXPECT_EQ(GlError(), 0u);
}

TEST_F(LensFlareTest, SunOffScreenOrBehindTheEyeIsNotVisible) {
    flare.SunX = kWidth + 5;
    EXPECT_FALSE(flare.FlareVisible().visible);
    flare.SunX = -1;
    EXPECT_FALSE(flare.FlareVisible().visible);
    flare.SunX = sunX;
    flare.SunY = kHeight;  // the row past the last one
    EXPECT_FALSE(flare.FlareVisible().visible);
    flare.SunY = kHeight - 0.3;  // rounds onto the row past the last: read the last instead
    EXPECT_TRUE(flare.FlareVisible().visible);

    // A perspective eye looking along +y: a sun straight behind it would project onto the screen.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, 1, 0.1, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 0, 0, 1, 0, 0, 0, 1);
    flare.SunX = 0;
    flare.SunY = 500;
    flare.SunZ = 0;
    EXPECT_TRUE(flare.FlareVisible().visible);
    flare.SunY = -500;
    EXPECT_FALSE(flare.FlareVisible().visible);

    // Fading out while hidden.
    flare.Brightness = 0.5f;
    view.frameMs = 25;
    flare.FlareDraw(view);
    EXPECT_FLOAT_EQ(flare.Brightness, 0.4f);
    EXPECT_EQ(GlError(), 0u);
}

// Lights one texture at a time (the rest black) and finds the lit squares.
TEST_F(LensFlareTest, ElementsLieAlongTheLineThroughTheCentre) {
    struct Element {
        int texture;
        float k, m;
    };
    const Element elements[] = {{0, 1, 1.0f},      {1, 1, 1.1f},       {2, -1, 0.8f},     {3, -0.9f, 0.4f},
                                {8, 1.5f, 0.3f},   {7, -0.65f, 0.2f},  {6, -0.35f, 0.15f}, {4, -0.1f, 0.05f},
                                {5, -0.3f, 0.3f}};  // texture 7 also draws element 10, checked below
    const float cx = kWidth / 2, cy = kHeight / 2, dx = sunX - cx, dy = sunY - cy, S = kWidth / 4.0f;
    for (const Element& e : elements) {
        for (int t = 0; t < kFlareTextureCount; ++t) flare.Textures[t] = gpu->AdoptTexture(FlatTexture(t == e.texture ? 255 : 0)).id();
        flare.Brightness = 0.8f;
        Frame(0);
        flare.FlareDraw(view);  // drawn over the cleared picture, brightness unchanged
        const Pixels p = ReadPixels(0, 0, kWidth, kHeight);
        // Bounding box of the lit pixels.
        int x0 = kWidth, x1 = -1, y0 = kHeight, y1 = -1;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (p.At(x, y)[0] > 100) {
                    x0 = std::min(x0, x), x1 = std::max(x1, x);
                    y0 = std::min(y0, y), y1 = std::max(y1, y);
                }
        ASSERT_GE(x1, 0) << "texture " << e.texture << " drew nothing";
        const float ex = cx + e.k * dx, ey = cy + e.k * dy;
        if (e.texture == 7) {
            // Two squares of the same size: at k = -0.65 and k = 0.5.
            EXPECT_NEAR((x0 + x1 + 1) / 2.0f, cx + (-0.65f + 0.5f) / 2 * dx, 1.5f);
            continue;
        }
        EXPECT_NEAR((x0 + x1 + 1) / 2.0f, ex, 1.0f) << "texture " << e.texture;
        EXPECT_NEAR((y0 + y1 + 1) / 2.0f, ey, 1.0f) << "texture " << e.texture;
        if (e.texture != 0) {  // the first element is turned, its box is wider
            EXPECT_NEAR((x1 + 1 - x0) / 2.0f, e.m * S, 1.0f) << "texture " << e.texture;
            EXPECT_NEAR((y1 + 1 - y0) / 2.0f, e.m * S, 1.0f) << "texture " << e.texture;
        } else {
            // Turned by sx / cx * 90 degrees: the box of a square of half edge S turned by r.
            const float r = sunX / cx * 90.0f * 3.14159265f / 180.0f;
            EXPECT_NEAR((x1 + 1 - x0) / 2.0f, S * (std::fabs(std::cos(r)) + std::fabs(std::sin(r))), 1.5f);
        }
        // Elements after the second one are dimmer by 0.1.
        const int expected = e.texture <= 1 ? 204 : 178;
        EXPECT_NEAR(p.At(static_cast<int>(ex), static_cast<int>(ey))[0], expected, 2) << "texture " << e.texture;
    }
}

TEST_F(LensFlareTest, StateAfterTheDraw) {
    view.nearPlane = 0.5f;
    view.farPlane = 700.0f;
    view.screenWidth = 200;  // the game window, wider than the test's
    view.screenHeight = 100;
    glEnable(GL_BLEND);  // hidden and dark: blending, depth test and matrices are left alone
    glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
    flare.SunX = -50;
    Frame(0);  // nothing drawn, but the window size is taken
    EXPECT_EQ(flare.Width, 200);
    EXPECT_FLOAT_EQ(flare.BaseSize, 50.0f);
    flare.SunX = -50;
    glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
    view.frameMs = 10;
    flare.FlareDraw(view);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 1.0f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(projection[0], 2.0f / kWidth);  // still the pixel camera

    // Shown: depth test back on, blending off, the game's perspective back, identity modelview.
    flare.SunX = sunX;
    PixelCamera();
    view.frameMs = 100;
    flare.FlareDraw(view);
    ASSERT_GT(flare.Brightness, 0.0f);
    EXPECT_EQ(GlError(), 0u);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLfloat expected[16], modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(45.0, 2.0, 0.5, 700.0);
    glGetFloatv(GL_PROJECTION_MATRIX, expected);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(projection[i], expected[i], 1e-5f) << i;
        EXPECT_EQ(modelview[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
    }
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[1], 1.0f);
}

TEST_F(LensFlareTest, SunAtTheCentreStacksEveryElementThere) {
    flare.SunX = kWidth / 2;
    flare.SunY = kHeight / 2;
    flare.Brightness = 0.8f;
    Frame(0);
    flare.FlareDraw(view);
    const Pixels p = ReadPixels(0, 0, kWidth, kHeight);
    EXPECT_EQ(p.At(kWidth / 2, kHeight / 2)[0], 255);  // ten additive layers saturate
    // The largest element (half edge 1.1 * 64) ends there; beyond it nothing.
    EXPECT_GT(p.At(kWidth / 2 + 68, kHeight / 2)[0], 100);
    EXPECT_EQ(p.At(kWidth / 2 + 74, kHeight / 2)[0], 0);
    EXPECT_EQ(p.At(2, 2)[0], 0);
}

class LensFlareInitTest : public GlTest {};

TEST_F(LensFlareInitTest, InitLaysOutForTheWindowAndLoadsTheNineImages) {
    TFlare flare;
    flare.Brightness = 0.5f;
    flare.FlareInit(gpu.get(), std::string(TERRAVIK_GAME_DIR) + "/", 1024, 768, 1000, 1000, 500);
    EXPECT_TRUE(flare.Ready);
    EXPECT_FLOAT_EQ(flare.CenterX, 512.0f);
    EXPECT_FLOAT_EQ(flare.CenterY, 384.0f);
    EXPECT_FLOAT_EQ(flare.BaseSize, 256.0f);
    EXPECT_FLOAT_EQ(flare.Brightness, 0.0f);
    EXPECT_DOUBLE_EQ(flare.SunZ, 500.0);
    for (int i = 0; i < kFlareTextureCount; ++i) {
        ASSERT_TRUE(glIsTexture(flare.Textures[i])) << i;
        glBindTexture(GL_TEXTURE_2D, flare.Textures[i]);
        GLint w = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        EXPECT_GT(w, 1) << "Flare" << i << ".jpg";
    }
    EXPECT_EQ(GlError(), 0u);
    gpu->Release();  // the store owns them
    EXPECT_FALSE(glIsTexture(flare.Textures[0]));
}

}  // namespace
}  // namespace tv::test
