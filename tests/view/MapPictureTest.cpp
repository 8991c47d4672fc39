// Layer palettes, palette rows, and the pictures of segment, orthophoto and
// image panes, drawn straight onto their target or through an image.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QRegion>
#include <functional>

#include "TestUtil.h"
#include "ViewTestEnv.h"
#include "mapdraw/DrawDocument.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/MapTransforms.h"

namespace {

const QRgb kWhite = qRgb(255, 255, 255), kBackground = qRgb(1, 2, 3);

QRgb Layer(const ViewTestEnv& env, int l) {
    return ColorRefToRgb(env.app.settings.appearance.schemes[0].colors[l]);
}

// Renders the pane of d into an image pre-filled with kBackground.
QImage Render(ViewTestEnv& env, const MapViewDesc& d, SegmentFlags* flags = nullptr) {
    QImage img(d.clientSize.cx, d.clientSize.cy, QImage::Format_RGB32);
    img.fill(kBackground);
    QPainter dc(&img);
    SegmentFlags own(std::size_t(std::max(d.segmentCount, 0)), 0);
    DrawDocument(*env.doc, dc, DrawTarget{}, d, nullptr, flags ? flags : &own);
    return img;
}

}  // namespace

TEST(MapPicture, PalettesFollowLayerOrderSwitchesAndOverlayAndRowsGiveEachValuesColour) {
    ViewTestEnv env;
    // The layer switched off (-1: none); the layer whose colour the value takes (-1: white).
    // Names over relief over roads over objects over water over forest; bit 6
    // carries no layer, values above the layers are white. TK25 hides roads
    // and objects but for the overlay; TN10 hides objects.
    const struct {
        int series, off, overlay, value, layer;
    } rows[] = {{1, -1, 0, 0x21, 5}, {1, -1, 0, 0x03, 1},  {1, -1, 0, 0x0C, 3},  {1, -1, 0, 0x11, 4},
                {1, -1, 0, 0x14, 2}, {1, -1, 0, 0x61, 5},  {1, -1, 0, 0, -1},    {1, -1, 0, 0xA1, -1},
                {1, 5, 0, 0x21, 0},  {1, 0, 0, 0x01, -1},  {2, -1, 0, 0x18, -1}, {2, -1, 0, 0x04, 2},
                {2, -1, 1, 0x18, 3}, {3, -1, 0, 0x10, -1}, {3, -1, 0, 0x08, 3}};
    for (const auto& r : rows) {
        std::int32_t layers[15] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
        if (r.off >= 0) layers[r.off] = 0;
        QRgb pal[256];
        BuildLayerPalette(r.series, layers, r.overlay, env.app.settings.appearance.schemes[0], pal);
        EXPECT_EQ(pal[r.value], r.layer < 0 ? kWhite : Layer(env, r.layer)) << r.series << " " << r.value;
    }

    // Palette rows go through in wide steps where they can; every length,
    // alignment and mix of values must give the palette's colours, opaque.
    QRgb palette[256];
    for (int v = 0; v < 256; ++v) palette[v] = QRgb(v * 0x9E3779B1u) & (v % 3 ? 0xFFFFFFFFu : 0x00FFFFFFu);
    const PaletteRows lut(palette);
    // big: where a value above the layer values sits, or -1.
    const struct {
        int n, offset, big;
        std::uint8_t bigValue;
    } lengths[] = {{100, 0, -1, 0}, {100, 3, -1, 0}, {100, 1, 40, 0x40}, {64, 0, 31, 0xFF},
                   {31, 0, -1, 0},  {32, 2, -1, 0},  {0, 0, -1, 0}};
    Mix r{3};
    for (const auto& row : lengths) {
        SCOPED_TRACE(testing::Message() << row.n << " " << row.offset << " " << row.big);
        std::vector<std::uint8_t> in(std::size_t(row.n + row.offset));
        for (auto& v : in) v = std::uint8_t(r.Next(64));
        if (row.big >= 0) in[std::size_t(row.offset + row.big)] = row.bigValue;
        std::vector<QRgb> out(std::size_t(row.n + row.offset + 1), 0);
        lut.Convert(in.data() + row.offset, row.n, out.data() + row.offset);
        for (int i = row.offset; i < row.offset + row.n; ++i)
            ASSERT_EQ(out[std::size_t(i)], palette[in[std::size_t(i)]] | 0xFF000000u) << i;
        EXPECT_EQ(out.back(), 0u);  // nothing past the row
    }
    // Grid labels drop a trailing zero.
    EXPECT_EQ(FormatKmPair(417500, 5125000) + " " + FormatKmPair(400000, 5125300),
              "5125 - 417.5 5125.3 - 400");
}

