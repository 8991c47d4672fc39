#include "view/VornaView.h"

#include <QCursor>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>
#include <new>

#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "platform/Commands.h"
#include "platform/Prompt.h"
#include "view/AppPrinter.h"
#include "view/DrawDocument.h"
#include "view/MapTransforms.h"
#include "view/MapViewFrame.h"
#include "view/PaintMessages.h"

namespace {

constexpr COLORREF kFrameColour = 0x808080;

int ClampMode(int v) { return std::clamp(v, 0, 2); }

}  // namespace

CVornaView::CVornaView(CVornaDoc* doc, QWidget* parent) : QAbstractScrollArea(parent), m_Doc(doc) {
    for (int i = 0; i < kLayerCount; ++i) m_Desc.layers[i] = 1;
    m_Desc.scale = 0.0;
    m_Desc.printGrid = -3;
    const CVornaApp& app = VornaApp();
    m_Desc.dmrViewPoint = app.dmr.ViewPoint;
    m_Desc.azimuth = app.dmr.Azimut;
    m_Desc.viewAngle = app.dmr.ViewAngle;
    VornaApp().memUse[kMemViews] += 1;

    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(pal);
    if (m_Doc) m_Doc->AddView(this);
}

CVornaView::~CVornaView() {
    if (m_SettingsSaved == 0) SaveToSettings();
    VornaApp().memUse[kMemViews] -= 1;
    if (m_Doc) {
        m_Doc->RemoveView(this);
        m_Doc->SelectActiveWptQuadrants(CRectD(), m_QInView, 0);
        if (std::any_of(m_QInView.begin(), m_QInView.end(), [](int f) { return f != 0; })) {
            m_QInView.fill(0);
            MsgBox("Error! Not entire WptQInView is FALSE after deselecting sectors in ~CVornaView");
        }
        m_Doc->SelectActiveWptQuadrants(CRectD(), m_QInPrint, 0);
    }
    ReleaseSegmentFlags(m_SInView, "SInView", "~CVornaView", true, false);
    ReleaseSegmentFlags(m_SInPrint, "SInPrint", "~CVornaView", true, false);
}

bool CVornaView::CheckDoc() const { return m_Doc != nullptr; }

void CVornaView::ReleaseSegmentFlags(std::unique_ptr<SegmentFlags>& flags, const char* which, const char* where,
                                     bool release, bool print) {
    int& mem = flags.get() == m_SInView.get() && &flags == &m_SInView ? m_SInViewMem : m_SInPrintMem;
    const MemCounter counter = &flags == &m_SInView ? kMemSegInView : kMemSegPrint;
    const bool inDestructor = std::string(where) == "~CVornaView";
    if (flags) {
        if (release && m_Doc && m_Desc.mapType >= 0) {
            m_Doc->SelectActiveMapSegments(m_Desc, CRectD(), *flags, print ? 1 : 0);
            if (std::any_of(flags->begin(), flags->end(), [](int f) { return f != 0; }))
                PaintMessage(Format("Error! Not entire %s is FALSE after deselecting segments in %s", which, where));
        }
        if (mem == 0)
            PaintMessage(inDestructor ? Format("Internal Warning! %s exists but size is 0 in CVornaView destructor!", which)
                                      : Format("Internal Warning! %sMem exists, but size is 0 in CVornaView::OnUpdate!", which));
        VornaApp().CountFree(counter, mem);
        flags.reset();
        mem = 0;
    }
    if (mem != 0)
        PaintMessage(inDestructor ? Format("Internal Warning! %s not allocated, but size is != 0 in CVornaView destructor!", which)
                                  : Format("Internal Warning! %sMem not allocated, but size is != 0 in CVornaView::OnUpdate!", which));
}

// ---- settings ------------------------------------------------------------

