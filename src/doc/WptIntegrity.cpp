// The integrity check of the whole waypoint database and its compaction.
// The check of one record is the same routine that guards every store
// (CheckWptRecord, WptEdit.cpp), run in its interactive form.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "doc/WptDatabase.h"
#include "platform/Prompt.h"
#include "platform/WaitCursor.h"

namespace {

// A name's first six bytes: equal names have equal keys, and a name field
// without its NUL keys as it will read once the check has terminated it.
std::uint64_t NameKey(const char* name, std::size_t size) {
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < size && i < kWptNameSize - 1 && name[i]; ++i)
        key |= std::uint64_t(std::uint8_t(name[i])) << (8 * i);
    return key;
}
std::uint64_t NameKey(const WaypointRecord& r) { return NameKey(r.Name, kWptNameSize); }

// What the check may change in a base, kept so that Cancel can put it back.
struct BaseState {
    int modified = 0;
    int deleted = 0;
    int count = 0;
    std::vector<WaypointRecord> records;  // taken before the first repair only
    bool saved = false;
};

}  // namespace

bool CWptDatabase::MayHaveDuplicate(int q, int index, const std::string& name) const {
    if (q != m_NameTableBase) return true;
    const std::uint64_t key = NameKey(name.data(), name.size());
    const auto [lo, hi] = std::equal_range(m_NameTable.begin(), m_NameTable.end(), key);
    long long n = hi - lo;
    const WptBase& b = m_Bases[std::size_t(q)];
    if (index >= 0 && index < b.Count && !WptIsDeleted(b.Data[std::size_t(index)]) &&
        NameKey(b.Data[std::size_t(index)]) == key)
        --n;
    return n > 0;
}

