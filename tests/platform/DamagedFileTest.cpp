// Keeping a copy of a damaged file's bytes beside it before it is rewritten.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "TestUtil.h"
#include "platform/DamagedFile.h"
#include "platform/Prompt.h"

namespace fs = std::filesystem;

TEST(DamagedFile, NoKeptDamagedCopyIsEverReplacedAndAnEqualOneIsNotMadeAgain) {
    // Copies already there (name, content); a content of "/" makes a folder.
    const struct {
        std::vector<std::pair<std::string, std::string>> before;
        const char* expected;  // the copy that holds the damaged bytes afterwards
    } rows[] = {
        {{}, "data.damaged"},
        {{{"data.damaged", "cut"}}, "data.damaged"},
        {{{"data.damaged", "other"}}, "data.damaged.1"},
        {{{"data.damaged", "cu"}}, "data.damaged.1"},  // a shorter prefix is no copy
        {{{"data.damaged", "other"}, {"data.damaged.1", "cut"}}, "data.damaged.1"},
        {{{"data.damaged", "other"}, {"data.damaged.1", "more"}}, "data.damaged.2"},
        {{{"data.damaged", "/"}}, "data.damaged.1"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.expected);
        TempDir dir;
        ASSERT_TRUE(WriteFileBytes(dir.file("data"), "cut"));
        for (const auto& [name, content] : r.before) {
            if (content == "/")
                fs::create_directory(dir.file(name));
            else
                ASSERT_TRUE(WriteFileBytes(dir.file(name), content));
        }
        const DamagedCopy copy = KeepDamagedCopy(dir.file("data"));
        ASSERT_TRUE(copy.ok());
        EXPECT_EQ(copy.path, dir.file(r.expected));
        EXPECT_EQ(ReadFileBytes(copy.path), "cut");
        for (const auto& [name, content] : r.before)
            if (content != "/") {
                EXPECT_EQ(ReadFileBytes(dir.file(name)), content) << name;
            }
        auto expected = std::set<std::string>{r.expected};
        for (const auto& entry : r.before) expected.insert(entry.first);
        EXPECT_EQ(DamagedCopies(dir.file("data")), expected);
    }
}

TEST(DamagedFile, TheMessageNamesTheFileWhatWasKeptAndWhereItsCopyIs) {
    TempDir dir;
    CScriptedPrompter prompter;
    ASSERT_TRUE(WriteFileBytes(dir.file("TrackLog.dat"), std::string(25, 'x')));
    fs::permissions(dir.file("TrackLog.dat"), fs::perms::owner_read | fs::perms::owner_write);
    ReportDamagedFile(dir.file("TrackLog.dat"), KeptOf(1, 2, "point"));
    EXPECT_EQ(prompter.texts, std::vector<std::string>{"The file " + dir.file("TrackLog.dat") +
                                                       " is damaged: kept 1 of its 2 points; the damaged "
                                                       "original is kept as " +
                                                       dir.file("TrackLog.dat.damaged")});
    EXPECT_EQ(fs::status(dir.file("TrackLog.dat.damaged")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(KeptOf(0, 1, "line"), "kept 0 of its 1 line");

    // A copy that cannot be made is said, with the reason.
    prompter.texts.clear();
    ASSERT_TRUE(WriteFileBytes(dir.file("other.dat"), "y"));
    SetAtomicWriteFaultHook([](const std::string&) { return true; });
    const DamagedCopy failed = ReportDamagedFile(dir.file("other.dat"), "kept nothing");
    SetAtomicWriteFaultHook(nullptr);
    EXPECT_FALSE(failed.ok());
    ASSERT_EQ(prompter.texts.size(), 1u);
    EXPECT_EQ(
        prompter.texts[0].rfind("The file " + dir.file("other.dat") +
                                    " is damaged: kept nothing; the damaged original could not be kept as " +
                                    dir.file("other.dat.damaged") + ": ",
                                0),
        0u);
    EXPECT_FALSE(FileExists(dir.file("other.dat.damaged")));
}
