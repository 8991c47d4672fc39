#include "platform/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

void CFolderLocks::Release() {
    for (const Held& h : m_Held) ::close(h.fd);
    m_Held.clear();
}

FolderLockStatus CFolderLocks::Lock(const std::string& folder) {
    std::string path = folder.empty() ? "./" : folder;
    if (path.back() != '/') path += '/';
    path += kFolderLockName;
    // O_CLOEXEC: a program started from here must not keep the folder.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);  // a read-only folder
    if (fd < 0) return FolderLockStatus::NoLock;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return FolderLockStatus::NoLock;
    }
    // A second lock of our own file through another descriptor would refuse us.
    for (const Held& h : m_Held)
        if (h.dev == st.st_dev && h.ino == st.st_ino) {
            ::close(fd);
            return FolderLockStatus::Taken;
        }
    int rc;
    while ((rc = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy ? FolderLockStatus::Busy : FolderLockStatus::NoLock;
    }
    m_Held.push_back({st.st_dev, st.st_ino, fd});
    return FolderLockStatus::Taken;
}
