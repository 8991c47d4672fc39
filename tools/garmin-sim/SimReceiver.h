#pragma once
// A handheld receiver as the host sees it over the serial line: it answers
// the product request, sends its waypoints or track log on command, accepts
// uploads, and misbehaves in one chosen way when asked to. It works on bytes
// only, so it runs the same over a pseudo-terminal and in a test.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "SimFrame.h"
#include "SimRecords.h"

enum class SimFault {
    None,
    Silent,       // never sends a byte
    Nak,          // refuses every packet after the product request
    BadChecksum,  // the first frame after identification has a wrong checksum
    Noise,        // bytes that belong to no frame before every frame
    Duplicate,    // the first record of a download goes out twice
    ExtraRecord,  // a download holds one record more than it announces
    ExtraPacket,  // one extended product data packet follows the product data
    NoAck,        // the product request is answered without its acknowledge
    CutOff,       // a download stops after half of its records and the line goes quiet
};

struct SimProfile {
    std::string name;
    std::int16_t productId = 0;
    std::int16_t version = 0;  // hundredths
    std::string description;
    std::string protocols;  // the protocol array as tags and numbers ("P000 L001 ..."); empty: none is sent
    int waypointType = 100;
    int trackHeaderType = 0;  // 0: track logs go without headers
    int trackPointType = 300;
    int extProductPackets =
        0;  // extended product data packets after the product data, as newer receivers send
};

const std::vector<SimProfile>& SimProfiles();
std::optional<SimProfile> ProfileByName(const std::string& name);
std::optional<SimFault> FaultByName(const std::string& name);
const std::vector<std::string>& FaultNames();

// Packet ids of the link and application protocols.
enum SimPid : std::uint8_t {
    kPidAck = 6,
    kPidCommand = 10,
    kPidXferCmplt = 12,
    kPidNak = 21,
    kPidRecords = 27,
    kPidTrkData = 34,
    kPidWptData = 35,
    kPidTrkHdr = 99,
    kPidExtProductData = 248,
    kPidProtocolArray = 253,
    kPidProductRqst = 254,
    kPidProductData = 255,
};

// The line a received packet leaves in the record: id in decimal, a space and
// the data in hex; a refused frame is '!' and its unstuffed bytes.
std::string RecordLine(const FrameDecoder::Frame& f);

class SimReceiver {
public:
    SimReceiver(SimProfile profile, SimData data, SimFault fault = SimFault::None);

    void Receive(const std::uint8_t* p, std::size_t n);
    // Bytes due on the line since the last call.
    Bytes TakeOutput();
    // The host went away: anything half received or unsent is dropped.
    void Reset();
    // A transfer of this session ran to its transfer-complete packet.
    bool TransferDone() const { return m_TransferDone; }

    std::function<void(const std::string&)> onRecord;
    std::function<void(const std::string&)> onLog;

private:
    struct Outgoing {
        SimPacket packet;
        int copies = 1;
    };
    void NewSession();
    void Handle(const FrameDecoder::Frame& f);
    void Command(std::uint16_t word);
    void Queue(std::uint8_t id, Bytes data, int copies = 1);
    void Pump();
    void Emit(std::uint8_t id, const Bytes& data);
    void Log(const std::string& s);

    SimProfile m_Profile;
    SimData m_Data;
    SimFault m_Fault;
    FrameDecoder m_Decoder;
    std::deque<Outgoing> m_Queue;
    Bytes m_LastFrame;
    int m_AcksDue = 0;
    std::uint8_t m_Sending = 0;  // id of the packet awaiting its acknowledge
    bool m_Identified = false;   // the product request of this session was answered
    bool m_CorruptDone = false;
    bool m_TransferDone = false;
    Bytes m_Out;
};
