#pragma once
// Opening data files of data sets made where letter case of names does not
// matter, and reading whole files with a clear word on why they could not be.

#include <cstdio>
#include <string>

// fopen; when the file does not exist, a file of the same name in another
// letter case in the same folder is opened instead. Null when neither exists.
std::FILE* OpenDataFile(const std::string& path, const char* mode = "rb");

// path when it exists (or cannot be looked at); else the file of the same
// folder whose name matches in another letter case; else path unchanged.
std::string FindDataFile(const std::string& path);

// Length of an open regular file in bytes; -1 for anything else (a folder
// opens for reading too) or when it cannot be asked.
long long FileLength(std::FILE* f);

enum class LoadStatus {
    Loaded,
    Missing,     // no such file: the caller's defaults apply
    Unreadable,  // the file is there but cannot be read: never overwrite it
};
// Reads a whole regular file into text; error gets the errno when Unreadable.
LoadStatus ReadWholeFile(const std::string& path, std::string& text, int& error);
