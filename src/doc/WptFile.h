#pragma once
// File layer of the waypoint database and the track log: whole-file writes
// through a temporary file in the same folder, removal, and the
// case-insensitive look-up of files that come from Windows data sets.

#include <cstddef>
#include <functional>
#include <string>

enum class WptWriteResult {
    Ok,
    CannotCreate,  // the temporary file could not be made (write protected)
    WriteFailed,   // writing, flushing or renaming failed; the old file is intact
};

// Writes bytes to path + ".tmp", syncs it and renames it over path.
WptWriteResult WriteWholeFile(const std::string& path, const void* data, std::size_t bytes);

enum class WptRemoveResult { Removed, Missing, Failed };
WptRemoveResult RemoveFile(const std::string& path);

// path when it exists, else a file of the same folder whose name matches
// without regard to case, else path unchanged.
std::string FindFileNoCase(const std::string& path);

// Test hook: when set and it answers true for a path, the write of that file
// fails after the temporary file was created, as on a full disk.
void SetWriteFaultHook(std::function<bool(const std::string& path)> hook);
