// Quadrant and segment grids: index, name and coverage rules.
#include <cmath>

#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "geo/Convert.h"

namespace {
const std::string kEmpty;

// Whole metres of a coordinate; false when it cannot be one of the grid's.
bool WholeMetres(double v, long long& out) {
    if (!std::isfinite(v) || std::fabs(v) > 1e12) return false;
    out = static_cast<long long>(v);  // trunc toward zero, in range
    return true;
}
}  // namespace

char CVornaDoc::QuadrantLetter(int k) {
    if (k < 1) return '-';
    if (k > 26) return '+';
    return char('A' + k - 1);
}

bool CVornaDoc::IsInsideMapArea(int mapType, double E, double N) {
    return mapType >= 0 && E >= kAreaWest && E <= kAreaEast && N >= kAreaSouth && N <= kAreaNorth;
}

int CVornaDoc::GetQuadrantIndex(double E, double N) {
    long long e, n;
    if (!WholeMetres(E, e) || !WholeMetres(N, n)) return -1;
    const long long column = e / 10000 - 37;
    const long long row = 521 - n / 10000;
    if (column < 0 || column >= kQuadrantsPerSide || row < 0 || row >= kQuadrantsPerSide) return -1;
    return int(row * kQuadrantsPerSide + column);
}

const std::string& CVornaDoc::GetQuadrantName(int q) const {
    if (q < 0 || q >= kBaseCount) return kEmpty;
    return QuadrantNames[q];
}

std::string CVornaDoc::GetQuadrantNameAt(double E, double N) const {
    const int q = GetQuadrantIndex(E, N);
    return q < 0 ? std::string() : QuadrantNames[q];
}

int CVornaDoc::GetWaypointQuadrantOf(int flags, double E, double N) {
    if (flags & 0x0008) return kTempBase;
    return GetQuadrantIndex(E, N);
}

int CVornaDoc::GetSegmentIndex(int series, double E, double N) const {
    if (series < 0 || series >= kMapTypeCount) return -1;
    const SegmentSeries& ser = SegCache[series];
    const long long s = ser.metres;
    const long long perSide = ser.perSide;
    if (s <= 0 || perSide <= 0) return -1;
    long long e, n;
    if (!WholeMetres(E, e) || !WholeMetres(N, n)) return -1;
    const double colD = std::floor(double(e - 370000) / double(s));
    if (colD < 0 || colD >= double(perSide)) return -1;
    const long long column = static_cast<long long>(colD);
    const long long row = 5220000 / s - n / s - 1;
    if (row < 0 || row >= perSide) return -1;
    return int(row * perSide + column);
}

int CVornaDoc::GetSegmentIndex(const MapViewDesc& desc, double E, double N) const {
    return GetSegmentIndex(desc.mapType, E, N);
}

const std::string& CVornaDoc::GetSegmentName(int series, int index) const {
    if (series < 0 || series >= kMapTypeCount) return kEmpty;
    const SegmentSeries& ser = SegCache[series];
    if (index < 0 || index >= int(ser.SegmentName.size())) return kEmpty;
    return ser.SegmentName[index];
}

const std::string& CVornaDoc::GetSegmentName(const MapViewDesc& desc, int index) const {
    return GetSegmentName(desc.mapType, index);
}

MapSize CVornaDoc::GetMapSizePixels(const MapViewDesc& desc) const {
    if (desc.mapType >= 0 && desc.mapType < kMapTypeCount) {
        const SegmentSeries& ser = SegCache[desc.mapType];
        return {ser.perSide * ser.pixels, ser.perSide * ser.pixels};
    }
    if (desc.mapType == kMapImage || desc.mapType == kMapImageGeo)
        return {ImageHeader.info.biWidth, ImageHeader.info.biHeight};
    return {100, 100};
}

std::string CVornaDoc::GetMapCaption(int mapType) const {
    if (mapType >= 0 && mapType < kMapTypeCount) return "CONT:" + SegCache[mapType].name + "->";
    if (mapType < kMapImage) return "NOMAP->";
    const auto slash = ImagePath.find_last_of('/');
    const std::string file = slash == std::string::npos ? ImagePath : ImagePath.substr(slash + 1);
    return Format("%s: %s (%d x %d x %d)->", mapType == kMapImage ? "IMAGE" : "IMAGEMAP", file.c_str(),
                  int(ImageHeader.info.biWidth), int(ImageHeader.info.biHeight),
                  int(ImageHeader.info.biBitCount));
}

void CVornaDoc::InitGrids() {
    for (int row = 0; row < kQuadrantsPerSide; ++row)
        for (int col = 0; col < kQuadrantsPerSide; ++col)
            QuadrantNames[row * kQuadrantsPerSide + col] = {QuadrantLetter(row), QuadrantLetter(col)};
    QuadrantNames[kTempBase] = "TEMP";
}
