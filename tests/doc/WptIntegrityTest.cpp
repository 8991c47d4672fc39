// The integrity check of the waypoint database on a damaged folder, and the
// compaction of the deleted records.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "DocTestEnv.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"
#include "platform/WaitCursor.h"

namespace {
const int kAC = QuadrantAt(1, 3);
const int kAD = QuadrantAt(1, 4);
const std::string kAsk = " Would you like to correct the problem?";
const std::string kInAC = " in segment AC";
const std::string kInTemp = " in segment TEMP";
const std::string kSorry = "Sorry! Fix not implemented yet";

std::string Bytes(const std::vector<WaypointRecord>& recs) {
    return std::string(reinterpret_cast<const char*>(recs.data()), recs.size() * sizeof(WaypointRecord));
}

void WriteCounters(const std::string& dir, const std::map<int, std::pair<int, int>>& counts) {
    std::vector<std::int32_t> cnt(kBaseCount, 0), del(kBaseCount, 0);
    for (auto [q, cd] : counts) cnt[std::size_t(q)] = cd.first, del[std::size_t(q)] = cd.second;
    auto bytes = [](const std::vector<std::int32_t>& v) {
        return std::string(reinterpret_cast<const char*>(v.data()), v.size() * 4);
    };
    WriteFileBytes(dir + "WAutoCnt.dat", bytes(cnt));
    WriteFileBytes(dir + "WAutoDel.dat", bytes(del));
}

// Every record fault once (a duplicate pair by its later record),
// the variants of the position check, two silent repairs, a deleted record
// the counter file does not know, a wrong record count, and a base that
// cannot be read.
struct DamagedDatabase {
    std::vector<WaypointRecord> ac, temp;
    DamagedDatabase() {
        const CPointD c = QuadrantCentre(1, 3);
        ac = {MakeWpt("AC01", c, kWptTemporary),          // 2
              MakeWpt("AC02", QuadrantCentre(1, 4)),      // 3, in AD
              MakeWpt("AC03", CPointD(300000, 5100000)),  // 3, outside
              MakeWpt("XY03", c),                         // 7
              MakeWpt("AC0X", c),                         // 8
              MakeWpt("AC05", c),                         // 9
              MakeWpt("AC05", c),                         // 9
              MakeWpt("AC07", c, 5),                      // 10
              MakeWpt("AC08", c, kWptObject | 2),         // 11
              MakeWpt("AC09", c, 0x0100 | 0x0010),        // 12
              MakeWpt("AC1234", c),                       // silent repairs
              MakeWpt("AC11", c, kWptDeleted)};
        ac[10].Name[6] = '5';
        std::memset(ac[10].Comment, 'c', sizeof ac[10].Comment);
        const CPointD t = QuadrantCentre(5, 5);
        temp = {MakeWpt("CAMP", t),                  // 1
                MakeWpt("", t, kWptTemporary),       // 4 and 6
                MakeWpt("LAKE", t, kWptTemporary),   // 5
                MakeWpt("LAKE", t, kWptTemporary),   // 5
                MakeWpt("AB12", t, kWptTemporary)};  // 6
    }
    void Write(DocEnv& env) const {
        const std::string& dir = env.settings.wptBaseDir;
        WriteFileBytes(dir + "AC.wdb", Bytes(ac));
        WriteFileBytes(dir + "TEMP.wdb", Bytes(temp));
        ::mkdir((dir + "AD.wdb").c_str(), 0755);
        WriteCounters(dir, {{kAC, {3, 0}}, {kTempBase, {int(temp.size()), 0}}});
        env.newDatabase = false;
    }
    // What a Yes to every question repairs.
    std::vector<WaypointRecord> RepairedAC() const {
        std::vector<WaypointRecord> r = ac;
        r[0].Flags = 0;
        r[7].Flags = 0;
        r[8].Flags = 2;
        r[9].Flags = 0x0010;
        r[10].Name[6] = 0;
        r[10].Comment[23] = 0;
        return r;
    }
    std::vector<WaypointRecord> RepairedTemp() const {
        std::vector<WaypointRecord> r = temp;
        r[0].Flags = kWptTemporary;
        return r;
    }
};

// The messages of a Yes to every question, after the unreadable base's own.
std::vector<std::string> YesSequence() {
    const std::string e = "Error in Base! ";
    return {
        "Errors detected in waypoint counters! Errors will be automatically corrected.",
        e + "Waypoint AC01 marked as temporary found" + kInAC + kAsk,
        e + "Waypoint AC02 does not lie" + kInAC + kAsk,
        kSorry,
        e + "Waypoint AC03with coordinates out of range found" + kInAC + kAsk,
        kSorry,
        e + "Name of the waypoint XY03 does not correspond to the segment name" + kInAC + kAsk,
        kSorry,
        e + "Name of the waypoint AC0X does not have correct format" + kInAC + kAsk,
        kSorry,
        e + "Duplicate name of the waypoint AC05 found" + kInAC + kAsk,
        kSorry,
        e + "Invalid level of the waypoint AC07 found" + kInAC + kAsk,
        e + "Invalid object flag of the waypoint AC08 found" + kInAC + kAsk,
        e + "Non-empty reserved flags of the waypoint AC09 found" + kInAC + kAsk,
        e + "Name of the waypoint 'AC1234' not null terminated" + kInAC +
            " Error will be automatically corrected.",
        e + "Comment of the waypoint 'AC1234' not null terminated" + kInAC +
            " Error will be automatically corrected.",
        e + "Waypoint CAMP marked as non-temporary found" + kInTemp + kAsk,
        e + "No name specified for waypoint " + kInTemp + kAsk,
        kSorry,
        "Error! Temporary waypoint name must not be empty!",
        e + "Invalid waypoint name  found" + kInTemp + " Temporary waypoint name must not be empty!" + kAsk,
        kSorry,
        e + "Duplicate name of the waypoint LAKE found" + kInTemp + kAsk,
        kSorry,
        "Error! Temporary waypoint name must not begin with two letters (or '-') plus number combination!",
        e + "Invalid waypoint name AB12 found" + kInTemp +
            " Temporary waypoint name must not begin with two letters (or '-') plus number combination!" +
            kAsk,
        kSorry,
        "Error! 1 deleted auto waypoint(s) found in sector AC, that were not marked for purge." + kAsk,
        "SUMMARY: Errors found in the database but NOT all have been corrected!"};
}

// The messages of a compaction of a database without errors.
std::vector<std::string> CleanCompaction() {
    return {
        "Warning! This action will clear undo stack and perform check of database integrity before "
        "compacting the database. Would you like to continue?",
        "SUMMARY: No error found in the database!", "Compacting of the database finished."};
}

// Answers Cancel to the n-th Yes/No/Cancel question, Yes to the others.
struct CancelAt : CScriptedPrompter {
    int n, asked = 0;
    explicit CancelAt(int k) : n(k) {}
    int MessageBox(const std::string& text, unsigned type) override {
        CScriptedPrompter::MessageBox(text, type);
        return (type & 0xF) == MB_YESNOCANCEL && ++asked == n ? IDCANCEL : IDYES;
    }
};

struct WptIntegrity : ::testing::Test {
    DocEnv env;
    DamagedDatabase damaged;
    std::string Wdb(const std::string& name) { return ReadFileBytes(env.WptFile(name + ".wdb")); }
    // A folder holding one base (AC or TEMP) and counters that give its deleted count as deleted.
    void WriteOnlyBase(int q, const std::vector<WaypointRecord>& recs, int deleted) {
        for (const char* name : {"AC.wdb", "TEMP.wdb"}) ::unlink(env.WptFile(name).c_str());
        WriteFileBytes(env.WptFile(QuadrantName(q) + ".wdb"), Bytes(recs));
        WriteCounters(env.settings.wptBaseDir, {{q, {int(recs.size()), deleted}}});
        env.newDatabase = false;
    }
    // The messages from the first one after the unreadable base's.
    std::vector<std::string> AfterUnreadable(const std::vector<std::string>& texts) {
        auto it = std::find(texts.begin(), texts.end(), "Error opening quadrant Wpt file");
        EXPECT_NE(it, texts.end());
        return it == texts.end() ? texts : std::vector<std::string>(it + 1, texts.end());
    }
};
}  // namespace

