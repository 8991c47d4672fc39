#pragma once
// Toolbar images: the style's standard icons where one fits the command,
// small painted ones of our own (IconPainters.h) for the rest.

#include <QIcon>

#include "frame/IconPainters.h"

// The icon of a toolbar command; a null icon for commands without one.
QIcon CommandIcon(int id);
