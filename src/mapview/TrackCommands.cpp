// Moving along the track log, marking a range of it, joining and breaking
// segments and removing the marked range. The context items act on the
// track point under the right-click; the others on the whole log.
#include "doc/VornaDoc.h"
#include "doc/WptText.h"
#include "mapview/MapViewController.h"
#include "platform/CommandIds.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"

namespace {
constexpr int kKeep = -2;  // SetTrackSelection: leave this end as it is
}  // namespace

int CMapViewController::TrackTarget() const {
    if (!m_Doc) return -1;
    const int i = m_HitB.trackPointIndex;
    // The log may have changed since the menu opened.
    return m_Doc->TrackLogStore().IsValidIndex(i) ? i : -1;
}

void CMapViewController::CenterOnTrackPoint(int k) {
    if (!m_Doc || !m_Doc->TrackLogStore().IsValidIndex(k)) return;
    const CPointD p = m_Doc->TrackLogStore().Points()[k].position;  // copied before the view moves
    CenterOnPosition(p.easting, p.northing, 0.0);
}

void CMapViewController::StepToTrackPoint(int k, const char* limit) {
    if (m_Doc && m_Doc->TrackLogStore().IsValidIndex(k))
        CenterOnTrackPoint(k);
    else
        MsgBox(limit);
}

void CMapViewController::SetTrackSelection(int start, int end) {
    CTrackLogStore& log = m_Doc->TrackLogStore();
    if (start != kKeep) log.SelStart = start;
    if (end != kKeep) log.SelEnd = end;
    m_Doc->UpdateAllViews(nullptr, kHintAll);
}

void CMapViewController::DeleteTrackSelection() {
    if (!m_Doc) return;
    const auto valid = [this] {
        const CTrackLogStore& log = m_Doc->TrackLogStore();
        return log.IsValidIndex(log.SelStart) && log.IsValidIndex(log.SelEnd);
    };
    if (!valid()) return;
    if (MsgBox("Do you really want to delete selected part of the TrackLog?", MB_YESNO | MB_ICONQUESTION) !=
        IDYES)
        return;
    if (!valid()) return;  // the log changed while the question was open
    CTrackLogStore& log = m_Doc->TrackLogStore();
    log.DeleteRange(log.SelStart, log.SelEnd);
    m_Doc->UpdateAllViews(nullptr, kHintAll);
}

