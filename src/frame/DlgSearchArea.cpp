#include "frame/DlgSearchArea.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <utility>

#include "platform/Prompt.h"
#include "platformui/NumberField.h"

CDlgSearchArea::CDlgSearchArea(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Search Field Properties");
    auto* form = new QFormLayout;
    m_BandEdit = new QLineEdit(this);
    m_BandEdit->setObjectName("1202");
    m_DistanceEdit = new QLineEdit(this);
    m_DistanceEdit->setObjectName("1203");
    m_HeadingEdit = new QLineEdit(this);
    m_HeadingEdit->setObjectName("1204");
    form->addRow("Band Width [m]:", m_BandEdit);
    form->addRow("Point Distance [m]:", m_DistanceEdit);
    form->addRow("Search heading [deg]:", m_HeadingEdit);
    auto* group = new QGroupBox("Navigator(s) position:", this);
    auto* radios = new QHBoxLayout(group);
    m_Middle = new QRadioButton("Middle", group);
    m_Middle->setObjectName("1338");
    m_Edge = new QRadioButton("Edge", group);
    m_Edge->setObjectName("1339");
    radios->addWidget(m_Middle);
    radios->addWidget(m_Edge);
    m_Route = new QCheckBox(this);
    m_Route->setObjectName("1340");
    form->addRow(group);
    form->addRow("Route through all pts:", m_Route);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

bool CDlgSearchArea::UpdateData(bool save) {
    if (!save) {
        m_BandEdit->setText(FormatDoubleField(m_BandWidth));
        m_DistanceEdit->setText(FormatDoubleField(m_PointDistance));
        m_HeadingEdit->setText(QString::number(m_Heading));
        m_HeadingEdit->setReadOnly(!m_HeadingEditable);
        m_Middle->setChecked(m_PointsAtEdge == 0);
        m_Edge->setChecked(m_PointsAtEdge == 1);
        m_Route->setChecked(m_RouteThroughAll);
        return true;
    }
    // A band or a point spacing of no width leaves no field to search: the
    // bands would collapse onto one line.
    double band = 0, distance = 0;
    for (const auto& [edit, value] : {std::pair{m_BandEdit, &band}, std::pair{m_DistanceEdit, &distance}}) {
        if (!ParseDoubleField(edit->text(), *value)) return RefuseField(edit, "Please enter a number.");
        if (!(*value > 0)) return RefuseField(edit, "Please enter a number greater than 0.");
    }
    bool headingOk = false;
    const int heading = m_HeadingEdit->text().trimmed().toInt(&headingOk);
    if (!headingOk) return RefuseField(m_HeadingEdit, "Please enter an integer.");
    m_BandWidth = band;
    m_PointDistance = distance;
    m_Heading = heading;
    m_PointsAtEdge = m_Edge->isChecked() ? 1 : m_Middle->isChecked() ? 0 : -1;
    m_RouteThroughAll = m_Route->isChecked();
    return true;
}

void CDlgSearchArea::accept() {
    if (UpdateData(true)) QDialog::accept();
}

int CDlgSearchArea::DoModal() {
    UpdateData(false);
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

bool CQtSearchAreaDialog::RunSearchAreaDialog(SearchFieldProperties& p) {
    CDlgSearchArea dlg(m_Parent);
    dlg.m_BandWidth = p.bandWidth;
    dlg.m_PointDistance = p.pointDistance;
    dlg.m_Heading = p.heading;
    dlg.m_PointsAtEdge = p.pointsAtEdge;
    dlg.m_RouteThroughAll = p.routeThroughAll != 0;
    dlg.m_HeadingEditable = p.headingEditable;
    if (dlg.DoModal() != IDOK) return false;
    p.bandWidth = dlg.m_BandWidth;
    p.pointDistance = dlg.m_PointDistance;
    p.heading = dlg.m_Heading;
    // Neither radio chosen (a stored value outside 0 and 1) keeps the stored one.
    if (dlg.m_PointsAtEdge >= 0) p.pointsAtEdge = dlg.m_PointsAtEdge;
    p.routeThroughAll = dlg.m_RouteThroughAll ? 1 : 0;
    return true;
}
