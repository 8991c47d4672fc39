// Waypoint bases, counter files and the track log on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "WptTestEnv.h"
#include "doc/WptFile.h"

namespace {

const int kAC = QuadrantAt(1, 3);  // quadrant "AC"

template <typename T>
void Put(std::string& bytes, std::size_t at, T v) {
    std::memcpy(&bytes[at], &v, sizeof v);
}

std::string Records(int n) {
    std::string bytes(std::size_t(n) * 64, '\0');
    for (int i = 0; i < n; ++i) {
        WaypointRecord r = MakeWpt("AC0" + std::to_string(i + 1), QuadrantCentre(1, 3));
        r.E += i;
        std::memcpy(&bytes[std::size_t(i) * 64], &r, 64);
    }
    return bytes;
}

struct WriteFault {
    explicit WriteFault(std::function<bool(const std::string&)> f) { SetWriteFaultHook(std::move(f)); }
    ~WriteFault() { SetWriteFaultHook(nullptr); }
};

}  // namespace

TEST(WptStore, RecordIsWrittenByteForByteWithoutTheSelectionMark) {
    WptEnv env;
    CVornaDoc& doc = env.Make();
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    WaypointRecord r = ZeroWaypointRecord();
    r.E = 405123.25;
    r.N = 5204321.5;
    r.Created = 1000000000;
    r.Modified = 1000000123;
    SetWptName(r, "AC07");
    r.Flags = 0x0002 | 0x0020 | kWptImported | kWptSelected;
    SetWptComment(r, "Spring at the old mill");
    WptBase& b = doc.WptAutoBase[kAC];
    b.Data[0] = r;
    b.Count = 1;
    b.Modified = 1;
    ASSERT_EQ(doc.SaveAllWptBases(), 1);

    std::string expected(64, '\0');
    Put(expected, 0, 405123.25);
    Put(expected, 8, 5204321.5);
    Put(expected, 16, std::int32_t(1000000000));
    Put(expected, 20, std::int32_t(1000000123));
    std::memcpy(&expected[24], "AC07", 4);
    Put(expected, 34, std::uint16_t(0x0062));  // mark 0x0080 cleared on disk
    std::memcpy(&expected[40], "Spring at the old mill", 22);
    EXPECT_EQ(ReadFileBytes(env.WptFile("AC.wdb")), expected);
    EXPECT_TRUE(b.Data[0].Flags & kWptSelected) << "the export selection survives a save";
    EXPECT_EQ(b.Modified, 0);
    EXPECT_FALSE(FileExists(env.WptFile("AC.wdb.tmp")));
}

TEST(WptStore, LoadsMissingPartialAndMisnamedFiles) {
    WptEnv env;
    CVornaDoc& doc = env.Make();
    // Missing: an empty base of capacity 100; closing it unchanged writes nothing.
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    EXPECT_EQ(doc.WptAutoBase[kAC].Count, 0);
    EXPECT_EQ(doc.WptAutoBase[kAC].Capacity, 100);
    EXPECT_EQ(doc.CloseQuadrantWptFile(kAC), 1);
    EXPECT_FALSE(FileExists(env.WptFile("AC.wdb")));
    EXPECT_TRUE(env.prompter.texts.empty());

    // 130 bytes: two whole records, the tail ignored; the grow step is added.
    WriteFileBytes(env.WptFile("AC.wdb"), Records(2) + "xy");
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    EXPECT_EQ(doc.WptAutoBase[kAC].Count, 2);
    EXPECT_EQ(doc.WptAutoBase[kAC].Capacity, 2 + env.app.autoWptBaseOverdraft);
    EXPECT_EQ(WptName(doc.WptAutoBase[kAC].Data[1]), "AC02");

    // A base file from Windows in other case is found and written back in place.
    const int kAD = QuadrantAt(1, 4);
    WriteFileBytes(env.WptFile("ad.WDB"), Records(1));
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAD), 1);
    EXPECT_EQ(doc.WptAutoBase[kAD].Count, 1);
    doc.WptAutoBase[kAD].Modified = 1;
    EXPECT_EQ(doc.CloseQuadrantWptFile(kAD), 1);
    EXPECT_FALSE(FileExists(env.WptFile("AD.wdb")));
    EXPECT_EQ(ReadFileBytes(env.WptFile("ad.WDB")).size(), 64u);
}

