#include "wptui/DlgWptConflict.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Prompt.h"

namespace {

QLineEdit* Field(QWidget* parent, QFormLayout* form, const char* id, const char* label, const QString& text) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(id);
    e->setReadOnly(true);
    form->addRow(label, e);
    return e;
}

QGroupBox* Group(QWidget* parent, const char* title, const char* ids[3], const WptConflictInfo& info,
                 bool existing, QLineEdit** nameEdit) {
    auto* box = new QGroupBox(title, parent);
    auto* form = new QFormLayout(box);
    const std::string& name = existing ? info.existingName : info.newName;
    QLineEdit* n = Field(box, form, ids[0], "Name:", Latin1Text(name));
    Field(box, form, ids[1], "Northing:", QString::number(existing ? info.existingN : info.newN));
    Field(box, form, ids[2], "Easting:", QString::number(existing ? info.existingE : info.newE));
    if (nameEdit) *nameEdit = n;
    return box;
}

}  // namespace

CDlgWptConflict::CDlgWptConflict(const WptConflictInfo& info, int kind, QWidget* parent)
    : QDialog(parent), m_Info(info), m_Kind(kind) {
    setWindowTitle("Waypoint Conflict Resolution");
    auto* layout = new QVBoxLayout(this);
    auto* message = new QLabel("Waypoint conflict occured! ", this);
    message->setObjectName("1069");
    message->setWordWrap(true);
    layout->addWidget(message);
    const char* existingIds[3] = {"1070", "1075", "1076"};
    const char* newIds[3] = {"1071", "1077", "1078"};
    layout->addWidget(Group(this, "Exsisting Waypoint", existingIds, info, true, nullptr));
    layout->addWidget(Group(this, "New Waypoint", newIds, info, false, &m_NewName));
    auto* distance = new QHBoxLayout;
    auto* metres = new QLineEdit(QString::number(info.distance), this);
    metres->setObjectName("1079");
    metres->setReadOnly(true);
    distance->addWidget(new QLabel("Distance:", this));
    distance->addWidget(metres);
    distance->addWidget(new QLabel("m", this));
    layout->addLayout(distance);

    auto* buttons = new QHBoxLayout;
    m_Ok = new QPushButton("OK", this);
    m_Ok->setObjectName("1");
    m_Replace = new QPushButton("Replace", this);
    m_Replace->setObjectName("1226");
    m_Skip = new QPushButton("Skip/Cancel", this);
    m_Skip->setObjectName("2");
    for (QPushButton* b : {m_Ok, m_Replace, m_Skip}) buttons->addWidget(b);
    layout->addLayout(buttons);
    connect(m_Ok, &QPushButton::clicked, this, [this] {
        m_Result = kWptConflictOk;
        accept();
    });
    connect(m_Replace, &QPushButton::clicked, this, [this] {
        m_Result = kWptConflictReplace;
        accept();
    });
    connect(m_Skip, &QPushButton::clicked, this, &QDialog::reject);

    if (NameKind()) {
        m_NewName->setReadOnly(false);
        connect(m_NewName, &QLineEdit::textEdited, this, &CDlgWptConflict::NewNameEdited);
        NewNameEdited();
        message->setText(
            "Waypoint name ALLREADY EXISTS in database! Please select new waypoint name and press OK!");
    } else {
        message->setText(
            "New waypoint position TOO CLOSE to existing waypoint! Press OK to confirm new waypoint position "
            "or "
            "skip operation.");
        m_Ok->setDefault(true);
    }
    if (m_Kind != kWptConflictName) {
        m_Replace->hide();
        m_Replace->setEnabled(false);
    }
}

std::string CDlgWptConflict::NewName() const { return Latin1Bytes(m_NewName->text()); }

void CDlgWptConflict::NewNameEdited() {
    const bool same = NewName() == m_Info.existingName;
    m_Ok->setEnabled(!same);
    (same ? m_Skip : m_Ok)->setDefault(true);
    if (m_Kind == kWptConflictName) m_Replace->setEnabled(same);
}

int CDlgWptConflict::DoModal() { return exec() == QDialog::Accepted ? IDOK : IDCANCEL; }
