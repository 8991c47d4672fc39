#pragma once
// Toolbar images: the style's standard icons where one fits the command,
// small painted ones of our own (one flat style, 16 x 16 at any scale) for
// the rest.

#include <QIcon>
#include <QImage>

// The icon of a toolbar command; a null icon for commands without one.
QIcon CommandIcon(int id);

// Whether the command's icon is one of our own painted ones.
bool HasPaintedIcon(int id);

// The picture of one of our own painted icons; a null image for the other
// commands. Safe on any thread.
QImage PaintedCommandImage(int id);
