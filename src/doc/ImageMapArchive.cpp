#include "doc/ImageMapArchive.h"

#include <sys/stat.h>

CImageMapArchive::CImageMapArchive(const std::string& path, Mode mode) : m_Path(path), m_Mode(mode) {
    if (mode == store) {
        m_Writer = std::make_unique<CAtomicFile>(path);
        return;
    }
    m_File = std::fopen(path.c_str(), "rb");
    if (!m_File) return;
    // A folder opens for reading too; only a regular file has a length.
    struct stat st;
    if (::fstat(fileno(m_File), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(m_File);
        m_File = nullptr;
        return;
    }
    m_Length = std::uint64_t(st.st_size);
}

CImageMapArchive::~CImageMapArchive() {
    if (m_File) std::fclose(m_File);
}

bool CImageMapArchive::SeekToBegin() {
    return m_File && m_Mode == load && std::fseek(m_File, 0, SEEK_SET) == 0;
}

std::size_t CImageMapArchive::Read(void* buffer, std::size_t bytes) {
    if (!m_File || m_Mode != load || bytes == 0) return 0;
    return std::fread(buffer, 1, bytes, m_File);
}

bool CImageMapArchive::Write(const void* data, std::size_t bytes) {
    if (!m_Writer || !m_Writer->IsOpen()) return false;
    return bytes == 0 || m_Writer->Write(data, bytes);
}

bool CImageMapArchive::Close() {
    if (m_Mode == store) {
        if (!m_Writer || !m_Writer->IsOpen()) return false;
        const bool ok = m_Writer->Commit().ok();
        m_Writer.reset();
        return ok;
    }
    if (!m_File) return false;
    std::FILE* f = m_File;
    m_File = nullptr;
    return std::fclose(f) == 0;
}
