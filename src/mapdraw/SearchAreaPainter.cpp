// The search area over the map: the field's base and direction lines with
// the heading label, its bands of lettered points, the perimeter and the
// search routes, and the three corner markers.
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "mapdraw/MapOverlays.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/MapTransforms.h"
#include "platform/Text.h"

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

int LabelPixels(double height) { return std::max(1, std::abs(SaturateToInt(height))); }

QFont LabelFont(int pixels) {
    QFont f("Arial");
    f.setPixelSize(pixels);
    f.setWeight(QFont::Bold);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

// GDI's Ellipse(l, t, r, b) paints neither column r nor row b.
void GdiEllipse(QPainter& dc, int l, int t, int r, int b) {
    dc.drawEllipse(QRect(l, t, r - l - 1, b - t - 1));
}

QPoint Q(const MapPoint& p) { return QPoint(p.x, p.y); }

// A small picture rendered once and then copied pixel by pixel to each place
// it stands: the many band points and their labels would otherwise go through
// the painter's path and text machinery one by one. Kept across paints.
struct Stamp {
    int ox = 0, oy = 0;  // top-left of the bits relative to the anchor
    int w = 0, h = 0, words = 0;
    std::vector<std::uint64_t> bits;  // opaque pixels, h rows of `words`
    std::vector<QRgb> colours;        // w x h; empty when all are `colour`
    QRgb colour = 0;
    int advance = 0;
};

// Renders into a transparent image whose anchor is at (ax, ay) and keeps the
// opaque pixels' bounding box.
template <class Draw>
Stamp MakeStamp(int w, int h, int ax, int ay, Draw draw) {
    QImage img(std::max(1, w), std::max(1, h), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.translate(ax, ay);
        draw(p);
    }
    const auto row = [&](int y) { return reinterpret_cast<const QRgb*>(img.constScanLine(y)); };
    int l = img.width(), t = img.height(), r = -1, b = -1;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* px = row(y);
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(px[x]) == 255) {
                l = std::min(l, x), r = std::max(r, x);
                t = std::min(t, y), b = std::max(b, y);
            }
    }
    Stamp s;
    if (r < 0) return s;
    s.ox = l - ax;
    s.oy = t - ay;
    s.w = r - l + 1;
    s.h = b - t + 1;
    s.words = (s.w + 63) / 64;
    s.bits.assign(std::size_t(s.h) * s.words, 0);
    s.colours.assign(std::size_t(s.h) * s.w, 0);
    for (int y = 0; y < s.h; ++y) {
        const QRgb* px = row(t + y) + l;
        for (int x = 0; x < s.w; ++x)
            if (const QRgb c = px[x]; qAlpha(c) == 255) {
                s.bits[std::size_t(y) * s.words + x / 64] |= std::uint64_t(1) << (x % 64);
                s.colours[std::size_t(y) * s.w + x] = c | 0xFF000000u;
                s.colour = c | 0xFF000000u;
            }
    }
    // One colour (text, a line) needs no table.
    if (std::all_of(s.colours.begin(), s.colours.end(), [&](QRgb c) { return c == 0 || c == s.colour; }))
        s.colours.clear();
    return s;
}

// Stamps by what they show; zooms come and go, so the cache stays small.
class CStampCache {
public:
    static CStampCache& Get() {
        static CStampCache cache;
        return cache;
    }
    // A character of the label font of this pixel size, anchored on its
    // baseline at the left of its cell.
    const Stamp& Glyph(int pixelSize, char c) {
        return Find({0, pixelSize, c & 0x7F, 0}, [&] {
            const QFont font = LabelFont(pixelSize);
            const QFontMetrics fm(font);
            const int adv = fm.horizontalAdvance(QChar(c)), m = fm.height();
            Stamp s = MakeStamp(adv + 2 * m, 3 * m, m, m + fm.ascent(), [&](QPainter& p) {
                p.setFont(font);
                p.setPen(QColor(ColorRefToRgb(kRed)));
                p.drawText(QPoint(0, 0), QString(QChar(c)));
            });
            s.advance = adv;
            return s;
        });
    }
    // The red point with its white outline, centred on the anchor.
    const Stamp& Marker(int m, int my, int outline) {
        return Find({1, m, my, outline}, [&] {
            return MakeStamp(2 * m + 4 + outline, 2 * my + 4 + outline, m + 1 + outline / 2,
                             my + 1 + outline / 2, [&](QPainter& p) {
                                 p.setPen(MakePen(kWhite, outline));
                                 p.setBrush(QColor(ColorRefToRgb(kRed)));
                                 GdiEllipse(p, -m, -my, m + 1, my + 1);
                             });
        });
    }

