// Waypoint bases, their counter files and the track log store.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "doc/WptFile.h"
#include "platform/DataFile.h"
#include "platform/Prompt.h"

namespace {

std::string WptBaseDir() {
    CVornaApp* app = VornaAppOrNull();
    std::string dir = app ? app->wptBaseDir : std::string();
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

TrackPoint ZeroTrackPoint() {
    TrackPoint p;
    p.time = 0;
    p.segmentStart = 0;
    return p;
}

int SettingAtLeastOne(int value) { return value < 1 ? 1 : value; }

void CountBytes(MemCounter pair, long long blocks, long long bytes) {
    CVornaApp* app = VornaAppOrNull();
    if (!app) return;
    app->memUse[pair] += int(blocks);
    app->memUse[pair + 1] += int(bytes);
}


// Capacity for count records plus a grow step, kept within the holder's limit.
int CapacityFor(int count, int step, int limit) {
    long long c = (long long)count + step;
    if (c > limit) c = count;
    return int(std::max<long long>(c, 1));
}

}  // namespace

std::vector<WptBase> CVornaDoc::MakeWptBases() {
    CVornaApp* app = VornaAppOrNull();
    std::vector<WptBase> bases(kBaseCount);
    for (WptBase& b : bases) b.GrowStep = SettingAtLeastOne(app ? app->autoWptBaseOverdraft : 100);
    return bases;
}

std::vector<int> CVornaDoc::MakeWptClaims() {
    std::vector<int> claims(kBaseCount, 0);
    claims[kTempBase] = 1;
    return claims;
}

CVornaDoc::WptMemTally::WptMemTally(long long b) : bytes(b) {
    if (bytes > 0) CountBytes(kMemUndo, 1, bytes);
}

CVornaDoc::WptMemTally::~WptMemTally() {
    if (bytes > 0) CountBytes(kMemUndo, -1, -bytes);
}

// ---- bases -----------------------------------------------------------------

int CVornaDoc::ReadBinaryWaypointFile(const std::string& name, WptBase& base) {
    if (base.Loaded) return 1;
    const std::string path = FindFileNoCase(name + ".wdb");
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (errno != ENOENT) {
            // An existing file we cannot read is not an empty base: writing
            // or deleting it later would lose its waypoints.
            if (!base.LoadFailed)
                MsgBox("Error! Waypoint file " + path + " can not be read: " + std::strerror(errno));
            base.LoadFailed = 1;
            return 0;
        }
        try {
            base.Data.assign(100, ZeroWaypointRecord());
        } catch (const std::bad_alloc&) {
            MsgBox("Internal Error! Not enough memory for empty base->Data in ReadBinaryWaypointFile!");
            return 0;
        }
        base.Capacity = 100;
        base.Count = 0;
    } else {
        const long long length = FileLength(f);
        const long long records = length < 0 ? -1 : length / (long long)sizeof(WaypointRecord);
        if (records < 0 || records > kMaxBaseRecords) {
            std::fclose(f);
            if (!base.LoadFailed) MsgBox("Error reading Binary Waypoint file");
            base.LoadFailed = 1;
            return 0;
        }
        const int count = int(records);
        const int capacity = CapacityFor(count, SettingAtLeastOne(base.GrowStep), kMaxBaseRecords);
        try {
            base.Data.assign(std::size_t(capacity), ZeroWaypointRecord());
        } catch (const std::bad_alloc&) {
            std::fclose(f);
            MsgBox("Internal Error! Not enough memory for read base->Data in ReadBinaryWaypointFile!");
            return 0;
        }
        const std::size_t got = count ? std::fread(base.Data.data(), sizeof(WaypointRecord), count, f) : 0;
        std::fclose(f);
        if (got < std::size_t(count)) MsgBox("Error reading Binary Waypoint file");
        base.Capacity = capacity;
        base.Count = int(got);
    }
    base.Size = std::uint32_t(base.Capacity) * sizeof(WaypointRecord);
    base.Loaded = true;
    base.LoadFailed = 0;
    base.FileName = name;
    base.FilePath = path;
    CountBytes(kMemWptBase, 1, base.Size);
    return 1;
}