TEST_F(WptIntegrity, YesRepairsWhatCanBeRepairedAndTheFilesKeepIt) {
    damaged.Write(env);
    CVornaDoc& doc = env.Make();
    int depthAtSummary = -1;
    env.prompter.onBox = [&] { depthAtSummary = WaitCursorDepth(); };
    WaitCursorPeak() = 0;
    EXPECT_EQ(doc.CheckDatabaseIntegrity(), 0);
    EXPECT_EQ(AfterUnreadable(env.prompter.texts), YesSequence());
    EXPECT_EQ(WaitCursorPeak(), 1);
    EXPECT_EQ(depthAtSummary, 0) << "the cursor is back before the summary";
    EXPECT_EQ(doc.Waypoints().Base(kAC).Deleted, 1);
    EXPECT_FALSE(doc.Waypoints().Base(kAC).Loaded) << "the check closes what it opened";
    EXPECT_EQ(Wdb("AC"), Bytes(damaged.RepairedAC())) << "written when closed";
    env.doc.reset();
    EXPECT_EQ(Wdb("TEMP"), Bytes(damaged.RepairedTemp()));
    EXPECT_EQ(ReadFileBytes(env.WptFile("WAutoCnt.dat")).substr(std::size_t(kAC) * 4, 4),
              std::string("\x0c\0\0\0", 4));

    // Now only the faults without a repair are left: a second run asks about them alone.
    env.prompter.texts.clear();
    env.prompter.defaultAnswer = IDNO;
    CVornaDoc& again = env.Make();
    EXPECT_EQ(again.CheckDatabaseIntegrity(), 0);
    EXPECT_FALSE(env.prompter.Saw("marked as temporary"));
    EXPECT_FALSE(env.prompter.Saw("not null terminated"));
    EXPECT_FALSE(env.prompter.Saw("Errors detected in waypoint counters"));
}

