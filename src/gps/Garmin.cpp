#include "gps/Garmin.h"

#include <cstring>

#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "geo/GeoTransform.h"
#include "platform/ByteOrder.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"
#include "platform/Prompt.h"
#include "platform/System.h"
#include "settings/AppSettings.h"

namespace {

const char* const kPrefixes[] = {
    "DOWNLOADING ID: ",      "DOWNLOADING WPTS: ", "DOWNLOADING TRACKLOG: ", "UPLOADING SINGLE WAYPOINT: ",
    "UPLOADING WAYPOINTS: ", "UPLOADING ROUTES: ",
};

const char kDeviceNotSet[] = "Internal Error! Device Index not set";
// Receivers send a handful; far more is a receiver gone wrong.
constexpr int kMaxExtProductPackets = 64;

// The guards of the record operations: true, with the text shown, when failed.
bool Refused(bool failed, const std::string& text) {
    if (failed) MsgBox(text, MB_OK);
    return failed;
}

std::string ReadFailureText(int r) {
    switch (r) {
        case kReadTimeout:
            return "GPS not responding! Check cables, COM port and verify that GPS is on.";
        case kReadNak:
            return "Error! Send to GPS failed. Check if GPS is in the Garmin communication mode.";
        case kReadInvalidFrame:
            return "Error! Receive from GPS failed. Check if GPS is in the Garmin communication mode.";
        case kReadOverflow:
            return "Error! Buffer Overflow. Check if GPS is in the Garmin communication mode.";
        case kReadPortClosed:
            return "Internal Error! Comm port not opened while waiting for the packet.";
        default:
            return "Internal Error! Unknown response from Garmin::ReadPacket.";
    }
}

}  // namespace

Garmin::Garmin(AppSettings& settings, const CGeoTransform& geo, GarminHost host)
    : m_Settings(settings),
      m_Geo(geo),
      m_Host(std::move(host)),
      m_Pause(SleepMs),
      m_DeviceTable(BuiltInDeviceTable()) {}

Garmin::~Garmin() {
    FollowUpCommand = 0;
    ClosePort();
}

const DeviceProtocols* Garmin::Device() const {
    return DeviceIndex >= 0 && DeviceIndex < int(m_DeviceTable.size())
               ? &m_DeviceTable[std::size_t(DeviceIndex)]
               : nullptr;
}

CVornaDoc* Garmin::Doc() const { return m_Host.activeDocument ? m_Host.activeDocument() : nullptr; }

void Garmin::SetStatusText(const std::string& text) {
    StatusText = text;
    if (m_Host.setStatusText) m_Host.setStatusText(StatusText);
}

bool Garmin::AllocateGPSdata(std::uint16_t n) {
    if (Operation != 0) return false;
    m_Records.AllocateGPSdata(n);
    return true;
}

bool Garmin::AddWaypointToGPSdata(const WaypointRecord& wpt) {
    return Operation == OpNone && m_Records.AddWaypointToGPSdata(wpt, m_Geo);
}

bool Garmin::AddRouteToGPSdata(const std::string& name) {
    return Operation == OpNone && m_Records.AddRouteToGPSdata(name);
}

bool Garmin::OpenPort(const std::string& port) {
    if (!m_Link.OpenPort(port)) {
        ClosePort();
        return false;
    }
    m_Link.SetDebugLog(m_Settings.debugMode ? m_Host.debugLog : nullptr);
    return true;
}

void Garmin::ClosePort() {
    Operation = OpNone;
    State = kIdle;
    if (FollowUpCommand != 0) {
        const unsigned id = FollowUpCommand;
        FollowUpCommand = 0;
        if (m_Host.postCommand)
            m_Host.postCommand(id);
        else
            PostCommand(id);
    }
    StatusPrefix.clear();
    StatusText.clear();
    DeviceIndex = -1;
    // A download that ended without its transfer-complete packet puts nothing in the log.
    m_ClearTrackLog = false;
    std::vector<HeldTrackRecord>().swap(m_HeldTrack);
    m_Link.ClosePort();
}

void Garmin::EndOperation() {
    ClosePort();
    m_Records.ReleaseGPSdata();
}

