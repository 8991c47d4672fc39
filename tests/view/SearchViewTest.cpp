// The search field and route commands of a pane, its mouse modes, and the
// search area and grid overlays painted into an image.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "ViewTestEnv.h"
#include "mapdraw/MapOverlays.h"
#include "mapdraw/MapTransforms.h"
#include "platform/CommandIds.h"

namespace {

const QRgb kBg = qRgb(1, 2, 3);

bool Enabled(CMapViewController& pane, unsigned id) {
    CCmdUI ui(id);
    pane.OnUpdateCommand(id, ui);
    return ui.m_bEnabled;
}

struct GridEnv : ViewTestEnv {
    MapViewDesc desc = Desc(kSeriesTK50);
    explicit GridEnv(int series = kSeriesTK50, int w = 400, int h = 300) {
        desc = Desc(series);
        desc.clientSize = {w, h};
        const MapPoint c = MapToDevice(510000, 5080000, desc, GeorefParams{});
        desc.origin = {c.x - w / 2, c.y - h / 2};
        const GeorefParams g = DocGeoref(*doc);
        doc->VisibleArea = CRectD(DeviceToMap(desc.origin, desc, g),
                                  DeviceToMap(desc.origin.x + w, desc.origin.y + h, desc, g));
    }
    MapPoint Client(const CPointD& p) const { return MapToClient(p, desc, DocGeoref(*doc)); }
    CPointD At(int x, int y) const { return ClientToMap(x, y, desc, DocGeoref(*doc)); }
    QImage Paint(void (*painter)(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&)) {
        QImage img(desc.clientSize.cx, desc.clientSize.cy, QImage::Format_RGB32);
        img.fill(kBg);
        QPainter dc(&img);
        dc.setBrush(Qt::white);
        painter(*doc, dc, DrawTarget{}, desc);
        return img;
    }
};

int CountColour(const QImage& img, QRgb c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == c;
    return n;
}

}  // namespace

TEST(SearchCommands, ThreeClicksLayOutTheFieldAndEscEndsEachMode) {
    MouseEnv env;
    CMapViewController& pane = *env.pane;
    EXPECT_FALSE(Enabled(pane, cmd::FindSearchField));
    pane.OnCommand(cmd::NewSearchField);
    EXPECT_EQ(pane.GetMouseMode(), MouseMode::NewSearchField);
    EXPECT_EQ(pane.Cursor(), CursorShape::UpArrow);
    pane.OnLButtonDown(QPoint(100, 200), false);
    EXPECT_TRUE(Enabled(pane, cmd::FindSearchField));  // one corner is enough
    pane.OnLButtonDown(QPoint(300, 200), false);
    // ESC after two corners: the base line stays, the direction line unset.
    pane.OnCommand(cmd::EndRouteDrawing);
    EXPECT_EQ(pane.GetMouseMode(), MouseMode::Normal);
    const SearchAreaData& d = env.doc->SearchData();
    EXPECT_TRUE(IsSearchPointSet(d.BaseEnd));
    EXPECT_FALSE(IsSearchPointSet(d.DirectionEnd));

    pane.OnCommand(cmd::NewSearchField);
    for (QPoint p : {QPoint(100, 200), QPoint(300, 200), QPoint(100, 50)}) pane.OnLButtonDown(p, false);
    EXPECT_EQ(pane.GetMouseMode(), MouseMode::Normal);
    EXPECT_NEAR(d.DirectionEnd.northing, env.At(100, 50).northing, 1e-6);

    // Mode 3 (a pending waypoint move) also ends; mode 0 stays untouched.
    pane.SetMouseMode(MouseMode::MoveWaypoint);
    pane.OnCommand(cmd::EndRouteDrawing);
    EXPECT_EQ(pane.GetMouseMode(), MouseMode::Normal);
    pane.OnCommand(cmd::EndRouteDrawing);
    EXPECT_EQ(pane.GetMouseMode(), MouseMode::Normal);
}

