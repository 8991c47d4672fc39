#include "view/MainFrm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <map>

#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "geo/Convert.h"
#include "platform/CommandActions.h"
#include "platform/Prompt.h"
#include "view/AppCommands.h"
#include "view/CommandTable.h"
#include "view/Icons.h"
#include "view/PanePlaceholder.h"
#include "view/VornaView.h"

namespace {

CMainFrame* g_MainFrame = nullptr;

constexpr int kMinPane = 10;
constexpr int kRetiredPaneId = 0x809a;  // old panes while a layout is replaced

int ClampRatio(int r) { return std::clamp(r, 0, 1000); }

QString TipPart(const char* prompt, int part) {
    const QStringList parts = QString::fromLatin1(prompt ? prompt : "").split(u'\n');
    return part < parts.size() ? parts[part] : QString();
}

QList<QKeySequence> KeyList(const char* keys) {
    QList<QKeySequence> out;
    if (!keys) return out;
    for (const QString& k : QString::fromLatin1(keys).split(u';', Qt::SkipEmptyParts)) {
        QKeySequence seq = QKeySequence::fromString(k.trimmed(), QKeySequence::PortableText);
        if (!seq.isEmpty()) out.push_back(seq);
    }
    return out;
}

}  // namespace

CMainFrame* MainFrame() { return g_MainFrame; }

QRect PlaceWindowRect(const QRect& stored, const QRect& fallback, const std::vector<QRect>& screens) {
    if (screens.empty()) return stored.isValid() ? stored : fallback;
    QRect r = stored;
    bool onScreen = false;
    if (r.isValid())
        for (const QRect& s : screens)
            if (s.intersects(r)) onScreen = true;
    if (!onScreen) r = fallback.isValid() ? fallback : QRect(0, 0, 500, 500);
    // The screen holding most of it, else the first.
    const QRect* best = &screens.front();
    long long bestArea = -1;
    for (const QRect& s : screens) {
        const QRect i = s.intersected(r);
        const long long area = i.isValid() ? (long long)i.width() * i.height() : 0;
        if (area > bestArea) {
            bestArea = area;
            best = &s;
        }
    }
    r.setWidth(std::min(r.width(), best->width()));
    r.setHeight(std::min(r.height(), best->height()));
    if (r.right() > best->right()) r.moveRight(best->right());
    if (r.bottom() > best->bottom()) r.moveBottom(best->bottom());
    if (r.left() < best->left()) r.moveLeft(best->left());
    if (r.top() < best->top()) r.moveTop(best->top());
    return r;
}

CMainFrame::CMainFrame(CVornaDoc* doc, AppSettings& settings, PaneFactories panes)
    : m_Doc(doc), m_Settings(settings), m_Factories(std::move(panes)) {
    if (!g_MainFrame) g_MainFrame = this;
    setWindowTitle("Vornamap");

    m_AppCommands = std::make_unique<CAppCommands>(this, [this] { return m_Doc; });
    if (m_Doc) {
        m_Doc->AddWptCommands(m_DocCommands);
        m_DocTarget = &m_DocCommands;
    }
    m_Router.AddTargetProvider([this]() -> ICommandTarget* { return m_DocTarget; });
    m_Router.AddTarget(&m_FrameCommands);
    m_Router.AddTarget(m_AppCommands.get());
    m_Actions = new CCommandActions(this, m_Router);
    RegisterFrameCommands();
    SetCommandWindow(this, &m_Router);

    CreateBars();
    BuildMenus();

    // The window rectangle as stored, put back on a screen when it is unusable.
    const QRect stored(QPoint(m_Settings.windowLeft, m_Settings.windowTop),
                       QSize(m_Settings.windowRight - m_Settings.windowLeft,
                             m_Settings.windowBottom - m_Settings.windowTop));
    std::vector<QRect> screens;
    for (QScreen* s : QGuiApplication::screens()) screens.push_back(s->availableGeometry());
    setGeometry(PlaceWindowRect(stored, QRect(0, 0, 500, 500), screens));

    // OnCreateClient
    CheckGuards("OnCreateClient");
    m_CurrentStyle = 0;
    m_MapViewCount = m_TestCount = 0;
    m_ActiveIndex = -1;
    const int style = m_Settings.splitStyle;
    if (BuildLayout(style, false)) m_CurrentStyle = style;
    qApp->installEventFilter(this);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    ClearCommandWindow(this);
    if (qApp) qApp->removeEventFilter(this);
    StoreWindowRect();
    // The panes go while the frame is whole: a view's destructor saves its
    // settings and may still ask the frame.
    for (int i = 0; i < m_MapViewCount; ++i)
        if (m_pVornaView[i]) m_pVornaView[i]->SaveToSettings();
    delete takeCentralWidget();
    m_pVornaView[0] = m_pVornaView[1] = nullptr;
    m_pDmrView = m_pInputView = nullptr;
    m_MainSplitter = m_SubSplitter = nullptr;
    if (m_FindDialog) delete m_FindDialog;
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

bool CMainFrame::OnIdle(long count) { return m_Actions->OnIdle(count); }

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
    v->SetFrame(this);
    v->setMinimumSize(kMinPane, kMinPane);
    return v;
}

