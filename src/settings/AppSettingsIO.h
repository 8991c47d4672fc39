#pragma once
// Helpers of the settings and scheme files: default folders, path and number
// texts, and telling a file that is missing from one that cannot be read.

#include <functional>
#include <string>

#include "platform/AtomicFile.h"

// $HOME + "/vorne/" + sub: where the data folders are by default.
std::string DefaultVorneDir(const std::string& sub);
// Collapses runs of '/' into one; with trailing set an empty path becomes "/"
// and a missing trailing '/' is appended, otherwise one trailing '/' is removed.
// Case is kept: Linux file names are case-sensitive.
std::string NormalizePath(const std::string& path, bool trailing);
// Appends '/' to a non-empty folder that lacks one.
std::string WithTrailingSlash(const std::string& dir);

// Locale-independent number texts for the settings file.
std::string FormatFixed(double v, int decimals);       // "%.<n>f"
std::string FormatScientific(double v, int decimals);  // "%.<n>e"

enum class StoredFileState {
    Missing,     // not there: defaults, and the file is made at exit
    Readable,    // read in full
    Unreadable,  // there, but reading failed: it must not be replaced at exit
};
struct StoredFileCheck {
    StoredFileState state = StoredFileState::Missing;
    int error = 0;  // errno when Unreadable
    std::string Reason() const;
};
// Reads the whole file once to see whether it can be read.
StoredFileCheck CheckStoredFile(const std::string& path);
// Test hook: when set and it answers true for an existing file, reading it
// fails as on an I/O error.
void SetStoredFileReadFaultHook(std::function<bool(const std::string& path)> hook);

// "<what> <path>: <the system's reason>" for a failed atomic write.
std::string SaveErrorText(const std::string& what, const std::string& path, const AtomicWriteResult& r);
