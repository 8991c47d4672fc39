// Waypoints and the track log painted into an image: what lands where, in
// which colour, that every painted pixel lies inside the repaint rectangle a
// pane asks for after a change, and that a kept layer never shows a stale
// picture.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "ViewTestEnv.h"
#include "mapdraw/MapOverlays.h"
#include "mapdraw/MapTransforms.h"
#include "mapdraw/OverlayCache.h"
#include "mapdraw/OverlayRaster.h"
#include "mapdraw/TrackPainter.h"
#include "mapdraw/WptPainter.h"

namespace {

const QRgb kBg = qRgb(1, 2, 3);

struct OverlayEnv : ViewTestEnv {
    MapViewDesc desc = Desc(kSeriesTK50);
    OverlayEnv(int w = 400, int h = 300, double zoom = 1.0) {
        desc.clientSize = {w, h};
        desc.origin = {1000, 1000};
        desc.zoomX = desc.zoomY = zoom;
        CAppearanceSettings& a = app.settings.appearance;
        for (int r = 0; r < 7; ++r) {
            a.wptStyles[r].screenColor = RGBRef(10 + 30 * r, 200, 40);
            a.wptStyles[r].printColor = RGBRef(10 + 30 * r, 60, 220);
        }
        a.hiddenScreenColor = RGBRef(90, 90, 90);
        a.hiddenPrintColor = RGBRef(70, 70, 70);
        a.wptDefaultOverride = 1;
        a.trackScreenColor = RGBRef(250, 0, 0);
        a.trackSelScreenColor = RGBRef(0, 0, 250);
        a.trackMarkerSize = 0;
    }
    CPointD At(int x, int y) const { return ClientToMap(x, y, desc, DocGeoref(*doc)); }
    MapPoint Client(const CPointD& p) const { return MapToClient(p, desc, DocGeoref(*doc)); }
    WaypointRecord AddWpt(int x, int y, std::uint16_t flags, const std::string& name = "WQJ") {
        const WaypointRecord r = MakeWpt(name, At(x, y), flags);
        const int q = CVornaDoc::GetWaypointQuadrantOf(flags, r.E, r.N);
        EXPECT_TRUE(PutWpt(doc->Waypoints(), q, r));
        added.push_back({q, doc->Waypoints().Base(q).Count - 1});
        return r;
    }
    // The k-th waypoint added, in its base.
    WaypointRecord& WptAt(int k) {
        return doc->Waypoints().Base(added[k].first).Data[std::size_t(added[k].second)];
    }
    std::vector<std::pair<int, int>> added;                          // base, index
    void SetTrack(const std::vector<std::pair<QPoint, int>>& pts) {  // client point, segment start
        doc->ClearTrackLog(0);
        for (const auto& [q, start] : pts) {
            TrackPoint t{};
            t.position = At(q.x(), q.y());
            t.segmentStart = start;
            ASSERT_TRUE(doc->TrackLogStore().Append(t));
        }
    }
    // viaPainter: a clip of more than one rectangle keeps the painters off
    // the pixels, as on a printer.
    QImage Paint(bool waypoints, bool track, bool viaPainter = false) {
        QImage img(desc.clientSize.cx, desc.clientSize.cy, QImage::Format_RGB32);
        img.fill(kBg);
        QPainter dc(&img);
        if (viaPainter) dc.setClipRegion(QRegion(img.rect()).subtracted(QRegion(0, 0, 1, 1)));
        if (waypoints) DrawAllWaypoints(*doc, dc, DrawTarget{}, desc, nullptr);
        if (track) DrawTrackLog(*doc, dc, DrawTarget{}, desc);
        return img;
    }
};

// Something was painted, and nothing outside r.
::testing::AssertionResult PaintedInside(const QImage& img, const QRect& r) {
    int outside = 0, painted = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != kBg) ++painted, outside += !r.contains(x, y);
    if (painted && !outside) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << painted << " pixels painted, " << outside << " outside";
}

}  // namespace

