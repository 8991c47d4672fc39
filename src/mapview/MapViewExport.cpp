// The pane's waypoint selection and export commands: the sector under the
// right-click and the waypoints inside the print area.

#include "doc/VornaDoc.h"
#include "doc/WptExport.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/MapTransforms.h"
#include "mapview/MapViewController.h"
#include "platform/CommandIds.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"

bool CMapViewController::Declines(unsigned id) const {
    return id == unsigned(cmd::SelectAllTempWpts) && m_OpenPopup != kPopupImageMap;
}

void CMapViewController::RegisterExportCommands() {
    CCommandMap& m = m_Commands;
    const auto selectSector = [this] {
        if (!m_Doc || m_Desc.mapType == kMapImage || m_Desc.mapType == kMapNone) return;
        m_Doc->SelectWptsAtPosition(m_ContextPos, 4);
        if (m_Doc->Settings().autoSwitchToUnselDiffColor) m_Desc.unselectedWpt = kUnselOtherColour;
        m_Doc->UpdateAllViews(nullptr, kHintAll);
    };
    // Without a map origin there is no map position to act on.
    const auto canSelect = [this](CCmdUI& ui) {
        ui.Enable(m_Desc.layers[kLayerWaypoints] != 0 && m_Desc.mapType != kMapImage &&
                  m_Desc.mapType != kMapNone);
    };
    for (unsigned id : {unsigned(cmd::SelectWptsInSector), unsigned(cmd::SelectAllTempWpts)}) {
        m.AddCommand(id, selectSector);
        m.AddUpdate(id, canSelect);
    }

    m.AddCommand(cmd::ExportWptPrintArea, [this] {
        if (!m_Doc) return;
        if (m_Desc.mapType <= kMapImage) {
            MsgBox("Map origin not set!");
            return;
        }
        const GeorefParams g = DocGeoref(*m_Doc);
        const double hw = PixelsToMetresX(m_Desc.printSize.cx / 2, m_Desc, g);
        const double hh = PixelsToMetresY(m_Desc.printSize.cy / 2, m_Desc, g);
        const CPointD c = m_Desc.printCenter;
        OnFileExportWptPrinted(*m_Doc, m_Doc->Settings(), m_Doc->Geo(), c.easting - hw, c.easting + hw,
                               c.northing + hh, c.northing - hh);
    });
    m.AddUpdate(cmd::ExportWptPrintArea, [this](CCmdUI& ui) { ui.Enable(m_Desc.mapType >= kMapImageGeo); });
}
