// The toolbar's icons made lazily from the pictures built into the program,
// against the icons painted at once: the same pixels for every request.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "frame/BuiltInIcons.h"
#include "frame/CommandTable.h"
#include "frame/DeferredIconEngine.h"
#include "frame/Icons.h"
#include "frame/StandardIconEngine.h"

namespace {

// Every size and look a toolbar, a dialog or a scaled screen may ask for.
void ExpectSamePictures(const QIcon& icon, const QIcon& reference) {
    struct Case {
        int size;
        qreal dpr;
        QIcon::Mode mode;
    };
    const Case cases[] = {{16, 1.0, QIcon::Normal}, {16, 1.0, QIcon::Disabled}, {20, 1.0, QIcon::Active},
                          {24, 1.0, QIcon::Normal}, {32, 1.0, QIcon::Disabled}, {200, 1.0, QIcon::Normal},
                          {16, 2.0, QIcon::Normal}, {16, 1.5, QIcon::Disabled}, {24, 1.25, QIcon::Normal}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " @" << c.dpr << " mode " << int(c.mode));
        const QSize s(c.size, c.size);
        EXPECT_EQ(icon.pixmap(s, c.dpr, c.mode).toImage(), reference.pixmap(s, c.dpr, c.mode).toImage());
        EXPECT_EQ(icon.actualSize(s, c.mode), reference.actualSize(s, c.mode));
    }
    EXPECT_EQ(icon.availableSizes(), reference.availableSizes());
    QImage a(40, 40, QImage::Format_ARGB32_Premultiplied), b = a;
    a.fill(Qt::transparent);
    b.fill(Qt::transparent);
    {
        QPainter pa(&a), pb(&b);
        icon.paint(&pa, QRect(2, 3, 30, 30));
        reference.paint(&pb, QRect(2, 3, 30, 30));
    }
    EXPECT_EQ(a, b);
}

// The style's pictures decoded one file at a time; a wrong file, a wrong
// pick among the sizes or a lost scale shows as other pixels.
TEST(ToolbarIcons, StandardPicturesAreTheStyles) {
    for (QStyle::StandardPixmap sp :
         {QStyle::SP_DialogOpenButton, QStyle::SP_ArrowBack, QStyle::SP_ArrowUp, QStyle::SP_ArrowDown,
          QStyle::SP_DialogApplyButton, QStyle::SP_MessageBoxInformation}) {
        SCOPED_TRACE(int(sp));
        ExpectSamePictures(StandardToolbarIcon(sp), QApplication::style()->standardIcon(sp));
        // The short cut holds for every request only for square files of the
        // size they name; the others are marked.
        for (const CStandardIconEngine::File& f : StandardIconFiles(sp))
            EXPECT_EQ(QImage(f.path).size() == QSize(f.size, f.size), f.exact) << f.path.toStdString();
        // The same with the toolbar's request first, then the others.
        const QIcon icon = StandardToolbarIcon(sp), reference = QApplication::style()->standardIcon(sp);
        EXPECT_EQ(icon.pixmap(QSize(16, 16), 1.0, QIcon::Disabled).toImage(),
                  reference.pixmap(QSize(16, 16), 1.0, QIcon::Disabled).toImage());
        ExpectSamePictures(icon, reference);
    }
    EXPECT_EQ(StandardIconFiles(QStyle::SP_ArrowUp).size(), 3);
    // The point of the engine: the toolbar's size decodes one file, not all,
    // also for a set whose files are not of their named size (until it is
    // asked for something else).
    for (QStyle::StandardPixmap sp : {QStyle::SP_DialogOpenButton, QStyle::SP_DialogApplyButton}) {
        CStandardIconEngine engine(StandardIconFiles(sp));
        engine.pixmap(QSize(16, 16), QIcon::Disabled, QIcon::Off);
        EXPECT_EQ(engine.DecodedFiles(), 1) << int(sp);
    }
}