int CVornaDoc::WriteBinaryWaypointFile(const std::string& name, WptBase& base) {
    // A base that is not loaded has nothing in memory to stand for its file.
    if (!base.Loaded) return 1;
    const std::string path =
        (name == base.FileName && !base.FilePath.empty()) ? base.FilePath : name + ".wdb";
    if (base.Count > 0) {
        // The selection mark lives only in memory: clear it in the bytes written.
        std::vector<WaypointRecord> out(base.Data.begin(), base.Data.begin() + base.Count);
        for (WaypointRecord& r : out) r.Flags &= std::uint16_t(~kWptSelected);
        switch (WriteWholeFile(path, out.data(), out.size() * sizeof(WaypointRecord))) {
            case WptWriteResult::Ok:
                break;
            case WptWriteResult::CannotCreate:
                MsgBox("Error! Waypoint file " + name +
                       ".wdb can not be saved because it is write protected!");
                return 0;
            case WptWriteResult::WriteFailed:
                MsgBox("Error writing Binary Waypoint file");
                return 0;
        }
    } else if (RemoveFile(path) == WptRemoveResult::Failed) {
        MsgBox("Error! Empty waypoint file " + name +
               ".wdb can not be deleted because it is write protected!");
        return 0;
    }
    base.Modified = 0;
    return 1;
}

int CVornaDoc::OpenQuadrantWptFile(int q) {
    if (q < 0 || q >= kBaseCount) return 0;
    WptBase& base = WptAutoBase[q];
    if (base.Loaded) return 1;
    const int failedBefore = base.LoadFailed;
    ReadBinaryWaypointFile(WptBaseDir() + GetQuadrantName(q), base);
    if (!base.Loaded) {
        if (!failedBefore) MsgBox("Error opening quadrant Wpt file");
        base.LoadFailed = 1;
        return 0;
    }
    return 1;
}

int CVornaDoc::CloseQuadrantWptFile(int q) {
    if (q < 0 || q >= kBaseCount) return 0;
    WptBase& base = WptAutoBase[q];
    if (!base.Loaded) return 1;
    // A base whose write failed stays loaded so that nothing is lost.
    if (base.Modified && !WriteBinaryWaypointFile(base.FileName, base)) return 0;
    CountBytes(kMemWptBase, -1, -(long long)base.Size);
    std::vector<WaypointRecord>().swap(base.Data);
    base.Size = 0;
    base.Capacity = 0;
    base.Loaded = false;
    base.FileName.clear();
    base.FilePath.clear();
    return 1;
}

int CVornaDoc::SaveAllWptBases() {
    int ok = 1;
    for (WptBase& base : WptAutoBase)
        if (base.Loaded && !WriteBinaryWaypointFile(base.FileName, base)) ok = 0;
    return ok;
}

void CVornaDoc::OnSaveWptDatabase() { SaveAllWptBases(); }

void CVornaDoc::CloseUnusedQuadrants() {
    for (int q = 0; q < kBaseCount; ++q)
        if (WptAutoBase[q].Loaded && WptQInUse[q] <= 0 && SectorSelLevel[q] < 0) CloseQuadrantWptFile(q);
    BasesToClose = 0;
}

int CVornaDoc::GetLiveWptCount(int q) const {
    if (q < 0 || q >= kBaseCount) return 0;
    // The deleted count may come from a counter file that disagrees with the base.
    return std::max(0, WptAutoBase[q].Count - WptAutoBase[q].Deleted);
}

int CVornaDoc::ReallocateBase(WptBase& base) {
    if (!base.Loaded) {
        MsgBox("Internal Error! Base not yet allocated in ReallocateBase!");
        return 0;
    }
    const long long capacity = (long long)base.Capacity + SettingAtLeastOne(base.GrowStep);
    if (capacity > kMaxBaseRecords) {
        MsgBox("Internal Error! Not enough memory for base reallocation in ReallocateBase!");
        return 0;
    }
    try {
        base.Data.resize(std::size_t(capacity), ZeroWaypointRecord());
    } catch (const std::bad_alloc&) {
        MsgBox("Internal Error! Not enough memory for base reallocation in ReallocateBase!");
        return 0;
    }
    const std::uint32_t size = std::uint32_t(capacity) * sizeof(WaypointRecord);
    CountBytes(kMemWptBase, 0, (long long)size - base.Size);
    base.Capacity = int(capacity);
    base.Size = size;
    return 1;
}

