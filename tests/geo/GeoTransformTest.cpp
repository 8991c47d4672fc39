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
//   (the cct command is one line here split for reading)
// pts.txt holds the easting/northing pairs of the first two columns. Feeding
// the local latitudes and longitudes back through `proj -f '%.6f' $TM` gives
// the grid points again to the last printed digit, so the table also serves
// the forward direction. PROJ takes the rotations in true arc seconds; our
// conversion with pi = 3.141592654 differs from that by 1.3e-10 relative,
// far below the tolerances here.
struct Reference {
    double easting, northing;
    double localLat, localLon;
    double wgsLat, wgsLon;
};

const Reference kTable[] = {
    {370000, 4940000, 44.592767893277, 13.362431228542, 44.592582208406, 13.357907089057},
    {440000, 4940000, 44.602007426047, 14.244077961272, 44.601842140417, 14.239451654930},
    {500000, 4940000, 44.604509033484, 15.000000000000, 44.604362473349, 14.995286596177},
    {575000, 4940000, 44.600600399443, 15.944879501003, 44.600478844024, 15.940057940770},
    {650000, 4940000, 44.588878748338, 16.889375044368, 44.588783955931, 16.884446234592},
    {370000, 5010000, 45.222533239510, 13.344446772866, 45.222282696406, 13.339895164963},
    {440000, 5010000, 45.231976781777, 14.235772495923, 45.231746824500, 14.231116346675},
    {500000, 5010000, 45.234533636329, 15.000000000000, 45.234322600570, 14.995254738332},
    {575000, 5010000, 45.230538683632, 15.955260390687, 45.230352944013, 15.950404485990},
    {650000, 5010000, 45.218558241904, 16.910121135592, 45.218399607607, 16.905155536649},
    {370000, 5080000, 45.852223265490, 13.325859166288, 45.851907612484, 13.321279569701},
    {440000, 5080000, 45.861875334499, 14.227188362685, 45.861580460131, 14.222501744092},
    {500000, 5080000, 45.864488660251, 15.000000000000, 45.864212909961, 14.995222164128},
    {575000, 5080000, 45.860405476525, 15.965989559897, 45.860155323507, 15.961098483801},
    {650000, 5080000, 45.848160515599, 16.931562864670, 45.847937821588, 16.926559541532},
    {370000, 5150000, 46.481837749104, 13.306643350655, 46.481456741989, 13.302035224012},
    {440000, 5150000, 46.491703067976, 14.218313975105, 46.491343038771, 14.213596233506},
    {500000, 5150000, 46.494374144835, 15.000000000000, 46.494033449073, 14.995188841180},
    {575000, 5150000, 46.490200730499, 15.977081487672, 46.489885943264, 15.972154374534},
    {650000, 5150000, 46.477685260799, 16.953729122624, 46.477398298132, 16.948687095427},
    {370000, 5220000, 47.111376486763, 13.286772777476, 47.110929888874, 13.282135557271},
    {440000, 5220000, 47.121459996342, 14.209137056989, 47.121034582348, 14.204387510023},
    {500000, 5220000, 47.124190163256, 15.000000000000, 47.123784299158, 14.995154735236},
    {575000, 5220000, 47.119924426501, 15.988551514861, 47.119544792747, 15.983587458002},
    {650000, 5220000, 47.107132182426, 16.976650518117, 47.106780751211, 16.971568759375},
    {412345.67, 5123456.78, 46.249883491741, 13.863058072970, 46.249539737198, 13.858395048709},
    {623456.12, 4967890.23, 44.844857555286, 16.561906849059, 44.844727631161, 16.557001675323},
    {381234.5, 5201987.6, 46.951497415811, 13.439499650902, 46.951070991771, 13.434852016046},
};

constexpr double kSecondsToRadians = 3.141592654 / 180.0 / 3600.0;
constexpr double kMetresPerDegree = 111200.0;  // good to 1% for turning small angles into metres

void ApplyDefaultDatum(CGeoTransform& geo) {
    geo.SelectLocalEllipsoid(0);
    geo.SetHelmertParameters(462.3, 120.0, 445.6, -4.465 * kSecondsToRadians, -3.353 * kSecondsToRadians,
                             11.725 * kSecondsToRadians, 15.60 / 1e6);
}

double AngularMetres(double lat, double dLat, double dLon) {
    const double dn = dLat * kMetresPerDegree;
    const double de = dLon * kMetresPerDegree * std::cos(lat * 3.141592654 / 180.0);
    return std::hypot(de, dn);
}

}  // namespace

