// The claim-counted cache of decoded map segments.
#include "doc/SegmentCache.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>
#include <thread>

#include "doc/Grids.h"
#include "platform/Prompt.h"
#include "platform/System.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

namespace {

void FitFlags(SegmentFlags& flags, int count) {
    if (int(flags.size()) != count) flags.assign(std::size_t(count), 0);
}

// The message of a segment file that could not be used, naming the file.
std::string SegmentFault(const char* text, const std::string& path) { return std::string(text) + " " + path; }

}  // namespace

void ForEachClaimProbe(const CRectD& area, long long s,
                       const std::function<void(long long, long long)>& probe) {
    const double left = area.E1, right = area.E2, top = area.N1, bottom = area.N2;
    if (s <= 0 || left == right || top == bottom) return;
    for (double v : {left, right, top, bottom})
        if (!std::isfinite(v)) return;
    // The grid area's edges are whole multiples of every cell side.
    const auto whole = [](double v) { return static_cast<long long>(std::clamp(v, -1e9, 1e9)); };
    const long long west = static_cast<long long>(kAreaWest);
    const long long south = static_cast<long long>(kAreaSouth);
    const long long north = static_cast<long long>(kAreaNorth);
    const double yEnd = std::max(bottom - double(s), double(south));
    const double xEnd = std::min(right, kAreaEast);
    for (long long y = std::min(whole(top) / s * s, north); double(y) >= yEnd; y -= s)
        for (long long x = std::max(whole(left) / s * s, west); double(x) <= xEnd; x += s) probe(x, y);
}

CSegmentCache::CSegmentCache(const AppSettings& settings, CMemoryCounters& memory, std::FILE* traceLog)
    : m_Memory(memory), m_TraceLog(traceLog) {
    for (int s = 0; s < kMapTypeCount; ++s) {
        SegmentSeries& ser = m_Series[s];
        ser.name = settings.mapTypes[s].name;
        ser.directory = settings.mapTypes[s].directory;
        if (!ser.directory.empty() && ser.directory.back() != '/') ser.directory += '/';
        const MapTypeInfo& fixed = DefaultMapType(s);
        ser.perSide = fixed.segmentsPerSide;
        ser.count = ser.perSide * ser.perSide;
        ser.pixels = fixed.pixels;
        ser.metres = fixed.segmentMetres;
        ser.Header = DibHeader();
        ser.Header.info.biWidth = ser.pixels;
        ser.Header.info.biHeight = ser.pixels;
        ser.Header.info.biSizeImage = std::uint32_t(ser.Stride() * ser.pixels);
    }
}

CSegmentCache::~CSegmentCache() {
    for (SegmentSeries& ser : m_Series) {
        if (!ser.SInUse.empty())
            m_Memory.CountFree(kMemSegOnMap, (long long)(ser.SInUse.size() * sizeof(std::int32_t)));
        if (!ser.SegmentName.empty())
            m_Memory.CountFree(kMemSegName, (long long)(ser.SegmentName.size() * sizeof(std::string)));
        for (SegmentBitmap& b : ser.SBmp) FreePixels(b, "DeallocateImageMemory");
        if (!ser.SBmp.empty())
            m_Memory.CountFree(kMemSegBmpHolder, (long long)(ser.SBmp.size() * sizeof(SegmentBitmap)));
    }
}

SegmentBitmap::SegmentBitmap() = default;
SegmentBitmap::~SegmentBitmap() = default;
SegmentBitmap::SegmentBitmap(SegmentBitmap&&) noexcept = default;
SegmentBitmap& SegmentBitmap::operator=(SegmentBitmap&&) noexcept = default;

void CSegmentCache::FreePixels(SegmentBitmap& b, const char* operation) {
    if (b.Data && b.Size == 0)
        MsgBox(std::string("Internal Warning! SBmp [].Data exists but size is 0 in ") + operation + "!");
    if (!b.Data && b.Size != 0)
        MsgBox(std::string("Internal Warning! SBmp [].Data not allocated, but size is != 0 in ") + operation +
               "!");
    if (b.Data) m_Memory.CountFree(kMemSegPixels, (long long)b.Size);
    b.Data.reset();
    b.Rows.reset();
    b.Size = 0;
}

