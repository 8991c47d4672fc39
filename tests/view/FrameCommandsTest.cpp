// The application's small commands (margins, printer set-up, document files,
// hibernation), and the placing of the stored window rectangle.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPrinter>
#include <QRadioButton>
#include <climits>

#include "ViewTestEnv.h"
#include "frame/AppCommands.h"
#include "frame/DlgPageSetup.h"
#include "frame/DlgPrintSetup.h"
#include "frame/MainFrm.h"
#include "mapview/AppPrinter.h"
#include "mapview/MapViewController.h"
#include "platformui/NumberField.h"

namespace {

void Type(QWidget& dlg, const char* id, const QString& text) {
    auto* e = dlg.findChild<QLineEdit*>(id);
    ASSERT_NE(e, nullptr) << id;
    e->setText(text);
}

}  // namespace

TEST(PageSetup, MarginsAreStoredToTheNearestHundredthAndNegativeOnesRefused) {
    ViewTestEnv env;
    HintRecorder rec;
    env.doc->AddView(&rec);
    const struct {
        const char* typed;
        int stored;  // -1: refused with the message
        const char* message;
    } rows[] = {{"2.3", 230, nullptr},
                {"12.345", 1235, nullptr},
                {" 0.009 ", 1, nullptr},
                {"0.004", 0, nullptr},
                {"-1.5", -1, "A margin can not be negative."},
                {"12,5", -1, "Please enter a number."},
                {"nan", -1, "Please enter a number."}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.typed);
        env.app.settings.printMarginLeft = 777;
        env.prompter.texts.clear();
        rec.hints.clear();
        const bool ok = OnPageSetup(env.app.settings, env.doc.get(), nullptr, [&](CDlgPageSetup& dlg) {
            dlg.UpdateData(false);
            Type(dlg, "1331", r.typed);
            return dlg.UpdateData(true);
        });
        EXPECT_EQ(ok, r.stored >= 0);
        EXPECT_EQ(env.app.settings.printMarginLeft, ok ? r.stored : 777);
        EXPECT_EQ(rec.hints, ok ? std::vector<long>{kHintPrintArea} : std::vector<long>{});
        EXPECT_EQ(env.prompter.texts,
                  r.message ? std::vector<std::string>{r.message} : std::vector<std::string>{});
    }
    env.doc->RemoveView(&rec);
}

// Margins that meet across the page would leave a blank preview and printout.
TEST(PageSetup, MarginsThatLeaveNothingOfThePageAreRefused) {
    ViewTestEnv env;
    AppSettings& s = env.app.settings;
    s.printMarginLeft = s.printMarginTop = s.printMarginBottom = 0;
    s.printMarginRight = 1000;  // 10 mm
    s.printTitleMargin = 500;
    const MapSize page = PrintablePageHmm(AppPrinterPageLayout());
    const QString width = FormatRoundedField(page.cx / 100.0, 2),
                  height = FormatRoundedField((page.cy - 500) / 100.0, 2);
    const struct {
        const char* id;
        double mm;  // typed
        bool taken;
        std::string message;
    } rows[] = {
        {"1331", (page.cx - 1001) / 100.0, true, ""},  // 0.01 mm of the width left
        {"1331", (page.cx - 1000) / 100.0, false,
         "The left and right margins together must be less than the width of the page, " +
             width.toStdString() + " mm."},
        {"1331", 1e9, false,
         "The left and right margins together must be less than the width of the page, " +
             width.toStdString() + " mm."},
        {"1333", (page.cy - 501) / 100.0, true, ""},
        {"1333", (page.cy - 500) / 100.0, false,
         "The top and bottom margins together must be less than the height of the page, " +
             height.toStdString() + " mm."},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.mm);
        env.prompter.texts.clear();
        const int leftBefore = s.printMarginLeft, topBefore = s.printMarginTop;
        QString focused;  // the dialog is gone once the command returns
        const bool ok = OnPageSetup(s, env.doc.get(), nullptr, [&](CDlgPageSetup& dlg) {
            dlg.UpdateData(false);
            Type(dlg, r.id, FormatDoubleField(r.mm));
            dlg.show();
            const bool taken = dlg.UpdateData(true);
            if (QWidget* w = dlg.focusWidget()) focused = w->objectName();
            return taken;
        });
        EXPECT_EQ(ok, r.taken);
        EXPECT_EQ(env.prompter.texts,
                  r.taken ? std::vector<std::string>{} : std::vector<std::string>{r.message});
        if (!ok) {
            EXPECT_EQ(s.printMarginLeft, leftBefore);
            EXPECT_EQ(s.printMarginTop, topBefore);
            EXPECT_EQ(focused, r.id);
        }
        s.printMarginLeft = s.printMarginTop = 0;
    }
}

