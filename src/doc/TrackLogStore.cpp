#include "doc/TrackLogStore.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <new>
#include <utility>

#include "geo/Convert.h"
#include "platform/AtomicFile.h"
#include "platform/DamagedFile.h"
#include "platform/DataFile.h"
#include "platform/Prompt.h"
#include "platform/System.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

namespace {
TrackPoint ZeroTrackPoint() {
    TrackPoint p;
    p.time = 0;
    p.segmentStart = 0;
    return p;
}
}  // namespace

CTrackLogStore::FileStamp CTrackLogStore::StampOf(const std::string& path, int fd) {
    FileStamp stamp;
    struct stat st;
    if ((fd >= 0 ? ::fstat(fd, &st) : ::stat(path.c_str(), &st)) != 0) return stamp;
    stamp.path = path;
    stamp.dev = st.st_dev;
    stamp.ino = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeNs = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    return stamp;
}

bool CTrackLogStore::FileIsAsSaved(const std::string& path) const {
    // A file cut mid-point or holding more than was read is written whole.
    return m_Saved.size >= 0 && m_Saved.size == (long long)m_Log.Count * (long long)sizeof(TrackPoint) &&
           StampOf(path) == m_Saved;
}

CTrackLogStore::CTrackLogStore(const AppSettings& settings, CMemoryCounters& memory)
    : m_Settings(settings), m_Memory(memory) {}

CTrackLogStore::~CTrackLogStore() {
    if (m_Log.Allocated) m_Memory.CountFree(kMemTrackLog, (long long)m_Log.Size);
    if (m_BoxBytes) m_Memory.CountFree(kMemTrackLog, (long long)m_BoxBytes);
}

std::string CTrackLogStore::DefaultName() const { return m_Settings.startDirectory + "TrackLog"; }

void CTrackLogStore::Clear(int n) {
    m_Log.GrowStep = m_Settings.trackLogOverdraft < 1 ? 1 : m_Settings.trackLogOverdraft;
    if (n < 0) n = 0;
    Changed();
    if (m_Log.Allocated) m_Memory.CountFree(kMemTrackLog, (long long)m_Log.Size);
    DropBoxes(0);
    std::vector<TrackPoint>().swap(m_Log.Data);
    m_Log.Allocated = false;
    m_Log.Size = 0;
    m_Log.Capacity = 0;
    m_Log.Count = 0;
    SelStart = SelEnd = -1;
    const long long capacity = (long long)n + m_Log.GrowStep;
    try {
        if (capacity > kMaxTrackPoints) throw std::bad_alloc();
        m_Log.Data.assign(std::size_t(capacity), ZeroTrackPoint());
    } catch (const std::bad_alloc&) {
        MsgBox("Internal Error! Not enough memory for TrackLog.Data in ClearTrackLog!");
        return;
    }
    m_Log.Allocated = true;
    m_Log.Capacity = int(capacity);
    m_Log.Size = std::uint32_t(capacity) * sizeof(TrackPoint);
    m_Memory.CountAlloc(kMemTrackLog, m_Log.Size);
}

int CTrackLogStore::Reallocate() {
    if (!m_Log.Allocated) {
        MsgBox("Internal Error! TrackLog not yet allocated in ReallocateTrackLog!");
        return 0;
    }
    long long added = 0;
    if (!GrowHolder(m_Log, kMaxTrackPoints, ZeroTrackPoint(), added)) {
        MsgBox("Internal Error! Not enough memory for TrackLog reallocation in ReallocateTrackLog!");
        return 0;
    }
    AddSaturated(m_Memory[kMemTrackLog + 1], added);
    return 1;
}

bool CTrackLogStore::Append(const TrackPoint& p) {
    if (!m_Log.Allocated || (m_Log.Count >= m_Log.Capacity && !Reallocate())) return false;
    m_Log.Data[std::size_t(m_Log.Count++)] = p;
    Changed();
    return true;
}

void CTrackLogStore::Truncate(int count) {
    if (count >= 0 && count < m_Log.Count) {
        m_Log.Count = count;
        DropBoxes(count);
        Changed();
    }
}

