#pragma once
// Toolbar images: the style's standard icons where one fits the command,
// small painted ones of our own (one flat style, 16 x 16 at any scale) for
// the rest.

#include <QIcon>

// The icon of a toolbar command; a null icon for commands without one.
QIcon CommandIcon(int id);
