#include "geo/GeoTransform.h"

#include <cmath>

#include "geo/Convert.h"

namespace {

// The program's own value of pi, used in every degree/radian conversion.
constexpr double kDegToRad = 0.017453292522222223;        // kPi / 180
constexpr double kCentralMeridian = 0.26179938783333334;  // 15 degrees
constexpr double kScale = 0.9999;
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthing = 0.0;
constexpr double kSettled = 1.7453292522222223e-8;  // one millionth of a degree
// The latitude iteration gains about two digits a step; far more than it ever needs.
constexpr int kMaxIterations = 100;

bool Finite(double v) { return std::isfinite(v); }

template <typename... T>
bool AllFinite(T... v) {
    return (Finite(v) && ...);
}

struct LatitudeTerms {
    double nu, rho, psi, t;
};

// From the sine and cosine of the latitude: sqrt and one division instead
// of pow and tan, which cost more than the rest of a conversion.
LatitudeTerms TermsAt(double s, double c, double a, double e2) {
    const double w = 1.0 - e2 * s * s;
    const double rw = std::sqrt(w);
    LatitudeTerms r;
    r.nu = a / rw;
    r.rho = a * (1.0 - e2) / (w * rw);
    r.psi = w / (1.0 - e2);  // nu / rho
    r.t = s / c;
    return r;
}

// sin(2x), sin(4x), sin(6x), sin(8x) from the sine and cosine of 2x.
struct MultipleSines {
    double s2, s4, s6, s8;
};
MultipleSines SinesOfMultiples(double s2, double c2) {
    const double s4 = 2.0 * s2 * c2, c4 = c2 * c2 - s2 * s2;
    return {s2, s4, s4 * c2 + c4 * s2, 2.0 * s4 * c4};
}

// Forward Gauss-Krueger on (a, f); false when the result is not finite.
bool Project(double lat, double lon, double a, double f, double& easting, double& northing) {
    if (!AllFinite(lat, lon, a, f)) return false;
    const double phi = lat * kPi / 180.0;
    const double w = lon * kPi / 180.0 - kCentralMeridian;
    const double e2 = 2.0 * f - f * f;
    const double e4 = e2 * e2, e6 = e4 * e2;
    const double s = std::sin(phi), c = std::cos(phi);
    const LatitudeTerms q = TermsAt(s, c, a, e2);
    const double psi = q.psi, t = q.t, t2 = t * t, nu = q.nu;
    const MultipleSines k = SinesOfMultiples(2.0 * s * c, c * c - s * s);

    const double m = a * ((1.0 - e2 / 4.0 - 3.0 * e4 / 64.0 - 5.0 * e6 / 256.0) * phi -
                          (3.0 / 8.0) * (e2 + e4 / 4.0 + 15.0 * e6 / 128.0) * k.s2 +
                          (15.0 / 256.0) * (e4 + 3.0 * e6 / 4.0) * k.s4 - (35.0 / 3072.0) * e6 * k.s6);

    const double w2 = w * w, w4 = w2 * w2, w6 = w4 * w2, w8 = w4 * w4;
    const double c2 = c * c, c3 = c2 * c, c5 = c3 * c2, c7 = c5 * c2;
    const double psi2 = psi * psi, psi3 = psi2 * psi, psi4 = psi2 * psi2;
    const double t4 = t2 * t2, t6 = t4 * t2;

    // The easting series ends at the third-order term.
    // Divisions by constants are multiplications by their reciprocals: a
    // division costs as much as a dozen multiplications.
    const double e = kFalseEasting + kScale * nu * w * c * (1.0 + (w2 * c2 * (1.0 / 6.0)) * (psi - t2));
    const double n =
        kScale * (m + nu * s * c * w2 * 0.5 + nu * s * c3 * (w4 * (1.0 / 24.0)) * (4.0 * psi2 + psi - t2) +
                  nu * s * c5 * (w6 * (1.0 / 720.0)) *
                      (8.0 * psi4 * (11.0 - 24.0 * t2) - 28.0 * psi3 * (1.0 - 6.0 * t2) +
                       psi2 * (1.0 - 32.0 * t2) - 2.0 * psi * t2 + t4) +
                  nu * s * c7 * (w8 * (1.0 / 40320.0)) * (1385.0 - 3111.0 * t2 + 543.0 * t4 - t6)) +
        kFalseNorthing;
    if (!AllFinite(e, n)) return false;
    easting = e;
    northing = n;
    return true;
}

// Inverse Gauss-Krueger on (a, f) to degrees; false when the result is not finite.
bool Unproject(double easting, double northing, double a, double f, double& lat, double& lon) {
    if (!AllFinite(easting, northing, a, f)) return false;
    const double e2 = 2.0 * f - f * f;
    const double n = f / (2.0 - f);
    const double n2 = n * n, n3 = n2 * n, n4 = n2 * n2;
    const double m = (northing - kFalseNorthing) * (1.0 / kScale);
    const double g = a * (1.0 - n) * (1.0 - n2) * (1.0 + 9.0 * n2 / 4.0 + 225.0 * n4 / 64.0) * (kPi / 180.0);
    const double sigma = m * kPi / (g * 180.0);
    const MultipleSines k = SinesOfMultiples(std::sin(2.0 * sigma), std::cos(2.0 * sigma));
    const double fp = sigma + (3.0 * n / 2.0 - 27.0 * n3 / 32.0) * k.s2 +
                      (21.0 * n2 / 16.0 - 55.0 * n4 / 32.0) * k.s4 + (151.0 / 96.0 * n3) * k.s6 +
                      (1097.0 * n4 / 512.0) * k.s8;

    const double sfp = std::sin(fp), cfp = std::cos(fp);
    const LatitudeTerms q = TermsAt(sfp, cfp, a, e2);
    const double t = q.t, t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
    const double psi = q.psi, psi2 = psi * psi, psi3 = psi2 * psi, psi4 = psi2 * psi2;
    const double de = easting - kFalseEasting;
    const double x = de / (kScale * q.nu);
    const double tt = t / (kScale * q.rho);
    const double icfp = 1.0 / cfp;
    const double x3 = x * x * x, x5 = x3 * x * x, x7 = x5 * x * x;

    const double phi = fp - tt * x * de * 0.5 +
                       tt * (de * x3 * (1.0 / 24.0)) * (-4.0 * psi2 + 9.0 * psi * (1.0 - t2) + 12.0 * t2) -
                       tt * (de * x5 * (1.0 / 720.0)) *
                           (8.0 * psi4 * (11.0 - 24.0 * t2) - 12.0 * psi3 * (21.0 - 71.0 * t2) +
                            15.0 * psi2 * (15.0 - 98.0 * t2 + 15.0 * t4) +
                            180.0 * psi * (5.0 * t2 - 3.0 * t4) + 360.0 * t4) +
                       tt * (de * x7 * (1.0 / 40320.0)) * (1385.0 + 3633.0 * t2 + 4095.0 * t4 + 1575.0 * t6);
    const double lambda =
        kCentralMeridian +
        icfp * (x - (x3 * (1.0 / 6.0)) * (psi + 2.0 * t2) +
                (x5 * (1.0 / 120.0)) * (-4.0 * psi3 * (1.0 - 6.0 * t2) + psi2 * (9.0 - 68.0 * t2) +
                                        72.0 * psi * t2 + 24.0 * t4) -
                (x7 * (1.0 / 5040.0)) * (61.0 + 662.0 * t2 + 1320.0 * t4 + 720.0 * t6));

    const double outLat = phi / kDegToRad, outLon = lambda / kDegToRad;
    if (!AllFinite(outLat, outLon)) return false;
    lat = outLat;
    lon = outLon;
    return true;
}

}  // namespace

