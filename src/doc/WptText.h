#pragma once
// Waypoint+ text files: comma-separated lines after a datum header, WGS84
// degrees, numbers always with a decimal point whatever the locale. Every
// writer of such files uses the line writers here; every file is written
// whole through the atomic writer.

#include <cstdint>
#include <string>
#include <string_view>

#include "doc/GpsRecord.h"

struct AppSettings;
class CGeoTransform;
class CVornaDoc;
struct TrackPoint;
struct WaypointRecord;

extern const char kWptPlusHeader[];  // with its line feed

// Seconds since 1970 of a calendar date and time read as UTC, so that what
// the writers put out reads back the same under any time zone; 0 when the
// result is not after 1970 or does not fit.
std::int32_t TextTimeStamp(int year, int month, int day, int hour, int minute, int second);
// The time of a comment that starts "DD-MON-YY HH:MM"; 0 otherwise.
std::int32_t ParseDateTime(std::string_view text);
// A first line whose first eight fields are the datum header's.
bool IsWptPlusHeader(std::string_view line);

// A waypoint line (local date and time of rec.time) and a track point line
// (date and time in UTC; a point without time shows 1970-01-01).
std::string WaypointPlusLine(const std::string& keyword, const GPSrecord& rec);
std::string TrackPointPlusLine(const std::string& keyword, double lat, double lon, const TrackPoint& p);

// One export file, chosen in the save dialog and written whole when closed.
// Appending rewrites the old lines (a missing final line feed added) followed
// by the new ones; an empty existing file gets the header.
class CWptExportFile {
public:
    bool Open(std::string& folder, const std::string& suggestedName, const AppSettings& settings);
    void Add(const std::string& line) { m_Text += line; }
    bool Close();

private:
    std::string m_Path;
    std::string m_Text;
    bool m_Append = false;
};

// Writes one stored waypoint (nothing for a deleted one); an empty keyword
// means the settings' waypoint keyword.
void WriteWptLine(CWptExportFile& file, const WaypointRecord& rec, const std::string& keyword,
                  const AppSettings& settings, const CGeoTransform& geo);

// Reads the text of one file: what 1 takes waypoint lines, 0 track point
// lines. False when the header is refused. Messages go to the prompter.
// clearTrackLog, when it points to true, has the track log emptied once the
// header was accepted (and is then set to false).
bool ImportWptText(CVornaDoc& doc, const AppSettings& settings, const CGeoTransform& geo,
                   std::string_view text, int what, bool* clearTrackLog = nullptr);
// Asks for a file in folder and imports it; the views are updated.
void ImportFile(CVornaDoc& doc, const AppSettings& settings, const CGeoTransform& geo, int what,
                std::string& folder);
// Asks whether a log holding points is to be cleared, then imports a track
// log file from the track log folder.
void TrackLogFromFile(CVornaDoc& doc, AppSettings& settings, const CGeoTransform& geo);
// Asks for a file in the track log folder and writes points first..last
// (either order, held to the log); false when nothing was written.
bool WriteTrackLog(CVornaDoc& doc, AppSettings& settings, const CGeoTransform& geo, int first, int last,
                   const std::string& suggestedName);
