// The main frame headless: its five pane layouts, the settings slots of the
// map panes across layout switches, the window rectangle, split ratios, the
// status text and command enabling without a map pane.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QSplitter>
#include <QTest>
#include <QToolBar>

#include "FrameTestEnv.h"

using Ints = std::pair<int, int>;

TEST(Frame, EveryLayoutBuildsItsPanesOnTheirSettingsSlots) {
    FrameTestEnv env;
    const struct {
        SplitStyle style;
        int maps, slot0, slot1;
        bool dmr, panel, subSplit;
    } rows[] = {{SplitStyle::MapOnly, 1, 0, -1, false, false, false},
                {SplitStyle::DmrOnly, 0, -1, -1, true, false, false},
                {SplitStyle::MapDmr, 1, 0, -1, true, true, true},
                {SplitStyle::DmrMap, 1, 1, -1, true, true, true},
                {SplitStyle::TwoMaps, 2, 0, 2, false, false, false}};
    for (const auto& e : rows) {
        SCOPED_TRACE(int(e.style));
        CMainFrame& f = env.Make(e.style);
        EXPECT_EQ(f.MapViewCount(), e.maps);
        EXPECT_EQ(f.ActiveIndex(), e.maps ? 0 : -1);
        EXPECT_EQ(f.MapView(0) ? env.Pane(0).SettingsSlot() : -1, e.slot0);
        EXPECT_EQ(f.MapView(1) ? env.Pane(1).SettingsSlot() : -1, e.slot1);
        EXPECT_EQ(f.DmrView() != nullptr, e.dmr);
        EXPECT_EQ(f.ControlPanel() != nullptr, e.panel);
        EXPECT_EQ(f.SubSplitter() != nullptr, e.subSplit);
        if (e.style == SplitStyle::DmrMap) {  // the 3-D view on the left, the map above the panel
            EXPECT_EQ(f.MainSplitter()->widget(0), f.DmrView());
            EXPECT_EQ(f.SubSplitter()->widget(0), f.MapView(0));
        }
        EXPECT_EQ(env.State(cmd::ActivateView0).m_bEnabled, e.maps == 2);  // the toolbar's pane buttons
        if (e.maps) continue;
        // Without a map pane every pane command is off; the document's come
        // after the pane and before the frame.
        for (unsigned id : {cmd::LayerFirst, cmd::LayerTrackLogs, cmd::LayerPrintGrid, cmd::ShowOverlay,
                            cmd::PrintGridFirst, cmd::UnselShowAll, cmd::DmrAreaAlways, cmd::TrackingDisabled,
                            cmd::OpenMapFirst + 1, cmd::NextSeries, cmd::PrevSeries, cmd::ActivateView1,
                            cmd::FindWaypoint, cmd::Print, cmd::PrintPreview})
            EXPECT_FALSE(env.State(id).m_bEnabled || env.State(id).m_bChecked) << id;
        EXPECT_FALSE(f.Router().Execute(cmd::LayerFirst));
        ASSERT_TRUE(f.Router().Execute(cmd::CreateTempWpts));
        EXPECT_TRUE(env.State(cmd::CreateTempWpts).m_bChecked);
    }
    EXPECT_TRUE(env.prompter.texts.empty());
}

