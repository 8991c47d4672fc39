#include "app/DlgPreferences.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Profile.h"
#include "platform/Prompt.h"
#include "platform/SerialPort.h"
#include "platformui/NumberField.h"
#include "settings/SettingsTable.h"

namespace {

QLineEdit* MakeEdit(int id, int width = 70) {
    auto* e = new QLineEdit;
    e->setObjectName(QString::number(id));
    e->setFixedWidth(width);
    return e;
}

QCheckBox* MakeCheck(int id, const char* text) {
    auto* c = new QCheckBox(QString::fromLatin1(text));
    c->setObjectName(QString::number(id));
    return c;
}

// "label [edit] unit" in one row of a grid.
void AddRow(QGridLayout* g, int row, const char* label, QLineEdit* edit, const char* unit = nullptr) {
    g->addWidget(new QLabel(QString::fromLatin1(label)), row, 0);
    g->addWidget(edit, row, 1);
    if (unit) g->addWidget(new QLabel(QString::fromLatin1(unit)), row, 2);
}

QString IntText(int v) { return QString::number(v); }
// Enough digits to give back the stored value; C-locale like the INI file.
QString RealText(double v) { return QString::number(v, 'g', 15); }

bool ParseInt(const QString& text, int& v) {
    static const QRegularExpression re("^\\s*[+-]?\\d+\\s*$");
    if (!re.match(text).hasMatch()) return false;
    bool ok = false;
    const long long n = text.trimmed().toLongLong(&ok);
    if (!ok || n < INT_MIN || n > INT_MAX) return false;
    v = int(n);
    return true;
}

bool ParseReal(const QString& text, double& v) {
    static const QRegularExpression re("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$");
    if (!re.match(text).hasMatch()) return false;
    v = LeadingDouble(text.toStdString());
    return true;
}

bool GetInt(QLineEdit* e, int& v) {
    return ParseInt(e->text(), v) || RefuseField(e, "Please enter an integer.");
}

// The value is taken only when it lies in the range.
bool GetInt(QLineEdit* e, IntRange range, int& v) {
    int n = 0;
    if (!GetInt(e, n)) return false;
    if (!range.Holds(n)) {
        const std::string text = "Please enter an integer between " + std::to_string(range.lo) + " and " +
                                 std::to_string(range.hi) + ".";
        return RefuseField(e, text);
    }
    v = n;
    return true;
}
bool GetReal(QLineEdit* e, double& v) {
    return ParseReal(e->text(), v) || RefuseField(e, "Please enter a number.");
}

// Selects the stored text: an item equal to it, else the first item that
// begins with it ("COM1" picks "COM1:"), else it is added as its own item, so
// that OK never loses a value the machine does not list.
void SelectStored(QComboBox* box, const std::string& stored) {
    const QString s = QString::fromStdString(stored);
    if (s.isEmpty()) {
        box->setCurrentIndex(-1);
        return;
    }
    int at = box->findText(s, Qt::MatchExactly);
    if (at < 0) at = box->findText(s, Qt::MatchStartsWith);
    if (at < 0) {
        box->addItem(s);
        at = box->count() - 1;
    }
    box->setCurrentIndex(at);
}

}  // namespace

