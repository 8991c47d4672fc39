#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "GarminBytes.h"
#include "gps/GarminRecords.h"
#include "platform/Prompt.h"

TEST(GarminRecords, PositionsAndTrackTimes) {
    const struct {
        double degrees;
        std::int32_t sent;
    } sent[] = {{1000 * kSemicircleDegrees, 960},
                {-1000 * kSemicircleDegrees, -1024},
                {46.05, 0x20BF2580},
                {NAN, 0},
                {1e12, std::int32_t(0x7FFFFFC0)}};
    for (const auto& r : sent) EXPECT_EQ(DegreesToSemicircles(r.degrees), r.sent) << r.degrees;
    // The link's own constant, not 180 / 2^31: a quarter turn reads a little past 90.
    EXPECT_DOUBLE_EQ(SemicirclesToDegrees(1 << 30), 90.00000004190952);

    const std::uint32_t garmin[] = {0xFFFFFFFF, 0x7FFFFFFF, 0x5A62B400, 0x5A62B3FF, 0};
    const std::int32_t unix[] = {0, 0, 0, 2147483647, 631065600};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(GarminTrackTime(garmin[i]), unix[i]) << garmin[i];
}

TEST(GarminRecords, WaypointsPackedAndUnpacked) {
    CScriptedPrompter prompter;
    const struct {
        std::uint16_t type;
        std::string name, comment;
        int n;
        std::string back;  // name|comment read back
        Bytes prefix;      // the record's first bytes
    } sent[] = {
        {100, "ab", std::string(45, 'c'), 58, "AB|" + std::string(40, 'C'),
         Cat({Text("AB    "), {0x80, 0x25, 0xBF, 0x20, 0xC0, 0xA4, 0x4F, 0x0A}, Bytes(4, 0), Text("CC")})},
        {108,
         "santiago",
         "07-dec-26 12:00",
         52 + 9 + 16,
         "SANTIAGO|07-DEC-26 12:00",
         {0, 255, 0, 0x60, 18, 0}},
        {108, std::string(60, 'n'), "", 52 + 51 + 1, std::string(50, 'N') + "|", {}},
    };
    std::uint8_t out[255];
    for (const auto& r : sent) {
        GPSrecord rec, back;
        rec.latitude = 46.05;
        rec.longitude = 14.5;
        rec.name = r.name;
        rec.comment = r.comment;
        ASSERT_EQ(PackWpt(r.type, rec, out), r.n) << r.name;
        EXPECT_EQ(Bytes(out, out + r.prefix.size()), r.prefix);
        ASSERT_TRUE(UnpackWpt(r.type, out, std::size_t(r.n), back));
        EXPECT_EQ(back.name + "|" + back.comment, r.back);
        EXPECT_NEAR(back.latitude + back.longitude, 46.05 + 14.5, 1e-5);
    }

    Bytes runs(80, 'n');  // a name that runs to the end of the 60 bytes that came
    std::fill(runs.begin(), runs.begin() + 48, 0);
    const Bytes full = Cat({Text("ABCDEF"), Bytes(12, 0), Text(std::string(40, 'x')), Text("beyond")});
    const struct {
        std::uint16_t type;
        const Bytes& data;
        std::size_t n;
        const char* back;  // name|comment, or nullptr: refused
    } received[] = {{100, full, 58, "ABCDEF|xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},
                    {108, runs, 48, "|"},
                    {108, runs, 60, "NNNNNNNNNNNN|"},
                    {108, runs, 47, nullptr},
                    {100, runs, 57, nullptr},
                    {103, runs, 58, nullptr}};
    for (const auto& r : received) {
        GPSrecord back;
        EXPECT_EQ(UnpackWpt(r.type, r.data.data(), r.n, back), r.back != nullptr) << r.n;
        EXPECT_TRUE(!r.back || back.name + "|" + back.comment == r.back) << back.name;
    }
    GPSrecord w;
    EXPECT_EQ(PackWpt(103, w, out), -1);
    const std::string size = "Error! Size of recieved Waypoint data does not match expected size. " +
                             std::string("Your GPS model is probably not supported");
    const std::string unknown = "Error! Unknown Waypoint format. Your GPS model is probably not supported";
    EXPECT_EQ(prompter.texts, (std::vector<std::string>{size, size, unknown, unknown}));
}

TEST(GarminRecords, RouteAndTrackRecords) {
    CScriptedPrompter prompter;
    const Bytes headers[] = {
        {0x01}, Cat({{0x01}, Text("A ROUTE NAME LONGER ")}), Cat({Text("A ROUTE NAME LONGER "), {0}})};
    std::uint8_t out[255];
    for (std::uint16_t type : {200, 201, 202}) {
        GPSrecord rec;
        rec.name = "a route name longer than twenty";
        const int n = PackRouteHeader(type, 1, rec, out);
        EXPECT_EQ(Bytes(out, out + std::max(n, 0)), headers[type - 200]) << type;
    }

    const Bytes point = {0x80, 0x25, 0xBF, 0x20, 0xC0, 0xA4, 0x4F, 0x0A, 0xFF, 0xB3, 0x62,
                         0x5A, 1,    0,    0,    0,    0,    0,    0,    0,    7};
    const struct {
        std::uint16_t type;
        std::size_t n;
        int newTrack;  // -1: refused
    } points[] = {{300, 13, 1}, {300, 12, -1}, {301, 21, 7}, {301, 20, -1}, {302, 21, -1}};
    for (const auto& r : points) {
        GarminTrackPoint p;
        EXPECT_EQ(UnpackTrackPoint(r.type, point.data(), r.n, p), r.newTrack >= 0) << r.type << " " << r.n;
        if (r.newTrack < 0) continue;
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
    EXPECT_STREQ(ParseProductData(sim.data(), sim.size()).Description, "SIMGPS2");
    EXPECT_STREQ(ParseProductData(sim.data(), 7).Description, "SIM");  // no terminator: ours ends it

    // "A100 D108": protocol array entries, a tag and a number each.
    auto entries = [](const std::string& list) {
        Bytes b;
        std::istringstream in(list);
        for (std::string e; in >> e;) {
            const int number = std::stoi(e.substr(1));
            b.insert(b.end(), {std::uint8_t(e[0]), std::uint8_t(number), std::uint8_t(number >> 8)});
        }
        return b;
    };
    const Bytes full = entries("P0 L1 A10 A100 D108 A201 D202 D108 D210 A301 D310 D301 A800 D800");
    const struct {
        Bytes product;  // the product-data packet
        Bytes array;
        int row;
    } rows[] = {
        {{77, 0, 0x68, 0x01}, {}, 4},  // version 3.60
        {{77, 0, 0x69, 0x01}, {}, 5},
        {{77, 0, 0x2C, 0x01}, {}, 2},
        {{87, 0}, {}, 6},
        {{77, 0, 0x69}, {}, 2},  // the missing byte reads as zero: version 1.05
        {{}, {}, -1},            // an empty row 7 is nobody
        {{0xE7, 0x03, 0xFA, 0x00}, full, 7},
        {{0xE7, 0x03}, Bytes(4, 'P'), -1},
        {{0xE7, 0x03}, entries("A11"), -1},
        {{0xE7, 0x03}, entries("L2"), -1},
        {{0xE7, 0x03}, entries("A302"), -1},
        {{0xE7, 0x03}, entries("A100 D109"), -1},
        {{0xE7, 0x03}, entries("A200 D203"), -1},
    };
    for (const auto& r : rows) {
        CScriptedPrompter prompter;
        DeviceTable table = BuiltInDeviceTable();
        const ProductData product = ParseProductData(r.product.data(), r.product.size());
        EXPECT_EQ(ParseProtocolArray(table, product, r.array.data(), r.array.size()), r.row)
            << product.SoftwareVersion;
        EXPECT_EQ(prompter.texts.size(), r.array.size() == 4 ? 1u : 0u);
        if (r.row != 7) continue;
        const DeviceProtocols& d = table[7];
        EXPECT_EQ((std::vector<int>{d.ProductId, d.MinVersion, d.Link, d.Command, d.WptTransfer, d.WptType,
                                    d.RteTransfer, d.RteHeader, d.RteWpt, d.RteLink, d.TrkTransfer,
                                    d.TrkHeader, d.TrkPoint}),
                  (std::vector<int>{999, 250, 1, 10, 100, 108, 201, 202, 108, 210, 301, 310, 301}));
    }
}
