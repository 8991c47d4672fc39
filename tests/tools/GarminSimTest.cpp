// The simulated receiver without a terminal: its frames, records and the
// packet sequences each profile and fault puts on the line.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "SimReceiver.h"
#include "TestUtil.h"

namespace {

Bytes HexBytes(const std::string& hex) {
    Bytes b;
    std::istringstream s(hex);
    for (unsigned v; s >> std::hex >> v;) b.push_back(std::uint8_t(v));
    return b;
}

// A host that acknowledges every packet the receiver sends and notes them:
// "~" before a frame that came after noise, "!" for a refused frame, "=" for
// a byte-identical repeat of a data packet, a records packet with its count in
// brackets; a run of one token is written as token*count.
class Host {
public:
    explicit Host(SimReceiver& rx) : m_Rx(rx) {}

    void Send(std::uint8_t id, Bytes data = {}) {
        const Bytes f = EncodeFrame(id, data);
        m_Rx.Receive(f.data(), f.size());
        for (int guard = 0; guard < 1000; ++guard) {
            const Bytes out = m_Rx.TakeOutput();
            if (out.empty()) return;
            for (std::uint8_t b : out) Take(b);
        }
        FAIL() << "the receiver never fell silent";
    }

    std::string Trace() const {
        std::string s;
        for (std::size_t i = 0; i < m_Tokens.size();) {
            std::size_t j = i;
            while (j < m_Tokens.size() && m_Tokens[j] == m_Tokens[i]) ++j;
            s += (s.empty() ? "" : " ") + m_Tokens[i] + (j - i > 1 ? "*" + std::to_string(j - i) : "");
            i = j;
        }
        return s;
    }

private:
    void Take(std::uint8_t b) {
        ++m_Bytes;
        std::vector<FrameDecoder::Frame> got;
        m_Decoder.Push(&b, 1, got);
        for (auto& f : got) {
            const Bytes wire = EncodeFrame(f.packet.id, f.packet.data);
            std::string t = f.valid ? std::to_string(f.packet.id) : "!" + std::to_string(f.packet.id);
            if (f.valid && f.packet.id == kPidRecords) t += "(" + std::to_string(f.packet.data[0]) + ")";
            if (f.valid && m_Bytes > wire.size()) t = "~" + t;
            const bool control = f.packet.id == kPidAck || f.packet.id == kPidNak;
            if (!control && m_Last == f.unstuffed) t = "=" + t;
            m_Tokens.push_back(t);
            m_Bytes = 0;
            if (f.valid && !control) {
                const Bytes ack = EncodeFrame(kPidAck, {f.packet.id, 0});
                m_Rx.Receive(ack.data(), ack.size());
            }
            m_Last = f.unstuffed;
        }
    }

    SimReceiver& m_Rx;
    FrameDecoder m_Decoder;
    std::size_t m_Bytes = 0;
    Bytes m_Last;
    std::vector<std::string> m_Tokens;
};

const Bytes kSendWaypoints{7, 0}, kSendTracks{6, 0};

}  // namespace

TEST(GarminSimFrames, FramesReadAndWriteByTheLinkRulesAndLeaveTheirRecordLines) {
    // Damaged input is followed by a good frame that must still come through.
    const std::string good = " 10 1B 02 03 00 E0 10 03";
    // The longest frame (255 data bytes), and one longer than any.
    std::string longest = "10 01 FF", longestLine = "1 ", overlong = "10 23";
    for (int i = 0; i < 300; ++i) overlong += " 41";
    for (int i = 0; i < 255; ++i) longest += " 41", longestLine += "41";
    struct Row {
        std::string wire;
        std::string lines;
    } rows[] = {
        {"10 FE 00 02 10 03", "254"},
        {"10 1B 02 10 10 00 D3 10 03", "27 1000"},  // a data byte 0x10 is doubled
        {"10 1B 02 D3 00 10 10 10 03", "27 d300"},  // so is a checksum 0x10
        {"10 FF 0C E7 03 FA 00 53 49 4D 47 50 53 32 00 0C 10 03", "255 e703fa0053494d4750533200"},
        {"00 FF 03 55" + good, "27 0300"},                           // noise
        {"10 22 05 01" + good, "27 0300"},                           // a DLE and an id restart the frame
        {"AA 10 03" + good, "27 0300"},                              // DLE ETX after noise closes nothing
        {"10 1B 02 03 00 E1 10 03" + good, "! 1b020300e1|27 0300"},  // wrong checksum
        {"10 1B 03 03 00 DF 10 03" + good, "! 1b030300df|27 0300"},  // size byte disagrees
        {"10 1B 10 03" + good, "! 1b|27 0300"},                      // cut short
        {longest + " 41 10 03", longestLine},
        {overlong + good, "27 0300"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.wire);
        const Bytes wire = HexBytes(r.wire);
        FrameDecoder d;
        std::vector<FrameDecoder::Frame> got;
        for (std::uint8_t b : wire) d.Push(&b, 1, got);
        std::string lines;
        for (const auto& f : got) {
            lines += (lines.empty() ? "" : "|") + RecordLine(f);
            const Bytes again = EncodeFrame(f.packet.id, f.packet.data);
            EXPECT_TRUE(!f.valid ||
                        std::search(wire.begin(), wire.end(), again.begin(), again.end()) != wire.end());
        }
        EXPECT_EQ(lines, r.lines);
    }
}

