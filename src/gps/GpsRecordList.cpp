#include "gps/GpsRecordList.h"

#include <algorithm>
#include <new>

#include "doc/WptTypes.h"
#include "geo/GeoTransform.h"
#include "platform/Prompt.h"
#include "platform/Text.h"

namespace {
constexpr std::uint16_t kGrowBy = 512;
}

void CGpsRecordList::AllocateGPSdata(std::uint16_t n) {
    m_Records.assign(n, GPSrecord{});
    m_Allocated = true;
    GPSdataSize = n;
    GPSdataCount = 0;
    RouteCounter = 0;
}

bool CGpsRecordList::ReallocateGPSdata(std::uint16_t grow) {
    if (!m_Allocated) {
        MsgBox("Internal Error! GPSdata not yet allocated in ReallocateGPSdata!", MB_OK);
        return false;
    }
    // Beyond 65535 records the counts would wrap; up to there the list grows
    // as far as it can, so that it holds as many as the counts can tell.
    const unsigned size = std::min(unsigned(GPSdataSize) + grow, 0xFFFFu);
    try {
        if (size <= GPSdataSize) throw std::bad_alloc();
        m_Records.resize(size);
    } catch (const std::bad_alloc&) {
        MsgBox("Internal Error! Not enough memory for base reallocation in ReallocateGPSdata!", MB_OK);
        return false;
    }
    GPSdataSize = std::uint16_t(size);
    return true;
}

void CGpsRecordList::ReleaseGPSdata() {
    m_Records.clear();
    m_Records.shrink_to_fit();
    m_Allocated = false;
    GPSdataSize = GPSdataCount = RouteCounter = 0;
}

GPSrecord* CGpsRecordList::Append() {
    if (GPSdataCount >= GPSdataSize && !ReallocateGPSdata(kGrowBy)) return nullptr;
    GPSrecord* rec = &m_Records[GPSdataCount++];
    *rec = GPSrecord{};
    return rec;
}

bool CGpsRecordList::AddWaypointToGPSdata(const WaypointRecord& wpt, const CGeoTransform& transform) {
    GPSrecord* rec = Append();
    if (!rec) return false;
    // Converted apart: a failing conversion may leave local values behind.
    double lat = 0.0, lon = 0.0;
    if (transform.GKToWGS84(wpt.E, wpt.N, lat, lon)) {
        rec->latitude = lat;
        rec->longitude = lon;
    } else {
        MsgBox(kGeoTransformError, MB_OK);
    }
    rec->name = FixedText(wpt.Name);
    rec->comment = FixedText(wpt.Comment);
    return true;
}

bool CGpsRecordList::AddRouteToGPSdata(const std::string& name) {
    GPSrecord* rec = Append();
    if (!rec) return false;
    rec->name = name;
    rec->flag = 1;
    ++RouteCounter;
    return true;
}
