// The map pane's controller without a window: settings slots, series
// stepping and layer items, the print area on the printer's page and the
// printed page, update hints, and the messages held while panes paint.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <set>
#include <tuple>

#include "ViewTestEnv.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/MapTransforms.h"
#include "mapdraw/PaintMessages.h"
#include "mapview/AppPrinter.h"
#include "mapview/MapViewController.h"
#include "mapview/MapViewFrame.h"
#include "mapview/MapViewHost.h"
#include "platform/CommandIds.h"

namespace {

// Every layer on, the print area centred on (415000, 5125000).
ViewSettings Slot(int mapType) {
    ViewSettings v;
    v.mapType = mapType;
    for (int& l : v.layers) l = 1;
    v.printCenter = CPointD(415000, 5125000);
    return v;
}

// Program margins of 10 mm with a 15 mm title band.
struct PaneEnv : MouseEnv {
    PaneEnv() {
        app.settings.printMarginLeft = app.settings.printMarginTop = app.settings.printMarginRight =
            app.settings.printMarginBottom = 1000;
        app.settings.printTitleMargin = 1500, app.settings.printTitleSize = 800;
    }
    CMapViewController& Open(ViewSettings v, int slot = 0) {
        app.settings.views[slot] = v;
        pane->InitFromSettings(0, slot);
        return *pane;
    }
};

// The program's printer on another page for one test.
struct PageOfPrinter {
    QPageLayout saved = AppPrinter().pageLayout();
    PageOfPrinter(QPageSize::PageSizeId paper, QPageLayout::Orientation o, double marginMm) {
        EXPECT_TRUE(AppPrinter().setPageLayout(
            QPageLayout(QPageSize(paper), o, QMarginsF(1, 1, 1, 1) * marginMm, QPageLayout::Millimeter)));
    }
    ~PageOfPrinter() {
        AppPrinter().setPageLayout(saved);
        AppPrinter().setOutputFileName(QString());
    }
};

}  // namespace

