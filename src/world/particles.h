#pragma once
// Particle systems loaded from ".kpr" descriptions. Particles travel in straight lines from
// a disc around the emission centre toward a disc around the target centre, change colour
// and size over time, step through the frames of a vertically stacked texture atlas, and are
// drawn as camera-facing quads. Two users:
//  - the aircraft smoke: emitted one at a time, updated and drawn on the CPU each frame
//    (EmitParticle, UpdateParticles, DrawParticles);
//  - the level's emitters: filled once (StartParticles) into a static vertex buffer and
//    animated by a GPU program from a few per-frame values (AdvanceEmitter,
//    DrawParticleShader).
// Times are seconds unless a name says ms; positions are in the coordinates current at draw time.
// Loading, StartParticles and both draws are the GL side (particles_draw.cpp; the emitters'
// program: gl/particle_program.h); emission, motion and quad geometry touch no GL. Textures
// and buffers live in the renderer's store (render/gl/gpu_store.h); a system keeps their ids.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/memory_budget.h"
#include "common/error.h"
#include "math/vec3.h"

namespace tv {

class Clock;
class GameRandom;
class GpuStore;
struct BillboardSides;

// Particles a description may ask an emitter to create; more is a corrupt file.
inline constexpr int32_t kMaxParticlesPerSystem = 1'000'000;
// Particles one description (".kpr") may ask a level emitter to start. Each costs about 220
// bytes at load (the particle, its vertices, the GPU buffer) and a quad every frame; the
// largest real emitter holds 200.
inline constexpr int32_t kMaxEmitterParticles = 4096;
// The buffer grows in steps of this many particles, so emission rarely allocates.
inline constexpr int32_t kParticleGrowStep = 10'000;

struct Particle {
    float x = 0.0f, y = 0.0f, z = 0.0f;     // position
    float tx = 0.0f, ty = 0.0f, tz = 0.0f;  // target point
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
    float size = 0.0f;   // half the quad's side
    float speed = 0.0f;  // units per second
    float frame = 0.0f;  // integer part is the atlas frame
    uint32_t serial = 0;  // emission order within its system (wraps; only differences count)
};

struct T_Particles_System {
    uint8_t Active = 0;           // emission happens only while 1
    std::vector<Particle> Buffer;  // Capacity entries, the first Count live
    int32_t Count = 0;
    int32_t Capacity = 0;
    float TimeStep = 0.0f;  // Period / Count: offset between consecutive GPU-animated particles
    std::array<float, 4> Colour{};
    std::array<float, 4> ColourDelta{};  // per second
    Vec3 EmitCentre;
    Vec3 TargetCentre;
    float Speed = 0.0f;
    float StartSize = 0.0f;
    float SizeDelta = 0.0f;
    float EmitSpread = 0.0f;
    float TargetSpread = 0.0f;
    float Period = 0.0f;
    uint8_t BlendMode = 0;    // GPU path: 0 (SRC_ALPHA, ONE), 1 (SRC_ALPHA, 1-SRC_ALPHA), 2 (ONE, ONE)
    std::string TextureName;  // file name only, after loading
    uint32_t Texture = 0;     // texture id (the store owns it); bound for every draw
    float Radius = 0.0f;   // culling radius
    float Elapsed = 0.0f;  // seconds into the current period (GPU path)
    uint32_t VertexBuffer = 0;  // buffer id (the store owns it)
    int32_t VertexBufferSize = 0;
    Vec3 Direction;          // scratch of the update
    float FrameSeconds = 0.0f;
    std::array<float, 16> ShaderParams{};  // TimeStep, Period, Elapsed, Speed; Colour; ColourDelta; StartSize, SizeDelta, 0, 0
    int32_t AtlasHeight = 0;  // the atlas frames are stacked vertically: FrameHeight / AtlasHeight each
    int32_t FrameHeight = 0;
    int32_t FrameCount = 0;   // emitted particles start at a random frame below this

    std::vector<float> DrawScratch;  // DrawParticles' batched quads, reused between frames

