// Reference points of the image map: the fit, ".ref" and ".inf", and the
// document's image-map entry points.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iterator>
#include <numbers>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "DocTestEnv.h"
#include "doc/ImageMapInf.h"
#include "doc/RefPointStore.h"

namespace {

constexpr double kMetresPerPixelAt1 = 25.4 / 150.0 / 1000.0;

// The map point that georef g gives the image pixel (x, y) (the inverse of
// the map transform, without its rounding).
CPointD MapOf(const ImageGeoref& g, double x, double y) {
    const double u = x * g.ScaleX * kMetresPerPixelAt1, v = y * g.ScaleY * kMetresPerPixelAt1;
    const double c = std::cos(g.Rotation), s = std::sin(g.Rotation);
    return {g.Origin.easting + c * u + s * v, g.Origin.northing + s * u - c * v};
}

void Mark(CRefPointStore& store, const ImageGeoref& truth, int cx, int cy, ImageGeoref::Pixel offset) {
    ASSERT_TRUE(store.SetRefPointMapCoords(MapOf(truth, cx + offset.x, cy + offset.y).easting,
                                           MapOf(truth, cx + offset.x, cy + offset.y).northing));
    ASSERT_TRUE(store.AddRefPointPixel(cx, cy, offset));
}

struct FakeMapOriginDialog : IMapOriginDialog {
    int answer = 2;
    std::vector<MapOriginInfo> shown;
    int RunMapOriginDialog(const MapOriginInfo& info) override {
        shown.push_back(info);
        return answer;
    }
};

}  // namespace

TEST(RefPointFit, ThreeOrMorePairsReproduceAKnownTransform) {
    struct Case {
        double scale, rotation, E, N;
    } cases[] = {{25000, 0.0, 500000, 5100000},
                 {50000, 0.3, 420000.5, 5180000.25},
                 {10000, -0.4, 600000, 4950000},
                 {25000, 3.0, 450000, 5000000},
                 {25000, -3.0, 450000, 5000000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rotation);
        ImageGeoref truth;
        truth.ScaleX = truth.ScaleY = c.scale;
        truth.Rotation = c.rotation;
        truth.Origin = CPointD(c.E, c.N);
        CRefPointStore store;
        // Points set at two scroll positions: the offset at the click counts.
        Mark(store, truth, 10, 20, {0, 0});
        Mark(store, truth, 900, 40, {0, 0});
        Mark(store, truth, 30, 700, {120, 80});
        Mark(store, truth, 500, 300, {120, 80});
        ImageGeoref fitted;
        ASSERT_TRUE(store.Fit(fitted, false));
        const double metresPerPixel = c.scale * kMetresPerPixelAt1;
        EXPECT_NEAR(fitted.ScaleX, c.scale, c.scale * 1e-6);
        EXPECT_NEAR(fitted.ScaleY, c.scale, c.scale * 1e-6);
        EXPECT_NEAR(fitted.Rotation, c.rotation, 1e-6);
        EXPECT_NEAR(fitted.Origin.easting, c.E, 0.05 * metresPerPixel);
        EXPECT_NEAR(fitted.Origin.northing, c.N, 0.05 * metresPerPixel);
        EXPECT_EQ(fitted.PairsUsed, 6);
        EXPECT_LT(fitted.MaxResidual, 0.05);
    }
}

