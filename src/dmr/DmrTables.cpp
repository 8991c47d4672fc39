#include "dmr/DmrTables.h"

namespace dmr {

namespace {

std::uint32_t Rgb(int r, int g, int b) {
    return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
}

struct Base {
    int r, g, b;
};

Base HypsometricBase(int i) {
    if (i == 0) return {0, 0, 255};
    if (i < 256) return {i, 255, 128 - i / 2};
    if (i < 512) return {255 - (i - 256) / 4, 255 - (i - 256) / 2, (i - 256) / 2};
    if (i < 640) return {192, 128 + (i - 512) / 2, 128 + (i - 512) / 2};
    const int g = 192 + (i - 640) / 2;
    return {g, g, g};
}

int Dim(int j, int channel) { return int(j * channel / 70.0); }

Tables* Build() {
    static Tables t;
    for (int i = 0; i < kHeightSteps; ++i) {
        const Base c = HypsometricBase(i);
        for (int j = 0; j < kShades; ++j) t.hypsometric[i][j] = Rgb(Dim(j, c.r), Dim(j, c.g), Dim(j, c.b));
    }
    for (int j = 0; j < kShades; ++j) {
        const int g = Dim(j, 255);
        t.grey[j] = Rgb(g, g, g);
        for (int bits = 0; bits < 256; ++bits) {
            std::uint32_t c = Rgb(g, g, g);
            if (bits & 0x01) c = Rgb(0, 2 * g / 3, g / 2);  // forest
            if (bits & 0x04) c = Rgb(0, 0, g);              // water
            if (bits & 0x10) c = Rgb(g / 4, g / 4, g / 4);  // objects
            if (bits & 0x08) c = Rgb(0, 0, 0);              // roads
            t.layer[bits][j] = c;
        }
    }
    for (int u = 0; u <= kPatchSteps; ++u) {
        const double s = u / double(kPatchSteps), r = 1.0 - s;
        t.bernstein[0][u] = r * r * r;
        t.bernstein[1][u] = 3.0 * s * r * r;
        t.bernstein[2][u] = 3.0 * s * s * r;
        t.bernstein[3][u] = s * s * s;
    }
    return &t;
}

}  // namespace

const Tables& GetTables() {
    static const Tables* t = Build();
    return *t;
}

}  // namespace dmr
