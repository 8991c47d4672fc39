#pragma once
// The start directory: the per-user folder of the track log, the search-area
// autosave and, without a config folder, the scheme file. It is fixed, never
// the current folder, so a program started from a launcher or another
// terminal finds the same track log.

#include <string>

// The variable that points the start directory elsewhere (the sample region).
inline constexpr const char* kDataDirVariable = "VORNAMAP_DATA_DIR";

// dataDir when set; else xdgDataHome + "/vornamap/" when it is an absolute
// path (a relative one is ignored, as the desktop rules say); else
// home + "/.local/share/vornamap/". Empty or null arguments count as unset;
// a relative dataDir is taken from cwd. The result ends with '/'.
std::string ChooseStartDirectory(const char* dataDir, const char* xdgDataHome, const char* home,
                                 const std::string& cwd);
// The same from this process's environment (the account's home folder when
// HOME is unset).
std::string UserStartDirectory();
// Makes dir with its parents; on failure false and the reason in error.
bool MakeStartDirectory(const std::string& dir, std::string& error);
