#pragma once
// The document's file as Serialize sees it. Loading reads the file as it is;
// storing goes through the atomic writer, so the target is replaced only when
// Close succeeds and a failed save leaves the old file whole.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/AtomicFile.h"

class CImageMapArchive {
public:
    enum Mode { load, store };
    CImageMapArchive(const std::string& path, Mode mode);
    ~CImageMapArchive();  // an unclosed storing archive leaves the target as it was
    CImageMapArchive(const CImageMapArchive&) = delete;
    CImageMapArchive& operator=(const CImageMapArchive&) = delete;

    bool IsOpen() const { return m_File != nullptr || (m_Writer && m_Writer->IsOpen()); }
    bool IsLoading() const { return m_Mode == load; }
    bool IsStoring() const { return m_Mode == store; }
    const std::string& GetFilePath() const { return m_Path; }

    // Loading: the file's length in bytes, taken when it was opened.
    std::uint64_t GetLength() const { return m_Length; }
    bool SeekToBegin();
    // Bytes read (fewer at the end of the file or on a read error).
    std::size_t Read(void* buffer, std::size_t bytes);

    // Storing: false once any write has failed.
    bool Write(const void* data, std::size_t bytes);
    // Storing: flushes, syncs and renames the temporary file over the target;
    // false when any step failed (the target is then unchanged). Loading:
    // closes the file.
    bool Close();

private:
    std::string m_Path;
    std::unique_ptr<CAtomicFile> m_Writer;
    Mode m_Mode;
    std::FILE* m_File = nullptr;
    std::uint64_t m_Length = 0;
};
