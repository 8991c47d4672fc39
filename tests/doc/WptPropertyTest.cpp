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
    std::string comment;
    int flags = 1;
    bool deleted = false;
};
using Model = std::map<int, std::vector<ModelRecord>>;

std::string NextAutoName(const Model& m, int q) {
    int highest = 0;
    if (auto it = m.find(q); it != m.end())
        for (const ModelRecord& r : it->second) highest = std::max(highest, std::atoi(r.name.c_str() + 2));
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", highest + 1);
    return QuadrantName(q) + buf;
}

// Live records as "base:name@E,N/flags/comment", sorted.
std::string Line(int q, const std::string& name, double E, double N, int flags, const std::string& comment) {
    char pos[80];
    std::snprintf(pos, sizeof pos, "@%.3f,%.3f/%d/", E, N, flags);
    return std::to_string(q) + ":" + name + pos + comment;
}
std::vector<std::string> Live(const Model& m) {
    std::vector<std::string> out;
    for (const auto& [q, recs] : m)
        for (const ModelRecord& r : recs)
            if (!r.deleted) out.push_back(Line(q, r.name, r.E, r.N, r.flags, r.comment));
    return std::sort(out.begin(), out.end()), out;
}
// The same from the document, without the selection mark.
std::vector<std::string> Live(CVornaDoc& doc) {
    std::vector<std::string> out;
    for (int q = 0; q < kBaseCount; ++q) {
        if (doc.GetLiveWptCount(q) == 0 && !doc.Waypoints().Base(q).Loaded) continue;
        for (int i = 0; doc.OpenQuadrantWptFile(q) && i < doc.Waypoints().Base(q).Count; ++i)
            if (const WaypointRecord r = Stored(doc, q, i); !WptIsDeleted(r))
                out.push_back(Line(q, WptName(r), r.E, r.N, r.Flags & ~kWptSelected, WptComment(r)));
    }
    doc.CloseUnusedQuadrants();
    return std::sort(out.begin(), out.end()), out;
}

void RunSequence(unsigned seed, int undoCapacity) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", undo capacity " + std::to_string(undoCapacity));
    DocEnv env;
    env.settings.minWaypointDistance = 0;  // distances are tested on their own
    env.settings.undoStackSize = undoCapacity;
    CVornaDoc* doc = &env.Make();
    const std::vector<int> idleClaims = doc->Waypoints().AllClaims();
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    auto randomPos = [&] { return CPointD(470000.0 + pick(20000), 5100000.0 - pick(20000)); };

    Model model;
    // The model before each undoable step, with its stack entries (a move
    // across bases takes two); a full stack drops whole steps, oldest first.
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
    // Answers the stack entries the move takes.
    auto moveModel = [&](int q, int i, CPointD p) {
        const int nq = q == kTempBase ? q : GetQuadrantIndex(p.easting, p.northing);
        ModelRecord& r = model[q][i];
        if (nq == q) return r.E = p.easting, r.N = p.northing, 1;
        ModelRecord moved{NextAutoName(model, nq), p.easting, p.northing, r.comment, r.flags};
        r.deleted = true;
        model[nq].push_back(moved);
        return 2;
    };
    auto docRecord = [&](int q, int i) {
        const WaypointRecord r = Stored(*doc, q, i);
        EXPECT_EQ(WptName(r), model[q][i].name) << "model and document disagree";
        return r;
    };

    for (int step = 0; step < 250; ++step) {
        const int op = pick(100);
        std::vector<std::pair<int, int>> live;
        for (const auto& [q, recs] : model)
            for (int i = 0; i < int(recs.size()); ++i)
                if (!recs[i].deleted) live.push_back({q, i});
        const auto [q, i] = live.empty() ? std::pair(0, 0) : live[std::size_t(pick(int(live.size())))];
        const Model before = model;
        if ((op < 30 || live.empty()) && pick(4) == 0) {  // import a temporary one
            const CPointD p = randomPos();
            const std::string name(1, char('P' + pick(4)));
            bool taken = false;
            for (const ModelRecord& r : model[kTempBase]) taken |= !r.deleted && r.name == name;
            ASSERT_EQ(doc->CreateWaypoint(p.easting, p.northing, WptCreateMode::Import, -1, name, "imp", 0),
                      !taken);
            if (!taken) {
                model[kTempBase].push_back(
                    {name, p.easting, p.northing, "imp", kWptTemporary | kWptImported});
                pushStep(before, 1);
            }
        } else if (op < 30 || live.empty()) {  // create by a click
            const CPointD p = randomPos();
            const int nq = GetQuadrantIndex(p.easting, p.northing);
            const std::string name = NextAutoName(model, nq);
            ASSERT_EQ(doc->CreateWaypoint(p.easting, p.northing, WptCreateMode::Click, 1, "", "", 0), 1);
            model[nq].push_back({name, p.easting, p.northing, ""});
            pushStep(before, 1);
        } else if (op < 50) {  // move
            const CPointD p = randomPos();
            ASSERT_EQ(doc->MoveWaypoint(docRecord(q, i), i, p), 1);
            pushStep(before, moveModel(q, i, p));
        } else if (op < 65) {  // edit the comment, and sometimes the position, through the dialog
            const std::string comment = pick(2) ? "c" + std::to_string(pick(3)) : "";
            const CPointD p = pick(3) == 0 ? randomPos() : CPointD(model[q][i].E, model[q][i].N);
            env.dialogs.wpt.push_back([comment, p](WaypointRecord& e) {
                SetWptComment(e, comment);
                return e.E = p.easting, e.N = p.northing, kWptDialogOk;
            });
            const bool changed =
                comment != model[q][i].comment || p.easting != model[q][i].E || p.northing != model[q][i].N;
            ASSERT_EQ(doc->EditWaypoint(docRecord(q, i), i), changed ? 1 : 0);
            if (changed) {
                model[q][i].comment = comment;
                pushStep(before, moveModel(q, i, p));
            }
        } else if (op < 80) {  // delete
            ASSERT_EQ(doc->DeleteWaypoint(docRecord(q, i), i), 1);
            model[q][i].deleted = true;
            pushStep(before, 1);
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
        ASSERT_EQ(doc->Waypoints().AllClaims(), idleClaims) << "every step gives back what it claims";
        for (const auto& [b, recs] : model)
            ASSERT_EQ(doc->GetLiveWptCount(b),
                      std::count_if(recs.begin(), recs.end(), [](auto& r) { return !r.deleted; }));
    }

    doc = &env.Reopen();
    EXPECT_EQ(Live(*doc), Live(model));
}

}  // namespace

TEST(WptProperty, RandomEditsSurviveSaveAndReloadLikeTheModel) {
    // Long undo chains, and stacks so small that they overflow all the time.
    const std::pair<unsigned, int> runs[] = {{1u, 1000}, {2u, 1000}, {3u, 5}, {4u, 3}, {5u, 2}, {6u, 1}};
    for (auto [seed, capacity] : runs) {
        RunSequence(seed, capacity);
        if (HasFatalFailure()) return;
    }
}
