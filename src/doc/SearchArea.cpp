#include "doc/SearchArea.h"

#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "doc/GpsRecord.h"
#include "doc/Grids.h"
#include "doc/WptTypes.h"
#include "geo/Convert.h"
#include "geo/GeoTransform.h"
#include "platform/AtomicFile.h"
#include "platform/ByteOrder.h"
#include "platform/DamagedFile.h"
#include "platform/DataFile.h"
#include "platform/Profile.h"
#include "platform/Prompt.h"

namespace {

constexpr std::size_t kRouteBytes = 4 + kRoutePoints * 16;
static_assert(68 + kRouteSlots * kRouteBytes == kSearchAreaDatSize);

// Number texts always with a decimal point, whatever the locale.
class CNumericLocale {
public:
    CNumericLocale() : m_C(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0))) {
        if (m_C) m_Old = uselocale(m_C);
    }
    ~CNumericLocale() {
        if (m_C) {
            uselocale(m_Old);
            freelocale(m_C);
        }
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t m_C;
    locale_t m_Old = static_cast<locale_t>(0);
};

void StoreDouble(std::string& out, double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    char b[8];
    StoreLE32(b, std::uint32_t(bits));
    StoreLE32(b + 4, std::uint32_t(bits >> 32));
    out.append(b, 8);
}

void StoreInt(std::string& out, std::int32_t v) {
    char b[4];
    StoreLE32(b, std::uint32_t(v));
    out.append(b, 4);
}

// Reads fields in order from a block that may end early: what is missing
// keeps its value.
struct FieldReader {
    const std::string& bytes;
    std::size_t pos = 0;
    void Double(double& v) {
        if (pos + 8 <= bytes.size()) {
            const std::uint64_t bits =
                LoadLE32(bytes.data() + pos) | std::uint64_t(LoadLE32(bytes.data() + pos + 4)) << 32;
            std::memcpy(&v, &bits, 8);
        }
        pos += 8;
    }
    void Int(std::int32_t& v) {
        if (pos + 4 <= bytes.size()) v = LoadLE32s(bytes.data() + pos);
        pos += 4;
    }
    // Through copies: the points sit unaligned in the byte-packed record.
    void Point(CPointD& p) {
        double e = p.easting, n = p.northing;
        Double(e);
        Double(n);
        p.easting = e;
        p.northing = n;
    }
};

std::int32_t ClampCount(long long n) { return std::int32_t(std::clamp<long long>(n, 0, kRoutePoints)); }

double Distance(const CPointD& a, const CPointD& b) {
    return std::sqrt((a.easting - b.easting) * (a.easting - b.easting) +
                     (a.northing - b.northing) * (a.northing - b.northing));
}

double ParseNumber(const std::string& text) {
    CNumericLocale c;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    return end == text.c_str() ? 0.0 : v;
}

WaypointRecord ExportRecord(const CPointD& p, const std::string& name) {
    WaypointRecord r = ZeroWaypointRecord();
    r.E = p.easting;
    r.N = p.northing;
    SetWptName(r, name);
    return r;
}

}  // namespace

// ---- grid ------------------------------------------------------------------------

CPointD SearchGrid::BandStart(int b) const {
    const double f = (b + offset) * spacing / L1;
    return CPointD(S.easting + f * base.easting, S.northing + f * base.northing);
}

CPointD SearchGrid::Boundary(int b) const {
    const double f = b * spacing / L1;
    return CPointD(S.easting + f * base.easting, S.northing + f * base.northing);
}

CPointD SearchGrid::Point(int b, int i) const {
    const CPointD p = BandStart(b);
    const double f = i * pointDistance / L2;
    return CPointD(p.easting + f * dir.easting, p.northing + f * dir.northing);
}

std::string SearchGrid::PointName(int b, int i) { return std::string(1, BandLetter(b)) + Format("%.2d", i); }

