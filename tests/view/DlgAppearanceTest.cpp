// The "Colors and Fonts" dialog: when its edits reach the application's
// block, which controls it enables, what Cancel puts back, and that a layer
// colour chosen in it shows in the next map picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include "ViewTestEnv.h"
#include "frame/DlgAppearance.h"
#include "mapdraw/DrawDocument.h"
#include "platform/System.h"

namespace {

// Field by field: the block has no comparison of its own.
bool SameBlock(const CAppearanceSettings& a, const CAppearanceSettings& b) {
    if (a.SchemeCount() != b.SchemeCount()) return false;
    for (int i = 0; i < a.SchemeCount(); ++i) {
        const CColorScheme &x = a.schemes[i], &y = b.schemes[i];
        if (x.name != y.name || x.flag != y.flag || !std::equal(x.colors, x.colors + 6, y.colors))
            return false;
    }
    for (int r = 0; r < 7; ++r) {
        const WptStyle &x = a.wptStyles[r], &y = b.wptStyles[r];
        if (x.screenColor != y.screenColor || x.printColor != y.printColor || x.fontSize != y.fontSize ||
            x.bold != y.bold || x.italic != y.italic || x.underline != y.underline)
            return false;
    }
    for (int s = 0; s < kMapTypeCount; ++s)
        if (a.schemeChoice[s][0] != b.schemeChoice[s][0] || a.schemeChoice[s][1] != b.schemeChoice[s][1])
            return false;
    return a.autoApply == b.autoApply && a.usePrinterColors == b.usePrinterColors &&
           a.wptDefaultOverride == b.wptDefaultOverride && a.wptFont == b.wptFont &&
           a.hiddenScreenColor == b.hiddenScreenColor && a.hiddenPrintColor == b.hiddenPrintColor &&
           a.markerSize == b.markerSize && a.markerOutline == b.markerOutline &&
           a.labelDistance == b.labelDistance && a.screenOpacity == b.screenOpacity &&
           a.printOpacity == b.printOpacity && a.trackScreenColor == b.trackScreenColor &&
           a.trackPrintColor == b.trackPrintColor && a.trackSelScreenColor == b.trackSelScreenColor &&
           a.trackSelPrintColor == b.trackSelPrintColor && a.trackThickness == b.trackThickness &&
           a.trackMarkerSize == b.trackMarkerSize && a.gpsInactiveColor == b.gpsInactiveColor &&
           a.gpsMarkerSize == b.gpsMarkerSize && a.dmrMarkerSize == b.dmrMarkerSize;
}

struct DlgEnv : ViewTestEnv {
    HintRecorder views;
    DlgEnv() {
        CColorScheme print = app.settings.appearance.schemes[0];
        print.name = "Print";
        print.colors[0] = RGBRef(1, 100, 1);
        app.settings.appearance.schemes.push_back(print);
        for (auto& c : app.settings.appearance.schemeChoice) c[kSchemeScreen] = 0, c[kSchemePrint] = 1;
        app.settings.appearance.wptFont = "No Such Family Anywhere";
        doc->AddView(&views);
        RecordedBeeps().clear();
        CColorButton::useNativeDialog = false;
    }
    ~DlgEnv() { doc->RemoveView(&views); }
    std::unique_ptr<CDlgAppearance> Open(int series = 1) {
        auto d = std::make_unique<CDlgAppearance>(app.settings.appearance, series, doc.get());
        d->show();
        return d;
    }
};

template <class W>
W* Ctl(QWidget& d, int id) {
    W* w = d.findChild<W*>(QString::number(id));
    EXPECT_NE(w, nullptr) << id;
    return w;
}

void Click(QWidget& d, int id) { Ctl<QAbstractButton>(d, id)->click(); }

// Answers the next colour dialog with c.
void AnswerColorDialog(QColor c) {
    QTimer::singleShot(0, [c] {
        auto* dlg = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->setCurrentColor(c);
        dlg->accept();
    });
}

QRgb MapPixel(DlgEnv& env, int series) {
    MapViewDesc d = ViewTestEnv::Desc(series);
    d.origin = MapToDevice(410000, 5130000, d, GeorefParams());
    d.clientSize = {8, 8};
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(qRgb(1, 2, 3));
    QPainter dc(&img);
    SegmentFlags flags(std::size_t(d.segmentCount), 0);
    DrawDocument(*env.doc, dc, DrawTarget{}, d, nullptr, &flags);
    return img.pixel(4, 4);
}

}  // namespace

