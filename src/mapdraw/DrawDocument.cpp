#include "mapdraw/DrawDocument.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "mapdraw/DmrMarker.h"
#include "mapdraw/MapOverlays.h"
#include "mapdraw/MapTransforms.h"
#include "mapdraw/PaintMessages.h"
#include "mapdraw/ViewModes.h"
#include "platform/Text.h"
#include "settings/AppSettings.h"

int HmmToPixels(int hmm) { return SaturateToInt(hmm * kHmmToPixels / 100.0); }

static std::string KmText(double metres) {
    std::string t = Format("%.1f", metres / 1000.0);
    if (!t.empty() && t.back() == '0' && t.size() >= 2) t.erase(t.size() - 2);
    return t;
}

std::string FormatKmPair(double E, double N) { return KmText(N) + " - " + KmText(E); }

// GDI rectangles exclude their right column and bottom row.
static QRect GdiRect(int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); }

void DrawPrintTitle(const AppSettings& app, QPainter& dc, const DrawTarget& target, MapViewDesc desc) {
    if (desc.mapType < 0 || !target.printing || app.printTitleMargin == 0) return;
    const GeorefParams geo;  // series only: the georeference is not read
    const double E = desc.printCenter.easting - PixelsToMetresX(desc.printSize.cx / 2, desc, geo);
    const double N = desc.printCenter.northing + PixelsToMetresX(desc.printSize.cy / 2, desc, geo);
    const std::string text = FormatKmPair(E, N);

    const int height = SaturateToInt(app.printTitleSize * -kHmmToPixels / 100.0 * desc.zoomY);
    if (height == 0) return;
    QFont font("Arial");
    font.setPixelSize(std::abs(height));
    font.setWeight(QFont::Bold);
    font.setItalic(false);
    font.setUnderline(false);

    dc.save();
    dc.setFont(font);
    dc.setPen(Qt::black);
    const int x = SaturateToInt((desc.printSize.cx / 2) * desc.zoomX);
    const int y = SaturateToInt(app.printMarginTop * kHmmToPixels / 100.0 * desc.zoomY);
    const QFontMetrics fm(font, dc.device());
    const QString q = Latin1Text(text);
    const int w = fm.horizontalAdvance(q);
    // Centred on x, the top of the character cell at y.
    dc.drawText(QPoint(x - w / 2, y + fm.ascent()), q);
    dc.restore();
}

void DrawDocument(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, MapViewDesc desc,
                  QuadrantFlags* quadrantFlags, SegmentFlags* segmentFlags) {
    if (desc.mapType == kMapNone) return;
    const AppSettings& app = doc.Settings();
    const GeorefParams geo = DocGeoref(doc);

    dc.save();
    if (!target.printing) {
        if (desc.mapType >= 0) {
            doc.VisibleArea = CRectD(DeviceToMap(desc.origin, desc, geo),
                                     DeviceToMap(SaturatedSum(desc.origin.x, desc.clientSize.cx),
                                                 SaturatedSum(desc.origin.y, desc.clientSize.cy), desc, geo));
            if (segmentFlags) doc.SelectActiveMapSegments(desc, doc.VisibleArea, *segmentFlags, 0);
        }
    } else {
        const MapPoint c = MapToDevice(desc.printCenter.easting, desc.printCenter.northing, desc, geo);
        desc.origin = {SaturatedSum(c.x, -(desc.printSize.cx / 2)),
                       SaturatedSum(c.y, -(desc.printSize.cy / 2))};
        desc.deviceOffset = {
            HmmToPixels(app.printMarginLeft),
            SaturateToInt((app.printMarginTop + app.printTitleMargin) * kHmmToPixels / 100.0)};
        desc.zoomX = target.dpiX / 150.0;
        desc.zoomY = target.dpiY / 150.0;
        doc.VisibleArea = CRectD(DeviceToMap(desc.origin, desc, geo),
                                 DeviceToMap(SaturatedSum(desc.origin.x, desc.printSize.cx),
                                             SaturatedSum(desc.origin.y, desc.printSize.cy), desc, geo));
        if (segmentFlags) doc.SelectActiveMapSegments(desc, doc.VisibleArea, *segmentFlags, 1);

        const int t = HmmToPixels(app.printTitleMargin);
        const int ox = desc.deviceOffset.x, oy = desc.deviceOffset.y;
        const int W = desc.printSize.cx, H = desc.printSize.cy;
        const double zx = desc.zoomX, zy = desc.zoomY;
        const auto X = [zx](long long v) { return SaturateToInt(double(v) * zx); };
        const auto Y = [zy](long long v) { return SaturateToInt(double(v) * zy); };
        dc.setClipRect(GdiRect(X(ox), Y(1LL * oy - t), X(1LL * ox + W), Y(1LL * oy + H)), Qt::IntersectClip);
        DrawPrintTitle(app, dc, target, desc);
        dc.setClipRect(GdiRect(X(ox), Y(oy), X(1LL * ox + W), Y(1LL * oy + H)), Qt::IntersectClip);
    }

    DrawMapBitmap(doc, dc, target, desc);
    if (desc.layers[kLayerSearchArea]) DrawSearchArea(doc, dc, target, desc);
    if (desc.layers[kLayerWaypoints]) DrawAllWaypoints(doc, dc, target, desc, quadrantFlags);
    if (desc.layers[kLayerTrackLog]) DrawTrackLog(doc, dc, target, desc);
    DrawRefPoints(doc, dc, target, desc);
    if (desc.layers[kLayerGKGrid]) DrawGKGrid(doc, dc, target, desc);
    if (desc.layers[kLayerPrintGrid]) DrawPrintGrid(doc, dc, target, desc);
    DrawGpsPosition(doc, dc, target, desc);
    if (desc.layers[kLayerDmrViewPoint]) {
        if (target.hasDmrView)
            DrawDmrInfo(doc, dc, target, desc);
        else if (SplitStyle(target.splitStyle) != SplitStyle::MapOnly &&
                 SplitStyle(target.splitStyle) != SplitStyle::TwoMaps)
            PaintMessage("Error! DMR Window active, but pDmrView in MainFrame is NULL");
    }
    dc.restore();
}
