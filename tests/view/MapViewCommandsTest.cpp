// The map pane's context-menu commands on their target, re-centring and the
// scroll bars' actions, on a window's pane.
#include <gtest/gtest.h>

#include <QScrollBar>

#include "ViewTestEnv.h"
#include "frame/MainFrm.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/MapTransforms.h"
#include "mapview/VornaView.h"
#include "platform/CommandIds.h"
#include "platform/System.h"

namespace {

// A TK25 pane of 400 x 300 pixels with every layer on.
struct Env : ViewTestEnv {
    FakeWptDialogs dialogs;
    CVornaView view{doc.get()};
    CMapViewController& p = view.Controller();
    Env() {
        doc->SetWptDialogs(&dialogs);
        app.settings.views[0].mapType = kSeriesTK25;
        for (int& l : app.settings.views[0].layers) l = 1;
        view.show();
        view.resize(view.size() + QSize(400, 300) - view.viewport()->size());
        p.InitFromSettings(0, 0);
    }
    std::pair<double, double> Corner() const {
        const MapViewDesc& d = p.Desc();
        const int dx = PixelsToMetresX(d.printSize.cx / 2, d, {}),
                  dy = PixelsToMetresX(d.printSize.cy / 2, d, {});
        return {d.printCenter.easting - dx, d.printCenter.northing + dy};
    }
    // Runs the command on what lies at pos; true when a waypoint is there afterwards.
    bool On(unsigned id, CPointD pos, int handle = kFrameNone) {
        for (bool run : {true, false}) {
            HitRecord hit;
            hit.frameHandle = handle;
            hit.waypointIndex = doc->GetClosestWptIndex(&hit.waypoint, pos, 5, 5);
            p.SetContextTarget(hit, pos, QPoint());
            if (run) p.OnCommand(id);
        }
        return p.HitB().HasWaypoint();
    }
    bool Ui(unsigned id, bool checked = false) const {
        CCmdUI ui(id);
        p.OnUpdateCommand(id, ui);
        return checked ? ui.m_bChecked : ui.m_bEnabled;
    }
};

}  // namespace

