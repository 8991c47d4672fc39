#pragma once
// Gauss-Krueger projection on the local ellipsoid and a 7-parameter Helmert
// shift to and from WGS84. Angles in and out are degrees.
//
// Every conversion returns 0/false when the local ellipsoid (or, towards and
// from WGS84, the datum parameters) is not set, or when an input, a parameter
// or the result is not finite; it then writes no out-parameter. The one
// exception: GKToWGS84 without datum parameters writes the local latitude and
// longitude before it returns 0.

#include "geo/Types.h"

// What every conversion that finds the transform without parameters says.
inline constexpr char kGeoTransformError[] = "Error! Geodetic transformation parameters not set.";

class CGeoTransform {
public:
    CGeoTransform();

    void SetLocalEllipsoid(double a, double f);
    void SelectLocalEllipsoid(int n);  // 0 = Bessel 1841; others change nothing
    void GetLocalEllipsoid(double& a, double& f) const;
    void SetHelmertParameters(double dx, double dy, double dz, double rx, double ry, double rz, double s);
    void GetHelmertParameters(double& dx, double& dy, double& dz, double& rx, double& ry, double& rz,
                              double& s) const;
    bool HasLocalEllipsoid() const { return m_LocalSet != 0; }
    bool HasParameters() const { return m_ParamsSet != 0; }

    int GKToWGS84(double easting, double northing, double& lat, double& lon) const;
    int WGS84ToGK(double lat, double lon, CPointD& point) const;
    bool GeoToGK(double lat, double lon, CPointD& point) const;
    bool GKToGeo(double easting, double northing, double& lat, double& lon) const;

    static void GeoToCartesian(double lat, double lon, double h, double& X, double& Y, double& Z, double a,
                               double f);
    // False when the iteration does not settle or an input is not finite.
    static bool CartesianToGeo(double X, double Y, double Z, double& lat, double& lon, double& h, double a,
                               double f);
    // Shift in place; false, and nothing changed, when a value is not finite.
    static bool Helmert7(double& lat, double& lon, double& h, double srcA, double srcF, double dstA,
                         double dstF, double dx, double dy, double dz, double rx, double ry, double rz,
                         double s);
    static bool Shift3(double& lat, double& lon, double& h, double srcA, double srcF, double dstA,
                       double dstF, double dx, double dy, double dz);

private:
    double m_LocalA = 0, m_LocalF = 0;
    double m_WgsA, m_WgsF;
    double m_FwdSrcA = 0, m_FwdSrcF = 0, m_FwdDstA = 0, m_FwdDstF = 0;
    double m_dx = 0, m_dy = 0, m_dz = 0, m_rx = 0, m_ry = 0, m_rz = 0, m_s = 0;
    double m_RevSrcA = 0, m_RevSrcF = 0, m_RevDstA = 0, m_RevDstF = 0;
    double m_ndx = 0, m_ndy = 0, m_ndz = 0, m_nrx = 0, m_nry = 0, m_nrz = 0, m_ns = 0;
    int m_LocalSet = 0;
    int m_ParamsSet = 0;
};
