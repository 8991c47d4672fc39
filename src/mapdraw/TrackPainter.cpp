#include "mapdraw/TrackPainter.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <vector>

#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/OverlayCache.h"
#include "mapdraw/OverlayRaster.h"
#include "mapdraw/WptPainter.h"
#include "settings/AppSettings.h"

namespace {

struct TrackMetrics {
    int thickness, rx, ry;
    TrackMetrics(const CAppearanceSettings& a, const MapViewDesc& d)
        : thickness(std::max(0, a.trackThickness)),
          rx(std::max(0, SaturateToInt(a.trackMarkerSize * d.zoomX))),
          ry(std::max(0, SaturateToInt(a.trackMarkerSize * d.zoomY))) {}
};

// The part of the line a..b inside box (Liang-Barsky, in doubles); false
// when none. A point saturated at the edge of the int range leaves the
// painter a line of pane size, not one of four thousand million pixels.
bool ClipToBox(MapPoint& a, MapPoint& b, const QRect& box) {
    const double x0 = a.x, y0 = a.y, ddx = double(b.x) - a.x, ddy = double(b.y) - a.y;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-ddx, ddx, -ddy, ddy};
    const double q[4] = {x0 - box.left(), box.right() - x0, y0 - box.top(), box.bottom() - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
    if (t1 < 1.0) b = {int(std::lround(x0 + t1 * ddx)), int(std::lround(y0 + t1 * ddy))};
    if (t0 > 0.0) a = {int(std::lround(x0 + t0 * ddx)), int(std::lround(y0 + t0 * ddy))};
    return true;
}

QPen TrackPen(QColor c, int width) {
    QPen pen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    return pen;
}

}  // namespace

OverlayCache& TrackOverlayCache() {
    static thread_local OverlayCache cache;
    return cache;
}

