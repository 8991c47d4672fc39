#pragma once
// One map pane's behaviour without its window: what it shows (the view
// descriptor), its claims on segments and waypoint bases, the print area,
// the settings slot, map opening, the document's update hints and the pane's
// commands. The main frame puts the active pane's controller first in the
// command chain; the widget only passes events in and paints what this says.

#include <QRect>
#include <memory>

#include "doc/DocView.h"
#include "doc/MapViewDesc.h"
#include "doc/SegmentCache.h"
#include "mapdraw/ViewModes.h"
#include "mapview/ContextMenus.h"
#include "mapview/HitRecord.h"
#include "mapview/MapViewHost.h"
#include "platform/Commands.h"

class CVornaDoc;
class IMapViewFrame;
class IMapViewHost;
class QPainter;
class QPrinter;
class QPageLayout;

// The printable part of a page, in hundredths of a millimetre: the paper in
// its orientation less the printer's margins.
MapSize PrintablePageHmm(const QPageLayout& page);

class CNmeaReceiver;
struct AppSettings;

class CMapViewController : public IDocView, public ICommandTarget {
public:
    // host may be null (nothing is shown then); doc may be null (the pane
    // stays empty and its commands do nothing).
    CMapViewController(CVornaDoc* doc, IMapViewHost* host);
    ~CMapViewController() override;
    CMapViewController(const CMapViewController&) = delete;
    CMapViewController& operator=(const CMapViewController&) = delete;

    void SetFrame(IMapViewFrame* frame) { m_Frame = frame; }
    CVornaDoc* GetDocument() const { return m_Doc; }
    // The live position shown on the map and in the status text (none: not shown).
    void SetGpsReceiver(const CNmeaReceiver* gps) { m_Gps = gps; }
    // The settings of the document the pane shows.
    AppSettings& Settings() const;

    // Settings slot (0-2) into the pane, then opens its map.
    void InitFromSettings(int viewIndex, int slot);
    // Back into the slot (nothing with slot -1).
    void SaveToSettings();
    // mapType kMapNone..4; keepCentre: the grid point at the pane's centre stays there.
    void OpenMap(int mapType, bool keepCentre);
    void ComputePrintArea();

    void OnUpdate(IDocView* sender, long hint, const void* hintObject) override;
    // The pane became the active one (focus or click).
    void OnActivateView(bool activate);

    // ---- the pane's commands (also reached through the command chain) ---
    bool OnCommand(unsigned id) override { return !Declines(id) && m_Commands.OnCommand(id); }
    bool OnUpdateCommand(unsigned id, CCmdUI& ui) override {
        return !Declines(id) && m_Commands.OnUpdateCommand(id, ui);
    }
    bool HasCommand(unsigned id) const override { return !Declines(id) && m_Commands.HasCommand(id); }

    void SetPrintGrid(int series);
    void ToggleLayer(int n);
    void ToggleOverlay();
    void SetUnselectedWpt(UnselectedWptMode mode);
    void SetDmrArea(DmrAreaMode mode);
    void SetTracking(TrackingMode mode);
    void OpenSeries(int series);  // keeps the centre
    void NextSeries();            // Page Down
    void PrevSeries();            // Page Up
    void ToggleMouseScrolling();  // Tab

    // ---- painting and printing ------------------------------------------
    // The pane's picture and the print frame on the window's painter.
    void Paint(QPainter& dc);
    // The printed page on any device (printer, PDF, a test image).
    void DrawPrintPage(QPainter& dc);
    // The job without its dialog: print area check and question, one page,
    // release of the print claims. False when cancelled or failed.
    bool PrintTo(QPrinter& printer);
    bool OnPreparePrinting();
    void OnEndPrinting();
    void OnFilePrint();
    void OnFilePrintPreview();

    // ---- size and scrolling ---------------------------------------------
    // The window's client area changed size.
    void Resize(int width, int height);
    void SetScrollOrigin(int x, int y);
    // The user moved a scroll bar to (x, y).
    void OnUserScroll(int x, int y);
    void UpdateScrollRanges();

