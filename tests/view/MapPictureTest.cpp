#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

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

TEST(MapPicture, PaletteFollowsLayerOrderAndSwitches) {
    ViewTestEnv env;
    const CColorScheme& sc = env.app.appearance.schemes[0];
    std::int32_t layers[15];
    std::fill(std::begin(layers), std::end(layers), 1);
    QRgb pal[256];

    BuildLayerPalette(1, layers, 0, sc, pal);
    EXPECT_EQ(pal[0x21], Layer(env, 5));  // names over forest
    EXPECT_EQ(pal[0x03], Layer(env, 1));  // relief over forest
    EXPECT_EQ(pal[0x0C], Layer(env, 3));  // roads over water
    EXPECT_EQ(pal[0x11], Layer(env, 4));  // objects over forest
    EXPECT_EQ(pal[0x14], Layer(env, 2));  // water over objects
    EXPECT_EQ(pal[0], kWhite);
    EXPECT_EQ(pal[0x40 | 0x21], pal[0x21]);  // bit 6 carries no layer
    for (int v = 128; v < 256; ++v) EXPECT_EQ(pal[v], kWhite);

    layers[5] = 0;
    BuildLayerPalette(1, layers, 0, sc, pal);
    EXPECT_EQ(pal[0x21], Layer(env, 0));
    layers[0] = 0;
    BuildLayerPalette(1, layers, 0, sc, pal);
    EXPECT_EQ(pal[0x21], kWhite);

    // Overlay layers: TK25 hides C and NP, TN10 hides NP, unless the overlay is on.
    std::fill(std::begin(layers), std::end(layers), 1);
    BuildLayerPalette(2, layers, 0, sc, pal);
    EXPECT_EQ(pal[0x18], kWhite);
    EXPECT_EQ(pal[0x08], kWhite);
    EXPECT_EQ(pal[0x04], Layer(env, 2));
    BuildLayerPalette(2, layers, 1, sc, pal);
    EXPECT_EQ(pal[0x18], Layer(env, 3));
    BuildLayerPalette(3, layers, 0, sc, pal);
    EXPECT_EQ(pal[0x10], kWhite);
    EXPECT_EQ(pal[0x08], Layer(env, 3));

    BuildOrthoPalette(pal);
    EXPECT_EQ(pal[0], kWhite);
    EXPECT_EQ(pal[1], qRgb(1, 1, 1));
    EXPECT_EQ(pal[200], qRgb(200, 200, 200));
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

    // Layer 2 off turns the east segment white, nothing else.
    d.layers[5] = 1;
    d.origin = {nw.x + 1000, nw.y + 1000};
    const QImage withWater = Render(env, d, flags);
    d.layers[2] = 0;
    img = Render(env, d, flags);
    EXPECT_EQ(img.pixel(segNw.x + 1181 + 5, segNw.y + 1100), kWhite);
    EXPECT_EQ(img.pixel(inSeg), Layer(env, 0));
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
    EXPECT_EQ(p.x, int(1000 * 150 / 25.4 / 25.0) - 120);
    EXPECT_EQ(p.y, int(1000 * 150 / 25.4 / 26.0) + 40);
}