void CVornaView::InitFromSettings(int viewIndex, int slot) {
    m_ViewIndex = viewIndex;
    m_TestIndex = viewIndex;
    m_SettingsSlot = slot;
    if (slot < 0 || slot >= kViewSlots) return;
    const ViewSettings& v = VornaApp().views[slot];
    // Values from the INI file are brought into range before use.
    int type = v.mapType;
    if (type > 4 || type < kMapNone) type = kMapNone;
    for (int i = 0; i < kLayerCount; ++i) m_Desc.layers[i] = v.layers[i];
    m_Desc.overlay = v.overlay;
    m_Desc.printGrid = std::clamp(v.printGrid, 0, 4);
    m_Desc.dmrArea = ClampMode(v.dmrArea);
    m_Desc.unselectedWpt = ClampMode(v.unselectedWpt);
    m_Desc.tracking = ClampMode(v.tracking);
    m_Desc.mouseScrolling = v.scrollMode != 0;
    m_Desc.origin = {v.originX, v.originY};
    m_Desc.printCenter = v.printCenter;
    m_PrintWidth = std::max(v.printWidth, -1);
    m_PrintHeight = std::max(v.printHeight, -1);
    OpenMap(type, 0);
}

void CVornaView::SaveToSettings() {
    if (m_SettingsSlot < 0 || m_SettingsSlot >= kViewSlots) return;
    ViewSettings& v = VornaApp().views[m_SettingsSlot];
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
    m_SettingsSaved = 1;
}

// ---- opening a map -------------------------------------------------------

void CVornaView::UpdateClientSize() {
    m_Desc.clientSize = {viewport()->width(), viewport()->height()};
}

void CVornaView::OpenMap(int t, int keep) {
    if (!CheckDoc()) return;
    UpdateClientSize();
    m_Desc.zoomX = m_Desc.zoomY = 1.0;
    // The centre as it stands now, so that the first keep-centre open after
    // start-up does not jump to whatever the centre was at construction.
    if (m_Desc.mapType >= 0 || m_Desc.mapType == kMapImageGeo) RecomputeViewCentre();

    m_Doc->SelectActiveWptQuadrants(CRectD(), m_QInView, 0);
    if (std::any_of(m_QInView.begin(), m_QInView.end(), [](int f) { return f != 0; })) {
        m_QInView.fill(0);
        PaintMessage("Error! Not entire QInView is FALSE after deselecting sectors in OpenMap");
    }
    ReleaseSegmentFlags(m_SInView, "SInView", "OpenMap", true, false);
    ReleaseSegmentFlags(m_SInPrint, "SInPrint", "OpenMap", false, false);

    if (t < 0) {
        m_Desc.mapType = std::max(t, int(kMapNone));
        m_Desc.origin = {0, 0};
        std::fill(std::begin(m_LayerAvailable), std::end(m_LayerAvailable), 0);
        m_Desc.scale = 1.0;
    } else {
        t = std::min(t, 4);
        const MapTypeInfo& info = VornaApp().mapTypes[t];
        m_Desc.mapType = t;
        m_Desc.scale = info.scale;
        m_Desc.segmentsPerSide = info.segmentsPerSide;
        m_Desc.segmentCount = info.segmentCount;
        m_Desc.segmentPixels = info.pixels;
        m_Desc.segmentMetres = info.segmentMetres;
        std::fill(std::begin(m_LayerAvailable), std::end(m_LayerAvailable), 1);
        switch (t) {
            case 0:
                m_LayerAvailable[0] = m_LayerAvailable[3] = 0;
                break;
            case 2:
                m_LayerAvailable[3] = m_LayerAvailable[4] = m_Desc.overlay != 0;
                break;
            case 3:
                m_LayerAvailable[4] = m_Desc.overlay != 0;
                break;
            case 4:
                std::fill(std::begin(m_LayerAvailable), std::end(m_LayerAvailable), 0);
                break;
        }
        const GeorefParams geo = DocGeoref(*m_Doc);
        if (keep) {
            m_Desc.origin = {0, 0};
            const MapPoint q = MapToClient(m_ViewCentre, m_Desc, geo);
            m_Desc.origin = {SatAdd(q.x, -(m_Desc.clientSize.cx / 2)), SatAdd(q.y, -(m_Desc.clientSize.cy / 2))};
        } else {
            m_ViewCentre = ClientToMap(m_Desc.clientSize.cx / 2, m_Desc.clientSize.cy / 2, m_Desc, geo);
        }
        const int count = std::max(0, int(m_Desc.segmentCount));
        try {
            m_SInView = std::make_unique<SegmentFlags>(count, 0);
            m_SInViewMem = 4 * count;
            VornaApp().CountAlloc(kMemSegInView, m_SInViewMem);
        } catch (const std::bad_alloc&) {
            PaintMessage("Internal Error! Not enough memory for SInView in CVornaView::OnUpdate!");
        }
        try {
            m_SInPrint = std::make_unique<SegmentFlags>(count, 0);
            m_SInPrintMem = 4 * count;
            VornaApp().CountAlloc(kMemSegPrint, m_SInPrintMem);
        } catch (const std::bad_alloc&) {
            PaintMessage("Internal Error! Not enough memory for SInPrint in CVornaView::OnUpdate!");
        }
    }
    // Also for image maps and no map: the print frame is drawn on every pane.
    ComputePrintArea();
    UpdateScrollRanges();
    SetScrollOrigin(m_Desc.origin.x, m_Desc.origin.y);
    RepaintAll();
}