int CSegmentCache::GetSegmentIndex(int series, double E, double N) const {
    if (!IsSeries(series)) return -1;
    const SegmentSeries& ser = m_Series[series];
    const long long s = ser.metres;
    const long long perSide = ser.perSide;
    if (s <= 0 || perSide <= 0) return -1;
    long long e, n;
    if (!WholeMetres(E, e) || !WholeMetres(N, n)) return -1;
    const double colD = std::floor(double(e - (long long)kAreaWest) / double(s));
    if (colD < 0 || colD >= double(perSide)) return -1;
    const long long column = static_cast<long long>(colD);
    const long long row = (long long)kAreaNorth / s - n / s - 1;
    if (row < 0 || row >= perSide) return -1;
    return int(row * perSide + column);
}

bool CSegmentCache::MakeTables(int series) {
    SegmentSeries& ser = m_Series[series];
    if (ser.HasTables()) return true;
    if (m_TablesRefused[series] || ser.count <= 0) return false;
    // Made when the series is first claimed: the finest series has 19,600
    // segments, and most series are never shown in a session.
    const std::size_t n = std::size_t(ser.count);
    try {
        ser.SInUse.assign(n, 0);
        m_Memory.CountAlloc(kMemSegOnMap, (long long)(n * sizeof(std::int32_t)));
    } catch (const std::bad_alloc&) {
        ser.SInUse.clear();
        MsgBox("Internal Error! Not enough memory for SInUse in OpenContMap!");
    }
    try {
        ser.SBmp = std::vector<SegmentBitmap>(n);
        m_Memory.CountAlloc(kMemSegBmpHolder, (long long)(n * sizeof(SegmentBitmap)));
    } catch (const std::bad_alloc&) {
        ser.SBmp.clear();
        MsgBox("Internal Error! Not enough memory for SBmp in OpenContMap!");
    }
    m_TablesRefused[series] = !ser.HasTables();
    return ser.HasTables();
}

const std::vector<std::string>& CSegmentCache::SegmentNames(int series) const {
    const SegmentSeries& ser = m_Series[series];
    if (!ser.SegmentName.empty() || ser.count <= 0 || m_NamesRefused[series]) return ser.SegmentName;
    // Made on first use: most series are never shown in a session, and the
    // finest has 19,600 segments.
    try {
        const std::size_t n = std::size_t(ser.count);
        ser.SegmentName.assign(n, std::string());
        // TK25 and TN10 split a quadrant into 2 x 2 and 5 x 5 segments.
        const int div = series == 3 ? 5 : series == 2 ? 2 : 1;
        for (int row = 0; row < ser.perSide; ++row)
            for (int col = 0; col < ser.perSide; ++col) {
                std::string name{QuadrantLetter(row / div), QuadrantLetter(col / div)};
                if (div > 1) {
                    name += char('0' + row % div);
                    name += char('0' + col % div);
                }
                ser.SegmentName[std::size_t(row * ser.perSide + col)] = std::move(name);
            }
        m_Memory.CountAlloc(kMemSegName, (long long)(n * sizeof(std::string)));
    } catch (const std::bad_alloc&) {
        ser.SegmentName.clear();
        m_NamesRefused[series] = true;
        MsgBox("Internal Error! Not enough memory for SegmentName in OpenContMap!");
    }
    return ser.SegmentName;
}

const std::string& CSegmentCache::GetSegmentName(int series, int index) const {
    static const std::string none;
    if (!IsSeries(series)) return none;
    const std::vector<std::string>& names = SegmentNames(series);
    if (index < 0 || index >= int(names.size())) return none;
    return names[std::size_t(index)];
}

std::string CSegmentCache::SegmentFilePath(int series, int index, const char* ext) const {
    const SegmentSeries& ser = Series(series);
    return ser.directory + ser.name + GetSegmentName(series, index) + ext;
}

const std::uint8_t* CSegmentCache::SegmentPixels(int series, int index) const {
    return SegmentRows(series, index, 0, std::numeric_limits<int>::max());
}

const std::uint8_t* CSegmentCache::SegmentRows(int series, int index, int lo, int hi) const {
    if (!IsSeries(series)) return nullptr;
    const SegmentSeries& ser = m_Series[series];
    if (index < 0 || index >= int(ser.SBmp.size())) return nullptr;
    const SegmentBitmap& b = ser.SBmp[std::size_t(index)];
    if (b.Data && b.Rows && b.Rows->DecodeRows(lo, hi, b.Data.get())) b.Rows.reset();
    return b.Data.get();
}

