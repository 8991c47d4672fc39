#pragma once
// What the document needs of a view: the update channel. Map views, the 3-D
// view and the control panel implement it and register with the document.

// Update hints: what changed, so that a view repaints no more than that.
enum UpdateHint : long {
    kHintAll = 0,          // repaint everything
    kHintImageMap = 1,     // the image map changed and is reopened
    kHintWaypoint = 2,     // one waypoint: hintObject is its WaypointRecord
    kHintTrackPiece = 3,   // a new piece of GPS track: hintObject is a CGpsTriple
    kHintRect = 4,         // hintObject is the rectangle to repaint
    kHintPrintArea = 5,    // the print area is recomputed
    kHintDmrViewPoint = 6  // the 3-D view point moved: hintObject is a CGpsTriple
};

class IDocView {
public:
    virtual ~IDocView() = default;
    // hint: 0 repaint all, 1 image map reopened, 2 one waypoint (WaypointRecord*),
    // 3 GPS track piece (CGpsTriple*), 4 rectangle, 5 print area, 6 3-D view point.
    virtual void OnUpdate(IDocView* sender, long hint, const void* hintObject) = 0;
};
