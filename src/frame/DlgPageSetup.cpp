#include "frame/DlgPageSetup.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "frame/AppCommands.h"
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
        if (!ParseDoubleField(m_Edit[i]->text(), values[i]))
            return RefuseField(m_Edit[i], "Please enter a number.");
        if (values[i] < 0) return RefuseField(m_Edit[i], "A margin can not be negative.");
    }
    // Margins that meet or cross leave nothing of the page to print on: the
    // preview and the printout would be blank. Compared as they are stored.
    const auto across = [&values](int a, int b) {
        return (long long)MarginToStore(values[a]) + MarginToStore(values[b]);
    };
    if (m_PageWidth > 0 && across(0, 2) >= m_PageWidth)
        return RefuseField(m_Edit[0],
                           "The left and right margins together must be less than the width of the page, " +
                               FormatRoundedField(m_PageWidth / 100.0, 2).toStdString() + " mm.");
    if (m_PageHeight > 0 && across(1, 3) >= m_PageHeight)
        return RefuseField(m_Edit[1],
                           "The top and bottom margins together must be less than the height of the page, " +
                               FormatRoundedField(m_PageHeight / 100.0, 2).toStdString() + " mm.");
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
