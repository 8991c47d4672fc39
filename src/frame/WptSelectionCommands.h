#pragma once
// The main frame's "&Select Waypoints..." and "Waypoints From &Selected
// Sectors...": the document's sector dialog, then the export.

#include <functional>

struct AppSettings;
class CCommandMap;
class CGeoTransform;
class CMapViewController;
class CVornaDoc;

void AddWptSelectionCommands(CCommandMap& map, CVornaDoc& doc, AppSettings& settings,
                             const CGeoTransform& geo, std::function<CMapViewController*()> activeView);