TEST(DlgAppearance, ChangesReachTheBlockOnApplyOkOrAtOnceWithAutoApply) {
    DlgEnv env;
    auto d = env.Open();
    const CAppearanceSettings before = env.app.settings.appearance;
    // Auto apply off: a change only beeps.
    Ctl<QSpinBox>(*d, 1167)->setValue(9);
    EXPECT_EQ(d->Working().markerSize, 9);
    EXPECT_EQ(env.app.settings.appearance.markerSize, before.markerSize);
    EXPECT_TRUE(env.views.hints.empty());
    EXPECT_EQ(RecordedBeeps(), (std::vector<std::pair<int, int>>{{100, 10}}));
    Click(*d, 1171);  // Apply
    EXPECT_EQ(env.app.settings.appearance.markerSize, 9);
    EXPECT_EQ(env.views.hints, std::vector<long>{kHintAll});

    // Auto apply on: every change is applied and repaints.
    Click(*d, 1205);
    EXPECT_EQ(env.app.settings.appearance.autoApply, 1);
    Ctl<QCheckBox>(*d, 1163)->click();
    EXPECT_EQ(env.app.settings.appearance.wptStyles[0].italic, !before.wptStyles[0].italic);
    Ctl<QSpinBox>(*d, 1186)->setValue(7);
    EXPECT_EQ(env.app.settings.appearance.printOpacity, 7);
    EXPECT_EQ(env.views.hints.size(), 4u);  // switching auto apply on is a change too

    // OK takes what the fields hold, auto apply or not.
    Click(*d, 1205);
    Ctl<QSpinBox>(*d, 1190)->setValue(11);
    EXPECT_NE(env.app.settings.appearance.gpsMarkerSize, 11);
    Click(*d, 1);
    EXPECT_EQ(env.app.settings.appearance.gpsMarkerSize, 11);
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(env.prompter.texts.empty());
}

TEST(DlgAppearance, CancelRestoresTheBlockAsItWasWhenTheDialogOpened) {
    DlgEnv env;
    env.app.settings.appearance.markerSize = 55;             // outside the field's range
    env.app.settings.appearance.wptStyles[3].fontSize = 99;  // likewise
    env.app.settings.appearance.wptStyles[0].bold = 2;       // a flag other than 1
    const CAppearanceSettings before = env.app.settings.appearance;
    auto d = env.Open();
    Ctl<QSpinBox>(*d, 1169)->setValue(3);
    AnswerColorDialog(QColor(9, 8, 7));
    Click(*d, 1193);
    Click(*d, 1200);
    Click(*d, 1171);
    Ctl<QComboBox>(*d, 1206)->setCurrentIndex(0);
    Click(*d, 1171);
    ASSERT_FALSE(SameBlock(env.app.settings.appearance, before));
    // Fields the user left alone keep what the block held, even outside the ranges.
    EXPECT_EQ(env.app.settings.appearance.markerSize, 55);
    EXPECT_EQ(env.app.settings.appearance.wptStyles[3].fontSize, 99);
    EXPECT_EQ(env.app.settings.appearance.wptStyles[0].bold, 2);
    env.views.hints.clear();
    Click(*d, 2);
    EXPECT_TRUE(SameBlock(env.app.settings.appearance, before));
    EXPECT_EQ(env.views.hints, std::vector<long>{kHintAll});
}

TEST(DlgAppearance, FontIsTakenFromThePickedFamilyAndAMissingOneIsKept) {
    DlgEnv env;
    auto d = env.Open();
    auto* font = Ctl<QComboBox>(*d, 1206);
    ASSERT_GT(font->count(), 0);
    EXPECT_EQ(font->currentIndex(), -1);  // not installed: nothing picked
    Click(*d, 1171);
    EXPECT_EQ(env.app.settings.appearance.wptFont, "No Such Family Anywhere");
    const QString family = font->itemText(font->count() - 1);
    font->setCurrentIndex(font->count() - 1);
    Click(*d, 1171);
    EXPECT_EQ(env.app.settings.appearance.wptFont, Latin1Bytes(family));
    // An installed family is picked on opening.
    d.reset();
    auto again = env.Open();
    EXPECT_EQ(Ctl<QComboBox>(*again, 1206)->currentText(), family);
}

TEST(DlgAppearance, OverrideAndPrinterSettingsEnableTheirControls) {
    // Per-type screen controls, per-type print colour and styles, shared
    // screen column, print column, screen layer colour, print layer colour.
    const int ids[] = {1047, 1151, 1048, 1153, 1049, 1167, 1050, 1186, 1193, 1025};
    const struct {
        bool override_, printer;
        bool enabled[10];
    } cases[] = {
        {false, false, {false, false, false, false, true, true, true, true, true, true}},
        {true, false, {true, true, true, true, true, true, true, true, true, true}},
        {true, true, {false, false, true, true, false, false, true, true, false, true}},
        {false, true, {false, false, false, false, false, false, true, true, false, true}},
    };
    DlgEnv env;
    auto d = env.Open();
    for (const auto& c : cases) {
        if (bool(d->Working().wptDefaultOverride) != c.override_) Click(*d, 1160);
        if (bool(d->Working().usePrinterColors) != c.printer) Click(*d, 1200);
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(Ctl<QWidget>(*d, ids[i])->isEnabled(), c.enabled[i])
                << ids[i] << " override " << c.override_ << " printer " << c.printer;
    }
    // A series whose choice names no scheme offers no layer colours to edit.
    env.app.settings.appearance.schemeChoice[2][kSchemeScreen] = 7;
    auto other = env.Open(2);
    EXPECT_FALSE(Ctl<QWidget>(*other, 1193)->isEnabled());
    EXPECT_TRUE(Ctl<QWidget>(*other, 1025)->isEnabled());
    EXPECT_FALSE(Ctl<QWidget>(*other, 1203)->isEnabled());
}

