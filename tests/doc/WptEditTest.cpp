// Creating, editing, moving and deleting waypoints, and taking it back.
#include <gtest/gtest.h>

#include "DocTestEnv.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"

namespace {
const int kAC = QuadrantAt(1, 3);
const int kAD = QuadrantAt(1, 4);

// Creates an automatic waypoint by a click and answers its (base, index).
std::pair<int, int> Click(CVornaDoc& doc, CPointD p) {
    EXPECT_EQ(doc.CreateWaypoint(p.easting, p.northing, WptCreateMode::Click, 1, "", "", 0), 1);
    const int q = CVornaDoc::GetQuadrantIndex(p.easting, p.northing);
    EXPECT_EQ(doc.OpenQuadrantWptFile(q), 1);
    return {q, doc.Waypoints().Base(q).Count - 1};
}
WaypointRecord Stored(CVornaDoc& doc, int q, int i) {
    EXPECT_EQ(doc.OpenQuadrantWptFile(q), 1);
    const WaypointRecord* r = doc.GetWptRecord(q, i);
    EXPECT_NE(r, nullptr);
    return r ? *r : ZeroWaypointRecord();
}
}  // namespace

TEST(WptEdit, ClickCreatesNamedLevelledWaypointWithUndo) {
    DocEnv env;
    env.settings.wptDefaultLabelPosition = 0x20;
    CVornaDoc& doc = env.Make();
    const CPointD c = QuadrantCentre(1, 3);
    ASSERT_EQ(doc.CreateWaypoint(c.easting + 0.12345, c.northing + 0.98765, WptCreateMode::Click, 2, "", "", 0), 1);
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    const WaypointRecord r = doc.Waypoints().Base(kAC).Data[0];
    EXPECT_EQ(WptName(r), "AC01");
    EXPECT_DOUBLE_EQ(r.E, c.easting + 0.123);
    EXPECT_DOUBLE_EQ(r.N, c.northing + 0.987);
    EXPECT_EQ(r.Flags, 2 | 0x20);  // TK25's series, label left
    EXPECT_EQ(env.dialogs.wptRuns, 0);
    EXPECT_EQ(env.view.hints, std::vector<long>{2});
    EXPECT_EQ(doc.Waypoints().UndoStack().Count(), 1);

    // Outside the area; with a level set; a second click too close is skipped.
    EXPECT_EQ(doc.CreateWaypoint(300000, 5100000, WptCreateMode::Click, 1, "", "", 0), 0);
    EXPECT_TRUE(env.prompter.Saw("Error! Coordinates out of range"));
    doc.OnNewWptLevel(4);
    EXPECT_EQ(doc.CreateWaypoint(c.easting + 50, c.northing, WptCreateMode::Click, 1, "", "", 0), 0);
    EXPECT_EQ(env.dialogs.kinds, std::vector<int>{1});
    EXPECT_EQ(doc.CreateWaypoint(c.easting + 500, c.northing, WptCreateMode::Click, -3, "", "", 0), 1);
    EXPECT_EQ(Stored(doc, kAC, 1).Flags & kWptLevelMask, 4);

    doc.Undo(0);
    doc.Undo(0);
    EXPECT_EQ(doc.Waypoints().Base(kAC).Count, 0);
    EXPECT_FALSE(doc.CanUndo());
    doc.Undo(0);  // nothing left: nothing changes
    EXPECT_EQ(doc.Waypoints().UndoStack().Count(), 0);
}

