#include <gtest/gtest.h>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "platform/Commands.h"
#include "platformui/CommandActions.h"

namespace {

using Log = std::vector<std::string>;

// A target that logs who ran what.
struct LoggingTarget : CCommandMap {
    LoggingTarget(std::string name, Log& log) : name(std::move(name)), log(log) {}
    void Handles(unsigned id) {
        AddCommand(id, [this, id] { log.push_back(name + ":" + std::to_string(id)); });
    }
    std::string name;
    Log& log;
};

}  // namespace

TEST(CommandRouter, FirstTargetInTheChainRunsOrUpdatesTheCommand) {
    Log log;
    LoggingTarget view0("view0", log), view1("view1", log), doc("doc", log), frame("frame", log);
    for (unsigned id : {100u, 200u}) doc.Handles(id);
    view0.Handles(100);
    view1.Handles(100);
    frame.Handles(200);
    frame.Handles(500);
    bool viewEnables = false;
    view0.AddCommandRange(32933, 32938, [&](unsigned id) { log.push_back("layer" + std::to_string(id)); });
    view0.AddUpdateRange(32933, 32938, [&](CCmdUI& ui) {
        ui.Enable(viewEnables);
        ui.SetCheck(ui.m_nID == 32934);
    });
    frame.AddUpdate(32933, [](CCmdUI& ui) { ui.Enable(true); });      // shadowed by the view's
    frame.AddUpdate(500, [](CCmdUI& ui) { ui.SetText("Renamed"); });  // handler lookup still enables
    frame.AddUpdate(600, [](CCmdUI& ui) { ui.Enable(true); });        // handled elsewhere, may enable
    frame.AddUpdate(700, [](CCmdUI&) {});                             // says nothing, nobody handles it
    LoggingTarget* active = &view0;
    CCommandRouter router;
    router.AddTargetProvider([&]() -> ICommandTarget* { return active; });
    router.AddTarget(&doc);
    router.AddTarget(&frame);

    EXPECT_TRUE(router.Execute(100));
    EXPECT_TRUE(router.Execute(200));
    active = &view1;
    EXPECT_TRUE(router.Execute(100));
    active = nullptr;  // no map view: the next in the chain takes it
    EXPECT_TRUE(router.Execute(100));
    EXPECT_FALSE(router.Execute(400));  // nobody handles it
    active = &view0;
    EXPECT_FALSE(router.Execute(32933));  // disabled by its update: not run
    viewEnables = true;
    EXPECT_TRUE(router.Execute(32937));
    EXPECT_EQ(log, (Log{"view0:100", "doc:200", "view1:100", "doc:100", "layer32937"}));

    CCmdUI ui(32934);
    router.Update(ui);
    EXPECT_TRUE(ui.m_bEnabled && ui.m_bChecked);
    CCmdUI renamed(500, false, true, "Old");
    router.Update(renamed);
    EXPECT_TRUE(renamed.m_bEnabled);
    EXPECT_TRUE(renamed.m_bChecked);  // untouched fields keep the item's state
    EXPECT_EQ(renamed.m_strText, "Renamed");
    EXPECT_TRUE(router.IsEnabled(600));
    EXPECT_FALSE(router.IsEnabled(700));
    EXPECT_FALSE(router.IsEnabled(400));
}

TEST(CommandActions, MenuTextGivesShortcutsAndTriggersAndKeysGoThroughTheRouter) {
    QMainWindow win;
    Log log;
    LoggingTarget app("app", log);
    for (unsigned id : {32856u, 32870u, 32941u}) app.Handles(id);
    bool checked = true, gridEnabled = true;
    app.AddUpdate(32856, [&](CCmdUI& ui) { ui.SetCheck(checked); });
    app.AddUpdate(32941, [&](CCmdUI& ui) { ui.Enable(gridEnabled); });
    CCommandRouter router;
    router.AddTarget(&app);
    CCommandActions actions(&win, router);
    // The key follows a tab; "&&" is a plain "&".
    QAction* tab = actions.Add(32856, "Mouse Scrolling\tTAB");
    QAction* amp = actions.Add(32870, "&NP (objects&&communications)");
    actions.Add(32999, "&Nothing\tCtrl+Shift+F12");
    EXPECT_EQ(tab->shortcut(), QKeySequence(Qt::Key_Tab));
    EXPECT_EQ(tab->iconText(), "Mouse Scrolling");
    EXPECT_TRUE(amp->shortcut().isEmpty());
    EXPECT_EQ(amp->iconText(), "NP (objects&communications)");
    EXPECT_EQ(actions.Action(32999)->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F12));
    // Adding an id again keeps one action and adds the keys.
    EXPECT_EQ(actions.Add(32870, "ignored", {QKeySequence(Qt::Key_N), QKeySequence(Qt::ALT | Qt::Key_N)}),
              amp);
    EXPECT_EQ(amp->shortcuts().size(), 2);

    actions.UpdateAll();
    EXPECT_TRUE(tab->isEnabled() && tab->isCheckable() && tab->isChecked());
    EXPECT_FALSE(actions.Action(32999)->isEnabled());  // no handler anywhere
    // Qt toggles a checkable action; afterwards it shows what the update says.
    tab->trigger();
    EXPECT_TRUE(tab->isChecked());
    checked = false;
    tab->trigger();
    EXPECT_FALSE(tab->isChecked());

    // Menus bring their actions (in submenus too) up to date when they open.
    QMenu menu, sub;
    menu.addMenu(&sub);
    sub.addAction(amp);
    actions.WatchMenu(&menu);
    app.AddUpdate(32870, [](CCmdUI& ui) { ui.Enable(false); });
    emit sub.aboutToShow();
    EXPECT_FALSE(amp->isEnabled());
    // The idle step refreshes everything at the first pass after work.
    checked = true;
    EXPECT_TRUE(actions.OnIdle(0));
    EXPECT_TRUE(tab->isChecked());
    EXPECT_FALSE(actions.OnIdle(1));

    // A key asks the update handler again, whatever the action's last state says.
    QAction* grid = actions.Add(32941, "GaussKrueger Gri&d", {QKeySequence(Qt::Key_M)});
    win.show();
    win.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&win));
    actions.UpdateAll();
    QTest::keyClick(&win, Qt::Key_M);
    gridEnabled = false;  // a stale enabled action
    QTest::keyClick(&win, Qt::Key_M);
    actions.UpdateAll();
    ASSERT_FALSE(grid->isEnabled());
    gridEnabled = true;  // a stale disabled one
    QTest::keyClick(&win, Qt::Key_M);
    EXPECT_EQ(log, (Log{"app:32856", "app:32856", "app:32941", "app:32941"}));
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

    EXPECT_TRUE(PostCommand(33059));
    enabled = false;  // disabled by the time it arrives: not run
    QCoreApplication::processEvents();
    enabled = true;
    EXPECT_TRUE(PostCommand(33059));
    ClearCommandWindow(win.get());  // a window starting its destruction: posts are dropped
    EXPECT_FALSE(PostCommand(33059));
    QCoreApplication::processEvents();
    SetCommandWindow(win.get(), &router);
    EXPECT_TRUE(PostCommand(33059));
    win.reset();  // gone before the event loop runs
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(PostCommand(33059));
}
