// Waypoint bases and counter files on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DocTestEnv.h"

namespace {

const int kAC = QuadrantAt(1, 3);

template <typename T>
void Put(std::string& bytes, std::size_t at, T v) {
    std::memcpy(&bytes[at], &v, sizeof v);
}

std::string Records(int n, int deleted = 0) {
    std::string bytes(std::size_t(n) * 64, '\0');
    for (int i = 0; i < n; ++i) {
        WaypointRecord r =
            MakeWpt("AC0" + std::to_string(i + 1), QuadrantCentre(1, 3), i < deleted ? kWptDeleted : 0);
        r.E += i;
        std::memcpy(&bytes[std::size_t(i) * 64], &r, 64);
    }
    return bytes;
}

std::string Counters(int q, std::int32_t v) {
    std::string bytes(785 * 4, '\0');
    Put(bytes, std::size_t(q) * 4, v);
    return bytes;
}

struct WptDatabase : ::testing::Test {
    DocEnv env;
    CVornaDoc& doc = env.Make();
    WptBase& AC() { return env.Db().Base(kAC); }
};

}  // namespace

TEST_F(WptDatabase, RecordIsWrittenByteForByteWithoutTheSelectionMark) {
    WaypointRecord r =
        MakeWpt("AC07", CPointD(405123.25, 5204321.5), 0x0002 | 0x0020 | kWptImported | kWptSelected);
    r.Created = 1000000000;
    r.Modified = 1000000123;
    SetWptComment(r, "Spring at the old mill");
    ASSERT_TRUE(PutWpt(env.Db(), kAC, r));
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
    EXPECT_TRUE(AC().Data[0].Flags & kWptSelected) << "the selection survives a save";
    EXPECT_EQ(AC().Modified, 0);
}

TEST_F(WptDatabase, LoadsMissingPartialMisnamedAndUnreadableFiles) {
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);  // a missing file: an empty base
    EXPECT_EQ(doc.CloseQuadrantWptFile(kAC), 1);
    EXPECT_FALSE(FileExists(env.WptFile("AC.wdb"))) << "closed unchanged: nothing written";
    WriteFileBytes(env.WptFile("AC.wdb"), Records(2) + "xy");  // the partial record is ignored
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    EXPECT_EQ(AC().Count, 2);
    EXPECT_EQ(WptName(AC().Data[1]), "AC02");
    // ... and said (the damaged-file tests check how).
    EXPECT_EQ(env.prompter.texts.size(), 1u);
    env.prompter.texts.clear();

    // A base file in another letter case is written back in place.
    const int kAD = QuadrantAt(1, 4);
    WriteFileBytes(env.WptFile("ad.WDB"), Records(1));
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAD), 1);
    env.Db().Base(kAD).Modified = 1;
    EXPECT_EQ(doc.CloseQuadrantWptFile(kAD), 1);
    EXPECT_FALSE(FileExists(env.WptFile("AD.wdb")));
    EXPECT_EQ(ReadFileBytes(env.WptFile("ad.WDB")).size(), 64u);
    EXPECT_TRUE(env.prompter.texts.empty());

    // A base that cannot be read takes nothing new, so nothing can overwrite it.
    const int kAE = QuadrantAt(1, 5);
    ::mkdir(env.WptFile("AE.wdb").c_str(), 0755);  // unreadable even for root
    EXPECT_EQ(doc.OpenQuadrantWptFile(kAE), 0);
    EXPECT_EQ(doc.OpenQuadrantWptFile(kAE), 0);
    EXPECT_EQ(env.prompter.texts.size(), 2u);  // the reason, then "Error opening quadrant Wpt file"
    EXPECT_EQ(doc.GetNewAutoWptName(kAE), "");
    EXPECT_EQ(doc.RegisterNewWpt(MakeWpt("AE01", QuadrantCentre(1, 5)), 0), 0);
    EXPECT_FALSE(doc.CanUndo());
}

