#include "doc/ImageMapStore.h"

#include <new>

#include "doc/ImageMapArchive.h"
#include "doc/ImageMapFile.h"
#include "platform/Prompt.h"
#include "settings/MemoryCounters.h"

void CImageMapStore::Deallocate() {
    if (m_Pixels && m_Size == 0)
        MsgBox("Internal Warning! BmpData exists but size is 0 in DeallocateImageMemory!");
    if (!m_Pixels && m_Size != 0)
        MsgBox("Internal Warning! BmpData not allocated, but size is != 0 in DeallocateImageMemory!");
    if (m_Pixels) {
        m_Memory.CountFree(kMemImagePixels, (long long)m_Size);
        m_Pixels.reset();
        MapType = kMapNone;
    }
    m_Size = 0;
    m_Stride = 0;
}

void CImageMapStore::Adopt(const BitmapInfoHeader& info, std::unique_ptr<std::uint8_t[]> pixels,
                           std::size_t size, std::size_t stride) {
    Deallocate();
    Header.info = info;
    m_FileHeader = BitmapFileHeader();
    m_FileHeader.bfType = kBmpSignature;
    m_FileHeader.bfOffBits = std::uint32_t(kDibHeadersBytes);
    m_FileHeader.bfSize = std::uint32_t(kDibHeadersBytes + size);
    m_Pixels = std::move(pixels);
    m_Size = m_Pixels ? size : 0;
    m_Stride = stride;
    if (m_Pixels) m_Memory.CountAlloc(kMemImagePixels, (long long)m_Size);
}

bool CImageMapStore::Serialize(CImageMapArchive& ar) {
    if (ar.IsStoring()) {
        if (!m_Pixels || m_Size == 0) {
            MsgBox("Image data non existant");
            return false;
        }
        const std::uint32_t off = m_FileHeader.bfOffBits;
        if (off < kDibHeadersBytes || off > kDibHeadersBytes + kDibMaxPaletteBytes) return false;
        std::uint8_t head[kDibHeadersBytes];
        PutDibHeaders(m_FileHeader, Header.info, head);
        return ar.Write(head, sizeof head) && ar.Write(Header.palette, off - kDibHeadersBytes) &&
               ar.Write(m_Pixels.get(), m_Size);
    }

    if (m_Pixels) {
        MsgBox("Internal Warning! BmpData already allocated in Serialize!");
        return false;
    }
    std::optional<LoadedBitmap> bitmap = ReadBitmap(ar);
    if (!bitmap) return false;
    Install(std::move(*bitmap));
    return true;
}

std::optional<LoadedBitmap> CImageMapStore::ReadBitmap(CImageMapArchive& ar) {
    // The header check refuses a file too short for its rows, so nothing is
    // allocated for pixels that are not there.
    DibFileLayout layout;
    ImageMapBlock block;
    if (const auto fault = ReadImageMapHeaders(ar, layout, block)) {
        MsgBox(ImageMapFaultText(*fault, ar.GetFilePath()));
        return std::nullopt;
    }
    LoadedBitmap b;
    b.file = layout.file;
    b.header.info = layout.info;
    // Only a read error ends the palette or the pixels early: the headers put both inside the file.
    if (ar.Read(b.header.palette, layout.paletteBytes) != layout.paletteBytes) {
        MsgBox("Unexpected end of file!");
        return std::nullopt;
    }
    b.pixels.reset(new (std::nothrow) std::uint8_t[block.size]);
    if (!b.pixels) {
        MsgBox("Internal Error! Not enough memory for BmpData in InitBmp!");
        return std::nullopt;
    }
    b.size = std::size_t(block.size);
    b.stride = std::size_t(block.stride);
    if (ar.Read(b.pixels.get(), b.size) != b.size) {
        MsgBox("Unexpected end of file!");
        return std::nullopt;
    }
    return b;
}

void CImageMapStore::Install(LoadedBitmap&& b) {
    Deallocate();
    m_FileHeader = b.file;
    Header = b.header;
    m_Pixels = std::move(b.pixels);
    m_Size = m_Pixels ? b.size : 0;
    m_Stride = b.stride;
    if (m_Pixels) m_Memory.CountAlloc(kMemImagePixels, (long long)m_Size);
}

bool CImageMapStore::Save(const std::string& path) {
    CImageMapArchive ar(path, CImageMapArchive::store);
    if (!ar.IsOpen()) {
        MsgBox("Warning! Could not open file " + path + "!");
        return false;
    }
    const bool held = m_Pixels != nullptr;
    if (!Serialize(ar) || !ar.Close()) {
        if (held) MsgBox("Error! Could not write file " + path + "! The file is unchanged.");
        return false;
    }
    return true;
}
