// The waypoint undo stack.
#include <algorithm>

#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "platform/Prompt.h"
#include "platform/System.h"

std::vector<UndoRecord> CVornaDoc::MakeUndoStack() {
    CVornaApp* app = VornaAppOrNull();
    const int capacity = std::max(1, app ? app->undoStackSize : 100);
    try {
        return std::vector<UndoRecord>(std::size_t(capacity));
    } catch (const std::bad_alloc&) {
        MsgBox("Internal Error! Not enough memory for UndoStack in CVornaDoc constructor!");
        return {};
    }
}

void CVornaDoc::PushUndoRecord(UndoRecord rec) {
    if (UndoCapacity <= 0) return;
    if (UndoCount >= UndoCapacity) {
        // Drop the oldest entry, and with it every creation linked to it: a
        // creation taken back without its deletion would lose the waypoint.
        int drop = 1;
        while (drop < UndoCount && UndoStack[drop].UndoType == kUndoCreated && UndoStack[drop].Linked > 0)
            ++drop;
        for (int i = 0; i < drop; ++i) {
            UndoRecord& e = UndoStack[i];
            if (e.UndoType == kUndoChanged) {
                e.OldRecord.reset();
            } else if (e.OldRecord) {
                Beep(1000, 50);
                MsgBox("Internal Error! Unknown pointer found when shifting Undo Stack!");
            }
        }
        std::move(UndoStack.begin() + drop, UndoStack.begin() + UndoCount, UndoStack.begin());
        UndoCount -= drop;
        for (int i = UndoCount; i < UndoCount + drop; ++i) UndoStack[i] = UndoRecord();
    }
    // A creation whose linked deletion is gone cannot be taken back safely.
    if (rec.UndoType == kUndoCreated && rec.Linked > UndoCount) return;
    UndoStack[UndoCount++] = std::move(rec);
}

void CVornaDoc::ClearUndoStack() {
    for (int i = 0; i < UndoCount; ++i) {
        UndoRecord& e = UndoStack[i];
        if (!e.OldRecord) continue;
        if (e.UndoType != kUndoChanged) {
            Beep(1000, 50);
            MsgBox("Internal Error! Unknown pointer found when clearing Undo Stack!");
        }
        e.OldRecord.reset();
    }
    UndoCount = 0;
}

void CVornaDoc::Undo(int n) {
    if (n < 0) return;
    const int repetitions = n == 0 ? 1 : n;
    for (int rep = 0; rep < repetitions && UndoCount > 0; ++rep) {
        --UndoCount;
        UndoRecord e = std::move(UndoStack[UndoCount]);
        UndoStack[UndoCount] = UndoRecord();
        const int q = e.Base;
        if (q < 0 || q >= kBaseCount) {
            MsgBox("Internal Error! Base of undo entry out of range in 'Undo'!");
            continue;
        }
        ClaimWptBase(q);
        BasesToClose = 1;
        if (!OpenQuadrantWptFile(q)) {
            ReleaseWptBase(q, "Undo");
            continue;
        }
        WptBase& b = WptAutoBase[q];
        switch (e.UndoType) {
            case kUndoCreated: {
                // The entry stands for the base's last record; anything else
                // means the base changed under the stack.
                if (b.Count <= 0 || e.Index != b.Count - 1) {
                    ReleaseWptBase(q, "Undo (2)");
                    MsgBox("Internal Error! Index of waypoint out of range in 'Undo'!");
                    break;
                }
                --b.Count;
                const WaypointRecord removed = b.Data[b.Count];
                if (WptIsDeleted(removed) && b.Deleted > 0) --b.Deleted;
                b.Modified = 1;
                ReleaseWptBase(q, "Undo (2)");
                UpdateAllViews(nullptr, 2, &removed);
                if (e.Linked > 0) Undo(e.Linked);
                break;
            }
            case kUndoDeleted: {
                if (e.Index < 0 || e.Index >= b.Count) {
                    ReleaseWptBase(q, "Undo (3)");
                    MsgBox("Internal Error! Index of waypoint out of range in 'Undo'!");
                    break;
                }
                WaypointRecord& r = b.Data[e.Index];
                if (WptIsDeleted(r) && b.Deleted > 0) --b.Deleted;
                r.Flags &= 0x7FFF;
                b.Modified = 1;
                UpdateWptSelectionFlag(q, e.Index, SectorSelLevel[q]);
                const WaypointRecord restored = r;
                ReleaseWptBase(q, "Undo (3)");
                UpdateAllViews(nullptr, 2, &restored);
                break;
            }
            case kUndoChanged: {
                if (e.Index < 0 || e.Index >= b.Count || !e.OldRecord) {
                    ReleaseWptBase(q, "Undo (4)");
                    MsgBox("Internal Error! Index of waypoint out of range in 'Undo'!");
                    break;
                }
                const WaypointRecord current = b.Data[e.Index];
                b.Data[e.Index] = *e.OldRecord;
                e.OldRecord.reset();
                b.Modified = 1;
                UpdateWptSelectionFlag(q, e.Index, SectorSelLevel[q]);
                const WaypointRecord restored = b.Data[e.Index];
                ReleaseWptBase(q, "Undo (4)");
                UpdateAllViews(nullptr, 2, &current);
                UpdateAllViews(nullptr, 2, &restored);
                break;
            }
            default:
                ReleaseWptBase(q, "Undo");
                MsgBox("Unknown Undo UndoType!");
                break;
        }
    }
    if (BasesToClose) CloseUnusedQuadrants();
}