int CTrackLogStore::Read(const std::string& name) {
    if (m_Log.Allocated) return 1;
    m_Log.FileName = name;
    const std::string path = FindDataFile(name + ".dat");
    std::FILE* f = std::fopen(path.c_str(), "rb");
    m_Saved = f ? StampOf(path, fileno(f)) : FileStamp();
    if (!f) {
        const int err = errno;
        Clear(0);
        if (err == ENOENT) {
            m_SavedChanges = m_Changes;
            return 1;
        }
        m_Log.ReadFailed = true;
        MsgBox("Error reading Binary TrackLog file");
        return 0;
    }
    const long long length = FileLength(f);
    const long long points = length < 0 ? -1 : length / (long long)sizeof(TrackPoint);
    if (points < 0 || points > kMaxTrackPoints) {
        std::fclose(f);
        Clear(0);
        m_Log.ReadFailed = true;
        MsgBox("Error reading Binary TrackLog file");
        return 0;
    }
    Clear(int(points));
    if (!m_Log.Allocated) {
        std::fclose(f);
        m_Log.ReadFailed = true;
        return 0;
    }
    const std::size_t got =
        points ? std::fread(m_Log.Data.data(), sizeof(TrackPoint), std::size_t(points), f) : 0;
    std::fclose(f);
    m_Log.Count = int(got);
    if (got < std::size_t(points)) {
        m_Log.ReadFailed = true;
        MsgBox("Error reading Binary TrackLog file");
        return 0;
    }
    if (length % (long long)sizeof(TrackPoint) != 0) {
        // A point cut short: the whole ones are kept and the log stays
        // modified, so the cleaned file replaces the damaged one.
        ReportDamagedFile(path, KeptOf(points, points + 1, "point"));
        return 1;
    }
    m_SavedChanges = m_Changes;
    return 1;
}

int CTrackLogStore::Write(const std::string& name) {
    const std::string fault = WriteFile(name);
    if (fault.empty()) {
        m_WriteFailShown = false;
        // An unread file kept as it was is no write either.
        return m_Log.ReadFailed && !(m_Log.Allocated && m_Log.Count > 0) ? 0 : 1;
    }
    if (!m_WriteFailShown) MsgBox(fault);
    m_WriteFailShown = true;
    return 0;
}

bool CTrackLogStore::NeedsWrite(const std::string& name) const {
    if (Modified()) return true;
    if (m_GivenUp) return false;
    return m_Log.Allocated && m_Log.Count > 0 && !FileIsAsSaved(FindDataFile(name + ".dat"));
}

std::string CTrackLogStore::WriteFile(const std::string& name) {
    const std::string path = FindDataFile(name + ".dat");
    if (m_Log.Allocated && m_Log.Count > 0 && !Modified() && FileIsAsSaved(path)) return {};
    m_Saved = FileStamp();
    if (m_Log.Allocated && m_Log.Count > 0) {
        const AtomicWriteResult r =
            WriteFileAtomically(path, m_Log.Data.data(), std::size_t(m_Log.Count) * sizeof(TrackPoint));
        if (r.WriteProtected())
            return "Error! TrackLog file " + name + ".dat can not be saved because it is write protected!";
        if (!r.ok()) return "Error writing Binary TrackLog file " + path + ": " + r.Reason();
        m_Saved = StampOf(path);
    } else if (m_Log.ReadFailed) {
        // The file's points were never read: an empty log stands for nothing.
        return {};
    } else if (RemoveFileIfPresent(path) == RemoveStatus::Failed) {
        return "Error! Empty TrackLog file " + name +
               ".dat can not be deleted because it is write protected!";
    }
    m_SavedChanges = m_Changes;
    m_GivenUp = false;
    return {};
}

void CTrackLogStore::DropBoxes(int count) {
    m_Boxes.resize(std::min(m_Boxes.size(), std::size_t(count / kBoxPoints)));
    if (count > 0 || !m_BoxBytes) return;
    std::vector<BlockBox>().swap(m_Boxes);
    m_Memory.CountFree(kMemTrackLog, (long long)m_BoxBytes);
    m_BoxBytes = 0;
}

void CTrackLogStore::BoxFullBlocks() const {
    const std::size_t blocks = std::size_t(m_Log.Count / kBoxPoints);
    for (std::size_t b = m_Boxes.size(); b < blocks; ++b) {
        // NaN positions fail every comparison: they widen no box, and no
        // search picks them.
        BlockBox box{HUGE_VAL, -HUGE_VAL, HUGE_VAL, -HUGE_VAL};
        for (std::size_t k = b * kBoxPoints; k < (b + 1) * kBoxPoints; ++k) {
            const CPointD& p = m_Log.Data[k].position;
            if (p.easting < box.e0) box.e0 = p.easting;
            if (p.easting > box.e1) box.e1 = p.easting;
            if (p.northing < box.n0) box.n0 = p.northing;
            if (p.northing > box.n1) box.n1 = p.northing;
        }
        m_Boxes.push_back(box);
    }
    const std::size_t bytes = m_Boxes.capacity() * sizeof(BlockBox);
    if (bytes != m_BoxBytes) {
        if (m_BoxBytes) m_Memory.CountFree(kMemTrackLog, (long long)m_BoxBytes);
        if (bytes) m_Memory.CountAlloc(kMemTrackLog, (long long)bytes);
        m_BoxBytes = bytes;
    }
}