TEST(GeoTransform, ProjectionMatchesProjAcrossTheGridArea) {
    CGeoTransform geo;
    geo.SelectLocalEllipsoid(0);
    for (const Reference& r : kTable) {
        SCOPED_TRACE(testing::Message() << r.easting << " " << r.northing);
        double lat = 0, lon = 0;
        ASSERT_TRUE(geo.GKToGeo(r.easting, r.northing, lat, lon));
        EXPECT_LT(AngularMetres(r.localLat, lat - r.localLat, lon - r.localLon), 0.01);

        // The easting series stops at third order; at the east and west edges
        // that costs about 5.6 and 2.7 mm.
        CPointD p;
        ASSERT_TRUE(geo.GeoToGK(r.localLat, r.localLon, p));
        EXPECT_NEAR(p.easting, r.easting, 0.01);
        EXPECT_NEAR(p.northing, r.northing, 0.01);
    }
}

TEST(GeoTransform, GridToWgs84MatchesProjHelmertPipeline) {
    CGeoTransform geo;
    ApplyDefaultDatum(geo);
    for (const Reference& r : kTable) {
        SCOPED_TRACE(testing::Message() << r.easting << " " << r.northing);
        double lat = 0, lon = 0;
        ASSERT_EQ(geo.GKToWGS84(r.easting, r.northing, lat, lon), 1);
        EXPECT_NEAR(lat, r.wgsLat, 1e-7);
        EXPECT_NEAR(lon, r.wgsLon, 1e-7);
    }
}

TEST(GeoTransform, RoundTripsStayWithinTheirBounds) {
    CGeoTransform geo;
    ApplyDefaultDatum(geo);
    for (double e = 370000; e <= 650000; e += 20000) {
        for (double n = 4940000; n <= 5220000; n += 20000) {
            SCOPED_TRACE(testing::Message() << e << " " << n);
            double lat = 0, lon = 0;
            CPointD back;
            ASSERT_TRUE(geo.GKToGeo(e, n, lat, lon));
            ASSERT_TRUE(geo.GeoToGK(lat, lon, back));
            EXPECT_LT(std::hypot(back.easting - e, back.northing - n), 0.006);

            // The way back negates the parameters, which only approximates the inverse shift.
            ASSERT_EQ(geo.GKToWGS84(e, n, lat, lon), 1);
            ASSERT_EQ(geo.WGS84ToGK(lat, lon, back), 1);
            EXPECT_LT(std::hypot(back.easting - e, back.northing - n), 0.05);
        }
    }
}

TEST(GeoTransform, CentralMeridianValues) {
    CGeoTransform geo;
    geo.SelectLocalEllipsoid(0);
    double lat = 0, lon = 0;
    ASSERT_TRUE(geo.GKToGeo(500000, 5100000, lat, lon));
    EXPECT_DOUBLE_EQ(lon, 15.0);
    CPointD p;
    ASSERT_TRUE(geo.GeoToGK(46.0, 15.0, p));
    EXPECT_DOUBLE_EQ(p.easting, 500000.0);
    EXPECT_NEAR(p.northing, 5095058.90, 0.005);
}

TEST(GeoTransform, MissingEllipsoidOrParametersFail) {
    const double kUntouched = -12345.0;
    CGeoTransform none;
    none.SelectLocalEllipsoid(1);  // no such ellipsoid
    EXPECT_FALSE(none.HasLocalEllipsoid());
    EXPECT_FALSE(none.HasParameters());
    double lat = kUntouched, lon = kUntouched;
    CPointD p(kUntouched, kUntouched);
    EXPECT_FALSE(none.GKToGeo(500000, 5100000, lat, lon));
    EXPECT_FALSE(none.GeoToGK(46, 15, p));
    EXPECT_EQ(none.GKToWGS84(500000, 5100000, lat, lon), 0);
    EXPECT_EQ(none.WGS84ToGK(46, 15, p), 0);
    EXPECT_EQ(lat, kUntouched);
    EXPECT_EQ(lon, kUntouched);
    EXPECT_EQ(p.easting, kUntouched);
    EXPECT_EQ(p.northing, kUntouched);

    CGeoTransform localOnly;
    localOnly.SelectLocalEllipsoid(0);
    EXPECT_EQ(localOnly.WGS84ToGK(46, 15, p), 0);
    EXPECT_EQ(p.easting, kUntouched);
    // Without parameters the local position is still handed out, with failure.
    EXPECT_EQ(localOnly.GKToWGS84(500000, 5100000, lat, lon), 0);
    EXPECT_DOUBLE_EQ(lon, 15.0);
    EXPECT_NEAR(lat, 46.04, 0.01);
}

