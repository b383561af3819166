// The aircraft update per frame from a start-up-sized list (50) to 400 waves (20,000), over a
// flat terrain. Every iteration times one Update of the same crowd: the waves as spawned, one
// second (60 frames) into their flight, restored before each run so the figure does not depend on
// how many iterations the library chose (a crowd left flying piles up on its target). The
// separation and collision passes look only at grid neighbours.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "combat/planes.h"
#include "math/random.h"
#include "platform/clock.h"
#include "world/particles.h"
#include "world/terrain.h"

namespace tv {
namespace {

void BM_PlanesUpdate(benchmark::State& state) {
    const int waves = static_cast<int>(state.range(0)) / kPlaneWaveSize;
    TLand land;
    land.RenderMode = 2;
    const int n = 64;
    land.Build(n, 1000.0f, std::vector<float>((n + 1) * (n + 1), 10.0f), std::vector<float>(n * n * 12, 0.0f));

    TPlanes_System planes;
    for (auto& m : planes.Models) {
        m = std::make_unique<TModel>();
        m->Radius = 8.0f;
        m->VectorA = {-2.0f, 0.0f, 4.0f};
        m->VectorB = {-1.0f, 0.0f, 0.0f};
    }
    planes.Target = {500.0f, 500.0f, 50.0f};
    GameRandom random;
    StepClock clock;
    for (int w = 0; w < waves; ++w) planes.SpawnWave(random, w == 0);
    // Every one stays alive: a deep list through every pass, whatever the collisions do.
    PlanesFrame frame;
    frame.frameMs = 16;
    frame.land = &land;
    frame.random = &random;
    frame.clock = &clock;
    // Every one stays alive: a deep list through every pass, whatever the collisions do.
    auto keepAlive = [&] {
        for (int32_t i = 0; i < planes.PlaneCount; ++i) planes.Planes[i].HitPoints = 3.0f;
    };
    for (int f = 0; f < 60; ++f) {
        keepAlive();
        planes.Update(frame);
    }
    keepAlive();
    const std::vector<TPlane> crowd = planes.Planes;
    const int32_t crowdCount = planes.PlaneCount;
    const GameRandom crowdRandom = random;
    for (auto _ : state) {
        state.PauseTiming();
        planes.Planes = crowd;
        planes.PlaneCount = crowdCount;
        random = crowdRandom;
        state.ResumeTiming();
        planes.Update(frame);
        benchmark::DoNotOptimize(planes.Planes.data());
    }
    state.counters["aircraft"] = planes.PlaneCount;
}
BENCHMARK(BM_PlanesUpdate)
    ->Arg(50)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tv
