#include "frame/DlgChoice.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>

#include "platform/Prompt.h"
#include "platform/Text.h"

CDlgChoice::CDlgChoice(const GpsChoice& choice, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromStdString(choice.caption));
    auto* layout = new QVBoxLayout(this);
    for (int k = 0; k < 3; ++k) {
        QCheckBox* box = m_Boxes[k] = new QCheckBox(Latin1Text(choice.labels[k]), this);
        box->setChecked(choice.values[k] != 0);
        box->setVisible(!choice.labels[k].empty());
        layout->addWidget(box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

int CDlgChoice::DoModal(GpsChoice& choice) {
    if (exec() != QDialog::Accepted) return IDCANCEL;
    for (int k = 0; k < 3; ++k) choice.values[k] = m_Boxes[k]->isChecked() ? 1 : 0;
    return IDOK;
}

bool RunDlgChoice(GpsChoice& choice, QWidget* parent) {
    CDlgChoice dlg(choice, parent);
    return dlg.DoModal(choice) == IDOK;
}