int CWptDatabase::CheckDatabaseIntegrity() {
    CWaitCursor wait;
    bool errors = false, unrepaired = false;

    // Counters: opening a base shows whether its stored count was right.
    std::vector<int> storedDeleted(kBaseCount);
    std::vector<char> readable(kBaseCount, 0);
    bool countersWrong = false;
    for (int q = 0; q < kBaseCount; ++q) {
        WptBase& b = m_Bases[std::size_t(q)];
        const int countBefore = b.Count;
        storedDeleted[std::size_t(q)] = b.Deleted;
        // A base that cannot be read is never walked: its records are not known.
        if (!OpenQuadrantWptFile(q)) {
            errors = unrepaired = true;
            continue;
        }
        readable[std::size_t(q)] = 1;
        if (b.Count != countBefore) countersWrong = true;
    }
    m_BasesToClose = true;
    if (countersWrong) {
        MsgBox("Errors detected in waypoint counters! Errors will be automatically corrected.");
        errors = true;
    }

    // From here a Cancel puts every base back as it stands now.
    std::map<int, BaseState> before;
    for (int q = 0; q < kBaseCount; ++q) {
        const WptBase& b = m_Bases[std::size_t(q)];
        if (b.Loaded) before[q] = BaseState{b.Modified, b.Deleted, b.Count, {}, false};
    }
    auto cancel = [&] {
        m_NameTableBase = -1;
        for (auto& [q, s] : before) {
            WptBase& b = m_Bases[std::size_t(q)];
            if (!b.Loaded) continue;
            if (s.saved && b.Count == s.count) std::copy(s.records.begin(), s.records.end(), b.Data.begin());
            b.Modified = s.modified;
            b.Deleted = s.deleted;
        }
        CloseUnusedQuadrants();
        return 0;
    };

    // Records, deleted ones included.
    std::vector<int> counted(kBaseCount, 0);
    for (int q = 0; q < kBaseCount; ++q) {
        if (!readable[std::size_t(q)] || !m_Bases[std::size_t(q)].Loaded) continue;
        ClaimWptBase(q);
        {
            const WptBase& b = m_Bases[std::size_t(q)];
            m_NameTable.clear();
            for (int i = 0; i < b.Count; ++i)
                if (!WptIsDeleted(b.Data[std::size_t(i)]))
                    m_NameTable.push_back(NameKey(b.Data[std::size_t(i)]));
            std::sort(m_NameTable.begin(), m_NameTable.end());
            m_NameTableBase = q;
        }
        // A copy is checked: the check prompts, and the base is looked up again after it.
        for (int i = 0; i < m_Bases[std::size_t(q)].Count; ++i) {
            WaypointRecord rec = m_Bases[std::size_t(q)].Data[std::size_t(i)];
            if (WptIsDeleted(rec)) ++counted[std::size_t(q)];
            const int result = CheckWptRecord(&rec, std::string(), i, q);
            if (result == kWptCheckRefused) {
                ReleaseWptBase(q, "CheckDatabaseIntegrity");
                return cancel();
            }
            WptBase& b = m_Bases[std::size_t(q)];
            if (i >= b.Count) break;
            WaypointRecord& stored = b.Data[std::size_t(i)];
            if (result < 0) {
                errors = true;
                if (result == kWptCheckUnrepaired) unrepaired = true;
            }
            // The silent repairs (a missing NUL) count as no error but reach the file too.
            if (result < 0 || std::memcmp(&rec, &stored, sizeof rec) != 0) {
                BaseState& s = before[q];
                if (!s.saved) {
                    s.records.assign(b.Data.begin(), b.Data.begin() + b.Count);
                    s.saved = true;
                }
                stored = rec;
                b.Modified = 1;
            }
        }
        m_NameTableBase = -1;
        ReleaseWptBase(q, "CheckDatabaseIntegrity");
    }

    // Deleted counts: the stored one against the records.
    for (int q = 0; q < kBaseCount; ++q) {
        if (!readable[std::size_t(q)] || !m_Bases[std::size_t(q)].Loaded) continue;
        const int stored = storedDeleted[std::size_t(q)], actual = counted[std::size_t(q)];
        if (stored == actual) continue;
        errors = true;
        char text[256];
        if (actual > stored)
            std::snprintf(text, sizeof text,
                          "%d deleted auto waypoint(s) found in sector %s, that were not marked for purge.",
                          actual - stored, QuadrantName(q).c_str());
        else
            std::snprintf(
                text, sizeof text,
                "The actual number of deleted auto waypoint(s) in sector %s is by %d lower then marked "
                "in the datbase.",
                QuadrantName(q).c_str(), stored - actual);
        const int answer =
            MsgBox(std::string("Error! ") + text + " Would you like to correct the problem?", MB_YESNOCANCEL);
        if (answer == IDYES) {
            WptBase& b = m_Bases[std::size_t(q)];
            b.Deleted = actual;
            b.Modified = 1;
        } else if (answer == IDNO) {
            unrepaired = true;
        } else {
            return cancel();
        }
    }

    CloseUnusedQuadrants();
    wait.Restore();
    if (!errors)
        MsgBox("SUMMARY: No error found in the database!");
    else if (!unrepaired)
        MsgBox("SUMMARY: Errors found in the database and all have been corrected!");
    else
        MsgBox("SUMMARY: Errors found in the database but NOT all have been corrected!");
    return unrepaired ? 0 : 1;
}

int CWptDatabase::PurgeDatabases() {
    if (MsgBox("Warning! This action will clear undo stack and perform check of database integrity before "
               "compacting the database. Would you like to continue?",
               MB_YESNO) != IDYES)
        return 0;
    m_Undo.Clear();
    if (!CheckDatabaseIntegrity()) {
        MsgBox(
            "Warning! Compacting of the databease will NOT be performed due to the errors in the database.");
        return 0;
    }
    {
        CWaitCursor wait;
        for (int q = 0; q < kBaseCount; ++q) {
            if (m_Bases[std::size_t(q)].Deleted <= 0) continue;
            ClaimWptBase(q);
            // A base that cannot be read keeps its records and its count.
            if (OpenQuadrantWptFile(q)) {
                m_BasesToClose = true;
                WptBase& b = m_Bases[std::size_t(q)];
                for (int i = 0; i < b.Count;) {
                    if (!WptIsDeleted(b.Data[std::size_t(i)])) {
                        ++i;
                        continue;
                    }
                    // The last record fills the hole and is examined in its turn.
                    b.Data[std::size_t(i)] = b.Data[std::size_t(b.Count - 1)];
                    b.Data[std::size_t(--b.Count)] = ZeroWaypointRecord();
                    b.Modified = 1;
                }
                b.Deleted = 0;
            }
            ReleaseWptBase(q, "PurgeDatabases");
        }
    }
    CloseUnusedQuadrants();
    MsgBox("Compacting of the database finished.");
    return 1;
}
