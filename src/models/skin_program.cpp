#include "models/skin_program.h"

#include <epoxy/gl.h>

#include <vector>

#include "models/gl_handles.h"

namespace tv {

namespace {

// Bone indices arrive as floats; rows beyond the palette are clamped to its last bone.
const char* const kVertexSource = R"(#version 110
uniform vec4 Palette[216];
uniform vec4 Tint;

vec3 SkinPoint(float bone, vec4 p) {
    int row = int(clamp(floor(bone + 0.5), 0.0, 71.0)) * 3;
    return vec3(dot(Palette[row], p), dot(Palette[row + 1], p), dot(Palette[row + 2], p));
}

void main() {
    vec4 p = vec4(gl_Vertex.xyz, 1.0);
    vec3 skinned = gl_MultiTexCoord0.w * SkinPoint(gl_MultiTexCoord0.z, p) + gl_Color.y * SkinPoint(gl_Color.x, p) +
                   gl_Color.w * SkinPoint(gl_Color.z, p);
    gl_Position = gl_ModelViewProjectionMatrix * vec4(skinned, 1.0);
    gl_TexCoord[0] = vec4(gl_MultiTexCoord0.xy, 0.0, 1.0);
    gl_FrontColor = Tint;
    gl_BackColor = Tint;
}
)";

const char* const kFragmentSource = R"(#version 110
uniform sampler2D Texture0;
uniform float Textured;

void main() {
    vec4 colour = gl_Color;
    if (Textured > 0.5) colour *= texture2D(Texture0, gl_TexCoord[0].xy);
    gl_FragColor = colour;
}
)";

std::string InfoLog(GLhandleARB object) {
    GLint length = 0;
    glGetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    if (length <= 1) return {};
    std::vector<GLcharARB> text(static_cast<size_t>(length));
    glGetInfoLogARB(object, length, nullptr, text.data());
    return std::string(text.data());
}

GLhandleARB CompileShader(GLenum kind, const char* source, std::string& error) {
    GLhandleARB shader = glCreateShaderObjectARB(kind);
    glShaderSourceARB(shader, 1, &source, nullptr);
    glCompileShaderARB(shader);
    GLint ok = 0;
    glGetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &ok);
    if (!ok) error = "skin shader does not compile: " + InfoLog(shader);
    return shader;
}

}  // namespace

SkinProgram::~SkinProgram() {
    if (!GlContextIsCurrent()) return;  // the objects went with their context
    if (program_) glDeleteObjectARB(program_);
    if (vertexShader_) glDeleteObjectARB(vertexShader_);
    if (fragmentShader_) glDeleteObjectARB(fragmentShader_);
}

bool SkinProgram::Ensure() {
    if (state_ != State::Untried) return state_ == State::Ready;
    state_ = State::Failed;
    if (!epoxy_has_gl_extension("GL_ARB_shader_objects") || !epoxy_has_gl_extension("GL_ARB_vertex_shader") ||
        !epoxy_has_gl_extension("GL_ARB_fragment_shader")) {
        error_ = "no ARB shader objects";
        return false;
    }
    vertexShader_ = CompileShader(GL_VERTEX_SHADER_ARB, kVertexSource, error_);
    if (!error_.empty()) return false;
    fragmentShader_ = CompileShader(GL_FRAGMENT_SHADER_ARB, kFragmentSource, error_);
    if (!error_.empty()) return false;
    program_ = glCreateProgramObjectARB();
    glAttachObjectARB(program_, vertexShader_);
    glAttachObjectARB(program_, fragmentShader_);
    glLinkProgramARB(program_);
    GLint linked = 0;
    glGetObjectParameterivARB(program_, GL_OBJECT_LINK_STATUS_ARB, &linked);
    if (!linked) {
        error_ = "skin program does not link: " + InfoLog(program_);
        return false;
    }
    samplerUniform_ = glGetUniformLocationARB(program_, "Texture0");
    paletteUniform_ = glGetUniformLocationARB(program_, "Palette");
    tintUniform_ = glGetUniformLocationARB(program_, "Tint");
    texturedUniform_ = glGetUniformLocationARB(program_, "Textured");
    state_ = State::Ready;
    return true;
}

void SkinProgram::Use() const { glUseProgramObjectARB(program_); }
void SkinProgram::UseNone() { glUseProgramObjectARB(0); }
void SkinProgram::SetSampler(int textureUnit) const { glUniform1iARB(samplerUniform_, textureUnit); }
void SkinProgram::SetPalette(const float* rows, int rowCount) const {
    glUniform4fvARB(paletteUniform_, rowCount, rows);
}
void SkinProgram::SetTint(const float* rgba) const { glUniform4fvARB(tintUniform_, 1, rgba); }
void SkinProgram::SetTextured(bool textured) const { glUniform1fARB(texturedUniform_, textured ? 1.0f : 0.0f); }

}  // namespace tv
