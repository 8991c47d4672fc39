#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "TestUtil.h"
#include "platform/Prompt.h"
#include "platform/QtPrompter.h"

TEST(ScriptedPrompter, RecordsTextsAnswersFromQueueAndRestoresPrevious) {
    {
        CScriptedPrompter outer;
        {
            CScriptedPrompter p;
            EXPECT_EQ(&Prompter(), &p);
            p.answers = {IDNO, IDCANCEL};
            EXPECT_EQ(MsgBox("first?", MB_YESNO), IDNO);
            EXPECT_EQ(MsgBox("second?", MB_YESNOCANCEL), IDCANCEL);
            // Queue empty: the box's first button.
            EXPECT_EQ(MsgBox("third?", MB_YESNO), IDYES);
            EXPECT_EQ(MsgBox("fourth", MB_OKCANCEL), IDOK);
            p.defaultAnswer = IDNO;
            EXPECT_EQ(MsgBox("fifth?", MB_YESNO), IDNO);
            EXPECT_EQ(p.texts, (std::vector<std::string>{"first?", "second?", "third?", "fourth", "fifth?"}));
            EXPECT_TRUE(p.Saw("ourt"));
            EXPECT_FALSE(p.Saw("sixth"));

            p.files = {"/tmp/a.wpt", ""};
            FileDialogRequest req{"Open", "/tmp/", "x.wpt", "Waypoints (*.wpt)", "wpt"};
            EXPECT_TRUE(Prompter().OpenFile(req));
            EXPECT_EQ(req.fileName, "/tmp/a.wpt");
            FileDialogRequest req2{"Save", "/tmp/", "keep.wpt", "", "wpt"};
            EXPECT_FALSE(Prompter().SaveFile(req2));  // "" is Cancel
            EXPECT_EQ(req2.fileName, "keep.wpt");
            EXPECT_FALSE(Prompter().SaveFile(req2));  // nothing queued: Cancel
            ASSERT_EQ(p.fileRequests.size(), 3u);
            EXPECT_EQ(p.fileRequests[0].fileName, "x.wpt");  // as asked, before the answer
            EXPECT_EQ(p.fileRequests[1].directory, "/tmp/");
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
    const QString cafe = QString::fromUtf8("Save changes to Caf\xc3\xa9?");
    const struct {
        unsigned type;
        int key;  // 0: click the button named by text
        const char* button;
        int expected;
        QMessageBox::Icon icon;
        const char* text;
        QString shown;
    } cases[] = {
        {MB_YESNO | MB_ICONQUESTION, Qt::Key_Escape, nullptr, IDNO, QMessageBox::Question, "", ""},
        {MB_YESNOCANCEL | MB_ICONWARNING, Qt::Key_Escape, nullptr, IDCANCEL, QMessageBox::Warning, "", ""},
        {MB_OKCANCEL | MB_ICONINFORMATION, Qt::Key_Escape, nullptr, IDCANCEL, QMessageBox::Information, "",
         ""},
        {MB_OK | MB_ICONERROR, Qt::Key_Escape, nullptr, IDOK, QMessageBox::Critical, "", ""},
        {MB_YESNOCANCEL, Qt::Key_Return, nullptr, IDYES, QMessageBox::NoIcon, "",
         ""},  // first button is default
        {MB_YESNOCANCEL, 0, "No", IDNO, QMessageBox::NoIcon, "Save changes to Caf\xc3\xa9?", cafe},
        // A stored 8-bit name that is not UTF-8 shows as Latin-1; markup is not read.
        {MB_OKCANCEL, 0, "OK", IDOK, QMessageBox::NoIcon, "Wpt M\xfcHLE <b>x</b>",
         QString::fromLatin1("Wpt M\xfcHLE <b>x</b>")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        bool busy = false;
        QString text, title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        Qt::TextFormat format = Qt::AutoText;
        WhenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) return w->close();
            busy = qt.IsBusy();
            text = box->text();
            title = box->windowTitle();
            icon = box->icon();
            format = box->textFormat();
            if (c.key) {
                QTest::keyClick(box, Qt::Key(c.key));
                return true;
            }
            for (QAbstractButton* b : box->buttons())
                if (b->text().remove('&').compare(c.button, Qt::CaseInsensitive) == 0) b->click();
            return true;
        });
        EXPECT_EQ(qt.MessageBox(c.text, c.type), c.expected);
        EXPECT_TRUE(busy);
        EXPECT_FALSE(qt.IsBusy());
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(text, c.shown);
        EXPECT_EQ(title, "Vornamap");
        EXPECT_EQ(format, Qt::PlainText);
    }
}

TEST(QtPrompter, FileDialogsStartWhereAskedAndAddTheDefaultExtension) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.file("track.txt"), "x"));
    CQtPrompter qt;

    QString startDir;
    QStringList filters;
    WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        if (!dlg) return w->close();
        startDir = dlg->directory().absolutePath();
        filters = dlg->nameFilters();
        dlg->selectFile(QString::fromStdString(dir.file("track.txt")));
        QMetaObject::invokeMethod(dlg, "accept");
        return true;
    });
    FileDialogRequest open{"Open Track Log", dir.dir(), "", "Text files (*.txt)|*.txt|All Files (*.*)|*.*||",
                           "txt"};
    ASSERT_TRUE(qt.OpenFile(open));
    EXPECT_EQ(open.fileName, dir.file("track.txt"));
    EXPECT_EQ(startDir.toStdString(), dir.path());
    EXPECT_EQ(filters, (QStringList{"Text files (*.txt)", "All Files (*)"}));

    WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        if (!dlg) return w->close();
        dlg->selectFile(QString::fromStdString(dir.file("export")));
        QMetaObject::invokeMethod(dlg, "accept");
        return true;
    });
    FileDialogRequest save{"Export", dir.dir(), "export", "Waypoint files|*.wpt;*.txt||", "wpt"};
    ASSERT_TRUE(qt.SaveFile(save));
    EXPECT_EQ(save.fileName, dir.file("export.wpt"));

    WhenModal([](QWidget* w) { w->close(); });
    FileDialogRequest cancel{"Export", dir.dir(), "keep", "", "wpt"};
    EXPECT_FALSE(qt.SaveFile(cancel));
    EXPECT_EQ(cancel.fileName, "keep");
}

TEST(QtPrompter, FilterAndExtensionHelpers) {
    EXPECT_EQ(CQtPrompter::QtFilter("Bitmap files (*.bmp)|*.bmp|All Files (*.*)|*.*||"),
              "Bitmap files (*.bmp);;All Files (*)");
    EXPECT_EQ(CQtPrompter::QtFilter("Waypoints|*.wpt; *.txt|"), "Waypoints (*.wpt *.txt)");
    EXPECT_EQ(CQtPrompter::QtFilter("Qt form (*.a *.b)"), "Qt form (*.a *.b)");
    EXPECT_EQ(CQtPrompter::QtFilter("Odd|"), "");  // a description without patterns is dropped
    EXPECT_EQ(CQtPrompter::WithDefaultExt("/a.b/name", "wpt"), "/a.b/name.wpt");
    EXPECT_EQ(CQtPrompter::WithDefaultExt("/a/name.txt", "wpt"), "/a/name.txt");
    EXPECT_EQ(CQtPrompter::WithDefaultExt("/a/name", ""), "/a/name");
}
