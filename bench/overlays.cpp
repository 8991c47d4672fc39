// Warm repaint of the overlays of a 1920 x 1080 TK50 pane holding 10,000
// waypoints and a 50,000-point track log (with markers and a selected
// range), all on the pane; the waypoints alone and the track alone beside it.
// RENDER_PNG=<file> saves the last pane painted.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "OverlayScene.h"
#include "mapdraw/MapOverlays.h"

namespace {

void Overlays(benchmark::State& state) {
    BenchGuiApp();
    OverlayScene env(10000);
    QuadrantFlags flags{};
    QImage pane(1920, 1080, QImage::Format_RGB32);
    pane.fill(Qt::white);
    const int what = int(state.range(0));  // 0 both, 1 waypoints, 2 track
    for (auto _ : state) {
        QPainter dc(&pane);
        if (what != 2) DrawAllWaypoints(*env.doc, dc, DrawTarget{}, env.desc, &flags);
        if (what != 1) DrawTrackLog(*env.doc, dc, DrawTarget{}, env.desc);
    }
    if (const char* png = std::getenv("RENDER_PNG")) pane.save(QString::fromStdString(png));
}

}  // namespace

BENCHMARK(Overlays)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
