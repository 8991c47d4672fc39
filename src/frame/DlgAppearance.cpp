#include "frame/DlgAppearance.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "doc/VornaDoc.h"
#include "mapview/MapViewController.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"
#include "platform/Prompt.h"
#include "platform/System.h"
#include "platform/Text.h"
#include "settings/ColorSchemes.h"

namespace {

// Rows of the waypoint style table: default, named, automatic levels 1..5.
struct StyleRowIds {
    const char* label;
    int screen, print;  // colour buttons
    int edit, spin;     // font size
    int bold, italic, underline;
};
constexpr StyleRowIds kStyleRows[7] = {
    {"Default", 1049, 1050, 1158, 1161, 1162, 1163, 1164},
    {"Named", 1047, 1048, 1151, 1152, 1153, 1154, 1155},
    {"Level 1", 1037, 1038, 1122, 1121, 1115, 1116, 1117},
    {"Level 2", 1039, 1040, 1125, 1126, 1118, 1119, 1120},
    {"Level 3", 1041, 1042, 1129, 1130, 1131, 1132, 1133},
    {"Level 4", 1043, 1044, 1136, 1137, 1138, 1139, 1140},
    {"Level 5", 1045, 1046, 1143, 1144, 1145, 1146, 1147},
};

constexpr const char* kLayerNames[6] = {"Forest (G)", "Relief (RP)",  "Water (H)",
                                        "Roads (C)",  "Objects (NP)", "Names (I)"};
constexpr int kLayerScreenIds[6] = {1193, 1194, 1195, 1196, 1197, 1198};
constexpr int kLayerPrintIds[6] = {1025, 1026, 1027, 1028, 1029, 1030};

// Screen-column controls of the rows every waypoint shares: off while the
// screen shows the printer's settings.
constexpr int kScreenColumn[] = {1158, 1167, 1192, 1169, 1172, 1177, 1179,
                                 1190, 1049, 1051, 1032, 1034, 1035};

QLabel* Label(const char* text) { return new QLabel(QString::fromLatin1(text)); }

}  // namespace

