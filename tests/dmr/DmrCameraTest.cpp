// Camera, ground trapezoid and scan order on numbers worked out by hand for an
// 800 x 600 picture: tan(half angle) 1 and H/W 0.75 make every angle a ratio.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "dmr/DmrCamera.h"
#include "settings/AppSettings.h"

using namespace dmr;

namespace {

// Eye at x 100, y 200 hectometres, 1000 m up, 15 km visibility, 90 degrees wide.
Camera Cam(double az, double elev, CPointD at = CPointD(20000, 10000)) {
    DmrParams p;
    p.Azimut = az, p.Elevation = elev, p.ViewAngle = 90, p.ViewPoint = at, p.Visibility = 15;
    Camera c;
    c.Setup(p, 800, 600, 10.0);
    return c;
}

}  // namespace

TEST(DmrCamera, TrapezoidCornersMatchTheGeometry) {
    const double w = 0.8 * std::sqrt(5000.0);
    const struct {
        double az, elev;
        Point2 corners[4];  // near-left, near-right, far-left, far-right
        int range;
    } rows[] = {
        // Level, north: the far edge at the range and as wide; the near edge at the eye.
        {0, 0, {{100.01, 199.99}, {100.01, 200.01}, {250, 50}, {250, 350}}, 15000},
        // 45 down, east: the far edge at Z tan(a2) = 7 Z; beside the eye the
        // ground is seen 45 degrees aside.
        {90, -45, {{107.0781389, 200.01}, {92.9218611, 200.01}, {100 + w, 270}, {100 - w, 270}}, 7000},
    };
    for (const auto& r : rows) {
        Trapezoid t;
        t.Build(Cam(r.az, r.elev));
        ASSERT_TRUE(t.Finite());
        const Point2 got[] = {t.nearLeft, t.nearRight, t.farLeft, t.farRight};
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(got[i].x, r.corners[i].x, 1e-4) << r.az << " corner " << i;
            EXPECT_NEAR(got[i].y, r.corners[i].y, 1e-4) << r.az << " corner " << i;
        }
        EXPECT_NEAR(t.groundRange, r.range, 1) << r.az;
        EXPECT_EQ(std::copysign(1.0, t.farEdge.At(100, 200)), t.sideSign);
    }
}

TEST(DmrCamera, ProjectionPlacesClampsAndRefuses) {
    const Camera c = Cam(0, 0);  // focal length 400, eye z 10
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double x, y, z;
        bool ok;
        int sx, sy;
    } rows[] = {
        {110, 200, 10, true, 400, 300},        // straight ahead: the centre
        {110, 210, 10, true, 800, 300},        // 45 degrees right: the right edge
        {110, 200, 15, true, 400, 500},        // above the eye: higher (rows run bottom-up)
        {100.001, 300, 10, true, 32767, 300},  // far out to the sides: held to 16 bits
        {100.001, 100, 10, true, -32768, 300},
        {100.001, 200, -1e9, true, 400, -32768},  // far below
        {100, 210, 10, false, 0, 0},              // beside the eye: no depth
        {90, 200, 10, false, 0, 0},               // behind
        {110, 200, nan, false, 0, 0},
    };
    for (const auto& r : rows) {
        Camera::Projected s;
        ASSERT_EQ(c.Project(r.x, r.y, r.z, s), r.ok) << r.x << "," << r.y;
        // The short pi leaves the focal length a hair under 400.
        if (!r.ok) continue;
        EXPECT_NEAR(s.sx, r.sx, 1) << r.x << "," << r.y;
        EXPECT_NEAR(s.sy, r.sy, 1) << r.x << "," << r.y;
    }
}

