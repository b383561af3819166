#include "world/particles.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "math/random.h"
#include "math/rotations.h"
#include "models/model.h"
#include "platform/clock.h"

namespace tv {

namespace {

// Half the atlas frame height as a share of the texture: FrameHeight / AtlasHeight. An atlas
// that was never described (height 0) is one frame, the whole texture.
float AtlasFrameShare(const T_Particles_System& ps) {
    if (ps.AtlasHeight <= 0) return 1.0f;
    return static_cast<float>(ps.FrameHeight) / static_cast<float>(ps.AtlasHeight);
}

// Lists the live slots oldest first; rare (after a removal or an append), kept out of line so
// the common path of OldestSlot stays a few instructions.
[[gnu::noinline]] void SortOldestFirst(T_Particles_System& ps, size_t live) {
    ps.OldestFirst.resize(live);
    std::iota(ps.OldestFirst.begin(), ps.OldestFirst.end(), 0);
    // Ages counted back from the next serial stay right across the serials' wrap.
    const uint32_t next = ps.NextSerial;
    std::sort(ps.OldestFirst.begin(), ps.OldestFirst.end(), [&](int32_t a, int32_t b) {
        return next - ps.Buffer[static_cast<size_t>(a)].serial > next - ps.Buffer[static_cast<size_t>(b)].serial;
    });
    ps.OldestCursor = 0;
    ps.OldestFirstValid = true;
}

}  // namespace

// The slot of the oldest live particle of a full system.
[[gnu::always_inline]] inline int32_t OldestSlot(T_Particles_System& ps) {
    const size_t live = static_cast<size_t>(ps.Count);
    if (!ps.OldestFirstValid || ps.OldestFirst.size() != live) SortOldestFirst(ps, live);
    const int32_t slot = ps.OldestFirst[ps.OldestCursor];
    if (++ps.OldestCursor == live) ps.OldestCursor = 0;
    // Smoke comes in bursts that replace one slot after another: fetch a few ahead.
    const size_t ahead = ps.OldestCursor + 8 < live ? ps.OldestCursor + 8 : ps.OldestCursor;
    const Particle* next = ps.Buffer.data() + ps.OldestFirst[ahead];
    __builtin_prefetch(next, 1);
    __builtin_prefetch(reinterpret_cast<const char*>(next + 1) - 1, 1);
    return slot;
}

namespace {

// One emission: the particle is made in a local and stored whole, so the system's values are
// read once rather than again after every store into the buffer.
[[gnu::always_inline]] inline void EmitOne(T_Particles_System& ps, GameRandom& random, Clock& clock) {
    random.Reseed(clock.PerformanceCounter());
    if (ps.Active != 1) return;
    int32_t slot;
    if (ps.Count >= ps.Budget) {
        if (ps.Count <= 0) return;  // a budget of none holds nothing
        slot = OldestSlot(ps);
        ++ps.Replaced;
    } else {
        ps.Count += 1;
        if (ps.Capacity < ps.Count) {
            ps.Capacity += kParticleGrowStep;
            ps.Buffer.resize(static_cast<size_t>(ps.Capacity));
        }
        slot = ps.Count - 1;
        ps.OldestFirstValid = false;
    }
    Particle p;
    p.serial = ps.NextSerial++;
    p.x = static_cast<float>(static_cast<int>(random.Random(1000)) - 500) / 500.0f * ps.EmitSpread + ps.EmitCentre.x;
    p.y = ps.EmitCentre.y;
    RotateAround(p.x, p.y, TurnOfWholeDeg(random.Random(360)), ps.EmitCentre.x, ps.EmitCentre.y);
    p.z = ps.EmitCentre.z;
    p.tx = static_cast<float>(static_cast<int>(random.Random(1000)) - 500) / 500.0f * ps.TargetSpread + ps.TargetCentre.x;
    p.ty = ps.TargetCentre.y;
    RotateAround(p.tx, p.ty, TurnOfWholeDeg(random.Random(360)), ps.TargetCentre.x, ps.TargetCentre.y);
    p.tz = ps.TargetCentre.z;
    p.speed = ps.Speed;
    p.size = ps.StartSize;
    p.r = ps.Colour[0];
    p.g = ps.Colour[1];
    p.b = ps.Colour[2];
    p.a = ps.Colour[3];
    p.frame = static_cast<float>(random.Random(static_cast<uint32_t>(ps.FrameCount > 0 ? ps.FrameCount : 0)));
    ps.Buffer[static_cast<size_t>(slot)] = p;
}

}  // namespace

void EmitParticle(T_Particles_System& ps, GameRandom& random, Clock& clock) { EmitOne(ps, random, clock); }

void EmitParticles(T_Particles_System& ps, GameRandom& random, Clock& clock, int32_t count) {
    for (int32_t k = 0; k < count; ++k) EmitOne(ps, random, clock);
}

void RemoveParticle(T_Particles_System& ps, int32_t index) {
    if (ps.Count <= 0 || index < 0 || index >= ps.Count) return;
    ps.Buffer[static_cast<size_t>(index)] = ps.Buffer[static_cast<size_t>(ps.Count - 1)];
    ps.Count -= 1;
    ps.OldestFirstValid = false;
}

void UpdateParticles(T_Particles_System& ps, int mode, uint32_t frameMs) {
    if (mode != 2) return;
    const float dt = static_cast<float>(frameMs) / 1000.0f;
    ps.FrameSeconds = dt;
    const float frameStep = static_cast<float>(frameMs) / 250.0f;
    // Over the particles live at the start, but never past the live count: the slots beyond it
    // hold stale copies, and "removing" one of those would drop a live particle.
    const int32_t live = ps.Count;
    // The system's values held in locals: stores into the particles cannot change them.
    const float dr = ps.ColourDelta[0] * dt, dg = ps.ColourDelta[1] * dt, db = ps.ColourDelta[2] * dt;
    const float dsize = ps.SizeDelta * dt;
    Vec3 direction = ps.Direction;
    Particle* buffer = ps.Buffer.data();
    for (int32_t i = 0; i < live && i < ps.Count; ++i) {
        Particle& p = buffer[i];
        const double dx = double(p.tx) - p.x, dy = double(p.ty) - p.y, dz = double(p.tz) - p.z;
        const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
        // A particle sitting exactly on its target stays there instead of turning into NaN.
        if (len > 0.0) {
            direction = {float(dx / len), float(dy / len), float(dz / len)};
            p.x += direction.x * p.speed * dt;
            p.y += direction.y * p.speed * dt;
            p.z += direction.z * p.speed * dt;
        }
        p.r += dr;
        p.g += dg;
        p.b += db;
        p.size += dsize;
        if (p.frame > 0.0f) p.frame -= frameStep;
        if (p.r < 0.0f && p.g < 0.0f && p.b < 0.0f) RemoveParticle(ps, i);
    }
    ps.Direction = direction;
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

Vec3 EmitterParticlePosition(const T_Particles_System& ps, int32_t b, const Vec3& start, const Vec3& target) {
    float t = ps.Elapsed + static_cast<float>(b) * ps.TimeStep;
    t = ps.Period > 0.0f ? std::fmod(t, ps.Period) : 0.0f;
    const double dx = double(target.x) - start.x, dy = double(target.y) - start.y, dz = double(target.z) - start.z;
    const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!(len > 0.0)) return start;
    const double k = ps.Speed * t / len;
    return {float(start.x + dx * k), float(start.y + dy * k), float(start.z + dz * k)};
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

// Holding the emitters' program needs no GL; building it does (particle_program.cpp).
void AdvanceEmitter(T_Particles_System& ps, uint32_t frameMs) {
    ps.TimeStep = ps.Period / static_cast<float>(ps.Count);
    ps.FrameSeconds = static_cast<float>(frameMs) / 1000.0f;
    ps.Elapsed += ps.FrameSeconds;
    if (ps.Elapsed > ps.Period) ps.Elapsed = 0.0f;
    ps.ShaderParams = {ps.TimeStep,       ps.Period,         ps.Elapsed,        ps.Speed,
                       ps.Colour[0],      ps.Colour[1],      ps.Colour[2],      ps.Colour[3],
                       ps.ColourDelta[0], ps.ColourDelta[1], ps.ColourDelta[2], ps.ColourDelta[3],
                       ps.StartSize,      ps.SizeDelta,      0.0f,              0.0f};
}

}  // namespace tv
