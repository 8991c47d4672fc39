#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "AppDocEnv.h"

TEST(Grid, QuadrantEdgesAndNames) {
    AppDocEnv env;
    CVornaDoc& doc = env.Make();
    EXPECT_EQ(CVornaDoc::GetQuadrantIndex(370000, 5219999.9), 0);
    EXPECT_EQ(doc.GetQuadrantNameAt(370000, 5219999.9), "--");
    EXPECT_EQ(CVornaDoc::GetQuadrantIndex(649999.9, 4940000), 783);
    EXPECT_EQ(doc.GetQuadrantNameAt(649999.9, 4940000), "++");
    // North and east edges are outside, south and west inside.
    EXPECT_EQ(CVornaDoc::GetQuadrantIndex(650000, 5000000), -1);
    EXPECT_EQ(CVornaDoc::GetQuadrantIndex(400000, 5220000), -1);
    EXPECT_EQ(doc.GetQuadrantNameAt(650000, 5000000), "");
    EXPECT_EQ(doc.GetQuadrantNameAt(400000, 5220000), "");
    EXPECT_EQ(CVornaDoc::GetQuadrantIndex(369999, 5000000), -1);
    // Row 1, column 3.
    EXPECT_EQ(doc.GetQuadrantName(1 * 28 + 3), "AC");
    EXPECT_EQ(doc.GetQuadrantName(784), "TEMP");
    EXPECT_EQ(doc.GetQuadrantName(785), "");
    EXPECT_EQ(doc.GetQuadrantName(-1), "");
    EXPECT_EQ(doc.GetQuadrantName(27 * 28 + 26), "+Z");

    EXPECT_TRUE(CVornaDoc::IsInsideMapArea(1, 650000, 5220000));
    EXPECT_TRUE(CVornaDoc::IsInsideMapArea(0, 370000, 4940000));
    EXPECT_FALSE(CVornaDoc::IsInsideMapArea(-1, 500000, 5000000));
    EXPECT_FALSE(CVornaDoc::IsInsideMapArea(1, 650000.1, 5000000));

    EXPECT_EQ(CVornaDoc::GetWaypointQuadrantOf(0x0008, 0, 0), 784);
    EXPECT_EQ(CVornaDoc::GetWaypointQuadrantOf(0x0001, 375000, 5215000), 0);
}

TEST(Grid, NonFiniteOrHugeCoordinatesHaveNoCell) {
    AppDocEnv env;
    CVornaDoc& doc = env.Make();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {nan, inf, -inf, 1e300, -1e300}) {
        EXPECT_EQ(CVornaDoc::GetQuadrantIndex(bad, 5000000), -1);
        EXPECT_EQ(CVornaDoc::GetQuadrantIndex(500000, bad), -1);
        for (int s = 0; s < 5; ++s) {
            EXPECT_EQ(doc.GetSegmentIndex(s, bad, 5000000), -1);
            EXPECT_EQ(doc.GetSegmentIndex(s, 500000, bad), -1);
        }
    }
}

TEST(Grid, SegmentIndexesAndNamesOfEverySeries) {
    AppDocEnv env;
    CVornaDoc& doc = env.Make();
    // North-west and south-east corner segments.
    EXPECT_EQ(doc.GetSegmentIndex(0, 370000, 5219999), 0);
    EXPECT_EQ(doc.GetSegmentName(0, 0), "--");
    EXPECT_EQ(doc.GetSegmentIndex(1, 649999, 4940000), 783);
    EXPECT_EQ(doc.GetSegmentName(1, 783), "++");
    EXPECT_EQ(doc.GetSegmentIndex(4, 649999, 4940000), 783);
    EXPECT_EQ(doc.GetSegmentIndex(2, 649999, 4940000), 56 * 56 - 1);
    EXPECT_EQ(doc.GetSegmentName(2, 56 * 56 - 1), "++11");
    EXPECT_EQ(doc.GetSegmentIndex(3, 649999, 4940000), 140 * 140 - 1);
    EXPECT_EQ(doc.GetSegmentName(3, 140 * 140 - 1), "++44");
    EXPECT_EQ(doc.GetSegmentName(3, 0), "--00");
    // TN10 row 7, column 13 is AB23; TK25 row 3, column 6 is AC10.
    EXPECT_EQ(doc.GetSegmentName(3, 7 * 140 + 13), "AB23");
    EXPECT_EQ(doc.GetSegmentName(2, 3 * 56 + 6), "AC10");
    const MapViewDesc tn10 = AppDocEnv::Desc(3);
    EXPECT_EQ(doc.GetSegmentIndex(tn10, 370000 + 13 * 2000 + 1, 5220000 - 7 * 2000 - 1), 7 * 140 + 13);
    EXPECT_EQ(doc.GetSegmentName(tn10, 7 * 140 + 13), "AB23");

    // North and east edges outside, south and west inside.
    for (int s = 0; s < 5; ++s) {
        EXPECT_EQ(doc.GetSegmentIndex(s, 500000, 5220000), -1) << s;
        EXPECT_EQ(doc.GetSegmentIndex(s, 650000, 5000000), -1) << s;
        EXPECT_GE(doc.GetSegmentIndex(s, 370000, 4940000), 0) << s;
        // The floor rule: 500 m west of the area is outside, not column 0.
        EXPECT_EQ(doc.GetSegmentIndex(s, 369500, 5000000), -1) << s;
    }
    EXPECT_EQ(doc.GetSegmentName(5, 0), "");
    EXPECT_EQ(doc.GetSegmentName(1, 784), "");
    EXPECT_EQ(doc.GetSegmentIndex(kMapImage, 500000, 5000000), -1);
}

TEST(Grid, MapSizeAndCaption) {
    AppDocEnv env;
    CVornaDoc& doc = env.Make();
    EXPECT_EQ(doc.GetMapSizePixels(AppDocEnv::Desc(0)).cx, 6608);
    EXPECT_EQ(doc.GetMapSizePixels(AppDocEnv::Desc(3)).cy, 140 * 1181);
    MapViewDesc none;
    EXPECT_EQ(doc.GetMapSizePixels(none).cx, 100);
    EXPECT_EQ(doc.GetMapCaption(1), "CONT:TK50->");
    EXPECT_EQ(doc.GetMapCaption(kMapNone), "NOMAP->");
    doc.ImagePath = "/some/folder/sheet.bmp";
    doc.ImageHeader.info.biWidth = 800;
    doc.ImageHeader.info.biHeight = 600;
    doc.ImageHeader.info.biBitCount = 8;
    EXPECT_EQ(doc.GetMapCaption(kMapImage), "IMAGE: sheet.bmp (800 x 600 x 8)->");
    EXPECT_EQ(doc.GetMapCaption(kMapImageGeo), "IMAGEMAP: sheet.bmp (800 x 600 x 8)->");
    MapViewDesc img;
    img.mapType = kMapImage;
    EXPECT_EQ(doc.GetMapSizePixels(img).cy, 600);
}
