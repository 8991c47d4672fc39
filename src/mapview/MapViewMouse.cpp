// The pane's mouse: what lies under the pointer, dragging waypoints and the
// print frame, panning, scrolling by pushing the pointer off the centre, the
// cursor, the position text and the choice of the context menu.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "gps/NmeaReceiver.h"
#include "mapdraw/DrawDocument.h"
#include "mapdraw/MapPicture.h"
#include "mapdraw/MapTransforms.h"
#include "mapview/MapViewController.h"
#include "mapview/MapViewFrame.h"
#include "platform/CommandIds.h"
#include "platform/System.h"
#include "settings/AppSettings.h"

namespace {

constexpr int kH = CMapViewController::kHandleSize;
constexpr int kDeadZone = 2;  // pixels off the centre that do not scroll yet

void BeepNoMap() { Beep(100, 100); }

bool In(long long v, long long a, long long b) { return v >= a && v < b; }

// The frame part at (x, y): bands of the outline on half-open ranges, the
// corners first; the inside is free map.
int FrameHandleAt(const QRect& f, int x, int y) {
    const long long L = f.left(), T = f.top(), R = L + f.width(), B = T + f.height();
    const bool left = In(x, L - 1, L + 1 + kH), right = In(x, R - kH - 1, R + 1),
               across = In(x, L - 1, R + 1);
    const bool top = In(y, T - 1, T + 1 + kH), bottom = In(y, B - kH - 1, B + 1), down = In(y, T - 1, B + 1);
    if (left && top) return kFrameTopLeft;
    if (right && top) return kFrameTopRight;
    if (right && bottom) return kFrameBottomRight;
    if (left && bottom) return kFrameBottomLeft;
    if (across && top) return kFrameTop;
    if (right && down) return kFrameRight;
    if (across && bottom) return kFrameBottom;
    if (left && down) return kFrameLeft;
    return kFrameNone;
}

// A rectangle whose far edge an int cannot hold lies far off the pane: empty.
QRect RectOrEmpty(long long l, long long t, long long w, long long h) {
    const auto fits = [](long long v) { return v >= INT_MIN && v <= INT_MAX; };
    return fits(l) && fits(t) && fits(l + w) && fits(t + h) ? QRect(int(l), int(t), int(w), int(h)) : QRect();
}

bool IsCorner(int handle) { return handle >= kFrameTopLeft && handle <= kFrameBottomLeft; }
bool IsEdge(int handle) { return handle >= kFrameTop && handle <= kFrameLeft; }

// The fewest hundredths of a millimetre that come back as px pixels, so that
// storing a dragged size never shrinks the frame.
int PixelsToHmm(int px) {
    int hmm = SaturateToInt(px / kHmmToPixels * 100.0);
    while (HmmToPixels(hmm) < px) ++hmm;
    while (hmm > 0 && HmmToPixels(hmm - 1) >= px) --hmm;
    return hmm;
}

std::string LocalTimeText(std::int32_t t) {
    tzset();
    const std::time_t tt = t;
    std::tm tm{};
    if (!localtime_r(&tt, &tm)) return {};
    char buf[256];
    const std::size_t n = std::strftime(buf, sizeof buf, "%A, %d.%m.%Y  %H:%M:%S", &tm);
    return std::string(buf, n);
}

bool SameRecord(const WaypointRecord& a, const WaypointRecord& b) {
    constexpr auto kMask = std::uint16_t(~kWptSelected);  // the export selection may change meanwhile
    return WptName(a) == WptName(b) && (a.Flags & kMask) == (b.Flags & kMask);
}

}  // namespace

// ---- hit test -------------------------------------------------------------------------

QRect CMapViewController::FrameRectFromCentre() const {
    if (!m_Doc) return {};
    const MapPoint c = MapToClient(m_Desc.printCenter, m_Desc, DocGeoref(*m_Doc));
    return RectOrEmpty(c.x - m_Desc.printSize.cx / 2LL, c.y - m_Desc.printSize.cy / 2LL, m_Desc.printSize.cx,
                       m_Desc.printSize.cy);
}

