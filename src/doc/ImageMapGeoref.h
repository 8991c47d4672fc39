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
