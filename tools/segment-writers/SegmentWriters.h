#pragma once
// Writers of segment files, for the sample-region generator and the tests;
// the program itself only reads segments. Pixels are 8-bit, bottom row
// first, stride bytes apart.

#include <cstdint>
#include <string>
#include <vector>

#include "doc/DibFormat.h"

// Packs rows (values below 0x80) into ".mif" data; every row starts with a
// literal, so a row never repeats the pixel of the row below.
std::vector<std::uint8_t> EncodeMifPixels(const std::uint8_t* pixels, int w, int h, int stride);

bool WriteMifSegment(const std::string& path, const std::uint8_t* pixels, int w, int h, int stride);
// An uncompressed 8-bit ".bmp" with a full 256-entry palette.
bool WriteBmpSegment(const std::string& path, const std::uint8_t* pixels, int w, int h, int stride,
                     const RgbQuad* palette256);
