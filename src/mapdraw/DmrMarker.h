#pragma once
// The 3-D view on a map pane: the ground area of the last picture, the view
// point with its cone as set now, and as the last picture saw it.

#include "doc/MapViewDesc.h"
#include "mapdraw/MapPicture.h"

class CVornaDoc;
class QPainter;

void DrawDmrInfo(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, const MapViewDesc& desc);
