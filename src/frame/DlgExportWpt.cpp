#include "frame/DlgExportWpt.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "doc/DibFormat.h"
#include "doc/Grids.h"
#include "doc/SegmentCache.h"
#include "doc/VornaDoc.h"
#include "frame/MapWnd.h"
#include "settings/AppSettings.h"

namespace {

enum CellValue : int {
    kCellFree = 0,
    kCellLoadedUnselected = 17,
    kCellSelectedNotLoaded = 18,
    kCellEmpty = 19
};

}  // namespace

QImage CDlgExportWpt::SectorPicture(const CVornaDoc* doc) {
    QImage img(650, 430, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QFont f = p.font();
    f.setPixelSize(9);
    p.setFont(f);
    const int side = DefaultMapType(0).pixels;
    for (int r = 0; r < kQuadrantsPerSide; ++r)
        for (int c = 0; c < kQuadrantsPerSide; ++c) {
            const QRect cell(kOriginX + (c - 1) * kCellSize, kOriginY + (r - 1) * kCellSize, kCellSize,
                             kCellSize);
            if (!cell.intersects(img.rect())) continue;
            // The quadrant's sheet of the smallest series, shaded by how much
            // map is drawn on each part of it: the land shows, the rest stays white.
            if (doc) {
                const double E = kAreaWest + c * double(kQuadrantMetres) + kQuadrantMetres / 2;
                const double N = kAreaNorth - r * double(kQuadrantMetres) - kQuadrantMetres / 2;
                const int index = doc->GetSegmentIndex(0, E, N);
                LoadedSegment seg;
                const bool ok = index >= 0 && (ReadMifSegment(doc->SegmentFilePath(0, index, ".mif"), side,
                                                              seg) == SegmentFileResult::Ok ||
                                               ReadBmpSegment(doc->SegmentFilePath(0, index, ".bmp"), side,
                                                              seg) == SegmentFileResult::Ok);
                const std::size_t stride = std::size_t(DibStride(side));
                if (ok && seg.data && seg.size >= stride * std::size_t(side))
                    for (int y = 0; y < kCellSize; ++y)
                        for (int x = 0; x < kCellSize; ++x) {
                            int ink = 0, all = 0;
                            // Rows are stored bottom-up.
                            for (int sy = y * side / kCellSize; sy < (y + 1) * side / kCellSize; ++sy)
                                for (int sx = x * side / kCellSize; sx < (x + 1) * side / kCellSize;
                                     ++sx, ++all)
                                    ink +=
                                        seg.data[std::size_t(side - 1 - sy) * stride + std::size_t(sx)] != 0;
                            const int g = 255 - (all ? 80 * ink / all : 0);
                            p.setPen(QColor(g, g, g));
                            p.drawPoint(cell.left() + x, cell.top() + y);
                        }
            }
            p.setPen(QColor(90, 90, 90));
            p.drawText(cell, Qt::AlignCenter,
                       QString::fromStdString(QuadrantName(r * kQuadrantsPerSide + c)));
        }
    return img;
}

CDlgExportWpt::CDlgExportWpt(CVornaDoc& doc, int mode, ExportWptDialogData& data, QWidget* parent)
    : QDialog(parent), m_Doc(doc), m_Mode(mode), m_Data(data) {
    setWindowTitle("Select Waypoints");
    if (m_Data.levels.size() != std::size_t(kBaseCount)) m_Data.levels.assign(kBaseCount, -1);

    m_Map = new CMapWnd(this);
    m_Map->SetPicture(SectorPicture(&m_Doc));

    auto* side = new QVBoxLayout;
    auto* seriesBox = new QGroupBox("Select up to:", this);
    auto* seriesCol = new QVBoxLayout(seriesBox);
    m_SeriesGroup = new QButtonGroup(this);
    const char* texts[] = {"None", "PK250", "TK50", "TK25", "TN10", "TN5"};
    for (int i = 0; i < 6; ++i) {
        auto* b = new QRadioButton(texts[i], seriesBox);
        b->setObjectName(QString::number(1059 - i));
        m_SeriesGroup->addButton(b, i);
        seriesCol->addWidget(b);
    }
    side->addWidget(seriesBox);
    m_TempBox = new QCheckBox("Select Temp.Wpt", this);
    m_TempBox->setObjectName("1078");
    side->addWidget(m_TempBox);
    auto* countBox = new QGroupBox("Wpt Count", this);
    auto* countCol = new QVBoxLayout(countBox);
    auto counter = [&](const char* id, const char* text) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(text, countBox));
        auto* value = new QLabel("0", countBox);
        value->setObjectName(id);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(48);
        row->addWidget(value);
        countCol->addLayout(row);
        return value;
    };
    m_Total = counter("1065", "Total selected");
    m_LastSector = counter("1064", "In last sector");
    side->addWidget(countBox);
    side->addStretch(1);
    m_Export = new QPushButton("Export", this);
    m_Export->setObjectName("1");
    m_Close = new QPushButton("Close", this);
    m_Close->setObjectName("8");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("2");
    for (QPushButton* b : {m_Export, m_Close, cancel}) side->addWidget(b);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_Map, 0, Qt::AlignTop);
    layout->addLayout(side);

    connect(m_Export, &QPushButton::clicked, this, [this] {
        m_Data.closed = 0;
        done(kExportDlgEnded);
    });
    connect(m_Close, &QPushButton::clicked, this, [this] {
        m_Data.closed = 1;
        done(kExportDlgEnded);
    });
    connect(cancel, &QPushButton::clicked, this, [this] { done(kExportDlgCancelled); });
    connect(m_SeriesGroup, &QButtonGroup::idClicked, this, [this](int id) { m_Choice = id; });
    connect(m_TempBox, &QCheckBox::clicked, this, [this] { OnSelectTemp(); });
    m_Map->onLeftButtonDown = [this] { OnLButtonDown(); };
    m_Map->onRightButtonDown = [this] { OnRButtonDown(); };

    // OnInitDialog
    if (m_Mode == 0) {
        m_Export->setEnabled(false);
        m_Export->hide();
        m_Close->setText("OK");
        m_Close->setDefault(true);
    } else {
        m_Export->setDefault(true);
    }
    m_Data.total = 0;
    m_InLastSector = 0;
    m_Choice = std::clamp(m_Data.series + 1, 0, 5);
    m_Map->SetColour(0, QColor(255, 255, 255));
    const int reds[] = {220, 185, 150, 115, 80};
    for (int i = 0; i < 5; ++i) m_Map->SetColour(1 + i, QColor(255, reds[i], reds[i]));
    for (int v = 6; v < CMapWnd::kColours; ++v) m_Map->SetColour(v, QColor(255, 255, 255));
    m_Map->SetColour(16, QColor(128, 0, 255));
    m_Map->SetColour(kCellLoadedUnselected, QColor(128, 128, 255));
    m_Map->SetColour(kCellSelectedNotLoaded, QColor(255, 0, 255));
    m_Map->SetColour(kCellEmpty, QColor(170, 170, 170));
    for (int q = 0; q < kQuadrantCount; ++q) {
        ShowCell(q);
        if (m_Data.levels[std::size_t(q)] >= 0) m_Data.total += m_Doc.CountSelectedWpts(q);
    }
    // The temporary base keeps the level it has (34 takes every level).
    if (m_Data.levels[kTempBase] >= 0) {
        m_TempBox->setChecked(true);
        m_Data.total += m_Doc.CountSelectedWpts(kTempBase);
    }
    m_Map->SetGrid(kOriginX, kOriginY, kCellSize, kCellSize);
    m_Map->SetClicked(0, 0);
    UpdateControls();
}

