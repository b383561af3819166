// World costs per frame and per load: the CPU particle update and the batched particle draw
// at 10,000 and 100,000 particles, and loading the generated level (terrain plus objects).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "math/random.h"
#include "platform/clock.h"
#include "world/map_objects.h"
#include "world/particles.h"
#include "world/terrain.h"

#ifdef TERRAVIK_BENCH_GL
#include <epoxy/gl.h>

#include "gl_context.h"
#include "render/gl/gpu_store.h"
#endif

namespace tv {
namespace {

// A smoke cloud of n particles that never fade, spread over a few hundred units.
std::unique_ptr<T_Particles_System> Cloud(int n) {
    auto ps = std::make_unique<T_Particles_System>();
    ps->Active = 1;
    ps->Colour = {0.6f, 0.6f, 0.6f, 1.0f};
    ps->ColourDelta = {0.0f, 0.0f, 0.0f, 0.0f};
    ps->EmitCentre = {500, 500, 10};
    ps->TargetCentre = {500, 500, 200};
    ps->EmitSpread = 200.0f;
    ps->TargetSpread = 300.0f;
    ps->Speed = 5.0f;
    ps->StartSize = 1.0f;
    ps->SizeDelta = 0.1f;
    ps->AtlasHeight = 2048;
    ps->FrameHeight = 128;
    ps->FrameCount = 16;
    GameRandom random;
    StepClock clock;
    for (int k = 0; k < n; ++k) EmitParticle(*ps, random, clock);
    return ps;
}

void BM_UpdateParticles(benchmark::State& state) {
    auto ps = Cloud(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        UpdateParticles(*ps, 2, 16);
        benchmark::DoNotOptimize(ps->Buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_UpdateParticles)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

#ifdef TERRAVIK_BENCH_GL
std::unique_ptr<test::OffscreenGlContext> Context() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    return std::make_unique<test::OffscreenGlContext>(256, 256);
}

void BM_DrawParticles(benchmark::State& state) {
    auto gl = Context();
    if (!gl->Ok()) {
        state.SkipWithError("no GL context");
        return;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 2000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(-500, -500, -800);
    auto ps = Cloud(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawParticles(*ps);
        glFinish();  // count the rasterising, not just the queueing
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DrawParticles)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The generated data set, if the build made one.
std::string GameDataRoot() {
    const std::string root = std::string(TERRAVIK_GAME_DIR) + "/";
    return std::filesystem::exists(root + "world/1.wrd") ? root : std::string();
}

void BM_TerrainLoad(benchmark::State& state) {
    const std::string root = GameDataRoot();
    auto gl = Context();
    if (root.empty() || !gl->Ok()) {
        state.SkipWithError("no generated data set or no GL context");
        return;
    }
    InitImageLibrary();
    for (auto _ : state) {
        GpuStore gpu;  // what the load makes goes with it, as the game's would at shutdown
        TLand land;
        land.Load(root + "world/1.wrd.map", root, &gpu);
        glFinish();
        benchmark::DoNotOptimize(land.TriangleCount);
    }
}
BENCHMARK(BM_TerrainLoad)->Unit(benchmark::kMillisecond);

void BM_LevelLoad(benchmark::State& state) {
    const std::string root = GameDataRoot();
    auto gl = Context();
    if (root.empty() || !gl->Ok()) {
        state.SkipWithError("no generated data set or no GL context");
        return;
    }
    InitImageLibrary();
    GameRandom random;
    StepClock clock;
    LevelLoadContext context;
    context.DataRoot = root;
    context.Models.DataRoot = root;
    context.Random = &random;
    context.GameClock = &clock;
    for (auto _ : state) {
        GpuStore gpu;
        context.Models.Gpu = &gpu;
        TLand land;
        MapObjects objects;
        LoadLevel(root + "world/1.wrd", land, objects, context);
        glFinish();
        benchmark::DoNotOptimize(objects.Objects.size());
    }
}
BENCHMARK(BM_LevelLoad)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
}  // namespace tv
