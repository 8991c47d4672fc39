#include "doc/ImageMapStore.h"

#include <cstring>
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
    DibFileLayout layout;
    ImageMapBlock block;
    if (const auto fault = ReadImageMapHeaders(ar, layout, block)) {
        MsgBox(ImageMapFaultText(*fault, ar.GetFilePath()));
        return false;
    }
    std::uint8_t palette[kDibMaxPaletteBytes] = {};
    if (ar.Read(palette, layout.paletteBytes) != layout.paletteBytes) {
        // The headers put the palette inside the file: only a read error ends it early.
        MsgBox("Unexpected end of file!");
        return false;
    }
    std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[block.size]);
    if (!pixels) {
        MsgBox("Internal Error! Not enough memory for BmpData in InitBmp!");
        return false;
    }
    const std::size_t want = std::size_t(block.available < block.size ? block.available : block.size);
    const std::size_t got = ar.Read(pixels.get(), want);
    // What was read stays; the rest of the rows is zero.
    std::memset(pixels.get() + got, 0, std::size_t(block.size) - got);

    m_FileHeader = layout.file;
    Header = DibHeader();
    Header.info = layout.info;
    std::memcpy(Header.palette, palette, layout.paletteBytes);
    m_Pixels = std::move(pixels);
    m_Size = std::size_t(block.size);
    m_Stride = std::size_t(block.stride);
    m_Memory.CountAlloc(kMemImagePixels, (long long)m_Size);
    if (block.truncated || got < want) MsgBox("Unexpected end of file!");
    return true;
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