void Garmin::StartOperation(int operation, const std::string& port, unsigned followUpCommand,
                            bool clearTrackLog) {
    if (Operation != OpNone) return;
    if (m_Settings.gpsEnabled) {
        MsgBox(
            "Warning! GPS Navigation enabled! Stop GPS navigation and change protocol on your GPS to "
            "\"Garmin\" "
            "in order to upload/download GPS data.",
            MB_OK);
        return;
    }
    // Checked before the port is opened, so a refusal leaves no port behind.
    if (operation < OpIdentify || operation > OpUploadRoutes) {
        MsgBox("Internal Error! Unknown operation type in Garmin::StartOperation", MB_OK);
        return;
    }
    if (!m_Link.IsOpen() && !OpenPort(port)) return;
    StatusPrefix = kPrefixes[operation - 1];
    if (m_Settings.debugMode && m_Host.debugLog) m_Host.debugLog("GPS Operation started\n");
    m_Link.SendPacket(PID_PRODUCT_REQUEST, nullptr, 0);
    Operation = TransferOperation(operation);
    State = kAwaitProductAck;
    SetStatusText(StatusPrefix + "Waiting for product ID");
    FollowUpCommand = followUpCommand;
    m_ClearTrackLog = clearTrackLog && operation == OpDownloadTrack;
}

void Garmin::SendWord(std::uint8_t id, std::uint16_t word) {
    std::uint8_t data[2];
    StoreLE16(data, word);
    m_Link.SendPacket(id, data, 2);
}

bool Garmin::Step() {
    if (!m_Link.IsOpen() || State == kIdle) return false;
    // Zero-filled, so a packet shorter than its record reads zeros, not the last one's bytes.
    std::uint8_t data[1024] = {};
    int n = 0;
    const int r = m_Link.ReadPacket(data, n);
    if (r >= 1 || (r == kReadTimeout && State == kAwaitProtocolArray)) {
        HandlePacket(r, data, r < 0 ? 0 : n);
    } else if (r < 0) {
        const std::string text = ReadFailureText(r);
        StatusText = StatusPrefix + text;
        if (m_Host.setStatusText) m_Host.setStatusText(StatusText);
        MsgBox(text, MB_OK);
        State = kIdle;
    }
    if (m_Host.setStatusText) m_Host.setStatusText(StatusText);
    if (State == kIdle) {
        EndOperation();
        return false;
    }
    return true;
}

void Garmin::Unexpected(int id) {
    MsgBox(Format("Error! Unexpected packet type %d read from Garmin GPS.", id), MB_OK);
    State = kIdle;
}

