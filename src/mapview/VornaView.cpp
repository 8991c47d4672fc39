#include "mapview/VornaView.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>

#include "mapview/MapViewFrame.h"

CVornaView::CVornaView(CVornaDoc* doc, QWidget* parent)
    : QAbstractScrollArea(parent), m_Controller(doc, this) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(pal);
    // Every bar action goes to the pane, which sets the bars back to the
    // origin it chose; the bars' own step and clamp never take effect.
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int action) {
            m_Controller.OnScrollAction(bar->orientation(), action, bar->sliderPosition());
        });
    viewport()->setMouseTracking(true);
    m_Controller.Resize(viewport()->width(), viewport()->height());
}

CVornaView::~CVornaView() = default;

void CVornaView::paintEvent(QPaintEvent*) {
    QPainter dc(viewport());
    m_Controller.Paint(dc);
}

void CVornaView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    m_Controller.Resize(viewport()->width(), viewport()->height());
}

void CVornaView::scrollContentsBy(int, int) {
    // Bar actions have been carried out by the pane already; a value change
    // that comes any other way still moves the map.
    if (m_MovingBars) return;
    m_Controller.OnUserScroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CVornaView::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    m_Controller.OnActivateView(true);
}

// Qt holds the pointer for this widget between press and release; the
// controller keeps its own account of the drag.
void CVornaView::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    const QPoint p = e->position().toPoint();
    if (e->button() == Qt::LeftButton)
        m_Controller.OnLButtonDown(p, e->modifiers() & Qt::ControlModifier);
    else if (e->button() == Qt::MiddleButton)
        m_Controller.OnMButtonDown(p);
    e->accept();
}

void CVornaView::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    if (e->button() == Qt::LeftButton)
        m_Controller.OnLButtonUp(p);
    else if (e->button() == Qt::MiddleButton)
        m_Controller.OnMButtonUp(p);
    e->accept();
}

// Not the base: it would make the second click a press as well.
void CVornaView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) m_Controller.OnLButtonDblClk(e->position().toPoint());
    e->accept();
}

void CVornaView::mouseMoveEvent(QMouseEvent* e) {
    m_Controller.OnMouseMove(e->position().toPoint());
    e->accept();
}

void CVornaView::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    if (m_Controller.HasCapture()) m_Controller.OnGrabLost();
}

void CVornaView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && m_Controller.HasCapture()) {
        m_Controller.OnGrabLost();
    } else if (e->key() == Qt::Key_F10 && e->modifiers() == Qt::ShiftModifier) {
        // Qt turns only the menu key into a context-menu request.
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(5, 5),
                               viewport()->mapToGlobal(QPoint(5, 5)));
        contextMenuEvent(&menu);
    } else {
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    e->accept();
}

bool CVornaView::viewportEvent(QEvent* e) {
    // Leaving the map itself (for the scroll bars too) ends the position text.
    if (e->type() == QEvent::Leave) m_Controller.OnMouseLeave();
    return QAbstractScrollArea::viewportEvent(e);
}

// The keyboard (Shift+F10, the menu key) opens the menu for the spot just
// inside the pane's top-left corner, not where the pointer happens to be.
void CVornaView::contextMenuEvent(QContextMenuEvent* e) {
    ShowContextMenu(e->reason() == QContextMenuEvent::Keyboard ? QPoint(5, 5) : e->pos());
    e->accept();
}

void CVornaView::ShowContextMenu(QPoint p) {
    const ContextMenuChoice choice = m_Controller.OpenContextMenu(p);
    // The clicked pane is the one the chain's update handlers and commands see.
    m_Controller.OnActivateView(true);
    IMapViewFrame* frame = m_Controller.Frame();
    CCommandRouter* router = frame ? frame->CommandRouter() : nullptr;
    QMenu menu(this);
    FillContextMenu(menu, choice, router);
    const QPoint global = viewport()->mapToGlobal(p);
    const int id = m_MenuRunner ? m_MenuRunner(menu, global) : [&] {
        const QAction* a = menu.exec(global);
        return a ? a->data().toInt() : 0;
    }();
    if (id > 0) {
        if (router)
            router->Execute(unsigned(id));
        else
            m_Controller.OnCommand(unsigned(id));
    }
    m_Controller.EndContextMenu();
}

// ---- what the controller asks of the window -----------------------------------

void CVornaView::InvalidateAll() { viewport()->update(); }

void CVornaView::InvalidateRect(const QRect& r) { viewport()->update(r); }

void CVornaView::SetScrollRanges(const ScrollBarRange& h, const ScrollBarRange& v) {
    m_MovingBars = true;
    horizontalScrollBar()->setPageStep(h.page);
    horizontalScrollBar()->setSingleStep(h.step);
    horizontalScrollBar()->setRange(0, h.max);
    verticalScrollBar()->setPageStep(v.page);
    verticalScrollBar()->setSingleStep(v.step);
    verticalScrollBar()->setRange(0, v.max);
    m_MovingBars = false;
}

void CVornaView::SetScrollPositions(int x, int y) {
    m_MovingBars = true;
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
    m_MovingBars = false;
}

void CVornaView::ScrollContents(int dx, int dy) { viewport()->scroll(dx, dy); }

bool CVornaView::PutPointerAt(int x, int y) {
    const QPoint g = viewport()->mapToGlobal(QPoint(x, y));
    QCursor::setPos(g);
    return QCursor::pos() == g;  // Wayland leaves the pointer where the user has it
}

void CVornaView::SetCursorShape(CursorShape shape) {
    static constexpr Qt::CursorShape kShapes[] = {
        Qt::ArrowCursor,     Qt::UpArrowCursor, Qt::CrossCursor,   Qt::ForbiddenCursor, Qt::SizeFDiagCursor,
        Qt::SizeBDiagCursor, Qt::SizeVerCursor, Qt::SizeHorCursor, Qt::SizeAllCursor,   Qt::WaitCursor};
    const auto i = std::size_t(shape);
    if (i < std::size(kShapes) && viewport()->cursor().shape() != kShapes[i])
        viewport()->setCursor(kShapes[i]);
}

bool CVornaView::RunPrintDialog(QPrinter& printer) {
    QPrintDialog dlg(&printer, this);
    return dlg.exec() == QDialog::Accepted;
}

void CVornaView::RunPrintPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paintPage) {
    QPrintPreviewDialog dlg(&printer, this);
    // Its own size shows a page too small to read: take the main window's
    // size, and at least most of the screen.
    const QRect frame = window()->frameGeometry();
    QRect screen = frame;
    if (QScreen* sc = window()->screen()) screen = sc->availableGeometry();
    const QSize size = frame.size().expandedTo(screen.size() * 0.8).boundedTo(screen.size());
    dlg.resize(size);
    dlg.move(screen.center() - QPoint(size.width() / 2, size.height() / 2));
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this, [&paintPage](QPrinter* pr) { paintPage(*pr); });
    dlg.exec();
}
