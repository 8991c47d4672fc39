#pragma once
// The search area's road to the receiver: the Garmin link's upload list and
// its upload operations on the GPS port of the settings.

#include "doc/SearchAreaLinks.h"
#include "gps/Garmin.h"
#include "settings/AppSettings.h"

class CGarminSearchLink : public ISearchGpsLink {
public:
    CGarminSearchLink(Garmin& link, const AppSettings& settings) : m_Link(link), m_Settings(settings) {}
    bool AllocateGPSdata(std::uint16_t n) override { return m_Link.AllocateGPSdata(n); }
    bool AddWaypointToGPSdata(const WaypointRecord& wpt) override { return m_Link.AddWaypointToGPSdata(wpt); }
    bool AddRouteToGPSdata(const std::string& name) override { return m_Link.AddRouteToGPSdata(name); }
    void StartUpload(int operation, unsigned followUp) override {
        m_Link.StartOperation(operation, m_Settings.gpsPort, followUp);
    }

private:
    Garmin& m_Link;
    const AppSettings& m_Settings;
};