TEST(OverlayPaint, EveryPixelOfAWaypointOrTrackPieceLiesInsideItsRepaintRectangle) {
    for (const bool via : {false, true})
        for (const double zoom : {1.0, 4.0}) {
            for (int label = 0; label < 4; ++label) {
                for (const int slant : {0, 1}) {
                    OverlayEnv env(600, 600, zoom);
                    env.app.settings.appearance.wptStyles[2].italic = slant;
                    env.app.settings.appearance.wptStyles[2].underline = slant;
                    env.app.settings.appearance.markerOutline = 2 + slant;
                    const WaypointRecord r = env.AddWpt(300, 300, std::uint16_t(1 | label << 4), "WQJ_G");
                    EXPECT_TRUE(
                        PaintedInside(env.Paint(true, false, via), GetWaypointRect(*env.doc, env.desc, r)))
                        << via << " zoom " << zoom << " label " << label << " slant " << slant;
                }
            }
            // Track pieces: thin and thick lines, with and without markers.
            for (const int thickness : {1, 2, 7}) {
                for (const int marker : {0, 3}) {
                    OverlayEnv env(600, 600, zoom);
                    env.app.settings.appearance.trackThickness = thickness;
                    env.app.settings.appearance.trackMarkerSize = marker;
                    env.app.settings.appearance.gpsMarkerSize = 0;
                    env.SetTrack({{{200, 300}, 0}, {{320, 260}, 0}, {{300, 380}, 0}});
                    const TrackPoint* p = env.doc->TrackLogStore().Points();
                    const CGpsTriple piece(p[0].position, p[1].position, p[2].position);
                    const QRect rect = GetTrackPieceRect(*env.doc, env.desc, piece);
                    EXPECT_TRUE(PaintedInside(env.Paint(false, true, via), rect))
                        << via << " zoom " << zoom << " thickness " << thickness << " marker " << marker;
                }
            }
        }
}

TEST(OverlayPaint, MarkersTakeTheColourOfTheirStyleKindAndUnselectedMode) {
    // row: the settings row whose colour shows (-1 hidden colour, -2 nothing).
    const struct {
        std::uint16_t flags;
        int unselected, override, printColours, row;
    } rows[] = {
        {0, 0, 1, 0, 1},                                // level 0: the named row
        {3, 0, 1, 0, 4},                                // automatic level 3
        {5, 0, 1, 0, 6},                                // automatic level 5
        {7, 0, 1, 0, 6},                                // a damaged level takes the last style
        {kWptTemporary | 3, 0, 1, 0, 1},                // temporary: style 0 whatever its level
        {3, 0, 0, 0, 0},                                // per-level switch off: the default row
        {3, 0, 1, 1, 4},                                // printer colours on screen
        {3, 1, 1, 0, -1},                               // mode 1: unselected in the hidden colour
        {3 | kWptSelected, 1, 1, 0, 4},                 // ... selected ones in their own
        {3, 2, 1, 0, -2},                               // mode 2: unselected ones not drawn
        {3 | kWptSelected, 2, 1, 0, 4},                 // ... selected ones drawn
        {3 | kWptDeleted | kWptSelected, 0, 1, 0, -2},  // deleted: never drawn
    };
    for (const auto& r : rows) {
        OverlayEnv env;
        CAppearanceSettings& a = env.app.settings.appearance;
        a.wptDefaultOverride = r.override;
        a.usePrinterColors = r.printColours;
        env.desc.unselectedWpt = r.unselected;
        const WaypointRecord w = env.AddWpt(200, 150, r.flags);
        const MapPoint p = env.Client({w.E, w.N});
        const QRgb want = r.row == -2 ? kBg
                          : r.row == -1
                              ? ColorRefToRgb(r.printColours ? a.hiddenPrintColor : a.hiddenScreenColor)
                              : ColorRefToRgb(r.printColours ? a.wptStyles[r.row].printColor
                                                             : a.wptStyles[r.row].screenColor);
        for (const bool via : {false, true})
            EXPECT_EQ(env.Paint(true, false, via).pixel(p.x + 1, p.y), want)
                << std::hex << r.flags << " mode " << r.unselected << " " << via;
    }
}

