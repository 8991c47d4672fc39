#include "platform/StartDirectory.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

bool Set(const char* v) { return v && *v; }

std::string WithSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

}  // namespace

std::string ChooseStartDirectory(const char* dataDir, const char* xdgDataHome, const char* home,
                                 const std::string& cwd) {
    if (Set(dataDir)) return WithSlash(dataDir[0] == '/' ? std::string(dataDir) : WithSlash(cwd) + dataDir);
    if (Set(xdgDataHome) && xdgDataHome[0] == '/') return WithSlash(xdgDataHome) + "vornamap/";
    return WithSlash(Set(home) ? home : "/") + ".local/share/vornamap/";
}

std::string UserStartDirectory() {
    const char* home = std::getenv("HOME");
    std::string account;
    if (!Set(home)) {
        struct passwd pw {};
        struct passwd* found = nullptr;
        char buf[4096];
        if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found && Set(found->pw_dir))
            account = found->pw_dir;
        home = account.c_str();
    }
    char cwd[4096];
    return ChooseStartDirectory(std::getenv(kDataDirVariable), std::getenv("XDG_DATA_HOME"), home,
                                getcwd(cwd, sizeof cwd) ? cwd : "/");
}

bool MakeStartDirectory(const std::string& dir, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!ec && std::filesystem::is_directory(dir, ec)) return true;
    error = ec ? ec.message() : "a file of that name is in the way";
    return false;
}
