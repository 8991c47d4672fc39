// The map pane's context menus: which popup opens over what, the names in
// its items, and on the real widget the keyboard's opening point and the
// pane the chain's update handlers and the chosen command see.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <cstring>

#include "ViewTestEnv.h"
#include "ui/FrameTestEnv.h"

namespace {

QAction* FindAction(const QMenu& m, int id) {
    for (QAction* a : m.actions()) {
        if (a->menu())
            if (QAction* in = FindAction(*a->menu(), id)) return in;
        if (!a->isSeparator() && a->data().toInt() == id) return a;
    }
    return nullptr;
}

}  // namespace

// A waypoint beats a track point, a track point the frame; the frame's inside
// is free map. Names are cut to six bytes and their '&' kept.
TEST(ContextMenu, PopupByWhatLiesUnderThePointAndTheNamesInItsItems) {
    MouseEnv env;
    const QRect f = env.Paint();
    std::memcpy(env.doc->Waypoints().Base(env.AddWpt({150, 150})).Data[0].Name, "A&BCDEF", kWptNameSize);
    ASSERT_TRUE(PutWpt(env.doc->Waypoints(), kTempBase, MakeWpt("T&1", env.At(250, 120), kWptTemporary)));
    env.SetTrack({{{150, 150}, 0}, {{f.left() + 60, f.top()}, 0}});
    const struct {
        int mapType;
        QPoint p;
        int popup;
        const char* name;  // in the waypoint's items
        const char* changeTo;
    } rows[] = {{kSeriesTK25, {150, 150}, kPopupWaypoint, "'A&&BCDE'", "Change to NAMED"},
                {kSeriesTK25, {250, 120}, kPopupWaypoint, "'T&&1'", "Change to AUTO"},
                {kSeriesTK25, {f.left() + 60, f.top()}, kPopupTrackPoint, nullptr, nullptr},
                {kSeriesTK25, {f.left() + 100, f.top() + 1}, kPopupPrintFrame, nullptr, nullptr},
                {kSeriesTK25, {f.left() + 100, f.top() + 40}, kPopupFreeMap, nullptr, nullptr},
                {kMapImageGeo, {0, 0}, kPopupImageMap, nullptr, nullptr}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.popup);
        if (env.pane->Desc().mapType != r.mapType) env.pane->OpenMap(r.mapType, false);
        const ContextMenuChoice c = env.pane->OpenContextMenu(r.p);
        EXPECT_EQ(c.popup, r.popup);
        // The first object found is the only one named: nothing below it is asked.
        HitRecord hit;
        env.pane->HitTest(r.p.x(), r.p.y(), hit);
        const int named = 4 * hit.HasWaypoint() + 2 * hit.HasTrackPoint() + (hit.frameHandle != kFrameNone);
        EXPECT_EQ(named, r.popup == kPopupWaypoint     ? 4
                         : r.popup == kPopupTrackPoint ? 2
                         : r.popup == kPopupPrintFrame ? 1
                                                       : 0);
        EXPECT_EQ(env.pane->ContextPoint(), r.p);
        EXPECT_EQ(env.pane->ContextPosition().easting, env.At(r.p.x(), r.p.y()).easting);
        EXPECT_EQ(c.texts.size(), r.name ? 4u : 0u);
        if (!r.name) continue;
        for (auto [id, verb] :
             {std::pair{cmd::WptEdit, "Edit"}, {cmd::WptMove, "Move"}, {cmd::WptDelete, "Delete"}})
            EXPECT_EQ(c.texts.at(id), std::string(verb) + " Wpt " + r.name);
        EXPECT_EQ(c.texts.at(cmd::WptChangeTo), r.changeTo);
    }
    // Without a map position the last target stays for the commands.
    const CPointD before = env.pane->ContextPosition();
    for (int type : {kMapImage, kMapNone}) {
        env.pane->OpenMap(type, false);
        EXPECT_EQ(env.pane->OpenContextMenu({30, 30}).popup,
                  type == kMapImage ? kPopupImageMap : kPopupNoMap);
        EXPECT_EQ(env.pane->ContextPosition().easting, before.easting);
    }
}

