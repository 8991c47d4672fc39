// Waypoints from outside (exchange files, the receiver): the import and the
// test whether such a waypoint is in the database already.
#include <algorithm>
#include <cmath>

#include "doc/WptDatabase.h"
#include "doc/WptNaming.h"
#include "geo/GeoTransform.h"
#include "geo/TextHelpers.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"

namespace {

// Length of the date and time text at the start of a comment that carried the time.
constexpr std::size_t kTimeTextLength = 15;

// Cut to the field and trimmed again, so that what is checked and compared is
// what the record will hold.
std::string CutToField(std::string s, std::size_t field) {
    if (s.size() > field - 1) s.resize(field - 1);
    TrimRight(s);
    return s;
}

std::string ImportedName(const std::string& name) { return CutToField(Trimmed(name), kWptNameSize); }

std::string ImportedComment(std::string comment, std::int32_t time) {
    if (time > 0 && comment.size() >= kTimeTextLength) comment.erase(0, kTimeTextLength);
    return CutToField(Trimmed(comment), kWptCommentSize);
}

// The shape of a search point name: a letter and at least two digits, for
// the export numbers points past 99 with as many digits as they take (A100).
bool IsSearchPointName(const std::string& s) {
    return s.size() >= 3 && s[0] >= 'A' && s[0] <= 'Z' &&
           std::all_of(s.begin() + 1, s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

// The grid position of a WGS84 one; false (and the message shown) when it
// cannot be converted.
bool CWptDatabase::GridPosition(const GPSrecord& rec, CPointD& p) {
    if (m_Geo.WGS84ToGK(rec.latitude, rec.longitude, p)) return true;
    if (m_Geo.HasLocalEllipsoid() && m_Geo.HasParameters())
        MsgBox("Error! Position of waypoint '" + Trimmed(rec.name) +
               "' can not be converted to map coordinates.");
    else
        MsgBox(kGeoTransformError);
    return false;
}

int CWptDatabase::AddImportedWaypoint(GPSrecord rec) {
    CPointD p;
    if (!GridPosition(rec, p)) return 0;
    return CreateWaypoint(p.easting, p.northing, WptCreateMode::Import, -1, ImportedName(rec.name),
                          ImportedComment(rec.comment, rec.time), rec.time > 0 ? rec.time : 0);
}

bool CWptDatabase::CheckWptExistence(GPSrecord rec) {
    // Without a grid position nothing can be compared. "Not existing" lets the
    // import run, which refuses for the same reason, so nothing is added twice.
    CPointD p;
    if (!GridPosition(rec, p)) return false;
    // Compared in the form the import stores.
    const std::string name = ToUpperAscii(ImportedName(rec.name));

    int q = -1;
    if (CheckTemporaryWptName(name, false).empty()) {
        q = kTempBase;
    } else if (name.size() >= 2) {
        for (int k = 0; k < kQuadrantCount && q < 0; ++k)
            if (QuadrantName(k).compare(0, std::string::npos, name, 0, 2) == 0) q = k;
    }

    bool exists = false;
    if (q >= 0 && OpenQuadrantWptFile(q)) {
        m_BasesToClose = true;
        ClaimWptBase(q);
        const WptBase& b = m_Bases[q];
        int last = -1;
        for (int i = 0; i < b.Count; ++i)
            if (!WptIsDeleted(b.Data[i]) && WptName(b.Data[i]) == name) last = i;
        if (last >= 0) {
            const WaypointRecord& r = b.Data[std::size_t(last)];
            exists = std::hypot(r.E - p.easting, r.N - p.northing) <= m_Settings.existingWptProximity;
        }
        ReleaseWptBase(q, "CheckWptExistence");
    }
    if (!exists && IsSearchPointName(name)) {
        rec.name = name;
        exists = IsSearchFieldPoint(rec);
    }
    CloseUnusedQuadrants();
    return exists;
}

bool CWptDatabase::IsSearchFieldPoint(const GPSrecord& rec) {
    return m_SearchPointTest && m_SearchPointTest(rec);
}
