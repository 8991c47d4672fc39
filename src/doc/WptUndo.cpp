// Taking back steps of the waypoint undo stack.
#include "doc/WptDatabase.h"
#include "platform/Prompt.h"

void CWptDatabase::Undo(int n) {
    if (n < 0) return;
    const int repetitions = n == 0 ? 1 : n;
    for (int rep = 0; rep < repetitions; ++rep) {
        UndoRecord e;
        if (!m_Undo.Pop(e)) break;
        const int q = e.Base;
        if (q < 0 || q >= kBaseCount) {
            MsgBox("Internal Error! Base of undo entry out of range in 'Undo'!");
            continue;
        }
        ClaimWptBase(q);
        m_BasesToClose = true;
        if (!OpenQuadrantWptFile(q)) {
            ReleaseWptBase(q, "Undo");
            continue;
        }
        WptBase& b = m_Bases[std::size_t(q)];
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
                const WaypointRecord removed = b.Data[std::size_t(b.Count)];
                if (WptIsDeleted(removed) && b.Deleted > 0) --b.Deleted;
                b.Modified = 1;
                ReleaseWptBase(q, "Undo (2)");
                Notify(removed);
                if (e.Linked > 0) Undo(e.Linked);
                break;
            }
            case kUndoDeleted: {
                if (e.Index < 0 || e.Index >= b.Count) {
                    ReleaseWptBase(q, "Undo (3)");
                    MsgBox("Internal Error! Index of waypoint out of range in 'Undo'!");
                    break;
                }
                WaypointRecord& r = b.Data[std::size_t(e.Index)];
                if (WptIsDeleted(r) && b.Deleted > 0) --b.Deleted;
                r.Flags &= std::uint16_t(~kWptDeleted);
                b.Modified = 1;
                UpdateWptSelectionFlag(q, e.Index, m_SelLevel[std::size_t(q)]);
                const WaypointRecord restored = r;
                ReleaseWptBase(q, "Undo (3)");
                Notify(restored);
                break;
            }
            case kUndoChanged: {
                if (e.Index < 0 || e.Index >= b.Count || !e.OldRecord) {
                    ReleaseWptBase(q, "Undo (4)");
                    MsgBox("Internal Error! Index of waypoint out of range in 'Undo'!");
                    break;
                }
                const WaypointRecord current = b.Data[std::size_t(e.Index)];
                b.Data[std::size_t(e.Index)] = *e.OldRecord;
                e.OldRecord.reset();
                b.Modified = 1;
                UpdateWptSelectionFlag(q, e.Index, m_SelLevel[std::size_t(q)]);
                const WaypointRecord restored = b.Data[std::size_t(e.Index)];
                ReleaseWptBase(q, "Undo (4)");
                Notify(current);
                Notify(restored);
                break;
            }
            default:
                ReleaseWptBase(q, "Undo");
                MsgBox("Unknown Undo UndoType!");
                break;
        }
    }
    if (m_BasesToClose) CloseUnusedQuadrants();
}
