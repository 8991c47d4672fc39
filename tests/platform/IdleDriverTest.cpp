#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <vector>

#include "TestUtil.h"
#include "platform/IdleDriver.h"
#include "platform/Prompt.h"
#include "platform/QtPrompter.h"

// Bounds are generous: a loaded CI machine may be slow, and the checks are
// about behaviour (runs, stops, no re-entry, no spinning), not speed.
constexpr int kWaitMs = 10000;

TEST(IdleDriver, RunsWhenIdleWhileHookWantsMoreThenSleepsUntilNewEvents) {
    std::vector<long> counts;
    bool wantMore = true;
    CIdleDriver idle([&](long count) {
        counts.push_back(count);
        return wantMore && count < 5;
    });
    idle.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counts.size() >= 6; }, kWaitMs));
    EXPECT_EQ(std::vector<long>(counts.begin(), counts.begin() + 6), (std::vector<long>{0, 1, 2, 3, 4, 5}));

    // From now on the hook has nothing to do: passes stop. A stray event of
    // the test platform may cost a pass or two, never a spin.
    wantMore = false;
    QTest::qWait(50);
    size_t before = counts.size();
    QTest::qWait(200);
    EXPECT_LT(counts.size() - before, 10u);

    // New work in the queue: a fresh pass with count 0.
    before = counts.size();
    QObject target;
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    ASSERT_TRUE(QTest::qWaitFor([&] { return counts.size() > before; }, kWaitMs));
    EXPECT_EQ(counts[before], 0);

    // Stopped: no passes at all, whatever arrives.
    idle.Stop();
    before = counts.size();
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QTest::qWait(100);
    EXPECT_EQ(counts.size(), before);
}

TEST(IdleDriver, HookOpeningADialogOrMessageBoxIsNotReentered) {
    CQtPrompter prompter;
    SetPrompter(&prompter);
    int depth = 0, maxDepth = 0, passes = 0, boxAnswer = 0;
    bool busySeen = false;
    CIdleDriver* self = nullptr;
    CIdleDriver idle([&](long) {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        ++passes;
        if (passes == 1) {
            // A modal dialog of the hook; stray timers keep its nested loop busy.
            QDialog dlg;
            QTimer tick;
            tick.start(2);
            QTimer::singleShot(150, &dlg, &QDialog::accept);
            dlg.exec();
        } else if (passes == 2) {
            WhenModal([&](QWidget* box) {
                busySeen = prompter.IsBusy();
                QTimer::singleShot(100, box, [box] { QTest::keyClick(box, Qt::Key_Escape); });
            });
            boxAnswer = MsgBox("Transfer failed", MB_YESNO | MB_ICONERROR);
        } else if (passes == 3) {
            // A nested loop with no modal window at all, and port data waking
            // the driver meanwhile: that wake is not lost, although the hook
            // says it has nothing more to do.
            QEventLoop loop;
            QTimer::singleShot(10, &loop, [&] { self->Wake(); });
            QTimer tick;
            tick.start(2);
            QTimer::singleShot(100, &loop, &QEventLoop::quit);
            loop.exec();
        }
        --depth;
        return passes != 3 && passes < 5;
    });
    self = &idle;
    idle.Start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return passes >= 5; }, kWaitMs));
    idle.Stop();
    SetPrompter(nullptr);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_TRUE(busySeen);
    EXPECT_EQ(boxAnswer, IDNO);  // Escape on a Yes/No box is No
}

TEST(IdleDriver, NoPassWhileAModalDialogOrPopupMenuIsOpen) {
    int passes = 0, passesInside = 0;
    bool dialogOpen = false;
    CIdleDriver idle([&](long) {
        ++passes;
        if (dialogOpen || QApplication::activeModalWidget() || QApplication::activePopupWidget())
            ++passesInside;
        return true;  // always more work: the driver is as eager as it gets
    });
    idle.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return passes > 3; }, kWaitMs));

    // A command handler runs a modal dialog from the event loop.
    bool dialogDone = false;
    QTimer::singleShot(0, [&] {
        QDialog dlg;
        QTimer::singleShot(200, &dlg, &QDialog::accept);
        dlg.setModal(true);
        dlg.show();
        ASSERT_TRUE(QApplication::activeModalWidget());
        dialogOpen = true;
        dlg.exec();
        dialogOpen = false;
        dialogDone = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogDone; }, kWaitMs));
    int after = passes;
    EXPECT_TRUE(QTest::qWaitFor([&] { return passes > after + 3; }, kWaitMs));  // resumes

    // A popup menu.
    QMenu menu;
    menu.addAction("Item");
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() != nullptr; }, kWaitMs));
    QTest::qWait(100);
    menu.close();
    after = passes;
    EXPECT_TRUE(QTest::qWaitFor([&] { return passes > after + 3; }, kWaitMs));
    idle.Stop();
    EXPECT_EQ(passesInside, 0);
}

TEST(IdleDriver, PollingOnlyWaitsATickInsteadOfSpinning) {
    std::vector<long> counts;
    CIdleDriver idle([&](long count) {
        counts.push_back(count);
        return true;
    });
    idle.SetPollingOnly([] { return true; });
    idle.SetPollIntervalMs(8);
    idle.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !counts.empty(); }, kWaitMs));
    size_t before = counts.size();
    QTest::qWait(200);
    size_t polled = counts.size() - before;
    // About 25 at 8 ms; a spinning driver makes thousands.
    EXPECT_GE(polled, 2u);
    EXPECT_LE(polled, 100u);
    // Counts go on rising between polls: no event arrived.
    EXPECT_GT(counts.back(), counts[before]);

    // Port data (a notifier) wakes it at once with a fresh count.
    before = counts.size();
    idle.Wake();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counts.size() > before; }, kWaitMs));
    EXPECT_EQ(counts[before], 0);
    idle.Stop();
}