CGeoTransform::CGeoTransform() : m_WgsA(6378137.0), m_WgsF(1.0 / 298.257223563) {}

void CGeoTransform::SetLocalEllipsoid(double a, double f) {
    m_LocalA = a;
    m_LocalF = f;
    m_LocalSet = 1;
}

void CGeoTransform::SelectLocalEllipsoid(int n) {
    if (n == 0) SetLocalEllipsoid(6377397.155, 1.0 / 299.15281);
}

void CGeoTransform::GetLocalEllipsoid(double& a, double& f) const {
    a = m_LocalA;
    f = m_LocalF;
}

void CGeoTransform::SetHelmertParameters(double dx, double dy, double dz, double rx, double ry, double rz,
                                         double s) {
    m_FwdSrcA = m_LocalA;
    m_FwdSrcF = m_LocalF;
    m_FwdDstA = m_WgsA;
    m_FwdDstF = m_WgsF;
    m_dx = dx;
    m_dy = dy;
    m_dz = dz;
    m_rx = rx;
    m_ry = ry;
    m_rz = rz;
    m_s = s;
    m_RevSrcA = m_WgsA;
    m_RevSrcF = m_WgsF;
    m_RevDstA = m_LocalA;
    m_RevDstF = m_LocalF;
    m_ndx = -dx;
    m_ndy = -dy;
    m_ndz = -dz;
    m_nrx = -rx;
    m_nry = -ry;
    m_nrz = -rz;
    m_ns = -s;
    m_ParamsSet = 1;
}

