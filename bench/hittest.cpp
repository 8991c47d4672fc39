// The hit test of a mouse move over the 1920 x 1080 TK50 pane: the nearest
// waypoint among 100,000 in the claimed bases and the nearest point of a
// 50,000-point track log, at a random pane point with a mouse move's
// tolerances; both together, the waypoints alone and the track alone.
#include <benchmark/benchmark.h>

#include <random>

#include "OverlayScene.h"

namespace {

void HitTest(benchmark::State& state) {
    OverlayScene env(100000);
    CVornaDoc& doc = *env.doc;
    const MapViewDesc& d = env.desc;
    const CAppearanceSettings& a = env.app.settings.appearance;
    const GeorefParams geo{};
    const CPointD c1 = ClientToMap(0, 0, d, geo), c2 = ClientToMap(1920, 1080, d, geo);
    QuadrantFlags flags{};
    doc.SelectActiveWptQuadrants(CRectD(c1.easting, c1.northing, c2.easting, c2.northing), flags, 0);
    const int wx = PixelsToMetresX(a.markerSize + 1, d, geo), wy = PixelsToMetresY(a.markerSize + 1, d, geo);
    const int tr = a.trackThickness + a.trackMarkerSize;
    const int tx = PixelsToMetresX(tr, d, geo), ty = PixelsToMetresY(tr, d, geo);

    const int what = int(state.range(0));  // 0 both, 1 waypoints, 2 track
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> px(0, 1919), py(0, 1079);
    int found = 0;
    for (auto _ : state) {
        const CPointD p = ClientToMap(px(rng), py(rng), d, geo);
        WaypointRecord w;
        TrackPoint t;
        if (what != 2) found += doc.GetClosestWptIndex(&w, p, wx, wy) >= 0;
        if (what != 1) found += doc.GetClosestTrackPointIndex(&t, p, tx, ty) >= 0;
    }
    state.counters["found"] = benchmark::Counter(found, benchmark::Counter::kAvgIterations);
}

}  // namespace

BENCHMARK(HitTest)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
