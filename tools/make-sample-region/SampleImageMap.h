#pragma once
// A scanned-map stand-in for the image-map demo: part of the region's TK50
// sheets as an 8-bit palette ".bmp", slightly turned as a real scan would be.

#include <string>

// Reads the TK50 segments already written under out ("maps/TK50/") for the
// size x size quadrants from (q0row, q0col) and writes "images/Region.bmp"
// around the block's centre. False when a segment or the image cannot be
// read or written.
bool WriteSampleImageMap(const std::string& out, int q0row, int q0col, int size);
