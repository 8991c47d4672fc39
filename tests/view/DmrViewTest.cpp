// The 3-D pane in the main window, driven by the real idle driver.
#include <gtest/gtest.h>

#include <QDialog>
#include <QTest>
#include <cmath>
#include <cstdlib>

#include "dmrview/DmrView.h"
#include "mapdraw/MapPicture.h"
#include "platform/CommandIds.h"
#include "platformui/IdleDriver.h"
#include "ui/FrameTestEnv.h"

namespace {

struct DmrFrameEnv : FrameTestEnv {
    double now = 100.0;  // the pane's clock, turned by the test
    bool haveRegion = false;

    DmrFrameEnv() {
        const std::string out = tmp.dir() + "region/";
        const std::string cmd = ToolsDir() + "/make-sample-region " + out + " --size 2 >/dev/null 2>&1";
        haveRegion = std::system(cmd.c_str()) == 0;
        app.settings.dmrDataDir = out + "dmr/";
        DmrParams& p = app.settings.dmr;
        p.ViewPoint = p.PrevViewPoint = CPointD(518000, 5072000);
        p.StickToGps = 0;
        p.PreviewMode = 2;  // the surface only, in idle time
        // Map pane 0 starts on a series; its waypoint claims follow where it
        // is scrolled and are not the 3-D pane's to give back.
        for (ViewSettings& v : app.settings.views) v.layers[kLayerWaypoints] = 0;
    }
    CMainFrame& Show(SplitStyle style) {
        frame.reset();
        app.settings.splitStyle = int(style);
        CMainFrame::PaneFactories panes;
        panes.gps = &nmea;
        panes.dmrView = [this](QWidget* parent) {
            return new CDmrView(*doc, app.settings, app.memUse, parent, [this] { return now; });
        };
        frame = std::make_unique<CMainFrame>(doc.get(), app.settings, panes);
        frame->resize(900, 600);
        frame->show();
        QCoreApplication::processEvents();
        return *frame;
    }
    CDmrRenderer& Renderer() { return static_cast<CDmrView*>(frame->DmrView())->Renderer(); }
    int QuadrantClaims() const {
        int n = 0;
        for (int q = 0; q < kQuadrantCount; ++q) n += doc->Heights().ClaimCount(q);
        return n;
    }
};

}  // namespace

// A new view point aborts the surface being drawn and starts it again; a
// modal dialog stops the rows until it closes; the finished picture reaches
// map pane 0; and the pane gives back every claim when it goes.
TEST(DmrView, IdleRenderingRestartsPausesAndReleases) {
    DmrFrameEnv env;
    if (!env.haveRegion) GTEST_SKIP() << "make-sample-region not built";
    CMainFrame& f = env.Show(SplitStyle::MapOnly);
    const std::vector<int> before(env.app.memUse.data(), env.app.memUse.data() + kMemCounterCount);
    f.ChangeSplitter(SplitStyle::MapDmr);
    QCoreApplication::processEvents();
    CDmrRenderer& r = env.Renderer();

    f.UpdateDmr(true, true);
    EXPECT_EQ(r.GetState(), CDmrRenderer::State::Waiting);
    EXPECT_FALSE(f.OnDmrIdle());  // waiting is no work
    env.now += 1;
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(f.OnDmrIdle());
    EXPECT_GT(r.Progress(), 0.0);
    ASSERT_TRUE(f.Router().Execute(cmd::DmrTurnLeft));
    EXPECT_EQ(std::tuple(r.GetState(), r.Progress() < 0), std::tuple(CDmrRenderer::State::Waiting, true));

    // The window's idle step, then the 3-D step, as the idle hook runs them.
    CIdleDriver idle([&f](long count) {
        const bool more = f.OnIdle(count);
        return f.OnDmrIdle() || more;
    });
    idle.Start();
    env.now += 1;
    double during = -2;
    QDialog box(&f);
    WhenModal([&](QWidget*) {
        const double start = r.Progress();
        for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
        during = r.Progress() - start;
        box.accept();
    });
    box.exec();
    EXPECT_EQ(during, 0.0);
    // Rows follow each other without a further delay: the clock stands still.
    for (int i = 0; i < 100000 && r.GetState() != CDmrRenderer::State::Idle && r.MsUntilWork() == 0; ++i)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_EQ(r.GetState(), CDmrRenderer::State::Idle);
    EXPECT_FALSE(r.Picture().isNull());
    const MapViewDesc& d = env.Pane(0).Desc();
    EXPECT_EQ(std::tuple(d.dmrViewPoint.easting, d.azimuth),
              std::tuple(518000.0, env.app.settings.dmr.Azimut));
    EXPECT_GT(env.QuadrantClaims(), 0);
    idle.Stop();

    f.ChangeSplitter(SplitStyle::MapOnly);
    EXPECT_EQ(env.QuadrantClaims(), 0);
    EXPECT_EQ(std::vector<int>(env.app.memUse.data(), env.app.memUse.data() + kMemCounterCount), before);
    EXPECT_TRUE(env.prompter.texts.empty()) << env.prompter.texts.front();
}

