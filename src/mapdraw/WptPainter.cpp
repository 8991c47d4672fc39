#include "mapdraw/WptPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <memory>
#include <string>

#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/OverlayCache.h"
#include "mapdraw/OverlayRaster.h"
#include "mapdraw/PaintMessages.h"
#include "platform/Text.h"
#include "settings/AppSettings.h"

int WptStyleIndex(std::uint16_t flags) {
    if (flags & kWptTemporary) return 0;
    return std::min(int(flags & kWptLevelMask), kWptStyleCount - 1);
}

const WptStyle& WptStyleRow(const CAppearanceSettings& a, int style) {
    return a.wptDefaultOverride ? a.wptStyles[std::clamp(style, 0, kWptStyleCount - 1) + 1] : a.wptStyles[0];
}

QFont WptLabelFont(const CAppearanceSettings& a, const WptStyle& row, double zoomY) {
    QFont f(Latin1Text(std::string_view(a.wptFont).substr(0, 31)));
    f.setPixelSize(std::max(1, std::abs(SaturateToInt(-row.fontSize * zoomY))));
    f.setWeight(row.bold ? QFont::Bold : QFont::Normal);
    f.setItalic(row.italic != 0);
    f.setUnderline(row.underline != 0);
    f.setStyleStrategy(QFont::NoAntialias);  // labels keep their exact colour
    return f;
}

int ClampFading(int f) { return std::clamp(f, 0, 10); }

namespace {

bool PrintColours(const CAppearanceSettings& a, const DrawTarget& t) {
    return t.printing || a.usePrinterColors;
}

QColor Colour(COLORREF c) { return QColor(ColorRefToRgb(c)); }

// Gaps and marker radii in device pixels.
struct WptMetrics {
    int gapX, gapY, rx, ry, outline;
    // full: the rectangle's radius counts the whole outline, the drawn one half.
    WptMetrics(const CAppearanceSettings& a, const MapViewDesc& d, bool full) {
        const double o = full ? 1.0 : 0.5;
        gapX = SaturateToInt(a.labelDistance * d.zoomX);
        gapY = SaturateToInt(a.labelDistance * d.zoomY);
        rx = SaturateToInt(a.markerSize * d.zoomX + a.markerOutline * d.zoomX * o);
        ry = SaturateToInt(a.markerSize * d.zoomY + a.markerOutline * d.zoomY * o);
        outline = std::max(0, SaturateToInt(a.markerOutline * d.zoomX));
    }
};

// Top-left of a label of size (w, h) by the record's label position.
QPoint LabelTopLeft(MapPoint p, int w, int h, std::uint16_t flags, const WptMetrics& m) {
    switch (flags & kWptLabelMask) {
        case kWptLabelBelow:
            return {p.x - w / 2, p.y + m.gapY};
        case kWptLabelAbove:
            return {p.x - w / 2, p.y - h - m.gapY};
        case kWptLabelLeft:
            return {p.x - w - m.gapX, p.y - h / 2};
        default:
            return {p.x + m.gapX, p.y - h / 2};
    }
}

struct StyleTools {
    QFont font;
    std::shared_ptr<LabelGlyphs> glyphs;
    QColor colour[2];  // 0 hidden, 1 the style's own
    QRgb rgb[2];
};

}  // namespace

QRect GetWaypointRect(const CAppearanceSettings& a, const MapViewDesc& desc, const GeorefParams& geo,
                      const WaypointRecord& rec) {
    const std::shared_ptr<LabelGlyphs> glyphs =
        LabelGlyphs::For(WptLabelFont(a, WptStyleRow(a, WptStyleIndex(rec.Flags)), desc.zoomY));
    const int w = glyphs->Width(WptName(rec)), h = glyphs->Height();
    const WptMetrics m(a, desc, true);
    const MapPoint p = MapToClient(rec.E, rec.N, desc, geo);

    // The label where it is painted, and the gap up to the point.
    const QRect label =
        QRect(LabelTopLeft(p, w, h, rec.Flags, m), QSize(w + 1, h + 1)) | QRect(p.x, p.y, 1, 1);
    const QRect marker(QPoint(p.x - m.rx - 1, p.y - m.ry - 1), QPoint(p.x + m.rx + 1, p.y + m.ry + 1));
    return (label | marker).adjusted(-2, -2, 2, 2);
}

