// The segment cache: which segments a claim pass takes, shared decoding,
// release, and files that cannot be used.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "DocTestEnv.h"
#include "SegmentWriters.h"

namespace {

void WriteTk50(DocEnv& env, double E, double N, std::uint8_t value, int side = 1181) {
    std::filesystem::create_directories(env.settings.mapTypes[1].directory);
    const int stride = DibStride(side);
    std::vector<std::uint8_t> px(std::size_t(stride * side), value);
    const int i = env.doc->GetSegmentIndex(1, E, N);
    ASSERT_TRUE(WriteMifSegment(env.doc->SegmentFilePath(1, i, ".mif"), px.data(), side, side, stride));
}

int Claimed(const SegmentFlags& f) {
    int n = 0;
    for (int v : f) n += v != 0;
    return n;
}

}  // namespace

TEST(SegmentCache, ClaimPassesTakeTheSegmentsUnderTheAreaAndShareOneDecode) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    const MapViewDesc d = DocEnv::Desc(1);
    const double nan = std::nan("");
    struct Row {
        const char* what;
        CRectD area;  // west, north, east, south
        int claimed;
        double E, N;  // a point whose segment must be among them (0: none checked)
    } rows[] = {
        {"inside one", {501000, 5089000, 509000, 5081000}, 1, 505000, 5085000},
        {"across a corner", {505000, 5085000, 515000, 5075000}, 4, 0, 0},
        {"top on an edge", {501000, 5090000, 509000, 5081000}, 2, 505000, 5095000},
        {"bottom on an edge", {501000, 5089000, 509000, 5080000}, 2, 505000, 5075000},
        {"right on an edge", {501000, 5089000, 510000, 5081000}, 2, 515000, 5085000},
        {"left on an edge", {500000, 5089000, 509000, 5081000}, 1, 0, 0},
        {"bottom just above an edge", {501000, 5089000, 509000, 5080000.5}, 1, 0, 0},
        {"far larger than the grid", {-1e9, 1e9, 1e9, -1e9}, 784, 0, 0},
        {"zero width releases", {500000, 5089000, 500000, 5081000}, 0, 0, 0},
        {"beyond the north-east corner", {640000, 5230000, 660000, 5215000}, 1, 645000, 5215000},
        {"not a number", {nan, 5230000, 660000, 5215000}, 0, 0, 0},
    };
    SegmentFlags f;
    for (const Row& r : rows) {
        doc.SelectActiveMapSegments(d, r.area, f, 0);
        EXPECT_EQ(Claimed(f), r.claimed) << r.what;
        if (r.E != 0) {
            EXPECT_TRUE(f[std::size_t(doc.GetSegmentIndex(1, r.E, r.N))]) << r.what;
        }
    }
    for (int c : doc.Series(1).SInUse) ASSERT_EQ(c, 0);
    doc.SelectActiveMapSegments(DocEnv::Desc(kMapImage), rows[0].area, f, 0);
    EXPECT_EQ(Claimed(f), 0);

    // Consumers share one decode; the last release frees it.
    const int a = doc.GetSegmentIndex(1, 505000, 5085000), b = doc.GetSegmentIndex(1, 515000, 5085000);
    SegmentFlags screen, print, single;
    doc.SelectActiveMapSegments(d, CRectD(501000, 5089000, 509000, 5081000), screen, 0);
    EXPECT_EQ(doc.SegmentPixels(1, a), nullptr) << "missing: claimed, tried again later";
    WriteTk50(env, 505000, 5085000, 0x03);
    WriteTk50(env, 515000, 5085000, 0x04);
    doc.SelectActiveMapSegments(d, CRectD(501000, 5089000, 509000, 5081000), screen, 0);
    const std::uint8_t* px = doc.SegmentPixels(1, a);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(px[1180], 0x03);
    EXPECT_EQ(px[1181], 0);  // row padding
    doc.SelectActiveMapSegments(d, CRectD(502000, 5088000, 508000, 5082000), print, 1);
    EXPECT_EQ(doc.SegmentPixels(1, a), px) << "not decoded again";
    EXPECT_EQ(env.mem[kMemSegPixels + 1], 1184 * 1181);

    doc.SelectActiveMapSegments(d, CRectD(511000, 5089000, 519000, 5081000), screen, 0);
    EXPECT_EQ(doc.SegmentPixels(1, a), px) << "the print claim keeps it";
    doc.SelectActiveMapSegments(d, CRectD(), print, 1);
    EXPECT_EQ(doc.SegmentPixels(1, a), nullptr);
    EXPECT_EQ(env.mem[kMemSegPixels], 1);

    // A consumer that works segment by segment (the 3-D view).
    EXPECT_TRUE(doc.ClaimMapSegment(d, a, single));
    EXPECT_TRUE(doc.ClaimMapSegment(d, a, single));
    EXPECT_EQ(doc.Series(1).SInUse[std::size_t(a)], 1);
    doc.RemoveMapSegments(d, b, single);  // not its claim
    EXPECT_NE(doc.SegmentPixels(1, b), nullptr);
    doc.RemoveMapSegments(d, a, single);
    EXPECT_EQ(doc.SegmentPixels(1, a), nullptr);
    EXPECT_TRUE(env.prompter.texts.empty()) << "missing files are silent";
}

