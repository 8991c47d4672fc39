// The pane's search-area commands: the field's corners, drawing the
// perimeter and the routes, deleting a route and going to each element.
#include "doc/VornaDoc.h"
#include "mapview/MapViewController.h"
#include "platform/CommandIds.h"
#include "platform/Prompt.h"

void CMapViewController::EndRouteDrawing() {
    if (HasCapture()) OnGrabLost();
    if (m_MouseMode == MouseMode::Normal) return;
    if (m_MouseMode == MouseMode::DrawRoute && m_Doc && m_RouteNumber >= 0) m_Doc->EndRoute(m_RouteNumber);
    if (m_MouseMode == MouseMode::DrawRoute) m_RouteNumber = -1;
    SetMouseMode(MouseMode::Normal);
}

void CMapViewController::CancelSearchDrag() {
    m_Drag = DragKind::None;
    if (!m_Doc) return;
    if (CPointD* q = m_Doc->SearchArea().SearchPoint(m_DragSearchCode, m_DragSearchIndex))
        *q = m_DragSearchStart;
    m_Doc->UpdateAllViews(nullptr, kHintAll);
}

void CMapViewController::CenterOnRoute(int slot) {
    if (!m_Doc || slot < 0 || slot >= kRouteSlots || m_Doc->SearchData().Routes[slot].Count <= 0) return;
    const CPointD p = m_Doc->SearchData().Routes[slot].Points[0];
    CenterOnPosition(p.easting, p.northing, 0.0);
}

void CMapViewController::RegisterSearchCommands() {
    const auto setCorner = [this](CPointD SearchAreaData::*corner) {
        return [this, corner] {
            if (!m_Doc) return;
            m_Doc->SearchArea().Data().*corner = m_ContextPos;
            m_Doc->UpdateAllViews(nullptr, kHintAll);
        };
    };
    m_Commands.AddCommand(cmd::SetSearchBaseStart, setCorner(&SearchAreaData::BaseStart));
    m_Commands.AddCommand(cmd::SetSearchBaseEnd, setCorner(&SearchAreaData::BaseEnd));
    m_Commands.AddCommand(cmd::SetSearchDirectionEnd, setCorner(&SearchAreaData::DirectionEnd));
    m_Commands.AddCommand(cmd::NewSearchField, [this] {
        if (!m_Doc) return;
        m_Doc->ClearSearchField();
        SetMouseMode(MouseMode::NewSearchField);
        m_Doc->UpdateAllViews(nullptr, kHintAll);
    });
    // A refused slot leaves the drawing as it was (the mode may go on).
    const auto startRoute = [this](int n) {
        return [this, n] {
            if (!m_Doc) return;
            const int slot = m_Doc->NewRoute(n);
            if (slot < 0) return;
            m_RouteNumber = slot;
            SetMouseMode(MouseMode::DrawRoute);
        };
    };
    m_Commands.AddCommand(cmd::NewSearchRoute, startRoute(-1));
    m_Commands.AddCommand(cmd::DrawSearchPerimeter, startRoute(0));
    m_Commands.AddCommand(cmd::EndRouteDrawing, [this] { EndRouteDrawing(); });
    m_Commands.AddCommand(cmd::DeleteSearchRoute, [this] {
        if (!m_Doc || m_HitB.SearchKind() != kSearchHitRoute) return;
        if (MsgBox("Do you really want to delete route/perimeter defined by this point?",
                   MB_YESNO | MB_ICONQUESTION) == IDNO)
            return;
        m_Doc->DeleteRoute(m_HitB.RouteNumber());
    });

    m_Commands.AddCommand(cmd::FindSearchField, [this] {
        if (!m_Doc) return;
        const CPointD p = m_Doc->SearchData().BaseStart;
        CenterOnPosition(p.easting, p.northing, 0.0);
    });
    m_Commands.AddUpdate(cmd::FindSearchField,
                         [this](CCmdUI& ui) { ui.Enable(m_Doc && m_Doc->SearchArea().HasFieldPoint()); });
    m_Commands.AddCommand(cmd::FindSearchPerimeter, [this] { CenterOnRoute(0); });
    m_Commands.AddUpdate(cmd::FindSearchPerimeter,
                         [this](CCmdUI& ui) { ui.Enable(m_Doc && m_Doc->SearchData().Routes[0].Count > 0); });
    m_Commands.AddCommand(cmd::FindFirstSearchRoute, [this] {
        if (m_Doc) CenterOnRoute(m_Doc->FindFirstRoute());
    });
    m_Commands.AddUpdate(cmd::FindFirstSearchRoute,
                         [this](CCmdUI& ui) { ui.Enable(m_Doc && m_Doc->FindFirstRoute() >= 0); });
    m_Commands.AddCommand(cmd::FindNextRoute, [this] {
        if (m_Doc) CenterOnRoute(m_Doc->FindNextRoute(m_HitB.RouteNumber()));
    });
    m_Commands.AddUpdate(cmd::FindNextRoute, [this](CCmdUI& ui) {
        ui.Enable(m_Doc && m_Doc->FindNextRoute(m_HitB.RouteNumber()) >= 0);
    });
    m_Commands.AddCommand(cmd::FindPrevRoute, [this] {
        if (m_Doc) CenterOnRoute(m_Doc->FindPreviousRoute(m_HitB.RouteNumber()));
    });
    m_Commands.AddUpdate(cmd::FindPrevRoute, [this](CCmdUI& ui) {
        ui.Enable(m_Doc && m_Doc->FindPreviousRoute(m_HitB.RouteNumber()) >= 0);
    });
}