bool MakeSearchGrid(const SearchAreaData& d, SearchGrid& g) {
    g = SearchGrid();
    if (!IsSearchPointSet(d.BaseStart) || !IsSearchPointSet(d.BaseEnd) || !IsSearchPointSet(d.DirectionEnd))
        return false;
    g.S = d.BaseStart;
    g.base = CPointD(d.BaseEnd.easting - d.BaseStart.easting, d.BaseEnd.northing - d.BaseStart.northing);
    g.dir =
        CPointD(d.DirectionEnd.easting - d.BaseStart.easting, d.DirectionEnd.northing - d.BaseStart.northing);
    g.L1 = Distance(d.BaseEnd, d.BaseStart);
    g.L2 = Distance(d.DirectionEnd, d.BaseStart);
    if (!(g.L1 > 0) || !(g.L2 > 0) || !std::isfinite(g.L1) || !std::isfinite(g.L2)) return false;
    if (!(d.BandWidth > 0) || !(d.PointDistance > 0) || !std::isfinite(d.BandWidth) ||
        !std::isfinite(d.PointDistance))
        return false;
    const double c = (g.dir.easting * g.base.easting + g.dir.northing * g.base.northing) / (g.L1 * g.L2);
    const double a = std::acos(std::clamp(c, -1.0, 1.0));
    const double s = std::sin(a);
    // Collinear corners leave no width to cut into bands.
    if (!(s > 1e-12)) return false;
    g.spacing = d.BandWidth / s;
    g.pointDistance = d.PointDistance;
    const double nb = std::trunc(g.L1 / g.spacing), np = std::trunc(g.L2 / g.pointDistance);
    if (!std::isfinite(nb) || !std::isfinite(np)) return false;
    g.nb = int(std::min(nb, double(kMaxSearchPoints)));
    const bool edge = d.PointsAtEdge != 0;
    g.offset = edge ? 0.0 : 0.5;
    long long bands = edge ? 1LL + g.nb : g.nb;
    long long points = (long long)std::min(np, double(kMaxSearchPoints)) + 1;
    if (bands > kMaxSearchBands) {
        bands = kMaxSearchBands;
        g.capped = true;
    }
    if (bands > 0 && bands * points > kMaxSearchPoints - kSearchRouteRecords) {
        points = (kMaxSearchPoints - kSearchRouteRecords) / bands;
        g.capped = true;
    }
    g.bands = int(bands);
    g.points = int(points);
    g.nb = std::min(g.nb, int(bands));  // boundaries drawn only where bands are
    return true;
}

// ---- store -----------------------------------------------------------------------

CSearchArea::CSearchArea(DocUpdateSink update) : m_Update(std::move(update)) {}

void CSearchArea::Update() {
    if (m_Update) m_Update(kHintAll, nullptr);
}

bool CSearchArea::ValidSlot(int n) const {
    if (n >= 0 && n < kRouteSlots) return true;
    MsgBox("Internal Error! Invalid Route number.");
    return false;
}

void CSearchArea::ClearSearchField() { m_Data.BaseStart = m_Data.BaseEnd = m_Data.DirectionEnd = CPointD(); }

int CSearchArea::AddSearchFieldPoint(CPointD p) {
    int done = 0;
    if (!IsSearchPointSet(m_Data.BaseStart))
        m_Data.BaseStart = p;
    else if (!IsSearchPointSet(m_Data.BaseEnd))
        m_Data.BaseEnd = p;
    else {
        if (!IsSearchPointSet(m_Data.DirectionEnd)) m_Data.DirectionEnd = p;
        done = 1;
    }
    Update();
    return done;
}

int CSearchArea::NewRoute(int n) {
    if (n < 0) {
        for (int r = 1; r < kRouteSlots && n < 0; ++r)
            if (m_Data.Routes[r].Count <= 0) n = r;
        if (n < 0) {
            MsgBox("Maximum number of routes exceeded!");
            return -1;
        }
    } else if (n >= kRouteSlots) {
        MsgBox("Internal Error! Invalid Route number.");
        return -1;
    }
    m_Data.Routes[n].Count = 0;
    RouteBeingDrawn[n] = 1;
    Update();
    return n;
}

void CSearchArea::AddRoutePoint(int n, CPointD p) {
    if (!ValidSlot(n)) return;
    SearchRoute& r = m_Data.Routes[n];
    r.Count = ClampCount(r.Count);
    if (r.Count >= kRoutePoints) {
        MsgBox("Maximum number of points per route exceeded!");
        return;
    }
    r.Points[r.Count++] = p;
    Update();
}

void CSearchArea::EndRoute(int n) {
    if (!ValidSlot(n)) return;
    RouteBeingDrawn[n] = 0;
    Update();
}

void CSearchArea::DeleteRoute(int n) {
    if (!ValidSlot(n)) return;
    m_Data.Routes[n].Count = 0;
    Update();
}

void CSearchArea::ClearAll() {
    ClearSearchField();
    for (int r = 0; r < kRouteSlots; ++r) {
        m_Data.Routes[r].Count = 0;
        RouteBeingDrawn[r] = 0;
    }
}

