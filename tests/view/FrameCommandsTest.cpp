// The application's small commands (margins, printer, hibernation), the
// placing of the stored window rectangle and the main menu table.
#include <gtest/gtest.h>

#include <QKeySequence>
#include <QLineEdit>
#include <QPrinter>
#include <cstring>
#include <map>
#include <set>

#include "ViewTestEnv.h"
#include "view/AppCommands.h"
#include "view/AppPrinter.h"
#include "view/CommandTable.h"
#include "view/DlgPageSetup.h"
#include "view/MainFrm.h"

namespace {

void Type(CDlgPageSetup& dlg, const char* id, const QString& text) {
    auto* e = dlg.findChild<QLineEdit*>(id);
    ASSERT_NE(e, nullptr) << id;
    e->setText(text);
}

}  // namespace

TEST(PageSetup, StoresTruncatedHundredthsAndUpdatesPrintAreasOnlyOnOk) {
    ViewTestEnv env;
    HintRecorder rec;
    env.doc->AddView(&rec);
    env.app.printMarginLeft = 1000;
    env.app.printMarginTop = 250;
    env.app.printMarginRight = 0;
    env.app.printMarginBottom = 1;

    // The dialog shows millimetres; the user types new values.
    bool shown = false;
    ASSERT_TRUE(OnPageSetup(env.app, env.doc.get(), nullptr, [&](CDlgPageSetup& dlg) {
        dlg.UpdateData(false);
        shown = dlg.findChild<QLineEdit*>("1331")->text() == "10" &&
                dlg.findChild<QLineEdit*>("1333")->text() == "2.5" &&
                dlg.findChild<QLineEdit*>("1334")->text() == "0.01";
        Type(dlg, "1331", "12.345");
        Type(dlg, "1333", " 0.009 ");
        Type(dlg, "1332", "7");
        Type(dlg, "1334", "-1.999");
        return dlg.UpdateData(true);
    }));
    EXPECT_TRUE(shown);
    EXPECT_EQ(env.app.printMarginLeft, 1234);
    EXPECT_EQ(env.app.printMarginTop, 0);
    EXPECT_EQ(env.app.printMarginRight, 700);
    EXPECT_EQ(env.app.printMarginBottom, -199);
    EXPECT_EQ(rec.hints, std::vector<long>{5});

    // Cancelled: nothing changes, no update.
    rec.hints.clear();
    EXPECT_FALSE(OnPageSetup(env.app, env.doc.get(), nullptr, [](CDlgPageSetup& dlg) {
        dlg.m_Left = 99;
        return false;
    }));
    EXPECT_EQ(env.app.printMarginLeft, 1234);
    EXPECT_TRUE(rec.hints.empty());
    env.doc->RemoveView(&rec);
}

TEST(PageSetup, TextThatIsNoNumberKeepsTheDialogOpen) {
    CScriptedPrompter prompter;
    CDlgPageSetup dlg;
    dlg.m_Left = 5;
    dlg.UpdateData(false);
    Type(dlg, "1332", "12,5");
    EXPECT_FALSE(dlg.UpdateData(true));
    EXPECT_TRUE(prompter.Saw("Please enter a number."));
    EXPECT_EQ(dlg.m_Left, 5.0);  // no field taken from a half-valid form
    Type(dlg, "1332", "nan");
    EXPECT_FALSE(dlg.UpdateData(true));
}

TEST(PrintSetup, AlwaysUpdatesPrintAreasWhateverTheUserChose) {
    ViewTestEnv env;
    HintRecorder rec;
    env.doc->AddView(&rec);
    QPrinter* seen = nullptr;
    OnPrintSetup(env.doc.get(), nullptr, [&](QPrinter& p) { seen = &p; });  // as if cancelled
    EXPECT_EQ(seen, &AppPrinter());
    EXPECT_EQ(rec.hints, std::vector<long>{5});
    env.doc->RemoveView(&rec);

    // One printer for the whole program, origin at the printable area.
    EXPECT_FALSE(AppPrinter().fullPage());
    EXPECT_EQ(AppPrinter().resolution(), QPrinter(QPrinter::HighResolution).resolution());
}