void Garmin::HandlePacket(int id, const std::uint8_t* data, int n) {
    switch (State) {
        case kAwaitProductAck:
            if (id != PID_ACK) return Unexpected(id);
            State = kAwaitProductData;
            return;
        case kAwaitProductData:
            if (id != PID_PRODUCT_DATA) return Unexpected(id);
            m_Product = ParseProductData(data, std::size_t(n));
            StatusText = StatusPrefix + Format("Model: %s, Ver: %.2f, ID: %d", m_Product.Description,
                                               m_Product.SoftwareVersion / 100.0, int(m_Product.ProductId));
            m_Link.SetTimeoutSeconds(1);
            State = kAwaitProtocolArray;
            m_ExtProductPackets = 0;
            return;
        case kAwaitProtocolArray:
            // Newer receivers tell more about themselves after the product data;
            // the link has acknowledged it, nothing in it is needed. A receiver
            // that never stops telling ends the operation.
            if (id == PID_EXT_PRODUCT_DATA && ++m_ExtProductPackets <= kMaxExtProductPackets) return;
            if (id != PID_PROTOCOL_ARRAY && id != -1) return Unexpected(id);
            m_Link.SetTimeoutSeconds(5);
            if (id == PID_PROTOCOL_ARRAY && m_Pause) m_Pause(1000);
            DeviceIndex = ParseProtocolArray(m_DeviceTable, m_Product, data, id == -1 ? 0 : std::size_t(n));
            if (DeviceIndex < 0) {
                MsgBox("Unknown or unsupported GPS device!", MB_OK);
                State = kIdle;
                return;
            }
            return Identified();
        case kSingleWptSent:
            if (id != PID_ACK) return Unexpected(id);
            State = kIdle;
            return;
        case kAwaitCommandAck:
            if (id != PID_ACK) return Unexpected(id);
            State = kAwaitRecords;
            return;
        case kAwaitRecords: {
            if (id != PID_RECORDS) return Unexpected(id);
            RecordsExpected = LoadLE16(data);
            StatusText = StatusPrefix + Format("Expecting %d records", int(RecordsExpected));
            RecordsReceived = 0;
            if (Operation == OpDownloadWpts) {
                m_Records.AllocateGPSdata(RecordsExpected);
            } else if (Operation == OpDownloadTrack && m_Downloads && !m_ClearTrackLog) {
                CVornaDoc* doc = Doc();
                m_Downloads->StartTrackRanges(*this, doc ? doc->TrackLogStore().Count() : 0);
            }
            State = kReceiving;
            return;
        }
        case kReceiving:
            if (id == PID_WAYPOINT && Operation == OpDownloadWpts) {
                ++RecordsReceived;
                std::string name = "???";
                if (RecordsReceived <= RecordsExpected) StoreWpt(data, n, name);
                StatusText = StatusPrefix + Format("Received record %d of %d (%s)", int(RecordsReceived),
                                                   int(RecordsExpected), name.c_str());
            } else if (id == PID_TRACK_POINT && Operation == OpDownloadTrack) {
                ++RecordsReceived;
                if (RecordsReceived <= RecordsExpected) StoreTrk(data, n);
                StatusText = StatusPrefix +
                             Format("Received record %d of %d", int(RecordsReceived), int(RecordsExpected));
            } else if (id == PID_TRACK_HEADER && Operation == OpDownloadTrack && Device() &&
                       Device()->TrkHeader != 0) {
                if (m_ClearTrackLog) {
                    m_HeldTrack.push_back({true, TrackHeaderIdent(data, std::size_t(n)), TrackPoint{}});
                } else if (m_Downloads) {
                    CVornaDoc* doc = Doc();
                    m_Downloads->OpenSublogRange(*this, TrackHeaderIdent(data, std::size_t(n)),
                                                 doc ? doc->TrackLogStore().Count() : 0);
                }
                ++RecordsReceived;
            } else if (id == PID_XFER_COMPLETE) {
                Beep(1000, 200);
                // The saving may ask questions; the document is looked up again after them.
                if (CVornaDoc* doc = Doc()) {
                    if (m_ClearTrackLog && Operation == OpDownloadTrack) ReplaceTrackLog(*doc);
                }
                if (CVornaDoc* doc = Doc()) {
                    if (!m_Downloads) {
                        SetStatusText("FINISHED!");
                    } else if (Operation == OpDownloadWpts) {
                        m_Downloads->FinishWaypoints(*this, *doc);
                    } else if (Operation == OpDownloadTrack) {
                        m_Downloads->FinishTrackLog(*this, *doc);
                    }
                }
                if (CVornaDoc* doc = Doc()) doc->UpdateAllViews(nullptr, kHintAll);
                State = kIdle;
            } else {
                Unexpected(id);
            }
            return;
        case kAwaitUploadAck:
            if (id != PID_ACK) return Unexpected(id);
            return UploadStep();
        case kRouteLinkDue: {
            if (id != PID_ACK) return Unexpected(id);
            std::uint8_t link[32];
            m_Link.SendPacket(PID_ROUTE_LINK, link, std::size_t(PackRouteLink(link)));
            ++RecordsReceived;
            State = kAwaitUploadAck;
            return;
        }
        case kCompleteSent:
            if (id != PID_ACK) return Unexpected(id);
            Beep(1000, 200);
            StatusText = "FINISHED!";
            State = kIdle;
            return;
        default:
            return Unexpected(id);
    }
}

