#include "doc/WptText.h"

#include <locale.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <utility>
#include <vector>

#include "doc/Grids.h"
#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "geo/GeoTransform.h"
#include "geo/TextHelpers.h"
#include "platform/AtomicFile.h"
#include "platform/DataFile.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "settings/AppSettings.h"

const char kWptPlusHeader[] = "Datum,WGS84,WGS84,0,0,0,0,0\n";

namespace {

const char kFilter[] = "Text Files (*.txt);;All Files (*)";

// Numbers in the files always use the decimal point: the C locale for this
// thread while a line is formatted or read.
class CNumericC {
public:
    CNumericC() : m_C(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0))) {
        if (m_C) m_Old = uselocale(m_C);
    }
    ~CNumericC() {
        if (m_C) uselocale(m_Old), freelocale(m_C);
    }
    CNumericC(const CNumericC&) = delete;
    CNumericC& operator=(const CNumericC&) = delete;

private:
    locale_t m_C;
    locale_t m_Old = static_cast<locale_t>(0);
};

// Text inside one line: a control character would end the line early.
std::string LineText(std::string s) {
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return s;
}

std::string DateTimeFields(const std::tm& t) {
    return Format("%02d/%02d/%02d,%02d:%02d:%02d,", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900, t.tm_hour,
                  t.tm_min, t.tm_sec);
}

// Splits off the next field; the rest keeps what follows its comma.
std::string_view NextField(std::string_view& rest) {
    const std::size_t comma = rest.find(',');
    const std::string_view f = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    return f;
}

