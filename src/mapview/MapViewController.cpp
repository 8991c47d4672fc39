#include "mapview/MapViewController.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "mapdraw/DrawDocument.h"
#include "mapdraw/MapTransforms.h"
#include "mapdraw/PaintMessages.h"
#include "mapdraw/TrackPainter.h"
#include "mapdraw/WptPainter.h"
#include "mapview/AppPrinter.h"
#include "mapview/MapViewFrame.h"
#include "mapview/MapViewHost.h"
#include "platform/CommandIds.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

namespace {

constexpr COLORREF kFrameColour = 0x808080;
constexpr int kLastSeries = kSeriesOF50;

std::int32_t ClampMode(int v) { return std::clamp(v, 0, 2); }

bool AnySet(const auto& flags) {
    return std::any_of(flags.begin(), flags.end(), [](int f) { return f != 0; });
}

// A fresh device context: white brush, black pen, opaque white text background.
void ResetPainter(QPainter& dc) {
    dc.setBrush(Qt::white);
    dc.setPen(Qt::black);
    dc.setBackground(Qt::white);
    dc.setBackgroundMode(Qt::OpaqueMode);
    dc.setRenderHint(QPainter::Antialiasing, false);
}

}  // namespace

MapSize PrintablePageHmm(const QPageLayout& page) {
    const QRectF r = page.paintRect(QPageLayout::Millimeter);
    return {SaturateToInt(std::floor(r.width() * 100.0 + 1e-6)),
            SaturateToInt(std::floor(r.height() * 100.0 + 1e-6))};
}

AppSettings& CMapViewController::Settings() const {
    // A pane without a document shows nothing; it reads the defaults.
    static AppSettings s_Defaults;
    return m_Doc ? m_Doc->Settings() : s_Defaults;
}

CMapViewController::CMapViewController(CVornaDoc* doc, IMapViewHost* host) : m_Doc(doc), m_Host(host) {
    for (int i = 0; i < kLayerCount; ++i) m_Desc.layers[i] = 1;
    m_Desc.scale = 0.0;
    m_Desc.printGrid = -3;
    const AppSettings& app = Settings();
    m_Desc.dmrViewPoint = app.dmr.ViewPoint;
    m_Desc.azimuth = app.dmr.Azimut;
    m_Desc.viewAngle = app.dmr.ViewAngle;
    if (m_Doc) m_Doc->Memory().CountAlloc(kMemViews, 0);
    RegisterCommands();
    if (m_Doc) m_Doc->AddView(this);
}

CMapViewController::~CMapViewController() {
    if (!m_SettingsSaved) SaveToSettings();
    if (m_Doc) m_Doc->Memory().CountFree(kMemViews, 0);
    if (m_Doc) {
        m_Doc->RemoveView(this);
        m_Doc->SelectActiveWptQuadrants(CRectD(), m_QInView, 0);
        if (AnySet(m_QInView)) {
            m_QInView.fill(0);
            MsgBox("Error! Not entire WptQInView is FALSE after deselecting sectors in ~CVornaView");
        }
        m_Doc->SelectActiveWptQuadrants(CRectD(), m_QInPrint, 0);
    }
    ReleaseSegmentFlags(false, "~CVornaView", true);
    ReleaseSegmentFlags(true, "~CVornaView", true);
}

// ---- claims ------------------------------------------------------------------