TEST(DmrCamera, HeadingChoosesTheScanAndItsRows) {
    const struct {
        double az;
        ScanDir dir;
    } dirs[] = {{45, kScanNorth},    {45.01, kScanEast},  {135, kScanEast}, {135.01, kScanSouth},
                {225, kScanSouth},   {225.01, kScanWest}, {315, kScanWest}, {315.01, kScanNorth},
                {360, kScanNorth},   {-45, kScanWest},    {820, kScanEast}, {1e300, kScanNorth},
                {-1e300, kScanNorth}};
    for (const auto& r : dirs) EXPECT_EQ(ScanDirection(r.az), r.dir) << r.az;
    // From the eye's row (x 51000.5) to the far edge's, 150 rows either way.
    const struct {
        double az;
        int first, step;
    } rows[] = {{0, 51000, 1}, {180, 51001, -1}};
    for (const auto& r : rows) {
        Trapezoid t;
        t.Build(Cam(r.az, 0, CPointD(500000, 5100050)));
        const ScanPlan s = PlanScan(r.az, t);
        EXPECT_EQ(s.firstRow, r.first) << r.az;
        EXPECT_EQ(s.rowCount, 150) << r.az;
        EXPECT_EQ(s.rowStep, r.step) << r.az;
    }
    // A trapezoid far wider and deeper than the grid keeps to the buffers' window.
    DmrParams wide;
    wide.Azimut = 90, wide.ViewAngle = 179.9, wide.Elevation = 0, wide.Visibility = 100000;
    Camera c;
    c.Setup(wide, 800, 600, 10.0);
    Trapezoid t;
    t.Build(c);
    EXPECT_LE(PlanScan(wide.Azimut, t).rowCount, kRowBufferSize + 2);
}

// What can reach the picture, by sweeping points: every grid point of a row
// strip that projects into the picture, or above it, at a height a patch can
// take lies within the row's visible span and in a box that can show; far
// aside, behind the eye or below the picture nothing does.
TEST(DmrCamera, VisibleSpansHoldEveryPointThatShows) {
    const struct { double az, elev; } views[] = {{0, 0}, {90, -45}, {200, 20}, {310, -90}, {45, 60}};
    for (const auto& v : views) {
        const Camera c = Cam(v.az, v.elev);
        for (int row = 60; row <= 140; row += 5) {
            const bool alongX = ScanDirection(v.az) == kScanNorth || ScanDirection(v.az) == kScanSouth;
            const double eyeCol = alongX ? c.eyeY : c.eyeX;
            double lo = 0, hi = 0;
            const bool any = VisibleSpan(c, alongX, row, row + 1, eyeCol - 300, eyeCol + 300, 0, 50, lo, hi);
            for (double col = eyeCol - 300; col <= eyeCol + 300; col += 0.5)
                for (const double z : {0.0, 5.0, 20.0, 50.0})
                    for (const double r : {double(row), row + 0.5, row + 1.0}) {
                        Camera::Projected s;
                        const double x = alongX ? r : col, y = alongX ? col : r;
                        if (!c.Project(x, y, z, s) || s.sx < 0 || s.sx > 799 || s.sy < 0) continue;
                        ASSERT_TRUE(any) << v.az << "/" << v.elev << " row " << row;
                        EXPECT_TRUE(col >= lo - 1e-6 && col <= hi + 1e-6)
                            << v.az << "/" << v.elev << " row " << row << " col " << col;
                        EXPECT_TRUE(BoxCanShow(c, x - 0.5, x + 0.5, y - 0.5, y + 0.5, 0, 50));
                    }
        }
    }
    // Level, north, from 1000 m: a strip behind the eye, one far aside and
    // one under ground seen from above show nothing.
    const Camera c = Cam(0, 0);
    EXPECT_FALSE(BoxCanShow(c, 90, 95, 195, 205, 0, 50));
    EXPECT_FALSE(BoxCanShow(c, 110, 111, 260, 261, 0, 50));
    double lo = 0, hi = 0;
    EXPECT_FALSE(VisibleSpan(c, true, 90, 91, 100, 300, 0, 50, lo, hi));
    EXPECT_FALSE(VisibleSpan(Cam(0, -90), true, 100, 101, 150, 180, 0, 5, lo, hi));
}
