#include "frame/MainFrm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>

#include "dmr/DmrParamsIO.h"
#include "dmrview/DmrPanel.h"
#include "dmrview/DmrView.h"
#include "doc/VornaDoc.h"
#include "frame/AppCommands.h"
#include "frame/CommandTable.h"
#include "frame/DlgAppearance.h"
#include "frame/DlgChoice.h"
#include "frame/Icons.h"
#include "frame/PanePlaceholder.h"
#include "geo/Convert.h"
#include "gps/NmeaReceiver.h"
#include "mapview/MapViewController.h"
#include "mapview/VornaView.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platformui/CommandActions.h"
#include "platformui/QtPrompter.h"

namespace {

CMainFrame* g_MainFrame = nullptr;

// The first local file among dropped items; empty when there is none.
QString FirstDroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) return url.toLocalFile();
    return {};
}

constexpr int kMinPane = 10;
constexpr int kRetiredPaneId = 0x809a;  // old panes while a layout is replaced

int ClampRatio(int r) { return std::clamp(r, 0, 1000); }

QString TipPart(const char* prompt, int part) {
    const QStringList parts = QString::fromLatin1(prompt ? prompt : "").split(u'\n');
    return part < parts.size() ? parts[part] : QString();
}

}  // namespace

CMainFrame* MainFrame() { return g_MainFrame; }

