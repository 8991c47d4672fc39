#include "gps/GpsSave.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "doc/VornaDoc.h"
#include "doc/WptText.h"
#include "geo/GeoTransform.h"
#include "gps/GpsRecordList.h"
#include "platform/AtomicFile.h"
#include "platform/Prompt.h"
#include "platform/System.h"
#include "settings/AppSettings.h"

namespace {

const char kFinished[] = "FINISHED!";

bool LocalTime(std::int32_t t, std::tm& out) {
    const std::time_t tt = t;
    return localtime_r(&tt, &out) != nullptr;
}

void Show(const GpsSaveContext& ctx, const std::string& text) {
    if (ctx.showStatus) ctx.showStatus(text);
}

// Offers the ranges (only those holding something) as one or several files.
// size(i) is what a listed line shows; write(first, last, name) saves one file.
template <typename Size, typename Write>
void OfferRanges(const GarminSubrange* ranges, int n, const std::string& intro, const std::string& question,
                 const char* const lineKinds[2], const char* unit, int allLast, Size size, Write write) {
    std::vector<int> used;
    for (int i = 0; i < n; ++i)
        if (ranges[i].first <= ranges[i].last && size(ranges[i]) > 0) used.push_back(i);
    if (used.empty()) return;
    if (used.size() == 1) {
        const GarminSubrange& r = ranges[used.front()];
        write(r.first, r.last, SuggestedLogName(r.label, ".txt"));
        return;
    }
    std::string text = intro;
    for (int i : used) {
        const GarminSubrange& r = ranges[i];
        text += lineKinds[r.kind ? 1 : 0] + r.label + " (" + std::to_string(size(r)) + " " + unit + ")\n";
    }
    text += question;
    if (MsgBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        for (int i : used) {
            // A box or dialog may have run in between: look the entry up again.
            const GarminSubrange& r = ranges[i];
            write(r.first, r.last, SuggestedLogName(r.label, ".txt"));
        }
    } else {
        const GarminSubrange& r = ranges[used.front()];
        write(r.first, allLast, SuggestedLogName(r.label, "+.txt"));
    }
}

}  // namespace

int DownloadDayKey(std::int32_t t) { return t > 0 ? LocalDayKey(t) : 0; }

