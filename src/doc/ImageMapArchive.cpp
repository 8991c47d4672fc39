#include "doc/ImageMapArchive.h"

#include <sys/stat.h>
#include <unistd.h>

CImageMapArchive::CImageMapArchive(const std::string& path, Mode mode) : m_Path(path), m_Mode(mode) {
    if (mode == load) {
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
    } else {
        m_TempPath = path + ".tmp";
        m_File = std::fopen(m_TempPath.c_str(), "wb");
    }
}

CImageMapArchive::~CImageMapArchive() {
    if (!m_File) return;
    std::fclose(m_File);
    if (m_Mode == store) std::remove(m_TempPath.c_str());
}

bool CImageMapArchive::SeekToBegin() {
    return m_File && m_Mode == load && std::fseek(m_File, 0, SEEK_SET) == 0;
}

std::size_t CImageMapArchive::Read(void* buffer, std::size_t bytes) {
    if (!m_File || m_Mode != load || bytes == 0) return 0;
    return std::fread(buffer, 1, bytes, m_File);
}

bool CImageMapArchive::Write(const void* data, std::size_t bytes) {
    if (!m_File || m_Mode != store) return false;
    if (!m_WriteFailed && bytes && std::fwrite(data, 1, bytes, m_File) != bytes) m_WriteFailed = true;
    return !m_WriteFailed;
}

bool CImageMapArchive::Close() {
    if (!m_File) return false;
    std::FILE* f = m_File;
    m_File = nullptr;
    if (m_Mode == load) return std::fclose(f) == 0;
    bool ok = !m_WriteFailed && std::fflush(f) == 0 && ::fsync(fileno(f)) == 0;
    ok = std::fclose(f) == 0 && ok;
    ok = ok && std::rename(m_TempPath.c_str(), m_Path.c_str()) == 0;
    if (!ok) std::remove(m_TempPath.c_str());
    return ok;
}