void CVornaView::ComputePrintArea() {
    const CVornaApp& app = VornaApp();
    long long w, h;
    if (HasDefaultPrinter()) {
        QPrinter& pr = AppPrinter();
        w = 100LL * pr.widthMM() - app.printMarginLeft - app.printMarginRight;
        h = 100LL * pr.heightMM() - app.printMarginTop - app.printMarginBottom - app.printTitleMargin;
    } else {
        w = 21000LL - app.printMarginLeft - app.printMarginRight;
        h = 29700LL - app.printMarginTop - app.printMarginBottom - app.printTitleMargin;
    }
    // Margins wider than the page still leave a frame that can be seen and
    // grabbed.
    constexpr int kMin = 2 * kHandleSize;
    m_MaxPrintSize = {std::max(kMin, SaturateToInt(double(w) * kHmmToPixels / 100.0)),
                      std::max(kMin, SaturateToInt(double(h) * kHmmToPixels / 100.0))};
    auto side = [kMin](int user, long long page, int maxPx) {
        if (user != -1 && user <= page)
            return std::clamp(SaturateToInt(user * kHmmToPixels / 100.0), kMin, maxPx);
        return maxPx;
    };
    m_Desc.printSize = {side(m_PrintWidth, w, m_MaxPrintSize.cx), side(m_PrintHeight, h, m_MaxPrintSize.cy)};
}

// ---- activation and hints ------------------------------------------------

void CVornaView::OnActivateView(bool activate) {
    if (m_Dummy != 555) MsgBox("Dummy changed in OnActivate");
    if (m_ViewIndex != m_TestIndex) MsgBox(Format("Index=%d,Test=%d OnActivate", m_ViewIndex, m_TestIndex));
    if (activate && m_Frame) m_Frame->SetActiveVornaView(m_ViewIndex);
}

void CVornaView::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    OnActivateView(true);
}

void CVornaView::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    QAbstractScrollArea::mousePressEvent(e);
}

void CVornaView::RepaintAll() { viewport()->update(); }

void CVornaView::OnUpdate(IDocView*, long hint, const void* obj) {
    switch (hint) {
        case 1:
            if (m_Desc.mapType < 0 && m_Doc)
                OpenMap(m_Doc->ImageMapType, 1);
            else
                RepaintAll();
            break;
        case 4:
            if (obj)
                viewport()->update(*static_cast<const QRect*>(obj));
            else
                RepaintAll();
            break;
        case 5:
            if (!CheckDoc()) return;
            ComputePrintArea();
            RepaintAll();
            break;
        case 6:
            if (m_Desc.layers[kLayerDmrViewPoint]) RepaintAll();
            break;
        default:
            // Waypoint and track pieces (2, 3) repaint all until their
            // painters can tell their rectangles.
            RepaintAll();
            break;
    }
}

// ---- painting ------------------------------------------------------------