TEST(WptStore, UnreadableBaseStaysUnloadedAndIsNeverOverwritten) {
    WptEnv env;
    CVornaDoc& doc = env.Make();
    // A folder in place of the file: unreadable even for root.
    ::mkdir(env.WptFile("AC.wdb").c_str(), 0755);
    EXPECT_EQ(doc.OpenQuadrantWptFile(kAC), 0);
    EXPECT_FALSE(doc.WptAutoBase[kAC].Loaded);
    EXPECT_TRUE(env.prompter.Saw("Error opening quadrant Wpt file"));
    const std::size_t shown = env.prompter.texts.size();
    EXPECT_EQ(doc.OpenQuadrantWptFile(kAC), 0);
    EXPECT_EQ(env.prompter.texts.size(), shown) << "the failure is reported once";
    // Operations on that base refuse.
    EXPECT_EQ(doc.GetNewAutoWptName(kAC), "");
    EXPECT_EQ(doc.RegisterNewWpt(MakeWpt("AC01", QuadrantCentre(1, 3)), 0), 0);
    EXPECT_EQ(doc.UndoCount, 0);
}

TEST(WptStore, BaseWithoutReadPermissionIsNeverOverwritten) {
    if (::geteuid() == 0) GTEST_SKIP() << "permission test needs a non-root user";
    WptEnv env;
    CVornaDoc& doc = env.Make();
    const int kAD = QuadrantAt(1, 4);
    const std::string file = env.WptFile("AD.wdb");
    WriteFileBytes(file, Records(3));
    ::chmod(file.c_str(), 0);
    EXPECT_EQ(doc.OpenQuadrantWptFile(kAD), 0);
    doc.SaveAllWptBases();
    env.doc.reset();
    ::chmod(file.c_str(), 0644);
    EXPECT_EQ(ReadFileBytes(file), Records(3));
}

TEST(WptStore, FailedWriteKeepsOldFileAndModifiedBase) {
    WptEnv env;
    CVornaDoc& doc = env.Make();
    const std::string file = env.WptFile("AC.wdb");
    WriteFileBytes(file, Records(2));
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    WptBase& b = doc.WptAutoBase[kAC];
    b.Data[1].E += 1.0;
    b.Modified = 1;

    // A folder where the temporary file goes: creation fails, also for root.
    ::mkdir((file + ".tmp").c_str(), 0755);
    EXPECT_EQ(doc.CloseQuadrantWptFile(kAC), 0);
    EXPECT_TRUE(env.prompter.Saw("Error! Waypoint file " + env.WptFile("AC") +
                                 ".wdb can not be saved because it is write protected!"));
    EXPECT_TRUE(b.Loaded);
    EXPECT_EQ(b.Modified, 1);
    EXPECT_EQ(ReadFileBytes(file), Records(2));
    ::rmdir((file + ".tmp").c_str());

    // A full disk: writing fails after the temporary file was made.
    {
        WriteFault fault([](const std::string& p) { return p.find("AC.wdb") != std::string::npos; });
        EXPECT_EQ(doc.SaveAllWptBases(), 0);
        EXPECT_TRUE(env.prompter.Saw("Error writing Binary Waypoint file"));
        EXPECT_EQ(ReadFileBytes(file), Records(2));
        EXPECT_FALSE(FileExists(file + ".tmp"));
        EXPECT_EQ(b.Modified, 1);
    }
    EXPECT_EQ(doc.CloseQuadrantWptFile(kAC), 1);
    EXPECT_NE(ReadFileBytes(file), Records(2));
}

TEST(WptStore, ReadOnlyFolderKeepsOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "read-only folder test needs a non-root user";
    WptEnv env;
    CVornaDoc& doc = env.Make();
    const std::string file = env.WptFile("AC.wdb");
    WriteFileBytes(file, Records(2));
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    doc.WptAutoBase[kAC].Modified = 1;
    const std::string before = ReadFileBytes(file);
    ::chmod(env.app.wptBaseDir.c_str(), 0555);
    EXPECT_EQ(doc.CloseQuadrantWptFile(kAC), 0);
    ::chmod(env.app.wptBaseDir.c_str(), 0755);
    EXPECT_EQ(ReadFileBytes(file), before);
}