// Print Setup sets paper, orientation and printer margins and prints
// nothing; the print areas are recomputed whatever the user chose.
TEST(PrintSetup, SetsThePageWithoutPrintingAndAlwaysUpdatesPrintAreas) {
    ViewTestEnv env;
    HintRecorder rec;
    env.doc->AddView(&rec);
    OnPrintSetup(env.doc.get(), nullptr, [](QPrinter&) {});  // cancelled
    EXPECT_EQ(rec.hints, std::vector<long>{kHintPrintArea});
    env.doc->RemoveView(&rec);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    CDlgPrintSetup dlg(printer);
    auto* paper = dlg.findChild<QComboBox*>("paper");
    paper->setCurrentIndex(paper->findData(int(QPageSize::A3)));
    dlg.findChild<QRadioButton*>("landscape")->setChecked(true);
    for (const char* m : {"marginLeft", "marginTop", "marginRight", "marginBottom"}) Type(dlg, m, "7.5");
    ASSERT_TRUE(dlg.Apply());
    EXPECT_EQ(printer.pageLayout().paintRect(QPageLayout::Millimeter).size(), QSizeF(420 - 15, 297 - 15));

    // A negative margin leaves the printer as it was.
    Type(dlg, "marginTop", "-2");
    dlg.findChild<QRadioButton*>("portrait")->setChecked(true);
    EXPECT_FALSE(dlg.Apply());
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_TRUE(env.prompter.Saw("Please enter a margin of 0 or more millimeters."));
}

TEST(DocumentFiles, OpenThroughTheDialogThenSaveAsAChosenFile) {
    ViewTestEnv env;
    const std::string image = env.tmp.file("map.bmp"), copy = env.tmp.file("copy.bmp");
    ASSERT_TRUE(WriteFileBytes(image, BmpBytes(8, 4, 8, 1024)));
    std::string path;
    env.prompter.files = {"", "", image, copy};
    EXPECT_FALSE(OnFileSave(*env.doc, path));  // no file yet: asks for one, cancelled
    EXPECT_FALSE(OnFileOpen(*env.doc, path));  // cancelled
    EXPECT_TRUE(path.empty());
    ASSERT_TRUE(OnFileOpen(*env.doc, path));
    EXPECT_EQ(path, image);
    path.clear();
    ASSERT_TRUE(OnFileSave(*env.doc, path));
    EXPECT_EQ(path, copy);
    EXPECT_EQ(ReadFileBytes(copy), BmpBytes(8, 4, 8, 1024));
}

TEST(Hibernate, ARefusalIsReportedAndSuccessIsSilent) {
    CScriptedPrompter prompter;
    OnHibernate([] { return std::string("the system message bus is not available"); });
    OnHibernate([] { return std::string(); });
    EXPECT_EQ(prompter.texts, std::vector<std::string>{"Error! Can not hibernate the computer: "
                                                       "the system message bus is not available"});
}

TEST(WindowRect, UnusableRectanglesAreReplacedAndEveryResultLiesOnAScreen) {
    const std::vector<QRect> screens = {QRect(0, 0, 1600, 1000), QRect(1600, 0, 1280, 1024)};
    const QRect def(0, 0, 500, 500);
    const struct {
        int l, t, r, b;  // as stored: right and bottom exclusive
        QRect placed;
    } rows[] = {
        {100, 50, 900, 650, QRect(100, 50, 800, 600)},        // good, first screen
        {1700, 100, 2500, 700, QRect(1700, 100, 800, 600)},   // good, second screen
        {300, 300, 300, 300, def},                            // empty
        {300, 300, 100, 200, def},                            // inverted
        {-5000, -5000, -4600, -4700, def},                    // off every screen
        {-100, -50, 700, 550, QRect(0, 0, 800, 600)},         // partly off: pulled on
        {10, 10, 4010, 3010, QRect(0, 0, 1600, 1000)},        // too big: shrunk
        {INT_MIN, INT_MIN, INT_MAX, INT_MAX, def},            // wider than an int holds
        {-10, 0, INT_MAX - 20, 700, QRect(0, 0, 1600, 700)},  // huge but on a screen
    };
    for (const auto& r : rows)
        EXPECT_EQ(PlaceWindowRect(StoredWindowRect(r.l, r.t, r.r, r.b), def, screens), r.placed) << r.l;
    // Rectangles at the limits handed in directly.
    const QRect edge(QPoint(INT_MIN, INT_MIN), QPoint(INT_MAX, INT_MAX));
    EXPECT_EQ(PlaceWindowRect(edge, def, screens), QRect(0, 0, 1600, 1000));
    EXPECT_EQ(PlaceWindowRect(QRect(QPoint(INT_MAX - 5, 0), QPoint(INT_MAX, 10)), def, screens), def);
}
