// Waypoints from exchange files and the receiver: the import and the test
// whether a waypoint is in the database already.
#include <gtest/gtest.h>

#include <cmath>
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
    r.flag = 1;
    return r;
}

const WaypointRecord& LastTemp(CVornaDoc& doc) {
    const WptBase& t = doc.Waypoints().Base(kTempBase);
    EXPECT_GT(t.Count, 0);
    return t.Data[t.Count - 1];
}

}  // namespace

TEST(WptImport, ImportCreatesTemporaryWaypointAtGridPositionWithTrimmedTexts) {
    DocEnv env;
    env.ApplyDatum();
    CVornaDoc& doc = env.Make();
    const CPointD p(QuadrantCentre(3, 5).easting + 0.4, QuadrantCentre(3, 5).northing + 0.6);

    // Without a time the comment is only trimmed.
    const std::int32_t before = std::int32_t(std::time(nullptr));
    const GPSrecord plain = FromOutside(env.geo, p, "  peak \t", "  On the summit  ");
    ASSERT_EQ(doc.AddImportedWaypoint(plain), 1);
    const WaypointRecord r = LastTemp(doc);
    EXPECT_EQ(WptName(r), "PEAK");
    EXPECT_EQ(WptComment(r), "On the summit");
    EXPECT_GE(r.Created, before);
    EXPECT_EQ(r.Flags & (kWptTemporary | kWptImported), kWptTemporary | kWptImported);
    CPointD grid;
    ASSERT_EQ(env.geo.WGS84ToGK(plain.latitude, plain.longitude, grid), 1);
    EXPECT_DOUBLE_EQ(r.E, std::trunc(grid.easting * 1000.0) / 1000.0);
    EXPECT_NEAR(r.E, p.easting, 0.1);  // the transform's round trip
    EXPECT_NEAR(r.N, p.northing, 0.1);
    EXPECT_EQ(env.dialogs.wptRuns, 0);
    EXPECT_EQ(doc.Waypoints().UndoStack().Count(), 1);

    // With a time: the date and time text goes, the rest is trimmed and cut to
    // the field (and trimmed again); the name is cut to six characters.
    const CPointD p2(p.easting + 1000, p.northing);
    ASSERT_EQ(doc.AddImportedWaypoint(FromOutside(
                  env.geo, p2, " waterfall ", "01-JAN-01 12:00  Spring by the road and more", 1000000000)),
              1);
    EXPECT_EQ(WptName(LastTemp(doc)), "WATERF");
    EXPECT_EQ(WptComment(LastTemp(doc)), "Spring by the road and");
    EXPECT_EQ(LastTemp(doc).Created, 1000000000);

    // A comment shorter than the time text is kept whole; a negative time is none.
    ASSERT_EQ(doc.AddImportedWaypoint(
                  FromOutside(env.geo, CPointD(p.easting + 2000, p.northing), "cave", " short ", 1000000000)),
              1);
    EXPECT_EQ(WptComment(LastTemp(doc)), "short");
    ASSERT_EQ(doc.AddImportedWaypoint(FromOutside(env.geo, CPointD(p.easting + 3000, p.northing), "hut",
                                                  "12345678901234567890", -5)),
              1);
    EXPECT_EQ(WptComment(LastTemp(doc)), "12345678901234567890");
    EXPECT_GE(LastTemp(doc).Created, before);

    // The name is checked as it will be stored: the bad seventh character goes
    // with the cut, so no dialog opens.
    ASSERT_EQ(doc.AddImportedWaypoint(FromOutside(env.geo, CPointD(p.easting + 4000, p.northing), "summit!")),
              1);
    EXPECT_EQ(WptName(LastTemp(doc)), "SUMMIT");
    EXPECT_EQ(env.dialogs.wptRuns, 0);
    EXPECT_TRUE(env.prompter.texts.empty());
}