TEST(WptStore, DeletesABaseFileOnlyWhenLoadedAndEmpty) {
    WptEnv env;
    CVornaDoc& doc = env.Make();
    const std::string file = env.WptFile("AC.wdb");
    WriteFileBytes(file, Records(1));
    doc.SaveAllWptBases();  // not loaded: untouched
    EXPECT_EQ(doc.WriteBinaryWaypointFile(env.WptFile("AC"), doc.WptAutoBase[kAC]), 1);
    EXPECT_TRUE(FileExists(file));
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    doc.WptAutoBase[kAC].Count = 0;
    doc.WptAutoBase[kAC].Modified = 1;
    EXPECT_EQ(doc.CloseQuadrantWptFile(kAC), 1);
    EXPECT_FALSE(FileExists(file));
}

TEST(WptStore, CounterFilesShortLongAndMissing) {
    WptEnv env;
    CVornaDoc& doc = env.Make();
    doc.ReadWptCounters();
    EXPECT_TRUE(
        env.prompter.Saw("Warning! WAutoCnt.dat file not found. You shoud check the database in order to "
                         "restore missing data?"));
    EXPECT_TRUE(env.prompter.Saw("Warning! WAutoDel.dat file not found."));

    std::string cnt(100, '\0'), del(800 * 4, '\0');
    for (int i = 0; i < 25; ++i) Put(cnt, std::size_t(i) * 4, std::int32_t(i + 1));
    for (int i = 0; i < 800; ++i) Put(del, std::size_t(i) * 4, std::int32_t(i % 7));
    Put(del, 4 * 3, std::int32_t(-5));
    Put(cnt, 4 * 1, std::int32_t(0x7FFFFFFF));
    Put(del, 4 * 2, std::int32_t(9));  // more deleted than records
    WriteFileBytes(env.WptFile("WAutoCnt.dat"), cnt);
    WriteFileBytes(env.WptFile("WAutoDel.dat"), del);
    for (WptBase& b : doc.WptAutoBase)
        if (!b.Loaded) b.Count = 99;
    env.prompter.texts.clear();
    doc.ReadWptCounters();
    EXPECT_EQ(env.prompter.texts, std::vector<std::string>{"Warning WAutoCnt file shorter then expected"});
    EXPECT_EQ(doc.WptAutoBase[0].Count, 1);
    EXPECT_EQ(doc.WptAutoBase[1].Count, kMaxBaseRecords) << "a count no base can hold";
    EXPECT_EQ(doc.GetLiveWptCount(2), 0);
    EXPECT_EQ(doc.WptAutoBase[24].Count, 25);
    EXPECT_EQ(doc.WptAutoBase[25].Count, 0);
    EXPECT_EQ(doc.WptAutoBase[783].Count, 0);
    EXPECT_EQ(doc.WptAutoBase[10].Deleted, 3);
    EXPECT_EQ(doc.WptAutoBase[3].Deleted, 0) << "a negative count from the file";

    doc.WriteWptCounters();
    const std::string written = ReadFileBytes(env.WptFile("WAutoCnt.dat"));
    ASSERT_EQ(written.size(), 785u * 4);
    std::int32_t v;
    std::memcpy(&v, &written[24 * 4], 4);
    EXPECT_EQ(v, 25);
    EXPECT_EQ(ReadFileBytes(env.WptFile("WAutoDel.dat")).size(), 785u * 4);

    // A counter file that cannot be read leaves the counts alone.
    ::unlink(env.WptFile("WAutoCnt.dat").c_str());
    ::mkdir(env.WptFile("WAutoCnt.dat").c_str(), 0755);
    doc.ReadWptCounters();
    EXPECT_EQ(doc.WptAutoBase[24].Count, 25);
    EXPECT_TRUE(env.prompter.Saw("Error! WAutoCnt.dat file can not be read"));
}