// The keyboard opens the menu 5 pixels inside the top-left corner; the
// clicked pane is active before any update handler runs; the choice runs
// through the frame's chain. On an image without origin the items that need
// a map position are off.
TEST(ContextMenu, TheWidgetOpensRunsAndRoutesThroughTheClickedPane) {
    FrameTestEnv env;
    CMainFrame& f = env.Make(SplitStyle::TwoMaps);
    CVornaView* view = f.MapView(1);
    int activeAtUpdate = -1, ran = 0;
    CCommandMap probe;  // last in the chain: sees what nobody before it serves
    probe.AddUpdate(cmd::LoadSearchAreaOld, [&](CCmdUI&) { activeAtUpdate = f.ActiveIndex(); });
    probe.AddCommand(cmd::LoadSearchAreaOld, [&] { ++ran; });
    for (unsigned id : {cmd::SetDmrViewPoint, cmd::SelectWptsInSector}) probe.AddCommand(id, [] {});
    f.Router().AddTarget(&probe);

    enum How { MenuKey, ShiftF10, Click };
    const struct {
        int mapType;
        How how;
        QPoint at, expected;
        const char* first;  // the popup's first item
        bool mapPositionItems;
    } rows[] = {{kSeriesTK25, MenuKey, {120, 90}, {5, 5}, "&New Wpt...", true},
                {kSeriesTK25, ShiftF10, {120, 90}, {5, 5}, "&New Wpt...", true},
                {kSeriesTK25, Click, {120, 90}, {120, 90}, "&New Wpt...", true},
                {kMapImage, Click, {120, 90}, {120, 90}, "&New Wpt", false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.first);
        env.Pane(1).OpenMap(r.mapType, false);
        f.SetActiveVornaView(0);
        activeAtUpdate = -1, ran = 0;
        QPoint global;
        QString first;
        std::pair<bool, bool> positionItems;
        view->SetContextMenuRunner([&](QMenu& m, const QPoint& g) {
            global = g;
            first = m.actions().value(0)->text();
            positionItems = {
                FindAction(m, cmd::SetDmrViewPoint)->isEnabled(),
                // the image popup carries the sector item under the id it shares
                FindAction(m, r.mapType < kMapImageGeo ? cmd::SelectAllTempWpts : cmd::SelectWptsInSector)
                    ->isEnabled()};
            return r.mapType >= 0 ? cmd::LoadSearchAreaOld : 0;
        });
        // Qt sends the menu key's request to the focused pane, a click's to the map itself.
        QContextMenuEvent e(r.how == Click ? QContextMenuEvent::Mouse : QContextMenuEvent::Keyboard, r.at,
                            view->mapToGlobal(r.at));
        if (r.how == ShiftF10)
            QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
        else
            QApplication::sendEvent(r.how == Click ? view->viewport() : static_cast<QWidget*>(view), &e);
        EXPECT_EQ(env.Pane(1).ContextPoint(), r.expected);
        EXPECT_EQ(global, view->viewport()->mapToGlobal(r.expected));
        EXPECT_EQ(first.toStdString(), r.first);
        EXPECT_EQ(f.ActiveIndex(), 1);
        EXPECT_EQ(positionItems, std::pair(r.mapPositionItems, r.mapPositionItems));
        EXPECT_EQ(std::pair(activeAtUpdate, ran), r.mapType >= 0 ? std::pair(1, 1) : std::pair(-1, 0));
    }
}

// The two selection rows carry different ids over an image and over a map:
// over an image "&Select Wpts in Sector" runs the document's selection of
// all temporary waypoints and "Select All Temp Wpts" is an id nobody serves.
TEST(ContextMenu, SelectionRowsCarryTheirPopupsIds) {
    const struct {
        int popup;
        const char* text;
        int id;
    } rows[] = {{kPopupImageMap, "&Select Wpts in Sector", cmd::SelectAllTempWpts},
                {kPopupImageMap, "Select All Temp Wpts", cmd::SelectAllTempWptsImage},
                {kPopupFreeMap, "&Select Wpts in Sector", cmd::SelectWptsInSector},
                {kPopupFreeMap, "Select All Temp Wpts", cmd::SelectAllTempWpts}};
    for (const auto& r : rows) {
        int found = -1;
        for (const ContextItemDef& d : ContextMenuTable())
            if (d.popup == r.popup && d.text && std::strcmp(d.text, r.text) == 0) found = d.id;
        EXPECT_EQ(found, r.id) << r.popup << " " << r.text;
    }
}
