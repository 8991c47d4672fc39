#include "app/DlgFileLocations.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Prompt.h"

namespace {

QLineEdit* AddEdit(QFormLayout* form, int id, const char* label) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::number(id));
    edit->setMinimumWidth(360);
    form->addRow(QString::fromLatin1(label), edit);
    return edit;
}

}  // namespace

CDlgFileLocations::CDlgFileLocations(QWidget* parent) : QDialog(parent) {
    setWindowTitle("File Locations");
    setObjectName("162");
    auto* form = new QFormLayout;
    m_WptBase = AddEdit(form, 1231, "Location of the Wpt database dir.:");
    static const int ids[kMapTypeCount] = {1254, 1242, 1268, 1281, 1283};
    static const char* const labels[kMapTypeCount] = {
        "Location of PK250 dir.:", "Location of TK50 dir.:", "Location of TK25 dir.:",
        "Location of TN10 dir.:", "Location of OF50 dir.:"};
    for (int i = 0; i < kMapTypeCount; ++i) m_MapDirs[i] = AddEdit(form, ids[i], labels[i]);
    // These two are bound to no setting; disabled so that nothing typed
    // there is silently thrown away.
    AddEdit(form, 1296, "Location of TrackLog dir.:")->setEnabled(false);
    AddEdit(form, 1297, "Location of Export directory:")->setEnabled(false);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("2");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QVBoxLayout(this);
    top->addLayout(form);
    top->addWidget(buttons);
}

void CDlgFileLocations::ToWidgets() {
    m_WptBase->setText(QString::fromStdString(wptBaseDir));
    for (int i = 0; i < kMapTypeCount; ++i)
        m_MapDirs[i]->setText(QString::fromStdString(mapTypes[i].directory));
}

void CDlgFileLocations::FromWidgets() {
    wptBaseDir = m_WptBase->text().toStdString();
    for (int i = 0; i < kMapTypeCount; ++i) mapTypes[i].directory = m_MapDirs[i]->text().toStdString();
}

int CDlgFileLocations::DoModal() {
    ToWidgets();
    if (exec() != QDialog::Accepted) return IDCANCEL;
    FromWidgets();
    return IDOK;
}
