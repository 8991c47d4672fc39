// Waypoints from exchange files and the receiver: the import and the test
// whether a waypoint is in the database already.
#include <gtest/gtest.h>

#include <ctime>
#include <limits>

#include "DocTestEnv.h"

namespace {

// A record from outside at the WGS84 position of grid point p.
GPSrecord FromOutside(const CGeoTransform& geo, CPointD p, const std::string& name,
                      const std::string& comment = "", std::int32_t time = 0) {
    GPSrecord r;
    EXPECT_EQ(geo.GKToWGS84(p.easting, p.northing, r.latitude, r.longitude), 1);
    r.name = name;
    r.comment = comment;
    r.time = time;
    return r;
}

}  // namespace

TEST(WptImport, ImportStoresTrimmedCutTextsAtTheGridPosition) {
    DocEnv env;
    env.ApplyDatum();
    CVornaDoc& doc = env.Make();
    const CPointD p(QuadrantCentre(3, 5).easting + 0.4, QuadrantCentre(3, 5).northing + 0.6);
    const std::int32_t now = std::int32_t(std::time(nullptr));
    const struct {
        const char *name, *comment;
        std::int32_t time;
        const char *storedName, *storedComment;
        bool timeKept;
    } rows[] = {
        {"  peak \t", "  On the summit  ", 0, "PEAK", "On the summit", false},
        {" waterfall ", "01-JAN-01 12:00  Spring by the road and more", 1000000000, "WATERF",
         "Spring by the road and", true},
        {"cave", " short ", 1000000000, "CAVE", "short", true},  // shorter than the time text: kept
        {"hut", "12345678901234567890", -5, "HUT", "12345678901234567890", false},
        {"summit!", "", 0, "SUMMIT", "", false},  // the bad seventh character goes with the cut
    };
    for (int k = 0; k < 5; ++k) {
        const auto& r = rows[k];
        const GPSrecord rec =
            FromOutside(env.geo, CPointD(p.easting + 1000 * k, p.northing), r.name, r.comment, r.time);
        ASSERT_EQ(doc.AddImportedWaypoint(rec), 1) << r.name;
        const WaypointRecord w = *doc.GetWptRecord(kTempBase, k);
        EXPECT_EQ(WptName(w), r.storedName);
        EXPECT_EQ(WptComment(w), r.storedComment);
        EXPECT_TRUE(r.timeKept ? w.Created == r.time : w.Created >= now) << r.name;
        EXPECT_EQ(w.Flags & (kWptTemporary | kWptImported), kWptTemporary | kWptImported);
        EXPECT_NEAR(w.E, p.easting + 1000 * k, 0.1);
        EXPECT_NEAR(w.N, p.northing, 0.1);
    }
    EXPECT_EQ(env.dialogs.wptRuns, 0);
    EXPECT_TRUE(env.prompter.texts.empty());
}

TEST(WptImport, ExistenceByNameAndProximityAndNeverForAnUnconvertiblePosition) {
    DocEnv env;
    env.ApplyDatum();
    env.settings.existingWptProximity = 10.0;
    CVornaDoc& doc = env.Make();
    const CPointD t = QuadrantCentre(6, 6), a = QuadrantCentre(1, 3);
    ASSERT_EQ(doc.AddImportedWaypoint(FromOutside(env.geo, t, "PEAK")), 1);
    ASSERT_EQ(doc.CreateWaypoint(a.easting, a.northing, WptCreateMode::Click, 1, "", "", 0), 1);
    const std::vector<int> claims = env.Db().AllClaims();
    const struct {
        CPointD p;
        const char* name;
        bool exists;
    } rows[] = {
        {{t.easting + 6, t.northing}, "PEAK", true},
        {{t.easting, t.northing - 6}, " peak ", true},
        {{t.easting + 12, t.northing}, "PEAK", false},
        {t, "PEAKS", false},
        {{a.easting + 3, a.northing + 3}, "AC01", true},  // looked up in the quadrant its letters name
        {{a.easting + 9, a.northing + 9}, "AC01", false},
        {a, "AD01", false},
        {a, "?C01", false},  // no such quadrant
        {a, "A01", false},   // no search field yet
    };
    for (const auto& r : rows)
        EXPECT_EQ(doc.CheckWptExistence(FromOutside(env.geo, r.p, r.name)), r.exists) << r.name;
    EXPECT_FALSE(env.Db().Base(QuadrantAt(1, 3)).Loaded) << "opened for the test and closed again";
    EXPECT_EQ(env.Db().AllClaims(), claims);

    // Deleted records do not count; a deleted waypoint may be imported again.
    ASSERT_EQ(doc.DeleteWaypoint(*doc.GetWptRecord(kTempBase, 0), 0), 1);
    EXPECT_FALSE(doc.CheckWptExistence(FromOutside(env.geo, t, "PEAK")));
    ASSERT_EQ(doc.AddImportedWaypoint(FromOutside(env.geo, t, "PEAK")), 1);
    EXPECT_TRUE(doc.CheckWptExistence(FromOutside(env.geo, t, "PEAK")));
    EXPECT_TRUE(env.prompter.texts.empty());

    // A position that cannot be converted adds nothing and matches nothing,
    // however near everything counts.
    env.settings.existingWptProximity = 1e9;
    const GPSrecord peak = FromOutside(env.geo, t, "PEAK");
    const int count = env.Db().Base(kTempBase).Count;
    env.geo = CGeoTransform();  // datum parameters not set
    GPSrecord other = peak;
    other.name = "SPRING";
    EXPECT_EQ(doc.AddImportedWaypoint(other), 0);
    EXPECT_FALSE(doc.CheckWptExistence(peak));
    EXPECT_EQ(env.prompter.texts,
              std::vector<std::string>(2, "Error! Geodetic transformation parameters not set."));
    env.ApplyDatum();
    other.latitude = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(doc.AddImportedWaypoint(other), 0);
    EXPECT_TRUE(env.prompter.Saw("Error! Position of waypoint 'SPRING' can not be converted"));
    EXPECT_EQ(env.Db().Base(kTempBase).Count, count);
    EXPECT_EQ(env.dialogs.wptRuns, 0);
}

// Points past 99 of a band are exported with three or more digits ("A100");
// a receiver's copy of one is a search point like any other.
TEST(WptImport, SearchPointsAreKnownWhateverTheirNumberOfDigits) {
    DocEnv env;
    env.ApplyDatum();
    env.settings.existingWptProximity = 10.0;
    CVornaDoc& doc = env.Make();
    SearchAreaData& d = doc.SearchArea().Data();
    d.BaseStart = CPointD(500000, 5100000);
    d.BaseEnd = CPointD(500300, 5100000);       // 2 bands
    d.DirectionEnd = CPointD(500000, 5101500);  // 151 points per band, 10 m apart
    d.PointDistance = 10.0;
    SearchGrid g;
    ASSERT_TRUE(MakeSearchGrid(d, g));
    const struct {
        int band, point;
        const char* name;
        bool exists;
    } rows[] = {
        {0, 1, "A01", true},      {1, 99, "B99", true},   {0, 100, "A100", true},
        {1, 150, "B150", true},   {0, 100, "A10", false},  // another point's name
        {0, 100, "A1000", false}, {0, 1, "A1", false},    {0, 1, "A01X", false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(doc.CheckWptExistence(FromOutside(env.geo, g.Point(r.band, r.point), r.name)), r.exists)
            << r.name;
    EXPECT_TRUE(env.prompter.texts.empty());
}
