#include "frame/WptSelectionCommands.h"

#include "doc/VornaDoc.h"
#include "doc/WptExport.h"
#include "mapview/MapViewController.h"
#include "platform/CommandIds.h"
#include "settings/AppSettings.h"

void AddWptSelectionCommands(CCommandMap& map, CVornaDoc& doc, AppSettings& settings,
                             const CGeoTransform& geo, std::function<CMapViewController*()> activeView) {
    const auto run = [&doc, &settings, &geo, activeView](int mode) {
        const int result = doc.RunExportWptDialog(mode);
        if (result > kExportRunCancelled && settings.autoSwitchToUnselDiffColor) {
            if (CMapViewController* c = activeView ? activeView() : nullptr)
                c->Desc().unselectedWpt = kUnselOtherColour;
            doc.UpdateAllViews(nullptr, kHintAll);
        }
        if (mode == 1 && result == kExportRunExport) ExportSelectedWpts(doc, settings, geo);
    };
    map.AddCommand(cmd::SelectWaypoints, [run] { run(0); });
    map.AddCommand(cmd::ExportWptSectors, [run] { run(1); });
}