// A TK50 segment of forest with a names spot at a grid point, water east of
// it and nothing loaded south of it; the TK25 overlay, orthophotos, no map.
TEST(MapPicture, SegmentsShowLayerColoursAtTheirGridPoints) {
    ViewTestEnv env;
    MapViewDesc d = ViewTestEnv::Desc(1);
    d.layers[kLayerGKGrid] = 0;  // its lines would cross the sampled grid points
    const int seg = env.doc->GetSegmentIndex(1, 415000, 5125000);
    const MapPoint nw = MapToDevice(410000, 5130000, d, GeorefParams());
    const MapPoint gp = MapToDevice(419000, 5121000, d, GeorefParams());
    ASSERT_TRUE(env.WriteSegment(1, seg, 0x01, {{gp.x - nw.x, gp.y - nw.y, 0x21}}));
    ASSERT_TRUE(env.WriteSegment(1, env.doc->GetSegmentIndex(1, 425000, 5125000), 0x04));
    d.origin = {gp.x - 50, gp.y - 50};
    d.clientSize = {200, 200};
    SegmentFlags flags(d.segmentCount, 0);
    QImage img = Render(env, d, &flags);
    const MapPoint se = MapToClient(420000, 5120000, d, GeorefParams());
    EXPECT_EQ(img.pixel(50, 50), Layer(env, 5));
    EXPECT_EQ(img.pixel(se.x - 5, se.y - 5), Layer(env, 0));
    EXPECT_EQ(img.pixel(se.x + 5, se.y - 5), Layer(env, 2));
    EXPECT_EQ(img.pixel(se.x - 5, se.y + 5), kBackground);
    EXPECT_EQ(flags[seg], 1);
    d.layers[5] = 0;  // the pane's switches reach the picture
    EXPECT_EQ(Render(env, d, &flags).pixel(50, 50), Layer(env, 0));
    EXPECT_TRUE(env.prompter.texts.empty());

    MapViewDesc t = ViewTestEnv::Desc(2);  // TK25: the overlay mask
    t.layers[kLayerGKGrid] = 0;
    ASSERT_TRUE(env.WriteSegment(2, env.doc->GetSegmentIndex(2, 412000, 5128000), 0x18, {{0, 0, 0x02}}));
    t.origin = MapToDevice(410000, 5130000, t, GeorefParams());
    t.clientSize = {64, 48};
    for (int overlay : {0, 1}) {
        t.overlay = overlay;
        img = Render(env, t);
        EXPECT_EQ(img.pixel(10, 10), overlay ? Layer(env, 3) : kWhite);
        EXPECT_EQ(img.pixel(0, 0), Layer(env, 1));
    }
    MapViewDesc o = ViewTestEnv::Desc(4);  // OF50: orthophoto greys
    o.layers[kLayerGKGrid] = 0;
    ASSERT_TRUE(
        env.WriteSegment(4, env.doc->GetSegmentIndex(4, 412000, 5128000), 0, {{1, 0, 1}, {2, 0, 100}}));
    o.origin = MapToDevice(410000, 5130000, o, GeorefParams());
    o.clientSize = {16, 16};
    img = Render(env, o);
    EXPECT_EQ(std::vector<QRgb>({img.pixel(0, 0), img.pixel(1, 0), img.pixel(2, 0)}),
              std::vector<QRgb>({kWhite, qRgb(1, 1, 1), qRgb(100, 100, 100)}));
    MapViewDesc none;  // no map: nothing drawn
    none.clientSize = {20, 20};
    EXPECT_EQ(Render(env, none).pixel(5, 5), kBackground);
    // A series pane of zero size claims nothing and does not fail.
    MapViewDesc z = ViewTestEnv::Desc(3);
    z.layers[kLayerGKGrid] = 0;
    z.clientSize = {0, 0};
    SegmentFlags zf(z.segmentCount, 0);
    QImage one(1, 1, QImage::Format_RGB32);
    QPainter dc(&one);
    DrawDocument(*env.doc, dc, DrawTarget{}, z, nullptr, &zf);
    EXPECT_EQ(std::count(zf.begin(), zf.end(), 1), 0);
}

