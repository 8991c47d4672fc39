// The track log commands on a 20-point log across the spring clock change
// (the tests run in central European time): local days 0-4, 5-9 and 10-19;
// segments 0-6, 7-11, 12 (one point) and 13-19.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "ViewTestEnv.h"
#include "platform/CommandIds.h"
#include "view/VornaView.h"

namespace {

// 2026-03-28 12:00 UTC; the clocks go forward on 2026-03-29 at 01:00 UTC.
constexpr int kSat = 1774699200;
constexpr int kHour = 3600;
const std::set<int> kFlags = {0, 7, 12, 13};

int TimeOf(int k) {
    if (k < 5) return kSat + k * kHour;  // 13:00-17:00 CET on the 28th
    // 00:10 CET on the 29th ... 23:50 CEST on the 29th
    const int day2[] = {11 * kHour + 600, 17 * kHour, 22 * kHour, 27 * kHour, 33 * kHour + 50 * 60};
    if (k < 10) return kSat + day2[k - 5];
    return kSat + 34 * kHour + 600 + (k - 10) * kHour;  // from 00:10 CEST on the 30th
}

struct Env : ViewTestEnv {
    CVornaView view{doc.get()};
    CMapViewController& p = view.Controller();
    CTrackLogStore& log = doc->TrackLogStore();
    Env() {
        app.views[0].mapType = kSeriesTK25;
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
    // Runs id on point i as the context target; false when it was disabled.
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
    // The point nearest the pane's centre.
    int Centred() const {
        int best = -1;
        double d = 1e18;
        for (int k = 0; k < log.Count(); ++k) {
            const CPointD q = log.Points()[k].position, c = p.ViewCentre();
            const double e = std::hypot(q.easting - c.easting, q.northing - c.northing);
            if (e < d) d = e, best = k;
        }
        return best;
    }
};

}  // namespace

// Go To moves to the boundary point or says why not; days end at local
// midnight in summer and winter time alike.
TEST(TrackCommands, GoToFindsSegmentAndDayBoundaries) {
    Env env;
    struct Row {
        unsigned id;
        int i, centred;
        const char* message;
    };
    const Row rows[] = {
        {cmd::TrkPrevDay, 5, 4, ""},         {cmd::TrkStartOfDay, 9, 5, ""},
        {cmd::TrkEndOfDay, 5, 9, ""},        {cmd::TrkNextDay, 9, 10, ""},
        {cmd::TrkStartOfDay, 19, 10, ""},    {cmd::TrkPrevDay, 2, 10, "This is the first day!"},
        {cmd::TrkNextDay, 10, 10, "This is the last day!"},
        {cmd::TrkPrevSegment, 7, 6, ""},     {cmd::TrkNextSegment, 11, 12, ""},
        {cmd::TrkEndOfSegment, 12, 12, ""},  {cmd::TrkStartOfSegment, 11, 7, ""},
        {cmd::TrkPrevSegment, 6, 7, "This is the first segment!"},
        {cmd::TrkNextSegment, 15, 7, "This is the last segment!"},
        {cmd::TrkStartOfTrack, 3, 0, ""},    {cmd::TrkEndOfTrack, 3, 19, ""},
    };
    for (const Row& r : rows) {
        env.prompter.texts.clear();
        EXPECT_TRUE(env.Run(r.id, r.i)) << r.id;
        EXPECT_EQ(env.Centred(), r.centred) << r.id << " on " << r.i;
        EXPECT_EQ(env.prompter.texts, r.message[0] ? std::vector<std::string>{r.message} : std::vector<std::string>{})
            << r.id;
    }
}

// Marking and selecting set the ends from the target; the selection keeps a
// reversed order; a target the log no longer holds does nothing.
TEST(TrackCommands, SelectionEndsFollowTheTarget) {
    Env env;
    struct Row {
        int start0, end0;
        unsigned id;
        int i, start, end;
        bool enabled;
    };
    const Row rows[] = {
        {-1, -1, cmd::TrkSelectWholeDay, 15, 10, 19, true},
        {-1, -1, cmd::TrkSelectWholeDay, 5, 5, 9, true},
        {-1, -1, cmd::TrkMarkStartOfDay, 9, 5, -1, true},
        {-1, -1, cmd::TrkSelectWholeSegment, 12, 12, 12, true},
        {-1, -1, cmd::TrkSelectWholeSegment, 9, 7, 11, true},
        {-1, -1, cmd::TrkSelectWholeSegment, 16, 13, 19, true},
        {-1, -1, cmd::TrkMarkStartOfSegment, 3, 0, -1, true},
        {15, -1, cmd::TrkSelectToThisPoint, 3, 15, 3, true},
        {15, -1, cmd::TrkSelectToEndOfDay, 2, 15, 4, true},
        {-1, -1, cmd::TrkSelectThisPoint, 20, -1, -1, false},
        {-1, -1, cmd::TrkSelectAll, 20, -1, -1, false},
    };
    for (const Row& r : rows) {
        env.log.SelStart = r.start0, env.log.SelEnd = r.end0;
        EXPECT_EQ(env.Run(r.id, r.i), r.enabled) << r.id << " on " << r.i;
        EXPECT_EQ(std::pair(env.log.SelStart, env.log.SelEnd), std::pair(r.start, r.end)) << r.id << " on " << r.i;
    }
}

// Join and break at the ends of the log, of segments and on a one-point segment.
TEST(TrackCommands, JoinAndBreakChangeOnlyTheirFlags) {
    struct Row {
        unsigned id;
        int i;
        bool enabled;
        std::set<int> flags;
    };
    const Row rows[] = {
        {cmd::TrkJoin, 7, true, {0, 12, 13}},     {cmd::TrkJoin, 11, true, {0, 7, 13}},
        {cmd::TrkJoin, 12, true, {0, 7}},         {cmd::TrkJoin, 0, false, kFlags},
        {cmd::TrkJoin, 19, false, kFlags},        {cmd::TrkBreakBefore, 19, true, {0, 7, 12, 13, 19}},
        {cmd::TrkBreakBefore, 12, false, kFlags}, {cmd::TrkBreakAfter, 11, false, kFlags},
        {cmd::TrkBreakAfter, 19, false, kFlags},  {cmd::TrkBreakAfter, 0, true, {0, 1, 7, 12, 13}},
        {cmd::TrkBreakAfter, 20, false, kFlags},  {cmd::TrkJoin, -1, false, kFlags},
    };
    for (const Row& r : rows) {
        Env env;
        EXPECT_EQ(env.Run(r.id, r.i), r.enabled) << r.id << " on " << r.i;
        EXPECT_EQ(env.Flags(), r.flags) << r.id << " on " << r.i;
    }
}

// Deleting the selection keeps the order, starts a segment after the gap and
// needs both ends inside the log and a yes.
TEST(TrackCommands, DeleteRemovesTheSelectedRange) {
    struct Row {
        int start, end, answer;
        int count;
        std::set<int> flags;
        bool asked;
    };
    const Row rows[] = {
        {5, 9, IDYES, 15, {0, 5, 7, 8}, true},   {9, 5, IDYES, 15, {0, 5, 7, 8}, true},
        {15, 19, IDYES, 15, kFlags, true},        {0, 19, IDYES, 0, {}, true},
        {5, 9, IDNO, 20, kFlags, true},           {5, -1, IDYES, 20, kFlags, false},
        {5, 20, IDYES, 20, kFlags, false},
    };
    for (const Row& r : rows) {
        Env env;
        env.log.SelStart = r.start, env.log.SelEnd = r.end;
        env.prompter.answers = {r.answer};
        env.Run(cmd::TrkSelDelete, -1);
        EXPECT_EQ(env.log.Count(), r.count) << r.start << ".." << r.end;
        EXPECT_EQ(env.Flags(), r.flags) << r.start << ".." << r.end;
        EXPECT_EQ(!env.prompter.texts.empty(), r.asked) << r.start << ".." << r.end;
        if (r.count == 15) {
            EXPECT_EQ(env.log.Points()[5].time, TimeOf(r.start == 15 ? 5 : 10));
        }
    }
}
