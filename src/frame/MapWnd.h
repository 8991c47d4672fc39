#pragma once
// The sector grid of the export dialog: a picture of the covered area under
// the 10 km quadrant grid, each cell filled with the colour of its value and
// the picture laid over with a bitwise AND so that its dark lines stay
// visible. Clicks are turned into a cell (column, row) and reported.

#include <QColor>
#include <QImage>
#include <QWidget>
#include <functional>

class CMapWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCells = 28;
    static constexpr int kColours = 20;

    explicit CMapWnd(QWidget* parent = nullptr);

    // The picture (white where nothing is drawn); the window takes its size.
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return m_Picture; }
    void SetGrid(int originX, int originY, int cellWidth, int cellHeight);
    void SetCell(int column, int row, int value);
    int Cell(int column, int row) const;
    void SetColour(int value, QColor colour);
    // The cell of a client point; the column or row is 0 left of or above
    // the origin and may lie beyond the array (callers limit it).
    void CellAt(QPoint p, int& column, int& row) const;
    int ClickedColumn() const { return m_ClickedColumn; }
    int ClickedRow() const { return m_ClickedRow; }
    void SetClicked(int column, int row) {
        m_ClickedColumn = column;
        m_ClickedRow = row;
    }

    // Called with the clicked cell already stored.
    std::function<void()> onLeftButtonDown;
    std::function<void()> onRightButtonDown;

    QSize sizeHint() const override { return m_Picture.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage m_Picture;
    unsigned char m_Cells[kCells][kCells] = {};  // column, row
    QColor m_Colours[kColours];
    int m_ClickedColumn = 0;
    int m_ClickedRow = 0;
    int m_OriginX = 33;
    int m_OriginY = 43;
    int m_CellWidth = 97;
    int m_CellHeight = 70;
};
