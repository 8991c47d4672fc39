#pragma once
// What becomes of a finished download: waypoints may be checked against the
// database, saved as Waypoint+ text and imported; a track log (already in the
// document's track log) may be saved as Waypoint+ text. Both are split into
// ranges by local day, by sub-log or by runs of waypoints without time, and
// each range may go to a file of its own. Every file is written whole through
// the atomic writer, so a cancelled or failed save never leaves half a file.

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "doc/GpsRecord.h"
#include "doc/WptText.h"

struct AppSettings;
class CGeoTransform;
class CGpsRecordList;
class CVornaDoc;
struct TrackPoint;

struct GarminSubrange {
    std::string label;       // a date, a sub-log name or a waypoint name
    std::int32_t first = 0;  // index of the first record or track point
    std::int32_t last = 0;   // inclusive
    std::int32_t count = 0;  // waypoints taken (waypoint ranges only)
    std::int32_t kind = 0;   // see below
};
// Kinds of waypoint ranges and of track ranges.
enum : std::int32_t { kWptRangeRun = 0, kWptRangeDay = 1 };
enum : std::int32_t { kTrkRangeDay = 0, kTrkRangeSubLog = 1 };

// Local year since 1900 * 1000 + day of the year; a time of 0 or less is 0.
int DownloadDayKey(std::int32_t t);
// The local date of t as "yyyy-mm-dd".
std::string DownloadDayLabel(std::int32_t t);
// A file name proposed from receiver text: '/', '\' and control characters
// would name another folder or an unreadable file, so they become '_'; an
// empty label is the local date of now, a leading '.' becomes '_', so the
// file is never hidden.
std::string SuggestedLogName(const std::string& label, const char* suffix,
                             std::int32_t now = std::int32_t(std::time(nullptr)));
// The time of a comment that starts "DD-MON-YY HH:MM", read as UTC; 0 when
// the comment does not start so or the time precedes 1970.
std::int32_t ReceivedCommentTime(const std::string& comment);

// The question asked after a waypoint download: a caption, up to three
// labelled check boxes (an empty label hides its box) and their values.
struct GpsChoice {
    std::string caption;
    std::string labels[3];
    int values[3] = {};
};

// What a finish works on and reports to.
struct GpsSaveContext {
    CVornaDoc& doc;
    AppSettings& settings;
    const CGeoTransform& geo;
    std::string statusPrefix;
    std::function<void(const std::string&)> showStatus;  // the status bar; may be empty
    std::function<bool(GpsChoice&)> runChoice;           // false: cancelled; empty: never asked
};

// The ranges of one download, held by the link from the records packet (or
// the waypoint finish) until the next port opening.
class CGarminSaveRanges {
public:
    static constexpr int kMaxSubranges = 29;

    // At a port opening.
    void ResetRanges();
    // At the records packet of a track download; trackLogCount is where the
    // new points will start.
    void StartTrackRanges(int trackLogCount);
    // At a track header: a sub-log starting at the track log count.
    void OpenSubLogRange(const std::string& ident, int trackLogCount);
    // At each stored track point, index its place in the track log and time
    // its time stamp (0 none), before the count grows.
    void AddTrackPointRange(int index, std::int32_t time);

    // At the transfer-complete packet of a track download.
    void FinishTrackLog(GpsSaveContext& ctx);
    // At the transfer-complete packet of a waypoint download.
    void FinishWaypoints(GpsSaveContext& ctx, CGpsRecordList& list);
    // Writes the taken records first..last of list; false when nothing was
    // written (cancelled or failed).
    bool SaveWaypoints(GpsSaveContext& ctx, CGpsRecordList& list, int first, int last,
                       const std::string& fileName);
    // Writes the track log points first..last (put in order and held to the
    // log); false when nothing was written.
    static bool WriteTrackLog(GpsSaveContext& ctx, int first, int last, const std::string& fileName);

    std::array<GarminSubrange, kMaxSubranges + 1> Subranges;
    int SubrangeCount = 0;
    int DayKey = -1;

private:
    int m_TrackStart = 0;  // where the download's points start in the track log
    // A new entry at first; the one before it ends just before.
    void OpenRange(std::string label, int first, std::int32_t kind);
    void BuildWaypointRanges(CGpsRecordList& list);
};