    // A point label (letter and number) as one stamp of a single colour and
    // one word per row, anchored at its centre on the baseline; null when
    // its glyphs do not allow it. Labels are many: kept compactly.
    struct Label {
        const std::uint64_t* bits;
        int ox, oy, w, h;
        QRgb colour;
    };
    bool FindLabel(int pixelSize, char letter, int k, Label& out) {
        const std::pair<int, int> key{pixelSize, letter & 0x7F};
        if (!m_LastSet || m_LastKey != key) m_LastSet = &m_Labels[key], m_LastKey = key;
        LabelSet& set = *m_LastSet;
        if (k < 0) return false;
        if (std::size_t(k) >= set.refs.size()) set.refs.resize(std::size_t(k) + 1);
        LabelRef& ref = set.refs[std::size_t(k)];
        if (ref.at == kNotMade) MakeLabel(pixelSize, letter, k, set, ref);
        if (ref.at < 0) return false;
        out = {set.pool.data() + ref.at, ref.ox, ref.oy, ref.w, ref.h, set.colour};
        return true;
    }
    // A polyline anchored on its first point; none when it spans too far
    // for a picture of its own.
    const Stamp* Line(const QPen& pen, const QPoint* pts, int count) {
        std::vector<int> key{int(pen.color().rgb()), pen.width(), count};
        QRect box(pts[0], pts[0]);
        for (int i = 0; i < count; ++i) {
            key.push_back(pts[i].x() - pts[0].x());
            key.push_back(pts[i].y() - pts[0].y());
            box |= QRect(pts[i], pts[i]);
        }
        // A picture of a route far larger than a pane would cost more than
        // it saves whenever the route changes.
        if (box.width() > 4096 || box.height() > 4096 || box.width() * box.height() > (1 << 22))
            return nullptr;
        auto it = m_Lines.find(key);
        if (it == m_Lines.end()) {
            // A shape seen once may be a route being dragged: kept only when
            // it comes again.
            const auto seen = std::find(m_LinesSeen.begin(), m_LinesSeen.end(), key);
            if (seen == m_LinesSeen.end()) {
                if (m_LinesSeen.size() >= 32) m_LinesSeen.erase(m_LinesSeen.begin());
                m_LinesSeen.push_back(std::move(key));
                return nullptr;
            }
            m_LinesSeen.erase(seen);
            const int m = pen.width() + 4;
            it = m_Lines
                     .emplace(std::move(key),
                              MakeStamp(box.width() + 2 * m, box.height() + 2 * m,
                                        pts[0].x() - box.left() + m, pts[0].y() - box.top() + m,
                                        [&](QPainter& p) {
                                            p.translate(-pts[0].x(), -pts[0].y());
                                            p.setPen(pen);
                                            p.setBrush(Qt::NoBrush);
                                            p.drawPolyline(pts, count);
                                        }))
                     .first;
        }
        return &it->second;
    }
    // Before a paint, never during one: its stamps are held by address.
    void Trim() {
        if (m_Stamps.size() >= 1024) m_Stamps.clear();
        if (m_Lines.size() >= 64) m_Lines.clear();
        std::size_t words = 0;
        for (const auto& [key, set] : m_Labels) words += set.pool.size() + set.refs.size();
        if (words > (std::size_t(1) << 21))
            m_Labels.clear();  // 16 MB: some sizes and letters of the largest field
    }

private:
    using Key = std::array<int, 4>;
    template <class Make>
    const Stamp& Find(const Key& key, Make make) {
        auto it = m_Stamps.find(key);
        if (it == m_Stamps.end()) it = m_Stamps.emplace(key, make()).first;
        return it->second;
    }
    static constexpr std::int32_t kNotMade = -1, kNone = -2;
    struct LabelRef {
        std::int32_t at = kNotMade;  // first row in the pool
        std::int16_t ox = 0, oy = 0;
        std::uint8_t w = 0, h = 0;
    };
    struct LabelSet {
        std::vector<std::uint64_t> pool;
        std::vector<LabelRef> refs;  // by number
        QRgb colour = 0;
        bool coloured = false;
    };
    void MakeLabel(int pixelSize, char letter, int k, LabelSet& set, LabelRef& ref) {
        ref.at = kNone;
        char buf[16];
        int n = 0;
        buf[n++] = letter;
        char digits[12];
        int d = 0;
        for (unsigned v = unsigned(k); v > 0 || d < 2; v /= 10) digits[d++] = char('0' + v % 10);
        while (d > 0) buf[n++] = digits[--d];
        const Stamp* glyphs[16];
        int w = 0;
        for (int i = 0; i < n; ++i) {
            glyphs[i] = &Glyph(pixelSize, buf[i]);
            w += glyphs[i]->advance;
        }
        int x = -w / 2, left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN;
        int at[16];
        for (int i = 0; i < n; ++i) {
            const Stamp& g = *glyphs[i];
            at[i] = x;
            x += g.advance;
            if (g.h == 0) continue;
            if (g.words != 1 || !g.colours.empty() || (set.coloured && g.colour != set.colour)) return;
            set.colour = g.colour;
            set.coloured = true;
            left = std::min(left, at[i] + g.ox), right = std::max(right, at[i] + g.ox + g.w);
            top = std::min(top, g.oy), bottom = std::max(bottom, g.oy + g.h);
        }
        if (left > right || right - left > 64 || bottom - top > 255) return;
        ref.at = std::int32_t(set.pool.size());
        ref.ox = std::int16_t(left), ref.oy = std::int16_t(top);
        ref.w = std::uint8_t(right - left), ref.h = std::uint8_t(bottom - top);
        set.pool.resize(set.pool.size() + ref.h, 0);
        std::uint64_t* rows = set.pool.data() + ref.at;
        for (int i = 0; i < n; ++i) {
            const Stamp& g = *glyphs[i];
            for (int r = 0; r < g.h; ++r)
                rows[g.oy + r - top] |= g.bits[std::size_t(r)] << (at[i] + g.ox - left);
        }
    }

