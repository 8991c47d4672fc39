#include "doc/UndoStack.h"

#include <new>

#include "geo/Convert.h"
#include "platform/Prompt.h"
#include "platform/System.h"
#include "settings/MemoryCounters.h"

CUndoStack::CUndoStack(int capacity, CMemoryCounters& memory)
    : m_Memory(memory), m_Capacity(capacity < 1 ? 1 : capacity) {
    m_Memory.CountAlloc(kMemUndo, 0);
}

CUndoStack::~CUndoStack() {
    Clear();
    m_Memory.CountFree(kMemUndo, m_CountedBytes);
}

void CUndoStack::CountRoom() {
    const long long bytes = (long long)m_Entries.capacity() * (long long)sizeof(UndoRecord);
    AddSaturated(m_Memory[kMemUndo + 1], bytes - m_CountedBytes);
    m_CountedBytes = bytes;
}

void CUndoStack::DropOldest() {
    if (m_Entries.empty()) return;
    std::size_t drop = 1;
    while (drop < m_Entries.size() && m_Entries[drop].UndoType == kUndoCreated && m_Entries[drop].Linked > 0)
        ++drop;
    for (std::size_t i = 0; i < drop; ++i)
        if (m_Entries[i].UndoType != kUndoChanged && m_Entries[i].OldRecord) {
            Beep(1000, 50);
            MsgBox("Internal Error! Unknown pointer found when shifting Undo Stack!");
        }
    m_Entries.erase(m_Entries.begin(), m_Entries.begin() + std::ptrdiff_t(drop));
}

void CUndoStack::Push(UndoRecord rec) {
    if (m_Capacity <= 0) return;
    while (Count() >= m_Capacity) DropOldest();
    // A creation whose linked deletion is gone cannot be taken back safely.
    if (rec.UndoType == kUndoCreated && rec.Linked > Count()) return;
    try {
        m_Entries.push_back(std::move(rec));
    } catch (const std::bad_alloc&) {
        MsgBox("Internal Error! Not enough memory for UndoStack in PushUndoRecord!");
        return;
    }
    CountRoom();
}

bool CUndoStack::Pop(UndoRecord& out) {
    if (m_Entries.empty()) return false;
    out = std::move(m_Entries.back());
    m_Entries.pop_back();
    return true;
}

void CUndoStack::Clear() {
    for (UndoRecord& e : m_Entries)
        if (e.OldRecord && e.UndoType != kUndoChanged) {
            Beep(1000, 50);
            MsgBox("Internal Error! Unknown pointer found when clearing Undo Stack!");
        }
    m_Entries.clear();
}

void CUndoStack::SetCapacity(int capacity) {
    m_Capacity = capacity < 0 ? 0 : capacity;
    while (Count() > m_Capacity) DropOldest();
}
