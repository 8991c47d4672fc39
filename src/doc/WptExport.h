#pragma once
// The waypoint exports of the sector selection and of a grid rectangle, to a
// Waypoint+ file or, with "Export To GPS" on, to the receiver's upload list.

struct AppSettings;
class CGeoTransform;
class CVornaDoc;

// Every marked waypoint of every selected base (bases not loaded are read
// first). Answers the number of waypoints exported, -1 when nothing was
// written (no file chosen, the file failed, the link is busy).
int ExportSelectedWpts(CVornaDoc& doc, AppSettings& settings, const CGeoTransform& geo);
// Every live waypoint with left <= E <= right and bottom <= N <= top, of any
// base: the quadrants the rectangle touches are claimed for the run.
int OnFileExportWptPrinted(CVornaDoc& doc, AppSettings& settings, const CGeoTransform& geo, double left,
                           double right, double top, double bottom);
