#include <gtest/gtest.h>

#include <filesystem>

#include "TestUtil.h"
#include "platform/StartDirectory.h"

// The start directory is the override, else the desktop's data folder, else
// the one under home; never the current folder (which only anchors a
// relative override).
TEST(StartDirectory, ChosenFromOverrideThenXdgDataHomeThenHome) {
    struct Row {
        const char *dataDir, *xdg, *home, *expected;
    } rows[] = {
        {"/srv/sample", "/x/data", "/home/u", "/srv/sample/"},
        {"/srv/sample/", nullptr, nullptr, "/srv/sample/"},
        {"sample", "/x/data", "/home/u", "/work/here/sample/"},
        {"", "/x/data/", "/home/u", "/x/data/vornamap/"},
        {nullptr, "/x/data", "/home/u", "/x/data/vornamap/"},
        {nullptr, "relative/data", "/home/u", "/home/u/.local/share/vornamap/"},
        {nullptr, "", "/home/u/", "/home/u/.local/share/vornamap/"},
        {nullptr, nullptr, nullptr, "/.local/share/vornamap/"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ChooseStartDirectory(r.dataDir, r.xdg, r.home, "/work/here"), r.expected)
            << (r.dataDir ? r.dataDir : "-") << " " << (r.xdg ? r.xdg : "-");
}

TEST(StartDirectory, MadeWithItsParentsOrTheReasonGiven) {
    TempDir dir;
    std::string why;
    EXPECT_TRUE(MakeStartDirectory(dir.file("a/b/vornamap/"), why));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("a/b/vornamap")));
    EXPECT_TRUE(MakeStartDirectory(dir.file("a/b/vornamap/"), why));  // already there
    ASSERT_TRUE(WriteFileBytes(dir.file("file"), "x"));
    EXPECT_FALSE(MakeStartDirectory(dir.file("file/vornamap/"), why));
    EXPECT_FALSE(why.empty());
}