// A 10 x 6 image; at 8 bits value = column + 10 * row (rows from the top)
// through a palette, at 24 bits blue, green, red in the third top pixel.
TEST(MapPicture, ImageMapDrawsTheHeldImageThroughItsPaletteOrDirectColours) {
    ViewTestEnv env;
    const int w = 10, h = 6;
    auto pal = [](int v) { return qRgb(255 - v, 0, v); };
    for (int i = 0; i < 256; ++i)
        env.doc->ImageMap().Header.palette[i] = {std::uint8_t(i), 0, std::uint8_t(255 - i), 0};
    // short: bytes fewer than the header claims, so nothing is read at all.
    const struct {
        int bits, shortBy;
        QPoint origin, pixel;
        QRgb colour;
    } rows[] = {
        {8, 0, {2, 1}, {0, 0}, pal(2 + 10 * 1)},   {8, 0, {2, 1}, {7, 4}, pal(9 + 10 * 5)},
        {8, 0, {2, 1}, {8, 4}, kBackground},       {8, 0, {2, 1}, {0, 5}, kBackground},  // right, below
        {24, 0, {0, 0}, {2, 0}, qRgb(10, 20, 30)}, {24, 0, {0, 0}, {3, 0}, qRgb(0, 0, 0)},
        {8, 1, {0, 0}, {0, 0}, kBackground}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.bits << " " << r.pixel.x() << "," << r.pixel.y());
        const int stride = DibStride(w * r.bits / 8);
        const std::size_t size = std::size_t(stride) * h - std::size_t(r.shortBy);
        BitmapInfoHeader info;
        info.biWidth = w, info.biHeight = h, info.biBitCount = std::uint16_t(r.bits);
        env.doc->ImageMap().Adopt(info, std::unique_ptr<std::uint8_t[]>(new std::uint8_t[size]()), size,
                                  stride);
        std::uint8_t* px = env.doc->ImageMap().Pixels();
        for (int y = 0; y < h && r.bits == 8 && !r.shortBy; ++y)
            for (int x = 0; x < w; ++x) px[std::size_t(h - 1 - y) * stride + x] = std::uint8_t(x + 10 * y);
        const std::uint8_t bgr[] = {30, 20, 10};
        if (r.bits == 24) std::copy(bgr, bgr + 3, px + std::size_t(h - 1) * stride + 6);
        MapViewDesc d;
        d.mapType = kMapImage;
        d.origin = {r.origin.x(), r.origin.y()};
        d.clientSize = {12, 8};
        EXPECT_EQ(Render(env, d).pixel(r.pixel), r.colour);
    }
    auto& g = env.doc->ImageMap().Georef;
    g.ScaleX = 25000, g.ScaleY = 26000, g.Origin = {400000, 5100000}, g.PixelOffset = {120, -40};
    MapViewDesc geo;  // placed through the document's georeference
    geo.mapType = kMapImageGeo;
    const MapPoint p = MapToDevice(401000, 5099000, geo, DocGeoref(*env.doc));
    // 1 km is 40 mm at 1:25000 (236.2 pixels at 150 dpi) and 38.5 mm at 1:26000 (227.1).
    EXPECT_EQ(std::pair(p.x, p.y), std::pair(236 - 120, 227 + 40));
}

