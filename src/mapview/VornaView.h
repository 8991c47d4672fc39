#pragma once
// One map pane's window: passes size, scroll, focus and paint events to its
// controller and carries out what the controller asks of a window. The main
// frame makes one or two of them per pane layout.

#include <QAbstractScrollArea>
#include <functional>

#include "mapview/MapViewController.h"
#include "mapview/MapViewHost.h"

class CVornaDoc;
class QMenu;

class CVornaView : public QAbstractScrollArea, private IMapViewHost {
    Q_OBJECT
public:
    explicit CVornaView(CVornaDoc* doc, QWidget* parent = nullptr);
    ~CVornaView() override;

    CMapViewController& Controller() { return m_Controller; }
    const CMapViewController& Controller() const { return m_Controller; }

    // Runs a context menu at a global point and gives the chosen command id
    // (0: none). Tests put in one that picks an item without a nested loop.
    using MenuRunner = std::function<int(QMenu& menu, const QPoint& global)>;
    void SetContextMenuRunner(MenuRunner runner) { m_MenuRunner = std::move(runner); }
    // The context menu for the object at client point p.
    void ShowContextMenu(QPoint p);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool viewportEvent(QEvent* e) override;

private:
    // IMapViewHost
    void InvalidateAll() override;
    void InvalidateRect(const QRect& r) override;
    void SetScrollRanges(const ScrollBarRange& h, const ScrollBarRange& v) override;
    void SetScrollPositions(int x, int y) override;
    void ScrollContents(int dx, int dy) override;
    bool PutPointerAt(int x, int y) override;
    void SetCursorShape(CursorShape shape) override;
    bool RunPrintDialog(QPrinter& printer) override;
    void RunPrintPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paintPage) override;

    MenuRunner m_MenuRunner;
    bool m_MovingBars = false;        // our own bar changes are not user scrolls
    CMapViewController m_Controller;  // asks nothing of the window while it goes
};
