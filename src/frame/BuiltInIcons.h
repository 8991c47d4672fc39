#pragma once
// Our own toolbar pictures as painted when the program was built, so that
// start-up paints none. The source is made by tools/paint-icons in the build
// tree from IconPainters.h; a test holds the two to the same pixels.

#include <QImage>
#include <vector>

// The built-in picture of a command, over constant data (no copy, nothing
// painted); a null image when it has none.
QImage BuiltInCommandImage(int id);

// The commands with a built-in picture, in toolbar order.
std::vector<int> BuiltInIconIds();
