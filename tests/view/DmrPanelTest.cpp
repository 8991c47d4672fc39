// The 3-D control panel, alone with a recording frame and inside the real one.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>
#include <QToolButton>

#include "dmrview/DmrPanel.h"
#include "platform/CommandIds.h"
#include "ui/FrameTestEnv.h"

namespace {

// A panel whose frame does what the real one does with the panel and notes
// each redraw with the range the settings then hold.
struct PanelEnv {
    CScriptedPrompter prompter;
    DmrParams settings;
    std::vector<int> redraws;
    std::unique_ptr<CDmrPanel> panel;

    PanelEnv() {
        settings.StickToGps = 0;
        settings.PreviewMode = 0;
        panel = std::make_unique<CDmrPanel>(settings, [this](bool toPanel, bool redraw) {
            panel->UpdateControls(toPanel);
            if (redraw) redraws.push_back(settings.Visibility);
        });
    }
    template <class T>
    T* Child(const QString& name) {
        return panel->findChild<T*>(name);
    }
    // "name" clicks a button, "name:add"/"name:sub"/"name:page-" steps a bar,
    // "name=7" drags a bar or clicks radio 7, "name'text" types into an edit.
    void Do(const QString& step) {
        const QStringList p = step.split(QRegularExpression("[:='']"));
        const QChar op = p.size() > 1 ? step[p[0].size()] : QChar();
        if (op == u':') {
            const int a = p[1] == "add"   ? QAbstractSlider::SliderSingleStepAdd
                          : p[1] == "sub" ? QAbstractSlider::SliderSingleStepSub
                                          : QAbstractSlider::SliderPageStepSub;
            Child<QScrollBar>(p[0])->triggerAction(QAbstractSlider::SliderAction(a));
        } else if (op == u'=' && Child<QScrollBar>(p[0])) {
            Child<QScrollBar>(p[0])->setSliderPosition(p[1].toInt());
        } else if (op == u'=') {
            Child<QButtonGroup>(p[0])->button(p[1].toInt())->click();
        } else if (op == u'\'') {
            Child<QLineEdit>(p[0])->selectAll();
            if (p[1].isEmpty()) QTest::keyClick(Child<QLineEdit>(p[0]), Qt::Key_Backspace);
            QTest::keyClicks(Child<QLineEdit>(p[0]), p[1]);
        } else {
            Child<QAbstractButton>(p[0])->click();
        }
    }
    // An edit's text, a bar's "maximum/position", or a setting handed on.
    QString Text(const QString& name) {
        if (auto* b = Child<QScrollBar>(name)) return QString("%1/%2").arg(b->maximum()).arg(b->value());
        if (name == "azimut") return QString::number(settings.Azimut);
        if (name == "surface") return QString::number(settings.SurfaceType);
        return Child<QLineEdit>(name)->text();
    }
};

}  // namespace

