// Waypoint selection by sector: marks by level, the temporary base, counts,
// bases loaded while a selection holds, the dialog's run, and the exports
// that read the marks.

#include <set>

#include "DocTestEnv.h"
#include "doc/WptExport.h"
#include "doc/WptText.h"

namespace {

struct SelEnv : DocEnv {
    CVornaDoc& doc = Make();
    std::string file = tmp.file("out.txt");
    SelEnv() { ApplyDatum(); }

    // A quadrant base written to its file with one waypoint per level
    // (names <prefix>0 .. <prefix>4) and a deleted one; not left loaded.
    void FillQuadrant(int q, const std::string& prefix) {
        const CPointD c = QuadrantCentre(q / 28, q % 28);
        for (int level = 0; level < 5; ++level)
            ASSERT_TRUE(PutWpt(Db(), q,
                               MakeWpt(prefix + char('0' + level),
                                       CPointD(c.easting + level * 100, c.northing), std::uint16_t(level))));
        ASSERT_TRUE(PutWpt(Db(), q, MakeWpt(prefix + "X", c, 0x8000 | 0)));
        ASSERT_EQ(Db().CloseQuadrantWptFile(q), 1);
    }
    std::set<std::string> Marked(int q) {
        std::set<std::string> out;
        for (int i = 0;; ++i) {
            const WaypointRecord* r = doc.GetWptRecord(q, i);
            if (!r) break;
            if (r->Flags & kWptSelected) out.insert(WptName(*r));
        }
        return out;
    }
    // Names of the waypoint lines of the export file.
    std::set<std::string> ExportedNames() {
        std::set<std::string> out;
        const std::string text = ReadFileBytes(file);
        for (std::size_t at = text.find("\nWP,D,"); at != std::string::npos;
             at = text.find("\nWP,D,", at + 1)) {
            std::string name = text.substr(at + 6, 6);
            name.erase(name.find_last_not_of(' ') + 1);
            out.insert(name);
        }
        return out;
    }
};

const int kQA = QuadrantAt(5, 6), kQB = QuadrantAt(9, 12);

}  // namespace

TEST(WptSelection, LevelsMarkBasesAndCountsFollow) {
    SelEnv env;
    env.FillQuadrant(kQA, "A");
    // level: the names marked; -1 clears every mark, 34 takes every live one
    const std::pair<int, std::set<std::string>> rows[] = {{2, {"A0", "A1", "A2"}},
                                                          {0, {"A0"}},
                                                          {4, {"A0", "A1", "A2", "A3", "A4"}},
                                                          {-1, {}},
                                                          {34, {"A0", "A1", "A2", "A3", "A4"}}};
    for (const auto& [level, names] : rows) {
        env.doc.SetSectorSelection(kQA, level);
        EXPECT_EQ(env.doc.SectorSelLevel(kQA), level);
        // A selected base stays loaded though no pane shows it; an unselected one is closed.
        EXPECT_EQ(env.doc.WptBaseLoaded(kQA), level >= 0) << level;
        if (level >= 0) {
            EXPECT_EQ(env.Marked(kQA), names) << level;
        }
        EXPECT_EQ(env.doc.CountSelectedWpts(kQA), int(names.size())) << level;
    }
    // Closed and read again (a pane's claim pass): the marks come back with the level.
    env.doc.SetSectorSelection(kQA, 1);
    env.doc.CloseUnusedQuadrants();
    ASSERT_TRUE(env.doc.WptBaseLoaded(kQA));
    ASSERT_EQ(env.Db().CloseQuadrantWptFile(kQA), 1);
    ASSERT_EQ(env.doc.OpenQuadrantWptFile(kQA), 1);
    EXPECT_EQ(env.Marked(kQA), (std::set<std::string>{"A0", "A1"}));
    // ... and the file on disk never carries them.
    const std::string bytes = ReadFileBytes(env.WptFile(QuadrantName(kQA)) + ".wdb");
    for (std::size_t i = 0; i + sizeof(WaypointRecord) <= bytes.size(); i += sizeof(WaypointRecord)) {
        WaypointRecord r;
        std::memcpy(&r, bytes.data() + i, sizeof r);
        EXPECT_FALSE(r.Flags & kWptSelected);
    }
    // A position outside the area selects nothing.
    env.doc.SelectWptsAtPosition(CPointD(100.0, 100.0), 4);
    EXPECT_TRUE(env.prompter.Saw("Error! Coordinates out of range"));
    env.doc.SelectWptsAtPosition(QuadrantCentre(9, 12), 4);
    EXPECT_EQ(env.doc.SectorSelLevel(kQB), 4);
}

