#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geo/GeoTransform.h"

namespace {

// Reference values made once with PROJ 9.1.1 (Debian proj-bin):
//   TM="+proj=tmerc +lat_0=0 +lon_0=15 +k=0.9999 +x_0=500000 +a=6377397.155 +rf=299.15281"
//   invproj -f '%.12f' $TM pts.txt                        -> local latitude, longitude
//   awk '{print $1, $2, 0, 0}' pts.txt | cct -d 12 +proj=pipeline +step +inv $TM
//     +step +proj=cart +a=6377397.155 +rf=299.15281
//     +step +proj=helmert +x=462.3 +y=120.0 +z=445.6 +rx=-4.465 +ry=-3.353 +rz=11.725 +s=15.60
//           +convention=coordinate_frame
//     +step +inv +proj=cart +ellps=WGS84                  -> WGS84 latitude, longitude
// pts.txt holds the first two columns; `proj -f '%.6f' $TM` takes the local
// latitudes and longitudes back to them, so the table serves both directions.
struct Reference {
    double easting, northing;
    double localLat, localLon;
    double wgsLat, wgsLon;
};

const Reference kTable[] = {
    {370000, 4940000, 44.592767893277, 13.362431228542, 44.592582208406, 13.357907089057},
    {500000, 4940000, 44.604509033484, 15.000000000000, 44.604362473349, 14.995286596177},
    {650000, 4940000, 44.588878748338, 16.889375044368, 44.588783955931, 16.884446234592},
    {500000, 5080000, 45.864488660251, 15.000000000000, 45.864212909961, 14.995222164128},
    {370000, 5220000, 47.111376486763, 13.286772777476, 47.110929888874, 13.282135557271},
    {500000, 5220000, 47.124190163256, 15.000000000000, 47.123784299158, 14.995154735236},
    {650000, 5220000, 47.107132182426, 16.976650518117, 47.106780751211, 16.971568759375},
    {412345.67, 5123456.78, 46.249883491741, 13.863058072970, 46.249539737198, 13.858395048709},
    {623456.12, 4967890.23, 44.844857555286, 16.561906849059, 44.844727631161, 16.557001675323},
};

constexpr double kSecond = 3.141592654 / 180.0 / 3600.0;  // the program's pi
const double kA = 6378137.0, kF = 1 / 298.257223563;      // WGS84

CGeoTransform DefaultDatum() {
    CGeoTransform geo;
    geo.SelectLocalEllipsoid(0);
    geo.SetHelmertParameters(462.3, 120.0, 445.6, -4.465 * kSecond, -3.353 * kSecond, 11.725 * kSecond,
                             15.60 / 1e6);
    return geo;
}

// Angles as ground distance: 1e-7 degrees is about 1 cm.
void ExpectNearDegrees(double lat, double lon, double refLat, double refLon, double metres) {
    EXPECT_NEAR(lat, refLat, metres / 111200.0);
    EXPECT_NEAR(lon, refLon, metres / (111200.0 * std::cos(refLat * M_PI / 180)));
}

}  // namespace

TEST(GeoTransform, MatchesProjInEveryDirectionAcrossTheGridArea) {
    const CGeoTransform geo = DefaultDatum();
    for (const Reference& r : kTable) {
        SCOPED_TRACE(testing::Message() << r.easting << " " << r.northing);
        double lat = 0, lon = 0;
        ASSERT_TRUE(geo.GKToGeo(r.easting, r.northing, lat, lon));
        ExpectNearDegrees(lat, lon, r.localLat, r.localLon, 0.01);
        // The easting series stops at third order: 5.6 and 2.7 mm at the east and west edges.
        CPointD p;
        ASSERT_TRUE(geo.GeoToGK(r.localLat, r.localLon, p));
        EXPECT_NEAR(p.easting, r.easting, 0.01);
        EXPECT_NEAR(p.northing, r.northing, 0.01);

        ASSERT_EQ(geo.GKToWGS84(r.easting, r.northing, lat, lon), 1);
        ExpectNearDegrees(lat, lon, r.wgsLat, r.wgsLon, 0.01);
        // The way back negates the parameters, which only approximates the inverse shift.
        ASSERT_EQ(geo.WGS84ToGK(r.wgsLat, r.wgsLon, p), 1);
        EXPECT_NEAR(p.easting, r.easting, 0.05);
        EXPECT_NEAR(p.northing, r.northing, 0.05);
    }
}

