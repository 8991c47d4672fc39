// View-point moves and view-point files.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <tuple>

#include "TestUtil.h"
#include "dmr/DmrParamsIO.h"
#include "platform/AtomicFile.h"

// Turns wrap into 0..360 (360 itself stays), by whole turns also from far
// away; steps up and down stop at 1 m only going down and never wrap.
TEST(DmrParams, HeadingWrapsAndHeightStopsAtOneMetre) {
    const double turns[][3] = {{355, 5, 360}, {360, 5, 5},
                               {0, -5, 355},  {-725, 0, 355} /* westward by more than a turn */,
                               {-360, 0, 0},  {1e300, 5, 360} /* a whole number of turns, in one step */,
                               {NAN, 5, 0},   {725, 0, 5}};
    for (const auto& t : turns) {
        DmrParams p;
        p.Azimut = t[0];
        TurnDmrHeading(p, t[1]);
        EXPECT_EQ(std::tuple(p.Azimut, p.StickToGps), std::tuple(t[2], 0)) << t[0] << " " << t[1];
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

TEST(DmrParams, DamagedViewPointFilesGiveZerosOrNothing) {
    TempDir dir;
    struct Row {
        const char* text;
        double e, n, az, elev, angle;
        int rel, height;
    } rows[] = {
        {"", 0, 0, 0, 0, 0, 0, 0},
        {"nan\ninf\n0\n-inf\nnan\ninf\n-nan\n", 0, 0, 0, 0, 0, 0, 0},
        // short files repeat their last line
        {"400000\n5100000\n0\n900\n45.5\n", 400000, 5100000, 45.5, 45.5, 45.5, 0, 900},
        // the heading comes back to 0..360
        {"1.5e3\r\n  -7x\r\nyes\r\n12\r\n1e999\r\n", 1, -7, std::fmod(1.7976931348623157e308, 360.0),
         1.7976931348623157e308, 1.7976931348623157e308, 0, 12},
        {"99999999999\n-99999999999\n1\n5", INT_MAX, INT_MIN, 5, 5, 5, 1, 5},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(WriteFileBytes(dir.file("d.dvp"), r.text));
        DmrParams p;
        ASSERT_TRUE(ReadDmrViewPoint(dir.file("d.dvp"), p)) << r.text;
        EXPECT_EQ(std::tuple(p.ViewPoint.easting, p.ViewPoint.northing, p.Azimut, p.Elevation, p.ViewAngle,
                             p.IsRelHeight, r.rel ? p.RelHeight : p.AbsHeight),
                  std::tuple(r.e, r.n, r.az, r.elev, r.angle, r.rel, r.height))
            << r.text;
    }
    // A file that cannot be opened or read changes nothing.
    for (const std::string& path : {dir.file("missing.dvp"), dir.path()}) {
        DmrParams p;
        p.Azimut = 77;
        EXPECT_FALSE(ReadDmrViewPoint(path, p)) << path;
        EXPECT_EQ(std::tuple(p.Azimut, p.ViewPoint.easting), std::tuple(77.0, DmrParams().ViewPoint.easting));
    }
}

// Whatever the settings hold, the file has seven lines the reader takes
// whole, and what it reads back writes the same file again.
TEST(DmrParams, HugeValuesReadBackAsWritten) {
    TempDir dir;
    const double huge[] = {1e300, -1e300, 1.7976931348623157e308, 123456789012.345, 4e9};
    for (const double v : huge) {
        DmrParams p;
        p.ViewPoint = {v, -v};
        p.Azimut = v, p.Elevation = v, p.ViewAngle = -v;
        ASSERT_TRUE(WriteDmrViewPoint(dir.file("h.dvp"), p));
        const std::string text = ReadFileBytes(dir.file("h.dvp"));
        int lines = 0;
        for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1, ++lines)
            EXPECT_LE(end - at, 255u) << v;
        EXPECT_EQ(lines, 7) << v;
        DmrParams q;
        ASSERT_TRUE(ReadDmrViewPoint(dir.file("h.dvp"), q));
        EXPECT_EQ(DmrViewPointText(q), text) << v;
        EXPECT_TRUE(q.Azimut >= 0 && q.Azimut <= 360) << v;
        // Too long for a fixed line, a value goes in exponent form, exactly.
        if (std::fabs(v) >= 1e300) {
            EXPECT_EQ(std::tuple(q.Elevation, q.ViewAngle), std::tuple(v, -v));
        }
    }
}
