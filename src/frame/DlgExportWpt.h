#pragma once
// "Select Waypoints": sector by sector, which waypoints are selected for
// export. A left click on the grid gives a sector the chosen series as its
// selection level, a right click reads a sector's level back, the check box
// selects the temporary waypoints. Marks change at once in the document.

#include <QDialog>

#include "doc/WptSelection.h"

class CMapWnd;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;

class CDlgExportWpt : public QDialog {
    Q_OBJECT
public:
    // data: levels (785) and series in; levels, series, total and closed out.
    CDlgExportWpt(CVornaDoc& doc, int mode, ExportWptDialogData& data, QWidget* parent = nullptr);
    // kExportDlgEnded ("Export" or "Close") or kExportDlgCancelled.
    int DoModal();

    // The grid's cell geometry: cell (1, 1) starts at the origin.
    static constexpr int kOriginX = 24;
    static constexpr int kOriginY = -34;
    static constexpr int kCellSize = 25;

    CMapWnd* MapWindow() const { return m_Map; }
    // A picture of the covered area under the grid: the smallest series'
    // sheets where their files are found, and the quadrant names.
    static QImage SectorPicture(const CVornaDoc* doc);

private:
    void OnLButtonDown();
    void OnRButtonDown();
    void OnSelectTemp();
    int CellValue(int q) const;
    void ShowCell(int q);
    void UpdateControls();
    // The clicked sector, limited to the array.
    int ClickedSector() const;

    CVornaDoc& m_Doc;
    int m_Mode;
    ExportWptDialogData& m_Data;
    int m_Choice = 0;  // 0 None, 1..5 PK250..TN5
    int m_InLastSector = 0;
    CMapWnd* m_Map;
    QButtonGroup* m_SeriesGroup;
    QCheckBox* m_TempBox;
    QLabel* m_Total;
    QLabel* m_LastSector;
    QPushButton* m_Export;
    QPushButton* m_Close;
};

// The dialog as the document's runner.
int RunDlgExportWpt(CVornaDoc& doc, int mode, ExportWptDialogData& data, QWidget* parent);
