// Warm repaint of the overlays of a 1920 x 1080 TK50 pane holding 10,000
// waypoints and a 50,000-point track log (with markers and a selected
// range), all on the pane; the waypoints alone and the track alone beside it.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "view/MapOverlays.h"
#include "view/MapPicture.h"
#include "view/MapTransforms.h"

namespace {

constexpr int kWaypoints = 10000, kTrackPoints = 50000;

struct OverlayBench {
    std::string dir;
    CVornaApp app;
    std::unique_ptr<CVornaDoc> doc;
    MapViewDesc desc;

    OverlayBench() {
        char tmpl[] = "/tmp/vorna-bench-overlays-XXXXXX";
        dir = std::string(::mkdtemp(tmpl)) + "/";
        app.startDirectory = dir;
        app.wptBaseDir = app.pendingWptBaseDir = dir + "wpt/";
        std::filesystem::create_directories(app.wptBaseDir);
        app.newWptBaseFlag = 1;
        doc = std::make_unique<CVornaDoc>(app, DocServices{app.memUse, app.geo, nullptr, true});

        SetSeriesGeometry(desc, kSeriesTK50, DefaultMapType(kSeriesTK50));
        for (int& l : desc.layers) l = 1;
        desc.clientSize = {1920, 1080};
        const MapPoint c = MapToDevice(510000, 5080000, desc, GeorefParams{});
        desc.origin = {c.x - 960, c.y - 540};

        std::mt19937 rng(7);
        std::uniform_int_distribution<int> px(0, 1919), py(0, 1079), level(0, 5), label(0, 3);
        CWptDatabase& db = doc->Waypoints();
        for (int k = 0; k < kWaypoints; ++k) {
            WaypointRecord r = ZeroWaypointRecord();
            const CPointD p = ClientToMap(px(rng), py(rng), desc, GeorefParams{});
            r.E = p.easting;
            r.N = p.northing;
            r.Flags = std::uint16_t(level(rng) | label(rng) << 4);
            SetWptName(r, "W" + std::to_string(10000 + k));
            const int q = CVornaDoc::GetQuadrantIndex(r.E, r.N);
            if (!db.OpenQuadrantWptFile(q)) continue;
            WptBase& b = db.Base(q);
            if (b.Count >= b.Capacity && !db.ReallocateBase(b)) continue;
            b.Data[std::size_t(b.Count++)] = r;
        }
        doc->ClearTrackLog(kTrackPoints);
        std::normal_distribution<double> step(0.0, 6.0);
        double x = 960, y = 540;
        for (int k = 0; k < kTrackPoints; ++k) {
            x = std::clamp(x + step(rng), 0.0, 1919.0);
            y = std::clamp(y + step(rng), 0.0, 1079.0);
            TrackPoint t{};
            t.position = ClientToMap(int(x), int(y), desc, GeorefParams{});
            t.segmentStart = k % 1000 == 0;
            doc->TrackLogStore().Append(t);
        }
        doc->TrackLogStore().SelStart = 10000;
        doc->TrackLogStore().SelEnd = 20000;
    }
    ~OverlayBench() {
        doc.reset();
        std::filesystem::remove_all(dir);
    }
};

void Overlays(benchmark::State& state) {
    static QGuiApplication* qapp = nullptr;
    if (!qapp) {
        static int argc = 1;
        static char name[] = "bench";
        static char* argv[] = {name};
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        qapp = new QGuiApplication(argc, argv);
    }
    OverlayBench env;
    QuadrantFlags flags{};
    QImage pane(1920, 1080, QImage::Format_RGB32);
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
