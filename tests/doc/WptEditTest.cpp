// Creating, editing, moving and deleting waypoints, and taking it back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "DocTestEnv.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"

namespace {
const int kAC = QuadrantAt(1, 3);
const int kAD = QuadrantAt(1, 4);
const std::string kSectorMove =
    "Warning! Waypoint has been moved out of the current sector and it's name will be automatically changed "
    "to ";

// Creates an automatic waypoint by a click and answers its (base, index).
std::pair<int, int> Click(CVornaDoc& doc, CPointD p) {
    EXPECT_EQ(doc.CreateWaypoint(p.easting, p.northing, WptCreateMode::Click, 1, "", "", 0), 1);
    const int q = GetQuadrantIndex(p.easting, p.northing);
    EXPECT_EQ(doc.OpenQuadrantWptFile(q), 1);
    return {q, doc.Waypoints().Base(q).Count - 1};
}

struct WptEdit : ::testing::Test {
    DocEnv env;
    CVornaDoc& doc = (env.settings.wptDefaultLabelPosition = 0x20, env.Make());
};
}  // namespace

TEST_F(WptEdit, CreationNamesLevelsAndTrimsNewWaypoints) {
    const CPointD c = QuadrantCentre(1, 3);
    ASSERT_EQ(
        doc.CreateWaypoint(c.easting + 0.12345, c.northing + 0.98765, WptCreateMode::Click, 2, "", "", 0), 1);
    const WaypointRecord r = Stored(doc, kAC, 0);
    EXPECT_EQ(WptName(r), "AC01");
    EXPECT_DOUBLE_EQ(r.E, c.easting + 0.123);
    EXPECT_DOUBLE_EQ(r.N, c.northing + 0.987);
    EXPECT_EQ(r.Flags, 2 | 0x20);  // TK25's series, label left
    EXPECT_EQ(env.view.hints, std::vector<long>{kHintWaypoint});
    EXPECT_EQ(doc.CreateWaypoint(300000, 5100000, WptCreateMode::Click, 1, "", "", 0), 0);
    EXPECT_TRUE(env.prompter.Saw("Error! Coordinates out of range"));
    doc.OnNewWptLevel(4);
    EXPECT_EQ(env.settings.wptLevel, 4) << "the level is a setting";
    EXPECT_EQ(doc.CreateWaypoint(c.easting + 50, c.northing, WptCreateMode::Click, 1, "", "", 0), 0)
        << "too close";
    EXPECT_EQ(doc.CreateWaypoint(c.easting + 500, c.northing, WptCreateMode::Click, -3, "", "", 0), 1);
    EXPECT_EQ(Stored(doc, kAC, 1).Flags & kWptLevelMask, 4);

    // An imported name that breaks the rules shows its reason, then the dialog (cancelled here).
    const CPointD t = QuadrantCentre(4, 4);
    EXPECT_EQ(doc.CreateWaypoint(t.easting + 1000, t.northing, WptCreateMode::Import, -1, "AB12", "", 0), 0);
    EXPECT_TRUE(env.prompter.Saw("Error! Temporary waypoint name must not begin"));
    EXPECT_EQ(env.dialogs.wptRuns, 1);

    // Temporary creation through the dialog; a dialog that moves a new
    // automatic waypoint into another quadrant gives it that quadrant's name.
    doc.OnCreateTempWpts();
    env.dialogs.wpt.push_back([](WaypointRecord& e) { return SetWptName(e, "camp"), kWptDialogOk; });
    EXPECT_EQ(doc.CreateWaypoint(t.easting + 2000, t.northing, WptCreateMode::Click, 1, "", "", 0), 1);
    EXPECT_EQ(WptName(Stored(doc, kTempBase, 0)), "CAMP");
    doc.OnCreateTempWpts();
    env.dialogs.wpt.push_back([](WaypointRecord& e) { return e.E += 10000, kWptDialogOk; });
    EXPECT_EQ(doc.CreateWaypoint(t.easting, t.northing, WptCreateMode::Dialog, 1, "", "", 0), 1);
    EXPECT_EQ(WptName(Stored(doc, QuadrantAt(4, 5), 0)), QuadrantName(QuadrantAt(4, 5)) + "01");
}

