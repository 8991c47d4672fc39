// The sector dialog driven with the mouse: which sector a click at a cell
// border reaches, what a grey sector and a right click do, the counters and
// the temporary box.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <set>

#include "doc/DocTestEnv.h"
#include "frame/DlgExportWpt.h"
#include "frame/MapWnd.h"

namespace {

struct SectorDialogEnv : DocEnv {
    ExportWptDialogData data;
    SectorDialogEnv() {
        Make();
        data.levels.assign(kBaseCount, -1);
    }
    // n waypoints of level 0 and n of level 3 in quadrant q.
    void Fill(int q, int n) {
        for (int i = 0; i < 2 * n; ++i)
            EXPECT_TRUE(PutWpt(
                Db(), q, MakeWpt("W" + std::to_string(i), QuadrantCentre(q / 28, q % 28), i < n ? 0 : 3)));
    }
};

int Number(QWidget& d, const char* id) { return d.findChild<QLabel*>(id)->text().toInt(); }
void Choose(QWidget& d, const char* id) { d.findChild<QRadioButton*>(id)->click(); }

}  // namespace

TEST(DlgExportWpt, ClicksReachTheirSectorsAndCountersFollow) {
    SectorDialogEnv env;
    // The cell of (column, row) spans x from 24 + (column - 1) * 25 and y from
    // -34 + (row - 1) * 25: each pixel pair is the last of one cell and the
    // first of the next (QTest takes (0, 0) for the centre: (1, 1) instead).
    struct Row {
        QPoint at;
        int column, row;
    };
    const Row rows[] = {{{1, 1}, 0, 2},   {{23, 15}, 0, 2},     {{24, 16}, 1, 3},     {{48, 40}, 1, 3},
                        {{49, 41}, 2, 4}, {{648, 415}, 25, 18}, {{649, 416}, 26, 19}, {{649, 429}, 26, 19}};
    std::set<int> sectors;
    for (const Row& r : rows)
        if (sectors.insert(r.row * 28 + r.column).second) env.Fill(r.row * 28 + r.column, 1);
    CDlgExportWpt dlg(*env.doc, 1, env.data);
    dlg.show();
    CMapWnd* map = dlg.MapWindow();
    ASSERT_EQ(map->size(), QSize(650, 430));
    Choose(dlg, "1056");  // TK25: levels 0..2
    int total = 0;
    for (const Row& r : rows) {
        const int q = r.row * 28 + r.column;
        if (env.data.levels[std::size_t(q)] >= 0) continue;  // the same cell twice
        QTest::mouseClick(map, Qt::LeftButton, {}, r.at);
        EXPECT_EQ(env.data.levels[std::size_t(q)], 2) << r.at.x() << "," << r.at.y();
        EXPECT_EQ(env.doc->CountSelectedWpts(q), 1);
        EXPECT_EQ(map->Cell(r.column, r.row), 3);
        EXPECT_EQ(Number(dlg, "1064"), 1);
        EXPECT_EQ(Number(dlg, "1065"), ++total);
    }
    // A grey sector (no waypoints) changes nothing, counters included.
    const int grey = 10 * 28 + 10;
    EXPECT_EQ(map->Cell(10, 10), 19);
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(24 + 9 * 25 + 5, -34 + 9 * 25 + 5));
    EXPECT_EQ(env.data.levels[std::size_t(grey)], -1);
    EXPECT_EQ(map->Cell(10, 10), 19);
    EXPECT_EQ(Number(dlg, "1065"), total);

    // TN10 on a sector of two levels, then a right click elsewhere and back reads it.
    env.Fill(grey + 1, 2);
    Choose(dlg, "1055");
    const QPoint cell11(24 + 10 * 25 + 5, -34 + 9 * 25 + 5);
    QTest::mouseClick(map, Qt::LeftButton, {}, cell11);
    EXPECT_EQ(Number(dlg, "1065"), total + 4);
    Choose(dlg, "1059");
    QTest::mouseClick(map, Qt::RightButton, {}, cell11);
    EXPECT_TRUE(dlg.findChild<QRadioButton*>("1055")->isChecked());
    EXPECT_EQ(Number(dlg, "1064"), 4);
    // "None" on a selected sector clears it and lowers the total.
    Choose(dlg, "1059");
    QTest::mouseClick(map, Qt::LeftButton, {}, cell11);
    EXPECT_EQ(env.data.levels[std::size_t(grey + 1)], -1);
    EXPECT_EQ(map->Cell(11, 10), 0);
    EXPECT_EQ(Number(dlg, "1065"), total);
}

TEST(DlgExportWpt, TemporaryBoxSelectsEveryLevelAndKeepsIt) {
    SectorDialogEnv env;
    env.Fill(kTempBase, 1);
    {
        CDlgExportWpt dlg(*env.doc, 0, env.data);
        dlg.show();
        EXPECT_FALSE(dlg.findChild<QPushButton*>("1")->isVisible());  // selection only
        EXPECT_EQ(dlg.findChild<QPushButton*>("8")->text(), "OK");
        dlg.findChild<QCheckBox*>("1078")->click();
        EXPECT_EQ(env.data.levels[kTempBase], kSelectAllLevels);
        EXPECT_EQ(Number(dlg, "1065"), 2);
        dlg.findChild<QPushButton*>("8")->click();
        EXPECT_EQ(dlg.result(), kExportDlgEnded);
        EXPECT_EQ(env.data.closed, 1);
    }
    // Opened again: ticked, and still every level.
    CDlgExportWpt dlg(*env.doc, 1, env.data);
    dlg.show();
    EXPECT_TRUE(dlg.findChild<QCheckBox*>("1078")->isChecked());
    EXPECT_EQ(env.data.levels[kTempBase], kSelectAllLevels);
    EXPECT_EQ(Number(dlg, "1065"), 2);
    dlg.findChild<QPushButton*>("1")->click();
    EXPECT_EQ(env.data.closed, 0);
}
