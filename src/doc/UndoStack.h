#pragma once
// The waypoint undo stack: at most Capacity() entries, the oldest dropped
// when full. Room is taken as entries arrive, so a large capacity costs
// nothing until it is used.

#include <vector>

#include "doc/Undo.h"

class CMemoryCounters;

class CUndoStack {
public:
    // A capacity below 1 counts as 1.
    CUndoStack(int capacity, CMemoryCounters& memory);
    ~CUndoStack();
    CUndoStack(const CUndoStack&) = delete;
    CUndoStack& operator=(const CUndoStack&) = delete;

    // Drops the oldest entry when full, and with it every creation linked to
    // it (a creation taken back without its deletion would lose the
    // waypoint). A creation whose linked entries are gone is not kept.
    void Push(UndoRecord rec);
    // The newest entry, removed; false when the stack is empty.
    bool Pop(UndoRecord& out);
    void Clear();

    int Count() const { return int(m_Entries.size()); }
    int Capacity() const { return m_Capacity; }
    void SetCapacity(int capacity);  // drops the oldest entries beyond it
    const UndoRecord& At(int i) const { return m_Entries[std::size_t(i)]; }

private:
    void DropOldest();
    void CountRoom();
    CMemoryCounters& m_Memory;
    std::vector<UndoRecord> m_Entries;
    int m_Capacity = 1;
    long long m_CountedBytes = 0;
};
