// The search area over the map: the field's base and direction lines with
// the heading label, its bands of lettered points, the perimeter and the
// search routes, and the three corner markers.
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "platform/Text.h"
#include "view/MapOverlays.h"
#include "view/MapPicture.h"
#include "view/MapTransforms.h"

namespace {

constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kRouteColour = 0x8080FF;
constexpr COLORREF kPerimeterColour = 0x0000C4;
constexpr COLORREF kWhite = 0xFFFFFF;

QPen MakePen(COLORREF c, int width) {
    QPen p{QColor(ColorRefToRgb(c))};
    p.setWidth(width);
    if (width > 1) {
        p.setCapStyle(Qt::RoundCap);
        p.setJoinStyle(Qt::RoundJoin);
    }
    return p;
}

QFont LabelFont(double height) {
    QFont f("Arial");
    f.setPixelSize(std::max(1, std::abs(SaturateToInt(height))));
    f.setWeight(QFont::Bold);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

// GDI's Ellipse(l, t, r, b) paints neither column r nor row b.
void GdiEllipse(QPainter& dc, int l, int t, int r, int b) {
    dc.drawEllipse(QRect(l, t, r - l - 1, b - t - 1));
}

QPoint Q(const MapPoint& p) { return QPoint(p.x, p.y); }

// A small picture drawn once per paint and then copied pixel by pixel to each
// place it stands: the many band points and their labels would otherwise go
// through the painter's path and text machinery one by one.
struct Stamp {
    struct Pixel {
        int dx, dy;
        QRgb rgb;
    };
    std::vector<Pixel> pixels;
    int advance = 0;
};

// Renders into a transparent image whose origin is at (ox, oy) and keeps
// every opaque pixel relative to that origin.
template <class Draw>
Stamp MakeStamp(int w, int h, int ox, int oy, Draw draw) {
    QImage img(std::max(1, w), std::max(1, h), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.translate(ox, oy);
        draw(p);
    }
    Stamp s;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (const QRgb c = img.pixel(x, y); qAlpha(c) == 255)
                s.pixels.push_back({x - ox, y - oy, c | 0xFF000000u});
    return s;
}

class CStampTarget {
public:
    explicit CStampTarget(QPainter& dc) {
        DirectTarget t;
        if (!FindDirectTarget(dc, t) || t.clip.rectCount() != 1) return;
        m_Image = t.image;
        m_Offset = t.offset;
        m_Clip = t.clip.boundingRect();
        m_Bits = m_Image->bits();
        m_Stride = m_Image->bytesPerLine();
    }
    bool Usable() const { return m_Image != nullptr; }
    void Put(const Stamp& s, int x, int y) {
        x += m_Offset.x();
        y += m_Offset.y();
        const int l = m_Clip.left(), r = m_Clip.right(), t = m_Clip.top(), b = m_Clip.bottom();
        for (const Stamp::Pixel& p : s.pixels) {
            const long long px = 1LL * x + p.dx, py = 1LL * y + p.dy;
            if (px < l || px > r || py < t || py > b) continue;
            reinterpret_cast<QRgb*>(m_Bits + py * m_Stride)[px] = p.rgb;
        }
    }

private:
    QImage* m_Image = nullptr;
    QPoint m_Offset;
    QRect m_Clip;
    uchar* m_Bits = nullptr;
    long long m_Stride = 0;
};

class CSearchPainter {
public:
    CSearchPainter(CVornaDoc& doc, QPainter& dc, const MapViewDesc& desc)
        : m_Doc(doc),
          m_Dc(dc),
          m_Desc(desc),
          m_Geo(DocGeoref(doc)),
          m_Bounds(PaintBounds(dc)),
          m_PrevBrush(dc.brush()) {
        m_M = SaturateToInt(3 * desc.zoomX);
        m_My = SaturateToInt(3 * desc.zoomY);
        m_Thin = MakePen(kRed, SaturateToInt(1 * desc.zoomX));
        m_Medium = MakePen(kRed, SaturateToInt(2 * desc.zoomX));
        m_Thick = MakePen(kRed, SaturateToInt(3 * desc.zoomX));
        m_Route = MakePen(kRouteColour, SaturateToInt(2 * desc.zoomX));
        m_Perimeter = MakePen(kPerimeterColour, SaturateToInt(3 * desc.zoomX));
        m_Outline = MakePen(kWhite, SaturateToInt(1 * desc.zoomX));
        m_PointFont = LabelFont(-10 * desc.zoomY);
        m_LetterFont = LabelFont(-15 * desc.zoomY);
        // Labels and markers reach this far beyond a point.
        m_Reach = std::max(60, SaturateToInt(60 * std::max(desc.zoomX, desc.zoomY)));
    }

    void Paint();

private:
    MapPoint C(const CPointD& p) const { return MapToClient(p, m_Desc, m_Geo); }
    bool Near(const MapPoint& p) const {
        return p.x > m_Bounds.left() - m_Reach && p.x < m_Bounds.right() + m_Reach &&
               p.y > m_Bounds.top() - m_Reach && p.y < m_Bounds.bottom() + m_Reach;
    }
    void Marker(const MapPoint& r) {
        if (m_Target.Usable()) return m_Target.Put(MarkerStamp(), r.x, r.y);
        GdiEllipse(m_Dc, r.x - m_M, r.y - m_My, r.x + m_M + 1, r.y + m_My + 1);
    }
    // Centred on x, the character cell's top at y; a letter and at least two
    // digits of k ("A01"), composed without the formatter: there are many.
    void PointLabel(char letter, int k, int x, int y, const QFontMetrics& fm) {
        char buf[16];
        int n = 0;
        buf[n++] = letter;
        char digits[12];
        int d = 0;
        for (unsigned v = unsigned(k < 0 ? 0 : k); v > 0 || d < 2; v /= 10) digits[d++] = char('0' + v % 10);
        while (d > 0) buf[n++] = digits[--d];
        if (m_Target.Usable() && m_Dc.font() == m_PointFont) {
            int w = 0;
            for (int i = 0; i < n; ++i) w += Glyph(buf[i]).advance;
            x -= w / 2;
            for (int i = 0; i < n; ++i) {
                const Stamp& g = Glyph(buf[i]);
                m_Target.Put(g, x, y);
                x += g.advance;
            }
            return;
        }
        const QString s = QString::fromLatin1(buf, n);
        const QPen outline = m_Dc.pen();
        m_Dc.setPen(QColor(ColorRefToRgb(kRed)));  // the text colour
        m_Dc.drawText(QPoint(x - fm.horizontalAdvance(s) / 2, y + fm.ascent()), s);
        m_Dc.setPen(outline);
    }
    const Stamp& MarkerStamp() {
        if (!m_HasMarker) {
            const int m = m_M, my = m_My;
            const QPen pen = m_Dc.pen();
            const QBrush brush = m_Dc.brush();
            m_Marker = MakeStamp(2 * m + 4, 2 * my + 4, m + 1, my + 1, [&](QPainter& p) {
                p.setPen(pen);
                p.setBrush(brush);
                GdiEllipse(p, -m, -my, m + 1, my + 1);
            });
            m_HasMarker = true;
        }
        return m_Marker;
    }
    // A character of the point font, its cell's top-left at the origin.
    const Stamp& Glyph(char c) {
        const int k = c & 0x7F;
        if (!m_HasGlyph[k]) {
            const QFontMetrics fm(m_PointFont, m_Dc.device());
            const int adv = fm.horizontalAdvance(QChar(c));
            const QFont font = m_PointFont;
            m_Glyphs[k] = MakeStamp(adv + 4, fm.height() + 2, 1, 1, [&](QPainter& p) {
                p.setFont(font);
                p.setPen(QColor(ColorRefToRgb(kRed)));
                p.drawText(QPoint(0, fm.ascent()), QString(QChar(c)));
            });
            m_Glyphs[k].advance = adv;
            m_HasGlyph[k] = true;
        }
        return m_Glyphs[k];
    }
    void Grid(const SearchGrid& g);
    void Routes(const SearchAreaData& d);
    // The points i of band b that may show: a range of i (linear along the band).
    void VisibleRange(const SearchGrid& g, int b, int& first, int& last) const;

    CVornaDoc& m_Doc;
    QPainter& m_Dc;
    const MapViewDesc& m_Desc;
    GeorefParams m_Geo;
    QRect m_Bounds;
    int m_M, m_My, m_Reach;
    QPen m_Thin, m_Medium, m_Thick, m_Route, m_Perimeter, m_Outline;
    QBrush m_PrevBrush;
    QFont m_PointFont, m_LetterFont;
    CStampTarget m_Target{m_Dc};
    Stamp m_Marker;
    bool m_HasMarker = false;
    Stamp m_Glyphs[128];
    bool m_HasGlyph[128] = {};
};

void CSearchPainter::VisibleRange(const SearchGrid& g, int b, int& first, int& last) const {
    first = 0;
    last = g.points - 1;
    if (g.points < 64) return;
    // Client positions are affine in i; clip the parameter to the bounds.
    const MapPoint p0 = C(g.Point(b, 0)), p1 = C(g.Point(b, g.points - 1));
    double lo = 0, hi = 1;
    const auto clip = [&](double a0, double a1, double min, double max) {
        const double d = a1 - a0;
        if (std::abs(d) < 1e-9) {
            if (a0 < min || a0 > max) lo = 1, hi = 0;
            return;
        }
        double t0 = (min - a0) / d, t1 = (max - a0) / d;
        if (t0 > t1) std::swap(t0, t1);
        lo = std::max(lo, t0);
        hi = std::min(hi, t1);
    };
    clip(p0.x, p1.x, m_Bounds.left() - m_Reach, m_Bounds.right() + m_Reach);
    clip(p0.y, p1.y, m_Bounds.top() - m_Reach, m_Bounds.bottom() + m_Reach);
    if (lo > hi) {
        first = 0;
        last = -1;
        return;
    }
    const double n = g.points - 1;
    first = std::max(0, int(std::floor(lo * n)) - 1);
    last = std::min(g.points - 1, int(std::ceil(hi * n)) + 1);
}

void CSearchPainter::Grid(const SearchGrid& g) {
    const QFontMetrics pointMetrics(m_PointFont, m_Dc.device());
    const QFontMetrics letterMetrics(m_LetterFont, m_Dc.device());
    QPoint at = Q(C(CPointD(g.S.easting + g.dir.easting, g.S.northing + g.dir.northing)));
    const int dropY = SaturateToInt(5 * m_Desc.zoomY);
    for (int b = 0; b < g.bands; ++b) {
        const CPointD P = g.BandStart(b);
        const QPoint q = Q(C(CPointD(P.easting + g.dir.easting, P.northing + g.dir.northing)));
        m_Dc.setPen(m_Thin);
        m_Dc.drawLine(at, q);
        at = q;

        m_Dc.setPen(m_Outline);
        int first, last;
        VisibleRange(g, b, first, last);
        const QString letter(QChar(SearchGrid::BandLetter(b)));
        for (int k = first; k <= last; ++k) {
            const MapPoint r = C(g.Point(b, k));
            if (!Near(r)) continue;
            Marker(r);
            if (k == 0) {
                // The band's letter 100 m behind the base line.
                const double f = 100.0 / g.L2;
                const MapPoint l = C(CPointD(P.easting - g.dir.easting * f, P.northing - g.dir.northing * f));
                m_Dc.setFont(m_LetterFont);
                m_Dc.setPen(QColor(ColorRefToRgb(kRed)));
                m_Dc.drawText(QPoint(l.x - letterMetrics.horizontalAdvance(letter) / 2, l.y + dropY), letter);
                m_Dc.setPen(m_Outline);
            } else {
                m_Dc.setFont(m_PointFont);
                PointLabel(SearchGrid::BandLetter(b), k, r.x, SaturateToInt(r.y + 2 * m_Desc.zoomY),
                           pointMetrics);
            }
        }

        const CPointD P2 = g.Boundary(b + 1);
        const QPoint q2 = Q(C(CPointD(P2.easting + g.dir.easting, P2.northing + g.dir.northing)));
        m_Dc.setPen(m_Thin);
        if (b < g.nb) {
            m_Dc.drawLine(at, q2);
            m_Dc.drawLine(q2, Q(C(P2)));
        }
        at = q2;
    }
}

void CSearchPainter::Routes(const SearchAreaData& d) {
    const QFontMetrics pointMetrics(m_PointFont, m_Dc.device());
    for (int r = 0; r < kRouteSlots; ++r) {
        const SearchRoute& route = d.Routes[r];
        const int n = std::clamp(route.Count, 0, kRoutePoints);
        if (n < 1) continue;
        QPoint pts[kRoutePoints + 1];
        for (int i = 0; i < n; ++i) pts[i] = Q(C(route.Points[i]));
        int count = n;
        if (r == 0 && !m_Doc.SearchArea().RouteBeingDrawn[0]) pts[count++] = pts[0];
        m_Dc.setPen(r == 0 ? m_Perimeter : m_Route);
        m_Dc.setBrush(Qt::NoBrush);
        m_Dc.drawPolyline(pts, count);
        m_Dc.setPen(m_Outline);
        m_Dc.setBrush(QColor(ColorRefToRgb(kRed)));
        m_Dc.setFont(m_PointFont);
        for (int i = 0; i < n; ++i) {
            const MapPoint p{pts[i].x(), pts[i].y()};
            Marker(p);
            if (r >= 1)
                PointLabel(char('Q' + r), i, p.x, SaturateToInt(p.y + 2 * m_Desc.zoomY), pointMetrics);
        }
    }
}

void CSearchPainter::Paint() {
    const SearchAreaData& d = m_Doc.SearchData();
    const bool a = IsSearchPointSet(d.BaseStart), b = IsSearchPointSet(d.BaseEnd),
               c = IsSearchPointSet(d.DirectionEnd);
    m_Dc.setPen(m_Thick);
    m_Dc.setBrush(QColor(ColorRefToRgb(kRed)));
    m_Dc.setBackgroundMode(Qt::TransparentMode);

    double az = std::atan2(d.DirectionEnd.easting - d.BaseStart.easting,
                           d.DirectionEnd.northing - d.BaseStart.northing);
    if (az < 0) az += 6.283185308;
    az *= 57.29577950560105;
    const MapPoint A = C(d.BaseStart), B = C(d.BaseEnd), V = C(d.DirectionEnd);

    if (a && b && c) {
        QFont f = LabelFont(-20 * m_Desc.zoomY);
        const double reduced = az > 180 ? az - 180 : az;
        const int esc = SaturateToInt((90 - reduced) * 10);
        const QString text = QString::fromLatin1("    %1\xB0    ").arg(QString::asprintf("%.0f", az));
        m_Dc.save();
        m_Dc.setFont(f);
        m_Dc.setPen(QColor(ColorRefToRgb(kRed)));
        m_Dc.translate(V.x, V.y);
        m_Dc.rotate(-esc / 10.0);
        const QFontMetrics fm(f, m_Dc.device());
        m_Dc.drawText(QPoint(az > 180 ? -fm.horizontalAdvance(text) : 0, 0), text);
        m_Dc.restore();
    }
    if (a && b) m_Dc.drawLine(Q(A), Q(B));
    m_Dc.setPen(m_Thin);
    if (a && c) m_Dc.drawLine(Q(A), Q(V));

    SearchGrid g;
    if (a && b && c && MakeSearchGrid(d, g)) {
        m_Dc.setBrush(QColor(ColorRefToRgb(kRed)));
        Grid(g);
    }
    Routes(d);

    m_Dc.setPen(m_Medium);
    m_Dc.setBrush(m_PrevBrush);
    const int m = SaturateToInt(4 * m_Desc.zoomX), my = SaturateToInt(4 * m_Desc.zoomY);
    const std::pair<bool, MapPoint> corners[] = {{a, A}, {b, B}, {c, V}};
    for (const auto& [set, p] : corners)
        if (set) GdiEllipse(m_Dc, p.x - m, p.y - my, p.x + m + 1, p.y + my + 1);
}

}  // namespace

void DrawSearchArea(CVornaDoc& doc, QPainter& dc, const DrawTarget&, const MapViewDesc& desc) {
    if (desc.mapType < kMapImageGeo) return;
    dc.save();
    CSearchPainter(doc, dc, desc).Paint();
    dc.restore();
}
