// The print preview window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPrintPreviewDialog>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "ui/FrameTestEnv.h"

// The preview opens as large as the main window and most of the screen, so
// a page can be read without first enlarging the window.
TEST(PrintPreview, OpensLargeEnoughToReadAPage) {
    FrameTestEnv env;
    CMainFrame& f = env.Make(SplitStyle::MapOnly);
    f.resize(700, 500);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    QSize seen;
    QTimer::singleShot(0, &f, [&seen] {
        if (auto* d = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
            seen = d->size();
            d->reject();
        }
    });
    env.Pane(0).OnFilePrintPreview();
    const QSize screen = f.screen()->availableGeometry().size();
    EXPECT_GE(seen.width(), std::max(f.width(), screen.width() * 3 / 4));
    EXPECT_GE(seen.height(), std::max(f.height(), screen.height() * 3 / 4));
    EXPECT_LE(seen.width(), screen.width());
    EXPECT_LE(seen.height(), screen.height());
}
