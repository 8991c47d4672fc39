#pragma once
// Runs the application's idle hook when the event queue is empty, and again
// at once while the hook returns true; count is the number of passes since
// the queue last had work (0 on the first pass after an event).
//
// No pass runs inside a modal dialog, a message box (also one of the hook
// itself: the hook is never re-entered) or a popup menu. When the hook's only
// remaining work is polling (the polling query says so), the next pass waits
// a short tick or a Wake() instead of running at once, so polling a port does
// not keep a core busy.

#include <QObject>
#include <QTimer>
#include <functional>

class CIdleDriver : public QObject {
    Q_OBJECT
public:
    using Hook = std::function<bool(long count)>;

    explicit CIdleDriver(Hook hook = {}, QObject* parent = nullptr);
    ~CIdleDriver() override;

    void SetHook(Hook hook) { m_Hook = std::move(hook); }
    // Asked after a pass that wants more: true means the remaining work is
    // only polling (a serial port), so the next pass may wait a tick.
    void SetPollingOnly(std::function<bool()> query) { m_PollingOnly = std::move(query); }
    void SetPollIntervalMs(int ms) { m_PollMs = ms < 1 ? 1 : ms; }
    // Asked after a pass that wants no more: the milliseconds after which a
    // pass is wanted all the same (work due at a time), -1 for none. The
    // driver waits on a timer for it, it does not spin.
    void SetNextDue(std::function<int()> query) { m_NextDue = std::move(query); }

    // Starts watching the event queue; the first pass follows when it is empty.
    void Start();
    void Stop();
    bool IsStarted() const { return m_Started; }
    bool IsInHook() const { return m_InHook; }

    // Passes run since construction (for tests and diagnostics).
    long Passes() const { return m_Passes; }

public slots:
    // New work outside the event queue (port data): a pass with count 0 soon.
    void Wake();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnTimer();
    void Arm(int ms);
    static bool Blocked();

    Hook m_Hook;
    std::function<bool()> m_PollingOnly;
    std::function<int()> m_NextDue;
    QTimer m_Timer;
    int m_PollMs = 8;
    long m_Count = 0;
    long m_Passes = 0;
    bool m_Started = false;
    bool m_InHook = false;
    bool m_WakePending = false;  // Wake() came while the hook ran
};
