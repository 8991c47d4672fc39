// Naming rules of waypoints: automatic names per quadrant, the syntax of
// temporary names, duplicate names and the minimum distance.
#include "doc/WptNaming.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "doc/WptDatabase.h"
#include "geo/Convert.h"
#include "geo/TextHelpers.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"

namespace {

constexpr int kMaxAutoNumber = 9999;  // two letters + four digits fill the name field

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number an automatic name carries after its two letters, read as the
// C library's text-to-integer conversion reads it (saturated instead of overflowing).
long long LeadingNumber(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && IsTextSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i) v = std::min(v * 10 + (s[i] - '0'), 1000000000LL);
    return negative ? -v : v;
}

int TruncMetres(double v) { return SaturateToInt(v); }

WptConflictInfo ConflictInfo(const WaypointRecord& existing, const WaypointRecord& fresh) {
    WptConflictInfo info;
    info.existingName = WptName(existing);
    info.existingE = TruncMetres(existing.E);
    info.existingN = TruncMetres(existing.N);
    info.newName = WptName(fresh);
    info.newE = TruncMetres(fresh.E);
    info.newN = TruncMetres(fresh.N);
    info.distance = TruncMetres(std::hypot(fresh.E - existing.E, fresh.N - existing.N));
    return info;
}

}  // namespace

std::string TrimUpperWptName(std::string name) { return ToUpperAscii(Trimmed(name)); }

int CWptDatabase::GetWptBaseIndex(const WaypointRecord& rec) {
    if (rec.Flags & kWptTemporary) return kTempBase;
    return GetQuadrantIndex(rec.E, rec.N);
}

std::string CWptDatabase::GetNewAutoWptName(int base) {
    if (base < 0 || base >= kQuadrantCount) {
        MsgBox("Internal Error! Segment index belongs to temporary waypoints in 'GetNewAutoWptName'");
        return std::string();
    }
    // Numbering from a base we could not read would hand out taken names.
    if (!OpenQuadrantWptFile(base)) return std::string();
    m_BasesToClose = true;
    ClaimWptBase(base);
    const std::string prefix = QuadrantName(base);
    long long highest = 0;
    const WptBase& b = m_Bases[base];
    for (int i = 0; i < b.Count; ++i) {
        const std::string name = WptName(b.Data[i]);
        if (name.size() >= 2 && name.compare(0, 2, prefix) == 0)
            highest = std::max(highest, LeadingNumber(name.substr(2)));
    }
    ReleaseWptBase(base, "'GetNewAutoWptName'");
    if (highest + 1 > kMaxAutoNumber) {
        MsgBox("Error! No automatic waypoint name is left in sector " + prefix +
               " (the numbers are used up to 9999). Compact the database or use a temporary waypoint.");
        return std::string();
    }
    char number[16];
    std::snprintf(number, sizeof number, "%02d", int(highest + 1));
    return prefix + number;
}

std::string CWptDatabase::CheckTemporaryWptName(std::string name, bool showErrors) {
    name = TrimUpperWptName(name);
    std::string reason;
    auto letterOrMinus = [](char c) { return IsUpper(c) || c == '-'; };
    if (name.empty()) {
        reason = "Temporary waypoint name must not be empty!";
    } else if (std::any_of(name.begin(), name.end(),
                           [&](char c) { return !letterOrMinus(c) && !IsDigit(c); })) {
        reason =
            "Temporary waypoint name must include only capital letters 'A'-'Z', numbers '0'-'9' and minus "
            "sign '-'!";
    } else if (name.size() >= 3 && letterOrMinus(name[0]) && letterOrMinus(name[1]) && IsDigit(name[2])) {
        reason = "Temporary waypoint name must not begin with two letters (or '-') plus number combination!";
    }
    if (showErrors && !reason.empty()) MsgBox("Error! " + reason);
    return reason;
}

int CWptDatabase::NewNamedWptNameOK(WaypointRecord* rec, int skipIndex, bool allowReplace) {
    if (!(rec->Flags & kWptTemporary)) {
        MsgBox("Internal Error! Tested waypoint not temporary in 'NewNamedWptNameOK'!");
        return -1;
    }
    for (;;) {
        if (!OpenQuadrantWptFile(kTempBase)) return 0;
        m_BasesToClose = true;
        ClaimWptBase(kTempBase);
        const WptBase& temp = m_Bases[kTempBase];
        const std::string name = WptName(*rec);
        int found = -1;
        for (int i = 0; i < temp.Count; ++i) {
            if (i == skipIndex || WptIsDeleted(temp.Data[i])) continue;
            if (WptName(temp.Data[i]) == name) found = i;
        }
        const WaypointRecord existing = found >= 0 ? temp.Data[found] : ZeroWaypointRecord();
        ReleaseWptBase(kTempBase, "'NewNamedWptNameOK'");
        if (found < 0) return 1;

        WptConflictInfo info = ConflictInfo(existing, *rec);
        if (!m_Dialogs ||
            m_Dialogs->RunWptConflictDialog(
                info, allowReplace ? kWptConflictName : kWptConflictNameNoReplace) != kWptDialogOk)
            return 0;
        const std::string typed = TrimUpperWptName(info.newName).substr(0, kWptNameSize - 1);
        if (!CheckTemporaryWptName(typed, true).empty()) continue;  // the same conflict again
        if (info.result == kWptConflictReplace && allowReplace) {
            RegisterChangedWpt(*rec, found);
            return 0;
        }
        SetWptName(*rec, typed);
    }
}

bool CWptDatabase::CheckNewWptDistance(const WaypointRecord& rec) {
    const int r = m_Settings.minWaypointDistance;
    if (r <= 0) return true;
    WaypointRecord nearest = ZeroWaypointRecord();
    if (GetClosestWptIndex(&nearest, CPointD(rec.E, rec.N), r, r) < 0) return true;
    if (WptName(nearest) == WptName(rec)) return true;  // the waypoint itself, being edited or moved
    WptConflictInfo info = ConflictInfo(nearest, rec);
    return m_Dialogs && m_Dialogs->RunWptConflictDialog(info, kWptConflictDistance) == kWptDialogOk;
}
