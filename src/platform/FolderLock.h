#pragma once
// Keeps a second copy of the program off the folders this one writes.
//
// Each folder holds a lock file, "vornamap.lock", locked with flock() for
// as long as the process runs. The system drops the lock when the process
// ends in any way, so a killed copy never blocks the next start, and the
// file itself is left in place (removing it would let a third copy lock a new
// file while the old one is still held). flock rather than fcntl: a POSIX
// record lock belongs to the process and goes the moment any descriptor of the
// file is closed anywhere in it, and it never refuses the same process, so two
// copies could not even be told apart in one test; on Linux NFS flock is
// carried over as a whole-file record lock, so it still holds across machines.

#include <sys/types.h>

#include <string>
#include <vector>

inline constexpr const char* kFolderLockName = "vornamap.lock";

enum class FolderLockStatus {
    Taken,   // this process holds the folder (also when it already did)
    Busy,    // another process holds it
    NoLock,  // no lock file can be made or locked there (a read-only folder)
};

class CFolderLocks {
public:
    CFolderLocks() = default;
    ~CFolderLocks() { Release(); }
    void Release();  // every lock
    CFolderLocks(const CFolderLocks&) = delete;
    CFolderLocks& operator=(const CFolderLocks&) = delete;

    // Locks folder (with or without a trailing '/'). The same folder under
    // another spelling (a link, "a/./b") is the same lock.
    FolderLockStatus Lock(const std::string& folder);

private:
    struct Held {
        dev_t dev;
        ino_t ino;
        int fd;
    };
    std::vector<Held> m_Held;
};
