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

bool CStoreAutosave::Note() {
    CVornaDoc* doc = m_Doc ? m_Doc() : nullptr;
    if (!doc || !doc->HasUnsavedStores()) {
        m_Due.reset();
        return false;
    }
    if (!m_Due) m_Due = m_Clock() + kDelayMs;
    return true;
}

bool CStoreAutosave::Step() {
    const bool noted = m_Due.has_value();
    if (!Note() || !noted) return false;
    if (m_Clock() < *m_Due || (m_Busy && m_Busy())) return false;
    // A store that fails stays modified: it is tried again a minute on, its
    // message is not shown again.
    m_Due.reset();
    CVornaDoc* doc = m_Doc();
    if (doc->Waypoints().HasUnsavedChanges()) doc->Waypoints().SaveAll();
    // A box of a writer may have ended the document.
    if (CVornaDoc* again = m_Doc(); again && again->TrackLogStore().Modified())
        again->TrackLogStore().Write(again->TrackLogStore().DefaultName());
    if (CVornaDoc* again = m_Doc(); again && again->SearchArea().Modified())
        again->SearchArea().SaveSearchAreaDat(again->SearchAreaDatName());
    return true;
}

int CStoreAutosave::DueInMs() const {
    if (!m_Due) return -1;
    const std::int64_t left = *m_Due - m_Clock();
    if (left <= 0) return m_Busy && m_Busy() ? kBusyRecheckMs : 0;
    return int(std::min<std::int64_t>(left, kDelayMs));
}
