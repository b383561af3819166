#include "render/gl/texture.h"

#include <epoxy/gl.h>

#include <GL/glu.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "gl_context.h"
#include "render/gl/gl_matrices.h"
#include "render/image_prefetch.h"
#include "test_images.h"

namespace tv::test {
namespace {

class TextureTest : public GlTest {
  protected:
    static void SetUpTestSuite() { InitImageLibrary(); }
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
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        glColor3f(1, 1, 1);
        DrawViewportQuad();
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

    const Texture tex = LoadTexture(Path("alpha.png"));
    ASSERT_TRUE(tex.valid()) << tex.status().Message();
    EXPECT_TRUE(tex.status().ok());
    EXPECT_EQ(Bound(), static_cast<GLint>(tex.id()));
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
    // Only level 0: the linear minification filter never samples a smaller one.
    EXPECT_EQ(Level(1).width, 0);

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
    const Texture tex = LoadTexture(Path("npot.png"));
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

// Every load owns its own name; Unload, a move or the owner going away deletes it once.
TEST_F(TextureTest, EachLoadOwnsOneNameUntilItIsUnloaded) {
    ASSERT_TRUE(WriteTestPng(Path("a.png"), 2, 2, PNG_COLOR_TYPE_RGB, std::vector<uint8_t>(12, 90)));
    Texture first = LoadTexture(Path("a.png"));
    const GLuint firstName = first.id();
    GLuint secondName = 0;
    {
        const Texture second = LoadTexture(Path("a.png"));
        secondName = second.id();
        EXPECT_NE(firstName, 0u);
        EXPECT_NE(firstName, secondName);
        EXPECT_EQ(Bound(), static_cast<GLint>(secondName));
    }
    EXPECT_FALSE(glIsTexture(secondName));

    Texture moved = std::move(first);
    EXPECT_EQ(first.id(), 0u);
    EXPECT_EQ(moved.id(), firstName);
    EXPECT_TRUE(glIsTexture(firstName));
    moved.Unload();
    EXPECT_FALSE(glIsTexture(firstName));
    EXPECT_FALSE(moved.valid());
    EXPECT_EQ(GlError(), 0u);
}

// A file that is missing, cut short or over the size caps is reported (return value and one
// stderr line naming the file) and gets a bound texture with nothing in it, never the image
// decoded before it.
TEST_F(TextureTest, FailedLoadSaysWhyAndUploadsNothing) {
    ASSERT_TRUE(WriteTestPng(Path("green.png"), 2, 2, PNG_COLOR_TYPE_RGB,
                             {0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0}));
    const Texture good = LoadTexture(Path("green.png"));
    ASSERT_TRUE(good.valid()) << good.status().Message();

    std::ifstream in(Path("green.png"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(Path("broken.png"), std::ios::binary)
        << bytes.substr(0, bytes.size() / 2) << std::string(40, '\xff');
    // 20000 pixels wide: over the cap on a side.
    std::string huge = bytes;
    huge[16] = 0, huge[17] = 0, huge[18] = 0x4e, huge[19] = 0x20;
    std::ofstream(Path("huge.png"), std::ios::binary) << huge;

    for (const char* name : {"no_such_file.png", "broken.png", "huge.png"}) {
        ::testing::internal::CaptureStderr();
        // Spelled as the data files spell paths; the message shows the file once, with '/'.
        const Texture bad = LoadTexture(dir_ + "\\" + name);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_FALSE(bad.valid()) << name;
        EXPECT_NE(bad.status().Message().find(name), std::string::npos) << bad.status().Message();
        EXPECT_EQ(err.rfind("terravik: texture not loaded: " + Path(name) + ": ", 0), 0u) << err;
        EXPECT_EQ(err.find(name), err.rfind(name)) << err;
        EXPECT_EQ(err.find('\\'), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(bad.id(), 0u);
        EXPECT_NE(bad.id(), good.id());
        EXPECT_EQ(Bound(), static_cast<GLint>(bad.id()));
        EXPECT_EQ(Level(0).width, 0) << name << ": something was uploaded";
    }

    // Several models sharing a missing file during the start-up (an installed prefetch) make
    // one message, not one each; every load still fails.
    {
        ImagePrefetch prefetch({Path("no_such_file.png")});
        ScopedImagePrefetch installed(prefetch);
        ::testing::internal::CaptureStderr();
        const Texture first = LoadTexture(Path("no_such_file.png"));
        const Texture second = LoadTexture(dir_ + "\\no_such_file.png");
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_FALSE(first.valid());
        EXPECT_FALSE(second.valid());
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }

    // A good load afterwards is unaffected.
    const Texture again = LoadTexture(Path("green.png"));
    EXPECT_TRUE(again.valid()) << again.status().Message();
    EXPECT_EQ(Level(0).At(1, 1)[1], 255);
    EXPECT_EQ(GlError(), 0u);
}

// Level 0 is texel for texel what the full mip-map builder made for the same pixels, for
// every layout and for sides that are powers of two, rounded up or rounded down; images
// with power-of-two sides get level 0 alone.
TEST_F(TextureTest, LevelZeroMatchesTheMipmapBuilder) {
    const int sizes[][2] = {{4, 4}, {6, 10}, {5, 3}, {100, 37}, {257, 255}, {1, 9}, {64, 48}};
    for (int channels = 1; channels <= 4; ++channels) {
        for (const auto& size : sizes) {
            DecodedImage image{size[0], size[1], channels, {}};
            image.pixels.resize(static_cast<size_t>(size[0]) * size[1] * channels);
            for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<uint8_t>(i * 37 + i / 7);
            const Texture ours = LoadTextureFromImage(image);
            ASSERT_TRUE(ours.valid()) << ours.status().Message();
            const Pixels mine = Level(0);

            GLuint reference = 0;
            glGenTextures(1, &reference);
            glBindTexture(GL_TEXTURE_2D, reference);
            const GLenum format = channels == 1   ? GL_LUMINANCE
                                  : channels == 2 ? GL_LUMINANCE_ALPHA
                                  : channels == 3 ? GL_RGB
                                                  : GL_RGBA;
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(format), size[0], size[1], format, GL_UNSIGNED_BYTE,
                              image.pixels.data());
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            const Pixels theirs = Level(0);
            glDeleteTextures(1, &reference);

            EXPECT_EQ(mine.width, theirs.width) << channels << ": " << size[0] << "x" << size[1];
            EXPECT_EQ(mine.height, theirs.height) << channels << ": " << size[0] << "x" << size[1];
            EXPECT_TRUE(mine.rgba == theirs.rgba) << channels << ": " << size[0] << "x" << size[1];
            EXPECT_EQ(ours.width(), theirs.width);
            if (size[0] == 4 || size[0] == 64) {
                EXPECT_EQ(mine.width, size[0]);
            }
        }
    }
    EXPECT_EQ(GlError(), 0u);
}

// Grey, grey with alpha and paletted images show as what they are, not as empty textures.
TEST_F(TextureTest, GreyGreyAlphaAndPalettedImagesShow) {
    ASSERT_TRUE(WriteTestPng(Path("grey.png"), 2, 2, PNG_COLOR_TYPE_GRAY, {200, 200, 200, 200}));
    Texture tex = LoadTexture(Path("grey.png"));
    DrawFullScreen();
    Pixels screen = ReadPixels(kWidth / 2, kHeight / 2, 1, 1);
    EXPECT_EQ(screen.At(0, 0)[0], 200);
    EXPECT_EQ(screen.At(0, 0)[1], 200);
    EXPECT_EQ(screen.At(0, 0)[2], 200);
    EXPECT_EQ(Level(0).At(1, 1)[3], 255);  // opaque

    ASSERT_TRUE(WriteTestPng(Path("grey_alpha.png"), 2, 2, PNG_COLOR_TYPE_GRAY_ALPHA,
                             {100, 30, 100, 30, 100, 30, 100, 30}));
    tex = LoadTexture(Path("grey_alpha.png"));
    DrawFullScreen();
    screen = ReadPixels(kWidth / 2, kHeight / 2, 1, 1);
    EXPECT_EQ(screen.At(0, 0)[0], 100);
    EXPECT_EQ(screen.At(0, 0)[2], 100);
    EXPECT_EQ(Level(0).At(0, 0)[3], 30);

    ASSERT_TRUE(WriteTestPng(Path("palette.png"), 2, 2, PNG_COLOR_TYPE_PALETTE, {1, 1, 1, 1},
                             {{0, 0, 0}, {10, 120, 250}}));
    tex = LoadTexture(Path("palette.png"));
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
    const Texture tex = LoadTexture(dir_ + "\\fonts\\font.PNG");
    EXPECT_TRUE(tex.valid()) << tex.status().Message();
    const Pixels p = Level(0);
    ASSERT_EQ(p.width, 1);
    EXPECT_EQ(p.At(0, 0)[1], 77);
}

}  // namespace
}  // namespace tv::test
