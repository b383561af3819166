// The aircraft update per frame from a start-up-sized list (50) to 400 waves (20,000), over a
// flat terrain. Every iteration times one Update of the same crowd: the waves as spawned, one
// second (60 frames) into their flight, restored before each run so the figure does not depend on
// how many iterations the library chose (a crowd left flying piles up on its target). The
// separation and collision passes look only at grid neighbours.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "combat/planes.h"
#include "math/frustum.h"
#include "math/random.h"
#include "platform/clock.h"
#include "world/particles.h"
#include "world/terrain.h"

namespace tv {
namespace {

// A camera at the map's middle looking at the attacked point, as the game's is: the view
// planes of a 45-degree perspective out to 3000 units.
Frustum ViewOfTheCrowd(Vec3& eye) {
    eye = {0.0f, 0.0f, 20.0f};
    const Vec3 at{500.0f, 500.0f, 50.0f};
    double f[3] = {double(at.x) - eye.x, double(at.y) - eye.y, double(at.z) - eye.z};
    const double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (double& v : f) v /= fl;
    // side = f x up (up = +z), then up' = side x f.
    double s[3] = {f[1], -f[0], 0.0};
    const double sl = std::sqrt(s[0] * s[0] + s[1] * s[1]);
    for (double& v : s) v /= sl;
    const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    float m[16] = {};
    for (int k = 0; k < 3; ++k) {
        m[4 * k + 0] = float(s[k]);
        m[4 * k + 1] = float(u[k]);
        m[4 * k + 2] = float(-f[k]);
    }
    m[12] = float(-(s[0] * eye.x + s[1] * eye.y + s[2] * eye.z));
    m[13] = float(-(u[0] * eye.x + u[1] * eye.y + u[2] * eye.z));
    m[14] = float(f[0] * eye.x + f[1] * eye.y + f[2] * eye.z);
    m[15] = 1.0f;
    const double n = 1.0, far = 3000.0, t = n * std::tan(22.5 * 3.141592653589793 / 180.0), r = t * 1.6;
    float p[16] = {};
    p[0] = float(n / r);
    p[5] = float(n / t);
    p[10] = float(-(far + n) / (far - n));
    p[11] = -1.0f;
    p[14] = float(-2.0 * far * n / (far - n));
    Frustum view;
    view.CalculateFrom(p, m);
    return view;
}

// inView: the aircraft pass as the game runs it, with the view test against the camera's
// frustum and the smoke system the crashed aircraft emit into; without it only the flight,
// terrain, separation and collision passes.
void PlanesUpdate(benchmark::State& state, bool inView) {
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
    T_Particles_System smoke;
    smoke.Active = 1;
    smoke.Budget = 180240;
    Frustum view;
    if (inView) {
        view = ViewOfTheCrowd(frame.eye);
        frame.frustum = &view;
        planes.Smoke = &smoke;
        for (auto& m : planes.Models)
            for (int k = 0; k < 8; ++k) m->BoxCorners[k] = {k & 1 ? 4.0f : -4.0f, k & 2 ? 6.0f : -6.0f, k & 4 ? 2.0f : -2.0f};
    }
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
    if (inView) {
        int visible = 0;
        for (int32_t i = 0; i < planes.PlaneCount; ++i) visible += planes.Planes[i].Visible;
        state.counters["in_view"] = visible;
    }
}

void BM_PlanesUpdate(benchmark::State& state) { PlanesUpdate(state, false); }
void BM_PlanesUpdateInView(benchmark::State& state) { PlanesUpdate(state, true); }
BENCHMARK(BM_PlanesUpdateInView)->Arg(10000)->Unit(benchmark::kMillisecond);
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
