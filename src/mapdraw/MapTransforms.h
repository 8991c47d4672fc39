#pragma once
// Map coordinates (local grid metres) to map pixels (150 dpi) and client
// pixels of a pane, and back. Series maps are placed by their scale alone;
// image maps and "no map" go through the image georeference.

#include <cmath>

#include "doc/MapViewDesc.h"
#include "geo/Convert.h"
#include "geo/Types.h"

// The image-map georeference values the transforms read (the document's
// image georeference supplies them). Scales are denominators at 150 dpi.
struct GeorefParams {
    MapPoint pixelOffset;
    double scaleX = 1.0;
    double scaleY = 1.0;
    double rotation = 0.0;  // radians
    CPointD origin;
};

constexpr double kSeriesOriginE = 370000.0;
constexpr double kSeriesOriginN = 5220000.0;
// Hundredths of a millimetre to 150-dpi pixels.
constexpr double kHmmToPixels = 5.905511811023622;

MapPoint MapToDevice(double E, double N, const MapViewDesc& d, const GeorefParams& g);
CPointD DeviceToMap(int x, int y, const MapViewDesc& d, const GeorefParams& g);
inline CPointD DeviceToMap(const MapPoint& p, const MapViewDesc& d, const GeorefParams& g) {
    return DeviceToMap(p.x, p.y, d, g);
}
MapPoint MapToClient(double E, double N, const MapViewDesc& d, const GeorefParams& g);
inline MapPoint MapToClient(const CPointD& p, const MapViewDesc& d, const GeorefParams& g) {
    return MapToClient(p.easting, p.northing, d, g);
}
CPointD ClientToMap(int x, int y, const MapViewDesc& d, const GeorefParams& g);
int PixelsToMetresX(int n, const MapViewDesc& d, const GeorefParams& g);
int PixelsToMetresY(int n, const MapViewDesc& d, const GeorefParams& g);

// MapToClient for many points under one descriptor, as the painters use it:
// the scale, the rotation's sine and cosine and the pane's offsets are taken
// once and each point is converted inline. MapToDevice and MapToClient run
// this same code, so the results agree bit for bit (the expressions keep
// their order of evaluation; only values that do not depend on the point
// are taken out of the loop).
class ClientTransform {
public:
    ClientTransform(const MapViewDesc& d, const GeorefParams& g);
    MapPoint Device(double E, double N) const {
        MapPoint p;
        if (m_Series) {
            p.x = SaturateToInt((E - kSeriesOriginE) * 150.0 / 25.4 / m_Kx);
            p.y = SaturateToInt((kSeriesOriginN - N) * 150.0 / 25.4 / m_Ky);
        } else {
            const double dE = E - m_Origin.easting;
            const double dN = N - m_Origin.northing;
            p.x = SaturatedSum(SaturateToInt((m_Cos * dE + m_Sin * dN) * 150.0 / 25.4 / m_Kx), m_PixelX);
            p.y = SaturatedSum(SaturateToInt((m_Sin * dE - m_Cos * dN) * 150.0 / 25.4 / m_Ky), m_PixelY);
        }
        return p;
    }
    MapPoint operator()(double E, double N) const {
        const MapPoint dev = Device(E, N);
        return {SaturateToInt(static_cast<double>(dev.x + m_ShiftX) * m_ZoomX),
                SaturateToInt(static_cast<double>(dev.y + m_ShiftY) * m_ZoomY)};
    }
    MapPoint operator()(const CPointD& p) const { return (*this)(p.easting, p.northing); }

private:
    bool m_Series;
    double m_Kx, m_Ky;  // the scale denominator in thousands
    double m_Cos = 1.0, m_Sin = 0.0;
    CPointD m_Origin;
    long long m_PixelX = 0, m_PixelY = 0;
    long long m_ShiftX, m_ShiftY;  // device to client before the zoom
    double m_ZoomX, m_ZoomY;
};

class CVornaDoc;
// The document's image georeference as the transforms take it.
GeorefParams DocGeoref(const CVornaDoc& doc);