QRect StoredWindowRect(int left, int top, int right, int bottom) {
    const long long w = 1LL * right - left, h = 1LL * bottom - top;
    if (w <= 0 || h <= 0 || w > INT_MAX || h > INT_MAX) return QRect();
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

namespace {
// Edges in 64 bits, right and bottom exclusive: a rectangle near the int
// limits overflows QRect's own width and move arithmetic.
struct Box {
    long long l, t, r, b;
};
Box BoxOf(const QRect& q) { return {q.left(), q.top(), 1LL + q.right(), 1LL + q.bottom()}; }
long long Overlap(const Box& a, const Box& b) {
    const long long w = std::min(a.r, b.r) - std::max(a.l, b.l), h = std::min(a.b, b.b) - std::max(a.t, b.t);
    return w > 0 && h > 0 ? w * h : 0;
}
}  // namespace

QRect PlaceWindowRect(const QRect& stored, const QRect& fallback, const std::vector<QRect>& screens) {
    if (screens.empty()) return stored.isValid() ? stored : fallback;
    Box r = BoxOf(stored);
    bool onScreen = false;
    if (stored.isValid())
        for (const QRect& s : screens)
            if (Overlap(BoxOf(s), r) > 0) onScreen = true;
    if (!onScreen) r = fallback.isValid() ? BoxOf(fallback) : Box{0, 0, 500, 500};
    // The screen holding most of it, else the first.
    Box best = BoxOf(screens.front());
    long long bestArea = -1;
    for (const QRect& s : screens) {
        const long long area = Overlap(BoxOf(s), r);
        if (area > bestArea) {
            bestArea = area;
            best = BoxOf(s);
        }
    }
    const long long w = std::min(r.r - r.l, best.r - best.l), h = std::min(r.b - r.t, best.b - best.t);
    const long long l = std::clamp(r.l, best.l, best.r - w), t = std::clamp(r.t, best.t, best.b - h);
    return QRect(int(l), int(t), int(w), int(h));
}

CMainFrame::CMainFrame(CVornaDoc* doc, AppSettings& settings, PaneFactories panes)
    : m_Doc(doc), m_Settings(settings), m_Factories(std::move(panes)) {
    if (!g_MainFrame) g_MainFrame = this;
    setWindowTitle(kProgramTitle);

    m_AppCommands = std::make_unique<CAppCommands>(this, m_Settings, [this] { return m_Doc; });
    if (m_Doc) AddImageMapCommands();
    // The active map pane first, then the document, the frame, the application.
    m_Router.AddTargetProvider([this]() -> ICommandTarget* { return ActiveController(); });
    m_Router.AddTargetProvider([this]() -> ICommandTarget* { return m_DocTarget; });
    m_Router.AddTarget(&m_FrameCommands);
    m_Router.AddTarget(m_AppCommands.get());
    m_Actions = new CCommandActions(this, m_Router);
    RegisterFrameCommands();
    SetCommandWindow(this, &m_Router);

    CreateBars();
    BuildMenus();
    for (int id : MapPaneKeyCommands())
        m_Actions->SetFocusRule(unsigned(id),
                                [this](const QWidget* focus) { return PaneIndexOf(focus) >= 0; });

    // The window rectangle as stored, put back on a screen when it is unusable.
    const QRect stored = StoredWindowRect(m_Settings.windowLeft, m_Settings.windowTop, m_Settings.windowRight,
                                          m_Settings.windowBottom);
    std::vector<QRect> screens;
    for (QScreen* s : QGuiApplication::screens()) screens.push_back(s->availableGeometry());
    setGeometry(PlaceWindowRect(stored, QRect(0, 0, 500, 500), screens));

    // OnCreateClient
    CheckGuards("OnCreateClient");
    m_CurrentStyle = SplitStyle::None;
    m_MapViewCount = m_TestCount = 0;
    m_ActiveIndex = -1;
    const SplitStyle style = SplitStyle(m_Settings.splitStyle);
    if (BuildLayout(style, false)) m_CurrentStyle = style;
    qApp->installEventFilter(this);
    setAcceptDrops(true);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    ClearCommandWindow(this);
    if (qApp) qApp->removeEventFilter(this);
    StoreWindowRect();
    // The panes go while the frame is whole: a view's destructor saves its
    // settings and may still ask the frame.
    for (int i = 0; i < m_MapViewCount; ++i)
        if (m_pVornaView[i]) m_pVornaView[i]->Controller().SaveToSettings();
    delete takeCentralWidget();
    m_pVornaView[0] = m_pVornaView[1] = nullptr;
    m_pDmrView = m_pInputView = nullptr;
    m_MainSplitter = m_SubSplitter = nullptr;
    if (m_FindDialog) delete m_FindDialog;
    if (m_AppearanceDialog) delete m_AppearanceDialog;
    if (g_MainFrame == this) g_MainFrame = nullptr;
}

// ---- bars and menus --------------------------------------------------------

void CMainFrame::CreateBars() {
    m_ToolBar = addToolBar("Toolbar");
    m_ToolBar->setObjectName("Toolbar");
    m_ToolBar->setIconSize(QSize(16, 16));
    m_StatusLabel = new QLabel("Ready", this);
    m_StatusLabel->setObjectName("StatusPane0");
    statusBar()->addWidget(m_StatusLabel, 1);
    // CAPS, NUM and SCRL cannot be read portably; their panes stay empty.
    for (const char* name : {"IndicatorCaps", "IndicatorNum", "IndicatorScrl"}) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setMinimumWidth(32);
        statusBar()->addPermanentWidget(l);
    }
}

