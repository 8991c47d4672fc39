#include "mapdraw/MapPicture.h"

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QTransform>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "mapdraw/MapTransforms.h"
#include "settings/AppSettings.h"

namespace {

// Used only when the scheme table is empty: a plain readable map.
CColorScheme BuiltInScheme() {
    CColorScheme s;
    s.name = "Default";
    s.colors[0] = RGBRef(160, 220, 140);  // G
    s.colors[1] = RGBRef(170, 110, 50);   // RP
    s.colors[2] = RGBRef(40, 110, 220);   // H
    s.colors[3] = RGBRef(220, 60, 40);    // C
    s.colors[4] = RGBRef(60, 60, 60);     // NP
    s.colors[5] = RGBRef(0, 0, 0);        // I
    return s;
}

}  // namespace

CColorScheme ChosenScheme(const CAppearanceSettings& a, int series, bool printing) {
    if (a.schemes.empty()) return BuiltInScheme();
    const int s = std::clamp(series, 0, kMapTypeCount - 1);
    int idx = a.schemeChoice[s][printing ? kSchemePrint : kSchemeScreen];
    if (idx < 0 || idx >= a.SchemeCount()) idx = 0;
    return a.schemes[idx];
}

void BuildLayerPalette(int series, const std::int32_t* layers, int overlay, const CColorScheme& scheme,
                       QRgb out[256]) {
    bool on[6];
    for (int l = 0; l < 6; ++l) on[l] = layers[l] != 0;
    if (series == kSeriesTK25 && !overlay) on[kLayerRoads] = on[kLayerObjects] = false;
    if (series == kSeriesTN10 && !overlay) on[kLayerObjects] = false;

    QRgb colour[6];
    for (int l = 0; l < 6; ++l) colour[l] = ColorRefToRgb(scheme.colors[l]);

    static constexpr int kOrder[6] = {kLayerForest, kLayerObjects, kLayerWater,
                                      kLayerRoads,  kLayerRelief,  kLayerNames};
    std::fill(out, out + 256, qRgb(255, 255, 255));
    for (int v = 0; v < 128; ++v)
        for (int l : kOrder)
            if (on[l] && (v & (1 << l))) out[v] = colour[l];
}

void BuildOrthoPalette(QRgb out[256]) {
    out[0] = qRgb(255, 255, 255);
    for (int v = 1; v < 256; ++v) out[v] = qRgb(v, v, v);
}

QRect PaintBounds(QPainter& dc) {
    QRect r;
    if (QPaintDevice* dev = dc.device()) r = QRect(0, 0, dev->width(), dev->height());
    if (dc.hasClipping()) r &= dc.clipBoundingRect().toAlignedRect();
    return r;
}

PaletteRows::PaletteRows(const QRgb palette[256]) {
    for (int i = 0; i < 256; ++i) colour[i] = palette[i] | 0xFF000000u;
    for (int k = 0; k < 3; ++k)
        for (int part = 0; part < 4; ++part)
            for (int i = 0; i < 32; ++i)
                planes[k][part][i] = std::uint8_t(colour[16 * part + i % 16] >> (8 * k));
}

namespace {

// One table lookup per pixel, two pixels per store.
void ConvertScalar(const QRgb* colour, const std::uint8_t* in, int n, QRgb* out) {
    const auto pair = [colour](std::uint64_t v) {
        return std::uint64_t(colour[v & 0xFF]) | std::uint64_t(colour[(v >> 8) & 0xFF]) << 32;
    };
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t v;
        std::memcpy(&v, in + i, 8);
        const std::uint64_t p[4] = {pair(v), pair(v >> 16), pair(v >> 32), pair(v >> 48)};
        std::memcpy(out + i, p, sizeof p);
    }
    for (; i < n; ++i) out[i] = colour[in[i]];
}

#if defined(__x86_64__) && defined(__GNUC__)
#define VORNA_WIDE_PALETTE_ROWS 1