TEST(SegmentCache, UnusableFilesAreReportedWithTheirPathAndStoreNothing) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    const MapViewDesc d = DocEnv::Desc(1);
    const int a = doc.GetSegmentIndex(1, 505000, 5085000);
    const std::string mif = doc.SegmentFilePath(1, a, ".mif"), bmp = doc.SegmentFilePath(1, a, ".bmp");
    WriteTk50(env, 505000, 5085000, 1, 20);
    const std::string small = ReadFileBytes(mif);
    WriteTk50(env, 505000, 5085000, 1);
    const std::string good = ReadFileBytes(mif);
    struct Row {
        const char* what;
        std::string bytes;
        std::string message;
    } rows[] = {
        {"wrong size", small, "Invalid Map Segment Size! " + mif},
        {"data cut short", good.substr(0, good.size() - 3),
         "Unexpected end of file in ReadMapSegment! " + mif},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(WriteFileBytes(mif, r.bytes));
        env.prompter.texts.clear();
        EXPECT_FALSE(doc.ReadMapSegment(d, a)) << r.what;
        EXPECT_EQ(env.prompter.texts, std::vector<std::string>{r.message}) << r.what;
        EXPECT_EQ(doc.SegmentPixels(1, a), nullptr);
    }
    // A ".bmp" stands in when there is no ".mif"; its palette becomes the series'.
    std::filesystem::remove(mif);
    std::string pal = BmpBytes(1181, 1181, 8, 1024);
    PutLE(pal, 54 + 4 * 2 + 2, 30, 1);  // palette entry 2: red 30
    ASSERT_TRUE(WriteFileBytes(bmp, pal));
    EXPECT_TRUE(doc.ReadMapSegment(d, a));
    ASSERT_NE(doc.SegmentPixels(1, a), nullptr);
    EXPECT_EQ(doc.Series(1).Header.palette[2].rgbRed, 30);
    const int b = a + 1;
    PutLE(pal, 28, 24, 2);
    ASSERT_TRUE(WriteFileBytes(doc.SegmentFilePath(1, b, ".bmp"), pal));
    env.prompter.texts.clear();
    EXPECT_FALSE(doc.ReadMapSegment(d, b));
    EXPECT_EQ(env.prompter.texts,
              std::vector<std::string>{"Invalid Map Segment Format! " + doc.SegmentFilePath(1, b, ".bmp")});
}

// A claim across a corner takes four segments at once; they are decoded side
// by side, yet each holds its own file, and a damaged one and one from a
// ".bmp" go as they would one at a time.
TEST(SegmentCache, SegmentsClaimedTogetherEachHoldTheirOwnFile) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    const MapViewDesc d = DocEnv::Desc(1);
    struct Corner {
        double E, N;
        std::uint8_t value;  // 0: damaged ".mif"; 9: ".bmp" only
    } corners[] = {{505000, 5085000, 1}, {515000, 5085000, 2}, {505000, 5075000, 0}, {515000, 5075000, 9}};
    std::string damagedPath;
    for (const Corner& c : corners) {
        const int i = doc.GetSegmentIndex(1, c.E, c.N);
        if (c.value == 9) {
            ASSERT_TRUE(WriteFileBytes(doc.SegmentFilePath(1, i, ".bmp"), BmpBytes(1181, 1181, 8, 1024)));
            continue;
        }
        WriteTk50(env, c.E, c.N, c.value ? c.value : 1);
        if (c.value == 0) {
            damagedPath = doc.SegmentFilePath(1, i, ".mif");
            const std::string good = ReadFileBytes(damagedPath);
            ASSERT_TRUE(WriteFileBytes(damagedPath, good.substr(0, good.size() - 3)));
        }
    }
    SegmentFlags f;
    doc.SelectActiveMapSegments(d, CRectD(505000, 5085000, 515000, 5075000), f, 0);
    EXPECT_EQ(Claimed(f), 4);
    for (const Corner& c : corners) {
        const std::uint8_t* px = doc.SegmentPixels(1, doc.GetSegmentIndex(1, c.E, c.N));
        if (c.value == 0) {
            EXPECT_EQ(px, nullptr);
            continue;
        }
        ASSERT_NE(px, nullptr) << int(c.value);
        if (c.value == 9) continue;
        EXPECT_EQ(px[0], c.value);
        EXPECT_EQ(px[1181 * 1184 - 4], c.value);
    }
    EXPECT_EQ(env.prompter.texts,
              std::vector<std::string>{"Unexpected end of file in ReadMapSegment! " + damagedPath});
    EXPECT_EQ(env.mem[kMemSegPixels + 1], 3LL * 1184 * 1181);
}
