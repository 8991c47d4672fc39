#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QRegion>

#include "SegmentWriters.h"
#include "TestUtil.h"
#include "ViewTestEnv.h"
#include "view/DrawDocument.h"
#include "view/MapPicture.h"
#include "view/MapTransforms.h"

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBackground = qRgb(1, 2, 3);

QRgb Layer(const ViewTestEnv& env, int l) { return ColorRefToRgb(env.app.appearance.schemes[0].colors[l]); }

// Renders the pane of d into an image pre-filled with kBackground.
QImage Render(ViewTestEnv& env, const MapViewDesc& d, SegmentFlags& flags) {
    QImage img(d.clientSize.cx, d.clientSize.cy, QImage::Format_RGB32);
    img.fill(kBackground);
    QPainter dc(&img);
    DrawDocument(*env.doc, dc, DrawTarget{}, d, nullptr, &flags);
    return img;
}

}  // namespace

TEST(MapPicture, PaletteFollowsLayerOrderSwitchesAndOverlay) {
    ViewTestEnv env;
    constexpr int kWhiteLayer = -1;
    struct Row {
        const char* what;
        int series;
        int off;  // a layer switched off, or -1
        int overlay;
        int value;
        int layer;  // whose colour the value takes
    } rows[] = {
        {"names over forest", 1, -1, 0, 0x21, 5},
        {"relief over forest", 1, -1, 0, 0x03, 1},
        {"roads over water", 1, -1, 0, 0x0C, 3},
        {"objects over forest", 1, -1, 0, 0x11, 4},
        {"water over objects", 1, -1, 0, 0x14, 2},
        {"bit 6 carries no layer", 1, -1, 0, 0x61, 5},
        {"no layer bit", 1, -1, 0, 0, kWhiteLayer},
        {"above the layer values", 1, -1, 0, 0xA1, kWhiteLayer},
        {"names off shows forest", 1, 5, 0, 0x21, 0},
        {"forest off alone", 1, 0, 0, 0x01, kWhiteLayer},
        {"TK25 hides roads and objects", 2, -1, 0, 0x18, kWhiteLayer},
        {"TK25 keeps water", 2, -1, 0, 0x04, 2},
        {"TK25 overlay shows roads", 2, -1, 1, 0x18, 3},
        {"TN10 hides objects", 3, -1, 0, 0x10, kWhiteLayer},
        {"TN10 keeps roads", 3, -1, 0, 0x08, 3},
    };
    for (const Row& r : rows) {
        std::int32_t layers[15];
        std::fill(std::begin(layers), std::end(layers), 1);
        if (r.off >= 0) layers[r.off] = 0;
        QRgb pal[256];
        BuildLayerPalette(r.series, layers, r.overlay, env.app.appearance.schemes[0], pal);
        EXPECT_EQ(pal[r.value], r.layer == kWhiteLayer ? kWhite : Layer(env, r.layer)) << r.what;
    }
    QRgb grey[256];
    BuildOrthoPalette(grey);
    EXPECT_EQ(grey[0], kWhite);
    EXPECT_EQ(grey[200], qRgb(200, 200, 200));
}

// Rows go through in wide steps where they can; every length, alignment and
// mix of values must give the palette's colours, made opaque.
TEST(MapPicture, PaletteRowsGiveEachValuesColour) {
    QRgb palette[256];
    for (int v = 0; v < 256; ++v) palette[v] = QRgb(v * 0x9E3779B1u) & (v % 3 ? 0xFFFFFFFFu : 0x00FFFFFFu);
    const PaletteRows lut(palette);
    struct Row {
        const char* what;
        int n, offset;
        int big;  // where a value above the layer values sits, or -1
        std::uint8_t bigValue;
    } rows[] = {
        {"layer values over several wide steps", 100, 0, -1, 0},
        {"unaligned rows", 100, 3, -1, 0},
        {"the first value above them in the second step", 100, 1, 40, 0x40},
        {"the largest value last in a step", 64, 0, 31, 0xFF},
        {"shorter than a step", 31, 0, -1, 0},
        {"one step exactly", 32, 2, -1, 0},
        {"empty", 0, 0, -1, 0},
    };
    Mix r{3};
    for (const Row& row : rows) {
        std::vector<std::uint8_t> in(std::size_t(row.n + row.offset));
        for (auto& v : in) v = std::uint8_t(r.Next(64));
        if (row.big >= 0) in[std::size_t(row.offset + row.big)] = row.bigValue;
        std::vector<QRgb> out(std::size_t(row.n + row.offset + 1), 0);
        lut.Convert(in.data() + row.offset, row.n, out.data() + row.offset);
        for (int i = 0; i < row.n; ++i)
            ASSERT_EQ(out[std::size_t(row.offset + i)],
                      palette[in[std::size_t(row.offset + i)]] | 0xFF000000u)
                << row.what << " at " << i;
        EXPECT_EQ(out[std::size_t(row.offset + row.n)], 0u) << row.what;  // nothing past the row
    }
}