TEST(OverlayPaint, TrackBreaksAtSegmentStartsAndShowsTheSelectedRange) {
    // Points at x = 50, 150, 250, 350 on one row, the third starting a
    // segment; the colour midway between each pair (n normal, s selected, - none).
    const struct {
        int selStart, selEnd;
        const char* mids;
    } rows[] = {{-1, -1, "n-n"}, {0, 1, "s-n"}, {3, 2, "n-s"}, {1, 3, "n-s"}, {0, -1, "n-n"}, {1, 1, "n-n"}};
    for (const auto& r : rows) {
        OverlayEnv env;
        env.app.settings.appearance.trackThickness = 3;
        env.SetTrack({{{50, 100}, 0}, {{150, 100}, 0}, {{250, 100}, 1}, {{350, 100}, 0}});
        env.doc->TrackLogStore().SelStart = r.selStart;
        env.doc->TrackLogStore().SelEnd = r.selEnd;
        const CAppearanceSettings& a = env.app.settings.appearance;
        for (const bool via : {false, true})
            for (int k = 0; k < 3; ++k) {
                const QImage img = env.Paint(false, true, via);
                const MapPoint p = env.Client(env.doc->TrackLogStore().Points()[k].position);
                const char c = r.mids[k];
                const QRgb want = c == 'n'   ? ColorRefToRgb(a.trackScreenColor)
                                  : c == 's' ? ColorRefToRgb(a.trackSelScreenColor)
                                             : kBg;
                EXPECT_EQ(img.pixel(p.x + 50, p.y), want)
                    << r.selStart << ".." << r.selEnd << " piece " << k << " " << via;
            }
    }
}

TEST(OverlayPaint, LabelsOnImageMapsStandOnTheImageFadedInItsFirstSixteenColours) {
    // The image's value under the label and the fading set; the colour shown
    // there as a share of white in tenths (-1: the pane's background).
    const struct {
        std::uint8_t value;
        int fading, tenths;
    } rows[] = {{5, 0, -1}, {5, 10, 10}, {5, 4, 4}, {5, 15, 10}, {5, -3, -1}, {20, 10, 0}};
    for (const auto& r : rows) {
        OverlayEnv env;
        const int w = 400, h = 300, stride = DibStride(w);
        for (int i = 0; i < 256; ++i)
            env.doc->ImageMap().Header.palette[i] = {40, 30, 20, 0};  // blue, green, red
        BitmapInfoHeader info;
        info.biWidth = w, info.biHeight = h, info.biBitCount = 8;
        const std::size_t size = std::size_t(stride) * h;
        env.doc->ImageMap().Adopt(info, std::unique_ptr<std::uint8_t[]>(new std::uint8_t[size]), size,
                                  stride);
        std::fill(env.doc->ImageMap().Pixels(), env.doc->ImageMap().Pixels() + size, r.value);
        auto& g = env.doc->ImageMap().Georef;
        g.ScaleX = g.ScaleY = 25000, g.Origin = {400000, 5100000};
        env.desc = MapViewDesc{};
        env.desc.mapType = kMapImageGeo;
        env.desc.clientSize = {w, h};
        env.app.settings.appearance.screenOpacity = r.fading;
        const WaypointRecord wpt = env.AddWpt(200, 150, 0, "____");
        const MapPoint p = env.Client({wpt.E, wpt.N});
        const auto lift = [&](int v) { return (v * (10 - r.tenths) + 255 * r.tenths) / 10; };
        const QRgb want = r.tenths < 0 ? kBg : qRgb(lift(20), lift(30), lift(40));
        EXPECT_EQ(env.Paint(true, false).pixel(p.x, p.y + env.app.settings.appearance.labelDistance + 1),
                  want)
            << int(r.value) << " fading " << r.fading;
    }
}

