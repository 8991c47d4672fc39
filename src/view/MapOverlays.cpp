// Overlay painters. The map picture is all a pane shows for now; each
// overlay fills in its painter here.
#include "view/MapOverlays.h"

void DrawSearchArea(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&) {}
void DrawAllWaypoints(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&, QuadrantFlags*) {}
void DrawTrackLog(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&) {}
void DrawRefPoints(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&) {}
void DrawGKGrid(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&) {}
void DrawPrintGrid(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&) {}
void DrawGpsPosition(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&) {}
void DrawDmrViewPoint(CVornaDoc&, QPainter&, const DrawTarget&, const MapViewDesc&) {}