// Unscaled panes of a raster image are converted straight into it; printers
// and zoom draw through an image. Both must give the same picture, so each
// pane is drawn directly and played back from a recording.
TEST(MapPicture, DirectPaintMatchesDrawingThroughAnImage) {
    ViewTestEnv env;
    ASSERT_TRUE(env.WriteSegment(1, env.doc->GetSegmentIndex(1, 415000, 5125000),
                                 [](int x, int y) { return std::uint8_t((x * 7 + y * 13) / 5 % 64); }));
    ASSERT_TRUE(env.WriteSegment(1, env.doc->GetSegmentIndex(1, 425000, 5125000), 0x04));
    const struct {
        double zoom;
        QPoint shift;  // painter translation
        QRegion clip;  // empty: none
        QImage::Format format;
    } panes[] = {{1, {}, {}, QImage::Format_RGB32},
                 {1, {7, -5}, {}, QImage::Format_RGB32},
                 {1, {}, QRegion(10, 10, 100, 50) + QRegion(150, 60, 80, 120), QImage::Format_RGB32},
                 {1, {}, {}, QImage::Format_ARGB32_Premultiplied},
                 {1, {}, {}, QImage::Format_RGB16},
                 {2, {}, {}, QImage::Format_RGB32},
                 {0.5, {}, {}, QImage::Format_RGB32}};
    for (const auto& p : panes) {
        SCOPED_TRACE(testing::Message() << p.zoom << " " << p.shift.x() << " " << int(p.format));
        MapViewDesc d = ViewTestEnv::Desc(1);
        d.zoomX = d.zoomY = p.zoom;
        // The corner of the two segments and the missing ones south of them in view.
        const MapPoint corner = MapToDevice(420000, 5120000, d, GeorefParams());
        d.origin = {corner.x - 200, corner.y - 150};
        d.clientSize = {300, 200};
        SegmentFlags flags(d.segmentCount, 0);
        const auto paint = [&](QPaintDevice& dev) {
            QPainter dc(&dev);
            dc.translate(p.shift);
            if (!p.clip.isEmpty()) dc.setClipRegion(p.clip);
            DrawDocument(*env.doc, dc, DrawTarget{}, d, nullptr, &flags);
        };
        QImage direct(300, 200, p.format), played(300, 200, p.format);
        for (QImage* i : {&direct, &played}) i->fill(kBackground);
        paint(direct);
        QPicture recorded;
        recorded.setBoundingRect(QRect(0, 0, 300, 200));
        paint(recorded);
        QPainter(&played).drawPicture(0, 0, recorded);
        EXPECT_TRUE(direct == played);
        if (p.zoom == 1 && p.clip.isEmpty() && p.format != QImage::Format_RGB16) {
            EXPECT_EQ(direct.pixel(250, 100), Layer(env, 2));  // the water east of the corner
        }
    }
}