TEST(OverlayPaint, TrackEndsKeepTheirRoundTipUnlessAMarkerCoversIt) {
    // A thick line's end: the pen's round tip reaches past the last point,
    // drawn by the line itself unless a marker painted over it covers it.
    const struct {
        double zoom;
        int marker;
    } rows[] = {{1.0, 3}, {0.25, 1}};  // covered; a marker too small to cover it
    for (const auto& r : rows) {
        OverlayEnv env(400, 300, r.zoom);
        env.app.settings.appearance.trackThickness = 7;
        env.app.settings.appearance.trackMarkerSize = r.marker;
        env.SetTrack({{{50, 100}, 0}, {{150, 100}, 0}});
        const MapPoint end = env.Client(env.doc->TrackLogStore().Points()[1].position);
        for (const bool via : {false, true})
            EXPECT_EQ(env.Paint(false, true, via).pixel(end.x + 2, end.y),
                      ColorRefToRgb(env.app.settings.appearance.trackScreenColor))
                << "zoom " << r.zoom << " marker " << r.marker << " " << via;
    }
}

TEST(OverlayPaint, GpsDotLiesInsideTheTrackPieceRectangleAndOnlyOnTheLiveScreen) {
    const struct {
        double zoom;
        bool fix, printing, received;
        QRgb colour;  // 0: nothing painted
    } rows[] = {{1.0, true, false, true, qRgb(250, 0, 0)},
                {4.0, false, false, true, qRgb(0, 250, 0)},
                {1.0, true, true, true, 0},
                {1.0, true, false, false, 0}};
    for (const auto& r : rows) {
        OverlayEnv env(400, 300, r.zoom);
        env.app.settings.appearance.gpsInactiveColor = RGBRef(0, 250, 0);
        env.app.settings.appearance.trackThickness = 3;
        env.app.settings.gpsEnabled = 1;
        env.nmea.GpsPositionReceived = r.received;
        env.nmea.GpsFix = r.fix;
        env.nmea.GpsPosition = env.At(200, 150);
        QImage img(400, 300, QImage::Format_RGB32);
        img.fill(kBg);
        {
            QPainter dc(&img);
            DrawTarget target;
            target.printing = r.printing;
            target.gps = &env.nmea;
            DrawGpsPosition(*env.doc, dc, target, env.desc);
        }
        SCOPED_TRACE(r.zoom);
        if (!r.colour) {
            EXPECT_EQ(img.pixel(200, 150), kBg);
            continue;
        }
        const CPointD p = env.nmea.GpsPosition;
        EXPECT_TRUE(PaintedInside(img, GetTrackPieceRect(*env.doc, env.desc, CGpsTriple(p, p, p))));
        EXPECT_EQ(img.pixel(200, 150), r.colour);
    }
}