CDlgAppearance::CDlgAppearance(CAppearanceSettings& block, int series, CVornaDoc* doc, QWidget* parent)
    : QDialog(parent),
      m_Block(block),
      m_Series(std::clamp(series, 0, kMapTypeCount - 1)),
      m_Doc(doc),
      m_Current(block),
      m_Saved(block) {
    setWindowTitle("Colors and Fonts");
    setObjectName("148");

    // ---- waypoints -----------------------------------------------------------
    auto* wpt = new QGroupBox("Waypoints");
    auto* wg = new QGridLayout(wpt);
    m_Font = new QComboBox;
    m_Font->setObjectName("1206");
    m_Font->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_Font->setMinimumContentsLength(16);
    wg->addWidget(Label("Font:"), 0, 0);
    wg->addWidget(m_Font, 0, 1, 1, 6);
    wg->addWidget(MakeCheck(1160, "Override default appearance by Waypoint type",
                            [](CAppearanceSettings& a) { return &a.wptDefaultOverride; }),
                  1, 0, 1, 7);
    int col = 1;
    for (const char* h : {"Screen", "Print", "Size", "Bold", "Italic", "Underline"})
        wg->addWidget(Label(h), 2, col++, Qt::AlignCenter);
    for (int r = 0; r < 7; ++r) {
        const StyleRowIds& ids = kStyleRows[r];
        const int row = 3 + r;
        wg->addWidget(Label(ids.label), row, 0);
        wg->addWidget(
            MakeColor(ids.screen, [r](CAppearanceSettings& a) { return &a.wptStyles[r].screenColor; }), row,
            1);
        wg->addWidget(
            MakeColor(ids.print, [r](CAppearanceSettings& a) { return &a.wptStyles[r].printColor; }), row, 2);
        wg->addWidget(MakeSpin(ids.edit, ids.spin, 5, 50,
                               [r](CAppearanceSettings& a) { return &a.wptStyles[r].fontSize; }),
                      row, 3);
        wg->addWidget(MakeCheck(ids.bold, "", [r](CAppearanceSettings& a) { return &a.wptStyles[r].bold; }),
                      row, 4, Qt::AlignCenter);
        wg->addWidget(
            MakeCheck(ids.italic, "", [r](CAppearanceSettings& a) { return &a.wptStyles[r].italic; }), row, 5,
            Qt::AlignCenter);
        wg->addWidget(
            MakeCheck(ids.underline, "", [r](CAppearanceSettings& a) { return &a.wptStyles[r].underline; }),
            row, 6, Qt::AlignCenter);
    }
    wg->addWidget(MakeButton(1201, ">>"), 3, 7);
    wg->addWidget(MakeButton(1202, ">>"), 4, 7);
    wg->addWidget(Label("Hidden"), 10, 0);
    wg->addWidget(MakeColor(1051, [](CAppearanceSettings& a) { return &a.hiddenScreenColor; }), 10, 1);
    wg->addWidget(MakeColor(1052, [](CAppearanceSettings& a) { return &a.hiddenPrintColor; }), 10, 2);

    auto* marks = new QGroupBox("Markers and labels");
    auto* mg = new QGridLayout(marks);
    mg->addWidget(Label("Marker Size:"), 0, 0);
    mg->addWidget(MakeSpin(1167, 1168, 0, 20, [](CAppearanceSettings& a) { return &a.markerSize; }), 0, 1);
    mg->addWidget(Label("Marker Outline:"), 1, 0);
    mg->addWidget(MakeSpin(1192, 1215, 0, 10, [](CAppearanceSettings& a) { return &a.markerOutline; }), 1, 1);
    mg->addWidget(Label("Label Distance:"), 2, 0);
    mg->addWidget(MakeSpin(1169, 1170, 0, 20, [](CAppearanceSettings& a) { return &a.labelDistance; }), 2, 1);
    mg->addWidget(Label("Label Opacity:"), 3, 0);
    mg->addWidget(MakeSpin(1172, 1185, 0, 10, [](CAppearanceSettings& a) { return &a.screenOpacity; }), 3, 1);
    mg->addWidget(MakeSpin(1186, 1187, 0, 10, [](CAppearanceSettings& a) { return &a.printOpacity; }), 3, 2);
    mg->addWidget(MakeButton(1214, ">>"), 3, 3);
    mg->addWidget(Label("Screen"), 4, 1, Qt::AlignCenter);
    mg->addWidget(Label("Print"), 4, 2, Qt::AlignCenter);

    // ---- layer colours, track log, GPS -----------------------------------------
    auto* layers =
        new QGroupBox(QString("Layer Colors of ") + QString::fromStdString(DefaultMapType(m_Series).name));
    auto* lg = new QGridLayout(layers);
    lg->addWidget(Label("Screen"), 0, 1, Qt::AlignCenter);
    lg->addWidget(Label("Print"), 0, 2, Qt::AlignCenter);
    for (int l = 0; l < 6; ++l) {
        lg->addWidget(Label(kLayerNames[l]), 1 + l, 0);
        lg->addWidget(MakeColor(kLayerScreenIds[l],
                                [this, l](CAppearanceSettings&) {
                                    COLORREF* c = LayerColors(kSchemeScreen);
                                    return c ? c + l : nullptr;
                                }),
                      1 + l, 1);
        lg->addWidget(MakeColor(kLayerPrintIds[l],
                                [this, l](CAppearanceSettings&) {
                                    COLORREF* c = LayerColors(kSchemePrint);
                                    return c ? c + l : nullptr;
                                }),
                      1 + l, 2);
    }
    lg->addWidget(MakeButton(1203, ">>"), 1, 3);
    // The scheme each column shows, and its colours kept under a new name.
    lg->addWidget(Label("Scheme:"), 7, 0);
    for (int m : {kSchemeScreen, kSchemePrint}) {
        auto* box = m_Scheme[m] = new QComboBox;
        box->setObjectName(m == kSchemeScreen ? "1318" : "1321");
        lg->addWidget(box, 7, 1 + m);
        connect(box, &QComboBox::activated, this, [this, m](int index) { ChooseScheme(m, index); });
        QPushButton* save = MakeButton(m == kSchemeScreen ? 1322 : 1323, "Save as...");
        lg->addWidget(save, 8, 1 + m);
        connect(save, &QPushButton::clicked, this, [this, m] { SaveSchemeAs(m); });
    }

    auto* track = new QGroupBox("Track Log");
    auto* tg = new QGridLayout(track);
    tg->addWidget(Label("Screen"), 0, 1, Qt::AlignCenter);
    tg->addWidget(Label("Print"), 0, 2, Qt::AlignCenter);
    tg->addWidget(Label("Color:"), 1, 0);
    tg->addWidget(MakeColor(1032, [](CAppearanceSettings& a) { return &a.trackScreenColor; }), 1, 1);
    tg->addWidget(MakeColor(1033, [](CAppearanceSettings& a) { return &a.trackPrintColor; }), 1, 2);
    tg->addWidget(MakeButton(1204, ">>"), 1, 3);
    tg->addWidget(Label("Selection:"), 2, 0);
    tg->addWidget(MakeColor(1034, [](CAppearanceSettings& a) { return &a.trackSelScreenColor; }), 2, 1);
    tg->addWidget(MakeColor(1036, [](CAppearanceSettings& a) { return &a.trackSelPrintColor; }), 2, 2);
    tg->addWidget(Label("Thickness:"), 3, 0);
    tg->addWidget(MakeSpin(1177, 1178, 0, 20, [](CAppearanceSettings& a) { return &a.trackThickness; }), 3,
                  1);
    tg->addWidget(Label("Tick Size:"), 4, 0);
    tg->addWidget(MakeSpin(1179, 1180, 0, 20, [](CAppearanceSettings& a) { return &a.trackMarkerSize; }), 4,
                  1);

    auto* gps = new QGroupBox("GPS");
    auto* gg = new QGridLayout(gps);
    gg->addWidget(Label("Inactive Color:"), 0, 0);
    gg->addWidget(MakeColor(1035, [](CAppearanceSettings& a) { return &a.gpsInactiveColor; }), 0, 1);
    gg->addWidget(Label("Marker Size:"), 1, 0);
    gg->addWidget(MakeSpin(1190, 1191, 0, 20, [](CAppearanceSettings& a) { return &a.gpsMarkerSize; }), 1, 1);

    // ---- the dialog's own row ----------------------------------------------------
    auto* left = new QVBoxLayout;
    left->addWidget(wpt);
    left->addWidget(marks);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(layers);
    right->addWidget(track);
    right->addWidget(gps);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);

    auto* bottom = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    checks->addWidget(
        MakeCheck(1205, "Auto Apply as values change", [](CAppearanceSettings& a) { return &a.autoApply; }));
    checks->addWidget(MakeCheck(1200, "Use printer settings on the screen",
                                [](CAppearanceSettings& a) { return &a.usePrinterColors; }));
    bottom->addLayout(checks);
    bottom->addStretch();
    QPushButton* apply = MakeButton(1171, "Apply");
    QPushButton* ok = MakeButton(1, "OK");
    QPushButton* cancel = MakeButton(2, "Cancel");
    ok->setDefault(true);
    bottom->addWidget(apply);
    bottom->addWidget(ok);
    bottom->addWidget(cancel);

    auto* top = new QVBoxLayout(this);
    top->addLayout(columns);
    top->addLayout(bottom);

    // ---- what each control does beyond taking the change over ----------------------
    connect(apply, &QPushButton::clicked, this, [this] {
        FromControls();
        Apply(true);
    });
    connect(ok, &QPushButton::clicked, this, &CDlgAppearance::accept);
    connect(cancel, &QPushButton::clicked, this, &CDlgAppearance::reject);
    for (int id : {1160, 1200})
        connect(static_cast<QCheckBox*>(Find(id)), &QCheckBox::clicked, this,
                [this] { UpdateControlStates(); });
    for (int id : {1201, 1202, 1203, 1204, 1214})
        connect(static_cast<QPushButton*>(Find(id)), &QPushButton::clicked, this,
                [this, id] { CopyToPrint(id); });

    askSchemeName = [](QWidget* parent, std::string& name) {
        bool ok = false;
        const QString text = QInputDialog::getText(parent, "Save Scheme as",
                                                   "Scheme name:", QLineEdit::Normal, QString(), &ok);
        name = Latin1Bytes(text);
        return ok;
    };

    // ---- opening -----------------------------------------------------------------
    ToControls();
    m_Font->addItems(QFontDatabase::families());
    // A stored family that is not installed stays unselected; its name is shown
    // and kept (Apply takes only a family the user picked).
    m_Font->setPlaceholderText(Latin1Text(m_Current.wptFont));
    m_Font->setCurrentIndex(
        m_Font->findText(Latin1Text(m_Current.wptFont), Qt::MatchExactly | Qt::MatchCaseSensitive));
    connect(m_Font, &QComboBox::currentIndexChanged, this, [this] { OnNotify(); });
    UpdateControlStates();
    m_Initialised = true;
}

