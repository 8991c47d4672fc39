#include <gtest/gtest.h>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "platform/CommandActions.h"
#include "platform/Commands.h"

namespace {

// A target that logs who ran what.
struct LoggingTarget : CCommandMap {
    LoggingTarget(std::string name, std::vector<std::string>& log) : name(std::move(name)), log(log) {}
    void Handles(unsigned id) {
        AddCommand(id, [this, id] { log.push_back(name + ":" + std::to_string(id)); });
    }
    std::string name;
    std::vector<std::string>& log;
};

}  // namespace

TEST(CommandRouter, FirstTargetInChainWinsAndChainFollowsTheActiveView) {
    std::vector<std::string> log;
    LoggingTarget view0("view0", log), view1("view1", log), doc("doc", log), frame("frame", log),
        app("app", log);
    view0.Handles(100);
    view1.Handles(100);
    doc.Handles(100);
    doc.Handles(200);
    frame.Handles(200);
    app.Handles(300);
    LoggingTarget* active = &view0;
    CCommandRouter router;
    router.AddTargetProvider([&]() -> ICommandTarget* { return active; });
    router.AddTarget(&doc);
    router.AddTarget(&frame);
    router.AddTarget(&app);

    EXPECT_TRUE(router.Execute(100));
    EXPECT_TRUE(router.Execute(200));
    EXPECT_TRUE(router.Execute(300));
    active = &view1;
    EXPECT_TRUE(router.Execute(100));
    active = nullptr;  // no map view: the next in the chain takes it
    EXPECT_TRUE(router.Execute(100));
    EXPECT_EQ(log, (std::vector<std::string>{"view0:100", "doc:200", "app:300", "view1:100", "doc:100"}));

    // Nobody handles 400: disabled, and executing it does nothing.
    EXPECT_FALSE(router.IsEnabled(400));
    EXPECT_FALSE(router.Execute(400));
    EXPECT_TRUE(router.IsEnabled(300));
}

TEST(CommandRouter, UpdateHandlersDecideEnablingCheckAndText) {
    std::vector<std::string> log;
    LoggingTarget view("view", log), frame("frame", log);
    bool viewEnables = false;
    view.AddCommandRange(32933, 32938, [&](unsigned id) { log.push_back("layer" + std::to_string(id)); });
    view.AddUpdateRange(32933, 32938, [&](CCmdUI& ui) {
        ui.Enable(viewEnables);
        ui.SetCheck(ui.m_nID == 32934);
    });
    // The frame's update handler is shadowed by the view's one for the same id.
    frame.AddUpdate(32933, [](CCmdUI& ui) { ui.Enable(true); });
    // An update handler that only renames leaves enabling to handler lookup.
    frame.Handles(500);
    frame.AddUpdate(500, [](CCmdUI& ui) { ui.SetText("Renamed"); });
    // An update handler without a command handler may still enable (the
    // command is handled elsewhere, as with the framework's own commands).
    frame.AddUpdate(600, [](CCmdUI& ui) { ui.Enable(true); });
    // One that says nothing about a command nobody handles: disabled.
    frame.AddUpdate(700, [](CCmdUI&) {});

    CCommandRouter router;
    router.AddTarget(&view);
    router.AddTarget(&frame);

    CCmdUI ui(32933, true, true, "&G");
    router.Update(ui);
    EXPECT_FALSE(ui.m_bEnabled);
    EXPECT_FALSE(ui.m_bChecked);
    EXPECT_FALSE(router.Execute(32933));  // disabled by its update: not run
    viewEnables = true;
    CCmdUI ui2(32934);
    router.Update(ui2);
    EXPECT_TRUE(ui2.m_bEnabled);
    EXPECT_TRUE(ui2.m_bChecked);
    EXPECT_TRUE(router.Execute(32937));

    CCmdUI ui3(500, false, true, "Old");
    router.Update(ui3);
    EXPECT_TRUE(ui3.m_bEnabled);
    EXPECT_TRUE(ui3.m_bChecked);  // untouched fields keep the item's state
    EXPECT_TRUE(ui3.m_bTextChanged);
    EXPECT_EQ(ui3.m_strText, "Renamed");
    EXPECT_TRUE(router.IsEnabled(600));
    EXPECT_FALSE(router.IsEnabled(700));
    EXPECT_EQ(log, (std::vector<std::string>{"layer32937"}));
}