void CMapViewController::ReleaseSegmentFlags(bool printSet, const char* where, bool release) {
    std::unique_ptr<SegmentFlags>& flags = printSet ? m_SInPrint : m_SInView;
    int& mem = printSet ? m_SInPrintMem : m_SInViewMem;
    const char* which = printSet ? "SInPrint" : "SInView";
    const bool inDestructor = std::string(where) == "~CVornaView";
    if (flags) {
        if (release && m_Doc && m_Desc.mapType >= 0) {
            m_Doc->SelectActiveMapSegments(m_Desc, CRectD(), *flags, printSet ? 1 : 0);
            if (AnySet(*flags))
                PaintMessage(
                    Format("Error! Not entire %s is FALSE after deselecting segments in %s", which, where));
        }
        if (mem == 0)
            PaintMessage(
                inDestructor
                    ? Format("Internal Warning! %s exists but size is 0 in CVornaView destructor!", which)
                    : Format("Internal Warning! %sMem exists, but size is 0 in CVornaView::OnUpdate!",
                             which));
        m_Doc->Memory().CountFree(printSet ? kMemSegPrint : kMemSegInView, mem);
        flags.reset();
        mem = 0;
    }
    if (mem != 0)
        PaintMessage(
            inDestructor
                ? Format("Internal Warning! %s not allocated, but size is != 0 in CVornaView destructor!",
                         which)
                : Format("Internal Warning! %sMem not allocated, but size is != 0 in CVornaView::OnUpdate!",
                         which));
}

void CMapViewController::AllocateSegmentFlags(bool printSet) {
    std::unique_ptr<SegmentFlags>& flags = printSet ? m_SInPrint : m_SInView;
    int& mem = printSet ? m_SInPrintMem : m_SInViewMem;
    const int count = std::max(0, int(m_Desc.segmentCount));
    try {
        flags = std::make_unique<SegmentFlags>(count, 0);
        mem = 4 * count;
        m_Doc->Memory().CountAlloc(printSet ? kMemSegPrint : kMemSegInView, mem);
    } catch (const std::bad_alloc&) {
        PaintMessage(Format("Internal Error! Not enough memory for %s in CVornaView::OnUpdate!",
                            printSet ? "SInPrint" : "SInView"));
    }
}

void CMapViewController::ReleaseQuadrants(const char* where) {
    m_Doc->SelectActiveWptQuadrants(CRectD(), m_QInView, 0);
    if (AnySet(m_QInView)) {
        m_QInView.fill(0);
        PaintMessage(Format("Error! Not entire QInView is FALSE after deselecting sectors in %s", where));
    }
}

// ---- settings ----------------------------------------------------------------

void CMapViewController::InitFromSettings(int viewIndex, int slot) {
    m_ViewIndex = m_IndexCopy = viewIndex;
    m_SettingsSlot = slot;
    if (slot < 0 || slot >= kViewSlots) return;
    const ViewSettings& v = Settings().views[slot];
    // Values from the settings file are brought into range before use.
    int type = v.mapType > kLastSeries || v.mapType < kMapNone ? int(kMapNone) : v.mapType;
    for (int i = 0; i < kLayerCount; ++i) m_Desc.layers[i] = v.layers[i];
    m_Desc.overlay = v.overlay;
    m_Desc.printGrid = std::clamp(v.printGrid, 0, kLastSeries);
    m_Desc.dmrArea = ClampMode(v.dmrArea);
    m_Desc.unselectedWpt = ClampMode(v.unselectedWpt);
    m_Desc.tracking = ClampMode(v.tracking);
    m_Desc.mouseScrolling = v.scrollMode != 0;
    m_Desc.origin = {v.originX, v.originY};
    m_Desc.printCenter = v.printCenter;
    m_PrintWidth = std::max(v.printWidth, -1);
    m_PrintHeight = std::max(v.printHeight, -1);
    // An image pane shows the document's image as it now stands; with no
    // image to show, the pane starts on the series a fresh settings file
    // gives rather than blank, at its print area (where the user worked).
    bool atPrintArea = false;
    if (type < 0 && m_Doc && m_Doc->BmpData && m_Doc->ImageMapType != kMapNone) {
        type = m_Doc->ImageMapType;
    } else if (type < 0) {
        const ViewSettings fresh = DefaultViewSlot();
        type = fresh.mapType;
        m_Desc.origin = {fresh.originX, fresh.originY};
        atPrintArea = true;
    }
    OpenMap(type, false);
    if (atPrintArea) CenterOnPosition(m_Desc.printCenter.easting, m_Desc.printCenter.northing, 0.0);
}

