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
    int result = 0;  // after the run: kWptConflictOk or kWptConflictReplace
};

// What the conflict dialog is about, and how it ended.
enum WptConflictKind : int {
    kWptConflictName = 0,           // the name exists: Replace offered
    kWptConflictDistance = 1,       // the position is too close to another waypoint
    kWptConflictNameNoReplace = 4,  // the name exists, Replace not offered
};
enum : int { kWptConflictOk = 0, kWptConflictReplace = 1 };
// A dialog's ending that goes on (OK, or Replace in the conflict dialog).
enum : int { kWptDialogOk = 1 };

class IWptDialogs {
public:
    virtual ~IWptDialogs() = default;
    // The waypoint properties dialog on rec; kWptDialogOk leaves the edited record in rec.
    virtual int RunWptDialog(WaypointRecord& rec, const std::string& caption) = 0;
    // The conflict dialog of a WptConflictKind; kWptDialogOk for OK and
    // Replace, anything else skips.
    virtual int RunWptConflictDialog(WptConflictInfo& info, int kind) = 0;
};
