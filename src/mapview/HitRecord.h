#pragma once
// What lies under a point of a map pane: the result of one hit test. The
// records are copies; indexes are looked up again before any use.

#include <cstdint>

#include "doc/WptTypes.h"
#include "geo/Types.h"

// Parts of the print-area frame a pointer can grab.
enum FrameHandle : int {
    kFrameNone = -1,
    kFrameTopLeft = 1,
    kFrameTopRight = 2,
    kFrameBottomRight = 3,
    kFrameBottomLeft = 4,
    kFrameTop = 5,
    kFrameRight = 6,
    kFrameBottom = 7,
    kFrameLeft = 8,
};

struct HitRecord {
    WaypointRecord waypoint{};
    int waypointIndex = -1;  // in the base the record's position and flags name
    TrackPoint trackPoint{};
    int trackPointIndex = -1;
    int refPointIndex = -1;
    int frameHandle = kFrameNone;
    // The search-area point hit: the field corner (0-2) or the route point;
    // looked up again in the document's search area whenever used.
    int searchPoint = -1;
    std::uint32_t searchHit = 0;  // low byte: 0 none, 1 field element, 2 route point; next: route number

    void Reset() { *this = HitRecord(); }
    bool HasWaypoint() const { return waypointIndex >= 0; }
    bool HasTrackPoint() const { return trackPointIndex >= 0; }
    bool HasRefPoint() const { return refPointIndex >= 0; }
    int SearchKind() const { return int(searchHit & 0xFF); }
    int RouteNumber() const { return int((searchHit >> 8) & 0xFF); }
};

// What the left button does on free map.
enum class MouseMode : int {
    Normal = 0,
    MoveWaypoint = 3,  // the next click moves the context menu's waypoint
    NewSearchField = 4,
    DrawRoute = 5,
};