void CMainFrame::BuildMenus() {
    std::map<QString, QMenu*> menus;
    std::map<unsigned, int> seen;  // id -> times placed in a menu
    auto menuFor = [&](const QString& path) {
        QMenu*& slot = menus[path];
        if (slot) return slot;
        const qsizetype cut = path.lastIndexOf(u'/');
        const QString title = cut < 0 ? path : path.mid(cut + 1);
        if (cut < 0) {
            slot = menuBar()->addMenu(title);
        } else {
            QMenu* parent = menus[path.left(cut)];
            if (!parent) parent = menus[path.left(cut)] = menuBar()->addMenu(path.left(cut));
            slot = parent->addMenu(title);
        }
        slot->setObjectName(path);
        m_Actions->WatchMenu(slot);
        m_Menus.push_back(slot);
        return slot;
    };

    for (const MenuItemDef& d : MainMenuTable()) {
        if (d.id == 0) {
            if (d.path) menuFor(QString::fromLatin1(d.path))->addSeparator();
            continue;
        }
        const QString text = QString::fromLatin1(d.text ? d.text : "");
        QAction* main = m_Actions->Action(d.id);
        if (!main) {
            main = m_Actions->Add(d.id, text, KeyList(d.keys));
            main->setCheckable(d.checkable);
            main->setStatusTip(TipPart(d.prompt, 0));
            const QString tip = TipPart(d.prompt, 1);
            if (!tip.isEmpty()) main->setToolTip(tip);
            main->setIconVisibleInMenu(false);
        }
        if (!d.path) continue;
        QMenu* menu = menuFor(QString::fromLatin1(d.path));
        if (seen[d.id]++ == 0 || text == main->text()) {
            menu->addAction(main);
            continue;
        }
        // The same command under another text: a second item that follows
        // the command's state and runs it.
        auto* alias = new QAction(text, menu);
        alias->setCheckable(main->isCheckable());
        alias->setStatusTip(main->statusTip());
        menu->addAction(alias);
        const unsigned id = d.id;
        connect(menu, &QMenu::aboutToShow, alias, [alias, main] {
            alias->setEnabled(main->isEnabled());
            alias->setChecked(main->isChecked());
        });
        connect(alias, &QAction::triggered, this, [this, id, alias, main] {
            m_Router.Execute(id);
            m_Actions->Update(main);
            alias->setChecked(main->isChecked());
        });
    }

    for (int id : ToolbarTable()) {
        if (id == 0) {
            m_ToolBar->addSeparator();
            continue;
        }
        QAction* a = m_Actions->Action(id);
        if (!a) continue;
        a->setIcon(CommandIcon(id));
        m_ToolBar->addAction(a);
    }
}

void CMainFrame::UpdateCommandStates() { m_Actions->UpdateAll(); }

bool CMainFrame::OnIdle(long count) {
    // The 3-D step is the idle hook's, last in each pass.
    return m_Actions->OnIdle(count);
}

// ---- guards ------------------------------------------------------------------

bool CMainFrame::CheckGuards(const char* where) {
    bool ok = true;
    if (m_Dummy != 222) {
        MsgBox(std::string("FrmDummy! ") + where);
        ok = false;
    }
    if (m_MapViewCount != m_TestCount) {
        MsgBox(Format("Count=%d,Test=%d %s", m_MapViewCount, m_TestCount, where));
        ok = false;
    }
    return ok;
}

// ---- layouts -----------------------------------------------------------------

CVornaView* CMainFrame::NewMapView(QWidget* parent) {
    if (!m_Doc) return nullptr;
    auto* v = new CVornaView(m_Doc, parent);
    v->Controller().SetFrame(this);
    v->Controller().SetGpsReceiver(m_Factories.gps);
    v->setMinimumSize(kMinPane, kMinPane);
    return v;
}

static CDmrView* DmrPane(QWidget* w) { return qobject_cast<CDmrView*>(w); }

QWidget* CMainFrame::NewDmrView(QWidget* parent) {
    QWidget* w = m_Factories.dmrView ? m_Factories.dmrView(parent)
                 : m_Doc ? static_cast<QWidget*>(new CDmrView(*m_Doc, m_Settings, m_Doc->Memory(), parent))
                         : new CPanePlaceholder("3-D view", parent);
    if (CDmrView* pane = DmrPane(w)) pane->SetFinishedHook([this] { OnDmrPictureFinished(); });
    if (w) w->setMinimumSize(kMinPane, kMinPane);
    return w;
}

QWidget* CMainFrame::NewControlPanel(QWidget* parent) {
    QWidget* w =
        m_Factories.controlPanel
            ? m_Factories.controlPanel(parent)
            : new CDmrPanel(
                  m_Settings.dmr, [this](bool toPanel, bool redraw) { UpdateDmr(toPanel, redraw); }, parent);
    if (w) w->setMinimumSize(kMinPane, kMinPane);
    return w;
}

