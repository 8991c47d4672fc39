// The idle hook with live positions: tracking panes, the repaint of the new
// piece of track, the 3-D view point sticking to the position, and a box
// raised from a step.
#include <gtest/gtest.h>

#include <QDialog>
#include <QTest>

#include "gps/NmeaLines.h"
#include "gps/NmeaReceiver.h"
#include "platform/IdleDriver.h"
#include "view/IdleHook.h"
#include "view/MapTransforms.h"
#include "view/VornaView.h"
#include "view/ViewTestEnv.h"

namespace {

// A TK25 pane of 400 x 300 pixels, a receiver on a queue of bytes and the
// hook over both.
struct Env : ViewTestEnv {
    CVornaView view{doc.get()};
    CMapViewController& pane = view.Controller();
    HintRecorder hints;
    CNmeaReceiver rx{app, app.geo, app.gpsDebugLog};
    QueuePort* port = nullptr;
    int dmrUpdates = 0;
    bool renderIdle = true;
    CIdleHook hook{rx, app, [this] { return doc.get(); },
                   CIdleHook::Frame{nullptr, [this] { return std::vector<CMapViewController*>{&pane}; },
                                    [this](bool, bool) { ++dmrUpdates; }}};
    Env() {
        ApplyDatumParameters(app.geo, app);
        app.views[0].mapType = kSeriesTK25;
        view.show();
        view.resize(view.size() + QSize(400, 300) - view.viewport()->size());
        pane.InitFromSettings(0, 0);
        doc->AddView(&hints);
        hook.renderIdle = [this] { return renderIdle; };
        rx.SetPortFactory([this] {
            auto p = std::make_unique<QueuePort>();
            port = p.get();
            return p;
        });
        EXPECT_TRUE(rx.OpenGpsPort());
    }
    // A fix at the map position p.
    std::string FixAt(CPointD p) {
        double lat = 0, lon = 0;
        EXPECT_TRUE(app.geo.GKToGeo(p.easting, p.northing, lat, lon));
        return GgaAt(lat, lon);
    }
    bool Pass(const std::string& bytes) {
        port->in += bytes;
        return hook.OnIdle(1);
    }
};

}  // namespace

// A tracking pane scrolls once the position is farther from its centre than
// 20 % of its half size; a pane that does not track stays.
TEST(IdleHook, TrackingPanesFollowThePositionBeyondTwentyPercent) {
    // offset in pixels (19 %, 21 % of 200), tracking, moves
    const struct {
        double dx;
        int tracking;
        bool moves;
    } rows[] = {{38.5, kTrackingGps, false}, {42.5, kTrackingGps, true}, {42.5, kTrackingOff, false},
                {42.5, kTrackingDmr, false}};
    for (const auto& r : rows) {
        Env env;
        env.pane.SetScrollOrigin(20000, 18000);
        env.pane.SetTracking(TrackingMode(r.tracking));
        const CPointD p = ClientToMap(200 + r.dx, 150.5, env.pane.Desc(), {});
        EXPECT_TRUE(env.Pass(env.FixAt(p)));
        const MapPoint o = env.pane.Desc().origin;
        EXPECT_EQ(o.x != 20000 || o.y != 18000, r.moves) << r.dx << " " << r.tracking;
    }
}

// One sentence repaints its piece (hint 3 with the kept point, the old live
// end and the new one); several in a pass repaint everything.
TEST(IdleHook, OneSentenceRepaintsItsPieceSeveralEverything) {
    Env env;
    env.app.dmr.StickToGps = 0;
    const CPointD a(417500, 5125500), b(417600, 5125500), c(417700, 5125500);
    const struct {
        std::string bytes;
        std::vector<long> hints;
    } rows[] = {{"", {}},
                {env.FixAt(a), {kHintTrackPiece}},
                {env.FixAt(b), {kHintTrackPiece}},
                {env.FixAt(c) + env.FixAt(c), {kHintAll}},
                {Gga("4807.038", "01131.000", "0"), {kHintTrackPiece}}};
    for (const auto& r : rows) {
        env.hints.hints.clear();
        EXPECT_TRUE(env.Pass(r.bytes));
        EXPECT_EQ(env.hints.hints, r.hints) << r.bytes;
    }
    // The second fix's piece runs from the kept first point via the old live end to the new one.
    env.hints.hints.clear();
    CGpsTriple seen;
    struct Catch : IDocView {
        CGpsTriple* out;
        void OnUpdate(IDocView*, long hint, const void* obj) override {
            if (hint == kHintTrackPiece) *out = *static_cast<const CGpsTriple*>(obj);
        }
    } catcher;
    catcher.out = &seen;
    env.doc->AddView(&catcher);
    env.Pass(env.FixAt(a));
    const CPointD kept = env.rx.GpsPosition;
    env.Pass(env.FixAt(b));
    EXPECT_EQ(std::tuple(seen.first, seen.second, seen.third), std::tuple(kept, kept, env.rx.GpsPosition));
}

