// Display commands of menus, toolbar and keys reach the active pane and only
// that one; the window's keys reach the document and frame.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <cstring>

#include "FrameTestEnv.h"
#include "frame/AppCommands.h"
#include "platformui/CommandActions.h"

TEST(Routing, EachDisplayCommandChangesOnlyTheActivePane) {
    FrameTestEnv env;
    for (ViewSettings& v : env.app.settings.views) v.mapType = 1;  // TK50 in both panes
    CMainFrame& f = env.Make(SplitStyle::TwoMaps);
    auto same = [](const MapViewDesc& a, const MapViewDesc& b) {
        return a.mapType == b.mapType && std::memcmp(a.layers, b.layers, sizeof a.layers) == 0 &&
               a.overlay == b.overlay && a.printGrid == b.printGrid && a.dmrArea == b.dmrArea &&
               a.unselectedWpt == b.unselectedWpt;
    };
    QAction* buttons[] = {f.Actions().Action(cmd::ActivateView0), f.Actions().Action(cmd::ActivateView1)};
    for (int active = 0; active < 2; ++active) {
        buttons[active]->trigger();  // the toolbar's pane buttons: the active one checked
        f.UpdateCommandStates();
        ASSERT_EQ(f.ActiveIndex(), active);
        EXPECT_TRUE(buttons[0]->isEnabled() && buttons[active]->isChecked() &&
                    !buttons[1 - active]->isChecked());
        for (unsigned id : {cmd::LayerFirst + 2, cmd::LayerGrid, cmd::LayerSearchArea,
                            cmd::PrintGridFirst + 3, cmd::UnselDoNotShow, cmd::DmrAreaAlways,
                            cmd::OpenMapFirst + 2, cmd::ShowOverlay, cmd::NextSeries}) {
            SCOPED_TRACE(testing::Message() << "pane " << active << " command " << id);
            const MapViewDesc before = env.Pane(active).Desc(), otherBefore = env.Pane(1 - active).Desc();
            ASSERT_TRUE(env.State(id).m_bEnabled);
            ASSERT_TRUE(f.Router().Execute(id));
            EXPECT_FALSE(same(before, env.Pane(active).Desc()));
            EXPECT_TRUE(same(otherBefore, env.Pane(1 - active).Desc()));
        }
    }
}

TEST(Routing, KeysOfTheWindowReachPaneDocumentAndFrame) {
    FrameTestEnv env;
    env.app.settings.views[0].mapType = 3;  // TN10
    CMainFrame& f = env.Make(SplitStyle::MapOnly);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    CVornaView* v = f.MapView(0);
    v->setFocus();
    // Page Down / Page Up step the series through the accelerators, not the
    // scroll area, and stop at the ends.
    for (auto [key, type] : {std::pair(Qt::Key_PageDown, 4), std::pair(Qt::Key_PageDown, 4),
                             std::pair(Qt::Key_PageUp, 3), std::pair(Qt::Key_PageUp, 2)}) {
        QTest::keyClick(v->viewport(), key);
        EXPECT_EQ(v->Controller().Desc().mapType, type);
    }
    const int before = v->Controller().Desc().layers[0];
    QTest::keyClick(v->viewport(), Qt::Key_G);
    EXPECT_NE(v->Controller().Desc().layers[0], before);

    // Ctrl+N starts the document over: its views reopen the image map.
    env.doc->OnNewDocument();  // the start-up one, which is silent
    HintRecorder rec;
    env.doc->AddView(&rec);
    QTest::keyClick(v->viewport(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(rec.hints, std::vector<long>{kHintImageMap});
    env.doc->RemoveView(&rec);

    // Ctrl+S saves the document into its file.
    const std::string image = env.tmp.file("map.bmp");
    ASSERT_TRUE(WriteFileBytes(image, BmpBytes(8, 4, 8, 1024)));
    ASSERT_TRUE(env.doc->OnOpenDocument(image));
    f.AppCommands().documentPath = image;
    ASSERT_TRUE(WriteFileBytes(image, "x"));
    QTest::keyClick(v->viewport(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ReadFileBytes(image), BmpBytes(8, 4, 8, 1024));

    // The desktop's Quit key closes the window as Exit does.
    QTest::keyClick(v->viewport(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(f.isVisible());
}