void CMapViewController::SaveToSettings() {
    if (m_SettingsSlot < 0 || m_SettingsSlot >= kViewSlots) return;
    ViewSettings& v = Settings().views[m_SettingsSlot];
    v.mapType = m_Desc.mapType;
    for (int i = 0; i < kLayerCount; ++i) v.layers[i] = m_Desc.layers[i];
    v.overlay = m_Desc.overlay;
    v.printGrid = m_Desc.printGrid;
    v.dmrArea = m_Desc.dmrArea;
    v.unselectedWpt = m_Desc.unselectedWpt;
    v.tracking = m_Desc.tracking;
    v.scrollMode = m_Desc.mouseScrolling;
    v.originX = m_Desc.origin.x;
    v.originY = m_Desc.origin.y;
    v.printCenter = m_Desc.printCenter;
    v.printWidth = m_PrintWidth;
    v.printHeight = m_PrintHeight;
    m_SettingsSaved = true;
}

// ---- opening a map -------------------------------------------------------------

void CMapViewController::OpenMap(int t, bool keep) {
    if (!m_Doc) return;
    OnGrabLost();
    m_HitA.Reset();  // a click must not grab an object of the previous map
    m_Desc.zoomX = m_Desc.zoomY = 1.0;
    // The centre as it stands now, so that the first keep-centre open after
    // start-up does not jump to whatever the centre was at construction.
    if (m_Desc.mapType >= 0 || m_Desc.mapType == kMapImageGeo) RecomputeViewCentre();

    ReleaseQuadrants("OpenMap");
    ReleaseSegmentFlags(false, "OpenMap", true);
    ReleaseSegmentFlags(true, "OpenMap", false);  // the print job released its claims

    if (t < 0) {
        m_Desc.mapType = std::max(t, int(kMapNone));
        m_Desc.origin = {0, 0};
        std::fill(std::begin(m_LayerAvailable), std::end(m_LayerAvailable), 0);
        m_Desc.scale = 1.0;
    } else {
        t = std::min(t, kLastSeries);
        const MapTypeInfo& info = Settings().mapTypes[t];
        SetSeriesGeometry(m_Desc, t, info);
        std::fill(std::begin(m_LayerAvailable), std::end(m_LayerAvailable), 1);
        switch (t) {
            case kSeriesPK250:
                m_LayerAvailable[kLayerForest] = m_LayerAvailable[kLayerRoads] = 0;
                break;
            case kSeriesTK25:
                m_LayerAvailable[kLayerRoads] = m_LayerAvailable[kLayerObjects] = m_Desc.overlay != 0;
                break;
            case kSeriesTN10:
                m_LayerAvailable[kLayerObjects] = m_Desc.overlay != 0;
                break;
            case kSeriesOF50:
                std::fill(std::begin(m_LayerAvailable), std::end(m_LayerAvailable), 0);
                break;
        }
        const GeorefParams geo = DocGeoref(*m_Doc);
        if (keep) {
            m_Desc.origin = {0, 0};
            const MapPoint q = MapToClient(m_ViewCentre, m_Desc, geo);
            m_Desc.origin = {SaturatedSum(q.x, -(m_Desc.clientSize.cx / 2)),
                             SaturatedSum(q.y, -(m_Desc.clientSize.cy / 2))};
        } else {
            m_ViewCentre = ClientToMap(m_Desc.clientSize.cx / 2, m_Desc.clientSize.cy / 2, m_Desc, geo);
        }
        AllocateSegmentFlags(false);
        AllocateSegmentFlags(true);
    }
    // Also for image maps and no map: the print frame is drawn on every pane.
    ComputePrintArea();
    UpdateScrollRanges();
    SetScrollOrigin(m_Desc.origin.x, m_Desc.origin.y);
    InvalidateAll();
}

