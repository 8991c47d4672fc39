#pragma once
// The overlay painters of a map pane, called by DrawDocument in its fixed
// order. Each keeps to its own pens and brushes and restores the painter.

#include "doc/MapViewDesc.h"
#include "doc/SegmentCache.h"
#include "mapdraw/MapPicture.h"

class CVornaDoc;
class QPainter;

void DrawSearchArea(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc);
// Claims the waypoint bases of the visible quadrants through quadrantFlags.
void DrawAllWaypoints(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc,
                      QuadrantFlags* quadrantFlags);
void DrawTrackLog(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc);
// Screen only; decides itself what is drawn (image maps and marked points).
void DrawRefPoints(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc);
void DrawGKGrid(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc);
void DrawPrintGrid(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc);
// The print grid's cell in metres (whole grid steps of the series); false
// when the print area is smaller than one step.
struct MapTypeInfo;
bool PrintGridCells(const MapViewDesc& desc, const MapTypeInfo& series, int& W, int& H);
// Screen only; decides itself what is drawn.
void DrawGpsPosition(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc);
