// A user's round on the real window: a right click, "New Wpt", OK in the
// waypoint dialog, a drag of the new waypoint, then Ctrl+Z twice.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include "FrameTestEnv.h"
#include "geo/Convert.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/MapTransforms.h"
#include "wptui/QtWptDialogs.h"

namespace {

// The waypoint nearest to a client point of the pane, within two pixels.
int WaypointAt(CVornaDoc& doc, const MapViewDesc& d, QPoint p, WaypointRecord* rec) {
    const CPointD at = ClientToMap(p.x(), p.y(), d, DocGeoref(doc));
    const int rx = SaturateToInt(PixelsToMetresX(2, d, DocGeoref(doc)));
    return doc.GetClosestWptIndex(rec, at, rx, rx);
}

}  // namespace

TEST(EndToEnd, RightClickNewWptDragAndUndo) {
    FrameTestEnv env;
    CMainFrame& f = env.Make(SplitStyle::MapOnly);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    ApplyDatumParameters(env.app.geo, env.app.settings);  // the dialog shows WGS84 as it goes
    CQtWptDialogs dialogs(env.doc->Waypoints(), env.app.geo, &f);
    env.doc->SetWptDialogs(&dialogs);
    CVornaView* view = f.MapView(0);
    CMapViewController& pane = view->Controller();
    pane.OpenMap(kSeriesTK50, false);
    const MapViewDesc& d = pane.Desc();
    QWidget* map = view->viewport();
    const QPoint at(200, 150), to(260, 190);

    view->SetContextMenuRunner([](QMenu&, const QPoint&) { return cmd::NewWpt; });
    QTimer::singleShot(0, [] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dlg->accept();
    });
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, map->mapToGlobal(at));
    QApplication::sendEvent(map, &menu);
    WaypointRecord made{};
    ASSERT_GE(WaypointAt(*env.doc, d, at, &made), 0) << "no waypoint where the menu opened";
    EXPECT_TRUE(env.prompter.texts.empty());

    QTest::mouseMove(map, at);
    QTest::mousePress(map, Qt::LeftButton, {}, at);
    QTest::mouseMove(map, to);
    QTest::mouseRelease(map, Qt::LeftButton, {}, to);
    WaypointRecord moved{};
    EXPECT_LT(WaypointAt(*env.doc, d, at, nullptr), 0);
    ASSERT_GE(WaypointAt(*env.doc, d, to, &moved), 0) << "the drag did not move it";
    EXPECT_STREQ(moved.Name, made.Name);

    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QTest::keyClick(map, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_GE(WaypointAt(*env.doc, d, at, nullptr), 0) << "undo did not bring it back";
    EXPECT_LT(WaypointAt(*env.doc, d, to, nullptr), 0);
    QTest::keyClick(map, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_LT(WaypointAt(*env.doc, d, at, nullptr), 0) << "undo did not take the new waypoint away";
    env.doc->SetWptDialogs(nullptr);
}
