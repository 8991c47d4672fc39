#pragma once
// Helpers shared by the tests.

#include <string>

// A fresh temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_Path; }       // no trailing '/'
    std::string file(const std::string& name) const { return m_Path + "/" + name; }
    std::string dir() const { return m_Path + "/"; }          // with trailing '/'
private:
    std::string m_Path;
};

std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// Folder of the shared receiver captures, or empty when it is absent.
std::string TestDataDir();
// Folder of the built tools (sample-region generator, simulator).
std::string ToolsDir();
