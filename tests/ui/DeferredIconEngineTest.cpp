// Icons made at their first paint against icons made from the picture at
// once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "frame/CommandTable.h"
#include "frame/DeferredIconEngine.h"
#include "frame/Icons.h"

namespace {

QImage Picture() { return PaintedCommandImage(cmd::LayerFirst + 1, QApplication::font()); }

// Every size and look a toolbar, a menu or a scaled screen may ask for is
// the picture an icon made at once would give.
TEST(DeferredIconEngine, DrawsAsAnIconMadeAtOnce) {
    const QImage picture = Picture();
    ASSERT_EQ(picture.size(), QSize(32, 32));
    const QIcon atOnce(QPixmap::fromImage(picture));
    const QIcon deferred(new CDeferredIconEngine(picture.size(), [picture] { return picture; }));
    struct Case {
        int size;
        qreal dpr;
        QIcon::Mode mode;
    };
    const Case cases[] = {{16, 1.0, QIcon::Normal},  {16, 1.0, QIcon::Disabled}, {16, 1.0, QIcon::Active},
                          {24, 1.0, QIcon::Normal},  {32, 1.0, QIcon::Disabled}, {48, 1.0, QIcon::Normal},
                          {16, 2.0, QIcon::Normal},  {16, 1.5, QIcon::Disabled}, {24, 1.25, QIcon::Normal},
                          {64, 2.0, QIcon::Selected}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " @" << c.dpr << " mode " << int(c.mode));
        EXPECT_EQ(deferred.pixmap(QSize(c.size, c.size), c.dpr, c.mode).toImage(),
                  atOnce.pixmap(QSize(c.size, c.size), c.dpr, c.mode).toImage());
        EXPECT_EQ(deferred.actualSize(QSize(c.size, c.size), c.mode),
                  atOnce.actualSize(QSize(c.size, c.size), c.mode));
    }
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled})
        EXPECT_EQ(deferred.availableSizes(mode), atOnce.availableSizes(mode));
    QImage a(40, 40, QImage::Format_ARGB32_Premultiplied), b = a;
    a.fill(Qt::transparent);
    b.fill(Qt::transparent);
    {
        QPainter pa(&a), pb(&b);
        deferred.paint(&pa, QRect(3, 2, 20, 20), Qt::AlignCenter, QIcon::Disabled);
        atOnce.paint(&pb, QRect(3, 2, 20, 20), Qt::AlignCenter, QIcon::Disabled);
    }
    EXPECT_EQ(a, b);
}

// What a toolbar asks while filling itself does not make the picture; the
// first drawing makes it once, for the icon and its copies.
TEST(DeferredIconEngine, PictureMadeOnceAtTheFirstDrawing) {
    int made = 0;
    auto* engine = new CDeferredIconEngine(QSize(32, 32), [&made] {
        ++made;
        return Picture();
    });
    const QIcon icon(engine);
    const QIcon copy = icon;
    EXPECT_FALSE(icon.isNull());
    EXPECT_EQ(icon.actualSize(QSize(16, 16)), QSize(16, 16));
    EXPECT_EQ(icon.availableSizes(), QList<QSize>{QSize(32, 32)});
    EXPECT_EQ(made, 0);
    EXPECT_FALSE(engine->Made());
    icon.pixmap(16, 1.0);
    copy.pixmap(16, 1.0, QIcon::Disabled);
    icon.pixmap(16, 2.0);
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(engine->Made());
}

// The list of painted icons agrees with the painter: an icon left off would
// be missing, one too many would be empty.
TEST(DeferredIconEngine, PaintedIconListMatchesThePictures) {
    for (const MenuItemDef& d : MainMenuTable()) {
        if (d.id == 0) continue;
        EXPECT_EQ(HasPaintedIcon(int(d.id)), !PaintedCommandImage(int(d.id), QApplication::font()).isNull())
            << d.id;
    }
    for (int id : ToolbarTable()) {
        if (id != 0) {
            EXPECT_FALSE(CommandIcon(id).isNull()) << id;
        }
    }
}

}  // namespace
