// The particles' GL side: loading descriptions with their textures, the emitters' static
// buffers, and both draw paths. Emission, motion and the quads' geometry are in particles.cpp.
#include <epoxy/gl.h>

#include "common/binary_io.h"
#include "common/data_paths.h"
#include "platform/paths.h"
#include "render/gl/gpu_store.h"
#include "world/gl/particle_program.h"
#include "world/particle_file.h"
#include "world/particles.h"

namespace tv {

namespace {

std::string FileNameOnly(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

void LoadParticles(T_Particles_System& ps, const std::string& path, const std::string& dataRoot, GpuStore* gpu,
                   StartupBudget* budget) {
    ps.Count = 0;
    ParticleFile f;
    f.Count = ps.Count;
    f.Colour = ps.Colour;
    f.ColourDelta = ps.ColourDelta;
    f.EmitCentre = ps.EmitCentre;
    f.TargetCentre = ps.TargetCentre;
    f.Speed = ps.Speed;
    f.StartSize = ps.StartSize;
    f.SizeDelta = ps.SizeDelta;
    f.EmitSpread = ps.EmitSpread;
    f.TargetSpread = ps.TargetSpread;
    f.Period = ps.Period;
    f.BlendMode = ps.BlendMode;
    f.TextureName = ps.TextureName;
    ReadParticlesInto(f, ReadWholeFile(ResolvePath(path)), path);
    if (f.Count < 0) {
        // Starting a negative count emits nothing.
        WarnData(path, 0, "count", "negative particle count " + std::to_string(f.Count) + ": no particles");
        f.Count = 0;
    }
    if (f.Count > kMaxEmitterParticles) {
        throw DataError(path, 0, "count",
                        "particle count " + std::to_string(f.Count) + " is outside 0.." +
                            std::to_string(kMaxEmitterParticles));
    }
    if (budget) budget->Charge(uint64_t{sizeof(Particle)} * static_cast<uint64_t>(f.Count), path, "count");
    ps.Count = f.Count;
    ps.Colour = f.Colour;
    ps.ColourDelta = f.ColourDelta;
    ps.EmitCentre = f.EmitCentre;
    ps.TargetCentre = f.TargetCentre;
    ps.Speed = f.Speed;
    ps.StartSize = f.StartSize;
    ps.SizeDelta = f.SizeDelta;
    ps.EmitSpread = f.EmitSpread;
    ps.TargetSpread = f.TargetSpread;
    ps.Period = f.Period;
    ps.BlendMode = f.BlendMode;
    ps.TextureName = f.TextureName;
    SetParticleTexture(gpu, ps, DataPath(dataRoot, std::string(paths::kParticleTextureFolder) + f.TextureName));
    ps.Radius = ParticleRadius(f);
}

void SetParticleTexture(GpuStore* gpu, T_Particles_System& ps, const std::string& fullPath) {
    if (gpu) gpu->DeleteTexture(ps.Texture);
    ps.Texture = 0;
    ps.TextureName = fullPath;
    if (gpu) ps.Texture = gpu->NewTexture(fullPath).id();
    ps.TextureName = FileNameOnly(fullPath);
}

void DrawParticles(T_Particles_System& ps) {
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, ps.Texture);
    if (ps.Count > 0) {
        // One matrix read per frame, one draw for all particles.
        double m[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, m);
        BuildParticleQuads(ps, m, ps.DrawScratch);
        const GLsizei stride = 9 * sizeof(float);
        const float* base = ps.DrawScratch.data();
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glTexCoordPointer(2, GL_FLOAT, stride, base);
        glColorPointer(4, GL_FLOAT, stride, base + 2);
        glVertexPointer(3, GL_FLOAT, stride, base + 6);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glEnableClientState(GL_VERTEX_ARRAY);
        glDrawArrays(GL_QUADS, 0, 4 * ps.Count);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        // The last particle's colour stays current, as when each was drawn on its own.
        const Particle& last = ps.Buffer[static_cast<size_t>(ps.Count - 1)];
        glColor4f(last.r, last.g, last.b, last.a);
    }
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDepthMask(GL_TRUE);
}

void StartParticles(T_Particles_System& ps, GameRandom& random, Clock& clock, GpuStore* gpu) {
    const int32_t n = ps.Count;
    ps.Count = 0;
    for (int32_t k = 0; k < n; ++k) EmitParticle(ps, random, clock);
    ps.VertexBufferSize = ps.Count * 128;
    if (!gpu) return;  // a run without GL: the particles are all it needs
    if (ps.VertexBuffer == 0) {
        GLuint name = 0;
        glGenBuffers(1, &name);
        ps.VertexBuffer = gpu->AdoptBuffer(name);
    }
    glBindBuffer(GL_ARRAY_BUFFER, ps.VertexBuffer);
    std::vector<float> staging(static_cast<size_t>(ps.Count) * 32);
    float* o = staging.data();
    for (int32_t b = 0; b < ps.Count; ++b) {
        const Particle& p = ps.Buffer[static_cast<size_t>(b)];
        for (int c = 1; c <= 4; ++c) {
            *o++ = static_cast<float>(b);
            *o++ = static_cast<float>(c) + 0.01f;
            *o++ = p.tx;
            *o++ = p.ty;
            *o++ = p.tz;
            *o++ = p.x;
            *o++ = p.y;
            *o++ = p.z;
        }
    }
    glBufferData(GL_ARRAY_BUFFER, ps.VertexBufferSize, staging.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void DrawParticleShader(const T_Particles_System& ps, ParticleProgram& program) {
    if (!program.Ensure()) return;
    // The quads' first three corner offsets, from the camera's right (a) and up (b) rows.
    double m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    const Vec3 a{float(m[0]), float(m[4]), float(m[8])};
    const Vec3 b{float(m[1]), float(m[5]), float(m[9])};
    const float corners[9] = {-a.x - b.x, -a.y - b.y, -a.z - b.z, a.x - b.x, a.y - b.y,
                              a.z - b.z,  b.x - a.x,  b.y - a.y,  b.z - a.z};
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    switch (ps.BlendMode) {
        case 0: glBlendFunc(GL_SRC_ALPHA, GL_ONE); break;
        case 1: glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); break;
        case 2: glBlendFunc(GL_ONE, GL_ONE); break;
        default: break;  // keeps whatever blend function is current
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, ps.Texture);
    glUseProgram(program.Handle());
    glUniform1i(program.SamplerLocation(), 0);
    glUniform4fv(program.ParamsLocation(), 4, ps.ShaderParams.data());
    glUniform3fv(program.CornersLocation(), 3, corners);
    glEnableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, ps.VertexBuffer);
    glInterleavedArrays(GL_T2F_C3F_V3F, 0, nullptr);
    glDrawArrays(GL_QUADS, 0, 4 * ps.Count);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
    // glInterleavedArrays enabled these as well; the next array draw must not inherit them.
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glUseProgram(0);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
}

}  // namespace tv
