// The track log commands on a 20-point log across the spring clock change
// (the tests run in central European time): local days 0-4, 5-9 and 10-19;
// segments 0-6, 7-11, 12 (one point) and 13-19.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <set>

#include "ViewTestEnv.h"
#include "mapview/VornaView.h"
#include "platform/CommandIds.h"

namespace {

const std::set<int> kFlags = {0, 7, 12, 13};

// From 2026-03-28 12:00 UTC; the clocks go forward on the 29th at 01:00 UTC.
// Point 5 is 00:10 CET on the 29th, 9 is 23:50 CEST, 10 is 00:10 CEST on the 30th.
int TimeOf(int k) {
    const int minutes[] = {0, 60, 120, 180, 240, 670, 1020, 1320, 1620, 2030};
    return 1774699200 + 60 * (k < 10 ? minutes[k] : 2050 + (k - 10) * 60);
}

struct Env : ViewTestEnv {
    CVornaView view{doc.get()};
    CMapViewController& p = view.Controller();
    CTrackLogStore& log = doc->TrackLogStore();
    Env() {
        app.settings.views[0].mapType = kSeriesTK25;
        view.show();
        view.resize(view.size() + QSize(400, 300) - view.viewport()->size());
        p.InitFromSettings(0, 0);
        log.Clear(0);
        for (int k = 0; k < 20; ++k) {
            TrackPoint t;
            t.position = {372000.0 + 200 * k, 5218000.0 + 100 * k};
            t.time = TimeOf(k);
            t.segmentStart = kFlags.count(k) ? 1 : 0;
            log.Append(t);
        }
    }
    // Runs id on point i as the context target, also when disabled (a popup
    // left open over a changed log); false when it was disabled.
    bool Run(unsigned id, int i) {
        HitRecord hit;
        hit.trackPointIndex = i;
        p.SetContextTarget(hit, {}, QPoint());
        CCmdUI ui(id);
        p.OnUpdateCommand(id, ui);
        p.OnCommand(id);
        return ui.m_bEnabled;
    }
    std::set<int> Flags() const {
        std::set<int> s;
        for (int k = 0; k < log.Count(); ++k)
            if (log.Points()[k].segmentStart) s.insert(k);
        return s;
    }
    int Centred() const {  // the point at the pane's centre
        const CPointD c = p.ViewCentre();
        for (int k = 0; k < log.Count(); ++k)
            if (std::hypot(log.Points()[k].position.easting - c.easting,
                           log.Points()[k].position.northing - c.northing) < 50)
                return k;
        return -1;
    }
};

}  // namespace

// Go To moves to the boundary point or says why not (and stays); days end at
// local midnight in winter and summer time alike. Selecting sets the ends
// from the target and keeps a reversed order.
TEST(TrackCommands, GoToAndSelectFindSegmentAndDayBoundaries) {
    Env env;
    const struct {
        unsigned id;
        int i, centred;
        const char* message;
    } rows[] = {
        {cmd::TrkPrevDay, 5, 4, ""},       {cmd::TrkNextDay, 9, 10, ""},
        {cmd::TrkStartOfDay, 19, 10, ""},  {cmd::TrkPrevDay, 2, 10, "This is the first day!"},
        {cmd::TrkPrevSegment, 7, 6, ""},   {cmd::TrkNextDay, 10, 6, "This is the last day!"},
        {cmd::TrkNextSegment, 11, 12, ""}, {cmd::TrkPrevSegment, 6, 12, "This is the first segment!"},
        {cmd::TrkEndOfSegment, 7, 11, ""}, {cmd::TrkNextSegment, 15, 11, "This is the last segment!"},
        {cmd::TrkEndOfTrack, 3, 19, ""},
    };
    for (const auto& r : rows) {
        env.prompter.texts.clear();
        env.Run(r.id, r.i);
        EXPECT_EQ(env.Centred(), r.centred) << r.id << " on " << r.i;
        EXPECT_EQ(env.prompter.texts.empty() ? "" : env.prompter.texts[0], r.message) << r.id;
    }
    // start before, command, target, start and end after, enabled
    const int sel[][6] = {
        {-1, cmd::TrkSelectWholeDay, 15, 10, 19, 1},     {-1, cmd::TrkSelectWholeDay, 5, 5, 9, 1},
        {-1, cmd::TrkSelectWholeSegment, 12, 12, 12, 1}, {-1, cmd::TrkSelectWholeSegment, 9, 7, 11, 1},
        {15, cmd::TrkSelectToThisPoint, 3, 15, 3, 1},    {15, cmd::TrkSelectToEndOfDay, 2, 15, 4, 1},
        {-1, cmd::TrkSelectThisPoint, 20, -1, -1, 0},    {-1, cmd::TrkSelectAll, 20, -1, -1, 0},
        {-1, cmd::TrkSelectAll, 19, 0, 19, 1},
    };
    for (const auto& r : sel) {
        env.log.SelStart = r[0], env.log.SelEnd = -1;
        EXPECT_EQ(env.Run(unsigned(r[1]), r[2]), r[5] != 0) << r[1] << " on " << r[2];
        EXPECT_EQ(std::pair(env.log.SelStart, env.log.SelEnd), std::pair(r[3], r[4]))
            << r[1] << " on " << r[2];
    }
}

