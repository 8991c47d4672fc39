#pragma once
// The 3-D view's parameters as the frame's commands and the control panel
// change them, and the view-point files (".dvp") that hold a view point with
// its height, heading, elevation and view angle.

#include <string>

#include "settings/AppSettings.h"

// Heading into [0, 360) by whole turns (360 and 720 give 0); NaN and
// infinities give 0.
double NormalizeAzimut(double a);

// Turns the view by degrees (positive: clockwise) and lets go of the GPS.
void TurnDmrHeading(DmrParams& p, double degrees);
// Moves the view point by metres along the heading (forward) and across it
// (right), and lets go of the GPS.
void MoveDmrViewPoint(DmrParams& p, double forward, double right);
// One step up (+1) or down (-1): 10 m of relative or 100 m of absolute
// height; never below 1 m.
void RaiseDmrViewPoint(DmrParams& p, int direction);

// The height the "Rel." flag selects, and the top of the panel's height bar.
int& DmrCurrentHeight(DmrParams& p);
inline int DmrHeightMaximum(const DmrParams& p) { return p.IsRelHeight ? 1000 : 5000; }

// The seven lines of a view-point file.
std::string DmrViewPointText(const DmrParams& p);
// Reads a view-point file into p; a file shorter than seven lines repeats its
// last line, the heading comes into [0, 360). False when the file cannot be
// opened or read, or a line is no number or outside what a view of the map
// can use; p is then unchanged.
bool ReadDmrViewPoint(const std::string& path, DmrParams& p);
// Writes p's view point through the atomic writer; false when that fails or
// when the reader would refuse a value.
bool WriteDmrViewPoint(const std::string& path, const DmrParams& p);
