#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "TestUtil.h"
#include "platform/Prompt.h"
#include "platformui/IdleDriver.h"
#include "platformui/QtPrompter.h"

// Generous bounds: the checks are about behaviour (runs, stops, no re-entry, no spinning), not speed.
constexpr int kWaitMs = 10000;

TEST(IdleDriver, RunsWhileTheHookWantsMoreThenSleepsOrPollsUntilWoken) {
    std::vector<long> counts;
    bool wantMore = true, polling = false;
    CIdleDriver idle([&](long count) {
        counts.push_back(count);
        return wantMore && (polling || count < 5);
    });
    idle.SetPollingOnly([&] { return polling; });
    idle.SetPollIntervalMs(8);
    idle.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counts.size() >= 6; }, kWaitMs));
    EXPECT_EQ(std::vector<long>(counts.begin(), counts.begin() + 6), (std::vector<long>{0, 1, 2, 3, 4, 5}));

    // Nothing to do: a stray event of the test platform may cost a pass or two, never a spin.
    wantMore = false;
    QTest::qWait(50);
    size_t before = counts.size();
    QTest::qWait(200);
    EXPECT_LT(counts.size() - before, 10u);

    // New work in the queue or port data brings a fresh pass with count 0; port
    // data while polling too (then passes wait a tick instead of spinning).
    QObject target;
    auto expectFreshPass = [&](bool byWake) {
        const size_t at = counts.size();
        if (byWake)
            idle.Wake();
        else
            QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
        ASSERT_TRUE(QTest::qWaitFor([&] { return counts.size() > at; }, kWaitMs));
        EXPECT_EQ(counts[at], 0);
    };
    expectFreshPass(false);
    wantMore = polling = true;
    expectFreshPass(true);
    QTest::qWait(20);
    before = counts.size();
    QTest::qWait(200);
    // About 25 at 8 ms, counts rising between polls; a spinning driver makes thousands.
    EXPECT_GE(counts.size() - before, 2u);
    EXPECT_LE(counts.size() - before, 100u);
    EXPECT_GT(counts.back(), counts[before]);
    expectFreshPass(true);

    // Stopped: no passes at all, whatever arrives.
    idle.Stop();
    before = counts.size();
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    idle.Wake();
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
        maxDepth = std::max(maxDepth, ++depth);
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
            // A nested loop without a modal window, and port data meanwhile: that wake
            // is not lost, although the hook says it has nothing more to do.
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
    CIdleDriver idle([&](long) {
        ++passes;
        if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) ++passesInside;
        return true;  // always more work: the driver is as eager as it gets
    });
    auto expectPasses = [&] {
        const int at = passes;
        EXPECT_TRUE(QTest::qWaitFor([&] { return passes > at + 3; }, kWaitMs));
    };
    idle.Start();
    expectPasses();
    // A command handler runs a modal dialog from the event loop.
    bool dialogDone = false;
    QTimer::singleShot(0, [&] {
        QDialog dlg;
        QTimer::singleShot(200, &dlg, &QDialog::accept);
        dlg.exec();
        dialogDone = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogDone; }, kWaitMs));
    expectPasses();
    QMenu menu;
    menu.addAction("Item");
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() != nullptr; }, kWaitMs));
    QTest::qWait(100);
    menu.close();
    expectPasses();
    idle.Stop();
    EXPECT_EQ(passesInside, 0);
}

// Work due at a time (stores written a minute after a change) brings a pass
// when it is due, with no event in the queue, and the driver sleeps until
// then instead of spinning.
TEST(IdleDriver, APassComesWhenWorkFallsDueWithoutSpinningMeanwhile) {
    QElapsedTimer clock;
    std::vector<qint64> at;
    int asked = 0;
    CIdleDriver idle([&](long) { return at.push_back(clock.elapsed()), false; });
    idle.SetNextDue([&] { return asked++ == 0 ? 300 : -1; });
    clock.start();
    idle.Start();
    QTest::qWait(1000);
    ASSERT_GE(at.size(), 2u);
    EXPECT_LE(at.size(), 5u) << "no spinning while the work waits";
    EXPECT_TRUE(std::any_of(at.begin() + 1, at.end(), [&](qint64 t) { return t >= at[0] + 280; }));
}
