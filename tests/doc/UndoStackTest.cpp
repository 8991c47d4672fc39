// The undo stack on its own: what it costs. What a full stack drops is
// checked against the model of the random edits.
#include <gtest/gtest.h>

#include <utility>

#include "doc/UndoStack.h"
#include "settings/MemoryCounters.h"

TEST(UndoStack, AHugeSettingTakesNoRoomUntilUsed) {
    CMemoryCounters mem;
    CUndoStack s(100000000, mem);
    EXPECT_EQ(mem[kMemUndo + 1], 0);
    UndoRecord r;
    r.UndoType = kUndoDeleted;
    s.Push(std::move(r));
    EXPECT_GT(mem[kMemUndo + 1], 0);
    EXPECT_LT(mem[kMemUndo + 1], 1000000);
}
