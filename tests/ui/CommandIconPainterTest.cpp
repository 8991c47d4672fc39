// Toolbar icons painted on the start-up worker against those painted on
// the spot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "frame/CommandIconPainter.h"
#include "frame/CommandTable.h"
#include "frame/Icons.h"

namespace {

QImage IconPixels(int id) { return CommandIcon(id).pixmap(16, 1.0).toImage(); }

// Every toolbar icon the worker paints is the one the main thread paints,
// lettered ones included; each is handed out once and then painted on the
// spot again.
TEST(CommandIconPainter, WorkerIconsMatchThoseOfTheMainThread) {
    std::vector<int> painted;
    for (int id : ToolbarTable())
        if (id != 0 && !PaintedCommandImage(id, QApplication::font()).isNull()) painted.push_back(id);
    ASSERT_GE(painted.size(), 10u);
    std::vector<QImage> onTheSpot;
    for (int id : painted) onTheSpot.push_back(IconPixels(id));
    {
        CCommandIconPainter worker;
        for (std::size_t k = 0; k < painted.size(); ++k) {
            SCOPED_TRACE(painted[k]);
            const QImage fromWorker = CCommandIconPainter::Take(painted[k]);
            ASSERT_FALSE(fromWorker.isNull());
            EXPECT_EQ(fromWorker, PaintedCommandImage(painted[k], QApplication::font()));
            EXPECT_TRUE(CCommandIconPainter::Take(painted[k]).isNull());
        }
        EXPECT_TRUE(CCommandIconPainter::Take(cmd::OpenMapButton).isNull());
    }
    // The worker's pictures go through the same icon as before.
    CCommandIconPainter worker;
    for (std::size_t k = 0; k < painted.size(); ++k)
        EXPECT_EQ(IconPixels(painted[k]), onTheSpot[k]) << painted[k];
}

// A font set after the worker started would letter differently: the worker's
// pictures are not used then.
TEST(CommandIconPainter, ChangedApplicationFontIsNotLetteredWithTheOldOne) {
    const QFont before = QApplication::font();
    CCommandIconPainter worker;
    QFont bigger = before;
    bigger.setPointSizeF(before.pointSizeF() + 3);
    QApplication::setFont(bigger);
    EXPECT_TRUE(CCommandIconPainter::Take(cmd::LayerFirst + 0).isNull());
    QApplication::setFont(before);
}

// Only one worker paints at a time; when it is gone nothing is handed out.
TEST(CommandIconPainter, NoWorkerHandsOutNothing) {
    {
        CCommandIconPainter first;
        CCommandIconPainter second;
        EXPECT_FALSE(CCommandIconPainter::Take(cmd::Print).isNull());
    }
    EXPECT_TRUE(CCommandIconPainter::Take(cmd::Print).isNull());
}

}  // namespace
