// The yardstick the timedemo divides its frame times by: one full-screen textured layer at
// the timedemo's size (1280 x 800), drawn and waited out. The game measures the same layer
// itself at the start of a --frames run; this one shows what it costs on its own.
#ifdef TERRAVIK_BENCH_GL
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdlib>
#include <memory>

#include "gl_context.h"
#include "render/gl/yardstick.h"

namespace tv {
namespace {

void BM_FullScreenLayer(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    test::OffscreenGlContext gl(w, h);
    if (!gl.Ok()) {
        state.SkipWithError("no GL context");
        return;
    }
    LayerYardstick layer;
    layer.DrawLayer(w, h);
    glFinish();
    for (auto _ : state) {
        layer.DrawLayer(w, h);
        glFinish();
    }
    layer.Release();
}
BENCHMARK(BM_FullScreenLayer)->Args({1280, 800})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tv
#endif
