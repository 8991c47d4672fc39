#include "platform/DamagedFile.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/DataFile.h"
#include "platform/Prompt.h"

namespace {

// Enough for every damage a user could meet; a folder full of copies beyond
// it gets no more rather than a search without end.
constexpr int kMaxCopies = 1000;

bool SameBytes(const std::string& path, const std::string& bytes) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        (unsigned long long)st.st_size != bytes.size())
        return false;
    std::string other;
    int error = 0;
    return ReadWholeFile(path, other, error) == LoadStatus::Loaded && other == bytes;
}

}  // namespace

DamagedCopy KeepDamagedCopy(const std::string& file) {
    DamagedCopy copy;
    std::string bytes;
    int error = 0;
    if (ReadWholeFile(file, bytes, error) != LoadStatus::Loaded) {
        copy.result = {AtomicWriteStatus::CannotCreate, error ? error : ENOENT};
        return copy;
    }
    for (int n = 0; n < kMaxCopies; ++n) {
        const std::string name = file + ".damaged" + (n ? "." + std::to_string(n) : "");
        struct stat st;
        if (::lstat(name.c_str(), &st) == 0) {
            if (SameBytes(name, bytes)) {
                copy.path = name;
                return copy;
            }
            continue;  // the bytes of other damage: never replaced
        }
        copy.result = WriteFileAtomically(name, bytes);
        if (!copy.result.ok()) return copy;
        copy.path = name;
        // A private file (the settings) stays as private in its copy.
        if (::stat(file.c_str(), &st) == 0) ::chmod(name.c_str(), st.st_mode & 07777);
        return copy;
    }
    copy.result = {AtomicWriteStatus::CannotCreate, EEXIST};
    return copy;
}

DamagedCopy ReportDamagedFile(const std::string& file, const std::string& kept) {
    DamagedCopy copy = KeepDamagedCopy(file);
    std::string text = "The file " + file + " is damaged: " + kept + "; ";
    if (copy.ok()) {
        text += "the damaged original is kept as " + copy.path;
    } else {
        const std::string reason = copy.result.Reason();
        text += "the damaged original could not be kept as " + file + ".damaged" +
                (reason.empty() ? "" : ": " + reason);
    }
    MsgBox(text, MB_OK | MB_ICONWARNING);
    return copy;
}

std::string KeptOf(long long kept, long long total, const std::string& noun) {
    return "kept " + std::to_string(kept) + " of its " + std::to_string(total) + " " + noun +
           (total == 1 ? "" : "s");
}
