#pragma once
// What a map pane needs of the main frame that holds it. The frame passes
// itself (or an adapter) to each map pane it makes.

#include <string>

#include "mapdraw/ViewModes.h"

class CCommandRouter;

class IMapViewFrame {
public:
    virtual ~IMapViewFrame() = default;
    // The activated pane becomes the target of the routed display commands.
    virtual void SetActiveVornaView(int viewIndex) = 0;
    virtual bool HasDmrView() const = 0;
    virtual SplitStyle Layout() const = 0;
    // Guard word (222 while intact) and the map-view count with its copy,
    // checked before each paint.
    virtual int FrameGuard() const { return 222; }
    virtual int MapViewCount() const { return 0; }
    virtual int MapViewCountTest() const { return MapViewCount(); }
    // The 3-D settings changed: toPanel when they were changed directly (not
    // in the control panel), redraw to show the new view point.
    virtual void UpdateDmr(bool /*toPanel*/, bool /*redraw*/) {}
    // Pane 0 of the status bar; "Ready" returns when the pointer leaves the pane.
    virtual void SetStatusText(const std::string&) {}
    virtual void RestoreReady() {}
    // False while a receiver transfer shows its progress in the status bar.
    virtual bool GpsLinkIdle() const { return true; }
    // The chain the pane's context menu is updated and run through; null: none.
    virtual CCommandRouter* CommandRouter() { return nullptr; }
};
