#include "render/gl/shader_program.h"

#include <epoxy/gl.h>

#include "gl_context.h"
#include "render/gl/gl_handles.h"

namespace tv::test {
namespace {

constexpr const char* kVertex = R"(#version 110
void main() { gl_Position = gl_Vertex; }
)";
constexpr const char* kRedFragment = R"(#version 110
uniform float Green;
void main() { gl_FragColor = vec4(1.0, Green, 0.0, 1.0); }
)";

using ShaderProgramTest = GlTest;

TEST_F(ShaderProgramTest, BuiltProgramDrawsAndTakesUniforms) {
    Status status;
    const uint32_t program = BuildShaderProgram("test", kVertex, kRedFragment, status);
    ASSERT_NE(program, 0u) << status.Message();
    EXPECT_TRUE(status.ok());
    // Usable through the 2.0 names as well, as the particle path does.
    glUseProgram(program);
    glUniform1f(glGetUniformLocation(program, "Green"), 1.0f);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    glUseProgram(0);
    const Pixels p = ReadPixels(kWidth / 2, kHeight / 2, 1, 1);
    EXPECT_EQ(p.At(0, 0)[0], 255);
    EXPECT_EQ(p.At(0, 0)[1], 255);
    EXPECT_EQ(p.At(0, 0)[2], 0);
    {
        GlProgram owner(program);  // deletes it on leaving, its context being current
    }
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_EQ(GlError(), 0u);
}

TEST_F(ShaderProgramTest, FailuresNameTheStageAndLeaveNothing) {
    Status status;
    EXPECT_EQ(
        BuildShaderProgram("bad", kVertex, "#version 110\nvoid main() { gl_FragColor = nope; }\n", status),
        0u);
    std::string error = status.Message();
    EXPECT_EQ(error.rfind("bad shader does not compile: ", 0), 0u) << error;
    EXPECT_GT(error.size(), sizeof("bad shader does not compile: ") - 1) << "the compiler's log is kept";

    // Each stage compiles on its own, but a fragment stage without main cannot link.
    status = Status();
    EXPECT_EQ(BuildShaderProgram("odd", kVertex, "#version 110\nuniform float Unused;\n", status), 0u);
    error = status.Message();
    EXPECT_EQ(error.rfind("odd program does not link: ", 0), 0u) << error;

    // Neither failure leaves a program or shader object behind.
    for (GLuint name = 1; name < 16; ++name) {
        EXPECT_FALSE(glIsProgram(name)) << name;
        EXPECT_FALSE(glIsShader(name)) << name;
    }
    DeleteShaderProgram(0);  // ignored
    EXPECT_EQ(GlError(), 0u);
}

}  // namespace
}  // namespace tv::test