TEST(RefPointFit, UnusablePointsFailWithTheirMessageAndKeepTheGeoreference) {
    CScriptedPrompter prompter;
    ImageGeoref old;
    old.ScaleX = 123;
    old.Origin = CPointD(1, 2);
    CRefPointStore store;
    ASSERT_TRUE(store.SetRefPointMapCoords(500000, 5100000));
    ASSERT_TRUE(store.AddRefPointPixel(5, 5, {}));
    ImageGeoref g = old;
    EXPECT_FALSE(store.Fit(g, false));
    // Same pixel twice, then same map point twice: no pair can be used.
    ASSERT_TRUE(store.SetRefPointMapCoords(500100, 5100000));
    ASSERT_TRUE(store.AddRefPointPixel(5, 5, {}));
    EXPECT_FALSE(store.Fit(g, false));
    CRefPointStore sameMap;
    for (int x : {5, 50}) {
        ASSERT_TRUE(sameMap.SetRefPointMapCoords(500000, 5100000));
        ASSERT_TRUE(sameMap.AddRefPointPixel(x, 5, {}));
    }
    EXPECT_FALSE(sameMap.Fit(g, false));
    // One pixel for 100 km: a scale no ".inf" could be read back with.
    CRefPointStore absurd;
    for (int x : {5, 6}) {
        ASSERT_TRUE(absurd.SetRefPointMapCoords(400000 + (x - 5) * 100000.0, 5100000));
        ASSERT_TRUE(absurd.AddRefPointPixel(x, 5, {}));
    }
    EXPECT_FALSE(absurd.Fit(g, false));
    EXPECT_EQ(g.ScaleX, 123);
    EXPECT_EQ(g.Origin.easting, 1);
    ASSERT_EQ(prompter.texts.size(), 4u);
    EXPECT_NE(prompter.texts[3].find("no map of the area can have"), std::string::npos);
    EXPECT_EQ(prompter.texts[0],
              "There must be at least two reference points to calculate Image Map Origin!");
    EXPECT_NE(prompter.texts[1].find("can not be calculated"), std::string::npos);
}

