#include "mapdraw/OverlayRaster.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "mapdraw/MapPicture.h"

QImage BlankSprite(int w, int h) {
    QImage s(std::max(w, 1), std::max(h, 1), QImage::Format_ARGB32);
    s.fill(Qt::transparent);
    return s;
}

void PixelRuns::MakeStores(qsizetype stride) const {
    m_Stores = Stores{};
    for (const Run& r : runs) {
        const auto at = [&](int x) { return std::int32_t(r.dy * stride + x * 4); };
        int x = r.x0;
        for (; x + 3 <= r.x1; x += 4) m_Stores.four.push_back(at(x));
        for (; x + 1 <= r.x1; x += 2) m_Stores.two.push_back(at(x));
        if (x <= r.x1) m_Stores.one.push_back(at(x));
    }
    m_StoresStride = stride;
}

bool PixelRuns::Covers(const PixelRuns& other) const {
    return std::all_of(other.runs.begin(), other.runs.end(), [&](const Run& o) {
        for (int x = o.x0; x <= o.x1; ++x)
            if (std::none_of(runs.begin(), runs.end(),
                             [&](const Run& r) { return r.dy == o.dy && r.x0 <= x && x <= r.x1; }))
                return false;
        return true;
    });
}

thread_local long long DirectPixels::s_Walked = 0;

DirectPixels::DirectPixels(QPainter& dc) {
    DirectTarget t;
    if (!FindDirectTarget(dc, t) || t.clip.rectCount() != 1) return;
    m_Offset = t.offset;
    m_Bits = t.image->bits();
    m_Stride = t.image->bytesPerLine();
    m_Clip = t.clip.boundingRect().translated(-m_Offset);
}

void TileMarks::Reset(int width, int height) {
    columns = (std::max(width, 0) + (1 << kShift) - 1) >> kShift;
    const int rows = (std::max(height, 0) + (1 << kShift) - 1) >> kShift;
    marked.assign(std::size_t(columns) * rows, 0);
}

DirectPixels::DirectPixels(QRgb* bits, qsizetype stride, const QRect& clip, TileMarks& marks, int tag)
    : m_Bits(reinterpret_cast<std::uint8_t*>(bits)),
      m_Stride(stride),
      m_Clip(clip),
      m_Marks(&marks),
      m_Alpha(QRgb(tag & 0xFF) << 24) {}

void DirectPixels::Put(const PixelRuns& shape, int x, int y, QRgb c) {
    const QRect& b = shape.bounds;
    if (b.isEmpty()) return;
    // In 64 bits: a saturated point at the edge of the int range is no overflow.
    const long long l = 0LL + x + b.left(), r = 0LL + x + b.right(), t = 0LL + y + b.top(),
                    bt = 0LL + y + b.bottom();
    if (r < m_Clip.left() || l > m_Clip.right() || bt < m_Clip.top() || t > m_Clip.bottom()) return;
    if (m_Marks)
        m_Marks->Mark(int(std::max(l, 0LL + m_Clip.left())), int(std::max(t, 0LL + m_Clip.top())),
                      int(std::min(r, 0LL + m_Clip.right())), int(std::min(bt, 0LL + m_Clip.bottom())));
    c = (c & 0x00FFFFFFu) | m_Alpha;
    std::uint8_t* origin = Origin();
    if (l >= m_Clip.left() && r <= m_Clip.right() && t >= m_Clip.top() && bt <= m_Clip.bottom()) {
        std::uint8_t* anchor = origin + qsizetype(y) * m_Stride + qsizetype(x) * 4;
        const PixelRuns::Stores& st = shape.StoresFor(m_Stride);
        const QRgb four[4] = {c, c, c, c};
        for (const std::int32_t off : st.four) std::memcpy(anchor + off, four, sizeof four);
        for (const std::int32_t off : st.two) std::memcpy(anchor + off, four, 2 * sizeof(QRgb));
        for (const std::int32_t off : st.one) std::memcpy(anchor + off, four, sizeof(QRgb));
        return;
    }
    for (const PixelRuns::Run& run : shape.runs) {
        const long long py = 0LL + y + run.dy;
        if (py < m_Clip.top() || py > m_Clip.bottom()) continue;
        const int x0 = int(std::max(0LL + x + run.x0, 0LL + m_Clip.left())),
                  x1 = int(std::min(0LL + x + run.x1, 0LL + m_Clip.right()));
        QRgb* row = reinterpret_cast<QRgb*>(origin + qsizetype(py) * m_Stride);
        if (x0 <= x1) std::fill(row + x0, row + x1 + 1, c);
    }
}