void CVornaView::paintEvent(QPaintEvent*) {
    CPaintMessageScope messages;
    QPainter dc(viewport());
    // As a fresh device context: white brush, black pen, opaque white text
    // background.
    dc.setBrush(Qt::white);
    dc.setPen(Qt::black);
    dc.setBackground(Qt::white);
    dc.setBackgroundMode(Qt::OpaqueMode);
    dc.setRenderHint(QPainter::Antialiasing, false);

    if (m_Dummy != 555) PaintMessage("ViewDummy! OnDraw");
    if (m_ViewIndex != m_TestIndex) PaintMessage(Format("Index=%d,Test=%d OnDraw", m_ViewIndex, m_TestIndex));
    DrawTarget target;
    if (m_Frame) {
        if (m_Frame->FrameGuard() != 222) PaintMessage("FrmDummy! OnDraw");
        if (m_Frame->MapViewCount() != m_Frame->MapViewCountTest())
            PaintMessage(Format("Count=%d,Test=%d OnDraw", m_Frame->MapViewCount(), m_Frame->MapViewCountTest()));
        target.hasDmrView = m_Frame->HasDmrView();
        target.splitStyle = m_Frame->SplitStyle();
    }
    if (!CheckDoc()) return;
    m_Desc.clientSize = {viewport()->width(), viewport()->height()};
    DrawDocument(*m_Doc, dc, target, m_Desc, &m_QInView, m_SInView.get());

    // The print frame: a border inverted with the grey brush, so that drawing
    // it twice removes it.
    const GeorefParams geo = DocGeoref(*m_Doc);
    const MapPoint c = MapToClient(m_Desc.printCenter, m_Desc, geo);
    const int l = SatAdd(c.x, -(m_Desc.printSize.cx / 2)), t = SatAdd(c.y, -(m_Desc.printSize.cy / 2));
    m_PrintFrame = QRect(l, t, m_Desc.printSize.cx, m_Desc.printSize.cy);
    const QRect& f = m_PrintFrame;
    const int hs = kHandleSize;
    if (f.width() > 0 && f.height() > 0) {
        dc.save();
        dc.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        const QColor grey = QColor::fromRgb(ColorRefToRgb(kFrameColour));
        const int bw = std::min(hs, f.width()), bh = std::min(hs, f.height());
        dc.fillRect(QRect(f.left(), f.top(), f.width(), bh), grey);
        if (f.height() > bh) dc.fillRect(QRect(f.left(), f.bottom() - bh + 1, f.width(), std::min(bh, f.height() - bh)), grey);
        const int midTop = f.top() + bh, midH = f.height() - 2 * bh;
        if (midH > 0) {
            dc.fillRect(QRect(f.left(), midTop, bw, midH), grey);
            if (f.width() > bw) dc.fillRect(QRect(f.right() - bw + 1, midTop, std::min(bw, f.width() - bw), midH), grey);
        }
        dc.restore();
    }
}

// ---- printing ------------------------------------------------------------

bool CVornaView::OnPreparePrinting() {
    if (!CheckDoc()) return false;
    const MapSize before = m_Desc.printSize;
    ComputePrintArea();
    m_Doc->UpdateAllViews(nullptr, 0);
    if (before.cx != m_Desc.printSize.cx || before.cy != m_Desc.printSize.cy) {
        if (MsgBox("Warning! Print area has changed due to the change in printer or paper. Do you want to "
                   "continue?",
                   MB_YESNO) == IDNO)
            return false;
    }
    return true;
}

void CVornaView::OnEndPrinting() {
    if (!m_Doc) return;
    if (m_SInPrint) m_Doc->SelectActiveMapSegments(m_Desc, CRectD(), *m_SInPrint, 1);
    m_Doc->SelectActiveWptQuadrants(CRectD(), m_QInPrint, 0);
}

void CVornaView::DrawPrintPage(QPainter& dc) {
    if (!CheckDoc() || !dc.device()) return;
    DrawTarget target;
    target.printing = true;
    target.dpiX = dc.device()->logicalDpiX();
    target.dpiY = dc.device()->logicalDpiY();
    if (m_Frame) {
        target.hasDmrView = m_Frame->HasDmrView();
        target.splitStyle = m_Frame->SplitStyle();
    }
    dc.save();
    dc.setBrush(Qt::white);
    dc.setPen(Qt::black);
    dc.setBackground(Qt::white);
    dc.setBackgroundMode(Qt::OpaqueMode);
    DrawDocument(*m_Doc, dc, target, m_Desc, &m_QInPrint, m_SInPrint.get());
    dc.restore();
}

