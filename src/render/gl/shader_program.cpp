#include "render/gl/shader_program.h"

#include <epoxy/gl.h>

#include <vector>

namespace tv {

namespace {

std::string InfoLog(GLhandleARB object) {
    GLint length = 0;
    glGetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    if (length <= 1) return {};
    std::vector<GLcharARB> text(static_cast<size_t>(length));
    glGetInfoLogARB(object, length, nullptr, text.data());
    return std::string(text.data());
}

// The compiled shader, or 0 with `log` holding the compiler's complaint.
GLhandleARB CompileShader(GLenum kind, const char* source, std::string& log) {
    GLhandleARB shader = glCreateShaderObjectARB(kind);
    glShaderSourceARB(shader, 1, &source, nullptr);
    glCompileShaderARB(shader);
    GLint ok = 0;
    glGetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &ok);
    if (ok) return shader;
    log = InfoLog(shader);
    glDeleteObjectARB(shader);
    return 0;
}

}  // namespace

uint32_t BuildShaderProgram(const char* name, const char* vertexSource, const char* fragmentSource,
                            Status& status) {
    if (!epoxy_has_gl_extension("GL_ARB_shader_objects") || !epoxy_has_gl_extension("GL_ARB_vertex_shader") ||
        !epoxy_has_gl_extension("GL_ARB_fragment_shader")) {
        status = Error("no ARB shader objects");
        return 0;
    }
    std::string log;
    const GLhandleARB vertexShader = CompileShader(GL_VERTEX_SHADER_ARB, vertexSource, log);
    if (vertexShader == 0) {
        status = Error(std::string(name) + " shader does not compile: " + log);
        return 0;
    }
    const GLhandleARB fragmentShader = CompileShader(GL_FRAGMENT_SHADER_ARB, fragmentSource, log);
    if (fragmentShader == 0) {
        glDeleteObjectARB(vertexShader);
        status = Error(std::string(name) + " shader does not compile: " + log);
        return 0;
    }
    const GLhandleARB program = glCreateProgramObjectARB();
    glAttachObjectARB(program, vertexShader);
    glAttachObjectARB(program, fragmentShader);
    // Attached shaders are only flagged here; they live as long as the program.
    glDeleteObjectARB(vertexShader);
    glDeleteObjectARB(fragmentShader);
    glLinkProgramARB(program);
    GLint linked = 0;
    glGetObjectParameterivARB(program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    if (!linked) {
        status = Error(std::string(name) + " program does not link: " + InfoLog(program));
        glDeleteObjectARB(program);
        return 0;
    }
    return program;
}

void DeleteShaderProgram(uint32_t program) {
    if (program != 0) glDeleteObjectARB(program);
}

}  // namespace tv
