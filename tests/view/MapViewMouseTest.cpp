// The map pane's mouse without a window: the print frame's sensitive bands
// and its drags, waypoint drags and what a click without motion leaves alone,
// panning and mouse scrolling, the cursor and the position text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ViewTestEnv.h"

using Ints = std::pair<int, int>;
static Ints Of(const MapSize& s) { return {s.cx, s.cy}; }

// Bands of the outline on half-open ranges, corners first, inside free; the
// cursor follows the part under the pointer.
TEST(MapViewMouse, FrameBandsAtTheirPixelEdgesAndTheCursorOverThem) {
    MouseEnv env;
    const QRect f = env.Paint();
    ASSERT_EQ(f.size(), QSize(177, 118));
    const int L = f.left(), T = f.top(), R = L + f.width(), B = T + f.height();
    using C = CursorShape;
    const struct {
        int x, y, handle;
        C cursor;
    } rows[] = {
        {L - 1, T - 1, 1, C::SizeNWSE}, {L - 2, T - 1, -1, C::Cross},   {L + 3, T + 3, 1, C::SizeNWSE},
        {L + 4, T + 3, 5, C::SizeAll},  {L + 4, T + 4, -1, C::Cross},   {L + 3, T + 4, 8, C::SizeAll},
        {R, T - 1, 2, C::SizeNESW},     {R + 1, T, -1, C::Cross},       {R - 4, T + 3, 2, C::SizeNESW},
        {R - 5, T + 3, 5, C::SizeAll},  {R, B, 3, C::SizeNWSE},         {R - 4, B - 4, 3, C::SizeNWSE},
        {L - 1, B, 4, C::SizeNESW},     {L + 3, B - 5, 8, C::SizeAll},  {L + 50, B, 7, C::SizeAll},
        {L + 50, B + 1, -1, C::Cross},  {R - 4, T + 50, 6, C::SizeAll}, {R - 5, T + 50, -1, C::Cross}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.x - L << "," << r.y - T);
        env.pane->OnMouseMove({r.x, r.y});
        EXPECT_EQ(env.pane->HitA().frameHandle, r.handle);
        EXPECT_EQ(env.host.cursor, r.cursor);
    }
    env.AddWpt({300, 60});
    env.pane->OnMouseMove({300, 60});
    EXPECT_EQ(env.host.cursor, C::Arrow);
    env.pane->SetMouseMode(MouseMode::MoveWaypoint);
    EXPECT_EQ(env.host.cursor, C::UpArrow);
    env.pane->OpenMap(kMapNone, false);
    EXPECT_FALSE(env.pane->HitA().HasWaypoint());  // nothing of the old map stays grabbable
    env.pane->OnMouseMove({10, 10});
    EXPECT_EQ(env.host.cursor, C::No);
}

// A click without motion changes nothing; a drag across the quadrant edge
// renames and one undo brings the waypoint back; losing the grab mid-drag
// puts the record back and repaints both places.
TEST(MapViewMouse, WaypointClicksDragsAndALostGrab) {
    MouseEnv env;
    const QPoint at(150, 150);
    const int q = env.AddWpt(at);
    const WaypointRecord before = Stored(*env.doc, q, 0);
    const QRect f = env.Paint();
    const CPointD centre = env.pane->Desc().printCenter;
    for (QPoint p : {at, QPoint(f.left(), f.top() + 50)}) {  // the waypoint, the frame's left edge
        env.Drag(p, p);
        EXPECT_EQ(env.Undos(), 0);
        EXPECT_EQ(env.doc->Waypoints().Base(q).Modified, 0);
        EXPECT_EQ(std::memcmp(&before, env.doc->GetWptRecord(q, 0), sizeof before), 0);
        EXPECT_EQ(env.pane->Desc().printCenter.easting, centre.easting);
        EXPECT_EQ(Of(env.pane->Desc().printSize), Ints(177, 118));
    }
    auto nameAt = [&](QPoint p) {
        env.pane->OnMouseMove(p);
        return env.pane->HitA().HasWaypoint() ? WptName(env.pane->HitA().waypoint) : "";
    };
    env.Drag(at, {260, 150});  // x ~ 200 is the quadrant edge
    EXPECT_THAT(env.prompter.texts, testing::Contains(testing::HasSubstr("moved out of the current sector")));
    EXPECT_THAT(nameAt({260, 150}), testing::Not(testing::AnyOf("", WptName(before))));
    env.doc->Undo(0);
    EXPECT_EQ(nameAt(at), WptName(before));
    EXPECT_EQ(nameAt({260, 150}), "");

    env.pane->OnMouseMove(at);
    env.pane->OnLButtonDown(at, false);
    env.pane->OnMouseMove({180, 120});
    ASSERT_TRUE(env.pane->HasCapture());
    const WaypointRecord moved = *env.doc->GetWptRecord(q, env.pane->HitA().waypointIndex);
    EXPECT_NE(moved.E, before.E);
    env.host.rects.clear();
    env.pane->OnGrabLost();
    EXPECT_FALSE(env.pane->HasCapture());
    const WaypointRecord* r = env.doc->GetWptRecord(q, env.pane->HitA().waypointIndex);
    EXPECT_EQ(std::make_pair(r->E, r->N), std::make_pair(before.E, before.N));
    for (const WaypointRecord* w : {&before, &moved}) {
        const MapPoint m = MapToClient(w->E, w->N, env.pane->Desc(), DocGeoref(*env.doc));
        EXPECT_TRUE(std::any_of(env.host.rects.begin(), env.host.rects.end(),
                                [&](const QRect& x) { return x.contains(m.x, m.y); }));
    }
}