QSplitter* CMainFrame::NewSplitter(Qt::Orientation o, QWidget* parent) {
    auto* s = new QSplitter(o, parent);
    s->setChildrenCollapsible(false);
    s->setOpaqueResize(true);
    // Ratios follow the user's drags only, so a resize or a minimise never
    // wears them down by rounding.
    connect(s, &QSplitter::splitterMoved, this, [this, s](int pos, int) {
        if (m_ApplyingRatios) return;
        UpdateClientSize();
        if (s == m_MainSplitter) {
            const int r = SaturateToInt(pos * 1000.0 / m_ClientWidth);
            (m_CurrentStyle == SplitStyle::TwoMaps ? m_Settings.twoMapVertSplitRatio
                                                   : m_Settings.mapDmrVertSplitRatio) = ClampRatio(r);
        } else if (s == m_SubSplitter) {
            m_Settings.mapDmrHorSplitRatio = ClampRatio(SaturateToInt(pos * 1000.0 / m_ClientHeight));
        }
    });
    return s;
}

bool CMainFrame::BuildLayout(SplitStyle s, bool switching) {
    auto fatal = [](const char* text) {
        MsgBox(text, MB_OK | MB_ICONERROR);
        return false;
    };
    QWidget* central = nullptr;
    QSplitter* mainSplit = nullptr;
    QSplitter* subSplit = nullptr;
    CVornaView* maps[2] = {nullptr, nullptr};
    QWidget* dmr = nullptr;
    QWidget* panel = nullptr;
    int slot[2] = {-1, -1};

    switch (s) {
        case SplitStyle::MapOnly:
            maps[0] = NewMapView(nullptr);
            if (!maps[0]) return fatal("Fatal Error! Can not create map or DMR View!");
            central = maps[0];
            slot[0] = 0;
            break;
        case SplitStyle::DmrOnly:
            dmr = NewDmrView(nullptr);
            if (!dmr) return fatal("Fatal Error! Can not create map or DMR View!");
            central = dmr;
            break;
        case SplitStyle::MapDmr:
        case SplitStyle::DmrMap: {
            const bool mapLeft = s == SplitStyle::MapDmr;
            mainSplit = NewSplitter(Qt::Horizontal, nullptr);
            subSplit = NewSplitter(Qt::Vertical, nullptr);
            QWidget* first =
                mapLeft ? static_cast<QWidget*>(maps[0] = NewMapView(nullptr)) : (dmr = NewDmrView(nullptr));
            if (!first) {
                delete mainSplit;
                delete subSplit;
                return fatal("Fatal Error! Can not create first map view in three map splitter!");
            }
            mainSplit->addWidget(first);
            mainSplit->addWidget(subSplit);
            QWidget* second =
                mapLeft ? (dmr = NewDmrView(nullptr)) : static_cast<QWidget*>(maps[0] = NewMapView(nullptr));
            if (!second) {
                delete mainSplit;
                return fatal("Fatal Error! Can not create second map view in three map splitter!");
            }
            subSplit->addWidget(second);
            panel = NewControlPanel(nullptr);
            if (!panel) {
                delete mainSplit;
                return fatal("Fatal Error! Can not create third map view in three map splitter!");
            }
            subSplit->addWidget(panel);
            central = mainSplit;
            slot[0] = mapLeft ? 0 : 1;
            break;
        }
        case SplitStyle::TwoMaps:
            mainSplit = NewSplitter(Qt::Horizontal, nullptr);
            maps[0] = NewMapView(nullptr);
            if (!maps[0]) {
                delete mainSplit;
                return fatal("Fatal Error! Can not create first map view in two map splitter!");
            }
            mainSplit->addWidget(maps[0]);
            maps[1] = NewMapView(nullptr);
            if (!maps[1]) {
                delete mainSplit;
                return fatal("Fatal Error! Can not create second map view in two map splitter!");
            }
            mainSplit->addWidget(maps[1]);
            central = mainSplit;
            slot[0] = 0;
            slot[1] = 2;
            break;
        default:
            // An unknown style makes no pane: the client area stays empty.
            central = new QWidget;
            break;
    }

    // The new panes take over.
    QWidget* old = takeCentralWidget();
    if (old) old->setObjectName(QString::number(kRetiredPaneId));
    m_MainSplitter = mainSplit;
    m_SubSplitter = subSplit;
    m_pVornaView[0] = maps[0];
    m_pVornaView[1] = maps[1];
    m_pDmrView = dmr;
    m_pInputView = panel;
    m_MapViewCount = m_TestCount = maps[1] ? 2 : maps[0] ? 1 : 0;
    m_ActiveIndex = maps[0] ? 0 : -1;
    m_CurrentStyle = s;  // the ratios below are those of the new style
    setCentralWidget(central);
    central->installEventFilter(this);
    ApplySplitRatios();
    for (int i = 0; i < 2; ++i)
        if (maps[i]) maps[i]->Controller().InitFromSettings(i, slot[i]);
    if (switching && m_Doc) m_Doc->UpdateAllViews(nullptr, 0);
    if (QWidget* first = maps[0] ? static_cast<QWidget*>(maps[0]) : dmr)
        first->setFocus(Qt::OtherFocusReason);
    delete old;  // each old map view stored its settings before
    return true;
}