    std::map<Key, Stamp> m_Stamps;
    std::map<std::vector<int>, Stamp> m_Lines;
    std::vector<std::vector<int>> m_LinesSeen;
    std::map<std::pair<int, int>, LabelSet> m_Labels;
    LabelSet* m_LastSet = nullptr;  // the band's letter, looked up once
    std::pair<int, int> m_LastKey;
};

// Writes stamps straight into the pane's pixels. Between Begin and End the
// stamps are given last one first and a pixel keeps the first colour it gets:
// the picture of painting them in order, with every pixel written once and
// with whole covered rows of a stamp dismissed 64 pixels at a time.
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
        // One spare word on each side, marked covered, takes the clipped edges.
        m_Words = (m_Clip.width() + 127) / 64 + 1;
        m_Blank.assign(std::size_t(m_Words), 0);
        for (int p = 0; p < m_Words * 64; ++p)
            if (p < 64 || p >= 64 + m_Clip.width())
                m_Blank[std::size_t(p / 64)] |= std::uint64_t(1) << (p % 64);
    }
    bool Usable() const { return m_Image != nullptr; }

    void Begin() {
        if (m_Ready) return;
        std::vector<std::uint64_t>& c = Covered();
        const std::size_t need = std::size_t(m_Words) * std::size_t(m_Clip.height());
        if (c.size() < need) c.resize(need);
        for (int y = 0; y < m_Clip.height(); ++y) std::copy(m_Blank.begin(), m_Blank.end(), Row(y));
        m_DirtyTop = m_Clip.height();
        m_DirtyBottom = -1;
        m_DirtyLeft = m_Words;
        m_DirtyRight = -1;
        m_Ready = true;
    }
    void End() {
        for (int y = m_DirtyTop; y <= m_DirtyBottom; ++y)
            std::copy(m_Blank.begin() + m_DirtyLeft, m_Blank.begin() + m_DirtyRight + 1,
                      Row(y) + m_DirtyLeft);
        m_DirtyTop = m_Clip.height();
        m_DirtyBottom = -1;
        m_DirtyLeft = m_Words;
        m_DirtyRight = -1;
    }
    // (x, y): the stamp's anchor in client pixels.
    void Put(const Stamp& s, int x, int y) {
        const long long left = 0LL + x + m_Offset.x() + s.ox - m_Clip.left() + 64;
        const long long top = 0LL + y + m_Offset.y() + s.oy - m_Clip.top();
        if (top + s.h <= 0 || top >= m_Clip.height()) return;
        if (left + s.w <= 0 || left >= 64LL * m_Words) return;
        const int r0 = int(std::max(0LL, -top)), r1 = int(std::min<long long>(s.h, m_Clip.height() - top));
        if (s.words == 1 && left >= 0 && left / 64 + 1 < m_Words)
            return PutNarrow(s.bits.data(), s.colours.empty() ? nullptr : s.colours.data(), s.colour, s.w,
                             int(left), int(top), r0, r1);
        bool any = false;
        for (int r = r0; r < r1; ++r) {
            const int cy = int(top + r);
            std::uint64_t* cov = Row(cy);
            const std::uint64_t* bits = &s.bits[std::size_t(r) * s.words];
            const QRgb* colours = s.colours.empty() ? nullptr : &s.colours[std::size_t(r) * s.w];
            QRgb* line =
                reinterpret_cast<QRgb*>(m_Bits + (cy + m_Clip.top()) * m_Stride) + m_Clip.left() - 64;
            bool wrote = false;
            for (int j = 0; j < s.words; ++j) {
                if (!bits[j]) continue;
                const long long at = left + 64LL * j;  // bit of the word's first column
                const long long wi = at >= 0 ? at / 64 : -((63 - at) / 64);
                const int shift = int(at - wi * 64);
                const auto apply = [&](long long k, std::uint64_t b) {
                    if (!b || k < 0 || k >= m_Words) return;
                    std::uint64_t fresh = b & ~cov[k];
                    if (!fresh) return;
                    cov[k] |= fresh;
                    wrote = true;
                    while (fresh) {
                        const int bit = std::countr_zero(fresh);
                        fresh &= fresh - 1;
                        const long long p = k * 64 + bit;
                        line[p] = colours ? colours[64LL * j + (p - at)] : s.colour;
                    }
                };
                apply(wi, bits[j] << shift);
                if (shift) apply(wi + 1, bits[j] >> (64 - shift));
            }
            if (wrote) {
                m_DirtyTop = std::min(m_DirtyTop, cy);
                m_DirtyBottom = std::max(m_DirtyBottom, cy);
                any = true;
            }
        }
        if (any) {
            const long long first = std::max(0LL, left >= 0 ? left / 64 : -1);
            const long long last = std::min<long long>(m_Words - 1, (left + s.w - 1) / 64);
            m_DirtyLeft = std::min<int>(m_DirtyLeft, int(first));
            m_DirtyRight = std::max<int>(m_DirtyRight, int(last));
        }
    }

    void Put(const CStampCache::Label& l, int x, int y) {
        const long long left = 0LL + x + m_Offset.x() + l.ox - m_Clip.left() + 64;
        const long long top = 0LL + y + m_Offset.y() + l.oy - m_Clip.top();
        if (top + l.h <= 0 || top >= m_Clip.height()) return;
        if (left < 0 || left / 64 + 1 >= m_Words) return;  // wholly in the spare words: clipped
        const int r0 = int(std::max(0LL, -top)), r1 = int(std::min<long long>(l.h, m_Clip.height() - top));
        PutNarrow(l.bits, nullptr, l.colour, l.w, int(left), int(top), r0, r1);
    }
    // A stamp of one word per row whose two target words lie inside the rows.
    void PutNarrow(const std::uint64_t* bits, const QRgb* colours, QRgb colour, int w, int left, int top,
                   int r0, int r1) {
        const int wi = left / 64, shift = left % 64;
        const std::size_t stride = std::size_t(m_Words);
        std::uint64_t* cov = Covered().data() + std::size_t(top + r0) * stride + std::size_t(wi);
        bool any = false;
        for (int r = r0; r < r1; ++r, cov += stride) {
            const std::uint64_t b = bits[r];
            const std::uint64_t f0 = (b << shift) & ~cov[0];
            const std::uint64_t f1 = (shift ? b >> (64 - shift) : 0) & ~cov[1];
            if (!(f0 | f1)) continue;
            cov[0] |= f0;
            cov[1] |= f1;
            any = true;
            QRgb* line =
                reinterpret_cast<QRgb*>(m_Bits + (top + r + m_Clip.top()) * m_Stride) + m_Clip.left() - 64;
            for (int k = 0; k < 2; ++k)
                for (std::uint64_t f = k ? f1 : f0; f; f &= f - 1) {
                    const int p = (wi + k) * 64 + std::countr_zero(f);
                    line[p] = colours ? colours[std::size_t(r) * w + (p - left)] : colour;
                }
        }
        if (any) {
            m_DirtyTop = std::min(m_DirtyTop, top + r0);
            m_DirtyBottom = std::max(m_DirtyBottom, top + r1 - 1);
            m_DirtyLeft = std::min(m_DirtyLeft, wi);
            m_DirtyRight = std::max(m_DirtyRight, wi + 1);
        }
    }

