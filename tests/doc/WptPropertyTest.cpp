// Random edits of the waypoint database, saved and reloaded, against a
// plain in-memory model of the bases.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "WptTestEnv.h"

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

void RunSequence(unsigned seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    WptEnv env;
    env.app.minWaypointDistance = 0;  // distances are tested on their own
    env.app.undoStackSize = 1000;
    CVornaDoc* doc = &env.Make();
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    auto randomPos = [&] { return CPointD(470000.0 + pick(20000), 5100000.0 - pick(20000)); };

    Model model;
    std::vector<Model> undo;  // the model before each undoable step
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
                const int done = doc->CreateWaypoint(p.easting, p.northing, 2, -1, name, "imp", 0);
                ASSERT_EQ(done, taken ? 0 : 1);
                if (done) {
                    undo.push_back(model);
                    model[kTempBase].push_back(
                        {name, p.easting, p.northing, kWptTemporary | kWptImported, "imp", false});
                }
            } else {
                const int q = CVornaDoc::GetQuadrantIndex(p.easting, p.northing);
                const std::string name = NextAutoName(model, q, doc->GetQuadrantName(q));
                ASSERT_EQ(doc->CreateWaypoint(p.easting, p.northing, 0, 1, "", "", 0), 1);
                undo.push_back(model);
                model[q].push_back({name, p.easting, p.northing, 1, "", false});
            }
        } else if (op < 50) {  // move
            auto [q, i] = live[pick(int(live.size()))];
            const WaypointRecord r = docRecord(q, i);
            const CPointD p = randomPos();
            const int nq = q == kTempBase ? q : CVornaDoc::GetQuadrantIndex(p.easting, p.northing);
            ASSERT_EQ(doc->MoveWaypoint(r, i, p), 1);
            undo.push_back(model);
            if (nq == q) {
                model[q][i].E = p.easting;
                model[q][i].N = p.northing;
            } else {
                ModelRecord moved = model[q][i];
                model[q][i].deleted = true;
                moved.name = NextAutoName(model, nq, doc->GetQuadrantName(nq));
                moved.E = p.easting;
                moved.N = p.northing;
                model[nq].push_back(moved);
            }
        } else if (op < 65) {  // edit the comment through the dialog
            auto [q, i] = live[pick(int(live.size()))];
            const std::string comment = pick(2) ? "c" + std::to_string(pick(3)) : "";
            env.dialogs.wpt.push_back([comment](WaypointRecord& e) {
                SetWptComment(e, comment);
                return 1;
            });
            const int done = doc->EditWaypoint(docRecord(q, i), i);
            ASSERT_EQ(done, comment != model[q][i].comment ? 1 : 0);
            if (done) {
                undo.push_back(model);
                model[q][i].comment = comment;
            }
        } else if (op < 80) {  // delete
            auto [q, i] = live[pick(int(live.size()))];
            ASSERT_EQ(doc->DeleteWaypoint(docRecord(q, i), i), 1);
            undo.push_back(model);
            model[q][i].deleted = true;
        } else if (op < 97) {  // undo
            doc->Undo(0);
            if (!undo.empty()) {
                model = undo.back();
                undo.pop_back();
            }
        } else {  // end the program and start again: the stack is gone
            doc = &env.Reopen();
            undo.clear();
        }
        ASSERT_EQ(doc->UndoCount > 0, !undo.empty());
    }

    doc = &env.Reopen();
    EXPECT_EQ(LiveWaypoints(*doc), Live(model));
    for (const auto& [q, recs] : model) {
        int deleted = 0;
        for (const ModelRecord& r : recs) deleted += r.deleted;
        EXPECT_EQ(doc->WptAutoBase[q].Count, int(recs.size())) << "base " << q;
        EXPECT_EQ(doc->WptAutoBase[q].Deleted, deleted) << "base " << q;
    }
}

}  // namespace

TEST(WptProperty, RandomEditsSurviveSaveAndReloadLikeTheModel) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        RunSequence(seed);
        if (HasFatalFailure()) return;
    }
}
