#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gps/GarminRecords.h"
#include "platform/Prompt.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

const char kWptSize[] =
    "Error! Size of recieved Waypoint data does not match expected size. Your GPS model is probably not supported";

}  // namespace

TEST(GarminRecords, PositionsAndTrackTimes) {
    const struct {
        double degrees;
        std::int32_t sent;
    } sent[] = {
        {1000 * kSemicircleDegrees, 960}, {-1000 * kSemicircleDegrees, -1024}, {46.05, 0x20BF2580},
        {NAN, 0},                         {1e12, std::int32_t(0x7FFFFFC0)},
    };
    for (const auto& r : sent) EXPECT_EQ(DegreesToSemicircles(r.degrees), r.sent) << r.degrees;
    // The link's own constant, not 180 / 2^31: a quarter turn reads a little past 90.
    EXPECT_DOUBLE_EQ(SemicirclesToDegrees(1 << 30), 90.00000004190952);

    const struct {
        std::uint32_t t;
        std::int32_t unix;
    } times[] = {{0xFFFFFFFF, 0}, {0x7FFFFFFF, 0}, {0x5A62B400, 0}, {0x5A62B3FF, 2147483647}, {0, 631065600}};
    for (const auto& r : times) EXPECT_EQ(GarminTrackTime(r.t), r.unix) << r.t;
}

TEST(GarminRecords, WaypointsPackedAndUnpacked) {
    CScriptedPrompter prompter;
    std::uint8_t out[255];
    // Type 100: fixed fields of spaces without terminators.
    GPSrecord ab;
    ab.latitude = 46.05;
    ab.longitude = 14.5;
    ab.name = "ab";
    ab.comment = std::string(45, 'c');
    ASSERT_EQ(PackWpt(100, ab, out), 58);
    EXPECT_EQ(Bytes(out, out + 22), Cat({Text("AB    "), {0x80, 0x25, 0xBF, 0x20, 0xC0, 0xA4, 0x4F, 0x0A}, Bytes(4, 0),
                                         Text("CCCC")}));
    EXPECT_EQ(ab.comment, std::string(40, 'C'));
    GPSrecord back;
    ASSERT_TRUE(UnpackWpt(100, out, 58, back));
    EXPECT_EQ(back.name, "AB");
    EXPECT_EQ(back.comment, std::string(40, 'C'));
    EXPECT_NEAR(back.latitude, 46.05, 1e-5);
    EXPECT_NEAR(back.longitude, 14.5, 1e-5);

    // Type 108: fixed part, then the strings; read back from what came.
    GPSrecord w;
    w.latitude = -33.5;
    w.longitude = -70.25;
    w.name = "santiago";
    w.comment = "07-DEC-26 12:00";
    const int n = PackWpt(108, w, out);
    ASSERT_EQ(n, 52 + 9 + 16);
    EXPECT_EQ(Bytes(out + 32, out + 36), (Bytes{0x51, 0x59, 0x04, 0x69}));
    EXPECT_EQ(Bytes(out + 44, out + 48), Text("    "));
    ASSERT_TRUE(UnpackWpt(108, out, std::size_t(n), back));
    EXPECT_EQ(back.name, "SANTIAGO");
    EXPECT_EQ(back.comment, "07-DEC-26 12:00");
    EXPECT_NEAR(back.latitude, -33.5, 1e-5);

    // Received fields without terminators keep their full width, no more.
    Bytes full = Cat({Text("ABCDEF"), Bytes(12, 0), Text(std::string(40, 'x')), Text("beyond")});
    ASSERT_TRUE(UnpackWpt(100, full.data(), full.size(), back));
    EXPECT_EQ(back.name, "ABCDEF");
    EXPECT_EQ(back.comment, std::string(40, 'x'));
    Bytes bare(48, 0);  // a type 108 with no strings at all
    ASSERT_TRUE(UnpackWpt(108, bare.data(), bare.size(), back));
    EXPECT_EQ(back.name, "");
    bare.resize(80, 'n');  // and one whose name runs to the end of the 60 bytes that came
    ASSERT_TRUE(UnpackWpt(108, bare.data(), 60, back));
    EXPECT_EQ(back.name + "|" + back.comment, std::string(12, 'N') + "|");
    EXPECT_TRUE(prompter.texts.empty());

    EXPECT_FALSE(UnpackWpt(108, out, 47, back));
    EXPECT_FALSE(UnpackWpt(100, out, 57, back));
    EXPECT_FALSE(UnpackWpt(103, out, 58, back));
    EXPECT_EQ(PackWpt(103, w, out), -1);
    EXPECT_EQ(prompter.texts, (std::vector<std::string>{
                                  kWptSize, kWptSize,
                                  "Error! Unknown Waypoint format. Your GPS model is probably not supported",
                                  "Error! Unknown Waypoint format. Your GPS model is probably not supported"}));
}