// A segment read on demand decodes only the rows StretchedSourceRows names:
// rows outside them must never reach the picture.
TEST(MapPicture, StretchReadsOnlyTheRowsItNames) {
    const int side = 97, stride = DibStride(side);
    std::vector<std::uint8_t> good(std::size_t(stride) * side), poisoned;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) good[std::size_t(y) * stride + x] = std::uint8_t((x * 3 + y * 5) % 61);
    QRgb pal[256];
    for (int i = 0; i < 256; ++i) pal[i] = qRgb(i, 255 - i, i / 2);
    const struct {
        QRect dest, clip;
        int sx, sy, sw, sh;
    } cases[] = {
        {{0, 0, 97, 97}, {0, 0, 200, 150}, 0, 0, 97, 97},      // whole, unscaled
        {{-40, -30, 97, 97}, {0, 0, 50, 40}, 0, 0, 97, 97},    // its south-east corner shown
        {{10, 60, 97, 97}, {0, 0, 200, 100}, 0, 0, 97, 97},    // its north part shown
        {{-13, -7, 194, 194}, {0, 0, 120, 90}, 0, 0, 97, 97},  // zoomed in
        {{5, -10, 32, 32}, {0, 0, 200, 100}, 0, 0, 97, 97},    // zoomed out, cut at the top
        {{3, 4, 150, 70}, {20, 10, 90, 33}, 10, 20, 60, 50},   // part of the source, stretched
        {{0, 0, 291, 291}, {100, 140, 7, 3}, 0, 0, 97, 97},    // a sliver of a threefold zoom
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dest.x() << "," << c.dest.y() << " " << c.dest.width());
        IndexedBits src{nullptr, side, side, stride};
        int lo = -1, hi = -1;
        ASSERT_TRUE(StretchedSourceRows(src, c.dest, c.sx, c.sy, c.sw, c.sh, c.clip, lo, hi));
        poisoned = good;
        for (int y = 0; y < side; ++y)
            if (y < lo || y > hi) std::fill_n(poisoned.begin() + std::ptrdiff_t(y) * stride, stride, 200);
        QImage want(200, 150, QImage::Format_RGB32), got(200, 150, QImage::Format_RGB32);
        for (auto [img, bits] : {std::pair{&want, &good}, std::pair{&got, &poisoned}}) {
            img->fill(kBackground);
            QPainter dc(img);
            src.bits = bits->data();
            StretchIndexed(dc, src, pal, c.dest, c.sx, c.sy, c.sw, c.sh, c.clip);
        }
        EXPECT_TRUE(want == got);
        EXPECT_GT(hi - lo, 0);
        EXPECT_TRUE(hi - lo + 1 < side || c.dest.width() == side) << "every row named";
    }
}

// Grid lines filled as rectangles must give the pixels the pen's lines give,
// whatever the painter's state; where they could not, the pen draws them.
TEST(MapPicture, PenLinesFilledAsRectanglesMatchThePen) {
    const struct {
        const char* what;
        QPoint p, q;
    } lines[] = {
        {"level, right", {-30, 40}, {330, 40}}, {"level, left", {250, 41}, {10, 41}},
        {"upright, down", {60, -5}, {60, 250}}, {"upright, up", {61, 190}, {61, 3}},
        {"slanted", {5, 5}, {200, 120}},        {"a point", {100, 100}, {100, 100}},
        {"outside", {-40, -3}, {-2, -3}},       {"on the last column", {299, 0}, {299, 199}},
    };
    const struct {
        const char* what;
        std::function<void(QPainter&)> set;
    } states[] = {
        {"plain", [](QPainter&) {}},
        {"clipped", [](QPainter& d) { d.setClipRect(QRect(7, 9, 200, 150)); }},
        {"moved", [](QPainter& d) { d.translate(3, -4); }},
        {"moved by a fraction", [](QPainter& d) { d.translate(0.5, 0.25); }},
        {"scaled", [](QPainter& d) { d.scale(2, 2); }},
        {"smoothed", [](QPainter& d) { d.setRenderHint(QPainter::Antialiasing); }},
        {"wide pen", [](QPainter& d) { d.setPen(QPen(QColor(255, 0, 255), 2)); }},
        {"dashed pen", [](QPainter& d) { d.setPen(QPen(QColor(255, 0, 255), 1, Qt::DashLine)); }},
        {"see-through pen", [](QPainter& d) { d.setPen(QPen(QColor(255, 0, 255, 100), 1)); }},
        {"cosmetic pen", [](QPainter& d) { d.setPen(QPen(QColor(0, 90, 255), 0)); }},
    };
    for (const auto& s : states)
        for (const auto& l : lines) {
            QImage want(300, 200, QImage::Format_RGB32), got(300, 200, QImage::Format_RGB32);
            for (auto [img, filled] : {std::pair{&want, false}, std::pair{&got, true}}) {
                img->fill(kWhite);
                QPainter dc(img);
                dc.setPen(QPen(QColor(255, 0, 255), 1));
                s.set(dc);
                if (filled)
                    DrawPenLine(dc, l.p, l.q);
                else
                    dc.drawLine(l.p, l.q);
            }
            EXPECT_TRUE(want == got) << s.what << ", " << l.what;
        }
}