// A damaged segment under pane 0, no map in pane 1: repaints of the pair
// raise its box once. Stepping keeps the centre and stops at the ends (the
// keys' test walks the series); layer items follow the series, the overlay
// and the document; hints repaint what changed; settings from the file are
// held to their ranges.
TEST(MapViewController, OnePaneThroughADamagedSegmentSeriesStepsHintsAndSettings) {
    PaneEnv env;
    ASSERT_TRUE(WriteFileBytes(
        env.doc->SegmentFilePath(1, env.doc->GetSegmentIndex(1, 415000, 5125000), ".mif"), "MIF damaged"));
    CMapViewController& p = env.Open(Slot(1));
    const MapPoint c = MapToDevice(415000, 5125000, p.Desc(), GeorefParams());
    p.SetScrollOrigin(c.x - 200, c.y - 150);
    env.app.settings.views[2] = Slot(kMapNone);
    CMapViewController other(env.doc.get(), nullptr);
    other.InitFromSettings(1, 2);
    QImage img(400, 300, QImage::Format_RGB32);
    for (int round = 0; round < 3; ++round) {
        for (CMapViewController* pane : {&p, &other}) {
            QPainter dc(&img);
            pane->Paint(dc);
        }
        QCoreApplication::processEvents();
    }
    ASSERT_FALSE(env.prompter.texts.empty());
    EXPECT_EQ(std::set<std::string>(env.prompter.texts.begin(), env.prompter.texts.end()).size(),
              env.prompter.texts.size());
    env.prompter.texts.clear();

    const CPointD c0 = p.ViewCentre();
    using S = std::pair<bool, bool>;
    auto state = [&](unsigned id) {
        CCmdUI ui(id, true, true);
        p.OnUpdateCommand(id, ui);
        return S(ui.m_bEnabled, ui.m_bChecked);
    };
    const struct {
        std::vector<unsigned> commands;
        int type;
        bool dmr, nextOn, prevOn;
        S roads, objects, viewPoint;
    } rows[] = {
        // OF50, PK250, TK50 -> TK25, TK25 with overlay, TN10 with the 3-D pane
        {{cmd::NextSeries, cmd::NextSeries, cmd::NextSeries}, 4, false, false, true, {0, 0}, {0, 0}, {0, 0}},
        {{cmd::OpenMapFirst}, 0, false, true, false, {0, 0}, {1, 1}, {0, 0}},
        {{cmd::PrevSeries, cmd::NextSeries, cmd::NextSeries}, 2, false, true, true, {0, 0}, {0, 0}, {0, 0}},
        {{cmd::ShowOverlay}, 2, false, true, true, {1, 1}, {1, 1}, {0, 0}},
        {{cmd::NextSeries, cmd::ShowOverlay}, 3, true, true, true, {1, 1}, {0, 0}, {1, 1}}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.type);
        for (unsigned id : r.commands) p.OnCommand(id);
        env.frame.dmr = r.dmr;
        EXPECT_EQ(p.Desc().mapType, r.type);
        EXPECT_NEAR(p.ViewCentre().easting, c0.easting, 50);
        EXPECT_NEAR(p.ViewCentre().northing, c0.northing, 50);
        EXPECT_EQ(state(cmd::NextSeries).first, r.nextOn);
        EXPECT_EQ(state(cmd::PrevSeries).first, r.prevOn);
        EXPECT_EQ(state(cmd::LayerFirst + kLayerRoads), r.roads);
        EXPECT_EQ(state(cmd::LayerFirst + kLayerObjects), r.objects);
        EXPECT_EQ(state(cmd::LayerDmrViewPoint), r.viewPoint);
        EXPECT_EQ(state(cmd::LayerTrackLogs), S(false, false));  // no track point
    }
    EXPECT_TRUE(env.prompter.texts.empty());

    const QRect r(10, 20, 30, 40);
    const struct {
        long hint;
        const void* object;
        bool dmrLayer;
        int repaints, rects;
    } hints[] = {{kHintRect, &r, true, 0, 1},
                 {kHintRect, nullptr, true, 1, 0},
                 {kHintDmrViewPoint, nullptr, false, 0, 0},
                 {kHintDmrViewPoint, nullptr, true, 1, 0},
                 {kHintPrintArea, nullptr, true, 1, 0}};
    for (const auto& row : hints) {
        SCOPED_TRACE(row.hint);
        env.host = MouseHost();
        p.Desc().layers[kLayerDmrViewPoint] = row.dmrLayer;
        p.OnUpdate(nullptr, row.hint, row.object);
        EXPECT_EQ(env.host.repaints, row.repaints);
        EXPECT_EQ(env.host.rects, std::vector<QRect>(row.rects, r));
    }
    // One waypoint repaints a rectangle around its marker, not the pane.
    env.host = MouseHost();
    WaypointRecord w = ZeroWaypointRecord();
    const CPointD mid = p.ViewCentre();
    w.E = mid.easting;
    w.N = mid.northing;
    SetWptName(w, "AB0001");
    p.OnUpdate(nullptr, kHintWaypoint, &w);
    ASSERT_EQ(env.host.rects.size(), 1u);
    EXPECT_EQ(env.host.repaints, 0);
    const MapPoint at = MapToClient(mid, p.Desc(), GeorefParams());
    EXPECT_TRUE(env.host.rects[0].contains(at.x, at.y));
    EXPECT_LT(env.host.rects[0].width(), p.Desc().clientSize.cx);
    // A reopened image map reaches a pane without a series only.
    p.OpenMap(kMapNone, true);
    EXPECT_FALSE(state(cmd::NextSeries).first || state(cmd::PrevSeries).first);
    env.doc->ImageMap().MapType = kMapImage;
    p.OnUpdate(nullptr, kHintImageMap, nullptr);
    EXPECT_EQ(p.Desc().mapType, kMapImage);
    p.OnActivateView(true);
    EXPECT_EQ(env.frame.active, 0);

    ViewSettings v = Slot(7);  // out of range, all of them
    v.printGrid = 9, v.dmrArea = 5, v.unselectedWpt = -2, v.tracking = 3, v.printWidth = -7;
    env.Open(v, 1);
    const MapViewDesc& d = p.Desc();
    EXPECT_EQ(
        std::vector<int>({d.mapType, d.printGrid, d.dmrArea, d.unselectedWpt, d.tracking, p.PrintWidth()}),
        std::vector<int>(
            {DefaultViewSlot().mapType, kSeriesOF50, kDmrAreaAlways, kUnselShowAll, kTrackingDmr, -1}));
    EXPECT_TRUE(p.HasSegmentFlags()) << "a type no pane can show starts on the default series";

    ASSERT_TRUE(p.OnCommand(cmd::LayerGrid));
    p.SaveToSettings();
    EXPECT_EQ(env.app.settings.views[1].layers[kLayerGKGrid], 0);
}

