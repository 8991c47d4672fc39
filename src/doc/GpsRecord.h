#pragma once
// One waypoint or route header on its way from or to the receiver (or from an
// exchange file). It lives beside the document because document operations
// take it by value, and the GPS link builds on the document, not the reverse.

#include <cstdint>
#include <string>

struct GPSrecord {
    double latitude = 0.0;   // WGS84 degrees, north positive
    double longitude = 0.0;  // WGS84 degrees, east positive
    std::string name;
    std::string comment;    // empty for a route header
    std::int32_t time = 0;  // seconds since 1970; 0 or less: none
    // Download: 1 take this waypoint, 0 skip it (it exists already).
    // Upload: 0 waypoint, 1 route header.
    std::int32_t flag = 0;
};
