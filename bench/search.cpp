// Warm repaint of a search area on a 1920 x 1080 TK50 pane: a field of the
// largest size (26 bands, 65520 points) and all nine routes plus the
// perimeter of 30 points each. Arg 0: 100 m between points, the bands
// running far beyond the pane; arg 1: 4 m, so that the whole field stands on
// the pane; arg 2: as arg 0 while a route point is dragged (its route
// changes at every paint). RENDER_PNG=<file> saves the last pane painted.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "OverlayScene.h"
#include "mapdraw/MapOverlays.h"

namespace {

void SearchArea(benchmark::State& state) {
    BenchGuiApp();
    OverlayScene env(0);
    CSearchArea& area = env.doc->SearchArea();
    SearchAreaData& d = area.Data();
    const CPointD s = ClientToMap(200, 1000, env.desc, GeorefParams{});
    const double distance = state.range(0) == 1 ? 4.0 : 100.0;
    d.BaseStart = s;
    d.BaseEnd = CPointD(s.easting + 26 * 150.0 + 10, s.northing);
    d.DirectionEnd = CPointD(s.easting, s.northing + 2519 * distance + 1);
    d.BandWidth = 150.0;
    d.PointDistance = distance;
    for (int r = 0; r < kRouteSlots; ++r) {
        for (int i = 0; i < kRoutePoints; ++i)
            d.Routes[r].Points[i] =
                ClientToMap(100 + 55 * i, 80 + 90 * r + (i % 2) * 40, env.desc, GeorefParams{});
        d.Routes[r].Count = kRoutePoints;
    }
    SearchGrid g;
    if (!MakeSearchGrid(d, g) || g.bands * g.points < 65000) state.SkipWithError("field not at its largest");
    QImage pane(1920, 1080, QImage::Format_RGB32);
    pane.fill(Qt::white);
    const CPointD dragged = d.Routes[3].Points[7];
    int step = 0;
    for (auto _ : state) {
        if (state.range(0) == 2)
            d.Routes[3].Points[7] = CPointD(dragged.easting + 10.0 * (++step % 64), dragged.northing);
        QPainter dc(&pane);
        DrawSearchArea(*env.doc, dc, DrawTarget{}, env.desc);
    }
    state.counters["points"] = double(g.bands) * g.points;
    if (const char* png = std::getenv("RENDER_PNG")) pane.save(QString::fromStdString(png));
}

}  // namespace

BENCHMARK(SearchArea)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