void CMapViewController::HitTest(int x, int y, HitRecord& hit) {
    hit.Reset();
    if (!m_Doc) return;
    const GeorefParams geo = DocGeoref(*m_Doc);
    const CPointD P = ClientToMap(x, y, m_Desc, geo);
    const CAppearanceSettings& look = Settings().appearance;
    const auto rx = [&](int px) { return PixelsToMetresX(px, m_Desc, geo); };
    const auto ry = [&](int px) { return PixelsToMetresY(px, m_Desc, geo); };
    if (m_Desc.layers[kLayerWaypoints]) {
        const int px = SaturateToInt(look.markerSize + 1.0);
        hit.waypointIndex = m_Doc->GetClosestWptIndex(&hit.waypoint, P, rx(px), ry(px));
        if (hit.HasWaypoint()) return;
    }
    if (m_Desc.layers[kLayerTrackLog]) {
        const int px = look.trackThickness + look.trackMarkerSize;
        hit.trackPointIndex = m_Doc->GetClosestTrackPointIndex(&hit.trackPoint, P, rx(px), ry(px));
        if (hit.HasTrackPoint()) return;
    }
    hit.refPointIndex = m_Doc->GetClosestRefPointIndex(P, rx(4), ry(4));
    if (hit.HasRefPoint()) return;
    if (m_Desc.layers[kLayerSearchArea]) {
        hit.searchHit = m_Doc->SearchArea().HitTestSearchElement(P, rx(4), ry(4), &hit.searchPoint);
        if (hit.searchHit != 0) return;
        hit.searchPoint = -1;
    }
    if (const QRect f = FrameRectFromCentre(); !f.isEmpty()) hit.frameHandle = FrameHandleAt(f, x, y);
}

// ---- buttons --------------------------------------------------------------------------

WaypointRecord* CMapViewController::DraggedRecord() {
    if (!m_Doc || m_DragBase < 0 || m_DragBase >= kBaseCount) return nullptr;
    WptBase& b = m_Doc->Waypoints().Base(m_DragBase);
    if (!b.Loaded || m_DragIndex < 0 || m_DragIndex >= b.Count || std::size_t(m_DragIndex) >= b.Data.size())
        return nullptr;
    WaypointRecord& r = b.Data[std::size_t(m_DragIndex)];
    return SameRecord(r, m_DragCopy) && !WptIsDeleted(r) ? &r : nullptr;
}

void CMapViewController::OnLButtonDown(QPoint p, bool control) {
    if (HasCapture() || m_Desc.mouseScrolling || !m_Doc) return;
    const CPointD P = ClientToMap(p.x(), p.y(), m_Desc, DocGeoref(*m_Doc));
    if (m_MouseMode == MouseMode::DrawRoute) {
        m_Doc->AddRoutePoint(m_RouteNumber, P);
        return;
    }
    if (m_MouseMode == MouseMode::NewSearchField) {
        if (m_Doc->AddSearchFieldPoint(P)) SetMouseMode(MouseMode::Normal);
        return;
    }
    if (control) {
        // A reference point: its grid position on a series, then its pixel on the image.
        if (m_Desc.mapType >= 0 && !m_Doc->AwaitingRefPixel())
            m_Doc->SetRefPointMapCoords(P.easting, P.northing);
        else if (m_Desc.mapType < 0 && m_Doc->AwaitingRefPixel())
            m_Doc->AddRefPointPixel(SaturatedSum(p.x(), m_Desc.origin.x),
                                    SaturatedSum(p.y(), m_Desc.origin.y));
        return;
    }
    if (m_HitA.HasWaypoint()) {
        m_DragBase = CWptDatabase::GetWptBaseIndex(m_HitA.waypoint);
        m_DragIndex = m_HitA.waypointIndex;
        m_DragCopy = m_HitA.waypoint;
        if (const WaypointRecord* r = DraggedRecord()) {
            m_DragCopy = *r;
            m_DragStart = p;
            const MapPoint d = MapToClient(r->E, r->N, m_Desc, DocGeoref(*m_Doc));
            m_DragPoint = QPoint(d.x, d.y);
            m_Drag = DragKind::Waypoint;
        }
        return;
    }
    if (m_HitA.searchHit != 0) {
        if (const CPointD* q = m_Doc->SearchArea().SearchPoint(m_HitA.searchHit, m_HitA.searchPoint)) {
            m_DragSearchCode = m_HitA.searchHit;
            m_DragSearchIndex = m_HitA.searchPoint;
            m_DragSearchStart = *q;
            m_DragStart = p;
            const MapPoint d = MapToClient(*q, m_Desc, DocGeoref(*m_Doc));
            m_DragPoint = QPoint(d.x, d.y);
            m_Drag = DragKind::SearchPoint;
        }
        return;
    }
    if (m_HitA.frameHandle != kFrameNone) {
        m_FrameAtStart = m_DragFrame = FrameRectFromCentre();
        m_DragHandle = m_HitA.frameHandle;
        m_DragStart = p;
        m_Drag = DragKind::Frame;
        return;
    }
    if (m_Desc.mapType < kMapImageGeo) {
        BeepNoMap();
        return;
    }
    if (!m_Desc.layers[kLayerWaypoints]) return;
    if (m_MouseMode == MouseMode::MoveWaypoint) {
        m_Doc->MoveWaypoint(m_HitB.waypoint, m_HitB.waypointIndex, P);
        SetMouseMode(MouseMode::Normal);
    } else {
        m_Doc->CreateWaypoint(P.easting, P.northing, WptCreateMode::Click, m_Desc.mapType, "", "", 0);
    }
}