namespace {

// The fit the straightforward way: every pair's transform is checked against
// every point, and the rotations are averaged as plain numbers (right while
// no pair's rotation lies near the cut at +-pi).
ImageGeoref PointByPointFit(const CRefPointStore& store, ImageGeoref georef, bool keep) {
    constexpr double kPi = 3.141592654;
    const int n = store.RefPointCount();
    const auto pixel = [&](int k) {
        const CRefPointStore::Pixel p = store.ImagePixel(k);
        return CPointD(p.x, p.y);
    };
    double sumSx = 0, sumSy = 0, sumRot = 0, sumE = 0, sumN = 0, sumW = 0;
    int pairs = 0;
    for (int a = 0; a < n; ++a) {
        for (int b = a + 1; b < n; ++b) {
            const CPointD pa = pixel(a), pb = pixel(b), ma = store.MapPoint(a), mb = store.MapPoint(b);
            const double pdx = pa.easting - pb.easting, pdy = pa.northing - pb.northing;
            const double mdE = ma.easting - mb.easting, mdN = ma.northing - mb.northing;
            const double dp = std::hypot(pdx, pdy), dm = std::hypot(mdE, mdN);
            if (dp == 0 || dm == 0) continue;
            ImageGeoref g = georef;
            if (!keep) {
                g.ScaleX = g.ScaleY = dm / dp / kMetresPerPixelAt1;
                g.Rotation = std::atan2(mdE, mb.northing - ma.northing) - std::atan2(pdx, pdy);
            }
            if (g.Rotation > kPi) g.Rotation -= 2 * kPi;
            if (g.Rotation <= -kPi) g.Rotation += 2 * kPi;
            const double dx = pa.easting * g.ScaleX * kMetresPerPixelAt1;
            const double dy = pa.northing * g.ScaleY * kMetresPerPixelAt1;
            const double c = std::cos(g.Rotation), s = std::sin(g.Rotation);
            g.Origin = CPointD(ma.easting - c * dx - s * dy, ma.northing - s * dx + c * dy);
            double R = 0;
            for (int k = 0; k < n; ++k) {
                const CPointD m = store.MapPoint(k), p = pixel(k);
                const double dE = m.easting - g.Origin.easting, dN = m.northing - g.Origin.northing;
                const double x = (c * dE + s * dN) / (g.ScaleX * kMetresPerPixelAt1);
                const double y = (s * dE - c * dN) / (g.ScaleY * kMetresPerPixelAt1);
                R += (x - p.easting) * (x - p.easting) + (y - p.northing) * (y - p.northing);
            }
            const double w = R > 1e-10 ? 1.0 / R : 1e10;
            sumSx += g.ScaleX * w;
            sumSy += g.ScaleY * w;
            sumRot += g.Rotation * w;
            sumE += g.Origin.easting * w;
            sumN += g.Origin.northing * w;
            sumW += w;
            ++pairs;
        }
    }
    georef.ScaleX = sumSx / sumW;
    georef.ScaleY = sumSy / sumW;
    georef.Rotation = sumRot / sumW;
    georef.Origin = CPointD(sumE / sumW, sumN / sumW);
    georef.PairsUsed = pairs;
    store.Residuals(georef);
    return georef;
}

// count points clicked on an image placed by truth, at two scroll positions,
// their map positions off by a normal error of sigma pixels and kept to the
// decimetre as ".ref" keeps them (exact when sigma is 0).
CRefPointStore RandomPoints(const ImageGeoref& truth, int count, double sigma, std::mt19937& rng) {
    std::uniform_int_distribution<int> click(0, 3000);
    std::normal_distribution<double> unit;
    const double metres = sigma * truth.ScaleX * kMetresPerPixelAt1;
    CRefPointStore store;
    for (int k = 0; k < count; ++k) {
        const ImageGeoref::Pixel off = k % 2 ? ImageGeoref::Pixel{792, 580} : ImageGeoref::Pixel{};
        const int x = click(rng), y = click(rng);
        CPointD m = MapOf(truth, x + off.x, y + off.y);
        if (sigma > 0) {
            m.easting = std::round((m.easting + metres * unit(rng)) * 10) / 10;
            m.northing = std::round((m.northing + metres * unit(rng)) * 10) / 10;
        }
        EXPECT_TRUE(store.SetRefPointMapCoords(m.easting, m.northing));
        EXPECT_TRUE(store.AddRefPointPixel(x, y, off));
    }
    return store;
}

ImageGeoref RandomTruth(double degrees, std::mt19937& rng) {
    ImageGeoref truth;
    truth.ScaleX = truth.ScaleY = std::uniform_real_distribution<double>(5000, 100000)(rng);
    truth.Rotation = degrees * std::numbers::pi / 180;
    truth.Origin = CPointD(std::uniform_real_distribution<double>(300000, 700000)(rng),
                           std::uniform_real_distribution<double>(4900000, 5300000)(rng));
    return truth;
}

}  // namespace

TEST(RefPointFit, SharedSumsFitAsCheckingEveryPairAgainstEveryPoint) {
    std::mt19937 rng(2027);
    for (int degrees = -150; degrees <= 150; degrees += 10) {
        for (const double sigma : {0.0, 0.4, 3.0}) {
            SCOPED_TRACE(testing::Message() << degrees << " degrees, error " << sigma);
            const ImageGeoref truth = RandomTruth(degrees, rng);
            const CRefPointStore store =
                RandomPoints(truth, std::uniform_int_distribution<int>(2, 40)(rng), sigma, rng);
            // keep: the stored scales and rotation, a little off, fit only the origin.
            ImageGeoref stored = truth;
            stored.ScaleX *= 1.001;
            stored.ScaleY *= 0.998;
            stored.Rotation += 0.002;
            stored.Origin = CPointD();
            for (const bool keep : {false, true}) {
                const ImageGeoref want = PointByPointFit(store, stored, keep);
                ImageGeoref got = stored;
                ASSERT_TRUE(store.Fit(got, keep));
                EXPECT_EQ(got.PairsUsed, want.PairsUsed);
                EXPECT_NEAR(got.ScaleX, want.ScaleX, want.ScaleX * 1e-10);
                EXPECT_NEAR(got.ScaleY, want.ScaleY, want.ScaleY * 1e-10);
                // PointByPointFit turns a pair back by 6.283185308, not by
                // 2 pi: up to 7.2e-10 rad, 5e-5 m at the origin here.
                EXPECT_NEAR(got.Rotation, want.Rotation, 1e-9);
                EXPECT_NEAR(got.Origin.easting, want.Origin.easting, 1e-4);
                EXPECT_NEAR(got.Origin.northing, want.Origin.northing, 1e-4);
                EXPECT_NEAR(got.MeanResidual, want.MeanResidual, 1e-6);
                EXPECT_NEAR(got.MaxResidual, want.MaxResidual, 1e-6);
            }
        }
    }
}