// Every rewritten store of the database and the track log: a write-protected
// file is reported once with its store's message and kept; the next write
// that succeeds ends the quiet.
TEST_F(WptDatabase, WriteProtectedFilesAreReportedOnceAndKept) {
    const struct {
        const char* file;
        std::string message;
        std::function<bool()> write;  // true when written
    } rows[] = {
        {"wpt/AC.wdb",
         "Error! Waypoint file " + env.WptFile("AC") + ".wdb can not be saved because it is write protected!",
         [&] { return AC().Modified = 1, doc.SaveAllWptBases() == 1; }},
        {"wpt/WAutoCnt.dat",
         "Error! Can not open WAutoCnt.dat file for writing. File is write protected " +
             env.WptFile("WAutoCnt.dat") + ": " + std::strerror(EACCES),
         // Counts that did not change are not written again: each write has a new one.
         [&] { return ++env.Db().Base(700).Count, env.Db().WriteWptCounters(); }},
        {"TrackLog.dat",
         "Error! TrackLog file " + env.tmp.dir() +
             "TrackLog.dat can not be saved because it is write protected!",
         // Likewise an unchanged track log.
         [&] {
             return doc.TrackLogStore().Append(TrackPoint{}),
                    doc.WriteBinaryTrackLogFile(env.tmp.dir() + "TrackLog") == 1;
         }},
    };
    ASSERT_TRUE(PutWpt(env.Db(), kAC, MakeWpt("AC01", QuadrantCentre(1, 3))));
    ASSERT_TRUE(doc.TrackLogStore().Append(TrackPoint{}));
    for (const auto& r : rows) {
        SCOPED_TRACE(r.file);
        const std::string path = env.tmp.file(r.file);
        ASSERT_TRUE(WriteFileBytes(path, "old"));
        ::chmod(path.c_str(), 0444);
        env.prompter.texts.clear();
        EXPECT_FALSE(r.write());
        EXPECT_FALSE(r.write());
        EXPECT_EQ(env.prompter.texts, std::vector<std::string>{r.message});
        EXPECT_EQ(ReadFileBytes(path), "old");
        ::chmod(path.c_str(), 0644);
        EXPECT_TRUE(r.write());
        ::chmod(path.c_str(), 0444);
        EXPECT_FALSE(r.write());
        EXPECT_EQ(env.prompter.texts.size(), 2u) << "reported again after a success";
        ::chmod(path.c_str(), 0644);
    }
    EXPECT_EQ(AC().Modified, 1) << "a failed write keeps the base modified";
}

TEST_F(WptDatabase, FailedWriteKeepsTheOldFileAndDeletingAMissingFileIsSilent) {
    const std::string file = env.WptFile("AC.wdb");
    WriteFileBytes(file, Records(2));
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    AC().Data[1].E += 1.0;
    AC().Modified = 1;
    {
        WriteFault fault([](const std::string& p) { return p.find("AC.wdb") != std::string::npos; });
        EXPECT_EQ(doc.CloseQuadrantWptFile(kAC), 0);
        EXPECT_TRUE(AC().Loaded) << "kept loaded so that nothing is lost";
        EXPECT_EQ(ReadFileBytes(file), Records(2));
        EXPECT_EQ(env.prompter.texts, std::vector<std::string>{"Error writing Binary Waypoint file " + file +
                                                               ": " + std::strerror(ENOSPC)});
    }
    EXPECT_EQ(doc.CloseQuadrantWptFile(kAC), 1);
    EXPECT_NE(ReadFileBytes(file), Records(2));
    // Emptied: the file goes; a file that is already gone is no error.
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
        AC().Count = 0;
        AC().Modified = 1;
        if (pass == 1) ::unlink(file.c_str());
        EXPECT_EQ(doc.CloseQuadrantWptFile(kAC), 1);
        EXPECT_FALSE(FileExists(file));
    }
    EXPECT_EQ(env.prompter.texts.size(), 1u);
}

