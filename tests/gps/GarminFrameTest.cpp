#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "GarminBytes.h"
#include "TestUtil.h"
#include "gps/GarminFrame.h"
#include "platform/Prompt.h"

namespace {

// Bytes arrive when the test says so; what the link writes is kept.
struct FakePort : ISerialIO {
    std::deque<std::uint8_t> in;
    Bytes out;
    bool IsOpen() const override { return true; }
    long Read(void* buffer, std::size_t size) override {
        if (in.empty() || size == 0) return 0;
        *static_cast<std::uint8_t*>(buffer) = in.front();
        in.pop_front();
        return 1;
    }
    bool Write(const void* b, std::size_t n) override {
        out.insert(out.end(), (const std::uint8_t*)b, (const std::uint8_t*)b + n);
        return true;
    }
    bool PurgeInput() override { return in.clear(), true; }
    bool Close() override { return true; }
};

struct LinkOnFake {
    CGarminLink link;
    FakePort* port = new FakePort;
    std::int64_t now = 1000;
    std::uint8_t data[255];
    int size = 0;
    LinkOnFake() {
        link.SetClock([this] { return now; });
        EXPECT_TRUE(link.OpenPort(std::unique_ptr<ISerialIO>(port)));
    }
    int Read() { return link.ReadPacket(data, size); }
};

const Bytes kRecords3 = {0x10, 0x1B, 0x02, 0x03, 0x00, 0xE0, 0x10, 0x03};
const Bytes kAck255 = {0x10, 0x06, 0x02, 0xFF, 0x00, 0xF9, 0x10, 0x03};

}  // namespace

TEST(GarminFrame, StuffsSizeDataAndChecksumButNeverTheId) {
    const struct {
        std::uint8_t id;
        Bytes data;
        Bytes wire;
    } rows[] = {
        {254, {}, {0x10, 0xFE, 0x00, 0x02, 0x10, 0x03}},
        {6, {0xFF, 0x00}, kAck255},
        {27, {0x10, 0x00}, {0x10, 0x1B, 0x02, 0x10, 0x10, 0x00, 0xD3, 0x10, 0x03}},
        {27, {0xD3, 0x00}, {0x10, 0x1B, 0x02, 0xD3, 0x00, 0x10, 0x10, 0x10, 0x03}},
        {0x10, {}, {0x10, 0x10, 0x00, 0xF0, 0x10, 0x03}},
        {34, Bytes(16, 0), Cat({{0x10, 0x22, 0x10, 0x10}, Bytes(16, 0), {0xCE, 0x10, 0x03}})},
    };
    for (const auto& r : rows)
        EXPECT_EQ(BuildGarminFrame(r.id, r.data.data(), r.data.size()), r.wire) << int(r.id);
}

TEST(GarminFrame, RealCaptureGivesEveryPacketWhateverTheArrivalPattern) {
    if (TestDataDir().empty()) GTEST_SKIP() << "no shared captures";
    const std::string capture = ReadFileBytes(TestDataDir() + "/garmin-serial/garmin18x-bin.stripped.bin");
    for (std::uint32_t seed : {0u, 1u, 2u, 3u}) {  // 0: one byte at a time
        LinkOnFake f;
        Mix mix{seed};
        int packets = 0, pvt = 0;
        for (std::size_t at = 0; at < capture.size() || !f.port->in.empty();) {
            for (std::size_t n = seed == 0 ? 1 : 1 + mix.Next(300); n > 0 && at < capture.size(); --n)
                f.port->in.push_back(std::uint8_t(capture[at++]));
            for (int r; (r = f.Read()) != 0; ++packets, pvt += r == 51) ASSERT_TRUE(r == 114 || r == 51) << r;
        }
        EXPECT_EQ(packets, 58) << seed;
        EXPECT_EQ(pvt, 29) << seed;
        EXPECT_EQ(f.port->out.size(), 58u * 8);  // every packet acknowledged
    }
}

TEST(GarminFrame, DamagedRepeatedAndControlFramesGiveTheirResults) {
    const struct {
        const char* name;
        Bytes input;
        std::vector<int> results;  // ReadPacket results in turn
        unsigned acksSent;
        Bytes firstData;  // data of the first result
    } rows[] = {
        {"stuffed data", {0x10, 0x1B, 0x02, 0x10, 0x10, 0x00, 0xD3, 0x10, 0x03}, {27, 0}, 1, {0x10, 0x00}},
        {"noise before a frame", Cat({{0x41, 0x10, 0x42, 0x03}, kRecords3}), {27, 0}, 1, {0x03, 0x00}},
        {"noise ending DLE ETX", {0x41, 0x42, 0x10, 0x03}, {-3, 0}, 0, {}},
        {"bad checksum", {0x10, 0x1B, 0x02, 0x03, 0x00, 0xE1, 0x10, 0x03}, {-3}, 0, {}},
        {"size disagrees", {0x10, 0x1B, 0x03, 0x03, 0x00, 0xDF, 0x10, 0x03}, {-3}, 0, {}},
        {"repeat acknowledged again", Cat({kRecords3, kRecords3}), {27, 0, 0}, 2, {0x03, 0x00}},
        {"acknowledge twice", Cat({kAck255, kAck255}), {6, 6, 0}, 0, {0xFF, 0x00}},
        {"negative acknowledge", {0x10, 0x15, 0x02, 0xFE, 0x00, 0xEB, 0x10, 0x03}, {-2}, 0, {0xFE, 0x00}},
        {"id 0", {0x10, 0x00, 0x00, 0x00, 0x10, 0x03}, {0}, 1, {}},
        {"1024 bytes without an end", Bytes(1025, 0x41), {-4, 0}, 0, {}},
        {"1024 bytes fit", Bytes(1024, 0x41), {0}, 0, {}},
        // Longer than the kept copy: neither kept nor compared, nothing overrun.
        {"overlong then a frame twice",
         Cat({Bytes(700, 0x41), {0x10, 0x03}, kRecords3, kRecords3}),
         {-3, 27, 0},
         2,
         {}},
    };
    for (const auto& r : rows) {
        LinkOnFake f;
        f.port->in.assign(r.input.begin(), r.input.end());
        for (std::size_t i = 0; i < r.results.size(); ++i) {
            EXPECT_EQ(f.Read(), r.results[i]) << r.name << " " << i;
            EXPECT_TRUE(i > 0 || Bytes(f.data, f.data + f.size) == r.firstData) << r.name;
        }
        EXPECT_EQ(f.port->out.size(), 8 * r.acksSent) << r.name;
    }
}

TEST(GarminFrame, ReplyTimeOutCountsFromTheLastPacketSent) {
    CScriptedPrompter prompter;
    LinkOnFake f;
    f.link.SendPacket(PID_PRODUCT_REQUEST, nullptr, 0);
    f.now += 5;
    EXPECT_EQ(f.Read(), 0);
    f.now += 1;
    EXPECT_EQ(f.Read(), -1);
    f.link.SendAck(1);  // an acknowledge is a packet sent too
    EXPECT_EQ(f.Read(), 0);
    f.link.ClosePort();
    EXPECT_EQ(f.Read(), -5);
    f.link.SendPacket(PID_PRODUCT_REQUEST, nullptr, 0);
    EXPECT_EQ(prompter.texts, std::vector<std::string>{"Internal Error! Garmin port not opened."});
}