TEST(RefPointFit, RotationsAreAveragedAsAnglesAtEveryTurn) {
    std::mt19937 rng(1804);
    std::vector<double> turns{180, -180, -179.99, 179.99, 179.9, -179.9};
    for (double degrees = -180; degrees < 180; degrees += 7.5) turns.push_back(degrees);
    for (const double degrees : turns) {
        for (const double sigma : {0.0, 0.5}) {
            SCOPED_TRACE(testing::Message() << degrees << " degrees, error " << sigma);
            const ImageGeoref truth = RandomTruth(degrees, rng);
            const CRefPointStore store = RandomPoints(truth, 30, sigma, rng);
            ImageGeoref got;
            ASSERT_TRUE(store.Fit(got, false));
            EXPECT_GT(got.Rotation, -std::numbers::pi);
            EXPECT_LE(got.Rotation, std::numbers::pi);
            EXPECT_NEAR(std::remainder(got.Rotation - truth.Rotation, 2 * std::numbers::pi), 0, 1e-3);
            EXPECT_NEAR(got.ScaleX, truth.ScaleX, truth.ScaleX * 1e-3);
            EXPECT_LT(got.MeanResidual, 3 * sigma + 0.01);
        }
    }
    // Fitting only the origin keeps a stored half turn, given as +pi.
    ImageGeoref stored = RandomTruth(-180, rng);
    const CRefPointStore store = RandomPoints(stored, 10, 0, rng);
    stored.Origin = CPointD();
    ASSERT_TRUE(store.Fit(stored, true));
    EXPECT_EQ(stored.Rotation, std::numbers::pi);
    EXPECT_LT(stored.MaxResidual, 0.01);
}

TEST(RefPointStoreEdit, DeleteMovesTheLastPointAndKeepsAPendingPair) {
    const auto make = [](int n) {
        CRefPointStore s;
        for (int k = 0; k < n; ++k) {
            EXPECT_TRUE(s.SetRefPointMapCoords(1000.0 * k, 5000000 + k));
            EXPECT_TRUE(s.AddRefPointPixel(k, 10 * k, {k, -k}));
        }
        return s;
    };
    CRefPointStore s = make(3);
    EXPECT_TRUE(s.Delete(0));
    ASSERT_EQ(s.RefPointCount(), 2);
    EXPECT_EQ(s.MapPoint(0).easting, 2000.0);
    EXPECT_EQ(s.ClickPixel(0).y, 20);
    EXPECT_EQ(s.OffsetAtClick(0).x, 2);
    EXPECT_EQ(s.MapPoint(1).easting, 1000.0);
    EXPECT_TRUE(s.Delete(1));  // the last one: only the count drops
    EXPECT_EQ(s.RefPointCount(), 1);
    EXPECT_EQ(s.MapPoint(0).easting, 2000.0);
    EXPECT_FALSE(s.Delete(1));
    EXPECT_FALSE(s.Delete(-1));

    // A mark waiting for its pixel survives a delete and completes with it.
    CRefPointStore p = make(3);
    ASSERT_TRUE(p.SetRefPointMapCoords(7777, 5007777));
    EXPECT_FALSE(p.SetRefPointMapCoords(1, 1)) << "a second mark must not overwrite the first";
    EXPECT_TRUE(p.Delete(1));
    ASSERT_TRUE(p.AddRefPointPixel(70, 77, {}));
    ASSERT_EQ(p.RefPointCount(), 3);
    EXPECT_EQ(p.MapPoint(1).easting, 2000.0);
    EXPECT_EQ(p.MapPoint(2).easting, 7777.0);
    EXPECT_EQ(p.ClickPixel(2).x, 70);
    EXPECT_FALSE(p.AddRefPointPixel(1, 1, {})) << "no pixel without a mark";
}

