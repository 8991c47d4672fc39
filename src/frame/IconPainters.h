#pragma once
// Our own toolbar pictures (one flat style, 16 x 16 at any scale), painted
// with QPainter alone: no widgets, no font. The program is built with them
// already painted (tools/paint-icons, BuiltInIcons.h); painting them here
// again is for that tool and for the tests that compare the two.

#include <QImage>

// The size in pixels of every painted picture, square.
constexpr int kPaintedIconSize = 32;

// Whether the command's icon is one of our own painted ones.
bool HasPaintedIcon(int id);

// The picture of one of our own painted icons (kPaintedIconSize square,
// ARGB32 premultiplied); a null image for the other commands. Safe on any
// thread.
QImage PaintedCommandImage(int id);
