// Creating, registering, editing, moving and deleting waypoints, the nearest
// waypoint search and the strict record check that guards every store.
#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>
#include <new>

#include "doc/WptDatabase.h"
#include "doc/WptNaming.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"

namespace {

std::int32_t Now() { return std::int32_t(std::time(nullptr)); }

// Ends every editing operation the same way, on every path.
struct CloseUnusedAtEnd {
    CWptDatabase* db;
    ~CloseUnusedAtEnd() { db->CloseUnusedQuadrants(); }
};

// Holds a base open across prompts: a claimed base is never closed.
struct BaseClaim {
    CWptDatabase& db;
    int q;
    const char* operation;
    BaseClaim(CWptDatabase& d, int base, const char* op) : db(d), q(base), operation(op) {
        db.ClaimWptBase(q);
    }
    ~BaseClaim() { db.ReleaseWptBase(q, operation); }
    BaseClaim(const BaseClaim&) = delete;
    BaseClaim& operator=(const BaseClaim&) = delete;
};

}  // namespace

// ---- nearest points ----------------------------------------------------------

int CWptDatabase::GetClosestWptIndex(WaypointRecord* out, CPointD pos, int rx, int ry) {
    if (rx <= 0 || ry <= 0) return -1;
    if (GetQuadrantIndex(pos.easting, pos.northing) < 0) return -1;
    int probed[9];
    int probes = 0;
    for (int i = -1; i <= 1; ++i) {
        for (int j = -1; j <= 1; ++j) {
            const int q = GetQuadrantIndex(pos.easting + 2.0 * i * rx, pos.northing + 2.0 * j * ry);
            if (q < 0) return -1;
            if (std::find(probed, probed + probes, q) == probed + probes) probed[probes++] = q;
        }
    }
    const double rx2 = double(rx) * rx, ry2 = double(ry) * ry;
    double best = 1.0;
    int bestIndex = -1;
    // A copy: opening the next base may prompt, and a prompt may let the
    // bases searched so far be closed.
    WaypointRecord bestRec = ZeroWaypointRecord();
    auto search = [&](int q, const char* operation) {
        if (!OpenQuadrantWptFile(q)) return;
        m_BasesToClose = true;
        ClaimWptBase(q);
        const WptBase& b = m_Bases[std::size_t(q)];
        for (int k = 0; k < b.Count; ++k) {
            const WaypointRecord& r = b.Data[std::size_t(k)];
            if (WptIsDeleted(r)) continue;
            const double dE = r.E - pos.easting, dN = r.N - pos.northing;
            // Outside the ellipse's box: no division on the records far away.
            if (std::abs(dE) >= rx || std::abs(dN) >= ry) continue;
            const double d = dE * dE / rx2 + dN * dN / ry2;
            if (d < best) {
                best = d;
                bestIndex = k;
                bestRec = r;
            }
        }
        ReleaseWptBase(q, operation);
    };
    for (int k = 0; k < probes; ++k) search(probed[k], "GetClosestWptIndex");
    search(kTempBase, "GetClosestWptIndex (2)");
    if (bestIndex >= 0 && out) *out = bestRec;
    return bestIndex;
}

// ---- the strict (and interactive) record check ---------------------------------