void Garmin::Identified() {
    const DeviceProtocols& device = *Device();
    switch (Operation) {
        case OpDownloadWpts:
        case OpDownloadTrack:
            SendWord(PID_COMMAND, Operation == OpDownloadWpts ? CMD_TRANSFER_WPT : CMD_TRANSFER_TRK);
            State = kAwaitCommandAck;
            return;
        case OpUploadWpts:
        case OpUploadRoutes:
            RecordsReceived = 0;
            RecordsExpected = Operation == OpUploadRoutes && device.RteTransfer == 201
                                  ? std::uint16_t(2 * (m_Records.GPSdataCount - m_Records.RouteCounter))
                                  : m_Records.GPSdataCount;
            m_Records.GPSdataSize = m_Records.GPSdataCount;
            m_Records.GPSdataCount = 0;
            if (Operation == OpUploadRoutes) m_Records.RouteCounter = 1;
            SendWord(PID_RECORDS, RecordsExpected);
            State = kAwaitUploadAck;
            return;
        case OpUploadSingleWpt: {
            // The first record of the list goes.
            RecordsReceived = 0;
            RecordsExpected = 1;
            m_Records.GPSdataSize = m_Records.GPSdataCount;
            m_Records.GPSdataCount = 0;
            std::uint8_t packet[256];
            int size = 0;
            std::string name;
            if (!PackWpt(packet, size, name)) {
                State = kIdle;
                return;
            }
            m_Link.SendPacket(PID_WAYPOINT, packet, std::size_t(size));
            State = kSingleWptSent;
            return;
        }
        default:
            State = kIdle;
            return;
    }
}

void Garmin::UploadStep() {
    if (RecordsReceived >= RecordsExpected) {
        SendWord(PID_XFER_COMPLETE, Operation == OpUploadWpts     ? CMD_TRANSFER_WPT
                                    : Operation == OpUploadRoutes ? CMD_TRANSFER_RTE
                                                                  : 0);
        State = kCompleteSent;
        return;
    }
    std::uint8_t packet[256];
    int size = 0;
    std::string name = "???";
    std::uint8_t id = PID_WAYPOINT;
    bool packed;
    State = kAwaitUploadAck;
    if (Operation == OpUploadRoutes && m_Records.GPSdataCount < m_Records.GPSdataSize &&
        m_Records[m_Records.GPSdataCount].flag == 1) {
        id = PID_ROUTE_HEADER;
        packed = PackRouteHeader(packet, size, name);
    } else {
        if (Operation == OpUploadRoutes) id = PID_ROUTE_WPT;
        packed = PackWpt(packet, size, name);
        const std::uint16_t next = m_Records.GPSdataCount;
        if (packed && Operation == OpUploadRoutes && Device()->RteTransfer == 201 &&
            next < m_Records.GPSdataSize && m_Records[next].flag == 0)
            State = kRouteLinkDue;
    }
    // A record that cannot be packed ends the upload: the receiver would get
    // a packet without a valid record, and the count announced is off anyway.
    if (!packed) {
        State = kIdle;
        return;
    }
    m_Link.SendPacket(id, packet, std::size_t(size));
    ++RecordsReceived;
    StatusText = StatusPrefix + Format("Sent record %d of %d (%s)", int(RecordsReceived),
                                       int(RecordsExpected), name.c_str());
}

bool Garmin::StoreWpt(const std::uint8_t* data, int n, std::string& name) {
    name = "ERROR!";
    // Stored records stay below the announced count as long as only announced
    // records are stored; a list cut short is no place to write all the same.
    const DeviceProtocols* device = Device();
    if (Refused(!m_Records.HasGPSdata(), "Internal Error! GPSdata is NULL in StoreWpt.") ||
        Refused(RecordsReceived > RecordsExpected || m_Records.GPSdataCount >= m_Records.GPSdataSize,
                "Internal Error! RecordsReceived > RecordsExpected in StoreWpt.") ||
        Refused(!device, kDeviceNotSet))
        return false;
    GPSrecord rec;
    if (!UnpackWpt(device->WptType, data, std::size_t(n), rec)) return false;
    rec.time = m_Host.commentTime ? m_Host.commentTime(rec.comment) : 0;
    name = rec.name;
    m_Records[m_Records.GPSdataCount++] = std::move(rec);
    return true;
}