TEST(RefPointStoreEdit, TheTableFullRefusesAMark) {
    CScriptedPrompter prompter;
    auto s = std::make_unique<CRefPointStore>();
    for (int k = 0; k < CRefPointStore::kMaxPoints; ++k) {
        ASSERT_TRUE(s->SetRefPointMapCoords(k, k));
        ASSERT_TRUE(s->AddRefPointPixel(k, k, {}));
    }
    EXPECT_FALSE(s->SetRefPointMapCoords(1, 1));
    EXPECT_FALSE(s->AwaitingRefPixel());
    EXPECT_EQ(prompter.texts.size(), 1u);
}

TEST(RefPointFiles, RefRoundTripsAndDamagedFilesChangeNothing) {
    CScriptedPrompter prompter;
    TempDir tmp;
    const std::string ref = tmp.file("a.ref");
    CRefPointStore s;
    ASSERT_TRUE(s.SetRefPointMapCoords(512345.25, 5123456.75));
    ASSERT_TRUE(s.AddRefPointPixel(-3, 40, {26928, 6960}));
    ASSERT_TRUE(s.SetRefPointMapCoords(400000, 5000000.05));
    ASSERT_TRUE(s.AddRefPointPixel(800, 600, {0, 0}));
    ASSERT_TRUE(s.Write(ref));
    EXPECT_EQ(ReadFileBytes(ref), "26928,6960,512345.2,5123456.8,-3,40\n0,0,400000.0,5000000.0,800,600\n");

    CRefPointStore back;
    ASSERT_TRUE(back.Read(ref));
    ASSERT_EQ(back.RefPointCount(), 2);
    EXPECT_EQ(back.OffsetAtClick(0).x, 26928);
    EXPECT_EQ(back.ClickPixel(0).x, -3);
    EXPECT_NEAR(back.MapPoint(0).northing, 5123456.8, 1e-6);
    EXPECT_EQ(back.ClickPixel(1).y, 600);

    // Damaged, or with a value outside what an image of the area can use.
    const std::string damaged[] = {"1,2,3,4,5\n",
                                   "1,2,3,4,5,6\nx,2,3,4,5,6\n",
                                   "0,0,500000.0,5100000.0,0,0\n0,0,1e400,5100000.0,0,0\n",
                                   "0,0,500000.0,1e300,0,0\n",
                                   "0,0,89999.9,5100000.0,0,0\n",
                                   "0,0,500000.0,4659999.9,0,0\n",
                                   "100000001,0,500000.0,5100000.0,0,0\n",
                                   "0,-100000001,500000.0,5100000.0,0,0\n",
                                   "0,0,500000.0,5100000.0,99999999999,0\n",
                                   "0,0,500000.0,5100000.0,0,-99999999999\n",
                                   "0,0,nan,5100000.0,0,0\n",
                                   "1,2,,4,5,6\n"};
    for (const std::string& text : damaged) {
        SCOPED_TRACE(text);
        prompter.texts.clear();
        ASSERT_TRUE(WriteFileBytes(ref, text));
        EXPECT_FALSE(back.Read(ref));
        EXPECT_EQ(back.RefPointCount(), 2);
        EXPECT_EQ(back.ClickPixel(1).y, 600);
        ASSERT_EQ(prompter.texts.size(), 1u);
        EXPECT_EQ(prompter.texts[0].rfind("Error! Reference point file " + ref + " is damaged (line ", 0),
                  0u);
    }
    // Saving with no points leaves the file as it was.
    CRefPointStore none;
    EXPECT_TRUE(none.Write(ref));
    EXPECT_EQ(ReadFileBytes(ref), damaged[std::size(damaged) - 1]);

    // The limits are taken and written back the same.
    const std::string limits =
        "-100000000,100000000,90000.0,4660000.0,100000000,-100000000\n"
        "100000000,-100000000,930000.0,5500000.0,-100000000,100000000\n";
    ASSERT_TRUE(WriteFileBytes(ref, limits));
    ASSERT_TRUE(back.Read(ref));
    EXPECT_EQ(std::tuple(back.OffsetAtClick(0).x, back.MapPoint(1).northing, back.ClickPixel(1).x),
              std::tuple(-100000000, 5500000.0, -100000000));
    ASSERT_TRUE(back.Write(ref));
    EXPECT_EQ(ReadFileBytes(ref), limits);
}

