// The waypoint dialogs driven as a user would: typed coordinates, the name
// they propose, OK and the conflict buttons.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "doc/DocTestEnv.h"
#include "wptui/DlgWpt.h"
#include "wptui/DlgWptConflict.h"
#include "wptui/QtWptDialogs.h"

namespace {

struct WptDialogEnv : DocEnv {
    const int q = QuadrantAt(3, 10), other = QuadrantAt(3, 11);
    WaypointRecord rec = MakeWpt(QuadrantName(q) + "05", QuadrantCentre(3, 10), 0x0012);
    WptDialogEnv() {
        ApplyDatum();
        Make();
        EXPECT_TRUE(PutWpt(Db(), other, MakeWpt(QuadrantName(other) + "07", QuadrantCentre(3, 11))));
    }
    std::unique_ptr<CDlgWpt> Open(const WaypointRecord& r) {
        auto d = std::make_unique<CDlgWpt>(r, Db(), geo);
        d->show();
        return d;
    }
};

QLineEdit* Edit(QWidget& d, const char* id) { return d.findChild<QLineEdit*>(id); }
QString Text(QWidget& d, const char* id) { return Edit(d, id)->text(); }
void Type(QWidget& d, const char* id, const QString& text) {
    QLineEdit* e = Edit(d, id);
    e->selectAll();
    if (text.isEmpty()) QTest::keyClick(e, Qt::Key_Delete);
    for (QChar c : text) QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, c, Qt::NoModifier);
}
void Click(QWidget& d, const char* id) { d.findChild<QAbstractButton*>(id)->click(); }

// Runs a modal dialog and acts on it once it is up.
template <class Run>
int RunModal(Run run, const std::function<void(QWidget&)>& act) {
    QTimer::singleShot(0, [&] {
        QWidget* d = QApplication::activeModalWidget();
        ASSERT_NE(d, nullptr);
        act(*d);
        if (d->isVisible()) static_cast<QDialog*>(d)->reject();
    });
    return run();
}

}  // namespace

TEST(WptDialogsTest, WgsFieldsFollowTheGridWithinTheirLimits) {
    WptDialogEnv env;
    const struct {
        const char* field;
        const char* text;
        bool converts;
    } rows[] = {
        {"1050", "1000000", false},  {"1050", "999999.9", true}, {"1050", "-1", false},
        {"1049", "10000000", false}, {"1048", "17", false},      {"1048", "16.99", true},
        {"1048", "12.99", false},    {"1048", "13", true},       {"1047", "90", true},
        {"1047", "90.01", false},    {"1047", "-0.01", false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.field) + " " + r.text);
        auto d = env.Open(env.rec);
        Type(*d, r.field, r.text);
        const bool grid = !std::strcmp(r.field, "1050") || !std::strcmp(r.field, "1049");
        const char* other = grid ? "1047" : "1050";
        EXPECT_EQ(Text(*d, other) != "0", r.converts) << Text(*d, other).toStdString();
    }
}

// The automatic name follows the typed position; the temporary tick opens
// the name for typing and its untick brings the proposed name back.
TEST(WptDialogsTest, NameFollowsTheQuadrantOrTheTemporaryTick) {
    WptDialogEnv env;
    const double e = QuadrantCentre(3, 10).easting;
    const struct {
        double easting;
        std::string name;
    } rows[] = {
        {e + 10000, QuadrantName(env.other) + "08"},  // the next free name there
        {e, WptName(env.rec)},                        // back home: the old name
        {-5, "???"},
    };
    auto d = env.Open(env.rec);
    EXPECT_FALSE(Edit(*d, "1045")->isEnabled());
    for (const auto& r : rows) {
        Type(*d, "1050", QString::number(r.easting, 'f', 1));
        EXPECT_EQ(Text(*d, "1045").toStdString(), r.name);
    }
    Type(*d, "1050", QString::number(e, 'f', 1));
    Click(*d, "1078");
    EXPECT_TRUE(Edit(*d, "1045")->isEnabled());
    EXPECT_FALSE(Edit(*d, "1045")->isReadOnly());
    EXPECT_EQ(Text(*d, "1045"), "");
    Type(*d, "1045", "HOME");
    Click(*d, "1078");
    EXPECT_EQ(Text(*d, "1045").toStdString(), WptName(env.rec));
    EXPECT_TRUE(Edit(*d, "1045")->isReadOnly());
}

TEST(WptDialogsTest, OkPacksTheRecord) {
    WptDialogEnv env;
    const struct {
        std::uint16_t flags;
        QString name, comment;
        std::string wantName, wantComment;
        std::uint16_t wantFlags;
    } rows[] = {
        // the import mark and every other stray bit cleared, level and label kept
        {0x0040 | 0x0020 | 3, "", "a comment that is far too long", "", "a comment that is far t", 0x0023},
        // The name field takes six characters, blanks included.
        {kWptTemporary | 1, "  home-base ", QString::fromLatin1("caf\xe9"), "HOME", "caf\xe9", 0x0009},
    };
    for (const auto& r : rows) {
        WaypointRecord in = env.rec;
        in.Flags = r.flags;
        auto d = env.Open(in);
        if (!r.name.isEmpty()) Type(*d, "1045", r.name);
        Type(*d, "1046", r.comment);
        d->accept();
        ASSERT_EQ(d->result(), QDialog::Accepted);
        const WaypointRecord& out = d->Record();
        EXPECT_EQ(WptName(out), r.wantName.empty() ? WptName(in) : r.wantName);
        EXPECT_EQ(WptComment(out), r.wantComment);
        EXPECT_EQ(out.Flags, r.wantFlags);
        EXPECT_EQ(out.Name[6], 0);
    }
}