void CMapViewController::ComputePrintArea() {
    const AppSettings& app = Settings();
    // The page of the program's printer as chosen in Print Setup: paper,
    // orientation and the printer's own margins.
    const MapSize page = PrintablePageHmm(AppPrinterPageLayout());
    const long long w = 1LL * page.cx - app.printMarginLeft - app.printMarginRight;
    const long long h = 1LL * page.cy - app.printMarginTop - app.printMarginBottom - app.printTitleMargin;
    // Margins wider than the page still leave a frame that can be seen and grabbed.
    constexpr int kMin = 2 * kHandleSize;
    m_MaxPrintSize = {std::max(kMin, SaturateToInt(double(w) * kHmmToPixels / 100.0)),
                      std::max(kMin, SaturateToInt(double(h) * kHmmToPixels / 100.0))};
    auto side = [kMin](int user, long long pageSide, int maxPx) {
        if (user != -1 && user <= pageSide)
            return std::clamp(SaturateToInt(user * kHmmToPixels / 100.0), kMin, maxPx);
        return maxPx;
    };
    m_Desc.printSize = {side(m_PrintWidth, w, m_MaxPrintSize.cx), side(m_PrintHeight, h, m_MaxPrintSize.cy)};
}

// ---- activation and hints ---------------------------------------------------------

void CMapViewController::OnActivateView(bool activate) {
    if (m_Guard != 555) MsgBox("Dummy changed in OnActivate");
    if (m_ViewIndex != m_IndexCopy) MsgBox(Format("Index=%d,Test=%d OnActivate", m_ViewIndex, m_IndexCopy));
    if (activate && m_Frame) m_Frame->SetActiveVornaView(m_ViewIndex);
}

void CMapViewController::InvalidateAll() {
    if (m_Host) m_Host->InvalidateAll();
}

bool CMapViewController::HasDmrView() const { return m_Frame && m_Frame->HasDmrView(); }

void CMapViewController::OnUpdate(IDocView*, long hint, const void* obj) {
    switch (hint) {
        case kHintImageMap:
            if (m_Desc.mapType < 0 && m_Doc)
                OpenMap(m_Doc->ImageMapType, true);
            else
                InvalidateAll();
            break;
        case kHintRect:
            if (obj && m_Host)
                m_Host->InvalidateRect(*static_cast<const QRect*>(obj));
            else
                InvalidateAll();
            break;
        case kHintPrintArea:
            if (!m_Doc) return;
            ComputePrintArea();
            InvalidateAll();
            break;
        case kHintDmrViewPoint:
            if (m_Desc.layers[kLayerDmrViewPoint]) InvalidateAll();
            break;
        case kHintWaypoint:
        case kHintTrackPiece:
            if (!obj || !m_Doc || !m_Host) {
                InvalidateAll();
            } else if (hint == kHintWaypoint) {
                m_Host->InvalidateRect(
                    GetWaypointRect(*m_Doc, m_Desc, *static_cast<const WaypointRecord*>(obj)));
            } else {
                m_Host->InvalidateRect(
                    GetTrackPieceRect(*m_Doc, m_Desc, *static_cast<const CGpsTriple*>(obj)));
            }
            break;
        default:
            InvalidateAll();
            break;
    }
}

// ---- painting -------------------------------------------------------------------

void CMapViewController::Paint(QPainter& dc) {
    CPaintMessageScope messages(this);
    ResetPainter(dc);
    if (m_Guard != 555) PaintMessage("ViewDummy! OnDraw");
    if (m_ViewIndex != m_IndexCopy) PaintMessage(Format("Index=%d,Test=%d OnDraw", m_ViewIndex, m_IndexCopy));
    DrawTarget target;
    target.gps = m_Gps;
    if (m_Frame) {
        if (m_Frame->FrameGuard() != 222) PaintMessage("FrmDummy! OnDraw");
        if (m_Frame->MapViewCount() != m_Frame->MapViewCountTest())
            PaintMessage(
                Format("Count=%d,Test=%d OnDraw", m_Frame->MapViewCount(), m_Frame->MapViewCountTest()));
        target.hasDmrView = m_Frame->HasDmrView();
        target.splitStyle = int(m_Frame->Layout());
    }
    if (!m_Doc) return;
    DrawDocument(*m_Doc, dc, target, m_Desc, &m_QInView, m_SInView.get());
    DrawPrintFrame(dc);
}