// Our own pictures, made at the first drawing: nothing a filling toolbar
// asks makes them, the first drawing makes them once for all copies.
TEST(ToolbarIcons, DeferredPictureIsMadeOnceWhenFirstDrawn) {
    const QImage picture = PaintedCommandImage(cmd::LayerFirst + 1);
    int made = 0;
    auto* engine = new CDeferredIconEngine(picture.size(), [&] {
        ++made;
        return picture;
    });
    const QIcon icon(engine), copy = icon;
    EXPECT_FALSE(icon.isNull());
    EXPECT_EQ(icon.actualSize(QSize(16, 16)), QSize(16, 16));
    EXPECT_EQ(made, 0);
    ExpectSamePictures(copy, QIcon(QPixmap::fromImage(picture)));
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(engine->Made());
}

// The pictures built into the program are those the painters paint now,
// pixel for pixel, for exactly the toolbar's painted commands: stale data
// from an older build, a command left out or one too many fails here. The
// application's font does not change them (their letters are drawn).
TEST(ToolbarIcons, BuiltInPicturesAreThePaintedOnes) {
    for (const MenuItemDef& d : MainMenuTable())
        EXPECT_EQ(HasPaintedIcon(int(d.id)), !PaintedCommandImage(int(d.id)).isNull()) << d.id;
    std::vector<int> painted;
    for (int id : ToolbarTable())
        if (HasPaintedIcon(id)) painted.push_back(id);
    ASSERT_GE(painted.size(), 10u);
    EXPECT_EQ(BuiltInIconIds(), painted);
    const QFont before = QApplication::font();
    QFont bigger = before;
    bigger.setPointSizeF(before.pointSizeF() + 3);
    for (int id : painted) {
        SCOPED_TRACE(id);
        const QImage builtIn = BuiltInCommandImage(id);
        ASSERT_EQ(builtIn.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(builtIn, PaintedCommandImage(id));
        QApplication::setFont(bigger);
        EXPECT_EQ(builtIn, PaintedCommandImage(id));
        QApplication::setFont(before);
        // What the toolbar shows is made from the built-in picture.
        ExpectSamePictures(CommandIcon(id), QIcon(QPixmap::fromImage(PaintedCommandImage(id))));
    }
    EXPECT_TRUE(BuiltInCommandImage(cmd::Undo).isNull());
    EXPECT_TRUE(BuiltInCommandImage(0).isNull());
}

}  // namespace

namespace {

// Pixels of ink in columns [from, to) of a painted icon: near-white for the
// layer letters, near-black for the temporary waypoint's T.
int InkPixels(const QImage& im, int from, int to, bool white, int top = 0) {
    int n = 0;
    for (int y = top; y < im.height(); ++y)
        for (int x = from; x < to; ++x) {
            const QColor c = im.pixelColor(x, y);
            const bool ink = white ? c.red() > 220 && c.green() > 220 && c.blue() > 220
                                   : c.alpha() > 200 && c.red() < 70 && c.green() < 70 && c.blue() < 70;
            n += ink ? 1 : 0;
        }
    return n;
}

// The letters are drawn, not set: every one of them must be there, each
// of a two-letter pair in its own half, and none of them alike.
TEST(ToolbarIcons, LayerLettersAreDrawnInTheirBoxes) {
    struct Row {
        int id;
        int letters;
    };
    const Row rows[] = {{cmd::LayerFirst + 0, 1}, {cmd::LayerFirst + 1, 2}, {cmd::LayerFirst + 2, 1},
                        {cmd::LayerFirst + 3, 1}, {cmd::LayerFirst + 4, 2}, {cmd::LayerFirst + 5, 1}};
    std::vector<QImage> seen;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.id);
        const QImage im = PaintedCommandImage(r.id);
        ASSERT_EQ(im.size(), QSize(32, 32));
        if (r.letters == 2) {
            EXPECT_GT(InkPixels(im, 4, 16, true), 12);
            EXPECT_GT(InkPixels(im, 16, 28, true), 12);
        } else {
            EXPECT_GT(InkPixels(im, 4, 28, true), 12);
        }
        for (const QImage& other : seen) EXPECT_NE(im, other);
        seen.push_back(im);
    }
    // The temporary waypoints' T below the flag; the plain waypoint has none.
    EXPECT_GT(InkPixels(PaintedCommandImage(cmd::CreateTempWpts), 18, 28, false, 18), 12);
    EXPECT_EQ(InkPixels(PaintedCommandImage(cmd::LayerWaypoints), 18, 28, false, 18), 0);
}

}  // namespace
