#pragma once
// What one map pane shows and how grid metres become its pixels. The drawing
// code takes it by value, the transforms and the grid functions by reference.
// Kept in doc/ because the document's grid and cache operations take it.

#include <cstdint>

#include "geo/Types.h"
#include "settings/AppSettings.h"

#pragma pack(push, 1)

struct MapPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
};
struct MapSize {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
};

// Map types: -3 none, -2 image map without origin, -1 georeferenced image
// map, 0..4 the series PK250, TK50, TK25, TN10, OF50.
enum : std::int32_t { kMapNone = -3, kMapImage = -2, kMapImageGeo = -1 };

struct MapViewDesc {
    std::int32_t mapType = kMapNone;
    double scale = 1.0;
    std::int32_t segmentsPerSide = 0;
    std::int32_t segmentCount = 0;  // length of the pane's segment flag arrays
    std::int32_t segmentPixels = 0;
    std::int32_t segmentMetres = 0;
    std::int32_t layers[15] = {};  // 0 G, 1 RP, 2 H, 3 C, 4 NP, 5 I, 8 grid, 9 wpts, ...
    std::int32_t overlay = 0;
    std::int32_t printGrid = 0;
    std::int32_t dmrArea = 0;
    std::int32_t unselectedWpt = 0;
    std::int32_t tracking = 0;
    std::int32_t mouseScrolling = 0;
    double zoomX = 1.0;
    double zoomY = 1.0;
    MapPoint origin;        // map pixel at the client's top-left corner
    MapPoint deviceOffset;  // added before zooming; (0,0) on screen
    CPointD dmrViewPoint;
    double azimuth = 0.0;
    double viewAngle = 0.0;
    MapSize printSize;  // map pixels (150 dpi)
    CPointD printCenter;
    MapSize clientSize;
};

#pragma pack(pop)

// The series fields of a descriptor from the series' map-type row.
inline void SetSeriesGeometry(MapViewDesc& d, int series, const MapTypeInfo& info) {
    d.mapType = series;
    d.scale = info.scale;
    d.segmentsPerSide = info.segmentsPerSide;
    d.segmentCount = info.segmentCount;
    d.segmentPixels = info.pixels;
    d.segmentMetres = info.segmentMetres;
}