TEST_F(WptDatabase, CounterFilesShortLongMissingAndUnreadable) {
    doc.ReadWptCounters();
    EXPECT_TRUE(env.prompter.Saw("Warning! WAutoCnt.dat file not found. You shoud check the database"));
    EXPECT_TRUE(env.prompter.Saw("Warning! WAutoDel.dat file not found."));
    std::string cnt(100, '\0'), del(800 * 4, '\0');
    for (int i = 0; i < 25; ++i) Put(cnt, std::size_t(i) * 4, std::int32_t(i + 1));
    Put(cnt, 4, std::int32_t(0x7FFFFFFF));
    for (int i = 0; i < 800; ++i) Put(del, std::size_t(i) * 4, std::int32_t(i % 7));
    Put(del, 4 * 3, std::int32_t(-5));
    WriteFileBytes(env.WptFile("WAutoCnt.dat"), cnt);
    WriteFileBytes(env.WptFile("WAutoDel.dat"), del);
    env.Db().Base(30).Count = 99;
    env.prompter.texts.clear();
    doc.ReadWptCounters();
    EXPECT_EQ(env.prompter.texts, std::vector<std::string>{"Warning WAutoCnt file shorter then expected"});
    const struct {
        int q, count, deleted;
    } rows[] = {{0, 1, 0}, {1, kMaxBaseRecords, 1}, {2, 3, 2}, {3, 4, 0}, {24, 25, 3}, {30, 0, 2}};
    for (const auto& r : rows) {
        EXPECT_EQ(env.Db().Base(r.q).Count, r.count) << r.q;
        EXPECT_EQ(env.Db().Base(r.q).Deleted, r.deleted) << r.q;
    }
    ASSERT_TRUE(env.Db().WriteWptCounters());
    EXPECT_EQ(ReadFileBytes(env.WptFile("WAutoCnt.dat")).substr(24 * 4, 4), std::string("\x19\0\0\0", 4));
    EXPECT_EQ(ReadFileBytes(env.WptFile("WAutoDel.dat")).size(), 785u * 4);
    // A counter file that cannot be read leaves the counts alone.
    ::unlink(env.WptFile("WAutoCnt.dat").c_str());
    ::mkdir(env.WptFile("WAutoCnt.dat").c_str(), 0755);
    doc.ReadWptCounters();
    EXPECT_EQ(env.Db().Base(24).Count, 25);
    EXPECT_TRUE(env.prompter.Saw("Error! WAutoCnt.dat file can not be read"));
}

// The record count follows the file; a wrong deleted count stays until the
// integrity check's question corrects it.
TEST(WptDatabaseFiles, ALoadedBaseCountsItsRecordsAndKeepsTheStoredDeletedCount) {
    DocEnv env;
    env.newDatabase = false;
    WriteFileBytes(env.WptFile("WAutoCnt.dat"), Counters(kAC, 7));
    WriteFileBytes(env.WptFile("WAutoDel.dat"), Counters(kAC, 5));
    WriteFileBytes(env.WptFile("AC.wdb"), Records(3, 1));
    CVornaDoc& doc = env.Make();
    EXPECT_EQ(doc.GetLiveWptCount(kAC), 2) << "7 - 5 from the counter files before the base is read";
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    EXPECT_EQ(env.Db().Base(kAC).Count, 3);
    EXPECT_EQ(env.Db().Base(kAC).Deleted, 5);
    EXPECT_EQ(doc.GetLiveWptCount(kAC), 0) << "never below 0";
    doc.ReadWptCounters();  // read again while the base is loaded
    EXPECT_EQ(env.Db().Base(kAC).Count, 3);
    env.Reopen();
    EXPECT_EQ(ReadFileBytes(env.WptFile("WAutoCnt.dat")), Counters(kAC, 3));
    EXPECT_EQ(ReadFileBytes(env.WptFile("WAutoDel.dat")), Counters(kAC, 5));
}

TEST_F(WptDatabase, GrowthFailureAppendsNothing) {
    ASSERT_EQ(doc.OpenQuadrantWptFile(kAC), 1);
    AC().GrowStep = -5;  // counts as 1
    EXPECT_EQ(env.Db().ReallocateBase(AC()), 1);
    EXPECT_EQ(AC().Capacity, 101);
    EXPECT_EQ(env.mem[kMemWptBase + 1], 101 * 64 + 100 * 64) << "TEMP and AC";
    AC().GrowStep = kMaxBaseRecords;  // the next growth cannot be held
    for (int i = 0; i < 101; ++i)
        ASSERT_TRUE(PutWpt(env.Db(), kAC, MakeWpt("AC" + std::to_string(i + 1), QuadrantCentre(1, 3))));
    env.view.hints.clear();
    EXPECT_EQ(doc.RegisterNewWpt(MakeWpt("AC999", QuadrantCentre(1, 3)), 0), 0);
    EXPECT_TRUE(
        env.prompter.Saw("Internal Error! Not enough memory for base reallocation in ReallocateBase!"));
    EXPECT_EQ(AC().Count, 101);
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_TRUE(env.view.hints.empty());
}
