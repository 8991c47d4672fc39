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

TEST(GarminSimFrames, FramesReadAndWriteByTheLinkRules) {
    // Damaged input is followed by a good frame that must still come through.
    const std::string good = " 10 1B 02 03 00 E0 10 03";
    std::string overlong = "10 23";
    for (int i = 0; i < 300; ++i) overlong += " 41";
    struct Row {
        std::string wire;
        const char* frames;  // id of each frame, '!' before a refused one
    } rows[] = {
        {"10 FE 00 02 10 03", "254"},
        {"10 1B 02 10 10 00 D3 10 03", "27"},  // a data byte 0x10 is doubled
        {"10 1B 02 D3 00 10 10 10 03", "27"},  // so is a checksum 0x10
        {"10 FF 0C E7 03 FA 00 53 49 4D 47 50 53 32 00 0C 10 03", "255"},
        {"00 FF 03 55" + good, "27"},                  // noise
        {"10 22 05 01" + good, "27"},                  // a DLE and an id restart the frame
        {"AA 10 03" + good, "27"},                     // DLE ETX after noise closes nothing
        {"10 1B 02 03 00 E1 10 03" + good, "!27 27"},  // wrong checksum
        {"10 1B 03 03 00 DF 10 03" + good, "!27 27"},  // size byte disagrees
        {"10 1B 10 03" + good, "!27 27"},              // cut short
        {overlong + good, "27"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.wire);
        const Bytes wire = HexBytes(r.wire);
        FrameDecoder d;
        std::vector<FrameDecoder::Frame> got;
        for (std::uint8_t b : wire) d.Push(&b, 1, got);
        std::string ids;
        for (const auto& f : got) {
            ids += (ids.empty() ? "" : " ") + std::string(f.valid ? "" : "!") + std::to_string(f.packet.id);
            const Bytes again = EncodeFrame(f.packet.id, f.packet.data);
            EXPECT_TRUE(!f.valid ||
                        std::search(wire.begin(), wire.end(), again.begin(), again.end()) != wire.end());
        }
        EXPECT_EQ(ids, r.frames);
    }
}

TEST(GarminSimFrames, RealCaptureGivesAllItsPacketsInAnyPieces) {
    if (TestDataDir().empty()) GTEST_SKIP() << "no shared test data";
    const std::string bytes = ReadFileBytes(TestDataDir() + "/garmin-serial/garmin18x-bin.stripped.bin");
    ASSERT_FALSE(bytes.empty());
    Mix mix{7};
    for (int pass = 0; pass < 2; ++pass) {
        FrameDecoder d;
        std::vector<FrameDecoder::Frame> got;
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t n = pass == 0 ? 1 : std::min<std::size_t>(bytes.size() - at, 1 + mix.Next(64));
            d.Push(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at, n, got);
            at += n;
        }
        ASSERT_EQ(got.size(), 58u);
        for (const auto& f : got) EXPECT_TRUE(f.valid && (f.packet.id == 0x72 || f.packet.id == 0x33));
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
}

TEST(GarminSimRecords, RecordsCarryPositionsNamesAndTimesBothWays) {
    struct Row {
        double deg;
        std::int32_t semicircles;
    } positions[] = {{0, 0},
                     {90, 1 << 30},
                     {-90, -(1 << 30)},
                     {180, 2147483647},
                     {-180, -2147483647 - 1},
                     {46.05, 549397900},
                     {-1e-7, -1}};
    for (const auto& p : positions) {
        EXPECT_EQ(ToSemicircles(p.deg), p.semicircles) << p.deg;
        EXPECT_NEAR(FromSemicircles(p.semicircles), p.deg, 1e-7) << p.deg;
    }

    // Names and comments as each type carries them: D100 upper-cased into fixed fields, D108 as strings.
    const SimWaypoint w{"castle7", "comment that runs on past the forty-character field", 46.05, -14.5};
    struct Wpt {
        int type;
        std::size_t size;
        const char* name;
        const char* comment;
    } waypoints[] = {
        {100, 58, "CASTLE", "COMMENT THAT RUNS ON PAST THE FORTY-CHAR"},
        {108, 48 + 8 + 51 + 4, "castle7", "comment that runs on past the forty-character fiel"},
    };
    for (const auto& r : waypoints) {
        const Bytes b = PackWaypoint(r.type, w);
        EXPECT_EQ(b.size(), r.size) << r.type;
        const auto back = UnpackWaypoint(r.type, b);
        ASSERT_TRUE(back) << r.type;
        EXPECT_EQ(back->name, r.name);
        EXPECT_EQ(back->comment, r.comment);
        EXPECT_NEAR(back->lat, w.lat, 1e-7);
        EXPECT_NEAR(back->lon, w.lon, 1e-7);
        EXPECT_FALSE(UnpackWaypoint(r.type, Bytes(b.begin(), b.end() - (r.type == 100 ? 1 : 53))));
    }
    Bytes unterminated = PackWaypoint(108, w);
    unterminated.resize(48 + 3);
    EXPECT_FALSE(UnpackWaypoint(108, unterminated));

    // Times count from the receiver's epoch; a point without a time says so.
    EXPECT_EQ(PackTrackPoint(300, {90, -90, 631065600 + 0x1234, 0}, true),
              HexBytes("00 00 00 40 00 00 00 C0 34 12 00 00 01"));
    const Bytes d301 = PackTrackPoint(301, {0, 0, 0, 250.0f}, false);
    EXPECT_EQ(Bytes(d301.begin() + 8, d301.end()), HexBytes("FF FF FF FF 00 00 7A 43 51 59 04 69 00"));
    EXPECT_EQ(PackTrackHeader("LOG"), HexBytes("01 FF 4C 4F 47 00"));
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
        {"W 46.05 14.5\n", ":1:"},
        {"W 46.05 x CASTLE\n", ":1:"},
        {"\nP 46 14\n", ":2:"},
        {"T A\nP 46 14 1774737600 300 9\n", ":2:"},
        {"T A\nP 46 14 noon\n", ":2:"},
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

TEST(GarminSimReceiver, RecordHoldsEveryReceivedPacketInOrder) {
    SimReceiver rx(*ProfileByName("table"), SampleData());
    std::vector<std::string> lines;
    rx.onRecord = [&lines](const std::string& s) { lines.push_back(s); };
    const Bytes wire = HexBytes(
        "10 FE 00 02 10 03  10 1B 02 10 10 00 D3 10 03  10 1B 02 03 00 E1 10 03  "
        "10 06 02 FF 00 F9 10 03");
    for (std::uint8_t b : wire) rx.Receive(&b, 1);
    EXPECT_EQ(lines, (std::vector<std::string>{"254", "27 1000", "! 1b020300e1", "6 ff00"}));
}
