// The claim-counted cache of decoded map segments.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "platform/Prompt.h"

namespace {

// Calls probe(x, y) at the probe points of a claim pass over cells of s
// metres: rows from the whole-metre top down while y >= bottom - s, columns
// from the whole-metre left up while x <= right. Only points inside the grid
// area are visited (the others hold no cell), so a huge area costs no more
// than the whole grid; nothing is visited for an empty or non-finite area.
template <class Probe>
void ForEachProbe(const CRectD& area, long long s, Probe probe) {
    const double left = area.E1, right = area.E2, top = area.N1, bottom = area.N2;
    if (s <= 0 || left == right || top == bottom) return;
    for (double v : {left, right, top, bottom})
        if (!std::isfinite(v)) return;
    // The grid area's edges are whole multiples of every cell side.
    const auto whole = [](double v) { return static_cast<long long>(std::clamp(v, -1e9, 1e9)); };
    const long long west = static_cast<long long>(CVornaDoc::kAreaWest);
    const long long south = static_cast<long long>(CVornaDoc::kAreaSouth);
    const long long north = static_cast<long long>(CVornaDoc::kAreaNorth);
    const double yEnd = std::max(bottom - double(s), double(south));
    const double xEnd = std::min(right, CVornaDoc::kAreaEast);
    for (long long y = std::min(whole(top) / s * s, north); double(y) >= yEnd; y -= s)
        for (long long x = std::max(whole(left) / s * s, west); double(x) <= xEnd; x += s) probe(x, y);
}

void FitFlags(SegmentFlags& flags, int count) {
    if (int(flags.size()) != count) flags.assign(std::size_t(count), 0);
}

}  // namespace

std::string CVornaDoc::SegmentFilePath(int series, int index, const char* ext) const {
    const SegmentSeries& ser = Series(series);
    return ser.directory + ser.name + GetSegmentName(series, index) + ext;
}

const std::uint8_t* CVornaDoc::SegmentPixels(int series, int index) const {
    if (series < 0 || series >= kMapTypeCount) return nullptr;
    const SegmentSeries& ser = SegCache[series];
    if (index < 0 || index >= int(ser.SBmp.size())) return nullptr;
    return ser.SBmp[std::size_t(index)].Data.get();
}

bool CVornaDoc::ReadMapSegment(const MapViewDesc& desc, int index) {
    if (desc.mapType < 0 || desc.mapType >= kMapTypeCount) return false;
    SegmentSeries& ser = SegCache[desc.mapType];
    if (ser.SBmp.empty()) {
        MsgBox("Error, BmpData array not initialized");
        return false;
    }
    if (index < 0 || index >= int(ser.SBmp.size())) return false;
    SegmentBitmap& holder = ser.SBmp[std::size_t(index)];
    if (holder.Data) return true;

    CVornaApp* app = VornaAppOrNull();
    LoadedSegment seg;
    bool fromBmp = false;
    SegmentFileResult r = ReadMifSegment(SegmentFilePath(desc.mapType, index, ".mif"), ser.pixels, seg);
    if (r == SegmentFileResult::NotOpened) {
        fromBmp = true;
        r = ReadBmpSegment(SegmentFilePath(desc.mapType, index, ".bmp"), ser.pixels, seg);
    }
    switch (r) {
        case SegmentFileResult::Ok:
            break;
        case SegmentFileResult::NotOpened:
            return false;
        case SegmentFileResult::BadFormat:
            MsgBox("Invalid Map Segment Format!");
            return false;
        case SegmentFileResult::BadSize:
            MsgBox("Invalid Map Segment Size!");
            return false;
        case SegmentFileResult::DecodeError:
            MsgBox("Error decompressing image data!");
            return false;
        case SegmentFileResult::NoMemory:
            MsgBox("Internal Error! Not enough memory for SBmp [].Data in ReadMapSegment!");
            return false;
        case SegmentFileResult::Truncated:
            // A short ".bmp" keeps what it held (the rest is white paper); a
            // ".mif" whose data leaves the file is refused.
            MsgBox("Unexpected end of file in ReadMapSegment!");
            if (!fromBmp || !seg.data) return false;
            break;
    }

    ser.Header.info = BitmapInfoHeader();
    ser.Header.info.biWidth = ser.pixels;
    ser.Header.info.biHeight = ser.pixels;
    ser.Header.info.biSizeImage = std::uint32_t(ser.Stride() * ser.pixels);
    std::memcpy(ser.Header.palette, seg.palette, sizeof ser.Header.palette);

    if (holder.Data || holder.Size) {
        MsgBox("Internal Warning! SBmp [].Data already allocated in ReadMapSegment!");
        if (holder.Data && app) app->CountFree(kMemSegPixels, (long long)holder.Size);
    }
    holder.Data = std::move(seg.data);
    holder.Size = seg.size;
    if (app) app->CountAlloc(kMemSegPixels, (long long)holder.Size);
    return r == SegmentFileResult::Ok;
}