QWidget* CMainFrame::NewDmrView(QWidget* parent) {
    QWidget* w = m_Factories.dmrView ? m_Factories.dmrView(parent) : new CPanePlaceholder("3-D view", parent);
    if (w) w->setMinimumSize(kMinPane, kMinPane);
    return w;
}

QWidget* CMainFrame::NewControlPanel(QWidget* parent) {
    QWidget* w = m_Factories.controlPanel ? m_Factories.controlPanel(parent)
                                          : new CPanePlaceholder("Control panel", parent);
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
            (m_CurrentStyle == 5 ? m_Settings.twoMapVertSplitRatio : m_Settings.mapDmrVertSplitRatio) =
                ClampRatio(r);
        } else if (s == m_SubSplitter) {
            m_Settings.mapDmrHorSplitRatio = ClampRatio(SaturateToInt(pos * 1000.0 / m_ClientHeight));
        }
    });
    return s;
}

bool CMainFrame::BuildLayout(int s, bool switching) {
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
        case 1:
            maps[0] = NewMapView(nullptr);
            if (!maps[0]) return fatal("Fatal Error! Can not create map or DMR View!");
            central = maps[0];
            slot[0] = 0;
            break;
        case 2:
            dmr = NewDmrView(nullptr);
            if (!dmr) return fatal("Fatal Error! Can not create map or DMR View!");
            central = dmr;
            break;
        case 3:
        case 4: {
            mainSplit = NewSplitter(Qt::Horizontal, nullptr);
            subSplit = NewSplitter(Qt::Vertical, nullptr);
            QWidget* first =
                s == 3 ? static_cast<QWidget*>(maps[0] = NewMapView(nullptr)) : (dmr = NewDmrView(nullptr));
            if (!first) {
                delete mainSplit;
                delete subSplit;
                return fatal("Fatal Error! Can not create first map view in three map splitter!");
            }
            mainSplit->addWidget(first);
            mainSplit->addWidget(subSplit);
            QWidget* second =
                s == 3 ? (dmr = NewDmrView(nullptr)) : static_cast<QWidget*>(maps[0] = NewMapView(nullptr));
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
            slot[0] = s == 3 ? 0 : 1;
            break;
        }
        case 5:
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
        if (maps[i]) maps[i]->InitFromSettings(i, slot[i]);
    if (switching && m_Doc) m_Doc->UpdateAllViews(nullptr, 0);
    if (QWidget* first = maps[0] ? static_cast<QWidget*>(maps[0]) : dmr)
        first->setFocus(Qt::OtherFocusReason);
    delete old;  // each old map view stored its settings before
    return true;
}

