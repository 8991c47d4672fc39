#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <latch>
#include <set>
#include <string>
#include <thread>

#include "TestUtil.h"
#include "platform/AtomicFile.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> Listing(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.insert(e.path().filename().string());
    return names;
}

// A temporary of this write: "data.tmp-" and six letters or digits.
bool IsTempName(const std::string& name, const std::string& target = "data") {
    const std::string prefix = target + ".tmp-";
    return name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0;
}

enum class Before {
    Plain,
    ReadOnly,
    Mode0640,
    LinkToData,
    StaleTemp,
    PlantedTempLink,
    DeadTemp,
    DeadTempLink
};

}  // namespace

TEST(AtomicFile, ReplacesWholeFilesThroughATemporaryOfItsOwnAndRespectsWhatIsThere) {
    const struct {
        Before before;  // "data" holds "old" first
        const char* written;
        bool fault;  // a full disk once the temporary is made
        AtomicWriteStatus expected;
        const char* dataAfter;
        unsigned modeAfter;  // 0: not checked
    } rows[] = {
        {Before::ReadOnly, "data", false, AtomicWriteStatus::WriteProtected, "old", 0444},  // also for root
        {Before::Mode0640, "data", false, AtomicWriteStatus::Ok, "new", 0640},
        {Before::LinkToData, "link", false, AtomicWriteStatus::Ok, "new", 0},
        {Before::StaleTemp, "data", false, AtomicWriteStatus::Ok, "new", 0},
        {Before::PlantedTempLink, "data", false, AtomicWriteStatus::Ok, "new", 0},
        {Before::DeadTemp, "data", false, AtomicWriteStatus::Ok, "new", 0},
        {Before::DeadTempLink, "data", false, AtomicWriteStatus::Ok, "new", 0},
        {Before::Plain, "data", true, AtomicWriteStatus::WriteFailed, "old", 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(int(r.before));
        TempDir dir;
        ASSERT_TRUE(WriteFileBytes(dir.file("data"), "old") && WriteFileBytes(dir.file("victim"), "v"));
        // The fixed name of earlier versions, or one of a writer that died.
        const bool newStyle = r.before == Before::DeadTemp || r.before == Before::DeadTempLink;
        const std::string stale = dir.file(newStyle ? "data.tmp-dEAd01" : "data.tmp");
        if (r.before == Before::ReadOnly || r.before == Before::Mode0640)
            ::chmod(dir.file("data").c_str(), r.modeAfter);
        if (r.before == Before::LinkToData) fs::create_symlink("data", dir.file("link"));
        const bool staleFile = r.before == Before::StaleTemp || r.before == Before::DeadTemp;
        ASSERT_TRUE(!staleFile || (WriteFileBytes(stale, "half") && !::chmod(stale.c_str(), 0444)));
        if (r.before == Before::PlantedTempLink || r.before == Before::DeadTempLink)
            fs::create_symlink("victim", stale);
        auto expected = Listing(dir);
        expected.erase(fs::path(stale).filename());
        std::set<std::string> during;
        SetAtomicWriteFaultHook([&](const std::string&) {
            during = Listing(dir);
            return r.fault;
        });
        const AtomicWriteResult res = WriteFileAtomically(dir.file(r.written), std::string("new"));
        SetAtomicWriteFaultHook(nullptr);
        EXPECT_EQ(res.status, r.expected);
        EXPECT_EQ(res.ok(), res.Reason().empty());
        EXPECT_EQ(ReadFileBytes(dir.file("data")), r.dataAfter);
        EXPECT_EQ(ReadFileBytes(dir.file("victim")), "v");
        EXPECT_EQ(Listing(dir), expected);  // links stay links, no temporary is left
        // While it is written: the stale one gone, one temporary of its own.
        std::set<std::string> temps;
        for (const std::string& name : during)
            if (!expected.count(name)) temps.insert(name);
        if (r.expected != AtomicWriteStatus::WriteProtected) {
            ASSERT_EQ(temps.size(), 1u);
            EXPECT_TRUE(IsTempName(*temps.begin())) << *temps.begin();
        }
        struct stat st {};
        EXPECT_TRUE(!r.modeAfter ||
                    (!::stat(dir.file("data").c_str(), &st) && (st.st_mode & 07777) == r.modeAfter))
            << std::oct << st.st_mode;
    }
}

// Two copies ending together write the same file at once. Whatever the
// interleaving, the file holds one writer's whole content, and that writer
// said it succeeded; no temporary is left over.
TEST(AtomicFile, TwoWritersAtOnceEachReportSuccessOnlyForContentThatLanded) {
    TempDir dir;
    const std::string target = dir.file("data");
    const std::size_t kBytes = 256 << 10;
    int mixed = 0, lostButOk = 0;
    for (int round = 0; round < 300; ++round) {
        const std::string content[2] = {std::string(kBytes, char('a' + round % 26)),
                                        std::string(kBytes, char('A' + round % 26))};
        bool ok[2] = {false, false};
        std::latch start(2);
        auto writer = [&](int k) {
            start.arrive_and_wait();
            ok[k] = WriteFileAtomically(target, content[k]).ok();
        };
        std::thread t0(writer, 0), t1(writer, 1);
        t0.join();
        t1.join();
        const std::string onDisk = ReadFileBytes(target);
        const int landed = onDisk == content[0] ? 0 : onDisk == content[1] ? 1 : -1;
        mixed += landed < 0;
        lostButOk += landed >= 0 && !ok[landed];
    }
    EXPECT_EQ(mixed, 0) << "rounds with neither content whole";
    EXPECT_EQ(lostButOk, 0) << "rounds whose content on disk was reported as failed";
    EXPECT_EQ(Listing(dir), std::set<std::string>{"data"});
}

// A writer killed mid-write leaves its temporary; the next write of that file
// removes it, but never the temporary of a writer still at work, nor those
// of other files.
TEST(AtomicFile, NextWriteRemovesTemporariesOfKilledWritersOnly) {
    TempDir dir;
    const std::string target = dir.file("data");
    ASSERT_TRUE(WriteFileBytes(target, "old"));
    ASSERT_TRUE(WriteFileBytes(dir.file("other.tmp-abc123"), "x"));
    ASSERT_TRUE(WriteFileBytes(dir.file("data.tmp-toolong7"), "x"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CAtomicFile killed(target);
        killed.Write("half", 4);
        ::raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    std::set<std::string> left;
    for (const std::string& name : Listing(dir))
        if (IsTempName(name)) left.insert(name);
    ASSERT_EQ(left.size(), 1u) << "the killed writer's temporary";

    CAtomicFile live(target);
    ASSERT_TRUE(live.IsOpen());
    ASSERT_TRUE(live.Write("live", 4));
    ASSERT_TRUE(WriteFileAtomically(target, std::string("new")).ok());
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_FALSE(FileExists(dir.dir() + *left.begin()));
    EXPECT_TRUE(FileExists(live.TempPath()));
    ASSERT_TRUE(live.Commit().ok());
    EXPECT_EQ(ReadFileBytes(target), "live");
    EXPECT_EQ(Listing(dir), (std::set<std::string>{"data", "data.tmp-toolong7", "other.tmp-abc123"}));
}