// 32 pixels a step while their values are below 64 (every colour-layer
// value is): each colour byte is looked up in four 16-entry byte tables
// with byte shuffles, and the three planes are interleaved into pixels.
__attribute__((target("avx2"))) void ConvertWide(const PaletteRows& lut, const std::uint8_t* in, int n,
                                                 QRgb* out) {
    __m256i table[3][4];
    for (int k = 0; k < 3; ++k)
        for (int part = 0; part < 4; ++part)
            table[k][part] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lut.planes[k][part]));
    const __m256i high = _mm256_set1_epi8(char(0xC0));
    const __m256i c15 = _mm256_set1_epi8(15), c31 = _mm256_set1_epi8(31), c47 = _mm256_set1_epi8(47);
    const __m256i alpha = _mm256_set1_epi8(char(0xFF));
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i idx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        // Maps are mostly wide areas of one value: such a step is one colour.
        const __m256i first = _mm256_broadcastb_epi8(_mm256_castsi256_si128(idx));
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(idx, first)) == -1) {
            const __m256i c = _mm256_set1_epi32(int(lut.colour[in[i]]));
            __m256i* o = reinterpret_cast<__m256i*>(out + i);
            for (int k = 0; k < 4; ++k) _mm256_storeu_si256(o + k, c);
            continue;
        }
        if (!_mm256_testz_si256(idx, high)) {
            ConvertScalar(lut.colour, in + i, 32, out + i);
            continue;
        }
        const __m256i m1 = _mm256_cmpgt_epi8(idx, c15), m2 = _mm256_cmpgt_epi8(idx, c31);
        const __m256i m3 = _mm256_cmpgt_epi8(idx, c47);
        __m256i plane[3];
        for (int k = 0; k < 3; ++k) {
            __m256i r = _mm256_shuffle_epi8(table[k][0], idx);
            r = _mm256_blendv_epi8(r, _mm256_shuffle_epi8(table[k][1], idx), m1);
            r = _mm256_blendv_epi8(r, _mm256_shuffle_epi8(table[k][2], idx), m2);
            plane[k] = _mm256_blendv_epi8(r, _mm256_shuffle_epi8(table[k][3], idx), m3);
        }
        const __m256i bgLo = _mm256_unpacklo_epi8(plane[0], plane[1]);
        const __m256i bgHi = _mm256_unpackhi_epi8(plane[0], plane[1]);
        const __m256i raLo = _mm256_unpacklo_epi8(plane[2], alpha);
        const __m256i raHi = _mm256_unpackhi_epi8(plane[2], alpha);
        // Pixels 0-3 | 16-19, 4-7 | 20-23, 8-11 | 24-27, 12-15 | 28-31.
        const __m256i p0 = _mm256_unpacklo_epi16(bgLo, raLo), p1 = _mm256_unpackhi_epi16(bgLo, raLo);
        const __m256i p2 = _mm256_unpacklo_epi16(bgHi, raHi), p3 = _mm256_unpackhi_epi16(bgHi, raHi);
        __m256i* o = reinterpret_cast<__m256i*>(out + i);
        _mm256_storeu_si256(o + 0, _mm256_permute2x128_si256(p0, p1, 0x20));
        _mm256_storeu_si256(o + 1, _mm256_permute2x128_si256(p2, p3, 0x20));
        _mm256_storeu_si256(o + 2, _mm256_permute2x128_si256(p0, p1, 0x31));
        _mm256_storeu_si256(o + 3, _mm256_permute2x128_si256(p2, p3, 0x31));
    }
    ConvertScalar(lut.colour, in + i, n - i, out + i);
}

bool HasWideSteps() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

}  // namespace

void PaletteRows::Convert(const std::uint8_t* in, int n, QRgb* out) const {
#ifdef VORNA_WIDE_PALETTE_ROWS
    if (n >= 32 && HasWideSteps()) {
        ConvertWide(*this, in, n, out);
        return;
    }
#endif
    ConvertScalar(colour, in, n, out);
}