    // ---- view commands (MapViewCommands.cpp) ----
    // Moves the print area to the adjacent area across the frame edge
    // (kFrameTop..kFrameLeft), aligned to the series' print grid.
    void SnapPrintFrame(int handle);
    // Re-centres on (E, N) when it lies more than margin percent of the half
    // pane off the centre; 0 centres unless already exactly centred.
    void CenterOnPosition(double E, double N, double margin);
    // A scroll-bar action (a QAbstractSlider::SliderAction) on the bar of
    // that orientation; position is where the bar put its thumb. The pane
    // decides the new origin: steps, clamps and the end beeps are its own.
    void OnScrollAction(Qt::Orientation bar, int action, int position);
    // The context menu's target as the menu code sets it; for callers that
    // pick a command without opening the menu.
    void SetContextTarget(const HitRecord& hit, CPointD pos, QPoint pt);

    // ---- state ----------------------------------------------------------
    MapViewDesc& Desc() { return m_Desc; }
    const MapViewDesc& Desc() const { return m_Desc; }
    int ViewIndex() const { return m_ViewIndex; }
    int SettingsSlot() const { return m_SettingsSlot; }
    bool LayerAvailable(int n) const { return n >= 0 && n < 6 && m_LayerAvailable[n] != 0; }
    CPointD ViewCentre() const { return m_ViewCentre; }
    QRect PrintFrame() const { return m_PrintFrame; }
    MapSize MaxPrintSize() const { return m_MaxPrintSize; }
    int PrintWidth() const { return m_PrintWidth; }
    int PrintHeight() const { return m_PrintHeight; }
    void SetPrintWidthHeight(int w, int h) {
        m_PrintWidth = w;
        m_PrintHeight = h;
    }
    bool HasSegmentFlags() const { return m_SInView != nullptr; }

    static constexpr int kHandleSize = 3;

    // ---- the object under the pointer and the context menu's target ------
    // Hit A follows the pointer; hit B, the context position and point are
    // set when a context menu opens and serve the command picked from it.
    const HitRecord& HitA() const { return m_HitA; }
    const HitRecord& HitB() const { return m_HitB; }
    CPointD ContextPosition() const { return m_ContextPos; }
    QPoint ContextPoint() const { return m_ContextPoint; }
    MouseMode GetMouseMode() const { return m_MouseMode; }
    int RouteNumber() const { return m_RouteNumber; }

    // ---- mouse and context menu ----
    // Points are client pixels. control: the Control key was held.
    void HitTest(int x, int y, HitRecord& hit);
    void OnLButtonDown(QPoint p, bool control);
    void OnLButtonUp(QPoint p);
    void OnLButtonDblClk(QPoint p);
    void OnMButtonDown(QPoint p);
    void OnMButtonUp(QPoint p);
    void OnMouseMove(QPoint p);
    // The pointer grab ended without a button release (focus out, Escape, a
    // message box): a dragged waypoint goes back, the frame stays as it was.
    void OnGrabLost();
    // The pointer left the pane.
    void OnMouseLeave();
    CursorShape Cursor() const;
    // Cursor() to the window.
    void UpdateCursor();
    // The position text for p (caption, object or height, GPS position); hit
    // A is refreshed on the way.
    std::string StatusTextAt(QPoint p);
    // A drag or pan holds the pointer.
    bool HasCapture() const { return m_Drag != DragKind::None; }
    bool IsPanning() const { return m_Drag == DragKind::Pan; }
    void SetMouseMode(MouseMode mode);
    // A context menu opens at client point p: records p, its map position and
    // what lies there (hit B) and says which popup to show with which texts.
    ContextMenuChoice OpenContextMenu(QPoint p);
    // The context menu is gone and its command, if any, has run.
    void EndContextMenu() { m_OpenPopup = -1; }
    IMapViewFrame* Frame() const { return m_Frame; }

private:
    // ---- search field and route commands (SearchCommands.cpp) ----
    void RegisterSearchCommands();
    void EndRouteDrawing();
    void CenterOnRoute(int slot);
    // A dragged search-area point goes back to where the drag began.
    void CancelSearchDrag();
    int m_RouteNumber = -1;  // the slot that drawing mode extends
    unsigned m_DragSearchCode = 0;
    int m_DragSearchIndex = -1;
    CPointD m_DragSearchStart;

