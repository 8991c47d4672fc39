#pragma once
// What the simulated receiver holds (waypoints, track logs) and the record
// layouts it packs them into or reads uploads from.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "SimFrame.h"

// Seconds between 1970-01-01 and the receiver's epoch, 1989-12-31 00:00 UTC.
constexpr std::int64_t kReceiverEpoch = 631065600;
// The receivers' marker for an altitude or depth they do not know.
constexpr float kNoValue = 1.0e25f;

struct SimWaypoint {
    std::string name;
    std::string comment;
    double lat = 0;
    double lon = 0;
};

struct SimTrackPoint {
    double lat = 0;
    double lon = 0;
    std::int64_t time = 0;  // seconds since 1970; 0 = none
    float alt = kNoValue;
};

struct SimTrack {
    std::string name;
    std::vector<SimTrackPoint> points;
};

struct SimData {
    std::vector<SimWaypoint> waypoints;
    std::vector<SimTrack> tracks;
};

std::int32_t ToSemicircles(double degrees);
double FromSemicircles(std::int32_t s);

// Record types by their protocol numbers; an unknown type packs nothing.
Bytes PackWaypoint(int type, const SimWaypoint& w);
Bytes PackTrackPoint(int type, const SimTrackPoint& p, bool newTrack);
Bytes PackTrackHeader(const std::string& name);
// Reads an uploaded waypoint; nothing when the record is too short.
std::optional<SimWaypoint> UnpackWaypoint(int type, const Bytes& data);

// A few waypoints and two track logs near 46 N 14.5 E, one crossing midnight.
SimData SampleData();
// One track of n points, a second apart along a straight line.
SimTrack GeneratedTrack(int n);

// Text form, one item a line ('#' starts a comment):
//   W <lat> <lon> <name> [comment...]
//   T [name...]                       starts a track log
//   P <lat> <lon> [<unix time> [<alt>]]
// Returns false with a message naming the line when the file is unusable.
bool LoadSimData(const std::string& path, SimData& out, std::string& error);