void CVornaDoc::ClaimWptBase(int q) {
    if (q >= 0 && q < kBaseCount) ++WptQInUse[q];
}

void CVornaDoc::ReleaseWptBase(int q, const std::string& operation) {
    if (q < 0 || q >= kBaseCount) return;
    if (WptQInUse[q] <= 0) {
        WptQInUse[q] = 0;
        MsgBox("Underflow WptQInUse in " + operation);
        return;
    }
    --WptQInUse[q];
}

const WaypointRecord* CVornaDoc::GetWptRecord(int base, int index) const {
    if (base < 0 || base >= kBaseCount) return nullptr;
    const WptBase& b = WptAutoBase[base];
    if (!b.Loaded || index < 0 || index >= b.Count) return nullptr;
    return &b.Data[index];
}

// ---- counters --------------------------------------------------------------

namespace {
const char* const kCounterFiles[2] = {"WAutoCnt", "WAutoDel"};
}

void CVornaDoc::ReadWptCounters() {
    for (int which = 0; which < 2; ++which) {
        const std::string file = std::string(kCounterFiles[which]) + ".dat";
        std::FILE* f = std::fopen(FindFileNoCase(WptBaseDir() + file).c_str(), "rb");
        if (!f) {
            if (errno == ENOENT)
                MsgBox("Warning! " + file +
                       " file not found. You shoud check the database in order to restore missing data?");
            else
                MsgBox("Error! " + file +
                       " file can not be read - you probably do not have permission to access or it is used "
                       "by another application.");
            continue;
        }
        std::int32_t table[kBaseCount] = {};
        const bool regular = FileLength(f) >= 0;
        const std::size_t got = regular ? std::fread(table, sizeof(std::int32_t), kBaseCount, f) : 0;
        const bool failed = !regular || std::ferror(f);
        std::fclose(f);
        if (failed) {  // keep the counts we have rather than zeros
            MsgBox("Error! " + file +
                   " file can not be read - you probably do not have permission to access or it is used "
                   "by another application.");
            continue;
        }
        if (got < std::size_t(kBaseCount))
            MsgBox(std::string("Warning ") + kCounterFiles[which] + " file shorter then expected");
        for (int q = 0; q < kBaseCount; ++q) {
            WptBase& b = WptAutoBase[q];
            // No base can hold more records than its holder can address.
            const int v = std::clamp<std::int32_t>(table[q], 0, kMaxBaseRecords);
            // A loaded base knows its records better than the file does.
            if (b.Loaded && which == 0) continue;
            (which == 0 ? b.Count : b.Deleted) = v;
        }
    }
}

void CVornaDoc::WriteWptCounters() {
    for (int which = 0; which < 2; ++which) {
        const std::string file = std::string(kCounterFiles[which]) + ".dat";
        std::int32_t table[kBaseCount];
        for (int q = 0; q < kBaseCount; ++q)
            table[q] = which == 0 ? WptAutoBase[q].Count : WptAutoBase[q].Deleted;
        switch (WriteWholeFile(FindFileNoCase(WptBaseDir() + file), table, sizeof table)) {
            case WptWriteResult::Ok:
                break;
            case WptWriteResult::CannotCreate:
                MsgBox("Error! Can not open " + file + " file for writing. File is write protected");
                break;
            case WptWriteResult::WriteFailed:
                MsgBox("Error writing " + file + " file");
                break;
        }
    }
}

// ---- track log -------------------------------------------------------------