void CMainFrame::ChangeSplitter(SplitStyle style) {
    CheckGuards("ChangeSplitter");
    if (style == m_CurrentStyle) return;
    TakePanelEdits();
    UpdateClientSize();
    for (int i = 0; i < m_MapViewCount; ++i)
        if (m_pVornaView[i]) m_pVornaView[i]->Controller().SaveToSettings();
    m_ActiveIndex = -1;
    m_MapViewCount = m_TestCount = 0;
    if (!BuildLayout(style, true)) {
        // The old panes stay, but no command is routed to them any more.
        m_pVornaView[0] = m_pVornaView[1] = nullptr;
        m_pDmrView = m_pInputView = nullptr;
        return;
    }
    m_CurrentStyle = style;
    m_Settings.splitStyle = int(style);
    UpdateClientSize();
    UpdateCommandStates();
}

void CMainFrame::UpdateClientSize() {
    const QWidget* c = centralWidget();
    m_ClientWidth = c ? std::max(1, c->width()) : 1;
    m_ClientHeight = c ? std::max(1, c->height()) : 1;
}

void CMainFrame::ApplySplitRatios() {
    if (!m_MainSplitter) return;
    UpdateClientSize();
    m_ApplyingRatios = true;
    const int vert = ClampRatio(m_CurrentStyle == SplitStyle::TwoMaps ? m_Settings.twoMapVertSplitRatio
                                                                      : m_Settings.mapDmrVertSplitRatio);
    const int handle = m_MainSplitter->handleWidth();
    const int a = std::max(kMinPane, int((long long)vert * m_ClientWidth / 1000));
    m_MainSplitter->setSizes({a, std::max(kMinPane, m_ClientWidth - a - handle)});
    if (m_SubSplitter) {
        const int hor = ClampRatio(m_Settings.mapDmrHorSplitRatio);
        const int h = std::max(kMinPane, int((long long)hor * m_ClientHeight / 1000));
        m_SubSplitter->setSizes({h, std::max(kMinPane, m_ClientHeight - h - m_SubSplitter->handleWidth())});
    }
    m_ApplyingRatios = false;
}

CMapViewController* CMainFrame::ActiveController() const {
    CVornaView* v = ActiveMapView();
    return v ? &v->Controller() : nullptr;
}

void CMainFrame::SetActiveVornaView(int index) {
    CheckGuards("SetActiveVornaView");
    if (index < 0) {
        MsgBox("Error! VornaView index (" + std::to_string(index) + ") not set in SetActiveVornaView");
    } else if (index < m_MapViewCount) {
        m_ActiveIndex = index;
    } else {
        MsgBox(Format("VornaIndex=%d>=Count=%d SetActiveVornaView", index, m_MapViewCount));
    }
}

// ---- status bar, events --------------------------------------------------------

void CMainFrame::SetStatusText(const std::string& text) {
    m_StatusLabel->setText(Latin1Text(text));
    m_StatusFlag = 1;
}

QString CMainFrame::StatusText() const { return m_StatusLabel->text(); }

void CMainFrame::RestoreReady() {
    if (!m_StatusFlag) return;
    m_StatusLabel->setText("Ready");
    m_StatusFlag = 0;
}

void CMainFrame::HideBars() {
    m_ToolBar->hide();
    statusBar()->hide();
}