bool CSegmentCache::ReadMapSegment(int series, int index) {
    return ReadMapSegment(series, index, nullptr, MifDecode::OnDemand);
}

bool CSegmentCache::ReadMapSegment(int series, int index, MifReadAhead* ahead, MifDecode decode) {
    if (!IsSeries(series)) return false;
    SegmentSeries& ser = m_Series[series];
    if (!MakeTables(series)) {
        MsgBox("Error, BmpData array not initialized");
        return false;
    }
    if (index < 0 || index >= int(ser.SBmp.size())) return false;
    SegmentBitmap& holder = ser.SBmp[std::size_t(index)];
    if (holder.Data) return true;

    LoadedSegment seg;
    bool fromBmp = false;
    std::string path = SegmentFilePath(series, index, ".mif");
    SegmentFileResult r;
    if (ahead) {
        r = ahead->result;
        seg = std::move(ahead->segment);
    } else {
        r = ReadMifSegment(path, ser.pixels, seg, decode);
    }
    if (r == SegmentFileResult::NotOpened) {
        fromBmp = true;
        path = SegmentFilePath(series, index, ".bmp");
        r = ReadBmpSegment(path, ser.pixels, seg);
    }
    switch (r) {
        case SegmentFileResult::Ok:
            break;
        case SegmentFileResult::NotOpened:
            return false;
        case SegmentFileResult::BadFormat:
            MsgBox(SegmentFault("Invalid Map Segment Format!", path));
            return false;
        case SegmentFileResult::BadSize:
            MsgBox(SegmentFault("Invalid Map Segment Size!", path));
            return false;
        case SegmentFileResult::DecodeError:
            MsgBox(SegmentFault("Error decompressing image data!", path));
            return false;
        case SegmentFileResult::NoMemory:
            MsgBox("Internal Error! Not enough memory for SBmp [].Data in ReadMapSegment!");
            return false;
        case SegmentFileResult::Truncated:
            // A short ".bmp" keeps what it held (the rest is white paper); a
            // ".mif" whose data leaves the file is refused.
            MsgBox(SegmentFault("Unexpected end of file in ReadMapSegment!", path));
            if (!fromBmp || !seg.data) return false;
            break;
    }

    ser.Header.info = BitmapInfoHeader();
    ser.Header.info.biWidth = ser.pixels;
    ser.Header.info.biHeight = ser.pixels;
    ser.Header.info.biSizeImage = std::uint32_t(ser.Stride() * ser.pixels);
    std::memcpy(ser.Header.palette, seg.palette, sizeof ser.Header.palette);

    holder.Data = std::move(seg.data);
    holder.Rows = std::move(seg.rows);
    holder.Size = seg.size;
    m_Memory.CountAlloc(kMemSegPixels, (long long)holder.Size);
    return r == SegmentFileResult::Ok;
}

std::vector<CSegmentCache::MifReadAhead> CSegmentCache::ReadMifsAhead(int series,
                                                                      const std::vector<int>& indexes) const {
    std::vector<MifReadAhead> out(indexes.size());
    std::vector<std::string> paths;
    for (int i : indexes) paths.push_back(SegmentFilePath(series, i, ".mif"));
    const int side = m_Series[series].pixels;
    // Read and checked side by side; their rows are decoded when shown,
    // which costs less than decoding them whole even on threads.
    auto read = [&](std::size_t k) {
        out[k].result = ReadMifSegment(paths[k], side, out[k].segment, MifDecode::OnDemand);
    };
    // One thread per segment beside this one, as far as the processor has
    // room; a thread that cannot be had leaves its segment to this one.
    const std::size_t room = UsableProcessors();
    std::vector<std::thread> threads;
    std::vector<bool> onThread(indexes.size(), false);
    for (std::size_t k = 1; k < indexes.size() && threads.size() + 1 < room; ++k) {
        try {
            threads.emplace_back(read, k);
            onThread[k] = true;
        } catch (const std::system_error&) {
            break;
        }
    }
    for (std::size_t k = 0; k < indexes.size(); ++k)
        if (!onThread[k]) read(k);
    for (std::thread& t : threads) t.join();
    return out;
}

