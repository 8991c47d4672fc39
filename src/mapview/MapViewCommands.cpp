// The pane's commands on the context menu's target, the print area, the 3-D
// view point and scrolling.
#include <QAbstractSlider>
#include <algorithm>
#include <cmath>

#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "gps/NmeaReceiver.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/MapTransforms.h"
#include "mapview/MapViewController.h"
#include "mapview/MapViewFrame.h"
#include "platform/CommandIds.h"
#include "platform/System.h"
#include "settings/AppSettings.h"

namespace {

// The print-grid step in metres of a series; the built-in row stands in for
// a settings row that lost it.
int PrintGridStep(const AppSettings& settings, int series) {
    const int step = settings.mapTypes[std::clamp(series, 0, kMapTypeCount - 1)].gridStep;
    return step > 0 ? step : DefaultMapType(series).gridStep;
}

// Whole multiples of step in metres; at least one step, so that an area
// narrower than the grid still snaps.
int SnapSize(int metres, int step) { return std::max(step, metres / step * step); }

// Whole metres cut to a multiple of step toward zero; 64 bits, as a print
// centre may come from a damaged settings file.
long long CutToStep(double metres, int step) { return 1LL * SaturateToInt(metres) / step * step; }

void EndBeep() { Beep(100, 100); }

}  // namespace

void CMapViewController::SetContextTarget(const HitRecord& hit, CPointD pos, QPoint pt) {
    m_HitB = hit;
    m_ContextPos = pos;
    m_ContextPoint = pt;
}

void CMapViewController::SnapPrintFrame(int handle) {
    if (!m_Doc || m_Desc.mapType < 0) return;
    const GeorefParams geo = DocGeoref(*m_Doc);
    // Series maps have the same scale on both axes.
    const auto X = [&](int n) { return PixelsToMetresX(n, m_Desc, geo); };
    const int W = m_Desc.printSize.cx, H = m_Desc.printSize.cy;
    const int g = PrintGridStep(Settings(), m_Desc.mapType);
    const auto down = [g](double v) { return CutToStep(v, g); };
    CPointD& c = m_Desc.printCenter;
    switch (handle) {
        case kFrameTop:
            c.northing = double(down(c.northing + X(3 * H / 2)) - X(H / 2));
            break;
        case kFrameRight:
            c.easting = double(X(W / 2) + down(c.easting + X(W / 2)));
            break;
        case kFrameBottom:
            c.northing = double(down(c.northing - X(H / 2) - 1.0) + g - X(H / 2));
            break;
        case kFrameLeft:
            c.easting = double(X(W / 2) + down(c.easting - X(3 * W / 2) - 1.0) + g);
            break;
        default:
            break;
    }
    m_Doc->UpdateAllViews(nullptr, kHintAll);
}

void CMapViewController::CenterOnPosition(double E, double N, double margin) {
    if (!m_Doc || !CVornaDoc::IsInsideMapArea(m_Desc.mapType, E, N)) return;
    const int w = m_Desc.clientSize.cx, h = m_Desc.clientSize.cy;
    if (w <= 0 || h <= 0) return;  // no pane to centre in
    const MapPoint p = MapToDevice(E, N, m_Desc, DocGeoref(*m_Doc));
    const double offX = std::fabs((2.0 * p.x - 2.0 * m_Desc.origin.x - w) / w) * 100.0;
    const double offY = std::fabs((2.0 * p.y - 2.0 * m_Desc.origin.y - h) / h) * 100.0;
    if (offX > margin || offY > margin)
        SetScrollOrigin(SaturatedSum(p.x, -(w / 2)), SaturatedSum(p.y, -(h / 2)));
}

void CMapViewController::OnScrollAction(Qt::Orientation bar, int action, int position) {
    m_Desc.tracking = kTrackingOff;
    if (!m_Doc) return;
    const bool horizontal = bar == Qt::Horizontal;
    const MapSize m = m_Doc->GetMapSizePixels(m_Desc);
    const int w = horizontal ? m_Desc.clientSize.cx : m_Desc.clientSize.cy;
    const double extent = horizontal ? m.cx * m_Desc.zoomX : m.cy * m_Desc.zoomY;
    // A map smaller than the pane keeps its origin at 0.
    const int last = std::max(0, SaturateToInt(extent - w));
    const int p = horizontal ? m_Desc.origin.x : m_Desc.origin.y;
    int to = p;
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            to = std::min(SaturatedSum(p, w / 10), last);
            break;
        case QAbstractSlider::SliderSingleStepSub:
            to = std::max(SaturatedSum(p, -(w / 10)), 0);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            to = std::min(SaturatedSum(p, w / 2), last);
            break;
        case QAbstractSlider::SliderPageStepSub:
            to = std::max(SaturatedSum(p, -(w / 2)), 0);
            break;
        case QAbstractSlider::SliderToMaximum:
            to = last;
            EndBeep();
            break;
        case QAbstractSlider::SliderToMinimum:
            to = 0;
            EndBeep();
            break;
        case QAbstractSlider::SliderMove:
            to = position;
            break;
        default:
            return;
    }
    if (horizontal)
        SetScrollOrigin(to, m_Desc.origin.y);
    else
        SetScrollOrigin(m_Desc.origin.x, to);
}