// Also the window rectangle: a bad stored one is placed on the screen, the
// normal one is stored when the frame goes.
TEST(Frame, LayoutSwitchesSaveEachPaneToItsSlotAndLoadTheNewOnes) {
    FrameTestEnv env;
    for (int s = 0; s < 3; ++s) env.app.settings.views[s].printGrid = s;    // tells the slots apart
    env.app.settings.windowLeft = 300, env.app.settings.windowRight = 100;  // inverted
    CMainFrame& f = env.Make(SplitStyle::TwoMaps);
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(f.geometry()));
    env.Pane(0).Desc().unselectedWpt = kUnselOtherColour;
    env.Pane(1).Desc().unselectedWpt = kUnselHide;

    // Switching to the layout shown does nothing: nothing is saved.
    CVornaView* pane = f.MapView(0);
    f.ChangeSplitter(SplitStyle::TwoMaps);
    EXPECT_EQ(f.MapView(0), pane);
    EXPECT_EQ(env.app.settings.views[0].unselectedWpt, kUnselShowAll);
    EXPECT_TRUE(env.State(cmd::LayoutTwoMaps).m_bChecked);

    // "Two Maps" -> "Map only": both panes stored first, the new one loads slot 0.
    ASSERT_TRUE(f.Router().Execute(cmd::LayoutMapOnly));
    EXPECT_EQ(std::pair(env.app.settings.views[0].unselectedWpt, env.app.settings.views[2].unselectedWpt),
              Ints(kUnselOtherColour, kUnselHide));
    ASSERT_EQ(f.MapViewCount(), 1);
    EXPECT_EQ(std::pair(env.Pane(0).Desc().printGrid, env.Pane(0).Desc().unselectedWpt),
              Ints(0, kUnselOtherColour));
    EXPECT_EQ(env.app.settings.splitStyle, int(SplitStyle::MapOnly));

    // "Map + DMR" uses slot 0, "DMR + Map" slot 1: separate settings.
    f.ChangeSplitter(SplitStyle::MapDmr);
    env.Pane(0).Desc().tracking = kTrackingDmr;
    f.ChangeSplitter(SplitStyle::DmrMap);
    EXPECT_EQ(env.app.settings.views[0].tracking, kTrackingDmr);
    EXPECT_EQ(std::pair(env.Pane(0).Desc().printGrid, env.Pane(0).Desc().tracking), Ints(1, kTrackingOff));

    // "DMR only" has no map pane; back to two maps, both slots as stored.
    f.ChangeSplitter(SplitStyle::DmrOnly);
    EXPECT_EQ(f.ActiveIndex(), -1);
    f.ChangeSplitter(SplitStyle::TwoMaps);
    EXPECT_EQ(std::pair(env.Pane(0).Desc().tracking, env.Pane(1).Desc().unselectedWpt),
              Ints(kTrackingDmr, kUnselHide));
    EXPECT_TRUE(env.prompter.texts.empty());

    // The panes of the last layout are stored when the frame goes.
    env.Pane(1).Desc().unselectedWpt = kUnselShowAll;
    f.setGeometry(40, 30, 640, 480);
    env.frame.reset();
    EXPECT_EQ(env.app.settings.views[2].unselectedWpt, kUnselShowAll);
    const int rect[] = {env.app.settings.windowLeft, env.app.settings.windowTop, env.app.settings.windowRight,
                        env.app.settings.windowBottom};
    EXPECT_THAT(rect, testing::ElementsAre(40, 30, 680, 510));
}

// The split ratios hold through resizes, drags and minimising; the status
// text returns to "Ready" when the pointer leaves the map pane.
TEST(Frame, SplitRatiosFollowDragsAndSurviveResizeAndMinimise) {
    FrameTestEnv env;
    env.app.settings.mapDmrVertSplitRatio = 700, env.app.settings.mapDmrHorSplitRatio = 300;
    CMainFrame& f = env.Make(SplitStyle::MapDmr);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    auto ratioOf = [&](QSplitter* s, int total) { return s->sizes()[0] * 1000.0 / total; };
    QWidget* client = f.centralWidget();
    for (QSize size : {QSize(1000, 700), QSize(1400, 900), QSize(600, 500)}) {
        f.resize(size);
        QApplication::processEvents();
        EXPECT_NEAR(ratioOf(f.MainSplitter(), client->width()), 700, 5) << size.width();
        EXPECT_NEAR(ratioOf(f.SubSplitter(), client->height()), 300, 8) << size.height();
    }
    // A drag of the bar sets the ratio the next resize uses, also after a minimise.
    const int w = client->width();
    f.MainSplitter()->setSizes({w / 2, w - w / 2 - f.MainSplitter()->handleWidth()});
    emit f.MainSplitter()->splitterMoved(w / 2, 1);
    f.showMinimized();
    QApplication::processEvents();
    f.showNormal();
    f.resize(1200, 800);
    QApplication::processEvents();
    EXPECT_NEAR(env.app.settings.mapDmrVertSplitRatio, 500, 2);
    EXPECT_EQ(env.app.settings.mapDmrHorSplitRatio, 300);
    EXPECT_NEAR(ratioOf(f.MainSplitter(), client->width()), 500, 5);

    const struct {
        QObject* target;
        QEvent::Type event;
        bool ready;
    } rows[] = {{f.MapView(0)->viewport(), QEvent::Enter, false},  // inside a map pane the text stays
                {f.findChild<QToolBar*>("Toolbar"), QEvent::Enter, true},
                {f.MapView(0), QEvent::Leave, true}};
    for (const auto& r : rows) {
        f.SetStatusText("E 512345 N 5100000");
        QEvent e(r.event);
        QApplication::sendEvent(r.target, &e);
        EXPECT_EQ(f.StatusText() == "Ready", r.ready) << r.target->objectName().toStdString();
    }

    // Panes never shrink below 10 pixels, whatever the stored ratio.
    env.app.settings.twoMapVertSplitRatio = 0;
    f.ChangeSplitter(SplitStyle::TwoMaps);
    QApplication::processEvents();
    EXPECT_GE(f.MainSplitter()->sizes()[0], 10);
}