void CVornaDoc::SelectActiveMapSegments(const MapViewDesc& desc, const CRectD& area, SegmentFlags& flags,
                                        int trace) {
    if (desc.mapType < 0 || desc.mapType >= kMapTypeCount) return;
    SegmentSeries& ser = SegCache[desc.mapType];
    if (ser.SInUse.empty() || ser.SBmp.empty()) return;
    FitFlags(flags, ser.count);
    CVornaApp* app = VornaAppOrNull();
    const bool tracing = trace && app && app->debugMode && app->debugLog;
    std::string removing, adding;

    // Release the consumer's old claims.
    for (int i = 0; i < ser.count; ++i) {
        if (!flags[std::size_t(i)]) continue;
        flags[std::size_t(i)] = 0;
        if (ser.SInUse[std::size_t(i)] > 0) --ser.SInUse[std::size_t(i)];
        if (tracing) removing += ser.SegmentName[std::size_t(i)] + ' ';
    }

    // Claim the cells under a probe grid one segment apart. The rows run one
    // segment beyond the southern edge so that a bottom on a segment edge
    // still claims the row below it.
    ForEachProbe(area, ser.metres, [&](long long x, long long y) {
        const int i = GetSegmentIndex(desc.mapType, double(x), double(y));
        if (i < 0 || flags[std::size_t(i)]) return;
        ++ser.SInUse[std::size_t(i)];
        flags[std::size_t(i)] = 1;
        if (tracing) adding += ser.SegmentName[std::size_t(i)] + ' ';
    });

    // Settle: free what nobody claims, load what is claimed.
    for (int i = 0; i < ser.count; ++i) {
        SegmentBitmap& b = ser.SBmp[std::size_t(i)];
        if (ser.SInUse[std::size_t(i)] < 1) {
            if (b.Data && b.Size == 0)
                MsgBox("Internal Warning! SBmp [].Data exists but size is 0 in SelectActiveMapSegments!");
            if (!b.Data && b.Size != 0)
                MsgBox(
                    "Internal Warning! SBmp [].Data not allocated, but size is != 0 in "
                    "SelectActiveMapSegments!");
            if (b.Data) {
                if (app) app->CountFree(kMemSegPixels, (long long)b.Size);
                b.Data.reset();
            }
            b.Size = 0;
        } else {
            ReadMapSegment(desc, i);
        }
    }

    if (tracing) {
        std::string remain;
        for (int i = 0; i < ser.count; ++i) {
            const int c = ser.SInUse[std::size_t(i)];
            if (c >= 1)
                remain += ser.SegmentName[std::size_t(i)] + ':' + std::to_string(c) + ' ';
            else if (c < 0)
                remain += "Underflow:" + ser.SegmentName[std::size_t(i)] + ' ';
        }
        std::fprintf(
            app->debugLog,
            "AreaLeftEasting: %.1f AreaRightEasting: %.1f AreaTopNorthing: %.1f AreaBottomNorthing: %.1f\n",
            area.E1, area.E2, area.N1, area.N2);
        const std::string line = "Removing: " + removing + "Adding: " + adding + "Remain: " + remain;
        std::fprintf(app->debugLog, "%s\n", line.c_str());
        std::fflush(app->debugLog);
    }
}

void CVornaDoc::RemoveMapSegments(const MapViewDesc& desc, int index, SegmentFlags& flags) {
    if (desc.mapType < 0 || desc.mapType >= kMapTypeCount) return;
    SegmentSeries& ser = SegCache[desc.mapType];
    if (ser.SInUse.empty() || ser.SBmp.empty()) return;
    if (index < 0 || index >= ser.count || index >= int(flags.size())) return;
    SegmentBitmap& b = ser.SBmp[std::size_t(index)];
    if (ser.SInUse[std::size_t(index)] <= 0 || !flags[std::size_t(index)]) return;
    if (b.Data && b.Size == 0)
        MsgBox("Internal Warning! SBmp [].Data exists but size is 0 in RemoveMapSegments!");
    if (!b.Data && b.Size != 0)
        MsgBox("Internal Warning! SBmp [].Data not allocated, but size is != 0 in RemoveMapSegments!");
    if (!b.Data) return;
    CVornaApp* app = VornaAppOrNull();
    if (app) app->CountFree(kMemSegPixels, (long long)b.Size);
    b.Data.reset();
    b.Size = 0;
    flags[std::size_t(index)] = 0;
    --ser.SInUse[std::size_t(index)];
}

bool CVornaDoc::ClaimMapSegment(const MapViewDesc& desc, int index, SegmentFlags& flags) {
    if (desc.mapType < 0 || desc.mapType >= kMapTypeCount) return false;
    SegmentSeries& ser = SegCache[desc.mapType];
    if (ser.SInUse.empty() || ser.SBmp.empty() || index < 0 || index >= ser.count) return false;
    FitFlags(flags, ser.count);
    if (!flags[std::size_t(index)]) {
        ++ser.SInUse[std::size_t(index)];
        flags[std::size_t(index)] = 1;
    }
    return ReadMapSegment(desc, index) && SegmentPixels(desc.mapType, index) != nullptr;
}

void CVornaDoc::SelectActiveWptQuadrants(const CRectD& area, QuadrantFlags& flags, int /*trace*/) {
    if (int(WptQInUse.size()) < kQuadrantCount) return;
    for (int q = 0; q < kQuadrantCount; ++q) {
        if (!flags[std::size_t(q)]) continue;
        flags[std::size_t(q)] = 0;
        if (WptQInUse[std::size_t(q)] > 0) --WptQInUse[std::size_t(q)];
    }
    ForEachProbe(area, 10000, [&](long long x, long long y) {
        const int q = GetQuadrantIndex(double(x), double(y));
        if (q < 0 || flags[std::size_t(q)]) return;
        ++WptQInUse[std::size_t(q)];
        flags[std::size_t(q)] = 1;
    });
    // Bases chosen for export stay open though nobody shows them.
    for (int q = 0; q < kQuadrantCount; ++q) {
        if (WptQInUse[std::size_t(q)] < 1) {
            if (std::size_t(q) >= SectorSelLevel.size() || SectorSelLevel[std::size_t(q)] < 0)
                CloseQuadrantWptFile(q);
        } else {
            OpenQuadrantWptFile(q);
        }
    }
}
