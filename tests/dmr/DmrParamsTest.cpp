// View-point moves and view-point files.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <tuple>

#include "TestUtil.h"
#include "dmr/DmrParamsIO.h"
#include "platform/AtomicFile.h"

// Turns wrap into [0, 360): a whole turn is north, also from far away;
// steps up and down stop at 1 m only going down and never wrap.
TEST(DmrParams, HeadingWrapsAndHeightStopsAtOneMetre) {
    const double turns[][3] = {{355, 5, 0},
                               {360, 5, 5},
                               {0, -5, 355},
                               {5, -5, 0},
                               {-725, 0, 355} /* westward by more than a turn */,
                               {-360, 0, 0},
                               {1e300, 5, 0} /* a whole number of turns, in one step */,
                               {NAN, 5, 0},
                               {725, 0, 5},
                               {359.99, 5, 4.99}};
    for (const auto& t : turns) {
        DmrParams p;
        p.Azimut = t[0];
        TurnDmrHeading(p, t[1]);
        EXPECT_NEAR(p.Azimut, t[2], 1e-9) << t[0] << " " << t[1];
        EXPECT_EQ(p.StickToGps, 0);
        EXPECT_TRUE(p.Azimut >= 0 && p.Azimut < 360) << t[0];
        EXPECT_FALSE(std::signbit(p.Azimut)) << t[0];
    }
    // relative?, height, direction, result
    const int heights[][4] = {{1, 5, -1, 1},       {0, 50, -1, 1},
                              {1, -50, 1, -40},    {0, INT_MAX - 10, 1, INT_MAX},
                              {0, INT_MIN, -1, 1}, {1, 100, 1, 110}};
    for (const auto& h : heights) {
        DmrParams p;
        p.IsRelHeight = h[0];
        p.RelHeight = p.AbsHeight = h[1];
        RaiseDmrViewPoint(p, h[2]);
        EXPECT_EQ(std::tuple(p.RelHeight, p.AbsHeight), std::tuple(h[0] ? h[3] : h[1], h[0] ? h[1] : h[3]))
            << h[1];
    }
}

// The seven lines as written; read back, the easting and northing lose
// their fraction and line 3 chooses which height line 4 sets.
TEST(DmrParams, ViewPointFileRoundTrip) {
    TempDir dir;
    DmrParams p;
    p.ViewPoint = {417500.75, 5125500.5};
    p.IsRelHeight = 1;
    p.RelHeight = 250;
    p.Azimut = 12.345;
    ASSERT_TRUE(WriteDmrViewPoint(dir.file("a.dvp"), p));
    EXPECT_EQ(ReadFileBytes(dir.file("a.dvp")), "417500.750\n5125500.500\n1\n250\n12.35\n-20.00\n85.00\n");
    DmrParams q;
    q.RelHeight = 0;
    ASSERT_TRUE(ReadDmrViewPoint(dir.file("a.dvp"), q));
    EXPECT_EQ(std::tuple(q.ViewPoint.easting, q.ViewPoint.northing, q.IsRelHeight, q.RelHeight, q.AbsHeight,
                         q.Azimut),
              std::tuple(417500.0, 5125500.0, 1, 250, DmrParams().AbsHeight, 12.35));

    // A failed write reports failure and leaves the old file.
    SetAtomicWriteFaultHook([](const std::string&) { return true; });
    EXPECT_FALSE(WriteDmrViewPoint(dir.file("a.dvp"), DmrParams()));
    SetAtomicWriteFaultHook({});
    EXPECT_EQ(ReadFileBytes(dir.file("a.dvp")).substr(0, 10), "417500.750");
}

