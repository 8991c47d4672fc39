// The main frame headless: its five pane layouts, the settings slots of the
// map panes across layout switches, split ratios, the status text and
// command enabling without a map pane.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "FrameTestEnv.h"
#include "platform/CommandActions.h"
#include "view/CommandTable.h"
#include "view/DlgSysResources.h"

TEST(Frame, AllFiveLayoutsBuildTheirPanes) {
    FrameTestEnv env;
    struct Expect {
        int maps, slot0, slot1;
        bool dmr, panel, mainSplit, subSplit;
    };
    const Expect expect[6] = {{},
                              {1, 0, -1, false, false, false, false},
                              {0, -1, -1, true, false, false, false},
                              {1, 0, -1, true, true, true, true},
                              {1, 1, -1, true, true, true, true},
                              {2, 0, 2, false, false, true, false}};
    for (int s = 1; s <= 5; ++s) {
        SCOPED_TRACE(s);
        CMainFrame& f = env.Make(s);
        const Expect& e = expect[s];
        EXPECT_EQ(f.CurrentStyle(), s);
        EXPECT_EQ(f.MapViewCount(), e.maps);
        EXPECT_EQ(f.ActiveIndex(), e.maps ? 0 : -1);
        EXPECT_EQ(f.MapView(0) ? f.MapView(0)->SettingsSlot() : -1, e.slot0);
        EXPECT_EQ(f.MapView(1) ? f.MapView(1)->SettingsSlot() : -1, e.slot1);
        EXPECT_EQ(f.DmrView() != nullptr, e.dmr);
        EXPECT_EQ(f.ControlPanel() != nullptr, e.panel);
        EXPECT_EQ(f.MainSplitter() != nullptr, e.mainSplit);
        EXPECT_EQ(f.SubSplitter() != nullptr, e.subSplit);
        if (s == 4) {  // the 3-D view on the left, the map above the panel
            EXPECT_EQ(f.MainSplitter()->widget(0), f.DmrView());
            EXPECT_EQ(f.SubSplitter()->widget(0), f.MapView(0));
        }
        if (f.MainSplitter()) {
            EXPECT_FALSE(f.MainSplitter()->childrenCollapsible());
        }
    }
    EXPECT_TRUE(env.prompter.texts.empty());
}

TEST(Frame, LayoutSwitchesSaveEachPaneToItsSlotAndLoadTheNewOnes) {
    FrameTestEnv env;
    for (int s = 0; s < 3; ++s) env.app.views[s].printGrid = s;  // tells the slots apart
    CMainFrame& f = env.Make(5);
    ASSERT_EQ(f.MapViewCount(), 2);
    f.MapView(0)->Desc().unselectedWpt = 1;
    f.MapView(1)->Desc().unselectedWpt = 2;

    // "Two Maps" -> "Map only": both panes stored first, the new one loads slot 0.
    f.ChangeSplitter(1);
    EXPECT_EQ(env.app.views[0].unselectedWpt, 1);
    EXPECT_EQ(env.app.views[2].unselectedWpt, 2);
    ASSERT_EQ(f.MapViewCount(), 1);
    EXPECT_EQ(f.MapView(1), nullptr);
    EXPECT_EQ(f.MapView(0)->Desc().printGrid, 0);
    EXPECT_EQ(f.MapView(0)->Desc().unselectedWpt, 1);
    EXPECT_EQ(env.app.splitStyle, 1);

    // "Map + DMR" uses slot 0, "DMR + Map" slot 1: separate settings.
    f.ChangeSplitter(3);
    EXPECT_EQ(f.MapView(0)->SettingsSlot(), 0);
    f.MapView(0)->Desc().tracking = 2;
    f.ChangeSplitter(4);
    EXPECT_EQ(env.app.views[0].tracking, 2);
    EXPECT_EQ(f.MapView(0)->Desc().printGrid, 1);
    EXPECT_EQ(f.MapView(0)->Desc().tracking, 0);

    // "DMR only" has no map pane; back to two maps, both slots as stored.
    f.ChangeSplitter(2);
    EXPECT_EQ(f.MapViewCount(), 0);
    EXPECT_EQ(f.ActiveIndex(), -1);
    f.ChangeSplitter(5);
    EXPECT_EQ(f.MapView(0)->Desc().tracking, 2);
    EXPECT_EQ(f.MapView(1)->Desc().unselectedWpt, 2);
    EXPECT_TRUE(env.prompter.texts.empty());

    // The panes of the last layout are stored when the frame goes.
    f.MapView(1)->Desc().unselectedWpt = 0;
    env.frame.reset();
    EXPECT_EQ(env.app.views[2].unselectedWpt, 0);
}

