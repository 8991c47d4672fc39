// Window-wide keys that belong to the map panes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "ui/FrameTestEnv.h"

// Tab is "Mouse Scrolling" only while a map pane has the focus: in the 3-D
// panel it moves to the next field and leaves mouse scrolling off.
TEST(FocusKeys, TabScrollsTheMapOnlyFromAMapPane) {
    FrameTestEnv env;
    CMainFrame& f = env.Make(SplitStyle::MapDmr);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QWidget* panel = f.ControlPanel();
    auto* north = panel->findChild<QLineEdit*>("north");
    auto* east = panel->findChild<QLineEdit*>("east");
    north->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), north);
    QTest::keyClick(north, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), east);
    EXPECT_EQ(env.Pane(0).Desc().mouseScrolling, 0);
    EXPECT_FALSE(env.State(cmd::MouseScrolling).m_bChecked);

    CVornaView* map = f.MapView(0);
    map->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), map);
    for (int on : {1, 0}) {
        QTest::keyClick(map, Qt::Key_Tab);
        EXPECT_EQ(env.Pane(0).Desc().mouseScrolling, on);
        EXPECT_EQ(QApplication::focusWidget(), map);
    }
}
