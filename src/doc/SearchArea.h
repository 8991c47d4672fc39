#pragma once
// The search area: a search field (a parallelogram of three points cut into
// bands of points), the perimeter (route slot 0) and nine freely drawn search
// routes. Kept across runs in "<start folder>SearchArea.dat", saved to and
// loaded from ".sad" files, exported as waypoints and routes.

#include <cstdint>
#include <string>

#include "doc/DocServices.h"
#include "geo/Types.h"

struct AppSettings;
class CGeoTransform;
struct GPSrecord;
struct WaypointRecord;

constexpr int kRouteSlots = 10;          // 0 the perimeter, 1-9 search routes
constexpr int kRoutePoints = 30;         // points per slot
constexpr int kMaxSearchBands = 26;      // one letter each
constexpr int kMaxSearchPoints = 65535;  // what the receiver's counters hold
// Records an export adds beside the band points: a header per band and the
// drawn routes with their headers. The band points leave room for them, so
// that one upload list holds the whole area.
constexpr int kSearchRouteRecords = kMaxSearchBands + (kRouteSlots - 1) * (1 + kRoutePoints);
// Band width and point distance in metres: from the millimetre that the
// three decimals of a ".sad" file hold to 1000 km, more than the widened
// area a file's positions may span.
constexpr double kMinSearchSpacing = 0.001;
constexpr double kMaxSearchSpacing = 1e6;
constexpr std::size_t kSearchAreaDatSize = 4908;

struct SearchRoute {
    std::int32_t Count = 0;
    CPointD Points[kRoutePoints];
};

struct SearchAreaData {
    CPointD BaseStart;
    CPointD BaseEnd;
    CPointD DirectionEnd;
    double BandWidth = 150.0;
    double PointDistance = 100.0;
    std::int32_t PointsAtEdge = 0;
    SearchRoute Routes[kRouteSlots];
};

// The search hit's kinds (low byte of the hit code).
enum : unsigned { kSearchHitNone = 0, kSearchHitField = 1, kSearchHitRoute = 2 };

// The bands and points of a complete field. Every user (painting, export, the
// point test) takes them from here, so that they agree and stay bounded.
struct SearchGrid {
    CPointD S, base, dir;  // BaseStart, E - S, V - S
    double L1 = 0, L2 = 0, spacing = 0, pointDistance = 0, offset = 0;
    int nb = 0;      // whole band spacings on the base line
    int bands = 0;   // rows of points drawn and exported
    int points = 0;  // points per band (np + 1)
    bool capped = false;
    // Start of band b (plus offset) and point i of band b.
    CPointD BandStart(int b) const;
    CPointD Point(int b, int i) const;
    // The band's boundary at b (no offset) on the base line.
    CPointD Boundary(int b) const;
    static char BandLetter(int b) { return char('A' + b); }
    static std::string PointName(int b, int i);
};

// False (no grid) unless all three points are set and the field and its
// spacings are positive and finite.
bool MakeSearchGrid(const SearchAreaData& data, SearchGrid& grid);
// Set means a northing other than 0.
inline bool IsSearchPointSet(const CPointD& p) { return p.northing != 0.0; }
// Whether text holds at least one of the three sections of a ".sad" file:
// anything else is some other file, whose missing keys would read as an
// empty area.
bool IsSadText(const std::string& text);

// Where an export goes: a text file or the receiver's upload list. False
// when the record was refused: the export stops there.
class ISearchExportSink {
public:
    virtual ~ISearchExportSink() = default;
    virtual bool Route(int counter, char letter) = 0;
    // routePoint: written as a route point, else as a waypoint.
    virtual bool Point(const WaypointRecord& rec, bool routePoint) = 0;
};

class CSearchArea {
public:
    explicit CSearchArea(DocUpdateSink update = {});

    SearchAreaData& Data() { return m_Data; }
    const SearchAreaData& Data() const { return m_Data; }
    int RouteBeingDrawn[kRouteSlots] = {};

    void ClearSearchField();
    // 1 once DirectionEnd is filled (or all three were set already).
    int AddSearchFieldPoint(CPointD p);
    int NewRoute(int n);
    void AddRoutePoint(int n, CPointD p);
    void EndRoute(int n);
    void DeleteRoute(int n);
    void ClearAll();  // field, routes and being-drawn flags
    int FindFirstRoute() const;
    int FindNextRoute(int n) const;
    int FindPreviousRoute(int n) const;
    bool HasSearchArea() const;
    bool HasFieldPoint() const;  // any corner set

    // Nearest element within the ellipse (rx, ry) around p: the hit code
    // (index << 16 | slot << 8 | 2 for a route point, 1 for a field corner)
    // and its point index (the corner 0-2 or the route point); code 0 none.
    unsigned HitTestSearchElement(CPointD p, double rx, double ry, int* index) const;
    // The point a hit names, looked up afresh; null when it is gone.
    CPointD* SearchPoint(unsigned code, int index);

    // Generates the export; false when the field is incomplete (nothing
    // written) or the sink refused a record (nothing after it written).
    // routesOnly: route headers and band ends only.
    bool ExportSearchArea(ISearchExportSink& sink, bool routesOnly, bool routeThroughAll) const;
    bool IsSearchAreaPoint(const GPSrecord& record, const CGeoTransform& geo, double proximity) const;

    // The autosave; name without ".dat". Load: a missing file keeps the
    // defaults; a short one fills what it holds.
    void LoadSearchAreaDat(const std::string& name);
    // False when not written; an area never read from an unreadable file
    // is not written over it while it is empty.
    // A failure is reported once until a write succeeds.
    bool SaveSearchAreaDat(const std::string& name);
    // The same without a box: "" when written (or not to be written), else
    // the message naming the file and the reason.
    std::string WriteDatFile(const std::string& name);
    // The area differs from its autosave file as last read or written.
    bool Modified() const;
    // The changes are not to be written: they count as stored.
    void GiveUpChanges() { m_Saved = DatBytes(); }
    // The ".sad" text and its reading (missing keys give the defaults).
    // False, with nothing changed, when a value is no number or lies outside
    // what a search area of the map can use: a point is unset (0, 0) or
    // within IsUsableGridPosition, band width and point distance within
    // kMinSearchSpacing..kMaxSearchSpacing.
    std::string SadText() const;
    bool ReadSad(const std::string& text);

    // The 4908 bytes of the autosave and their reading (a short block
    // fills what it holds; counts held to 0..30).
    std::string DatBytes() const;
    void ReadDat(const std::string& bytes);

private:
    void Update();
    bool ValidSlot(int n) const;

    SearchAreaData m_Data;
    DocUpdateSink m_Update;
    bool m_ReadFailed = false;
    bool m_WriteFailShown = false;
    std::string m_Saved;  // the autosave's bytes as last read whole or written; empty: unknown
};
