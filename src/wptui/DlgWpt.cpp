#include "wptui/DlgWpt.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdio>
#include <ctime>

#include "doc/Grids.h"
#include "doc/WptDatabase.h"
#include "doc/WptNaming.h"
#include "geo/GeoTransform.h"
#include "platform/Prompt.h"
#include "platformui/NumberField.h"

namespace {

// Shortest text that reads back as the same double, so showing a stored
// coordinate never moves it.
QString CoordinateText(double v) { return QLocale::c().toString(v, 'f', QLocale::FloatingPointShortest); }

std::string DateText(std::int32_t t) {
    if (t < 1) return "Before 1.5.2002";
    const std::time_t tt = t;
    std::tm tm{};
    if (!localtime_r(&tt, &tm)) return std::string();
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%02d at %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1,
                  tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

QButtonGroup* RadioGroup(QWidget* dlg, const char* id, const char* title,
                         std::initializer_list<const char*> texts, QLayout* into) {
    auto* box = new QGroupBox(title, dlg);
    auto* row = new QHBoxLayout(box);
    auto* group = new QButtonGroup(dlg);
    group->setObjectName(id);
    int i = 0;
    for (const char* t : texts) {
        auto* b = new QRadioButton(t, box);
        b->setObjectName(QString("%1_%2").arg(id).arg(i));
        group->addButton(b, i++);
        row->addWidget(b);
    }
    into->addWidget(box);
    return group;
}

}  // namespace

CDlgWpt::CDlgWpt(const WaypointRecord& rec, CWptDatabase& db, const CGeoTransform& geo, QWidget* parent)
    : QDialog(parent),
      m_Db(db),
      m_Geo(geo),
      m_Rec(rec),
      m_Initial(rec),
      m_InitialBase(CWptDatabase::GetWptBaseIndex(rec)),
      m_Name(WptName(rec)),
      m_Comment(WptComment(rec)),
      m_Level(rec.Flags & kWptLevelMask),
      m_Label((rec.Flags & kWptLabelMask) >> 4),
      m_Temporary((rec.Flags & kWptTemporary) != 0) {
    setWindowTitle("Waypoint");
    auto* form = new QFormLayout;
    auto edit = [&](const char* id, const char* label) {
        auto* e = new QLineEdit(this);
        e->setObjectName(id);
        form->addRow(label, e);
        return e;
    };
    m_NameEdit = edit("1045", "Name:");
    m_CommentEdit = edit("1046", "Comment:");
    // No more than the record stores: nothing typed is cut off unseen.
    m_NameEdit->setMaxLength(kWptNameSize - 1);
    m_CommentEdit->setMaxLength(kWptCommentSize - 1);
    m_Field[kN] = edit("1049", "Northing:");
    m_Field[kE] = edit("1050", "Easting:");
    m_Field[kLat] = edit("1047", "Latitude (WGS84):");
    m_Field[kLon] = edit("1048", "Longitude (WGS84):");
    for (const char* t : {"Type:", "SubType:"}) form->addRow(t, new QComboBox(this));
    form->addRow("Flags:", new QLabel(this));
    auto* created = new QLabel(QString::fromStdString(DateText(rec.Created)), this);
    created->setObjectName("1202");
    form->addRow("Created:", created);
    auto* modified = new QLabel(QString::fromStdString(DateText(rec.Modified)), this);
    modified->setObjectName("1319");
    form->addRow("Modified:", modified);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    m_LevelGroup = RadioGroup(this, "1215", "Series", {"PK250", "TK50", "TK25", "TN10", "TN5"}, layout);
    m_LabelGroup = RadioGroup(this, "1223", "Label", {"Below", "Above", "Left", "Right"}, layout);
    m_TempBox = new QCheckBox("Temporary", this);
    m_TempBox->setObjectName("1078");
    layout->addWidget(m_TempBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("2");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgWpt::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    for (int f = 0; f < kFieldCount; ++f)
        connect(m_Field[f], &QLineEdit::textEdited, this, [this, f] {
            m_Typed[f] = true;
            f == kE || f == kN ? GridEdited() : GeoEdited();
        });
    connect(m_TempBox, &QCheckBox::clicked, this, &CDlgWpt::TemporaryClicked);

    if (!m_Geo.GKToWGS84(m_Rec.E, m_Rec.N, m_Lat, m_Lon)) MsgBox(kGeoTransformError);
    UpdateName();
    WriteControls();
}

int CDlgWpt::DoModal(const QString& caption) {
    setWindowTitle(caption);
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

// report: a typed field that is not a number is shown and refuses; without
// it such a field counts as out of range.
bool CDlgWpt::ReadControls(bool report) {
    m_Name = Latin1Bytes(m_NameEdit->text());
    m_Comment = Latin1Bytes(m_CommentEdit->text());
    if (m_LevelGroup->checkedId() >= 0) m_Level = m_LevelGroup->checkedId();
    if (m_LabelGroup->checkedId() >= 0) m_Label = m_LabelGroup->checkedId();
    m_Temporary = m_TempBox->isChecked();
    double* values[kFieldCount] = {&m_Rec.E, &m_Rec.N, &m_Lat, &m_Lon};
    for (int f = 0; f < kFieldCount; ++f) {
        if (!m_Typed[f] || ParseDoubleField(m_Field[f]->text(), *values[f])) continue;
        if (report) {
            MsgBox("Please enter a number.", MB_OK | MB_ICONWARNING);
            m_Field[f]->setFocus();
            m_Field[f]->selectAll();
            return false;
        }
        *values[f] = -1.0;
    }
    return true;
}

void CDlgWpt::WriteControls() {
    // Only fields whose text differs are refilled: the cursor stays where the user types.
    auto set = [](QLineEdit* e, const QString& t) {
        if (e->text() != t) e->setText(t);
    };
    set(m_NameEdit, Latin1Text(m_Name));
    set(m_CommentEdit, Latin1Text(m_Comment));
    const double values[kFieldCount] = {m_Rec.E, m_Rec.N, m_Lat, m_Lon};
    for (int f = 0; f < kFieldCount; ++f)
        if (!m_Typed[f]) set(m_Field[f], CoordinateText(values[f]));
    if (QAbstractButton* b = m_LevelGroup->button(m_Level)) b->setChecked(true);
    if (QAbstractButton* b = m_LabelGroup->button(m_Label)) b->setChecked(true);
    m_TempBox->setChecked(m_Temporary);
}

void CDlgWpt::UpdateName() {
    m_NameEdit->setEnabled(m_Temporary);
    m_NameEdit->setReadOnly(!m_Temporary);
    if (m_Temporary) return;
    const int q = GetQuadrantIndex(m_Rec.E, m_Rec.N);
    if (q < 0)
        m_Name = "???";
    else if (q == m_InitialBase)
        m_Name = WptName(m_Initial);
    else
        m_Name = m_Db.GetNewAutoWptName(q);
}

void CDlgWpt::GridEdited() {
    ReadControls(false);
    m_Typed[kLat] = m_Typed[kLon] = false;
    if (m_Rec.E >= 0 && m_Rec.E < 1000000.0 && m_Rec.N >= 0 && m_Rec.N < 10000000.0) {
        if (!m_Geo.GKToWGS84(m_Rec.E, m_Rec.N, m_Lat, m_Lon)) MsgBox(kGeoTransformError);
    } else {
        m_Lat = m_Lon = 0.0;
    }
    UpdateName();
    WriteControls();
}

void CDlgWpt::GeoEdited() {
    ReadControls(false);
    m_Typed[kE] = m_Typed[kN] = false;
    if (m_Lon >= 13.0 && m_Lon < 17.0 && m_Lat >= 0 && m_Lat <= 90.0) {
        CPointD p(m_Rec.E, m_Rec.N);
        if (m_Geo.WGS84ToGK(m_Lat, m_Lon, p)) {
            m_Rec.E = p.easting;
            m_Rec.N = p.northing;
        } else {
            MsgBox(kGeoTransformError);
        }
    } else {
        m_Rec.E = m_Rec.N = 0.0;
    }
    UpdateName();
    WriteControls();
}

void CDlgWpt::TemporaryClicked() {
    ReadControls(false);
    UpdateName();
    if (m_Temporary) m_Name.clear();
    WriteControls();
}

void CDlgWpt::accept() {
    if (!ReadControls(true)) return;
    m_Name = TrimUpperWptName(m_Name);
    if (m_Temporary && !m_Db.CheckTemporaryWptName(m_Name, true).empty()) return;
    if (m_Label < 0 || m_Label > 3) {
        MsgBox("Internal Error! Label position out of range in 'CDlgWpt'!");
        reject();
        return;
    }
    if (m_Level < 0 || m_Level > 4) {
        MsgBox("Internal Error! Wpt Level out of range in 'CDlgWpt'!");
        reject();
        return;
    }
    SetWptName(m_Rec, m_Name);
    SetWptComment(m_Rec, m_Comment);
    m_Rec.Flags = std::uint16_t(m_Level | (m_Label << 4) | (m_Temporary ? kWptTemporary : 0));
    QDialog::accept();
}
