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
