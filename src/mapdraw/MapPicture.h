#pragma once
// The map picture: segment bitmaps of a series coloured through a layer
// colour scheme, or the single image of an image map. Paints through a
// QPainter, so the same code serves the screen, the printer and test images.

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QRgb>
#include <cstdint>
#include <string>

#include "doc/MapViewDesc.h"
#include "settings/AppSettings.h"

class CVornaDoc;
class QPainter;

// Layer switch indexes (0-5 are the map's colour layers G, RP, H, C, NP, I).
enum : int {
    kLayerForest = 0,
    kLayerRelief = 1,
    kLayerWater = 2,
    kLayerRoads = 3,
    kLayerObjects = 4,
    kLayerNames = 5,
    kLayerGKGrid = 8,
    kLayerWaypoints = 9,
    kLayerTrackLog = 10,
    kLayerVector = 11,
    kLayerDmrViewPoint = 12,
    kLayerPrintGrid = 13,
    kLayerSearchArea = 14,
};

enum : int { kSeriesPK250 = 0, kSeriesTK50 = 1, kSeriesTK25 = 2, kSeriesTN10 = 3, kSeriesOF50 = 4 };

// Where a drawing pass goes and what it needs of the window around it.
class CNmeaReceiver;

struct DrawTarget {
    bool printing = false;
    int dpiX = 150;  // device resolution; used when printing
    int dpiY = 150;
    bool hasDmrView = false;             // the frame holds a 3-D view
    int splitStyle = 1;                  // the frame's pane layout
    const CNmeaReceiver* gps = nullptr;  // the live position, when the pane has a receiver
};

inline QRgb ColorRefToRgb(COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

// The scheme a series is drawn with on this target; a stored choice outside
// the table falls back to the first scheme (or built-in colours).
CColorScheme ChosenScheme(const CAppearanceSettings& a, int series, bool printing);

// Palette of a layer series (0-3): entry v takes the colour of the last
// switched-on layer of v's bits in the order G, NP, H, C, RP, I; 0 and
// 128-255 stay white. TK25 and TN10 hide their overlay layers when the
// overlay is off.
void BuildLayerPalette(int series, const std::int32_t* layers, int overlay, const CColorScheme& scheme,
                       QRgb out[256]);
// Orthophoto palette: 0 white, v grey level v.
void BuildOrthoPalette(QRgb out[256]);

// A bottom-up, 4-byte-padded pixel block: 8 bits (segments) or any
// uncompressed bitmap depth (1, 4, 8 through the palette; 16, 24, 32 direct).
// A 32-bit image the painter reaches through the raster engine with a
// whole-pixel offset, where writing an opaque pixel is exactly what drawing
// it does. Printers, scaled painters and shared images do not qualify.
struct DirectTarget {
    QImage* image = nullptr;
    QPoint offset;  // logical to device pixels
    QRegion clip;   // device pixels the painter may change
};
bool FindDirectTarget(QPainter& dc, DirectTarget& t);

struct IndexedBits {
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes per row
    int bitCount = 8;
};

// 8-bit pixels through a 256-entry palette, as opaque colours. The palette
// is laid out once for a whole picture; rows of colour-layer values then go
// through in wide steps where the processor has them.
struct PaletteRows {
    explicit PaletteRows(const QRgb palette[256]);
    void Convert(const std::uint8_t* in, int n, QRgb* out) const;

    QRgb colour[256];
    // Blue, green and red of entries 0-63 in 16-entry parts, each part twice.
    std::uint8_t planes[3][4][32];
};

// The image map the document holds, or no bits when it holds none or its
// block is too short for its header.
IndexedBits DocImageBits(const CVornaDoc& doc);

// StretchDIBits for bottom-up bits: source (sx, sy, sw, sh) with sy
// counted from the bottom row, stretched nearest-neighbour onto the device
// rectangle dest. Only the part inside clip (device pixels) is converted, so
// a large segment costs only what shows.
void StretchIndexed(QPainter& dc, const IndexedBits& src, const QRgb palette[256], const QRect& dest, int sx,
                    int sy, int sw, int sh, const QRect& clip);
// The bottom-up rows lo..hi of src that StretchIndexed reads with these
// arguments (src.bits need not be set); false when it reads none.
bool StretchedSourceRows(const IndexedBits& src, const QRect& dest, int sx, int sy, int sw, int sh,
                         const QRect& clip, int& lo, int& hi);

// The device rectangle a paint can reach: the clip bounds within the device.
QRect PaintBounds(QPainter& dc);

// dc.drawLine(p, q) with the painter's pen. A level line going right or an
// upright one going down, with a plain one-pixel pen and no smoothing or
// scaling, is filled as a rectangle: the same pixels, without the raster
// engine's one span per pixel, whose batches it hands to a worker thread
// and waits for.
void DrawPenLine(QPainter& dc, const QPoint& p, const QPoint& q);

void DrawMapBitmap(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc);
