#pragma once
// A document with its waypoint folder in a temporary directory, a scripted
// prompter, fake waypoint dialogs and a view that records update hints.

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "AppDocEnv.h"

struct FakeWptDialogs : IWptDialogs {
    // Each waypoint dialog run takes the next function (it edits the record
    // and answers); none left: Cancel.
    std::deque<std::function<int(WaypointRecord&)>> wpt;
    struct Answer {
        int result;        // 1 OK or Replace, 2 Skip
        std::string name;  // typed name; empty keeps the proposed one
        int replace = 0;
    };
    std::deque<Answer> conflicts;
    std::vector<int> kinds;
    std::vector<WptConflictInfo> infos;
    int wptRuns = 0;

    int RunWptDialog(WaypointRecord& rec, const std::string&) override {
        ++wptRuns;
        if (wpt.empty()) return 2;
        auto f = wpt.front();
        wpt.pop_front();
        return f(rec);
    }
    int RunWptConflictDialog(WptConflictInfo& info, int kind) override {
        kinds.push_back(kind);
        infos.push_back(info);
        if (conflicts.empty()) return 2;
        Answer a = conflicts.front();
        conflicts.pop_front();
        if (!a.name.empty()) info.newName = a.name;
        info.result = a.replace;
        return a.result;
    }
};

struct WptEnv : AppDocEnv {
    FakeWptDialogs dialogs;
    HintRecorder view;

    WptEnv() { CreateFolders(false); }
    ~WptEnv() { doc.reset(); }  // before the dialogs and the view it uses
    CVornaDoc& Make() {
        AppDocEnv::Make();
        doc->SetWptDialogs(&dialogs);
        doc->AddView(&view);
        return *doc;
    }
    // Ends the document (it writes its stores) and starts a new one on the files.
    CVornaDoc& Reopen() {
        doc.reset();
        app.newWptBaseFlag = 0;
        return Make();
    }
    std::string WptFile(const std::string& name) const { return app.wptBaseDir + name; }
};

// Centre of the quadrant at (row, column).
inline CPointD QuadrantCentre(int row, int column) {
    return CPointD(370000.0 + column * 10000 + 5000, 5220000.0 - row * 10000 - 5000);
}
inline int QuadrantAt(int row, int column) { return row * 28 + column; }

inline WaypointRecord MakeWpt(const std::string& name, CPointD p, std::uint16_t flags = 0) {
    WaypointRecord r = ZeroWaypointRecord();
    r.E = p.easting;
    r.N = p.northing;
    r.Flags = flags;
    SetWptName(r, name);
    return r;
}

// Live records of every base, as "base:name@E,N/flags/comment", sorted; the
// selection mark is left out.
inline std::vector<std::string> LiveWaypoints(CVornaDoc& doc) {
    std::vector<std::string> out;
    for (int q = 0; q < kBaseCount; ++q) {
        if (!doc.OpenQuadrantWptFile(q)) continue;
        const WptBase& b = doc.WptAutoBase[q];
        for (int i = 0; i < b.Count; ++i) {
            const WaypointRecord& r = b.Data[i];
            if (WptIsDeleted(r)) continue;
            char pos[80];
            std::snprintf(pos, sizeof pos, "@%.3f,%.3f/%d/", r.E, r.N, r.Flags & ~kWptSelected);
            out.push_back(std::to_string(q) + ":" + WptName(r) + pos + WptComment(r));
        }
    }
    doc.CloseUnusedQuadrants();
    std::sort(out.begin(), out.end());
    return out;
}
