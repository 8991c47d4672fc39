#pragma once
// One map pane's window: passes size, scroll, focus and paint events to its
// controller and carries out what the controller asks of a window. The main
// frame makes one or two of them per pane layout.

#include <QAbstractScrollArea>

#include "view/MapViewController.h"
#include "view/MapViewHost.h"

class CVornaDoc;

class CVornaView : public QAbstractScrollArea, private IMapViewHost {
    Q_OBJECT
public:
    explicit CVornaView(CVornaDoc* doc, QWidget* parent = nullptr);
    ~CVornaView() override;

    CMapViewController& Controller() { return m_Controller; }
    const CMapViewController& Controller() const { return m_Controller; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    // IMapViewHost
    void InvalidateAll() override;
    void InvalidateRect(const QRect& r) override;
    void SetScrollRanges(const ScrollBarRange& h, const ScrollBarRange& v) override;
    void SetScrollPositions(int x, int y) override;
    void ScrollContents(int dx, int dy) override;
    void PutPointerAt(int x, int y) override;
    bool RunPrintDialog(QPrinter& printer) override;
    void RunPrintPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paintPage) override;

    bool m_MovingBars = false;        // our own bar changes are not user scrolls
    CMapViewController m_Controller;  // asks nothing of the window while it goes
};