TEST(GeoTransform, FailsWithoutWritingOutputsOnMissingSetUpOrNonFiniteValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    const double kUntouched = -12345.0;
    CGeoTransform none, badParams, badEllipsoid;
    none.SelectLocalEllipsoid(1);  // no such ellipsoid
    badParams.SelectLocalEllipsoid(0);
    badParams.SetHelmertParameters(462.3, nan, 445.6, 0, 0, 0, 0);
    badEllipsoid.SetLocalEllipsoid(inf, 1 / 299.15281);
    const CGeoTransform good = DefaultDatum();
    const struct {
        const CGeoTransform& geo;
        double e, n, lat, lon;  // the grid and the geographic input
        bool localFails;        // GKToGeo and GeoToGK fail as well
    } rows[] = {
        {none, 500000, 5100000, 46, 15, true},         {badParams, 500000, 5100000, 46, 15, false},
        {badEllipsoid, 500000, 5100000, 46, 15, true}, {good, nan, 5100000, nan, 15, true},
        {good, 500000, inf, 46, -inf, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.e << " " << r.n << " " << r.lat << " " << r.lon);
        double lat = kUntouched, lon = kUntouched;
        CPointD p(kUntouched, kUntouched);
        EXPECT_EQ(r.geo.GKToWGS84(r.e, r.n, lat, lon), 0);
        EXPECT_EQ(r.geo.WGS84ToGK(r.lat, r.lon, p), 0);
        EXPECT_EQ(r.geo.GKToGeo(r.e, r.n, lat, lon), !r.localFails);
        EXPECT_EQ(r.geo.GeoToGK(r.lat, r.lon, p), !r.localFails);
        const bool untouched =
            lat == kUntouched && lon == kUntouched && p.easting == kUntouched && p.northing == kUntouched;
        EXPECT_TRUE(untouched || !r.localFails);
    }
    double lat = kUntouched, lon = kUntouched, h = kUntouched;
    EXPECT_FALSE(CGeoTransform::CartesianToGeo(nan, 1e6, 4e6, lat, lon, h, kA, kF));
    EXPECT_TRUE(lat == kUntouched && h == kUntouched);
    double hLat = 46, hLon = 15, hH = 0;
    EXPECT_FALSE(
        CGeoTransform::Helmert7(hLat, hLon, hH, 6377397.155, 1 / 299.15281, kA, kF, 0, 0, 0, inf, 0, 0, 0));
    EXPECT_EQ(hLat, 46);

    // Without parameters the local position is still handed out, with failure.
    CGeoTransform localOnly;
    localOnly.SelectLocalEllipsoid(0);
    EXPECT_EQ(localOnly.GKToWGS84(500000, 5080000, lat, lon), 0);
    ExpectNearDegrees(lat, lon, 45.864488660251, 15.0, 0.01);
}

TEST(GeoTransform, CartesianRoundTripHoldsAtPolesEquatorAndAbsurdValues) {
    for (double lat : {90.0, 46.0, 0.0, -30.0, -90.0}) {
        double X, Y, Z, la = 0, lo = 0, h = 0;
        CGeoTransform::GeoToCartesian(lat, 15.0, 250.0, X, Y, Z, kA, kF);
        ASSERT_TRUE(CGeoTransform::CartesianToGeo(X, Y, Z, la, lo, h, kA, kF)) << lat;
        EXPECT_NEAR(la, lat, 1e-7);  // the program's pi puts the poles 2e-8 degrees off
        EXPECT_NEAR(h, 250.0, 0.01);
        EXPECT_NEAR(std::fabs(lat) < 90 ? lo : 15.0, 15.0, 1e-9);
    }
    // Finite but absurd input must come back, whatever the answer.
    double la = 1, lo = 2, h = 3;
    EXPECT_TRUE(CGeoTransform::CartesianToGeo(1e308, 1e308, 1e308, la, lo, h, kA, kF) || la + lo + h == 6);
}
