// Segment files: the ".mif" run-length format and 8-bit ".bmp" segments.

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "doc/ImageMapFile.h"
#include "doc/SegmentCache.h"

namespace {

std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}
void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

struct FileCloser {
    std::FILE* f;
    ~FileCloser() {
        if (f) std::fclose(f);
    }
};

constexpr std::size_t kMifHeader = 32;

}  // namespace

bool DecodeMifPixels(const std::uint8_t* packed, std::size_t length, int w, int h, std::uint8_t* out,
                     std::size_t outSize) {
    if (w <= 0 || h <= 0) return false;
    const std::size_t stride = std::size_t(DibStride(w));
    if (outSize < stride * std::size_t(h)) return false;
    std::size_t row = 0;    // row being written
    std::size_t col = 0;    // pixels written in this row
    std::size_t pos = 0;    // output position of the next pixel
    bool anyPixel = false;  // a repeat needs a pixel before it
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t b = packed[i];
        std::size_t run;
        std::uint8_t value;
        if (b < 0x80) {
            run = 1;
            value = b;
        } else {
            if (!anyPixel) return false;
            run = b & 0x7F;
            value = out[pos - 1];  // the byte before the output position
        }
        if (run == 0) continue;
        if (row >= std::size_t(h) || col + run > std::size_t(w)) return false;
        std::memset(out + pos, value, run);
        anyPixel = true;
        col += run;
        pos += run;
        if (col == std::size_t(w)) {
            ++row;
            col = 0;
            pos = row * stride;
        }
    }
    return true;
}

std::vector<std::uint8_t> EncodeMifPixels(const std::uint8_t* pixels, int w, int h, int stride) {
    std::vector<std::uint8_t> outv;
    outv.reserve(std::size_t(h) * 64);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* r = pixels + std::size_t(y) * std::size_t(stride);
        int x = 0;
        while (x < w) {
            const std::uint8_t v = r[x] & 0x7F;
            outv.push_back(v);
            int n = 1;
            while (x + n < w && (r[x + n] & 0x7F) == v) ++n;
            int rest = n - 1;
            while (rest > 0) {
                const int chunk = rest > 127 ? 127 : rest;
                outv.push_back(std::uint8_t(0x80 | chunk));
                rest -= chunk;
            }
            x += n;
        }
    }
    return outv;
}

SegmentFileResult ReadMifSegment(const std::string& path, int side, LoadedSegment& out) {
    FileCloser fc{OpenDataFile(path)};
    if (!fc.f) return SegmentFileResult::NotOpened;
    const long long fileLen = FileLength(fc.f);
    std::uint8_t head[kMifHeader];
    if (fileLen < (long long)kMifHeader || std::fread(head, 1, kMifHeader, fc.f) != kMifHeader)
        return SegmentFileResult::Truncated;
    const std::uint32_t length = U32(head + 12);
    const std::int32_t w = std::int32_t(U32(head + 16));
    const std::int32_t h = std::int32_t(U32(head + 20));
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

bool WriteMifSegment(const std::string& path, const std::uint8_t* pixels, int w, int h, int stride) {
    const std::vector<std::uint8_t> packed = EncodeMifPixels(pixels, w, h, stride);
    std::uint8_t head[kMifHeader] = {};
    std::memcpy(head, "MIF1", 4);
    PutU32(head + 12, std::uint32_t(packed.size()));
    PutU32(head + 16, std::uint32_t(w));
    PutU32(head + 20, std::uint32_t(h));
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(head, 1, sizeof head, f) == sizeof head &&
              std::fwrite(packed.data(), 1, packed.size(), f) == packed.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

bool WriteBmpSegment(const std::string& path, const std::uint8_t* pixels, int w, int h, int stride,
                     const RgbQuad* palette256) {
    const std::uint32_t rowBytes = std::uint32_t(DibStride(w));
    const std::uint32_t imageBytes = rowBytes * std::uint32_t(h);
    const std::uint32_t offBits = 54 + 1024;
    std::uint8_t head[54] = {};
    PutU16(head, kBmpSignature);
    PutU32(head + 2, offBits + imageBytes);
    PutU32(head + 10, offBits);
    PutU32(head + 14, 40);
    PutU32(head + 18, std::uint32_t(w));
    PutU32(head + 22, std::uint32_t(h));
    PutU16(head + 26, 1);
    PutU16(head + 28, 8);
    PutU32(head + 34, imageBytes);
    PutU32(head + 46, 256);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(head, 1, 54, f) == 54 && std::fwrite(palette256, 4, 256, f) == 256;
    std::vector<std::uint8_t> row(rowBytes, 0);
    for (int y = 0; ok && y < h; ++y) {
        std::memcpy(row.data(), pixels + std::size_t(y) * std::size_t(stride), std::size_t(w));
        ok = std::fwrite(row.data(), 1, rowBytes, f) == rowBytes;
    }
    ok = std::fclose(f) == 0 && ok;
    return ok;
}