TEST(CommandActions, MenuTextGivesShortcutsAndTriggersGoThroughRouter) {
    QMainWindow win;
    std::vector<std::string> log;
    LoggingTarget app("app", log);
    app.Handles(32856);
    app.Handles(32870);
    bool checked = true;
    app.AddUpdate(32856, [&](CCmdUI& ui) { ui.SetCheck(checked); });
    CCommandRouter router;
    router.AddTarget(&app);
    CCommandActions actions(&win, router);

    QAction* tab = actions.Add(32856, "Mouse Scrolling\tTAB");
    QAction* amp = actions.Add(32870, "&NP (objects&&communications)", {QKeySequence(Qt::Key_N)});
    QAction* none = actions.Add(32999, "&Nothing\tCtrl+Shift+F12");
    EXPECT_EQ(tab->data().toUInt(), 32856u);
    EXPECT_EQ(tab->shortcut(), QKeySequence(Qt::Key_Tab));
    EXPECT_EQ(tab->shortcutContext(), Qt::WindowShortcut);
    EXPECT_EQ(tab->iconText(), "Mouse Scrolling");
    EXPECT_EQ(amp->iconText(), "NP (objects&communications)");
    EXPECT_EQ(amp->shortcut(), QKeySequence(Qt::Key_N));
    EXPECT_EQ(none->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F12));
    EXPECT_EQ(actions.Add(1, "Hibernate\tAlt+Pause")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Pause));
    EXPECT_TRUE(win.actions().contains(tab));
    // Adding an id again keeps one action and adds the key.
    EXPECT_EQ(actions.Add(32870, "ignored", {QKeySequence(Qt::ALT | Qt::Key_N)}), amp);
    EXPECT_EQ(amp->shortcuts().size(), 2);

    actions.UpdateAll();
    EXPECT_TRUE(tab->isEnabled());
    EXPECT_TRUE(tab->isCheckable());
    EXPECT_TRUE(tab->isChecked());
    EXPECT_FALSE(none->isEnabled());  // no handler anywhere

    // Triggering a checkable action toggles it in Qt; afterwards it shows
    // what the update handler says, not the toggle.
    tab->trigger();
    EXPECT_TRUE(tab->isChecked());
    checked = false;
    tab->trigger();
    EXPECT_FALSE(tab->isChecked());
    EXPECT_EQ(log, (std::vector<std::string>{"app:32856", "app:32856"}));

    // Menus bring their actions up to date when they open.
    QMenu menu, sub;
    menu.addMenu(&sub);
    sub.addAction(amp);
    actions.WatchMenu(&menu);
    app.AddUpdate(32870, [](CCmdUI& ui) { ui.Enable(false); });
    EXPECT_TRUE(amp->isEnabled());
    emit sub.aboutToShow();
    EXPECT_FALSE(amp->isEnabled());

    // The idle step refreshes everything at the first pass after work.
    checked = true;
    EXPECT_TRUE(actions.OnIdle(0));
    EXPECT_TRUE(tab->isChecked());
    EXPECT_FALSE(actions.OnIdle(1));
}

TEST(CommandActions, AcceleratorRechecksTheUpdateHandlerBeforeRunning) {
    QMainWindow win;
    win.resize(200, 100);
    int runs = 0;
    bool enabled = true;
    CCommandMap frame;
    frame.AddCommand(32941, [&] { ++runs; });
    frame.AddUpdate(32941, [&](CCmdUI& ui) { ui.Enable(enabled); });
    CCommandRouter router;
    router.AddTarget(&frame);
    CCommandActions actions(&win, router);
    QAction* grid = actions.Add(32941, "GaussKrueger Gri&d", {QKeySequence(Qt::Key_M)});
    win.show();
    win.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&win));

    actions.UpdateAll();
    QTest::keyClick(&win, Qt::Key_M);
    EXPECT_EQ(runs, 1);

    // The action still looks enabled, but the command is no longer allowed.
    enabled = false;
    ASSERT_TRUE(grid->isEnabled());
    QTest::keyClick(&win, Qt::Key_M);
    EXPECT_EQ(runs, 1);

    // The other way round: a stale disabled action does not swallow the key.
    actions.UpdateAll();
    ASSERT_FALSE(grid->isEnabled());
    enabled = true;
    QTest::keyClick(&win, Qt::Key_M);
    EXPECT_EQ(runs, 2);
}

TEST(PostCommand, RunsLaterFromTheEventLoopAndNeverOnAGoneWindow) {
    int runs = 0;
    bool enabled = true;
    CCommandMap doc;
    doc.AddCommand(33059, [&] { ++runs; });
    doc.AddUpdate(33059, [&](CCmdUI& ui) { ui.Enable(enabled); });
    CCommandRouter router;
    router.AddTarget(&doc);

    EXPECT_FALSE(PostCommand(33059));  // no window registered

    auto win = std::make_unique<QObject>();
    SetCommandWindow(win.get(), &router);
    EXPECT_TRUE(PostCommand(33059));
    EXPECT_EQ(runs, 0);  // queued, not run inside the poster
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);

    // Disabled by the time it arrives: not run.
    EXPECT_TRUE(PostCommand(33059));
    enabled = false;
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);
    enabled = true;

    // A window that starts its destruction unregisters; posts are dropped.
    EXPECT_TRUE(PostCommand(33059));
    ClearCommandWindow(win.get());
    EXPECT_FALSE(PostCommand(33059));
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);

    // Posted, then the window goes away before the event loop runs.
    SetCommandWindow(win.get(), &router);
    EXPECT_TRUE(PostCommand(33059));
    win.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(PostCommand(33059));  // the guard saw it go
}
