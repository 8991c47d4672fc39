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

#include "app/VornaApp.h"
#include "dmr/DmrRenderer.h"
#include "doc/VornaDoc.h"

namespace {

const std::string& Region8() {
    static std::string dir;
    if (!dir.empty()) return dir;
    char exe[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    const std::filesystem::path build =
        std::filesystem::path(std::string(exe, n > 0 ? std::size_t(n) : 0)).parent_path().parent_path();
    dir = (std::filesystem::temp_directory_path() / "vorna-dmr-bench-region8").string() + "/";
    if (!std::filesystem::exists(dir + "config/vornamap.ini")) {
        const std::string cmd =
            (build / "tools" / "make-sample-region").string() + " " + dir + " --size 8 >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "cannot make the sample region\n");
    }
    return dir;
}

struct Env {
    CVornaApp app;
    std::unique_ptr<CVornaDoc> doc;
    double now = 0.0;
    Env() {
        const std::string& r = Region8();
        app.startDirectory = r + "bench-start/";
        std::filesystem::create_directories(app.startDirectory);
        app.wptBaseDir = app.pendingWptBaseDir = r + "wpt/";
        app.dmrDataDir = r + "dmr/";
        for (int s = 0; s < kMapTypeCount; ++s)
            app.mapTypes[s].directory = r + "maps/" + app.mapTypes[s].name + "/";
        app.newWptBaseFlag = 1;
        doc = std::make_unique<CVornaDoc>(app, DocServices{app.memUse, app.geo, nullptr, true});
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
