#pragma once
// The Windows device-independent bitmap records, as stored in ".bmp" files
// and kept in memory beside 8-bit pixel blocks (segments, image maps).
// Little-endian, byte-packed.

#include <cstdint>

#pragma pack(push, 1)

struct BitmapFileHeader {
    std::uint16_t bfType = 0;  // "BM"
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;
};
static_assert(sizeof(BitmapFileHeader) == 14);

struct BitmapInfoHeader {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;  // positive: rows bottom-up
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 8;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

struct RgbQuad {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
};
static_assert(sizeof(RgbQuad) == 4);

// An information header followed by a full 256-entry palette.
struct DibHeader {
    BitmapInfoHeader info;
    RgbQuad palette[256];
};
static_assert(sizeof(DibHeader) == 40 + 1024);

#pragma pack(pop)

constexpr std::uint16_t kBmpSignature = 0x4D42;  // "BM"

// Row length in bytes of an 8-bit image w pixels wide: the smallest multiple
// of 4 not below w.
constexpr int DibStride(int w) { return w <= 0 ? 0 : ((w - 1) & ~3) + 4; }
