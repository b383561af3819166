#include <epoxy/gl.h>

#include "gl_context.h"

namespace tv::test {
namespace {

class ContextTest : public GlTest {};

// The fixture itself must hand every GL test a compatibility context with a depth buffer;
// a core profile would silently reject the fixed-function calls the game makes.
TEST_F(ContextTest, CompatibilityContextWithDepthAndReadback) {
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.3f, 0.3f, 0.3f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_TRIANGLES);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    EXPECT_EQ(GlError(), 0u);

    Pixels p = ReadPixels(0, 0, kWidth, kHeight);
    EXPECT_EQ(p.At(10, 10)[0], 255);  // inside the red triangle
    EXPECT_EQ(p.At(10, 10)[1], 0);
    EXPECT_NEAR(p.At(250, 250)[0], 77, 1);  // the grey clear colour
}

}  // namespace
}  // namespace tv::test
