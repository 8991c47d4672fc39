#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

#include "../view/ViewTestEnv.h"
#include "view/AppPrinter.h"
#include "view/DrawDocument.h"
#include "view/MapTransforms.h"
#include "view/MapViewController.h"

namespace {

// A TK50 pane whose print area is centred on (415000, 5125000), inside a
// segment of forest with a water square at the centre point.
struct PrintEnv : ViewTestEnv {
    std::unique_ptr<CMapViewController> view;
    PrintEnv(int printWidth = 10000, int printHeight = 8000) {
        app.printMarginLeft = app.printMarginTop = app.printMarginRight = app.printMarginBottom = 1000;
        app.printTitleMargin = 1500;
        app.printTitleSize = 800;
        const MapViewDesc d = Desc(1);
        const GeorefParams g;
        for (int e = 390000; e <= 440000; e += 10000)
            for (int n = 5100000; n <= 5150000; n += 10000) {
                const int seg = doc->GetSegmentIndex(1, e + 1, n + 1);
                const MapPoint nw = MapToDevice(e, n + 10000, d, g);
                const MapPoint c = MapToDevice(415000, 5125000, d, g);
                std::vector<Spot> spots;
                if (e == 410000 && n == 5120000)
                    for (int dy = -6; dy <= 6; ++dy)
                        for (int dx = -6; dx <= 6; ++dx) spots.push_back({c.x - nw.x + dx, c.y - nw.y + dy, 0x04});
                WriteSegment(1, seg, 0x01, spots);
            }
        ViewSettings v;
        v.mapType = 1;
        for (int& l : v.layers) l = 1;
        v.printCenter = CPointD(415000, 5125000);
        v.printWidth = printWidth;  // hundredths of a millimetre; -1 the whole page
        v.printHeight = printHeight;
        app.views[0] = v;
        view = std::make_unique<CMapViewController>(doc.get(), nullptr);
        view->Resize(300, 200);
        view->InitFromSettings(0, 0);
    }
    ~PrintEnv() { view.reset(); }
};

bool IsWater(QRgb c) { return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) > 200; }
bool IsForest(QRgb c) { return qRed(c) < 60 && qGreen(c) > 150 && qBlue(c) < 60; }

}  // namespace

TEST(MapViewPrint, PrintPathAt300DpiPlacesTitleAndCentre) {
    PrintEnv env;
    const double mmToPx = 300 / 25.4;
    QImage page(int(210 * mmToPx), int(297 * mmToPx), QImage::Format_RGB32);
    page.setDotsPerMeterX(int(300 / 0.0254 + 0.5));
    page.setDotsPerMeterY(int(300 / 0.0254 + 0.5));
    page.fill(Qt::white);
    {
        QPainter dc(&page);
        env.view->DrawPrintPage(dc);
    }
    env.view->OnEndPrinting();
    page.save(QString::fromStdString(env.tmp.file("print300.png")));

    const MapSize ps = env.view->Desc().printSize;
    ASSERT_EQ(ps.cx, 590);
    const int ox = HmmToPixels(1000), oy = int((1000 + 1500) * kHmmToPixels / 100);
    // Map area: zoom 2 from 150-dpi pixels.
    const int cx = (ox + ps.cx / 2) * 2, cy = (oy + ps.cy / 2) * 2;
    EXPECT_TRUE(IsWater(page.pixel(cx, cy))) << std::hex << page.pixel(cx, cy);
    EXPECT_TRUE(IsForest(page.pixel(cx + 30, cy + 30)));
    EXPECT_TRUE(IsForest(page.pixel(ox * 2 + 1, oy * 2 + 1)));
    // Nothing outside the print area.
    EXPECT_EQ(page.pixel((ox + ps.cx) * 2 + 2, cy), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(cx, (oy + ps.cy) * 2 + 2), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(ox * 2 - 2, cy), qRgb(255, 255, 255));

    // Title: dark pixels in the band above the map, centred on print width / 2.
    const int bandTop = int(1000 * kHmmToPixels / 100 * 2), bandBottom = oy * 2;
    int minX = page.width(), maxX = -1;
    for (int y = bandTop; y < bandBottom; ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 100) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    ASSERT_GT(maxX, minX);
    EXPECT_NEAR((minX + maxX) / 2.0, ps.cx / 2 * 2, 6);
    // Print claims are released afterwards.
    EXPECT_TRUE(env.prompter.texts.empty());
}

// What the frame shows is what prints: the whole print area lands on the
// page in either orientation, no part of it cut off by the printer's margins.
TEST(MapViewPrint, TheWholePrintAreaPrintsOnOnePdfPageInEitherOrientation) {
    for (QPageLayout::Orientation o : {QPageLayout::Portrait, QPageLayout::Landscape}) {
        SCOPED_TRACE(int(o));
        QPrinter& printer = AppPrinter();
        const QPageLayout saved = printer.pageLayout();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageOrientation(o);
        PrintEnv env(-1, -1);  // the print area is the whole printable page
        const std::string pdf = env.tmp.file("page.pdf");
        printer.setOutputFileName(QString::fromStdString(pdf));
        const bool printed = env.view->PrintTo(printer);
        const QRectF paint = printer.pageLayout().paintRect(QPageLayout::Millimeter);
        printer.setPageLayout(saved);
        printer.setOutputFileName(QString());
        ASSERT_TRUE(printed);

        QProcess info;
        info.start("pdfinfo", {QString::fromStdString(pdf)});
        if (!info.waitForStarted()) GTEST_SKIP() << "poppler-utils not installed";
        info.waitForFinished();
        EXPECT_TRUE(QString::fromLatin1(info.readAllStandardOutput()).contains(QRegularExpression("Pages:\\s+1\\n")));
        QProcess::execute("pdftoppm", {"-r", "50", "-png", "-singlefile", QString::fromStdString(pdf),
                                       QString::fromStdString(env.tmp.file("page"))});
        const QImage img(QString::fromStdString(env.tmp.file("page.png")));
        ASSERT_FALSE(img.isNull());
        if (const char* keep = std::getenv("MAPVIEW_KEEP_PNG")) img.save(QString(keep) + QString::number(int(o)) + ".png");

        // The map runs from the program's margins to the far corner of the area.
        const double pxPerMm = 50 / 25.4;
        const MapSize ps = env.view->Desc().printSize;
        const double left = paint.left() + 10, top = paint.top() + 25;
        const double right = left + ps.cx / 150.0 * 25.4, bottom = top + ps.cy / 150.0 * 25.4;
        EXPECT_LE(right, paint.right() - 10 + 0.5);
        EXPECT_LE(bottom, paint.bottom() - 10 + 0.5);
        EXPECT_GT(right, paint.right() - 10 - 0.5);
        const int cx = int((left + right) / 2 * pxPerMm), cy = int((top + bottom) / 2 * pxPerMm);
        EXPECT_TRUE(IsWater(img.pixel(cx, cy))) << std::hex << img.pixel(cx, cy);
        EXPECT_TRUE(IsForest(img.pixel(int(right * pxPerMm) - 3, int(bottom * pxPerMm) - 3)));
        EXPECT_TRUE(IsForest(img.pixel(int(left * pxPerMm) + 3, int(top * pxPerMm) + 3)));
        EXPECT_EQ(img.pixel(int(right * pxPerMm) + 3, cy), qRgb(255, 255, 255));
    }
}