void DirectPixels::Line(QPoint a, QPoint b, const PixelRuns& tip, QRgb c, bool startTip, bool endTip) {
    const QRect& tb = tip.bounds;
    if (tb.isEmpty()) return;
    // All in 64 bits: a damaged point saturates at the edge of the int range.
    const long long ax = a.x(), ay = a.y(), bx = b.x(), by = b.y();
    const long long cl = m_Clip.left(), cr = m_Clip.right(), ct = m_Clip.top(), cb = m_Clip.bottom();
    if (std::max(ax, bx) + tb.right() < cl || std::min(ax, bx) + tb.left() > cr ||
        std::max(ay, by) + tb.bottom() < ct || std::min(ay, by) + tb.top() > cb)
        return;
    // Round ends, and between them a band as wide as the tip across the
    // line's main direction: together the pen's sweep along the line.
    if (m_Marks)
        m_Marks->Mark(int(std::max(std::min(ax, bx) + tb.left(), cl)),
                      int(std::max(std::min(ay, by) + tb.top(), ct)),
                      int(std::min(std::max(ax, bx) + tb.right(), cr)),
                      int(std::min(std::max(ay, by) + tb.bottom(), cb)));
    if (startTip) Put(tip, a.x(), a.y(), c);
    if (endTip) Put(tip, b.x(), b.y(), c);
    c = (c & 0x00FFFFFFu) | m_Alpha;
    std::uint8_t* origin = Origin();
    const long long dx = std::llabs(bx - ax), dy = -std::llabs(by - ay);
    const int sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
    const bool across = dx >= -dy;  // mostly horizontal: the band runs down each column
    const long long steps = std::max(dx, -dy);
    const qsizetype row = m_Stride / qsizetype(sizeof(QRgb));
    QRgb* pixels = reinterpret_cast<QRgb*>(origin);
    const bool inside = std::min(ax, bx) + tb.left() >= cl && std::max(ax, bx) + tb.right() <= cr &&
                        std::min(ay, by) + tb.top() >= ct && std::max(ay, by) + tb.bottom() <= cb;

    // The steps k whose main coordinate lies on the pane: a band off the
    // pane across the main direction writes nothing, so the walk starts at
    // the first of them and ends after the last, however long the line.
    long long k0 = 0, k1 = steps;
    if (!inside) {
        const long long a0 = across ? ax : ay, s = across ? sx : sy;
        const long long lo = across ? cl : ct, hi = across ? cr : cb;
        k0 = std::max(k0, s > 0 ? lo - a0 : a0 - hi);
        k1 = std::min(k1, s > 0 ? hi - a0 : a0 - lo);
        if (k0 > k1) return;
    }
    // The walk's state after k0 steps, as the step-by-step walk has it: the
    // main coordinate moves every step, the other one round(k0 * minor /
    // steps) times (halves up). The products need more than 64 bits.
    const long long minor = across ? -dy : dx;
    const long long moves =
        steps > 0 && k0 > 0 ? (long long)((__int128(2) * k0 * minor + steps) / (__int128(2) * steps)) : 0;
    long long x = ax + sx * (across ? k0 : moves), y = ay + sy * (across ? moves : k0);
    long long err = (long long)(__int128(dx) + dy + __int128(across ? k0 : moves) * dy +
                                __int128(across ? moves : k0) * dx);

    // One step of the main direction per point of the line; band(x, y, at)
    // writes the band at point (x, y), pixel index at.
    const auto walk = [&](auto band) {
        qsizetype at = qsizetype(y) * row + qsizetype(x);
        s_Walked += k1 - k0 + 1;
        for (long long n = k1 - k0; n >= 0; --n) {
            band(x, y, at);
            const long long e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
                at += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
                at += sy * row;
            }
        }
    };
    if (inside) {
        // Wholly on the pane: the band's pixels at fixed steps, no clip tests.
        const qsizetype bandStep = across ? row : 1;
        const int b0 = across ? tb.top() : tb.left(), b1 = across ? tb.bottom() : tb.right();
        walk([&](long long, long long, qsizetype at) {
            for (int k = b0; k <= b1; ++k) pixels[at + k * bandStep] = c;
        });
        return;
    }
    walk([&](long long x, long long y, qsizetype) {
        if (across) {
            if (x < cl || x > cr) return;
            const long long y0 = std::max(y + tb.top(), ct), y1 = std::min(y + tb.bottom(), cb);
            for (long long py = y0; py <= y1; ++py) pixels[qsizetype(py) * row + qsizetype(x)] = c;
        } else if (y >= ct && y <= cb) {
            const long long x0 = std::max(x + tb.left(), cl), x1 = std::min(x + tb.right(), cr);
            QRgb* line = pixels + qsizetype(y) * row;
            if (x0 <= x1) std::fill(line + x0, line + x1 + 1, c);
        }
    });
}

