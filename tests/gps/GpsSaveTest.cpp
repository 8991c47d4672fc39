// What becomes of a finished download: its day, sub-log and name ranges, the
// Waypoint+ lines, the files offered and the import into the document.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <utility>

#include "doc/DocTestEnv.h"
#include "gps/GpsRecordList.h"
#include "gps/GpsSave.h"

namespace {

// Central European time with its summer time; the zone before is restored.
struct CentralEuropeanTime {
    const char* had = std::getenv("TZ");
    std::string old = had ? had : "";
    CentralEuropeanTime() { setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1), tzset(); }
    ~CentralEuropeanTime() { had ? setenv("TZ", old.c_str(), 1) : unsetenv("TZ"), tzset(); }
};

// UTC times at 23:30 and 00:30 local time (the first pair 23:59:59 and 00:00):
// in winter, on the March night, in summer time, on the October night, after it.
// clang-format off
enum : std::int32_t {
    kJan15Late = 1705359599, kJan16 = 1705359600, kMar30Late = 1711837800, kMar31 = 1711841400,
    kMar31Late = 1711920600, kApr01 = 1711924200, kOct26Late = 1729978200, kOct27 = 1729981800,
    kOct27Late = 1730068200, kOct28 = 1730071800,
};
// clang-format on

// The ranges of a track download as "label@first:kind ..."; an event is a
// point's time, or a negative number for a track header of that number.
std::string TrackRanges(const std::vector<std::int32_t>& events) {
    CGarminSaveRanges r;
    r.StartTrackRanges(5);
    int i = 5;
    for (std::int32_t e : events)
        e < 0 ? r.OpenSubLogRange("LOG" + std::to_string(-e), i) : r.AddTrackPointRange(i++, e);
    std::string out;
    for (int k = 0; k < r.SubrangeCount; ++k) {
        const GarminSubrange& s = r.Subranges[std::size_t(k)];
        out += (k ? " " : "") + s.label + "@" + std::to_string(s.first) + ":" + std::to_string(s.kind);
        EXPECT_TRUE(k == 0 || r.Subranges[std::size_t(k - 1)].last == s.first - 1) << out;
    }
    return out;
}

struct SaveEnv : DocEnv {
    CentralEuropeanTime tz;
    CGpsRecordList list;
    std::vector<std::string> status;
    GpsSaveContext ctx{Make(), settings, geo, "GPS: ", [this](const std::string& s) { status.push_back(s); },
                       {}};
    SaveEnv() { ApplyDatum(); }
    void Add(const char* name, std::int32_t time, const char* comment = "") {
        if (!list.HasGPSdata()) list.AllocateGPSdata(40);
        GPSrecord& r = list[list.GPSdataCount++];
        double lat = 0, lon = 0;
        geo.GKToWGS84(QuadrantCentre(4, 4).easting + 200 * list.GPSdataCount, QuadrantCentre(4, 4).northing,
                      lat, lon);
        r = GPSrecord{lat, lon, name, comment, time, 1};
    }
    std::vector<std::string> Suggested() const {
        std::vector<std::string> names;
        for (const auto& req : prompter.fileRequests) names.push_back(req.fileName);
        return names;
    }
};

}  // namespace

TEST(GpsSave, TrackRangesFollowLocalDaysAcrossMidnightAndBothSummerTimeNights) {
    CentralEuropeanTime tz;
    const std::pair<std::vector<std::int32_t>, const char*> rows[] = {
        {{kJan15Late, kJan16, kMar30Late, kMar31, kMar31Late, kApr01},
         "2024-01-15@5:0 2024-01-16@6:0 2024-03-30@7:0 2024-03-31@8:0 2024-04-01@10:0"},
        {{kOct26Late, kOct27, kOct27Late, kOct28}, "2024-10-26@5:0 2024-10-27@6:0 2024-10-28@8:0"},
        // Sub-logs without time keep their names; one whose points carry times goes by days.
        {{-1, 0, 0, -2, 0}, "LOG1@5:1 LOG2@7:1"},
        {{-1, kOct26Late, -2, kOct27, kOct27Late}, "2024-10-26@5:0 2024-10-27@6:0"},
        {{0, 0}, ""},
    };
    for (const auto& [events, ranges] : rows) EXPECT_EQ(TrackRanges(events), ranges);
    // Beyond 29 days the last range runs on.
    std::vector<std::int32_t> days;
    for (int d = 0; d < 31; ++d) days.push_back(kJan16 + d * 86400);
    const std::string ranges = TrackRanges(days);
    EXPECT_EQ(std::count(ranges.begin(), ranges.end(), ' '), 28);
    EXPECT_EQ(ranges.substr(ranges.rfind(' ') + 1), "2024-02-13@33:0");
}