int CWptDatabase::CheckWptRecord(WaypointRecord* rec, const std::string& location, int index, int base) {
    const bool registration = base < 0;
    std::string prefix = "Internal Error! ", where = location, question;
    unsigned buttons = MB_OK;
    if (registration) {
        base = GetWptBaseIndex(*rec);
        if (base < 0) {
            MsgBox("Internal Error! Coordinates out of range" + location);
            return kWptCheckRefused;
        }
    } else {
        if (base >= kBaseCount) return kWptCheckRefused;
        prefix = "Error in Base! ";
        where = " in segment " + QuadrantName(base);
        question = " Would you like to correct the problem?";
        buttons = MB_YESNOCANCEL;
    }
    if (rec->Name[kWptNameSize - 1] != 0) {
        rec->Name[kWptNameSize - 1] = 0;
        MsgBox(prefix + "Name of the waypoint '" + WptName(*rec) + "' not null terminated" + where +
               " Error will be automatically corrected.");
    }
    if (rec->Comment[kWptCommentSize - 1] != 0) {
        rec->Comment[kWptCommentSize - 1] = 0;
        MsgBox(prefix + "Comment of the waypoint '" + WptName(*rec) + "' not null terminated" + where +
               " Error will be automatically corrected.");
    }
    if (!OpenQuadrantWptFile(base)) return kWptCheckRefused;
    m_BasesToClose = true;
    const BaseClaim claim(*this, base, "CheckWptRecord");

    int errors = 0, unrepaired = 0;
    bool aborted = false;
    // One failing check: true while the check may go on.
    auto fail = [&](const std::string& text, auto repair) {
        ++errors;
        const int answer = MsgBox(prefix + text + question, buttons);
        if (registration || (answer != IDYES && answer != IDNO)) {
            aborted = true;
            return false;
        }
        if (answer == IDNO) {
            ++unrepaired;
        } else if (!repair()) {
            MsgBox("Sorry! Fix not implemented yet");
            ++unrepaired;
        }
        return true;
    };
    auto noFix = [] { return false; };
    const std::string name = WptName(*rec);
    const WptBase& b = m_Bases[std::size_t(base)];
    // A deleted record clashes with no name. The walk over a stored base meets
    // both records of a pair: only the later one reports it.
    const bool earlierOnly = !registration && index >= 0;
    auto duplicates = [&] {
        if (WptIsDeleted(*rec) || !MayHaveDuplicate(base, index, name)) return true;
        // Indexes, not pointers: the loop prompts, and the count is read again after each prompt.
        for (int i = 0; i < b.Count && !aborted && !(earlierOnly && i >= index); ++i) {
            const WaypointRecord& other = b.Data[std::size_t(i)];
            if (i == index || WptIsDeleted(other) || &other == rec) continue;
            if (WptName(other) == name &&
                !fail("Duplicate name of the waypoint " + name + " found" + where, noFix))
                return false;
        }
        return !aborted;
    };

    if (base == kTempBase && !(rec->Flags & kWptTemporary) &&
        !fail("Waypoint " + name + " marked as non-temporary found" + where,
              [&] { return rec->Flags |= kWptTemporary, true; }))
        return kWptCheckRefused;
    if (base != kTempBase && (rec->Flags & kWptTemporary) &&
        !fail("Waypoint " + name + " marked as temporary found" + where,
              [&] { return rec->Flags &= std::uint16_t(~kWptTemporary), true; }))
        return kWptCheckRefused;
    if (base != kTempBase) {
        const int actual = GetQuadrantIndex(rec->E, rec->N);
        if (actual != base &&
            !fail(actual < 0 ? "Waypoint " + name + "with coordinates out of range found" + where
                             : "Waypoint " + name + " does not lie" + where,
                  noFix))
            return kWptCheckRefused;
    }
    if (rec->Flags & kWptTemporary) {
        if (name.empty() && !fail("No name specified for waypoint " + where, noFix)) return kWptCheckRefused;
        if (!duplicates()) return kWptCheckRefused;
        const std::string reason = CheckTemporaryWptName(name, true);
        if (!reason.empty() &&
            !fail("Invalid waypoint name " + name + " found" + where + " " + reason, noFix))
            return kWptCheckRefused;
    } else {
        const std::string prefix2 = QuadrantName(base);
        if (name.compare(0, 2, prefix2) != 0 &&
            !fail("Name of the waypoint " + name + " does not correspond to the segment name" + where, noFix))
            return kWptCheckRefused;
        for (std::size_t i = 2; i < name.size(); ++i)
            if ((name[i] < '0' || name[i] > '9') &&
                !fail("Name of the waypoint " + name + " does not have correct format" + where, noFix))
                return kWptCheckRefused;
        if (!duplicates()) return kWptCheckRefused;
    }
    if ((rec->Flags & kWptLevelMask) >= 5 &&
        !fail("Invalid level of the waypoint " + name + " found" + where,
              [&] { return rec->Flags &= std::uint16_t(~kWptLevelMask), true; }))
        return kWptCheckRefused;
    if ((rec->Flags & kWptObject) && !fail("Invalid object flag of the waypoint " + name + " found" + where,
                                           [&] { return rec->Flags &= std::uint16_t(~kWptObject), true; }))
        return kWptCheckRefused;
    if ((rec->Flags & kWptReserved) &&
        !fail("Non-empty reserved flags of the waypoint " + name + " found" + where,
              [&] { return rec->Flags &= std::uint16_t(~kWptReserved), true; }))
        return kWptCheckRefused;
    if (errors == 0) return base;
    return unrepaired ? kWptCheckUnrepaired : kWptCheckRepaired;
}