TEST(GarminRecords, RouteAndTrackRecords) {
    CScriptedPrompter prompter;
    const struct {
        std::uint16_t type;
        Bytes wire;
    } headers[] = {
        {200, {0x01}},
        {201, Cat({{0x01}, Text("A ROUTE NAME LONGER "), {}})},
        {202, Cat({Text("A ROUTE NAME LONGER "), {0}})},
    };
    std::uint8_t out[255];
    for (const auto& r : headers) {
        GPSrecord rec;
        rec.name = "a route name longer than twenty";
        const int n = PackRouteHeader(r.type, 1, rec, out);
        ASSERT_GT(n, 0);
        EXPECT_EQ(Bytes(out, out + n), r.wire) << r.type;
    }
    EXPECT_EQ(Bytes(out, out + PackRouteLink(out)), Cat({{0x03, 0x00}, Bytes(6, 0), Bytes(12, 0xFF), {0}}));

    const Bytes point = {0x80, 0x25, 0xBF, 0x20, 0xC0, 0xA4, 0x4F, 0x0A, 0xFF, 0xB3, 0x62, 0x5A, 1, 0, 0, 0, 0, 0, 0, 0, 7};
    const struct {
        std::uint16_t type;
        std::size_t n;
        bool ok;
        std::uint8_t newTrack;
    } points[] = {{300, 13, true, 1}, {300, 12, false, 0}, {301, 21, true, 7}, {301, 20, false, 0}, {302, 21, false, 0}};
    for (const auto& r : points) {
        GarminTrackPoint p;
        EXPECT_EQ(UnpackTrackPoint(r.type, point.data(), r.n, p), r.ok) << r.type << " " << r.n;
        if (!r.ok) continue;
        EXPECT_EQ(p.newTrack, r.newTrack);
        EXPECT_EQ(p.time, 2147483647);
        EXPECT_NEAR(p.latitude, 46.05, 1e-5);
    }
    EXPECT_EQ(prompter.texts.size(), 3u);

    const Bytes header = Cat({{1, 2}, Text(std::string(60, 'T'))});
    EXPECT_EQ(TrackHeaderIdent(header.data(), 5), "TTT");  // only what came
    EXPECT_EQ(TrackHeaderIdent(header.data(), header.size()), std::string(51, 'T'));
}

TEST(GarminRecords, ProductDataAndDeviceIdentification) {
    const Bytes sim = {0xE7, 0x03, 0xFA, 0x00, 'S', 'I', 'M', 'G', 'P', 'S', '2', 0};
    ProductData p = ParseProductData(sim.data(), sim.size());
    EXPECT_EQ(p.ProductId, 999);
    EXPECT_EQ(p.SoftwareVersion, 250);
    EXPECT_STREQ(p.Description, "SIMGPS2");
    p = ParseProductData(sim.data(), 7);  // no terminator: ours ends it
    EXPECT_STREQ(p.Description, "SIM");
    const Bytes v360 = {0x4D, 0x00, 0x68, 0x01};
    p = ParseProductData(v360.data(), 3);  // the missing byte reads as zero
    EXPECT_EQ(p.SoftwareVersion, 0x68);
    EXPECT_STREQ(p.Description, "");

    auto entries = [](std::initializer_list<std::pair<char, int>> list) {
        Bytes b;
        for (auto [tag, number] : list) b.insert(b.end(), {std::uint8_t(tag), std::uint8_t(number), std::uint8_t(number >> 8)});
        return b;
    };
    const Bytes full = entries({{'P', 0}, {'L', 1}, {'A', 10}, {'A', 100}, {'D', 108}, {'A', 201}, {'D', 202},
                                {'D', 108}, {'D', 210}, {'A', 301}, {'D', 310}, {'D', 301}, {'A', 800}, {'D', 800}});
    const struct {
        std::int16_t product, version;
        Bytes array;
        int row;
        const char* message;
    } rows[] = {
        {77, 360, {}, 4, nullptr},
        {77, 361, {}, 5, nullptr},
        {77, 300, {}, 2, nullptr},
        {87, 0, {}, 6, nullptr},
        {0, 0, {}, -1, nullptr},  // an empty row 7 is nobody
        {99, 250, full, 7, nullptr},
        {99, 250, Bytes(4, 'P'), -1, "Error! Invalid protocol array size."},
        {99, 250, entries({{'A', 11}}), -1, nullptr},
        {99, 250, entries({{'L', 2}}), -1, nullptr},
        {99, 250, entries({{'A', 302}}), -1, nullptr},
        {99, 250, entries({{'A', 100}, {'D', 109}}), -1, nullptr},
        {99, 250, entries({{'A', 200}, {'D', 203}}), -1, nullptr},
    };
    for (const auto& r : rows) {
        CScriptedPrompter prompter;
        DeviceTable table = BuiltInDeviceTable();
        ProductData product;
        product.ProductId = r.product;
        product.SoftwareVersion = r.version;
        EXPECT_EQ(ParseProtocolArray(table, product, r.array.data(), r.array.size()), r.row) << r.product;
        EXPECT_EQ(prompter.texts, r.message ? std::vector<std::string>{r.message} : std::vector<std::string>{});
        if (r.row != 7) continue;
        const DeviceProtocols& d = table[7];
        EXPECT_EQ((std::vector<int>{d.ProductId, d.MinVersion, d.Link, d.Command, d.WptTransfer, d.WptType,
                                    d.RteTransfer, d.RteHeader, d.RteWpt, d.RteLink, d.TrkTransfer, d.TrkHeader,
                                    d.TrkPoint}),
                  (std::vector<int>{99, 250, 1, 10, 100, 108, 201, 202, 108, 210, 301, 310, 301}));
    }
}
