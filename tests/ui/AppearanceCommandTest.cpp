// "&Colors && Fonts...": opened for the active pane's series, closed by the
// same command, and the pane repaints with what the dialog applies.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QSpinBox>

#include "FrameTestEnv.h"
#include "frame/DlgAppearance.h"
#include "mapview/MapViewController.h"

namespace {
CDlgAppearance* OpenDialog(CMainFrame& f) { return f.findChild<CDlgAppearance*>("148"); }
void Flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
}  // namespace

TEST(AppearanceCommand, OpensForTheActiveSeriesTogglesAndClosesOnCancel) {
    FrameTestEnv env;
    env.app.settings.views[0].mapType = -3;
    env.app.settings.views[1].mapType = env.app.settings.views[2].mapType = 3;  // TN10 in the second pane
    CMainFrame& f = env.Make(SplitStyle::TwoMaps);
    env.Pane(0).OpenMap(kMapNone, false);  // a pane starts on a series: take it off
    f.SetActiveVornaView(0);
    EXPECT_FALSE(env.State(cmd::ColorsFonts).m_bEnabled);  // no series shown
    f.SetActiveVornaView(1);
    ASSERT_EQ(env.Pane(1).Desc().mapType, 3);
    ASSERT_TRUE(env.State(cmd::ColorsFonts).m_bEnabled);
    EXPECT_FALSE(env.State(cmd::ColorsFonts).m_bChecked);

    ASSERT_TRUE(f.Router().Execute(cmd::ColorsFonts));
    CDlgAppearance* d = OpenDialog(f);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(d->isModal());
    EXPECT_EQ(d->Series(), 3);
    EXPECT_TRUE(env.State(cmd::ColorsFonts).m_bChecked);

    // The same command closes it; what was applied stays.
    d->findChild<QSpinBox*>("1167")->setValue(14);
    d->findChild<QPushButton*>("1171")->click();
    ASSERT_TRUE(f.Router().Execute(cmd::ColorsFonts));
    Flush();
    EXPECT_EQ(OpenDialog(f), nullptr);
    EXPECT_FALSE(env.State(cmd::ColorsFonts).m_bChecked);
    EXPECT_EQ(env.app.settings.appearance.markerSize, 14);

    // Cancel restores and the dialog goes away by itself.
    ASSERT_TRUE(f.Router().Execute(cmd::ColorsFonts));
    d = OpenDialog(f);
    ASSERT_NE(d, nullptr);
    d->findChild<QSpinBox*>("1167")->setValue(2);
    d->findChild<QPushButton*>("1171")->click();
    EXPECT_EQ(env.app.settings.appearance.markerSize, 2);
    d->findChild<QPushButton*>("2")->click();
    Flush();
    EXPECT_EQ(OpenDialog(f), nullptr);
    EXPECT_EQ(env.app.settings.appearance.markerSize, 14);
    EXPECT_FALSE(env.State(cmd::ColorsFonts).m_bChecked);

    // The frame goes with the dialog open.
    ASSERT_TRUE(f.Router().Execute(cmd::ColorsFonts));
    env.frame.reset();
    EXPECT_TRUE(env.prompter.texts.empty());
}
