#pragma once
// One entry of the waypoint undo stack.

#include <cstdint>
#include <memory>

#include "doc/WptTypes.h"

enum UndoType : std::uint16_t { kUndoCreated = 0, kUndoDeleted = 1, kUndoChanged = 2 };

struct UndoRecord {
    std::uint16_t UndoType = kUndoCreated;
    std::int16_t Base = 0;
    std::int32_t Index = 0;                     // deleted and changed entries
    std::int32_t Linked = 0;                    // created: further entries taken back with this one
    std::unique_ptr<WaypointRecord> OldRecord;  // changed: the record before the change
};
