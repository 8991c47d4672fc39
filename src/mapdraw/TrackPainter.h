#pragma once
// The track log on a map pane: a polyline broken at segment starts, the
// selected range in its own colour, optional point markers; and the client
// rectangle a newly arrived piece of track covers.

#include <QRect>

#include "doc/MapViewDesc.h"
#include "geo/Types.h"
#include "mapdraw/MapTransforms.h"
#include "settings/AppSettings.h"

class CVornaDoc;
class QPainter;
struct DrawTarget;

void PaintTrackLog(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc);
// The track layer kept between paints (this thread's).
class OverlayCache;
OverlayCache& TrackOverlayCache();

// Covers the three points' lines, their markers and the GPS position cross.
QRect GetTrackPieceRect(const CAppearanceSettings& a, const MapViewDesc& desc, const GeorefParams& geo,
                        const CGpsTriple& piece);
QRect GetTrackPieceRect(const CVornaDoc& doc, const MapViewDesc& desc, const CGpsTriple& piece);
