#include "world/particles.h"

#include <epoxy/gl.h>

#include <cmath>

#include "common/binary_io.h"
#include "common/data_paths.h"
#include "math/random.h"
#include "math/rotations.h"
#include "models/model.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "render/texture.h"
#include "world/particle_file.h"

namespace tv {

namespace {

std::string FileNameOnly(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Half the atlas frame height as a share of the texture: FrameHeight / AtlasHeight. An atlas
// that was never described (height 0) is one frame, the whole texture.
float AtlasFrameShare(const T_Particles_System& ps) {
    if (ps.AtlasHeight <= 0) return 1.0f;
    return static_cast<float>(ps.FrameHeight) / static_cast<float>(ps.AtlasHeight);
}

}  // namespace

void LoadParticles(T_Particles_System& ps, const std::string& path, const std::string& dataRoot) {
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
    if (f.Count > kMaxParticlesPerSystem) {
        throw DataError(path, 0, "count",
                        "particle count " + std::to_string(f.Count) + " is outside 0.." +
                            std::to_string(kMaxParticlesPerSystem));
    }
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
    SetParticleTexture(ps, DataPath(dataRoot, std::string(paths::kParticleTextureFolder) + f.TextureName));
    ps.Radius = ParticleRadius(f);
}

void SetParticleTexture(T_Particles_System& ps, const std::string& fullPath) {
    if (!ps.TextureName.empty() && ps.Texture != 0) {
        glDeleteTextures(1, &ps.Texture);
        ps.Texture = 0;
    }
    ps.TextureName = fullPath;
    LoadTexture(fullPath, ps.Texture);
    ps.TextureName = FileNameOnly(fullPath);
}

void EmitParticle(T_Particles_System& ps, GameRandom& random, Clock& clock) {
    random.Reseed(clock.PerformanceCounter());
    if (ps.Active != 1) return;
    ps.Count += 1;
    if (ps.Capacity < ps.Count) {
        ps.Capacity += kParticleGrowStep;
        ps.Buffer.resize(static_cast<size_t>(ps.Capacity));
    }
    Particle& p = ps.Buffer[static_cast<size_t>(ps.Count - 1)];
    p.x = static_cast<float>(static_cast<int>(random.Random(1000)) - 500) / 500.0f * ps.EmitSpread + ps.EmitCentre.x;
    p.y = ps.EmitCentre.y;
    RotateAround(p.x, p.y, static_cast<float>(random.Random(360)), ps.EmitCentre.x, ps.EmitCentre.y);
    p.z = ps.EmitCentre.z;
    p.tx = static_cast<float>(static_cast<int>(random.Random(1000)) - 500) / 500.0f * ps.TargetSpread + ps.TargetCentre.x;
    p.ty = ps.TargetCentre.y;
    RotateAround(p.tx, p.ty, static_cast<float>(random.Random(360)), ps.TargetCentre.x, ps.TargetCentre.y);
    p.tz = ps.TargetCentre.z;
    p.speed = ps.Speed;
    p.size = ps.StartSize;
    p.r = ps.Colour[0];
    p.g = ps.Colour[1];
    p.b = ps.Colour[2];
    p.a = ps.Colour[3];
    p.frame = static_cast<float>(random.Random(static_cast<uint32_t>(ps.FrameCount > 0 ? ps.FrameCount : 0)));
}

void RemoveParticle(T_Particles_System& ps, int32_t index) {
    if (ps.Count <= 0 || index < 0 || index >= ps.Count) return;
    ps.Buffer[static_cast<size_t>(index)] = ps.Buffer[static_cast<size_t>(ps.Count - 1)];
    ps.Count -= 1;
}

void UpdateParticles(T_Particles_System& ps, int mode, uint32_t frameMs) {
    if (mode != 2) return;
    const float dt = static_cast<float>(frameMs) / 1000.0f;
    ps.FrameSeconds = dt;
    const float frameStep = static_cast<float>(frameMs) / 250.0f;
    // Over the particles live at the start, but never past the live count: the slots beyond it
    // hold stale copies, and "removing" one of those would drop a live particle.
    const int32_t live = ps.Count;
    for (int32_t i = 0; i < live && i < ps.Count; ++i) {
        Particle& p = ps.Buffer[static_cast<size_t>(i)];
        const double dx = double(p.tx) - p.x, dy = double(p.ty) - p.y, dz = double(p.tz) - p.z;
        const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
        // A particle sitting exactly on its target stays there instead of turning into NaN.
        if (len > 0.0) {
            ps.Direction = {float(dx / len), float(dy / len), float(dz / len)};
            p.x += ps.Direction.x * p.speed * dt;
            p.y += ps.Direction.y * p.speed * dt;
            p.z += ps.Direction.z * p.speed * dt;
        }
        p.r += ps.ColourDelta[0] * dt;
        p.g += ps.ColourDelta[1] * dt;
        p.b += ps.ColourDelta[2] * dt;
        p.size += ps.SizeDelta * dt;
        if (p.frame > 0.0f) p.frame -= frameStep;
        if (p.r < 0.0f && p.g < 0.0f && p.b < 0.0f) RemoveParticle(ps, i);
    }
}

void BuildParticleQuads(const T_Particles_System& ps, const double m[16], std::vector<float>& out) {
    const float rx = float(m[0]), ry = float(m[4]), rz = float(m[8]);
    const float ux = float(m[1]), uy = float(m[5]), uz = float(m[9]);
    const float share = AtlasFrameShare(ps);
    out.resize(static_cast<size_t>(ps.Count) * 36);
    float* o = out.data();
    for (int32_t k = 0; k < ps.Count; ++k) {
        const Particle& p = ps.Buffer[static_cast<size_t>(k)];
        const float f = std::trunc(p.frame);
        const float v0 = f * share, v1 = (f + 1.0f) * share;
        const float s = p.size;
        // Quad order of the strip's corners 1, 2, 4, 3: -R-U, R-U, R+U, U-R.
        const float corner[4][4] = {{1.0f, v0, -rx - ux, 0.0f},
                                    {0.0f, v0, rx - ux, 0.0f},
                                    {0.0f, v1, rx + ux, 0.0f},
                                    {1.0f, v1, ux - rx, 0.0f}};
        const float oy[4] = {-ry - uy, ry - uy, ry + uy, uy - ry};
        const float oz[4] = {-rz - uz, rz - uz, rz + uz, uz - rz};
        for (int c = 0; c < 4; ++c) {
            *o++ = corner[c][0];
            *o++ = corner[c][1];
            *o++ = p.r;
            *o++ = p.g;
            *o++ = p.b;
            *o++ = p.a;
            *o++ = p.x + s * corner[c][2];
            *o++ = p.y + s * oy[c];
            *o++ = p.z + s * oz[c];
        }
    }
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

void StartParticles(T_Particles_System& ps, GameRandom& random, Clock& clock) {
    const int32_t n = ps.Count;
    ps.Count = 0;
    for (int32_t k = 0; k < n; ++k) EmitParticle(ps, random, clock);
    ps.VertexBufferSize = ps.Count * 128;
    if (ps.VertexBuffer == 0) glGenBuffers(1, &ps.VertexBuffer);
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

Vec3 EmitterParticlePosition(const T_Particles_System& ps, int32_t b, const Vec3& start, const Vec3& target) {
    float t = ps.Elapsed + static_cast<float>(b) * ps.TimeStep;
    t = ps.Period > 0.0f ? std::fmod(t, ps.Period) : 0.0f;
    const double dx = double(target.x) - start.x, dy = double(target.y) - start.y, dz = double(target.z) - start.z;
    const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!(len > 0.0)) return start;
    const double k = ps.Speed * t / len;
    return {float(start.x + dx * k), float(start.y + dy * k), float(start.z + dz * k)};
}

void PrepareParticleShader(T_Particles_System& ps, uint32_t frameMs) {
    double m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    for (int k = 0; k < 16; ++k) ps.ModelView[k] = m[k];
    const Vec3 a{float(m[0]), float(m[4]), float(m[8])};
    const Vec3 b{float(m[1]), float(m[5]), float(m[9])};
    ps.Corners[0] = {-a.x - b.x, -a.y - b.y, -a.z - b.z};
    ps.Corners[1] = {a.x - b.x, a.y - b.y, a.z - b.z};
    ps.Corners[2] = {b.x - a.x, b.y - a.y, b.z - a.z};
    ps.Corners[3] = {a.x + b.x, a.y + b.y, a.z + b.z};
    ps.TimeStep = ps.Period / static_cast<float>(ps.Count);
    ps.FrameSeconds = static_cast<float>(frameMs) / 1000.0f;
    ps.Elapsed += ps.FrameSeconds;
    if (ps.Elapsed > ps.Period) ps.Elapsed = 0.0f;
    ps.ShaderParams = {ps.TimeStep,     ps.Period,         ps.Elapsed,        ps.Speed,
                       ps.Colour[0],    ps.Colour[1],      ps.Colour[2],      ps.Colour[3],
                       ps.ColourDelta[0], ps.ColourDelta[1], ps.ColourDelta[2], ps.ColourDelta[3],
                       ps.StartSize,    ps.SizeDelta,      0.0f,              0.0f};
}

void DrawParticleShader(const T_Particles_System& ps, ParticleProgram& program) {
    if (!program.Ensure()) return;
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
    const float corners[9] = {ps.Corners[0].x, ps.Corners[0].y, ps.Corners[0].z, ps.Corners[1].x, ps.Corners[1].y,
                              ps.Corners[1].z, ps.Corners[2].x, ps.Corners[2].y, ps.Corners[2].z};
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

void ComputeBillboardVectors(const Vec3& eye, const Vec3& target, BillboardSides& sides) {
    double dx = double(target.x) - eye.x, dy = double(target.y) - eye.y, dz = double(target.z) - eye.z;
    const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (len > 0.0) {
        dx *= 0.5 / len;
        dy *= 0.5 / len;
    }
    sides.LeftX = float(dx);
    sides.LeftY = float(dy);
    sides.RightX = float(dx);
    sides.RightY = float(dy);
    Rotate2D(sides.LeftX, sides.LeftY, 90.0f);
    Rotate2D(sides.RightX, sides.RightY, -90.0f);
}

}  // namespace tv
