#include "SimReceiver.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <utility>

#include "platform/ByteOrder.h"

namespace {

Bytes Word(std::uint16_t v) {
    Bytes b(2);
    StoreLE16(b.data(), v);
    return b;
}

std::string Hex(const Bytes& b) {
    std::string s;
    char buf[3];
    for (std::uint8_t c : b) {
        std::snprintf(buf, sizeof buf, "%02x", c);
        s += buf;
    }
    return s;
}

// Bytes that can never open a frame: no DLE among them.
const Bytes kNoise{0x00, 0xFF, 0x55, 0xAA, 0x03, 0x7E};

// Command words of the device command protocol the profiles announce.
constexpr std::uint16_t kCmdTransferRte = 4;
constexpr std::uint16_t kCmdTransferTrk = 6;
constexpr std::uint16_t kCmdTransferWpt = 7;

}  // namespace

const std::vector<SimProfile>& SimProfiles() {
    static const std::vector<SimProfile> profiles = {
        // An older handheld that sends no protocol array: the host knows it from its product id.
        {"table", 77, 300, "SIMULATED TABLE RECEIVER", "", 100, 0, 300},
        {"array", 999, 250, "SIMULATED ARRAY RECEIVER",
         "P000 L001 A010 A100 D108 A201 D202 D108 D210 A301 D310 D301", 108, 310, 301},
        // A newer receiver whose record types the host does not handle; it offers no records either.
        {"unsupported", 998, 100, "SIMULATED NEWER RECEIVER",
         "P000 L001 A010 A100 D110 A201 D202 D110 D210 A302 D312 D302", 110, 312, 302},
    };
    return profiles;
}

std::optional<SimProfile> ProfileByName(const std::string& name) {
    for (const auto& p : SimProfiles())
        if (p.name == name) return p;
    return std::nullopt;
}

const std::vector<std::string>& FaultNames() {
    // In the order of SimFault.
    static const std::vector<std::string> names = {
        "none",   "silent",    "nak",          "bad-checksum",
        "noise",  "duplicate", "extra-record", "extra-packet-after-product-data",
        "no-ack", "cut-off"};
    return names;
}

std::optional<SimFault> FaultByName(const std::string& name) {
    const auto& names = FaultNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return SimFault(i);
    return std::nullopt;
}

std::string RecordLine(const FrameDecoder::Frame& f) {
    if (!f.valid) return "! " + Hex(f.unstuffed);
    std::string s = std::to_string(f.packet.id);
    if (!f.packet.data.empty()) s += " " + Hex(f.packet.data);
    return s;
}

SimReceiver::SimReceiver(SimProfile profile, SimData data, SimFault fault)
    : m_Profile(std::move(profile)), m_Data(std::move(data)), m_Fault(fault) {}

void SimReceiver::Reset() {
    m_Decoder.Reset();
    NewSession();
}

void SimReceiver::NewSession() {
    m_Queue.clear();
    m_Sending = 0;
    m_AcksDue = 0;
    m_Identified = false;
    m_CorruptDone = false;
    m_TransferDone = false;
}

Bytes SimReceiver::TakeOutput() { return std::exchange(m_Out, {}); }

void SimReceiver::Log(const std::string& s) {
    if (onLog) onLog(s);
}

void SimReceiver::Receive(const std::uint8_t* p, std::size_t n) {
    std::vector<FrameDecoder::Frame> frames;
    m_Decoder.Push(p, n, frames);
    for (const auto& f : frames) {
        if (onRecord) onRecord(RecordLine(f));
        Handle(f);
    }
}

void SimReceiver::Emit(std::uint8_t id, const Bytes& data) {
    if (m_Fault == SimFault::Silent) return;
    std::uint8_t offset = 0;
    if (m_Fault == SimFault::BadChecksum && m_Identified && !m_CorruptDone) {
        m_CorruptDone = true;
        offset = 1;
    }
    if (m_Fault == SimFault::Noise) m_Out.insert(m_Out.end(), kNoise.begin(), kNoise.end());
    m_LastFrame = EncodeFrame(id, data, offset);
    m_Out.insert(m_Out.end(), m_LastFrame.begin(), m_LastFrame.end());
}

void SimReceiver::Queue(std::uint8_t id, Bytes data, int copies) {
    m_Queue.push_back({{id, std::move(data)}, copies});
}

void SimReceiver::Pump() {
    while (m_AcksDue == 0 && !m_Queue.empty()) {
        Outgoing o = std::move(m_Queue.front());
        m_Queue.pop_front();
        for (int i = 0; i < o.copies; ++i) Emit(o.packet.id, o.packet.data);
        m_AcksDue = o.copies;
        m_Sending = o.packet.id;
    }
}