void CSegmentCache::SelectActiveMapSegments(int series, const CRectD& area, SegmentFlags& flags, bool trace) {
    if (!IsSeries(series)) return;
    SegmentSeries& ser = m_Series[series];
    if (!MakeTables(series)) return;
    FitFlags(flags, ser.count);
    std::FILE* log = trace ? m_TraceLog : nullptr;
    std::string removing, adding;

    for (int i = 0; i < ser.count; ++i) {
        if (!flags[std::size_t(i)]) continue;
        flags[std::size_t(i)] = 0;
        if (ser.SInUse[std::size_t(i)] > 0) --ser.SInUse[std::size_t(i)];
        if (log) removing += GetSegmentName(series, i) + ' ';
    }

    // Probes one segment apart; the rows run one segment beyond the southern
    // edge so that a bottom on a segment edge still claims the row below it.
    ForEachClaimProbe(area, ser.metres, [&](long long x, long long y) {
        const int i = GetSegmentIndex(series, double(x), double(y));
        if (i < 0 || flags[std::size_t(i)]) return;
        ++ser.SInUse[std::size_t(i)];
        flags[std::size_t(i)] = 1;
        if (log) adding += GetSegmentName(series, i) + ' ';
    });

    // Segments claimed but not in memory: several (a new view, a jump) are
    // decoded side by side, then taken in index order as one at a time would.
    std::vector<int> wanted;
    for (int i = 0; i < ser.count; ++i)
        if (ser.SInUse[std::size_t(i)] >= 1 && !ser.SBmp[std::size_t(i)].Data) wanted.push_back(i);
    std::vector<MifReadAhead> ahead;
    if (wanted.size() > 1 && !ser.SBmp.empty()) ahead = ReadMifsAhead(series, wanted);
    std::size_t next = 0;
    for (int i = 0; i < ser.count; ++i) {
        if (ser.SInUse[std::size_t(i)] < 1) {
            SegmentBitmap& b = ser.SBmp[std::size_t(i)];
            if (b.Data || b.Size) FreePixels(b, "SelectActiveMapSegments");
        } else if (next < ahead.size() && wanted[next] == i) {
            ReadMapSegment(series, i, &ahead[next++], MifDecode::OnDemand);
        } else {
            ReadMapSegment(series, i);
        }
    }

    if (log) {
        std::string remain;
        for (int i = 0; i < ser.count; ++i) {
            const int c = ser.SInUse[std::size_t(i)];
            if (c >= 1)
                remain += GetSegmentName(series, i) + ':' + std::to_string(c) + ' ';
            else if (c < 0)
                remain += "Underflow:" + GetSegmentName(series, i) + ' ';
        }
        std::fprintf(
            log,
            "AreaLeftEasting: %.1f AreaRightEasting: %.1f AreaTopNorthing: %.1f AreaBottomNorthing: %.1f\n",
            area.E1, area.E2, area.N1, area.N2);
        const std::string line = "Removing: " + removing + "Adding: " + adding + "Remain: " + remain;
        std::fprintf(log, "%s\n", line.c_str());
        std::fflush(log);
    }
}

void CSegmentCache::RemoveMapSegments(int series, int index, SegmentFlags& flags) {
    if (!IsSeries(series)) return;
    SegmentSeries& ser = m_Series[series];
    if (!ser.HasTables()) return;
    if (index < 0 || index >= ser.count || index >= int(flags.size())) return;
    SegmentBitmap& b = ser.SBmp[std::size_t(index)];
    if (ser.SInUse[std::size_t(index)] <= 0 || !flags[std::size_t(index)]) return;
    if (!b.Data) {
        if (b.Size) FreePixels(b, "RemoveMapSegments");
        return;
    }
    FreePixels(b, "RemoveMapSegments");
    flags[std::size_t(index)] = 0;
    --ser.SInUse[std::size_t(index)];
}

bool CSegmentCache::ClaimMapSegment(int series, int index, SegmentFlags& flags) {
    if (!IsSeries(series)) return false;
    SegmentSeries& ser = m_Series[series];
    if (!MakeTables(series) || index < 0 || index >= ser.count) return false;
    FitFlags(flags, ser.count);
    if (!flags[std::size_t(index)]) {
        ++ser.SInUse[std::size_t(index)];
        flags[std::size_t(index)] = 1;
    }
    // One segment at a time for a consumer that reads it all (the 3-D view).
    return ReadMapSegment(series, index, nullptr, MifDecode::Whole) &&
           SegmentPixels(series, index) != nullptr;
}
