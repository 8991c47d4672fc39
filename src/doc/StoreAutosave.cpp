#include "doc/StoreAutosave.h"

#include <algorithm>
#include <chrono>

#include "doc/VornaDoc.h"

CStoreAutosave::CStoreAutosave(std::function<CVornaDoc*()> doc, std::function<bool()> busy, Clock clock)
    : m_Doc(std::move(doc)), m_Busy(std::move(busy)), m_Clock(std::move(clock)) {
    if (!m_Clock)
        m_Clock = [] {
            return std::int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count());
        };
}

bool CStoreAutosave::Step() {
    CVornaDoc* doc = m_Doc ? m_Doc() : nullptr;
    const bool track = doc && doc->TrackLogStore().Modified();
    const bool waypoints = doc && doc->Waypoints().HasUnsavedChanges();
    if (!track && !waypoints) {
        m_Due.reset();
        return false;
    }
    const std::int64_t now = m_Clock();
    if (!m_Due) {
        m_Due = now + kDelayMs;
        return false;
    }
    if (now < *m_Due || (m_Busy && m_Busy())) return false;
    // A store that fails stays modified: it is tried again a minute on, its
    // message is not shown again.
    m_Due.reset();
    if (waypoints) doc->Waypoints().SaveAll();
    // A box of the waypoint writer may have ended the document.
    if (track)
        if (CVornaDoc* again = m_Doc()) again->TrackLogStore().Write(again->TrackLogStore().DefaultName());
    return true;
}

int CStoreAutosave::DueInMs() const {
    if (!m_Due) return -1;
    const std::int64_t left = *m_Due - m_Clock();
    if (left <= 0) return m_Busy && m_Busy() ? kBusyRecheckMs : 0;
    return int(std::min<std::int64_t>(left, kDelayMs));
}