TEST_F(WptIntegrity, NoChangesNothingAndCompactionRefuses) {
    damaged.Write(env);
    CVornaDoc& doc = env.Make();
    env.prompter.defaultAnswer = IDNO;
    EXPECT_EQ(doc.CheckDatabaseIntegrity(), 0);
    EXPECT_EQ(env.prompter.texts.back(),
              "SUMMARY: Errors found in the database but NOT all have been corrected!");
    EXPECT_FALSE(env.prompter.Saw(kSorry)) << "No asks for no repair";
    // With the flag left, the record is walked as a temporary one.
    EXPECT_TRUE(env.prompter.Saw("Invalid waypoint name AC01 found" + kInAC));

    env.prompter.texts.clear();
    env.prompter.answers = {IDYES};
    EXPECT_EQ(doc.PurgeDatabases(), 0);
    EXPECT_EQ(
        env.prompter.texts.back(),
        "Warning! Compacting of the databease will NOT be performed due to the errors in the database.");
    env.doc.reset();
    // The silent repairs of a terminator alone reach the file.
    std::vector<WaypointRecord> ac = damaged.ac;
    ac[10].Name[6] = 0;
    ac[10].Comment[23] = 0;
    EXPECT_EQ(Wdb("AC"), Bytes(ac));
    EXPECT_EQ(Wdb("TEMP"), Bytes(damaged.temp));
}