TEST(SearchCommands, RoutesDrawnByClicksTenthRefusedAndFindNextPrevious) {
    MouseEnv env;
    CMapViewController& pane = *env.pane;
    pane.OnCommand(cmd::DrawSearchPerimeter);
    EXPECT_EQ(pane.RouteNumber(), 0);
    for (int i = 0; i < 3; ++i) pane.OnLButtonDown(QPoint(50 + 40 * i, 60), false);
    EXPECT_EQ(env.doc->SearchArea().RouteBeingDrawn[0], 1);
    pane.OnCommand(cmd::EndRouteDrawing);
    EXPECT_EQ(env.doc->SearchArea().RouteBeingDrawn[0], 0);
    EXPECT_EQ(pane.RouteNumber(), -1);
    EXPECT_EQ(env.doc->SearchData().Routes[0].Count, 3);
    // A new perimeter replaces the old one.
    pane.OnCommand(cmd::DrawSearchPerimeter);
    pane.OnLButtonDown(QPoint(10, 10), false);
    EXPECT_EQ(env.doc->SearchData().Routes[0].Count, 1);
    pane.OnCommand(cmd::EndRouteDrawing);

    for (int r = 1; r <= 9; ++r) {
        pane.OnCommand(cmd::NewSearchRoute);
        pane.OnLButtonDown(QPoint(20 * r, 250), false);
        pane.OnCommand(cmd::EndRouteDrawing);
    }
    pane.OnCommand(cmd::NewSearchRoute);
    pane.OnLButtonDown(QPoint(5, 5), false);  // the refused route: nothing drawn, no other route grows
    pane.OnCommand(cmd::NewSearchRoute);      // refused while drawing: the mode goes on with its route
    EXPECT_TRUE(env.prompter.Saw("Maximum number of routes exceeded!"));
    EXPECT_FALSE(env.prompter.Saw("Internal Error! Invalid Route number."));
    for (int r = 1; r <= 9; ++r) EXPECT_EQ(env.doc->SearchData().Routes[r].Count, 1) << r;

    // Context target: a point of route 9, then the perimeter.
    const MapPoint z =
        MapToClient(env.doc->SearchData().Routes[9].Points[0], pane.Desc(), DocGeoref(*env.doc));
    ContextMenuChoice c = pane.OpenContextMenu(QPoint(z.x, z.y));
    EXPECT_EQ(c.popup, kPopupSearchRoute);
    EXPECT_EQ(c.texts[cmd::DeleteSearchRoute], "Delete Route 'Z'...");
    EXPECT_FALSE(Enabled(pane, cmd::FindNextRoute));
    EXPECT_TRUE(Enabled(pane, cmd::FindPrevRoute));
    c = pane.OpenContextMenu(QPoint(10, 10));
    EXPECT_EQ(c.texts[cmd::DeleteSearchRoute], "Delete Perimeter...");
    EXPECT_TRUE(Enabled(pane, cmd::FindNextRoute));
    EXPECT_FALSE(Enabled(pane, cmd::FindPrevRoute));
    env.prompter.answers.push_back(IDYES);
    pane.OnCommand(cmd::DeleteSearchRoute);
    EXPECT_EQ(env.doc->SearchData().Routes[0].Count, 0);
}

TEST(SearchCommands, DraggingAPointMovesItAndALostGrabPutsItBack) {
    MouseEnv env;
    CMapViewController& pane = *env.pane;
    pane.OnCommand(cmd::NewSearchRoute);
    pane.OnLButtonDown(QPoint(120, 120), false);
    pane.OnCommand(cmd::EndRouteDrawing);
    const CPointD before = env.doc->SearchData().Routes[1].Points[0];
    pane.OnMouseMove(QPoint(121, 121));
    ASSERT_EQ(pane.HitA().SearchKind(), 2);
    pane.OnLButtonDown(QPoint(121, 121), false);
    pane.OnMouseMove(QPoint(151, 131));
    pane.OnLButtonUp(QPoint(151, 131));
    const CPointD after = env.doc->SearchData().Routes[1].Points[0];
    EXPECT_NEAR(after.easting, env.At(150, 130).easting, 1e-6);
    EXPECT_NE(after.easting, before.easting);

    pane.OnMouseMove(QPoint(150, 130));
    pane.OnLButtonDown(QPoint(150, 130), false);
    pane.OnMouseMove(QPoint(200, 200));
    pane.OnGrabLost();
    const double putBack = env.doc->SearchData().Routes[1].Points[0].easting;
    EXPECT_EQ(putBack, after.easting);
}

