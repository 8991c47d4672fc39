// Full frames of the 3-D view over an 8 x 8 quadrant sample region: the
// wireframe, and the surface for each quality and colouring, at the default
// view settings (15 km) and at 50 and 100 km, at 1280 x 800 and 1920 x 1080.
// The view point sits in the region's south-east corner looking north-west
// (the default heading), so the whole range lies over terrain. The surface is
// timed as the idle steps run it; the slowest single step is a counter.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdint>
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
        app.settings.dmr = DmrParams{};
        app.settings.dmr.ViewPoint = CPointD(548000, 5062000);
        app.settings.dmr.StickToGps = 0;
    }
};

Env& TheEnv() {
    static Env env;
    return env;
}

// With VORNA_BENCH_PICTURE_HASH set, each case prints a hash of its last
// picture, so a change meant to keep the pictures can be checked against
// the same run before it.
void ReportPicture(const char* name, const benchmark::State& state, int args, const QImage& img) {
    if (!std::getenv("VORNA_BENCH_PICTURE_HASH")) return;
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (int y = 0; y < img.height(); ++y) {
        const uchar* line = img.constScanLine(y);
        for (qsizetype i = 0; i < qsizetype(img.width()) * 4; ++i) h = (h ^ line[i]) * 1099511628211ull;
    }
    std::string label = name;
    for (int i = 0; i < args; ++i) label += "/" + std::to_string(state.range(i));
    std::fprintf(stderr, "picture %s %dx%d %016llx\n", label.c_str(), img.width(), img.height(),
                 (unsigned long long)h);
}

void Frame(benchmark::State& state, bool wireframe) {
    Env& env = TheEnv();
    DmrParams& p = env.app.settings.dmr;
    p.Visibility = int(state.range(0));
    p.PreviewMode = wireframe ? 0 : 2;
    p.Rendering = wireframe ? 1 : int(state.range(3));
    p.SurfaceType = wireframe ? 0 : int(state.range(4));
    CDmrRenderer r(*env.doc, env.app.settings, env.app.memUse, [&env] { return env.now; });
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
    ReportPicture(wireframe ? "Wireframe" : "Surface", state, wireframe ? 3 : 5, r.Picture());
}

void Wireframe(benchmark::State& state) { Frame(state, true); }
void Surface(benchmark::State& state) { Frame(state, false); }

// The default view against the costliest views the panel or a view-point
// file can set, at 1280 x 800 and 15 km: each must stay within a few times
// the default. Quality -1 is the wireframe.
void View(benchmark::State& state) {
    Env& env = TheEnv();
    DmrParams& p = env.app.settings.dmr;
    const DmrParams saved = p;
    switch (state.range(0)) {
        case 1:  // looking 20 degrees up with a 60 degree angle
            p.Elevation = 20, p.ViewAngle = 60;
            break;
        case 2:  // the narrowest angle of the panel's bar
            p.ViewAngle = 10;
            break;
        case 3:  // a far narrower angle typed or read from a file
            p.ViewAngle = 0.01;
            break;
        case 4:  // the lowest relative height a file can hold
            p.IsRelHeight = 1, p.RelHeight = INT_MIN;
            break;
        case 5:  // the highest absolute height
            p.AbsHeight = INT_MAX;
            break;
        case 6:  // straight down from just above the ground, the widest angle
            p.Elevation = -90, p.ViewAngle = 179, p.IsRelHeight = 1, p.RelHeight = 1;
            break;
        case 7:  // straight down from the highest absolute height
            p.Elevation = -90, p.AbsHeight = INT_MAX;
            break;
        default:
            break;
    }
    const bool wire = state.range(1) < 0;
    p.Visibility = 15;
    p.PreviewMode = wire ? 0 : 2;
    p.Rendering = wire ? 1 : int(state.range(1));
    p.SurfaceType = 0;
    CDmrRenderer r(*env.doc, env.app.settings, env.app.memUse, [&env] { return env.now; });
    r.SetSize(1280, 800);
    auto run = [&] {
        r.Redraw();
        while (r.GetState() != CDmrRenderer::State::Idle) {
            if (r.MsUntilWork() > 0) env.now += 1.0;
            r.IdleStep();
        }
    };
    run();
    for (auto _ : state) run();
    state.counters["cells"] = double(r.RenderStats().cells);
    state.counters["samples"] = double(r.RenderStats().samples);
    ReportPicture("View", state, 2, r.Picture());
    p = saved;
}

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

// View 0 default, 1 looking up, 2 angle 10, 3 angle 0.01, 4 relative height
// INT_MIN, 5 absolute height INT_MAX, 6 straight down at 179 degrees from
// 1 m, 7 straight down from the highest absolute height;
// quality -1 wireframe, 0 Coarse, 1 Medium, 2 Fine.
BENCHMARK(View)
    ->ArgNames({"view", "q"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {-1, 0, 1, 2}})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
