// Printing a pane: the page against the printer's page and the program's margins.
#include <gtest/gtest.h>

#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

#include "../view/ViewTestEnv.h"
#include "view/AppPrinter.h"
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
                        for (int dx = -6; dx <= 6; ++dx)
                            spots.push_back({c.x - nw.x + dx, c.y - nw.y + dy, 0x04});
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

// What the frame shows is what prints: the whole print area lands on the
// page in either orientation, below its title, no part of it cut off by the
// printer's margins and nothing drawn beyond it.
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
        EXPECT_TRUE(env.prompter.texts.empty());

        QProcess info;
        info.start("pdfinfo", {QString::fromStdString(pdf)});
        if (!info.waitForStarted()) GTEST_SKIP() << "poppler-utils not installed";
        info.waitForFinished();
        EXPECT_TRUE(
            QString::fromLatin1(info.readAllStandardOutput()).contains(QRegularExpression("Pages:\\s+1\\n")));
        QProcess::execute("pdftoppm", {"-r", "100", "-png", "-singlefile", QString::fromStdString(pdf),
                                       QString::fromStdString(env.tmp.file("page"))});
        const QImage img(QString::fromStdString(env.tmp.file("page.png")));
        ASSERT_FALSE(img.isNull());
        if (const char* keep = std::getenv("MAPVIEW_KEEP_PNG"))
            img.save(QString(keep) + QString::number(int(o)) + ".png");

        // The map runs from the program's margins (10 mm, title 15 mm) to the
        // far corner of the area, which reaches the printable page's margin.
        const double px = 100 / 25.4;  // pixels per mm
        const MapSize ps = env.view->Desc().printSize;
        const double left = paint.left() + 10, top = paint.top() + 25;
        const double right = left + ps.cx / 150.0 * 25.4, bottom = top + ps.cy / 150.0 * 25.4;
        EXPECT_NEAR(right, paint.right() - 10, 0.5);
        EXPECT_NEAR(bottom, paint.bottom() - 10, 0.5);
        const int cx = int((left + right) / 2 * px), cy = int((top + bottom) / 2 * px);
        EXPECT_TRUE(IsWater(img.pixel(cx, cy))) << std::hex << img.pixel(cx, cy);
        EXPECT_TRUE(IsForest(img.pixel(int(right * px) - 3, int(bottom * px) - 3)));
        EXPECT_TRUE(IsForest(img.pixel(int(left * px) + 3, int(top * px) + 3)));
        EXPECT_EQ(img.pixel(int(right * px) + 3, cy), qRgb(255, 255, 255));
        EXPECT_EQ(img.pixel(cx, int(bottom * px) + 3), qRgb(255, 255, 255));
        EXPECT_EQ(img.pixel(int(left * px) - 3, cy), qRgb(255, 255, 255));

        // The title: dark pixels in the band above the map, centred half a
        // print width in from the printable edge.
        int minX = img.width(), maxX = -1;
        for (int y = int((paint.top() + 10) * px); y < int(top * px); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qGray(img.pixel(x, y)) < 100) {
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                }
        ASSERT_GT(maxX, minX);
        EXPECT_NEAR((minX + maxX) / 2.0, (paint.left() + ps.cx / 2 / 150.0 * 25.4) * px, 3);
    }
}