void CMapViewController::EndWaypointDrag(QPoint p, bool dropped) {
    m_Drag = DragKind::None;
    const WaypointRecord original = m_DragCopy;
    WaypointRecord* r = DraggedRecord();
    if (!r) {  // the base went or changed under the drag: show what it holds now
        InvalidateAll();
        return;
    }
    const WaypointRecord dragged = *r;
    r->E = original.E;
    r->N = original.N;
    r = nullptr;  // the move below may prompt and regrow the base
    bool shown = false;
    if (dropped && p != m_DragStart) {
        const QPoint q = m_DragPoint + (p - m_DragStart);
        const CPointD T = ClientToMap(q.x(), q.y(), m_Desc, DocGeoref(*m_Doc));
        shown = m_Doc->MoveWaypoint(original, m_DragIndex, T) != 0;
    }
    if (!shown) m_Doc->UpdateAllViews(nullptr, kHintWaypoint, &original);
    m_Doc->UpdateAllViews(nullptr, kHintWaypoint, &dragged);
}

QRect CMapViewController::DragFrameTo(QPoint p) const {
    const long long dx = p.x() - m_DragStart.x(), dy = p.y() - m_DragStart.y();
    const long long maxW = m_MaxPrintSize.cx, maxH = m_MaxPrintSize.cy, min = 2 * kH;
    long long L = m_FrameAtStart.left(), T = m_FrameAtStart.top();
    long long R = L + m_FrameAtStart.width(), B = T + m_FrameAtStart.height();
    const int h = m_DragHandle;
    if (IsEdge(h)) {
        L += dx, R += dx, T += dy, B += dy;
    } else {
        if (h == kFrameTopLeft || h == kFrameTopRight) T = std::clamp(T + dy, B - maxH, B - min);
        if (h == kFrameBottomRight || h == kFrameBottomLeft) B = std::clamp(B + dy, T + min, T + maxH);
        if (h == kFrameTopLeft || h == kFrameBottomLeft) L = std::clamp(L + dx, R - maxW, R - min);
        if (h == kFrameTopRight || h == kFrameBottomRight) R = std::clamp(R + dx, L + min, L + maxW);
    }
    return RectOrEmpty(L, T, R - L, B - T);
}

void CMapViewController::InvalidateFrameBands(const QRect& f) {
    if (!m_Host || f.isEmpty()) return;
    const QRect o = f.adjusted(-1, -1, 1, 1);
    const int band = kH + 2;
    m_Host->InvalidateRect(QRect(o.left(), o.top(), o.width(), band));
    m_Host->InvalidateRect(QRect(o.left(), o.bottom() - band + 1, o.width(), band));
    m_Host->InvalidateRect(QRect(o.left(), o.top(), band, o.height()));
    m_Host->InvalidateRect(QRect(o.right() - band + 1, o.top(), band, o.height()));
}

