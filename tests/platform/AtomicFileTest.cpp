#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "platform/AtomicFile.h"

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

Names Listing(const TempDir& dir) {
    Names names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

unsigned ModeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

struct Row {
    const char* what;
    std::function<void(const TempDir&)> setup;  // "data" holds "old" before every row
    const char* written;                        // the name handed to the writer
    bool fault;                                 // a full disk after the temporary was made
    AtomicWriteStatus expected;
    const char* dataAfter;
    Names folderAfter;
    Names folderDuringWrite;  // checked when not empty
    unsigned modeAfter = 0;   // checked when not 0
};

}  // namespace

TEST(AtomicFile, ReplacesWholeFilesAndRespectsWhatIsThere) {
    const Row rows[] = {
        {"write-protected target is kept, also for root",
         [](const TempDir& d) { ::chmod(d.file("data").c_str(), 0444); },
         "data",
         false,
         AtomicWriteStatus::WriteProtected,
         "old",
         {"data"},
         {}},
        {"a link is written through and stays a link",
         [](const TempDir& d) { fs::create_symlink("data", d.file("link")); },
         "link",
         false,
         AtomicWriteStatus::Ok,
         "new",
         {"data", "link"},
         {"data", "data.tmp", "link"}},
        {"the mode stays",
         [](const TempDir& d) { ::chmod(d.file("data").c_str(), 0640); },
         "data",
         false,
         AtomicWriteStatus::Ok,
         "new",
         {"data"},
         {},
         0640},
        {"a crash's temporary is reused",
         [](const TempDir& d) {
             WriteFileBytes(d.file("data.tmp"), "half");
             ::chmod(d.file("data.tmp").c_str(), 0444);
         },
         "data",
         false,
         AtomicWriteStatus::Ok,
         "new",
         {"data"},
         {"data", "data.tmp"}},
        {"a link in the temporary's place is not followed",
         [](const TempDir& d) {
             WriteFileBytes(d.file("victim"), "v");
             fs::create_symlink("victim", d.file("data.tmp"));
         },
         "data",
         false,
         AtomicWriteStatus::Ok,
         "new",
         {"data", "victim"},
         {}},
        {"a failed write keeps the old file and leaves no temporary",
         nullptr,
         "data",
         true,
         AtomicWriteStatus::WriteFailed,
         "old",
         {"data"},
         {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TempDir dir;
        ASSERT_TRUE(WriteFileBytes(dir.file("data"), "old"));
        if (r.setup) r.setup(dir);
        Names during;
        SetAtomicWriteFaultHook([&](const std::string&) {
            during = Listing(dir);
            return r.fault;
        });
        const AtomicWriteResult res = WriteFileAtomically(dir.file(r.written), std::string("new"));
        SetAtomicWriteFaultHook(nullptr);
        EXPECT_EQ(res.status, r.expected);
        EXPECT_EQ(res.ok(), res.Reason().empty());
        EXPECT_EQ(ReadFileBytes(dir.file("data")), r.dataAfter);
        EXPECT_EQ(Listing(dir), r.folderAfter);
        if (!r.folderDuringWrite.empty()) {
            EXPECT_EQ(during, r.folderDuringWrite);
        }
        if (fs::exists(dir.file("victim"))) {
            EXPECT_EQ(ReadFileBytes(dir.file("victim")), "v");
        }
        if (r.modeAfter) {
            EXPECT_EQ(ModeOf(dir.file("data")), r.modeAfter);
        }
    }
}

TEST(AtomicFile, RemovingAMissingFileIsNotAFailure) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.file("data"), "x"));
    EXPECT_EQ(RemoveFileIfPresent(dir.file("data")), RemoveStatus::Removed);
    EXPECT_EQ(RemoveFileIfPresent(dir.file("data")), RemoveStatus::Missing);
    EXPECT_EQ(RemoveFileIfPresent(dir.file("none/data")), RemoveStatus::Missing);
}
