// The camera, the ground trapezoid and the scan order, on numbers worked out
// by hand for an 800 x 600 picture.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/AppSettings.h"
#include "dmr/DmrCamera.h"

using namespace dmr;

namespace {

DmrParams View(double az, double elev, double angle, int absHeight, int visibility) {
    DmrParams p;
    p.Azimut = az;
    p.Elevation = elev;
    p.ViewAngle = angle;
    p.ViewPoint = CPointD(20000, 10000);  // eye at x 100, y 200 hectometres
    p.AbsHeight = absHeight;
    p.Visibility = visibility;
    return p;
}

Camera Cam(const DmrParams& p) {
    Camera c;
    c.Setup(p, 800, 600, p.AbsHeight / 100.0);
    return c;
}

}  // namespace

TEST(DmrCamera, TrapezoidCornersMatchTheGeometry) {
    // tan(half angle) 1 and H/W 0.75 make every angle a simple ratio.
    struct Row {
        double az, elev;
        Point2 nl, nr, fl, fr;
        int range;
    } rows[] = {
        // Horizontal, north: the far edge at the range, as wide as it is far;
        // the near corners start at the eye.
        {0, 0, {100.01, 199.99}, {100.01, 200.01}, {250, 50}, {250, 350}, 15000},
        // 45 degrees down, east: the far edge at Z tan(a2) = 7 Z, short of the
        // range; at the eye the ground is seen 45 degrees aside.
        {90, -45, {107.0781389, 200.01}, {92.9218611, 200.01}, {100 + 0.8 * std::sqrt(5000.0), 270},
         {100 - 0.8 * std::sqrt(5000.0), 270}, 7000},
    };
    for (const Row& r : rows) {
        const DmrParams p = View(r.az, r.elev, 90, 1000, 15);
        Trapezoid t;
        t.Build(Cam(p));
        ASSERT_TRUE(t.Finite());
        const std::pair<Point2, Point2> pairs[] = {{t.farLeft, r.fl}, {t.farRight, r.fr}};
        for (const auto& [got, want] : pairs) {
            EXPECT_NEAR(got.x, want.x, 1e-4) << r.az;
            EXPECT_NEAR(got.y, want.y, 1e-4) << r.az;
        }
        const std::pair<Point2, Point2> nearPairs[] = {{t.nearLeft, r.nl}, {t.nearRight, r.nr}};
        for (const auto& [got, want] : nearPairs) {
            EXPECT_NEAR(got.x, want.x, 1e-4) << r.az;
            EXPECT_NEAR(got.y, want.y, 1e-4) << r.az;
        }
        EXPECT_NEAR(t.groundRange, r.range, 1) << r.az;
        // The eye lies inside every edge.
        EXPECT_EQ(std::copysign(1.0, t.farEdge.At(100, 200)), t.sideSign);
    }
}

TEST(DmrCamera, ProjectionPlacesClampsAndRefuses) {
    const Camera c = Cam(View(0, 0, 90, 1000, 15));  // focal length 400, eye z 10
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        double x, y, z;
        bool ok;
        int sx, sy;
    } rows[] = {
        {110, 200, 10, true, 400, 300},           // straight ahead: the centre
        {110, 210, 10, true, 800, 300},           // 45 degrees right: the right edge
        {110, 200, 15, true, 400, 500},           // above the eye: higher (rows run bottom-up)
        {100.001, 300, 10, true, 32767, 300},     // far out to the right: held to 16 bits
        {100.001, 100, 10, true, -32768, 300},    // and to the left
        {100.001, 200, -1e9, true, 400, -32768},  // far below
        {100, 210, 10, false, 0, 0},              // beside the eye: no depth
        {90, 200, 10, false, 0, 0},               // behind
        {110, 200, nan, false, 0, 0},             // no height
    };
    for (const Row& r : rows) {
        Camera::Projected s;
        ASSERT_EQ(c.Project(r.x, r.y, r.z, s), r.ok) << r.x << "," << r.y;
        if (!r.ok) continue;
        // The short pi leaves the focal length a hair under 400.
        EXPECT_NEAR(s.sx, r.sx, 1) << r.x << "," << r.y;
        EXPECT_NEAR(s.sy, r.sy, 1) << r.x << "," << r.y;
    }
}

TEST(DmrCamera, HeadingChoosesTheScanDirection) {
    const struct {
        double az;
        ScanDir dir;
    } rows[] = {{45, kScanNorth},    {45.01, kScanEast},  {135, kScanEast},   {135.01, kScanSouth},
                {225, kScanSouth},   {225.01, kScanWest}, {315, kScanWest},   {315.01, kScanNorth},
                {360, kScanNorth},   {0, kScanNorth},     {-10, kScanNorth},  {-45, kScanWest},
                {820, kScanEast},    {1e300, kScanNorth}, {-1e300, kScanNorth}};
    for (const auto& r : rows) EXPECT_EQ(ScanDirection(r.az), r.dir) << r.az;
}

TEST(DmrCamera, ScanRowsRunFromTheEyeToTheFarEdgeInsideTheBuffers) {
    struct Row {
        double az;
        int first, count, step;
    } rows[] = {
        // From the eye's row to the far edge's (eye x 51000.5, range 150).
        {0, 51000, 150, 1},
        {180, 51001, 150, -1},
    };
    for (const Row& r : rows) {
        DmrParams p = View(r.az, 0, 90, 1000, 15);
        p.ViewPoint = CPointD(500000, 5100050);
        Trapezoid t;
        t.Build(Cam(p));
        const ScanPlan s = PlanScan(p.Azimut, t);
        EXPECT_EQ(s.firstRow, r.first) << r.az;
        EXPECT_EQ(s.rowCount, r.count) << r.az;
        EXPECT_EQ(s.rowStep, r.step) << r.az;
    }
    // A trapezoid wider than the grid keeps its rows to the buffers' window.
    DmrParams wide = View(90, 0, 179.9, 1000, 100000);
    wide.ViewPoint = CPointD(500000, 5100000);
    Trapezoid t;
    t.Build(Cam(wide));
    const ScanPlan s = PlanScan(wide.Azimut, t);
    EXPECT_LE(s.rowCount, kRowBufferSize + 2);
}