namespace {

// One row of n pixels from column c0 of a bottom-up row, as RGB.
void ConvertRow(const std::uint8_t* row, int bitCount, long long c0, int n, const PaletteRows& lut,
                QRgb* out) {
    const QRgb* palette = lut.colour;
    switch (bitCount) {
        case 8:
            lut.Convert(row + c0, n, out);
            break;
        case 4:
            for (int i = 0; i < n; ++i) {
                const long long c = c0 + i;
                out[i] = palette[(row[c >> 1] >> ((c & 1) ? 0 : 4)) & 0x0f];
            }
            break;
        case 1:
            for (int i = 0; i < n; ++i) {
                const long long c = c0 + i;
                out[i] = palette[(row[c >> 3] >> (7 - (c & 7))) & 1];
            }
            break;
        case 16:  // 5-5-5
            for (int i = 0; i < n; ++i) {
                const std::uint8_t* p = row + 2 * (c0 + i);
                const unsigned v = p[0] | (p[1] << 8);
                out[i] = qRgb(((v >> 10) & 31) << 3, ((v >> 5) & 31) << 3, (v & 31) << 3);
            }
            break;
        case 24:
        case 32: {
            const int b = bitCount / 8;
            for (int i = 0; i < n; ++i) {
                const std::uint8_t* p = row + b * (c0 + i);
                out[i] = qRgb(p[2], p[1], p[0]);
            }
            break;
        }
        default:
            std::fill(out, out + n, qRgb(255, 255, 255));
            break;
    }
}

long long RowBytes(long long width, int bitCount) { return (width * bitCount + 7) / 8; }

// A 32-bit image the painter reaches through the raster engine with a
// whole-pixel offset, where writing an opaque pixel is exactly what drawing
// an opaque image does. The screen's backing store and test images qualify;
// printers and scaled painters do not.

}  // namespace

bool FindDirectTarget(QPainter& dc, DirectTarget& t) {
    QPaintEngine* engine = dc.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster) return false;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) return false;
    QImage* image = static_cast<QImage*>(device);
    const QImage::Format f = image->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied)
        return false;
    // A shared image would be copied on write, away from the engine's buffer.
    if (!image->isDetached()) return false;
    if (dc.opacity() != 1.0 || dc.compositionMode() != QPainter::CompositionMode_SourceOver) return false;
    const QTransform m = dc.deviceTransform();
    constexpr double kMaxOffset = 1 << 24;
    if (m.type() > QTransform::TxTranslate || m.dx() != std::floor(m.dx()) || m.dy() != std::floor(m.dy()) ||
        std::fabs(m.dx()) > kMaxOffset || std::fabs(m.dy()) > kMaxOffset)
        return false;
    t.image = image;
    t.offset = QPoint(int(m.dx()), int(m.dy()));
    t.clip = QRegion(image->rect());
    const QRegion system = engine->systemClip();
    if (!system.isEmpty()) t.clip &= system;
    if (dc.hasClipping()) t.clip &= dc.clipRegion().translated(t.offset);
    return true;
}

IndexedBits DocImageBits(const CVornaDoc& doc) {
    const BitmapInfoHeader& h = doc.ImageHeader.info;
    if (!doc.BmpData || h.biWidth <= 0 || h.biHeight <= 0) return {};
    const int bc = h.biBitCount;
    if (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32) return {};
    const std::size_t stride = doc.BmpStride;
    if (stride > std::size_t(INT_MAX) || stride < std::size_t(RowBytes(h.biWidth, bc)) ||
        stride * std::size_t(h.biHeight) > doc.BmpDataSize)
        return {};
    return {doc.BmpData.get(), int(h.biWidth), int(h.biHeight), int(stride), bc};
}

namespace {

// Source offsets (within the source rectangle, top row first) of the first
// and last device pixel shown: columns sx+u, bottom-up rows sy+sh-1-v.
struct ShownSpan {
    long long u0, u1, v0, v1;
};

bool FindShownSpan(const IndexedBits& src, const QRect& dest, int sx, int sy, int sw, int sh,
                   const QRect& clip, ShownSpan& span) {
    if (src.width <= 0 || src.height <= 0 || src.stride < RowBytes(src.width, src.bitCount)) return false;
    if (dest.width() <= 0 || dest.height() <= 0 || sw <= 0 || sh <= 0) return false;
    const QRect vis = dest & clip;
    if (vis.isEmpty()) return false;
    const long long dw = dest.width(), dh = dest.height();
    // Nearest-neighbour, never smoothed.
    long long u0 = (static_cast<long long>(vis.left() - dest.left()) * sw) / dw;
    long long u1 = (static_cast<long long>(vis.right() - dest.left()) * sw) / dw;
    long long v0 = (static_cast<long long>(vis.top() - dest.top()) * sh) / dh;
    long long v1 = (static_cast<long long>(vis.bottom() - dest.top()) * sh) / dh;
    // Keep only source pixels that exist.
    u0 = std::max<long long>(u0, -static_cast<long long>(sx));
    u1 = std::min<long long>(u1, static_cast<long long>(src.width) - 1 - sx);
    v0 = std::max<long long>(v0, static_cast<long long>(sy) + sh - src.height);
    v1 = std::min<long long>(v1, static_cast<long long>(sy) + sh - 1);
    span = {u0, u1, v0, v1};
    return u0 <= u1 && v0 <= v1;
}

}  // namespace