// "Stick To GPS" moves the 3-D view point at the next pass, only after a
// fix, only while the 3-D view is idle, and in preview only beyond 200 m.
TEST(IdleHook, TheViewPointSticksToTheFixAtTheNextPass) {
    const struct {
        int stick, preview;
        double distance;
        bool fix, idle, moves;
    } rows[] = {{1, 1, 150, true, true, false}, {1, 1, 250, true, true, true},  {1, 0, 150, true, true, true},
                {1, 0, 150, false, true, false}, {1, 0, 150, true, false, false}, {0, 0, 150, true, true, false}};
    for (const auto& r : rows) {
        Env env;
        const CPointD at(417500, 5125500);
        env.app.dmr.StickToGps = 0;
        if (r.fix) env.Pass(env.FixAt(at));
        const CPointD pos = env.rx.GpsPosition;
        DmrParams& dmr = env.app.dmr;
        dmr.StickToGps = r.stick;
        dmr.PreviewMode = r.preview;
        dmr.ViewPoint = CPointD(pos.easting + r.distance, pos.northing);
        env.renderIdle = r.idle;
        env.Pass(r.fix ? env.FixAt(at) : Gga("4807.038", "01131.000", "0"));
        EXPECT_EQ(env.rx.GpsMovePending, r.moves ? 1 : 0);
        env.Pass("");
        EXPECT_EQ(std::tuple(dmr.ViewPoint == pos, env.dmrUpdates), std::tuple(r.moves, r.moves ? 1 : 0))
            << r.stick << r.preview << " " << r.distance << r.fix << r.idle;
    }
    // The view looks along the last piece: east is 90 degrees; standing still keeps the heading.
    Env env;
    env.app.dmr.PreviewMode = 0;
    env.app.dmr.Azimut = 123;
    env.Pass(env.FixAt(CPointD(417500, 5125500)));
    env.Pass("");
    EXPECT_EQ(env.app.dmr.Azimut, 123);
    env.Pass(env.FixAt(CPointD(417800, 5125500)));
    env.Pass("");
    EXPECT_NEAR(env.app.dmr.Azimut, 90, 0.5);
}

// A step that raises a modal box: the hook is not entered again while it is
// up, port data waiting behind it is read once it closes, and reception
// alone does not keep the driver busy.
TEST(IdleHook, ABoxFromAStepDoesNotReEnterAndWaitingDataIsReadAfter) {
    Env env;
    NmeaPty pty;
    env.rx.SetPortFactory(nullptr);
    env.app.gpsPort = pty.slave;
    ASSERT_TRUE(env.rx.OpenGpsPort());
    CIdleDriver driver;
    env.hook.Attach(driver);
    int depth = 0, deepest = 0, boxes = 0, passes = 0;
    env.hook.garminStep = [&] {
        ++passes;
        deepest = std::max(deepest, ++depth);
        if (boxes++ == 0) {
            QDialog box;
            WhenModal([&](QWidget* w) {
                pty.Send(env.FixAt(CPointD(417500, 5125500)));
                QTest::qWait(200);
                w->close();
            });
            box.exec();
        }
        --depth;
        return false;
    };
    driver.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return env.rx.GpsFix == 1; }, 10000));
    EXPECT_EQ(deepest, 1);
    QTest::qWait(100);
    const int before = passes;
    QTest::qWait(1000);
    // About ten at the polling pace; a spinning driver makes thousands.
    EXPECT_LE(passes - before, 40);
    driver.Stop();
}