std::string DownloadDayLabel(std::int32_t t) {
    std::tm tm{};
    if (!LocalTime(t, tm)) return std::string();
    char buf[48];
    std::snprintf(buf, sizeof buf, "%d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return buf;
}

std::string SuggestedLogName(const std::string& label, const char* suffix, std::int32_t now) {
    // No label (a download without times and track headers) would name a
    // hidden ".txt": the download's date stands in.
    std::string name = label.empty() ? DownloadDayLabel(now) : label;
    for (char& c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    if (!name.empty() && name.front() == '.') name.front() = '_';  // nor a hidden file
    return name + suffix;
}

std::int32_t ReceivedCommentTime(const std::string& comment) { return ParseDateTime(comment); }

// ---- ranges -------------------------------------------------------------------

void CGarminSaveRanges::ResetRanges() {
    SubrangeCount = 0;
    DayKey = -1;
    Subranges[0] = GarminSubrange{};
}

void CGarminSaveRanges::StartTrackRanges(int trackLogCount) {
    tzset();  // days by the zone in force now, also when it changed since start-up
    ResetRanges();
    Subranges[0].first = trackLogCount;
    m_TrackStart = trackLogCount;
}

void CGarminSaveRanges::OpenRange(std::string label, int first, std::int32_t kind) {
    if (SubrangeCount > 0) Subranges[std::size_t(SubrangeCount - 1)].last = first - 1;
    GarminSubrange& r = Subranges[std::size_t(SubrangeCount++)];
    r = GarminSubrange{};
    r.label = std::move(label);
    r.first = first;
    r.kind = kind;
}

void CGarminSaveRanges::OpenSubLogRange(const std::string& ident, int trackLogCount) {
    if (SubrangeCount < kMaxSubranges) OpenRange(ident, trackLogCount, kTrkRangeSubLog);
}

void CGarminSaveRanges::AddTrackPointRange(int index, std::int32_t time) {
    const int key = DownloadDayKey(time);
    const bool timed = time > 0;
    // A sub-log whose first point has a time is grouped by days instead.
    if (timed && SubrangeCount > 0 && Subranges[std::size_t(SubrangeCount - 1)].first == index)
        --SubrangeCount;
    if (key != DayKey && SubrangeCount < kMaxSubranges && timed)
        OpenRange(DownloadDayLabel(time), index, kTrkRangeDay);
    DayKey = key;
}

// ---- track log -----------------------------------------------------------------

bool CGarminSaveRanges::WriteTrackLog(GpsSaveContext& ctx, int first, int last, const std::string& fileName) {
    return ::WriteTrackLog(ctx.doc, ctx.settings, ctx.geo, first, last, fileName);
}

void CGarminSaveRanges::FinishTrackLog(GpsSaveContext& ctx) {
    const int count = ctx.doc.TrackLogStore().Count();
    // A download that added no points saves nothing.
    if (ctx.settings.saveDownloadedTrk && count > m_TrackStart) {
        if (SubrangeCount == 0) {
            Subranges[0].label.clear();
            Subranges[0].kind = kTrkRangeDay;
            SubrangeCount = 1;
        }
        // Points without time before the first day or sub-log belong to it.
        Subranges[0].first = std::min(Subranges[0].first, m_TrackStart);
        Subranges[std::size_t(SubrangeCount - 1)].last = count - 1;
        static const char* const kLines[2] = {"Day:    ", "SubLog: "};
        OfferRanges(
            Subranges.data(), SubrangeCount, "Track log includes following days or sublogs:\n",
            "Would you like to save days/sublogs in separate files?", kLines, "points", count - 1,
            [](const GarminSubrange& r) { return r.last - r.first + 1; },
            [&](int first, int last, const std::string& name) { WriteTrackLog(ctx, first, last, name); });
    }
    Show(ctx, kFinished);
}

// ---- waypoints -----------------------------------------------------------------

void CGarminSaveRanges::BuildWaypointRanges(CGpsRecordList& list) {
    ResetRanges();
    int c = 0;
    for (std::uint16_t i = 0; i < list.GPSdataCount; ++i) {
        const GPSrecord& rec = list[i];
        if (!rec.flag) continue;
        ++c;
        const int key = DownloadDayKey(rec.time);
        if (key != DayKey && SubrangeCount < kMaxSubranges) {
            if (SubrangeCount > 0) Subranges[std::size_t(SubrangeCount - 1)].count = c - 1;
            if (key == 0)
                OpenRange(rec.name, i, kWptRangeRun);
            else
                OpenRange(DownloadDayLabel(rec.time), i, kWptRangeDay);
            c = 1;
        }
        DayKey = key;
    }
    if (SubrangeCount == 0) SubrangeCount = 1;
    GarminSubrange& lastRange = Subranges[std::size_t(SubrangeCount - 1)];
    lastRange.last = int(list.GPSdataCount) - 1;
    lastRange.count = c;
}

bool CGarminSaveRanges::SaveWaypoints(GpsSaveContext& ctx, CGpsRecordList& list, int first, int last,
                                      const std::string& fileName) {
    CWptExportFile file;
    if (!file.Open(ctx.settings.trackLogDir, fileName, ctx.settings)) return false;
    for (int i = std::max(first, 0); i <= last && i < int(list.GPSdataCount); ++i) {
        const GPSrecord rec = list[std::uint16_t(i)];
        if (!rec.flag) continue;
        Show(ctx, ctx.statusPrefix + "Saving Waypoint " + rec.name);
        file.Add(WaypointPlusLine(ctx.settings.waypointKeyword, rec));
    }
    return file.Close();
}

void CGarminSaveRanges::FinishWaypoints(GpsSaveContext& ctx, CGpsRecordList& list) {
    AppSettings& s = ctx.settings;
    tzset();
    // A comment that starts with its creation time is the only time a
    // received waypoint carries.
    for (std::uint16_t i = 0; i < list.GPSdataCount; ++i)
        if (list[i].time <= 0) list[i].time = ReceivedCommentTime(list[i].comment);

    if (s.askAfterDownloadingWpts && ctx.runChoice) {
        GpsChoice choice;
        choice.caption = "Select action";
        choice.labels[0] = "Save downloaded waypoints";
        choice.labels[1] = "Import downloaded waypoints";
        choice.labels[2] = "Ask user next time";
        int* settings[3] = {&s.saveDownloadedWpts, &s.importDownloadedWpts, &s.askAfterDownloadingWpts};
        for (int k = 0; k < 3; ++k) choice.values[k] = *settings[k];
        if (ctx.runChoice(choice))
            for (int k = 0; k < 3; ++k) *settings[k] = choice.values[k];
    }

    int n = 0;
    for (std::uint16_t i = 0; i < list.GPSdataCount; ++i) {
        if (!list[i].flag) continue;
        if (s.ignoreExistingWpts && ctx.doc.CheckWptExistence(list[i]))
            list[i].flag = 0;
        else
            ++n;
    }
    if (n == 0 && s.ignoreExistingWpts) MsgBox("No new waypoints downloaded");

    if (s.saveDownloadedWpts && n > 0) {
        BuildWaypointRanges(list);
        static const char* const kLines[2] = {"Wpts: ", "Day:  "};
        OfferRanges(
            Subranges.data(), SubrangeCount,
            "Subranges of waypoints marked on following days or starting with waypoint named:\n",
            "Would you like to save these subranges in separate files?", kLines, "wpts",
            Subranges[std::size_t(SubrangeCount - 1)].last, [](const GarminSubrange& r) { return r.count; },
            [&](int first, int last, const std::string& name) {
                SaveWaypoints(ctx, list, first, last, name);
            });
    }

    if (s.importDownloadedWpts && n > 0) {
        for (std::uint16_t i = 0; i < list.GPSdataCount; ++i) {
            if (!list[i].flag) continue;
            const GPSrecord rec = list[i];
            Show(ctx, ctx.statusPrefix + "Importing Waypoint " + rec.name);
            ctx.doc.AddImportedWaypoint(rec);
        }
    }
    ctx.doc.CloseUnusedQuadrants();
    Show(ctx, kFinished);
}
