// The track log store: its file, growth and the nearest point.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "DocTestEnv.h"

TEST(TrackLogStore, PartialFileReadsBackFailedWriteKeepsItAndAnEmptyLogDeletesIt) {
    DocEnv env;
    env.settings.trackLogOverdraft = 0;  // counts as 1
    const std::string file = env.tmp.file("TrackLog.dat");
    std::string bytes;
    for (int i = 0; i < 3; ++i) {
        TrackPoint p;
        p.position = CPointD(400000 + i, 5100000 + i);
        p.time = 1000 + i;
        p.segmentStart = i == 0;
        bytes.append(reinterpret_cast<const char*>(&p), sizeof p);
    }
    ASSERT_TRUE(WriteFileBytes(file, bytes + "partial"));
    CVornaDoc& doc = env.Make();
    ASSERT_EQ(doc.TrackLog.Count, 3);
    // The cut point is said once (the damaged-file tests check how), and the
    // log counts as changed until its cleaned file is written.
    ASSERT_EQ(env.prompter.texts.size(), 1u);
    EXPECT_TRUE(doc.TrackLogStore().Modified());
    env.prompter.texts.clear();
    EXPECT_EQ(doc.TrackLog.Data[2].time, 1002);
    TrackPoint hit;
    EXPECT_EQ(doc.GetClosestTrackPointIndex(&hit, CPointD(400001.2, 5100001), 1, 1), 1);
    EXPECT_EQ(hit.time, 1001);
    EXPECT_EQ(doc.GetClosestTrackPointIndex(&hit, CPointD(400010, 5100010), 1, 1), -1);
    ASSERT_TRUE(doc.TrackLogStore().Append(hit));
    EXPECT_EQ(doc.TrackLog.Capacity, 4);
    {
        WriteFault fault([](const std::string&) { return true; });
        EXPECT_EQ(doc.WriteBinaryTrackLogFile(env.tmp.dir() + "TrackLog"), 0);
        EXPECT_EQ(env.prompter.texts, std::vector<std::string>{"Error writing Binary TrackLog file"});
        EXPECT_EQ(ReadFileBytes(file), bytes + "partial");
    }
    CVornaDoc& again = env.Reopen();
    EXPECT_EQ(ReadFileBytes(file).size(), 4 * sizeof(TrackPoint));
    again.TrackLogStore().SelStart = 2;
    again.OnClearTrackLog();
    EXPECT_EQ(again.TrackLogStore().SelStart, -1);
    env.doc.reset();
    EXPECT_FALSE(FileExists(file));
}

// A file that exists but cannot be read is no empty log: the end of the
// program must not delete it. (A sparse file too long for any log.)
TEST(TrackLogStore, UnreadableFileIsKept) {
    DocEnv env;
    const std::string file = env.tmp.file("TrackLog.dat");
    ASSERT_TRUE(WriteFileBytes(file, ""));
    ASSERT_EQ(::truncate(file.c_str(), 5LL << 30), 0);
    env.Make();
    EXPECT_EQ(env.prompter.texts, std::vector<std::string>{"Error reading Binary TrackLog file"});
    EXPECT_EQ(env.doc->TrackLog.Count, 0);
    env.doc.reset();
    ASSERT_TRUE(FileExists(file));
    EXPECT_EQ(std::filesystem::file_size(file), 5ULL << 30);
}