void PaintTrackLog(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc) {
    const CTrackLogStore& log = doc.TrackLogStore();
    const int count = std::min(log.Count(), int(log.Log().Data.size()));
    if (!log.Log().Allocated || count <= 0) return;
    const AppSettings& app = doc.Settings();
    const CAppearanceSettings& a = app.appearance;
    const bool print = target.printing || a.usePrinterColors;
    const GeorefParams geo = DocGeoref(doc);
    const TrackMetrics m(a, desc);
    const bool markers = a.trackMarkerSize > 0;
    const QColor normal(ColorRefToRgb(print ? a.trackPrintColor : a.trackScreenColor));
    const QColor selected(ColorRefToRgb(print ? a.trackSelPrintColor : a.trackSelScreenColor));
    const QPen pens[2] = {TrackPen(normal, m.thickness), TrackPen(selected, m.thickness)};
    const QColor brushes[2] = {normal, selected};
    const QRgb rgb[2] = {normal.rgb(), selected.rgb()};
    const int mx = SaturateToInt(m.thickness * desc.zoomX / 2 + m.rx + 2);
    const int my = SaturateToInt(m.thickness * desc.zoomY / 2 + m.ry + 2);

    const int first = app.gpsEnabled ? std::max(0, count - std::max(0, app.gpsLogDrawnPoints)) : 0;
    if (first >= count) return;  // no point to draw (and none to read at first)
    int lo = count, hi = -1;     // an empty range unless both ends are set
    if (log.SelStart >= 0 && log.SelEnd >= 0) {
        lo = std::min(log.SelStart, log.SelEnd);
        hi = std::max(log.SelStart, log.SelEnd);
    }
    const auto inRange = [lo, hi](int i) { return i >= lo && i <= hi; };

    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    const QRect clip = PaintBounds(dc);
    const TrackPoint* pts = log.Points();

    DirectPixels px(dc);
    const auto draw = [&](DirectPixels& out) {
        // The round pen's tip and the point marker as pixel runs, drawn once by
        // the painter, for writing straight into the pane.
        PixelRuns tip, marker;
        if (out.Usable()) {
            const int r = m.thickness + std::max(m.rx, m.ry) + 3;
            QImage sprite = BlankSprite(2 * r + 1, 2 * r + 1);
            {
                QPainter sp(&sprite);
                sp.setPen(TrackPen(Qt::black, m.thickness));
                sp.drawPoint(r, r);
            }
            tip = PixelRuns::From(sprite, {r, r}, [](QRgb) { return true; });
            sprite.fill(Qt::transparent);
            {
                QPainter sp(&sprite);
                sp.setPen(TrackPen(Qt::black, m.thickness));
                sp.setBrush(Qt::black);
                sp.drawEllipse(MarkerBox({r, r}, m.rx, m.ry).adjusted(0, 0, -1, -1));
            }
            marker = PixelRuns::From(sprite, {r, r}, [](QRgb) { return true; });
        }
        // Markers paint over the lines afterwards: a tip a marker covers is left out.
        const bool tipUnderMarker = markers && marker.Covers(tip);

        // Lines of one colour that join end to end go out as one polyline.
        QPolygon run;
        int runPen = -1;
        const auto flush = [&] {
            if (run.size() >= 2) {
                dc.setPen(pens[runPen]);
                dc.drawPolyline(run);
            }
            run.clear();
        };
        struct Marker {
            MapPoint at;
            int pen;
        };
        static thread_local std::vector<Marker> marks;  // kept: a paint allocates nothing once warm
        marks.clear();

        const ClientTransform toClient(desc, geo);
        MapPoint prev = toClient(pts[first].position);
        int lastEnd = -2;     // the point the last direct line ended at
        int lastMarked = -2;  // the last point given a marker
        for (int i = first; i < count; ++i) {
            const MapPoint q = toClient(pts[i].position);
            // The line's box widened by the pen and marker meets the clip.
            if (!clip.isEmpty() && std::max(prev.x, q.x) + (long long)mx >= clip.left() &&
                std::min(prev.x, q.x) - (long long)mx <= clip.right() &&
                std::max(prev.y, q.y) + (long long)my >= clip.top() &&
                std::min(prev.y, q.y) - (long long)my <= clip.bottom()) {
                if (pts[i].segmentStart || i == first) {
                    flush();
                } else {
                    const int p = inRange(i) && inRange(i - 1) ? 1 : 0;
                    const QPoint from(prev.x, prev.y);
                    if (out.Usable()) {
                        out.Line(from, QPoint(q.x, q.y), tip, rgb[p],
                                 lastEnd != i - 1 && !(tipUnderMarker && lastMarked == i - 1),
                                 !tipUnderMarker);
                        lastEnd = i;
                    } else {
                        // Ends beyond the pane (and its margin) are cut back to it.
                        MapPoint u = prev, v = q;
                        if (!ClipToBox(u, v, clip.adjusted(-mx, -my, mx, my))) {
                            flush();
                        } else {
                            const bool cut = u.x != prev.x || u.y != prev.y || v.x != q.x || v.y != q.y;
                            const QPoint s(u.x, u.y), e(v.x, v.y);
                            if (cut || p != runPen || run.isEmpty() || run.back() != s) {
                                flush();
                                runPen = p;
                                run << s;
                            }
                            run << e;
                            if (cut) flush();
                        }
                    }
                }
                if (markers) {
                    marks.push_back({q, inRange(i) ? 1 : 0});
                    lastMarked = i;
                }
            } else {
                flush();
            }
            prev = q;
        }
        flush();
        // Markers sit on top of the lines around them.
        for (const Marker& k : marks) {
            if (out.Usable()) {
                out.Put(marker, k.at.x, k.at.y, rgb[k.pen]);
                continue;
            }
            dc.setPen(pens[k.pen]);
            dc.setBrush(brushes[k.pen]);
            dc.drawEllipse(MarkerBox(k.at, m.rx, m.ry).adjusted(0, 0, -1, -1));
        }
    };
    if (px.Usable()) {
        OverlayHasher h;
        h.Value(desc);
        h.Value(geo);
        h.Value(target.printing);
        HashAppearance(h, a);
        const int range[] = {first, count, lo, hi};
        h.Value(range);
        h.Bytes(pts + first, std::size_t(count - first) * sizeof(TrackPoint));
        TrackOverlayCache().Paint(px, h.Key(), draw);
    } else {
        draw(px);
    }
    dc.restore();
}

QRect GetTrackPieceRect(const CAppearanceSettings& a, const MapViewDesc& desc, const GeorefParams& geo,
                        const CGpsTriple& piece) {
    const MapPoint p[3] = {MapToClient(piece.first, desc, geo), MapToClient(piece.second, desc, geo),
                           MapToClient(piece.third, desc, geo)};
    QRect box(QPoint(p[0].x, p[0].y), QSize(1, 1));
    for (const MapPoint& q : p) box |= QRect(QPoint(q.x, q.y), QSize(1, 1));
    const TrackMetrics m(a, desc);
    const auto margin = [&](double zoom, int r) {
        const int gps = SaturateToInt(a.gpsMarkerSize * zoom);
        return SaturateToInt(std::max(gps, r) + m.thickness * zoom / 2);
    };
    const int mx = margin(desc.zoomX, m.rx), my = margin(desc.zoomY, m.ry);
    return box.adjusted(-mx - 1, -my - 1, mx + 2, my + 2);
}

QRect GetTrackPieceRect(const CVornaDoc& doc, const MapViewDesc& desc, const CGpsTriple& piece) {
    return GetTrackPieceRect(doc.Settings().appearance, desc, DocGeoref(doc), piece);
}