// Join and break at the ends of the log, of segments and on a one-point
// segment; deleting the selection keeps the order, starts a segment after
// the gap and needs both ends inside the log and a yes.
TEST(TrackCommands, JoinBreakAndDeleteChangeOnlyTheirPoints) {
    const struct {
        unsigned id;
        int i, start, end, answer;
        bool enabled;
        int count;
        std::set<int> flags;
    } rows[] = {
        {cmd::TrkJoin, 7, -1, -1, 0, true, 20, {0, 12, 13}},
        {cmd::TrkJoin, 12, -1, -1, 0, true, 20, {0, 7}},
        {cmd::TrkJoin, 0, -1, -1, 0, false, 20, kFlags},
        {cmd::TrkBreakBefore, 19, -1, -1, 0, true, 20, {0, 7, 12, 13, 19}},
        {cmd::TrkBreakAfter, 19, -1, -1, 0, false, 20, kFlags},
        {cmd::TrkBreakAfter, 0, -1, -1, 0, true, 20, {0, 1, 7, 12, 13}},
        {cmd::TrkBreakAfter, INT_MAX, -1, -1, 0, false, 20, kFlags},  // no overflow before the check
        {cmd::TrkSelDelete, -1, 5, 9, IDYES, true, 15, {0, 5, 7, 8}},
        {cmd::TrkSelDelete, -1, 9, 5, IDYES, true, 15, {0, 5, 7, 8}},
        {cmd::TrkSelDelete, -1, 15, 19, IDYES, true, 15, kFlags},
        {cmd::TrkSelDelete, -1, 5, 9, IDNO, true, 20, kFlags},
        {cmd::TrkSelDelete, -1, 5, -1, IDYES, false, 20, kFlags},
        {cmd::TrkSelDelete, -1, 5, 20, IDYES, false, 20, kFlags},
    };
    for (const auto& r : rows) {
        Env env;
        env.log.SelStart = r.start, env.log.SelEnd = r.end;
        env.prompter.answers = {r.answer};
        EXPECT_EQ(env.Run(r.id, r.i), r.enabled) << r.id << " on " << r.i << ", " << r.start << ".." << r.end;
        EXPECT_EQ(env.log.Count(), r.count) << r.start << ".." << r.end;
        EXPECT_EQ(env.Flags(), r.flags) << r.id << " on " << r.i << ", " << r.start << ".." << r.end;
        EXPECT_EQ(env.log.Points()[5].time, TimeOf(r.count == 15 && r.start != 15 ? 10 : 5));
        EXPECT_EQ(env.prompter.texts.size(), r.enabled && r.answer ? 1u : 0u);
    }
}