TEST(GarminSimReceiver, EachProfileAndFaultPutsItsPacketsOnTheLine) {
    const Bytes upload[] = {{2, 0}, PackWaypoint(108, {"A", "", 1, 2}), PackWaypoint(108, {"B", "", 3, 4})};
    struct Row {
        const char* profile;
        const char* fault;
        const char* session;  // w: waypoint download, t: track log download, u: waypoint upload
        const char* trace;
        bool done;  // the receiver saw the transfer through to its transfer-complete packet
    } rows[] = {
        {"array", "none", "w", "6 255 253 6 27(4) 35*4 12", true},
        {"array", "none", "t", "6 255 253 6 27(21) 99 34*12 99 34*7 12", true},
        {"table", "none", "t", "6 255 6 27(19) 34*19 12", true},
        {"table", "none", "w", "6 255 6 27(4) 35*4 12", true},
        {"array", "none", "u", "6 255 253 6*4", true},
        {"unsupported", "none", "w", "6 255 253 6 27(0) 12", true},
        {"array", "silent", "w", "", false},
        {"array", "nak", "w", "6 255 253 21", false},
        {"array", "nak", "u", "6 255 253 21*4", false},
        {"array", "bad-checksum", "w", "6 255 253 !6 27(4) 35*4 12", true},
        {"array", "bad-checksum", "u", "6 255 253 !6 6*3", true},
        {"array", "noise", "w", "~6 ~255 ~253 ~6 ~27(4) ~35*4 ~12", true},
        {"array", "duplicate", "w", "6 255 253 6 27(4) 35 =35 35*3 12", true},
        {"table", "duplicate", "t", "6 255 6 27(19) 34 =34 34*18 12", true},
        {"array", "extra-record", "w", "6 255 253 6 27(4) 35*5 12", true},
        {"table", "extra-record", "t", "6 255 6 27(19) 34*20 12", true},
        {"array", "extra-packet-after-product-data", "w", "6 255 248 253 6 27(4) 35*4 12", true},
        {"table", "no-ack", "w", "255 6 27(4) 35*4 12", true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.profile) + " " + r.fault + " " + r.session);
        SimReceiver rx(*ProfileByName(r.profile), SampleData(), *FaultByName(r.fault));
        Host host(rx);
        host.Send(kPidProductRqst);
        if (*r.session == 'u') {
            host.Send(kPidRecords, upload[0]);
            host.Send(kPidWptData, upload[1]);
            host.Send(kPidWptData, upload[2]);
            host.Send(kPidXferCmplt, kSendWaypoints);
        } else {
            host.Send(kPidCommand, *r.session == 'w' ? kSendWaypoints : kSendTracks);
        }
        EXPECT_EQ(host.Trace(), r.trace);
        EXPECT_EQ(rx.TransferDone(), r.done);
    }
    // A newer receiver's extended product data comes between product data and protocol array.
    SimProfile newer = *ProfileByName("array");
    newer.extProductPackets = 2;
    SimReceiver rx(newer, SampleData(), SimFault::ExtraPacket);
    Host host(rx);
    host.Send(kPidProductRqst);
    host.Send(kPidCommand, kSendWaypoints);
    EXPECT_EQ(host.Trace(), "6 255 248*3 253 6 27(4) 35*4 12");
}

// Ordinary records are checked against gpsbabel; these are the edges it never sees.
TEST(GarminSimRecords, EdgesOfPositionsAndRecordSizes) {
    const std::pair<double, std::int32_t> positions[] = {
        {180, 2147483647}, {-180, -2147483647 - 1}, {-1e-7, -1}, {46.05, 549397900}};
    for (const auto& [deg, semicircles] : positions) {
        EXPECT_EQ(ToSemicircles(deg), semicircles) << deg;
        EXPECT_NEAR(FromSemicircles(semicircles), deg, 1e-7) << deg;
    }
    const SimWaypoint w{"castle7", std::string(60, 'c'), 46.05, -14.5};
    const Bytes d100 = PackWaypoint(100, w), d108 = PackWaypoint(108, w);
    EXPECT_EQ(UnpackWaypoint(108, d108)->comment, std::string(50, 'c'));
    // Uploads cut short: a fixed record, a string without its end, a missing comment.
    EXPECT_FALSE(UnpackWaypoint(100, Bytes(d100.begin(), d100.end() - 1)));
    EXPECT_FALSE(UnpackWaypoint(108, Bytes(d108.begin(), d108.begin() + 51)));
    EXPECT_FALSE(UnpackWaypoint(108, Bytes(d108.begin(), d108.begin() + 56)));
}

TEST(GarminSimData, TextFilesGiveTheirItemsOrNameTheBadLine) {
    TempDir dir;
    struct Row {
        const char* text;
        const char* summary;  // waypoints, tracks with their point counts; or the failing line
    } rows[] = {
        {"# sample\nW 46.05 14.5 CASTLE  view  from  top \r\nT EVENING WALK\nP 46 14 1774737600 300\nP 46.1 "
         "14.1\n"
         "T\nP 1 2 0\n",
         "CASTLE|view  from  top|EVENING WALK:2|:1"},
        {"W 46.05 14.5\n", ":1:"},                   // no name
        {"W 46.05 x CASTLE\n", ":1:"},               // no longitude
        {"\nP 46 14\n", ":2:"},                      // no track
        {"T A\nP 46 14 1774737600 300 9\n", ":2:"},  // one number too many
        {"X 1 2\n", ":1:"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        const std::string path = dir.file("data.txt");
        ASSERT_TRUE(WriteFileBytes(path, r.text));
        SimData d;
        std::string error, summary;
        if (LoadSimData(path, d, error)) {
            for (const auto& w : d.waypoints) summary += w.name + "|" + w.comment + "|";
            for (const auto& t : d.tracks) summary += t.name + ":" + std::to_string(t.points.size()) + "|";
            summary.pop_back();
        } else {
            summary = error.substr(path.size(), error.find(':', path.size() + 1) - path.size() + 1);
        }
        EXPECT_EQ(summary, r.summary);
    }
}
