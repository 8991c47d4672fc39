// Quadrant and segment grids: which cell holds a point, and its name.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "DocTestEnv.h"

TEST(Grid, QuadrantOfAPointAndItsName) {
    struct Row {
        double E, N;
        int quadrant;
        const char* name;
    } rows[] = {
        {370000, 5219999.9, 0, "--"},
        {649999.9, 4940000, 783, "++"},
        {400500, 5205000, 31, "AC"},
        {650000, 5000000, -1, ""},
        {400000, 5220000, -1, ""},
        {369999, 5000000, -1, ""},
        {std::nan(""), 5000000, -1, ""},
        {500000, 1e300, -1, ""},
        {-std::numeric_limits<double>::infinity(), 5000000, -1, ""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(GetQuadrantIndex(r.E, r.N), r.quadrant) << r.E << " " << r.N;
        EXPECT_EQ(QuadrantName(GetQuadrantIndex(r.E, r.N)), r.name);
    }
    EXPECT_EQ(QuadrantName(kTempBase), "TEMP");
    EXPECT_EQ(QuadrantName(27 * 28 + 26), "+Z");
    EXPECT_EQ(CVornaDoc::GetWaypointQuadrantOf(kWptTemporary, 375000, 5215000), kTempBase);
    EXPECT_TRUE(IsInsideMapArea(1, 650000, 5220000));
    EXPECT_FALSE(IsInsideMapArea(1, 650000.1, 5000000));
    EXPECT_FALSE(IsInsideMapArea(kMapImageGeo, 500000, 5000000));
}

TEST(Grid, SegmentOfAPointItsNameAndTheMapSizeAndCaptionInEverySeries) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    struct Row {
        int series;
        double E, N;
        int index;
        const char* name;
    } rows[] = {
        {0, 370000, 5219999, 0, "--"},
        {1, 649999, 4940000, 783, "++"},
        {2, 649999, 4940000, 56 * 56 - 1, "++11"},
        {3, 649999, 4940000, 140 * 140 - 1, "++44"},
        {3, 370000 + 13 * 2000 + 1, 5220000 - 7 * 2000 - 1, 7 * 140 + 13, "AB23"},
        {2, 370000 + 6 * 5000 + 1, 5220000 - 3 * 5000 - 1, 3 * 56 + 6, "AC10"},
        {4, 649999, 4940000, 783, "++"},
        {1, 369500, 5000000, -1, ""},  // west of the area is not column 0
        {1, 500000, 5220000, -1, ""},
        {1, 650000, 5000000, -1, ""},
        {1, std::nan(""), 5000000, -1, ""},
        {kMapImage, 500000, 5000000, -1, ""},
    };
    for (const Row& r : rows) {
        const int i = doc.GetSegmentIndex(r.series, r.E, r.N);
        EXPECT_EQ(i, r.index) << r.series << " " << r.E << " " << r.N;
        EXPECT_EQ(doc.GetSegmentName(r.series, i), r.name);
    }
    EXPECT_EQ(doc.GetSegmentName(1, 784), "");
    EXPECT_EQ(doc.SegmentFilePath(1, 31, ".mif"), env.settings.mapTypes[1].directory + "TK50AC.mif");
    // Map sizes and captions of a series and of the image.
    EXPECT_EQ(doc.GetMapSizePixels(DocEnv::Desc(3)).cy, 140 * 1181);
    EXPECT_EQ(doc.GetMapCaption(1), "CONT:TK50->");
    EXPECT_EQ(doc.GetMapCaption(kMapNone), "NOMAP->");
    doc.ImageMap().Path = "/some/folder/sheet.bmp";
    doc.ImageMap().Header.info.biWidth = 800;
    doc.ImageMap().Header.info.biHeight = 600;
    doc.ImageMap().Header.info.biBitCount = 8;
    EXPECT_EQ(doc.GetMapCaption(kMapImageGeo), "IMAGEMAP: sheet.bmp (800 x 600 x 8)->");
    EXPECT_EQ(doc.GetMapSizePixels(DocEnv::Desc(kMapImage)).cy, 600);
}