void CMapViewController::RegisterTrackCommands() {
    CCommandMap& m = m_Commands;
    const auto log = [this]() -> CTrackLogStore& { return m_Doc->TrackLogStore(); };
    const auto hasPoint = [this] { return m_Doc && m_Doc->TrackLogStore().Count() > 0; };

    // Context items: each acts on a target point that is still in the log.
    struct ContextItem {
        unsigned id;
        void (*run)(CMapViewController& v, CTrackLogStore& log, int i);
        // Besides a valid target; null: nothing more.
        bool (*enable)(const CTrackLogStore& log, int i);
    };
    using V = CMapViewController;
    using L = CTrackLogStore;
    static const ContextItem kContext[] = {
        {cmd::TrkPrevSegment,
         [](V& v, L& l, int i) { v.StepToTrackPoint(l.SegmentFirst(i) - 1, "This is the first segment!"); },
         nullptr},
        {cmd::TrkStartOfSegment, [](V& v, L& l, int i) { v.CenterOnTrackPoint(l.SegmentFirst(i)); }, nullptr},
        {cmd::TrkEndOfSegment, [](V& v, L& l, int i) { v.CenterOnTrackPoint(l.SegmentLast(i)); }, nullptr},
        {cmd::TrkNextSegment,
         [](V& v, L& l, int i) { v.StepToTrackPoint(l.SegmentLast(i) + 1, "This is the last segment!"); },
         nullptr},
        {cmd::TrkPrevDay,
         [](V& v, L& l, int i) { v.StepToTrackPoint(l.DayFirst(i) - 1, "This is the first day!"); }, nullptr},
        {cmd::TrkStartOfDay, [](V& v, L& l, int i) { v.CenterOnTrackPoint(l.DayFirst(i)); }, nullptr},
        {cmd::TrkEndOfDay, [](V& v, L& l, int i) { v.CenterOnTrackPoint(l.DayLast(i)); }, nullptr},
        {cmd::TrkNextDay,
         [](V& v, L& l, int i) { v.StepToTrackPoint(l.DayLast(i) + 1, "This is the last day!"); }, nullptr},
        {cmd::TrkMarkFromThisPoint, [](V& v, L&, int i) { v.SetTrackSelection(i, -1); }, nullptr},
        {cmd::TrkMarkStartOfSegment, [](V& v, L& l, int i) { v.SetTrackSelection(l.SegmentFirst(i), -1); },
         nullptr},
        {cmd::TrkMarkStartOfDay, [](V& v, L& l, int i) { v.SetTrackSelection(l.DayFirst(i), -1); }, nullptr},
        {cmd::TrkSelectToThisPoint, [](V& v, L&, int i) { v.SetTrackSelection(kKeep, i); },
         [](const L& l, int) { return l.SelStart >= 0; }},
        {cmd::TrkSelectToEndOfSegment,
         [](V& v, L& l, int i) { v.SetTrackSelection(kKeep, l.SegmentLast(i)); },
         [](const L& l, int) { return l.SelStart >= 0; }},
        {cmd::TrkSelectToEndOfDay, [](V& v, L& l, int i) { v.SetTrackSelection(kKeep, l.DayLast(i)); },
         [](const L& l, int) { return l.SelStart >= 0; }},
        {cmd::TrkSelectThisPoint, [](V& v, L&, int i) { v.SetTrackSelection(i, i); }, nullptr},
        {cmd::TrkSelectWholeSegment,
         [](V& v, L& l, int i) { v.SetTrackSelection(l.SegmentFirst(i), l.SegmentLast(i)); }, nullptr},
        {cmd::TrkSelectWholeDay, [](V& v, L& l, int i) { v.SetTrackSelection(l.DayFirst(i), l.DayLast(i)); },
         nullptr},
        {cmd::TrkSelectAll, [](V& v, L& l, int) { v.SetTrackSelection(0, l.Count() - 1); }, nullptr},
        {cmd::TrkJoin,
         [](V& v, L& l, int i) {
             l.Join(i);
             v.m_Doc->UpdateAllViews(nullptr, kHintAll);
         },
         [](const L& l, int i) {
             const TrackPoint* p = l.Points();
             return (i >= 1 && p[i].segmentStart) || (i < l.Count() - 1 && p[i + 1].segmentStart);
         }},
        {cmd::TrkBreakBefore,
         [](V& v, L& l, int i) {
             l.BreakBefore(i);
             v.m_Doc->UpdateAllViews(nullptr, kHintAll);
         },
         [](const L& l, int i) { return !l.Points()[i].segmentStart; }},
        {cmd::TrkBreakAfter,
         [](V& v, L& l, int i) {
             l.BreakAfter(i);
             v.m_Doc->UpdateAllViews(nullptr, kHintAll);
         },
         [](const L& l, int i) { return i < l.Count() - 1 && !l.Points()[i + 1].segmentStart; }},
    };
    for (const ContextItem& item : kContext) {
        m.AddCommand(item.id, [this, &item, log] {
            const int i = TrackTarget();
            if (i >= 0) item.run(*this, log(), i);
        });
        m.AddUpdate(item.id, [this, &item, log](CCmdUI& ui) {
            const int i = TrackTarget();
            ui.Enable(i >= 0 && (!item.enable || item.enable(log(), i)));
        });
    }

    // Items on the whole log.
    m.AddCommand(cmd::TrkStartOfTrack, [this] { CenterOnTrackPoint(0); });
    m.AddUpdate(cmd::TrkStartOfTrack, [hasPoint](CCmdUI& ui) { ui.Enable(hasPoint()); });
    m.AddCommand(cmd::TrkEndOfTrack, [this, hasPoint, log] {
        if (hasPoint()) CenterOnTrackPoint(log().Count() - 1);
    });
    m.AddUpdate(cmd::TrkEndOfTrack, [hasPoint](CCmdUI& ui) { ui.Enable(hasPoint()); });
    m.AddCommand(cmd::TrkStartOfSelection, [this, hasPoint, log] {
        if (hasPoint()) CenterOnTrackPoint(log().SelStart);
    });
    m.AddUpdate(cmd::TrkStartOfSelection,
                [hasPoint, log](CCmdUI& ui) { ui.Enable(hasPoint() && log().IsValidIndex(log().SelStart)); });
    m.AddCommand(cmd::TrkEndOfSelection, [this, hasPoint, log] {
        if (hasPoint()) CenterOnTrackPoint(log().SelEnd);
    });
    m.AddUpdate(cmd::TrkEndOfSelection,
                [hasPoint, log](CCmdUI& ui) { ui.Enable(hasPoint() && log().IsValidIndex(log().SelEnd)); });
    m.AddCommand(cmd::TrkMarkStartOfTrack, [this, hasPoint] {
        if (hasPoint()) SetTrackSelection(0, -1);
    });
    m.AddUpdate(cmd::TrkMarkStartOfTrack, [hasPoint](CCmdUI& ui) { ui.Enable(hasPoint()); });
    m.AddCommand(cmd::TrkSelectToEndOfTrack, [this, hasPoint, log] {
        if (hasPoint()) SetTrackSelection(kKeep, log().Count() - 1);
    });
    m.AddUpdate(cmd::TrkSelectToEndOfTrack,
                [hasPoint, log](CCmdUI& ui) { ui.Enable(hasPoint() && log().SelStart >= 0); });

    const auto hasRange = [hasPoint, log] {
        return hasPoint() && log().IsValidIndex(log().SelStart) && log().IsValidIndex(log().SelEnd);
    };
    m.AddCommand(cmd::TrkSelClear, [this, hasPoint] {
        if (hasPoint()) SetTrackSelection(-1, -1);
    });
    m.AddUpdate(cmd::TrkSelClear, [hasPoint, log](CCmdUI& ui) {
        ui.Enable(hasPoint() && log().SelStart >= 0 && log().SelEnd >= 0);
    });
    m.AddCommand(cmd::TrkSelDelete, [this] { DeleteTrackSelection(); });
    m.AddUpdate(cmd::TrkSelDelete, [hasRange](CCmdUI& ui) { ui.Enable(hasRange()); });
    m.AddCommand(cmd::TrkSelExport, [this, hasRange, log] {
        // The ends go as they stand: the writer puts them in order.
        if (m_Doc && hasRange())
            WriteTrackLog(*m_Doc, m_Doc->Settings(), m_Doc->Geo(), log().SelStart, log().SelEnd, "");
    });
    m.AddUpdate(cmd::TrkSelExport, [hasRange](CCmdUI& ui) { ui.Enable(hasRange()); });
}
