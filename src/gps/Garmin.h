#pragma once
// The receiver link as a whole: one transfer at a time (identify the
// receiver, download waypoints or the track log, upload waypoints or routes),
// started by a command and then advanced by the idle hook one small step per
// call, never waiting on the line. Progress goes to the status bar, failures
// to message boxes; whenever a transfer ends the port is closed and the
// follow-up command, if any, is posted.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "geo/Types.h"
#include "gps/GarminFrame.h"
#include "gps/GarminRecords.h"
#include "gps/GpsRecordList.h"

struct AppSettings;
class CCommandMap;
class CGeoTransform;
class CVornaDoc;
class Garmin;
struct WaypointRecord;

// What a finished or running download hands on: the day and sub-log ranges
// of a track log and the saving and importing of both kinds of download.
// Without one the records simply stay where the download put them.
class IGarminDownloads {
public:
    virtual ~IGarminDownloads() = default;
    // The records packet of a track log download; new points start at first.
    virtual void StartTrackRanges(Garmin& link, int first) = 0;
    // A track header: a sub-log named label starts at the point index first.
    virtual void OpenSublogRange(Garmin& link, const std::string& label, int first) = 0;
    // The point at index has just been appended with time (0: none).
    virtual void UpdateDayRanges(Garmin& link, int index, std::int32_t time) = 0;
    // The transfer-complete packet of each kind of download.
    virtual void FinishTrackLog(Garmin& link, CVornaDoc& doc) = 0;
    virtual void FinishWaypoints(Garmin& link, CVornaDoc& doc) = 0;
};

// What a transfer needs of the program around it; unset members do nothing.
struct GarminHost {
    std::function<void(const std::string&)> setStatusText;  // the frame's status bar
    std::function<CVornaDoc*()> activeDocument;             // downloads land here
    std::function<bool(unsigned)> postCommand;              // unset: posted to the main window
    std::function<void(const std::string&)> debugLog;       // lines of "Debug Mode"
    // The time stamp at the start of a waypoint comment, 0 when there is none.
    std::function<std::int32_t(const std::string&)> commentTime;
};

class Garmin {
public:
    // What a transfer does; none while idle.
    enum TransferOperation : int {
        OpNone = 0,
        OpIdentify = 1,
        OpDownloadWpts = 2,
        OpDownloadTrack = 3,
        OpUploadSingleWpt = 4,
        OpUploadWpts = 5,
        OpUploadRoutes = 6,
    };
    // Where a transfer stands.
    enum TransferState : int {
        kIdle = 0,
        kAwaitProductAck = 1,
        kAwaitProductData = 2,
        kAwaitProtocolArray = 3,
        kSingleWptSent = 4,
        kAwaitCommandAck = 5,
        kAwaitRecords = 6,
        kReceiving = 7,
        kAwaitUploadAck = 8,
        kRouteLinkDue = 9,
        kCompleteSent = 10,
    };

    Garmin(AppSettings& settings, const CGeoTransform& geo, GarminHost host = {});
    // Closes the port without posting the follow-up command: nothing is left
    // to receive it.
    virtual ~Garmin();
    Garmin(const Garmin&) = delete;
    Garmin& operator=(const Garmin&) = delete;

    // Silent while a transfer runs; refused while NMEA reception holds the port.
    // clearTrackLog: a track log download replaces the log, but only once it
    // is complete; until then the points are held by the link, so a download
    // that never starts or ends early leaves the old log as it was.
    void StartOperation(int operation, const std::string& port, unsigned followUpCommand,
                        bool clearTrackLog = false);
    // One step; true while the transfer goes on after it.
    bool Step();
    TransferState GetState() const { return State; }
    TransferOperation GetOperation() const { return Operation; }
    // What the idle pass may wait on while a transfer runs; -1 when closed.
    int PortHandle() const { return m_Link.PortHandle(); }

    // The upload list, filled by the export commands before an upload. While
    // a transfer runs the list is its own: these change nothing, false.
    bool AllocateGPSdata(std::uint16_t n);
    bool AddWaypointToGPSdata(const WaypointRecord& wpt);
    bool AddRouteToGPSdata(const std::string& name);
    // The record list of the transfer (a download's waypoints until it ends).
    CGpsRecordList& Records() { return m_Records; }

    const std::string& GetStatusPrefix() const { return StatusPrefix; }
    const std::string& GetStatusText() const { return StatusText; }
    // Sets the status text and shows it.
    void SetStatusText(const std::string& text);
    const ProductData& GetProductData() const { return m_Product; }
    // The row of the receiver in use, or null before identification.
    const DeviceProtocols* Device() const;
    AppSettings& Settings() { return m_Settings; }

    void SetDownloads(IGarminDownloads* downloads) { m_Downloads = downloads; }
    // The packet layer, for a test's clock.
    CGarminLink& Link() { return m_Link; }
    // The pause after the protocol array; a test may shorten it.
    void SetPause(std::function<void(int ms)> pause) { m_Pause = std::move(pause); }

    // The record operations of one packet (each shows its own failures).
    bool StoreWpt(const std::uint8_t* data, int n, std::string& name);
    bool StoreTrk(const std::uint8_t* data, int n);
    bool PackWpt(std::uint8_t* buffer, int& n, std::string& name);
    bool PackRouteHeader(std::uint8_t* buffer, int& n, std::string& name);

private:
    bool OpenPort(const std::string& port);
    void ClosePort();
    void EndOperation();
    void SendWord(std::uint8_t id, std::uint16_t word);
    void HandlePacket(int id, const std::uint8_t* data, int n);
    void Identified();
    void UploadStep();
    void Unexpected(int id);
    bool PackCheck(const char* where, std::string& name);
    CVornaDoc* Doc() const;
    // The held points of a download that replaces the log, put in it.
    void ReplaceTrackLog(CVornaDoc& doc);

    AppSettings& m_Settings;
    const CGeoTransform& m_Geo;
    GarminHost m_Host;
    IGarminDownloads* m_Downloads = nullptr;
    std::function<void(int)> m_Pause;

    CGarminLink m_Link;
    ProductData m_Product;
    DeviceTable m_DeviceTable;
    int DeviceIndex = -1;
    TransferState State = kIdle;
    TransferOperation Operation = OpNone;
    std::string StatusPrefix;
    std::string StatusText;
    std::uint16_t RecordsExpected = 0;
    std::uint16_t RecordsReceived = 0;
    CGpsRecordList m_Records;
    unsigned FollowUpCommand = 0;
    int m_ExtProductPackets = 0;  // extended product data packets of this identification
    // A track log download that replaces the log: its points and sub-log
    // headers in the order they came (a header has its label, no point).
    struct HeldTrackRecord {
        bool header = false;
        std::string label;
        TrackPoint point;
    };
    bool m_ClearTrackLog = false;
    std::vector<HeldTrackRecord> m_HeldTrack;
};

// "Waypoints from GPS..." and "Track Log from GPS..." on the GPS port of the
// settings; the document is asked for at each command.
void AddGarminCommands(CCommandMap& map, Garmin& link, AppSettings& settings,
                       std::function<CVornaDoc*()> activeDocument);
