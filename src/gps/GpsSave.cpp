#include "gps/GpsSave.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/AppSettings.h"
#include "doc/VornaDoc.h"
#include "geo/GeoTransform.h"
#include "gps/GpsRecordList.h"
#include "platform/AtomicFile.h"
#include "platform/Prompt.h"

namespace {

const char kHeaderLine[] = "Datum,WGS84,WGS84,0,0,0,0,0\n";
const char kGeoError[] = "Error! Geodetic transformation parameters not set.";
const char kFinished[] = "FINISHED!";

bool LocalTime(std::int32_t t, std::tm& out) {
    const std::time_t tt = t;
    return localtime_r(&tt, &out) != nullptr;
}

// Text from the receiver inside one line: a control character would end the
// line early or hide in the file.
std::string LineText(std::string s) {
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return s;
}

// "mm/dd/yyyy,hh:mm:ss," of a broken-down time.
std::string DateTimeFields(const std::tm& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%02d,%02d:%02d:%02d,", t.tm_mon + 1, t.tm_mday,
                  t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

void Show(const GpsSaveContext& ctx, const std::string& text) {
    if (ctx.showStatus) ctx.showStatus(text);
}

// One export file, chosen in the save dialog and written whole when closed.
// Appending rewrites the old lines followed by the new ones.
class CExportText {
public:
    bool Open(std::string& folder, const std::string& suggestedName, const AppSettings& settings) {
        FileDialogRequest req;
        req.title = "Save As";
        req.directory = folder;
        if (!suggestedName.empty() && settings.suggestLogNames) req.fileName = suggestedName;
        req.filter = "Text Files (*.txt);;All Files (*)";
        req.defaultExt = "txt";
        req.confirmOverwrite = false;  // the overwrite-or-append question is ours
        if (!Prompter().SaveFile(req) || req.fileName.empty()) return false;
        m_Path = req.fileName;
        const std::size_t slash = m_Path.rfind('/');
        if (slash != std::string::npos) folder = m_Path.substr(0, slash + 1);

        // A file we may not read is still there: ask before replacing it.
        std::error_code ec;
        if (!std::filesystem::exists(m_Path, ec) && !ec) {
            m_Text = kHeaderLine;
            return true;
        }
        switch (MsgBox("File allready exists! Would you like to overwrite it? (Select NO to append)",
                       MB_YESNOCANCEL | MB_ICONQUESTION)) {
            case IDYES:
                m_Text = kHeaderLine;
                return true;
            case IDNO: {
                m_Append = true;
                std::ifstream in(m_Path, std::ios::binary);
                m_Text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
                if (!in.is_open() || in.bad()) {
                    MsgBox("Waypoint file appending error");
                    return false;
                }
                if (!m_Text.empty() && m_Text.back() != '\n') m_Text += '\n';
                return true;
            }
            default:
                return false;
        }
    }
    void Add(const std::string& line) { m_Text += line; }
    bool Close() {
        if (WriteFileAtomically(m_Path, m_Text)) return true;
        MsgBox(m_Append ? "Waypoint file appending error" : "File creation error");
        return false;
    }

private:
    std::string m_Path;
    std::string m_Text;
    bool m_Append = false;
};

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

int DownloadDayKey(std::int32_t t) {
    std::tm tm{};
    if (t <= 0 || !LocalTime(t, tm)) return 0;
    return tm.tm_year * 1000 + tm.tm_yday;
}

std::string DownloadDayLabel(std::int32_t t) {
    std::tm tm{};
    if (!LocalTime(t, tm)) return std::string();
    char buf[48];
    std::snprintf(buf, sizeof buf, "%d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return buf;
}

std::string SuggestedLogName(const std::string& label, const char* suffix) {
    std::string name = label;
    for (char& c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    return name + suffix;
}

std::int32_t ReceivedCommentTime(const std::string& comment) {
    static const char* const kMonths[] = {"-JAN-", "-FEB-", "-MAR-", "-APR-", "-MAY-", "-JUN-",
                                          "-JUL-", "-AUG-", "-SEP-", "-OCT-", "-NOV-", "-DEC-"};
    if (comment.size() < 15) return 0;
    const auto digit = [&](std::size_t i) { return comment[i] >= '0' && comment[i] <= '9'; };
    const auto number = [&](std::size_t i) { return (comment[i] - '0') * 10 + (comment[i + 1] - '0'); };
    for (std::size_t i : {0, 1, 7, 8, 10, 11, 13, 14})
        if (!digit(i)) return 0;
    if (comment[9] != ' ' || comment[12] != ':') return 0;
    int month = -1;
    for (int m = 0; m < 12 && month < 0; ++m)
        if (comment.compare(2, 5, kMonths[m]) == 0) month = m;
    if (month < 0) return 0;

    std::tm t{};
    t.tm_mday = number(0);
    t.tm_mon = month;
    const int yy = number(7);
    t.tm_year = yy < 35 ? 100 + yy : yy;
    t.tm_hour = number(10);
    t.tm_min = number(13);
    const std::int64_t s = timegm(&t);
    return s > 0 && s <= 0x7FFFFFFF ? std::int32_t(s) : 0;
}

std::string WaypointPlusLine(const std::string& keyword, const GPSrecord& rec) {
    char head[160];
    std::snprintf(head, sizeof head, "%s,D,%-6s,%14.9f,%15.10f,", keyword.c_str(), LineText(rec.name).c_str(),
                  rec.latitude, rec.longitude);
    std::tm tm{};
    LocalTime(rec.time > 0 ? rec.time : 0, tm);
    return head + DateTimeFields(tm) + LineText(rec.comment) + "\n";
}

std::string TrackPointPlusLine(const std::string& keyword, double lat, double lon, const TrackPoint& p) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "%s,D,%14.9f,%15.10f,", keyword.c_str(), lat, lon);
    std::string line = buf;
    const std::time_t tt = p.time > 0 ? p.time : 0;
    std::tm tm{};
    gmtime_r(&tt, &tm);
    line += DateTimeFields(tm);
    std::snprintf(buf, sizeof buf, "%d,%f,%f\n", p.segmentStart, p.position.easting, p.position.northing);
    return line + buf;
}

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
    CExportText file;
    if (!file.Open(ctx.settings.trackLogDir, fileName, ctx.settings)) return false;
    if (last < first) std::swap(first, last);
    const CTrackLogStore& log = ctx.doc.TrackLogStore();
    first = std::max(first, 0);
    bool geoShown = false;
    for (int i = first; i <= last && i < log.Count(); ++i) {
        const TrackPoint p = log.Points()[i];
        double lat = 0.0, lon = 0.0;
        // One message per file, not one per point of a long log.
        if (!ctx.geo.GKToWGS84(p.position.easting, p.position.northing, lat, lon) && !geoShown) {
            geoShown = true;
            MsgBox(kGeoError);
        }
        file.Add(TrackPointPlusLine(ctx.settings.trackpointKeyword, lat, lon, p));
    }
    return file.Close();
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
    CExportText file;
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
    if (n == 0 && s.ignoreExistingWpts && list.GPSdataCount > 0) MsgBox("No new waypoints downloaded");

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
