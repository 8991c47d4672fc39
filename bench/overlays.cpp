// Warm repaint of the overlays of a 1920 x 1080 TK50 pane holding 10,000
// waypoints and a 50,000-point track log (with markers and a selected
// range), all on the pane; the waypoints alone and the track alone beside
// it; and the same ten times larger (100,000 + 500,000). "paint" 0 is a
// repaint of an unchanged picture, 1 the first paint of a changed one, 2
// the second paint, which keeps the layers.
// RENDER_PNG=<file> saves the last pane painted.
// OVERLAY_HASHES=1 prints a hash of the pane for a set of scenes (clipped,
// partly off the pane, printed at other zooms) instead of timing, so that a
// change to the painters can be checked to leave every picture as it was.
#include <benchmark/benchmark.h>

#include <QCryptographicHash>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "OverlayScene.h"
#include "mapdraw/MapOverlays.h"
#include "mapdraw/OverlayCache.h"
#include "mapdraw/TrackPainter.h"
#include "mapdraw/WptPainter.h"

namespace {

void Overlays(benchmark::State& state) {
    BenchGuiApp();
    const int times = state.range(1) ? 10 : 1;
    OverlayScene env(10000 * times, kSceneTrackPoints * times);
    QuadrantFlags flags{};
    QImage pane(1920, 1080, QImage::Format_RGB32);
    pane.fill(Qt::white);
    const int what = int(state.range(0));  // 0 both, 1 waypoints, 2 track
    const auto paint = [&] {
        QPainter dc(&pane);
        if (what != 2) DrawAllWaypoints(*env.doc, dc, DrawTarget{}, env.desc, &flags);
        if (what != 1) DrawTrackLog(*env.doc, dc, DrawTarget{}, env.desc);
    };
    // 0 a repaint of what was painted before; 1 the first paint of a picture
    // (after a scroll or a change); 2 its second paint, which keeps the layers
    const int paints = int(state.range(2));
    for (auto _ : state) {
        if (paints > 0) {
            state.PauseTiming();
            WptOverlayCache().Clear();
            TrackOverlayCache().Clear();
            if (paints == 2) paint();
            state.ResumeTiming();
        }
        paint();
    }
    if (const char* png = std::getenv("RENDER_PNG")) pane.save(QString::fromStdString(png));
}

struct HashScene {
    const char* name;
    std::function<void(MapViewDesc&, DrawTarget&, QPainter&)> set;
};

void PrintHashes() {
    BenchGuiApp();
    OverlayScene env(10000);
    const HashScene scenes[] = {
        {"full", [](MapViewDesc&, DrawTarget&, QPainter&) {}},
        {"clip-rect",
         [](MapViewDesc&, DrawTarget&, QPainter& dc) { dc.setClipRect(QRect(301, 203, 907, 509)); }},
        {"clip-region",
         [](MapViewDesc&, DrawTarget&, QPainter& dc) {
             dc.setClipRegion(QRegion(100, 100, 600, 400) | QRegion(900, 500, 700, 400));
         }},
        {"shifted",
         [](MapViewDesc& d, DrawTarget&, QPainter&) {
             d.origin = {d.origin.x + 777, d.origin.y - 431};
         }},
        {"far-off",
         [](MapViewDesc& d, DrawTarget&, QPainter&) {
             d.origin = {d.origin.x - 5000, d.origin.y};
         }},
        {"dim", [](MapViewDesc& d, DrawTarget&, QPainter&) { d.unselectedWpt = 1; }},
        {"hide", [](MapViewDesc& d, DrawTarget&, QPainter&) { d.unselectedWpt = 2; }},
        {"tk25",
         [](MapViewDesc& d, DrawTarget&, QPainter&) {
             const MapViewDesc old = d;
             SetSeriesGeometry(d, kSeriesTK25, DefaultMapType(kSeriesTK25));
             const CPointD c = ClientToMap(960, 540, old, GeorefParams{});
             const MapPoint p = MapToDevice(c.easting, c.northing, d, GeorefParams{});
             d.origin = {p.x - 960, p.y - 540};
         }},
        {"print-2",
         [](MapViewDesc& d, DrawTarget& t, QPainter&) {
             t.printing = true;
             d.zoomX = d.zoomY = 2.0;
         }},
        {"print-4-clip",
         [](MapViewDesc& d, DrawTarget& t, QPainter& dc) {
             t.printing = true;
             d.zoomX = d.zoomY = 4.0;
             d.deviceOffset = {-300, -200};
             dc.setClipRect(QRect(11, 13, 1500, 1000));
         }},
        {"print-1.37",
         [](MapViewDesc& d, DrawTarget& t, QPainter&) {
             t.printing = true;
             d.zoomX = 1.37;
             d.zoomY = 1.41;
         }},
    };
    const auto paint = [&](const HashScene& s, int what, bool clipped) {
        QImage pane(1920, 1080, QImage::Format_RGB32);
        pane.fill(Qt::white);
        MapViewDesc desc = env.desc;
        DrawTarget target;
        QuadrantFlags flags{};
        QPainter dc(&pane);
        s.set(desc, target, dc);
        if (!clipped) dc.setClipping(false);
        if (what != 2) DrawAllWaypoints(*env.doc, dc, target, desc, &flags);
        if (what != 1) DrawTrackLog(*env.doc, dc, target, desc);
        dc.end();
        return QCryptographicHash::hash(
                   QByteArrayView(reinterpret_cast<const char*>(pane.constBits()), pane.sizeInBytes()),
                   QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    };
    for (const HashScene& s : scenes) {
        for (int what = 0; what < 3; ++what) {
            // Drawn anew; then put back from the layers kept for the whole
            // pane, and again for this clip: all three must agree.
            WptOverlayCache().Clear();
            TrackOverlayCache().Clear();
            const QByteArray drawn = paint(s, what, true);
            paint(s, what, false);
            const QByteArray fromPane = paint(s, what, true);
            const QByteArray again = paint(s, what, true);
            std::printf("%-14s %d %s%s\n", s.name, what, drawn.constData(),
                        fromPane == drawn && again == drawn ? "" : " KEPT LAYER DIFFERS");
        }
    }
}

}  // namespace

BENCHMARK(Overlays)
    ->ArgsProduct({{0, 1, 2}, {0, 1}, {0, 1, 2}})
    ->ArgNames({"what", "x10", "paint"})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (std::getenv("OVERLAY_HASHES")) {
        PrintHashes();
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
