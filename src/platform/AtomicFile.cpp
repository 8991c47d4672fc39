#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

std::function<bool(const std::string&)> g_Fault;

// Follows a chain of symbolic links to the file they name (which need not
// exist yet). A loop or a chain too long ends at the last link read.
std::string ResolveLinks(const std::string& path) {
    std::string p = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(p.c_str(), buf, sizeof buf - 1);
        if (n <= 0) return p;
        std::string link(buf, std::size_t(n));
        if (link[0] != '/') {
            const std::size_t slash = p.rfind('/');
            if (slash != std::string::npos) link = p.substr(0, slash + 1) + link;
        }
        p = link;
    }
    return p;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void SyncFolder(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // best effort: the rename itself has happened
    ::close(fd);
}

}  // namespace

std::string AtomicWriteResult::Reason() const { return error ? std::strerror(error) : std::string(); }

std::string AtomicTempPath(const std::string& target) { return ResolveLinks(target) + ".tmp"; }

CAtomicFile::CAtomicFile(const std::string& target)
    : m_Final(ResolveLinks(target)), m_Temp(m_Final + ".tmp") {
    bool existing = false;
    mode_t mode = 0;
    struct stat st;
    if (::stat(m_Final.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        // No write bit at all is how a data set marks a file read-only;
        // root passes access() but must respect it as well.
        if ((st.st_mode & 0222) == 0 || ::access(m_Final.c_str(), W_OK) != 0) {
            m_Result = {AtomicWriteStatus::WriteProtected, EACCES};
            return;
        }
        existing = true;
        mode = st.st_mode & 07777;
    }
    // A temporary left by a crash may be read-only or a link planted in its
    // place: it goes, and the name is made afresh, never followed.
    ::unlink(m_Temp.c_str());
    // A new file gets 0666 less the umask, as any file the user's programs make.
    m_Fd =
        ::open(m_Temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, existing ? 0600 : 0666);
    if (m_Fd < 0) {
        m_Result = {AtomicWriteStatus::CannotCreate, errno};
        return;
    }
    if (existing) ::fchmod(m_Fd, mode);  // best effort: some file systems keep no modes
    if (g_Fault && g_Fault(target)) m_Result = {AtomicWriteStatus::WriteFailed, ENOSPC};
}

CAtomicFile::~CAtomicFile() { Abort(); }

void CAtomicFile::Abort() {
    if (m_Fd < 0) return;
    ::close(m_Fd);
    m_Fd = -1;
    ::unlink(m_Temp.c_str());
}

bool CAtomicFile::Write(const void* data, std::size_t bytes) {
    if (m_Fd < 0 || !m_Result.ok()) return false;
    const char* p = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t w = ::write(m_Fd, p, bytes);
        if (w < 0) {
            if (errno == EINTR) continue;
            m_Result = {AtomicWriteStatus::WriteFailed, errno};
            return false;
        }
        p += w;
        bytes -= std::size_t(w);
    }
    return true;
}

AtomicWriteResult CAtomicFile::Commit() {
    if (m_Fd < 0) return m_Result;
    if (m_Result.ok() && ::fsync(m_Fd) != 0) m_Result = {AtomicWriteStatus::WriteFailed, errno};
    const int fd = m_Fd;
    m_Fd = -1;
    if (::close(fd) != 0 && m_Result.ok()) m_Result = {AtomicWriteStatus::WriteFailed, errno};
    if (m_Result.ok() && std::rename(m_Temp.c_str(), m_Final.c_str()) != 0)
        m_Result = {AtomicWriteStatus::WriteFailed, errno};
    if (!m_Result.ok()) {
        ::unlink(m_Temp.c_str());
        return m_Result;
    }
    SyncFolder(m_Final);
    return m_Result;
}

AtomicWriteResult WriteFileAtomically(const std::string& path, const void* data, std::size_t bytes) {
    CAtomicFile f(path);
    if (!f.IsOpen()) return f.Result();
    f.Write(data, bytes);
    return f.Commit();
}

RemoveStatus RemoveFileIfPresent(const std::string& path) {
    if (::unlink(path.c_str()) == 0) return RemoveStatus::Removed;
    if (errno == ENOENT) return RemoveStatus::Missing;
    // A read-only file system answers EROFS even for a name that is not there.
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) return RemoveStatus::Missing;
    return RemoveStatus::Failed;
}

void SetAtomicWriteFaultHook(std::function<bool(const std::string&)> hook) { g_Fault = std::move(hook); }
