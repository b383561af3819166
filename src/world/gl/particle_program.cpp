// The level emitters' GPU program. Each vertex carries (particle index b, corner number + 0.01)
// as its texture coordinate, the particle's target point as its colour and its start position
// as its position; per draw it gets params[4] (TimeStep, Period, Elapsed, Speed; colour;
// colour change per second; start size, size change per second) and the first three corner
// offsets. Particle b is drawn at the point reached from its start toward its target at Speed
// after (Elapsed + b * TimeStep) mod Period seconds, with colour and size advanced for the same
// time, its corner offset scaled by the size.
#include <epoxy/gl.h>

#include "render/gl/shader_program.h"
#include "world/gl/particle_program.h"

namespace tv {

namespace {

constexpr const char* kVertexShader = R"(#version 120
uniform vec4 params[4];
uniform vec3 corners[3];
void main() {
    float b = gl_MultiTexCoord0.x;
    int corner = int(gl_MultiTexCoord0.y);
    float timeStep = params[0].x;
    float period = params[0].y;
    float elapsed = params[0].z;
    float speed = params[0].w;
    float t = period > 0.0 ? mod(elapsed + b * timeStep, period) : 0.0;

    vec3 start = gl_Vertex.xyz;
    vec3 path = gl_Color.rgb - start;
    float len = length(path);
    vec3 dir = len > 0.0 ? path / len : vec3(0.0);
    vec3 centre = start + dir * speed * t;

    vec4 colour = params[1] + params[2] * t;
    float size = params[3].x + params[3].y * t;

    // Corners go round the quad: left-bottom, right-bottom, right-top, left-top; the fourth
    // offset (a + b) is the first one negated. Texture u runs right to left as on the CPU path.
    vec3 offset;
    vec2 uv;
    if (corner == 1) { offset = corners[0]; uv = vec2(1.0, 0.0); }
    else if (corner == 2) { offset = corners[1]; uv = vec2(0.0, 0.0); }
    else if (corner == 3) { offset = -corners[0]; uv = vec2(0.0, 1.0); }
    else { offset = corners[2]; uv = vec2(1.0, 1.0); }

    gl_Position = gl_ModelViewProjectionMatrix * vec4(centre + offset * size, 1.0);
    gl_TexCoord[0] = vec4(uv, 0.0, 1.0);
    gl_FrontColor = colour;
}
)";

constexpr const char* kFragmentShader = R"(#version 120
uniform sampler2D particleTexture;
void main() {
    gl_FragColor = texture2D(particleTexture, gl_TexCoord[0].xy) * gl_Color;
}
)";

}  // namespace

bool ParticleProgram::Ensure() {
    if (program_.Get() != 0) return true;
    if (tried_) return false;
    tried_ = true;
    program_.Reset(BuildShaderProgram("particle", kVertexShader, kFragmentShader, status_));
    const uint32_t program = program_.Get();
    if (program == 0) return false;
    sampler_ = glGetUniformLocation(program, "particleTexture");
    params_ = glGetUniformLocation(program, "params");
    corners_ = glGetUniformLocation(program, "corners");
    return true;
}

}  // namespace tv
