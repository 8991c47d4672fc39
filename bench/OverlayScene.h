#pragma once
// Shared by the benchmarks: a 1920 x 1080 TK50 pane holding random
// waypoints and a random-walk track log (50,000 points unless told;
// segments of 1,000 points, a selected range), all on the pane.

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/MapTransforms.h"

constexpr int kSceneTrackPoints = 50000;

// Offscreen, made once: fonts need a running application.
inline void BenchGuiApp() {
    static QGuiApplication* qapp = nullptr;
    if (qapp) return;
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    qapp = new QGuiApplication(argc, argv);
}

struct OverlayScene {
    std::string dir;
    CVornaApp app;
    std::unique_ptr<CVornaDoc> doc;
    MapViewDesc desc;

    explicit OverlayScene(int waypoints, int trackPoints = kSceneTrackPoints) {
        char tmpl[] = "/tmp/vorna-bench-overlays-XXXXXX";
        dir = std::string(::mkdtemp(tmpl)) + "/";
        app.settings.startDirectory = dir;
        app.settings.wptBaseDir = app.settings.pendingWptBaseDir = dir + "wpt/";
        std::filesystem::create_directories(app.settings.wptBaseDir);
        app.newWptBaseFlag = 1;
        doc = std::make_unique<CVornaDoc>(app.settings, DocServices{app.memUse, app.geo, nullptr, true});

        SetSeriesGeometry(desc, kSeriesTK50, DefaultMapType(kSeriesTK50));
        for (int& l : desc.layers) l = 1;
        desc.clientSize = {1920, 1080};
        const MapPoint c = MapToDevice(510000, 5080000, desc, GeorefParams{});
        desc.origin = {c.x - 960, c.y - 540};

        std::mt19937 rng(7);
        std::uniform_int_distribution<int> px(0, 1919), py(0, 1079), level(0, 5), label(0, 3);
        CWptDatabase& db = doc->Waypoints();
        for (int k = 0; k < waypoints; ++k) {
            WaypointRecord r = ZeroWaypointRecord();
            const CPointD p = ClientToMap(px(rng), py(rng), desc, GeorefParams{});
            r.E = p.easting;
            r.N = p.northing;
            r.Flags = std::uint16_t(level(rng) | label(rng) << 4);
            std::string name = "W";
            name += std::to_string(10000 + k % 90000);
            SetWptName(r, name);
            const int q = CVornaDoc::GetQuadrantIndex(r.E, r.N);
            if (!db.OpenQuadrantWptFile(q)) continue;
            WptBase& b = db.Base(q);
            if (b.Count >= b.Capacity && !db.ReallocateBase(b)) continue;
            b.Data[std::size_t(b.Count++)] = r;
        }
        doc->ClearTrackLog(trackPoints);
        std::normal_distribution<double> step(0.0, 6.0);
        double x = 960, y = 540;
        for (int k = 0; k < trackPoints; ++k) {
            x = std::clamp(x + step(rng), 0.0, 1919.0);
            y = std::clamp(y + step(rng), 0.0, 1079.0);
            TrackPoint t{};
            t.position = ClientToMap(int(x), int(y), desc, GeorefParams{});
            t.segmentStart = k % 1000 == 0;
            doc->TrackLogStore().Append(t);
        }
        doc->TrackLogStore().SelStart = trackPoints / 5;
        doc->TrackLogStore().SelEnd = trackPoints * 2 / 5;
    }
    ~OverlayScene() {
        doc.reset();
        std::filesystem::remove_all(dir);
    }
};