// ---- registration -----------------------------------------------------------------

int CWptDatabase::RegisterNewWpt(WaypointRecord rec, int linked) {
    const int q = CheckWptRecord(&rec, " in 'RegisterNewWpt'.", -1, -1);
    if (q < 0 || !OpenQuadrantWptFile(q)) return 0;
    WptBase& b = m_Bases[q];
    ClaimWptBase(q);
    rec.Modified = Now();
    // Nothing is appended after a failed growth: no record, no undo entry, no hint.
    if (b.Count >= b.Capacity && !ReallocateBase(b)) {
        ReleaseWptBase(q, "RegisterNewWpt");
        return 0;
    }
    const int index = b.Count;
    b.Data[index] = rec;
    ++b.Count;
    UpdateWptSelectionFlag(q, index, m_SelLevel[q]);
    b.Modified = 1;
    UndoRecord u;
    u.UndoType = kUndoCreated;
    u.Base = std::int16_t(q);
    u.Index = index;
    u.Linked = linked ? 1 : 0;
    m_Undo.Push(std::move(u));
    const WaypointRecord added = b.Data[index];
    ReleaseWptBase(q, "RegisterNewWpt");
    Notify(added);
    return 1;
}

int CWptDatabase::RegisterChangedWpt(WaypointRecord rec, int index) {
    const int q = CheckWptRecord(&rec, " in 'RegisterChangedWpt'.", index, -1);
    if (q < 0 || !OpenQuadrantWptFile(q)) return 0;
    WptBase& b = m_Bases[q];
    if (index < 0 || index >= b.Count) {
        MsgBox("Internal Error! Index of waypoint out of range in 'RegisterChangedWpt'!");
        return 0;
    }
    const WaypointRecord& stored = b.Data[index];
    // A deleted record is brought back only by undo, which keeps the counts right.
    if (((rec.Flags & kWptTemporary) == 0 && WptName(stored) != WptName(rec)) || WptIsDeleted(stored) ||
        WptIsDeleted(rec)) {
        MsgBox("Internal Error! Selected auto waypoint not found in 'RegisterChangedWpt'!");
        return 0;
    }
    std::unique_ptr<WaypointRecord> old;
    try {
        old = std::make_unique<WaypointRecord>(stored);
    } catch (const std::bad_alloc&) {
        MsgBox("Internal Error! Not enough memory for undo record in 'RegisterChangedWpt'!");
        return 0;
    }
    ClaimWptBase(q);
    rec.Modified = Now();
    const WaypointRecord before = stored;
    b.Data[index] = rec;
    b.Modified = 1;
    UpdateWptSelectionFlag(q, index, m_SelLevel[q]);
    UndoRecord u;
    u.UndoType = kUndoChanged;
    u.Base = std::int16_t(q);
    u.Index = index;
    u.OldRecord = std::move(old);
    m_Undo.Push(std::move(u));
    const WaypointRecord after = b.Data[index];
    ReleaseWptBase(q, "RegisterChangedWpt");
    Notify(before);
    Notify(after);
    return 1;
}

int CWptDatabase::VerifyWptIndex(const WaypointRecord& rec, int base, int index, const std::string& caller) {
    if (base < 0 || base >= kBaseCount) {
        MsgBox("Error! Coordinates out of range in " + caller + "!");
        return 0;
    }
    if (!OpenQuadrantWptFile(base)) return 0;
    m_BasesToClose = true;
    const WptBase& b = m_Bases[base];
    if (index < 0 || index >= b.Count) {
        MsgBox("Error! Index of waypoint out of range in " + caller + "!");
        return 0;
    }
    // A stale copy of a waypoint deleted meanwhile does not match either.
    if (WptName(b.Data[index]) != WptName(rec) || WptIsDeleted(b.Data[index])) {
        MsgBox("Error! Selected auto waypoint not found in " + caller + "!");
        return 0;
    }
    return 1;
}

// ---- creation -----------------------------------------------------------------------