TEST(WptEdit, TemporaryAndImportedWaypoints) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    const CPointD c = QuadrantCentre(4, 4);
    // An import with a valid name goes in without a dialog, upper-cased and trimmed.
    EXPECT_EQ(doc.CreateWaypoint(c.easting, c.northing, WptCreateMode::Import, -1, " well ", "Deep well", 12345), 1);
    const WaypointRecord w = Stored(doc, kTempBase, 0);
    EXPECT_EQ(WptName(w), "WELL");
    EXPECT_EQ(WptComment(w), "Deep well");
    EXPECT_EQ(w.Created, 12345);
    EXPECT_EQ(w.Flags & (kWptTemporary | kWptImported), kWptTemporary | kWptImported);
    EXPECT_EQ(env.dialogs.wptRuns, 0);

    // An invalid name shows its reason and then the dialog (cancelled here).
    EXPECT_EQ(doc.CreateWaypoint(c.easting + 1000, c.northing, WptCreateMode::Import, -1, "AB12", "", 0), 0);
    EXPECT_TRUE(env.prompter.Saw("Error! Temporary waypoint name must not begin"));
    EXPECT_EQ(env.dialogs.wptRuns, 1);

    // Temporary creation through the dialog.
    doc.OnCreateTempWpts();
    env.dialogs.wpt.push_back([](WaypointRecord& r) {
        SetWptName(r, "camp");
        return 1;
    });
    EXPECT_EQ(doc.CreateWaypoint(c.easting + 2000, c.northing, WptCreateMode::Click, 1, "", "", 0), 1);
    EXPECT_EQ(WptName(Stored(doc, kTempBase, 1)), "CAMP");
    doc.OnCreateTempWpts();

    // The dialog moves a new automatic waypoint to another quadrant: it gets that quadrant's name;
    // "???" is replaced as well.
    env.dialogs.wpt.push_back([](WaypointRecord& r) {
        r.E += 10000;
        return 1;
    });
    EXPECT_EQ(doc.CreateWaypoint(c.easting, c.northing, WptCreateMode::Dialog, 1, "", "", 0), 1);
    const int next = QuadrantAt(4, 5);
    EXPECT_EQ(WptName(Stored(doc, next, 0)), doc.GetQuadrantName(next) + "01");
}

TEST(WptEdit, CrossQuadrantMoveRenamesAndOneUndoRestores) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    const CPointD c = QuadrantCentre(1, 3);
    auto [q, i] = Click(doc, c);
    Click(doc, CPointD(c.easting + 1000, c.northing));
    Click(doc, QuadrantCentre(1, 4));  // AD01 exists
    const WaypointRecord orig = Stored(doc, q, i);
    env.view.hints.clear();

    ASSERT_EQ(doc.MoveWaypoint(orig, i, CPointD(c.easting + 10000, c.northing + 1000)), 1);
    EXPECT_TRUE(
        env.prompter.Saw("Warning! Auto waypoint has been moved out of the current sector and it's name "
                         "will be automatically changed to 'AD02'!"));
    EXPECT_TRUE(WptIsDeleted(Stored(doc, kAC, 0)));
    EXPECT_EQ(doc.Waypoints().Base(kAC).Deleted, 1);
    EXPECT_EQ(WptName(Stored(doc, kAD, 1)), "AD02");
    EXPECT_EQ(doc.Waypoints().UndoStack().Count(), 5);

    doc.Undo(0);
    EXPECT_EQ(doc.Waypoints().UndoStack().Count(), 3);
    const WaypointRecord back = Stored(doc, kAC, 0);
    EXPECT_FALSE(WptIsDeleted(back));
    EXPECT_EQ(WptName(back), "AC01");
    EXPECT_EQ(back.E, orig.E);
    EXPECT_EQ(back.N, orig.N);
    EXPECT_EQ(doc.Waypoints().Base(kAC).Deleted, 0);
    EXPECT_EQ(doc.Waypoints().Base(kAD).Count, 1);

    // Within its quadrant a move is a change; undo sends both positions.
    ASSERT_EQ(doc.MoveWaypoint(back, 0, CPointD(c.easting - 2000, c.northing)), 1);
    EXPECT_EQ(Stored(doc, kAC, 0).E, c.easting - 2000);
    env.view.records.clear();
    doc.Undo(0);
    ASSERT_EQ(env.view.records.size(), 2u);
    EXPECT_EQ(env.view.records[0].E, c.easting - 2000);
    EXPECT_EQ(env.view.records[1].E, c.easting);
    EXPECT_EQ(Stored(doc, kAC, 0).E, c.easting);

    // A stale copy is refused.
    WaypointRecord stale = back;
    SetWptName(stale, "AC09");
    EXPECT_EQ(doc.MoveWaypoint(stale, 0, c), 0);
    EXPECT_TRUE(env.prompter.Saw("Error! Selected auto waypoint not found in 'MoveWaypoint'!"));
    EXPECT_EQ(doc.DeleteWaypoint(back, 7), 0);
    EXPECT_TRUE(env.prompter.Saw("Error! Index of waypoint out of range in 'DeleteWaypoint'!"));
    EXPECT_EQ(doc.MoveWaypoint(back, 0, CPointD(100, 100)), 0);
    EXPECT_TRUE(env.prompter.Saw("Error! New coordinates out of range"));

    // Only claimed or selected bases stay loaded after an operation.
    for (int b = 0; b < kQuadrantCount; ++b) {
        if (doc.Waypoints().Base(b).Loaded) {
            EXPECT_TRUE(doc.Waypoints().Claims(b) > 0 || doc.Waypoints().SelectionLevel(b) >= 0) << b;
        }
    }
}