// The frame's 3-D commands: what each changes, whether it redraws, and the
// view-point files with their failures.
TEST(DmrView, FrameCommandsChangeTheSettingsAndRedrawWhereTheyShould) {
    DmrFrameEnv env;
    if (!env.haveRegion) GTEST_SKIP() << "make-sample-region not built";
    const DmrParams base = env.app.settings.dmr;
    const std::string saved = env.tmp.file("v.dvp");
    ASSERT_TRUE(WriteFileBytes(saved, "510000.9\n5080000\n1\n250\n90\n-10\n60\n"));
    const std::string north = env.tmp.file("north.dvp"), huge = env.tmp.file("huge.dvp");
    ASSERT_TRUE(WriteFileBytes(north, "510000\n5080000\n0\n900\n360.00\n-10\n60\n"));
    ASSERT_TRUE(WriteFileBytes(huge, "2e250\n5080000\n1\n250\n90\n-10\n60\n"));
    CMainFrame& f = env.Show(SplitStyle::MapDmr);
    CDmrRenderer& r = env.Renderer();
    using P = DmrParams;
    const std::string nowhere = env.tmp.file("no/such/folder.dvp");
    struct Row {
        unsigned id;
        std::function<void(P&)> init;
        std::string file;  // the file dialog's answer
        std::function<bool(const P&)> check;
        bool redraw;
        const char* message;
    } rows[] = {
        // clang-format off
        {cmd::DmrChangeSurface, [](P& p) { p.PreviewMode = 0, p.SurfaceType = 1; }, "",
         [](const P& p) { return p.SurfaceType == 2; }, false, nullptr},
        {cmd::DmrChangeSurface, [](P& p) { p.PreviewMode = 1, p.SurfaceType = 2; }, "",
         [](const P& p) { return p.SurfaceType == 3; }, true, nullptr},
        {cmd::DmrStickToGps, [](P&) {}, "",
         [&env](const P& p) { return p.StickToGps && !env.nmea.GpsMovePending; }, false, nullptr},
        {cmd::DmrPreview, [](P& p) { p.PreviewMode = 2; }, "", [](const P& p) { return p.PreviewMode == 0; }, true, nullptr},
        {cmd::DmrMoveUp, [](P& p) { p.IsRelHeight = 1, p.RelHeight = 5; }, "",
         [](const P& p) { return p.RelHeight == 15; }, true, nullptr},
        {cmd::DmrTurnRight, [](P& p) { p.Azimut = 355, p.StickToGps = 1; }, "",
         [&env](const P& p) { return p.Azimut == 0 && !p.StickToGps && env.Pane(0).Desc().tracking == kTrackingDmr; },
         true, nullptr},
        {cmd::DmrTurnLeft, [](P& p) { p.Azimut = 0; }, "", [](const P& p) { return p.Azimut == 355; }, true, nullptr},
        {cmd::DmrTurnLeft, [](P& p) { p.Azimut = 5; }, "",
         [](const P& p) { return p.Azimut == 0 && !std::signbit(p.Azimut); }, true, nullptr},
        {cmd::DmrLoadViewPoint, [](P&) {}, north, [](const P& p) { return p.Azimut == 0; }, true, nullptr},
        {cmd::DmrLoadViewPoint, [](P& p) { p.StickToGps = 1; }, huge,
         [&base](const P& p) { return p.ViewPoint.easting == base.ViewPoint.easting && p.StickToGps; },
         false, "Error! Can not open DMR View Point"},
        {cmd::DmrLoadViewPoint, [](P& p) { p.StickToGps = 1; }, saved,
         [](const P& p) { return p.ViewPoint.easting == 510000 && p.IsRelHeight && p.RelHeight == 250 && !p.StickToGps; },
         true, nullptr},
        {cmd::DmrLoadViewPoint, [](P&) {}, saved + "x", [&base](const P& p) { return p.ViewPoint.easting == base.ViewPoint.easting; },
         false, "Error! Can not open DMR View Point"},
        {cmd::DmrSaveViewPoint, [](P&) {}, nowhere, [](const P&) { return true; }, false,
         "Error! Can not save DMR View Point"},
        {cmd::DmrGoToViewPoint, [](P&) {}, "", [](const P&) { return true; }, false,
         "Dmr View Point\nEasting:  518000.0\nNorthing: 5072000"},
        // clang-format on
    };
    for (const Row& row : rows) {
        env.app.settings.dmr = base;
        env.nmea.GpsMovePending = 0;
        env.Pane(0).Desc().tracking = 0;
        row.init(env.app.settings.dmr);
        r.AbortDraw();
        const qint64 picture = r.Picture().cacheKey();
        env.prompter.texts.clear();
        env.prompter.files = {row.file};
        ASSERT_TRUE(f.Router().Execute(row.id)) << row.id;
        EXPECT_TRUE(row.check(env.app.settings.dmr)) << row.id;
        const bool redrawn = r.Picture().cacheKey() != picture || r.GetState() != CDmrRenderer::State::Idle;
        EXPECT_EQ(redrawn, row.redraw) << row.id;
        EXPECT_EQ(env.prompter.texts,
                  row.message ? std::vector<std::string>{row.message} : std::vector<std::string>{})
            << row.id;
    }
}