int CSearchArea::FindFirstRoute() const { return FindNextRoute(0); }

int CSearchArea::FindNextRoute(int n) const {
    for (int r = std::max(n + 1, 1); r < kRouteSlots; ++r)
        if (m_Data.Routes[r].Count > 0) return r;
    return -1;
}

int CSearchArea::FindPreviousRoute(int n) const {
    for (int r = std::min(n - 1, kRouteSlots - 1); r >= 1; --r)
        if (m_Data.Routes[r].Count > 0) return r;
    return -1;
}

bool CSearchArea::HasFieldPoint() const {
    return IsSearchPointSet(m_Data.BaseStart) || IsSearchPointSet(m_Data.BaseEnd) ||
           IsSearchPointSet(m_Data.DirectionEnd);
}

bool CSearchArea::HasSearchArea() const {
    for (const SearchRoute& r : m_Data.Routes)
        if (r.Count > 0) return true;
    return HasFieldPoint();
}

unsigned CSearchArea::HitTestSearchElement(CPointD p, double rx, double ry, int* index) const {
    unsigned code = 0;
    double best = 1.0;
    int found = -1;
    if (!(rx > 0) || !(ry > 0)) return 0;
    const auto test = [&](const CPointD& q, unsigned c, int i) {
        const double dE = q.easting - p.easting, dN = q.northing - p.northing;
        const double d = dE * dE / (rx * rx) + dN * dN / (ry * ry);
        if (d < best) {
            best = d;
            code = c;
            found = i;
        }
    };
    for (int r = 0; r < kRouteSlots; ++r) {
        const int n = ClampCount(m_Data.Routes[r].Count);
        for (int i = 0; i < n; ++i)
            test(m_Data.Routes[r].Points[i], unsigned(i) << 16 | unsigned(r) << 8 | kSearchHitRoute, i);
    }
    const CPointD* corners[3] = {&m_Data.BaseStart, &m_Data.BaseEnd, &m_Data.DirectionEnd};
    for (int k = 0; k < 3; ++k) test(*corners[k], kSearchHitField, k);
    if (index) *index = found;
    return code;
}

CPointD* CSearchArea::SearchPoint(unsigned code, int index) {
    if ((code & 0xFF) == kSearchHitField) {
        CPointD* corners[3] = {&m_Data.BaseStart, &m_Data.BaseEnd, &m_Data.DirectionEnd};
        return index >= 0 && index < 3 ? corners[index] : nullptr;
    }
    if ((code & 0xFF) != kSearchHitRoute) return nullptr;
    const int slot = int((code >> 8) & 0xFF);
    if (slot >= kRouteSlots || index < 0 || index >= ClampCount(m_Data.Routes[slot].Count)) return nullptr;
    return &m_Data.Routes[slot].Points[index];
}

// ---- export ----------------------------------------------------------------------

bool CSearchArea::ExportSearchArea(ISearchExportSink& sink, bool routesOnly, bool routeThroughAll) const {
    SearchGrid g;
    if (!MakeSearchGrid(m_Data, g)) return false;
    const bool routes = routeThroughAll || routesOnly;
    int counter = 0;
    for (int b = 0; b < g.bands; ++b) {
        if (routes && !sink.Route(++counter, SearchGrid::BandLetter(b))) return false;
        for (int i = 0; i < g.points; ++i) {
            if (routesOnly && i != 0 && i != g.points - 1) continue;
            if (!sink.Point(ExportRecord(g.Point(b, i), SearchGrid::PointName(b, i)), routes)) return false;
        }
    }
    if (routes) {
        for (int r = 1; r < kRouteSlots; ++r) {
            const int n = ClampCount(m_Data.Routes[r].Count);
            if (n <= 0) continue;
            const char letter = char('Q' + r);
            if (!sink.Route(++counter, letter)) return false;
            for (int j = 0; j < n; ++j)
                if (!sink.Point(
                        ExportRecord(m_Data.Routes[r].Points[j], std::string(1, letter) + Format("%.2d", j)),
                        true))
                    return false;
        }
    }
    return true;
}