bool Garmin::StoreTrk(const std::uint8_t* data, int n) {
    CVornaDoc* doc = Doc();
    const DeviceProtocols* device = Device();
    if (Refused(!doc || !doc->TrackLogStore().Log().Allocated,
                "Error! TrackLog not initialised in StoreTrk") ||
        Refused(RecordsReceived > RecordsExpected,
                "Internal Error! RecordsReceived > RecordsExpected in StoreTrk.") ||
        Refused(!device, kDeviceNotSet))
        return false;
    GarminTrackPoint received;
    if (!UnpackTrackPoint(device->TrkPoint, data, std::size_t(n), received)) return false;
    TrackPoint p;
    p.position = CPointD(0, 0);
    if (!m_Geo.WGS84ToGK(received.latitude, received.longitude, p.position)) {
        MsgBox(kGeoTransformError, MB_OK);
        p.position = CPointD(0, 0);
    }
    p.time = received.time;
    p.segmentStart = received.newTrack;
    if (m_ClearTrackLog) {
        m_HeldTrack.push_back({false, std::string(), p});
        return true;
    }
    CTrackLogStore& log = doc->TrackLogStore();
    const int index = log.Count();
    if (!log.Append(p)) return false;
    if (m_Downloads) m_Downloads->UpdateDayRanges(*this, index, p.time);
    return true;
}

void Garmin::ReplaceTrackLog(CVornaDoc& doc) {
    m_ClearTrackLog = false;
    std::vector<HeldTrackRecord> held;
    held.swap(m_HeldTrack);
    doc.ClearTrackLog(0);
    CTrackLogStore& log = doc.TrackLogStore();
    if (m_Downloads) m_Downloads->StartTrackRanges(*this, log.Count());
    for (const HeldTrackRecord& r : held) {
        if (r.header) {
            if (m_Downloads) m_Downloads->OpenSublogRange(*this, r.label, log.Count());
            continue;
        }
        const int index = log.Count();
        if (!log.Append(r.point)) break;  // the log refused to grow and said so
        if (m_Downloads) m_Downloads->UpdateDayRanges(*this, index, r.point.time);
    }
    // The saving that follows may ask questions: the old track is not to stay on screen meanwhile.
    doc.UpdateAllViews(nullptr, kHintAll);
}

bool Garmin::PackCheck(const char* where, std::string& name) {
    name = "ERROR!";
    return !Refused(!m_Records.HasGPSdata(),
                    std::string("Internal Error! GPSdata is NULL in ") + where + ".") &&
           !Refused(m_Records.GPSdataCount >= m_Records.GPSdataSize,
                    std::string("Internal Error! GPSdataCount > GPSdataSize in ") + where + ".") &&
           !Refused(!Device(), kDeviceNotSet);
}

bool Garmin::PackWpt(std::uint8_t* buffer, int& n, std::string& name) {
    if (!PackCheck("PackWpt", name)) return false;
    GPSrecord& rec = m_Records[m_Records.GPSdataCount];
    n = ::PackWpt(Device()->WptType, rec, buffer);
    if (n < 0) return false;  // shown; the record is not read after the box
    name = rec.name;
    ++m_Records.GPSdataCount;
    return true;
}

bool Garmin::PackRouteHeader(std::uint8_t* buffer, int& n, std::string& name) {
    if (!PackCheck("PackWpt", name)) return false;
    GPSrecord& rec = m_Records[m_Records.GPSdataCount];
    n = ::PackRouteHeader(Device()->RteHeader, m_Records.RouteCounter, rec, buffer);
    if (n < 0) return false;  // shown; the record is not read after the box
    name = rec.name;
    ++m_Records.GPSdataCount;
    ++m_Records.RouteCounter;
    return true;
}

void AddGarminCommands(CCommandMap& map, Garmin& link, AppSettings& settings,
                       std::function<CVornaDoc*()> activeDocument) {
    map.AddCommand(cmd::WptFromGps,
                   [&link, &settings] { link.StartOperation(Garmin::OpDownloadWpts, settings.gpsPort, 0); });
    map.AddCommand(cmd::TrackLogFromGps, [&link, &settings, activeDocument] {
        // A download running into the log is not to have the log cleared under it.
        if (link.GetOperation() != Garmin::OpNone) return;
        CVornaDoc* doc = activeDocument ? activeDocument() : nullptr;
        // The answer is kept until the new points are in hand.
        const bool clear = doc && doc->TrackLogStore().Count() > 0 &&
                           MsgBox("Clear existing track log data?", MB_YESNO) == IDYES;
        link.StartOperation(Garmin::OpDownloadTrack, settings.gpsPort, 0, clear);
    });
}