void CMapViewController::EndFrameDrag(QPoint p) {
    m_Drag = DragKind::None;
    InvalidateFrameBands(m_DragFrame);
    if (p == m_DragStart) {  // a click: the frame stays exactly where it was
        InvalidateFrameBands(FrameRectFromCentre());
        return;
    }
    const QRect f = DragFrameTo(p);
    if (f.isEmpty()) return;
    if (IsCorner(m_DragHandle)) {
        if (f.width() == m_MaxPrintSize.cx && f.height() == m_MaxPrintSize.cy) {
            m_PrintWidth = m_PrintHeight = -1;
            m_Desc.printSize = m_MaxPrintSize;
        } else {
            m_PrintWidth = PixelsToHmm(f.width());
            m_PrintHeight = PixelsToHmm(f.height());
            m_Desc.printSize = {std::min(HmmToPixels(m_PrintWidth), int(m_MaxPrintSize.cx)),
                                std::min(HmmToPixels(m_PrintHeight), int(m_MaxPrintSize.cy))};
        }
    }
    m_Desc.printCenter =
        ClientToMap(SaturatedSum(f.left(), 1LL + m_Desc.printSize.cx / 2),
                    SaturatedSum(f.top(), m_Desc.printSize.cy / 2), m_Desc, DocGeoref(*m_Doc));
    InvalidateFrameBands(FrameRectFromCentre());
}

void CMapViewController::OnLButtonUp(QPoint p) {
    if (m_Drag == DragKind::Waypoint)
        EndWaypointDrag(p, true);
    else if (m_Drag == DragKind::Frame)
        EndFrameDrag(p);
    else if (m_Drag == DragKind::SearchPoint) {
        m_Drag = DragKind::None;
        m_Doc->UpdateAllViews(nullptr, kHintAll);
    } else
        return;
    // What lies under the pointer now: the moved waypoint, a renamed one.
    if (m_Desc.mapType >= kMapImageGeo)
        HitTest(p.x(), p.y(), m_HitA);
    else
        m_HitA.Reset();
    UpdateCursor();
}

void CMapViewController::OnLButtonDblClk(QPoint) {
    if (m_Desc.mouseScrolling || HasCapture()) return;
    const int h = m_HitA.frameHandle;
    if (IsCorner(h)) {
        InvalidateFrameBands(FrameRectFromCentre());
        m_PrintWidth = m_PrintHeight = -1;
        m_Desc.printSize = m_MaxPrintSize;
        InvalidateFrameBands(FrameRectFromCentre());
    } else if (IsEdge(h)) {
        SnapPrintFrame(h);
    }
}

void CMapViewController::OnMButtonDown(QPoint p) {
    if (HasCapture() || m_Desc.mouseScrolling) return;
    if (m_Desc.mapType < kMapImageGeo) {
        BeepNoMap();
        return;
    }
    m_DragStart = p;
    m_Drag = DragKind::Pan;
    UpdateCursor();
}

void CMapViewController::OnMButtonUp(QPoint) {
    if (m_Drag != DragKind::Pan) return;
    m_Drag = DragKind::None;
    if (m_Host) m_Host->SetCursorShape(CursorShape::Arrow);
}

void CMapViewController::OnGrabLost() {
    switch (m_Drag) {
        case DragKind::Waypoint:
            EndWaypointDrag(m_DragStart, false);
            break;
        case DragKind::Frame:
            m_Drag = DragKind::None;
            InvalidateFrameBands(m_DragFrame);
            InvalidateFrameBands(FrameRectFromCentre());
            break;
        case DragKind::SearchPoint:
            CancelSearchDrag();
            break;
        case DragKind::Pan:
        case DragKind::None:
            m_Drag = DragKind::None;
            break;
    }
    UpdateCursor();
}

// ---- moves ------------------------------------------------------------------------------