// A fake sector dialog: runs steps on the document as the real one does.
struct ScriptedDialog {
    std::function<void(CVornaDoc&, ExportWptDialogData&)> steps;
    int end = kExportDlgEnded;
    int closed = 1;
    int operator()(CVornaDoc& doc, int, ExportWptDialogData& data) {
        if (steps) steps(doc, data);
        data.total = 0;
        for (int q = 0; q < kBaseCount; ++q) data.total += doc.CountSelectedWpts(q);
        data.closed = closed;
        return end;
    }
};

TEST(WptSelection, DialogRunKeepsOrRestoresAndTempKeepsEveryLevel) {
    SelEnv env;
    env.FillQuadrant(kQA, "A");
    env.FillQuadrant(kQB, "B");
    // Temporary waypoints of two levels.
    for (int level : {0, 3})
        ASSERT_TRUE(PutWpt(env.Db(), kTempBase,
                           MakeWpt("T" + std::to_string(level), QuadrantCentre(1, 1),
                                   std::uint16_t(kWptTemporary | level))));
    env.doc.OnSelectAllTempWpts();
    EXPECT_EQ(env.doc.SectorSelLevel(kTempBase), kSelectAllLevels);
    EXPECT_EQ(env.doc.CountSelectedWpts(kTempBase), 2);

    const auto select = [](int q, int level) {
        return [q, level](CVornaDoc& doc, ExportWptDialogData& data) {
            data.levels[std::size_t(q)] = level;
            doc.SetSectorSelection(q, level);
        };
    };
    // Cancel puts back every level and mark.
    ScriptedDialog cancel{select(kQA, 2), kExportDlgCancelled};
    env.doc.SetExportWptDialog(std::ref(cancel));
    EXPECT_EQ(env.doc.RunExportWptDialog(1), kExportRunCancelled);
    EXPECT_EQ(env.doc.SectorSelLevel(kQA), -1);
    EXPECT_FALSE(env.doc.WptBaseLoaded(kQA));

    // A base loaded while the dialog runs (a pane repainting under it) gets its marks.
    ScriptedDialog loadDuring{[&](CVornaDoc& doc, ExportWptDialogData& data) {
                                  select(kQB, 1)(doc, data);
                                  doc.Waypoints().CloseQuadrantWptFile(kQB);  // the pane dropped it
                                  doc.OpenQuadrantWptFile(kQB);               // and read it again
                              },
                              kExportDlgEnded, 0};
    env.doc.SetExportWptDialog(std::ref(loadDuring));
    env.prompter.texts.clear();
    EXPECT_EQ(env.doc.RunExportWptDialog(1), kExportRunExport);
    EXPECT_EQ(env.Marked(kQB), (std::set<std::string>{"B0", "B1"}));
    EXPECT_TRUE(env.prompter.texts.empty()) << env.prompter.texts.front();
    // Closing keeps the selection, the temporary base at every level.
    ScriptedDialog close{nullptr, kExportDlgEnded, 1};
    env.doc.SetExportWptDialog(std::ref(close));
    EXPECT_EQ(env.doc.RunExportWptDialog(0), kExportRunClosed);
    EXPECT_EQ(env.doc.SectorSelLevel(kTempBase), kSelectAllLevels);
    EXPECT_EQ(env.doc.SectorSelLevel(kQB), 1);
    // A temporary waypoint of a high level changed afterwards stays marked.
    WaypointRecord t3 = Stored(env.doc, kTempBase, 1);
    ASSERT_EQ(env.doc.SetWptLevel(t3, 1, 4), 1);
    EXPECT_EQ(env.doc.CountSelectedWpts(kTempBase), 2);
}

