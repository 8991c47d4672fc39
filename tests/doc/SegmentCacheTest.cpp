#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "AppDocEnv.h"

namespace {

// Writes a uniform TK50 ".mif" for the segment holding (E, N).
void WriteTk50(AppDocEnv& env, CVornaDoc& doc, double E, double N, std::uint8_t value) {
    std::filesystem::create_directories(env.app.mapTypes[1].directory);
    const int side = 1181, stride = DibStride(side);
    std::vector<std::uint8_t> px(std::size_t(stride * side), value);
    const int i = doc.GetSegmentIndex(1, E, N);
    ASSERT_GE(i, 0);
    ASSERT_TRUE(WriteMifSegment(doc.SegmentFilePath(1, i, ".mif"), px.data(), side, side, stride));
}

int Claimed(const SegmentFlags& f) {
    int n = 0;
    for (int v : f) n += v != 0;
    return n;
}

CRectD Area(double west, double east, double north, double south) {
    CRectD r;
    r.E1 = west;
    r.E2 = east;
    r.N1 = north;
    r.N2 = south;
    return r;
}

}  // namespace

TEST(SegmentCache, ClaimPassCoversTheAreaAndTouchingEdges) {
    AppDocEnv env;
    CVornaDoc& doc = env.Make();
    const MapViewDesc d = AppDocEnv::Desc(1);
    SegmentFlags f;
    // Inside one segment.
    doc.SelectActiveMapSegments(d, Area(501000, 509000, 5089000, 5081000), f, 0);
    EXPECT_EQ(Claimed(f), 1);
    EXPECT_TRUE(f[std::size_t(doc.GetSegmentIndex(1, 505000, 5085000))]);
    // Across a corner of four.
    doc.SelectActiveMapSegments(d, Area(505000, 515000, 5085000, 5075000), f, 0);
    EXPECT_EQ(Claimed(f), 4);
    // Top, bottom and right on edges claim the touching row or column;
    // the left edge adds nothing.
    doc.SelectActiveMapSegments(d, Area(501000, 509000, 5090000, 5081000), f, 0);
    EXPECT_EQ(Claimed(f), 2);
    EXPECT_TRUE(f[std::size_t(doc.GetSegmentIndex(1, 505000, 5095000))]);
    doc.SelectActiveMapSegments(d, Area(501000, 509000, 5089000, 5080000), f, 0);
    EXPECT_EQ(Claimed(f), 2);
    EXPECT_TRUE(f[std::size_t(doc.GetSegmentIndex(1, 505000, 5075000))]);
    doc.SelectActiveMapSegments(d, Area(501000, 510000, 5089000, 5081000), f, 0);
    EXPECT_EQ(Claimed(f), 2);
    EXPECT_TRUE(f[std::size_t(doc.GetSegmentIndex(1, 515000, 5085000))]);
    doc.SelectActiveMapSegments(d, Area(500000, 509000, 5089000, 5081000), f, 0);
    EXPECT_EQ(Claimed(f), 1);
    // A bottom a fraction of a metre above an edge is no bottom on the edge.
    doc.SelectActiveMapSegments(d, Area(501000, 509000, 5089000, 5080000.5), f, 0);
    EXPECT_EQ(Claimed(f), 1);
    // An area far larger than the grid claims the whole grid, at once.
    doc.SelectActiveMapSegments(d, Area(-1e9, 1e9, 1e9, -1e9), f, 0);
    EXPECT_EQ(Claimed(f), 784);
    // Zero width or height releases everything.
    doc.SelectActiveMapSegments(d, Area(500000, 500000, 5089000, 5081000), f, 0);
    EXPECT_EQ(Claimed(f), 0);
    for (int c : doc.Series(1).SInUse) ASSERT_EQ(c, 0);
    // Cells outside the area are never claimed; NaN claims nothing.
    doc.SelectActiveMapSegments(d, Area(640000, 660000, 5230000, 5215000), f, 0);
    EXPECT_EQ(Claimed(f), 1);
    doc.SelectActiveMapSegments(d, Area(std::nan(""), 660000, 5230000, 5215000), f, 0);
    EXPECT_EQ(Claimed(f), 0);
    // Image maps and no map do nothing.
    MapViewDesc img;
    img.mapType = kMapImage;
    doc.SelectActiveMapSegments(img, Area(501000, 509000, 5089000, 5081000), f, 0);
    EXPECT_EQ(Claimed(f), 0);
    EXPECT_TRUE(env.prompter.texts.empty());
}

