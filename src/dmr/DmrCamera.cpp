#include "dmr/DmrCamera.h"

#include <algorithm>
#include <cmath>

#include "geo/Convert.h"
#include "settings/AppSettings.h"

namespace dmr {

Line LineThrough(double x1, double y1, double x2, double y2) {
    Line l;
    l.a = y1 - y2;
    l.b = x2 - x1;
    l.c = (y2 - y1) * x1 - l.b * y1;
    return l;
}

Point2 RotatePoint(double x, double y, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {c * x - s * y, s * x + c * y};
}

double NormalizeHeading(double degrees) { return NormalizeDegrees(degrees); }

ScanDir ScanDirection(double azimut) {
    const double a = NormalizeHeading(azimut);
    if (a > 315.0 || a <= 45.0) return kScanNorth;
    if (a <= 135.0) return kScanEast;
    if (a <= 225.0) return kScanSouth;
    return kScanWest;
}

void Camera::Setup(const DmrParams& p, int w, int h, double eyeHeight) {
    azimuth = p.Azimut * kPi / 180.0;
    tilt = (90.0 - p.Elevation) * kPi / 180.0;
    halfAngle = p.ViewAngle * kPi / 360.0;
    eyeX = p.ViewPoint.northing / 100.0;
    eyeY = p.ViewPoint.easting / 100.0;
    eyeZ = eyeHeight;
    range = p.Visibility * 10.0;
    cosAz = std::cos(azimuth);
    sinAz = std::sin(azimuth);
    cosTilt = std::cos(tilt);
    sinTilt = std::sin(tilt);
    width = w;
    height = h;
    focal = (w * 0.5) / std::tan(halfAngle);
}

bool Trapezoid::Finite() const {
    for (const Point2& p : {nearLeft, nearRight, farLeft, farRight})
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    for (const Line& l : {left, right, farEdge})
        if (!std::isfinite(l.a) || !std::isfinite(l.b) || !std::isfinite(l.c)) return false;
    return true;
}

void Trapezoid::Build(const Camera& cam) {
    const double Z = cam.eyeZ;
    const double tanHalf = std::tan(cam.halfAngle);
    const double va = std::atan(tanHalf * cam.height / cam.width);
    const double a1 = kPi - cam.tilt - va;
    const double nearD = std::tan(a1) * Z;
    const double wn = tanHalf * std::cos(va) * Z / std::cos(a1);
    const double a2 = kPi - cam.tilt + va;
    const double farD = a2 >= 1.570796327 ? cam.range : std::min(std::tan(a2) * Z, cam.range);
    groundRange = SaturateToInt(farD * 100.0);
    const double wf =
        tanHalf * std::cos(kPi - cam.tilt - std::atan(farD / Z)) * std::sqrt(farD * farD + Z * Z);
    auto place = [&](double forward, double lateral) {
        const Point2 r = RotatePoint(forward, lateral, cam.azimuth);
        return Point2{r.x + cam.eyeX, r.y + cam.eyeY};
    };
    nearLeft = place(nearD, -wn);
    nearRight = place(nearD, wn);
    farLeft = place(farD, -wf);
    farRight = place(farD, wf);
    left = LineThrough(nearLeft.x, nearLeft.y, farLeft.x, farLeft.y);
    right = LineThrough(nearRight.x, nearRight.y, farRight.x, farRight.y);
    farEdge = LineThrough(farLeft.x, farLeft.y, farRight.x, farRight.y);
    sideSign = std::copysign(1.0, farEdge.At(cam.eyeX, cam.eyeY));
    // The scan starts at the eye, whatever the lower edge of the picture sees.
    const double n2 = std::min(nearD, 0.01);
    const double w2 = tanHalf * std::cos(kPi - cam.tilt - std::atan(n2 / Z)) * std::sqrt(n2 * n2 + Z * Z);
    nearLeft = place(n2, -w2);
    nearRight = place(n2, w2);
}

ScanPlan PlanScan(double azimut, const Trapezoid& t) {
    ScanPlan s;
    s.dir = ScanDirection(azimut);
    const double det = Det2(t.left.a, t.left.b, t.right.a, t.right.b);
    const bool alongX = s.dir == kScanNorth || s.dir == kScanSouth;
    if (det == 0.0)
        s.apex = -1.0;
    else if (alongX)
        s.apex = Det2(t.left.c, t.left.a, t.right.c, t.right.a) / det;
    else
        s.apex = Det2(t.left.b, t.left.c, t.right.b, t.right.c) / det;
    auto axis = [&](const Point2& p) { return SaturateToInt(alongX ? p.x : p.y); };
    const int nl = axis(t.nearLeft), nr = axis(t.nearRight), fl = axis(t.farLeft), fr = axis(t.farRight);
    long long first, last, count;
    if (s.dir == kScanNorth || s.dir == kScanEast) {
        first = std::min(nl, nr);
        last = (long long)std::max(fl, fr) - 1;
        count = last - first + 1;
        s.rowStep = 1;
    } else {
        first = (long long)std::max(nl, nr) + 1;
        last = (long long)std::min(fl, fr) + 2;
        count = first - last + 1;
        s.rowStep = -1;
    }
    // Rows beyond the row buffers' window hold no column that can be drawn;
    // keeping the scan inside it bounds the work of degenerate views.
    const long long lo = ColumnOffset(alongX ? kScanEast : kScanNorth);
    const long long hi = lo + kRowBufferSize;
    const long long f = std::clamp(first, lo - 1, hi), l = std::clamp(last, lo - 1, hi);
    if (count > 0) count = (l - f) * s.rowStep + 1;
    first = f;
    s.firstRow = int(first);
    s.rowCount = int(std::max(count, -1LL));
    return s;
}

}  // namespace dmr