TEST_F(WptEdit, CrossQuadrantMoveRenamesAndOneUndoRestores) {
    const CPointD c = QuadrantCentre(1, 3);
    auto [q, i] = Click(doc, c);
    Click(doc, QuadrantCentre(1, 4));  // AD01 exists
    const WaypointRecord orig = Stored(doc, q, i);
    ASSERT_EQ(doc.MoveWaypoint(orig, i, CPointD(c.easting + 10000, c.northing + 1000)), 1);
    EXPECT_TRUE(
        env.prompter.Saw("Warning! Auto waypoint has been moved out of the current sector and it's name "
                         "will be automatically changed to 'AD02'!"));
    EXPECT_TRUE(WptIsDeleted(Stored(doc, kAC, 0)));
    EXPECT_EQ(WptName(Stored(doc, kAD, 1)), "AD02");
    doc.Undo(0);  // the random edits check what undo restores

    // Within its quadrant a move is a change; undo sends both positions.
    ASSERT_EQ(doc.MoveWaypoint(orig, 0, CPointD(c.easting - 2000, c.northing)), 1);
    env.view.records.clear();
    doc.Undo(0);
    ASSERT_EQ(env.view.records.size(), 2u);
    EXPECT_EQ(env.view.records[0].E, c.easting - 2000);
    EXPECT_EQ(env.view.records[1].E, c.easting);

    // Stale or wrong requests are refused.
    WaypointRecord stale = orig;
    SetWptName(stale, "AC09");
    EXPECT_EQ(doc.MoveWaypoint(stale, 0, c), 0);
    EXPECT_TRUE(env.prompter.Saw("Error! Selected auto waypoint not found in 'MoveWaypoint'!"));
    EXPECT_EQ(doc.DeleteWaypoint(orig, 7), 0);
    EXPECT_TRUE(env.prompter.Saw("Error! Index of waypoint out of range in 'DeleteWaypoint'!"));
    EXPECT_EQ(doc.MoveWaypoint(orig, 0, CPointD(100, 100)), 0);
    EXPECT_TRUE(env.prompter.Saw("Error! New coordinates out of range"));
    for (int b = 0; b < kQuadrantCount; ++b)
        EXPECT_TRUE(!env.Db().Base(b).Loaded || env.Db().Claims(b) > 0 || env.Db().SelectionLevel(b) >= 0)
            << b;
}

TEST_F(WptEdit, EditLevelLabelDeleteAndTheSectorMoveWarnings) {
    auto [q, i] = Click(doc, QuadrantCentre(1, 3));
    // An edit into another quadrant warns and renames.
    env.dialogs.wpt.push_back([](WaypointRecord& e) { return e.E += 10000, kWptDialogOk; });
    ASSERT_EQ(doc.EditWaypoint(Stored(doc, q, i), i), 1);
    EXPECT_TRUE(env.prompter.Saw(kSectorMove + "'AD01'!"));
    doc.Undo(0);

    const WaypointRecord r = Stored(doc, q, i);
    ASSERT_EQ(doc.SetWptLevel(r, i, 3), 1);
    EXPECT_EQ(Stored(doc, q, i).Flags & kWptLevelMask, 3);
    EXPECT_EQ(doc.SetWptLevel(r, i, 5), 0);
    ASSERT_EQ(doc.SetWptLabelPosition(r, i, 0x30), 1);
    EXPECT_EQ(Stored(doc, q, i).Flags & kWptLabelMask, 0x30);
    EXPECT_EQ(doc.SetWptLabelPosition(r, i, 0x40), 0);

    // Deleting keeps the record, flagged, until compaction; a selected sector
    // loses and regains the mark with delete and undo.
    env.Db().SetSelectionLevel(q, 4);
    doc.UpdateWptSelectionFlag(q, i, 4);
    ASSERT_EQ(doc.DeleteWaypoint(Stored(doc, q, i), i), 1);
    EXPECT_EQ(Stored(doc, q, i).Flags & (kWptDeleted | kWptSelected), kWptDeleted);
    EXPECT_EQ(doc.GetLiveWptCount(q), 0);
    EXPECT_EQ(doc.DeleteWaypoint(Stored(doc, q, i), i), 0) << "already deleted";
    doc.Undo(0);
    EXPECT_EQ(Stored(doc, q, i).Flags & (kWptDeleted | kWptSelected), kWptSelected);

    // Turning an automatic waypoint into a temporary one moves it to the temporary base.
    env.dialogs.wpt.push_back([](WaypointRecord& e) {
        e.Flags |= kWptTemporary;
        return SetWptName(e, "CAMP"), kWptDialogOk;
    });
    ASSERT_EQ(doc.EditWaypoint(Stored(doc, q, i), i), 1);
    EXPECT_TRUE(env.prompter.Saw(kSectorMove + "'CAMP'!"));
    EXPECT_TRUE(WptIsDeleted(Stored(doc, q, i)));
    EXPECT_EQ(WptName(Stored(doc, kTempBase, 0)), "CAMP");
}

