#pragma once
// The program's one main window: menu, toolbar, status bar and the client
// area in one of five pane layouts of map views, the 3-D view and its control
// panel. It keeps the active map view, to which most display commands go,
// the window rectangle and the split ratios. It owns no subsystem: the root
// puts the document's, the GPS links' and the application's commands in its
// chain.

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mapview/MapViewFrame.h"
#include "platform/Commands.h"

class CAppCommands;
class CDlgAppearance;
class CMapViewController;
class CNmeaReceiver;
class CCommandActions;
class CVornaDoc;
class CVornaView;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
struct AppSettings;

// The stored window rectangle when it is usable, else the default one; in
// both cases moved (and if need be shrunk) onto one of the screens.
QRect PlaceWindowRect(const QRect& stored, const QRect& fallback, const std::vector<QRect>& screens);
// The rectangle of the stored edges (right and bottom exclusive); edges that
// make no rectangle, or one wider than an int can hold, give an empty one.
QRect StoredWindowRect(int left, int top, int right, int bottom);

// The 3-D panes, made by their own subsystem; a plain placeholder when not set.
// gps: the receiver whose position the map panes show and the 3-D view sticks
// to (not owned; none: no live position).
struct MainFramePanes {
    std::function<QWidget*(QWidget* parent)> dmrView;
    std::function<QWidget*(QWidget* parent)> controlPanel;
    CNmeaReceiver* gps = nullptr;
};

class CMainFrame : public QMainWindow, public IMapViewFrame {
    Q_OBJECT
public:
    using PaneFactories = MainFramePanes;

    // Builds bars and menus, places the window from the settings and makes the
    // layout of settings.splitStyle. doc may be null (no map panes then).
    CMainFrame(CVornaDoc* doc, AppSettings& settings, PaneFactories panes = {});
    ~CMainFrame() override;

    // ---- layouts ---------------------------------------------------------
    // Switches to another layout; nothing when it is the one shown.
    void ChangeSplitter(SplitStyle style);
    SplitStyle CurrentStyle() const { return m_CurrentStyle; }

    // ---- panes for other code -------------------------------------------
    int MapViewCount() const override { return m_MapViewCount; }
    int MapViewCountTest() const override { return m_TestCount; }
    int FrameGuard() const override { return m_Dummy; }
    int ActiveIndex() const { return m_ActiveIndex; }
    CVornaView* MapView(int i) const { return i >= 0 && i < 2 ? m_pVornaView[i] : nullptr; }
    CVornaView* ActiveMapView() const { return MapView(m_ActiveIndex); }
    // The active pane's controller, first in the command chain; null without one.
    CMapViewController* ActiveController() const;
    QWidget* DmrView() const { return m_pDmrView; }
    QWidget* ControlPanel() const { return m_pInputView; }
    QSplitter* MainSplitter() const { return m_MainSplitter; }
    QSplitter* SubSplitter() const { return m_SubSplitter; }

    // IMapViewFrame
    void SetActiveVornaView(int index) override;
    bool HasDmrView() const override { return m_pDmrView != nullptr; }
    SplitStyle Layout() const override { return m_CurrentStyle; }

    // ---- status bar and bars --------------------------------------------
    // Pane 0 := text until the pointer next reaches a part of the window
    // that is not a map pane; then "Ready".
    void SetStatusText(const std::string& text) override;
    void RestoreReady() override;
    QString StatusText() const;
    void HideBars();

    // ---- commands --------------------------------------------------------
    CCommandRouter& Router() { return m_Router; }
    CCommandRouter* CommandRouter() override { return &m_Router; }
    CCommandActions& Actions() { return *m_Actions; }
    CAppCommands& AppCommands() { return *m_AppCommands; }
    // The document's command target, between the active view and the frame.
    void SetDocumentTarget(ICommandTarget* target) { m_DocTarget = target; }
    // Brings every menu item and button up to date.
    void UpdateCommandStates();
    // The window's idle step (toolbar states).
    bool OnIdle(long count);
    // Asked when the window is to close, while it is still up; false keeps it.
    std::function<bool()> closeRequest;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Files dropped on the window: the first one is opened as by File > Open.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateBars();
    void BuildMenus();
    void RegisterFrameCommands();
    // "Open Image..." and "Show Image" (MainFrmImageMap.cpp).
    void AddImageMapCommands();
    bool CheckGuards(const char* where);

    // Builds the panes of style s into a new central widget; false after a
    // creation failure (message shown).
    bool BuildLayout(SplitStyle s, bool switching);
    CVornaView* NewMapView(QWidget* parent);
    QWidget* NewDmrView(QWidget* parent);
    QWidget* NewControlPanel(QWidget* parent);
    QSplitter* NewSplitter(Qt::Orientation o, QWidget* parent);
    void ApplySplitRatios();
    void UpdateClientSize();
    void StoreWindowRect();
    int PaneIndexOf(const QObject* o) const;

    CVornaDoc* m_Doc;
    AppSettings& m_Settings;
    PaneFactories m_Factories;

    int m_ClientWidth = 1;
    int m_ClientHeight = 1;
    QLabel* m_StatusLabel = nullptr;
    QToolBar* m_ToolBar = nullptr;
    int m_StatusFlag = 0;
    QSplitter* m_MainSplitter = nullptr;
    QSplitter* m_SubSplitter = nullptr;
    CVornaView* m_pVornaView[2] = {nullptr, nullptr};
    QWidget* m_pDmrView = nullptr;
    QWidget* m_pInputView = nullptr;
    int m_Dummy = 222;
    int m_MapViewCount = 0;
    int m_ActiveIndex = -1;
    int m_TestCount = 0;
    SplitStyle m_CurrentStyle = SplitStyle::None;
    QPointer<QWidget> m_FindDialog;               // never opened: the command is a stub
    QPointer<CDlgAppearance> m_AppearanceDialog;  // "Colors and Fonts", while open
    bool m_ApplyingRatios = false;
    bool m_RectStored = false;

    CCommandRouter m_Router;
    CCommandMap m_FrameCommands;
    std::unique_ptr<CAppCommands> m_AppCommands;
    ICommandTarget* m_DocTarget = nullptr;
    CCommandActions* m_Actions = nullptr;  // child QObject
    std::vector<QMenu*> m_Menus;

    // ---- the 3-D view ------------------------------------------------------
public:
    // Brings panel and settings in step (toPanel: the settings changed, else
    // the panel did), redraws the 3-D view and moves map pane 0 with it.
    void UpdateDmr(bool toPanel, bool redraw) override;
    // The 3-D pane's share of idle time; true while it has rows to draw.
    bool OnDmrIdle();
    // There is a 3-D pane and it is not drawing.
    bool DmrRenderIdle() const;

private:
    void RegisterDmrCommands();
    // The panel goes (another layout, the end): what it shows and the
    // settings do not yet hold is taken into the settings, as its Apply
    // would, so no choice on screen is silently lost.
    void TakePanelEdits();
    // A picture is finished: map pane 0 shows where it was seen from.
    void OnDmrPictureFinished();
    void LoadDmrViewPoint();
    void SaveDmrViewPoint();
    void GoToDmrViewPoint();
    // Map pane 0 follows the view point from now on (when there is one).
    void TrackDmrInMapView0();
};

// The main window of the run, or null.
CMainFrame* MainFrame();