TEST(SegmentCache, ConsumersShareOneDecodeAndTheLastReleaseFrees) {
    AppDocEnv env;
    {
        CVornaDoc& doc = env.Make();
        WriteTk50(env, doc, 505000, 5085000, 0x03);
        WriteTk50(env, doc, 515000, 5085000, 0x04);
        const MapViewDesc d = AppDocEnv::Desc(1);
        const int a = doc.GetSegmentIndex(1, 505000, 5085000);
        const int b = doc.GetSegmentIndex(1, 515000, 5085000);
        SegmentFlags screen, print;
        doc.SelectActiveMapSegments(d, Area(501000, 509000, 5089000, 5081000), screen, 0);
        const std::uint8_t* px = doc.SegmentPixels(1, a);
        ASSERT_NE(px, nullptr);
        EXPECT_EQ(px[0], 0x03);
        EXPECT_EQ(px[1180], 0x03);
        EXPECT_EQ(px[1181], 0);  // row padding
        doc.SelectActiveMapSegments(d, Area(502000, 508000, 5088000, 5082000), print, 1);
        EXPECT_EQ(doc.SegmentPixels(1, a), px);  // not read again
        EXPECT_EQ(doc.Series(1).SInUse[std::size_t(a)], 2);
        EXPECT_EQ(env.app.memUse[kMemSegPixels], 1);
        EXPECT_EQ(env.app.memUse[kMemSegPixels + 1], 1184 * 1181);

        // The screen moves east: the print claim keeps a.
        doc.SelectActiveMapSegments(d, Area(511000, 519000, 5089000, 5081000), screen, 0);
        EXPECT_EQ(doc.SegmentPixels(1, a), px);
        ASSERT_NE(doc.SegmentPixels(1, b), nullptr);
        EXPECT_EQ(env.app.memUse[kMemSegPixels], 2);
        doc.SelectActiveMapSegments(d, Area(0, 0, 0, 0), print, 1);
        EXPECT_EQ(doc.SegmentPixels(1, a), nullptr);
        EXPECT_EQ(env.app.memUse[kMemSegPixels], 1);

        // A single-segment consumer (the 3-D view) claims and drops at once.
        SegmentFlags dmr;
        EXPECT_TRUE(doc.ClaimMapSegment(d, a, dmr));
        EXPECT_TRUE(doc.ClaimMapSegment(d, a, dmr));
        EXPECT_EQ(doc.Series(1).SInUse[std::size_t(a)], 1);
        doc.RemoveMapSegments(d, b, dmr);  // not its claim: unchanged
        EXPECT_NE(doc.SegmentPixels(1, b), nullptr);
        doc.RemoveMapSegments(d, a, dmr);
        EXPECT_EQ(doc.SegmentPixels(1, a), nullptr);
        EXPECT_EQ(doc.Series(1).SInUse[std::size_t(a)], 0);
        EXPECT_EQ(dmr[std::size_t(a)], 0);
        EXPECT_TRUE(env.prompter.texts.empty());
    }
    env.doc.reset();
    for (MemCounter c : {kMemSegOnMap, kMemSegName, kMemSegBmpHolder, kMemSegPixels}) {
        EXPECT_EQ(env.app.memUse[c], 0) << c;
        EXPECT_EQ(env.app.memUse[c + 1], 0) << c;
    }
    EXPECT_EQ(env.app.memUse[kMemDocuments], 0);
}

