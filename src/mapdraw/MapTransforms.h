#pragma once
// Map coordinates (local grid metres) to map pixels (150 dpi) and client
// pixels of a pane, and back. Series maps are placed by their scale alone;
// image maps and "no map" go through the image georeference.

#include "doc/MapViewDesc.h"
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

class CVornaDoc;
// The document's image georeference as the transforms take it.
GeorefParams DocGeoref(const CVornaDoc& doc);