void CGeoTransform::GetHelmertParameters(double& dx, double& dy, double& dz, double& rx, double& ry,
                                         double& rz, double& s) const {
    dx = m_dx;
    dy = m_dy;
    dz = m_dz;
    rx = m_rx;
    ry = m_ry;
    rz = m_rz;
    s = m_s;
}

int CGeoTransform::GKToWGS84(double easting, double northing, double& lat, double& lon) const {
    if (!m_LocalSet) return 0;
    double la, lo;
    if (!Unproject(easting, northing, m_LocalA, m_LocalF, la, lo)) return 0;
    if (!m_ParamsSet) {
        // Callers that show the fields after the failure message expect the local values.
        lat = la;
        lon = lo;
        return 0;
    }
    double h = 0.0;
    if (!Helmert7(la, lo, h, m_FwdSrcA, m_FwdSrcF, m_FwdDstA, m_FwdDstF, m_dx, m_dy, m_dz, m_rx, m_ry, m_rz,
                  m_s))
        return 0;
    lat = la;
    lon = lo;
    return 1;
}

int CGeoTransform::WGS84ToGK(double lat, double lon, CPointD& point) const {
    if (!m_LocalSet || !m_ParamsSet) return 0;
    double la = lat, lo = lon, h = 0.0;
    if (!Helmert7(la, lo, h, m_RevSrcA, m_RevSrcF, m_RevDstA, m_RevDstF, m_ndx, m_ndy, m_ndz, m_nrx, m_nry,
                  m_nrz, m_ns))
        return 0;
    double e, n;
    if (!Project(la, lo, m_LocalA, m_LocalF, e, n)) return 0;
    point.easting = e;
    point.northing = n;
    return 1;
}

bool CGeoTransform::GeoToGK(double lat, double lon, CPointD& point) const {
    if (!m_LocalSet) return false;
    double e, n;
    if (!Project(lat, lon, m_LocalA, m_LocalF, e, n)) return false;
    point.easting = e;
    point.northing = n;
    return true;
}

bool CGeoTransform::GKToGeo(double easting, double northing, double& lat, double& lon) const {
    if (!m_LocalSet) return false;
    return Unproject(easting, northing, m_LocalA, m_LocalF, lat, lon);
}

void CGeoTransform::GeoToCartesian(double lat, double lon, double h, double& X, double& Y, double& Z,
                                   double a, double f) {
    const double phi = lat * kPi / 180.0;
    const double lambda = lon * kPi / 180.0;
    const double e2 = 2.0 * f - f * f;
    const double s = std::sin(phi), c = std::cos(phi);
    const double nu = a / std::sqrt(1.0 - e2 * s * s);
    X = (nu + h) * c * std::cos(lambda);
    Y = (nu + h) * c * std::sin(lambda);
    Z = ((1.0 - e2) * nu + h) * s;
}

