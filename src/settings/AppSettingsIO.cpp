#include "settings/AppSettingsIO.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "platform/DataFile.h"

namespace {
std::function<bool(const std::string&)> g_ReadFault;
}

std::string DefaultVorneDir(const std::string& sub) {
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    while (!home.empty() && home.back() == '/') home.pop_back();
    return home + "/vorne/" + sub;
}

std::string NormalizePath(const std::string& path, bool trailing) {
    std::string r;
    r.reserve(path.size() + 1);
    for (char c : path)
        if (!(c == '/' && !r.empty() && r.back() == '/')) r += c;
    if (trailing) {
        if (r.empty() || r.back() != '/') r += '/';
    } else if (!r.empty() && r.back() == '/') {
        r.pop_back();
    }
    return r;
}

std::string WithTrailingSlash(const std::string& dir) {
    if (dir.empty() || dir.back() == '/') return dir;
    return dir + '/';
}

std::string FormatFixed(double v, int decimals) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

std::string FormatScientific(double v, int decimals) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, decimals);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

std::string StoredFileCheck::Reason() const { return error ? std::strerror(error) : std::string(); }

StoredFileCheck CheckStoredFile(const std::string& path) {
    std::string text;
    int error = 0;
    switch (ReadWholeFile(path, text, error)) {
        case LoadStatus::Missing:
            return {StoredFileState::Missing, 0};
        case LoadStatus::Unreadable:
            return {StoredFileState::Unreadable, error};
        case LoadStatus::Loaded:
            break;
    }
    if (g_ReadFault && g_ReadFault(path)) return {StoredFileState::Unreadable, EIO};
    return {StoredFileState::Readable, 0};
}

void SetStoredFileReadFaultHook(std::function<bool(const std::string& path)> hook) {
    g_ReadFault = std::move(hook);
}

std::string SaveErrorText(const std::string& what, const std::string& path, const AtomicWriteResult& r) {
    const std::string reason = r.Reason();
    return what + " " + path + (reason.empty() ? "" : ": " + reason);
}