// Each control changes its value by the panel's step, wrapping or clamping
// where it must, redraws only where it should, and a redraw always sees the
// range the panel shows. "Rel." swaps the height and rescales its bar,
// which shows its end while the height goes on. Half-typed numbers neither
// complain nor redraw.
TEST(DmrPanel, ControlsStepWrapAndClampAndRedrawWithTheValueShown) {
    struct Row {
        const char *steps, *shown, *expected;
        int redraws;
    } rows[] = {
        {"heading'358 headingUp", "heading", "3", 1},
        {"heading'355 headingUp", "heading", "0", 1},
        {"heading'355 headingUp", "azimut", "0", 1},
        {"heading'0 headingDown", "heading", "355", 1},
        {"heading'5 headingDown", "heading", "0", 1},
        {"heading'359.996 apply", "heading", "0", 1},
        {"heading'360 apply", "azimut", "0", 1},
        {"heading'-0.0 apply", "azimut", "0", 1},
        {"range'95 rangeUp", "range", "100", 1},
        {"range'10 rangeDown", "range", "10", 1},
        {"step'9950 stepUp", "step", "10000", 0},
        {"elevationBar=-45", "elevation", "45", 1},
        {"elevation'89.5 elevationBar:sub", "elevation", "90", 1},
        {"viewAngle'89 viewAngleBar:add", "viewAngle", "89", 0},
        {"viewAngle'15 viewAngleBar:page", "viewAngle", "10", 1},
        {"relative height'5 heightBar:add", "height", "-5", 2},
        {"height'4500 heightBar:page", "height", "5500", 1},
        {"relative height'5 heightBar:add", "heightBar", "1000/1000", 2},
        {"relative", "height", "100", 1},
        {"relative", "heightBar", "1000/900", 1},
        {"height'300", "heightBar", "5000/4700", 0},
        {"surface=2", "surface", "2", 0},
        {"preview=1 surface=3", "surface", "3", 2},
        {"elevation'-", "elevation", "-", 0},
        {"heading'", "heading", "", 0},
        {"heading'-30 apply", "azimut", "330", 1},
        {"heading'90 forward:sub", "east", "417600", 1},
        {"heading'90 sideways:add", "north", "5125400", 1},
    };
    for (const Row& r : rows) {
        PanelEnv env;
        for (const QString& s : QString(r.steps).split(' ')) env.Do(s);
        EXPECT_EQ(env.Text(r.shown), r.expected) << r.steps;
        EXPECT_EQ(int(env.redraws.size()), r.redraws) << r.steps;
        for (int v : env.redraws) EXPECT_EQ(QString::number(v), env.Text("range")) << r.steps;
        EXPECT_TRUE(env.prompter.texts.empty()) << r.steps;
    }
}

// Frame commands show in the panel, panel edits reach the settings with the
// frame's Apply, and the view point before each change is kept.
TEST(DmrPanel, PanelAndFrameCommandsStayInStep) {
    FrameTestEnv env;
    DmrParams& dmr = env.app.settings.dmr;
    dmr.StickToGps = dmr.IsRelHeight = 0;
    dmr.Azimut = 355;
    dmr.AbsHeight = 50;
    CMainFrame& f = env.Make(SplitStyle::DmrMap);
    auto* panel = qobject_cast<CDmrPanel*>(f.ControlPanel());
    ASSERT_TRUE(panel);
    auto text = [panel](const char* name) { return panel->findChild<QLineEdit*>(name)->text(); };
    const double n0 = dmr.ViewPoint.northing;

    for (unsigned id : {cmd::DmrTurnRight, cmd::DmrMoveDown, cmd::DmrMoveForward})
        ASSERT_TRUE(f.Router().Execute(id));
    EXPECT_EQ(std::tuple(text("heading"), text("height"), panel->Copy().ViewPoint.northing,
                         dmr.PrevViewPoint.northing),
              std::tuple(QString("0"), QString("1"), n0 + 100, n0));

    panel->findChild<QLineEdit*>("north")->setText("5100000");
    panel->findChild<QButtonGroup*>("rendering")->button(2)->click();
    ASSERT_TRUE(f.Router().Execute(cmd::DmrApply));
    EXPECT_EQ(std::tuple(dmr.ViewPoint.northing, dmr.Rendering, dmr.PrevViewPoint.northing),
              std::tuple(5100000.0, 2, n0 + 100));
    ASSERT_TRUE(f.Router().Execute(cmd::DmrRelativeHeight));
    EXPECT_EQ(text("height"), QString::number(dmr.RelHeight));
}

namespace {

// The width a line edit has for its text (as it paints: contents less 2-pixel margins).
int TextRoom(const QLineEdit* e) {
    QStyleOptionFrame opt;
    opt.initFrom(e);
    opt.rect = e->rect();
    opt.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e) : 0;
    const QMargins m = e->textMargins();
    return e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e).width() - m.left() - m.right() -
           4;
}

}  // namespace