TEST(WptEdit, EditDeleteLevelAndLabel) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    auto [q, i] = Click(doc, QuadrantCentre(1, 3));
    WaypointRecord r = Stored(doc, q, i);

    env.dialogs.wpt.push_back([](WaypointRecord& e) {
        SetWptComment(e, "Bridge");
        return 1;
    });
    ASSERT_EQ(doc.EditWaypoint(r, i), 1);
    EXPECT_EQ(WptComment(Stored(doc, q, i)), "Bridge");
    env.dialogs.wpt.push_back([](WaypointRecord&) { return 1; });
    EXPECT_EQ(doc.EditWaypoint(Stored(doc, q, i), i), 0) << "unchanged";

    // An edit into another quadrant warns and renames; undo takes back both halves.
    env.dialogs.wpt.push_back([](WaypointRecord& e) {
        e.E += 10000;
        return 1;
    });
    ASSERT_EQ(doc.EditWaypoint(Stored(doc, q, i), i), 1);
    EXPECT_TRUE(
        env.prompter.Saw("Warning! Waypoint has been moved out of the current sector and it's name will "
                         "be automatically changed to 'AD01'!"));
    doc.Undo(0);
    EXPECT_FALSE(WptIsDeleted(Stored(doc, q, i)));
    EXPECT_EQ(doc.Waypoints().Base(kAD).Count, 0);

    r = Stored(doc, q, i);
    ASSERT_EQ(doc.SetWptLevel(r, i, 3), 1);
    EXPECT_EQ(Stored(doc, q, i).Flags & kWptLevelMask, 3);
    EXPECT_EQ(doc.SetWptLevel(r, i, 5), 0);
    EXPECT_TRUE(env.prompter.Saw("Internal Error! Level out of range in 'SetWptLevel'!"));
    ASSERT_EQ(doc.SetWptLabelPosition(r, i, 0x30), 1);
    EXPECT_EQ(Stored(doc, q, i).Flags & kWptLabelMask, 0x30);
    EXPECT_EQ(doc.SetWptLabelPosition(r, i, 0x40), 0);
    EXPECT_EQ(doc.ChangeWptTo(r, i), 0);
    EXPECT_TRUE(env.prompter.Saw("Not implemented yet!"));

    // Deleting keeps the record, flagged, until compaction; a selected sector
    // loses and regains the mark with delete and undo.
    doc.Waypoints().SetSelectionLevel(q, 4);
    doc.UpdateWptSelectionFlag(q, i, 4);
    ASSERT_EQ(doc.DeleteWaypoint(Stored(doc, q, i), i), 1);
    EXPECT_EQ(Stored(doc, q, i).Flags & (kWptDeleted | kWptSelected), kWptDeleted);
    EXPECT_EQ(doc.GetLiveWptCount(q), 0);
    EXPECT_EQ(doc.DeleteWaypoint(Stored(doc, q, i), i), 0) << "already deleted";
    doc.Undo(0);
    EXPECT_EQ(Stored(doc, q, i).Flags & (kWptDeleted | kWptSelected), kWptSelected);
    EXPECT_EQ(doc.GetLiveWptCount(q), 1);
}