bool CVornaView::PrintTo(QPrinter& printer) {
    if (!OnPreparePrinting()) return false;
    bool ok = false;
    {
        CPaintMessageScope messages;
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

void CVornaView::OnFilePrint() {
    QPrinter& printer = AppPrinter();
    QPrintDialog dlg(&printer, this);
    if (dlg.exec() != QDialog::Accepted) return;
    PrintTo(printer);
}

void CVornaView::OnFilePrintPreview() {
    if (!OnPreparePrinting()) return;
    QPrinter& printer = AppPrinter();
    QPrintPreviewDialog dlg(&printer, this);
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* pr) {
        CPaintMessageScope messages;
        QPainter dc(pr);
        DrawPrintPage(dc);
    });
    dlg.exec();
    OnEndPrinting();
}

// ---- scrolling -----------------------------------------------------------

void CVornaView::RecomputeViewCentre() {
    if (!m_Doc) return;
    m_ViewCentre = ClientToMap(m_Desc.clientSize.cx / 2, m_Desc.clientSize.cy / 2, m_Desc, DocGeoref(*m_Doc));
}

void CVornaView::UpdateScrollRanges() {
    if (!m_Doc) return;
    const MapSize m = m_Doc->GetMapSizePixels(m_Desc);
    const int cw = m_Desc.clientSize.cx, ch = m_Desc.clientSize.cy;
    const int maxX = SaturateToInt(m.cx * m_Desc.zoomX - 1.0), maxY = SaturateToInt(m.cy * m_Desc.zoomY - 1.0);
    m_SettingOrigin = true;
    // Qt's maximum is the last origin, the original's the last pixel.
    horizontalScrollBar()->setPageStep(std::max(1, cw));
    horizontalScrollBar()->setSingleStep(std::max(1, cw / 10));
    horizontalScrollBar()->setRange(0, std::max(0, maxX - cw + 1));
    verticalScrollBar()->setPageStep(std::max(1, ch));
    verticalScrollBar()->setSingleStep(std::max(1, ch / 10));
    verticalScrollBar()->setRange(0, std::max(0, maxY - ch + 1));
    m_SettingOrigin = false;
}

void CVornaView::SetScrollOrigin(int x, int y) {
    const MapPoint old = m_Desc.origin;
    m_SettingOrigin = true;
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
    m_SettingOrigin = false;
    m_Desc.origin = {x, y};
    const long long dx = 1LL * old.x - x, dy = 1LL * old.y - y;
    if (dx != 0 || dy != 0) {
        if (std::llabs(dx) < viewport()->width() && std::llabs(dy) < viewport()->height())
            viewport()->scroll(int(dx), int(dy));
        else
            RepaintAll();
    }
    RecomputeViewCentre();
}

