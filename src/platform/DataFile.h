#pragma once
// Opening data files that come from Windows, where letter case of names does
// not matter.

#include <cstdio>
#include <string>

// fopen; when the file does not exist, a file of the same name in another
// letter case in the same folder is opened instead. Null when neither exists.
std::FILE* OpenDataFile(const std::string& path, const char* mode = "rb");
