#pragma once
// What the search-area commands need beyond the document: the properties
// dialog and the receiver's upload list. The program installs the real ones;
// tests answer with fakes. Without a dialog the properties count as
// cancelled; without a link nothing is sent.

#include <cstdint>
#include <string>

struct WaypointRecord;

struct SearchFieldProperties {
    double bandWidth = 0;
    double pointDistance = 0;
    int pointsAtEdge = 0;     // 0 Middle, 1 Edge
    int routeThroughAll = 0;  // the "SEARCH" setting
    int heading = 0;          // whole degrees clockwise from grid north
    bool headingEditable = false;
};

class ISearchAreaDialog {
public:
    virtual ~ISearchAreaDialog() = default;
    // True for OK, with the edited values in props.
    virtual bool RunSearchAreaDialog(SearchFieldProperties& props) = 0;
};

class ISearchGpsLink {
public:
    virtual ~ISearchGpsLink() = default;
    virtual bool AllocateGPSdata(std::uint16_t n) = 0;
    virtual bool AddWaypointToGPSdata(const WaypointRecord& wpt) = 0;
    virtual bool AddRouteToGPSdata(const std::string& name) = 0;
    // Upload operation 5 (waypoints) or 6 (routes) on the GPS port; the
    // follow-up command (0 none) is posted when it ends.
    virtual void StartUpload(int operation, unsigned followUpCommand) = 0;
};

enum : int { kUploadWaypoints = 5, kUploadRoutes = 6 };