    // ---- track log commands ----
    // TrackCommands.cpp
    void RegisterTrackCommands();
    // The context target's point when it still lies in the log, else -1.
    int TrackTarget() const;
    void CenterOnTrackPoint(int k);
    // Centres on point k, or says which end of the log the step ran into.
    void StepToTrackPoint(int k, const char* limit);
    // Sets the selection ends (-2 leaves one as it is) and repaints.
    void SetTrackSelection(int start, int end);
    void DeleteTrackSelection();

    void RegisterCommands();
    void RegisterRefPointCommands();  // RefPointCommands.cpp
    void RegisterExportCommands();    // MapViewExport.cpp
    // The image popup carries "Select Wpts in Sector" under the id of the
    // document's "Select All Temp Wpts": this pane takes that id only from
    // its open image popup.
    bool Declines(unsigned id) const;
    ContextMenuChoice ChooseContextMenu(QPoint p);
    int m_OpenPopup = -1;
    void RegisterViewCommands();  // MapViewCommands.cpp
    void UpdateLayerState(int n, CCmdUI& ui) const;
    void ReleaseSegmentFlags(bool printSet, const char* where, bool release);
    void AllocateSegmentFlags(bool printSet);
    void ReleaseQuadrants(const char* where);
    void InvalidateAll();
    void RecomputeViewCentre();
    bool HasDmrView() const;
    void DrawPrintFrame(QPainter& dc);

    CVornaDoc* m_Doc;
    const CNmeaReceiver* m_Gps = nullptr;
    IMapViewHost* m_Host;
    IMapViewFrame* m_Frame = nullptr;
    CCommandMap m_Commands;
    int m_Guard = 555;
    int m_ViewIndex = -1;
    int m_SettingsSlot = -1;
    int m_IndexCopy = -1;
    MapViewDesc m_Desc;
    int m_LayerAvailable[6] = {};
    QRect m_PrintFrame;
    CPointD m_ViewCentre;
    QuadrantFlags m_QInView{};
    QuadrantFlags m_QInPrint{};
    std::unique_ptr<SegmentFlags> m_SInView;
    std::unique_ptr<SegmentFlags> m_SInPrint;
    int m_SInViewMem = 0;
    int m_SInPrintMem = 0;
    bool m_SettingsSaved = false;
    MapSize m_MaxPrintSize;
    int m_PrintWidth = -1;
    int m_PrintHeight = -1;
    HitRecord m_HitA;
    HitRecord m_HitB;
    CPointD m_ContextPos;
    QPoint m_ContextPoint;
    MouseMode m_MouseMode = MouseMode::Normal;
    // mouse state
    enum class DragKind { None, Waypoint, Frame, Pan, SearchPoint };
    void RegisterMouseCommands();
    QRect FrameRectFromCentre() const;
    QRect DragFrameTo(QPoint p) const;
    void InvalidateFrameBands(const QRect& f);
    // The dragged record, looked up afresh; null when its base closed, the
    // index left the base or another record took the place.
    WaypointRecord* DraggedRecord();
    void EndWaypointDrag(QPoint p, bool dropped);
    void EndFrameDrag(QPoint p);
    void MouseScroll(QPoint p);
    DragKind m_Drag = DragKind::None;
    QPoint m_DragStart;
    QPoint m_DragPoint;  // the dragged object's client point at the start
    int m_DragBase = -1;
    int m_DragIndex = -1;
    WaypointRecord m_DragCopy{};  // as it was at the start
    int m_DragHandle = kFrameNone;
    QRect m_FrameAtStart;
    QRect m_DragFrame;
    QPoint m_LastPointer{-1, -1};  // mouse scrolling where the pointer cannot be moved
    bool m_HasLastPointer = false;
};
