// The kilometre grid and the print-sheet grid over series maps.
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "mapdraw/DrawDocument.h"
#include "mapdraw/MapOverlays.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/MapTransforms.h"
#include "platform/Text.h"

namespace {

// More lines than any pane can show: a damaged area or step stops here.
constexpr long long kMaxLines = 20000;

bool UsableArea(const CRectD& v) {
    return std::isfinite(v.E1) && std::isfinite(v.E2) && std::isfinite(v.N1) && std::isfinite(v.N2) &&
           std::abs(v.E1) < 1e9 && std::abs(v.E2) < 1e9 && std::abs(v.N1) < 1e9 && std::abs(v.N2) < 1e9;
}

QPoint Q(const MapPoint& p) { return QPoint(p.x, p.y); }

}  // namespace

void DrawGKGrid(CVornaDoc& doc, QPainter& dc, const DrawTarget&, const MapViewDesc& desc) {
    const CRectD v = doc.VisibleArea;  // E1 west, E2 east, N1 north, N2 south
    if (desc.mapType < 0 || !UsableArea(v)) return;
    const GeorefParams geo = DocGeoref(doc);
    const long long g = desc.mapType == kSeriesPK250 ? 10000 : 1000;
    dc.save();
    dc.setPen(QPen(QColor(ColorRefToRgb(0xFF00FF)), 1));
    long long lines = 0;
    for (long long n = (SaturateToInt(v.N1) / g + 1) * g; n >= v.N2 && lines < kMaxLines; n -= g, ++lines)
        DrawPenLine(dc, Q(MapToClient(v.E1, double(n), desc, geo)),
                    Q(MapToClient(v.E2, double(n), desc, geo)));
    for (long long e = SaturateToInt(v.E1) / g * g; e <= v.E2 && lines < 2 * kMaxLines; e += g, ++lines)
        DrawPenLine(dc, Q(MapToClient(double(e), v.N1, desc, geo)),
                    Q(MapToClient(double(e), v.N2, desc, geo)));
    dc.restore();
}

bool PrintGridCells(const MapViewDesc& desc, const MapTypeInfo& series, int& W, int& H) {
    W = H = 0;
    if (series.gridStep <= 0 || !(series.scale > 0)) return false;
    MapViewDesc t = desc;
    t.mapType = 0;  // metres at the scale of the grid's series
    t.scale = series.scale;
    const GeorefParams none;
    W = PixelsToMetresX(desc.printSize.cx, t, none) / series.gridStep * series.gridStep;
    H = PixelsToMetresY(desc.printSize.cy, t, none) / series.gridStep * series.gridStep;
    return W > 0 && H > 0;
}

void DrawPrintGrid(CVornaDoc& doc, QPainter& dc, const DrawTarget&, const MapViewDesc& desc) {
    const CRectD v = doc.VisibleArea;
    if (desc.mapType < 0 || desc.printGrid < 0 || desc.printGrid >= kMapTypeCount || !UsableArea(v) ||
        !(desc.scale > 0))
        return;
    const MapTypeInfo& series = doc.Settings().mapTypes[desc.printGrid];
    int W = 0, H = 0;
    // A print area narrower or lower than one grid step tiles nothing.
    if (!PrintGridCells(desc, series, W, H)) return;
    const GeorefParams geo = DocGeoref(doc);

    const int h = std::clamp(SaturateToInt(desc.printSize.cy * series.scale / desc.scale / 10), 6, 32);
    QFont font("Arial");
    font.setPixelSize(std::max(1, std::abs(SaturateToInt(-h * desc.zoomY))));
    font.setWeight(QFont::Bold);
    font.setStyleStrategy(QFont::NoAntialias);

    constexpr long long kTop = 5222000, kWest = 370000;
    const long long nStart = kTop - (kTop - SaturateToInt(v.N1)) / H * H;
    const long long eStart = (SaturateToInt(v.E1) - kWest) / W * W + kWest;
    const long long rows = nStart >= v.N2 ? (nStart - (long long)std::ceil(v.N2)) / H + 1 : 0;
    const long long cols = eStart <= v.E2 ? ((long long)std::floor(v.E2) - eStart) / W + 1 : 0;
    if (rows > kMaxLines || cols > kMaxLines) return;

    dc.save();
    dc.setPen(QPen(QColor(ColorRefToRgb(0x0000FF)), 1));
    dc.setBackgroundMode(Qt::OpaqueMode);
    for (long long n = nStart; n >= v.N2; n -= H)
        DrawPenLine(dc, Q(MapToClient(v.E1, double(n), desc, geo)),
                    Q(MapToClient(v.E2, double(n), desc, geo)));
    for (long long e = eStart; e <= v.E2; e += W)
        DrawPenLine(dc, Q(MapToClient(double(e), v.N1, desc, geo)),
                    Q(MapToClient(double(e), v.N2, desc, geo)));

    dc.setBackgroundMode(Qt::TransparentMode);
    dc.setFont(font);
    const QFontMetrics fm(font, dc.device());
    if (rows * cols <= kMaxLines)
        for (long long n = nStart; n >= v.N2; n -= H)
            for (long long e = eStart; e <= v.E2; e += W) {
                const MapPoint p = MapToClient(double(e), double(n), desc, geo);
                dc.drawText(QPoint(p.x, p.y + fm.ascent()),
                            Latin1Text(" " + FormatKmPair(double(e), double(n))));
            }
    dc.restore();
}
