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

bool BoxCanShow(const Camera& cam, double x0, double x1, double y0, double y1, double z0, double z1) {
    // Each test is affine in the point, so its largest value is at a corner.
    const double margin = 4.0, halfW = cam.width / 2, halfH = cam.height / 2;
    double most[4] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const double x : {x0, x1})
        for (const double y : {y0, y1})
            for (const double z : {z0, z1}) {
                const double dx = x - cam.eyeX, dy = y - cam.eyeY, dz = z - cam.eyeZ;
                const double forward = dx * cam.cosAz + dy * cam.sinAz;
                const double right = (-dx * cam.sinAz + dy * cam.cosAz) * cam.focal;
                const double up = (-dz * cam.sinTilt + forward * cam.cosTilt) * cam.focal;
                const double depth = dz * cam.cosTilt + forward * cam.sinTilt;
                const double v[4] = {depth, right + (halfW + margin) * depth,
                                     (cam.width - 1 + margin - halfW) * depth - right,
                                     (halfH + margin) * depth - up};
                for (int i = 0; i < 4; ++i) most[i] = std::max(most[i], v[i]);
            }
    // NaN keeps the box: nothing is known.
    return !(most[0] < 0 || most[1] < 0 || most[2] < 0 || most[3] < 0);
}

bool VisibleSpan(const Camera& cam, bool alongX, double r0, double r1, double c0, double c1, double zLow,
                 double zHigh, double& cMin, double& cMax) {
    // Half-spaces a . (x, y, z) + b >= 0: in front of the eye, inside the
    // left, right and bottom edges of the picture, and the box itself. The
    // set is a bounded convex body; its extreme columns lie at vertices,
    // where three of the planes meet.
    struct Plane {
        double a[3];
        double b;
    };
    const double sa = cam.sinAz, ca = cam.cosAz, st = cam.sinTilt, ct = cam.cosTilt, f = cam.focal;
    const double ex = cam.eyeX, ey = cam.eyeY, ez = cam.eyeZ;
    // forward, right, depth and up as affine forms of (x, y, z).
    const double fw[3] = {ca, sa, 0}, fwb = -ex * ca - ey * sa;
    const double rt[3] = {-sa, ca, 0}, rtb = ex * sa - ey * ca;
    const double dp[3] = {fw[0] * st, fw[1] * st, ct}, dpb = fwb * st - ez * ct;
    const double up[3] = {fw[0] * ct, fw[1] * ct, -st}, upb = fwb * ct + ez * st;
    const double margin = 4.0, halfW = cam.width / 2, halfH = cam.height / 2;
    const double left = halfW + margin, right = cam.width - 1 + margin - halfW, bottom = halfH + margin;
    Plane pl[10] = {
        {{dp[0], dp[1], dp[2]}, dpb},
        {{rt[0] * f + left * dp[0], rt[1] * f + left * dp[1], rt[2] * f + left * dp[2]},
         rtb * f + left * dpb},
        {{right * dp[0] - rt[0] * f, right * dp[1] - rt[1] * f, right * dp[2] - rt[2] * f},
         right * dpb - rtb * f},
        {{bottom * dp[0] - up[0] * f, bottom * dp[1] - up[1] * f, bottom * dp[2] - up[2] * f},
         bottom * dpb - upb * f},
    };
    const int rowAxis = alongX ? 0 : 1, colAxis = alongX ? 1 : 0;
    for (const Plane& q : pl)
        if (!std::isfinite(q.a[0]) || !std::isfinite(q.a[1]) || !std::isfinite(q.a[2]) ||
            !std::isfinite(q.b)) {
            cMin = std::min(c0, c1), cMax = std::max(c0, c1);  // no narrowing where the camera is no number
            return true;
        }
    auto box = [&](int i, int axis, double sign, double v) {
        pl[i] = Plane{{0, 0, 0}, -sign * v};
        pl[i].a[axis] = sign;
    };
    box(4, rowAxis, 1, std::min(r0, r1));
    box(5, rowAxis, -1, std::max(r0, r1));
    box(6, colAxis, 1, std::min(c0, c1));
    box(7, colAxis, -1, std::max(c0, c1));
    box(8, 2, 1, zLow);
    box(9, 2, -1, zHigh);
    auto norm = [](const double* a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); };
    double norms[10];
    for (int i = 0; i < 10; ++i) norms[i] = norm(pl[i].a);
    bool found = false;
    for (int i = 0; i < 10; ++i)
        for (int j = i + 1; j < 10; ++j)
            for (int k = j + 1; k < 10; ++k) {
                const double* A = pl[i].a;
                const double* B = pl[j].a;
                const double* C = pl[k].a;
                const double det = A[0] * (B[1] * C[2] - B[2] * C[1]) - A[1] * (B[0] * C[2] - B[2] * C[0]) +
                                   A[2] * (B[0] * C[1] - B[1] * C[0]);
                if (!(std::fabs(det) > 1e-12 * norms[i] * norms[j] * norms[k])) continue;
                // Cramer's rule for a . p = -b on the three planes.
                const double u = -pl[i].b, v = -pl[j].b, w = -pl[k].b;
                const double p[3] = {
                    (u * (B[1] * C[2] - B[2] * C[1]) - A[1] * (v * C[2] - B[2] * w) +
                     A[2] * (v * C[1] - B[1] * w)) /
                        det,
                    (A[0] * (v * C[2] - B[2] * w) - u * (B[0] * C[2] - B[2] * C[0]) +
                     A[2] * (B[0] * w - v * C[0])) /
                        det,
                    (A[0] * (B[1] * w - v * C[1]) - A[1] * (B[0] * w - v * C[0]) +
                     u * (B[0] * C[1] - B[1] * C[0])) /
                        det,
                };
                if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
                bool inside = true;
                for (int n = 0; n < 10 && inside; ++n) {
                    const double* a = pl[n].a;
                    const double scale = std::fabs(a[0] * p[0]) + std::fabs(a[1] * p[1]) +
                                         std::fabs(a[2] * p[2]) + std::fabs(pl[n].b);
                    inside = a[0] * p[0] + a[1] * p[1] + a[2] * p[2] + pl[n].b >= -1e-9 * scale;
                }
                if (!inside) continue;
                cMin = found ? std::min(cMin, p[colAxis]) : p[colAxis];
                cMax = found ? std::max(cMax, p[colAxis]) : p[colAxis];
                found = true;
            }
    return found;
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
