#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
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

constexpr char kTempMark[] = ".tmp-";
constexpr std::size_t kSuffixLength = 6;
constexpr char kSuffixChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// Names only need to differ between writers at the same moment; a clash is
// caught by O_EXCL and tried again.
std::string RandomSuffix() {
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t z = std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      (std::uint64_t(::getpid()) << 40) ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    std::string s;
    for (std::size_t i = 0; i < kSuffixLength; ++i, z /= sizeof kSuffixChars - 1)
        s += kSuffixChars[z % (sizeof kSuffixChars - 1)];
    return s;
}

bool IsTempOf(const std::string& entry, const std::string& base) {
    const std::string prefix = base + kTempMark;
    if (entry.size() != prefix.size() + kSuffixLength || entry.compare(0, prefix.size(), prefix) != 0)
        return false;
    return entry.find_first_not_of(kSuffixChars, prefix.size()) == std::string::npos;
}

bool SameFile(int fd, const std::string& path) {
    struct stat a, b;
    return ::fstat(fd, &a) == 0 && ::lstat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

// A writer holds its temporary locked from just after making it until it is
// renamed or removed, and the system drops the lock when a writer dies. So a
// temporary that can be locked belongs to nobody. (Age or the writer's pid
// would not do: a large file on a slow disk is written for minutes, and pids
// are reused and mean nothing across machines sharing a folder.) A file that
// can not be opened or locked at all is left alone.
void RemoveIfUnheld(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP) ::unlink(path.c_str());  // a link is never a writer's
        return;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0 && (!S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) == 0) &&
        SameFile(fd, path))
        ::unlink(path.c_str());
    ::close(fd);
}

void RemoveStaleTemps(const std::string& final) {
    const std::size_t slash = final.rfind('/');
    const std::string base = slash == std::string::npos ? final : final.substr(slash + 1);
    const std::string folder = FolderOf(final);
    DIR* d = ::opendir(folder.c_str());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        const std::string path = folder + "/" + name;
        // The one fixed name earlier versions used: its writer never locked it.
        if (name == base + ".tmp")
            ::unlink(path.c_str());
        else if (IsTempOf(name, base))
            RemoveIfUnheld(path);
    }
    ::closedir(d);
}

void SyncFolder(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // best effort: the rename itself has happened
    ::close(fd);
}

}  // namespace

std::string AtomicWriteResult::Reason() const { return error ? std::strerror(error) : std::string(); }

CAtomicFile::CAtomicFile(const std::string& target) : m_Final(ResolveLinks(target)) {
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
    RemoveStaleTemps(m_Final);
    // A new file gets 0666 less the umask, as any file the user's programs make.
    for (int attempt = 0; attempt < 100 && m_Fd < 0; ++attempt) {
        const std::string temp = m_Final + kTempMark + RandomSuffix();
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                              existing ? 0600 : 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            m_Result = {AtomicWriteStatus::CannotCreate, errno};
            return;
        }
        // Another writer's clean-up may have taken the name before the lock
        // was held; then a new name is made. Where the file system has no
        // locks the write goes on unlocked.
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        if (SameFile(fd, temp)) {
            m_Fd = fd;
            m_Temp = temp;
        } else {
            ::close(fd);
        }
    }
    if (m_Fd < 0) {
        m_Result = {AtomicWriteStatus::CannotCreate, EEXIST};
        return;
    }
    if (existing) ::fchmod(m_Fd, mode);  // best effort: some file systems keep no modes
    if (g_Fault && g_Fault(target)) m_Result = {AtomicWriteStatus::WriteFailed, ENOSPC};
}

CAtomicFile::~CAtomicFile() { Abort(); }

void CAtomicFile::Abort() {
    if (m_Fd < 0) return;
    // Removed while still locked: the name can not be anybody else's yet.
    ::unlink(m_Temp.c_str());
    ::close(m_Fd);
    m_Fd = -1;
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
    // The temporary stays open, and so locked, until it has its final name.
    if (m_Result.ok() && std::rename(m_Temp.c_str(), m_Final.c_str()) != 0)
        m_Result = {AtomicWriteStatus::WriteFailed, errno};
    if (!m_Result.ok()) {
        Abort();
        return m_Result;
    }
    // The bytes were synced before the rename: they are in place whatever
    // close says.
    ::close(m_Fd);
    m_Fd = -1;
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