void SimReceiver::Handle(const FrameDecoder::Frame& f) {
    if (!f.valid) {
        // The id byte of a damaged frame is all a receiver can name in its refusal.
        Emit(kPidNak, {f.packet.id, 0});
        return;
    }
    const SimPacket& p = f.packet;
    if (p.id == kPidAck) {
        if (m_AcksDue > 0) --m_AcksDue;
        if (m_AcksDue == 0 && m_Queue.empty() && m_Sending == kPidXferCmplt) m_TransferDone = true;
        Pump();
        return;
    }
    if (p.id == kPidNak) {
        if (!m_LastFrame.empty() && m_Fault != SimFault::Silent)
            m_Out.insert(m_Out.end(), m_LastFrame.begin(), m_LastFrame.end());
        return;
    }
    if (p.id == kPidProductRqst) {
        // Every session starts with the product request, so whatever an earlier host left undone goes.
        NewSession();
        if (m_Fault != SimFault::NoAck) Emit(kPidAck, {p.id, 0});
        Bytes product(4);
        StoreLE16(&product[0], std::uint16_t(m_Profile.productId));
        StoreLE16(&product[2], std::uint16_t(m_Profile.version));
        product.insert(product.end(), m_Profile.description.begin(), m_Profile.description.end());
        product.push_back(0);
        Queue(kPidProductData, product);
        const int extended = m_Profile.extProductPackets + (m_Fault == SimFault::ExtraPacket ? 1 : 0);
        for (int i = 0; i < extended; ++i) {
            const std::string ext = i == 0 ? "SIM EXTENDED DATA" : "PN: 006-B0000-" + std::to_string(i % 100);
            Bytes b(ext.begin(), ext.end());
            b.push_back(0);
            Queue(kPidExtProductData, b);
        }
        if (!m_Profile.protocols.empty()) {
            Bytes array;
            std::istringstream s(m_Profile.protocols);
            for (std::string p; s >> p;) {
                array.push_back(std::uint8_t(p[0]));
                array.resize(array.size() + 2);
                StoreLE16(&array[array.size() - 2], std::uint16_t(std::stoi(p.substr(1))));
            }
            Queue(kPidProtocolArray, array);
        }
        Pump();
        return;
    }
    m_Identified = true;
    if (m_Fault == SimFault::Nak) {
        Emit(kPidNak, {p.id, 0});
        return;
    }
    Emit(kPidAck, {p.id, 0});
    if (p.id == kPidXferCmplt) m_TransferDone = true;
    if (p.id == kPidCommand && p.data.size() >= 2) Command(LoadLE16(p.data.data()));
    Pump();
}

void SimReceiver::Command(std::uint16_t word) {
    std::vector<SimPacket> records;
    std::size_t announced = 0;
    if (word == kCmdTransferWpt) {
        for (const auto& w : m_Data.waypoints)
            records.push_back({kPidWptData, PackWaypoint(m_Profile.waypointType, w)});
        announced = records.size();
        if (m_Fault == SimFault::ExtraRecord)
            records.push_back({kPidWptData, PackWaypoint(m_Profile.waypointType, {"EXTRA", "", 46.1, 14.6})});
    } else if (word == kCmdTransferTrk) {
        for (const auto& t : m_Data.tracks) {
            if (m_Profile.trackHeaderType) records.push_back({kPidTrkHdr, PackTrackHeader(t.name)});
            for (std::size_t i = 0; i < t.points.size(); ++i)
                records.push_back(
                    {kPidTrkData, PackTrackPoint(m_Profile.trackPointType, t.points[i], i == 0)});
        }
        announced = records.size();
        if (m_Fault == SimFault::ExtraRecord)
            records.push_back(
                {kPidTrkData, PackTrackPoint(m_Profile.trackPointType, {46.1, 14.6, 0}, false)});
    } else if (word != kCmdTransferRte) {
        Log("command " + std::to_string(word) + " acknowledged, nothing to send");
        return;
    }
    // A profile whose record types are not packed here has nothing to offer.
    if (std::any_of(records.begin(), records.end(), [](const SimPacket& r) { return r.data.empty(); })) {
        records.clear();
        announced = 0;
    }
    if (announced > 0xFFFF) {
        Log("only the first 65535 records fit the count");
        records.resize(0xFFFF);
        announced = 0xFFFF;
    }
    Queue(kPidRecords, Word(std::uint16_t(announced)));
    // A receiver switched off or unplugged in the middle of a download.
    if (m_Fault == SimFault::CutOff) records.resize(records.size() / 2);
    for (std::size_t i = 0; i < records.size(); ++i)
        Queue(records[i].id, std::move(records[i].data), i == 0 && m_Fault == SimFault::Duplicate ? 2 : 1);
    if (m_Fault != SimFault::CutOff) Queue(kPidXferCmplt, Word(word));
    Log("sending " + std::to_string(records.size()) + " records");
}
