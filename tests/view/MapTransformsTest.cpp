#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <ostream>

#include "AppDocEnv.h"
#include "view/MapTransforms.h"

static bool operator==(const MapPoint& a, const MapPoint& b) { return a.x == b.x && a.y == b.y; }
static std::ostream& operator<<(std::ostream& os, const MapPoint& p) {
    return os << "(" << p.x << ", " << p.y << ")";
}

TEST(MapTransforms, SeriesExamplesTruncateTowardZero) {
    const GeorefParams g;
    const MapViewDesc d = AppDocEnv::Desc(1);  // TK50
    EXPECT_EQ(MapToDevice(370000, 5220000, d, g), (MapPoint{0, 0}));
    EXPECT_EQ(MapToDevice(380000, 5210000, d, g), (MapPoint{1181, 1181}));
    // Half a pixel west and north of the series origin stays on pixel 0.
    const double half = 25.4 / 150 * 50 / 2;
    EXPECT_EQ(MapToDevice(370000 - half, 5220000 + half, d, g), (MapPoint{0, 0}));
    EXPECT_EQ(MapToDevice(370000 - 3 * half, 5220000 + 3 * half, d, g), (MapPoint{-1, -1}));

    // Series give fractional metres back.
    const CPointD p = DeviceToMap(1, 1, d, g);
    EXPECT_DOUBLE_EQ(p.easting, 1 / 150.0 * 25.4 * 50 + 370000);
    EXPECT_DOUBLE_EQ(p.northing, 5220000 - 1 / 150.0 * 25.4 * 50);

    EXPECT_EQ(PixelsToMetresX(0, d, g), 0);
    EXPECT_EQ(PixelsToMetresX(1, AppDocEnv::Desc(0), g), 42);  // PK250: 42.33
    EXPECT_EQ(PixelsToMetresY(1181, d, g), 9999);
}

TEST(MapTransforms, GridToPixelAndBackForEverySeriesAndZoom) {
    const GeorefParams g;
    const CPointD pts[] = {{370000, 5220000}, {417500, 5125000}, {649999, 4940001}, {512345.6, 5012345.6}};
    for (int s = 0; s < 5; ++s) {
        for (double zoom : {1.0, 2.0, 300 / 150.0, 1200 / 150.0}) {
            MapViewDesc d = AppDocEnv::Desc(s);
            d.zoomX = d.zoomY = zoom;
            d.origin = {1000, 2000};
            d.deviceOffset = {35, 47};
            const double pixelMetres = 25.4 / 150 * d.scale / 1000;
            for (const CPointD& p : pts) {
                const MapPoint dev = MapToDevice(p.easting, p.northing, d, g);
                const CPointD back = DeviceToMap(dev, d, g);
                EXPECT_LE(std::fabs(back.easting - p.easting), pixelMetres) << s << " " << zoom;
                EXPECT_LE(std::fabs(back.northing - p.northing), pixelMetres) << s << " " << zoom;

                const MapPoint c = MapToClient(p, d, g);
                EXPECT_EQ(c.x, int((dev.x - d.origin.x + d.deviceOffset.x) * zoom));
                EXPECT_EQ(c.y, int((dev.y - d.origin.y + d.deviceOffset.y) * zoom));
                const CPointD cb = ClientToMap(c.x, c.y, d, g);
                EXPECT_LE(std::fabs(cb.easting - p.easting), pixelMetres * 1.01) << s << " " << zoom;
                EXPECT_LE(std::fabs(cb.northing - p.northing), pixelMetres * 1.01) << s << " " << zoom;
            }
        }
    }
}

TEST(MapTransforms, GeoreferencedImageWithRotation) {
    MapViewDesc d;
    d.mapType = kMapImageGeo;
    GeorefParams g;
    g.scaleX = 25000;
    g.scaleY = 26000;
    g.rotation = 0.3;
    g.origin = {400000, 5100000};
    g.pixelOffset = {120, -40};

    // Unrotated check of the formula with the offset subtracted.
    GeorefParams flat = g;
    flat.rotation = 0;
    EXPECT_EQ(MapToDevice(401000, 5099000, d, flat),
              (MapPoint{int(1000 * 150 / 25.4 / 25.0) - 120, int(1000 * 150 / 25.4 / 26.0) + 40}));

    const double pixelMetres = 25.4 / 150 * 26;
    for (const CPointD& p : {CPointD(401234, 5098765), CPointD(399000, 5101000), CPointD(405555, 5105555)}) {
        const MapPoint dev = MapToDevice(p.easting, p.northing, d, g);
        const CPointD back = DeviceToMap(dev, d, g);
        // Whole metres are taken before the rotation: up to one pixel plus a metre.
        EXPECT_LE(std::hypot(back.easting - p.easting, back.northing - p.northing), 1.5 * pixelMetres + 1.5);
    }
    EXPECT_EQ(PixelsToMetresX(150, d, g), int(150 / 150.0 * 25.4 * 25));
    EXPECT_EQ(PixelsToMetresY(150, d, g), int(150 / 150.0 * 25.4 * 26));
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
    const MapPoint c = MapToClient(400000, 5100000, d, g);
    (void)c;
    const CPointD m = ClientToMap(10, 10, d, g);
    EXPECT_TRUE(std::isfinite(m.easting) && std::isfinite(m.northing));
    EXPECT_EQ(PixelsToMetresX(100, d, g), 0);
}