TEST(MapPicture, KmPairDropsTrailingZero) {
    EXPECT_EQ(FormatKmPair(417500, 5125000), "5125 - 417.5");
    EXPECT_EQ(FormatKmPair(400000, 5125300), "5125.3 - 400");
}

TEST(MapPicture, SegmentsShowLayerColoursAtTheirGridPoints) {
    ViewTestEnv env;
    const int series = 1;  // TK50
    MapViewDesc d = ViewTestEnv::Desc(series);
    // Segment holding (415000, 5125000) and its east neighbour; the one
    // south of it is missing.
    const int seg = env.doc->GetSegmentIndex(series, 415000, 5125000);
    const int east = env.doc->GetSegmentIndex(series, 425000, 5125000);
    ASSERT_GE(seg, 0);
    // The segment pixel under the grid point (412000, 5128000), 2 km from
    // its north-west corner.
    const GeorefParams g;
    const MapPoint nw = MapToDevice(410000, 5130000, d, g);
    const MapPoint gp = MapToDevice(412000, 5128000, d, g);
    const int px = gp.x - nw.x, py = gp.y - nw.y;
    ASSERT_TRUE(env.WriteSegment(series, seg, 0x01, {{px, py, 0x21}, {px + 1, py, 0x18}}));
    ASSERT_TRUE(env.WriteSegment(series, east, 0x04));

    d.origin = {nw.x + 1000, nw.y + 1000};  // the segment's last pixels in the top-left part
    d.clientSize = {500, 400};
    SegmentFlags flags(d.segmentCount, 0);
    QImage img = Render(env, d, flags);
    const MapPoint segNw = MapToClient(410000, 5130000, d, g);

    // Forest fill; the east neighbour water; south of both nothing loaded.
    const QPoint inSeg(segNw.x + 1100, segNw.y + 1100);
    EXPECT_EQ(img.pixel(inSeg), Layer(env, 0));
    EXPECT_EQ(img.pixel(segNw.x + 1181 + 5, segNw.y + 1100), Layer(env, 2));
    EXPECT_EQ(img.pixel(segNw.x + 1100, segNw.y + 1181 + 5), kBackground);
    EXPECT_EQ(flags[seg], 1);

    // The spot at a known grid point: scroll so it is in view.
    d.origin = {gp.x - 50, gp.y - 50};
    img = Render(env, d, flags);
    const MapPoint spot = MapToClient(412000, 5128000, d, g);
    EXPECT_EQ(spot.x, 50);
    EXPECT_EQ(spot.y, 50);
    EXPECT_EQ(img.pixel(50, 50), Layer(env, 5));
    EXPECT_EQ(img.pixel(51, 50), Layer(env, 3));  // TK50 draws roads and objects

    // A switch changes only its layer.
    const QImage before = img;
    d.layers[5] = 0;
    img = Render(env, d, flags);
    EXPECT_EQ(img.pixel(50, 50), Layer(env, 0));
    int changed = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) changed += img.pixel(x, y) != before.pixel(x, y);
    EXPECT_EQ(changed, 1);

    EXPECT_TRUE(env.prompter.texts.empty());
}