    // The most particles the system holds; once full, each new one replaces the oldest.
    int32_t Budget = kMaxParticlesPerSystem;
    uint32_t NextSerial = 0;
    uint64_t Replaced = 0;  // particles cut short by the budget, for the timedemo's report
    // The live slots oldest first, for replacing the oldest while full: valid until a particle
    // is removed or appended, and cycled in order because each replacement becomes the newest.
    std::vector<int32_t> OldestFirst;
    size_t OldestCursor = 0;
    bool OldestFirstValid = false;
};

// Sets Count to 0, reads the description over the system's fields (a short file leaves the
// rest as they were), loads dataRoot + "k_resurs\particles\texture\" + the texture name and
// computes Radius. Raises DataError if the file cannot be read or asks for more than
// kMaxEmitterParticles particles; a negative count means none (one warning). The texture goes
// into `gpu` (its context current; null: none is loaded). The particles are charged to
// `budget` (may be null).
void LoadParticles(T_Particles_System& ps, const std::string& path, const std::string& dataRoot, GpuStore* gpu,
                   StartupBudget* budget = nullptr);
// Deletes the old texture from `gpu`, loads `fullPath` into it (null: none), keeps only its
// file name.
void SetParticleTexture(GpuStore* gpu, T_Particles_System& ps, const std::string& fullPath);
// Reseeds `random` from the clock's performance counter, then (only when Active is 1) adds one
// particle on the emission disc heading for a point on the target disc. A system holding its
// Budget already puts the new particle in the oldest one's slot instead (none when Budget <= 0).
void EmitParticle(T_Particles_System& ps, GameRandom& random, Clock& clock);
// EmitParticle `count` times (none when count <= 0).
void EmitParticles(T_Particles_System& ps, GameRandom& random, Clock& clock, int32_t count);
// Moves the last live particle into slot `index`; nothing when there are none.
void RemoveParticle(T_Particles_System& ps, int32_t index);
// Advances every live particle by frameMs; mode 2 is the only mode (others do nothing).
// Particles whose r, g and b have all fallen below 0 are removed.
void UpdateParticles(T_Particles_System& ps, int mode, uint32_t frameMs);
// Draws every live particle as a camera-facing quad with additive blending, in one batch.
// Leaves blending and texturing off and depth writes on.
void DrawParticles(T_Particles_System& ps);

// The four vertices of each live particle's quad, 9 floats each (u, v, r, g, b, a, x, y, z),
// corners in quad order, for the camera whose model-view matrix is `modelView`
// (column-major). DrawParticles draws exactly this.
void BuildParticleQuads(const T_Particles_System& ps, const double modelView[16], std::vector<float>& out);

// Level emitters: creates Count particles and, given a store, the static vertex buffer in it
// (its context current).
void StartParticles(T_Particles_System& ps, GameRandom& random, Clock& clock, GpuStore* gpu);

// A level emitter's frame while in view (no GL): TimeStep, Elapsed advanced by frameMs
// (wrapping to 0 past Period), ShaderParams.
void AdvanceEmitter(T_Particles_System& ps, uint32_t frameMs);

// Where the GPU program puts particle b at the current Elapsed: the point reached from
// `start` toward `target` after (Elapsed + b * TimeStep) modulo Period seconds at Speed.
Vec3 EmitterParticlePosition(const T_Particles_System& ps, int32_t b, const Vec3& start, const Vec3& target);

// This frame's upright-billboard side vectors from the camera: the view direction scaled to
// 0.5, its x and y turned by +90 (left) and -90 (right) degrees about z.
void ComputeBillboardVectors(const Vec3& eye, const Vec3& target, BillboardSides& sides);

// The game's particle state: the aircraft smoke systems. (The emitters' program is the
// renderer's: GpuStore::Part<ParticleProgram>.)
struct ParticleSystems {
    std::vector<std::unique_ptr<T_Particles_System>> Systems;  // stable addresses
};

}  // namespace tv