// A pane starts on what it can show: a stored image type shows the
// document's image as it stands, and with no image the series a fresh
// settings file gives, never a blank pane: at the pane's print area, or
// where a fresh file puts it when that area is off the map.
TEST(MapViewController, AStoredImageTypeStartsOnTheDocumentsImageOrTheDefaultSeries) {
    PaneEnv env;
    const std::string image = env.tmp.file("map.bmp");
    ASSERT_TRUE(WriteFileBytes(image, BmpBytes(8, 4, 8, 1024)));
    const ViewSettings fresh = DefaultViewSlot();
    for (int held : {kMapNone, kMapImage, kMapImageGeo}) {
        if (held != kMapNone) {
            ASSERT_TRUE(env.doc->InitBmp(image));
            env.doc->ImageMap().MapType = held;
        }
        for (int stored : {kMapNone, kMapImage, kMapImageGeo}) {
            SCOPED_TRACE(std::to_string(held) + " held, " + std::to_string(stored) + " stored");
            CMapViewController& p = env.Open(Slot(stored));
            EXPECT_EQ(p.Desc().mapType, held == kMapNone ? fresh.mapType : held);
            EXPECT_EQ(p.HasSegmentFlags(), held == kMapNone);
            if (held == kMapNone) {
                // 423 m to a PK250 pixel.
                EXPECT_NEAR(p.ViewCentre().easting, 415000, 850);
                EXPECT_NEAR(p.ViewCentre().northing, 5125000, 850);
                ViewSettings off = Slot(stored);
                off.printCenter = CPointD(0, 0);
                env.Open(off);
                EXPECT_EQ(p.Desc().mapType, fresh.mapType);
                EXPECT_EQ(p.Desc().origin.x, fresh.originX);
                EXPECT_EQ(p.Desc().origin.y, fresh.originY);
            }
        }
    }
}

// The print area is the printable page less the program's margins, and what
// the frame shows is what prints: the whole area lands on one PDF page in
// either orientation, below its title, no part of it cut off by the
// printer's margins and nothing drawn beyond it.
TEST(MapViewController, PrintAreaIsThePrintablePageLessTheMarginsAndPrintsOnOnePage) {
    PaneEnv env;
    CMapViewController& p = env.Open(Slot(1));
    // Expected sizes in 150-dpi pixels, worked out by hand from the paper in mm.
    const struct {
        QPageSize::PageSizeId paper;
        QPageLayout::Orientation o;
        double printerMargin;
        int userWidth;
        int w, h;
    } rows[] = {
        {QPageSize::A4, QPageLayout::Portrait, 0, -1, 1122, 1547},      // 190 x 262 mm
        {QPageSize::A4, QPageLayout::Landscape, 0, -1, 1635, 1033},     // 277 x 175 mm
        {QPageSize::A4, QPageLayout::Landscape, 5, -1, 1576, 974},      // 267 x 165 mm
        {QPageSize::A3, QPageLayout::Portrait, 0, -1, 1635, 2273},      // 277 x 385 mm
        {QPageSize::A4, QPageLayout::Landscape, 0, 10000, 590, 1033},   // 100 mm wide by choice
        {QPageSize::A4, QPageLayout::Portrait, 0, 25000, 1122, 1547}};  // wider than the page: all of it
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << int(r.paper) << " " << int(r.o) << " " << r.printerMargin);
        PageOfPrinter page(r.paper, r.o, r.printerMargin);
        p.SetPrintWidthHeight(r.userWidth, -1);
        p.OnUpdate(nullptr, kHintPrintArea, nullptr);
        EXPECT_EQ(std::pair(p.Desc().printSize.cx, p.Desc().printSize.cy), std::pair(r.w, r.h));
    }
    // Margins beyond the page still leave a frame to grab.
    env.app.settings.printMarginLeft = env.app.settings.printMarginRight = 15000;
    env.app.settings.printMarginTop = 40000;
    p.ComputePrintArea();
    EXPECT_EQ(std::pair(p.Desc().printSize.cx, p.Desc().printSize.cy),
              std::pair(2 * CMapViewController::kHandleSize, 2 * CMapViewController::kHandleSize));
    env.app.settings.printMarginLeft = env.app.settings.printMarginRight = env.app.settings.printMarginTop =
        1000;

    // TK50 forest all round, a water square at the print centre.
    const MapViewDesc d = ViewTestEnv::Desc(1);
    const MapPoint c = MapToDevice(415000, 5125000, d, GeorefParams());
    for (int e = 390000; e <= 440000; e += 10000)
        for (int n = 5100000; n <= 5150000; n += 10000) {
            const MapPoint nw = MapToDevice(e, n + 10000, d, GeorefParams());
            env.WriteSegment(1, env.doc->GetSegmentIndex(1, e + 1, n + 1), [&](int x, int y) {
                const bool centre = std::abs(nw.x + x - c.x) <= 6 && std::abs(nw.y + y - c.y) <= 6;
                return std::uint8_t(centre ? 0x04 : 0x01);
            });
        }
    for (QPageLayout::Orientation o : {QPageLayout::Portrait, QPageLayout::Landscape}) {
        SCOPED_TRACE(int(o));
        QPrinter& printer = AppPrinter();
        PageOfPrinter page(QPageSize::A4, o, 0);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageMargins(QMarginsF(4, 6, 8, 5), QPageLayout::Millimeter);
        const QRectF paint = printer.pageLayout().paintRect(QPageLayout::Millimeter);
        const std::string pdf = env.tmp.file("page.pdf");
        std::remove(pdf.c_str());
        printer.setOutputFileName(QString::fromStdString(pdf));
        env.Open(Slot(1));                  // the print area is the whole printable page
        p.Desc().layers[kLayerGKGrid] = 0;  // its lines would cross the sampled centres
        ASSERT_TRUE(p.PrintTo(printer));
        EXPECT_TRUE(env.prompter.texts.empty());

        if (QProcess::execute("pdftoppm", {"-r", "100", "-png", "-singlefile", QString::fromStdString(pdf),
                                           QString::fromStdString(env.tmp.file("page"))}) < 0)
            GTEST_SKIP() << "poppler-utils not installed";
        const QImage img(QString::fromStdString(env.tmp.file("page.png")));
        ASSERT_FALSE(img.isNull());

        // The map runs from the program's margins (10 mm, title 15 mm) to the
        // far corner of the area, which reaches the printable page's margin:
        // forest just inside both corners shows nothing was cut off.
        const double px = 100 / 25.4;  // pixels per mm
        const MapSize ps = p.Desc().printSize;
        const double left = paint.left() + 10, top = paint.top() + 25;
        const double right = left + ps.cx / 150.0 * 25.4, bottom = top + ps.cy / 150.0 * 25.4;
        EXPECT_NEAR(right, paint.right() - 10, 0.5);
        EXPECT_NEAR(bottom, paint.bottom() - 10, 0.5);
        const int cx = int((left + right) / 2 * px), cy = int((top + bottom) / 2 * px);
        const int l = int(left * px), t = int(top * px), r = int(right * px), b = int(bottom * px);
        const QRgb water = qRgb(0, 0, 255), forest = qRgb(0, 200, 0), white = qRgb(255, 255, 255);
        for (auto [x, y, colour] :
             {std::tuple(cx, cy, water), std::tuple(r - 3, b - 3, forest), std::tuple(l + 3, t + 3, forest),
              std::tuple(r + 3, cy, white), std::tuple(cx, b + 3, white), std::tuple(l - 3, cy, white)}) {
            const QRgb got = img.pixel(x, y);  // within a few levels: the page is antialiased
            const int off = std::abs(qRed(got) - qRed(colour)) + std::abs(qGreen(got) - qGreen(colour));
            EXPECT_LE(off + std::abs(qBlue(got) - qBlue(colour)), 60)
                << x << "," << y << " " << std::hex << got;
        }

        // The title: dark pixels in the band above the map, centred half a
        // print width in from the printable edge.
        int minX = img.width(), maxX = -1;
        for (int y = int((paint.top() + 10) * px); y < t; ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qGray(img.pixel(x, y)) < 100) minX = std::min(minX, x), maxX = std::max(maxX, x);
        ASSERT_GT(maxX, minX);
        EXPECT_NEAR((minX + maxX) / 2.0, (paint.left() + ps.cx / 2 / 150.0 * 25.4) * px, 3);
    }
}