void CVornaView::scrollContentsBy(int, int) {
    if (m_SettingOrigin) return;
    // A scroll-bar action by the user ends tracking.
    m_Desc.tracking = 0;
    SetScrollOrigin(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CVornaView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    if (!m_Doc) return;
    UpdateClientSize();
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

// ---- routed display commands ---------------------------------------------

void CVornaView::SetPrintGrid(int n) {
    m_Desc.printGrid = std::clamp(n, 0, 4);
    if (m_Doc) m_Doc->UpdateAllViews(nullptr, 0);
}

void CVornaView::OnUpdatePrintGrid(int n, CCmdUI& ui) const {
    ui.Enable(m_Desc.layers[kLayerPrintGrid] != 0);
    ui.SetCheck(m_Desc.printGrid == n);
}

void CVornaView::ToggleLayer(int n) {
    if (n < 0 || n >= kLayerCount) return;
    m_Desc.layers[n] = !m_Desc.layers[n];
    if (m_Doc) m_Doc->UpdateAllViews(nullptr, 0);
}

void CVornaView::OnUpdateLayer(int n, CCmdUI& ui) const {
    if (n < 0 || n >= kLayerCount) {
        ui.Enable(false);
        ui.SetCheck(0);
        return;
    }
    if (n < 6) {
        if (m_Desc.mapType < 0) {
            ui.Enable(false);
        } else if (!m_LayerAvailable[n]) {
            ui.SetCheck(0);
            ui.Enable(false);
        } else {
            ui.Enable(true);
            ui.SetCheck(m_Desc.layers[n] != 0);
        }
    } else if (n == kLayerTrackLog && (!m_Doc || m_Doc->TrackLog.Count <= 0)) {
        ui.SetCheck(0);
        ui.Enable(false);
    } else if (n == kLayerDmrViewPoint && !(m_Frame && m_Frame->HasDmrView())) {
        ui.SetCheck(0);
        ui.Enable(false);
    } else {
        ui.Enable(true);
        ui.SetCheck(m_Desc.layers[n] != 0);
    }
}

void CVornaView::ToggleOverlay() {
    m_Desc.overlay = !m_Desc.overlay;
    if (m_Desc.mapType == kSeriesTK25) m_LayerAvailable[3] = m_LayerAvailable[4] = m_Desc.overlay;
    if (m_Desc.mapType == kSeriesTN10) m_LayerAvailable[4] = m_Desc.overlay;
    if (m_Doc) m_Doc->UpdateAllViews(nullptr, 0);
}

void CVornaView::OnUpdateOverlay(CCmdUI& ui) const {
    if (m_Desc.mapType == kSeriesTK25 || m_Desc.mapType == kSeriesTN10) {
        ui.Enable(true);
        ui.SetCheck(m_Desc.overlay != 0);
    } else {
        ui.SetCheck(0);
        ui.Enable(false);
    }
}

void CVornaView::SetUnselectedWpt(int mode) {
    m_Desc.unselectedWpt = ClampMode(mode);
    RepaintAll();
}

void CVornaView::OnUpdateUnselectedWpt(int mode, CCmdUI& ui) const {
    ui.Enable(true);
    ui.SetCheck(m_Desc.unselectedWpt == mode);
}

void CVornaView::SetDmrArea(int mode) {
    if (mode == 0) m_Desc.dmrArea = 0;
    if (mode == 2) m_Desc.dmrArea = 2;
    RepaintAll();
}

void CVornaView::OnUpdateDmrArea(int mode, CCmdUI& ui) const {
    if (mode == 1) {
        ui.Enable(false);
        ui.SetCheck(0);
        return;
    }
    ui.Enable(true);
    ui.SetCheck(m_Desc.dmrArea == mode);
}

void CVornaView::SetTracking(int mode) { m_Desc.tracking = ClampMode(mode); }

void CVornaView::OnUpdateTracking(int mode, CCmdUI& ui) const {
    ui.SetCheck(m_Desc.tracking == mode);
    if (mode == 1)
        ui.Enable(VornaApp().gpsEnabled != 0);
    else if (mode == 2)
        ui.Enable(m_Frame && m_Frame->HasDmrView());
    else
        ui.Enable(true);
}

void CVornaView::OnOpenMapSeries(int series) {
    if (series >= 0 && series <= 4) OpenMap(series, 1);
}

void CVornaView::OnUpdateOpenMapSeries(int series, CCmdUI& ui) const {
    ui.Enable(true);
    ui.SetCheck(m_Desc.mapType == series);
}

void CVornaView::OnNextSeries() {
    if (m_Desc.mapType >= 0 && m_Desc.mapType <= 3) OpenMap(m_Desc.mapType + 1, 1);
}

void CVornaView::OnUpdateNextSeries(CCmdUI& ui) const { ui.Enable(m_Desc.mapType >= 0 && m_Desc.mapType <= 3); }

void CVornaView::OnPrevSeries() {
    if (m_Desc.mapType >= 1 && m_Desc.mapType <= 4) OpenMap(m_Desc.mapType - 1, 1);
}

void CVornaView::OnUpdatePrevSeries(CCmdUI& ui) const { ui.Enable(m_Desc.mapType > 0); }

void CVornaView::ToggleMouseScrolling() {
    m_Desc.mouseScrolling = !m_Desc.mouseScrolling;
    if (m_Desc.mouseScrolling) {
        const QPoint centre(2 + m_Desc.clientSize.cx / 2, 2 + m_Desc.clientSize.cy / 2);
        QCursor::setPos(mapToGlobal(centre));
    }
}

void CVornaView::OnUpdateMouseScrolling(CCmdUI& ui) const { ui.SetCheck(m_Desc.mouseScrolling != 0); }
