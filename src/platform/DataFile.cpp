#include "platform/DataFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <unordered_map>

#include "platform/Text.h"

namespace {

// Names of one folder by their lower-case form. A missing segment is looked
// for again on every repaint, so the folder is listed once and listed again
// only when it changes.
struct FolderListing {
    dev_t dev = 0;
    ino_t ino = 0;
    timespec mtime = {};
    std::unordered_map<std::string, std::string> byLowerName;  // first match wins
};

bool SameVersion(const FolderListing& l, const struct stat& st) {
    return l.dev == st.st_dev && l.ino == st.st_ino && l.mtime.tv_sec == st.st_mtim.tv_sec &&
           l.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

// The actual name of name in dir in any letter case; empty when none.
std::string FindInFolder(const std::string& dir, const std::string& name) {
    static std::mutex mutex;
    static std::unordered_map<std::string, FolderListing> listings;
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::string();
    const std::string key = ToLowerAscii(name);
    std::lock_guard<std::mutex> lock(mutex);
    auto it = listings.find(dir);
    if (it != listings.end() && SameVersion(it->second, st)) {
        const auto hit = it->second.byLowerName.find(key);
        return hit == it->second.byLowerName.end() ? std::string() : hit->second;
    }
    FolderListing l;
    l.dev = st.st_dev;
    l.ino = st.st_ino;
    l.mtime = st.st_mtim;
    DIR* d = opendir(dir.c_str());
    if (!d) return std::string();
    while (dirent* e = readdir(d)) l.byLowerName.emplace(ToLowerAscii(e->d_name), e->d_name);
    closedir(d);
    const auto hit = l.byLowerName.find(key);
    std::string found = hit == l.byLowerName.end() ? std::string() : hit->second;
    // A folder changed within the last seconds may change again within one
    // tick of its time stamp, unseen: such a listing is not kept.
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec - st.st_mtim.tv_sec > 2) {
        if (listings.size() >= 32) listings.clear();  // folders of earlier settings
        listings[dir] = std::move(l);
    } else if (it != listings.end()) {
        listings.erase(it);
    }
    return found;
}

}  // namespace

namespace {
// The other-case name of a missing path; empty when there is none.
std::string OtherCaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "./" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string found = FindInFolder(dir, name);
    if (found.empty()) return found;
    return (slash == std::string::npos ? std::string() : dir) + found;
}
}  // namespace

std::FILE* OpenDataFile(const std::string& path, const char* mode) {
    std::FILE* f = std::fopen(path.c_str(), mode);
    if (f || errno != ENOENT) return f;
    const std::string other = OtherCaseName(path);
    return other.empty() ? nullptr : std::fopen(other.c_str(), mode);
}

std::string FindDataFile(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 || errno != ENOENT) return path;
    const std::string other = OtherCaseName(path);
    return other.empty() ? path : other;
}

long long FileLength(std::FILE* f) {
    struct stat st;
    if (!f || ::fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return (long long)st.st_size;
}

LoadStatus ReadWholeFile(const std::string& path, std::string& text, int& error) {
    text.clear();
    error = 0;
    // Non-blocking, so a FIFO in the file's place cannot hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = errno;
        return error == ENOENT ? LoadStatus::Missing : LoadStatus::Unreadable;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    if (error) {
        ::close(fd);
        return LoadStatus::Unreadable;
    }
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            ::close(fd);
            text.clear();
            return LoadStatus::Unreadable;
        }
        text.append(buf, std::size_t(n));
    }
    ::close(fd);
    return LoadStatus::Loaded;
}