void CMapViewController::DrawPrintFrame(QPainter& dc) {
    // A border inverted with the grey brush, so that drawing it twice removes it.
    const MapPoint c = MapToClient(m_Desc.printCenter, m_Desc, DocGeoref(*m_Doc));
    const int l = SaturatedSum(c.x, -(m_Desc.printSize.cx / 2)),
              t = SaturatedSum(c.y, -(m_Desc.printSize.cy / 2));
    // A frame whose far edge lies beyond the int range is far off the pane.
    const bool representable =
        (long long)l + m_Desc.printSize.cx <= INT_MAX && (long long)t + m_Desc.printSize.cy <= INT_MAX;
    m_PrintFrame = representable ? QRect(l, t, m_Desc.printSize.cx, m_Desc.printSize.cy) : QRect();
    const QRect& f = m_Drag == DragKind::Frame ? m_DragFrame : m_PrintFrame;
    if (f.width() <= 0 || f.height() <= 0) return;
    dc.save();
    dc.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const QColor grey = QColor::fromRgb(ColorRefToRgb(kFrameColour));
    const int bw = std::min(kHandleSize, f.width()), bh = std::min(kHandleSize, f.height());
    dc.fillRect(QRect(f.left(), f.top(), f.width(), bh), grey);
    if (f.height() > bh)
        dc.fillRect(QRect(f.left(), f.bottom() - bh + 1, f.width(), std::min(bh, f.height() - bh)), grey);
    const int midTop = f.top() + bh, midH = f.height() - 2 * bh;
    if (midH > 0) {
        dc.fillRect(QRect(f.left(), midTop, bw, midH), grey);
        if (f.width() > bw)
            dc.fillRect(QRect(f.right() - bw + 1, midTop, std::min(bw, f.width() - bw), midH), grey);
    }
    dc.restore();
}

// ---- printing ---------------------------------------------------------------------

bool CMapViewController::OnPreparePrinting() {
    if (!m_Doc) return false;
    const MapSize before = m_Desc.printSize;
    ComputePrintArea();
    m_Doc->UpdateAllViews(nullptr, kHintAll);
    if (before.cx != m_Desc.printSize.cx || before.cy != m_Desc.printSize.cy) {
        if (MsgBox("Warning! Print area has changed due to the change in printer or paper. Do you want to "
                   "continue?",
                   MB_YESNO) == IDNO)
            return false;
    }
    return true;
}

void CMapViewController::OnEndPrinting() {
    if (!m_Doc) return;
    if (m_SInPrint) m_Doc->SelectActiveMapSegments(m_Desc, CRectD(), *m_SInPrint, 1);
    m_Doc->SelectActiveWptQuadrants(CRectD(), m_QInPrint, 0);
}

void CMapViewController::DrawPrintPage(QPainter& dc) {
    if (!m_Doc || !dc.device()) return;
    DrawTarget target;
    target.printing = true;
    target.gps = m_Gps;
    target.dpiX = dc.device()->logicalDpiX();
    target.dpiY = dc.device()->logicalDpiY();
    if (m_Frame) {
        target.hasDmrView = m_Frame->HasDmrView();
        target.splitStyle = int(m_Frame->Layout());
    }
    dc.save();
    ResetPainter(dc);
    DrawDocument(*m_Doc, dc, target, m_Desc, &m_QInPrint, m_SInPrint.get());
    dc.restore();
}

bool CMapViewController::PrintTo(QPrinter& printer) {
    if (!OnPreparePrinting()) return false;
    bool ok = false;
    {
        CPaintMessageScope messages(&m_QInPrint);  // the print pass is a source of its own
        QPainter dc;
        if (dc.begin(&printer)) {
            DrawPrintPage(dc);
            ok = dc.end();
        }
    }
    OnEndPrinting();
    if (!ok) MsgBox("The page could not be printed.");
    return ok;
}

