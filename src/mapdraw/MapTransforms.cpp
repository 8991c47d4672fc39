#include "mapdraw/MapTransforms.h"

#include <climits>
#include <cmath>

#include "doc/VornaDoc.h"
#include "geo/Convert.h"

// The expressions below keep their order of evaluation: the last pixel of
// a conversion, and so where stored positions land, depends on it.

ClientTransform::ClientTransform(const MapViewDesc& d, const GeorefParams& g)
    : m_Series(d.mapType >= 0),
      m_ShiftX(-static_cast<long long>(d.origin.x) + d.deviceOffset.x),
      m_ShiftY(-static_cast<long long>(d.origin.y) + d.deviceOffset.y),
      m_ZoomX(d.zoomX),
      m_ZoomY(d.zoomY) {
    if (m_Series) {
        const double S = d.scale;
        m_Kx = m_Ky = S / 1000.0;
    } else {
        m_Kx = g.scaleX / 1000.0;
        m_Ky = g.scaleY / 1000.0;
        m_Cos = std::cos(g.rotation);
        m_Sin = std::sin(g.rotation);
        m_Origin = g.origin;
        m_PixelX = -static_cast<long long>(g.pixelOffset.x);
        m_PixelY = -static_cast<long long>(g.pixelOffset.y);
    }
}

MapPoint MapToDevice(double E, double N, const MapViewDesc& d, const GeorefParams& g) {
    return ClientTransform(d, g).Device(E, N);
}

CPointD DeviceToMap(int x, int y, const MapViewDesc& d, const GeorefParams& g) {
    if (d.mapType >= 0) {
        const double S = d.scale;
        return {x / 150.0 * 25.4 * (S / 1000.0) + kSeriesOriginE,
                kSeriesOriginN - y / 150.0 * 25.4 * (S / 1000.0)};
    }
    const double xs = static_cast<double>(x) + g.pixelOffset.x;
    const double ys = static_cast<double>(y) + g.pixelOffset.y;
    // Whole metres before the rotation: stored reference points assume it.
    const double mx = SaturateToInt(xs * (g.scaleX / 1000.0 / 150.0 * 25.4));
    const double my = SaturateToInt(ys * (g.scaleY / 1000.0 / 150.0 * 25.4));
    const double a = -g.rotation;
    return {std::cos(a) * mx - std::sin(a) * my + g.origin.easting,
            g.origin.northing - (std::cos(a) * my + std::sin(a) * mx)};
}

MapPoint MapToClient(double E, double N, const MapViewDesc& d, const GeorefParams& g) {
    return ClientTransform(d, g)(E, N);
}

CPointD ClientToMap(int x, int y, const MapViewDesc& d, const GeorefParams& g) {
    const long long dx = SaturateToInt(x / d.zoomX);
    const long long dy = SaturateToInt(y / d.zoomY);
    const int px = SaturatedSum(0, dx - d.deviceOffset.x + d.origin.x);
    const int py = SaturatedSum(0, dy - d.deviceOffset.y + d.origin.y);
    return DeviceToMap(px, py, d, g);
}

int PixelsToMetresX(int n, const MapViewDesc& d, const GeorefParams& g) {
    const double S = d.mapType >= 0 ? d.scale : g.scaleX;
    return SaturateToInt(n / 150.0 * 25.4 * (S / 1000.0));
}

int PixelsToMetresY(int n, const MapViewDesc& d, const GeorefParams& g) {
    const double S = d.mapType >= 0 ? d.scale : g.scaleY;
    return SaturateToInt(n / 150.0 * 25.4 * (S / 1000.0));
}

GeorefParams DocGeoref(const CVornaDoc& doc) {
    const ImageGeoref& g = doc.ImageGeoref;
    GeorefParams p;
    p.pixelOffset = {g.PixelOffset.x, g.PixelOffset.y};
    p.scaleX = g.ScaleX;
    p.scaleY = g.ScaleY;
    p.rotation = g.Rotation;
    p.origin = g.Origin;
    return p;
}