TEST(Frame, SwitchingToTheShownLayoutDoesNothing) {
    FrameTestEnv env;
    CMainFrame& f = env.Make(3);
    CVornaView* pane = f.MapView(0);
    QSplitter* split = f.MainSplitter();
    pane->Desc().unselectedWpt = 2;
    f.ChangeSplitter(3);
    EXPECT_EQ(f.MapView(0), pane);
    EXPECT_EQ(f.MainSplitter(), split);
    EXPECT_EQ(env.app.views[0].unselectedWpt, 0);  // nothing saved

    // The layout commands carry the check mark of the shown one.
    EXPECT_TRUE(env.State(cmd::LayoutMapDmr).m_bChecked);
    EXPECT_FALSE(env.State(cmd::LayoutMapOnly).m_bChecked);
    ASSERT_TRUE(f.Router().Execute(cmd::LayoutTwoMaps));
    EXPECT_EQ(f.CurrentStyle(), 5);
}

TEST(Frame, SplitRatiosFollowDragsAndSurviveResizeAndMinimise) {
    FrameTestEnv env;
    env.app.mapDmrVertSplitRatio = 700;
    env.app.mapDmrHorSplitRatio = 300;
    CMainFrame& f = env.Make(3);
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

    // A drag of the bar sets the ratio the next resize uses.
    const int w = client->width();
    f.MainSplitter()->setSizes({w / 2, w - w / 2 - f.MainSplitter()->handleWidth()});
    emit f.MainSplitter()->splitterMoved(w / 2, 1);
    EXPECT_NEAR(env.app.mapDmrVertSplitRatio, 500, 2);
    f.resize(1200, 800);
    QApplication::processEvents();
    EXPECT_NEAR(ratioOf(f.MainSplitter(), client->width()), 500, 5);

    // Minimising and restoring keeps the ratios.
    f.showMinimized();
    QApplication::processEvents();
    f.showNormal();
    QApplication::processEvents();
    EXPECT_NEAR(env.app.mapDmrVertSplitRatio, 500, 2);
    EXPECT_EQ(env.app.mapDmrHorSplitRatio, 300);
    EXPECT_NEAR(ratioOf(f.MainSplitter(), client->width()), 500, 5);

    // Panes never shrink below 10 pixels, whatever the stored ratio.
    env.app.twoMapVertSplitRatio = 0;
    f.ChangeSplitter(5);
    QApplication::processEvents();
    EXPECT_GE(f.MainSplitter()->sizes()[0], 10);
}

TEST(Frame, ReadyReturnsWhenThePointerLeavesTheMapPanes) {
    FrameTestEnv env;
    CMainFrame& f = env.Make(5);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    EXPECT_EQ(f.StatusText(), "Ready");

    f.SetStatusText("E 512345 N 5100000");
    EXPECT_EQ(f.StatusText(), "E 512345 N 5100000");
    // Inside the map panes the text stays (their own parts, the other pane).
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(f.MapView(1)->viewport(), &enter);
    EXPECT_EQ(f.StatusText(), "E 512345 N 5100000");
    // Onto the toolbar: "Ready".
    QApplication::sendEvent(f.findChild<QToolBar*>("Toolbar"), &enter);
    EXPECT_EQ(f.StatusText(), "Ready");

    // Leaving a map pane (to the window border, the menu...) does the same.
    f.SetStatusText("E 512346 N 5100000");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(f.MapView(0), &leave);
    EXPECT_EQ(f.StatusText(), "Ready");

    // The bars go at once with HideBars and come back through the View menu.
    f.HideBars();
    EXPECT_TRUE(f.statusBar()->isHidden());
    EXPECT_FALSE(env.State(cmd::ViewStatusBar).m_bChecked);
    ASSERT_TRUE(f.Router().Execute(cmd::ViewStatusBar));
    ASSERT_TRUE(f.Router().Execute(cmd::ViewToolbar));
    EXPECT_FALSE(f.statusBar()->isHidden());
    EXPECT_FALSE(f.findChild<QToolBar*>("Toolbar")->isHidden());
}

