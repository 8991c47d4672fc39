// Reading segment files: the ".mif" run-length format and 8-bit ".bmp" segments.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "doc/ImageMapFile.h"
#include "doc/SegmentCache.h"
#include "platform/ByteOrder.h"

namespace {

struct FileCloser {
    std::FILE* f;
    ~FileCloser() {
        if (f) std::fclose(f);
    }
};

constexpr std::size_t kMifHeader = 32;

}  // namespace

namespace {

// Runs up to this long are written with one or two 16-byte stores; the
// bytes written past the run are overwritten by the next run of the row.
constexpr std::size_t kWideRun = 32;

struct MifCodeTables {
    std::uint8_t run[256];                   // pixels a code adds: 1 for a literal, its low bits for a repeat
    std::uint32_t reach[256];                // bytes the wide stores touch; beyond any row for a longer run
    alignas(16) std::uint8_t fill[256][16];  // a value spread over 16 bytes
};

constexpr MifCodeTables MakeMifCodeTables() {
    MifCodeTables t{};
    for (int b = 0; b < 256; ++b) {
        t.run[b] = std::uint8_t(b < 0x80 ? 1 : b & 0x7F);
        t.reach[b] = t.run[b] <= kWideRun ? std::uint32_t(kWideRun) : 0x80000000u;
        for (int k = 0; k < 16; ++k) t.fill[b][k] = std::uint8_t(b);
    }
    return t;
}
constexpr MifCodeTables kMifCodes = MakeMifCodeTables();

}  // namespace

bool DecodeMifPixels(const std::uint8_t* packed, std::size_t length, int w, int h, std::uint8_t* out,
                     std::size_t outSize) {
    if (w <= 0 || h <= 0) return false;
    const std::size_t width = std::size_t(w), rows = std::size_t(h);
    const std::size_t stride = std::size_t(DibStride(w));
    if (outSize < stride * rows) return false;
    if (length == 0) return true;
    if (packed[0] >= 0x80) return false;  // a repeat needs a pixel before it

    const std::uint8_t* in = packed;
    const std::uint8_t* const end = packed + length;
    std::size_t row = 0;
    std::size_t pos = 0;         // output position of the next pixel
    std::size_t rowEnd = width;  // output position past the row's last pixel
    std::uint32_t previous = 0;  // the byte before pos, once a pixel is written
    bool ok = true;
    while (in != end) {
        // A literal is one pixel of its own value, a repeat its low bits
        // times the byte before; tables and a conditional move pick them
        // without a branch.
        const std::uint32_t b = *in++;
        const std::size_t run = kMifCodes.run[b];
        const std::uint32_t value = b < 0x80 ? b : previous;
        if (pos + kMifCodes.reach[b] < rowEnd) {
            // Ends short of the row's end: no bounds or row change to look at.
            std::memcpy(out + pos, kMifCodes.fill[value], 16);
            if (run > 16) std::memcpy(out + pos + 16, kMifCodes.fill[value], 16);
            pos += run;
            previous = value;
            continue;
        }
        if (pos + run > rowEnd) {
            ok = false;
            break;
        }
        std::memset(out + pos, int(value), run);
        pos += run;
        previous = value;
        if (pos == rowEnd) {
            if (++row == rows) {
                // Past the last row only empty repeats may follow.
                for (; in != end; ++in)
                    if (*in != 0x80) return false;
                return true;
            }
            pos = row * stride;
            rowEnd = pos + width;
            previous = out[pos - 1];  // the padding, or the last pixel when there is none
        }
    }
    // The row stopped short: clear what the last wide store wrote past the
    // data, so the untouched pixels stay as the caller left them (zero).
    std::memset(out + pos, 0, std::min(kWideRun, rowEnd - pos));
    return ok;
}

SegmentFileResult ReadMifSegment(const std::string& path, int side, LoadedSegment& out) {
    FileCloser fc{OpenDataFile(path)};
    if (!fc.f) return SegmentFileResult::NotOpened;
    const long long fileLen = FileLength(fc.f);
    std::uint8_t head[kMifHeader];
    if (fileLen < (long long)kMifHeader || std::fread(head, 1, kMifHeader, fc.f) != kMifHeader)
        return SegmentFileResult::Truncated;
    const std::uint32_t length = LoadLE32(head + 12);
    const std::int32_t w = std::int32_t(LoadLE32(head + 16));
    const std::int32_t h = std::int32_t(LoadLE32(head + 20));
    if (w != side || h != side) return SegmentFileResult::BadSize;
    if (std::uint64_t(length) > std::uint64_t(fileLen) - kMifHeader) return SegmentFileResult::Truncated;

    std::unique_ptr<std::uint8_t[]> packed(new (std::nothrow) std::uint8_t[length ? length : 1]);
    const std::size_t size = std::size_t(DibStride(w)) * std::size_t(h);
    std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[size]());
    if (!packed || !pixels) return SegmentFileResult::NoMemory;
    if (std::fread(packed.get(), 1, length, fc.f) != length) return SegmentFileResult::Truncated;
    if (!DecodeMifPixels(packed.get(), length, w, h, pixels.get(), size))
        return SegmentFileResult::DecodeError;
    out.data = std::move(pixels);
    out.size = size;
    for (RgbQuad& q : out.palette) q = RgbQuad();
    return SegmentFileResult::Ok;
}

SegmentFileResult ReadBmpSegment(const std::string& path, int side, LoadedSegment& out) {
    FileCloser fc{OpenDataFile(path)};
    if (!fc.f) return SegmentFileResult::NotOpened;
    const long long fileLen = FileLength(fc.f);
    std::uint8_t head[kDibHeadersBytes];
    if (fileLen < long(kDibHeadersBytes) || std::fread(head, 1, sizeof head, fc.f) != sizeof head)
        return SegmentFileResult::Truncated;
    DibFileLayout layout;
    const DibCheck check = CheckDibHeaders(head, std::uint64_t(fileLen), layout);
    if (check == DibCheck::NotBitmap || check == DibCheck::Unsupported || layout.info.biBitCount != 8)
        return SegmentFileResult::BadFormat;
    const std::int32_t w = layout.info.biWidth;
    const std::int32_t hgt = layout.info.biHeight;
    if (w != side || hgt != side) return SegmentFileResult::BadSize;
    // Whole palette entries only.
    if (check != DibCheck::Ok || layout.paletteBytes % 4 != 0) return SegmentFileResult::BadFormat;

    for (RgbQuad& q : out.palette) q = RgbQuad();
    const std::size_t palBytes = layout.paletteBytes;
    std::uint8_t pal[1024];
    if (palBytes && std::fread(pal, 1, palBytes, fc.f) != palBytes) return SegmentFileResult::Truncated;
    for (std::size_t i = 0; i < palBytes / 4; ++i)
        out.palette[i] = {pal[4 * i], pal[4 * i + 1], pal[4 * i + 2], pal[4 * i + 3]};

    // The buffer holds exactly the rows the cache expects, whatever the file
    // header's size field claims.
    const std::size_t size = std::size_t(DibStride(w)) * std::size_t(hgt);
    std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[size]());
    if (!pixels) return SegmentFileResult::NoMemory;
    const std::size_t got = std::fread(pixels.get(), 1, size, fc.f);
    out.data = std::move(pixels);
    out.size = size;
    return got == size ? SegmentFileResult::Ok : SegmentFileResult::Truncated;
}