private:
    static std::vector<std::uint64_t>& Covered() {
        static std::vector<std::uint64_t> covered;
        return covered;
    }
    std::uint64_t* Row(int y) { return Covered().data() + std::size_t(y) * std::size_t(m_Words); }

    QImage* m_Image = nullptr;
    QPoint m_Offset;
    QRect m_Clip;
    uchar* m_Bits = nullptr;
    long long m_Stride = 0;
    int m_Words = 0;
    std::vector<std::uint64_t> m_Blank;
    // Rows and words of the coverage set since the last End.
    int m_DirtyTop = 0, m_DirtyBottom = -1, m_DirtyLeft = 0, m_DirtyRight = -1;
    bool m_Ready = false;
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
        m_PointPx = LabelPixels(-10 * desc.zoomY);
        m_LetterPx = LabelPixels(-15 * desc.zoomY);
        m_PointFont = LabelFont(m_PointPx);
        m_LetterFont = LabelFont(m_LetterPx);
        // Labels and markers reach this far beyond a point.
        m_Reach = std::max(60, SaturateToInt(60 * std::max(desc.zoomX, desc.zoomY)));
        if (m_Target.Usable()) {
            m_Cache.Trim();
            m_Marker = &m_Cache.Marker(m_M, m_My, m_Outline.width());
        }
    }

    void Paint();

