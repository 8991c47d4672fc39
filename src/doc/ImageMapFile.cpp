#include "doc/ImageMapFile.h"

#include "doc/ImageMapArchive.h"

namespace {

std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t U16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}
void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

}  // namespace

DibCheck CheckDibHeaders(const std::uint8_t* head, std::uint64_t fileLength, DibFileLayout& out) {
    out = DibFileLayout();
    out.fileLength = fileLength;
    if (fileLength < kDibHeadersBytes) return DibCheck::NotBitmap;
    BitmapFileHeader& f = out.file;
    f.bfType = U16(head);
    f.bfSize = U32(head + 2);
    f.bfReserved1 = U16(head + 6);
    f.bfReserved2 = U16(head + 8);
    f.bfOffBits = U32(head + 10);
    BitmapInfoHeader& i = out.info;
    const std::uint8_t* h = head + 14;
    i.biSize = U32(h);
    i.biWidth = std::int32_t(U32(h + 4));
    i.biHeight = std::int32_t(U32(h + 8));
    i.biPlanes = U16(h + 12);
    i.biBitCount = U16(h + 14);
    i.biCompression = U32(h + 16);
    i.biSizeImage = U32(h + 20);
    i.biXPelsPerMeter = std::int32_t(U32(h + 24));
    i.biYPelsPerMeter = std::int32_t(U32(h + 28));
    i.biClrUsed = U32(h + 32);
    i.biClrImportant = U32(h + 36);

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
    PutU16(head, f.bfType);
    PutU32(head + 2, f.bfSize);
    PutU16(head + 6, f.bfReserved1);
    PutU16(head + 8, f.bfReserved2);
    PutU32(head + 10, f.bfOffBits);
    std::uint8_t* h = head + 14;
    PutU32(h, i.biSize);
    PutU32(h + 4, std::uint32_t(i.biWidth));
    PutU32(h + 8, std::uint32_t(i.biHeight));
    PutU16(h + 12, i.biPlanes);
    PutU16(h + 14, i.biBitCount);
    PutU32(h + 16, i.biCompression);
    PutU32(h + 20, i.biSizeImage);
    PutU32(h + 24, std::uint32_t(i.biXPelsPerMeter));
    PutU32(h + 28, std::uint32_t(i.biYPelsPerMeter));
    PutU32(h + 32, i.biClrUsed);
    PutU32(h + 36, i.biClrImportant);
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
    return std::nullopt;
}
