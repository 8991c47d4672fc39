#pragma once
// Helpers shared by the tests.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

class QWidget;

// A fresh temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_Path; }  // no trailing '/'
    std::string file(const std::string& name) const { return m_Path + "/" + name; }
    std::string dir() const { return m_Path + "/"; }  // with trailing '/'
private:
    std::string m_Path;
};

std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// The names of the kept copies of a damaged file ("<name>.damaged", ...).
std::set<std::string> DamagedCopies(const std::string& file);
// The texts of the boxes that said a file was damaged.
std::vector<std::string> DamageTexts(const std::vector<std::string>& texts);

// Folder of the shared receiver captures, or empty when it is absent.
std::string TestDataDir();
// Folder of the built tools (sample-region generator, simulator).
std::string ToolsDir();

// Selects a locale with a decimal comma for LC_NUMERIC: an installed one, or
// one compiled into dir with localedef (glibc reads LOCPATH on each call).
bool UseDecimalCommaLocale(const TempDir& dir);

// The receiver simulator with options (split at blanks), running for the
// life of the object; path is the line it serves ("" when it did not start).
struct SimProcess {
    explicit SimProcess(const std::string& options);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    int pid = -1;
    std::string path;
};

// Another copy of the program, as far as folder locks go: a child process
// that holds folder's lock until it is killed (took says it got it).
struct OtherCopy {
    explicit OtherCopy(const std::string& folder);
    ~OtherCopy() { Kill(); }
    OtherCopy(const OtherCopy&) = delete;
    OtherCopy& operator=(const OtherCopy&) = delete;
    void Kill();  // SIGKILL, as a crash
    int pid = -1;
    bool took = false;
};

// Acts on the next modal widget once it is up (a dialog started with exec()).
void WhenModal(std::function<void(QWidget*)> act);

// Deterministic numbers for the damaged-file loops (splitmix64).
struct Mix {
    std::uint64_t s;
    std::uint32_t Next(std::uint32_t n) {
        std::uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return std::uint32_t((z ^ (z >> 31)) % n);
    }
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_Name;
    std::string m_Old;
    bool m_Had = false;
};