TEST(GeoTransform, NonFiniteValuesFailWithoutWritingOutputs) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double kUntouched = -12345.0;
    CGeoTransform geo;
    ApplyDefaultDatum(geo);

    for (double bad : {nan, inf, -inf}) {
        SCOPED_TRACE(bad);
        double lat = kUntouched, lon = kUntouched, h = kUntouched;
        CPointD p(kUntouched, kUntouched);
        EXPECT_FALSE(geo.GKToGeo(bad, 5100000, lat, lon));
        EXPECT_FALSE(geo.GKToGeo(500000, bad, lat, lon));
        EXPECT_EQ(geo.GKToWGS84(bad, 5100000, lat, lon), 0);
        EXPECT_EQ(geo.GKToWGS84(500000, bad, lat, lon), 0);
        EXPECT_FALSE(geo.GeoToGK(bad, 15, p));
        EXPECT_FALSE(geo.GeoToGK(46, bad, p));
        EXPECT_EQ(geo.WGS84ToGK(bad, 15, p), 0);
        EXPECT_EQ(geo.WGS84ToGK(46, bad, p), 0);
        EXPECT_FALSE(CGeoTransform::CartesianToGeo(bad, 1e6, 4e6, lat, lon, h, 6378137.0, 1 / 298.257223563));
        EXPECT_FALSE(CGeoTransform::CartesianToGeo(4e6, 1e6, bad, lat, lon, h, 6378137.0, 1 / 298.257223563));
        EXPECT_EQ(lat, kUntouched);
        EXPECT_EQ(lon, kUntouched);
        EXPECT_EQ(h, kUntouched);
        EXPECT_EQ(p.easting, kUntouched);
        EXPECT_EQ(p.northing, kUntouched);

        double hLat = 46, hLon = 15, hH = 0;
        EXPECT_FALSE(CGeoTransform::Helmert7(hLat, hLon, hH, 6377397.155, 1 / 299.15281, 6378137.0,
                                             1 / 298.257223563, 0, 0, 0, bad, 0, 0, 0));
        EXPECT_EQ(hLat, 46);
        EXPECT_EQ(hLon, 15);
        EXPECT_EQ(hH, 0);

        CGeoTransform badParams;
        badParams.SelectLocalEllipsoid(0);
        badParams.SetHelmertParameters(462.3, bad, 445.6, 0, 0, 0, 0);
        EXPECT_EQ(badParams.GKToWGS84(500000, 5100000, lat, lon), 0);
        EXPECT_EQ(badParams.WGS84ToGK(46, 15, p), 0);
        EXPECT_EQ(lat, kUntouched);
        EXPECT_EQ(p.easting, kUntouched);

        CGeoTransform badEllipsoid;
        badEllipsoid.SetLocalEllipsoid(bad, 1 / 299.15281);
        EXPECT_FALSE(badEllipsoid.GKToGeo(500000, 5100000, lat, lon));
        EXPECT_FALSE(badEllipsoid.GeoToGK(46, 15, p));
        EXPECT_EQ(lat, kUntouched);
        EXPECT_EQ(p.easting, kUntouched);
    }
}

TEST(GeoTransform, CartesianConversionHandlesPolesEquatorAndHugeValues) {
    const double a = 6378137.0, f = 1 / 298.257223563;
    for (double lat : {90.0, 46.0, 0.0, -30.0, -90.0}) {
        SCOPED_TRACE(lat);
        double X, Y, Z, la = 0, lo = 0, h = 0;
        CGeoTransform::GeoToCartesian(lat, 15.0, 250.0, X, Y, Z, a, f);
        ASSERT_TRUE(CGeoTransform::CartesianToGeo(X, Y, Z, la, lo, h, a, f));
        EXPECT_NEAR(la, lat, 1e-7);
        EXPECT_NEAR(h, 250.0, 0.01);
        if (std::fabs(lat) < 90) {
            EXPECT_NEAR(lo, 15.0, 1e-9);
        }
    }
    // Finite but absurd input must come back, whatever the answer.
    double la = 1, lo = 2, h = 3;
    if (!CGeoTransform::CartesianToGeo(1e308, 1e308, 1e308, la, lo, h, a, f)) {
        EXPECT_EQ(la, 1);
        EXPECT_EQ(lo, 2);
        EXPECT_EQ(h, 3);
    }
}
