#pragma once
// Waypoints on a map pane: a filled marker and a name label per waypoint in
// the style of its level or kind, and the client rectangle one waypoint
// covers, so a pane can repaint just that after a change.

#include <QColor>
#include <QFont>
#include <QRect>
#include <cstdint>

#include "doc/MapViewDesc.h"
#include "doc/SegmentCache.h"
#include "doc/WptTypes.h"
#include "mapdraw/MapTransforms.h"
#include "settings/AppSettings.h"

class CVornaDoc;
class QPainter;
struct DrawTarget;

constexpr int kWptStyleCount = 6;

// A point marker around p: the ellipse spans columns p.x-rx+1 .. p.x+rx+1
// and rows p.y-ry .. p.y+ry (one column right of centre, as the markers
// have always been placed).
inline QRect MarkerBox(MapPoint p, int rx, int ry) {
    return QRect(p.x - rx + 1, p.y - ry, 2 * rx + 1, 2 * ry + 1);
}

// 0 for a temporary waypoint, else its level; levels beyond the table (6
// and 7 come only from damaged files) take the last style.
int WptStyleIndex(std::uint16_t flags);
// The settings row of a style: with the per-level switch off every style
// takes the default row.
const WptStyle& WptStyleRow(const CAppearanceSettings& a, int style);
QFont WptLabelFont(const CAppearanceSettings& a, const WptStyle& row, double zoomY);
// A fading value held to 0..10.
int ClampFading(int f);

// Everything painted for rec lies inside this rectangle (client pixels).
QRect GetWaypointRect(const CAppearanceSettings& a, const MapViewDesc& desc, const GeorefParams& geo,
                      const WaypointRecord& rec);
QRect GetWaypointRect(const CVornaDoc& doc, const MapViewDesc& desc, const WaypointRecord& rec);

// Claims the bases of the quadrants under the pane through quadrantFlags
// (none given: draws what is loaded) and paints every waypoint.
void PaintWaypoints(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc,
                    QuadrantFlags* quadrantFlags);
// The waypoint layer kept between paints (this thread's).
class OverlayCache;
OverlayCache& WptOverlayCache();