TEST(WptStore, GrowthFailureAppendsNothing) {
    WptEnv env;
    env.app.autoWptBaseOverdraft = 0;  // used as 1
    CVornaDoc& doc = env.Make();
    EXPECT_EQ(doc.WptAutoBase[kAC].GrowStep, 1);
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    WptBase& b = doc.WptAutoBase[kAC];
    EXPECT_EQ(doc.ReallocateBase(b), 1);
    EXPECT_EQ(b.Capacity, 101);
    EXPECT_EQ(b.Size, 101u * 64);

    b.GrowStep = kMaxBaseRecords;  // the next growth cannot be held
    b.Count = b.Capacity;
    for (int i = 0; i < b.Count; ++i) b.Data[i] = MakeWpt("AC" + std::to_string(i + 1), QuadrantCentre(1, 3));
    env.view.hints.clear();
    EXPECT_EQ(doc.RegisterNewWpt(MakeWpt("AC999", QuadrantCentre(1, 3)), 0), 0);
    EXPECT_TRUE(
        env.prompter.Saw("Internal Error! Not enough memory for base reallocation in ReallocateBase!"));
    EXPECT_EQ(b.Count, 101);
    EXPECT_EQ(doc.UndoCount, 0);
    EXPECT_TRUE(env.view.hints.empty());
}

TEST(WptStore, TrackLogFileRoundTripAndLimits) {
    WptEnv env;
    env.app.trackLogOverdraft = 0;  // used as 1
    CVornaDoc& doc = env.Make();
    doc.ClearTrackLog(0);
    EXPECT_EQ(doc.TrackLog.Capacity, 1);
    env.app.trackLogOverdraft = 1050;
    doc.TrackSelStart = 2;
    doc.TrackSelEnd = 3;
    doc.ClearTrackLog(0);
    EXPECT_EQ(doc.TrackLog.Capacity, 1050) << "the grow step is taken before the capacity";
    EXPECT_EQ(doc.TrackSelStart, -1);
    EXPECT_EQ(doc.TrackSelEnd, -1);

    for (int i = 0; i < 3; ++i) {
        if (doc.TrackLog.Count >= doc.TrackLog.Capacity) {
            ASSERT_EQ(doc.ReallocateTrackLog(), 1);
        }
        TrackPoint p;
        p.position = CPointD(400000 + i, 5100000 + i);
        p.time = 1000 + i;
        p.segmentStart = i == 0;
        doc.TrackLog.Data[doc.TrackLog.Count++] = p;
    }
    const std::string name = env.tmp.dir() + "TrackLog";
    EXPECT_EQ(doc.WriteBinaryTrackLogFile(name), 1);
    EXPECT_EQ(ReadFileBytes(name + ".dat").size(), 72u);

    {  // A failed write keeps the old file.
        WriteFault fault([](const std::string&) { return true; });
        doc.TrackLog.Count = 2;
        EXPECT_EQ(doc.WriteBinaryTrackLogFile(name), 0);
        EXPECT_TRUE(env.prompter.Saw("Error writing Binary TrackLog file"));
        EXPECT_EQ(ReadFileBytes(name + ".dat").size(), 72u);
        doc.TrackLog.Count = 3;
    }

    // The next start reads it back (a trailing partial point is ignored).
    WriteFileBytes(name + ".dat", ReadFileBytes(name + ".dat") + "partial");
    CVornaDoc& again = env.Reopen();
    ASSERT_EQ(again.TrackLog.Count, 3);
    EXPECT_EQ(again.TrackLog.Data[2].position.easting, 400002);
    EXPECT_EQ(again.TrackLog.Data[2].time, 1002);
    TrackPoint hit;
    EXPECT_EQ(again.GetClosestTrackPointIndex(&hit, CPointD(400001.2, 5100001), 1, 1), 1);
    EXPECT_EQ(hit.time, 1001);

    // An empty log at the end deletes the file.
    again.OnClearTrackLog();
    env.doc.reset();
    EXPECT_FALSE(FileExists(name + ".dat"));

    // An unreadable track log file is neither read as empty nor deleted.
    ::mkdir((name + ".dat").c_str(), 0755);
    env.Make();
    EXPECT_TRUE(env.prompter.Saw("Error reading Binary TrackLog file"));
    env.doc.reset();
    EXPECT_TRUE(FileExists(name + ".dat"));
}
