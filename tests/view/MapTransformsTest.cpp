// Grid metres to pixels of a pane and back, against reference rows worked
// out by hand (1 pixel = 25.4 / 150 mm of paper times the scale).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <ostream>

#include "AppDocEnv.h"
#include "mapdraw/MapTransforms.h"

static bool operator==(const MapPoint& a, const MapPoint& b) { return a.x == b.x && a.y == b.y; }
static std::ostream& operator<<(std::ostream& os, const MapPoint& p) {
    return os << "(" << p.x << ", " << p.y << ")";
}

TEST(MapTransforms, SeriesPositionsMatchReferencePixels) {
    const GeorefParams g;
    const struct {
        int series;
        double E, N, zoom;
        MapPoint origin, offset, device, client;
    } rows[] = {
        {1, 370000, 5220000, 1, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
        {1, 370000 - 4.2, 5220000 + 4.2, 1, {0, 0}, {0, 0}, {0, 0}, {0, 0}},  // half a pixel out: truncated
        {1, 370000 - 12.7, 5220000 + 12.7, 1, {0, 0}, {0, 0}, {-1, -1}, {-1, -1}},
        {0, 417500, 5125000, 1, {0, 0}, {0, 0}, {1122, 2244}, {1122, 2244}},
        {0, 417500, 5125000, 8, {1000, 2000}, {35, 47}, {1122, 2244}, {1256, 2328}},  // printing at 1200 dpi
        {1, 380000, 5210000, 2, {1000, 2000}, {35, 47}, {1181, 1181}, {432, -1544}},
        {2, 512345.6, 5012345.6, 1, {33000, 49000}, {0, 0}, {33624, 49052}, {624, 52}},
        {3, 649999, 4940001, 2, {60000, 60000}, {10, 10}, {165353, 165353}, {210726, 210726}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.series << " " << r.E << " " << r.N << " zoom " << r.zoom);
        MapViewDesc d = AppDocEnv::Desc(r.series);
        d.zoomX = d.zoomY = r.zoom;
        d.origin = r.origin;
        d.deviceOffset = r.offset;
        EXPECT_EQ(MapToDevice(r.E, r.N, d, g), r.device);
        EXPECT_EQ(MapToClient(r.E, r.N, d, g), r.client);
        // And back to within a pixel of the start.
        const double pixelMetres = 25.4 / 150 * d.scale / 1000 * 1.01;
        const CPointD back = ClientToMap(r.client.x, r.client.y, d, g);
        EXPECT_LE(std::fabs(back.easting - r.E), pixelMetres);
        EXPECT_LE(std::fabs(back.northing - r.N), pixelMetres);
    }
    const MapViewDesc tk50 = AppDocEnv::Desc(1);
    EXPECT_EQ(PixelsToMetresX(1, AppDocEnv::Desc(0), g), 42);  // PK250: 42.33
    EXPECT_EQ(PixelsToMetresY(1181, tk50, g), 9999);
}

TEST(MapTransforms, GeoreferencedImageWithRotation) {
    MapViewDesc d;
    d.mapType = kMapImageGeo;
    GeorefParams g;
    g.scaleX = 25000;
    g.scaleY = 26000;
    g.origin = {400000, 5100000};
    g.pixelOffset = {120, -40};
    // 1 km east and south: 236.2 and 227.1 pixels, less the offset.
    EXPECT_EQ(MapToDevice(401000, 5099000, d, g), (MapPoint{116, 267}));
    EXPECT_EQ(PixelsToMetresX(150, d, g), 635);
    EXPECT_EQ(PixelsToMetresY(150, d, g), 660);

    g.rotation = 0.3;
    const double pixelMetres = 25.4 / 150 * 26;
    for (const CPointD& p : {CPointD(401234, 5098765), CPointD(399000, 5101000), CPointD(405555, 5105555)}) {
        const CPointD back = DeviceToMap(MapToDevice(p.easting, p.northing, d, g), d, g);
        // Whole metres are taken before the rotation: up to one pixel plus a metre.
        EXPECT_LE(std::hypot(back.easting - p.easting, back.northing - p.northing), 1.5 * pixelMetres + 1.5);
    }
}

TEST(MapTransforms, ZeroImageScaleSaturatesInsteadOfFailing) {
    MapViewDesc d;
    d.mapType = kMapImage;
    d.origin = {5, 5};
    GeorefParams g;
    g.scaleX = g.scaleY = 0;
    g.pixelOffset = {-100, 100};
    const MapPoint p = MapToDevice(400000, 5100000, d, g);
    EXPECT_TRUE(p.x == INT_MAX || p.x == INT_MIN);
    (void)MapToClient(400000, 5100000, d, g);
    const CPointD m = ClientToMap(10, 10, d, g);
    EXPECT_TRUE(std::isfinite(m.easting) && std::isfinite(m.northing));
    EXPECT_EQ(PixelsToMetresX(100, d, g), 0);
}

// The painters convert every point with the pane's values taken once; each
// point must land on the very pixel the conversion has always given, so the
// reference below keeps that conversion's order of evaluation. Points on
// pixel borders (clicked positions) are where a reordered rounding shows.
TEST(MapTransforms, PerPointConversionKeepsEveryPixel) {
    const auto reference = [](double E, double N, const MapViewDesc& d, const GeorefParams& g) {
        long long x, y;
        if (d.mapType >= 0) {
            x = SaturateToInt((E - 370000.0) * 150.0 / 25.4 / (d.scale / 1000.0));
            y = SaturateToInt((5220000.0 - N) * 150.0 / 25.4 / (d.scale / 1000.0));
        } else {
            const double dE = E - g.origin.easting, dN = N - g.origin.northing, a = g.rotation;
            x = SaturatedSum(
                SaturateToInt((std::cos(a) * dE + std::sin(a) * dN) * 150.0 / 25.4 / (g.scaleX / 1000.0)),
                -(long long)g.pixelOffset.x);
            y = SaturatedSum(
                SaturateToInt((std::sin(a) * dE - std::cos(a) * dN) * 150.0 / 25.4 / (g.scaleY / 1000.0)),
                -(long long)g.pixelOffset.y);
        }
        return MapPoint{SaturateToInt(double(x - d.origin.x + d.deviceOffset.x) * d.zoomX),
                        SaturateToInt(double(y - d.origin.y + d.deviceOffset.y) * d.zoomY)};
    };
    GeorefParams geo;
    geo.scaleX = 24999.7;
    geo.scaleY = 26000;
    geo.rotation = 0.3;
    geo.origin = {400000, 5100000};
    geo.pixelOffset = {120, -40};
    for (const int type : {0, 1, 2, 3, int(kMapImageGeo)}) {
        for (const double zoom : {1.0, 1.37, 4.0}) {
            MapViewDesc d = type >= 0 ? AppDocEnv::Desc(type) : MapViewDesc{};
            if (type < 0) d.mapType = type;
            d.zoomX = zoom;
            d.zoomY = zoom * 1.03;
            d.origin = {33001, 48999};
            d.deviceOffset = {-17, 29};
            const ClientTransform toClient(d, geo);
            for (int k = -3000; k <= 3000; k += 7) {
                // Pixel borders from the way back, and points between them.
                const CPointD border = ClientToMap(k, 2 * k, d, geo);
                const CPointD points[] = {
                    border, {border.easting + k * 1e-7, border.northing - 0.37}, {1e300, -1e300}, {NAN, 5e6}};
                for (const CPointD& p : points) {
                    SCOPED_TRACE(testing::Message() << type << " zoom " << zoom << " " << p.easting);
                    EXPECT_EQ(toClient(p), reference(p.easting, p.northing, d, geo));
                    EXPECT_EQ(MapToClient(p, d, geo), reference(p.easting, p.northing, d, geo));
                }
            }
        }
    }
}
