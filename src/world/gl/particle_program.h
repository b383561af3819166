#pragma once
// The GPU program that animates the level's emitters, and their draw through it. One per GL
// context: the renderer's store keeps it (GpuStore::Part<ParticleProgram>).

#include <cstdint>
#include <string>

#include "common/error.h"
#include "render/gl/gl_handles.h"
#include "world/particles.h"

namespace tv {

// Compiled on first use in the current context; deleted with its owner (context current).
class ParticleProgram {
public:
    ParticleProgram() = default;
    ParticleProgram(const ParticleProgram&) = delete;
    ParticleProgram& operator=(const ParticleProgram&) = delete;
    // Compiles and links if not done yet; false (with status()) if the driver refuses it.
    bool Ensure();
    uint32_t Handle() const { return program_.Get(); }
    int SamplerLocation() const { return sampler_; }
    int ParamsLocation() const { return params_; }
    int CornersLocation() const { return corners_; }
    const Status& status() const { return status_; }

private:
    GlProgram program_;
    int sampler_ = -1;
    int params_ = -1;
    int corners_ = -1;
    bool tried_ = false;
    Status status_;
};

// Draws a level emitter's buffer through the program, blended by BlendMode, its quads facing
// the camera of the current model-view matrix. Leaves blending and texturing off, depth test
// and depth writes on. Draws nothing if the program is unavailable.
void DrawParticleShader(const T_Particles_System& ps, ParticleProgram& program);

}  // namespace tv