// In the real frame's pane every field shows its value to the places a
// view-point file keeps, whole; the finer value is kept until the user
// types another; a heading taken is shown normalised.
TEST(DmrPanel, FieldsShowRoundedValuesWholeAndTheHeadingAsTaken) {
    FrameTestEnv env;
    DmrParams& dmr = env.app.settings.dmr;
    dmr.StickToGps = dmr.IsRelHeight = 0;
    dmr.Azimut = 47.8605866;
    dmr.Elevation = -20.123456;
    dmr.ViewAngle = 60;
    dmr.ViewPoint = CPointD(417512.0004, 5384538.93333333);
    dmr.AbsHeight = -1234567;
    dmr.Visibility = 100;
    dmr.MoveStep = 10000;
    CMainFrame& f = env.Make(SplitStyle::DmrMap);
    f.resize(640, 400);  // a narrow, low panel
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    auto* panel = qobject_cast<CDmrPanel*>(f.ControlPanel());
    ASSERT_TRUE(panel);
    ASSERT_LT(panel->width(), 250);
    auto edit = [panel](const char* name) { return panel->findChild<QLineEdit*>(name); };
    const std::pair<const char*, const char*> shown[] = {
        {"heading", "47.86"}, {"elevation", "-20.12"}, {"viewAngle", "60"}, {"north", "5384538.933"},
        {"east", "417512"},   {"height", "-1234567"},  {"range", "100"},    {"step", "10000"},
    };
    // A pane too small for the form scrolls it; each field comes into view whole.
    auto* scroll = panel->findChild<QScrollArea*>();
    for (const auto& [name, text] : shown) {
        EXPECT_EQ(edit(name)->text(), text) << name;
        EXPECT_LE(edit(name)->fontMetrics().horizontalAdvance(edit(name)->text()), TextRoom(edit(name)))
            << name;
        const QRect at = edit(name)->geometry();
        if (scroll)
            scroll->ensureVisible(at.center().x(), at.center().y(), at.width() / 2 + 1, at.height() / 2 + 1);
        EXPECT_EQ(edit(name)->visibleRegion(), QRegion(edit(name)->rect())) << name;
        EXPECT_GE(edit(name)->height(), edit(name)->sizeHint().height()) << name;  // not squeezed
    }
    ASSERT_TRUE(f.Router().Execute(cmd::DmrApply));
    EXPECT_EQ(std::tuple(dmr.Azimut, dmr.ViewPoint.northing, dmr.Elevation),
              std::tuple(47.8605866, 5384538.93333333, -20.123456));

    edit("heading")->selectAll();
    QTest::keyClicks(edit("heading"), "725");
    panel->findChild<QPushButton*>("apply")->click();
    EXPECT_EQ(edit("heading")->text(), "5");
    EXPECT_EQ(dmr.Azimut, 5.0);
}

// Edits that wait for the next redraw (quality, gap filling, the view point)
// are taken into the settings when the panel goes with its layout, so the
// new panes show and draw what the user chose.
TEST(DmrPanel, PendingEditsAreTakenWhenTheLayoutChanges) {
    FrameTestEnv env;
    DmrParams& dmr = env.app.settings.dmr;
    dmr.StickToGps = dmr.Rendering = dmr.FillGaps = 0;
    CMainFrame& f = env.Make(SplitStyle::DmrMap);
    auto pend = [&f](int rendering, const char* north) {
        auto* panel = qobject_cast<CDmrPanel*>(f.ControlPanel());
        panel->findChild<QButtonGroup*>("rendering")->button(rendering)->click();
        panel->findChild<QCheckBox*>("fillGaps")->click();
        panel->findChild<QLineEdit*>("north")->setText(north);
    };
    pend(2, "5100000");
    f.ChangeSplitter(SplitStyle::MapDmr);
    EXPECT_EQ(std::tuple(dmr.Rendering, dmr.FillGaps, dmr.ViewPoint.northing), std::tuple(2, 1, 5100000.0));
    auto* panel = qobject_cast<CDmrPanel*>(f.ControlPanel());
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->findChild<QButtonGroup*>("rendering")->checkedId(), 2);
    EXPECT_TRUE(panel->findChild<QCheckBox*>("fillGaps")->isChecked());
    EXPECT_EQ(panel->findChild<QLineEdit*>("north")->text(), "5100000");

    pend(1, "5100100");
    f.ChangeSplitter(SplitStyle::MapOnly);  // the panel goes without a successor
    EXPECT_EQ(std::tuple(dmr.Rendering, dmr.FillGaps, dmr.ViewPoint.northing), std::tuple(1, 0, 5100100.0));
}
