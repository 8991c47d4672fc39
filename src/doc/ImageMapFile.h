#pragma once
// Windows bitmap files at the byte level: the header check that every ".bmp"
// reader goes through (segments and image maps), the layout of an image
// map's pixel block, and the little-endian header records on disk.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "doc/DibFormat.h"

constexpr std::size_t kDibHeadersBytes = 14 + 40;
constexpr std::uint32_t kDibMaxPaletteBytes = 1024;  // 256 entries
constexpr std::int32_t kDibMaxSide = 100000;
constexpr std::uint64_t kDibMaxPixelBytes = std::uint64_t(1) << 30;

enum class DibCheck {
    Ok,
    NotBitmap,    // no "BM" signature, or shorter than its two headers
    Unsupported,  // another information header, compression, planes or bit count
    BadHeader,    // width, height or pixel-data offset out of range
    TooLarge,     // more than kDibMaxPixelBytes of pixels
};

// What a bitmap file's headers say. The header fields are filled even when
// the check fails, so callers can tell a size mismatch from damage.
struct DibFileLayout {
    BitmapFileHeader file;
    BitmapInfoHeader info;
    std::uint64_t fileLength = 0;
    std::uint32_t paletteBytes = 0;  // bytes between the headers and the pixels
    std::uint64_t rowBytes = 0;      // a row of width * bit count, padded to 4 bytes
};

// Checks the first kDibHeadersBytes of a file of fileLength bytes. Signature,
// header kind, planes, compression and bit count (1, 4, 8, 16, 24, 32) are
// tested before width, height (1..kDibMaxSide, bottom-up only) and the
// pixel-data offset (at most 256 palette entries, inside the file).
DibCheck CheckDibHeaders(const std::uint8_t* head, std::uint64_t fileLength, DibFileLayout& out);

// The header records as stored, field by field.
void PutDibHeaders(const BitmapFileHeader& file, const BitmapInfoHeader& info, std::uint8_t* head);

// Where an image map's pixels go in memory. The row stride is what the file
// holds per row ((file length - offset) / height) when that is the row size
// the width and bit count give; a file too short for its rows is marked
// truncated (its reader refuses it before allocating anything).
struct ImageMapBlock {
    std::uint64_t stride = 0;
    std::uint64_t size = 0;       // bytes the rows need (the file's when not truncated)
    std::uint64_t available = 0;  // bytes the file holds after the offset
    bool truncated = false;       // available < stride * height
};
// False when the file holds more bytes per row than its rows need: the
// stride would then not describe the rows.
bool ImageMapBlockOf(const DibFileLayout& layout, ImageMapBlock& out);

enum class ImageMapFault { NotOpened, NotBitmap, Unsupported, BadHeader, TooLarge, RowsMismatch, Truncated };
// The message for a refused image map file.
std::string ImageMapFaultText(ImageMapFault fault, const std::string& path);

class CImageMapArchive;
// Reads the two headers from the archive's current position and checks them
// and the pixel block they describe, which must lie whole in the file; the
// fault when the file is refused.
std::optional<ImageMapFault> ReadImageMapHeaders(CImageMapArchive& ar, DibFileLayout& layout,
                                                 ImageMapBlock& block);