TEST(WptEdit, RefusedRegistrationChangesNothing) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    auto [q, i] = Click(doc, QuadrantCentre(1, 3));
    const int undo = doc.Waypoints().UndoStack().Count();
    const int count = doc.Waypoints().Base(q).Count;
    env.prompter.texts.clear();
    // A duplicate automatic name is rejected by the strict record check.
    EXPECT_EQ(doc.RegisterNewWpt(MakeWpt("AC01", QuadrantCentre(1, 3)), 0), 0);
    EXPECT_EQ(env.prompter.texts,
              std::vector<std::string>{
                  "Internal Error! Duplicate name of the waypoint AC01 found in 'RegisterNewWpt'."});
    EXPECT_EQ(doc.RegisterNewWpt(MakeWpt("AC0X", QuadrantCentre(1, 3)), 0), 0);
    EXPECT_EQ(doc.RegisterNewWpt(MakeWpt("AD02", QuadrantCentre(1, 3)), 0), 0);
    EXPECT_EQ(doc.RegisterNewWpt(MakeWpt("AC02", QuadrantCentre(1, 3), 0x4000), 0), 0);
    EXPECT_EQ(doc.RegisterNewWpt(MakeWpt("AC02", QuadrantCentre(1, 3), 0x0100), 0), 0);
    EXPECT_EQ(doc.RegisterNewWpt(MakeWpt("AC02", QuadrantCentre(1, 3), 5), 0), 0);
    EXPECT_EQ(doc.RegisterNewWpt(MakeWpt("AB1", QuadrantCentre(1, 3), kWptTemporary), 0), 0);
    EXPECT_EQ(doc.RegisterNewWpt(MakeWpt("X", CPointD(0, 0)), 0), 0);
    EXPECT_EQ(doc.Waypoints().UndoStack().Count(), undo);
    EXPECT_EQ(doc.Waypoints().Base(q).Count, count);
    EXPECT_EQ(doc.Waypoints().Base(kTempBase).Count, 0);

    // A move whose new record is refused takes its deletion back.
    const WaypointRecord r = Stored(doc, q, i);
    WaypointRecord bad = r;
    bad.Flags |= 0x4000;  // survives into the new base's record and is refused there
    EXPECT_EQ(doc.MoveWaypoint(bad, i, QuadrantCentre(1, 4)), 0);
    EXPECT_FALSE(WptIsDeleted(Stored(doc, q, i)));
    EXPECT_EQ(doc.Waypoints().Base(q).Deleted, 0);
    EXPECT_EQ(doc.Waypoints().UndoStack().Count(), undo);

    // The same without an undo stack to lean on.
    doc.ClearUndoStack();
    doc.Waypoints().UndoStack().SetCapacity(0);
    EXPECT_EQ(doc.MoveWaypoint(bad, i, QuadrantCentre(1, 4)), 0);
    EXPECT_FALSE(WptIsDeleted(Stored(doc, q, i)));
    EXPECT_EQ(doc.Waypoints().Base(q).Deleted, 0);
    EXPECT_EQ(doc.Waypoints().UndoStack().Count(), 0);
}

