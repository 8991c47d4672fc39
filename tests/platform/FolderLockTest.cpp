// The lock that keeps a second copy of the program off a folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "TestUtil.h"
#include "platform/FolderLock.h"

namespace {

// Another process holding dir's lock until it is killed.
struct OtherCopy {
    explicit OtherCopy(const std::string& dir) {
        int ready[2];
        if (::pipe(ready) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            CFolderLocks locks;
            const char answer = locks.Lock(dir) == FolderLockStatus::Taken ? 'y' : 'n';
            [[maybe_unused]] ssize_t n = ::write(ready[1], &answer, 1);
            for (;;) ::pause();
        }
        char answer = 0;
        took = pid > 0 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~OtherCopy() { Kill(); }
    void Kill() {
        if (pid <= 0) return;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
    pid_t pid = -1;
    bool took = false;
};

}  // namespace

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