TEST(WptImport, ExistenceByNameAndProximityInTempAndNamedQuadrant) {
    DocEnv env;
    env.ApplyDatum();
    env.settings.existingWptProximity = 10.0;
    CVornaDoc& doc = env.Make();
    const int kAC = QuadrantAt(1, 3);
    const CPointD t = QuadrantCentre(6, 6);
    ASSERT_EQ(doc.AddImportedWaypoint(FromOutside(env.geo, t, "PEAK")), 1);
    const CPointD a = QuadrantCentre(1, 3);
    ASSERT_EQ(doc.CreateWaypoint(a.easting, a.northing, WptCreateMode::Click, 1, "", "", 0), 1);
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    ASSERT_EQ(WptName(doc.Waypoints().Base(kAC).Data[0]), "AC01");
    doc.CloseUnusedQuadrants();
    ASSERT_FALSE(doc.Waypoints().Base(kAC).Loaded);
    const std::vector<int> claims = doc.Waypoints().AllClaims();

    // TEMP: the same name (in the stored form) within the proximity.
    EXPECT_TRUE(doc.CheckWptExistence(FromOutside(env.geo, CPointD(t.easting + 6, t.northing), "PEAK")));
    EXPECT_TRUE(doc.CheckWptExistence(FromOutside(env.geo, CPointD(t.easting, t.northing - 6), " peak ")));
    EXPECT_FALSE(doc.CheckWptExistence(FromOutside(env.geo, CPointD(t.easting + 12, t.northing), "PEAK")));
    EXPECT_FALSE(doc.CheckWptExistence(FromOutside(env.geo, t, "PEAKS")));
    ASSERT_EQ(
        doc.AddImportedWaypoint(FromOutside(env.geo, CPointD(t.easting + 500, t.northing), "Waterfall")), 1);
    EXPECT_TRUE(
        doc.CheckWptExistence(FromOutside(env.geo, CPointD(t.easting + 500, t.northing), "WATERFALL")));

    // An automatic name is looked up in the quadrant its letters name, which
    // is opened for the test and closed again.
    EXPECT_TRUE(doc.CheckWptExistence(FromOutside(env.geo, CPointD(a.easting + 3, a.northing + 3), "AC01")));
    EXPECT_FALSE(doc.CheckWptExistence(FromOutside(env.geo, CPointD(a.easting + 9, a.northing + 9), "AC01")));
    EXPECT_FALSE(doc.Waypoints().Base(kAC).Loaded);
    EXPECT_FALSE(doc.CheckWptExistence(FromOutside(env.geo, a, "AD01")));
    EXPECT_FALSE(doc.CheckWptExistence(FromOutside(env.geo, a, "?C01")));  // no such quadrant
    EXPECT_FALSE(doc.CheckWptExistence(FromOutside(env.geo, a, "A01")));   // no search field yet
    EXPECT_EQ(doc.Waypoints().AllClaims(), claims);

    // Deleted records do not count.
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    ASSERT_EQ(doc.DeleteWaypoint(doc.Waypoints().Base(kAC).Data[0], 0), 1);
    ASSERT_EQ(doc.DeleteWaypoint(doc.Waypoints().Base(kTempBase).Data[0], 0), 1);
    EXPECT_FALSE(doc.CheckWptExistence(FromOutside(env.geo, a, "AC01")));
    EXPECT_FALSE(doc.CheckWptExistence(FromOutside(env.geo, t, "PEAK")));
    EXPECT_EQ(doc.Waypoints().AllClaims(), claims);
    EXPECT_FALSE(doc.Waypoints().Base(kAC).Loaded);
    EXPECT_TRUE(env.prompter.texts.empty());

    // A deleted waypoint may be imported again; the new one is then found.
    ASSERT_EQ(doc.AddImportedWaypoint(FromOutside(env.geo, t, "PEAK")), 1);
    EXPECT_TRUE(doc.CheckWptExistence(FromOutside(env.geo, t, "PEAK")));
}

TEST(WptImport, UnconvertiblePositionAddsNothingAndCountsAsNotExisting) {
    DocEnv env;
    env.ApplyDatum();
    env.settings.existingWptProximity = 1e9;  // would match anywhere, were anything compared
    CVornaDoc& doc = env.Make();
    const CPointD t = QuadrantCentre(6, 6);
    const GPSrecord peak = FromOutside(env.geo, t, "PEAK");
    ASSERT_EQ(doc.AddImportedWaypoint(peak), 1);
    const int count = doc.Waypoints().Base(kTempBase).Count;
    const int undo = doc.Waypoints().UndoStack().Count();
    const std::vector<int> claims = doc.Waypoints().AllClaims();

    env.geo = CGeoTransform();  // datum parameters not set
    GPSrecord other = peak;
    other.name = "SPRING";
    EXPECT_EQ(doc.AddImportedWaypoint(other), 0);
    EXPECT_FALSE(doc.CheckWptExistence(peak));
    ASSERT_EQ(env.prompter.texts.size(), 2u);
    EXPECT_EQ(env.prompter.texts[0], "Error! Geodetic transformation parameters not set.");
    EXPECT_EQ(env.prompter.texts[1], "Error! Geodetic transformation parameters not set.");

    // A position that is no number, with the parameters set, says so.
    env.ApplyDatum();
    other.latitude = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(doc.AddImportedWaypoint(other), 0);
    EXPECT_TRUE(env.prompter.Saw("Error! Position of waypoint 'SPRING' can not be converted"));

    EXPECT_EQ(doc.Waypoints().Base(kTempBase).Count, count);
    EXPECT_EQ(doc.Waypoints().UndoStack().Count(), undo);
    EXPECT_EQ(doc.Waypoints().AllClaims(), claims);
    EXPECT_EQ(env.dialogs.wptRuns, 0);
}
