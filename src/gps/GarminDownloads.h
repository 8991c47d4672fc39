#pragma once
// What the receiver link does with a finished download: the day, sub-log and
// name ranges of the saving code, fed as the records arrive.

#include <functional>

#include "gps/Garmin.h"
#include "gps/GpsSave.h"

class CGarminDownloadSaver : public IGarminDownloads {
public:
    // runChoice asks the "Select options" question; empty: never asked.
    CGarminDownloadSaver(const CGeoTransform& geo, std::function<bool(GpsChoice&)> runChoice)
        : m_Geo(geo), m_RunChoice(std::move(runChoice)) {}

    void StartTrackRanges(Garmin&, int first) override {
        m_Ranges.ResetRanges();
        m_Ranges.StartTrackRanges(first);
    }
    void OpenSublogRange(Garmin&, const std::string& label, int first) override {
        m_Ranges.OpenSubLogRange(label, first);
    }
    void UpdateDayRanges(Garmin&, int index, std::int32_t time) override {
        m_Ranges.AddTrackPointRange(index, time);
    }
    void FinishTrackLog(Garmin& link, CVornaDoc& doc) override {
        GpsSaveContext ctx = Context(link, doc);
        m_Ranges.FinishTrackLog(ctx);
    }
    void FinishWaypoints(Garmin& link, CVornaDoc& doc) override {
        GpsSaveContext ctx = Context(link, doc);
        m_Ranges.FinishWaypoints(ctx, link.Records());
    }

private:
    GpsSaveContext Context(Garmin& link, CVornaDoc& doc) {
        return GpsSaveContext{doc,
                              link.Settings(),
                              m_Geo,
                              link.GetStatusPrefix(),
                              [&link](const std::string& s) { link.SetStatusText(s); },
                              m_RunChoice};
    }

    const CGeoTransform& m_Geo;
    std::function<bool(GpsChoice&)> m_RunChoice;
    CGarminSaveRanges m_Ranges;
};
