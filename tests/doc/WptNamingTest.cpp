// Automatic names, temporary names, name conflicts and the minimum distance.
#include <gtest/gtest.h>

#include "DocTestEnv.h"

namespace {
const int kAC = QuadrantAt(1, 3);

void Put(CVornaDoc& doc, int q, const WaypointRecord& r) { ASSERT_TRUE(PutWpt(doc.Waypoints(), q, r)); }

struct WptNaming : ::testing::Test {
    DocEnv env;
    CVornaDoc& doc = env.Make();
};
}  // namespace

TEST_F(WptNaming, AutomaticNumbersCountDeletedRecordsAndRunPast99) {
    EXPECT_EQ(doc.GetNewAutoWptName(kAC), "AC01");
    Put(doc, kAC, MakeWpt("AC05", QuadrantCentre(1, 3), kWptDeleted));
    Put(doc, kAC, MakeWpt("AC7", QuadrantCentre(1, 3)));
    EXPECT_EQ(doc.GetNewAutoWptName(kAC), "AC08");
    Put(doc, kAC, MakeWpt("AC05", QuadrantCentre(1, 3), kWptDeleted));
    Put(doc, kAC, MakeWpt("AC99", QuadrantCentre(1, 3)));
    Put(doc, kAC, MakeWpt("AC100", QuadrantCentre(1, 3)));
    Put(doc, kAC, MakeWpt("XY500", QuadrantCentre(1, 3)));  // another prefix does not count
    EXPECT_EQ(doc.GetNewAutoWptName(kAC), "AC101");
    EXPECT_EQ(doc.Waypoints().Claims(kAC), 0);

    // Names are read with their bound: an unterminated name field is 7 bytes at most.
    WaypointRecord raw = MakeWpt("", QuadrantCentre(1, 3));
    std::memcpy(raw.Name, "AC0200x", 7);
    Put(doc, kAC, raw);
    EXPECT_EQ(doc.GetNewAutoWptName(kAC), "AC201");

    // Past 9999 the name would not fit: refused with a message.
    Put(doc, kAC, MakeWpt("AC9999", QuadrantCentre(1, 3)));
    env.prompter.texts.clear();
    EXPECT_EQ(doc.GetNewAutoWptName(kAC), "");
    ASSERT_EQ(env.prompter.texts.size(), 1u);
    EXPECT_EQ(env.prompter.texts[0].rfind("Error! ", 0), 0u);
    EXPECT_EQ(doc.CreateWaypoint(405000, 5205000, WptCreateMode::Click, 1, "", "", 0), 0);

    EXPECT_EQ(doc.GetNewAutoWptName(kTempBase), "");
    EXPECT_TRUE(env.prompter.Saw(
        "Internal Error! Segment index belongs to temporary waypoints in 'GetNewAutoWptName'"));
}

TEST_F(WptNaming, TemporaryNameRulesAndReasons) {
    const std::string chars =
        "Temporary waypoint name must include only capital letters 'A'-'Z', numbers '0'-'9' and minus sign "
        "'-'!";
    const std::string shape =
        "Temporary waypoint name must not begin with two letters (or '-') plus number combination!";
    const std::pair<const char*, std::string> rows[] = {
        {"ab-1", ""},      {"  A1 ", ""},
        {"ABC1", ""},      {"AB1", shape},
        {"-A7", shape},    {"A_B", chars},
        {"K\xC4R", chars}, {"   ", "Temporary waypoint name must not be empty!"},
    };
    for (const auto& [name, reason] : rows) EXPECT_EQ(doc.CheckTemporaryWptName(name, false), reason) << name;
    EXPECT_TRUE(env.prompter.texts.empty());
    EXPECT_EQ(doc.CheckTemporaryWptName("AB1", true), shape);
    EXPECT_EQ(env.prompter.texts, std::vector<std::string>{"Error! " + shape});
}

