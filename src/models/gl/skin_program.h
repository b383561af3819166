#pragma once
// The GPU skinning program for SkinnedBuffer models. Each vertex of the 60-byte layout carries
// (s, t', bone0, weight0) in its 4-component texture attribute, (bone1, weight1, bone2,
// weight2) in its colour attribute, its normal and its position (x, y, z; the fourth
// component is not filled and is ignored). The program blends the vertex by its three weighted
// bones from a palette of 216 rows (three rows of a bone's absolute matrix per bone), colours
// it with the tint and modulates it with texture unit 0 while 2D texturing is enabled.
//
// Built with the ARB shader-object entry points, once per GL context (the renderer's store
// keeps one, GpuStore::Part; every model uploaded there shares it). A driver without shader
// objects, or a build failure, leaves it unavailable, and SkinnedBuffer models are then drawn
// unskinned.

#include <cstdint>
#include <string>

#include "common/error.h"
#include "render/gl/gl_handles.h"

namespace tv {

class SkinProgram {
public:
    SkinProgram() = default;
    ~SkinProgram() = default;  // deletes the program objects: the context must be current
    SkinProgram(const SkinProgram&) = delete;
    SkinProgram& operator=(const SkinProgram&) = delete;

    // Builds the program in the current context on the first call; true when it can be used.
    bool Ensure();
    // Switches GPU skinning off for this context for good (a driver known to misbehave);
    // SkinnedBuffer models then draw unskinned, as without shader support.
    void Disable() {
        state_ = State::Failed;
        status_ = Error("switched off");
    }
    // The build's error when Ensure failed (missing extensions or the compiler's log).
    const Status& status() const { return status_; }

    void Use() const;      // makes it the current program
    static void UseNone();  // back to fixed function
    // Uniform uploads; the program must be in use.
    void SetSampler(int textureUnit) const;
    void SetPalette(const float* rows, int rowCount) const;  // rowCount rows of 4 floats
    void SetTint(const float* rgba) const;
    void SetTextured(bool textured) const;

    uint32_t Program() const { return program_.Get(); }
    int SamplerUniform() const { return samplerUniform_; }
    int PaletteUniform() const { return paletteUniform_; }
    int TintUniform() const { return tintUniform_; }

private:
    enum class State { Untried, Ready, Failed };
    State state_ = State::Untried;
    GlProgram program_;
    int samplerUniform_ = -1;
    int paletteUniform_ = -1;
    int tintUniform_ = -1;
    int texturedUniform_ = -1;
    Status status_;
};

}  // namespace tv
