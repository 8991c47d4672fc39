#include "SegmentWriters.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/ByteOrder.h"

namespace {

bool WriteWhole(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

std::vector<std::uint8_t> EncodeMifPixels(const std::uint8_t* pixels, int w, int h, int stride) {
    std::vector<std::uint8_t> out;
    out.reserve(std::size_t(h) * 64);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* r = pixels + std::size_t(y) * std::size_t(stride);
        int x = 0;
        while (x < w) {
            const std::uint8_t v = r[x] & 0x7F;
            out.push_back(v);
            int n = 1;
            while (x + n < w && (r[x + n] & 0x7F) == v) ++n;
            for (int rest = n - 1; rest > 0; rest -= 127)
                out.push_back(std::uint8_t(0x80 | std::min(rest, 127)));
            x += n;
        }
    }
    return out;
}

bool WriteMifSegment(const std::string& path, const std::uint8_t* pixels, int w, int h, int stride) {
    const std::vector<std::uint8_t> packed = EncodeMifPixels(pixels, w, h, stride);
    std::vector<std::uint8_t> file(32, 0);
    std::memcpy(file.data(), "MIF1", 4);
    StoreLE32(&file[12], std::uint32_t(packed.size()));
    StoreLE32(&file[16], std::uint32_t(w));
    StoreLE32(&file[20], std::uint32_t(h));
    file.insert(file.end(), packed.begin(), packed.end());
    return WriteWhole(path, file);
}

bool WriteBmpSegment(const std::string& path, const std::uint8_t* pixels, int w, int h, int stride,
                     const RgbQuad* palette256) {
    const std::size_t rowBytes = std::size_t(DibStride(w));
    const std::uint32_t imageBytes = std::uint32_t(rowBytes * std::size_t(h));
    const std::uint32_t offBits = 54 + 1024;
    std::vector<std::uint8_t> file(offBits + imageBytes, 0);
    std::uint8_t* head = file.data();
    StoreLE16(head, kBmpSignature);
    StoreLE32(head + 2, offBits + imageBytes);
    StoreLE32(head + 10, offBits);
    StoreLE32(head + 14, 40);
    StoreLE32(head + 18, std::uint32_t(w));
    StoreLE32(head + 22, std::uint32_t(h));
    StoreLE16(head + 26, 1);
    StoreLE16(head + 28, 8);
    StoreLE32(head + 34, imageBytes);
    StoreLE32(head + 46, 256);
    std::memcpy(head + 54, palette256, 1024);
    for (int y = 0; y < h; ++y)
        std::memcpy(head + offBits + std::size_t(y) * rowBytes, pixels + std::size_t(y) * std::size_t(stride),
                    std::size_t(w));
    return WriteWhole(path, file);
}
