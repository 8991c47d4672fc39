// Overlay painters. The map picture is all a pane shows for now; each
// overlay fills in its painter here.
#include "view/MapOverlays.h"

#include "view/TrackPainter.h"
#include "view/WptPainter.h"

void DrawSearchArea(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&) {}
void DrawAllWaypoints(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc,
                      QuadrantFlags* quadrantFlags) {
    PaintWaypoints(doc, dc, target, desc, quadrantFlags);
}
void DrawTrackLog(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc) {
    PaintTrackLog(doc, dc, target, desc);
}
void DrawRefPoints(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&) {}
void DrawGKGrid(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&) {}
void DrawPrintGrid(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&) {}
void DrawGpsPosition(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&) {}