int CTrackLogStore::ClosestPoint(TrackPoint* out, CPointD pos, int rx, int ry) const {
    if (rx <= 0 || ry <= 0 || !m_Log.Allocated) return -1;
    BoxFullBlocks();
    const double rx2 = double(rx) * rx, ry2 = double(ry) * ry;
    double best = 1.0;
    int bestIndex = -1;
    for (int start = 0; start < m_Log.Count; start += kBoxPoints) {
        const std::size_t b = std::size_t(start / kBoxPoints);
        // Every point of a block whose box lies a radius or more away is
        // outside the ellipse (the differences round the same way).
        if (b < m_Boxes.size()) {
            const BlockBox& box = m_Boxes[b];
            if (box.e0 - pos.easting >= rx || pos.easting - box.e1 >= rx || box.n0 - pos.northing >= ry ||
                pos.northing - box.n1 >= ry)
                continue;
        }
        const int end = std::min(m_Log.Count, start + kBoxPoints);
        for (int k = start; k < end; ++k) {
            const CPointD& p = m_Log.Data[std::size_t(k)].position;
            const double dE = p.easting - pos.easting, dN = p.northing - pos.northing;
            if (std::abs(dE) >= rx || std::abs(dN) >= ry) continue;  // spares the division
            const double d = dE * dE / rx2 + dN * dN / ry2;
            if (d < best) {
                best = d;
                bestIndex = k;
            }
        }
    }
    if (bestIndex >= 0 && out) *out = m_Log.Data[std::size_t(bestIndex)];
    return bestIndex;
}

// ---- segments and days ---------------------------------------------------------

int CTrackLogStore::DayKey(std::int32_t time) { return LocalDayKey(time); }

int CTrackLogStore::SegmentFirst(int k) const {
    if (!IsValidIndex(k)) return -1;
    while (k > 0 && !m_Log.Data[std::size_t(k)].segmentStart) --k;
    return k;
}

int CTrackLogStore::SegmentLast(int k) const {
    if (!IsValidIndex(k)) return -1;
    int j = k + 1;
    while (j < m_Log.Count && !m_Log.Data[std::size_t(j)].segmentStart) ++j;
    return j - 1;
}

int CTrackLogStore::DayFirst(int k) const {
    if (!IsValidIndex(k)) return -1;
    const int d = DayKey(m_Log.Data[std::size_t(k)].time);
    int j = k - 1;
    while (j >= 0 && DayKey(m_Log.Data[std::size_t(j)].time) == d) --j;
    return j + 1;
}

int CTrackLogStore::DayLast(int k) const {
    if (!IsValidIndex(k)) return -1;
    const int d = DayKey(m_Log.Data[std::size_t(k)].time);
    int j = k + 1;
    while (j < m_Log.Count && DayKey(m_Log.Data[std::size_t(j)].time) == d) ++j;
    return j - 1;
}

bool CTrackLogStore::Join(int k) {
    if (!IsValidIndex(k)) return false;
    bool changed = false;
    for (int j : {k, k + 1}) {
        if (j < 1 || j >= m_Log.Count) continue;
        std::int32_t& flag = m_Log.Data[std::size_t(j)].segmentStart;
        changed = changed || flag != 0;
        flag = 0;
    }
    if (changed) Changed();
    return changed;
}

bool CTrackLogStore::BreakBefore(int k) {
    if (!IsValidIndex(k)) return false;
    m_Log.Data[std::size_t(k)].segmentStart = 1;
    Changed();
    return true;
}

// k + 1 is formed only once k is known to lie below the count.
bool CTrackLogStore::BreakAfter(int k) {
    return IsValidIndex(k) && k < m_Log.Count - 1 && BreakBefore(k + 1);
}

bool CTrackLogStore::DeleteRange(int a, int b) {
    if (!IsValidIndex(a) || !IsValidIndex(b)) return false;
    if (a > b) std::swap(a, b);
    const auto first = m_Log.Data.begin() + a;
    const auto end = m_Log.Data.begin() + m_Log.Count;
    std::move(first + (b - a + 1), end, first);
    m_Log.Count -= b - a + 1;
    if (a < m_Log.Count) m_Log.Data[std::size_t(a)].segmentStart = 1;
    DropBoxes(a);
    SelStart = SelEnd = -1;
    Changed();
    return true;
}