// One message seen by several panes raises one box, also while the box is
// open and the panes repaint under it.
TEST(PaintMessages, OneBoxPerMessageAcrossPanesUntilEveryPaneStopsRaisingIt) {
    struct RepaintingPrompter : CScriptedPrompter {
        std::function<void()> whileOpen;
        int MessageBox(const std::string& text, unsigned type) override {
            const int answer = CScriptedPrompter::MessageBox(text, type);
            if (whileOpen) whileOpen();
            return answer;
        }
    } prompter;
    int paneA = 0, paneB = 0;
    auto paint = [](const void* pane, bool raise) {
        CPaintMessageScope scope(pane);
        if (raise) MsgBox("Unexpected end of file!");  // as the segment reader reports it
    };
    prompter.whileOpen = [&] {
        paint(&paneA, true);
        paint(&paneB, true);
        QCoreApplication::processEvents();
    };
    // Shown once; B meets it too; B scrolls away while A still raises it;
    // nobody raises it any more, so a new occurrence is shown again.
    const struct {
        const void* pane;
        bool raise;
        size_t boxes;
    } steps[] = {{&paneA, true, 1}, {&paneB, true, 1},  {&paneB, false, 1},
                 {&paneA, true, 1}, {&paneA, false, 1}, {&paneB, true, 2}};
    for (const auto& s : steps) {
        paint(s.pane, s.raise);
        QCoreApplication::processEvents();
        EXPECT_EQ(prompter.texts.size(), s.boxes) << (s.pane == &paneA ? "A" : "B") << s.raise;
    }
    // A question cannot wait: it goes through at once, inside the paint.
    prompter.answers = {IDNO};
    CPaintMessageScope scope(&paneA);
    EXPECT_EQ(MsgBox("Continue?", MB_YESNO), IDNO);
}
