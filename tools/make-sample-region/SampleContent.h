#pragma once
// What the sample region holds besides its maps and heights, so that a new
// user sees at once what the program is for: a 3-D view point above the hills
// looking over them, a short track log and a few waypoints.

#include <functional>
#include <string>

struct SampleArea {
    double west = 0, south = 0;  // the block's south-west corner, grid metres
    double side = 0;             // metres
    // Ground height in metres at grid metres (easting, northing) inside the block.
    std::function<double(double easting, double northing)> height;
};

// The "[DMR]" section of the settings: the view point inside the block on
// the side facing its highest hills, above the ground around it, looking
// across them with "Delayed" preview and hypsometric colours.
std::string SampleDmrSettings(const SampleArea& area);

// Writes "<startDir>TrackLog.dat" and the waypoint bases in wptDir through the
// program's own stores. "" on success, else what failed.
std::string WriteSampleTrackAndWaypoints(const SampleArea& area, const std::string& startDir,
                                         const std::string& wptDir);