// "Set to Grid" puts the corner on whole multiples of the print size in grid
// steps from (370000, 5222000), at least one step; "Next Frame" goes to the
// grid line across the grabbed edge. Waypoint items reach the document on
// the target's copy and check its level and label; "New Wpt" and "Set DMR
// View Point" need a map position, "New Wpt" the waypoint layer as well.
TEST(MapViewCommands, PrintAreaAndWaypointItemsActOnTheContextTarget) {
    Env env;
    CMapViewController& p = env.p;
    // pixels, target, corner: 1400 x 1900 m snap by 1000 x 1500 m; 423 m by one 500 m step
    const double grid[][6] = {{331, 449, 372345.6, 5218765.4, 372000, 5219000},
                              {331, 449, 373999, 5217001, 373000, 5217500},
                              {100, 100, 372845, 5218265, 372500, 5218500}};
    for (const auto& r : grid) {
        p.Desc().printSize = {int(r[0]), int(r[1])};
        env.On(cmd::PrintOriginToGrid, {r[2], r[3]});
        EXPECT_EQ(env.Corner(), std::pair(r[4], r[5])) << r[2];
    }
    // A 5003 m square set with its corner on the grid.
    const int steps[][4] = {{kFrameRight, 2, 410000, 5100000},
                            {kFrameTop, 1, 400000, 5105000},
                            {kFrameBottom, 1, 400000, 5095000},
                            {kFrameLeft, 1, 395000, 5100000},
                            {kFrameTopLeft, 1, 400000, 5100000}};  // handle, times, corner
    for (const auto& r : steps) {
        p.Desc().printSize = {1182, 1182};
        env.On(cmd::PrintOriginHere, {400000, 5100000}, r[0]);
        for (int i = 0; i < r[1]; ++i) p.OnCommand(cmd::NextPrintFrame);
        EXPECT_EQ(env.Corner(), std::pair(double(r[2]), double(r[3]))) << r[0];
    }
    p.OnCommand(cmd::GotoPrintOrigin);
    const MapPoint corner = MapToClient(400000, 5100000, p.Desc(), {});
    EXPECT_EQ(std::pair(corner.x, corner.y), std::pair(200, 150));

    const CPointD at(402345, 5102345);
    env.dialogs.wpt.push_back([](WaypointRecord&) { return kWptDialogOk; });
    ASSERT_TRUE(env.On(cmd::NewWpt, at));
    for (auto [id, flags] :
         {std::pair(cmd::WptDefinedOnFirst + 3, 3), std::pair(cmd::WptLabelLeft, 0x23),
          std::pair(cmd::WptDefinedOnFirst + 1, 0x21), std::pair(cmd::WptLabelBelow, 0x01)}) {
        EXPECT_FALSE(env.Ui(id, true));
        env.On(id, at);
        EXPECT_EQ(std::pair(p.HitB().waypoint.Flags & 0x37, env.Ui(id, true)), std::pair(flags, true));
    }
    env.On(cmd::WptEdit, at);
    EXPECT_EQ(env.dialogs.wptRuns, 2);  // after New Wpt's
    env.On(cmd::WptChangeTo, at);
    EXPECT_EQ(env.prompter.texts, std::vector<std::string>{"Not implemented yet!"});
    EXPECT_FALSE(env.On(cmd::WptDelete, at));
    env.doc->OnEditUndo();
    EXPECT_TRUE(env.On(cmd::WptMove, at));
    EXPECT_EQ(p.GetMouseMode(), MouseMode::MoveWaypoint);

    // map type, waypoint layer; enabled: New Wpt, Set DMR View Point, Set to Grid
    const int states[][5] = {{kSeriesTK25, 0, 0, 1, 1}, {kMapImageGeo, 1, 1, 1, 0}, {kMapImage, 1, 0, 0, 0}};
    for (const auto& s : states) {
        p.OpenMap(s[0], false);
        p.Desc().layers[kLayerWaypoints] = s[1];
        EXPECT_EQ(
            std::tuple(env.Ui(cmd::NewWpt), env.Ui(cmd::SetDmrViewPoint), env.Ui(cmd::PrintOriginToGrid)),
            std::tuple(s[2] != 0, s[3] != 0, s[4] != 0))
            << s[0];
    }
    // From the main window's menu: the map pane beside the 3-D view follows the view point.
    env.app.settings.splitStyle = int(SplitStyle::MapDmr);
    env.app.settings.views[0].tracking = kTrackingDmr;
    const auto frame = std::make_unique<CMainFrame>(env.doc.get(), env.app.settings);
    CMapViewController& pane = frame->MapView(0)->Controller();
    const CPointD far(at.easting + 20000, at.northing);
    pane.SetContextTarget(HitRecord(), far, QPoint());
    ASSERT_TRUE(frame->Router().Execute(cmd::SetDmrViewPoint));
    const MapPoint c = MapToClient(far, pane.Desc(), {});
    EXPECT_EQ(std::tuple(env.app.settings.dmr.StickToGps, pane.Desc().dmrViewPoint.easting, c.x, c.y),
              std::tuple(0, far.easting, pane.Desc().clientSize.cx / 2, pane.Desc().clientSize.cy / 2));
}

