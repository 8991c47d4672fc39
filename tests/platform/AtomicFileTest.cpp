#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>

#include "TestUtil.h"
#include "platform/AtomicFile.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> Listing(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.insert(e.path().filename().string());
    return names;
}

enum class Before { Plain, ReadOnly, Mode0640, LinkToData, StaleTemp, PlantedTempLink };

}  // namespace

TEST(AtomicFile, ReplacesWholeFilesThroughOneTemporaryAndRespectsWhatIsThere) {
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
        {Before::Plain, "data", true, AtomicWriteStatus::WriteFailed, "old", 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(int(r.before));
        TempDir dir;
        ASSERT_TRUE(WriteFileBytes(dir.file("data"), "old") && WriteFileBytes(dir.file("victim"), "v"));
        const std::string temp = AtomicTempPath(dir.file("data"));
        if (r.before == Before::ReadOnly || r.before == Before::Mode0640)
            ::chmod(dir.file("data").c_str(), r.modeAfter);
        if (r.before == Before::LinkToData) fs::create_symlink("data", dir.file("link"));
        ASSERT_TRUE(r.before != Before::StaleTemp ||
                    (WriteFileBytes(temp, "half") && !::chmod(temp.c_str(), 0444)));
        if (r.before == Before::PlantedTempLink) fs::create_symlink("victim", temp);
        auto expected = Listing(dir);
        expected.erase(fs::path(temp).filename());
        auto during = expected;
        SetAtomicWriteFaultHook([&](const std::string&) {
            during = Listing(dir);
            during.erase(fs::path(temp).filename());
            return r.fault;
        });
        const AtomicWriteResult res = WriteFileAtomically(dir.file(r.written), std::string("new"));
        SetAtomicWriteFaultHook(nullptr);
        EXPECT_EQ(res.status, r.expected);
        EXPECT_EQ(res.ok(), res.Reason().empty());
        EXPECT_EQ(ReadFileBytes(dir.file("data")), r.dataAfter);
        EXPECT_EQ(ReadFileBytes(dir.file("victim")), "v");
        EXPECT_EQ(Listing(dir), expected);  // links stay links, no temporary is left
        EXPECT_EQ(during, expected) << "a second temporary name";
        struct stat st {};
        EXPECT_TRUE(!r.modeAfter ||
                    (!::stat(dir.file("data").c_str(), &st) && (st.st_mode & 07777) == r.modeAfter))
            << std::oct << st.st_mode;
    }
}