// A line that is no number, or a value outside what a view of the map can
// use, refuses the whole file and changes nothing; the limits themselves are
// taken. Short files repeat their last line; headings of older files (360,
// -0) come into [0, 360).
TEST(DmrParams, ViewPointFilesOutsideTheMapAreRefused) {
    TempDir dir;
    const std::string good = "400000\n5100000\n0\n900\n45.5\n-20\n60\n";
    // Line 1..7 replaced by a bad value; each row is refused.
    const struct {
        int line;
        const char* text;
    } bad[] = {{1, "2e250"},       {1, "abc"},   {1, "89999"}, {1, "930001"}, {2, "4659999"}, {2, "5500001"},
               {2, "99999999999"}, {3, "2"},     {3, "-1"},    {4, "-10001"}, {4, "100001"},  {5, "360.01"},
               {5, "-360.01"},     {5, "1e999"}, {5, "nan"},   {6, "90.01"},  {6, "-90.01"},  {7, "0.99"},
               {7, "179.01"},      {7, ""},      {4, "x12"}};
    const auto withLine = [&](int line, const std::string& text) {
        std::string out, rest = good;
        for (int i = 1; i <= 7; ++i) {
            const std::size_t end = rest.find('\n');
            out += (i == line ? text : rest.substr(0, end)) + "\n";
            rest.erase(0, end + 1);
        }
        return out;
    };
    for (const auto& b : bad) {
        const std::string text = withLine(b.line, b.text);
        ASSERT_TRUE(WriteFileBytes(dir.file("d.dvp"), text));
        DmrParams p;
        p.Azimut = 77;
        EXPECT_FALSE(ReadDmrViewPoint(dir.file("d.dvp"), p)) << text;
        EXPECT_EQ(std::tuple(p.Azimut, p.ViewPoint.easting, p.AbsHeight),
                  std::tuple(77.0, DmrParams().ViewPoint.easting, DmrParams().AbsHeight))
            << text;
    }
    for (const char* text : {"", "\n\n\n\n\n\n\n", "abc"}) {
        ASSERT_TRUE(WriteFileBytes(dir.file("d.dvp"), text));
        DmrParams p;
        EXPECT_FALSE(ReadDmrViewPoint(dir.file("d.dvp"), p)) << text;
    }

    struct Row {
        const char* text;
        double e, n, az, elev, angle;
        int rel, height;
    } rows[] = {
        {"90000\n4660000\n0\n-10000\n-360\n-90\n1\n", 90000, 4660000, 0, -90, 1, 0, -10000},
        {"930000.999\n5500000.5\n1\n100000\n360.00\n90\n179\n", 930000, 5500000, 0, 90, 179, 1, 100000},
        {"417500.750\n5125500\n0\n900\n-0.00\n-20\n60\n", 417500, 5125500, 0, -20, 60, 0, 900},
        {"417500\n5125500\n1\n250\n-5\n-20\n60\n", 417500, 5125500, 355, -20, 60, 1, 250},
        // short files repeat their last line
        {"400000\n5100000\n0\n900\n45.5\n", 400000, 5100000, 45.5, 45.5, 45.5, 0, 900},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(WriteFileBytes(dir.file("d.dvp"), r.text));
        DmrParams p;
        ASSERT_TRUE(ReadDmrViewPoint(dir.file("d.dvp"), p)) << r.text;
        EXPECT_EQ(std::tuple(p.ViewPoint.easting, p.ViewPoint.northing, p.Azimut, p.Elevation, p.ViewAngle,
                             p.IsRelHeight, r.rel ? p.RelHeight : p.AbsHeight),
                  std::tuple(r.e, r.n, r.az, r.elev, r.angle, r.rel, r.height))
            << r.text;
        EXPECT_FALSE(std::signbit(p.Azimut)) << r.text;
    }
    // A file that cannot be opened or read changes nothing.
    for (const std::string& path : {dir.file("missing.dvp"), dir.path()}) {
        DmrParams p;
        p.Azimut = 77;
        EXPECT_FALSE(ReadDmrViewPoint(path, p)) << path;
        EXPECT_EQ(std::tuple(p.Azimut, p.ViewPoint.easting), std::tuple(77.0, DmrParams().ViewPoint.easting));
    }
}

// What the writer writes reads back to the same file, the limits included;
// a heading is never written as 360.00; what the reader would refuse is not
// written at all and the old file stays.
TEST(DmrParams, WrittenViewPointsReadBackAndRefusedOnesAreNotWritten) {
    TempDir dir;
    const std::string path = dir.file("h.dvp");
    const struct {
        double e, n, az, elev, angle;
        int rel, height;
        const char* text;
    } limits[] = {
        {90000, 4660000, 0, -90, 1, 0, -10000, "90000.000\n4660000.000\n0\n-10000\n0.00\n-90.00\n1.00\n"},
        {930000, 5500000, 359.99, 90, 179, 1, 100000,
         "930000.000\n5500000.000\n1\n100000\n359.99\n90.00\n179.00\n"},
        {417500, 5125500, 359.996, -20, 60, 1, 5, "417500.000\n5125500.000\n1\n5\n0.00\n-20.00\n60.00\n"},
        {417500, 5125500, 360, -20, 60, 0, 900, "417500.000\n5125500.000\n0\n900\n0.00\n-20.00\n60.00\n"},
    };
    for (const auto& l : limits) {
        DmrParams p;
        p.ViewPoint = {l.e, l.n};
        p.Azimut = l.az, p.Elevation = l.elev, p.ViewAngle = l.angle;
        p.IsRelHeight = l.rel;
        DmrCurrentHeight(p) = l.height;
        ASSERT_TRUE(WriteDmrViewPoint(path, p)) << l.text;
        EXPECT_EQ(ReadFileBytes(path), l.text);
        DmrParams q;
        ASSERT_TRUE(ReadDmrViewPoint(path, q)) << l.text;
        EXPECT_EQ(DmrViewPointText(q), l.text);
    }
    const std::string kept = ReadFileBytes(path);
    for (const double v : {1e300, -1e300, 2e250, 4e9, double(NAN)}) {
        for (int field = 0; field < 4; ++field) {
            DmrParams p;
            p.ViewPoint = {417500, 5125500};
            double* target[] = {&p.ViewPoint.easting, &p.ViewPoint.northing, &p.Elevation, &p.ViewAngle};
            *target[field] = v;
            EXPECT_FALSE(WriteDmrViewPoint(path, p)) << v << " " << field;
        }
    }
    DmrParams high;
    high.ViewPoint = {417500, 5125500};
    high.AbsHeight = 100001;
    EXPECT_FALSE(WriteDmrViewPoint(path, high));
    EXPECT_EQ(ReadFileBytes(path), kept);
}