CDlgPreferences::CDlgPreferences(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Preferences");
    setObjectName("163");

    auto* db = new QGroupBox("Database");
    auto* dbg = new QGridLayout(db);
    AddRow(dbg, 0, "NamedWpt Base Overdraft:", m_NamedBase = MakeEdit(1261));
    AddRow(dbg, 1, "AutoWpt Base Overdraft:", m_AutoBase = MakeEdit(1232));
    AddRow(dbg, 2, "Named Index Overdraft:", m_NamedIndex = MakeEdit(1231));
    AddRow(dbg, 3, "TackLog Overdraft:", m_TrackLog = MakeEdit(1233));
    AddRow(dbg, 4, "Undo Stack Size:", m_Undo = MakeEdit(1234));

    auto* wpt = new QGroupBox("Waypoints");
    auto* wg = new QGridLayout(wpt);
    m_Label = new QButtonGroup(this);
    auto* labelRow = new QHBoxLayout;
    static const int labelIds[4] = {1264, 1262, 1263, 1265};
    static const char* const labelTexts[4] = {"Below", "Above", "Left", "Right"};
    for (int i = 0; i < 4; ++i) {
        auto* r = new QRadioButton(labelTexts[i]);
        r->setObjectName(QString::number(labelIds[i]));
        m_Label->addButton(r, i);
        labelRow->addWidget(r);
    }
    wg->addWidget(new QLabel("Default label position:"), 0, 0);
    wg->addLayout(labelRow, 0, 1, 1, 2);
    AddRow(wg, 1, "Warn if two waypoints are closer than:", m_MinDistance = MakeEdit(1235), "m");

    auto* datum = new QGroupBox("Local datum to WGS84");
    auto* dg = new QGridLayout(datum);
    static const int datumIds[7] = {1238, 1239, 1240, 1242, 1243, 1244, 1241};
    static const char* const datumLabels[7] = {"dX:", "dY:", "dZ:", "alpha:", "beta:", "gamma:", "dm:"};
    static const char* const datumUnits[7] = {"m", "m", "m", "sec.", "sec.", "sec.", "ppm"};
    for (int i = 0; i < 7; ++i) {
        m_Datum[i] = MakeEdit(datumIds[i], 110);
        const int row = i % 3 + (i == 6 ? 3 : 0), col = i < 3 || i == 6 ? 0 : 3;
        dg->addWidget(new QLabel(datumLabels[i]), row, col);
        dg->addWidget(m_Datum[i], row, col + 1);
        dg->addWidget(new QLabel(datumUnits[i]), row, col + 2);
    }

    auto* xfer = new QGroupBox("Download and export");
    auto* xg = new QGridLayout(xfer);
    m_Export = new QButtonGroup(this);
    auto* exportRow = new QHBoxLayout;
    auto* toFile = new QRadioButton("File");
    toFile->setObjectName("1329");
    auto* toGps = new QRadioButton("GPS");
    toGps->setObjectName("1330");
    m_Export->addButton(toFile, 0);
    m_Export->addButton(toGps, 1);
    exportRow->addWidget(toFile);
    exportRow->addWidget(toGps);
    exportRow->addStretch();
    xg->addWidget(new QLabel("Export waypoints and search area to:"), 0, 0);
    xg->addLayout(exportRow, 0, 1, 1, 2);
    xg->addWidget(m_Suggest = MakeCheck(1327, "Suggest file names"), 1, 0);
    auto* ignoreRow = new QHBoxLayout;
    ignoreRow->addWidget(m_Ignore = MakeCheck(1326, "Ignore existing waypoints within "));
    ignoreRow->addWidget(m_Proximity = MakeEdit(1328));
    ignoreRow->addWidget(new QLabel("m"));
    ignoreRow->addStretch();
    xg->addLayout(ignoreRow, 2, 0, 1, 3);
    xg->addWidget(m_SaveWpts = MakeCheck(1323, "Save downloaded waypoints"), 3, 0);
    xg->addWidget(m_ImportWpts = MakeCheck(1324, "Import downloaded waypoints"), 4, 0);
    xg->addWidget(m_AskUser = MakeCheck(1325, "Ask User"), 5, 0);
    xg->addWidget(m_SaveTrk = MakeCheck(1322, "Save downloaded tracklog"), 6, 0);

    auto* gps = new QGroupBox("GPS");
    auto* gg = new QGridLayout(gps);
    m_Port = new QComboBox;
    m_Port->setObjectName("1258");
    // Editable: a device the machine does not list (a pty, a USB adapter
    // plugged in later) can still be typed.
    m_Port->setEditable(true);
    m_Port->setMinimumWidth(180);
    m_Baud = new QComboBox;
    m_Baud->setObjectName("1259");
    m_Coords = new QComboBox;
    m_Coords->setObjectName("1266");
    m_Coords->addItem("WGS84 ");
    m_Coords->addItem("Local datum");
    gg->addWidget(new QLabel("COM port:"), 0, 0);
    gg->addWidget(m_Port, 0, 1, 1, 2);
    gg->addWidget(new QLabel("BaudRate:"), 1, 0);
    gg->addWidget(m_Baud, 1, 1, 1, 2);
    gg->addWidget(new QLabel("GPS coordinates:"), 2, 0);
    gg->addWidget(m_Coords, 2, 1, 1, 2);
    AddRow(gg, 3, "Log interval:", m_LogInterval = MakeEdit(1236), "s");
    gg->addWidget(new QLabel("Show last"), 4, 0);
    gg->addWidget(m_ShowLast = MakeEdit(1237), 4, 1);
    gg->addWidget(new QLabel("pts"), 4, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("2");
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgPreferences::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* left = new QVBoxLayout;
    left->addWidget(db);
    left->addWidget(wpt);
    left->addWidget(datum);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(xfer);
    right->addWidget(gps);
    right->addStretch();
    auto* cols = new QHBoxLayout;
    cols->addLayout(left);
    cols->addLayout(right);
    auto* top = new QVBoxLayout(this);
    top->addLayout(cols);
    top->addWidget(buttons);
}

void CDlgPreferences::ToWidgets() {
    m_NamedBase->setText(IntText(namedWptBaseOverdraft));
    m_AutoBase->setText(IntText(autoWptBaseOverdraft));
    m_NamedIndex->setText(IntText(namedIndexOverdraft));
    m_TrackLog->setText(IntText(trackLogOverdraft));
    m_Undo->setText(IntText(undoStackSize));
    if (auto* b = m_Label->button(labelPosition & 3)) b->setChecked(true);
    m_MinDistance->setText(IntText(minWaypointDistance));
    const double datum[7] = {dX, dY, dZ, eX, eY, eZ, dM};
    for (int i = 0; i < 7; ++i) m_Datum[i]->setText(RealText(datum[i]));
    if (auto* b = m_Export->button(exportToGps ? 1 : 0)) b->setChecked(true);
    m_Suggest->setChecked(suggestLogNames != 0);
    m_Ignore->setChecked(ignoreExistingWpts != 0);
    m_Proximity->setText(RealText(existingWptProximity));
    m_SaveWpts->setChecked(saveDownloadedWpts != 0);
    m_ImportWpts->setChecked(importDownloadedWpts != 0);
    m_AskUser->setChecked(askAfterDownloadingWpts != 0);
    m_SaveTrk->setChecked(saveDownloadedTrk != 0);

    m_Port->clear();
    for (const SerialPortEntry& p : ListSerialPorts()) {
        m_Port->addItem(QString::fromStdString(p.path));
        if (!p.description.empty())
            m_Port->setItemData(m_Port->count() - 1, QString::fromStdString(p.description), Qt::ToolTipRole);
    }
    SelectStored(m_Port, gpsPort);
    if (gpsPort.empty()) m_Port->setEditText(QString());

    m_Baud->clear();
    for (const char* rate : {"300", "600", "1200", "2400", "4800", "9600"}) m_Baud->addItem(rate);
    SelectStored(m_Baud, gpsBaudRate);

    m_Coords->setCurrentIndex(gpsUsesLocalDatum == 0 ? 0 : 1);
    m_LogInterval->setText(IntText(gpsLogIntervalSeconds));
    m_ShowLast->setText(IntText(gpsLogDrawnPoints));
}

bool CDlgPreferences::FromWidgets() {
    if (!GetInt(m_NamedBase, kNamedWptBaseGrowRange, namedWptBaseOverdraft)) return false;
    if (!GetInt(m_AutoBase, kAutoWptBaseGrowRange, autoWptBaseOverdraft)) return false;
    if (!GetInt(m_NamedIndex, kNamedIndexGrowRange, namedIndexOverdraft)) return false;
    if (!GetInt(m_TrackLog, kTrackLogGrowRange, trackLogOverdraft)) return false;
    if (!GetInt(m_Undo, kUndoStackSizeRange, undoStackSize)) return false;
    labelPosition = std::max(m_Label->checkedId(), 0);
    if (!GetInt(m_MinDistance, minWaypointDistance)) return false;
    double* datum[7] = {&dX, &dY, &dZ, &eX, &eY, &eZ, &dM};
    for (int i = 0; i < 7; ++i)
        if (!GetReal(m_Datum[i], *datum[i])) return false;
    exportToGps = m_Export->checkedId() == 1 ? 1 : 0;
    suggestLogNames = m_Suggest->isChecked();
    ignoreExistingWpts = m_Ignore->isChecked();
    if (!GetReal(m_Proximity, existingWptProximity)) return false;
    saveDownloadedWpts = m_SaveWpts->isChecked();
    importDownloadedWpts = m_ImportWpts->isChecked();
    askAfterDownloadingWpts = m_AskUser->isChecked();
    saveDownloadedTrk = m_SaveTrk->isChecked();
    // An emptied port field keeps the port in use rather than storing nothing.
    const QString port = m_Port->currentText().trimmed();
    if (!port.isEmpty()) gpsPort = port.toStdString();
    if (m_Baud->currentIndex() >= 0) gpsBaudRate = m_Baud->currentText().toStdString();
    gpsUsesLocalDatum = m_Coords->currentIndex() == 0 ? 0 : 1;
    if (!GetInt(m_LogInterval, gpsLogIntervalSeconds)) return false;
    if (!GetInt(m_ShowLast, gpsLogDrawnPoints)) return false;
    return true;
}

void CDlgPreferences::accept() {
    // Checked on a copy: a refused OK must not leave half the values changed.
    PreferencesValues before = *this;
    if (!FromWidgets()) {
        static_cast<PreferencesValues&>(*this) = before;
        return;
    }
    QDialog::accept();
}

int CDlgPreferences::DoModal() {
    ToWidgets();
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}