// A damaged log gives points whose client position saturates at the edge of
// the int range: only the line's part across the pane is walked, and it lands
// on the same pixels as the same line ending a little beyond the pane.
TEST(OverlayPaint, LinesToSaturatedPointsWalkOnlyThePaneAndKeepTheirPixels) {
    constexpr long long kTurn = 1LL << 31;
    // far: the far end's position off the map ('e' east, 's' south, 'w' west and
    // east); the near end lies on the same line, (along, across) pixels on.
    const struct {
        char far;
        bool reverse, via;
        int along, across;
    } rows[] = {
        {'e', false, false, 2048, 200},  // mostly across: the far end kTurn / 2048 times as far
        {'e', true, false, 2048, 200},   // the same, walked back
        {'s', false, false, 2048, 300},  // mostly down
        {'w', false, false, 0, 0},       // both ends saturated, across the pane
        {'w', false, true, 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.far << r.reverse << r.via);
        OverlayEnv env;
        env.app.settings.appearance.trackThickness = 3;
        const auto client = [&](const CPointD& p) {
            const MapPoint c = env.Client(p);
            return QPoint(c.x, c.y);
        };
        // A position whose client point is exactly q: the middle of its pixel.
        const double half = (env.At(1, 0).easting - env.At(0, 0).easting) / 2;
        const auto exact = [&](QPoint q) {
            // Pixels are cut towards zero: which side is the middle depends on the sign.
            for (const double dx : {half, -half})
                for (const double dy : {half, -half})
                    if (const CPointD p(env.At(q.x(), q.y()).easting + dx,
                                        env.At(q.x(), q.y()).northing - dy);
                        client(p) == q)
                        return p;
            ADD_FAILURE() << q.x() << "," << q.y();
            return CPointD();
        };
        const long long scale = kTurn / 2048;
        CPointD a, b, nearA, nearB;
        if (r.far == 'w') {
            a = b = env.At(0, 150);
            a.easting = -1e13, b.easting = 1e13;
            const int y = client(a).y();
            nearA = exact({-50, y}), nearB = exact({500, y});
        } else {
            const bool east = r.far == 'e';
            b = env.At(east ? 0 : 10 + int(r.across * scale), east ? 10 + int(r.across * scale) : 0);
            (east ? b.easting : b.northing) = east ? 1e13 : -1e13;
            const QPoint f = client(b);
            const QPoint start = east ? QPoint(int(f.x() - kTurn), int(f.y() - r.across * scale))
                                      : QPoint(int(f.x() - r.across * scale), int(f.y() - kTurn));
            a = nearA = exact(start);
            nearB = exact(start + (east ? QPoint(r.along, r.across) : QPoint(r.across, r.along)));
        }
        if (r.reverse) std::swap(a, b), std::swap(nearA, nearB);
        const auto paint = [&](const CPointD& from, const CPointD& to) {
            env.doc->ClearTrackLog(0);
            for (const CPointD& p : {from, to}) {
                TrackPoint t{};
                t.position = p;
                env.doc->TrackLogStore().Append(t);
            }
            return env.Paint(false, true, r.via);
        };
        const long long walked = DirectPixels::WalkedPoints();
        const QImage far = paint(a, b);
        EXPECT_LE(DirectPixels::WalkedPoints() - walked, 2 * (400 + 300));
        const QImage near = paint(nearA, nearB);
        int painted = 0;
        for (int y = 0; y < near.height(); ++y)
            for (int x = 0; x < near.width(); ++x) painted += near.pixel(x, y) != kBg;
        EXPECT_GT(painted, 300);
        EXPECT_TRUE(far == near);
    }
}

namespace {

// A pane painted three times (drawn, then kept, then put back), so that
// the next paint of an unchanged picture would come from the kept layers.
QImage PaintUntilKept(OverlayEnv& env, bool waypoints, bool track) {
    for (int k = 0; k < 2; ++k) env.Paint(waypoints, track);
    const QImage kept = env.Paint(waypoints, track);
    EXPECT_TRUE(!waypoints || WptOverlayCache().Replayed());
    EXPECT_TRUE(!track || TrackOverlayCache().Replayed());
    return kept;
}

QImage PaintStraight(OverlayEnv& env, bool waypoints, bool track) {
    WptOverlayCache().Clear();
    TrackOverlayCache().Clear();
    return env.Paint(waypoints, track);
}

}  // namespace

