#pragma once
// Live positions from a receiver that talks NMEA 0183 on the GPS port: each
// "$GPGGA" fix becomes the current position and extends the track log, a
// kept point at every interval-th fix and a live end that follows the
// receiver in between.

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "geo/Types.h"
#include "platform/Commands.h"
#include "platform/SerialPort.h"

struct AppSettings;
class CGeoTransform;
class CTrackLogStore;

// What one reading pass brought: the sentences handled and, for the last of
// them, the pieces of track to repaint.
struct NmeaPass {
    int sentences = 0;
    CGpsTriple triple;
    bool readFailed = false;  // the port reported an error (unplugged, hung up)
};

// Longest sentence we keep (the standard allows 82 characters); longer input
// without a line feed is dropped up to the next '$'.
constexpr std::size_t kNmeaLineCap = 1024;

// One "$GPGGA" sentence taken apart, CR/LF already gone. valid is false when
// the checksum is present and wrong; fix is false for quality 0 and for any
// quality, latitude or longitude that is not a plain number of its form.
struct GgaSentence {
    bool valid = false;
    bool fix = false;
    double lat = 0.0, lon = 0.0;  // degrees, hemispheres taken as north and east
};
// text: the whole line ("$GPGGA,..."); false when it is not a position sentence.
bool IsGgaLine(const std::string& text);
GgaSentence ParseGga(const std::string& text);

class CNmeaReceiver {
public:
    // gpsDebugLog: the "Debug Mode" log (read at each sentence, may be null).
    CNmeaReceiver(AppSettings& settings, const CGeoTransform& geo, std::FILE* const& gpsDebugLog);
    ~CNmeaReceiver();
    CNmeaReceiver(const CNmeaReceiver&) = delete;
    CNmeaReceiver& operator=(const CNmeaReceiver&) = delete;

    // Opens "GPS Port" at "GPS Baud Rate" and resets the reception state;
    // "GPS Enabled" is set exactly while the port is open.
    bool OpenGpsPort();
    bool CloseGpsPort();
    bool IsOpen() const { return m_Port && m_Port->IsOpen(); }
    // "GPS Enabled": the port is open.
    bool Enabled() const;
    const std::string& PortName() const;
    // Descriptor to wait on for data; -1 while closed.
    int PortHandle() const { return m_Port ? m_Port->Handle() : -1; }

    // Reads what has arrived and handles each complete sentence against log
    // (may be null: no document).
    NmeaPass Receive(CTrackLogStore* log);
    // Feeds bytes as if they had come from the port (the reading loop uses it).
    void Feed(const char* bytes, std::size_t n, CTrackLogStore* log, NmeaPass& pass);

    // A fix has been handled since the port was opened (a 3-D move to the
    // position may be armed only then).
    bool HadFixSinceOpen() const { return m_HadFix; }

    // Port stand-in for tests: made at each open instead of a CSerialPort.
    void SetPortFactory(std::function<std::unique_ptr<ISerialIO>()> f) { m_PortFactory = std::move(f); }

    // Reception state (drawn by the map views, read by the status text).
    int GpsMovePending = 0;
    int GpsPositionReceived = 0;
    int GpsFix = 0;
    int GpsFixCounter = 0;
    std::string GpsLine;
    int GpsPositionValid = 1;
    CPointD GpsPosition;

private:
    // False for a sentence that is ignored (wrong checksum).
    bool HandleSentence(const std::string& line, CTrackLogStore* log, CGpsTriple& triple);
    void HandleFix(const GgaSentence& s, CTrackLogStore* log, CGpsTriple& triple);
    bool Append(CTrackLogStore& log, const TrackPoint& p);
    bool LiveEndIsLast(const CTrackLogStore& log) const;

    AppSettings& m_Settings;
    const CGeoTransform& m_Geo;
    std::FILE* const& m_DebugLog;
    std::unique_ptr<ISerialIO> m_Port;
    std::function<std::unique_ptr<ISerialIO>()> m_PortFactory;
    bool m_Discarding = false;  // an over-long line is being skipped
    bool m_HadFix = false;
    bool m_LogRefusedShown = false;
    // The live end as last written, so that a log the user changed since is
    // never overwritten.
    int m_LiveIndex = -1;
    TrackPoint m_LiveValue{};
};

// The application's GPS commands: "&Enabled" with its check, open (Ctrl+Home),
// close (End) and the invalid-position test switch (Alt+V). transferRuns
// tells whether a receiver transfer holds the port; afterToggle repaints
// every view of the active document.
void AddNmeaCommands(CCommandMap& map, CNmeaReceiver& receiver, std::function<bool()> transferRuns,
                     std::function<void()> afterToggle);
