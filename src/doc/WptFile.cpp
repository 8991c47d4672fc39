#include "doc/WptFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {
std::function<bool(const std::string&)> g_WriteFault;

bool WriteAll(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= std::size_t(w);
    }
    return true;
}
}  // namespace

void SetWriteFaultHook(std::function<bool(const std::string&)> hook) { g_WriteFault = std::move(hook); }

WptWriteResult WriteWholeFile(const std::string& path, const void* data, std::size_t bytes) {
    const std::string tmp = path + ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return WptWriteResult::CannotCreate;
    bool ok = !(g_WriteFault && g_WriteFault(path));
    ok = ok && WriteAll(fd, static_cast<const char*>(data), bytes);
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return WptWriteResult::WriteFailed;
    }
    return WptWriteResult::Ok;
}

WptRemoveResult RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0) return WptRemoveResult::Removed;
    return errno == ENOENT ? WptRemoveResult::Missing : WptRemoveResult::Failed;
}

std::string FindFileNoCase(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 || errno != ENOENT) return path;
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR* d = ::opendir(dir.c_str());
    if (!d) return path;
    std::string found = path;
    while (dirent* e = ::readdir(d)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0) {
            found = (slash == std::string::npos ? std::string() : dir) + e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}
