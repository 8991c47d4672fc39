#include "platformui/IdleDriver.h"

#include <QApplication>
#include <QEvent>

#include "platform/Prompt.h"

namespace {
// While a modal window or popup is up the driver looks again this often; it
// does not need to be quick, only not to spin.
constexpr int kBlockedRecheckMs = 50;
}  // namespace

CIdleDriver::CIdleDriver(Hook hook, QObject* parent) : QObject(parent), m_Hook(std::move(hook)) {
    m_Timer.setSingleShot(true);
    connect(&m_Timer, &QTimer::timeout, this, &CIdleDriver::OnTimer);
}

CIdleDriver::~CIdleDriver() { Stop(); }

void CIdleDriver::Start() {
    if (m_Started) return;
    m_Started = true;
    m_Count = 0;
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
    Arm(0);
}

void CIdleDriver::Stop() {
    if (!m_Started) return;
    m_Started = false;
    m_WakePending = false;
    m_Timer.stop();
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

void CIdleDriver::Wake() {
    if (!m_Started) return;
    m_Count = 0;
    // Inside the hook (its nested loop) a timer shot is swallowed; the hook's
    // end must still run the pass the new data asks for.
    if (m_InHook) m_WakePending = true;
    Arm(0);
}

void CIdleDriver::Arm(int ms) {
    if (m_Timer.isActive()) {
        if (m_Timer.interval() == 0) return;
        if (ms > 0 && m_Timer.remainingTime() <= ms) return;
    }
    m_Timer.start(ms);
}

bool CIdleDriver::Blocked() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) &&
        (QApplication::activeModalWidget() || QApplication::activePopupWidget()))
        return true;
    return Prompter().IsBusy();
}

bool CIdleDriver::eventFilter(QObject* watched, QEvent* event) {
    // Events the hook causes itself (also inside a box it opened), our own
    // timer and repaints are not new work: a repaint must not restart the
    // count of idle passes.
    if (!m_InHook && watched != &m_Timer) {
        switch (event->type()) {
            case QEvent::Paint:
            case QEvent::UpdateRequest:
            case QEvent::UpdateLater:
            case QEvent::LayoutRequest:
                break;
            default:
                m_Count = 0;
                Arm(0);
        }
    }
    return QObject::eventFilter(watched, event);
}

void CIdleDriver::OnTimer() {
    // A nested event loop of the hook (a message box it opened): the hook's
    // own end decides about the next pass.
    if (!m_Started || m_InHook) return;
    if (Blocked()) {
        Arm(kBlockedRecheckMs);
        return;
    }
    bool more = false;
    {
        struct InHook {
            bool& flag;
            explicit InHook(bool& f) : flag(f) { flag = true; }
            ~InHook() { flag = false; }
        } guard(m_InHook);
        if (m_Hook) more = m_Hook(m_Count);
    }
    ++m_Count;
    ++m_Passes;
    const bool woken = m_WakePending;
    m_WakePending = false;
    if (woken) m_Count = 0;
    if (!m_Started) return;
    if (!(more || woken)) {
        const int due = m_NextDue ? m_NextDue() : -1;
        if (due >= 0) Arm(due);
        return;
    }
    Arm(!woken && m_PollingOnly && m_PollingOnly() ? m_PollMs : 0);
}
