// Quadrant grid: index, name and coverage rules.
#include "doc/Grids.h"

#include <array>
#include <cmath>

namespace {
const std::string kNoName;

const std::array<std::string, kBaseCount>& NameTable() {
    static const std::array<std::string, kBaseCount> names = [] {
        std::array<std::string, kBaseCount> t;
        for (int row = 0; row < kQuadrantsPerSide; ++row)
            for (int col = 0; col < kQuadrantsPerSide; ++col)
                t[std::size_t(row * kQuadrantsPerSide + col)] = {QuadrantLetter(row), QuadrantLetter(col)};
        t[kTempBase] = "TEMP";
        return t;
    }();
    return names;
}
}  // namespace

bool WholeMetres(double v, long long& out) {
    if (!std::isfinite(v) || std::fabs(v) > 1e12) return false;
    out = static_cast<long long>(v);  // toward zero, in range
    return true;
}

char QuadrantLetter(int k) {
    if (k < 1) return '-';
    if (k > 26) return '+';
    return char('A' + k - 1);
}

bool IsInsideMapArea(int mapType, double E, double N) {
    return mapType >= 0 && E >= kAreaWest && E <= kAreaEast && N >= kAreaSouth && N <= kAreaNorth;
}

bool IsUsableGridPosition(double E, double N) {
    return E >= kAreaWest - kFileAreaMargin && E <= kAreaEast + kFileAreaMargin &&
           N >= kAreaSouth - kFileAreaMargin && N <= kAreaNorth + kFileAreaMargin;
}

int GetQuadrantIndex(double E, double N) {
    long long e, n;
    if (!WholeMetres(E, e) || !WholeMetres(N, n)) return -1;
    const long long column = e / kQuadrantMetres - 37;
    const long long row = 521 - n / kQuadrantMetres;
    if (column < 0 || column >= kQuadrantsPerSide || row < 0 || row >= kQuadrantsPerSide) return -1;
    return int(row * kQuadrantsPerSide + column);
}

const std::string& QuadrantName(int q) {
    if (q < 0 || q >= kBaseCount) return kNoName;
    return NameTable()[std::size_t(q)];
}
