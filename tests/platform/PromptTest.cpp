#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>

#include "TestUtil.h"
#include "platform/Prompt.h"
#include "platformui/QtPrompter.h"

TEST(ScriptedPrompter, RecordsTextsAnswersFromQueueAndRestoresPrevious) {
    {
        CScriptedPrompter outer;
        {
            CScriptedPrompter p;
            EXPECT_EQ(&Prompter(), &p);
            p.answers = {IDNO, IDCANCEL};
            EXPECT_EQ(MsgBox("first?", MB_YESNO), IDNO);
            EXPECT_EQ(MsgBox("second?", MB_YESNOCANCEL), IDCANCEL);
            EXPECT_EQ(MsgBox("third", MB_OKCANCEL), IDOK);  // queue empty: the box's first button
            p.defaultAnswer = IDNO;
            EXPECT_EQ(MsgBox("fourth?", MB_YESNO), IDNO);
            EXPECT_EQ(p.texts, (std::vector<std::string>{"first?", "second?", "third", "fourth?"}));
            EXPECT_TRUE(p.Saw("hir"));
            EXPECT_FALSE(p.Saw("fifth"));

            p.files = {"/tmp/a.wpt", ""};
            FileDialogRequest req{"Open", "/tmp/", "x.wpt", "Waypoints (*.wpt)", "wpt"};
            EXPECT_TRUE(Prompter().OpenFile(req));
            EXPECT_EQ(req.fileName, "/tmp/a.wpt");
            FileDialogRequest req2{"Save", "/tmp/", "keep.wpt", "", "wpt"};
            EXPECT_FALSE(Prompter().SaveFile(req2));  // "" is Cancel
            EXPECT_FALSE(Prompter().SaveFile(req2));  // nothing queued: Cancel
            EXPECT_EQ(req2.fileName, "keep.wpt");
            ASSERT_EQ(p.fileRequests.size(), 3u);
            EXPECT_EQ(p.fileRequests[0].fileName, "x.wpt");  // as asked, before the answer
        }
        EXPECT_EQ(&Prompter(), &outer);
    }
    // The default prompter never blocks.
    EXPECT_EQ(MsgBox("default", MB_YESNOCANCEL), IDYES);
    FileDialogRequest req;
    EXPECT_FALSE(Prompter().OpenFile(req));
}

TEST(QtPrompter, BoxesAnswerWithTheirCodesAndShowTheirTextAsItStands) {
    CQtPrompter qt;
    const struct {
        unsigned type;
        const char* press;  // a key, or the text of the button to click
        int expected;
        QMessageBox::Icon icon;
        const char* text = "";
        QString shown = "";
    } cases[] = {
        {MB_YESNO | MB_ICONQUESTION, "Esc", IDNO, QMessageBox::Question},
        {MB_YESNOCANCEL | MB_ICONWARNING, "Esc", IDCANCEL, QMessageBox::Warning},
        {MB_OKCANCEL | MB_ICONINFORMATION, "Esc", IDCANCEL, QMessageBox::Information},
        {MB_OK | MB_ICONERROR, "Esc", IDOK, QMessageBox::Critical},
        {MB_YESNOCANCEL, "Return", IDYES, QMessageBox::NoIcon},  // the first button is the default
        {MB_YESNOCANCEL, "No", IDNO, QMessageBox::NoIcon, "Caf\xc3\xa9?", QString::fromUtf8("Caf\xc3\xa9?")},
        // A stored 8-bit name that is not UTF-8 shows as Latin-1; markup is not read.
        {MB_OKCANCEL, "OK", IDOK, QMessageBox::NoIcon, "M\xfcHLE <b>x</b>",
         QString::fromLatin1("M\xfcHLE <b>x</b>")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        bool busy = false;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        Qt::TextFormat format = Qt::AutoText;
        WhenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) return w->close();
            busy = qt.IsBusy();
            text = box->text();
            icon = box->icon();
            format = box->textFormat();
            const QString press = c.press;
            if (press == "Esc" || press == "Return")
                return QTest::keyClick(box, press == "Esc" ? Qt::Key_Escape : Qt::Key_Return), true;
            for (QAbstractButton* b : box->buttons())
                if (b->text().remove('&').compare(press, Qt::CaseInsensitive) == 0) b->click();
            return true;
        });
        EXPECT_EQ(qt.MessageBox(c.text, c.type), c.expected);
        EXPECT_TRUE(busy);
        EXPECT_FALSE(qt.IsBusy());
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(text, c.shown);
        EXPECT_EQ(format, Qt::PlainText);
    }
}

TEST(QtPrompter, FileDialogsStartWhereAskedTakeEitherFilterFormAndAddTheDefaultExtension) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.file("track.txt"), "x"));
    CQtPrompter qt;
    QString startDir;
    QStringList filters;
    auto choose = [&](std::string name) {  // "" cancels
        WhenModal([&, name](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            if (!dlg || name.empty()) return w->close();
            startDir = dlg->directory().absolutePath();
            filters = dlg->nameFilters();
            dlg->selectFile(QString::fromStdString(dir.file(name)));
            return QMetaObject::invokeMethod(dlg, "accept");
        });
    };
    choose("track.txt");
    FileDialogRequest open{"Open Track Log", dir.dir(), "", "Text files (*.txt)|*.txt|All Files (*.*)|*.*||",
                           "txt"};
    ASSERT_TRUE(qt.OpenFile(open));
    EXPECT_EQ(open.fileName, dir.file("track.txt"));
    EXPECT_EQ(startDir.toStdString(), dir.path());
    EXPECT_EQ(filters, (QStringList{"Text files (*.txt)", "All Files (*)"}));

    choose("export");
    FileDialogRequest save{"Export", dir.dir(), "export", "Waypoint files|*.wpt;*.txt||", "wpt"};
    ASSERT_TRUE(qt.SaveFile(save));
    EXPECT_EQ(save.fileName, dir.file("export.wpt"));

    choose("");
    FileDialogRequest cancel{"Export", dir.dir(), "keep", "", "wpt"};
    EXPECT_FALSE(qt.SaveFile(cancel));
    EXPECT_EQ(cancel.fileName, "keep");
    // Filters in either form; a description without patterns is dropped.
    EXPECT_EQ(CQtPrompter::QtFilter("Waypoints|*.wpt; *.txt|"), "Waypoints (*.wpt *.txt)");
    EXPECT_EQ(CQtPrompter::QtFilter("Qt form (*.a *.b)"), "Qt form (*.a *.b)");
    EXPECT_EQ(CQtPrompter::QtFilter("Odd|"), "");
    EXPECT_EQ(CQtPrompter::WithDefaultExt("/a.b/name", "wpt"), "/a.b/name.wpt");
    EXPECT_EQ(CQtPrompter::WithDefaultExt("/a/name.txt", "wpt"), "/a/name.txt");
    EXPECT_EQ(CQtPrompter::WithDefaultExt("/a/name", ""), "/a/name");
}