TEST(RefPointFiles, InfRoundTripsAndDamagedFilesChangeNothing) {
    CScriptedPrompter prompter;
    TempDir tmp;
    const std::string image = tmp.file("map.bmp");
    ImageGeoref g;
    g.PixelOffset = {12, -7};
    g.ScaleX = 25000.5;
    g.ScaleY = 24999.25;
    g.Rotation = -0.0123456789;
    g.Origin = CPointD(512345.125, 5123456.5);
    ASSERT_TRUE(WriteImageInf(image, g));
    EXPECT_EQ(ReadFileBytes(tmp.file("map.inf")),
              "0\n12\n-7\n512345.1250000000\n5123456.5000000000\n-0.0123456789\n25000.5000000000\n"
              "24999.2500000000");
    ImageGeoref back;
    ASSERT_TRUE(ReadImageInf(image, back));
    EXPECT_EQ(back.PixelOffset.x, 12);
    EXPECT_EQ(back.PixelOffset.y, -7);
    EXPECT_DOUBLE_EQ(back.ScaleX, 25000.5);
    EXPECT_DOUBLE_EQ(back.ScaleY, 24999.25);
    EXPECT_DOUBLE_EQ(back.Rotation, -0.0123456789);
    EXPECT_DOUBLE_EQ(back.Origin.northing, 5123456.5);

    // Five lines: one scale for both axes, no rotation.
    ASSERT_TRUE(WriteFileBytes(tmp.file("map.inf"), "10000\n1\n2\n400000\n5100000"));
    ASSERT_TRUE(ReadImageInf(image, back));
    EXPECT_EQ(back.ScaleY, 10000);
    EXPECT_EQ(back.Rotation, 0);

    const std::string damaged[] = {"10000\n1\n2\n3", "10000\n1\nabc\n400000\n5100000",
                                   "0\n1\n2\n400000\n5100000", "0\n1\n2\n400000\n5100000\n0\n25000\n0"};
    for (const std::string& text : damaged) {
        SCOPED_TRACE(text);
        prompter.texts.clear();
        ASSERT_TRUE(WriteFileBytes(tmp.file("map.inf"), text));
        ImageGeoref kept = back;
        EXPECT_FALSE(ReadImageInf(image, kept));
        EXPECT_EQ(kept.ScaleX, 10000);
        EXPECT_EQ(kept.Origin.easting, 400000);
        ASSERT_EQ(prompter.texts.size(), 1u);
        EXPECT_NE(prompter.texts[0].find(tmp.file("map.inf")), std::string::npos);
    }
}