void CMapViewController::MouseScroll(QPoint p) {
    const QPoint centre(m_Desc.clientSize.cx / 2, m_Desc.clientSize.cy / 2);
    const QPoint from = m_HasLastPointer ? m_LastPointer : centre;
    m_LastPointer = p;
    m_HasLastPointer = true;
    if (std::abs(p.x() - centre.x()) <= kDeadZone && std::abs(p.y() - centre.y()) <= kDeadZone) return;
    m_Desc.tracking = kTrackingOff;
    if (m_Desc.mapType < kMapImage) return;
    // Where the pointer cannot be put back, the map follows its movement instead.
    const bool warped = m_Host && m_Host->PutPointerAt(centre.x(), centre.y());
    const QPoint d = p - (warped ? centre : from);
    if (warped) m_LastPointer = centre;
    SetScrollOrigin(SaturatedSum(m_Desc.origin.x, d.x()), SaturatedSum(m_Desc.origin.y, d.y()));
}

void CMapViewController::OnMouseMove(QPoint p) {
    if (m_Drag == DragKind::Pan) {
        const QPoint d = m_DragStart - p;
        m_DragStart = p;
        SetScrollOrigin(SaturatedSum(m_Desc.origin.x, d.x()), SaturatedSum(m_Desc.origin.y, d.y()));
        return;
    }
    if (m_Drag == DragKind::Waypoint) {
        WaypointRecord* r = DraggedRecord();
        if (!r) {
            OnGrabLost();
            return;
        }
        const QPoint q = m_DragPoint + (p - m_DragStart);
        const CPointD T = ClientToMap(q.x(), q.y(), m_Desc, DocGeoref(*m_Doc));
        const WaypointRecord before = *r;
        r->E = T.easting;
        r->N = T.northing;
        const WaypointRecord after = *r;
        m_Doc->UpdateAllViews(nullptr, kHintWaypoint, &before);
        m_Doc->UpdateAllViews(nullptr, kHintWaypoint, &after);
        return;
    }
    if (m_Drag == DragKind::SearchPoint) {
        CPointD* q = m_Doc->SearchArea().SearchPoint(m_DragSearchCode, m_DragSearchIndex);
        if (!q) {  // the route was emptied under the drag
            m_Drag = DragKind::None;
            UpdateCursor();
            return;
        }
        const QPoint t = m_DragPoint + (p - m_DragStart);
        *q = ClientToMap(t.x(), t.y(), m_Desc, DocGeoref(*m_Doc));
        m_Doc->UpdateAllViews(nullptr, kHintAll);
        return;
    }
    if (m_Drag == DragKind::Frame) {
        InvalidateFrameBands(m_DragFrame);
        m_DragFrame = DragFrameTo(p);
        InvalidateFrameBands(m_DragFrame);
        return;
    }
    if (m_Desc.mouseScrolling)
        MouseScroll(p);
    else
        m_HasLastPointer = false;  // a new scrolling session starts from the centre
    const std::string text = StatusTextAt(p);
    UpdateCursor();
    if (m_Frame && m_Frame->GpsLinkIdle()) m_Frame->SetStatusText(text);
}

void CMapViewController::OnMouseLeave() {
    if (m_Frame && m_Frame->GpsLinkIdle()) m_Frame->RestoreReady();
}

std::string CMapViewController::StatusTextAt(QPoint p) {
    if (!m_Doc) return {};
    std::string text = m_Doc->GetMapCaption(m_Desc.mapType);
    if (m_Desc.mapType == kMapNone || m_Desc.mapType == kMapImage) {
        m_HitA.Reset();
        return text;
    }
    const CPointD P = ClientToMap(p.x(), p.y(), m_Desc, DocGeoref(*m_Doc));
    HitTest(p.x(), p.y(), m_HitA);
    const HitRecord& a = m_HitA;
    text += Format("Pos: E=%.1f, N=%.1f; Q=%s; ", P.easting, P.northing,
                   m_Doc->GetQuadrantNameAt(P.easting, P.northing).c_str());
    if (a.HasWaypoint()) {
        text += Format("Wpt %s:  %s", WptName(a.waypoint).substr(0, kWptNameSize - 1).c_str(),
                       WptComment(a.waypoint).substr(0, kWptCommentSize - 1).c_str());
    } else if (a.HasTrackPoint()) {
        text += a.trackPoint.time >= 1 ? "TrkPt on " + LocalTimeText(a.trackPoint.time)
                                       : std::string("TrkPt - Time not defined");
    } else if (a.HasRefPoint()) {
        text += "Reference point";
    } else {
        text += Format("H=%.2f", m_Doc->GetDmrZAt(P.easting, P.northing) * 100.0);
        if (a.frameHandle != kFrameNone) text += "; PRINT AREA";
    }
    if (Settings().gpsEnabled && m_Gps)
        text += Format("; Curr.Pos: E=%.1f, N=%.1f", m_Gps->GpsPosition.easting, m_Gps->GpsPosition.northing);
    return text;
}

