#include "render/texture.h"

#include <epoxy/gl.h>

#include <filesystem>
#include <fstream>

#include "gl_context.h"
#include "test_images.h"

namespace tv::test {
namespace {

class TextureTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        dir_ = ScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    // Level `level` of the bound texture, read back as RGBA bytes, rows in upload order.
    static Pixels Level(int level) {
        Pixels p;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &p.width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &p.height);
        p.rgba.resize(static_cast<size_t>(p.width) * p.height * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        if (!p.rgba.empty()) glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, p.rgba.data());
        return p;
    }
    static GLint Bound() {
        GLint name = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
        return name;
    }
    // Draws the bound texture over the whole viewport with coordinates 0..1.
    void DrawFullScreen() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        glColor3f(1, 1, 1);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(-1, -1);
        glTexCoord2f(1, 0);
        glVertex2f(1, -1);
        glTexCoord2f(1, 1);
        glVertex2f(1, 1);
        glTexCoord2f(0, 1);
        glVertex2f(-1, 1);
        glEnd();
        glDisable(GL_TEXTURE_2D);
    }
    std::string dir_;
};

// Columns of falling alpha; alpha-tested models rely on the channel surviving.
TEST_F(TextureTest, RgbaPngKeepsItsAlphaAndGetsTheFixedParameters) {
    const uint8_t alphas[4] = {0, 85, 170, 255};
    std::vector<uint8_t> px;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) px.insert(px.end(), {uint8_t(60 * x), 200, 10, alphas[x]});
    ASSERT_TRUE(WriteTestPng(Path("alpha.png"), 4, 4, PNG_COLOR_TYPE_RGB_ALPHA, px));

    unsigned tex = 0;
    LoadTexture(Path("alpha.png"), tex);
    ASSERT_NE(tex, 0u);
    EXPECT_EQ(Bound(), static_cast<GLint>(tex));
    EXPECT_TRUE(LastTextureLoadError().empty()) << LastTextureLoadError();
    const Pixels level0 = Level(0);
    ASSERT_EQ(level0.width, 4);
    ASSERT_EQ(level0.height, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(level0.At(x, y)[3], alphas[x]) << x << "," << y;
            EXPECT_EQ(level0.At(x, y)[0], 60 * x);
            EXPECT_EQ(level0.At(x, y)[1], 200);
        }
    }
    // The whole mip-map chain is there, down to 1 x 1.
    EXPECT_EQ(Level(2).width, 1);

    GLfloat value = 0;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_REPEAT);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_REPEAT);
    EXPECT_EQ(GlError(), 0u);
}

// A 6 x 10 RGB image: rows of 18 bytes (not a multiple of four) and sides that are not
// powers of two. Left half red, right half blue; drawn over the whole screen with
// coordinates 0..1 the halves must still meet the screen edges, on every row.
TEST_F(TextureTest, NonPowerOfTwoRgbImageIsRescaledAndSpansTheTexture) {
    std::vector<uint8_t> px;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 6; ++x) {
            if (x < 3)
                px.insert(px.end(), {255, 0, 0});
            else
                px.insert(px.end(), {0, 0, 255});
        }
    ASSERT_TRUE(WriteTestPng(Path("npot.png"), 6, 10, PNG_COLOR_TYPE_RGB, px));
    unsigned tex = 0;
    LoadTexture(Path("npot.png"), tex);
    const Pixels level0 = Level(0);
    EXPECT_EQ(level0.width & (level0.width - 1), 0) << level0.width;
    EXPECT_EQ(level0.height & (level0.height - 1), 0) << level0.height;

    // Clamped for the check, so the edges do not blend with the repeat of the other side.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    DrawFullScreen();
    const Pixels screen = ReadPixels(0, 0, kWidth, kHeight);
    for (int y = 2; y < kHeight; y += 25) {
        const uint8_t* left = screen.At(2, y);
        const uint8_t* right = screen.At(kWidth - 3, y);
        EXPECT_GT(left[0], 200) << "row " << y;
        EXPECT_LT(left[2], 50) << "row " << y;
        EXPECT_LT(right[0], 50) << "row " << y;
        EXPECT_GT(right[2], 200) << "row " << y;
        // The halves meet in the middle of the screen.
        const uint8_t* justLeft = screen.At(kWidth / 2 - 8, y);
        const uint8_t* justRight = screen.At(kWidth / 2 + 8, y);
        EXPECT_GT(justLeft[0], justLeft[2]) << "row " << y;
        EXPECT_GT(justRight[2], justRight[0]) << "row " << y;
    }
    // The default row alignment is left as it was.
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);
}