TEST(WptSelection, ExportsSeeExactlyTheSelectedWaypoints) {
    SelEnv env;
    env.settings.exportToGps = 0;
    env.FillQuadrant(kQA, "A");
    env.FillQuadrant(kQB, "B");
    env.doc.SetSectorSelection(kQA, 1);
    env.doc.SetSectorSelection(kQB, 3);
    // Dropped from memory: the export reads the base and marks it by its level.
    ASSERT_EQ(env.Db().CloseQuadrantWptFile(kQB), 1);
    env.prompter.files = {env.file};
    EXPECT_EQ(ExportSelectedWpts(env.doc, env.settings, env.geo), 6);
    EXPECT_EQ(env.ExportedNames(), (std::set<std::string>{"A0", "A1", "B0", "B1", "B2", "B3"}));
    EXPECT_TRUE(env.doc.WptBaseLoaded(kQB));

    // The print area: no pane holds either quadrant; the edges are inside.
    env.doc.SetSectorSelection(kQA, -1);
    env.doc.SetSectorSelection(kQB, -1);
    ASSERT_FALSE(env.doc.WptBaseLoaded(kQB));
    const CPointD c = QuadrantCentre(9, 12);
    env.prompter.files = {env.file};
    env.prompter.answers = {IDYES};  // overwrite
    EXPECT_EQ(OnFileExportWptPrinted(env.doc, env.settings, env.geo, c.easting + 100, c.easting + 300,
                                     c.northing, c.northing),
              3);
    EXPECT_EQ(env.ExportedNames(), (std::set<std::string>{"B1", "B2", "B3"}));
    // The run's claims are gone again.
    EXPECT_FALSE(env.doc.WptBaseLoaded(kQB));
    EXPECT_EQ(env.Db().Claims(kQB), 0);

    // To the receiver: exactly the marked records go to the upload list, then the upload starts.
    env.settings.exportToGps = 1;
    std::vector<std::string> uploaded;
    int begun = 0, started = 0;
    env.doc.SetWptUpload({[&](int room) { return ++begun, room == 512; },
                          [&](const WaypointRecord& r) { return uploaded.push_back(WptName(r)), true; },
                          [&] { ++started; }});
    env.doc.SetSectorSelection(kQA, 0);
    EXPECT_EQ(ExportSelectedWpts(env.doc, env.settings, env.geo), 1);
    EXPECT_EQ(uploaded, std::vector<std::string>{"A0"});
    EXPECT_EQ(std::make_pair(begun, started), std::make_pair(1, 1));
    // A busy link takes nothing and starts nothing.
    env.doc.SetWptUpload(
        {[](int) { return false; }, [&](const WaypointRecord&) { return true; }, [&] { ++started; }});
    EXPECT_EQ(ExportSelectedWpts(env.doc, env.settings, env.geo), -1);
    EXPECT_EQ(started, 1);
}

// The counts the sector dialog shows take live marked waypoints only, even
// when a marked record is flagged deleted without its mark being cleared.
TEST(WptSelection, SectorCountsLeaveOutDeletedWaypoints) {
    SelEnv env;
    env.FillQuadrant(kQA, "A");
    env.doc.SetSectorSelection(kQA, 4);
    ASSERT_EQ(env.doc.CountSelectedWpts(kQA), 5);
    WptBase& b = env.Db().Base(kQA);
    for (int i = 0; i < b.Count; ++i)
        if (WptName(b.Data[std::size_t(i)]) == "A2") b.Data[std::size_t(i)].Flags |= kWptDeleted;
    EXPECT_EQ(env.doc.CountSelectedWpts(kQA), 4);
}

// Cancel in the sector dialog puts back each sector's level and the marks
// that level makes, not just the level.
TEST(WptSelection, CancelledDialogRestoresTheMarksOfEachLevel) {
    const struct {
        int before, during;
        std::set<std::string> marked;
    } rows[] = {
        {1, 4, {"A0", "A1"}},
        {4, 0, {"A0", "A1", "A2", "A3", "A4"}},
        {2, -1, {"A0", "A1", "A2"}},
    };
    for (const auto& r : rows) {
        SelEnv env;
        env.FillQuadrant(kQA, "A");
        env.doc.SetSectorSelection(kQA, r.before);
        ScriptedDialog cancel{[&](CVornaDoc& doc, ExportWptDialogData& data) {
                                  data.levels[std::size_t(kQA)] = r.during;
                                  doc.SetSectorSelection(kQA, r.during);
                              },
                              kExportDlgCancelled};
        env.doc.SetExportWptDialog(std::ref(cancel));
        EXPECT_EQ(env.doc.RunExportWptDialog(1), kExportRunCancelled);
        EXPECT_EQ(env.doc.SectorSelLevel(kQA), r.before) << r.before << " " << r.during;
        ASSERT_TRUE(env.doc.WptBaseLoaded(kQA));
        EXPECT_EQ(env.Marked(kQA), r.marked) << r.before << " " << r.during;
        EXPECT_EQ(env.doc.CountSelectedWpts(kQA), int(r.marked.size())) << r.before << " " << r.during;
        EXPECT_TRUE(env.prompter.texts.empty()) << env.prompter.texts.front();
    }
}