// Cancel at the first question, at one in the last base, and at the
// deleted-count question: no summary, and every base as before the check.
TEST_F(WptIntegrity, CancelStopsAndLeavesEveryBaseAsItWas) {
    for (int cancelAt : {1, 12, 15}) {
        SCOPED_TRACE(cancelAt);
        damaged.Write(env);  // the counter files were written at the last close
        CVornaDoc& doc = env.Make();
        CancelAt prompter(cancelAt);
        EXPECT_EQ(doc.CheckDatabaseIntegrity(), 0);
        EXPECT_EQ(prompter.asked, cancelAt);
        EXPECT_FALSE(prompter.Saw("SUMMARY"));
        EXPECT_EQ(WaitCursorDepth(), 0);
        if (cancelAt == 15) {
            EXPECT_NE(prompter.texts.back().find("deleted auto waypoint"), std::string::npos);
        }
        EXPECT_EQ(doc.Waypoints().Base(kTempBase).Modified, 0);
        env.doc.reset();
        EXPECT_EQ(Wdb("AC"), Bytes(damaged.ac));
        EXPECT_EQ(Wdb("TEMP"), Bytes(damaged.temp));
    }
}

// A clean database: one message, then compaction fills each hole with the
// last record and looks at the filled hole again; undo is emptied first.
TEST_F(WptIntegrity, CompactionMovesTheLastRecordIntoEachHole) {
    const CPointD c = QuadrantCentre(1, 3);
    std::vector<WaypointRecord> ac;
    for (int i = 0; i < 7; ++i)
        ac.push_back(
            MakeWpt("AC0" + std::to_string(i + 1), c, (i == 2 || i == 3 || i == 6) ? kWptDeleted : 1));
    WriteFileBytes(env.WptFile("AC.wdb"), Bytes(ac));
    WriteCounters(env.settings.wptBaseDir, {{kAC, {7, 3}}});
    env.newDatabase = false;
    CVornaDoc& doc = env.Make();
    ASSERT_EQ(doc.CreateWaypoint(QuadrantCentre(5, 5).easting, QuadrantCentre(5, 5).northing,
                                 WptCreateMode::Click, 1, "", "", 0),
              1);
    ASSERT_TRUE(doc.CanUndo());
    env.prompter.texts.clear();

    CCommandMap map;
    doc.AddWptCommands(map);
    EXPECT_TRUE(map.OnCommand(cmd::CompactDatabase));
    EXPECT_EQ(env.prompter.texts, CleanCompaction());
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_EQ(doc.Waypoints().Base(kAC).Count, 4);
    EXPECT_EQ(doc.Waypoints().Base(kAC).Deleted, 0);
    EXPECT_EQ(WaitCursorDepth(), 0);
    env.doc.reset();
    EXPECT_EQ(Wdb("AC"), Bytes({ac[0], ac[1], ac[5], ac[4]}));
    EXPECT_EQ(ReadFileBytes(env.WptFile("WAutoDel.dat")).substr(std::size_t(kAC) * 4, 4),
              std::string(4, '\0'));

    // No to the first question does nothing; the synchronisation is not there.
    CVornaDoc& again = env.Make();
    CCommandMap map2;
    again.AddWptCommands(map2);
    env.prompter.texts.clear();
    env.prompter.answers = {IDNO};
    EXPECT_TRUE(map2.OnCommand(cmd::CompactDatabase));
    EXPECT_EQ(env.prompter.texts.size(), 1u);
    EXPECT_TRUE(map2.OnCommand(cmd::SyncWptDatabase));
    EXPECT_EQ(env.prompter.texts.back(), "Sorry! Not Implemented yet.");
}

// The duplicate search runs only where a name recurs; a name field without
// its terminator still finds the duplicate it will read as.
TEST_F(WptIntegrity, DuplicateOfAnUnterminatedNameIsFound) {
    const CPointD c = QuadrantCentre(1, 3);
    std::vector<WaypointRecord> ac = {MakeWpt("AC1234", c), MakeWpt("AC1234", c),
                                      MakeWpt("AC99", c, kWptDeleted), MakeWpt("AC99", c)};
    ac[0].Name[6] = '7';
    WriteFileBytes(env.WptFile("AC.wdb"), Bytes(ac));
    WriteCounters(env.settings.wptBaseDir, {{kAC, {4, 1}}});
    env.newDatabase = false;
    CVornaDoc& doc = env.Make();
    env.prompter.defaultAnswer = IDNO;
    EXPECT_EQ(doc.CheckDatabaseIntegrity(), 0);
    int duplicates = 0, deletedDuplicates = 0;
    for (const std::string& t : env.prompter.texts) {
        duplicates += t.find("Duplicate name of the waypoint AC1234") != std::string::npos;
        deletedDuplicates += t.find("Duplicate name of the waypoint AC99") != std::string::npos;
    }
    EXPECT_EQ(duplicates, 1) << "a pair is reported once";
    EXPECT_EQ(deletedDuplicates, 0) << "a deleted record clashes with no name";
}