void CMapViewController::OnFilePrint() {
    QPrinter& printer = AppPrinter();
    if (m_Host && !m_Host->RunPrintDialog(printer)) return;
    PrintTo(printer);
}

void CMapViewController::OnFilePrintPreview() {
    if (!m_Host || !OnPreparePrinting()) return;
    m_Host->RunPrintPreview(AppPrinter(), [this](QPrinter& pr) {
        CPaintMessageScope messages(&m_QInPrint);
        QPainter dc(&pr);
        DrawPrintPage(dc);
    });
    OnEndPrinting();
}

// ---- size and scrolling -------------------------------------------------------------

void CMapViewController::RecomputeViewCentre() {
    if (!m_Doc) return;
    m_ViewCentre = ClientToMap(m_Desc.clientSize.cx / 2, m_Desc.clientSize.cy / 2, m_Desc, DocGeoref(*m_Doc));
}

void CMapViewController::UpdateScrollRanges() {
    if (!m_Doc) return;
    const MapSize m = m_Doc->GetMapSizePixels(m_Desc);
    const int cw = m_Desc.clientSize.cx, ch = m_Desc.clientSize.cy;
    const int lastX = SaturateToInt(m.cx * m_Desc.zoomX - 1.0),
              lastY = SaturateToInt(m.cy * m_Desc.zoomY - 1.0);
    // The bars take the last origin, not the last pixel.
    const ScrollBarRange h{std::max(0, SaturatedSum(lastX, 1LL - cw)), std::max(1, cw), std::max(1, cw / 10)};
    const ScrollBarRange v{std::max(0, SaturatedSum(lastY, 1LL - ch)), std::max(1, ch), std::max(1, ch / 10)};
    if (m_Host) m_Host->SetScrollRanges(h, v);
}

void CMapViewController::SetScrollOrigin(int x, int y) {
    const MapPoint old = m_Desc.origin;
    if (m_Host) m_Host->SetScrollPositions(x, y);
    m_Desc.origin = {x, y};
    const long long dx = 1LL * old.x - x, dy = 1LL * old.y - y;
    if (dx != 0 || dy != 0) m_HitA.Reset();  // the pointer is over another spot now
    if ((dx != 0 || dy != 0) && m_Host) {
        if (std::llabs(dx) < m_Desc.clientSize.cx && std::llabs(dy) < m_Desc.clientSize.cy)
            m_Host->ScrollContents(int(dx), int(dy));
        else
            m_Host->InvalidateAll();
    }
    RecomputeViewCentre();
}

void CMapViewController::OnUserScroll(int x, int y) {
    // A scroll-bar action by the user ends tracking.
    m_Desc.tracking = kTrackingOff;
    SetScrollOrigin(x, y);
}

void CMapViewController::Resize(int width, int height) {
    m_Desc.clientSize = {std::max(0, width), std::max(0, height)};
    if (!m_Doc) return;
    UpdateScrollRanges();
    const MapSize m = m_Doc->GetMapSizePixels(m_Desc);
    MapPoint o = m_Desc.origin;
    const int cx = m_Desc.clientSize.cx, cy = m_Desc.clientSize.cy;
    if (o.x > m.cx * m_Desc.zoomX - cx) o.x = std::max(0, SaturateToInt(m.cx * m_Desc.zoomX - cx));
    if (o.y > m.cy * m_Desc.zoomY - cy) o.y = std::max(0, SaturateToInt(m.cy * m_Desc.zoomY - cy));
    if (o.x != m_Desc.origin.x || o.y != m_Desc.origin.y)
        SetScrollOrigin(o.x, o.y);
    else
        RecomputeViewCentre();
}

// ---- commands -------------------------------------------------------------------------

void CMapViewController::SetPrintGrid(int series) {
    m_Desc.printGrid = std::clamp(series, 0, kLastSeries);
    if (m_Doc) m_Doc->UpdateAllViews(nullptr, kHintAll);
}