void CMapViewController::RegisterViewCommands() {
    CCommandMap& m = m_Commands;
    // Waypoint commands act on a copy of the target taken now: the document
    // may prompt, and the target may be replaced meanwhile.
    const auto onWpt = [this, &m](unsigned first, unsigned last, auto action) {
        m.AddCommandRange(first, last, [this, action](unsigned id) {
            const HitRecord hit = m_HitB;
            if (m_Doc && hit.HasWaypoint()) action(*m_Doc, hit.waypoint, hit.waypointIndex, int(id));
        });
    };
    using Wpt = const WaypointRecord&;
    onWpt(cmd::WptEdit, cmd::WptEdit, [](CVornaDoc& d, Wpt r, int i, int) { d.EditWaypoint(r, i); });
    onWpt(cmd::WptDelete, cmd::WptDelete, [](CVornaDoc& d, Wpt r, int i, int) { d.DeleteWaypoint(r, i); });
    onWpt(cmd::WptChangeTo, cmd::WptChangeTo, [](CVornaDoc& d, Wpt r, int i, int) { d.ChangeWptTo(r, i); });
    onWpt(cmd::WptDefinedOnFirst, cmd::WptDefinedOnLast,
          [](CVornaDoc& d, Wpt r, int i, int id) { d.SetWptLevel(r, i, id - cmd::WptDefinedOnFirst); });
    const auto labelBits = [](int id) { return (id - cmd::WptLabelBelow) << 4; };
    onWpt(cmd::WptLabelBelow, cmd::WptLabelRight,
          [labelBits](CVornaDoc& d, Wpt r, int i, int id) { d.SetWptLabelPosition(r, i, labelBits(id)); });
    m.AddCommand(cmd::WptMove, [this] { m_MouseMode = MouseMode::MoveWaypoint; });
    m.AddUpdateRange(cmd::WptDefinedOnFirst, cmd::WptDefinedOnLast, [this](CCmdUI& ui) {
        ui.SetCheck((m_HitB.waypoint.Flags & kWptLevelMask) == int(ui.m_nID) - cmd::WptDefinedOnFirst);
    });
    m.AddUpdateRange(cmd::WptLabelBelow, cmd::WptLabelRight, [this, labelBits](CCmdUI& ui) {
        ui.SetCheck((m_HitB.waypoint.Flags & kWptLabelMask) == labelBits(int(ui.m_nID)));
    });

    // An image without origin has no map position to put anything at.
    const auto hasPosition = [this] { return m_Desc.mapType != kMapImage && m_Desc.mapType != kMapNone; };
    m.AddCommand(cmd::NewWpt, [this] {
        if (m_Doc)
            m_Doc->CreateWaypoint(m_ContextPos.easting, m_ContextPos.northing, WptCreateMode::Dialog,
                                  m_Desc.mapType, "", "", 0);
    });
    m.AddUpdate(cmd::NewWpt, [this, hasPosition](CCmdUI& ui) {
        ui.Enable(m_Desc.layers[kLayerWaypoints] != 0 && hasPosition());
    });
    m.AddCommand(cmd::SetDmrViewPoint, [this] {
        DmrParams& dmr = Settings().dmr;
        dmr.ViewPoint = m_ContextPos;
        dmr.StickToGps = 0;
        if (m_Frame) m_Frame->UpdateDmr(true, true);
    });
    m.AddUpdate(cmd::SetDmrViewPoint, [hasPosition](CCmdUI& ui) { ui.Enable(hasPosition()); });

    // The print area, kept as its centre: the corner goes where asked.
    const auto X = [this](int n) { return PixelsToMetresX(n, m_Desc, DocGeoref(*m_Doc)); };
    const auto Y = [this](int n) { return PixelsToMetresY(n, m_Desc, DocGeoref(*m_Doc)); };
    m.AddCommand(cmd::PrintOriginHere, [this, X, Y] {
        if (!m_Doc) return;
        m_Desc.printCenter = CPointD(m_ContextPos.easting + X(m_Desc.printSize.cx / 2),
                                     m_ContextPos.northing - Y(m_Desc.printSize.cy / 2));
        m_Doc->UpdateAllViews(nullptr, kHintAll);
    });
    m.AddCommand(cmd::PrintOriginToGrid, [this, X, Y] {
        if (!m_Doc || m_Desc.mapType < 0) return;
        const int W = m_Desc.printSize.cx, H = m_Desc.printSize.cy;
        const int g = PrintGridStep(Settings(), m_Desc.mapType);
        const int wm = SnapSize(X(W), g), hm = SnapSize(Y(H), g);
        // The print sheets are counted from this corner (not the map's origin).
        constexpr int kSheetE = 370000, kSheetN = 5222000;
        const long long left = CutToStep(m_ContextPos.easting - kSheetE, wm) + kSheetE;
        const long long top = kSheetN - CutToStep(kSheetN - m_ContextPos.northing, hm);
        m_Desc.printCenter = CPointD(double(left + X(W / 2)), double(top - Y(H / 2)));
        m_Doc->UpdateAllViews(nullptr, kHintAll);
    });
    m.AddUpdate(cmd::PrintOriginToGrid, [this](CCmdUI& ui) { ui.Enable(m_Desc.mapType >= 0); });
    m.AddCommand(cmd::GotoPrintOrigin, [this, X] {
        if (!m_Doc) return;
        const CPointD& c = m_Desc.printCenter;
        CenterOnPosition(c.easting - X(m_Desc.printSize.cx / 2), c.northing + X(m_Desc.printSize.cy / 2),
                         20.0);
    });
    m.AddCommand(cmd::NextPrintFrame, [this] { SnapPrintFrame(m_HitB.frameHandle); });
}
