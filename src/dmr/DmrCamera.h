#pragma once
// Camera, perspective projection and the stretch of ground the picture can
// show. Renderer units are hectometres: x = northing / 100, y = easting / 100,
// z = height / 100; grid nodes are the integer (x, y).

#include <cstdint>

#include "geo/Convert.h"

struct DmrParams;

namespace dmr {

// This value of pi throughout the 3-D code, so pictures agree with the
// headings the user types.

struct Point2 {
    double x = 0.0;
    double y = 0.0;
};

// a x + b y + c = 0
struct Line {
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
    double At(double x, double y) const { return a * x + b * y + c; }
};

Line LineThrough(double x1, double y1, double x2, double y2);
inline double Det2(double a, double b, double c, double d) { return a * d - b * c; }
Point2 RotatePoint(double x, double y, double angle);

// Heading normalised to [0, 360) without looping on huge values.
double NormalizeHeading(double degrees);

enum ScanDir : int { kScanNorth = 0, kScanEast = 1, kScanSouth = 2, kScanWest = 3 };
// The scan direction of a heading in degrees (normalised first).
ScanDir ScanDirection(double azimut);

struct Camera {
    double azimuth = 0.0, tilt = 0.0, halfAngle = 0.0;
    double eyeX = 0.0, eyeY = 0.0, eyeZ = 0.0;
    double range = 0.0;
    double cosAz = 1.0, sinAz = 0.0, cosTilt = 1.0, sinTilt = 0.0;
    double focal = 0.0;
    int width = 0, height = 0;

    // eyeZ in hectometres (the caller resolves the relative height).
    void Setup(const DmrParams& p, int w, int h, double eyeHeight);

    struct Projected {
        std::int32_t sx = 0, sy = 0, depth = 0;
    };
    // False behind the eye or where the position is not a number; screen
    // positions saturate to 16 bits so the raster works on bounded integers.
    bool Project(double x, double y, double z, Projected& out) const {
        const double dx = x - eyeX, dy = y - eyeY;
        return ProjectParts(dx * cosAz + dy * sinAz, -dx * sinAz + dy * cosAz, z - eyeZ, out);
    }
    // The same from forward and right distances and the height over the eye,
    // for callers that share the products of a row or column of points.
    bool ProjectParts(double forward, double right, double dz, Projected& out) const {
        const double up = -dz * sinTilt + forward * cosTilt;
        const double depth = dz * cosTilt + forward * sinTilt;
        if (!(depth > 0.0)) return false;
        const double scale = focal / depth;
        const double sx = width / 2 + right * scale;
        const double sy = height / 2 - up * scale;
        if (sx != sx || sy != sy) return false;  // not a number
        out.sx = Clamp16(sx);
        out.sy = Clamp16(sy);
        out.depth = depth < 2147483647.0 ? std::int32_t(depth) : 2147483647;
        return true;
    }

private:
    static std::int32_t Clamp16(double v) {
        return v > 32767.0 ? 32767 : v < -32768.0 ? -32768 : std::int32_t(v);
    }
};

// The span of columns on a strip of rows whose points, at any height from
// zLow to zHigh, can reach the picture (with a margin of a few pixels) or
// rise above it: rows run along x when alongX, else along y. The strip is
// rows r0..r1 and columns c0..c1; false when no point of it can. A point
// above the picture still closes its columns, so the top is not a limit.
bool VisibleSpan(const Camera& cam, bool alongX, double r0, double r1, double c0, double c1, double zLow,
                 double zHigh, double& cMin, double& cMax);

// False when no point of the box x0..x1, y0..y1, z0..z1 can reach the
// picture or rise above it: the whole box lies behind the eye, or beyond one
// of the picture's left, right or bottom edges.
bool BoxCanShow(const Camera& cam, double x0, double x1, double y0, double y1, double z0, double z1);

// The ground trapezoid (corners near-left, near-right, far-left, far-right)
// with its edge lines, as seen from the camera over the plane z = 0.
struct Trapezoid {
    Point2 nearLeft, nearRight, farLeft, farRight;
    Line left, right, farEdge;
    double sideSign = 1.0;  // sign of the far edge's value at the eye
    int groundRange = 0;    // metres, for the map's marker
    bool Finite() const;
    void Build(const Camera& cam);
};

// Rows of one scan: the grid index along the scan axis.
struct ScanPlan {
    ScanDir dir = kScanNorth;
    int firstRow = 0;
    int rowCount = 0;
    int rowStep = 1;
    double apex = -1.0;  // the edges' crossing along the column axis; -1 when parallel
};
ScanPlan PlanScan(double azimut, const Trapezoid& t);

// Row buffers index a column by column - offset in 0..kRowBufferSize-1.
constexpr int kRowBufferSize = 4000;
constexpr int kEastingOffset = 3000;    // columns of the north and south scans
constexpr int kNorthingOffset = 49000;  // columns of the east and west scans
inline int ColumnOffset(ScanDir d) {
    return (d == kScanNorth || d == kScanSouth) ? kEastingOffset : kNorthingOffset;
}

}  // namespace dmr
