// The idle hook with live positions: tracking panes, the repaint hint, the
// 3-D view point sticking to the fix, and a box raised from a step.
#include <gtest/gtest.h>

#include <QDialog>
#include <QStatusBar>
#include <QTest>

#include "frame/MainFrm.h"
#include "gps/NmeaLines.h"
#include "gps/NmeaReceiver.h"
#include "mapdraw/MapTransforms.h"
#include "mapview/VornaView.h"
#include "platform/CommandIds.h"
#include "platformui/IdleDriver.h"
#include "root/IdleHook.h"
#include "view/ViewTestEnv.h"

namespace {
// A TK25 pane of 400 x 300 pixels, a receiver on a queue of bytes, the hook.
struct Env : ViewTestEnv {
    CVornaView view{doc.get()};
    CMapViewController& pane = view.Controller();
    HintRecorder hints;
    CNmeaReceiver rx{app.settings, app.geo, app.gpsDebugLog};
    QueuePort* port = nullptr;
    int dmrUpdates = 0;
    bool renderIdle = true;
    CIdleHook hook{rx,
                   app.settings,
                   [this] { return doc.get(); },
                   {nullptr, [this] { return std::vector{&pane}; }, [this](bool, bool) { ++dmrUpdates; }}};
    Env() {
        ApplyDatumParameters(app.geo, app.settings);
        app.settings.views[0].mapType = kSeriesTK25;
        app.settings.dmr.StickToGps = 0;
        view.show();
        view.resize(view.size() + QSize(400, 300) - view.viewport()->size());
        pane.InitFromSettings(0, 0);
        doc->AddView(&hints);
        hook.renderIdle = [this] { return renderIdle; };
        rx.SetPortFactory([this] { return std::unique_ptr<ISerialIO>(port = new QueuePort); });
        EXPECT_TRUE(rx.OpenGpsPort());
    }
    std::string FixAt(CPointD p) {
        double lat = 0, lon = 0;
        EXPECT_TRUE(app.geo.GKToGeo(p.easting, p.northing, lat, lon));
        return GgaAt(lat, lon);
    }
    bool Pass(const std::string& bytes) { return port->in += bytes, hook.OnIdle(1); }
};
const CPointD kAt(417500, 5125500), kEast(417800, 5125500);
}  // namespace

// A tracking pane scrolls once the position is farther from its centre than
// 20 % of its half size; one sentence repaints its piece (hint 3), several
// in a pass everything.
TEST(IdleHook, TrackingPanesFollowBeyondTwentyPercentAndPassesRepaint) {
    const struct {
        double dx;  // pixels: 19 % and 21 % of 200
        int tracking, sentences;
        bool moves;
        std::vector<long> hints;
    } rows[] = {{0, kTrackingGps, 0, false, {}},
                {38.5, kTrackingGps, 1, false, {kHintTrackPiece}},
                {42.5, kTrackingGps, 1, true, {kHintTrackPiece}},
                {42.5, kTrackingOff, 2, false, {kHintAll}},
                {42.5, kTrackingDmr, 1, false, {kHintTrackPiece}}};
    for (const auto& r : rows) {
        Env env;
        env.pane.SetScrollOrigin(20000, 18000);
        env.pane.SetTracking(TrackingMode(r.tracking));
        std::string bytes;
        for (int i = 0; i < r.sentences; ++i)
            bytes += env.FixAt(ClientToMap(200 + r.dx, 150, env.pane.Desc(), {}));
        EXPECT_TRUE(env.Pass(bytes));
        const MapPoint o = env.pane.Desc().origin;
        EXPECT_EQ(std::tuple(o.x != 20000 || o.y != 18000, env.hints.hints), std::tuple(r.moves, r.hints))
            << r.dx;
    }
}

// "Stick To GPS" moves the 3-D view point at the next pass, only after a
// fix, only while the 3-D view is idle, and in preview only beyond 200 m;
// the view looks along the last piece, and standing still keeps its heading.
TEST(IdleHook, TheViewPointSticksToTheFixAtTheNextPass) {
    const struct {
        int stick, preview;
        double distance;
        bool fix, idle, moves;
    } rows[] = {{1, 1, 150, true, true, false},  {1, 1, 250, true, true, true},
                {1, 0, 150, true, true, true},   {1, 0, 150, false, true, false},
                {1, 0, 150, true, false, false}, {0, 0, 150, true, true, false}};
    for (const auto& r : rows) {
        Env env;
        if (r.fix) env.Pass(env.FixAt(kAt));
        DmrParams& dmr = env.app.settings.dmr;
        const CPointD pos = env.rx.GpsPosition;
        std::tie(dmr.StickToGps, dmr.PreviewMode, dmr.ViewPoint, env.renderIdle) =
            std::tuple(r.stick, r.preview, CPointD(pos.easting + r.distance, pos.northing), r.idle);
        env.Pass(r.fix ? env.FixAt(kAt) : Gga("4807.038", "01131.000", "0"));
        env.Pass("");
        EXPECT_EQ(std::tuple(dmr.ViewPoint == pos, env.dmrUpdates), std::tuple(r.moves, r.moves ? 1 : 0))
            << r.stick << r.preview << " " << r.distance << r.fix << r.idle;
    }
    Env env;
    env.app.settings.dmr.StickToGps = 1;
    env.app.settings.dmr.Azimut = 123;
    const double expected[] = {123, 90};
    for (int i = 0; i < 2; ++i) {
        env.Pass(env.FixAt(i ? kEast : kAt));
        env.Pass("");
        EXPECT_NEAR(env.app.settings.dmr.Azimut, expected[i], 0.5);
    }
    // The pass that moves the view point does nothing else: no transfer step, no
    // reading, no 3-D row; the next pass does them.
    int steps = 0, rendered = 0;
    env.hook.garminStep = [&] { return ++steps, false; };
    env.hook.renderStep = [&] { return ++rendered, false; };
    env.rx.GpsMovePending = 1;
    const int updates = env.dmrUpdates;
    EXPECT_TRUE(env.Pass(env.FixAt(kAt)));
    EXPECT_EQ(std::tuple(env.dmrUpdates - updates, steps, rendered, env.port->in.empty()),
              std::tuple(1, 0, 0, false));
    env.Pass("");
    EXPECT_EQ(std::tuple(steps, rendered, env.port->in.empty()), std::tuple(1, 1, true));
}