private:
    MapPoint C(const CPointD& p) const { return MapToClient(p, m_Desc, m_Geo); }
    // Measured at the first label: loading the font costs more than a pane
    // without search points takes to paint.
    int PointAscent() {
        if (m_PointAscent < 0) m_PointAscent = QFontMetrics(m_PointFont, m_Dc.device()).ascent();
        return m_PointAscent;
    }
    bool Near(const MapPoint& p) const {
        return p.x > m_Bounds.left() - m_Reach && p.x < m_Bounds.right() + m_Reach &&
               p.y > m_Bounds.top() - m_Reach && p.y < m_Bounds.bottom() + m_Reach;
    }
    // A letter and at least two digits of k ("A01"), composed without the
    // formatter: there are many. Returns the length.
    static int LabelText(char letter, int k, char* buf) {
        int n = 0;
        buf[n++] = letter;
        char digits[12];
        int d = 0;
        for (unsigned v = unsigned(k < 0 ? 0 : k); v > 0 || d < 2; v /= 10) digits[d++] = char('0' + v % 10);
        while (d > 0) buf[n++] = digits[--d];
        return n;
    }
    // Through the painter, in drawing order: the marker, then the label
    // centred on x with the character cell's top at y.
    void PaintPoint(const MapPoint& r, char letter, int k, int y, const QFontMetrics& fm) {
        GdiEllipse(m_Dc, r.x - m_M, r.y - m_My, r.x + m_M + 1, r.y + m_My + 1);
        if (!letter) return;
        // Character by character on whole pixels, as the stamps place them,
        // so that the screen and the printer agree.
        char buf[16];
        const int n = LabelText(letter, k, buf);
        int w = 0;
        for (int i = 0; i < n; ++i) w += fm.horizontalAdvance(QChar::fromLatin1(buf[i]));
        const QPen outline = m_Dc.pen();
        m_Dc.setFont(m_PointFont);
        m_Dc.setPen(QColor(ColorRefToRgb(kRed)));  // the text colour
        for (int i = 0, x = r.x - w / 2; i < n; ++i) {
            const QChar c = QChar::fromLatin1(buf[i]);
            m_Dc.drawText(QPoint(x, y + fm.ascent()), QString(c));
            x += fm.horizontalAdvance(c);
        }
        m_Dc.setPen(outline);
    }
    // The same as stamps, last one first (inside a Begin/End group).
    void StampPoint(const MapPoint& r, char letter, int k, int y, bool marker = true) {
        if (letter) {
            CStampCache::Label label;
            if (m_Cache.FindLabel(m_PointPx, letter, k, label)) {
                m_Target.Put(label, r.x, y + PointAscent());
            } else {
                char buf[16];
                const int n = LabelText(letter, k, buf);
                const Stamp* glyphs[16];
                int w = 0;
                for (int i = 0; i < n; ++i) {
                    glyphs[i] = PointGlyph(buf[i]);
                    w += glyphs[i]->advance;
                }
                int x = r.x - w / 2 + w;
                for (int i = n - 1; i >= 0; --i) {
                    x -= glyphs[i]->advance;
                    m_Target.Put(*glyphs[i], x, y + PointAscent());
                }
            }
        }
        if (marker) m_Target.Put(*m_Marker, r.x, r.y);
    }
    const Stamp* PointGlyph(char c) {
        const Stamp*& g = m_PointGlyphs[c & 0x7F];
        if (!g) g = &m_Cache.Glyph(m_PointPx, c);
        return g;
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
    int m_M, m_My, m_Reach, m_PointPx, m_LetterPx, m_PointAscent = -1;
    QPen m_Thin, m_Medium, m_Thick, m_Route, m_Perimeter, m_Outline;
    QBrush m_PrevBrush;
    QFont m_PointFont, m_LetterFont;
    CStampTarget m_Target{m_Dc};
    CStampCache& m_Cache = CStampCache::Get();
    const Stamp* m_Marker = nullptr;
    const Stamp* m_PointGlyphs[128] = {};
    std::vector<MapPoint> m_Positions;
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
        const char letter = SearchGrid::BandLetter(b);
        // The band's letter 100 m behind the base line, on its baseline.
        const auto letterAt = [&](int advance) {
            const double f = 100.0 / g.L2;
            const MapPoint l = C(CPointD(P.easting - g.dir.easting * f, P.northing - g.dir.northing * f));
            return QPoint(l.x - advance / 2, l.y + dropY);
        };
        if (m_Target.Usable()) {
            m_Target.Begin();
            // A marker on the very spot of the one after it is hidden by it.
            MapPoint after{INT_MIN, INT_MIN};
            // The positions first, in a loop of their own: its divisions then
            // overlap from one point to the next.
            m_Positions.resize(std::size_t(std::max(0, last - first + 1)));
            for (int k = first; k <= last; ++k) {
                // As g.Point(b, k), with the band's start taken once.
                const double f = k * g.pointDistance / g.L2;
                m_Positions[std::size_t(k - first)] =
                    C(CPointD(P.easting + f * g.dir.easting, P.northing + f * g.dir.northing));
            }
            for (int k = last; k >= first; --k) {
                const MapPoint r = m_Positions[std::size_t(k - first)];
                if (!Near(r)) {
                    after = {INT_MIN, INT_MIN};
                    continue;
                }
                const bool marker = r.x != after.x || r.y != after.y;
                after = r;
                if (k == 0) {
                    const Stamp& s = m_Cache.Glyph(m_LetterPx, letter);
                    const QPoint t = letterAt(s.advance);
                    m_Target.Put(s, t.x(), t.y());
                    StampPoint(r, 0, 0, 0, marker);
                } else {
                    StampPoint(r, letter, k, SaturateToInt(r.y + 2 * m_Desc.zoomY), marker);
                }
            }
            m_Target.End();
        } else {
            const QString text(QChar::fromLatin1(letter));
            for (int k = first; k <= last; ++k) {
                const MapPoint r = C(g.Point(b, k));
                if (!Near(r)) continue;
                if (k == 0) {
                    PaintPoint(r, 0, 0, 0, pointMetrics);
                    m_Dc.setFont(m_LetterFont);
                    m_Dc.setPen(QColor(ColorRefToRgb(kRed)));
                    m_Dc.drawText(letterAt(letterMetrics.horizontalAdvance(text)), text);
                    m_Dc.setPen(m_Outline);
                } else {
                    PaintPoint(r, letter, k, SaturateToInt(r.y + 2 * m_Desc.zoomY), pointMetrics);
                }
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
        const QPen& pen = r == 0 ? m_Perimeter : m_Route;
        // The stroked line kept as a stamp: stroking wide lines with round
        // joins is the costliest part of a warm repaint.
        const Stamp* line = m_Target.Usable() ? m_Cache.Line(pen, pts, count) : nullptr;
        if (!line) {
            m_Dc.setPen(pen);
            m_Dc.setBrush(Qt::NoBrush);
            m_Dc.drawPolyline(pts, count);
        }
        m_Dc.setPen(m_Outline);
        m_Dc.setBrush(QColor(ColorRefToRgb(kRed)));
        const char letter = r >= 1 ? char('Q' + r) : 0;
        const auto labelTop = [&](int i) { return SaturateToInt(pts[i].y() + 2 * m_Desc.zoomY); };
        if (m_Target.Usable()) {
            m_Target.Begin();
            for (int i = n - 1; i >= 0; --i) StampPoint({pts[i].x(), pts[i].y()}, letter, i, labelTop(i));
            if (line) m_Target.Put(*line, pts[0].x(), pts[0].y());
            m_Target.End();
        } else {
            for (int i = 0; i < n; ++i)
                PaintPoint({pts[i].x(), pts[i].y()}, letter, i, labelTop(i), pointMetrics);
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
        QFont f = LabelFont(LabelPixels(-20 * m_Desc.zoomY));
        const double reduced = az > 180 ? az - 180 : az;
        const int esc = SaturateToInt((90 - reduced) * 10);
        const QString text =
            QString::fromLatin1("    %1\xB0    ").arg(QString::asprintf("%.0f", RoundedHeading(az, 0)));
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
