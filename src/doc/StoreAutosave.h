#pragma once
// Writes the stores that changed in idle time, so that a crash, a kill or a
// flat battery loses at most a minute: the track log, the modified waypoint
// bases, the counter files and the search area, each through its own writer
// (atomic, a failure reported once). The minute starts with the first change seen; while a
// receiver transfer or a drag is under way the write waits for its end.

#include <cstdint>
#include <functional>
#include <optional>

class CVornaDoc;

class CStoreAutosave {
public:
    // Monotonic milliseconds; tests pass their own.
    using Clock = std::function<std::int64_t()>;
    static constexpr std::int64_t kDelayMs = 60000;
    // While a due write waits for the end of a transfer or drag, it looks again this often.
    static constexpr int kBusyRecheckMs = 1000;

    // doc: the document, looked up at every pass (null: none). busy: true
    // while a transfer or drag is under way (unset: never).
    CStoreAutosave(std::function<CVornaDoc*()> doc, std::function<bool()> busy, Clock clock = {});

    // One idle pass: notes a change, writes once it is due. True when it wrote.
    bool Step();
    // Notes a change without writing: the minute starts now if it has not
    // yet. For the end of a pass whose own work (a transfer's end, say)
    // changed a store, so that the minute does not wait for another event.
    // True while changes wait.
    bool Note();
    // Milliseconds until the next pass has something to do, -1 when nothing waits.
    int DueInMs() const;

private:
    std::function<CVornaDoc*()> m_Doc;
    std::function<bool()> m_Busy;
    Clock m_Clock;
    std::optional<std::int64_t> m_Due;  // when the changes seen are written
};
