// The undo stack on its own: what a full stack drops, and what it costs.
#include <gtest/gtest.h>

#include "app/MemoryCounters.h"
#include "doc/UndoStack.h"

TEST(UndoStack, FullStackDropsTheOldestStepWithItsLinkedCreations) {
    CMemoryCounters mem;
    {
        CUndoStack s(100000000, mem);  // a huge setting takes no room until used
        EXPECT_EQ(mem[kMemUndo + 1], 0);
    }
    CUndoStack s(3, mem);
    auto entry = [](std::uint16_t type, int index, int linked = 0) {
        UndoRecord r;
        r.UndoType = type;
        r.Index = index;
        r.Linked = linked;
        return r;
    };
    s.Push(entry(kUndoDeleted, 1));
    s.Push(entry(kUndoCreated, 2, 1));  // a move: deletion and creation
    s.Push(entry(kUndoDeleted, 3));
    s.Push(entry(kUndoDeleted, 4));  // drops the move as a whole
    ASSERT_EQ(s.Count(), 2);
    EXPECT_EQ(s.At(0).Index, 3);
    s.Push(entry(kUndoCreated, 5, 3));  // its deletion is gone: not kept
    EXPECT_EQ(s.Count(), 2);
    UndoRecord top;
    ASSERT_TRUE(s.Pop(top));
    EXPECT_EQ(top.Index, 4);
}