TEST(Frame, WithoutAMapPaneEveryRoutedCommandIsDisabled) {
    FrameTestEnv env;
    CMainFrame& f = env.Make(2);
    const unsigned routed[] = {cmd::LayerFirst,       cmd::LayerFirst + 5, cmd::LayerGrid,
                               cmd::LayerWaypoints,   cmd::LayerTrackLogs, cmd::LayerSearchArea,
                               cmd::LayerPrintGrid,   cmd::ShowOverlay,    cmd::PrintGridFirst,
                               cmd::UnselShowAll,     cmd::DmrAreaAlways,  cmd::TrackingDisabled,
                               cmd::OpenMapFirst + 1, cmd::NextSeries,     cmd::PrevSeries,
                               cmd::ActivateView0,    cmd::ActivateView1,  cmd::FindWaypoint};
    for (unsigned id : routed) {
        const CCmdUI ui = env.State(id);
        EXPECT_FALSE(ui.m_bEnabled) << id;
        EXPECT_FALSE(ui.m_bChecked) << id;
    }
    // Running one anyway changes nothing and says nothing.
    EXPECT_FALSE(f.Router().Execute(cmd::LayerFirst));
    EXPECT_TRUE(env.prompter.texts.empty());
    // Commands without a handler yet stay disabled; the application's work.
    EXPECT_FALSE(env.State(cmd::OpenMapButton).m_bEnabled);
    EXPECT_FALSE(env.State(cmd::OpenImage).m_bEnabled);
    EXPECT_TRUE(env.State(cmd::About).m_bEnabled);
    EXPECT_TRUE(env.State(cmd::LayoutMapOnly).m_bEnabled);
    // The document's commands come after the pane and before the frame.
    EXPECT_FALSE(env.State(cmd::Undo).m_bEnabled);
    ASSERT_TRUE(f.Router().Execute(cmd::CreateTempWpts));
    EXPECT_TRUE(env.State(cmd::CreateTempWpts).m_bChecked);

    // The toolbar's pane buttons: both off with one map, one checked with two.
    f.ChangeSplitter(1);
    EXPECT_FALSE(env.State(cmd::ActivateView0).m_bEnabled);
    EXPECT_FALSE(env.State(cmd::ActivateView1).m_bEnabled);
    f.ChangeSplitter(5);
    f.UpdateCommandStates();
    QAction* b0 = f.Actions().Action(cmd::ActivateView0);
    QAction* b1 = f.Actions().Action(cmd::ActivateView1);
    EXPECT_TRUE(b0->isEnabled() && b1->isEnabled());
    EXPECT_TRUE(b0->isChecked());
    EXPECT_FALSE(b1->isChecked());
    b1->trigger();
    EXPECT_EQ(f.ActiveIndex(), 1);
    f.UpdateCommandStates();
    EXPECT_FALSE(b0->isChecked());
    EXPECT_TRUE(b1->isChecked());
}

TEST(Frame, StoresItsNormalRectangleAndPlacesABadOneOnTheScreen) {
    FrameTestEnv env;
    env.app.windowLeft = 300;
    env.app.windowTop = 200;
    env.app.windowRight = 100;  // inverted
    env.app.windowBottom = 100;
    CMainFrame& f = env.Make(1);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(f.geometry())) << f.geometry().x() << "," << f.geometry().y();
    EXPECT_GT(f.width(), 10);

    f.setGeometry(40, 30, 640, 480);
    env.frame.reset();
    EXPECT_EQ(env.app.windowLeft, 40);
    EXPECT_EQ(env.app.windowTop, 30);
    EXPECT_EQ(env.app.windowRight, 680);
    EXPECT_EQ(env.app.windowBottom, 510);
}

TEST(Frame, SystemResourcesShowOneDocumentAndTheOpenMapPanes) {
    FrameTestEnv env;
    env.Make(5);
    CDlgSysResources dlg(env.app.memUse.data());
    auto text = [&](const char* id) {
        auto* e = dlg.findChild<QLineEdit*>(id);
        return e ? e->text() : QString("missing");
    };
    EXPECT_EQ(text("1277"), "1");  // documents
    EXPECT_EQ(text("1279"), "2");  // views
    EXPECT_EQ(text("1267"), "0");  // the waypoint index is never allocated
    EXPECT_EQ(text("1278"), "");   // bound to nothing
    EXPECT_EQ(text("1214"), "");
    EXPECT_TRUE(dlg.findChild<QLineEdit*>("1279")->isReadOnly());
}