TEST(DlgAppearance, ALayerColourChosenInTheDialogShowsInTheNextMapPicture) {
    DlgEnv env;
    // TK50 and TK25 share the screen scheme; G everywhere.
    ASSERT_TRUE(env.WriteSegment(1, env.doc->GetSegmentIndex(1, 415000, 5125000), 0x01));
    ASSERT_TRUE(env.WriteSegment(2, env.doc->GetSegmentIndex(2, 411000, 5129000), 0x01));
    const QRgb old = ColorRefToRgb(env.app.settings.appearance.schemes[0].colors[0]);
    ASSERT_EQ(MapPixel(env, 1), old);
    auto d = env.Open(1);
    AnswerColorDialog(QColor(10, 20, 30));
    Click(*d, 1193);
    EXPECT_EQ(d->Working().schemes[0].colors[0], RGBRef(10, 20, 30));
    EXPECT_EQ(MapPixel(env, 1), old);  // auto apply off
    Click(*d, 1171);
    EXPECT_EQ(MapPixel(env, 1), qRgb(10, 20, 30));
    EXPECT_EQ(MapPixel(env, 2), qRgb(10, 20, 30));
    // ">>" gives the print scheme the screen colours, applied with the rest.
    Click(*d, 1203);
    EXPECT_EQ(d->Working().schemes[1].colors[0], RGBRef(10, 20, 30));
    EXPECT_EQ(env.app.settings.appearance.schemes[1].colors[0], RGBRef(1, 100, 1));
    Click(*d, 1200);  // printer colours on the screen
    Click(*d, 1171);
    EXPECT_EQ(MapPixel(env, 1), qRgb(10, 20, 30));
    Click(*d, 2);
    EXPECT_EQ(MapPixel(env, 1), old);
    // A cancelled colour dialog changes nothing.
    auto again = env.Open(1);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    Click(*again, 1025);
    EXPECT_TRUE(SameBlock(again->Working(), env.app.settings.appearance));
}

TEST(DlgAppearance, SchemesAreChosenAndSavedUnderNewNamesWithBadNamesRefused) {
    DlgEnv env;
    ASSERT_TRUE(env.WriteSegment(1, env.doc->GetSegmentIndex(1, 415000, 5125000), 0x01));
    auto d = env.Open(1);
    std::string answer;
    bool answered = true;
    d->askSchemeName = [&](QWidget*, std::string& name) {
        name = answer;
        return answered;
    };
    // Refused names leave the table alone; a cancelled box says nothing.
    const struct {
        const char* name;
        const char* message;
    } refused[] = {
        {"", "Please enter a name for the scheme."},
        {"a|b", "A scheme name may not contain '|'."},
        {"print", "A scheme named Print exists already."},
    };
    for (const auto& r : refused) {
        answer = r.name;
        Click(*d, 1322);
        ASSERT_EQ(env.prompter.texts.size(), 1u) << r.name;
        EXPECT_EQ(env.prompter.texts.back(), r.message);
        env.prompter.texts.clear();
    }
    answered = false;
    Click(*d, 1322);
    EXPECT_EQ(d->Working().SchemeCount(), 2);
    EXPECT_TRUE(env.prompter.texts.empty());

    // The print column's colours under a new name become that column's scheme.
    answered = true;
    answer = "Winter";
    Click(*d, 1323);
    ASSERT_EQ(d->Working().SchemeCount(), 3);
    EXPECT_EQ(d->Working().schemes[2].name, "Winter");
    EXPECT_EQ(d->Working().schemes[2].colors[0], RGBRef(1, 100, 1));
    EXPECT_EQ(d->Working().schemeChoice[1][kSchemePrint], 2);
    EXPECT_EQ(Ctl<QComboBox>(*d, 1321)->currentText(), "Winter");
    EXPECT_EQ(env.app.settings.appearance.SchemeCount(), 2);  // auto apply off

    // Choosing a scheme for the screen column shows its colours there.
    auto* screen = Ctl<QComboBox>(*d, 1318);
    screen->setCurrentIndex(1);
    emit screen->activated(1);
    EXPECT_EQ(d->Working().schemeChoice[1][kSchemeScreen], 1);
    EXPECT_EQ(Ctl<CColorButton>(*d, 1193)->Color(), RGBRef(1, 100, 1));
    Click(*d, 1171);
    EXPECT_EQ(MapPixel(env, 1), qRgb(1, 100, 1));
    EXPECT_EQ(env.app.settings.appearance.SchemeCount(), 3);
    Click(*d, 2);  // the table as it was
    EXPECT_EQ(env.app.settings.appearance.SchemeCount(), 2);
    EXPECT_EQ(env.app.settings.appearance.schemeChoice[1][kSchemeScreen], 0);
}
