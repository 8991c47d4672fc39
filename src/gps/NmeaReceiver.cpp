#include "gps/NmeaReceiver.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <limits>

#include "doc/TrackLogStore.h"
#include "geo/GeoTransform.h"
#include "gps/ReceiverPort.h"
#include "platform/CommandIds.h"
#include "platform/Profile.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"

namespace {

// At most this much is read in one pass, so a flooding port cannot hold the
// window; the rest waits for the next pass.
constexpr std::size_t kMaxBytesPerPass = 64 * 1024;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool AllDigits(const std::string& s, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return from < to;
}

// "ddmm.mmmm" (degreeDigits 2) or "dddmm.mmmm" (3): exactly that many degree
// digits and two of whole minutes, a fraction optional. Read by hand, so
// that no locale can turn the point into something else.
bool ReadAngle(const std::string& f, std::size_t degreeDigits, double maxDegrees, double& out) {
    const std::size_t dot = std::min(f.find('.'), f.size());
    if (dot != degreeDigits + 2 || !AllDigits(f, 0, dot)) return false;
    if (dot < f.size() && dot + 1 < f.size() && !AllDigits(f, dot + 1, f.size())) return false;
    double degrees = 0.0, minutes = 0.0;
    for (std::size_t i = 0; i < degreeDigits; ++i) degrees = degrees * 10 + (f[i] - '0');
    for (std::size_t i = degreeDigits; i < dot; ++i) minutes = minutes * 10 + (f[i] - '0');
    double scale = 0.1;
    for (std::size_t i = dot + 1; i < f.size(); ++i, scale /= 10) minutes += (f[i] - '0') * scale;
    // Exactly 60 is a value rounded up to the next degree, as receivers write it.
    if (minutes > 60.0) return false;
    out = degrees + minutes / 60.0;
    return out <= maxDegrees;
}

std::int32_t NowSeconds() {
    const std::time_t t = std::time(nullptr);
    return std::int32_t(std::clamp<long long>(t, 0, std::numeric_limits<std::int32_t>::max()));
}

bool SamePoint(const TrackPoint& a, const TrackPoint& b) {
    return a.position.easting == b.position.easting && a.position.northing == b.position.northing &&
           a.time == b.time && a.segmentStart == b.segmentStart;
}

}  // namespace

bool IsGgaLine(const std::string& text) {
    // Multi-system receivers name the same sentence "$GNGGA".
    return text.size() >= 6 && text[0] == '$' &&
           (text.compare(1, 2, "GP") == 0 || text.compare(1, 2, "GN") == 0) && text.compare(3, 3, "GGA") == 0;
}