TEST(SearchOverlay, KilometreLinesSitOnWholeKilometres) {
    GridEnv env(kSeriesTK50);
    const QImage img = env.Paint(DrawGKGrid);
    const QRgb magenta = qRgb(255, 0, 255);
    for (int k = 5079; k <= 5081; ++k) {
        const MapPoint p = env.Client(CPointD(510000, k * 1000.0));
        EXPECT_EQ(img.pixel(5, p.y), magenta) << k;
        EXPECT_NE(img.pixel(5, p.y - 2), magenta) << k;
    }
    const MapPoint e = env.Client(CPointD(510000, 5080000));
    EXPECT_EQ(img.pixel(e.x, 3), magenta);
    GridEnv pk(kSeriesPK250, 600, 400);  // every 10 km
    const QImage wide = pk.Paint(DrawGKGrid);
    const MapPoint q = pk.Client(CPointD(510000, 5080000));
    EXPECT_EQ(wide.pixel(q.x, 3), magenta);
    EXPECT_NE(wide.pixel(pk.Client(CPointD(511000, 5080000)).x, 3), magenta);
}

TEST(SearchOverlay, PrintGridCellsAndTinyPrintAreas) {
    GridEnv env(kSeriesTK50, 600, 800);
    env.desc.printGrid = kSeriesTK25;
    const MapTypeInfo tk25 = DefaultMapType(kSeriesTK25);
    struct Case {
        int px;
        int metres;
    } cases[] = {{1182, 5000}, {1181, 4500}, {20, 0}};
    for (const Case& c : cases) {
        env.desc.printSize = {c.px, c.px};
        int W = -1, H = -1;
        EXPECT_EQ(PrintGridCells(env.desc, tk25, W, H), c.metres > 0) << c.px;
        EXPECT_EQ(W, c.metres);
        EXPECT_EQ(H, c.metres);
    }
    env.desc.printSize = {1182, 1182};
    QImage img = env.Paint(DrawPrintGrid);
    const QRgb red = qRgb(255, 0, 0);
    // Rows at 5222000 - k * 5000: 5082000 and 5077000 around the centre.
    for (double n : {5082000.0, 5077000.0})
        EXPECT_EQ(img.pixel(2, env.Client(CPointD(510000, n)).y), red) << n;
    EXPECT_NE(img.pixel(2, env.Client(CPointD(510000, 5080000)).y), red);
    env.desc.printSize = {20, 20};
    img = env.Paint(DrawPrintGrid);
    EXPECT_EQ(CountColour(img, red), 0);
    env.desc.printGrid = 9;  // out of the table
    env.desc.printSize = {1182, 1182};
    EXPECT_EQ(CountColour(env.Paint(DrawPrintGrid), red), 0);
}