bool StretchedSourceRows(const IndexedBits& src, const QRect& dest, int sx, int sy, int sw, int sh,
                         const QRect& clip, int& lo, int& hi) {
    ShownSpan span;
    if (!FindShownSpan(src, dest, sx, sy, sw, sh, clip, span)) return false;
    lo = int(static_cast<long long>(sy) + sh - 1 - span.v1);
    hi = int(static_cast<long long>(sy) + sh - 1 - span.v0);
    return true;
}

void StretchIndexed(QPainter& dc, const IndexedBits& src, const QRgb palette[256], const QRect& dest, int sx,
                    int sy, int sw, int sh, const QRect& clip) {
    ShownSpan span;
    if (!src.bits || !FindShownSpan(src, dest, sx, sy, sw, sh, clip, span)) return;
    const long long u0 = span.u0, u1 = span.u1, v0 = span.v0, v1 = span.v1;
    const long long dw = dest.width(), dh = dest.height();

    const int nu = int(u1 - u0 + 1), nv = int(v1 - v0 + 1);
    const PaletteRows lut(palette);
    if (dw == sw && dh == sh) {
        // Unscaled: convert straight into the target's rows when it allows.
        DirectTarget t;
        if (FindDirectTarget(dc, t)) {
            const QRect part =
                QRect(int(dest.left() + u0), int(dest.top() + v0), nu, nv).translated(t.offset);
            std::uint8_t* bits = t.image->bits();
            const qsizetype bpl = t.image->bytesPerLine();
            for (const QRect& r : t.clip) {
                const QRect d = part & r;
                if (d.isEmpty()) continue;
                const long long c0 = static_cast<long long>(sx) + u0 + (d.left() - part.left());
                for (int y = d.top(); y <= d.bottom(); ++y) {
                    const long long row = static_cast<long long>(sy) + sh - 1 - (v0 + (y - part.top()));
                    // Rows run downwards in memory; asking for the next one early keeps
                    // the conversion fed.
                    if (y < d.bottom()) {
                        const std::uint8_t* next = src.bits + (row - 1) * src.stride + c0 * src.bitCount / 8;
                        for (long long k = 0; k < RowBytes(d.width(), src.bitCount); k += 64)
                            __builtin_prefetch(next + k);
                    }
                    ConvertRow(src.bits + row * src.stride, src.bitCount, c0, d.width(), lut,
                               reinterpret_cast<QRgb*>(bits + y * bpl) + d.left());
                }
            }
            return;
        }
    }
    QImage img(nu, nv, QImage::Format_RGB32);
    if (img.isNull()) return;
    for (int j = 0; j < nv; ++j) {
        const long long row = static_cast<long long>(sy) + sh - 1 - (v0 + j);
        ConvertRow(src.bits + row * src.stride, src.bitCount, static_cast<long long>(sx) + u0, nu, lut,
                   reinterpret_cast<QRgb*>(img.scanLine(j)));
    }
    if (dw == sw && dh == sh) {
        dc.drawImage(QPoint(int(dest.left() + u0), int(dest.top() + v0)), img);
    } else {
        const double fx = double(dw) / sw, fy = double(dh) / sh;
        dc.drawImage(QRectF(dest.left() + u0 * fx, dest.top() + v0 * fy, nu * fx, nv * fy), img);
    }
}

void DrawPenLine(QPainter& dc, const QPoint& p, const QPoint& q) {
    const QPen& pen = dc.pen();
    const QTransform& t = dc.worldTransform();
    const bool plain = pen.style() == Qt::SolidLine && pen.brush().style() == Qt::SolidPattern &&
                       pen.color().alpha() == 255 && (pen.widthF() == 1.0 || pen.widthF() == 0.0) &&
                       !dc.testRenderHint(QPainter::Antialiasing) &&
                       dc.compositionMode() == QPainter::CompositionMode_SourceOver &&
                       t.type() <= QTransform::TxTranslate && t.dx() == std::floor(t.dx()) &&
                       t.dy() == std::floor(t.dy());
    const bool level = p.y() == q.y() && p.x() <= q.x(), upright = p.x() == q.x() && p.y() <= q.y();
    if (plain && (level || upright))
        dc.fillRect(QRect(p, q), pen.color());
    else
        dc.drawLine(p, q);
}

