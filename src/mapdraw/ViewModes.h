#pragma once
// Named values of the pane layouts and of the map pane's display modes, as
// they are stored in the settings file.

#include <cstdint>

// Pane layouts of the main window ("SplitStyle").
enum class SplitStyle : int {
    None = 0,  // before the first layout, or a stored value that names none
    MapOnly = 1,
    DmrOnly = 2,
    MapDmr = 3,  // map left, 3-D view above the control panel on the right
    DmrMap = 4,  // 3-D view left, map above the control panel on the right
    TwoMaps = 5,
};
constexpr int kSplitStyleFirst = 1;
constexpr int kSplitStyleLast = 5;

// What a map pane follows on its own.
enum TrackingMode : std::int32_t { kTrackingOff = 0, kTrackingGps = 1, kTrackingDmr = 2 };

// How waypoints outside the chosen sectors are shown.
enum UnselectedWptMode : std::int32_t { kUnselShowAll = 0, kUnselOtherColour = 1, kUnselHide = 2 };

// When the 3-D view's ground area is outlined on the map. "Delayed" is kept
// in the settings but cannot be chosen.
enum DmrAreaMode : std::int32_t { kDmrAreaNever = 0, kDmrAreaDelayed = 1, kDmrAreaAlways = 2 };
