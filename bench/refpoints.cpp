// "Calculate Map Origin" over a table of reference points clicked on a
// 1:25000 scan: 800 points and the full table of 3000.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "doc/RefPointStore.h"

namespace {

CRefPointStore ClickedPoints(int count) {
    constexpr double kMetresPerPixel = 25.4 / 150.0 / 1000.0 * 25000;
    const double c = std::cos(0.02), s = std::sin(0.02);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> px(0, 9999);
    std::normal_distribution<double> error(0.0, 1.5);
    CRefPointStore store;
    for (int k = 0; k < count; ++k) {
        const int x = px(rng), y = px(rng);
        const double u = x * kMetresPerPixel, v = y * kMetresPerPixel;
        store.SetRefPointMapCoords(std::round((450000 + c * u + s * v + error(rng)) * 10) / 10,
                                   std::round((5100000 + s * u - c * v + error(rng)) * 10) / 10);
        store.AddRefPointPixel(x, y, {});
    }
    return store;
}

void Fit(benchmark::State& state) {
    const CRefPointStore store = ClickedPoints(int(state.range(0)));
    for (auto _ : state) {
        ImageGeoref g;
        benchmark::DoNotOptimize(store.Fit(g, false));
        benchmark::DoNotOptimize(g);
    }
}

}  // namespace

BENCHMARK(Fit)->Arg(800)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
