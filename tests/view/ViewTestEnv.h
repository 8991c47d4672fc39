#pragma once
// An application object, a scripted prompter and a document whose map
// folders lie in a temporary directory, with helpers that write hand-made
// segments into them.

#include <cstdint>
#include <functional>
#include <vector>

#include "SegmentWriters.h"
#include "AppDocEnv.h"
#include "doc/SegmentCache.h"

struct ViewTestEnv : AppDocEnv {
    ViewTestEnv() {
        CreateFolders(true);
        // Distinct colours per layer: G, RP, H, C, NP, I.
        CColorScheme sc;
        sc.name = "Test";
        sc.colors[0] = RGBRef(0, 200, 0);
        sc.colors[1] = RGBRef(150, 75, 0);
        sc.colors[2] = RGBRef(0, 0, 255);
        sc.colors[3] = RGBRef(255, 0, 0);
        sc.colors[4] = RGBRef(255, 0, 255);
        sc.colors[5] = RGBRef(10, 10, 10);
        app.appearance.schemes = {sc};
        Make();
    }

    // Writes segment index of the series filled with fill, or value(x, y),
    // where pixel (x, y) is counted from the top-left.
    struct Spot {
        int x, y;
        std::uint8_t v;
    };
    bool WriteSegment(int series, int index, std::uint8_t fill, const std::vector<Spot>& spots = {}) {
        const int p = DefaultMapType(series).pixels, stride = DibStride(p);
        std::vector<std::uint8_t> px(std::size_t(stride) * p, fill);
        for (const Spot& s : spots) px[std::size_t(p - 1 - s.y) * stride + s.x] = s.v;
        return WriteMifSegment(doc->SegmentFilePath(series, index, ".mif"), px.data(), p, p, stride);
    }
    bool WriteSegment(int series, int index, const std::function<std::uint8_t(int x, int y)>& value) {
        const int p = DefaultMapType(series).pixels, stride = DibStride(p);
        std::vector<std::uint8_t> px(std::size_t(stride) * p);
        for (int y = 0; y < p; ++y)
            for (int x = 0; x < p; ++x) px[std::size_t(p - 1 - y) * stride + x] = value(x, y);
        return WriteMifSegment(doc->SegmentFilePath(series, index, ".mif"), px.data(), p, p, stride);
    }
};
