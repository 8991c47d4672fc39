// The track log store: its file, growth and the nearest point.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "DocTestEnv.h"

namespace {

// n points in file form, the one at segment starting a segment.
std::string TrackFileBytes(int n, int segment) {
    std::string bytes;
    for (int i = 0; i < n; ++i) {
        TrackPoint p;
        p.position = CPointD(400000 + i, 5100000 + i);
        p.time = 1000 + i;
        p.segmentStart = i == segment;
        bytes.append(reinterpret_cast<const char*>(&p), sizeof p);
    }
    return bytes;
}

}  // namespace

TEST(TrackLogStore, PartialFileReadsBackFailedWriteKeepsItAndAnEmptyLogDeletesIt) {
    DocEnv env;
    env.settings.trackLogOverdraft = 0;  // counts as 1
    const std::string file = env.tmp.file("TrackLog.dat");
    const std::string bytes = TrackFileBytes(3, 0);
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
        // The file and the reason come with the message.
        EXPECT_EQ(env.prompter.texts, std::vector<std::string>{"Error writing Binary TrackLog file " + file +
                                                               ": " + std::strerror(ENOSPC)});
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

// An unchanged log is not written at the end (its file is still the one it
// read); every kind of change, a file gone, cut or replaced, and a file
// damaged when it was read each make it written.
TEST(TrackLogStore, OnlyAChangedLogOrAFileThatIsNoLongerItsOwnIsWrittenAtTheEnd) {
    using Step = std::function<void(CTrackLogStore&, const std::string& file)>;
    const std::string tail = "cut";  // a point cut short: set before the read
    const struct {
        const char* name;
        Step step;
        bool written;
        bool damagedAtRead = false;
    } cases[] = {
        {"unchanged", [](CTrackLogStore&, const std::string&) {}, false},
        {"selection only", [](CTrackLogStore& log, const std::string&) { log.SelStart = 1, log.SelEnd = 2; },
         false},
        {"append", [](CTrackLogStore& log, const std::string&) { log.Append(log.Points()[0]); }, true},
        {"truncate", [](CTrackLogStore& log, const std::string&) { log.Truncate(3); }, true},
        {"join", [](CTrackLogStore& log, const std::string&) { log.Join(2); }, true},
        {"break", [](CTrackLogStore& log, const std::string&) { log.BreakBefore(1); }, true},
        {"delete", [](CTrackLogStore& log, const std::string&) { log.DeleteRange(1, 1); }, true},
        {"file removed", [](CTrackLogStore&, const std::string& f) { std::filesystem::remove(f); }, true},
        {"file cut", [](CTrackLogStore&, const std::string& f) { std::filesystem::resize_file(f, 30); },
         true},
        {"file replaced",
         [](CTrackLogStore&, const std::string& f) {
             const std::string other(ReadFileBytes(f).size(), '\x01');
             std::filesystem::remove(f);
             WriteFileBytes(f, other);
         },
         true},
        {"damaged at read", [](CTrackLogStore&, const std::string&) {}, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DocEnv env;
        const std::string file = env.tmp.file("TrackLog.dat");
        const std::string bytes = TrackFileBytes(4, 2);
        ASSERT_TRUE(WriteFileBytes(file, c.damagedAtRead ? bytes + tail : bytes));
        const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
        std::filesystem::last_write_time(file, old);
        CVornaDoc& doc = env.Make();
        ASSERT_EQ(doc.TrackLog.Count, 4);
        c.step(doc.TrackLogStore(), file);
        const bool present = FileExists(file);
        const auto before = present ? std::filesystem::last_write_time(file) : old;
        const std::string content = present ? ReadFileBytes(file) : "";
        const std::vector<TrackPoint> kept(doc.TrackLogStore().Points(),
                                           doc.TrackLogStore().Points() + doc.TrackLog.Count);
        env.doc.reset();
        const std::string now = ReadFileBytes(file);
        EXPECT_EQ(FileExists(file) && (std::filesystem::last_write_time(file) != before || now != content),
                  c.written);
        EXPECT_TRUE(now.size() == kept.size() * sizeof(TrackPoint) &&
                    std::memcmp(now.data(), kept.data(), now.size()) == 0)
            << "the file holds the log";
        EXPECT_TRUE(c.damagedAtRead || env.prompter.texts.empty());
    }
}