int CDlgExportWpt::DoModal() { return exec() == kExportDlgEnded ? kExportDlgEnded : kExportDlgCancelled; }

int CDlgExportWpt::CellValue(int q) const {
    const int level = m_Data.levels[std::size_t(q)];
    if (level < 0) {
        if (m_Doc.GetLiveWptCount(q) < 1) return kCellEmpty;
        return m_Data.debugMode && m_Doc.WptBaseLoaded(q) ? kCellLoadedUnselected : kCellFree;
    }
    if (m_Data.debugMode && !m_Doc.WptBaseLoaded(q)) return kCellSelectedNotLoaded;
    return std::min(level, 4) + 1;
}

void CDlgExportWpt::ShowCell(int q) {
    m_Map->SetCell(q % kQuadrantsPerSide, q / kQuadrantsPerSide, CellValue(q));
}

int CDlgExportWpt::ClickedSector() const {
    const int c = std::clamp(m_Map->ClickedColumn(), 0, kQuadrantsPerSide - 1);
    const int r = std::clamp(m_Map->ClickedRow(), 0, kQuadrantsPerSide - 1);
    return r * kQuadrantsPerSide + c;
}

void CDlgExportWpt::OnLButtonDown() {
    const int q = ClickedSector();
    // The live count of a base that is not loaded comes from the counter
    // files; a sector without waypoints is not for selecting.
    if (m_Doc.GetLiveWptCount(q) < 1) return;
    m_Data.total -= m_Doc.CountSelectedWpts(q);
    const int level = m_Choice - 1;
    m_Data.levels[std::size_t(q)] = level;
    m_Data.series = level;
    m_Doc.SetSectorSelection(q, level);
    m_InLastSector = m_Doc.CountSelectedWpts(q);
    m_Data.total += m_InLastSector;
    ShowCell(q);
    UpdateControls();
}

void CDlgExportWpt::OnRButtonDown() {
    const int q = ClickedSector();
    const int level = m_Data.levels[std::size_t(q)];
    m_Data.series = level;
    m_Choice = std::clamp(level + 1, 0, 5);
    m_InLastSector = m_Doc.CountSelectedWpts(q);
    UpdateControls();
}

void CDlgExportWpt::OnSelectTemp() {
    m_Data.total -= m_Doc.CountSelectedWpts(kTempBase);
    const int level = m_TempBox->isChecked() ? kSelectAllLevels : -1;
    m_Data.levels[kTempBase] = level;
    m_Doc.SetSectorSelection(kTempBase, level);
    m_InLastSector = m_Doc.CountSelectedWpts(kTempBase);
    m_Data.total += m_InLastSector;
    UpdateControls();
}

void CDlgExportWpt::UpdateControls() {
    if (QAbstractButton* b = m_SeriesGroup->button(m_Choice)) b->setChecked(true);
    m_Total->setText(QString::number(m_Data.total));
    m_LastSector->setText(QString::number(m_InLastSector));
}

int RunDlgExportWpt(CVornaDoc& doc, int mode, ExportWptDialogData& data, QWidget* parent) {
    CDlgExportWpt dlg(doc, mode, data, parent);
    return dlg.DoModal();
}