TEST(GpsSave, WaypointRangesAreOfferedByDayOrByNameRun) {
    // clang-format off
    const struct {
        std::vector<std::pair<const char*, std::int32_t>> wpts;
        int answer;
        const char* box;  // the listed ranges; empty: not asked
        std::vector<std::string> names;
    } rows[] = {
        {{{"A", kJan16}, {"B", kJan16 + 60}, {"C", kJan16 + 120}}, IDYES, "", {"2024-01-16.txt"}},
        {{{"A", kJan15Late}, {"B", kJan16}, {"C", kJan16 + 1}}, IDNO,
         "Day:  2024-01-15 (1 wpts)\nDay:  2024-01-16 (2 wpts)\n", {"2024-01-15+.txt"}},
        {{{"P/\\\x7f", 0}, {"P2", 0}, {"D", kOct27}, {"Q", 0}}, IDYES,  // names fit for a file
         "Wpts: P/\\\x7f (2 wpts)\nDay:  2024-10-27 (1 wpts)\nWpts: Q (1 wpts)\n", {"P___.txt", "2024-10-27.txt", "Q.txt"}},
    };  // clang-format on
    for (const auto& row : rows) {
        SaveEnv env;
        env.settings.importDownloadedWpts = 0;
        env.prompter.answers = {row.answer};
        for (const auto& [name, t] : row.wpts) env.Add(name, t);
        CGarminSaveRanges r;
        r.FinishWaypoints(env.ctx, env.list);
        EXPECT_EQ(env.Suggested(), row.names);
        EXPECT_TRUE(*row.box ? env.prompter.Saw(row.box) : env.prompter.texts.empty()) << row.box;
        EXPECT_EQ(env.status.back(), "FINISHED!");
    }
}

