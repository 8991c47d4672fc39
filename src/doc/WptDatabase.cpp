// Waypoint bases, their claims and their counter files.
#include "doc/WptDatabase.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "geo/Convert.h"
#include "platform/AtomicFile.h"
#include "platform/DamagedFile.h"
#include "platform/DataFile.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

namespace {

const char* const kCounterFiles[2] = {"WAutoCnt", "WAutoDel"};

int AtLeastOne(int value) { return value < 1 ? 1 : value; }

// Capacity for count records plus a grow step, kept within the holder's limit.
int CapacityFor(int count, int step, int limit) {
    long long c = (long long)count + step;
    if (c > limit) c = count;
    return int(std::max<long long>(c, 1));
}

}  // namespace

CWptDatabase::CWptDatabase(AppSettings& settings, const DocServices& services, DocUpdateSink update)
    : m_Settings(settings),
      m_Memory(services.memory),
      m_Geo(services.geo),
      m_NewDatabase(services.newWptDatabase),
      m_Update(std::move(update)),
      m_Bases(kBaseCount),
      m_Claims(kBaseCount, 0),
      m_SelLevel(kBaseCount, -1),
      m_Undo(settings.undoStackSize, services.memory) {
    for (WptBase& b : m_Bases) b.GrowStep = AtLeastOne(settings.autoWptBaseOverdraft);
    m_Claims[kTempBase] = 1;
}

CWptDatabase::~CWptDatabase() {
    for (WptBase& b : m_Bases)
        if (b.Loaded) m_Memory.CountFree(kMemWptBase, (long long)b.Size);
}

void CWptDatabase::Open() {
    if (!m_NewDatabase) ReadWptCounters();
    OpenQuadrantWptFile(kTempBase);
}

bool CWptDatabase::SaveAll() {
    bool ok = WriteWptCounters();
    for (WptBase& b : m_Bases)
        if (b.Loaded && b.Modified && !WriteBinaryWaypointFile(b.FileName, b)) ok = false;
    return ok;
}

void CWptDatabase::Close() {
    WriteWptCounters();
    for (int q = 0; q < kBaseCount; ++q) {
        CloseQuadrantWptFile(q);
        m_Claims[std::size_t(q)] = 0;
    }
}