void CMapViewController::ToggleLayer(int n) {
    if (n < 0 || n >= kLayerCount) return;
    m_Desc.layers[n] = !m_Desc.layers[n];
    if (m_Doc) m_Doc->UpdateAllViews(nullptr, kHintAll);
}

void CMapViewController::ToggleOverlay() {
    m_Desc.overlay = !m_Desc.overlay;
    if (m_Desc.mapType == kSeriesTK25)
        m_LayerAvailable[kLayerRoads] = m_LayerAvailable[kLayerObjects] = m_Desc.overlay;
    if (m_Desc.mapType == kSeriesTN10) m_LayerAvailable[kLayerObjects] = m_Desc.overlay;
    if (m_Doc) m_Doc->UpdateAllViews(nullptr, kHintAll);
}

void CMapViewController::SetUnselectedWpt(UnselectedWptMode mode) {
    m_Desc.unselectedWpt = ClampMode(mode);
    InvalidateAll();
}

void CMapViewController::SetDmrArea(DmrAreaMode mode) {
    if (mode != kDmrAreaDelayed) m_Desc.dmrArea = ClampMode(mode);
    InvalidateAll();
}

void CMapViewController::SetTracking(TrackingMode mode) { m_Desc.tracking = ClampMode(mode); }

void CMapViewController::OpenSeries(int series) {
    if (series >= 0 && series <= kLastSeries) OpenMap(series, true);
}

void CMapViewController::NextSeries() {
    if (m_Desc.mapType >= 0 && m_Desc.mapType < kLastSeries) OpenMap(m_Desc.mapType + 1, true);
}

void CMapViewController::PrevSeries() {
    if (m_Desc.mapType >= 1 && m_Desc.mapType <= kLastSeries) OpenMap(m_Desc.mapType - 1, true);
}

void CMapViewController::ToggleMouseScrolling() {
    m_Desc.mouseScrolling = !m_Desc.mouseScrolling;
    if (m_Desc.mouseScrolling && m_Host)
        m_Host->PutPointerAt(m_Desc.clientSize.cx / 2, m_Desc.clientSize.cy / 2);
}

void CMapViewController::UpdateLayerState(int n, CCmdUI& ui) const {
    const auto off = [&ui] {
        ui.SetCheck(0);
        ui.Enable(false);
    };
    if (n >= kLayerCount) {
        off();
    } else if (n < 6 && m_Desc.mapType < 0) {
        ui.Enable(false);
    } else if (n < 6 && !m_LayerAvailable[n]) {
        off();
    } else if (n == kLayerTrackLog && (!m_Doc || m_Doc->TrackLog.Count <= 0)) {
        off();
    } else if (n == kLayerDmrViewPoint && !HasDmrView()) {
        off();
    } else {
        ui.Enable(true);
        ui.SetCheck(m_Desc.layers[n] != 0);
    }
}