TEST(MapPicture, OverlayMaskOfTK25AndOrthophotoGreys) {
    ViewTestEnv env;
    MapViewDesc d = ViewTestEnv::Desc(2);  // TK25
    const int seg = env.doc->GetSegmentIndex(2, 412000, 5128000);
    ASSERT_TRUE(env.WriteSegment(2, seg, 0x18, {{0, 0, 0x02}}));
    const GeorefParams g;
    const MapPoint nw = MapToDevice(410000, 5130000, d, g);
    d.origin = nw;
    d.clientSize = {64, 48};
    SegmentFlags flags(d.segmentCount, 0);
    QImage img = Render(env, d, flags);
    EXPECT_EQ(img.pixel(10, 10), kWhite);
    EXPECT_EQ(img.pixel(0, 0), Layer(env, 1));
    d.overlay = 1;
    img = Render(env, d, flags);
    EXPECT_EQ(img.pixel(10, 10), Layer(env, 3));
    EXPECT_EQ(img.pixel(0, 0), Layer(env, 1));

    MapViewDesc o = ViewTestEnv::Desc(4);  // OF50
    const int oseg = env.doc->GetSegmentIndex(4, 412000, 5128000);
    ASSERT_TRUE(env.WriteSegment(4, oseg, 0, {{1, 0, 1}, {2, 0, 100}}));
    o.origin = MapToDevice(410000, 5130000, o, g);
    o.clientSize = {16, 16};
    SegmentFlags oflags(o.segmentCount, 0);
    img = Render(env, o, oflags);
    EXPECT_EQ(img.pixel(0, 0), kWhite);
    EXPECT_EQ(img.pixel(1, 0), qRgb(1, 1, 1));
    EXPECT_EQ(img.pixel(2, 0), qRgb(100, 100, 100));
}

TEST(MapPicture, NoMapAndEmptyPaneDrawNothing) {
    ViewTestEnv env;
    MapViewDesc d;
    d.clientSize = {20, 20};
    SegmentFlags flags;
    QImage img = Render(env, d, flags);
    EXPECT_EQ(img.pixel(5, 5), kBackground);

    // A series pane of zero size claims nothing and does not fail.
    MapViewDesc z = ViewTestEnv::Desc(3);
    z.clientSize = {0, 0};
    SegmentFlags zf(z.segmentCount, 0);
    QImage one(1, 1, QImage::Format_RGB32);
    QPainter dc(&one);
    DrawDocument(*env.doc, dc, DrawTarget{}, z, nullptr, &zf);
    EXPECT_EQ(std::count(zf.begin(), zf.end(), 1), 0);
}

TEST(MapPicture, ImageMapDrawsTheHeldImageThroughItsPaletteOrDirectColours) {
    ViewTestEnv env;
    // A 10 x 6 image, 8 bits: value = column + 10 * row (rows counted from the top).
    const int w = 10, h = 6, stride = DibStride(w);
    auto hold = [&](int bits, std::size_t rowBytes, std::size_t size) {
        BitmapInfoHeader info;
        info.biWidth = w;
        info.biHeight = h;
        info.biBitCount = std::uint16_t(bits);
        env.doc->ImageMap().Adopt(info, std::unique_ptr<std::uint8_t[]>(new std::uint8_t[size]()), size, rowBytes);
    };
    hold(8, stride, std::size_t(stride) * h);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            env.doc->ImageMap().Pixels()[std::size_t(h - 1 - r) * stride + c] = std::uint8_t(c + 10 * r);
    for (int i = 0; i < 256; ++i)
        env.doc->ImageMap().Header.palette[i] = {std::uint8_t(i), 0, std::uint8_t(255 - i), 0};
    auto pal = [](int v) { return qRgb(255 - v, 0, v); };

    MapViewDesc d;
    d.mapType = kMapImage;
    d.origin = {2, 1};
    d.clientSize = {12, 8};
    SegmentFlags none;
    QImage img = Render(env, d, none);
    EXPECT_EQ(img.pixel(0, 0), pal(2 + 10 * 1));
    EXPECT_EQ(img.pixel(7, 4), pal(9 + 10 * 5));
    EXPECT_EQ(img.pixel(8, 4), kBackground);  // right of the image
    EXPECT_EQ(img.pixel(0, 5), kBackground);  // below it

    // 24 bits: blue, green, red per pixel.
    const int stride24 = (w * 3 + 3) / 4 * 4;
    hold(24, stride24, std::size_t(stride24) * h);
    std::uint8_t* top = &env.doc->ImageMap().Pixels()[std::size_t(h - 1) * stride24];
    top[3 * 2 + 0] = 30, top[3 * 2 + 1] = 20, top[3 * 2 + 2] = 10;
    d.origin = {0, 0};
    img = Render(env, d, none);
    EXPECT_EQ(img.pixel(2, 0), qRgb(10, 20, 30));
    EXPECT_EQ(img.pixel(3, 0), qRgb(0, 0, 0));

    // A block shorter than its header claims is not read at all.
    hold(8, stride, std::size_t(stride) * h - 1);
    img = Render(env, d, none);
    EXPECT_EQ(img.pixel(0, 0), kBackground);
}

