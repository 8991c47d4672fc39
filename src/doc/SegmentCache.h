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
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "doc/DibFormat.h"
#include "geo/Types.h"
#include "platform/DataFile.h"

class CMemoryCounters;
struct AppSettings;
struct MapViewDesc;

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
using SegmentFlags = std::vector<std::int32_t>;       // one per segment of the series
using QuadrantFlags = std::array<std::int32_t, 784>;  // one per quadrant

class CMifRows;

// Decoded pixels of one segment; Data null and Size 0 when not loaded. A
// ".mif" segment may hold rows not decoded yet (Rows): ask the cache for the
// rows you read (SegmentRows, or SegmentPixels for all of them).
struct SegmentBitmap {
    SegmentBitmap();
    ~SegmentBitmap();
    SegmentBitmap(SegmentBitmap&&) noexcept;
    SegmentBitmap& operator=(SegmentBitmap&&) noexcept;
    std::unique_ptr<std::uint8_t[]> Data;
    std::size_t Size = 0;
    mutable std::unique_ptr<CMifRows> Rows;
};

// The cache tables of one map series (the cache holds five).
struct SegmentSeries {
    std::string name;       // "PK250" ...
    std::string directory;  // segment folder, ends with '/'
    int perSide = 0;        // segments per side
    int count = 0;          // perSide * perSide
    int pixels = 0;         // side of a segment image
    int metres = 0;         // side of a segment on the ground

    std::vector<std::int32_t> SInUse;              // claim count per segment
    std::vector<SegmentBitmap> SBmp;               // pixels per segment
    mutable std::vector<std::string> SegmentName;  // name per segment, made on first use
    DibHeader Header;                              // shared header and palette

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

// Decodes ".mif" packed data into out (outSize >= DibStride(w) * h). Every
// byte of the DibStride(w) * h is written, so out need not be cleared: the
// row padding and the pixels the data does not reach are zero. Returns false
// on a decoding error; out then holds the part decoded before it.
bool DecodeMifPixels(const std::uint8_t* packed, std::size_t length, int w, int h, std::uint8_t* out,
                     std::size_t outSize);
// The same without the AVX2 stores that DecodeMifPixels uses where the
// processor has them (for the tests of both).
bool DecodeMifPixelsPortable(const std::uint8_t* packed, std::size_t length, int w, int h, std::uint8_t* out,
                             std::size_t outSize);

struct LoadedSegment;
enum class MifDecode;

// The rows of a ".mif" segment decoded when first asked for. The codes are
// checked whole when it is made, so damaged data is refused at once, and
// where each row starts is kept so that any rows decode on their own, to the
// same bytes DecodeMifPixels writes.
class CMifRows {
public:
    // Null when DecodeMifPixels would refuse the data (or no memory). The
    // rows keep the data given them; ReadMifSegment's rows read it again
    // from their file instead (rows of a file changed since are blank).
    static std::unique_ptr<CMifRows> Index(std::unique_ptr<std::uint8_t[]> packed, std::size_t length, int w,
                                           int h);
    // Decodes the rows lo..hi (bottom-up; clamped to the image) not decoded
    // yet into out, the image's DibStride(w) * h bytes. True when every row
    // of the image is decoded.
    bool DecodeRows(int lo, int hi, std::uint8_t* out);

private:
    friend SegmentFileResult ReadMifSegment(const std::string&, int, LoadedSegment&, MifDecode);
    CMifRows() = default;
    // Checks packed (which may be a mapped file's) into out: DecodeError
    // where DecodeMifPixels would refuse it, Truncated where a mapped file
    // lost it meanwhile.
    static SegmentFileResult Index(const std::uint8_t* packed, std::size_t length, int w, int h,
                                   std::unique_ptr<CMifRows>& out);
    std::unique_ptr<std::uint8_t[]> m_Packed;  // or null: read from the file
    std::string m_Path;                        // the file, its data's offset, size and last change
    long long m_DataOffset = 0, m_FileSize = -1, m_FileChanged = 0;
    int m_Width = 0;
    int m_Left = 0;                          // rows not decoded yet
    std::vector<std::uint32_t> m_Starts;     // where each row's codes start, and their end
    std::vector<std::uint8_t> m_PreviousAt;  // the pixel a repeat at a row's start takes
    std::vector<bool> m_Done;
};

struct LoadedSegment {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
    RgbQuad palette[256] = {};       // ".bmp" only; entries beyond the file's are zero
    std::unique_ptr<CMifRows> rows;  // rows of data still to decode (MifDecode::OnDemand)
};

enum class MifDecode {
    Whole,     // every row decoded before the read returns
    OnDemand,  // checked whole, rows decoded through LoadedSegment::rows
};

// Reads a ".mif" segment of side x side pixels.
SegmentFileResult ReadMifSegment(const std::string& path, int side, LoadedSegment& out,
                                 MifDecode decode = MifDecode::Whole);
// Reads an 8-bit uncompressed ".bmp" segment of side x side pixels; pixel
// bytes missing at the end of the file are zero (Truncated is returned).
SegmentFileResult ReadBmpSegment(const std::string& path, int side, LoadedSegment& out);

// ---- the cache ----------------------------------------------------------------

// Decoded segments of the five series, claim-counted: each consumer owns a
// SegmentFlags array of its series' segment count (an array of another length
// is resized, zero-filled), and claimed segments are decoded once whatever the
// number of consumers. The folders are taken from the settings when the cache
// is made; the geometry of each series is fixed.
class CSegmentCache {
public:
    CSegmentCache(const AppSettings& settings, CMemoryCounters& memory, std::FILE* traceLog);
    ~CSegmentCache();
    CSegmentCache(const CSegmentCache&) = delete;
    CSegmentCache& operator=(const CSegmentCache&) = delete;

