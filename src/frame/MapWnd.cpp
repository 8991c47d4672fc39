#include "frame/MapWnd.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

CMapWnd::CMapWnd(QWidget* parent) : QWidget(parent) {
    setObjectName("1043");
    for (QColor& c : m_Colours) c = QColor(255, 255, 255);
    m_Colours[2] = QColor(255, 128, 128);
    m_Cells[0][0] = 2;
    SetPicture(QImage(650, 430, QImage::Format_RGB32));
    m_Picture.fill(Qt::white);
}

void CMapWnd::SetPicture(const QImage& picture) {
    m_Picture = picture.convertToFormat(QImage::Format_RGB32);
    setFixedSize(m_Picture.size());
    update();
}

void CMapWnd::SetGrid(int originX, int originY, int cellWidth, int cellHeight) {
    m_OriginX = originX;
    m_OriginY = originY;
    m_CellWidth = std::max(1, cellWidth);
    m_CellHeight = std::max(1, cellHeight);
    update();
}

void CMapWnd::SetCell(int column, int row, int value) {
    if (column < 0 || column >= kCells || row < 0 || row >= kCells || value < 0 || value >= kColours) return;
    m_Cells[column][row] = static_cast<unsigned char>(value);
    update();
}

int CMapWnd::Cell(int column, int row) const {
    if (column < 0 || column >= kCells || row < 0 || row >= kCells) return 0;
    return m_Cells[column][row];
}

void CMapWnd::SetColour(int value, QColor colour) {
    if (value >= 0 && value < kColours) m_Colours[value] = colour;
}

void CMapWnd::CellAt(QPoint p, int& column, int& row) const {
    column = p.x() < m_OriginX ? 0 : (p.x() - m_OriginX) / m_CellWidth + 1;
    row = p.y() < m_OriginY ? 0 : (p.y() - m_OriginY) / m_CellHeight + 1;
}

void CMapWnd::paintEvent(QPaintEvent*) {
    const int w = m_Picture.width(), h = m_Picture.height();
    QImage canvas(w, h, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        // Only cells of the array: a picture larger than the grid stays white.
        const int nCols = std::min((w - m_OriginX) / m_CellWidth + 1, kCells - 1);
        const int nRows = std::min((h - m_OriginY) / m_CellHeight + 1, kCells - 1);
        for (int c = 0; c <= nCols; ++c)
            for (int r = 0; r <= nRows; ++r)
                p.fillRect(m_OriginX + (c - 1) * m_CellWidth, m_OriginY + (r - 1) * m_CellHeight, m_CellWidth,
                           m_CellHeight, m_Colours[m_Cells[c][r]]);
        p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        p.drawImage(0, 0, m_Picture);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setPen(QPen(QColor(255, 0, 255), 0));
        for (int x = m_OriginX; x <= w; x += m_CellWidth) p.drawLine(x, 0, x, h);
        for (int y = m_OriginY; y <= h; y += m_CellHeight)
            if (y >= 0) p.drawLine(0, y, w, y);
    }
    QPainter dc(this);
    dc.drawImage(0, 0, canvas);
}

void CMapWnd::mousePressEvent(QMouseEvent* event) {
    CellAt(event->position().toPoint(), m_ClickedColumn, m_ClickedRow);
    if (event->button() == Qt::LeftButton && onLeftButtonDown)
        onLeftButtonDown();
    else if (event->button() == Qt::RightButton && onRightButtonDown)
        onRightButtonDown();
}
