// The image map held by the document: its pixel block and the document's
// file (loading and storing the bitmap).
#include <cstring>
#include <new>

#include "app/VornaApp.h"
#include "doc/ImageMapFile.h"
#include "doc/VornaDoc.h"
#include "platform/Prompt.h"

void CVornaDoc::DeallocateImageMemory() {
    if (BmpData && BmpDataSize == 0)
        MsgBox("Internal Warning! BmpData exists but size is 0 in DeallocateImageMemory!");
    if (!BmpData && BmpDataSize != 0)
        MsgBox("Internal Warning! BmpData not allocated, but size is != 0 in DeallocateImageMemory!");
    if (BmpData) {
        if (CVornaApp* app = VornaAppOrNull()) app->CountFree(kMemImagePixels, (long long)BmpDataSize);
        BmpData.reset();
        ImageMapType = kMapNone;
    }
    BmpDataSize = 0;
    BmpStride = 0;
}

bool CVornaDoc::Serialize(CImageMapArchive& ar) {
    if (ar.IsStoring()) {
        if (!BmpData || BmpDataSize == 0) {
            MsgBox("Image data non existant");
            return false;
        }
        const std::uint32_t off = ImageFileHeader.bfOffBits;
        if (off < kDibHeadersBytes || off > kDibHeadersBytes + kDibMaxPaletteBytes) return false;
        std::uint8_t head[kDibHeadersBytes];
        PutDibHeaders(ImageFileHeader, ImageHeader.info, head);
        return ar.Write(head, sizeof head) && ar.Write(ImageHeader.palette, off - kDibHeadersBytes) &&
               ar.Write(BmpData.get(), BmpDataSize);
    }

    if (BmpData) {
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

    ImageFileHeader = layout.file;
    ImageHeader = DibHeader();
    ImageHeader.info = layout.info;
    std::memcpy(ImageHeader.palette, palette, layout.paletteBytes);
    BmpData = std::move(pixels);
    BmpDataSize = std::size_t(block.size);
    BmpStride = std::size_t(block.stride);
    if (CVornaApp* app = VornaAppOrNull()) app->CountAlloc(kMemImagePixels, (long long)BmpDataSize);
    if (block.truncated || got < want) MsgBox("Unexpected end of file!");
    return true;
}

bool CVornaDoc::OnSaveDocument(const std::string& path) {
    CImageMapArchive ar(path, CImageMapArchive::store);
    if (!ar.IsOpen()) {
        MsgBox("Warning! Could not open file " + path + "!");
        return false;
    }
    const bool held = BmpData != nullptr;
    if (!Serialize(ar) || !ar.Close()) {
        if (held) MsgBox("Error! Could not write file " + path + "! The file is unchanged.");
        return false;
    }
    return true;
}
