// The program's printer is made at its first real need, not at start-up,
// and the page the print area is computed on before then is the one the
// printer has once made.
#include <gtest/gtest.h>

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdlib>
#include <memory>

#include "ViewTestEnv.h"
#include "mapview/AppPrinter.h"

// Qt's printer without a system printer: the page computed without one is
// the page it has, margins and all.
TEST(AppPrinter, PageWithoutAPrinterIsThePageThePrinterHas) {
    if (SystemMayHavePrinter()) GTEST_SKIP() << "a print server may be running here";
    const std::unique_ptr<QPrinter> printer(NewAppPrinter());
    EXPECT_TRUE(QPrinterInfo::availablePrinterNames().isEmpty());
    const QPageLayout made = printer->pageLayout(), computed = NoPrinterPageLayout();
    EXPECT_TRUE(made.isEquivalentTo(computed));
    EXPECT_EQ(made.paintRect(QPageLayout::Millimeter), computed.paintRect(QPageLayout::Millimeter));
    const MapSize a = PrintablePageHmm(made), b = PrintablePageHmm(computed);
    EXPECT_EQ(a.cx, b.cx);
    EXPECT_EQ(a.cy, b.cy);
}

namespace {

// Exit codes: 1 a printer was made at start-up, 2 the print area differs.
[[noreturn]] void OpenPaneThenMakePrinter() {
    MouseEnv env;  // opens and paints a pane
    if (AppPrinterMade() && !SystemMayHavePrinter()) std::exit(1);
    const MapSize shown = env.pane->Desc().printSize, largest = env.pane->MaxPrintSize();
    AppPrinter();
    CMapViewController again(env.doc.get(), &env.host);
    again.Resize(400, 300);
    again.InitFromSettings(0, 0);
    const MapSize s = again.Desc().printSize, l = again.MaxPrintSize();
    std::exit(s.cx != shown.cx || s.cy != shown.cy || l.cx != largest.cx || l.cy != largest.cy ? 2 : 0);
}

}  // namespace

// In a fresh process: opening and painting a pane makes no printer, and the
// print area it shows is the one a pane opened after the printer was made
// shows.
TEST(AppPrinter, StartUpMakesNoPrinterAndShowsThePrinterPrintArea) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(OpenPaneThenMakePrinter(), ::testing::ExitedWithCode(0), "");
}