bool CSearchArea::IsSearchAreaPoint(const GPSrecord& record, const CGeoTransform& geo,
                                    double proximity) const {
    CPointD p;
    if (!geo.WGS84ToGK(record.latitude, record.longitude, p)) {
        MsgBox("Error! Geodetic transformation parameters not set.");
        p = CPointD();
    }
    const auto near = [&](const CPointD& q) { return Distance(q, p) <= proximity; };
    SearchGrid g;
    if (MakeSearchGrid(m_Data, g))
        for (int b = 0; b < g.bands; ++b)
            for (int i = 0; i < g.points; ++i)
                if (SearchGrid::PointName(b, i) == record.name && near(g.Point(b, i))) return true;
    for (int r = 1; r < kRouteSlots; ++r) {
        const int n = ClampCount(m_Data.Routes[r].Count);
        for (int j = 0; j < n; ++j)
            if (std::string(1, char('Q' + r)) + Format("%.2d", j) == record.name &&
                near(m_Data.Routes[r].Points[j]))
                return true;
    }
    return false;
}

// ---- files -----------------------------------------------------------------------

bool IsSadText(const std::string& text) {
    CProfile ini;
    ini.SetText(text);
    for (const char* section : {"SEARCH AREA PERIMETER", "SEARCH FIELD", "SEARCH ROUTES"})
        if (ini.HasSection(section)) return true;
    return false;
}

std::string CSearchArea::DatBytes() const {
    std::string out;
    out.reserve(kSearchAreaDatSize);
    StoreDouble(out, m_Data.BandWidth);
    StoreDouble(out, m_Data.PointDistance);
    StoreInt(out, m_Data.PointsAtEdge);
    for (const CPointD* p : {&m_Data.BaseStart, &m_Data.BaseEnd, &m_Data.DirectionEnd}) {
        StoreDouble(out, p->easting);
        StoreDouble(out, p->northing);
    }
    for (const SearchRoute& r : m_Data.Routes) {
        StoreInt(out, ClampCount(r.Count));
        for (const CPointD& p : r.Points) {
            StoreDouble(out, p.easting);
            StoreDouble(out, p.northing);
        }
    }
    return out;
}

void CSearchArea::ReadDat(const std::string& bytes) {
    FieldReader f{bytes};
    f.Double(m_Data.BandWidth);
    f.Double(m_Data.PointDistance);
    f.Int(m_Data.PointsAtEdge);
    f.Point(m_Data.BaseStart);
    f.Point(m_Data.BaseEnd);
    f.Point(m_Data.DirectionEnd);
    for (SearchRoute& r : m_Data.Routes) {
        f.Int(r.Count);
        r.Count = ClampCount(r.Count);
        for (CPointD& p : r.Points) f.Point(p);
    }
}

void CSearchArea::LoadSearchAreaDat(const std::string& name) {
    const std::string path = FindDataFile(name + ".dat");
    m_Saved.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        // Nothing is lost while the defaults stay as they are.
        if (errno == ENOENT) {
            m_Saved = DatBytes();
            return;
        }
        m_ReadFailed = true;
        MsgBox("Error! SearchAreaData file " + name + ".dat can not be read!");
        return;
    }
    const long long length = FileLength(f);
    std::string bytes(kSearchAreaDatSize, '\0');
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        m_ReadFailed = true;
        MsgBox("Error! SearchAreaData file " + name + ".dat can not be read!");
        return;
    }
    bytes.resize(got);
    ReadDat(bytes);
    // A file of another size is damaged: it counts as changed, so it is rewritten.
    if (got == kSearchAreaDatSize && length == (long long)kSearchAreaDatSize) m_Saved = std::move(bytes);
    // The file is rewritten whole at the end; what it held beyond or short
    // of the one size it can have is kept beside it.
    if (length >= 0 && length != (long long)kSearchAreaDatSize) {
        const std::string size = std::to_string(kSearchAreaDatSize);
        ReportDamagedFile(
            path, length < (long long)kSearchAreaDatSize
                      ? "kept the first " + std::to_string(got) + " of the " + size + " bytes it should have"
                      : "kept the first " + size + " of its " + std::to_string(length) + " bytes");
    }
}

bool CSearchArea::Modified() const {
    if (m_ReadFailed && !HasSearchArea()) return false;
    return DatBytes() != m_Saved;
}

bool CSearchArea::SaveSearchAreaDat(const std::string& name) {
    // What could not be read is not replaced by an area the user never made.
    if (m_ReadFailed && !HasSearchArea()) return false;
    const std::string fault = WriteDatFile(name);
    if (fault.empty()) {
        m_WriteFailShown = false;
        return true;
    }
    if (!m_WriteFailShown) MsgBox(fault);
    m_WriteFailShown = true;
    return false;
}

