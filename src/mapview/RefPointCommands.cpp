// The reference-point items of the context menus: mark the grid point on a
// map series, set its pixel on the image, delete the point under the click.
#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "mapview/MapViewController.h"
#include "platform/CommandIds.h"

void CMapViewController::RegisterRefPointCommands() {
    CCommandMap& m = m_Commands;
    m.AddCommand(cmd::RefPointMark, [this] {
        if (m_Doc && m_Desc.mapType >= 0 && !m_Doc->AwaitingRefPixel())
            m_Doc->SetRefPointMapCoords(m_ContextPos.easting, m_ContextPos.northing);
    });
    m.AddUpdate(cmd::RefPointMark, [this](CCmdUI& ui) { ui.Enable(m_Doc && !m_Doc->AwaitingRefPixel()); });
    m.AddCommand(cmd::RefPointSet, [this] {
        if (m_Doc && m_Desc.mapType < 0 && m_Doc->AwaitingRefPixel())
            m_Doc->AddRefPointPixel(SaturatedSum(m_ContextPoint.x(), m_Desc.origin.x),
                                    SaturatedSum(m_ContextPoint.y(), m_Desc.origin.y));
    });
    m.AddUpdate(cmd::RefPointSet, [this](CCmdUI& ui) { ui.Enable(m_Doc && m_Doc->AwaitingRefPixel()); });
    // The points may have changed since the menu opened: the index is checked again.
    m.AddCommand(cmd::RefPointDelete, [this] {
        if (m_Doc) m_Doc->DeleteRefPoint(m_HitB.refPointIndex);
    });
    m.AddUpdate(cmd::RefPointDelete, [this](CCmdUI& ui) {
        ui.Enable(m_Doc && m_HitB.refPointIndex >= 0 && m_HitB.refPointIndex < m_Doc->RefPointCount());
    });
}
