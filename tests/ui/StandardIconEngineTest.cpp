// The lazily decoded standard toolbar pictures against the style's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyle>

#include "frame/StandardIconEngine.h"

namespace {

const QStyle::StandardPixmap kPictures[] = {QStyle::SP_DialogOpenButton, QStyle::SP_ArrowBack,
                                            QStyle::SP_ArrowUp, QStyle::SP_ArrowDown};

QImage Pixels(const QIcon& icon, int size, qreal dpr, QIcon::Mode mode) {
    return icon.pixmap(QSize(size, size), dpr, mode).toImage();
}

// Each size a toolbar or a dialog may ask for, on plain and scaled
// screens, in both the enabled and the greyed look, must be the style's
// picture: a wrong file, a wrong pick among the sizes or a lost scale
// shows here.
TEST(StandardIconEngine, EveryRequestGivesTheStylesPicture) {
    struct Case {
        int size;
        qreal dpr;
        QIcon::Mode mode;
    };
    const Case cases[] = {
        {16, 1.0, QIcon::Normal},   {16, 1.0, QIcon::Disabled}, {24, 1.0, QIcon::Normal},
        {32, 1.0, QIcon::Normal},   {32, 1.0, QIcon::Disabled}, {20, 1.0, QIcon::Active},
        {48, 1.0, QIcon::Normal},   {200, 1.0, QIcon::Normal},  {16, 2.0, QIcon::Normal},
        {16, 1.5, QIcon::Disabled}, {24, 1.25, QIcon::Normal},  {64, 2.0, QIcon::Normal},
    };
    for (QStyle::StandardPixmap sp : kPictures) {
        const QIcon style = QApplication::style()->standardIcon(sp);
        const QIcon lazy = StandardToolbarIcon(sp);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "picture " << int(sp) << " size " << c.size << " dpr " << c.dpr
                                            << " mode " << int(c.mode));
            EXPECT_EQ(Pixels(lazy, c.size, c.dpr, c.mode), Pixels(style, c.size, c.dpr, c.mode));
            EXPECT_EQ(lazy.actualSize(QSize(c.size, c.size), c.mode),
                      style.actualSize(QSize(c.size, c.size), c.mode));
        }
        EXPECT_EQ(lazy.availableSizes(), style.availableSizes());
        // Painted into a rectangle the way a button without a pixmap cache does.
        QImage a(40, 40, QImage::Format_ARGB32_Premultiplied), b = a;
        a.fill(Qt::transparent);
        b.fill(Qt::transparent);
        {
            QPainter pa(&a), pb(&b);
            lazy.paint(&pa, QRect(2, 3, 30, 30));
            style.paint(&pb, QRect(2, 3, 30, 30));
        }
        EXPECT_EQ(a, b) << int(sp);
    }
}

// The engine's exact-size short cut holds only for square files of the
// size it names.
TEST(StandardIconEngine, FilesAreSquareOfTheirNamedSize) {
    for (QStyle::StandardPixmap sp : kPictures) {
        const QVector<CStandardIconEngine::File> files = StandardIconFiles(sp);
        ASSERT_EQ(files.size(), 3) << int(sp);
        for (const CStandardIconEngine::File& f : files)
            EXPECT_EQ(QImage(f.path).size(), QSize(f.size, f.size)) << f.path.toStdString();
    }
}

// The point of the engine: the toolbar's size decodes one file, not all.
TEST(StandardIconEngine, ExactSizeDecodesOneFileOnly) {
    for (QStyle::StandardPixmap sp : kPictures) {
        CStandardIconEngine engine(StandardIconFiles(sp));
        ASSERT_FALSE(engine.isNull());
        engine.pixmap(QSize(16, 16), QIcon::Normal, QIcon::Off);
        engine.pixmap(QSize(16, 16), QIcon::Disabled, QIcon::Off);
        EXPECT_EQ(engine.DecodedFiles(), 1) << int(sp);
        engine.pixmap(QSize(24, 24), QIcon::Normal, QIcon::Off);
        EXPECT_EQ(engine.DecodedFiles(), 4) << int(sp);
    }
}

// Pictures the engine has no files for come from the style as before.
TEST(StandardIconEngine, UnknownPictureFallsBackToTheStyle) {
    EXPECT_TRUE(StandardIconFiles(QStyle::SP_MessageBoxInformation).isEmpty());
    const QIcon icon = StandardToolbarIcon(QStyle::SP_MessageBoxInformation);
    EXPECT_EQ(Pixels(icon, 16, 1.0, QIcon::Normal),
              Pixels(QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation), 16, 1.0,
                     QIcon::Normal));
}

}  // namespace
