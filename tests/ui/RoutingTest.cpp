// Display commands of the menus, toolbar and keys reach the active map pane
// and only that one; the window's keys reach the document and the frame.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <cstring>
#include <set>

#include "FrameTestEnv.h"
#include "platform/CommandActions.h"
#include "view/AppCommands.h"
#include "view/MapTransforms.h"

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
    CMainFrame& f = env.Make(SplitStyle::TwoMaps);

    using Check = bool (*)(const MapViewDesc& before, const MapViewDesc& after);
    const struct {
        unsigned id;
        Check changed;
    } steps[] = {
        {cmd::LayerFirst + 2,
         [](const MapViewDesc& b, const MapViewDesc& a) { return a.layers[2] != b.layers[2]; }},
        {cmd::LayerGrid,
         [](const MapViewDesc& b, const MapViewDesc& a) { return a.layers[8] != b.layers[8]; }},
        {cmd::LayerSearchArea,
         [](const MapViewDesc& b, const MapViewDesc& a) { return a.layers[14] != b.layers[14]; }},
        {cmd::PrintGridFirst + 3, [](const MapViewDesc&, const MapViewDesc& a) { return a.printGrid == 3; }},
        {cmd::UnselDoNotShow,
         [](const MapViewDesc&, const MapViewDesc& a) { return a.unselectedWpt == kUnselHide; }},
        {cmd::DmrAreaAlways,
         [](const MapViewDesc&, const MapViewDesc& a) { return a.dmrArea == kDmrAreaAlways; }},
        {cmd::OpenMapFirst + 2, [](const MapViewDesc&, const MapViewDesc& a) { return a.mapType == 2; }},
        {cmd::ShowOverlay, [](const MapViewDesc& b, const MapViewDesc& a) { return a.overlay != b.overlay; }},
        {cmd::NextSeries,
         [](const MapViewDesc& b, const MapViewDesc& a) { return a.mapType == b.mapType + 1; }},
    };
    for (int active = 0; active < 2; ++active) {
        ASSERT_TRUE(f.Router().Execute(active ? cmd::ActivateView1 : cmd::ActivateView0));
        CMapViewController& on = env.Pane(active);
        CMapViewController& other = env.Pane(1 - active);
        for (const auto& s : steps) {
            SCOPED_TRACE(testing::Message() << "pane " << active << " command " << s.id);
            const MapViewDesc before = on.Desc(), otherBefore = other.Desc();
            ASSERT_TRUE(env.State(s.id).m_bEnabled);
            ASSERT_TRUE(f.Router().Execute(s.id));
            EXPECT_TRUE(s.changed(before, on.Desc()));
            EXPECT_TRUE(SameDesc(otherBefore, other.Desc()));
        }
    }
}

TEST(Routing, KeysOfTheWindowReachPaneDocumentAndFrame) {
    FrameTestEnv env;
    env.app.views[0].mapType = 3;  // TN10
    CMainFrame& f = env.Make(SplitStyle::MapOnly);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    CVornaView* v = f.MapView(0);
    v->setFocus();
    // Page Down / Page Up step the series through the accelerators, not the
    // scroll area, and stop at the ends.
    const struct {
        Qt::Key key;
        int type;
    } keys[] = {{Qt::Key_PageDown, 4}, {Qt::Key_PageDown, 4}, {Qt::Key_PageUp, 3}, {Qt::Key_PageUp, 2}};
    for (const auto& k : keys) {
        QTest::keyClick(v->viewport(), k.key);
        EXPECT_EQ(v->Controller().Desc().mapType, k.type);
    }
    const int before = v->Controller().Desc().layers[0];
    QTest::keyClick(v->viewport(), Qt::Key_G);
    EXPECT_NE(v->Controller().Desc().layers[0], before);

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

// Pane 0 meets a damaged segment on every paint, pane 1 shows no map: the
// box comes once, not again after each repaint of the pair.
TEST(Routing, ADamagedSegmentInTwoMapsRaisesOneBox) {
    FrameTestEnv env;
    env.CreateFolders(true);
    const int seg = env.doc->GetSegmentIndex(1, 415000, 5125000);
    ASSERT_TRUE(WriteFileBytes(env.doc->SegmentFilePath(1, seg, ".mif"), "MIF damaged"));
    const MapPoint p = MapToDevice(415000, 5125000, AppDocEnv::Desc(1), GeorefParams());
    env.app.views[0].mapType = 1;
    env.app.views[0].originX = p.x - 100;
    env.app.views[0].originY = p.y - 100;
    CMainFrame& f = env.Make(SplitStyle::TwoMaps);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    for (int round = 0; round < 3; ++round) {
        f.MapView(0)->viewport()->repaint();
        f.MapView(1)->viewport()->repaint();
        QApplication::processEvents();
    }
    ASSERT_FALSE(env.prompter.texts.empty());
    EXPECT_EQ(std::set<std::string>(env.prompter.texts.begin(), env.prompter.texts.end()).size(),
              env.prompter.texts.size());
}
