#pragma once
// The record list of one transfer: the waypoints and route headers that a
// download fills or an upload sends, in sending order (a route header, then
// its waypoints). Counts are 16-bit, as the records packet carries them.

#include <cstdint>
#include <string>
#include <vector>

#include "doc/GpsRecord.h"

class CGeoTransform;
struct WaypointRecord;

class CGpsRecordList {
public:
    // A fresh list with room for n records; counters at zero.
    void AllocateGPSdata(std::uint16_t n);
    // Room for grow more records (fewer when 65535 in all are reached), the
    // used ones kept; false with its message when there is no list or no
    // room (the list then stays as it was).
    bool ReallocateGPSdata(std::uint16_t grow);
    void ReleaseGPSdata();

    // Appends a document waypoint as an upload record, its position in WGS84.
    // A failed conversion is shown and leaves the position at zero; false only
    // when the record could not be added.
    bool AddWaypointToGPSdata(const WaypointRecord& wpt, const CGeoTransform& transform);
    bool AddRouteToGPSdata(const std::string& name);

    bool HasGPSdata() const { return m_Allocated; }
    // Record i below GPSdataSize.
    GPSrecord& operator[](std::uint16_t i) { return m_Records[i]; }

    std::uint16_t GPSdataSize = 0;
    std::uint16_t GPSdataCount = 0;  // upload: the next record to send
    std::uint16_t RouteCounter = 0;

private:
    GPSrecord* Append();

    std::vector<GPSrecord> m_Records;
    bool m_Allocated = false;
};