std::string CWptDatabase::BaseFolder() const {
    std::string dir = m_Settings.wptBaseDir;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

void CWptDatabase::ReportWriteFailure(WptBase& base, const std::string& text) {
    if (!base.WriteFailShown) MsgBox(text);
    base.WriteFailShown = true;
}

// ---- bases -----------------------------------------------------------------

int CWptDatabase::ReadBinaryWaypointFile(const std::string& name, WptBase& base) {
    if (base.Loaded) return 1;
    const std::string path = FindDataFile(name + ".wdb");
    bool damaged = false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (errno != ENOENT) {
            // An existing file we cannot read is not an empty base: writing
            // or deleting it afterwards would lose its waypoints.
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
        const int capacity = CapacityFor(count, AtLeastOne(base.GrowStep), kMaxBaseRecords);
        try {
            base.Data.resize(std::size_t(capacity));
        } catch (const std::bad_alloc&) {
            std::fclose(f);
            MsgBox("Internal Error! Not enough memory for read base->Data in ReadBinaryWaypointFile!");
            return 0;
        }
        const std::size_t got = count ? std::fread(base.Data.data(), sizeof(WaypointRecord), count, f) : 0;
        std::fclose(f);
        if (got < std::size_t(count)) MsgBox("Error reading Binary Waypoint file");
        // The room beyond the records may hold bytes of the last short read.
        std::memset(static_cast<void*>(base.Data.data() + got), 0,
                    (base.Data.size() - got) * sizeof(WaypointRecord));
        base.Capacity = capacity;
        base.Count = int(got);
        // A record cut short: the whole ones are kept, and the base is
        // written back cleaned once a copy of the damaged file is kept beside it.
        damaged = length % (long long)sizeof(WaypointRecord) != 0 && got == std::size_t(count);
    }
    // The deleted count stays the counter file's: a wrong one is the integrity
    // check's to find, and only the user's Yes there corrects it.
    base.Size = std::uint32_t(base.Capacity) * sizeof(WaypointRecord);
    base.Loaded = true;
    base.LoadFailed = 0;
    base.FileName = name;
    base.FilePath = path;
    m_Memory.CountAlloc(kMemWptBase, base.Size);
    if (damaged) {
        base.Modified = 1;
        // Said once a run; the base is complete before the box can paint.
        const int count = base.Count;
        if (base.DamageShown) {
            KeepDamagedCopy(path);
        } else {
            base.DamageShown = true;
            ReportDamagedFile(path, KeptOf(count, count + 1LL, "waypoint record"));
        }
    }
    return 1;
}

int CWptDatabase::WriteBinaryWaypointFile(const std::string& name, WptBase& base) {
    const std::string fault = WriteBaseFile(name, base);
    if (fault.empty()) return 1;
    ReportWriteFailure(base, fault);
    return 0;
}

std::string CWptDatabase::WriteBaseFile(const std::string& name, WptBase& base) {
    // A base that is not loaded has nothing in memory to stand for its file.
    if (!base.Loaded) return {};
    const std::string path =
        (name == base.FileName && !base.FilePath.empty()) ? base.FilePath : name + ".wdb";
    if (base.Count > 0) {
        // The selection mark lives only in memory: clear it in the bytes written.
        std::vector<WaypointRecord> out(base.Data.begin(), base.Data.begin() + base.Count);
        for (WaypointRecord& r : out) r.Flags &= std::uint16_t(~kWptSelected);
        const AtomicWriteResult r =
            WriteFileAtomically(path, out.data(), out.size() * sizeof(WaypointRecord));
        if (r.WriteProtected())
            return "Error! Waypoint file " + name + ".wdb can not be saved because it is write protected!";
        if (!r.ok()) return "Error writing Binary Waypoint file " + path + ": " + r.Reason();
    } else if (RemoveFileIfPresent(path) == RemoveStatus::Failed) {
        return "Error! Empty waypoint file " + name +
               ".wdb can not be deleted because it is write protected!";
    }
    base.Modified = 0;
    base.WriteFailShown = false;
    return {};
}

int CWptDatabase::OpenQuadrantWptFile(int q) {
    if (!Valid(q)) return 0;
    WptBase& base = m_Bases[std::size_t(q)];
    if (base.Loaded) return 1;
    const int failedBefore = base.LoadFailed;
    ReadBinaryWaypointFile(BaseFolder() + QuadrantName(q), base);
    if (!base.Loaded) {
        if (!failedBefore) MsgBox("Error opening quadrant Wpt file");
        base.LoadFailed = 1;
        return 0;
    }
    // Marks are not stored: a base read while its sector is selected gets them
    // here, and a stray mark in a foreign file goes.
    const int level = m_SelLevel[std::size_t(q)];
    for (int i = 0; i < base.Count; ++i) UpdateWptSelectionFlag(q, i, level);
    return 1;
}

int CWptDatabase::CloseQuadrantWptFile(int q) {
    if (!Valid(q)) return 0;
    WptBase& base = m_Bases[std::size_t(q)];
    if (!base.Loaded) return 1;
    // A base whose write failed stays loaded so that nothing is lost.
    if (base.Modified && !WriteBinaryWaypointFile(base.FileName, base)) return 0;
    m_Memory.CountFree(kMemWptBase, (long long)base.Size);
    std::vector<WaypointRecord>().swap(base.Data);
    base.Size = 0;
    base.Capacity = 0;
    base.Loaded = false;
    base.FileName.clear();
    base.FilePath.clear();
    return 1;
}

int CWptDatabase::SaveAllWptBases() {
    int ok = 1;
    for (WptBase& base : m_Bases)
        if (base.Loaded && !WriteBinaryWaypointFile(base.FileName, base)) ok = 0;
    return ok;
}

void CWptDatabase::CloseUnusedQuadrants() {
    for (int q = 0; q < kBaseCount; ++q)
        if (m_Bases[std::size_t(q)].Loaded && m_Claims[std::size_t(q)] <= 0 && m_SelLevel[std::size_t(q)] < 0)
            CloseQuadrantWptFile(q);
    m_BasesToClose = false;
}

int CWptDatabase::GetLiveWptCount(int q) const {
    if (!Valid(q)) return 0;
    // The deleted count may come from a counter file that disagrees with the base.
    return std::max(0, m_Bases[std::size_t(q)].Count - m_Bases[std::size_t(q)].Deleted);
}

int CWptDatabase::ReallocateBase(WptBase& base) {
    if (!base.Loaded) {
        MsgBox("Internal Error! Base not yet allocated in ReallocateBase!");
        return 0;
    }
    long long added = 0;
    if (!GrowHolder(base, kMaxBaseRecords, ZeroWaypointRecord(), added)) {
        MsgBox("Internal Error! Not enough memory for base reallocation in ReallocateBase!");
        return 0;
    }
    AddSaturated(m_Memory[kMemWptBase + 1], added);
    return 1;
}

void CWptDatabase::ClaimWptBase(int q) {
    if (Valid(q)) ++m_Claims[std::size_t(q)];
}

void CWptDatabase::ReleaseWptBase(int q, const std::string& operation) {
    if (!Valid(q)) return;
    int& c = m_Claims[std::size_t(q)];
    if (c <= 0) {
        c = 0;
        MsgBox("Underflow WptQInUse in " + operation);
        return;
    }
    --c;
}

const WaypointRecord* CWptDatabase::GetWptRecord(int base, int index) const {
    if (!Valid(base)) return nullptr;
    const WptBase& b = m_Bases[std::size_t(base)];
    if (!b.Loaded || index < 0 || index >= b.Count) return nullptr;
    return &b.Data[std::size_t(index)];
}

void CWptDatabase::UpdateWptSelectionFlag(int base, int index, int level) {
    if (!Valid(base)) return;
    WptBase& b = m_Bases[std::size_t(base)];
    if (!b.Loaded || index < 0 || index >= b.Count) return;
    WaypointRecord& r = b.Data[std::size_t(index)];
    if (!WptIsDeleted(r) && (r.Flags & kWptLevelMask) <= level)
        r.Flags |= kWptSelected;
    else
        r.Flags &= std::uint16_t(~kWptSelected);
}

void CWptDatabase::SelectActiveWptQuadrants(const CRectD& area, QuadrantFlags& flags) {
    for (int q = 0; q < kQuadrantCount; ++q) {
        if (!flags[std::size_t(q)]) continue;
        flags[std::size_t(q)] = 0;
        if (m_Claims[std::size_t(q)] > 0) --m_Claims[std::size_t(q)];
    }
    ForEachClaimProbe(area, kQuadrantMetres, [&](long long x, long long y) {
        const int q = GetQuadrantIndex(double(x), double(y));
        if (q < 0 || flags[std::size_t(q)]) return;
        ++m_Claims[std::size_t(q)];
        flags[std::size_t(q)] = 1;
    });
    // Bases chosen for export stay open though nobody shows them.
    for (int q = 0; q < kQuadrantCount; ++q) {
        if (m_Claims[std::size_t(q)] < 1) {
            if (m_SelLevel[std::size_t(q)] < 0) CloseQuadrantWptFile(q);
        } else {
            OpenQuadrantWptFile(q);
        }
    }
}

void CWptDatabase::DropQuadrantClaims() {
    // "TEMP" keeps its permanent claim; bases chosen for export stay open.
    for (int q = 0; q < kQuadrantCount; ++q) {
        m_Claims[std::size_t(q)] = 0;
        if (m_SelLevel[std::size_t(q)] < 0) CloseQuadrantWptFile(q);
    }
}

// ---- counters --------------------------------------------------------------

void CWptDatabase::ReadWptCounters() {
    for (int which = 0; which < 2; ++which) {
        const std::string file = std::string(kCounterFiles[which]) + ".dat";
        std::FILE* f = OpenDataFile(BaseFolder() + file);
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
        else
            m_StoredCounters[which].assign(table, table + kBaseCount);
        for (int q = 0; q < kBaseCount; ++q) {
            WptBase& b = m_Bases[std::size_t(q)];
            // No base can hold more records than its holder can address.
            const int v = std::clamp<std::int32_t>(table[q], 0, kMaxBaseRecords);
            // A loaded base knows its records better than the file does.
            if (b.Loaded) continue;
            (which == 0 ? b.Count : b.Deleted) = v;
        }
    }
}

std::vector<std::int32_t> CWptDatabase::CounterTable(int which) const {
    std::vector<std::int32_t> table(kBaseCount);
    for (int q = 0; q < kBaseCount; ++q)
        table[std::size_t(q)] = which == 0 ? m_Bases[std::size_t(q)].Count : m_Bases[std::size_t(q)].Deleted;
    return table;
}

bool CWptDatabase::HasUnsavedChanges() const {
    for (const WptBase& b : m_Bases)
        if (b.Loaded && b.Modified) return true;
    return CounterTable(0) != m_StoredCounters[0] || CounterTable(1) != m_StoredCounters[1];
}

bool CWptDatabase::WriteWptCounters() {
    bool ok = true;
    for (int which = 0; which < 2; ++which) {
        const std::string fault = WriteCounterFile(which);
        if (fault.empty()) continue;
        ok = false;
        if (!m_CounterWriteFailShown) MsgBox(fault);
    }
    m_CounterWriteFailShown = !ok;
    return ok;
}

bool CWptDatabase::CounterFileChanged(int which) const {
    return which >= 0 && which < 2 && CounterTable(which) != m_StoredCounters[which];
}

std::string CWptDatabase::WriteCounterFile(int which) {
    // A folder the user may not write to is not to raise boxes for counts that never changed.
    if (!CounterFileChanged(which)) return {};
    const std::string file = std::string(kCounterFiles[which]) + ".dat";
    const std::string path = FindDataFile(BaseFolder() + file);
    std::vector<std::int32_t> table = CounterTable(which);
    const AtomicWriteResult r = WriteFileAtomically(path, table.data(), table.size() * sizeof(std::int32_t));
    if (r.ok()) {
        m_StoredCounters[which] = std::move(table);
        return {};
    }
    return (r.WriteProtected() ? "Error! Can not open " + file + " file for writing. File is write protected"
                               : "Error writing " + file + " file") +
           " " + path + ": " + r.Reason();
}

void CWptDatabase::GiveUpCounterChanges(int which) {
    if (which >= 0 && which < 2) m_StoredCounters[which] = CounterTable(which);
}