// Re-centring moves the pane only beyond the margin, never for a point off
// the map or in a pane of no size. Arrows step a tenth of the pane, the
// trough half of it, both clamped to the map; the ends beep; every bar
// action ends tracking and the bars show the pane's origin. The window
// paints the map and squeezed to nothing still opens and paints.
TEST(MapViewCommands, PaneRecentresBeyondTheMarginAndScrollsByTheBarsActions) {
    Env env;
    CMapViewController& p = env.p;
    const double m = 25.4 / 150 * p.Desc().scale / 1000;  // metres per pixel
    // offset dx, dy (19 %, 21 %, 18.7 %, 21.3 %), pane width (0: none), easting (0: at the offset), moves
    const int centre[][5] = {{38, 0, 400, 0, 0}, {42, 0, 400, 0, 1}, {0, 28, 400, 0, 0},
                             {0, 32, 400, 0, 1}, {900, 0, 0, 0, 0},  {900, 0, 400, 300000, 0}};
    for (const auto& r : centre) {
        p.Resize(r[2], 300);
        p.SetScrollOrigin(20000, 18000);
        const CPointD pos(r[3] ? r[3] : kSeriesOriginE + (20200 + r[0] + 0.5) * m,
                          kSeriesOriginN - (18150 + r[1] + 0.5) * m);
        p.CenterOnPosition(pos.easting, pos.northing, 20.0);
        const MapPoint c = MapToClient(pos, p.Desc(), {}), o = p.Desc().origin;
        EXPECT_EQ(r[4] ? std::pair(c.x, c.y) : std::pair(o.x, o.y),
                  r[4] ? std::pair(200, 150) : std::pair(20000, 18000))
            << r[0] << " " << r[1] << " " << r[2];
    }
    p.Resize(400, 300);
    using A = QAbstractSlider;
    const int last = env.doc->GetMapSizePixels(p.Desc()).cx - 400;
    // horizontal, action, origin before, after, beeps
    const int rows[][5] = {{1, A::SliderSingleStepAdd, 1000, 1040, 0},
                           {1, A::SliderSingleStepSub, 20, 0, 0},
                           {1, A::SliderPageStepAdd, 1000, 1200, 0},
                           {1, A::SliderPageStepAdd, last - 9, last, 0},
                           {1, A::SliderToMaximum, 1000, last, 1},
                           {0, A::SliderSingleStepAdd, 100, 130, 0},
                           {0, A::SliderPageStepSub, 100, 0, 0},
                           {0, A::SliderToMinimum, 100, 0, 1},
                           {0, A::SliderMove, 100, 777, 0}};
    for (const auto& r : rows) {
        QScrollBar* bar = r[0] ? env.view.horizontalScrollBar() : env.view.verticalScrollBar();
        p.SetScrollOrigin(r[0] ? r[2] : 50, r[0] ? 50 : r[2]);
        p.Desc().tracking = kTrackingGps;
        RecordedBeeps().clear();
        r[1] == A::SliderMove ? bar->setSliderPosition(777) : bar->triggerAction(A::SliderAction(r[1]));
        const MapPoint o = p.Desc().origin;
        EXPECT_EQ(std::tuple(o.x, o.y, bar->value(), int(RecordedBeeps().size()), p.Desc().tracking),
                  std::tuple(r[0] ? r[3] : 50, r[0] ? 50 : r[3], r[3], r[4], int(kTrackingOff)))
            << r[0] << " " << r[1] << " " << r[2];
    }
    // The window paints what its pane draws, and its own bar moves are no user scroll.
    ASSERT_TRUE(env.WriteSegment(1, env.doc->GetSegmentIndex(1, 415000, 5125000), 0x04));
    const MapPoint w = MapToDevice(415000, 5125000, AppDocEnv::Desc(1), GeorefParams());
    ViewSettings& v = env.app.settings.views[0];
    v.mapType = 1, v.tracking = kTrackingGps, v.originX = w.x - 100, v.originY = w.y - 100;
    v.layers[kLayerGKGrid] = 0;  // its lines would cross the sampled pixel
    p.InitFromSettings(0, 0);
    EXPECT_EQ(env.view.horizontalScrollBar()->value(), w.x - 100);
    EXPECT_EQ(env.view.viewport()->grab().toImage().pixel(100, 100) & 0xffffff,
              ColorRefToRgb(env.app.settings.appearance.schemes[0].colors[2]) & 0xffffff);
    EXPECT_EQ(p.Desc().tracking, kTrackingGps);
    // A pane squeezed to nothing still opens and paints.
    env.view.resize(0, 0);
    p.OpenSeries(2);
    (void)env.view.grab();
    EXPECT_EQ(p.Desc().mapType, 2);
    EXPECT_TRUE(env.prompter.texts.empty());
}