void CVornaDoc::ClearTrackLog(int n) {
    CVornaApp* app = VornaAppOrNull();
    TrackLog.GrowStep = SettingAtLeastOne(app ? app->trackLogOverdraft : 1050);
    if (n < 0) n = 0;
    if (TrackLog.Allocated) CountBytes(kMemTrackLog, -1, -(long long)TrackLog.Size);
    std::vector<TrackPoint>().swap(TrackLog.Data);
    TrackLog.Allocated = false;
    TrackLog.Size = 0;
    TrackLog.Capacity = 0;
    TrackLog.Count = 0;
    TrackSelStart = TrackSelEnd = -1;
    const long long capacity = (long long)n + TrackLog.GrowStep;
    try {
        if (capacity > kMaxTrackPoints) throw std::bad_alloc();
        TrackLog.Data.assign(std::size_t(capacity), ZeroTrackPoint());
    } catch (const std::bad_alloc&) {
        MsgBox("Internal Error! Not enough memory for TrackLog.Data in ClearTrackLog!");
        return;
    }
    TrackLog.Allocated = true;
    TrackLog.Capacity = int(capacity);
    TrackLog.Size = std::uint32_t(capacity) * sizeof(TrackPoint);
    CountBytes(kMemTrackLog, 1, TrackLog.Size);
}

int CVornaDoc::ReallocateTrackLog() {
    if (!TrackLog.Allocated) {
        MsgBox("Internal Error! TrackLog not yet allocated in ReallocateTrackLog!");
        return 0;
    }
    const long long capacity = (long long)TrackLog.Capacity + SettingAtLeastOne(TrackLog.GrowStep);
    try {
        if (capacity > kMaxTrackPoints) throw std::bad_alloc();
        TrackLog.Data.resize(std::size_t(capacity), ZeroTrackPoint());
    } catch (const std::bad_alloc&) {
        MsgBox("Internal Error! Not enough memory for TrackLog reallocation in ReallocateTrackLog!");
        return 0;
    }
    const std::uint32_t size = std::uint32_t(capacity) * sizeof(TrackPoint);
    CountBytes(kMemTrackLog, 0, (long long)size - TrackLog.Size);
    TrackLog.Capacity = int(capacity);
    TrackLog.Size = size;
    return 1;
}

int CVornaDoc::ReadBinaryTrackLogFile(const std::string& name) {
    if (TrackLog.Allocated) return 1;
    TrackLog.FileName = name;
    const std::string path = FindFileNoCase(name + ".dat");
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        const int err = errno;
        ClearTrackLog(0);
        if (err == ENOENT) return 1;
        // Keep an unreadable file: an empty log must not delete it at the end.
        TrackLog.ReadFailed = true;
        MsgBox("Error reading Binary TrackLog file");
        return 0;
    }
    const long long length = FileLength(f);
    const long long points = length < 0 ? -1 : length / (long long)sizeof(TrackPoint);
    if (points < 0 || points > kMaxTrackPoints) {
        std::fclose(f);
        ClearTrackLog(0);
        TrackLog.ReadFailed = true;
        MsgBox("Error reading Binary TrackLog file");
        return 0;
    }
    ClearTrackLog(int(points));
    if (!TrackLog.Allocated) {
        std::fclose(f);
        TrackLog.ReadFailed = true;
        return 0;
    }
    const std::size_t got =
        points ? std::fread(TrackLog.Data.data(), sizeof(TrackPoint), std::size_t(points), f) : 0;
    std::fclose(f);
    TrackLog.Count = int(got);
    if (got < std::size_t(points)) {
        TrackLog.ReadFailed = true;
        MsgBox("Error reading Binary TrackLog file");
        return 0;
    }
    return 1;
}

int CVornaDoc::WriteBinaryTrackLogFile(const std::string& name) {
    const std::string path = FindFileNoCase(name + ".dat");
    if (TrackLog.Allocated && TrackLog.Count > 0) {
        switch (
            WriteWholeFile(path, TrackLog.Data.data(), std::size_t(TrackLog.Count) * sizeof(TrackPoint))) {
            case WptWriteResult::Ok:
                return 1;
            case WptWriteResult::CannotCreate:
                MsgBox("Error! TrackLog file " + name +
                       ".dat can not be saved because it is write protected!");
                return 0;
            case WptWriteResult::WriteFailed:
                MsgBox("Error writing Binary TrackLog file");
                return 0;
        }
        return 0;
    }
    if (TrackLog.ReadFailed) return 0;
    if (RemoveFile(path) == WptRemoveResult::Failed) {
        MsgBox("Error! Empty TrackLog file " + name +
               ".dat can not be deleted because it is write protected!");
        return 0;
    }
    return 1;
}

void CVornaDoc::OnClearTrackLog() {
    ClearTrackLog(0);
    UpdateAllViews(nullptr, 0);
}
