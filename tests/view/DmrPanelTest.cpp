// The 3-D control panel, alone with a recording frame and inside the real one.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QPushButton>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "platform/CommandIds.h"
#include "platform/Prompt.h"
#include "ui/FrameTestEnv.h"
#include "view/DmrPanel.h"

namespace {

// A panel whose frame does what the real one does with the panel and notes
// each redraw with the range the settings then hold.
struct PanelEnv {
    CScriptedPrompter prompter;
    DmrParams settings;
    std::vector<int> redraws;  // settings.Visibility at each redraw
    CDmrPanel* panel = nullptr;
    std::unique_ptr<CDmrPanel> owner;

    explicit PanelEnv(const std::function<void(DmrParams&)>& init) {
        settings.StickToGps = 0;
        init(settings);
        owner = std::make_unique<CDmrPanel>(settings, [this](bool toPanel, bool redraw) {
            panel->UpdateControls(toPanel);
            if (redraw) redraws.push_back(settings.Visibility);
        });
        panel = owner.get();
    }
    template <class T>
    T* Child(const char* name) {
        T* w = panel->findChild<T*>(name);
        EXPECT_TRUE(w) << name;
        return w;
    }
    void Click(const char* button) { Child<QToolButton>(button)->click(); }
    void Bar(const char* bar, QAbstractSlider::SliderAction a) { Child<QScrollBar>(bar)->triggerAction(a); }
    void Drag(const char* bar, int position) { Child<QScrollBar>(bar)->setSliderPosition(position); }
    void Radio(const char* group, int id) { Child<QButtonGroup>(group)->button(id)->click(); }
    void Type(const char* edit, const char* text) {
        QLineEdit* e = Child<QLineEdit>(edit);
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    QString Text(const char* edit) { return Child<QLineEdit>(edit)->text(); }
};

using Act = QAbstractSlider::SliderAction;

}  // namespace

// Each control changes the one value it should by the step the panel gives
// it, wrapping or clamping where it must, and redraws only where it should,
// with the value the panel shows already in the settings.
TEST(DmrPanel, ControlsStepWrapAndClampAndRedrawWithTheValueShown) {
    struct Row {
        const char* what;
        std::function<void(DmrParams&)> init;
        std::function<void(PanelEnv&)> act;
        std::function<double(const DmrParams&)> value;  // read from the settings after the act
        double expected;
        int redraws;
    } rows[] = {
        {"heading right at 358", [](DmrParams& p) { p.Azimut = 358; }, [](PanelEnv& e) { e.Click("headingUp"); },
         [](const DmrParams& p) { return p.Azimut; }, 3, 1},
        {"heading right at 355", [](DmrParams& p) { p.Azimut = 355; }, [](PanelEnv& e) { e.Click("headingUp"); },
         [](const DmrParams& p) { return p.Azimut; }, 360, 1},
        {"heading left at 0", [](DmrParams& p) { p.Azimut = 0; }, [](PanelEnv& e) { e.Click("headingDown"); },
         [](const DmrParams& p) { return p.Azimut; }, 355, 1},
        {"range up at 95", [](DmrParams& p) { p.Visibility = 95; }, [](PanelEnv& e) { e.Click("rangeUp"); },
         [](const DmrParams& p) { return p.Visibility; }, 100, 1},
        {"range down at 10", [](DmrParams& p) { p.Visibility = 10; }, [](PanelEnv& e) { e.Click("rangeDown"); },
         [](const DmrParams& p) { return p.Visibility; }, 10, 1},
        {"step up at 9950 waits for a redraw", [](DmrParams& p) { p.MoveStep = 9950; },
         [](PanelEnv& e) {
             e.Click("stepUp");
             e.panel->findChild<QPushButton*>("apply")->click();
         },
         [](const DmrParams& p) { return p.MoveStep; }, 10000, 1},
        {"elevation thumb at the top", [](DmrParams&) {}, [](PanelEnv& e) { e.Drag("elevationBar", -45); },
         [](const DmrParams& p) { return p.Elevation; }, 45, 1},
        {"elevation line up at 89.5", [](DmrParams& p) { p.Elevation = 89.5; },
         [](PanelEnv& e) { e.Bar("elevationBar", Act::SliderSingleStepSub); },
         [](const DmrParams& p) { return p.Elevation; }, 90, 1},
        {"view angle line down at 89", [](DmrParams& p) { p.ViewAngle = 89; },
         [](PanelEnv& e) { e.Bar("viewAngleBar", Act::SliderSingleStepAdd); },
         [](const DmrParams& p) { return p.ViewAngle; }, 89, 0},
        {"view angle page up at 15", [](DmrParams& p) { p.ViewAngle = 15; },
         [](PanelEnv& e) { e.Bar("viewAngleBar", Act::SliderPageStepSub); },
         [](const DmrParams& p) { return p.ViewAngle; }, 10, 1},
        {"relative height below 0 by line steps",
         [](DmrParams& p) {
             p.IsRelHeight = 1;
             p.RelHeight = 5;
         },
         [](PanelEnv& e) { e.Bar("heightBar", Act::SliderSingleStepAdd); },
         [](const DmrParams& p) { return p.RelHeight; }, -5, 1},
        {"absolute height page up", [](DmrParams& p) { p.AbsHeight = 4500; },
         [](PanelEnv& e) { e.Bar("heightBar", Act::SliderPageStepSub); },
         [](const DmrParams& p) { return p.AbsHeight; }, 5500, 1},
        {"forward at heading 90", [](DmrParams& p) { p.Azimut = 90; },
         [](PanelEnv& e) { e.Bar("forward", Act::SliderSingleStepSub); },
         [](const DmrParams& p) { return p.ViewPoint.easting - DmrParams().ViewPoint.easting; }, 100, 1},
        {"left at heading 0", [](DmrParams& p) { p.Azimut = 0; },
         [](PanelEnv& e) { e.Bar("sideways", Act::SliderSingleStepSub); },
         [](const DmrParams& p) { return p.ViewPoint.easting - DmrParams().ViewPoint.easting; }, -100, 1},
        {"surface in preview", [](DmrParams& p) { p.PreviewMode = 0; }, [](PanelEnv& e) { e.Radio("surface", 2); },
         [](const DmrParams& p) { return p.SurfaceType; }, 2, 0},
        {"surface when delayed", [](DmrParams& p) { p.PreviewMode = 1; }, [](PanelEnv& e) { e.Radio("surface", 3); },
         [](const DmrParams& p) { return p.SurfaceType; }, 3, 1},
        // Half-typed numbers neither complain nor redraw; the whole number is taken.
        {"typing a minus", [](DmrParams&) {}, [](PanelEnv& e) { e.Type("elevation", "-"); },
         [](const DmrParams& p) { return p.Elevation; }, -20, 0},
        {"clearing the heading", [](DmrParams&) {}, [](PanelEnv& e) { e.Type("heading", ""); },
         [](const DmrParams& p) { return p.Azimut; }, 310, 0},
        {"typing a heading then Apply", [](DmrParams&) {},
         [](PanelEnv& e) {
             e.Type("heading", "-30");
             e.panel->findChild<QPushButton*>("apply")->click();
         },
         [](const DmrParams& p) { return p.Azimut; }, 330, 1},
    };
    for (const Row& r : rows) {
        PanelEnv env(r.init);
        r.act(env);
        EXPECT_EQ(r.value(env.settings), r.expected) << r.what;
        EXPECT_EQ(int(env.redraws.size()), r.redraws) << r.what;
        // The redraw saw the range the panel shows.
        for (int v : env.redraws) EXPECT_EQ(QString::number(v), env.Text("range")) << r.what;
        EXPECT_TRUE(env.prompter.texts.empty()) << r.what;
    }
}

// "Rel." swaps the height shown and rescales the bar; a bar beyond its end
// shows the end while the height goes on.
TEST(DmrPanel, RelativeSwapsTheHeightAndRescalesTheBar) {
    PanelEnv env([](DmrParams& p) {
        p.AbsHeight = 1700;
        p.RelHeight = 1200;
    });
    QScrollBar* bar = env.Child<QScrollBar>("heightBar");
    EXPECT_EQ(std::tuple(env.Text("height"), bar->maximum(), bar->value()), std::tuple(QString("1700"), 5000, 3300));
    env.panel->findChild<QCheckBox*>("relative")->click();
    EXPECT_EQ(std::tuple(env.Text("height"), bar->maximum(), bar->value(), env.settings.IsRelHeight),
              std::tuple(QString("1200"), 1000, 0, 1));
    env.Type("height", "300");
    EXPECT_EQ(std::tuple(bar->value(), env.redraws.size()), std::tuple(700, size_t(1)));  // the click's only
}

// Frame commands show in the panel, panel edits reach the settings with the
// frame's Apply, and the view point before each change is kept.
TEST(DmrPanel, PanelAndFrameCommandsStayInStep) {
    FrameTestEnv env;
    env.app.dmr.StickToGps = 0;
    env.app.dmr.Azimut = 355;
    env.app.dmr.IsRelHeight = 0;
    env.app.dmr.AbsHeight = 50;
    CMainFrame& f = env.Make(SplitStyle::DmrMap);
    auto* panel = qobject_cast<CDmrPanel*>(f.ControlPanel());
    ASSERT_TRUE(panel);
    auto text = [panel](const char* name) { return panel->findChild<QLineEdit*>(name)->text(); };
    const CPointD start = env.app.dmr.ViewPoint;

    ASSERT_TRUE(f.Router().Execute(cmd::DmrTurnRight));
    ASSERT_TRUE(f.Router().Execute(cmd::DmrMoveDown));
    ASSERT_TRUE(f.Router().Execute(cmd::DmrMoveForward));
    EXPECT_EQ(std::tuple(text("heading"), text("height"), panel->Copy().ViewPoint.northing),
              std::tuple(QString("360"), QString("1"), start.northing + 100));
    EXPECT_EQ(env.app.dmr.PrevViewPoint.northing, start.northing);

    panel->findChild<QLineEdit*>("north")->setText("5100000");
    panel->findChild<QButtonGroup*>("rendering")->button(2)->click();
    ASSERT_TRUE(f.Router().Execute(cmd::DmrApply));
    EXPECT_EQ(std::tuple(env.app.dmr.ViewPoint.northing, env.app.dmr.Rendering, env.app.dmr.PrevViewPoint.northing),
              std::tuple(5100000.0, 2, start.northing + 100));
    ASSERT_TRUE(f.Router().Execute(cmd::DmrRelativeHeight));
    EXPECT_EQ(text("height"), QString::number(env.app.dmr.RelHeight));
}