void DrawMapBitmap(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc) {
    if (desc.mapType == kMapNone) return;
    const CAppearanceSettings& app = doc.Settings().appearance;
    const bool printColours = target.printing || app.usePrinterColors;
    const double zx = desc.zoomX, zy = desc.zoomY;
    const QRect clip = PaintBounds(dc);

    dc.save();
    dc.setRenderHint(QPainter::SmoothPixmapTransform, false);
    dc.setRenderHint(QPainter::Antialiasing, false);
    QRgb pal[256];

    if (desc.mapType < 0) {
        const IndexedBits img = DocImageBits(doc);
        if (img.bits) {
            for (int i = 0; i < 256; ++i) {
                const RgbQuad& q = doc.ImageHeader.palette[i];
                pal[i] = qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
            }
            const int w = SaturateToInt(img.width * zx), h = SaturateToInt(img.height * zy);
            if (!target.printing) {
                StretchIndexed(dc, img, pal, QRect(-desc.origin.x, -desc.origin.y, w, h), 0, 0, img.width,
                               img.height, clip);
            } else {
                const QRect dest(SaturateToInt(desc.deviceOffset.x * zx),
                                 SaturateToInt(desc.deviceOffset.y * zy), w, h);
                StretchIndexed(dc, img, pal, dest, desc.origin.x, -desc.origin.y, img.width, img.height,
                               clip);
            }
        }
        dc.restore();
        return;
    }

    const int series = std::clamp(int(desc.mapType), 0, kMapTypeCount - 1);
    if (series == kSeriesOF50)
        BuildOrthoPalette(pal);
    else
        BuildLayerPalette(series, desc.layers, desc.overlay, ChosenScheme(app, series, printColours), pal);

    const int s = desc.segmentMetres, p = desc.segmentPixels;
    const SegmentSeries& ser = doc.Series(series);
    if (s <= 0 || p <= 0 || ser.pixels != p) {
        dc.restore();
        return;
    }
    const GeorefParams geo = DocGeoref(doc);
    const int pw = SaturateToInt(p * zx), ph = SaturateToInt(p * zy);
    const IndexedBits blank{nullptr, p, p, ser.Stride()};
    const std::size_t need = std::size_t(ser.Stride()) * std::size_t(p);
    const CRectD va = doc.VisibleArea;

    // Probes outside the covered area find no segment; keep the loops within
    // it so that a huge area cannot spin.
    long long n = (static_cast<long long>(SaturateToInt(va.N1)) / s) * s;
    n = std::min<long long>(n, static_cast<long long>(CVornaDoc::kAreaNorth));
    const long long nStop =
        std::max<long long>(SaturateToInt(va.N2) - 1LL * s, CVornaDoc::kAreaSouth - 1LL * s);
    long long e0 = (static_cast<long long>(SaturateToInt(va.E1)) / s) * s;
    e0 = std::max<long long>(e0, static_cast<long long>(CVornaDoc::kAreaWest) - s);
    const long long eStop =
        std::min<long long>(SaturateToInt(va.E2), static_cast<long long>(CVornaDoc::kAreaEast));
    for (; n >= nStop && static_cast<double>(n) >= va.N2 - s; n -= s) {
        for (long long e = e0; e <= eStop && static_cast<double>(e) <= va.E2; e += s) {
            const int i = doc.GetSegmentIndex(desc, double(e), double(n));
            if (i < 0 || i >= ser.count) continue;
            const MapPoint q = MapToClient(double(e), double(n + s), desc, geo);
            const QRect dest(q.x, q.y, pw, ph);
            // Only the rows shown need decoding.
            int lo = 0, hi = 0;
            if (!StretchedSourceRows(blank, dest, 0, 0, p, p, clip, lo, hi)) continue;
            const std::uint8_t* bits = doc.SegmentRows(series, i, lo, hi);
            if (!bits || ser.SBmp[i].Size < need) continue;
            IndexedBits seg = blank;
            seg.bits = bits;
            StretchIndexed(dc, seg, pal, dest, 0, 0, p, p, clip);
        }
    }
    dc.restore();
}