int CMainFrame::PaneIndexOf(const QObject* o) const {
    if (!o || !o->isWidgetType()) return -1;
    auto* w = static_cast<const QWidget*>(o);
    for (int i = 0; i < m_MapViewCount; ++i)
        if (m_pVornaView[i] && (m_pVornaView[i] == w || m_pVornaView[i]->isAncestorOf(w))) return i;
    return -1;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Resize:
            if (watched == centralWidget()) ApplySplitRatios();
            break;
        case QEvent::Enter:
            // The map panes write their own texts; anywhere else "Ready" returns.
            if (m_StatusFlag && watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this &&
                PaneIndexOf(watched) < 0)
                RestoreReady();
            break;
        case QEvent::Leave:
            if (m_StatusFlag && watched->isWidgetType() &&
                (watched == m_pVornaView[0] || watched == m_pVornaView[1]))
                RestoreReady();
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (closeRequest && !closeRequest()) {
        event->ignore();
        return;
    }
    StoreWindowRect();
    TakePanelEdits();
    QMainWindow::closeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) {
    if (m_Doc && !FirstDroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QString file = FirstDroppedFile(event->mimeData());
    if (!m_Doc || file.isEmpty()) return;
    event->acceptProposedAction();
    // Opened once the drop is over: the drag source waits for its answer
    // while a message box of the opening would be up.
    QMetaObject::invokeMethod(
        this,
        [this, path = PathBytes(file)] {
            if (m_Doc) OpenDocumentFile(*m_Doc, path, m_AppCommands->documentPath);
        },
        Qt::QueuedConnection);
}

void CMainFrame::StoreWindowRect() {
    const QRect r = isVisible() || !normalGeometry().isEmpty() ? normalGeometry() : geometry();
    if (r.isEmpty()) return;
    m_Settings.windowLeft = r.left();
    m_Settings.windowTop = r.top();
    m_Settings.windowRight = int(std::min<long long>(INT_MAX, 1LL + r.right()));
    m_Settings.windowBottom = int(std::min<long long>(INT_MAX, 1LL + r.bottom()));
}

// ---- commands ------------------------------------------------------------------

void CMainFrame::RegisterFrameCommands() {
    CCommandMap& m = m_FrameCommands;
    const auto styleOf = [](unsigned id) {
        return SplitStyle(int(id) - cmd::LayoutMapOnly + kSplitStyleFirst);
    };
    m.AddCommandRange(cmd::LayoutMapOnly, cmd::LayoutTwoMaps,
                      [this, styleOf](unsigned id) { ChangeSplitter(styleOf(id)); });
    m.AddUpdateRange(cmd::LayoutMapOnly, cmd::LayoutTwoMaps, [this, styleOf](CCmdUI& ui) {
        ui.Enable(true);
        ui.SetRadio(styleOf(ui.m_nID) == m_CurrentStyle);
    });
    m.AddCommand(cmd::ViewToolbar, [this] { m_ToolBar->setHidden(!m_ToolBar->isHidden()); });
    m.AddUpdate(cmd::ViewToolbar, [this](CCmdUI& ui) { ui.SetCheck(!m_ToolBar->isHidden()); });
    m.AddCommand(cmd::ViewStatusBar, [this] { statusBar()->setHidden(!statusBar()->isHidden()); });
    m.AddUpdate(cmd::ViewStatusBar, [this](CCmdUI& ui) { ui.SetCheck(!statusBar()->isHidden()); });
    m.AddCommand(cmd::Exit, [this] { close(); });
    m.AddCommand(cmd::FindWaypoint, [] { MsgBox("Not implemented yet!"); });
    m.AddUpdate(cmd::FindWaypoint, [this](CCmdUI& ui) {
        const CMapViewController* c = ActiveController();
        ui.Enable(c && c->Desc().mapType >= 0);
        ui.SetCheck(m_FindDialog ? 1 : 0);
    });

    // Which map pane the commands act on.
    m.AddCommandRange(cmd::ActivateView0, cmd::ActivateView1, [this](unsigned id) {
        const int i = int(id) - cmd::ActivateView0;
        if (i >= m_MapViewCount || !m_pVornaView[i]) return;
        m_ActiveIndex = i;
        m_pVornaView[i]->setFocus(Qt::OtherFocusReason);
    });
    m.AddUpdateRange(cmd::ActivateView0, cmd::ActivateView1, [this](CCmdUI& ui) {
        ui.Enable(m_MapViewCount > 1);
        ui.SetCheck(m_MapViewCount >= 2 && m_ActiveIndex == int(ui.m_nID) - cmd::ActivateView0);
    });
    RegisterDmrCommands();
    AddAppearanceCommand(
        m, this, m_AppearanceDialog,
        [this] { return static_cast<const CMapViewController*>(ActiveController()); }, m_Doc,
        m_Settings.appearance);
}

// ---- the 3-D view ----------------------------------------------------------------

namespace {
CDmrPanel* DmrPanelPane(QWidget* w) { return qobject_cast<CDmrPanel*>(w); }

constexpr const char* kDvpFilter = "DMR View Points (*.dvp);;All Files (*)";
}  // namespace

void CMainFrame::UpdateDmr(bool toPanel, bool redraw) {
    DmrParams& dmr = m_Settings.dmr;
    if (CDmrPanel* panel = DmrPanelPane(m_pInputView)) panel->UpdateControls(toPanel);
    CDmrView* pane = DmrPane(m_pDmrView);
    if (!redraw || !pane) return;
    pane->Redraw();
    // The pane may have gone with a message box of the render.
    if (!m_pVornaView[0]) return;
    CMapViewController& view = m_pVornaView[0]->Controller();
    const CGpsTriple hint(view.Desc().dmrViewPoint, dmr.ViewPoint, dmr.PrevViewPoint);
    if (view.Desc().tracking == kTrackingDmr)
        view.CenterOnPosition(dmr.ViewPoint.easting, dmr.ViewPoint.northing, 20.0);
    view.OnUpdate(nullptr, kHintDmrViewPoint, &hint);
}

void CMainFrame::TakePanelEdits() {
    if (CDmrPanel* panel = DmrPanelPane(m_pInputView)) panel->UpdateControls(false);
}

void CMainFrame::OnDmrPictureFinished() {
    if (!m_pVornaView[0]) return;
    const DmrParams& dmr = m_Settings.dmr;
    CMapViewController& view = m_pVornaView[0]->Controller();
    const CGpsTriple hint(view.Desc().dmrViewPoint, dmr.ViewPoint, dmr.PrevViewPoint);
    view.Desc().dmrViewPoint = dmr.ViewPoint;
    view.Desc().azimuth = dmr.Azimut;
    view.Desc().viewAngle = dmr.ViewAngle;
    view.OnUpdate(nullptr, kHintDmrViewPoint, &hint);
}

bool CMainFrame::OnDmrIdle() {
    CDmrView* pane = DmrPane(m_pDmrView);
    return pane && pane->IdleStep();
}

bool CMainFrame::DmrRenderIdle() const {
    CDmrView* pane = DmrPane(m_pDmrView);
    return pane && pane->Renderer().GetState() == CDmrRenderer::State::Idle;
}

void CMainFrame::TrackDmrInMapView0() {
    if (m_pVornaView[0]) m_pVornaView[0]->Controller().Desc().tracking = kTrackingDmr;
}

void CMainFrame::LoadDmrViewPoint() {
    if (!m_pDmrView) return;
    FileDialogRequest req{"Load DMR ViewPoint", m_Settings.startDirectory, {}, kDvpFilter, "dvp"};
    if (!Prompter().OpenFile(req)) return;
    if (!ReadDmrViewPoint(req.fileName, m_Settings.dmr)) {
        MsgBox("Error! Can not open DMR View Point");
        return;
    }
    m_Settings.dmr.StickToGps = 0;
    UpdateDmr(true, true);
}

void CMainFrame::SaveDmrViewPoint() {
    if (!m_pDmrView) return;
    FileDialogRequest req{"Save DMR ViewPoint", m_Settings.startDirectory, {}, kDvpFilter, "dvp"};
    if (!Prompter().SaveFile(req)) return;
    if (!WriteDmrViewPoint(req.fileName, m_Settings.dmr)) MsgBox("Error! Can not save DMR View Point");
}

void CMainFrame::GoToDmrViewPoint() {
    if (!m_pVornaView[0]) {
        MsgBox("VornaView does not exist!");
        return;
    }
    CMapViewController& view = m_pVornaView[0]->Controller();
    const CPointD p = view.Desc().dmrViewPoint;
    MsgBox(Format("Dmr View Point\nEasting:  %.1f\nNorthing: %.0f", p.easting, p.northing));
    // The box may have ended the layout.
    if (m_pVornaView[0]) m_pVornaView[0]->Controller().CenterOnPosition(p.easting, p.northing, 0.0);
}

void CMainFrame::RegisterDmrCommands() {
    CCommandMap& m = m_FrameCommands;
    DmrParams& dmr = m_Settings.dmr;
    m.AddCommand(cmd::DmrLoadViewPoint, [this] { LoadDmrViewPoint(); });
    m.AddCommand(cmd::DmrSaveViewPoint, [this] { SaveDmrViewPoint(); });
    m.AddUpdateRange(cmd::DmrLoadViewPoint, cmd::DmrSaveViewPoint,
                     [this](CCmdUI& ui) { ui.Enable(m_pDmrView != nullptr); });
    m.AddCommand(cmd::DmrGoToViewPoint, [this] { GoToDmrViewPoint(); });
    m.AddCommand(cmd::DmrRelativeHeight, [this, &dmr] {
        dmr.IsRelHeight = !dmr.IsRelHeight;
        UpdateDmr(true, true);
    });
    m.AddUpdate(cmd::DmrRelativeHeight, [&dmr](CCmdUI& ui) { ui.SetCheck(dmr.IsRelHeight != 0); });
    m.AddCommand(cmd::DmrPreview, [this, &dmr] {
        dmr.PreviewMode = dmr.PreviewMode ? 0 : 1;
        UpdateDmr(true, true);
    });
    m.AddUpdate(cmd::DmrPreview, [&dmr](CCmdUI& ui) { ui.SetCheck(dmr.PreviewMode == 0); });
    // A wireframe does not depend on the surface.
    m.AddCommand(cmd::DmrChangeSurface, [this, &dmr] {
        dmr.SurfaceType = dmr.SurfaceType == 2 ? 3 : 2;
        UpdateDmr(true, dmr.PreviewMode != 0);
    });
    // The pending move redraws; before a fix there is no position to move to.
    m.AddCommand(cmd::DmrStickToGps, [this, &dmr] {
        dmr.StickToGps = 1;
        UpdateDmr(true, false);
        if (CNmeaReceiver* gps = m_Factories.gps; gps && gps->HadFixSinceOpen()) gps->GpsMovePending = 1;
    });
    const auto move = [this, &dmr](double forward) {
        MoveDmrViewPoint(dmr, forward * dmr.MoveStep, 0.0);
        TrackDmrInMapView0();
        UpdateDmr(true, true);
    };
    m.AddCommand(cmd::DmrMoveForward, [move] { move(1.0); });
    m.AddCommand(cmd::DmrMoveBackward, [move] { move(-1.0); });
    const auto raise = [this, &dmr](int direction) {
        RaiseDmrViewPoint(dmr, direction);
        UpdateDmr(true, true);
    };
    m.AddCommand(cmd::DmrMoveUp, [raise] { raise(1); });
    m.AddCommand(cmd::DmrMoveDown, [raise] { raise(-1); });
    const auto turn = [this, &dmr](double degrees) {
        TurnDmrHeading(dmr, degrees);
        TrackDmrInMapView0();
        UpdateDmr(true, true);
    };
    m.AddCommand(cmd::DmrTurnLeft, [turn] { turn(-5.0); });
    m.AddCommand(cmd::DmrTurnRight, [turn] { turn(5.0); });
    m.AddCommand(cmd::DmrApply, [this] { UpdateDmr(false, true); });
}