void CMapViewController::RegisterCommands() {
    RegisterTrackCommands();
    RegisterViewCommands();
    RegisterMouseCommands();
    RegisterRefPointCommands();
    RegisterSearchCommands();
    RegisterExportCommands();
    CCommandMap& m = m_Commands;
    auto index = [](const CCmdUI& ui, int first) { return int(ui.m_nID) - first; };

    m.AddCommandRange(cmd::PrintGridFirst, cmd::PrintGridLast,
                      [this](unsigned id) { SetPrintGrid(int(id) - cmd::PrintGridFirst); });
    m.AddUpdateRange(cmd::PrintGridFirst, cmd::PrintGridLast, [this, index](CCmdUI& ui) {
        ui.Enable(m_Desc.layers[kLayerPrintGrid] != 0);
        ui.SetCheck(m_Desc.printGrid == index(ui, cmd::PrintGridFirst));
    });
    // Layers 6, 7 and 15 have no switch of their own: their ids do nothing.
    m.AddCommandRange(cmd::LayerFirst, cmd::LayerLast, [this](unsigned id) {
        const int n = int(id) - cmd::LayerFirst;
        if (n != 6 && n != 7) ToggleLayer(n);
    });
    m.AddUpdateRange(cmd::LayerFirst, cmd::LayerLast,
                     [this, index](CCmdUI& ui) { UpdateLayerState(index(ui, cmd::LayerFirst), ui); });
    m.AddCommand(cmd::ShowOverlay, [this] { ToggleOverlay(); });
    m.AddUpdate(cmd::ShowOverlay, [this](CCmdUI& ui) {
        const bool has = m_Desc.mapType == kSeriesTK25 || m_Desc.mapType == kSeriesTN10;
        ui.Enable(has);
        ui.SetCheck(has && m_Desc.overlay != 0);
    });
    m.AddCommandRange(cmd::UnselShowAll, cmd::UnselDoNotShow, [this](unsigned id) {
        SetUnselectedWpt(UnselectedWptMode(int(id) - cmd::UnselShowAll));
    });
    m.AddUpdateRange(cmd::UnselShowAll, cmd::UnselDoNotShow, [this, index](CCmdUI& ui) {
        ui.Enable(true);
        ui.SetCheck(m_Desc.unselectedWpt == index(ui, cmd::UnselShowAll));
    });
    m.AddCommandRange(cmd::DmrAreaNever, cmd::DmrAreaAlways,
                      [this](unsigned id) { SetDmrArea(DmrAreaMode(int(id) - cmd::DmrAreaNever)); });
    m.AddUpdateRange(cmd::DmrAreaNever, cmd::DmrAreaAlways, [this, index](CCmdUI& ui) {
        const int mode = index(ui, cmd::DmrAreaNever);
        ui.Enable(mode != kDmrAreaDelayed);
        ui.SetCheck(mode != kDmrAreaDelayed && m_Desc.dmrArea == mode);
    });
    m.AddCommandRange(cmd::TrackingDisabled, cmd::TrackingDmr,
                      [this](unsigned id) { SetTracking(TrackingMode(int(id) - cmd::TrackingDisabled)); });
    m.AddUpdateRange(cmd::TrackingDisabled, cmd::TrackingDmr, [this, index](CCmdUI& ui) {
        const int mode = index(ui, cmd::TrackingDisabled);
        ui.SetCheck(m_Desc.tracking == mode);
        if (mode == kTrackingGps)
            ui.Enable(Settings().gpsEnabled != 0);
        else if (mode == kTrackingDmr)
            ui.Enable(HasDmrView());
        else
            ui.Enable(true);
    });
    m.AddCommandRange(cmd::OpenMapFirst, cmd::OpenMapLast,
                      [this](unsigned id) { OpenSeries(int(id) - cmd::OpenMapFirst); });
    m.AddUpdateRange(cmd::OpenMapFirst, cmd::OpenMapLast, [this, index](CCmdUI& ui) {
        ui.Enable(true);
        ui.SetCheck(m_Desc.mapType == index(ui, cmd::OpenMapFirst));
    });
    m.AddCommand(cmd::NextSeries, [this] { NextSeries(); });
    m.AddUpdate(cmd::NextSeries,
                [this](CCmdUI& ui) { ui.Enable(m_Desc.mapType >= 0 && m_Desc.mapType < kLastSeries); });
    m.AddCommand(cmd::PrevSeries, [this] { PrevSeries(); });
    m.AddUpdate(cmd::PrevSeries, [this](CCmdUI& ui) { ui.Enable(m_Desc.mapType > 0); });
    m.AddCommand(cmd::MouseScrolling, [this] { ToggleMouseScrolling(); });
    m.AddUpdate(cmd::MouseScrolling, [this](CCmdUI& ui) { ui.SetCheck(m_Desc.mouseScrolling != 0); });
    m.AddCommand(cmd::Print, [this] { OnFilePrint(); });
    m.AddCommand(cmd::PrintPreview, [this] { OnFilePrintPreview(); });
}
