#pragma once
// The quadrant grid over the covered area. The area runs from easting 370000
// to 650000 and northing 4940000 to 5220000. Quadrants are 10 km squares, row
// 0 the northern row, column 0 the western one, index = row * 28 + column;
// base 784 is "TEMP" and covers no area.

#include <string>

constexpr int kQuadrantsPerSide = 28;
constexpr int kQuadrantCount = 784;
constexpr int kBaseCount = 785;  // 784 quadrants + "TEMP"
constexpr int kTempBase = 784;
constexpr int kQuadrantMetres = 10000;

constexpr double kAreaWest = 370000.0;
constexpr double kAreaEast = 650000.0;
constexpr double kAreaSouth = 4940000.0;
constexpr double kAreaNorth = 5220000.0;

// A position a file may give: the area widened by its own width on every
// side, for images, their mosaic origins, view points and routes that reach
// beyond its edge. The bounds are whole metres, so a position rounded for
// writing stays inside.
constexpr double kFileAreaMargin = 280000.0;
bool IsUsableGridPosition(double E, double N);

// Series (mapType >= 0) and inside the area, all four edges included.
bool IsInsideMapArea(int mapType, double E, double N);
// -1 outside; the southern and western edges are inside, the northern and
// eastern ones outside. Non-finite input gives -1.
int GetQuadrantIndex(double E, double N);
// Letter code of a row or column: '-' below 1, 'A'..'Z', '+' above 26.
char QuadrantLetter(int k);
// Two letters (row, column), "TEMP" for 784, "" for other indexes.
const std::string& QuadrantName(int q);

// Whole metres of a coordinate; false when it cannot be one of the grid's.
bool WholeMetres(double v, long long& out);