// ---- cursor and modes ---------------------------------------------------------------------

CursorShape CMapViewController::Cursor() const {
    if (m_Desc.mapType < kMapImage) return CursorShape::No;
    if (m_MouseMode != MouseMode::Normal) return CursorShape::UpArrow;
    const HitRecord& a = m_HitA;
    if (a.HasWaypoint() || a.HasTrackPoint() || a.HasRefPoint() || a.SearchKind() != 0)
        return CursorShape::Arrow;
    if (IsPanning()) return CursorShape::SizeAll;
    switch (a.frameHandle) {
        case kFrameNone:
            return CursorShape::Cross;
        case kFrameTopLeft:
        case kFrameBottomRight:
            return CursorShape::SizeNWSE;
        case kFrameTopRight:
        case kFrameBottomLeft:
            return CursorShape::SizeNESW;
        default:
            return CursorShape::SizeAll;
    }
}

void CMapViewController::UpdateCursor() {
    if (m_Host) m_Host->SetCursorShape(Cursor());
}

void CMapViewController::SetMouseMode(MouseMode mode) {
    m_MouseMode = mode;
    UpdateCursor();
}

// ---- context menu -------------------------------------------------------------------------

ContextMenuChoice CMapViewController::OpenContextMenu(QPoint p) {
    ContextMenuChoice c = ChooseContextMenu(p);
    m_OpenPopup = c.popup;
    return c;
}

ContextMenuChoice CMapViewController::ChooseContextMenu(QPoint p) {
    ContextMenuChoice c;
    m_ContextPoint = p;
    if (m_Desc.mapType == kMapNone || !m_Doc) return c;
    c.popup = kPopupImageMap;
    if (m_Desc.mapType == kMapImage) return c;
    m_ContextPos = ClientToMap(p.x(), p.y(), m_Desc, DocGeoref(*m_Doc));
    HitTest(p.x(), p.y(), m_HitB);
    const HitRecord& b = m_HitB;
    if (b.HasWaypoint()) {
        c.popup = kPopupWaypoint;
        const std::string name = EscapeMenuText(WptName(b.waypoint).substr(0, kWptNameSize - 1));
        c.texts[cmd::WptEdit] = "Edit Wpt '" + name + "'";
        c.texts[cmd::WptMove] = "Move Wpt '" + name + "'";
        c.texts[cmd::WptDelete] = "Delete Wpt '" + name + "'";
        c.texts[cmd::WptChangeTo] = b.waypoint.Flags & kWptTemporary ? "Change to AUTO" : "Change to NAMED";
    } else if (b.HasTrackPoint()) {
        c.popup = kPopupTrackPoint;
    } else if (b.HasRefPoint()) {
        c.popup = kPopupRefPoint;
    } else if (b.frameHandle != kFrameNone) {
        c.popup = kPopupPrintFrame;
    } else if (b.SearchKind() == 1) {
        c.popup = kPopupSearchField;
    } else if (b.SearchKind() == 2) {
        c.popup = kPopupSearchRoute;
        const int route = b.RouteNumber();
        c.texts[cmd::DeleteSearchRoute] = route == 0
                                              ? std::string("Delete Perimeter...")
                                              : "Delete Route '" + std::string(1, char('Q' + route)) + "'...";
    } else if (m_Desc.mapType != kMapImageGeo) {
        c.popup = kPopupFreeMap;
    }
    return c;
}

void CMapViewController::RegisterMouseCommands() {}
