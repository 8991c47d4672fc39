#pragma once
// Map segment files and the per-series tables of the segment cache.
//
// A segment's pixels are 8-bit, bottom row first, each row padded to
// DibStride(side) bytes. Pixel values below 0x80 are bit masks of the colour
// layers (kLayerBit*); the orthophoto series holds grey levels instead. The
// series' DibHeader (width, height, palette) is shared by all its segments;
// the drawing code fills its palette before it paints.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "doc/DibFormat.h"
#include "platform/DataFile.h"

// Colour layer bits of a segment pixel (layer index = bit number).
enum : std::uint8_t {
    kLayerBitForest = 0x01,   // G
    kLayerBitRelief = 0x02,   // RP
    kLayerBitWater = 0x04,    // H
    kLayerBitRoads = 0x08,    // C
    kLayerBitObjects = 0x10,  // NP
    kLayerBitNames = 0x20,    // I
};

// One consumer's claims: a nonzero entry holds one claim on that cell.
using SegmentFlags = std::vector<std::int32_t>;  // one per segment of the series
using QuadrantFlags = std::array<std::int32_t, 784>;

// Decoded pixels of one segment; Data null and Size 0 when not loaded.
struct SegmentBitmap {
    std::unique_ptr<std::uint8_t[]> Data;
    std::size_t Size = 0;
};

// The cache tables of one map series (the document holds five).
struct SegmentSeries {
    std::string name;       // "PK250" ...
    std::string directory;  // segment folder, ends with '/'
    int perSide = 0;        // segments per side
    int count = 0;          // perSide * perSide
    int pixels = 0;         // side of a segment image
    int metres = 0;         // side of a segment on the ground

    std::vector<std::int32_t> SInUse;      // claim count per segment
    std::vector<SegmentBitmap> SBmp;       // pixels per segment
    std::vector<std::string> SegmentName;  // name per segment
    DibHeader Header;                      // shared header and palette

    int Stride() const { return DibStride(pixels); }
    bool HasTables() const { return !SInUse.empty() && !SBmp.empty(); }
};

// ---- file level (no document state; used by the cache, the sample-region
// generator and tests) -----------------------------------------------------

enum class SegmentFileResult {
    Ok,
    NotOpened,    // no such file (or not readable)
    BadFormat,    // ".bmp": signature, planes, bit count, compression, header fields
    BadSize,      // width or height is not the series' segment side
    DecodeError,  // ".mif": a row longer than the width, data past the last row,
                  // a repeat code with no pixel before it
    Truncated,    // the file ends before the data it announces
    NoMemory,
};

// Decodes ".mif" packed data into out (outSize >= DibStride(w) * h, zeroed by
// the caller). Returns false on a decoding error; out may then hold a part.
bool DecodeMifPixels(const std::uint8_t* packed, std::size_t length, int w, int h, std::uint8_t* out,
                     std::size_t outSize);

// Packs rows (bottom row first, stride bytes apart, values below 0x80) into
// ".mif" data; every row starts with a literal.
std::vector<std::uint8_t> EncodeMifPixels(const std::uint8_t* pixels, int w, int h, int stride);

struct LoadedSegment {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
    RgbQuad palette[256] = {};  // ".bmp" only; entries beyond the file's are zero
};

// Reads a ".mif" segment of side x side pixels.
SegmentFileResult ReadMifSegment(const std::string& path, int side, LoadedSegment& out);
// Reads an 8-bit uncompressed ".bmp" segment of side x side pixels; pixel
// bytes missing at the end of the file are zero (Truncated is returned).
SegmentFileResult ReadBmpSegment(const std::string& path, int side, LoadedSegment& out);

// Writers for the generator and tests; pixels bottom row first.
bool WriteMifSegment(const std::string& path, const std::uint8_t* pixels, int w, int h, int stride);
bool WriteBmpSegment(const std::string& path, const std::uint8_t* pixels, int w, int h, int stride,
                     const RgbQuad* palette256);

// Opens path for binary reading; when it is missing, a file of the same name
// in another letter case in the same folder is opened instead (data sets come
// from Windows). Null when neither exists.

