#include "frame/DlgSysResources.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/Prompt.h"
#include "settings/AppSettings.h"

namespace {

struct Row {
    const char* label;
    int countEdit;
    int countCounter;
    int memoryEdit;     // 0: no edit
    int memoryCounter;  // -1: bound to nothing
};

// Counters 6 and 7 (segment flags of print passes) are not shown.
const Row kRows[] = {
    {"WptBase data", 1266, kMemWptBase, 1204, kMemWptBase + 1},
    {"WptIndex data", 1267, kMemWptIndex, 1205, kMemWptIndex + 1},
    {"TrackLog data", 1268, kMemTrackLog, 1206, kMemTrackLog + 1},
    {"Undo Stack", 1269, kMemUndo, 1207, kMemUndo + 1},
    {"Segment name", 1270, kMemSegName, 1208, kMemSegName + 1},
    {"Seg. on Map", 1271, kMemSegOnMap, 1209, kMemSegOnMap + 1},
    {"Seg. in View", 1272, kMemSegInView, 1210, kMemSegInView + 1},
    {"Seg. BMP", 1273, kMemSegBmpHolder, 1211, kMemSegBmpHolder + 1},
    {"Seg. BMP data", 1274, kMemSegPixels, 1212, kMemSegPixels + 1},
    {"BMP data", 1275, kMemImagePixels, 1213, kMemImagePixels + 1},
    {"Documents", 1277, kMemDocuments, 0, -1},
    {"Views", 1279, kMemViews, 0, -1},
};

QLineEdit* ReadOnlyEdit(QWidget* parent, int id, const QString& text) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::number(id));
    e->setReadOnly(true);
    e->setAlignment(Qt::AlignRight);
    return e;
}

}  // namespace

CDlgSysResources::CDlgSysResources(const int* counters, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Used System Resources");
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Count", this), 0, 1);
    grid->addWidget(new QLabel("Allocated Memory", this), 0, 2);
    int r = 1;
    for (const Row& row : kRows) {
        grid->addWidget(new QLabel(row.label, this), r, 0);
        grid->addWidget(ReadOnlyEdit(this, row.countEdit, QString::number(counters[row.countCounter])), r, 1);
        if (row.memoryEdit)
            grid->addWidget(ReadOnlyEdit(this, row.memoryEdit, QString::number(counters[row.memoryCounter])),
                            r, 2);
        ++r;
    }
    // Two edits of the layout were never bound to a counter; they stay empty.
    grid->addWidget(new QLabel("Rezerva", this), r, 0);
    grid->addWidget(ReadOnlyEdit(this, 1278, QString()), r, 1);
    ++r;
    grid->addWidget(new QLabel("Total Memory", this), r, 0);
    grid->addWidget(ReadOnlyEdit(this, 1214, QString()), r, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

int CDlgSysResources::DoModal() { return exec() == QDialog::Accepted ? IDOK : IDCANCEL; }