TEST(SegmentCache, MissingSegmentsStayClaimedAndAreTriedAgain) {
    AppDocEnv env;
    CVornaDoc& doc = env.Make();
    const MapViewDesc d = AppDocEnv::Desc(1);
    const int a = doc.GetSegmentIndex(1, 505000, 5085000);
    SegmentFlags f;
    doc.SelectActiveMapSegments(d, Area(501000, 509000, 5089000, 5081000), f, 0);
    EXPECT_EQ(doc.Series(1).SInUse[std::size_t(a)], 1);
    EXPECT_EQ(doc.SegmentPixels(1, a), nullptr);
    EXPECT_TRUE(env.prompter.texts.empty());  // a missing file is silent
    WriteTk50(env, doc, 505000, 5085000, 0x10);
    doc.SelectActiveMapSegments(d, Area(501000, 509000, 5089000, 5081000), f, 0);
    ASSERT_NE(doc.SegmentPixels(1, a), nullptr);
}

TEST(SegmentCache, BadSegmentFilesGiveTheirMessageAndStoreNothing) {
    AppDocEnv env;
    CVornaDoc& doc = env.Make();
    const MapViewDesc d = AppDocEnv::Desc(1);
    const int a = doc.GetSegmentIndex(1, 505000, 5085000);
    std::filesystem::create_directories(env.app.mapTypes[1].directory);
    const int stride = DibStride(20);
    std::vector<std::uint8_t> px(std::size_t(stride * 20), 1);
    ASSERT_TRUE(WriteMifSegment(doc.SegmentFilePath(1, a, ".mif"), px.data(), 20, 20, stride));
    EXPECT_FALSE(doc.ReadMapSegment(d, a));
    EXPECT_TRUE(env.prompter.Saw("Invalid Map Segment Size!"));
    EXPECT_EQ(doc.SegmentPixels(1, a), nullptr);

    // A ".bmp" stands in when there is no ".mif"; its palette becomes the series'.
    std::filesystem::remove(doc.SegmentFilePath(1, a, ".mif"));
    const int side = 1181;
    std::vector<std::uint8_t> big(std::size_t(DibStride(side) * side), 0x02);
    RgbQuad pal[256] = {};
    pal[2] = {10, 20, 30, 0};
    ASSERT_TRUE(
        WriteBmpSegment(doc.SegmentFilePath(1, a, ".bmp"), big.data(), side, side, DibStride(side), pal));
    EXPECT_TRUE(doc.ReadMapSegment(d, a));
    ASSERT_NE(doc.SegmentPixels(1, a), nullptr);
    EXPECT_EQ(doc.SegmentPixels(1, a)[5], 0x02);
    EXPECT_EQ(doc.Series(1).Header.palette[2].rgbRed, 30);
    EXPECT_EQ(doc.Series(1).Header.info.biWidth, 1181);
}

TEST(SegmentCache, WaypointBasesFollowTheQuadrantClaims) {
    AppDocEnv env;
    std::filesystem::create_directories(env.app.wptBaseDir);
    CVornaDoc& doc = env.Make();
    QuadrantFlags screen{}, print{};
    const int a = CVornaDoc::GetQuadrantIndex(505000, 5085000);
    const int b = CVornaDoc::GetQuadrantIndex(515000, 5085000);
    doc.SelectActiveWptQuadrants(Area(501000, 509000, 5089000, 5081000), screen, 0);
    doc.SelectActiveWptQuadrants(Area(501000, 512000, 5089000, 5081000), print, 1);
    EXPECT_EQ(doc.WptQInUse[std::size_t(a)], 2);
    EXPECT_EQ(doc.WptQInUse[std::size_t(b)], 1);
    EXPECT_TRUE(doc.WptAutoBase[std::size_t(a)].Loaded);
    EXPECT_TRUE(doc.WptAutoBase[std::size_t(b)].Loaded);
    // b chosen for export stays open when nobody shows it; a closes.
    doc.SectorSelLevel[std::size_t(b)] = 1;
    doc.SelectActiveWptQuadrants(Area(0, 0, 0, 0), print, 1);
    doc.SelectActiveWptQuadrants(Area(0, 0, 0, 0), screen, 0);
    EXPECT_EQ(doc.WptQInUse[std::size_t(a)], 0);
    EXPECT_FALSE(doc.WptAutoBase[std::size_t(a)].Loaded);
    EXPECT_TRUE(doc.WptAutoBase[std::size_t(b)].Loaded);
    EXPECT_EQ(doc.WptQInUse[kTempBase], 1);  // the permanent claim is never touched
    EXPECT_TRUE(env.prompter.texts.empty());
}