// A temporary waypoint deleted and made again under its name: the deleted
// record is no duplicate, so the database compacts and keeps the live one.
TEST_F(WptIntegrity, ANameMadeAgainAfterItsDeletionCompacts) {
    CVornaDoc& doc = env.Make();
    CCommandMap map;
    doc.AddWptCommands(map);
    const CPointD t = QuadrantCentre(5, 5);
    doc.OnCreateTempWpts();
    for (double e : {t.easting, t.easting + 1000}) {
        env.dialogs.wpt.push_back([](WaypointRecord& r) { return SetWptName(r, "HOME"), kWptDialogOk; });
        ASSERT_EQ(doc.CreateWaypoint(e, t.northing, WptCreateMode::Click, 1, "", "", 0), 1);
        if (e == t.easting) {
            ASSERT_EQ(doc.DeleteWaypoint(Stored(doc, kTempBase, 0), 0), 1);
        }
    }
    ASSERT_EQ(doc.Waypoints().Base(kTempBase).Count, 2);
    env.prompter.texts.clear();

    EXPECT_TRUE(map.OnCommand(cmd::CompactDatabase));
    EXPECT_EQ(env.prompter.texts, CleanCompaction());
    env.doc.reset();
    const std::string temp = Wdb("TEMP");
    ASSERT_EQ(temp.size(), sizeof(WaypointRecord)) << "the deleted record is gone";
    WaypointRecord kept;
    std::memcpy(&kept, temp.data(), sizeof kept);
    EXPECT_EQ(WptName(kept), "HOME");
    EXPECT_EQ(kept.E, t.easting + 1000) << "the live record is kept";
    EXPECT_FALSE(WptIsDeleted(kept));
    EXPECT_EQ(ReadFileBytes(env.WptFile("WAutoDel.dat")).substr(std::size_t(kTempBase) * 4, 4),
              std::string(4, '\0'));
}

