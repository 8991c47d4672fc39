#pragma once
// Placement of an image map on the local grid.

#include <cstdint>

#include "geo/Types.h"

struct ImageGeoref {
    struct Pixel {
        std::int32_t x = 0;
        std::int32_t y = 0;
    };
    Pixel PixelOffset;
    // Scale denominators of a 150 dpi scan: one pixel covers
    // 25.4 / 150 * scale / 1000 m.
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    double Rotation = 0.0;      // radians
    CPointD Origin;             // grid point of the image's pixel origin
    double MeanResidual = 0.0;  // pixels
    double MaxResidual = 0.0;   // pixels
    std::int32_t PairsUsed = 0;
};

// What an image's placement files may give. Scales run from 1:100 (a pixel
// of 1.7 cm: a plan scanned finely) to 1:10 000 000 (the whole area in 166
// pixels); pixels, offsets and clicks alike, stay within 1e8, which reaches
// across the widened area of IsUsableGridPosition at the finest scale; a
// rotation turns at most once either way.
constexpr double kMinImageScale = 100.0;
constexpr double kMaxImageScale = 1e7;
constexpr std::int32_t kMaxImagePixel = 100000000;
constexpr double kMaxImageRotation = 6.283185308;

inline bool IsUsableImageScale(double s) { return s >= kMinImageScale && s <= kMaxImageScale; }
inline bool IsUsableImagePixel(ImageGeoref::Pixel p) {
    return p.x >= -kMaxImagePixel && p.x <= kMaxImagePixel && p.y >= -kMaxImagePixel && p.y <= kMaxImagePixel;
}
