// Display commands of the menus, toolbar and keys reach the active map pane
// and only that one.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <cstring>

#include "FrameTestEnv.h"
#include "platform/CommandActions.h"
#include "view/CommandTable.h"

namespace {

bool SameDesc(const MapViewDesc& a, const MapViewDesc& b) {
    return a.mapType == b.mapType && std::memcmp(a.layers, b.layers, sizeof a.layers) == 0 &&
           a.overlay == b.overlay && a.printGrid == b.printGrid && a.dmrArea == b.dmrArea &&
           a.unselectedWpt == b.unselectedWpt && a.tracking == b.tracking;
}

}  // namespace

TEST(Routing, EachDisplayCommandChangesOnlyTheActivePane) {
    FrameTestEnv env;
    for (ViewSettings& v : env.app.views) v.mapType = 1;  // TK50 in both panes
    CMainFrame& f = env.Make(5);
    CVornaView* left = f.MapView(0);
    CVornaView* right = f.MapView(1);
    ASSERT_TRUE(left && right);

    struct Step {
        unsigned id;
        bool (*changed)(const MapViewDesc& before, const MapViewDesc& after);
    };
    const Step steps[] = {
        {cmd::LayerFirst + 2,
         [](const MapViewDesc& b, const MapViewDesc& a) { return a.layers[2] != b.layers[2]; }},
        {cmd::LayerGrid,
         [](const MapViewDesc& b, const MapViewDesc& a) { return a.layers[8] != b.layers[8]; }},
        {cmd::LayerWaypoints,
         [](const MapViewDesc& b, const MapViewDesc& a) { return a.layers[9] != b.layers[9]; }},
        {cmd::LayerSearchArea,
         [](const MapViewDesc& b, const MapViewDesc& a) { return a.layers[14] != b.layers[14]; }},
        {cmd::PrintGridFirst + 3, [](const MapViewDesc&, const MapViewDesc& a) { return a.printGrid == 3; }},
        {cmd::LayerPrintGrid,
         [](const MapViewDesc& b, const MapViewDesc& a) { return a.layers[13] != b.layers[13]; }},
        {cmd::UnselDoNotShow, [](const MapViewDesc&, const MapViewDesc& a) { return a.unselectedWpt == 2; }},
        {cmd::DmrAreaAlways, [](const MapViewDesc&, const MapViewDesc& a) { return a.dmrArea == 2; }},
        {cmd::OpenMapFirst + 2, [](const MapViewDesc&, const MapViewDesc& a) { return a.mapType == 2; }},
        {cmd::ShowOverlay, [](const MapViewDesc& b, const MapViewDesc& a) { return a.overlay != b.overlay; }},
        {cmd::NextSeries,
         [](const MapViewDesc& b, const MapViewDesc& a) { return a.mapType == b.mapType + 1; }},
    };
    for (int active = 0; active < 2; ++active) {
        ASSERT_TRUE(f.Router().Execute(active ? cmd::ActivateView1 : cmd::ActivateView0));
        ASSERT_EQ(f.ActiveIndex(), active);
        CVornaView* on = active ? right : left;
        CVornaView* other = active ? left : right;
        for (const Step& s : steps) {
            SCOPED_TRACE(testing::Message() << "pane " << active << " command " << s.id);
            const MapViewDesc before = on->Desc();
            const MapViewDesc otherBefore = other->Desc();
            ASSERT_TRUE(env.State(s.id).m_bEnabled);
            ASSERT_TRUE(f.Router().Execute(s.id));
            EXPECT_TRUE(s.changed(before, on->Desc()));
            EXPECT_TRUE(SameDesc(otherBefore, other->Desc()));
        }
    }
    // Overlay on TK25 makes roads and objects available together with it.
    ASSERT_TRUE(f.Router().Execute(cmd::OpenMapFirst + 2));
    const bool overlay = f.MapView(1)->Desc().overlay != 0;
    EXPECT_EQ(env.State(cmd::LayerFirst + 3).m_bEnabled, overlay);
    ASSERT_TRUE(f.Router().Execute(cmd::ShowOverlay));
    EXPECT_EQ(env.State(cmd::LayerFirst + 3).m_bEnabled, !overlay);
    EXPECT_EQ(env.State(cmd::LayerFirst + 4).m_bEnabled, !overlay);
}

TEST(Routing, PageUpAndPageDownStopAtTheEndsOfTheSeries) {
    FrameTestEnv env;
    env.app.views[0].mapType = 3;  // TN10
    CMainFrame& f = env.Make(1);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    CVornaView* v = f.MapView(0);
    v->setFocus();

    // The keys themselves, through the window's accelerators.
    QTest::keyClick(v->viewport(), Qt::Key_PageDown);
    EXPECT_EQ(v->Desc().mapType, 4);
    EXPECT_FALSE(env.State(cmd::NextSeries).m_bEnabled);
    QTest::keyClick(v->viewport(), Qt::Key_PageDown);
    EXPECT_EQ(v->Desc().mapType, 4);

    for (int expect = 3; expect >= 0; --expect) {
        QTest::keyClick(v->viewport(), Qt::Key_PageUp);
        EXPECT_EQ(v->Desc().mapType, expect);
    }
    EXPECT_FALSE(env.State(cmd::PrevSeries).m_bEnabled);
    EXPECT_FALSE(f.Router().Execute(cmd::PrevSeries));
    QTest::keyClick(v->viewport(), Qt::Key_PageUp);
    EXPECT_EQ(v->Desc().mapType, 0);
    EXPECT_TRUE(env.State(cmd::NextSeries).m_bEnabled);

    // On no map both are disabled.
    f.Router().Execute(cmd::OpenMapFirst);  // keeps PK250 checked
    v->OpenMap(-3, 1);
    EXPECT_FALSE(env.State(cmd::NextSeries).m_bEnabled);
    EXPECT_FALSE(env.State(cmd::PrevSeries).m_bEnabled);

    // A layer key works the same way.
    v->OpenMap(1, 1);
    const int before = v->Desc().layers[0];
    QTest::keyClick(v->viewport(), Qt::Key_G);
    EXPECT_NE(v->Desc().layers[0], before);
}
