#pragma once
// What the document needs of a view: the update channel. Map views, the 3-D
// view and the control panel implement it and register with the document.

class IDocView {
public:
    virtual ~IDocView() = default;
    // hint: 0 repaint all, 1 image map reopened, 2 one waypoint (WaypointRecord*),
    // 3 GPS track piece (CGpsTriple*), 4 rectangle, 5 print area, 6 3-D view point.
    virtual void OnUpdate(IDocView* sender, long hint, const void* hintObject) = 0;
};