TEST(WptEdit, FullUndoStackNeverLosesAWaypoint) {
    for (int capacity : {1, 2, 3}) {
        DocEnv env;
        env.settings.undoStackSize = capacity;
        CVornaDoc& doc = env.Make();
        EXPECT_EQ(doc.Waypoints().UndoStack().Capacity(), capacity);
        auto [q, i] = Click(doc, QuadrantCentre(1, 3));
        // Move it back and forth across quadrants, then undo as far as possible.
        for (int step = 0; step < 5; ++step) {
            const int col = step % 2 ? 3 : 4;
            ASSERT_EQ(doc.OpenQuadrantWptFile(q), 1);  // operations close unclaimed bases
            const WptBase& b = doc.Waypoints().Base(q);
            int live = -1;
            for (int k = 0; k < b.Count; ++k)
                if (!WptIsDeleted(b.Data[k])) live = k;
            ASSERT_GE(live, 0);
            ASSERT_EQ(doc.MoveWaypoint(b.Data[live], live, QuadrantCentre(1, col)), 1);
            q = QuadrantAt(1, col);
        }
        while (doc.CanUndo()) {
            doc.Undo(0);
            EXPECT_EQ(LiveWaypoints(doc).size(), 1u) << "capacity " << capacity;
        }
        EXPECT_EQ(LiveWaypoints(doc).size(), 1u);
    }
    // Undo refuses an entry whose index is out of range.
    DocEnv env;
    CVornaDoc& doc = env.Make();
    UndoRecord bogus;
    bogus.UndoType = kUndoDeleted;
    bogus.Base = std::int16_t(kAC);
    bogus.Index = 5;
    doc.Waypoints().UndoStack().Push(std::move(bogus));
    doc.Undo(0);
    EXPECT_TRUE(env.prompter.Saw("Internal Error! Index of waypoint out of range in 'Undo'!"));
    EXPECT_EQ(doc.Waypoints().UndoStack().Count(), 0);
}

TEST(WptEdit, HundredFirstChangeDropsTheFirstCopy) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    ASSERT_EQ(doc.Waypoints().UndoStack().Capacity(), 100);
    auto [q, i] = Click(doc, QuadrantCentre(1, 3));
    for (int k = 0; k < 100; ++k) ASSERT_EQ(doc.SetWptLabelPosition(Stored(doc, q, i), i, (k % 4) << 4), 1);
    EXPECT_EQ(doc.Waypoints().UndoStack().Count(), 100);
    EXPECT_EQ(doc.Waypoints().UndoStack().At(0).UndoType, kUndoChanged) << "the creation was dropped";
    doc.Undo(100);
    EXPECT_EQ(doc.Waypoints().Base(q).Count, 1) << "the creation can no longer be undone";
    EXPECT_EQ(Stored(doc, q, i).Flags & kWptLabelMask, 0);
    EXPECT_EQ(env.mem[kMemUndo], 1);
}

TEST(WptEdit, DocumentCommandsAndTheirMenuState) {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    CCommandMap map;
    doc.AddWptCommands(map);
    CCmdUI undo(cmd::Undo);
    ASSERT_TRUE(map.OnUpdateCommand(cmd::Undo, undo));
    EXPECT_FALSE(undo.m_bEnabled) << "greyed while the stack is empty";
    Click(doc, QuadrantCentre(1, 3));
    ASSERT_TRUE(map.OnUpdateCommand(cmd::Undo, undo));
    EXPECT_TRUE(undo.m_bEnabled);
    EXPECT_TRUE(map.OnCommand(cmd::Undo));
    EXPECT_EQ(doc.Waypoints().Base(kAC).Count, 0);

    EXPECT_TRUE(map.OnCommand(cmd::WptLevelTN10));
    EXPECT_EQ(env.settings.wptLevel, 3);
    CCmdUI tn10(cmd::WptLevelTN10), automatic(cmd::WptLevelAutomatic);
    map.OnUpdateCommand(cmd::WptLevelTN10, tn10);
    map.OnUpdateCommand(cmd::WptLevelAutomatic, automatic);
    EXPECT_TRUE(tn10.m_bChecked);
    EXPECT_FALSE(automatic.m_bChecked);
    EXPECT_TRUE(map.OnCommand(cmd::CreateTempWpts));
    EXPECT_EQ(doc.Waypoints().CreateTemporary(), 1);

    ASSERT_TRUE(doc.TrackLogStore().Append(TrackPoint{}));
    env.view.hints.clear();
    EXPECT_TRUE(map.OnCommand(cmd::ClearTrackLog));
    EXPECT_EQ(doc.TrackLog.Count, 0);
    EXPECT_EQ(env.view.hints, std::vector<long>{0});
}
