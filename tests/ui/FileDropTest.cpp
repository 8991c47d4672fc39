// Files dropped on the main window open as by File > Open, and the image so
// opened is the one "Show Image" shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "FrameTestEnv.h"
#include "frame/AppCommands.h"

namespace {

QUrl FileUrl(const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)); }

// Drags urls over the middle of the window and drops them there, then lets
// the opening run; true when the window took the drag.
bool Drop(CMainFrame& f, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = f.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(&f, &enter);
    if (enter.isAccepted()) {
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&f, &drop);
    }
    QCoreApplication::processEvents();
    return enter.isAccepted();
}

}  // namespace

TEST(FileDrop, TheFirstDroppedFileOpensAsByFileOpenAndShowImageShowsIt) {
    FrameTestEnv env;
    CMainFrame& f = env.Make(SplitStyle::MapOnly);
    const std::string a = env.tmp.file("a.bmp"), b = env.tmp.file("b.bmp");
    ASSERT_TRUE(WriteFileBytes(a, BmpBytes(8, 4, 8, 1024)));
    ASSERT_TRUE(WriteFileBytes(b, BmpBytes(5, 3, 24, 0)));

    // Of several files the first opens, its path shown as File > Open shows it.
    EXPECT_TRUE(Drop(f, {FileUrl(a), FileUrl(b)}));
    EXPECT_EQ(env.doc->ImagePath, a);
    EXPECT_EQ(env.prompter.texts, std::vector<std::string>{a});
    EXPECT_EQ(f.AppCommands().documentPath, a);
    // "Show Image" shows it, unplaced: it has no ".inf".
    ASSERT_TRUE(f.Router().Execute(cmd::ShowImage));
    EXPECT_EQ(env.Pane(0).Desc().mapType, kMapImage);

    // A file that cannot be read: File > Open's message, and the image stays.
    const std::string bad = env.tmp.file("bad.bmp");
    ASSERT_TRUE(WriteFileBytes(bad, BmpBytes(8, 4, 8, 1024).substr(0, 100)));
    for (const std::string& file : {bad, env.tmp.file("missing.bmp")}) {
        SCOPED_TRACE(file);
        env.prompter.texts.clear();
        env.prompter.files = {file};
        std::string path = a;
        EXPECT_FALSE(OnFileOpen(*env.doc, path));
        const std::vector<std::string> byMenu = env.prompter.texts;
        ASSERT_EQ(byMenu.size(), 1u);
        env.prompter.texts.clear();
        Drop(f, {FileUrl(file)});
        EXPECT_EQ(env.prompter.texts, byMenu);
        EXPECT_EQ(env.doc->ImagePath, a);
        EXPECT_EQ(f.AppCommands().documentPath, a);
    }

    // Nothing to open: a link that is no local file is not taken.
    env.prompter.texts.clear();
    EXPECT_FALSE(Drop(f, {QUrl("https://example.org/b.bmp")}));
    EXPECT_EQ(env.doc->ImagePath, a);
    EXPECT_TRUE(env.prompter.texts.empty());
}