TEST_F(TextureTest, SameFileTwiceGivesTwoNames) {
    ASSERT_TRUE(WriteTestPng(Path("a.png"), 2, 2, PNG_COLOR_TYPE_RGB, std::vector<uint8_t>(12, 90)));
    unsigned first = 0, second = 0;
    LoadTexture(Path("a.png"), first);
    LoadTexture(Path("a.png"), second);
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(Bound(), static_cast<GLint>(second));
}

// A missing or broken file must not crash and still yields a bound texture name; it is
// made from the image the library already held.
TEST_F(TextureTest, MissingOrCorruptFileStillYieldsATexture) {
    ASSERT_TRUE(WriteTestPng(Path("green.png"), 2, 2, PNG_COLOR_TYPE_RGB,
                             {0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0}));
    unsigned good = 0, missing = 0, corrupt = 0;
    LoadTexture(Path("green.png"), good);

    LoadTexture(Path("no_such_file.png"), missing);
    EXPECT_NE(missing, 0u);
    EXPECT_NE(missing, good);
    EXPECT_EQ(Bound(), static_cast<GLint>(missing));
    EXPECT_FALSE(LastTextureLoadError().empty());
    const Pixels kept = Level(0);
    ASSERT_EQ(kept.width, 2);
    EXPECT_EQ(kept.At(0, 0)[1], 255);

    // Half of a real PNG, then garbage.
    std::ifstream in(Path("green.png"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(Path("broken.png"), std::ios::binary)
        << bytes.substr(0, bytes.size() / 2) << std::string(40, '\xff');
    LoadTexture(Path("broken.png"), corrupt);
    EXPECT_NE(corrupt, 0u);
    EXPECT_EQ(Bound(), static_cast<GLint>(corrupt));

    // A good load afterwards clears the error again.
    unsigned again = 0;
    LoadTexture(Path("green.png"), again);
    EXPECT_TRUE(LastTextureLoadError().empty());
    EXPECT_EQ(GlError(), 0u);
}

// Grey, grey with alpha and paletted images show as what they are, not as empty textures.
TEST_F(TextureTest, GreyGreyAlphaAndPalettedImagesShow) {
    unsigned tex = 0;
    ASSERT_TRUE(WriteTestPng(Path("grey.png"), 2, 2, PNG_COLOR_TYPE_GRAY, {200, 200, 200, 200}));
    LoadTexture(Path("grey.png"), tex);
    DrawFullScreen();
    Pixels screen = ReadPixels(kWidth / 2, kHeight / 2, 1, 1);
    EXPECT_EQ(screen.At(0, 0)[0], 200);
    EXPECT_EQ(screen.At(0, 0)[1], 200);
    EXPECT_EQ(screen.At(0, 0)[2], 200);
    EXPECT_EQ(Level(0).At(1, 1)[3], 255);  // opaque

    ASSERT_TRUE(WriteTestPng(Path("grey_alpha.png"), 2, 2, PNG_COLOR_TYPE_GRAY_ALPHA,
                             {100, 30, 100, 30, 100, 30, 100, 30}));
    LoadTexture(Path("grey_alpha.png"), tex);
    DrawFullScreen();
    screen = ReadPixels(kWidth / 2, kHeight / 2, 1, 1);
    EXPECT_EQ(screen.At(0, 0)[0], 100);
    EXPECT_EQ(screen.At(0, 0)[2], 100);
    EXPECT_EQ(Level(0).At(0, 0)[3], 30);

    ASSERT_TRUE(WriteTestPng(Path("palette.png"), 2, 2, PNG_COLOR_TYPE_PALETTE, {1, 1, 1, 1},
                             {{0, 0, 0}, {10, 120, 250}}));
    LoadTexture(Path("palette.png"), tex);
    const Pixels p = Level(0);
    ASSERT_EQ(p.width, 2);
    EXPECT_EQ(p.At(0, 1)[0], 10);
    EXPECT_EQ(p.At(0, 1)[1], 120);
    EXPECT_EQ(p.At(0, 1)[2], 250);
    EXPECT_EQ(GlError(), 0u);
}

// Paths are written the way the data files spell them: backslashes and any case.
TEST_F(TextureTest, PathWithBackslashesAndOtherCaseIsFound) {
    std::filesystem::create_directories(Path("Fonts"));
    ASSERT_TRUE(WriteTestPng(Path("Fonts/FONT.png"), 1, 1, PNG_COLOR_TYPE_RGB, {7, 77, 177}));
    unsigned tex = 0;
    LoadTexture(dir_ + "\\fonts\\font.PNG", tex);
    EXPECT_TRUE(LastTextureLoadError().empty()) << LastTextureLoadError();
    const Pixels p = Level(0);
    ASSERT_EQ(p.width, 1);
    EXPECT_EQ(p.At(0, 0)[1], 77);
}

}  // namespace
}  // namespace tv::test