TEST(SearchOverlay, FieldBandsRoutesAndMarkers) {
    GridEnv env(kSeriesTK50, 600, 400);
    SearchAreaData& d = env.doc->SearchArea().Data();
    d.BaseStart = env.At(100, 300);
    d.BaseEnd = CPointD(d.BaseStart.easting + 1000, d.BaseStart.northing);
    d.DirectionEnd = CPointD(d.BaseStart.easting, d.BaseStart.northing + 1000);
    const QRgb red = qRgb(255, 0, 0), white = qRgb(255, 255, 255);
    QImage img = env.Paint(DrawSearchArea);
    SearchGrid g;
    ASSERT_TRUE(MakeSearchGrid(d, g));
    // Every point a red dot with a white rim; band A's first point on the base line.
    for (int b : {0, 5})
        for (int i : {1, 10}) {
            const MapPoint p = env.Client(g.Point(b, i));
            EXPECT_EQ(img.pixel(p.x, p.y), red) << b << " " << i;
            EXPECT_EQ(img.pixel(p.x - 3, p.y), white) << b << " " << i;
        }
    // Only two corners: the base line and markers, no grid.
    d.DirectionEnd = CPointD();
    img = env.Paint(DrawSearchArea);
    EXPECT_NE(img.pixel(env.Client(g.Point(0, 5)).x, env.Client(g.Point(0, 5)).y), red);
    const MapPoint mid = env.Client(CPointD(d.BaseStart.easting + 500, d.BaseStart.northing));
    EXPECT_EQ(img.pixel(mid.x, mid.y), red);

    // The perimeter closes only once drawn; a search route never.
    CSearchArea& area = env.doc->SearchArea();
    area.ClearAll();
    area.NewRoute(0);
    for (QPoint q : {QPoint(300, 100), QPoint(400, 100), QPoint(400, 200)})
        area.AddRoutePoint(0, env.At(q.x(), q.y()));
    const QRgb perimeter = qRgb(0xC4, 0, 0);
    img = env.Paint(DrawSearchArea);
    EXPECT_NE(img.pixel(350, 150), perimeter);
    area.EndRoute(0);
    img = env.Paint(DrawSearchArea);
    EXPECT_EQ(img.pixel(350, 150), perimeter);
}

// Crowded points are stamped last one first with every pixel written once;
// the picture must be that of painting them one by one in order, as the
// painter does where it cannot reach the pixels (RGB888, several clip
// rectangles): whole, clipped and zoomed.
TEST(SearchOverlay, StampedFieldMatchesThePainterPointByPoint) {
    GridEnv env(kSeriesTK50, 500, 360);
    SearchAreaData& d = env.doc->SearchArea().Data();
    d.BaseStart = env.At(60, 330);
    d.BaseEnd = CPointD(d.BaseStart.easting + 1500, d.BaseStart.northing + 400);
    d.DirectionEnd = CPointD(d.BaseStart.easting + 300, d.BaseStart.northing + 2400);
    d.PointDistance = 6.0;  // under a pixel apart: markers and labels pile up
    for (int r = 0; r < 3; ++r) {
        for (int i = 0; i < 12; ++i) d.Routes[r].Points[i] = env.At(20 + 35 * i, 40 + 60 * r + (i % 3) * 9);
        d.Routes[r].Count = 12;
    }
    SearchGrid g;
    ASSERT_TRUE(MakeSearchGrid(d, g));
    ASSERT_GT(g.points, 300);
    const auto paint = [&](QImage::Format f, const QRegion& clip, double zoom) {
        QImage img(env.desc.clientSize.cx, env.desc.clientSize.cy, f);
        img.fill(kBg);
        MapViewDesc desc = env.desc;
        desc.zoomX = desc.zoomY = zoom;
        QPainter dc(&img);
        if (!clip.isEmpty()) dc.setClipRegion(clip);
        DrawSearchArea(*env.doc, dc, DrawTarget{}, desc);
        dc.end();
        return img.convertToFormat(QImage::Format_RGB32);
    };
    const QRect part(90, 70, 230, 150);
    const struct {
        QRegion fast, slow;
        double zoom;
    } rows[] = {
        {QRegion(), QRegion(), 1.0},
        {QRegion(part), QRegion(part) | QRegion(1000, 1000, 1, 1), 1.0},  // a second rectangle off the image
        {QRegion(), QRegion(), 2.0},
    };
    for (const auto& r : rows) {
        const QImage slow = paint(QImage::Format_RGB888, r.slow, r.zoom);
        for (const char* pass : {"cold", "warm"}) {  // the warm one reuses the pictures of the routes
            const QImage fast = paint(QImage::Format_RGB32, r.fast, r.zoom);
            EXPECT_GT(CountColour(fast, qRgb(255, 0, 0)), 2000) << r.zoom;
            EXPECT_TRUE(fast == slow) << pass << " zoom " << r.zoom << " clipped " << !r.fast.isEmpty();
        }
    }
}