TEST_F(WptEdit, RefusedRegistrationChangesNothing) {
    auto [q, i] = Click(doc, QuadrantCentre(1, 3));
    const int undo = doc.Waypoints().UndoStack().Count(), count = env.Db().Base(q).Count;
    env.prompter.texts.clear();
    const CPointD c = QuadrantCentre(1, 3);
    const WaypointRecord refused[] = {
        MakeWpt("AC01", c),  // duplicate automatic name
        MakeWpt("AC0X", c),          MakeWpt("AD02", c),    MakeWpt("AC02", c, kWptObject),
        MakeWpt("AC02", c, 0x0100),  MakeWpt("AC02", c, 5), MakeWpt("AB1", c, kWptTemporary),
        MakeWpt("X", CPointD(0, 0)),
    };
    for (const WaypointRecord& r : refused) EXPECT_EQ(doc.RegisterNewWpt(r, 0), 0) << WptName(r);
    EXPECT_EQ(env.prompter.texts[0],
              "Internal Error! Duplicate name of the waypoint AC01 found in 'RegisterNewWpt'.");
    EXPECT_EQ(doc.Waypoints().UndoStack().Count(), undo);
    EXPECT_EQ(env.Db().Base(q).Count, count);
    EXPECT_EQ(env.Db().Base(kTempBase).Count, 0);

    // A move whose new record is refused takes its deletion back, with or
    // without an undo stack to lean on.
    WaypointRecord bad = Stored(doc, q, i);
    bad.Flags |= kWptObject;  // survives into the new base's record and is refused there
    for (int capacity : {100, 0}) {
        doc.Waypoints().UndoStack().SetCapacity(capacity);
        EXPECT_EQ(doc.MoveWaypoint(bad, i, QuadrantCentre(1, 4)), 0);
        EXPECT_FALSE(WptIsDeleted(Stored(doc, q, i)));
        EXPECT_EQ(env.Db().Base(q).Deleted, 0);
    }
}

// The nearest-waypoint search reads bases one after the other; a base that
// cannot be read prompts, and what runs during a prompt may close the bases
// searched before. The result must not point into them.
TEST_F(WptEdit, NearestSearchSurvivesAPromptThatClosesTheBasesBefore) {
    const CPointD c = QuadrantCentre(1, 3);
    ASSERT_TRUE(PutWpt(env.Db(), kAC, MakeWpt("AC01", CPointD(c.easting + 4950, c.northing))));
    doc.CloseUnusedQuadrants();
    ::mkdir(env.WptFile("AD.wdb").c_str(), 0755);  // the eastern neighbour cannot be read
    env.prompter.onBox = [&] { doc.CloseUnusedQuadrants(); };
    WaypointRecord hit = ZeroWaypointRecord();
    EXPECT_EQ(doc.GetClosestWptIndex(&hit, CPointD(c.easting + 4960, c.northing), 100, 100), 0);
    EXPECT_EQ(WptName(hit), "AC01");
    EXPECT_EQ(hit.E, c.easting + 4950);

    // The record check prompts for each fault it finds; the base it checks stays open.
    ::rmdir(env.WptFile("AD.wdb").c_str());
    ASSERT_TRUE(PutWpt(env.Db(), kAC, MakeWpt("AC01", c)));
    ASSERT_TRUE(PutWpt(env.Db(), kAC, MakeWpt("AC01", c)));
    doc.CloseUnusedQuadrants();
    env.prompter.defaultAnswer = IDNO;
    WaypointRecord last = Stored(doc, kAC, 2);
    EXPECT_EQ(doc.CheckWptRecord(&last, "", 2, kAC), kWptCheckUnrepaired);
    EXPECT_EQ(env.prompter.texts.size(), 4u) << "two duplicates before it";
    env.prompter.onBox = nullptr;
}

TEST_F(WptEdit, DocumentCommandsAndTheirMenuState) {
    CCommandMap map;
    doc.AddWptCommands(map);
    CCmdUI undo(cmd::Undo);
    ASSERT_TRUE(map.OnUpdateCommand(cmd::Undo, undo));
    EXPECT_FALSE(undo.m_bEnabled);
    Click(doc, QuadrantCentre(1, 3));
    map.OnUpdateCommand(cmd::Undo, undo);
    EXPECT_TRUE(undo.m_bEnabled);
    EXPECT_TRUE(map.OnCommand(cmd::Undo));
    EXPECT_EQ(env.Db().Base(kAC).Count, 0);

    EXPECT_TRUE(map.OnCommand(cmd::WptLevelTN10));
    CCmdUI tn10(cmd::WptLevelTN10);
    map.OnUpdateCommand(cmd::WptLevelTN10, tn10);
    EXPECT_TRUE(tn10.m_bChecked);

    ASSERT_TRUE(doc.TrackLogStore().Append(TrackPoint{}));
    env.view.hints.clear();
    EXPECT_TRUE(map.OnCommand(cmd::ClearTrackLog));
    EXPECT_EQ(doc.TrackLog.Count, 0);
    EXPECT_EQ(env.view.hints, std::vector<long>{kHintAll});
}