std::shared_ptr<LabelGlyphs> LabelGlyphs::For(const QFont& font) {
    static std::map<QString, std::shared_ptr<LabelGlyphs>> sets;
    const QString key = font.key();
    auto it = sets.find(key);
    if (it == sets.end()) {
        // Zooms come and go; keep the set small. A painter still holding a
        // set it asked for earlier keeps it alive.
        if (sets.size() >= 64) sets.clear();
        it = sets.emplace(key, std::shared_ptr<LabelGlyphs>(new LabelGlyphs(font))).first;
    }
    return it->second;
}

LabelGlyphs::LabelGlyphs(const QFont& font) : m_Font(font) {
    std::fill(std::begin(m_Advance), std::end(m_Advance), -1);
    const QFontMetrics fm(font);
    m_Height = fm.height();
    m_Ascent = fm.ascent();
}

int LabelGlyphs::Advance(unsigned char ch) {
    // Asked per character at first use: a character the font lacks sends the
    // font machinery through its fallback fonts, which a label rarely needs.
    if (m_Advance[ch] < 0) m_Advance[ch] = QFontMetrics(m_Font).horizontalAdvance(QChar(ch));
    return m_Advance[ch];
}

int LabelGlyphs::Width(const std::string& text) {
    int w = 0;
    for (const unsigned char c : text) w += Advance(c);
    return w;
}

const PixelRuns& LabelGlyphs::Glyph(unsigned char ch) {
    if (!m_Made[ch]) {
        // Room on every side for slanted and overhanging glyphs.
        const int m = m_Height;
        QImage sprite = BlankSprite(Advance(ch) + 2 * m, 3 * m);
        {
            QPainter p(&sprite);
            p.setFont(m_Font);
            p.setPen(Qt::black);
            p.drawText(QPoint(m, m + m_Ascent), QString(QChar(ch)));
        }
        m_Glyph[ch] = PixelRuns::From(sprite, QPoint(m, m), [](QRgb) { return true; });
        m_Made[ch] = true;
    }
    return m_Glyph[ch];
}

void LabelGlyphs::Draw(DirectPixels& px, int x, int y, const std::string& text, QRgb c) {
    for (const unsigned char ch : text) {
        px.Put(Glyph(ch), x, y, c);
        x += Advance(ch);
    }
}

void LabelGlyphs::Draw(QPainter& dc, int x, int y, const std::string& text, QColor c) {
    dc.save();
    dc.setFont(m_Font);
    dc.setPen(c);
    for (const unsigned char ch : text) {
        dc.drawText(QPoint(x, y + m_Ascent), QString(QChar(ch)));
        x += Advance(ch);
    }
    dc.restore();
}