bool CGeoTransform::CartesianToGeo(double X, double Y, double Z, double& lat, double& lon, double& h,
                                   double a, double f) {
    if (!AllFinite(X, Y, Z, a, f)) return false;
    const double e2 = 2.0 * f - f * f;
    const double lambda = std::atan2(Y, X);
    const double p = std::sqrt(X * X + Y * Y);
    if (!Finite(p)) return false;
    // Bowring's latitude is already good to well below a millimetre near
    // the surface, so the iteration settles at its first step. The latitude
    // is carried as its sine and cosine, taken from the sides of the angle;
    // only the result needs an atan2.
    double s = 0.0, c = 1.0;  // the equator, where nothing better is known
    const auto takeAngle = [&](double y, double x) {
        const double r = std::sqrt(y * y + x * x);
        s = r > 0.0 ? y / r : 0.0;
        c = r > 0.0 ? x / r : 1.0;
    };
    const double b = a * (1.0 - f);
    const double za = Z * a, pb = p * b, r = std::sqrt(za * za + pb * pb);
    if (r > 0.0 && Finite(r)) {
        const double su = za / r, cu = pb / r;
        takeAngle(Z + e2 / (1.0 - e2) * b * su * su * su, p - e2 * a * cu * cu * cu);
        if (!AllFinite(s, c)) s = 0.0, c = 1.0;
    }
    double y = 0.0;
    bool settled = false;
    for (int i = 0; i < kMaxIterations && !settled; ++i) {
        const double ps = s, pc = c;
        y = Z + e2 * a / std::sqrt(1.0 - e2 * s * s) * s;
        takeAngle(y, p);
        if (!AllFinite(s, c)) return false;
        // The sine of the step, and its cosine to rule out a half turn.
        settled = std::fabs(s * pc - c * ps) <= kSettled && c * pc + s * ps > 0.0;
    }
    if (!settled) return false;
    const double phi = std::atan2(y, p);
    const double nu = a / std::sqrt(1.0 - e2 * s * s);
    // Z / sin(phi) is 0/0 on the equator; near it the horizontal form is the sound one.
    const double height = std::fabs(s) >= 0.1 ? Z / s - (1.0 - e2) * nu : p / c - nu;
    const double outLat = phi / kDegToRad, outLon = lambda / kDegToRad;
    if (!AllFinite(outLat, outLon, height)) return false;
    lat = outLat;
    lon = outLon;
    h = height;
    return true;
}

bool CGeoTransform::Helmert7(double& lat, double& lon, double& h, double srcA, double srcF, double dstA,
                             double dstF, double dx, double dy, double dz, double rx, double ry, double rz,
                             double s) {
    if (!AllFinite(lat, lon, h, srcA, srcF, dstA, dstF, dx, dy, dz, rx, ry, rz, s)) return false;
    double X, Y, Z;
    GeoToCartesian(lat, lon, h, X, Y, Z, srcA, srcF);
    const double k = 1.0 + s;
    const double X2 = k * (X + rz * Y - ry * Z) + dx;
    const double Y2 = k * (-rz * X + Y + rx * Z) + dy;
    const double Z2 = k * (ry * X - rx * Y + Z) + dz;
    return CartesianToGeo(X2, Y2, Z2, lat, lon, h, dstA, dstF);
}

bool CGeoTransform::Shift3(double& lat, double& lon, double& h, double srcA, double srcF, double dstA,
                           double dstF, double dx, double dy, double dz) {
    if (!AllFinite(lat, lon, h, srcA, srcF, dstA, dstF, dx, dy, dz)) return false;
    double X, Y, Z;
    GeoToCartesian(lat, lon, h, X, Y, Z, srcA, srcF);
    return CartesianToGeo(X + dx, Y + dy, Z + dz, lat, lon, h, dstA, dstF);
}