GgaSentence ParseGga(const std::string& text) {
    GgaSentence s;
    std::size_t end = text.size();
    if (const std::size_t star = text.find('*'); star != std::string::npos) {
        // A checksum must close the sentence; anything else is a damaged line.
        if (star + 3 != text.size()) return s;
        const int hi = HexDigit(text[star + 1]), lo = HexDigit(text[star + 2]);
        if (hi < 0 || lo < 0) return s;
        unsigned sum = 0;
        for (std::size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(text[i]);
        if (sum != unsigned(hi * 16 + lo)) return s;
        end = star;
    }
    s.valid = true;
    // Fields after the name: time, latitude, N/S, longitude, E/W, quality.
    std::string fields[6];
    std::size_t at = std::min<std::size_t>(7, end);
    for (std::string& f : fields) {
        if (at >= end) break;
        const std::size_t comma = std::min(text.find(',', at), end);
        f = text.substr(at, comma - at);
        at = comma + 1;
    }
    const std::string& quality = fields[5];
    s.fix = AllDigits(quality, 0, quality.size()) && quality.find_first_not_of('0') != std::string::npos &&
            ReadAngle(fields[1], 2, 90.0, s.lat) && ReadAngle(fields[3], 3, 180.0, s.lon);
    if (!s.fix) s.lat = s.lon = 0.0;
    return s;
}

CNmeaReceiver::CNmeaReceiver(AppSettings& settings, const CGeoTransform& geo, std::FILE* const& gpsDebugLog)
    : m_Settings(settings), m_Geo(geo), m_DebugLog(gpsDebugLog) {}

CNmeaReceiver::~CNmeaReceiver() {
    if (m_Port) m_Port->Close();
}

bool CNmeaReceiver::Enabled() const { return m_Settings.gpsEnabled != 0; }
const std::string& CNmeaReceiver::PortName() const { return m_Settings.gpsPort; }

bool CNmeaReceiver::OpenGpsPort() {
    if (m_Settings.gpsEnabled || m_Port) CloseGpsPort();
    GpsLine.clear();
    GpsPosition = CPointD();
    GpsPositionReceived = 0;
    GpsFix = 0;
    GpsFixCounter = 0;
    GpsPositionValid = 1;
    m_Settings.gpsEnabled = 0;
    m_Discarding = false;
    m_HadFix = false;
    m_LogRefusedShown = false;
    m_LiveIndex = -1;

    const std::string& name = m_Settings.gpsPort;
    const char* const consequence = "GPS positioning will be disabled!";
    std::string text;
    if (m_PortFactory) {
        m_Port = m_PortFactory();
        if (!m_Port || !m_Port->IsOpen())
            text = PortOpenFailure(name, consequence);
        else
            PurgeReceiverPort(*m_Port, text);
    } else {
        // The modem lines stay as they are: some receivers draw their power from them.
        m_Port = OpenReceiverPort(name, LeadingInt(m_Settings.gpsBaudRate), false, consequence, text);
    }
    if (!text.empty()) {
        if (m_Port) m_Port->Close();
        m_Port.reset();
        MsgBox(text, MB_OK);
        return false;
    }
    m_Settings.gpsEnabled = 1;
    return true;
}

bool CNmeaReceiver::CloseGpsPort() {
    if (!m_Settings.gpsEnabled && !m_Port) return true;
    m_Settings.gpsEnabled = 0;
    auto port = std::move(m_Port);
    if (port && !port->Close()) {
        MsgBox("Error! Can not close GPS port handle!", MB_OK);
        return false;
    }
    return true;
}

NmeaPass CNmeaReceiver::Receive(CTrackLogStore* log) {
    NmeaPass pass;
    pass.triple = CGpsTriple(GpsPosition, GpsPosition, GpsPosition);
    char buffer[512];
    std::size_t total = 0;
    // A handler may close the port (from a box it shows): look again each time.
    while (m_Settings.gpsEnabled && m_Port && total < kMaxBytesPerPass) {
        const long n = m_Port->Read(buffer, sizeof buffer);
        if (n <= 0) {
            pass.readFailed = n < 0;
            break;
        }
        total += std::size_t(n);
        Feed(buffer, std::size_t(n), log, pass);
    }
    return pass;
}

void CNmeaReceiver::Feed(const char* bytes, std::size_t n, CTrackLogStore* log, NmeaPass& pass) {
    for (std::size_t i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (m_Discarding) {
            if (c == '$') {
                m_Discarding = false;
                GpsLine.assign(1, c);
            } else if (c == '\n') {
                m_Discarding = false;
            }
            continue;
        }
        if (c != '\n') {
            if (GpsLine.size() + 1 >= kNmeaLineCap) {
                GpsLine.clear();
                m_Discarding = true;
            } else {
                GpsLine.push_back(c);
            }
            continue;
        }
        std::string line;
        line.swap(GpsLine);
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
        if (!IsGgaLine(line)) continue;
        if (HandleSentence(line, log, pass.triple)) ++pass.sentences;
    }
}

bool CNmeaReceiver::HandleSentence(const std::string& line, CTrackLogStore* log, CGpsTriple& triple) {
    GgaSentence s = ParseGga(line);
    if (!s.valid) return false;
    if (!GpsPositionValid) s.fix = false;
    if (s.fix) {
        HandleFix(s, log, triple);
    } else {
        GpsFix = 0;
        GpsFixCounter = 0;
        triple = CGpsTriple(GpsPosition, GpsPosition, GpsPosition);
        if (m_Settings.debugMode && m_DebugLog) std::fprintf(m_DebugLog, "- %s\n", line.c_str());
    }
    GpsPositionReceived = 1;
    return true;
}

bool CNmeaReceiver::LiveEndIsLast(const CTrackLogStore& log) const {
    return m_LiveIndex >= 0 && m_LiveIndex == log.Count() - 1 &&
           SamePoint(log.Points()[m_LiveIndex], m_LiveValue);
}

bool CNmeaReceiver::Append(CTrackLogStore& log, const TrackPoint& p) {
    // A log that cannot take the point says so once; the point is dropped.
    const TrackBase& b = log.Log();
    if (!b.Allocated) {
        if (!m_LogRefusedShown) MsgBox("Error! TrackLog not initialised in InitInstance");
        m_LogRefusedShown = true;
        return false;
    }
    if (b.Count >= b.Capacity && (m_LogRefusedShown || !log.Reallocate())) {
        m_LogRefusedShown = true;
        return false;
    }
    if (!log.Append(p)) return false;
    m_LogRefusedShown = false;
    m_LiveIndex = log.Count() - 1;
    m_LiveValue = p;
    return true;
}

void CNmeaReceiver::HandleFix(const GgaSentence& s, CTrackLogStore* log, CGpsTriple& triple) {
    bool first = GpsFix == 0;
    GpsFix = 1;
    m_HadFix = true;
    const CPointD old = GpsPosition;
    CPointD pos;
    const bool converted = m_Settings.gpsUsesLocalDatum ? m_Geo.GeoToGK(s.lat, s.lon, pos)
                                                        : m_Geo.WGS84ToGK(s.lat, s.lon, pos) != 0;
    if (converted)
        GpsPosition = pos;
    else
        MsgBox(kGeoTransformError);

    // The user may have imported, deleted or cleared points since the last
    // fix: the live end is then no longer ours to move.
    if (!first && log && !LiveEndIsLast(*log)) first = true;
    if (first) GpsFixCounter = 0;

    TrackPoint np{};
    np.position = GpsPosition;
    np.time = NowSeconds();
    np.segmentStart = first ? 1 : 0;

    int count = log ? log->Count() : 0;
    const TrackPoint last = count > 0 ? log->Points()[count - 1] : np;
    if (GpsFixCounter > 0 && count > 1) log->Truncate(--count);
    const TrackPoint ref = first || count == 0 ? np : log->Points()[count - 1];
    triple = CGpsTriple(ref.position, last.position, np.position);

    // Interval 0: the counter never comes round again, so every later fix
    // moves the live end (held at 1 rather than counting up to an overflow).
    const int interval = m_Settings.gpsLogIntervalSeconds;
    if (interval <= 0)
        GpsFixCounter = 1;
    else if (++GpsFixCounter >= interval)
        GpsFixCounter = 0;
    if (log && Append(*log, np) && first) Append(*log, np);

    if (m_Settings.debugMode && m_DebugLog) {
        const auto far = [](CPointD a, CPointD b, bool whole) {
            const double dx = whole ? std::trunc(a.easting) - std::trunc(b.easting) : a.easting - b.easting;
            const double dy =
                whole ? std::trunc(a.northing) - std::trunc(b.northing) : a.northing - b.northing;
            return std::fabs(dx) > 5000 || std::fabs(dy) > 5000;
        };
        std::fprintf(m_DebugLog, "%s%s", far(GpsPosition, old, false) ? "1" : " ",
                     first                                  ? "*"
                     : far(np.position, ref.position, true) ? "2"
                                                            : " ");
        std::fprintf(m_DebugLog, "%.f %.f %.f %.f %.f %.f %.f %.f %.f %.f ", old.easting, old.northing,
                     GpsPosition.easting, GpsPosition.northing, last.position.easting, last.position.northing,
                     ref.position.easting, ref.position.northing, np.position.easting, np.position.northing);
        const std::time_t now = std::time(nullptr);
        std::tm t{};
        gmtime_r(&now, &t);
        std::fprintf(m_DebugLog, "%02d/%02d/%02d %02d:%02d:%02d\n", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900,
                     t.tm_hour, t.tm_min, t.tm_sec);
    }
}

void AddNmeaCommands(CCommandMap& map, CNmeaReceiver& receiver, std::function<bool()> transferRuns,
                     std::function<void()> afterToggle) {
    // The transfer holds the port; opening it for positions would fail the
    // same way, but without disturbing the transfer's own port.
    auto open = [&receiver, transferRuns] {
        if (transferRuns && transferRuns()) {
            MsgBox("Error! Can not open port " + receiver.PortName() +
                       "! GPS positioning will be disabled!\nA receiver transfer is using it.",
                   MB_OK);
            return;
        }
        receiver.OpenGpsPort();
    };
    map.AddCommand(cmd::GpsEnabled, [&receiver, open, afterToggle] {
        if (receiver.Enabled())
            receiver.CloseGpsPort();
        else
            open();
        if (afterToggle) afterToggle();
    });
    map.AddUpdate(cmd::GpsEnabled, [&receiver](CCmdUI& ui) { ui.SetCheck(receiver.Enabled()); });
    map.AddCommand(cmd::GpsOpenPort, open);
    map.AddCommand(cmd::GpsClosePort, [&receiver] { receiver.CloseGpsPort(); });
    map.AddCommand(cmd::GpsInvalidTest,
                   [&receiver] { receiver.GpsPositionValid = !receiver.GpsPositionValid; });
    map.AddUpdate(cmd::GpsInvalidTest, [&receiver](CCmdUI& ui) { ui.SetCheck(receiver.GpsPositionValid); });
}
