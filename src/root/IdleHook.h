#pragma once
// What runs between events, in this order: the window's own step, the 3-D
// view point's pending move to the GPS position (which ends the pass), a step
// of a receiver transfer, live NMEA reception (track log, tracking panes,
// repaint of the new piece) and, last, a step of the 3-D rendering.
// The idle driver calls it; while reception is its only work it waits on
// the port instead of polling.

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class CIdleDriver;
class CMainFrame;
class CMapViewController;
class CNmeaReceiver;
class CVornaDoc;
class CCommandMap;
class QSocketNotifier;
struct AppSettings;

class CIdleHook : public QObject {
public:
    // What the hook needs of the main frame.
    struct Frame {
        std::function<bool(long count)> baseIdle;  // the window's own idle step
        std::function<std::vector<CMapViewController*>()> mapViews;
        std::function<void(bool toPanel, bool redraw)> updateDmr;
    };
    static Frame FrameOf(CMainFrame& frame);

    CIdleHook(CNmeaReceiver& receiver, AppSettings& settings, std::function<CVornaDoc*()> doc, Frame frame,
              QObject* parent = nullptr);
    ~CIdleHook() override;

    // A receiver transfer's step: true while it has more to do.
    std::function<bool()> garminStep;
    // The port a running transfer waits on, -1 when none.
    std::function<int()> garminPort;
    // One step of the 3-D view's rendering: true while it has more to do.
    std::function<bool()> renderStep;
    // True when there is a 3-D view and it is not rendering (unset: no 3-D view).
    std::function<bool()> renderIdle;
    // Housekeeping of the base step: the stores written a while after they
    // changed; and the milliseconds until it is due (-1: nothing waits).
    std::function<void()> saveStores;
    std::function<int()> saveDueMs;
    // The end of every pass: a change the pass made is noted.
    std::function<void()> noteStores;

    bool OnIdle(long count);
    // The last pass had nothing left to do but wait for the port.
    bool PollingOnly() const { return m_PollingOnly; }
    // Installs the hook in driver and wakes it when the port has data.
    void Attach(CIdleDriver& driver);

private:
    bool Pass(long count);
    void ReceivePositions();
    // Wakes the driver when the open port (reception's or a transfer's) has data.
    void WatchPort(int fd, bool readFailed);

    CNmeaReceiver& m_Receiver;
    AppSettings& m_Settings;
    std::function<CVornaDoc*()> m_Doc;
    Frame m_Frame;
    QPointer<CIdleDriver> m_Driver;
    QSocketNotifier* m_Notifier = nullptr;
    bool m_PollingOnly = false;
};

// Home: the active pane follows the GPS position, the port is opened when it
// is not, and the bars make room for the map.
void AddGpsTrackingCommand(CCommandMap& frameCommands, CMainFrame& frame, CNmeaReceiver& receiver);
