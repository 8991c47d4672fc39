#pragma once
// An application object, a scripted prompter and a document whose map
// folders lie in a temporary directory, with helpers that write hand-made
// segments into them.

#include <cstdint>
#include <functional>
#include <vector>

#include "AppDocEnv.h"
#include "SegmentWriters.h"
#include "doc/SegmentCache.h"

struct ViewTestEnv : AppDocEnv {
    ViewTestEnv() {
        CreateFolders(true);
        // Distinct colours per layer: G, RP, H, C, NP, I.
        CColorScheme sc;
        sc.name = "Test";
        const COLORREF colours[] = {RGBRef(0, 200, 0), RGBRef(150, 75, 0),  RGBRef(0, 0, 255),
                                    RGBRef(255, 0, 0), RGBRef(255, 0, 255), RGBRef(10, 10, 10)};
        std::copy(std::begin(colours), std::end(colours), sc.colors);
        app.appearance.schemes = {sc};
        Make();
    }

    // Writes segment index of the series with value(x, y) at pixel (x, y),
    // counted from the top-left; or filled with fill, but for some spots.
    bool WriteSegment(int series, int index, const std::function<std::uint8_t(int x, int y)>& value) {
        const int p = DefaultMapType(series).pixels, stride = DibStride(p);
        std::vector<std::uint8_t> px(std::size_t(stride) * p);
        for (int y = 0; y < p; ++y)
            for (int x = 0; x < p; ++x) px[std::size_t(p - 1 - y) * stride + x] = value(x, y);
        return WriteMifSegment(doc->SegmentFilePath(series, index, ".mif"), px.data(), p, p, stride);
    }
    struct Spot {
        int x, y;
        std::uint8_t v;
    };
    bool WriteSegment(int series, int index, std::uint8_t fill, const std::vector<Spot>& spots = {}) {
        return WriteSegment(series, index, [&](int x, int y) {
            for (const Spot& s : spots)
                if (s.x == x && s.y == y) return s.v;
            return fill;
        });
    }
};
