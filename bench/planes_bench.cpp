// The aircraft update per frame from a start-up-sized list (50) to 400 waves (20,000), over a
// flat terrain. The separation and collision passes look only at grid neighbours, so the time
// per Update should grow about twice per doubling of the list.
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
    for (auto _ : state) {
        for (int32_t i = 0; i < planes.PlaneCount; ++i) planes.Planes[i].HitPoints = 3.0f;
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