// Corner drags store a size that comes back to the same pixels, stop at
// 6 x 6 and at the page; the page size is stored as "whole page".
TEST(MapViewMouse, FrameCornerDragsKeepTheirSizeAndStopAtTheLimits) {
    MouseEnv env;
    const Ints max = Of(env.pane->MaxPrintSize());
    const struct {
        int corner;  // 0 top-left .. 3 bottom-left
        int dx, dy;
        Ints size;
    } rows[] = {{2, 10, 7, {187, 125}},
                {2, -3, 1, {174, 119}},
                {0, 500, 500, {6, 6}},
                {2, 100000, 100000, max},
                {1, 100000, -100000, max}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.corner);
        env.pane->SetPrintWidthHeight(3000, 2000);
        env.pane->ComputePrintArea();
        env.pane->Desc().printCenter = env.At(200, 150);
        const QRect f = env.Paint().adjusted(0, 0, 1, 1);
        const QPoint c[] = {f.topLeft(), f.topRight(), f.bottomRight(), f.bottomLeft()};
        env.Drag(c[r.corner], c[r.corner] + QPoint(r.dx, r.dy));
        EXPECT_EQ(Of(env.pane->Desc().printSize), r.size);
        EXPECT_EQ(env.pane->PrintWidth() == -1 && env.pane->PrintHeight() == -1, r.size == max);
        env.pane->ComputePrintArea();  // as a reopened pane or a new page does
        EXPECT_EQ(Of(env.pane->Desc().printSize), r.size);
    }
}

// The centre's dead zone is 2 pixels; where the pointer cannot be put back
// the map follows its movement. The left button does nothing while panning.
TEST(MapViewMouse, MouseScrollingDeadZoneAndPanning) {
    const struct {
        bool canWarp;
        std::vector<QPoint> moves;  // off the centre
        QPoint scrolled;
    } rows[] = {{true, {{2, -2}}, {0, 0}},
                {true, {{3, 0}}, {3, 0}},
                {true, {{0, -3}, {0, -3}}, {0, -6}},
                {false, {{3, 0}, {5, 0}}, {5, 0}},
                {false, {{-4, 1}, {-4, 1}}, {-4, 1}}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.scrolled.x() * 10 + r.scrolled.y());
        MouseEnv e;
        e.host.canWarp = r.canWarp;
        e.pane->Desc().mouseScrolling = 1;
        e.pane->Desc().tracking = kTrackingGps;
        const MapPoint o = e.pane->Desc().origin;
        for (QPoint m : r.moves) e.pane->OnMouseMove(QPoint(200, 150) + m);
        EXPECT_EQ(Ints(e.pane->Desc().origin.x - o.x, e.pane->Desc().origin.y - o.y),
                  Ints(r.scrolled.x(), r.scrolled.y()));
        EXPECT_EQ(e.pane->Desc().tracking, r.scrolled.isNull() ? kTrackingGps : kTrackingOff);
    }
    MouseEnv env;
    const MapPoint o = env.pane->Desc().origin;
    env.pane->OnMButtonDown({100, 100});
    env.pane->OnLButtonDown({120, 100}, false);
    env.pane->OnMouseMove({90, 80});
    env.pane->OnLButtonUp({90, 80});
    EXPECT_TRUE(env.pane->IsPanning());
    env.pane->OnMButtonUp({90, 80});
    EXPECT_EQ(Ints(env.pane->Desc().origin.x - o.x, env.pane->Desc().origin.y - o.y), Ints(10, 20));
    EXPECT_EQ(env.Undos(), 0);  // no waypoint made by the left click
}

// Texts in the C locale and local time, the double spaces kept; nothing is
// written while the receiver link shows its own progress.
TEST(MapViewMouse, PositionTexts) {
    MouseEnv env;
    WaypointRecord& w = env.doc->Waypoints().Base(env.AddWpt({100, 50})).Data[0];
    SetWptName(w, "A&B");
    SetWptComment(w, "near the river");
    env.SetTrack({{{300, 250}, 0}, {{340, 250}, 1000000000}});
    const QRect f = env.Paint();
    const std::string head = "^CONT:TK25->Pos: E=[0-9]{6}\\.[0-9], N=[0-9]{7}\\.[0-9]; Q=\\S\\S; ";
    const std::pair<QPoint, std::string> rows[] = {
        {{100, 50}, "Wpt A&B:  near the river$"},
        {{300, 250}, "TrkPt - Time not defined$"},
        {{340, 250}, "TrkPt on Sunday, 09\\.09\\.2001  03:46:40$"},
        {{f.left() + 60, f.top()}, "H=-?[0-9]+\\.[0-9]{2}; PRINT AREA$"},
        {{f.left() + 60, f.top() + 40}, "H=-?[0-9]+\\.[0-9]{2}$"}};
    for (const auto& [p, tail] : rows) {
        env.pane->OnMouseMove(p);
        EXPECT_THAT(env.frame.status, testing::MatchesRegex(head + tail));
    }
    const std::string last = env.frame.status;
    env.frame.gpsIdle = false;
    env.pane->OnMouseMove({100, 50});
    EXPECT_EQ(env.frame.status, last);
    env.frame.gpsIdle = true;
    env.pane->OpenMap(kMapNone, false);
    env.pane->OnMouseMove({100, 50});
    EXPECT_EQ(env.frame.status, "NOMAP->");
}