TEST(OverlayPaint, KeptLayersAreNeverShownAfterAChangeOfRecordSettingOrView) {
    // Each change is made behind the stores' backs where it can be (through
    // the record itself), as any code holding a record may do.
    const struct {
        const char* what;
        std::function<void(OverlayEnv&)> change;
    } rows[] = {
        {"waypoint selected (dimmed unselected)", [](OverlayEnv& e) { e.WptAt(0).Flags ^= kWptSelected; }},
        {"waypoint renamed", [](OverlayEnv& e) { e.WptAt(0).Name[1] = 'X'; }},
        {"waypoint moved one metre", [](OverlayEnv& e) { e.WptAt(1).E += 1.0; }},
        {"waypoint deleted", [](OverlayEnv& e) { e.WptAt(1).Flags |= kWptDeleted; }},
        {"track broken", [](OverlayEnv& e) { e.doc->TrackLogStore().BreakBefore(2); }},
        {"track selection", [](OverlayEnv& e) { e.doc->TrackLogStore().SelEnd = 2; }},
        {"track shortened", [](OverlayEnv& e) { e.doc->TrackLogStore().Truncate(3); }},
        {"track colour",
         [](OverlayEnv& e) { e.app.settings.appearance.trackScreenColor = RGBRef(0, 250, 0); }},
        {"waypoint style colour",
         [](OverlayEnv& e) { e.app.settings.appearance.wptStyles[2].screenColor = RGBRef(0, 0, 0); }},
        {"marker size", [](OverlayEnv& e) { e.app.settings.appearance.markerSize = 6; }},
        {"view moved one pixel", [](OverlayEnv& e) { e.desc.origin.x += 1; }},
    };
    for (const auto& r : rows) {
        OverlayEnv env;
        env.desc.unselectedWpt = 1;
        env.AddWpt(100, 100, 1 | kWptSelected, "WQJ1");
        env.AddWpt(250, 180, 1, "WQJ2");
        env.SetTrack({{{50, 250}, 0}, {{150, 200}, 0}, {{250, 260}, 0}, {{350, 150}, 0}});
        env.doc->TrackLogStore().SelStart = 0;
        env.doc->TrackLogStore().SelEnd = 1;
        const QImage before = PaintUntilKept(env, true, true);
        r.change(env);
        const QImage after = env.Paint(true, true);
        const QImage straight = PaintStraight(env, true, true);
        EXPECT_NE(straight, before) << r.what;  // the change shows at all
        EXPECT_EQ(after, straight) << r.what;
    }
}

TEST(OverlayPaint, AKeptLayerIsPutBackOnlyIntoClipsItCovers) {
    const QRect part(37, 41, 150, 120);
    const auto paint = [](OverlayEnv& env, const QRect* clip) {
        QImage img(400, 300, QImage::Format_RGB32);
        img.fill(kBg);
        QPainter dc(&img);
        if (clip) dc.setClipRect(*clip);
        DrawAllWaypoints(*env.doc, dc, DrawTarget{}, env.desc, nullptr);
        DrawTrackLog(*env.doc, dc, DrawTarget{}, env.desc);
        return img;
    };
    for (const bool wholeFirst : {true, false}) {
        OverlayEnv env;
        env.app.settings.appearance.trackMarkerSize = 2;
        for (int k = 0; k < 40; ++k)
            env.AddWpt(20 + 9 * k, 30 + 6 * k, std::uint16_t(k % 4 << 4), "W" + std::to_string(k));
        std::vector<std::pair<QPoint, int>> track;
        for (int k = 0; k < 60; ++k) track.push_back({QPoint(10 + 6 * k, 150 + (k % 7) * 15), k == 30});
        env.SetTrack(track);
        const QRect* first = wholeFirst ? nullptr : &part;
        const QRect* then = wholeFirst ? &part : nullptr;
        WptOverlayCache().Clear();
        TrackOverlayCache().Clear();
        const QImage straight = paint(env, then);
        for (int k = 0; k < 3; ++k) paint(env, first);
        const QImage shown = paint(env, then);
        EXPECT_EQ(WptOverlayCache().Replayed(), wholeFirst);
        EXPECT_EQ(shown, straight) << wholeFirst;
    }
}

TEST(OverlayPaint, TheLayerKeyNoticesTwoWordsChangedInOneLane) {
    // Words 0 and 4 feed the same lane: a change to one must not be
    // cancelled by a change to the other, whichever bits they are.
    std::uint64_t words[8] = {0x0123456789ABCDEFull, 42, 7, 9, 0xFEDCBA9876543210ull, 3, 5, 11};
    OverlayHasher base;
    base.Bytes(words, sizeof words);
    int same = 0;
    for (int a = 0; a < 64; ++a)
        for (int b = 0; b < 64; ++b) {
            std::uint64_t changed[8];
            std::copy(std::begin(words), std::end(words), changed);
            changed[0] ^= 1ull << a;
            changed[4] ^= 1ull << b;
            OverlayHasher h;
            h.Bytes(changed, sizeof changed);
            same += h.Key() == base.Key();
        }
    EXPECT_EQ(same, 0);
}