QSpinBox* CDlgAppearance::MakeSpin(int editId, int spinId, int lo, int hi,
                                   std::function<int*(CAppearanceSettings&)> field) {
    auto* s = new QSpinBox;
    s->setObjectName(QString::number(editId));
    s->setProperty("spinId", spinId);
    s->setRange(lo, hi);
    s->setFixedWidth(64);
    connect(s, &QSpinBox::valueChanged, this, [this] { OnNotify(); });
    m_Spins.push_back({s, std::move(field)});
    return s;
}

QCheckBox* CDlgAppearance::MakeCheck(int id, const char* text,
                                     std::function<int*(CAppearanceSettings&)> field) {
    auto* c = new QCheckBox(QString::fromLatin1(text));
    c->setObjectName(QString::number(id));
    connect(c, &QCheckBox::clicked, this, [this] { OnNotify(); });
    m_Checks.push_back({c, std::move(field)});
    return c;
}

CColorButton* CDlgAppearance::MakeColor(int id, std::function<COLORREF*(CAppearanceSettings&)> field) {
    auto* b = new CColorButton;
    b->setFixedWidth(56);
    b->Attach(id, this, [this, f = std::move(field)] { return f(m_Current); });
    m_Colors.push_back(b);
    return b;
}

QPushButton* CDlgAppearance::MakeButton(int id, const char* text) {
    auto* b = new QPushButton(QString::fromLatin1(text));
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    if (QString::fromLatin1(text) == ">>") b->setFixedWidth(32);
    connect(b, &QPushButton::clicked, this, [this] { OnNotify(); });
    return b;
}

