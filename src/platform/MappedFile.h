#pragma once
// A file's bytes mapped for reading instead of copied, and reading them
// safely: a file cut short by another program while it is mapped raises a
// bus error on the pages it lost, which fails the read instead of ending
// the program.

#include <cstddef>
#include <cstdint>
#include <functional>

class CMappedFile {
public:
    CMappedFile() = default;
    ~CMappedFile();
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    // Maps the whole open file read-only with its pages read in at once;
    // false for an empty file or one that cannot be mapped (the caller then
    // reads it the usual way).
    bool Map(int fd);
    const std::uint8_t* Data() const { return static_cast<const std::uint8_t*>(m_Data); }
    std::size_t Size() const { return m_Size; }

private:
    void* m_Data = nullptr;
    std::size_t m_Size = 0;
};

// Runs read, which reads mapped file bytes and holds nothing that needs
// undoing; false when a bus error cut it off (the file shrank meanwhile).
bool ReadMappedSafely(const std::function<void()>& read);
