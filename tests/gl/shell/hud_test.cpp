// HUD text drawn with a font strip whose cell c is the flat colour (c, 0, 0): reading the
// pixels back tells which glyph cell landed where.

#include <epoxy/gl.h>

#include <string>
#include <vector>

#include "gl_context.h"
#include "platform/text_encoding.h"
#include "shell/hud.h"

namespace tv::test {
namespace {

class HudTextTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        // 256 cells, 2 texels wide each, 4 high; '#' is a black glyph.
        std::vector<uint8_t> texels(512 * 4 * 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 512; ++x) {
                const int c = x / 2;
                uint8_t* t = &texels[(y * 512 + x) * 4];
                t[0] = c == '#' ? 0 : static_cast<uint8_t>(c);
                t[1] = 0;
                t[2] = 0;
                t[3] = 255;
            }
        glGenTextures(1, &font.texture);
        glBindTexture(GL_TEXTURE_2D, font.texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 512, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        font.screenWidth = kWidth;
        font.screenHeight = kHeight;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glColor3f(1, 1, 1);
    }
    // Red of the pixel in the middle of glyph cell i (1-based) of a line printed at (x, y).
    int CellRed(int i, float x, float y, float size) {
        const float w = size / 2;
        const int px = static_cast<int>(x - 10 + i * w + w / 2);
        const int py = static_cast<int>(y + size / 2);
        return ReadPixels(px, py, 1, 1).At(0, 0)[0];
    }
    HudFont font;
};

TEST_F(HudTextTest, GlyphCellsFollowTheCodePageAndSpacesLeaveGaps) {
    const std::string text = Utf8ToCp1251("Жa b-7я");
    PrintText(font, text, 10, 100, 20);
    ASSERT_EQ(GlError(), 0u);
    const int expected[] = {0xC6, 'a', 0, 'b', '-', '7', 0xFF};
    for (int i = 1; i <= 7; ++i) EXPECT_EQ(CellRed(i, 10, 100, 20), expected[i - 1]) << "glyph " << i;
    // Nothing left of the first glyph (which starts at x - 10 + size / 2), above or below the line.
    EXPECT_EQ(ReadPixels(5, 110, 1, 1).At(0, 0)[0], 0);
    EXPECT_EQ(ReadPixels(15, 123, 1, 1).At(0, 0)[0], 0);
    EXPECT_EQ(ReadPixels(15, 97, 1, 1).At(0, 0)[0], 0);
    // The glyph is exactly size / 2 wide: the 'a' cell spans x 20..29.
    EXPECT_EQ(ReadPixels(20, 110, 1, 1).At(0, 0)[0], 'a');
    EXPECT_EQ(ReadPixels(29, 110, 1, 1).At(0, 0)[0], 'a');
    EXPECT_EQ(ReadPixels(30, 110, 1, 1).At(0, 0)[0], 0);
}

TEST_F(HudTextTest, BlendingAddsAndDarkGlyphsAddNothing) {
    glClearColor(0.5f, 0.5f, 0.5f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const int grey = ReadPixels(0, 0, 1, 1).At(0, 0)[0];
    PrintText(font, "#(", 10, 50, 20);
    EXPECT_EQ(CellRed(1, 10, 50, 20), grey);            // black glyph: background unchanged
    EXPECT_EQ(CellRed(2, 10, 50, 20), grey + '(');      // added, not replaced
    EXPECT_EQ(ReadPixels(25, 60, 1, 1).At(0, 0)[1], grey);  // green of the background kept
}

TEST_F(HudTextTest, TextIsCutAfter255Characters) {
    // size 2: glyph i covers pixel column i - 10 when printed at x = 0.
    PrintText(font, std::string(300, 'z'), 0, 10, 2);
    const Pixels row = ReadPixels(0, 11, kWidth, 1);
    EXPECT_EQ(row.At(245, 0)[0], 'z');  // glyph 255
    EXPECT_EQ(row.At(246, 0)[0], 0);    // glyph 256 never drawn
}

TEST_F(HudTextTest, StateIsRestoredAfterPrinting) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 50);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(3, 4, 5);
    GLfloat projBefore[16], mvBefore[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projBefore);
    glGetFloatv(GL_MODELVIEW_MATRIX, mvBefore);
    glEnable(GL_DEPTH_TEST);

    PrintText(font, "HUD", 10, 10, 30);

    EXPECT_EQ(GlError(), 0u);
    GLfloat projAfter[16], mvAfter[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projAfter);
    glGetFloatv(GL_MODELVIEW_MATRIX, mvAfter);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(projAfter[i], projBefore[i]);
        EXPECT_EQ(mvAfter[i], mvBefore[i]);
    }
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
}

TEST_F(HudTextTest, HudLinesSitAtTheirFixedRows) {
    // A 768-high window would show all five; here only the rows below 256 matter, so print
    // into a taller virtual screen squeezed onto the test window.
    font.screenHeight = 768;
    PrintHud(font, 60, HudValues{});
    // Each line is 30 high; in the squeezed picture a row at window y shows up at y / 3.
    for (int line = 0; line < 5; ++line) {
        const int y = (738 - 30 * line + 15) / 3;
        const Pixels row = ReadPixels(0, y, kWidth, 1);
        int lit = 0;
        for (int x = 0; x < kWidth; ++x) lit += row.At(x, 0)[0] > 0;
        EXPECT_GT(lit, 0) << "line " << line;
    }
    // Between the lines nothing: the rows are 30 apart and each glyph 30 high, so only the
    // window below the last line (y < 618) stays dark.
    const Pixels below = ReadPixels(0, 600 / 3, kWidth, 1);
    for (int x = 0; x < kWidth; ++x) ASSERT_EQ(below.At(x, 0)[0], 0) << x;
}

TEST_F(HudTextTest, AShortWindowKeepsEveryLineInsideFromItsTopEdge) {
    // The test window is 256 high: the block moves down so its top line ends at the top edge.
    ASSERT_LT(kHeight, 768);
    PrintHud(font, 60, HudValues{});
    auto lit = [&](int y) {
        const Pixels row = ReadPixels(0, y, kWidth, 1);
        int n = 0;
        for (int x = 0; x < kWidth; ++x) n += row.At(x, 0)[0] > 0;
        return n;
    };
    for (int line = 0; line < 5; ++line) EXPECT_GT(lit(kHeight - 15 - 30 * line), 0) << "line " << line;
    EXPECT_GT(lit(kHeight - 1), 0);            // the top line reaches the edge
    EXPECT_EQ(lit(kHeight - 150 - 5), 0);      // and nothing below the fifth
}

}  // namespace
}  // namespace tv::test
