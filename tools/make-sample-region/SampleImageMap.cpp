#include "SampleImageMap.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "SegmentWriters.h"
#include "doc/SegmentCache.h"

namespace {

constexpr int kSide = 1181;  // TK50 segment side, pixels
constexpr double kSegMetres = 10000;
constexpr int kWidth = 1400, kHeight = 1000;
// One pixel of a 150 dpi scan of a 1:50000 sheet; the turn is small enough
// that the sheet still reads upright.
constexpr double kScanMetres = 25.4 / 150 * 50000 / 1000;
constexpr double kTurn = 3.0 * 3.14159265358979323846 / 180;

char Letter(int k) { return k < 1 ? '-' : k > 26 ? '+' : char('A' + k - 1); }

// Layer colours of a printed sheet; names over objects over roads over water
// over contours over forest.
void MakePalette(RgbQuad pal[256]) {
    auto rgb = [](int r, int g, int b) {
        return RgbQuad{std::uint8_t(b), std::uint8_t(g), std::uint8_t(r), 0};
    };
    for (int v = 0; v < 256; ++v) {
        RgbQuad c = rgb(250, 248, 240);
        if (v & kLayerBitForest) c = rgb(190, 230, 170);
        if (v & kLayerBitRelief) c = rgb(190, 120, 60);
        if (v & kLayerBitWater) c = rgb(60, 130, 230);
        if (v & kLayerBitRoads) c = rgb(220, 40, 30);
        if (v & kLayerBitObjects) c = rgb(30, 30, 30);
        if (v & kLayerBitNames) c = rgb(20, 20, 20);
        pal[v] = c;
    }
}

}  // namespace

bool WriteSampleImageMap(const std::string& out, int q0row, int q0col, int size) {
    const int n = size;
    std::vector<LoadedSegment> segs(std::size_t(n) * n);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            const std::string base =
                out + "maps/TK50/TK50" + std::string{Letter(q0row + r), Letter(q0col + c)};
            LoadedSegment& s = segs[std::size_t(r) * n + c];
            if (ReadMifSegment(base + ".mif", kSide, s) != SegmentFileResult::Ok &&
                ReadBmpSegment(base + ".bmp", kSide, s) != SegmentFileResult::Ok)
                return false;
        }
    // Grid metres of the block's north-west corner and of the sheet's centre.
    const double west = 370000.0 + q0col * kSegMetres, north = 5220000.0 - q0row * kSegMetres;
    // The centre sits a little south so that a cross road and the villages by
    // both rivers are on the sheet.
    const double cE = west + n * kSegMetres / 2, cN = north - n * kSegMetres / 2 - 2000;
    const double segPx = kSegMetres / kSide;
    const int stride = DibStride(kWidth);
    std::vector<std::uint8_t> px(std::size_t(stride) * kHeight, 0);
    const double ct = std::cos(kTurn), st = std::sin(kTurn);
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = &px[std::size_t(kHeight - 1 - y) * stride];
        for (int x = 0; x < kWidth; ++x) {
            // Image right and down, turned, in metres from the centre.
            const double u = (x + 0.5 - kWidth / 2.0) * kScanMetres,
                         v = (y + 0.5 - kHeight / 2.0) * kScanMetres;
            const double e = cE + ct * u + st * v, nn = cN + st * u - ct * v;
            const long long gx = (long long)std::floor((e - west) / segPx);
            const long long gy = (long long)std::floor((north - nn) / segPx);
            if (gx < 0 || gy < 0 || gx >= (long long)n * kSide || gy >= (long long)n * kSide) continue;
            const LoadedSegment& s = segs[std::size_t(gy / kSide) * n + std::size_t(gx / kSide)];
            const long long sy = kSide - 1 - gy % kSide;  // segment rows are bottom-up
            row[x] = s.data[std::size_t(sy) * DibStride(kSide) + std::size_t(gx % kSide)];
        }
    }
    RgbQuad pal[256];
    MakePalette(pal);
    std::error_code ec;
    std::filesystem::create_directories(out + "images", ec);
    return !ec && WriteBmpSegment(out + "images/Region.bmp", px.data(), kWidth, kHeight, stride, pal);
}
