#pragma once
// The drawing entry of a map pane, for the screen and the printer: prepares
// the page when printing, claims the segments of the area, paints the map
// picture and the overlays in their fixed order.

#include <string>

#include "doc/MapViewDesc.h"
#include "doc/SegmentCache.h"
#include "mapdraw/MapPicture.h"

class CVornaDoc;
class QPainter;

// segmentFlags/quadrantFlags: the pane's claims for this target (screen or
// print set); null when the pane has no such array (nothing is claimed).
// The descriptor is a copy: printing replaces its origin, offset and zoom.
void DrawDocument(CVornaDoc& doc, QPainter& dc, const DrawTarget& target, MapViewDesc desc,
                  QuadrantFlags* quadrantFlags, SegmentFlags* segmentFlags);

// The title line of a printed sheet (series maps only).
void DrawPrintTitle(const AppSettings& settings, QPainter& dc, const DrawTarget& target, MapViewDesc desc);

// "5125 - 417.5": northing and easting in km, one decimal, a ".0" dropped.
std::string FormatKmPair(double E, double N);

// The page values in 150-dpi pixels from hundredths of a millimetre.
int HmmToPixels(int hmm);
