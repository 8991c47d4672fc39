#pragma once
// Small opaque shapes (markers, round pen tips, label glyphs) written
// straight into the pane's pixels. Thousands of waypoints and track points
// per paint are too many for one painter call each; the shapes are made
// once by the painter itself, so they look the same either way.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QPainter;

// Pixel runs relative to an anchor: row dy, columns x0..x1.
struct PixelRuns {
    struct Run {
        int dy, x0, x1;
    };
    std::vector<Run> runs;
    QRect bounds;  // relative to the anchor; empty for no pixels

    // The pixels as stores of four, two and single pixels, each at its
    // byte offset from the anchor in rows of stride bytes: few stores and
    // no branch per run, as most runs are short.
    struct Stores {
        std::vector<std::int32_t> four, two, one;
    };
    // Whether every pixel of other lies in this shape (same anchor).
    bool Covers(const PixelRuns& other) const;

    const Stores& StoresFor(qsizetype stride) const {
        if (stride != m_StoresStride) MakeStores(stride);
        return m_Stores;
    }

    // The opaque pixels of sprite whose colour test(pixel) accepts; the
    // anchor sits at sprite pixel anchor.
    template <class Test>
    static PixelRuns From(const QImage& sprite, QPoint anchor, Test test) {
        PixelRuns r;
        for (int y = 0; y < sprite.height(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(sprite.constScanLine(y));
            for (int x = 0; x < sprite.width(); ++x) {
                if (qAlpha(row[x]) != 255 || !test(row[x])) continue;
                int e = x;
                while (e + 1 < sprite.width() && qAlpha(row[e + 1]) == 255 && test(row[e + 1])) ++e;
                r.runs.push_back({y - anchor.y(), x - anchor.x(), e - anchor.x()});
                r.bounds |= QRect(QPoint(x, y) - anchor, QPoint(e, y) - anchor);
                x = e;
            }
        }
        return r;
    }

private:
    void MakeStores(qsizetype stride) const;
    mutable Stores m_Stores;
    mutable qsizetype m_StoresStride = 0;
};

// A transparent ARGB sprite of size (w, h) for painting a shape into.
QImage BlankSprite(int w, int h);

// Which 32 x 32 tiles of a layer were written to: a layer is cleared and
// put onto a pane tile by tile, so a few labels cost a few tiles.
struct TileMarks {
    static constexpr int kShift = 5;
    int columns = 0;
    std::vector<std::uint8_t> marked;
    void Reset(int width, int height);
    // Client pixels l..r, t..b, already inside the layer.
    void Mark(int l, int t, int r, int b) {
        constexpr int kTile = 1 << kShift;
        if (r - l < kTile && b - t < kTile) {
            // A marker or a glyph: at most two tiles each way, so its corners' tiles are all.
            std::uint8_t* top = marked.data() + std::size_t(t >> kShift) * columns;
            std::uint8_t* bottom = marked.data() + std::size_t(b >> kShift) * columns;
            top[l >> kShift] = top[r >> kShift] = bottom[l >> kShift] = bottom[r >> kShift] = 1;
            return;
        }
        for (int ty = t >> kShift; ty <= b >> kShift; ++ty)
            for (int tx = l >> kShift; tx <= r >> kShift; ++tx) marked[std::size_t(ty) * columns + tx] = 1;
    }
};

// The painter's own pixels when they can be written directly (an
// unscaled raster image under a one-rectangle clip), else nothing.
class DirectPixels {
public:
    explicit DirectPixels(QPainter& dc);
    // A layer whose client pixel (x, y) is bits[y * stride / 4 + x], written
    // only inside clip with alpha tag (1..255) instead of opaque; every
    // write marks its tiles in marks.
    DirectPixels(QRgb* bits, qsizetype stride, const QRect& clip, TileMarks& marks, int tag);
    bool Usable() const { return m_Bits != nullptr; }
    const QRect& Clip() const { return m_Clip; }
    // Client row y of the pixels (inside the clip only).
    QRgb* Row(int y) const { return reinterpret_cast<QRgb*>(Origin() + qsizetype(y) * m_Stride); }
    // Runs at client point (x, y) in colour c.
    void Put(const PixelRuns& shape, int x, int y, QRgb c);
    // A line from a to b swept by tip (round ends and joins, as a round pen
    // draws); startTip (endTip) false leaves out the tip at a (b), when the
    // line before already ended there or a shape painted later covers it.
    void Line(QPoint a, QPoint b, const PixelRuns& tip, QRgb c, bool startTip = true, bool endTip = true);
    // Points of lines walked by this thread so far: however far off the pane
    // a line reaches, only its part across the pane is walked.
    static long long WalkedPoints() { return s_Walked; }

private:
    // Client pixel (0, 0).
    std::uint8_t* Origin() const {
        return m_Bits + qsizetype(m_Offset.y()) * m_Stride + qsizetype(m_Offset.x()) * 4;
    }
    std::uint8_t* m_Bits = nullptr;
    qsizetype m_Stride = 0;
    QPoint m_Offset;
    QRect m_Clip;  // client pixels
    TileMarks* m_Marks = nullptr;
    QRgb m_Alpha = 0xFF000000u;
    static thread_local long long s_Walked;
};

// Label text laid out glyph by glyph on whole-pixel advances, so that its
// width, its painter drawing and its direct drawing agree to the pixel.
// One set per font, kept across paints; a set stays alive while a painter
// holds it, even when the sets are thinned out meanwhile.
class LabelGlyphs {
public:
    static std::shared_ptr<LabelGlyphs> For(const QFont& font);
    int Width(const std::string& text);
    int Height() const { return m_Height; }
    // Text with its cell's top-left at (x, y).
    void Draw(DirectPixels& px, int x, int y, const std::string& text, QRgb c);
    void Draw(QPainter& dc, int x, int y, const std::string& text, QColor c);

private:
    explicit LabelGlyphs(const QFont& font);
    const PixelRuns& Glyph(unsigned char ch);
    int Advance(unsigned char ch);

    QFont m_Font;
    int m_Height, m_Ascent;
    int m_Advance[256];  // -1 until asked
    bool m_Made[256] = {};
    PixelRuns m_Glyph[256];
};