void CMainFrame::ChangeSplitter(int style) {
    CheckGuards("ChangeSplitter");
    if (style == m_CurrentStyle) return;
    UpdateClientSize();
    for (int i = 0; i < m_MapViewCount; ++i)
        if (m_pVornaView[i]) m_pVornaView[i]->SaveToSettings();
    m_ActiveIndex = -1;
    m_MapViewCount = m_TestCount = 0;
    if (!BuildLayout(style, true)) {
        // The old panes stay, but no command is routed to them any more.
        m_pVornaView[0] = m_pVornaView[1] = nullptr;
        m_pDmrView = m_pInputView = nullptr;
        return;
    }
    m_CurrentStyle = style;
    m_Settings.splitStyle = style;
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
    const int vert =
        ClampRatio(m_CurrentStyle == 5 ? m_Settings.twoMapVertSplitRatio : m_Settings.mapDmrVertSplitRatio);
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
    m_StatusLabel->setText(QString::fromLatin1(text.data(), qsizetype(text.size())));
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

int CMainFrame::PaneIndexOf(QObject* o) const {
    if (!o || !o->isWidgetType()) return -1;
    auto* w = static_cast<QWidget*>(o);
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
    StoreWindowRect();
    QMainWindow::closeEvent(event);
}

void CMainFrame::StoreWindowRect() {
    const QRect r = isVisible() || !normalGeometry().isEmpty() ? normalGeometry() : geometry();
    if (r.isEmpty()) return;
    m_Settings.windowLeft = r.left();
    m_Settings.windowTop = r.top();
    m_Settings.windowRight = r.left() + r.width();
    m_Settings.windowBottom = r.top() + r.height();
}

// ---- commands ------------------------------------------------------------------

void CMainFrame::RegisterFrameCommands() {
    CCommandMap& m = m_FrameCommands;
    auto view = [this] { return ActiveMapView(); };
    auto noView = [](CCmdUI& ui) {
        ui.Enable(false);
        ui.SetCheck(0);
    };

    m.AddCommandRange(cmd::LayoutMapOnly, cmd::LayoutTwoMaps,
                      [this](unsigned id) { ChangeSplitter(int(id) - cmd::LayoutMapOnly + 1); });
    m.AddUpdateRange(cmd::LayoutMapOnly, cmd::LayoutTwoMaps, [this](CCmdUI& ui) {
        ui.Enable(true);
        ui.SetRadio(int(ui.m_nID) - cmd::LayoutMapOnly + 1 == m_CurrentStyle);
    });
    m.AddCommand(cmd::ViewToolbar, [this] { m_ToolBar->setHidden(!m_ToolBar->isHidden()); });
    m.AddUpdate(cmd::ViewToolbar, [this](CCmdUI& ui) { ui.SetCheck(!m_ToolBar->isHidden()); });
    m.AddCommand(cmd::ViewStatusBar, [this] { statusBar()->setHidden(!statusBar()->isHidden()); });
    m.AddUpdate(cmd::ViewStatusBar, [this](CCmdUI& ui) { ui.SetCheck(!statusBar()->isHidden()); });
    m.AddCommand(cmd::Exit, [this] { close(); });
    m.AddCommand(cmd::FindWaypoint, [] { MsgBox("Not implemented yet!"); });
    m.AddUpdate(cmd::FindWaypoint, [this, view](CCmdUI& ui) {
        ui.Enable(view() && view()->Desc().mapType >= 0);
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

    // Display commands of the active map pane. Without one they do nothing
    // and their items are disabled.
    m.AddCommandRange(cmd::PrintGridFirst, cmd::PrintGridLast, [view](unsigned id) {
        if (CVornaView* v = view()) v->SetPrintGrid(int(id) - cmd::PrintGridFirst);
    });
    m.AddUpdateRange(cmd::PrintGridFirst, cmd::PrintGridLast, [view, noView](CCmdUI& ui) {
        if (CVornaView* v = view())
            v->OnUpdatePrintGrid(int(ui.m_nID) - cmd::PrintGridFirst, ui);
        else
            noView(ui);
    });
    m.AddCommandRange(cmd::LayerFirst, cmd::LayerLast, [view](unsigned id) {
        const int n = int(id) - cmd::LayerFirst;
        // Layers 6, 7 and 15 have no switch of their own.
        if (n == 6 || n == 7 || n >= kLayerCount) return;
        if (CVornaView* v = view()) v->ToggleLayer(n);
    });
    m.AddUpdateRange(cmd::LayerFirst, cmd::LayerLast, [view, noView](CCmdUI& ui) {
        const int n = int(ui.m_nID) - cmd::LayerFirst;
        CVornaView* v = view();
        if (!v || n >= kLayerCount)
            noView(ui);
        else
            v->OnUpdateLayer(n, ui);
    });
    m.AddCommand(cmd::ShowOverlay, [view] {
        if (CVornaView* v = view()) v->ToggleOverlay();
    });
    m.AddUpdate(cmd::ShowOverlay, [view, noView](CCmdUI& ui) {
        if (CVornaView* v = view())
            v->OnUpdateOverlay(ui);
        else
            noView(ui);
    });
    m.AddCommandRange(cmd::UnselShowAll, cmd::UnselDoNotShow, [view](unsigned id) {
        if (CVornaView* v = view()) v->SetUnselectedWpt(int(id) - cmd::UnselShowAll);
    });
    m.AddUpdateRange(cmd::UnselShowAll, cmd::UnselDoNotShow, [view, noView](CCmdUI& ui) {
        if (CVornaView* v = view())
            v->OnUpdateUnselectedWpt(int(ui.m_nID) - cmd::UnselShowAll, ui);
        else
            noView(ui);
    });
    m.AddCommandRange(cmd::DmrAreaNever, cmd::DmrAreaAlways, [view](unsigned id) {
        if (CVornaView* v = view()) v->SetDmrArea(int(id) - cmd::DmrAreaNever);
    });
    m.AddUpdateRange(cmd::DmrAreaNever, cmd::DmrAreaAlways, [view, noView](CCmdUI& ui) {
        if (CVornaView* v = view())
            v->OnUpdateDmrArea(int(ui.m_nID) - cmd::DmrAreaNever, ui);
        else
            noView(ui);
    });
    m.AddCommandRange(cmd::TrackingDisabled, cmd::TrackingDmr, [view](unsigned id) {
        if (CVornaView* v = view()) v->SetTracking(int(id) - cmd::TrackingDisabled);
    });
    m.AddUpdateRange(cmd::TrackingDisabled, cmd::TrackingDmr, [view, noView](CCmdUI& ui) {
        if (CVornaView* v = view())
            v->OnUpdateTracking(int(ui.m_nID) - cmd::TrackingDisabled, ui);
        else
            noView(ui);
    });
    m.AddCommandRange(cmd::OpenMapFirst, cmd::OpenMapLast, [view](unsigned id) {
        if (CVornaView* v = view()) v->OnOpenMapSeries(int(id) - cmd::OpenMapFirst);
    });
    m.AddUpdateRange(cmd::OpenMapFirst, cmd::OpenMapLast, [view, noView](CCmdUI& ui) {
        if (CVornaView* v = view())
            v->OnUpdateOpenMapSeries(int(ui.m_nID) - cmd::OpenMapFirst, ui);
        else
            noView(ui);
    });
    m.AddCommand(cmd::NextSeries, [view] {
        if (CVornaView* v = view()) v->OnNextSeries();
    });
    m.AddUpdate(cmd::NextSeries, [view, noView](CCmdUI& ui) {
        if (CVornaView* v = view())
            v->OnUpdateNextSeries(ui);
        else
            noView(ui);
    });
    m.AddCommand(cmd::PrevSeries, [view] {
        if (CVornaView* v = view()) v->OnPrevSeries();
    });
    m.AddUpdate(cmd::PrevSeries, [view, noView](CCmdUI& ui) {
        if (CVornaView* v = view())
            v->OnUpdatePrevSeries(ui);
        else
            noView(ui);
    });
    m.AddCommand(cmd::MouseScrolling, [view] {
        if (CVornaView* v = view()) v->ToggleMouseScrolling();
    });
    // Printing is the active map pane's own job.
    m.AddCommand(cmd::Print, [view] {
        if (CVornaView* v = view()) v->OnFilePrint();
    });
    m.AddCommand(cmd::PrintPreview, [view] {
        if (CVornaView* v = view()) v->OnFilePrintPreview();
    });
    m.AddUpdateRange(cmd::Print, cmd::PrintPreview, [view](CCmdUI& ui) {
        if (ui.m_nID == cmd::Print || ui.m_nID == cmd::PrintPreview) ui.Enable(view() != nullptr);
    });
    // Without a map pane the item keeps whatever state it had.
    m.AddUpdate(cmd::MouseScrolling, [view](CCmdUI& ui) {
        if (CVornaView* v = view()) v->OnUpdateMouseScrolling(ui);
    });
}