    // Series 0..4; other values are clamped (a series with no tables has count 0).
    SegmentSeries& Series(int series) { return m_Series[Clamp(series)]; }
    const SegmentSeries& Series(int series) const { return m_Series[Clamp(series)]; }

    // Segment of the series holding (E, N); -1 outside or for image maps.
    int GetSegmentIndex(int series, double E, double N) const;
    // "AC", "AC10" (TK25), "AC24" (TN10); "" for a bad index or series.
    const std::string& GetSegmentName(int series, int index) const;
    // Full path of a segment file, ext ".mif" or ".bmp".
    std::string SegmentFilePath(int series, int index, const char* ext) const;
    // Pixels of a loaded segment (bottom-up, Series(s).Stride() per row), or null.
    const std::uint8_t* SegmentPixels(int series, int index) const;
    // The same where only the rows lo..hi (bottom-up) will be read: a segment
    // read on demand decodes only those yet.
    const std::uint8_t* SegmentRows(int series, int index, int lo, int hi) const;

    // Loads a segment unless loaded; false when neither its ".mif" nor its
    // ".bmp" can be read. A damaged file is reported with its path.
    bool ReadMapSegment(int series, int index);
    // The claim pass: drops the consumer's claims, claims the segments that
    // cover area (E1 west, E2 east, N1 north, N2 south), frees unclaimed
    // pixels and loads claimed segments. A zero-width or zero-height area only
    // releases. trace: this pass goes to the trace log (print passes).
    void SelectActiveMapSegments(int series, const CRectD& area, SegmentFlags& flags, bool trace);
    // Frees one loaded segment claimed by this consumer.
    void RemoveMapSegments(int series, int index, SegmentFlags& flags);
    // Claims one segment for this consumer (once) and loads it; true when its
    // pixels are in memory.
    bool ClaimMapSegment(int series, int index, SegmentFlags& flags);

private:
    static int Clamp(int s) { return s < 0 ? 0 : s > 4 ? 4 : s; }
    static bool IsSeries(int s) { return s >= 0 && s < 5; }
    void FreePixels(SegmentBitmap& b, const char* operation);
    // A ".mif" read ahead of ReadMapSegment.
    struct MifReadAhead {
        SegmentFileResult result = SegmentFileResult::NotOpened;
        LoadedSegment segment;
    };
    bool ReadMapSegment(int series, int index, MifReadAhead* ahead, MifDecode decode);
    // Reads and checks the ".mif" files of several segments side by side.
    std::vector<MifReadAhead> ReadMifsAhead(int series, const std::vector<int>& indexes) const;
    // The series' claim and pixel tables, made when first needed; false
    // when there is no memory for them.
    bool MakeTables(int series);
    // The series' name table, made when first asked for.
    const std::vector<std::string>& SegmentNames(int series) const;
    CMemoryCounters& m_Memory;
    std::FILE* m_TraceLog;
    mutable bool m_NamesRefused[5] = {};
    bool m_TablesRefused[5] = {};
    SegmentSeries m_Series[5];
};

// Calls probe(x, y) at the probe points of a claim pass over cells of s
// metres: rows from the whole-metre top down while y >= bottom - s, columns
// from the whole-metre left up while x <= right. Only points inside the grid
// area are visited, so a huge area costs no more than the whole grid; nothing
// is visited for an empty or non-finite area.
void ForEachClaimProbe(const CRectD& area, long long s,
                       const std::function<void(long long, long long)>& probe);
