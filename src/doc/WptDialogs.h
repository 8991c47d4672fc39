#pragma once
// What the waypoint database needs of its two dialogs. The program installs
// the real ones; tests answer with fakes. With none installed every dialog
// counts as cancelled.

#include <string>

#include "doc/WptTypes.h"

class CCommandMap;

// The two waypoints of a conflict, in whole metres (truncated toward zero).
struct WptConflictInfo {
    std::string existingName;
    int existingE = 0;
    int existingN = 0;
    std::string newName;  // after the run: the name the user typed
    int newE = 0;
    int newN = 0;
    int distance = 0;
    int result = 0;  // after the run: 0 OK, 1 Replace
};

class IWptDialogs {
public:
    virtual ~IWptDialogs() = default;
    // The waypoint properties dialog on rec; 1 (OK) leaves the edited record in rec.
    virtual int RunWptDialog(WaypointRecord& rec, const std::string& caption) = 0;
    // The conflict dialog: kind 0 name exists (Replace offered), 4 the same
    // without Replace, 1 position too close. 1 for OK and Replace, else skipped.
    virtual int RunWptConflictDialog(WptConflictInfo& info, int kind) = 0;
};

