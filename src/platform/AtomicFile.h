#pragma once
// The one way a stored file is rewritten: the bytes go to a temporary file in
// the same folder, are synced, and the temporary file is renamed over the
// target and the folder synced. A crash or a full disk never leaves half a
// file.
//
// Every write has a temporary of its own ("<target>.tmp-XXXXXX"), locked
// while it is written, so two writers of one file (two copies of the program
// ending together) never take each other's bytes: each renames only what it
// wrote. A temporary that nobody holds locked was left by a writer that died;
// the next write of that target removes it.
//
// A symbolic link is written through to the file it names; an existing
// target keeps its mode; a write-protected target (no write permission bit,
// or one the process may not write) is reported and left as it is.

#include <cerrno>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

enum class AtomicWriteStatus {
    Ok,
    WriteProtected,  // the target exists and may not be written; nothing changed
    CannotCreate,    // the temporary file could not be made
    WriteFailed,     // writing, syncing or renaming failed; the target is unchanged
};

struct AtomicWriteResult {
    AtomicWriteStatus status = AtomicWriteStatus::Ok;
    int error = 0;  // errno of the failing step (0 when Ok)
    bool ok() const { return status == AtomicWriteStatus::Ok; }
    explicit operator bool() const { return ok(); }
    // The system's reason ("Permission denied", ...); empty when Ok.
    std::string Reason() const;
    // The target or its folder may not be written (as opposed to a full
    // disk or an input/output error).
    bool WriteProtected() const {
        return status == AtomicWriteStatus::WriteProtected ||
               (status == AtomicWriteStatus::CannotCreate &&
                (error == EACCES || error == EPERM || error == EROFS));
    }
};

// Streams a file into place. Nothing reaches the target before Commit; a
// writer destroyed without Commit removes its temporary file.
class CAtomicFile {
public:
    explicit CAtomicFile(const std::string& target);
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // False when the temporary file could not be made or the target is
    // write-protected (Result() says which).
    bool IsOpen() const { return m_Fd >= 0; }
    // False once any write has failed; later writes do nothing.
    bool Write(const void* data, std::size_t bytes);
    AtomicWriteResult Commit();
    const AtomicWriteResult& Result() const { return m_Result; }
    // The file that is replaced: the target, or what its symbolic link names.
    const std::string& FinalPath() const { return m_Final; }
    // This write's temporary file (empty when none was made).
    const std::string& TempPath() const { return m_Temp; }

private:
    void Abort();
    std::string m_Final;
    std::string m_Temp;
    int m_Fd = -1;
    AtomicWriteResult m_Result;
};

AtomicWriteResult WriteFileAtomically(const std::string& path, const void* data, std::size_t bytes);
inline AtomicWriteResult WriteFileAtomically(const std::string& path, std::string_view text) {
    return WriteFileAtomically(path, text.data(), text.size());
}

enum class RemoveStatus { Removed, Missing, Failed };
// A file that is not there counts as Missing, also on a read-only file system.
RemoveStatus RemoveFileIfPresent(const std::string& path);

// Test hook: when set and it answers true for a target, the write fails after
// the temporary file was made, as on a full disk.
void SetAtomicWriteFaultHook(std::function<bool(const std::string& target)> hook);