QRect GetWaypointRect(const CVornaDoc& doc, const MapViewDesc& desc, const WaypointRecord& rec) {
    return GetWaypointRect(doc.Settings().appearance, desc, DocGeoref(doc), rec);
}

OverlayCache& WptOverlayCache() {
    static thread_local OverlayCache cache;
    return cache;
}

void PaintWaypoints(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc,
                    QuadrantFlags* quadrantFlags) {
    if (desc.mapType == kMapImage || desc.mapType == kMapNone) return;
    const CAppearanceSettings& a = doc.Settings().appearance;
    const bool print = PrintColours(a, target);
    const GeorefParams geo = DocGeoref(doc);

    StyleTools tools[kWptStyleCount];
    int widest = 0, tallest = 0;
    for (int s = 0; s < kWptStyleCount; ++s) {
        const WptStyle& row = WptStyleRow(a, s);
        tools[s].font = WptLabelFont(a, row, desc.zoomY);
        tools[s].glyphs = LabelGlyphs::For(tools[s].font);
        tools[s].colour[0] = Colour(print ? a.hiddenPrintColor : a.hiddenScreenColor);
        tools[s].colour[1] = Colour(print ? row.printColor : row.screenColor);
        for (int j = 0; j < 2; ++j) tools[s].rgb[j] = tools[s].colour[j].rgb();
        widest = std::max(widest, tools[s].glyphs->Width("WWWWWW"));
        tallest = std::max(tallest, tools[s].glyphs->Height());
    }
    const WptMetrics m(a, desc, false);
    const int boxW = widest + m.gapX + m.rx, boxH = tallest + m.gapY + m.ry;

    // The pane's area widened by the largest label, so that a label reaching
    // in from a waypoint off the pane is drawn as well.
    const MapSize size = target.printing ? desc.printSize : desc.clientSize;
    const CPointD c1 = DeviceToMap(desc.origin, desc, geo);
    const CPointD c2 =
        DeviceToMap(SaturatedSum(desc.origin.x, size.cx), SaturatedSum(desc.origin.y, size.cy), desc, geo);
    const double dE = PixelsToMetresX(SaturateToInt(boxW / desc.zoomX), desc, geo);
    const double dN = PixelsToMetresY(SaturateToInt(boxH / desc.zoomY), desc, geo);
    const CRectD area(std::min(c1.easting, c2.easting) - dE, std::max(c1.northing, c2.northing) + dN,
                      std::max(c1.easting, c2.easting) + dE, std::min(c1.northing, c2.northing) - dN);
    if (quadrantFlags) doc.SelectActiveWptQuadrants(area, *quadrantFlags, 0);

    const int fading = ClampFading(print ? a.printOpacity : a.screenOpacity);
    const bool hideUnselected = desc.unselectedWpt == 2;
    const bool dimUnselected = desc.unselectedWpt != 0;
    const CWptDatabase& db = doc.Waypoints();
    const QRect clip = PaintBounds(dc);
    const ClientTransform toClient(desc, geo);

    // Calls f(copy of the record, style, client point) for every record drawn.
    const auto forEach = [&](const char* missing, auto&& f) {
        for (int q = 0; q < kBaseCount; ++q) {
            const WptBase& b = db.Base(q);
            if (!b.Loaded) {
                if (db.Claims(q) > 0) PaintMessage(missing);
                continue;
            }
            const int n = std::min(b.Count, int(b.Data.size()));
            for (int i = 0; i < n; ++i) {
                const WaypointRecord r = b.Data[std::size_t(i)];
                if (r.Flags & kWptDeleted) continue;
                if (r.E < area.E1 || r.E > area.E2 || r.N > area.N1 || r.N < area.N2) continue;
                if (hideUnselected && !(r.Flags & kWptSelected)) continue;
                const MapPoint p = toClient(r.E, r.N);
                const int s = WptStyleIndex(r.Flags);
                f(r, s, p);
            }
        }
    };

    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setRenderHint(QPainter::TextAntialiasing, false);
    dc.setBackgroundMode(Qt::TransparentMode);

    const IndexedBits img = desc.mapType == kMapImageGeo ? DocImageBits(doc) : IndexedBits{};
    if (fading > 0) {
        QRgb faded[256];
        for (int i = 0; i < 256; ++i) {
            const RgbQuad& c = doc.ImageHeader.palette[i];
            faded[i] = qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
        }
        for (int i = 0; i < 16; ++i) {
            const auto lift = [fading](int v) { return (v * (10 - fading) + 255 * fading) / 10; };
            faded[i] = qRgb(lift(qRed(faded[i])), lift(qGreen(faded[i])), lift(qBlue(faded[i])));
        }
        forEach("Error! Named Waypoint base not opened in DrawAllWaypoints!", [&](const WaypointRecord& r,
                                                                                  int s, MapPoint p) {
            if (!img.bits) return;
            const int w = tools[s].glyphs->Width(WptName(r)), h = tools[s].glyphs->Height();
            const QPoint tl = LabelTopLeft(p, w, h, r.Flags, m);
            const QRect box(tl, QSize(w, h));
            if (!box.intersects(clip)) return;
            const int sx = SaturateToInt(tl.x() / desc.zoomX) - desc.deviceOffset.x + desc.origin.x;
            const int sw = SaturateToInt(w / desc.zoomX), sh = SaturateToInt(h / desc.zoomY);
            const int sy =
                img.height - (SaturateToInt((tl.y() + h) / desc.zoomY) - desc.deviceOffset.y + desc.origin.y);
            StretchIndexed(dc, img, faded, box, sx, sy, sw, sh, clip);
        });
    }

    DirectPixels px(dc);
    const auto draw = [&](DirectPixels& out) {
        QPen pen(Qt::white);
        pen.setWidth(m.outline);
        // The marker's outline and fill as pixel runs, drawn once by the painter.
        const int reach = std::max(m.rx, m.ry) + m.outline + 3;
        QImage sprite = BlankSprite(2 * reach + 1, 2 * reach + 1);
        {
            QPainter sp(&sprite);
            sp.setPen(pen);
            sp.setBrush(Qt::black);
            sp.drawEllipse(MarkerBox({reach, reach}, m.rx, m.ry).adjusted(0, 0, -1, -1));
        }
        const QRgb white = qRgb(255, 255, 255);
        const PixelRuns outline = PixelRuns::From(sprite, {reach, reach}, [&](QRgb c) { return c == white; });
        const PixelRuns fill = PixelRuns::From(sprite, {reach, reach}, [&](QRgb c) { return c != white; });

        forEach("Error! Waypoint base not opened in DrawAllWaypoints!",
                [&](const WaypointRecord& r, int s, MapPoint p) {
                    const int j = dimUnselected && !(r.Flags & kWptSelected) ? 0 : 1;
                    const StyleTools& t = tools[s];
                    const std::string name = WptName(r);
                    const int w = t.glyphs->Width(name), h = t.glyphs->Height();
                    const QPoint tl = LabelTopLeft(p, w, h, r.Flags, m);
                    if (out.Usable()) {
                        out.Put(fill, p.x, p.y, t.rgb[j]);
                        out.Put(outline, p.x, p.y, white);
                        t.glyphs->Draw(out, tl.x(), tl.y(), name, t.rgb[j]);
                        return;
                    }
                    dc.setPen(pen);
                    dc.setBrush(t.colour[j]);
                    // Qt's outline spans width + 1 pixels.
                    dc.drawEllipse(MarkerBox(p, m.rx, m.ry).adjusted(0, 0, -1, -1));
                    t.glyphs->Draw(dc, tl.x(), tl.y(), name, t.colour[j]);
                });
    };
    // Kept between paints only when every pixel comes from the direct pass.
    bool keep = px.Usable() && !(fading > 0 && img.bits);
    OverlayHasher h;
    if (keep) {
        h.Value(desc);
        h.Value(geo);
        h.Value(target.printing);
        HashAppearance(h, a);
        for (int q = 0; q < kBaseCount && keep; ++q) {
            const WptBase& b = db.Base(q);
            h.Value(b.Loaded);
            if (!b.Loaded) {
                keep = db.Claims(q) <= 0;  // its message is said by the drawing pass
                continue;
            }
            const int n = std::min(b.Count, int(b.Data.size()));
            h.Value(n);
            h.Bytes(b.Data.data(), std::size_t(n) * sizeof(WaypointRecord));
        }
    }
    if (keep)
        WptOverlayCache().Paint(px, h.Key(), draw);
    else
        draw(px);
    dc.restore();
}