TEST(OverlayPaint, AGlyphSetOutlivesTheThinningOfTheSets) {
    // A painter asks for its label fonts one by one; sets asked for earlier
    // in the same paint must survive the sets being thinned out meanwhile.
    QFont f("Arial");
    f.setPixelSize(9);
    const std::shared_ptr<LabelGlyphs> held = LabelGlyphs::For(f);
    const int width = held->Width("WQJ"), height = held->Height();
    for (int size = 10; size < 10 + 70; ++size) {
        QFont g("Arial");
        g.setPixelSize(size);
        LabelGlyphs::For(g);
    }
    EXPECT_EQ(held->Width("WQJ"), width);
    EXPECT_EQ(held->Height(), height);
}

TEST(OverlayPaint, NoTrackPointDrawnWhenTheLiveTrackShowsNone) {
    // Live drawing of the last 0 points of a log filled to its last slot.
    OverlayEnv env;
    env.app.settings.gpsEnabled = 1;
    env.app.settings.gpsLogDrawnPoints = 0;
    env.SetTrack({{{50, 50}, 0}, {{150, 120}, 0}});
    CTrackLogStore& log = env.doc->TrackLogStore();
    TrackPoint t{};
    t.position = env.At(200, 200);
    while (log.Count() < int(log.Log().Data.size())) ASSERT_TRUE(log.Append(t));
    const QImage img = env.Paint(false, true);
    int painted = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) painted += img.pixel(x, y) != kBg;
    EXPECT_EQ(painted, 0);
}

TEST(OverlayPaint, TheLayerKeyNoticesAChangeToAnyByteWhateverTheLength) {
    // Lengths that end in every kind of tail: whole blocks, words, single bytes.
    for (std::size_t n = 1; n <= 72; ++n)
        for (std::size_t i = 0; i < n; ++i)
            for (const unsigned char bit : {0x01, 0x80}) {
                unsigned char bytes[72];
                for (std::size_t k = 0; k < n; ++k) bytes[k] = static_cast<unsigned char>(k * 37 + 11);
                OverlayHasher a;
                a.Bytes(bytes, n);
                bytes[i] ^= bit;
                OverlayHasher b;
                b.Bytes(bytes, n);
                EXPECT_FALSE(a.Key() == b.Key()) << "length " << n << ", byte " << i;
            }
}

// Pixels of a kept layer carry their drawing's tag; when the tags run out
// after 255 drawings the layer starts clean, so no pixel of an older
// drawing that had the same tag is put back with a new one.
TEST(OverlayPaint, AKeptLayerShowsOnlyItsOwnDrawingAfterTheTagsRunOut) {
    OverlayCache cache;
    PixelRuns dot;
    dot.runs.push_back({0, 0, 0});
    dot.bounds = QRect(0, 0, 1, 1);
    const QRgb red = qRgb(200, 0, 0);
    // Two slots take turns: 600 drawings give each of them more than 255,
    // every dot in the same tile.
    for (int k = 0; k < 600; ++k) {
        OverlayHasher h;
        h.Value(k);
        const int x = k % 29, y = (k / 29) % 31;
        for (int pass = 0; pass < 2; ++pass) {
            QImage img(64, 64, QImage::Format_RGB32);
            img.fill(kBg);
            {
                QPainter dc(&img);
                DirectPixels px(dc);
                ASSERT_TRUE(px.Usable());
                cache.Paint(px, h.Key(), [&](DirectPixels& to) { to.Put(dot, x, y, red); });
            }
            int painted = 0;
            for (int j = 0; j < img.height(); ++j)
                for (int i = 0; i < img.width(); ++i) painted += img.pixel(i, j) != kBg;
            ASSERT_EQ(painted, 1) << "drawing " << k << ", pass " << pass;
            ASSERT_EQ(img.pixel(x, y), red) << "drawing " << k << ", pass " << pass;
        }
    }
}