QWidget* CDlgAppearance::Find(int id) const { return findChild<QWidget*>(QString::number(id)); }

COLORREF* CDlgAppearance::LayerColors(int medium) {
    const int idx = m_Current.schemeChoice[m_Series][medium];
    if (idx < 0 || idx >= m_Current.SchemeCount()) return nullptr;
    return m_Current.schemes[std::size_t(idx)].colors;
}

void CDlgAppearance::FillSchemeLists() {
    for (int m : {kSchemeScreen, kSchemePrint}) {
        QComboBox* box = m_Scheme[m];
        box->clear();
        for (const CColorScheme& sc : m_Current.schemes) box->addItem(Latin1Text(sc.name));
        const int idx = m_Current.schemeChoice[m_Series][m];
        box->setCurrentIndex(idx >= 0 && idx < m_Current.SchemeCount() ? idx : -1);
    }
}

void CDlgAppearance::ChooseScheme(int medium, int index) {
    if (index < 0 || index >= m_Current.SchemeCount()) return;
    m_Current.schemeChoice[m_Series][medium] = index;
    for (CColorButton* b : m_Colors) b->update();
    UpdateControlStates();
    OnNotify();
}

void CDlgAppearance::SaveSchemeAs(int medium) {
    const COLORREF* shown = LayerColors(medium);
    if (!shown) return;
    std::string name;
    if (!askSchemeName || !askSchemeName(this, name)) return;
    std::string reason;
    if (!IsValidSchemeName(name, &reason)) {
        MsgBox(reason, MB_OK | MB_ICONWARNING);
        return;
    }
    // The settings file names a choice by its scheme's name, without regard to case.
    for (const CColorScheme& sc : m_Current.schemes) {
        if (ToUpperAscii(sc.name) == ToUpperAscii(name)) {
            MsgBox("A scheme named " + sc.name + " exists already.", MB_OK | MB_ICONWARNING);
            return;
        }
    }
    CColorScheme added;
    added.name = name;
    std::copy(shown, shown + 6, added.colors);
    m_Current.schemes.push_back(added);
    m_Current.schemeChoice[m_Series][medium] = m_Current.SchemeCount() - 1;
    FillSchemeLists();
    UpdateControlStates();
    Apply(false);
}

void CDlgAppearance::ToControls() {
    m_Filling = true;
    FillSchemeLists();
    for (const Spin& s : m_Spins) s.box->setValue(*s.field(m_Current));
    for (const Check& c : m_Checks) c.box->setChecked(*c.field(m_Current) != 0);
    for (CColorButton* b : m_Colors) b->update();
    m_Filling = false;
}