// A value outside what an image of the area can use refuses the ".inf" with
// one message and keeps the georeference; the limits are taken and written
// back as read; blank optional lines count as left out.
TEST(RefPointFiles, InfValuesOutsideTheMapAreRefusedAndTheLimitsRoundTrip) {
    CScriptedPrompter prompter;
    TempDir tmp;
    const std::string image = tmp.file("map.bmp"), inf = tmp.file("map.inf");
    const std::string damaged = "Error! Map origin file " + inf + " is damaged!";
    const std::string noScale = "Error! Map origin file " + inf + " holds no valid map scale!";
    const struct {
        const char* text;
        const std::string& message;
    } bad[] = {
        {"1e-12\n0\n0\n500000\n5100000", noScale},
        {"25000\n0\n0\n500000\n5100000\n0\n99.99\n25000", noScale},
        {"25000\n0\n0\n500000\n5100000\n0\n25000\n10000001", noScale},
        {"25000\n0\n0\n1e400\n5100000", damaged},
        {"25000\n0\n0\n500000\n1e300", damaged},
        {"25000\n0\n0\n89999.99\n5100000", damaged},
        {"25000\n0\n0\n500000\n5500000.01", damaged},
        {"25000\n100000001\n0\n500000\n5100000", damaged},
        {"25000\n0\n-99999999999\n500000\n5100000", damaged},
        {"25000\n0\n0\n500000\n5100000\n6.2831853081", damaged},
        {"25000\n0\n0\n500000\n5100000\n-1e300", damaged},
        {"25000\n0\n0\n500000\n5100000\nnan", damaged},
        {"25000\n0\n0\n500000\n\n0", damaged},
    };
    ImageGeoref before;
    before.ScaleX = before.ScaleY = 5000;
    before.Origin = CPointD(450000, 5000000);
    for (const auto& b : bad) {
        SCOPED_TRACE(b.text);
        prompter.texts.clear();
        ASSERT_TRUE(WriteFileBytes(inf, b.text));
        ImageGeoref kept = before;
        EXPECT_FALSE(ReadImageInf(image, kept));
        EXPECT_EQ(std::tuple(kept.ScaleX, kept.ScaleY, kept.Origin.easting, kept.Rotation),
                  std::tuple(5000.0, 5000.0, 450000.0, 0.0));
        EXPECT_EQ(prompter.texts, std::vector<std::string>{b.message});
    }

    // Blank optional lines: no rotation, the single scale for both axes.
    const struct {
        const char* text;
        double rotation, sx, sy;
    } blanks[] = {{"25000\n1\n2\n400000\n5100000\n\n\n", 0, 25000, 25000},
                  {"25000\n1\n2\n400000\n5100000\n  \n\n24000", 0, 25000, 24000},
                  {"25000\n1\n2\n400000\n5100000\n0.5\n\n", 0.5, 25000, 25000}};
    for (const auto& b : blanks) {
        SCOPED_TRACE(b.text);
        ASSERT_TRUE(WriteFileBytes(inf, b.text));
        ImageGeoref g = before;
        ASSERT_TRUE(ReadImageInf(image, g));
        EXPECT_EQ(std::tuple(g.Rotation, g.ScaleX, g.ScaleY, g.Origin.easting),
                  std::tuple(b.rotation, b.sx, b.sy, 400000.0));
    }

    // The limits, written and read back equal, and written again the same.
    ImageGeoref lo, hi;
    lo.PixelOffset = {-100000000, -100000000};
    lo.ScaleX = lo.ScaleY = 100;
    lo.Rotation = -6.283185308;
    lo.Origin = CPointD(90000, 4660000);
    hi.PixelOffset = {100000000, 100000000};
    hi.ScaleX = 1e7;
    hi.ScaleY = 100;
    hi.Rotation = 6.283185308;
    hi.Origin = CPointD(930000, 5500000);
    for (const ImageGeoref& g : {lo, hi}) {
        ASSERT_TRUE(WriteImageInf(image, g));
        const std::string text = ReadFileBytes(inf);
        ImageGeoref back;
        ASSERT_TRUE(ReadImageInf(image, back)) << text;
        EXPECT_EQ(std::tuple(back.PixelOffset.x, back.PixelOffset.y, back.ScaleX, back.ScaleY, back.Rotation,
                             back.Origin.easting, back.Origin.northing),
                  std::tuple(g.PixelOffset.x, g.PixelOffset.y, g.ScaleX, g.ScaleY, g.Rotation,
                             g.Origin.easting, g.Origin.northing));
        ASSERT_TRUE(WriteImageInf(image, back));
        EXPECT_EQ(ReadFileBytes(inf), text);
    }
}

