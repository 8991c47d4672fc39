// The pane's commands on the context menu's target, the print area, the 3-D
// view point and scrolling.
#include "view/MapViewController.h"

void CMapViewController::SnapPrintFrame(int) {}

void CMapViewController::CenterOnPosition(double, double, double) {}

void CMapViewController::RegisterViewCommands() {}
