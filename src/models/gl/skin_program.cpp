#include "models/gl/skin_program.h"

#include <epoxy/gl.h>

#include "render/gl/gl_handles.h"
#include "render/gl/shader_program.h"

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

}  // namespace

bool SkinProgram::Ensure() {
    if (state_ != State::Untried) return state_ == State::Ready;
    state_ = State::Failed;
    program_.Reset(BuildShaderProgram("skin", kVertexSource, kFragmentSource, status_));
    const uint32_t program = program_.Get();
    if (program == 0) return false;
    samplerUniform_ = glGetUniformLocationARB(program, "Texture0");
    paletteUniform_ = glGetUniformLocationARB(program, "Palette");
    tintUniform_ = glGetUniformLocationARB(program, "Tint");
    texturedUniform_ = glGetUniformLocationARB(program, "Textured");
    state_ = State::Ready;
    return true;
}

void SkinProgram::Use() const { glUseProgramObjectARB(program_.Get()); }
void SkinProgram::UseNone() { glUseProgramObjectARB(0); }
void SkinProgram::SetSampler(int textureUnit) const { glUniform1iARB(samplerUniform_, textureUnit); }
void SkinProgram::SetPalette(const float* rows, int rowCount) const {
    glUniform4fvARB(paletteUniform_, rowCount, rows);
}
void SkinProgram::SetTint(const float* rgba) const { glUniform4fvARB(tintUniform_, 1, rgba); }
void SkinProgram::SetTextured(bool textured) const { glUniform1fARB(texturedUniform_, textured ? 1.0f : 0.0f); }

}  // namespace tv