// A step that raises a modal box: the hook is not entered again while it is
// up, port data waiting behind it is read once it closes, and reception
// alone does not keep the driver busy.
TEST(IdleHook, ABoxFromAStepDoesNotReEnterAndWaitingDataIsReadAfter) {
    Env env;
    NmeaPty pty;
    env.rx.SetPortFactory(nullptr);
    env.app.settings.gpsPort = pty.slave;
    ASSERT_TRUE(env.rx.OpenGpsPort());
    CIdleDriver driver;
    env.hook.Attach(driver);
    int depth = 0, deepest = 0, passes = 0;
    env.hook.garminStep = [&] {
        deepest = std::max(deepest, ++depth);
        if (passes++ == 0) {
            QDialog box;
            WhenModal([&](QWidget* w) {
                const std::string fix = env.FixAt(kAt);
                EXPECT_EQ(::write(pty.master, fix.data(), fix.size()), ssize_t(fix.size()));
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
    EXPECT_LE(passes - before, 40);  // about ten at the polling pace; spinning makes thousands
}

// Home: the active pane follows the GPS, the port opens only when closed,
// and the bars go.
TEST(IdleHook, HomeTracksTheGpsAndOpensThePortOnce) {
    Env env;
    env.app.settings.splitStyle = int(SplitStyle::MapOnly);
    CMainFrame frame(env.doc.get(), env.app.settings);
    frame.show();
    CCommandMap map;
    AddGpsTrackingCommand(map, frame, env.rx);
    int opened = 0;
    env.rx.SetPortFactory([&] { return ++opened, std::make_unique<QueuePort>(); });
    env.rx.CloseGpsPort();
    for (int i = 0; i < 2; ++i) {
        map.OnCommand(cmd::GpsTrackingHome);
        EXPECT_EQ(std::tuple(opened, env.rx.Enabled(), frame.statusBar()->isVisible()),
                  std::tuple(1, true, false));
        EXPECT_EQ(frame.ActiveController()->Desc().tracking, kTrackingGps);
    }
}

// A pass runs the window's own step, a pending 3-D move (which ends the
// pass), the Garmin step, NMEA reception and the 3-D step, in that order;
// the 3-D step only after reception, so the picture follows the new fix.
TEST(IdleHook, PassesRunTheSubsystemsInTheirOrder) {
    Env env;
    std::vector<std::string> calls;
    CIdleHook hook{env.rx,
                   env.app.settings,
                   [&env] { return env.doc.get(); },
                   {[&calls](long) { return calls.push_back("base"), false; },
                    [&] { return calls.push_back("nmea"), std::vector{&env.pane}; },
                    [&calls](bool, bool) { calls.push_back("move"); }}};
    hook.garminStep = [&calls] { return calls.push_back("garmin"), false; };
    hook.renderStep = [&calls] { return calls.push_back("render"), false; };

    env.rx.GpsMovePending = 1;
    EXPECT_TRUE(hook.OnIdle(1));
    EXPECT_EQ(calls, (std::vector<std::string>{"base", "move"}));
    calls.clear();
    env.port->in += env.FixAt(kAt);
    EXPECT_TRUE(hook.OnIdle(2));
    EXPECT_EQ(calls, (std::vector<std::string>{"base", "garmin", "nmea", "render"}));
}

// Writing the changed stores is housekeeping of the base step: it runs right
// after the window's own step, also on a pass that the 3-D move ends, and
// the driver is told when it falls due.
TEST(IdleHook, TheStoresAreSavedWithTheBaseStep) {
    Env env;
    std::vector<std::string> calls;
    CIdleHook hook{env.rx,
                   env.app.settings,
                   [&env] { return env.doc.get(); },
                   {[&calls](long) { return calls.push_back("base"), false; }, nullptr,
                    [&calls](bool, bool) { calls.push_back("move"); }}};
    hook.saveStores = [&calls] { calls.push_back("save"); };
    hook.garminStep = [&calls] { return calls.push_back("garmin"), false; };
    env.rx.GpsMovePending = 1;
    hook.OnIdle(1);
    EXPECT_EQ(calls, (std::vector<std::string>{"base", "save", "move"}));
}