TEST_F(WptNaming, DuplicateNameConflictLoop) {
    const CPointD far1 = QuadrantCentre(5, 5), far2 = QuadrantCentre(9, 9);
    Put(doc, kTempBase, MakeWpt("HOME", far1, kWptTemporary));
    Put(doc, kTempBase, MakeWpt("HUT", far1, kWptTemporary | kWptDeleted));  // no conflict
    WaypointRecord rec = MakeWpt("HUT", far2, kWptTemporary);
    EXPECT_EQ(doc.NewNamedWptNameOK(&rec, -1, true), 1);
    EXPECT_TRUE(env.dialogs.kinds.empty());

    // HOME exists: a name of the automatic shape is refused and the same
    // conflict offered again; a lower-case free name is taken as checked.
    rec = MakeWpt("HOME", far2, kWptTemporary);
    env.dialogs.conflicts = {{1, "ab12"}, {1, " cabin "}};
    EXPECT_EQ(doc.NewNamedWptNameOK(&rec, -1, true), 1);
    EXPECT_EQ(WptName(rec), "CABIN");
    EXPECT_EQ(env.dialogs.kinds, (std::vector<int>{0, 0}));
    EXPECT_EQ(env.dialogs.infos[0].existingName, "HOME");
    EXPECT_EQ(env.dialogs.infos[0].existingE, int(far1.easting));
    EXPECT_EQ(env.dialogs.infos[0].distance, 56568);  // 40 km on both axes, truncated
    EXPECT_TRUE(env.prompter.Saw("Error! Temporary waypoint name must not begin with two letters"));

    // Replace: the existing waypoint takes the new position; the caller stores nothing.
    rec = MakeWpt("HOME", QuadrantCentre(3, 3), kWptTemporary);
    env.dialogs.conflicts = {{1, "HOME", 1}};
    EXPECT_EQ(doc.NewNamedWptNameOK(&rec, -1, true), 0);
    EXPECT_EQ(doc.Waypoints().Base(kTempBase).Data[0].E, rec.E);
    EXPECT_EQ(doc.Waypoints().Base(kTempBase).Count, 2);
    EXPECT_EQ(doc.Waypoints().UndoStack().Count(), 1);

    // Two live HOMEs: the later one is offered; skipping refuses; kind 4 without Replace.
    Put(doc, kTempBase, MakeWpt("HOME", far2, kWptTemporary));
    env.dialogs.kinds.clear();
    env.dialogs.infos.clear();
    rec = MakeWpt("HOME", QuadrantCentre(2, 2), kWptTemporary);
    EXPECT_EQ(doc.NewNamedWptNameOK(&rec, -1, false), 0);
    EXPECT_EQ(env.dialogs.kinds, std::vector<int>{4});
    EXPECT_EQ(env.dialogs.infos[0].existingE, int(far2.easting));
    // Skipping that record's own index finds the first HOME.
    env.dialogs.infos.clear();
    EXPECT_EQ(doc.NewNamedWptNameOK(&rec, 2, false), 0);
    EXPECT_EQ(env.dialogs.infos[0].existingE, int(QuadrantCentre(3, 3).easting));

    WaypointRecord autoRec = MakeWpt("AC01", QuadrantCentre(1, 3));
    EXPECT_EQ(doc.NewNamedWptNameOK(&autoRec, -1, true), -1);
    EXPECT_TRUE(env.prompter.Saw("Internal Error! Tested waypoint not temporary in 'NewNamedWptNameOK'!"));
}

TEST_F(WptNaming, MinimumDistanceIsStrictlyInside) {
    const CPointD c = QuadrantCentre(1, 3);
    Put(doc, kAC, MakeWpt("AC01", c));
    EXPECT_TRUE(doc.CheckNewWptDistance(MakeWpt("AC02", CPointD(c.easting + 100, c.northing))));
    EXPECT_TRUE(doc.CheckNewWptDistance(MakeWpt("AC02", CPointD(c.easting + 60, c.northing + 80))));
    EXPECT_TRUE(env.dialogs.kinds.empty());

    const WaypointRecord close = MakeWpt("AC02", CPointD(c.easting + 99.999, c.northing));
    EXPECT_FALSE(doc.CheckNewWptDistance(close));  // skipped
    env.dialogs.conflicts = {{1, ""}};
    EXPECT_TRUE(doc.CheckNewWptDistance(close));  // confirmed
    EXPECT_EQ(env.dialogs.kinds, (std::vector<int>{1, 1}));
    EXPECT_EQ(env.dialogs.infos[0].distance, 99);
    // The waypoint itself (same name) is no conflict.
    EXPECT_TRUE(doc.CheckNewWptDistance(MakeWpt("AC01", CPointD(c.easting + 10, c.northing))));
    // A temporary waypoint close by counts too.
    Put(doc, kTempBase, MakeWpt("CAMP", CPointD(c.easting + 3000, c.northing), kWptTemporary));
    EXPECT_FALSE(doc.CheckNewWptDistance(MakeWpt("AC03", CPointD(c.easting + 3050, c.northing))));
    // Near the area's border nothing is found.
    Put(doc, 0, MakeWpt("--01", CPointD(370050, 5219950)));
    EXPECT_TRUE(doc.CheckNewWptDistance(MakeWpt("--02", CPointD(370060, 5219950))));
}