// The name rules themselves are the database's; the dialog stays open on a broken one.
TEST(WptDialogsTest, InvalidTemporaryNameKeepsTheDialogOpen) {
    WptDialogEnv env;
    WaypointRecord temp = env.rec;
    temp.Flags |= kWptTemporary;
    auto d = env.Open(temp);
    Type(*d, "1045", "ab1x");
    d->accept();
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(env.prompter.Saw("Error! Temporary waypoint name must not begin with two letters"));
}

TEST(WptDialogsTest, DatesShowInLocalTime) {
    WptDialogEnv env;
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    const struct {
        std::int32_t time;
        const char* text;
    } rows[] = {{0, "Before 1.5.2002"}, {-5, "Before 1.5.2002"}, {1000000000, "09.09.2001 at 03:46:40"}};
    for (const auto& r : rows) {
        WaypointRecord in = env.rec;
        in.Modified = r.time;
        EXPECT_EQ(env.Open(in)->findChild<QLabel*>("1319")->text().toStdString(), r.text);
    }
}

TEST(WptDialogsTest, UntouchedCoordinatesStayExact) {
    WptDialogEnv env;
    const std::function<void(QWidget&)> none = [](QWidget&) {};
    const double fine = std::nextafter(env.rec.E + 0.1, 1e9);  // needs 17 digits
    const struct {
        double e;
        std::function<void(QWidget&)> edit;
    } rows[] = {
        {fine, none},
        {fine, [](QWidget& d) { Type(d, "1046", "moved"); }},
        {fine, [](QWidget& d) { Type(d, "1050", Text(d, "1050")); }},  // retyped as shown
        {std::nan(""), none},  // a damaged record: its text reads back as no number
    };
    CQtWptDialogs dialogs(env.Db(), env.geo);
    for (const auto& row : rows) {
        WaypointRecord in = env.rec;
        in.E = row.e;
        in.N -= 0.9876543210987;
        WaypointRecord r = in;
        const int rc = RunModal([&] { return dialogs.RunWptDialog(r, "Waypoint"); },
                                [&](QWidget& d) {
                                    row.edit(d);
                                    static_cast<QDialog&>(d).accept();
                                });
        EXPECT_EQ(rc, kWptDialogOk);
        EXPECT_EQ(std::memcmp(&r.E, &in.E, sizeof r.E), 0);
        EXPECT_EQ(std::memcmp(&r.N, &in.N, sizeof r.N), 0);
    }
}

TEST(WptDialogsTest, ConflictDialogResultsPerKind) {
    WptDialogEnv env;
    const struct {
        int kind;
        const char* typed;   // into the new name, or null
        const char* button;  // "1" OK, "1226" Replace, "2" Skip
        int rc, result;
        bool replaceShown, okEnabled;
    } rows[] = {
        {kWptConflictName, "OTHER", "1", kWptDialogOk, kWptConflictOk, true, true},
        {kWptConflictName, "HOME", "1226", kWptDialogOk, kWptConflictReplace, true, false},
        {kWptConflictName, nullptr, "2", IDCANCEL, kWptConflictOk, true, false},
        {kWptConflictNameNoReplace, "OTHER", "1", kWptDialogOk, kWptConflictOk, false, true},
        {kWptConflictNameNoReplace, "HOME", "1226", IDCANCEL, kWptConflictOk, false, false},
        {kWptConflictDistance, nullptr, "1", kWptDialogOk, kWptConflictOk, false, true},
    };
    CQtWptDialogs dialogs(env.Db(), env.geo);
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.kind) + r.button);
        WptConflictInfo info;
        info.existingName = info.newName = "HOME";
        info.result = -1;
        const int rc = RunModal([&] { return dialogs.RunWptConflictDialog(info, r.kind); },
                                [&](QWidget& d) {
                                    QLineEdit* name = Edit(d, "1071");
                                    EXPECT_EQ(name->isReadOnly(), r.kind == kWptConflictDistance);
                                    if (r.typed) Type(d, "1071", r.typed);
                                    auto* replace = d.findChild<QPushButton*>("1226");
                                    EXPECT_EQ(replace->isVisible(), r.replaceShown);
                                    EXPECT_EQ(d.findChild<QPushButton*>("1")->isEnabled(), r.okEnabled);
                                    Click(d, r.button);
                                });
        EXPECT_EQ(rc, r.rc);
        if (rc == kWptDialogOk) {
            EXPECT_EQ(info.result, r.result);
            if (r.typed) {
                EXPECT_EQ(info.newName, r.typed);
            }
        }
    }
}

// The name and comment fields take no more than the record stores: what is
// typed beyond that never shows, so nothing is cut off unseen at OK.
TEST(WptDialogsTest, NameAndCommentFieldsTakeWhatTheRecordStores) {
    WptDialogEnv env;
    WaypointRecord temp = env.rec;
    temp.Flags |= kWptTemporary;
    const struct {
        const char* id;
        std::string typed, shown;
    } rows[] = {{"1045", "ABCDEFGH", "ABCDEF"},
                {"1046", std::string(30, 'x'), std::string(23, 'x')},
                {"1046", "short", "short"}};
    for (const auto& r : rows) {
        auto d = env.Open(temp);
        Type(*d, r.id, QString::fromStdString(r.typed));
        EXPECT_EQ(Text(*d, r.id).toStdString(), r.shown) << r.id;
    }
    // A stored text of full length shows whole.
    SetWptComment(temp, std::string(23, 'y'));
    EXPECT_EQ(Text(*env.Open(temp), "1046").toStdString(), std::string(23, 'y'));
}