// The digits of s[pos, pos + len) as a number; -1 when short, long or not digits.
int Digits(std::string_view s, std::size_t pos, std::size_t len) {
    if (len == 0 || len > 9 || pos + len > s.size()) return -1;  // nine digits fit an int
    int v = 0;
    for (std::size_t i = pos; i < pos + len; ++i) {
        if (s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// A decimal number with leading blanks; a garbled field reads as 0.
double Number(std::string_view f) {
    const std::string s(f);  // strtod needs the terminator
    CNumericC c;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    return end == s.c_str() ? 0.0 : v;
}

// A number that can stand in a line: finite, and for degrees within limit.
bool Finite(double v, double limit = HUGE_VAL) { return std::isfinite(v) && std::fabs(v) <= limit; }

// Inside the covered area, its edges included.
bool InCoveredArea(const CPointD& p) {
    return p.easting >= kAreaWest && p.easting <= kAreaEast && p.northing >= kAreaSouth &&
           p.northing <= kAreaNorth;
}

int Integer(std::string_view f) {
    const std::string s(f);
    return int(std::strtol(s.c_str(), nullptr, 10));
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// "MM/DD/YYYY" and "hh:mm:ss" read by position as a time stamp; 0 when a
// number is short or not digits.
std::int32_t TrackTime(std::string_view date, std::string_view time) {
    if (date.size() < 7) return 0;
    const int month = Digits(date, 0, 2), day = Digits(date, 3, 2), year = Digits(date, 6, date.size() - 6);
    const int h = Digits(time, 0, 2), m = Digits(time, 3, 2), s = Digits(time, 6, 2);
    if (month < 0 || day < 0 || year < 0 || h < 0 || m < 0 || s < 0) return 0;
    return year > 1970 && year < 2035 ? TextTimeStamp(year, month, day, h, m, s) : 0;
}

}  // namespace

std::int32_t TextTimeStamp(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    const std::int64_t s = timegm(&t);
    return s > 0 && s <= 0x7FFFFFFF ? std::int32_t(s) : 0;
}

std::int32_t ParseDateTime(std::string_view text) {
    static const char* const kMonths[] = {"-JAN-", "-FEB-", "-MAR-", "-APR-", "-MAY-", "-JUN-",
                                          "-JUL-", "-AUG-", "-SEP-", "-OCT-", "-NOV-", "-DEC-"};
    if (text.size() < 15 || text[9] != ' ' || text[12] != ':') return 0;
    int month = -1;
    for (int m = 0; m < 12 && month < 0; ++m)
        if (text.substr(2, 5) == kMonths[m]) month = m;
    const int day = Digits(text, 0, 2), yy = Digits(text, 7, 2), h = Digits(text, 10, 2),
              mi = Digits(text, 13, 2);
    if (month < 0 || day < 0 || yy < 0 || h < 0 || mi < 0) return 0;
    // Two-digit years 35..69 precede 1970: no time.
    return TextTimeStamp(yy < 35 ? 2000 + yy : 1900 + yy, month + 1, day, h, mi, 0);
}

bool IsWptPlusHeader(std::string_view line) {
    static const char* const kFields[] = {"Datum", "WGS84", "WGS84", "0", "0", "0", "0", "0"};
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    for (const char* want : kFields) {
        if (NextField(line) != want) return false;
    }
    return true;
}

std::string WaypointPlusLine(const std::string& keyword, const GPSrecord& rec) {
    CNumericC c;
    // Sized to the text: a huge number must not cut the line feed off.
    const std::string head = Format("%s,D,%-6s,%14.9f,%15.10f,", keyword.c_str(), LineText(rec.name).c_str(),
                                    rec.latitude, rec.longitude);
    std::tm tm{};
    const std::time_t tt = rec.time > 0 ? rec.time : 0;
    localtime_r(&tt, &tm);
    return head + DateTimeFields(tm) + LineText(rec.comment) + "\n";
}

std::string TrackPointPlusLine(const std::string& keyword, double lat, double lon, const TrackPoint& p) {
    CNumericC c;
    std::string line = Format("%s,D,%14.9f,%15.10f,", keyword.c_str(), lat, lon);
    const std::time_t tt = p.time > 0 ? p.time : 0;
    std::tm tm{};
    gmtime_r(&tt, &tm);
    line += DateTimeFields(tm);
    return line + Format("%d,%f,%f\n", p.segmentStart, p.position.easting, p.position.northing);
}

// ---- export files ------------------------------------------------------------

bool CWptExportFile::Open(std::string& folder, const std::string& suggestedName,
                          const AppSettings& settings) {
    FileDialogRequest req;
    req.title = "Save As";
    req.directory = folder;
    if (!suggestedName.empty() && settings.suggestLogNames) req.fileName = suggestedName;
    req.filter = kFilter;
    req.defaultExt = "txt";
    req.confirmOverwrite = false;  // the overwrite-or-append question is ours
    if (!Prompter().SaveFile(req) || req.fileName.empty()) return false;
    m_Path = req.fileName;
    const std::size_t slash = m_Path.rfind('/');
    if (slash != std::string::npos) folder = m_Path.substr(0, slash + 1);

    // A file we may not read is still there: ask before replacing it.
    std::error_code ec;
    if (!std::filesystem::exists(m_Path, ec) && !ec) {
        m_Text = kWptPlusHeader;
        return true;
    }
    switch (MsgBox("File allready exists! Would you like to overwrite it? (Select NO to append)",
                   MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            m_Text = kWptPlusHeader;
            return true;
        case IDNO: {
            m_Append = true;
            int error = 0;
            if (ReadWholeFile(m_Path, m_Text, error) != LoadStatus::Loaded) {
                MsgBox("Waypoint file appending error");
                return false;
            }
            if (m_Text.empty())
                m_Text = kWptPlusHeader;
            else if (m_Text.back() != '\n')
                m_Text += '\n';
            return true;
        }
        default:
            return false;
    }
}

bool CWptExportFile::Close() {
    if (WriteFileAtomically(m_Path, m_Text)) return true;
    MsgBox(m_Append ? "Waypoint file appending error" : "File creation error");
    return false;
}

void WriteWptLine(CWptExportFile& file, const WaypointRecord& rec, const std::string& keyword,
                  const AppSettings& settings, const CGeoTransform& geo) {
    if (rec.Flags & kWptDeleted) return;
    GPSrecord g;
    if (!geo.GKToWGS84(rec.E, rec.N, g.latitude, g.longitude)) MsgBox(kGeoTransformError);
    g.name = FixedText(rec.Name);
    g.comment = FixedText(rec.Comment);
    g.time = rec.Created;
    file.Add(WaypointPlusLine(keyword.empty() ? settings.waypointKeyword : keyword, g));
}

bool WriteTrackLog(CVornaDoc& doc, AppSettings& settings, const CGeoTransform& geo, int first, int last,
                   const std::string& suggestedName) {
    CWptExportFile file;
    if (!file.Open(settings.trackLogDir, suggestedName, settings)) return false;
    if (last < first) std::swap(first, last);
    const CTrackLogStore& log = doc.TrackLogStore();
    bool geoShown = false;
    for (int i = first < 0 ? 0 : first; i <= last && i < log.Count(); ++i) {
        const TrackPoint p = log.Points()[i];
        double lat = 0.0, lon = 0.0;
        // One message per file, not one per point of a long log.
        if (!geo.GKToWGS84(p.position.easting, p.position.northing, lat, lon) && !geoShown) {
            geoShown = true;
            MsgBox(kGeoTransformError);
        }
        file.Add(TrackPointPlusLine(settings.trackpointKeyword, lat, lon, p));
    }
    return file.Close();
}

// ---- import ------------------------------------------------------------------

bool ImportWptText(CVornaDoc& doc, const AppSettings& settings, const CGeoTransform& geo,
                   std::string_view text, int what, bool* clearTrackLog) {
    // Lines as the file reader gives them: pieces of at most 254 bytes,
    // trailing blanks (and a CR) removed.
    std::size_t pos = 0;
    std::string piece;
    std::string_view line;
    auto nextLine = [&](std::string_view& out) {
        if (!ReadLine(text, pos, piece)) return false;
        out = piece;
        return true;
    };
    if (!nextLine(line) || !IsWptPlusHeader(line)) {
        MsgBox("Invalid input file format!");
        return false;
    }
    if (clearTrackLog && *clearTrackLog) {
        *clearTrackLog = false;
        doc.ClearTrackLog(0);
    }
    for (int number = 1; nextLine(line); ++number) {
        std::string_view rest = line;
        const std::string_view word = NextField(rest);
        const bool wpt = word == "Waypoint" || word == settings.waypointKeyword;
        const bool trk = !wpt && (word == "TrackPoint" || word == settings.trackpointKeyword);
        if (!wpt && !trk) {
            if (MsgBox("Warning! Could not recognize record type in line:'" + std::string(rest) +
                           "'. Would you like to continue?",
                       MB_OKCANCEL) == IDCANCEL)
                break;
            continue;
        }
        if ((wpt && what != 1) || (trk && what != 0)) continue;
        if (NextField(rest) != "D") {
            MsgBox("Invalid data format in line " + std::to_string(number));
            continue;
        }
        if (wpt) {
            GPSrecord rec;
            rec.name = std::string(TrimRight(NextField(rest)));
            rec.latitude = Number(NextField(rest));
            rec.longitude = Number(NextField(rest));
            // Degrees that no receiver gives, or a place off the map, would add a
            // waypoint nobody can see; one the transform refuses is reported by the import.
            CPointD at;
            if (!Finite(rec.latitude, 90.0) || !Finite(rec.longitude, 180.0) ||
                (geo.WGS84ToGK(rec.latitude, rec.longitude, at) && !InCoveredArea(at))) {
                MsgBox("Invalid data format in line " + std::to_string(number));
                continue;
            }
            NextField(rest);  // local date and time: the comment holds the time
            NextField(rest);
            rec.comment = std::string(NextField(rest));
            rec.time = ParseDateTime(rec.comment);
            rec.flag = 1;
            if (!settings.ignoreExistingWpts || !doc.CheckWptExistence(rec)) doc.AddImportedWaypoint(rec);
            continue;
        }
        if (!doc.TrackLogStore().Log().Allocated) {
            MsgBox("Error! TrackLog not initialised in ImportFile");
            break;
        }
        TrackPoint p{};
        const double lat = Number(NextField(rest));
        const double lon = Number(NextField(rest));
        if (!Finite(lat, 90.0) || !Finite(lon, 180.0)) {
            MsgBox("Invalid data format in line " + std::to_string(number));
            continue;
        }
        const bool converted = geo.WGS84ToGK(lat, lon, p.position);
        if (!converted) {
            MsgBox(kGeoTransformError);
            p.position = CPointD{};
        }
        const std::string_view date = NextField(rest);
        p.time = TrackTime(date, NextField(rest));
        p.segmentStart = Integer(NextField(rest));
        // Grid coordinates the program wrote are exact: they win.
        const std::string_view e = NextField(rest);
        if (!e.empty()) p.position.easting = Number(e);
        const std::string_view n = NextField(rest);
        if (!n.empty()) p.position.northing = Number(n);
        // A point off the map (or not a number) would be drawn as a line across the
        // whole pane. Without parameters and grid fields the point stays at (0, 0).
        if ((converted || !e.empty() || !n.empty()) &&
            (!Finite(p.position.easting) || !Finite(p.position.northing) || !InCoveredArea(p.position))) {
            MsgBox("Invalid data format in line " + std::to_string(number));
            continue;
        }
        if (!doc.TrackLogStore().Append(p)) {
            MsgBox("The track log cannot grow: the rest of the file is not imported.");
            break;
        }
    }
    return true;
}

namespace {

// clearLog: the track log is emptied once a chosen file's header was
// accepted, so that a cancelled dialog or a file of another kind loses
// nothing. The chosen files are read in the dialog's order; one that fails is
// reported and the next one is read.
void ImportChosenFile(CVornaDoc& doc, const AppSettings& settings, const CGeoTransform& geo, int what,
                      std::string& folder, bool clearLog) {
    tzset();
    FileDialogRequest req;
    req.title = "Open";
    req.directory = folder;
    req.filter = kFilter;
    req.defaultExt = "txt";
    std::vector<std::string> files;
    if (!Prompter().OpenFiles(req, files) || files.empty() || files.front().empty()) return;
    const std::size_t slash = files.front().rfind('/');
    if (slash != std::string::npos) folder = files.front().substr(0, slash + 1);
    for (const std::string& name : files) {
        // A folder or a read error is refused, never thrown out of the command.
        std::string text;
        int error = 0;
        if (ReadWholeFile(name, text, error) != LoadStatus::Loaded)
            MsgBox("Error opening Waypoint file " + name);
        else
            ImportWptText(doc, settings, geo, text, what, &clearLog);
    }
    doc.CloseUnusedQuadrants();
    doc.UpdateAllViews(nullptr, 0);
}

}  // namespace

void ImportFile(CVornaDoc& doc, const AppSettings& settings, const CGeoTransform& geo, int what,
                std::string& folder) {
    ImportChosenFile(doc, settings, geo, what, folder, false);
}

void TrackLogFromFile(CVornaDoc& doc, AppSettings& settings, const CGeoTransform& geo) {
    const bool clear = doc.TrackLogStore().Count() > 0 &&
                       MsgBox("Clear existing track log data?", MB_YESNO | MB_ICONQUESTION) == IDYES;
    ImportChosenFile(doc, settings, geo, 0, settings.trackLogDir, clear);
}