TEST(MapPicture, TransformsOfImageMapsUseTheDocumentsGeoreference) {
    ViewTestEnv env;
    env.doc->ImageMap().Georef.ScaleX = 25000;
    env.doc->ImageMap().Georef.ScaleY = 26000;
    env.doc->ImageMap().Georef.Origin = {400000, 5100000};
    env.doc->ImageMap().Georef.PixelOffset = {120, -40};
    MapViewDesc d;
    d.mapType = kMapImageGeo;
    const MapPoint p = MapToDevice(401000, 5099000, d, DocGeoref(*env.doc));
    // 1 km is 40 mm at 1:25000 (236.2 pixels at 150 dpi) and 38.5 mm at 1:26000 (227.1).
    EXPECT_EQ(p.x, 236 - 120);
    EXPECT_EQ(p.y, 227 + 40);
}

// Unscaled panes of a raster image are converted straight into it; anything
// else (printers, zoom) draws through an image. Both must give the same
// picture, so each pane is drawn directly and recorded into a QPicture that
// is then played back onto an image of the same kind.
TEST(MapPicture, DirectPaintMatchesDrawingThroughAnImage) {
    ViewTestEnv env;
    const int series = 1, side = 1181, stride = DibStride(side);
    const int seg = env.doc->GetSegmentIndex(series, 415000, 5125000);
    const int east = env.doc->GetSegmentIndex(series, 425000, 5125000);
    std::vector<std::uint8_t> px(std::size_t(stride) * side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            px[std::size_t(y) * stride + x] = std::uint8_t((x * 7 + y * 13) / 5 % 64);
    ASSERT_TRUE(
        WriteMifSegment(env.doc->SegmentFilePath(series, seg, ".mif"), px.data(), side, side, stride));
    std::fill(px.begin(), px.end(), 0x04);
    ASSERT_TRUE(
        WriteMifSegment(env.doc->SegmentFilePath(series, east, ".mif"), px.data(), side, side, stride));
    const GeorefParams g;

    struct Pane {
        const char* what;
        double zoom;
        QPoint shift;  // painter translation
        QRegion clip;  // empty: none
        QImage::Format format;
    } panes[] = {
        {"plain", 1, {}, {}, QImage::Format_RGB32},
        {"translated painter", 1, {7, -5}, {}, QImage::Format_RGB32},
        {"clip of two parts",
         1,
         {},
         QRegion(10, 10, 100, 50) + QRegion(150, 60, 80, 120),
         QImage::Format_RGB32},
        {"premultiplied target", 1, {}, {}, QImage::Format_ARGB32_Premultiplied},
        {"16-bit target", 1, {}, {}, QImage::Format_RGB16},
        {"zoomed in", 2, {}, {}, QImage::Format_RGB32},
        {"zoomed out", 0.5, {}, {}, QImage::Format_RGB32},
    };
    for (const Pane& p : panes) {
        MapViewDesc d = ViewTestEnv::Desc(series);
        d.zoomX = d.zoomY = p.zoom;
        // The corner of the two segments and the missing ones south of them in view.
        const MapPoint corner = MapToDevice(420000, 5120000, d, g);
        d.origin = {corner.x - 200, corner.y - 150};
        d.clientSize = {300, 200};
        SegmentFlags flags(d.segmentCount, 0);
        const auto paint = [&](QPainter& dc) {
            dc.translate(p.shift);
            if (!p.clip.isEmpty()) dc.setClipRegion(p.clip);
            DrawDocument(*env.doc, dc, DrawTarget{}, d, nullptr, &flags);
        };
        QImage direct(300, 200, p.format);
        direct.fill(kBackground);
        {
            QPainter dc(&direct);
            paint(dc);
        }
        QPicture recorded;
        recorded.setBoundingRect(QRect(0, 0, 300, 200));
        {
            QPainter dc(&recorded);
            paint(dc);
        }
        QImage played(300, 200, p.format);
        played.fill(kBackground);
        {
            QPainter dc(&played);
            dc.drawPicture(0, 0, recorded);
        }
        int differ = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x) differ += direct.pixel(x, y) != played.pixel(x, y);
        EXPECT_EQ(differ, 0) << p.what;
        // East of the corner the water segment.
        if (p.zoom == 1 && p.clip.isEmpty() && p.format != QImage::Format_RGB16) {
            EXPECT_EQ(direct.pixel(250, 100), Layer(env, 2)) << p.what;
        }
    }
}
