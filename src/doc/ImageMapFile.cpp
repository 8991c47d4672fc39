#include "doc/ImageMapFile.h"

#include "doc/ImageMapArchive.h"
#include "platform/ByteOrder.h"

DibCheck CheckDibHeaders(const std::uint8_t* head, std::uint64_t fileLength, DibFileLayout& out) {
    out = DibFileLayout();
    out.fileLength = fileLength;
    if (fileLength < kDibHeadersBytes) return DibCheck::NotBitmap;
    BitmapFileHeader& f = out.file;
    f.bfType = LoadLE16(head);
    f.bfSize = LoadLE32(head + 2);
    f.bfReserved1 = LoadLE16(head + 6);
    f.bfReserved2 = LoadLE16(head + 8);
    f.bfOffBits = LoadLE32(head + 10);
    BitmapInfoHeader& i = out.info;
    const std::uint8_t* h = head + 14;
    i.biSize = LoadLE32(h);
    i.biWidth = std::int32_t(LoadLE32(h + 4));
    i.biHeight = std::int32_t(LoadLE32(h + 8));
    i.biPlanes = LoadLE16(h + 12);
    i.biBitCount = LoadLE16(h + 14);
    i.biCompression = LoadLE32(h + 16);
    i.biSizeImage = LoadLE32(h + 20);
    i.biXPelsPerMeter = std::int32_t(LoadLE32(h + 24));
    i.biYPelsPerMeter = std::int32_t(LoadLE32(h + 28));
    i.biClrUsed = LoadLE32(h + 32);
    i.biClrImportant = LoadLE32(h + 36);

    if (f.bfType != kBmpSignature) return DibCheck::NotBitmap;
    const unsigned bits = i.biBitCount;
    if (i.biSize != 40 || i.biPlanes != 1 || i.biCompression != 0 ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return DibCheck::Unsupported;
    if (i.biWidth < 1 || i.biWidth > kDibMaxSide || i.biHeight < 1 || i.biHeight > kDibMaxSide)
        return DibCheck::BadHeader;
    if (f.bfOffBits < kDibHeadersBytes || f.bfOffBits > kDibHeadersBytes + kDibMaxPaletteBytes ||
        f.bfOffBits > fileLength)
        return DibCheck::BadHeader;
    out.paletteBytes = f.bfOffBits - std::uint32_t(kDibHeadersBytes);
    out.rowBytes = (std::uint64_t(i.biWidth) * bits + 31) / 32 * 4;
    if (out.rowBytes * std::uint64_t(i.biHeight) > kDibMaxPixelBytes) return DibCheck::TooLarge;
    return DibCheck::Ok;
}

void PutDibHeaders(const BitmapFileHeader& f, const BitmapInfoHeader& i, std::uint8_t* head) {
    StoreLE16(head, f.bfType);
    StoreLE32(head + 2, f.bfSize);
    StoreLE16(head + 6, f.bfReserved1);
    StoreLE16(head + 8, f.bfReserved2);
    StoreLE32(head + 10, f.bfOffBits);
    std::uint8_t* h = head + 14;
    StoreLE32(h, i.biSize);
    StoreLE32(h + 4, std::uint32_t(i.biWidth));
    StoreLE32(h + 8, std::uint32_t(i.biHeight));
    StoreLE16(h + 12, i.biPlanes);
    StoreLE16(h + 14, i.biBitCount);
    StoreLE32(h + 16, i.biCompression);
    StoreLE32(h + 20, i.biSizeImage);
    StoreLE32(h + 24, std::uint32_t(i.biXPelsPerMeter));
    StoreLE32(h + 28, std::uint32_t(i.biYPelsPerMeter));
    StoreLE32(h + 32, i.biClrUsed);
    StoreLE32(h + 36, i.biClrImportant);
}

bool ImageMapBlockOf(const DibFileLayout& layout, ImageMapBlock& out) {
    out = ImageMapBlock();
    const std::uint64_t height = std::uint64_t(layout.info.biHeight);
    if (height == 0 || layout.rowBytes == 0 || layout.file.bfOffBits > layout.fileLength) return false;
    out.available = layout.fileLength - layout.file.bfOffBits;
    const std::uint64_t perRow = out.available / height;
    if (perRow > layout.rowBytes) return false;
    out.stride = layout.rowBytes;
    if (perRow == layout.rowBytes) {
        // Bytes after the last row (fewer than one per row) stay with the
        // pixels, so a stored image is the file it was read from.
        out.size = out.available;
    } else {
        out.size = layout.rowBytes * height;
        out.truncated = true;
    }
    return true;
}

std::string ImageMapFaultText(ImageMapFault fault, const std::string& path) {
    switch (fault) {
        case ImageMapFault::NotOpened:
            return "Error! Can not open file " + path + "!";
        case ImageMapFault::NotBitmap:
            return "The file " + path + " is not a Windows bitmap!";
        case ImageMapFault::Unsupported:
            return "The bitmap " + path +
                   " is of a kind this program can not read (compressed, or an unusual header)!";
        case ImageMapFault::BadHeader:
            return "The bitmap " + path + " is damaged: its size or pixel-data offset is out of range!";
        case ImageMapFault::TooLarge:
            return "The bitmap " + path + " is too large to be loaded!";
        case ImageMapFault::RowsMismatch:
            return "The bitmap " + path +
                   " is damaged: its pixel data does not match its width, height and bit count!";
        case ImageMapFault::Truncated:
            return "Unexpected end of file!";
    }
    return "Error! Can not open file " + path + "!";
}

std::optional<ImageMapFault> ReadImageMapHeaders(CImageMapArchive& ar, DibFileLayout& layout,
                                                 ImageMapBlock& block) {
    std::uint8_t head[kDibHeadersBytes] = {};
    const std::size_t got = ar.Read(head, sizeof head);
    switch (CheckDibHeaders(head, got < sizeof head ? got : ar.GetLength(), layout)) {
        case DibCheck::Ok:
            break;
        case DibCheck::NotBitmap:
            return ImageMapFault::NotBitmap;
        case DibCheck::Unsupported:
            return ImageMapFault::Unsupported;
        case DibCheck::BadHeader:
            return ImageMapFault::BadHeader;
        case DibCheck::TooLarge:
            return ImageMapFault::TooLarge;
    }
    if (!ImageMapBlockOf(layout, block)) return ImageMapFault::RowsMismatch;
    if (block.truncated) return ImageMapFault::Truncated;
    return std::nullopt;
}