int CWptDatabase::CreateWaypoint(double E, double N, WptCreateMode mode, int mapType, const std::string& name,
                                 const std::string& comment, std::int32_t time) {
    CloseUnusedAtEnd closer{this};
    E = std::trunc(E * 1000.0) / 1000.0;
    N = std::trunc((N - 5000000.0) * 1000.0) / 1000.0 + 5000000.0;

    WaypointRecord rec = ZeroWaypointRecord();
    rec.E = E;
    rec.N = N;
    rec.Created = rec.Modified = Now();
    const int wptLevel = m_Settings.wptLevel;
    int level = 0;
    if (wptLevel >= 0 && wptLevel <= 4)
        level = wptLevel;
    else if (mapType >= 0 && mapType < kMapTypeCount)
        level = m_Settings.mapTypes[mapType].series & kWptLevelMask;
    rec.Flags = std::uint16_t(level | (m_Settings.wptDefaultLabelPosition & kWptLabelMask));

    int autoBase = -1;
    if (mode == WptCreateMode::Import) {
        const std::string n = TrimUpperWptName(name);
        if (!n.empty()) SetWptName(rec, n);
        if (!comment.empty()) SetWptComment(rec, comment);
        if (time != 0) rec.Created = time;
        rec.Flags |= kWptImported;
    } else if (!m_CreateTemporary) {
        autoBase = GetQuadrantIndex(E, N);
        if (autoBase < 0) {
            MsgBox("Error! Coordinates out of range");
            return 0;
        }
        const std::string n = GetNewAutoWptName(autoBase);
        if (n.empty()) return 0;
        SetWptName(rec, n);
        if (mode == WptCreateMode::Click) {
            if (!CheckNewWptDistance(rec)) return 0;
            return RegisterNewWpt(rec, 0);
        }
    }

    if (m_CreateTemporary || mode == WptCreateMode::Import) rec.Flags |= kWptTemporary;
    const bool skipDialog = mode == WptCreateMode::Import && CheckTemporaryWptName(name, true).empty();
    if (!skipDialog && (!m_Dialogs || m_Dialogs->RunWptDialog(rec, "Waypoint") != kWptDialogOk)) return 0;

    if (rec.Flags & kWptTemporary) {
        SetWptName(rec, TrimUpperWptName(WptName(rec)));
        if (NewNamedWptNameOK(&rec, -1, true) == 0) return 0;
    } else {
        const int q = GetWptBaseIndex(rec);
        if (q < 0) {
            MsgBox("Error! Coordinates out of range");
            return 0;
        }
        if (q != autoBase || WptName(rec) == "???") {
            const std::string n = GetNewAutoWptName(q);
            if (n.empty()) return 0;
            SetWptName(rec, n);
        }
    }
    if (!CheckNewWptDistance(rec)) return 0;
    return RegisterNewWpt(rec, 0);
}

// ---- editing, moving, deleting ------------------------------------------------------------

int CWptDatabase::DeleteWaypoint(WaypointRecord rec, int index) {
    CloseUnusedAtEnd closer{this};
    const int q = GetWptBaseIndex(rec);
    if (!VerifyWptIndex(rec, q, index, "'DeleteWaypoint'")) return 0;
    WptBase& b = m_Bases[q];
    ClaimWptBase(q);
    b.Data[index].Flags |= kWptDeleted;
    ++b.Deleted;
    b.Modified = 1;
    UpdateWptSelectionFlag(q, index, m_SelLevel[q]);
    UndoRecord u;
    u.UndoType = kUndoDeleted;
    u.Base = std::int16_t(q);
    u.Index = index;
    m_Undo.Push(std::move(u));
    ReleaseWptBase(q, "DeleteWaypoint");
    Notify(rec);
    return 1;
}

// Moves a record to another base: the deletion and the creation form one undo
// step; a refused creation takes the deletion back.
int CWptDatabase::MoveAcrossBases(const WaypointRecord& old, int index, const WaypointRecord& moved) {
    if (!DeleteWaypoint(old, index)) return 0;
    if (RegisterNewWpt(moved, 1)) return 1;
    const int q = GetWptBaseIndex(old);
    const int top = m_Undo.Count() - 1;
    const bool entryKept = top >= 0 && m_Undo.At(top).UndoType == kUndoDeleted && m_Undo.At(top).Base == q &&
                           m_Undo.At(top).Index == index;
    if (entryKept) {
        Undo(0);
    } else if (OpenQuadrantWptFile(q)) {
        // No undo entry to take back (no undo stack): restore the record directly.
        WptBase& b = m_Bases[std::size_t(q)];
        if (index < b.Count && WptIsDeleted(b.Data[std::size_t(index)])) {
            b.Data[std::size_t(index)].Flags &= std::uint16_t(~kWptDeleted);
            if (b.Deleted > 0) --b.Deleted;
            b.Modified = 1;
            UpdateWptSelectionFlag(q, index, m_SelLevel[std::size_t(q)]);
            const WaypointRecord restored = b.Data[std::size_t(index)];
            Notify(restored);
        }
    }
    return 0;
}

