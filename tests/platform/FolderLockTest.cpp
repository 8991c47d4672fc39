// The lock that keeps a second copy of the program off a folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "TestUtil.h"
#include "platform/FolderLock.h"

TEST(FolderLock, AnotherProcessIsRefusedUntilItIsKilledAndOwnSpellingsShareOneLock) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("wpt"));
    std::filesystem::create_directory_symlink("wpt", dir.file("link"));
    OtherCopy other(dir.file("wpt"));
    ASSERT_TRUE(other.took);
    {
        CFolderLocks mine;
        EXPECT_EQ(mine.Lock(dir.file("wpt")), FolderLockStatus::Busy);
        EXPECT_EQ(mine.Lock(dir.file("link/")), FolderLockStatus::Busy);
        EXPECT_EQ(mine.Lock(dir.path()), FolderLockStatus::Taken);  // another folder is free
    }
    other.Kill();  // a killed copy blocks nobody
    CFolderLocks mine;
    EXPECT_EQ(mine.Lock(dir.file("wpt")), FolderLockStatus::Taken);
    EXPECT_EQ(mine.Lock(dir.file("link/")), FolderLockStatus::Taken);
    EXPECT_EQ(mine.Lock(dir.file("wpt/./")), FolderLockStatus::Taken);
    EXPECT_TRUE(FileExists(dir.file("wpt/vornamap.lock")));
    // A second set of locks in this process stands for another copy, too.
    auto second = std::make_unique<CFolderLocks>();
    EXPECT_EQ(second->Lock(dir.file("wpt")), FolderLockStatus::Busy);
    EXPECT_EQ(OtherCopy(dir.file("link")).took, false);
    EXPECT_EQ(mine.Lock(dir.file("missing/")), FolderLockStatus::NoLock);
}