std::string CSearchArea::WriteDatFile(const std::string& name) {
    if (m_ReadFailed && !HasSearchArea()) return {};
    std::string bytes = DatBytes();
    const AtomicWriteResult r = WriteFileAtomically(FindDataFile(name + ".dat"), bytes);
    if (r.ok()) {
        m_ReadFailed = false;
        m_Saved = std::move(bytes);
        return {};
    }
    if (r.WriteProtected())
        return "Error! SearchAreaData file " + name + ".dat can not be saved because it is write protected!";
    return "Error! SearchAreaData file " + name + ".dat can not be saved: " + r.Reason();
}

std::string CSearchArea::SadText() const {
    CNumericLocale c;
    std::string t;
    const auto pt = [&t](const std::string& prefix, const CPointD& p) {
        t += Format("%s Northing=%.3f\n", prefix.c_str(), p.northing);
        t += Format("%s Easting=%.3f\n", prefix.c_str(), p.easting);
    };
    const SearchRoute& per = m_Data.Routes[0];
    t += "[SEARCH AREA PERIMETER]\n";
    t += Format("Search Area Perimeter Point Count=%d\n", int(ClampCount(per.Count)));
    for (int i = 0; i < ClampCount(per.Count); ++i)
        pt(Format("Search Area Perimeter Point %d", i), per.Points[i]);
    t += "[SEARCH FIELD]\n";
    pt("Search Base Start", m_Data.BaseStart);
    pt("Search Base End", m_Data.BaseEnd);
    pt("Search Vector End", m_Data.DirectionEnd);
    t += Format("Search Search Band=%.3f\n", m_Data.BandWidth);
    t += Format("Search Point Dist=%.3f\n", m_Data.PointDistance);
    t += Format("Search Points Edge=%d\n", int(m_Data.PointsAtEdge));
    t += "[SEARCH ROUTES]\n";
    for (int r = 1; r < kRouteSlots; ++r) {
        const int n = ClampCount(m_Data.Routes[r].Count);
        t += Format("Search Route %d Point Count=%d\n", r, n);
        for (int j = 0; j < n; ++j) pt(Format("Search Route %d Point %d", r, j), m_Data.Routes[r].Points[j]);
    }
    return t;
}

bool CSearchArea::ReadSad(const std::string& text) {
    CProfile ini;
    ini.SetText(text);
    bool ok = true;
    const auto num = [&](const char* section, const std::string& key, const char* def) {
        const std::string value = ini.GetString(section, key, def, 255);
        ok = ok && StartsWithNumber(value);
        return ParseNumber(value);
    };
    const auto pt = [&](const char* section, const std::string& prefix) {
        const CPointD p(num(section, prefix + " Easting", "0"), num(section, prefix + " Northing", "0"));
        // Unset, or where the map can show it: 1e300 would be written back
        // as 300 digits the reader cuts short.
        ok = ok && ((p.easting == 0 && p.northing == 0) || IsUsableGridPosition(p.easting, p.northing));
        return p;
    };
    const auto spacing = [&](const char* section, const char* key, const char* def) {
        const double v = num(section, key, def);
        ok = ok && v >= kMinSearchSpacing && v <= kMaxSearchSpacing;
        return v;
    };
    SearchAreaData d = m_Data;
    const char* field = "SEARCH FIELD";
    d.BaseStart = pt(field, "Search Base Start");
    d.BaseEnd = pt(field, "Search Base End");
    d.DirectionEnd = pt(field, "Search Vector End");
    d.BandWidth = spacing(field, "Search Search Band", "150");
    d.PointDistance = spacing(field, "Search Point Dist", "100");
    d.PointsAtEdge = ini.GetInt(field, "Search Points Edge", 0);
    SearchRoute& per = d.Routes[0];
    per.Count = ClampCount(ini.GetInt("SEARCH AREA PERIMETER", "Search Area Perimeter Point Count", 0));
    for (int i = 0; i < kRoutePoints; ++i)
        per.Points[i] = pt("SEARCH AREA PERIMETER", Format("Search Area Perimeter Point %d", i));
    for (int r = 1; r < kRouteSlots; ++r) {
        SearchRoute& route = d.Routes[r];
        route.Count = ClampCount(ini.GetInt("SEARCH ROUTES", Format("Search Route %d Point Count", r), 0));
        for (int j = 0; j < kRoutePoints; ++j)
            route.Points[j] = pt("SEARCH ROUTES", Format("Search Route %d Point %d", r, j));
    }
    if (ok) m_Data = d;
    return ok;
}
