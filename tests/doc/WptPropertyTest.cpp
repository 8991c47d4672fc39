// Random edits of the waypoint database, saved and reloaded, against a
// plain in-memory model of the bases.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "DocTestEnv.h"

namespace {

struct ModelRecord {
    std::string name;
    double E, N;
    int flags;
    std::string comment;
    bool deleted;
};
using Model = std::map<int, std::vector<ModelRecord>>;

std::string NextAutoName(const Model& m, int q, const std::string& prefix) {
    int highest = 0;
    auto it = m.find(q);
    if (it != m.end())
        for (const ModelRecord& r : it->second)
            if (r.name.compare(0, 2, prefix) == 0) highest = std::max(highest, std::atoi(r.name.c_str() + 2));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", highest + 1);
    return prefix + buf;
}

std::vector<std::string> Live(const Model& m) {
    std::vector<std::string> out;
    for (const auto& [q, recs] : m)
        for (const ModelRecord& r : recs) {
            if (r.deleted) continue;
            char pos[80];
            std::snprintf(pos, sizeof pos, "@%.3f,%.3f/%d/", r.E, r.N, r.flags);
            out.push_back(std::to_string(q) + ":" + r.name + pos + r.comment);
        }
    std::sort(out.begin(), out.end());
    return out;
}

void RunSequence(unsigned seed, int undoCapacity) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", undo capacity " + std::to_string(undoCapacity));
    DocEnv env;
    env.settings.minWaypointDistance = 0;  // distances are tested on their own
    env.settings.undoStackSize = undoCapacity;
    CVornaDoc* doc = &env.Make();
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    auto randomPos = [&] { return CPointD(470000.0 + pick(20000), 5100000.0 - pick(20000)); };

    Model model;
    // The model before each undoable step, with the number of stack entries
    // the step took (a move across bases takes two). A full stack loses its
    // oldest steps, a two-entry step as a whole.
    std::vector<std::pair<Model, int>> undo;
    int entries = 0;
    auto pushStep = [&](const Model& before, int n) {
        while (!undo.empty() && entries + n > undoCapacity) {
            entries -= undo.front().second;
            undo.erase(undo.begin());
        }
        if (n > undoCapacity) return;
        undo.push_back({before, n});
        entries += n;
    };
    // Moves the model's record (q, i) to p, as a move within or across bases.
    auto moveModel = [&](int q, int i, CPointD p) {
        const int nq = q == kTempBase ? q : CVornaDoc::GetQuadrantIndex(p.easting, p.northing);
        if (nq == q) {
            model[q][i].E = p.easting;
            model[q][i].N = p.northing;
            return 1;
        }
        ModelRecord moved = model[q][i];
        model[q][i].deleted = true;
        moved.name = NextAutoName(model, nq, doc->GetQuadrantName(nq));
        moved.E = p.easting;
        moved.N = p.northing;
        model[nq].push_back(moved);
        return 2;
    };
    auto liveList = [&] {
        std::vector<std::pair<int, int>> l;
        for (const auto& [q, recs] : model)
            for (int i = 0; i < int(recs.size()); ++i)
                if (!recs[i].deleted) l.push_back({q, i});
        return l;
    };
    auto docRecord = [&](int q, int i) {
        EXPECT_EQ(doc->OpenQuadrantWptFile(q), 1);
        const WaypointRecord* r = doc->GetWptRecord(q, i);
        EXPECT_NE(r, nullptr);
        EXPECT_EQ(WptName(*r), model[q][i].name) << "model and document disagree";
        return *r;
    };

    for (int step = 0; step < 250; ++step) {
        const int op = pick(100);
        const auto live = liveList();
        if (op < 30 || live.empty()) {  // create: automatic by a click, or an imported temporary one
            const CPointD p = randomPos();
            if (pick(4) == 0) {
                const std::string name = std::string(1, char('P' + pick(4)));
                bool taken = false;
                for (const ModelRecord& r : model[kTempBase]) taken |= !r.deleted && r.name == name;
                const int done = doc->CreateWaypoint(p.easting, p.northing, WptCreateMode::Import, -1, name, "imp", 0);
                ASSERT_EQ(done, taken ? 0 : 1);
                if (done) {
                    pushStep(model, 1);
                    model[kTempBase].push_back(
                        {name, p.easting, p.northing, kWptTemporary | kWptImported, "imp", false});
                }
            } else {
                const int q = CVornaDoc::GetQuadrantIndex(p.easting, p.northing);
                const std::string name = NextAutoName(model, q, doc->GetQuadrantName(q));
                ASSERT_EQ(doc->CreateWaypoint(p.easting, p.northing, WptCreateMode::Click, 1, "", "", 0), 1);
                pushStep(model, 1);
                model[q].push_back({name, p.easting, p.northing, 1, "", false});
            }
        } else if (op < 50) {  // move
            auto [q, i] = live[pick(int(live.size()))];
            const WaypointRecord r = docRecord(q, i);
            const CPointD p = randomPos();
            ASSERT_EQ(doc->MoveWaypoint(r, i, p), 1);
            const Model before = model;
            pushStep(before, moveModel(q, i, p));
        } else if (op < 65) {  // edit the comment, and sometimes the position, through the dialog
            auto [q, i] = live[pick(int(live.size()))];
            const std::string comment = pick(2) ? "c" + std::to_string(pick(3)) : "";
            const bool relocate = pick(3) == 0;
            const CPointD p = relocate ? randomPos() : CPointD(model[q][i].E, model[q][i].N);
            env.dialogs.wpt.push_back([comment, p](WaypointRecord& e) {
                SetWptComment(e, comment);
                e.E = p.easting;
                e.N = p.northing;
                return 1;
            });
            const bool changed =
                comment != model[q][i].comment || p.easting != model[q][i].E || p.northing != model[q][i].N;
            const int done = doc->EditWaypoint(docRecord(q, i), i);
            ASSERT_EQ(done, changed ? 1 : 0);
            if (done) {
                const Model before = model;
                model[q][i].comment = comment;
                pushStep(before, moveModel(q, i, p));
            }
        } else if (op < 80) {  // delete
            auto [q, i] = live[pick(int(live.size()))];
            ASSERT_EQ(doc->DeleteWaypoint(docRecord(q, i), i), 1);
            pushStep(model, 1);
            model[q][i].deleted = true;
        } else if (op < 97) {  // undo
            doc->Undo(0);
            if (!undo.empty()) {
                model = undo.back().first;
                entries -= undo.back().second;
                undo.pop_back();
            }
        } else {  // end the program and start again: the stack is gone
            doc = &env.Reopen();
            undo.clear();
            entries = 0;
        }
        ASSERT_EQ(doc->Waypoints().UndoStack().Count(), entries);
    }

    doc = &env.Reopen();
    EXPECT_EQ(LiveWaypoints(*doc), Live(model));
    for (const auto& [q, recs] : model) {
        int deleted = 0;
        for (const ModelRecord& r : recs) deleted += r.deleted;
        EXPECT_EQ(doc->Waypoints().Base(q).Count, int(recs.size())) << "base " << q;
        EXPECT_EQ(doc->Waypoints().Base(q).Deleted, deleted) << "base " << q;
    }
}

}  // namespace

TEST(WptProperty, RandomEditsSurviveSaveAndReloadLikeTheModel) {
    // Long undo chains, and stacks so small that they overflow all the time.
    const std::pair<unsigned, int> runs[] = {{1u, 1000}, {2u, 1000}, {3u, 5}, {4u, 2}, {5u, 1}};
    for (auto [seed, capacity] : runs) {
        RunSequence(seed, capacity);
        if (HasFatalFailure()) return;
    }
}