int CWptDatabase::EditWaypoint(WaypointRecord rec, int index) {
    CloseUnusedAtEnd closer{this};
    const int q = GetWptBaseIndex(rec);
    if (!VerifyWptIndex(rec, q, index, "'EditWaypoint'")) return 0;
    WaypointRecord edited = rec;
    if (!m_Dialogs || m_Dialogs->RunWptDialog(edited, "Waypoint") != kWptDialogOk) return 0;
    const int nq = GetWptBaseIndex(edited);
    if (nq < 0) {
        MsgBox("Error! New coordinates out of range");
        return 0;
    }
    bool changed = false;
    if (WptName(edited) != WptName(rec)) {
        changed = true;
        if ((edited.Flags & kWptTemporary) && NewNamedWptNameOK(&edited, -1, true) == 0) return 0;
    }
    if (edited.E != rec.E || edited.N != rec.N) {
        changed = true;
        if (!CheckNewWptDistance(edited)) return 0;
    }
    if (edited.Flags != rec.Flags || WptComment(edited) != WptComment(rec)) changed = true;
    if (nq != q) {
        if (!(edited.Flags & kWptTemporary)) {
            const std::string n = GetNewAutoWptName(nq);
            if (n.empty()) return 0;
            SetWptName(edited, n);
        }
        // Leaving a quadrant warns also when the waypoint becomes a temporary one.
        if (q != kTempBase)
            MsgBox(
                "Warning! Waypoint has been moved out of the current sector and it's name will be "
                "automatically changed to '" +
                WptName(edited) + "'!");
        return MoveAcrossBases(rec, index, edited);
    }
    return changed ? RegisterChangedWpt(edited, index) : 0;
}

int CWptDatabase::MoveWaypoint(WaypointRecord rec, int index, CPointD pos) {
    CloseUnusedAtEnd closer{this};
    const int q = GetWptBaseIndex(rec);
    if (!VerifyWptIndex(rec, q, index, "'MoveWaypoint'")) return 0;
    WaypointRecord moved = rec;
    moved.E = pos.easting;
    moved.N = pos.northing;
    const int nq = GetWptBaseIndex(moved);
    if (nq < 0) {
        MsgBox("Error! New coordinates out of range");
        return 0;
    }
    if (!CheckNewWptDistance(moved)) return 0;
    if (nq != q) {
        const std::string n = GetNewAutoWptName(nq);
        if (n.empty()) return 0;
        SetWptName(moved, n);
        MsgBox(
            "Warning! Auto waypoint has been moved out of the current sector and it's name will be "
            "automatically changed to '" +
            n + "'!");
        return MoveAcrossBases(rec, index, moved);
    }
    return RegisterChangedWpt(moved, index);
}

int CWptDatabase::SetWptLevel(WaypointRecord rec, int index, int level) {
    CloseUnusedAtEnd closer{this};
    if (level < 0 || level > 4) {
        MsgBox("Internal Error! Level out of range in 'SetWptLevel'!");
        return 0;
    }
    if (!VerifyWptIndex(rec, GetWptBaseIndex(rec), index, "'SetWptLevel'")) return 0;
    rec.Flags = std::uint16_t((rec.Flags & ~kWptLevelMask) | level);
    return RegisterChangedWpt(rec, index);
}

int CWptDatabase::SetWptLabelPosition(WaypointRecord rec, int index, int label) {
    CloseUnusedAtEnd closer{this};
    if (((label & 0xFF) >> 4) > 3) {
        MsgBox("Internal Error! Label position out of range in 'SetWptLabelPosition'!");
        return 0;
    }
    if (!VerifyWptIndex(rec, GetWptBaseIndex(rec), index, "'SetWptLabelPosition'")) return 0;
    rec.Flags = std::uint16_t((rec.Flags & ~kWptLabelMask) | (label & kWptLabelMask));
    return RegisterChangedWpt(rec, index);
}

int CWptDatabase::ChangeWptTo(WaypointRecord, int) {
    MsgBox("Not implemented yet!");
    return 0;
}
