// Full frames of the 3-D view over an 8 x 8 quadrant sample region: the
// wireframe, and the surface for each quality and colouring, at the default
// view settings (15 km) and at 50 and 100 km, at 1280 x 800 and 1920 x 1080.
// The view point sits in the region's south-east corner looking north-west
// (the default heading), so the whole range lies over terrain. The surface is
// timed as the idle steps run it; the slowest single step is a counter.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "SampleRegionEnv.h"
#include "app/VornaApp.h"
#include "dmr/DmrRenderer.h"
#include "doc/VornaDoc.h"

namespace {

// The region's south-east corner, default view settings.
struct Env : BenchEnv {
    double now = 0.0;
    Env() : BenchEnv(8) {
        app.dmr = DmrParams{};
        app.dmr.ViewPoint = CPointD(548000, 5062000);
        app.dmr.StickToGps = 0;
    }
};

Env& TheEnv() {
    static Env env;
    return env;
}

void Frame(benchmark::State& state, bool wireframe) {
    Env& env = TheEnv();
    DmrParams& p = env.app.dmr;
    p.Visibility = int(state.range(0));
    p.PreviewMode = wireframe ? 0 : 2;
    p.Rendering = wireframe ? 1 : int(state.range(3));
    p.SurfaceType = wireframe ? 0 : int(state.range(4));
    CDmrRenderer r(*env.doc, env.app, env.app.memUse, [&env] { return env.now; });
    r.SetSize(int(state.range(1)), int(state.range(2)));
    double slowest = 0.0;
    auto run = [&] {
        r.Redraw();
        while (r.GetState() != CDmrRenderer::State::Idle) {
            if (r.MsUntilWork() > 0) env.now += 1.0;
            const auto t0 = std::chrono::steady_clock::now();
            r.IdleStep();
            slowest = std::max(
                slowest,
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }
    };
    run();  // quadrants and segments loaded once before timing
    slowest = 0.0;
    for (auto _ : state) run();
    state.counters["cells"] = double(r.RenderStats().cells);
    state.counters["samples"] = double(r.RenderStats().samples);
    state.counters["slowest_row_ms"] = slowest;
}

void Wireframe(benchmark::State& state) { Frame(state, true); }
void Surface(benchmark::State& state) { Frame(state, false); }

}  // namespace

BENCHMARK(Wireframe)
    ->ArgNames({"km", "w", "h"})
    ->ArgsProduct({{15, 50, 100}, {1280}, {800}})
    ->Args({15, 1920, 1080})
    ->Unit(benchmark::kMillisecond);
// Quality 0 Coarse, 1 Medium, 2 Fine; surface 0 grey, 1 hypsometric, 2 map, 3 orthophoto.
BENCHMARK(Surface)
    ->ArgNames({"km", "w", "h", "q", "s"})
    ->ArgsProduct({{15, 50, 100}, {1280}, {800}, {0, 1, 2}, {0, 1, 2, 3}})
    ->ArgsProduct({{15, 50, 100}, {1920}, {1080}, {0, 1, 2}, {0}})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
