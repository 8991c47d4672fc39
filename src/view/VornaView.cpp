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

void CVornaView::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    QAbstractScrollArea::mousePressEvent(e);
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

void CVornaView::PutPointerAt(int x, int y) { QCursor::setPos(mapToGlobal(QPoint(x, y))); }

bool CVornaView::RunPrintDialog(QPrinter& printer) {
    QPrintDialog dlg(&printer, this);
    return dlg.exec() == QDialog::Accepted;
}

void CVornaView::RunPrintPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paintPage) {
    QPrintPreviewDialog dlg(&printer, this);
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this, [&paintPage](QPrinter* pr) { paintPage(*pr); });
    dlg.exec();
}
