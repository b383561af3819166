#include "render/gl/oriented_box_draw.h"

#include <epoxy/gl.h>

#include "gl_context.h"
#include "math/oriented_box.h"

namespace tv::test {
namespace {

// One world unit per pixel, looking down -z: screen (x, y) is world (x, y).
class OrientedBoxTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, kWidth, 0, kHeight, -200, 200);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(1, 1, 1);
    }
    static TCUB Beam(float ax, float ay, float az) {
        TCUB box;
        box.Position() = {100, 50, 0};
        box.Pivot() = {100, 50, 0};
        box.Dimensions() = {40, 80, 20};  // width x, length y, height z
        box.DrawAngles() = {ax, ay, az};
        return box;
    }
    // Checks that exactly the pixels of [x0, x1) x [y0, y1) are lit (pixel centres).
    void ExpectRectangle(int x0, int y0, int x1, int y1) {
        const Pixels p = ReadPixels(0, 0, kWidth, kHeight);
        int wrong = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const bool expected = x >= x0 && x < x1 && y >= y0 && y < y1;
                const bool onEdge = (x == x0 - 1 || x == x0 || x == x1 - 1 || x == x1 || y == y0 - 1 ||
                                     y == y0 || y == y1 - 1 || y == y1);
                if (onEdge) continue;  // rasterisation rule at the exact border
                if ((p.At(x, y)[0] > 128) != expected) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << "rectangle " << x0 << "," << y0 << " - " << x1 << "," << y1;
    }
};

TEST_F(OrientedBoxTest, UnrotatedBoxRunsAlongYCentredInX) {
    DrawOrientedBox(Beam(0, 0, 0));
    EXPECT_EQ(GlError(), 0u);
    ExpectRectangle(80, 50, 120, 130);
}

TEST_F(OrientedBoxTest, TurnAboutZSwingsTheLengthToMinusX) {
    DrawOrientedBox(Beam(0, 0, 90));
    ExpectRectangle(20, 30, 100, 70);
}

TEST_F(OrientedBoxTest, TurnAboutXTipsTheLengthOutOfTheScreenPlane) {
    // The length now runs along -z, so only the width by height end shows.
    DrawOrientedBox(Beam(90, 0, 0));
    ExpectRectangle(80, 40, 120, 60);
}

TEST_F(OrientedBoxTest, CornersOfAnUnrotatedBox) {
    const auto c = OrientedBoxCorners(Beam(0, 0, 0));
    EXPECT_FLOAT_EQ(c[0].x, 80);
    EXPECT_FLOAT_EQ(c[0].y, 50);
    EXPECT_FLOAT_EQ(c[0].z, 10);
    EXPECT_FLOAT_EQ(c[6].x, 120);
    EXPECT_FLOAT_EQ(c[6].y, 130);
    EXPECT_FLOAT_EQ(c[6].z, -10);
}

}  // namespace
}  // namespace tv::test