void CDlgAppearance::FromControls() {
    // A stored value outside a field's range stays as it is until the user
    // changes that field; likewise a nonzero flag other than 1.
    for (const Spin& s : m_Spins) {
        int& v = *s.field(m_Current);
        if (s.box->value() != std::clamp(v, s.box->minimum(), s.box->maximum())) v = s.box->value();
    }
    for (const Check& c : m_Checks) {
        int& v = *c.field(m_Current);
        if ((v != 0) != c.box->isChecked()) v = c.box->isChecked() ? 1 : 0;
    }
}

void CDlgAppearance::UpdateControlStates() {
    const bool perType = m_Current.wptDefaultOverride != 0;
    const bool screen = m_Current.usePrinterColors == 0;
    for (int r = 1; r < 7; ++r) {
        const StyleRowIds& ids = kStyleRows[r];
        Find(ids.screen)->setEnabled(perType && screen);
        Find(ids.edit)->setEnabled(perType && screen);
        Find(ids.print)->setEnabled(perType);
        for (int id : {ids.bold, ids.italic, ids.underline}) Find(id)->setEnabled(perType);
    }
    for (int id : kScreenColumn) Find(id)->setEnabled(screen);
    const bool hasScreen = LayerColors(kSchemeScreen) != nullptr,
               hasPrint = LayerColors(kSchemePrint) != nullptr;
    for (int l = 0; l < 6; ++l) {
        Find(kLayerScreenIds[l])->setEnabled(screen && hasScreen);
        Find(kLayerPrintIds[l])->setEnabled(hasPrint);
    }
    Find(1203)->setEnabled(hasScreen && hasPrint);
    update();
}

void CDlgAppearance::OnNotify() {
    if (!m_Initialised || m_Filling) return;
    FromControls();
    Apply(false);
}

void CDlgAppearance::Apply(bool force) {
    Beep(100, 10);
    if (!force && !m_Current.autoApply) return;
    if (m_Font->currentIndex() >= 0) m_Current.wptFont = Latin1Bytes(m_Font->currentText());
    m_Block = m_Current;
    if (m_Doc) m_Doc->UpdateAllViews(nullptr, kHintAll);
}

void CDlgAppearance::OnColorChanged(int) {
    UpdateControlStates();
    Apply(false);
}

void CDlgAppearance::CopyToPrint(int id) {
    CAppearanceSettings& a = m_Current;
    switch (id) {
        case 1201:
            a.wptStyles[0].printColor = a.wptStyles[0].screenColor;
            a.hiddenPrintColor = a.hiddenScreenColor;
            break;
        case 1202:
            for (int r = 1; r < 7; ++r) a.wptStyles[r].printColor = a.wptStyles[r].screenColor;
            break;
        case 1203:
            if (const COLORREF* s = LayerColors(kSchemeScreen))
                if (COLORREF* p = LayerColors(kSchemePrint)) std::copy(s, s + 6, p);
            break;
        case 1204:
            a.trackPrintColor = a.trackScreenColor;
            break;
        case 1214:
            a.printOpacity = a.screenOpacity;
            break;
        default:
            return;
    }
    ToControls();
    Apply(false);
    update();
}

void CDlgAppearance::accept() {
    FromControls();
    Apply(true);
    m_Initialised = false;
    QDialog::accept();
}

void CDlgAppearance::reject() {
    m_Block = m_Saved;
    if (m_Doc) m_Doc->UpdateAllViews(nullptr, kHintAll);
    m_Initialised = false;
    QDialog::reject();
}

void AddAppearanceCommand(CCommandMap& commands, QWidget* frame, QPointer<CDlgAppearance>& dialog,
                          std::function<const CMapViewController*()> active, CVornaDoc* doc,
                          CAppearanceSettings& block) {
    commands.AddCommand(cmd::ColorsFonts, [frame, &dialog, active, doc, &block] {
        if (dialog) {
            // Closed as the frame closes it: what was applied stays.
            delete dialog.data();
            return;
        }
        const CMapViewController* c = active();
        if (!c) {
            MsgBox("No Active view");
            return;
        }
        if (c->Desc().mapType < 0) return;
        auto* d = new CDlgAppearance(block, c->Desc().mapType, doc, frame);
        d->setAttribute(Qt::WA_DeleteOnClose);
        dialog = d;
        d->show();
    });
    commands.AddUpdate(cmd::ColorsFonts, [&dialog, active](CCmdUI& ui) {
        const CMapViewController* c = active();
        ui.Enable(c && c->Desc().mapType >= 0);
        ui.SetCheck(dialog ? 1 : 0);
    });
}