// Live names that recur, with deleted ones among them: each pair of live
// records is reported once, deleted records never.
TEST_F(WptIntegrity, EachLiveDuplicatePairIsReportedOnce) {
    const CPointD t = QuadrantCentre(5, 5), c = QuadrantCentre(1, 3);
    const std::uint16_t tmp = kWptTemporary, del = kWptDeleted;
    const struct {
        int q;
        std::vector<std::pair<const char*, std::uint16_t>> recs;
        int reports;
    } rows[] = {
        {kTempBase, {{"HOME", tmp | del}, {"HOME", tmp}}, 0},
        {kTempBase, {{"HOME", tmp}, {"HOME", tmp | del}}, 0},
        {kTempBase, {{"HOME", tmp | del}, {"HOME", tmp | del}}, 0},
        {kTempBase, {{"HOME", tmp}, {"CAMP", tmp}, {"HOME", tmp}}, 1},
        {kTempBase, {{"HOME", tmp}, {"HOME", tmp | del}, {"HOME", tmp}}, 1},
        {kTempBase, {{"HOME", tmp}, {"HOME", tmp}, {"HOME", tmp}}, 3},  // three pairs
        {kAC, {{"AC05", del}, {"AC05", 0}}, 0},
        {kAC, {{"AC05", 0}, {"AC06", 0}, {"AC05", 0}}, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        std::vector<WaypointRecord> recs;
        int deleted = 0;
        for (auto [name, flags] : row.recs) {
            recs.push_back(MakeWpt(name, row.q == kTempBase ? t : c, flags));
            deleted += (flags & del) != 0;
        }
        WriteOnlyBase(row.q, recs, deleted);
        CVornaDoc& doc = env.Make();
        env.prompter.texts.clear();
        env.prompter.defaultAnswer = IDNO;
        EXPECT_EQ(doc.CheckDatabaseIntegrity(), row.reports == 0 ? 1 : 0);
        EXPECT_EQ(std::count_if(env.prompter.texts.begin(), env.prompter.texts.end(),
                                [](const std::string& s) { return s.find("Duplicate name") != s.npos; }),
                  row.reports);
        env.doc.reset();
    }
}

// The deleted-count question: Yes corrects "WAutoDel.dat" and lets the
// compaction run; No and Cancel leave the file as it was, and the compaction
// refuses. The same for a base the check loads and for "TEMP", loaded from
// the start.
TEST_F(WptIntegrity, DeletedCountAnswersDecideWhatTheCounterFileHolds) {
    const std::string notMarked =
        "Error! 1 deleted auto waypoint(s) found in sector AC, that were not marked for purge." + kAsk;
    const std::string lower =
        "Error! The actual number of deleted auto waypoint(s) in sector TEMP is by 2 lower then marked in "
        "the datbase." +
        kAsk;
    const std::string allCorrected = "SUMMARY: Errors found in the database and all have been corrected!";
    const std::string notAll = "SUMMARY: Errors found in the database but NOT all have been corrected!";
    const struct {
        int q, stored, answer;
        const std::string& question;
        std::string summary;  // empty: none
        int onDisk;           // the base's entry of "WAutoDel.dat" after the check
    } rows[] = {
        {kAC, 0, IDYES, notMarked, allCorrected, 1}, {kAC, 0, IDNO, notMarked, notAll, 0},
        {kAC, 0, IDCANCEL, notMarked, "", 0},        {kTempBase, 3, IDYES, lower, allCorrected, 1},
        {kTempBase, 3, IDNO, lower, notAll, 3},      {kTempBase, 3, IDCANCEL, lower, "", 3},
    };
    const CPointD t = QuadrantCentre(5, 5), c = QuadrantCentre(1, 3);
    auto deletedOnDisk = [&](int q) {
        std::int32_t v = -1;
        const std::string del = ReadFileBytes(env.WptFile("WAutoDel.dat"));
        if (del.size() == std::size_t(kBaseCount) * 4) std::memcpy(&v, del.data() + std::size_t(q) * 4, 4);
        return v;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QuadrantName(row.q) + " answer " + std::to_string(row.answer));
        const std::uint16_t tmp = row.q == kTempBase ? kWptTemporary : 0;
        const std::vector<WaypointRecord> recs = {
            MakeWpt(row.q == kTempBase ? "CAMP" : "AC01", row.q == kTempBase ? t : c, tmp),
            MakeWpt(row.q == kTempBase ? "LAKE" : "AC02", row.q == kTempBase ? t : c, tmp | kWptDeleted)};
        WriteOnlyBase(row.q, recs, row.stored);

        CVornaDoc& doc = env.Make();
        env.prompter.texts.clear();
        env.prompter.defaultAnswer = row.answer;
        EXPECT_EQ(doc.CheckDatabaseIntegrity(), row.answer == IDYES ? 1 : 0);
        const std::vector<std::string> expected = row.summary.empty()
                                                      ? std::vector<std::string>{row.question}
                                                      : std::vector<std::string>{row.question, row.summary};
        EXPECT_EQ(env.prompter.texts, expected);
        env.doc.reset();
        EXPECT_EQ(deletedOnDisk(row.q), row.onDisk);

        // The compaction asks again where the count is still wrong, and runs only when it is right.
        CVornaDoc& again = env.Make();
        env.prompter.answers = {IDYES};
        EXPECT_EQ(again.PurgeDatabases(), row.answer == IDYES ? 1 : 0);
        env.doc.reset();
        EXPECT_EQ(deletedOnDisk(row.q), row.answer == IDYES ? 0 : row.stored);
        EXPECT_EQ(Wdb(QuadrantName(row.q)), row.answer == IDYES ? Bytes({recs[0]}) : Bytes(recs));
    }
}