TEST(ImageMapDoc, OpeningFittingAndAcceptingAnImage) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    FakeMapOriginDialog dialog;
    doc.SetMapOriginDialog(&dialog);
    const std::string image = env.tmp.file("12_34.bmp");
    ASSERT_TRUE(WriteFileBytes(image, BmpBytes(40, 30, 8, 1024)));
    ImageGeoref truth;
    truth.ScaleX = truth.ScaleY = 25000;
    truth.Origin = CPointD(480000, 5120000);
    const ImageGeoref::Pixel off{26928, 6960};  // what the name 12_34 gives
    // A point marked on a series before the image opens stays pending.
    const CPointD m0 = MapOf(truth, off.x, off.y);
    doc.SetRefPointMapCoords(m0.easting, m0.northing);
    ASSERT_TRUE(doc.InitBmp(image));
    EXPECT_EQ(doc.ImageMapType, kMapImage);
    EXPECT_EQ(doc.ImageGeoref.PixelOffset.x, off.x);
    EXPECT_EQ(doc.ImageGeoref.PixelOffset.y, off.y);
    EXPECT_TRUE(doc.AwaitingRefPixel());

    // A refused file keeps the image that is held.
    ASSERT_TRUE(WriteFileBytes(env.tmp.file("bad.bmp"), "BMnot a bitmap at all, not at all"));
    EXPECT_FALSE(doc.InitBmp(env.tmp.file("bad.bmp")));
    EXPECT_EQ(doc.ImagePath, image);
    EXPECT_FALSE(doc.InitBmp(env.tmp.file("missing.bmp")));

    doc.AddRefPointPixel(0, 0);
    for (const auto& c : {std::pair{30, 0}, std::pair{0, 20}}) {
        const CPointD m = MapOf(truth, c.first + off.x, c.second + off.y);
        doc.SetRefPointMapCoords(m.easting, m.northing);
        doc.AddRefPointPixel(c.first, c.second);
    }
    ASSERT_EQ(doc.RefPointCount(), 3);

    // Cancel: the image keeps the placement it had (none), the views are not
    // told, no file.
    const auto fields = [](const ImageGeoref& g) {
        return std::vector<double>{double(g.PixelOffset.x),
                                   double(g.PixelOffset.y),
                                   g.ScaleX,
                                   g.ScaleY,
                                   g.Rotation,
                                   g.Origin.easting,
                                   g.Origin.northing,
                                   g.MeanResidual,
                                   g.MaxResidual,
                                   double(g.PairsUsed)};
    };
    const std::vector<double> before = fields(doc.ImageGeoref);
    env.view.hints.clear();
    doc.OnCalculateMapOrigin();
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_NEAR(dialog.shown[0].scaleX, 25000, 1e-3);
    EXPECT_EQ(dialog.shown[0].count, 3);
    EXPECT_EQ(doc.ImageMapType, kMapImage);
    EXPECT_EQ(fields(doc.ImageGeoref), before);
    EXPECT_TRUE(env.view.hints.empty());
    EXPECT_FALSE(std::filesystem::exists(env.tmp.file("12_34.inf")));
    // OK: georeferenced and written; the image reopened with it reads it back.
    dialog.answer = 1;
    doc.OnCalculateMapOrigin();
    EXPECT_EQ(doc.ImageMapType, kMapImageGeo);
    ASSERT_TRUE(doc.WriteRefPoints(doc.ImagePath));
    ASSERT_TRUE(doc.InitBmp(image));
    EXPECT_EQ(doc.ImageMapType, kMapImageGeo);
    EXPECT_EQ(doc.RefPointCount(), 3);
    EXPECT_NEAR(doc.ImageGeoref.Origin.northing, 5120000, 0.1);
    EXPECT_NEAR(doc.ImageGeoref.ScaleY, 25000, 1e-3);
}