TEST(Hibernate, ARefusalIsReportedAndSuccessIsSilent) {
    CScriptedPrompter prompter;
    OnHibernate([] { return std::string("the system message bus is not available"); });
    ASSERT_EQ(prompter.texts.size(), 1u);
    EXPECT_EQ(prompter.texts[0],
              "Error! Can not hibernate the computer: the system message bus is not available");
    OnHibernate([] { return std::string(); });
    EXPECT_EQ(prompter.texts.size(), 1u);
}

TEST(WindowRect, UnusableRectanglesAreReplacedAndEveryResultLiesOnAScreen) {
    const std::vector<QRect> screens = {QRect(0, 0, 1600, 1000), QRect(1600, 0, 1280, 1024)};
    const QRect def(0, 0, 500, 500);
    // A good rectangle stays as it is, on either screen.
    EXPECT_EQ(PlaceWindowRect(QRect(100, 50, 800, 600), def, screens), QRect(100, 50, 800, 600));
    EXPECT_EQ(PlaceWindowRect(QRect(1700, 100, 800, 600), def, screens), QRect(1700, 100, 800, 600));
    // Empty, inverted, off every screen: the default.
    EXPECT_EQ(PlaceWindowRect(QRect(QPoint(300, 300), QSize(0, 0)), def, screens), def);
    EXPECT_EQ(PlaceWindowRect(QRect(QPoint(300, 300), QSize(-200, -100)), def, screens), def);
    EXPECT_EQ(PlaceWindowRect(QRect(-5000, -5000, 400, 300), def, screens), def);
    EXPECT_EQ(PlaceWindowRect(QRect(9000, 100, 400, 300), def, screens), def);
    // Partly off: pulled onto the screen holding most of it; too big: shrunk.
    EXPECT_EQ(PlaceWindowRect(QRect(-100, -50, 800, 600), def, screens), QRect(0, 0, 800, 600));
    EXPECT_EQ(PlaceWindowRect(QRect(10, 10, 4000, 3000), def, {QRect(0, 0, 1600, 1000)}),
              QRect(0, 0, 1600, 1000));
}

TEST(MainMenu, EveryKeyParsesAndNoTwoCommandsShareOne) {
    std::map<QString, int> owner;
    std::set<int> ids;
    for (const MenuItemDef& d : MainMenuTable()) {
        if (d.id == 0) {
            EXPECT_NE(d.path, nullptr);
            continue;
        }
        ids.insert(d.id);
        EXPECT_TRUE(d.text && *d.text) << d.id;
        EXPECT_TRUE(d.prompt && *d.prompt) << d.id;
        if (!d.keys) continue;
        for (const QString& k : QString(d.keys).split(';')) {
            const QKeySequence seq = QKeySequence::fromString(k, QKeySequence::PortableText);
            ASSERT_FALSE(seq.isEmpty()) << d.keys;
            const QString norm = seq.toString(QKeySequence::PortableText);
            auto [it, fresh] = owner.emplace(norm, d.id);
            EXPECT_TRUE(fresh || it->second == d.id)
                << norm.toStdString() << " on " << d.id << " and " << it->second;
        }
        // The key a menu shows is the key that works.
        if (const char* tab = std::strchr(d.text, '\t')) {
            const QKeySequence shown = QKeySequence::fromString(QString(tab + 1), QKeySequence::PortableText);
            EXPECT_TRUE(QString(d.keys).split(';').contains(shown.toString(QKeySequence::PortableText)))
                << d.text;
        }
    }
    // Every toolbar button has its command in the table.
    for (int id : ToolbarTable())
        if (id) {
            EXPECT_TRUE(ids.count(id)) << id;
        }
    // The five layouts and the other commands without a number of their own
    // sit above the numbered range.
    for (int id = cmd::LayoutMapOnly; id <= cmd::RefLoad; ++id) EXPECT_TRUE(ids.count(id)) << id;
    EXPECT_GT(cmd::LayoutMapOnly, 33075);
}