TEST(GpsSave, DownloadsLandInTheDocumentAndInWholeFiles) {
    SaveEnv env;
    const std::string file = env.tmp.file("day.txt");
    env.Add("HUT", 0, "05-JUN-02 14:23 HUT");
    env.Add("LAKE", 0, "05-JUN-02 16:00");
    env.prompter.files = {file};
    // The choice is kept when confirmed, forgotten when cancelled.
    bool confirm = true;
    env.ctx.runChoice = [&](GpsChoice& c) { return c.values[2] = 0, std::exchange(confirm, false); };
    CGarminSaveRanges r;
    r.FinishWaypoints(env.ctx, env.list);
    EXPECT_EQ(env.settings.askAfterDownloadingWpts, 0);
    EXPECT_EQ(env.Db().GetLiveWptCount(kTempBase), 2);
    EXPECT_EQ(env.doc->GetWptRecord(kTempBase, 0)->Created, 1023286980);
    EXPECT_EQ(env.Suggested(), std::vector<std::string>{"2002-06-05.txt"});
    const std::string saved = ReadFileBytes(file);
    EXPECT_EQ(saved.rfind("Datum,WGS84,WGS84,0,0,0,0,0\nWP,D,HUT   ,", 0), 0u);
    EXPECT_NE(saved.find("06/05/2002,16:23:00,05-JUN-02 14:23 HUT\nWP,D,LAKE  ,"), std::string::npos);

    // Downloaded again: nothing is new, so nothing is saved or imported.
    env.prompter.fileRequests.clear();
    for (std::uint16_t i = 0; i < 2; ++i) env.list[i].flag = 1;
    env.settings.askAfterDownloadingWpts = 1;
    r.FinishWaypoints(env.ctx, env.list);
    EXPECT_EQ(env.settings.askAfterDownloadingWpts, 1);
    EXPECT_TRUE(env.prompter.Saw("No new waypoints downloaded"));
    EXPECT_TRUE(env.prompter.fileRequests.empty());
    EXPECT_EQ(env.Db().GetLiveWptCount(kTempBase), 2);

    // A track download: untimed points before the first sub-log are saved with it,
    // appended after the old lines without a second header; a failed write says so.
    CTrackLogStore& log = env.doc->TrackLogStore();
    log.Clear(0);
    TrackPoint p{};
    p.position = QuadrantCentre(4, 4);
    log.Append(p);
    r.StartTrackRanges(log.Count());
    r.FinishTrackLog(env.ctx);
    EXPECT_TRUE(env.prompter.fileRequests.empty());
    for (int i = 0; i < 3; ++i) {
        if (i == 1) r.OpenSubLogRange("A", log.Count());
        r.AddTrackPointRange(log.Count(), 0);
        log.Append(p);
    }
    r.OpenSubLogRange("Z", log.Count());  // holds nothing: never offered
    const std::string before = ReadFileBytes(file);
    env.prompter.files = {file, file};
    env.prompter.answers = {IDNO, IDYES};
    r.FinishTrackLog(env.ctx);
    EXPECT_EQ(env.Suggested(), std::vector<std::string>{"A.txt"});
    const std::string after = ReadFileBytes(file);
    EXPECT_EQ(after.compare(0, before.size(), before), 0);
    EXPECT_EQ(std::count(after.begin(), after.end(), '\n'), 3 + 3);
    EXPECT_EQ(after.find("Datum", 1), std::string::npos);
    WriteFault fault([](const std::string&) { return true; });
    r.FinishTrackLog(env.ctx);
    EXPECT_TRUE(env.prompter.Saw("File creation error"));
    EXPECT_EQ(ReadFileBytes(file), after);
}

// Names a Linux file dialog would hide or misplace are never proposed.
TEST(GpsSave, SuggestedNamesAreVisibleFiles) {
    CentralEuropeanTime tz;
    const struct {
        const char* label;
        const char* suffix;
        const char* want;
    } rows[] = {{"", ".txt", "2024-01-16.txt"},
                {"", "+.txt", "2024-01-16+.txt"},
                {".HID", ".txt", "_HID.txt"},
                {"A/B\\C", ".txt", "A_B_C.txt"},
                {"LOG 1", ".txt", "LOG 1.txt"}};
    for (const auto& r : rows) EXPECT_EQ(SuggestedLogName(r.label, r.suffix, kJan16), r.want) << r.label;

    // A track download without times and without headers: today's date.
    SaveEnv env;
    CTrackLogStore& log = env.doc->TrackLogStore();
    log.Clear(0);
    CGarminSaveRanges ranges;
    ranges.StartTrackRanges(log.Count());
    TrackPoint p{};
    p.position = QuadrantCentre(4, 4);
    for (int i = 0; i < 2; ++i) {
        ranges.AddTrackPointRange(log.Count(), 0);
        log.Append(p);
    }
    ranges.FinishTrackLog(env.ctx);
    EXPECT_EQ(env.Suggested(),
              std::vector<std::string>{DownloadDayLabel(std::int32_t(std::time(nullptr))) + ".txt"});
}

// "Ignore Existing Wpts" on: a download that brought nothing says so too.
TEST(GpsSave, AnEmptyWaypointDownloadIsReportedWhenExistingOnesAreIgnored) {
    for (int ignore : {1, 0}) {
        SaveEnv env;
        env.settings.ignoreExistingWpts = ignore;
        CGarminSaveRanges r;
        r.FinishWaypoints(env.ctx, env.list);
        EXPECT_EQ(env.prompter.Saw("No new waypoints downloaded"), ignore == 1);
        EXPECT_TRUE(env.prompter.fileRequests.empty());
        EXPECT_EQ(env.status.back(), "FINISHED!");
    }
}
