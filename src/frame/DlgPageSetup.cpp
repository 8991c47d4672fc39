#include "frame/DlgPageSetup.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/Prompt.h"
#include "platformui/NumberField.h"

CDlgPageSetup::CDlgPageSetup(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Page Setup");
    auto* group = new QGroupBox("Margins (milimeters)", this);
    auto* form = new QFormLayout(group);
    const char* labels[4] = {"&Left:", "&Top:", "&Right:", "&Bottom:"};
    const char* ids[4] = {"1331", "1333", "1332", "1334"};
    for (int i = 0; i < 4; ++i) {
        m_Edit[i] = new QLineEdit(group);
        m_Edit[i]->setObjectName(ids[i]);
        form->addRow(labels[i], m_Edit[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

bool CDlgPageSetup::UpdateData(bool save) {
    double* fields[4] = {&m_Left, &m_Top, &m_Right, &m_Bottom};
    if (!save) {
        for (int i = 0; i < 4; ++i) m_Edit[i]->setText(FormatDoubleField(*fields[i]));
        return true;
    }
    double values[4];
    for (int i = 0; i < 4; ++i) {
        const bool number = ParseDoubleField(m_Edit[i]->text(), values[i]);
        if (!number || values[i] < 0) {
            MsgBox(number ? "A margin can not be negative." : "Please enter a number.",
                   MB_OK | MB_ICONWARNING);
            m_Edit[i]->setFocus();
            m_Edit[i]->selectAll();
            return false;
        }
    }
    for (int i = 0; i < 4; ++i) *fields[i] = values[i];
    return true;
}

void CDlgPageSetup::accept() {
    if (UpdateData(true)) QDialog::accept();
}

int CDlgPageSetup::DoModal() {
    UpdateData(false);
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}
