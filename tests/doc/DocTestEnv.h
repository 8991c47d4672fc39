#pragma once
// A document over plain settings, memory counters and a transform (no
// application object), with its folders in a temporary directory (tmp/wpt/,
// tmp/dmr/, tmp/maps/<series>/), a scripted prompter, fake waypoint dialogs
// and a view that records update hints.

#include <gtest/gtest.h>

#include <QDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "doc/VornaDoc.h"
#include "geo/GeoTransform.h"
#include "platform/AtomicFile.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

struct FakeWptDialogs : IWptDialogs {
    // Each dialog run takes the next scripted answer; none left: Cancel.
    std::deque<std::function<int(WaypointRecord&)>> wpt;
    struct Answer {
        int result;        // kWptDialogOk, or 2 Skip
        std::string name;  // typed name; empty keeps the proposed one
        int replace = kWptConflictOk;
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

struct HintRecorder : IDocView {
    std::vector<long> hints;
    std::vector<WaypointRecord> records;  // waypoint-hint objects
    void OnUpdate(IDocView*, long hint, const void* obj) override {
        hints.push_back(hint);
        if (hint == kHintWaypoint && obj) records.push_back(*static_cast<const WaypointRecord*>(obj));
    }
};

// A prompter that also runs a step whenever a box opens (what an idle pass
// or a paint may do while a box is up).
struct HookedPrompter : CScriptedPrompter {
    std::function<void()> onBox;
    int MessageBox(const std::string& text, unsigned type) override {
        if (onBox) onBox();
        return CScriptedPrompter::MessageBox(text, type);
    }
};

struct DocEnv {
    TempDir tmp;
    HookedPrompter prompter;
    AppSettings settings;
    CMemoryCounters mem;
    CGeoTransform geo;
    bool newDatabase = true;  // the first document has no counter files
    FakeWptDialogs dialogs;
    HintRecorder view;
    std::unique_ptr<CVornaDoc> doc;

    DocEnv() {
        settings.startDirectory = tmp.dir();
        settings.wptBaseDir = tmp.dir() + "wpt/";
        settings.dmrDataDir = tmp.dir() + "dmr/";
        for (int s = 0; s < kMapTypeCount; ++s)
            (settings.mapTypes[s] = DefaultMapType(s)).directory =
                tmp.dir() + "maps/" + DefaultMapType(s).name + "/";
        QDir().mkpath(QString::fromStdString(settings.wptBaseDir));
    }
    ~DocEnv() { doc.reset(); }  // before the dialogs and the view it uses

    CVornaDoc& Make() {
        doc = std::make_unique<CVornaDoc>(settings, DocServices{mem, geo, nullptr, newDatabase});
        newDatabase = false;
        doc->SetWptDialogs(&dialogs);
        doc->AddView(&view);
        return *doc;
    }
    // Ends the document (it writes its stores) and starts a new one on the files.
    CVornaDoc& Reopen() {
        doc.reset();
        return Make();
    }
    CWptDatabase& Db() { return doc->Waypoints(); }
    std::string WptFile(const std::string& name) const { return settings.wptBaseDir + name; }
    void ApplyDatum() { ApplyDatumParameters(geo, settings); }
    // A pane of the series with every layer on.
    static MapViewDesc Desc(int series) {
        MapViewDesc d;
        SetSeriesGeometry(d, series, DefaultMapType(series));
        std::fill(std::begin(d.layers), std::end(d.layers), 1);
        return d;
    }
};

struct WriteFault {
    explicit WriteFault(std::function<bool(const std::string&)> f) { SetAtomicWriteFaultHook(std::move(f)); }
    ~WriteFault() { SetAtomicWriteFaultHook(nullptr); }
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

// Appends a record to a base without any check (the base is then modified).
inline bool PutWpt(CWptDatabase& db, int q, const WaypointRecord& r) {
    if (!db.OpenQuadrantWptFile(q)) return false;
    WptBase& b = db.Base(q);
    if (b.Count >= b.Capacity && !db.ReallocateBase(b)) return false;
    b.Data[std::size_t(b.Count++)] = r;
    if (WptIsDeleted(r)) ++b.Deleted;
    b.Modified = 1;
    return true;
}

// A copy of record (q, i), its base opened.
inline WaypointRecord Stored(CVornaDoc& doc, int q, int i) {
    EXPECT_EQ(doc.OpenQuadrantWptFile(q), 1);
    const WaypointRecord* r = doc.GetWptRecord(q, i);
    EXPECT_NE(r, nullptr);
    return r ? *r : ZeroWaypointRecord();
}

inline void PutLE(std::string& b, std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + std::size_t(i)] = char(v >> (8 * i));
}

// A bitmap file: headers, paletteBytes of palette (byte i = i), rows of
// rowBytes bytes (byte = row * 16 + column), then extra trailing bytes.
inline std::string BmpBytes(int w, int h, int bits, std::uint32_t paletteBytes, int extra = 0) {
    const std::uint32_t row = std::uint32_t((w * bits + 31) / 32 * 4);
    std::string b(54 + paletteBytes + row * std::uint32_t(h) + std::uint32_t(extra), '\0');
    const std::uint32_t fields[][3] = {
        {0, 0x4D42, 2}, {2, std::uint32_t(b.size()), 4}, {10, 54 + paletteBytes, 4},
        {14, 40, 4},    {18, std::uint32_t(w), 4},       {22, std::uint32_t(h), 4},
        {26, 1, 2},     {28, std::uint32_t(bits), 2}};
    for (const auto& f : fields) PutLE(b, f[0], f[1], int(f[2]));
    for (std::uint32_t i = 0; i < paletteBytes; ++i) b[54 + i] = char(i);
    for (std::uint32_t y = 0; y < std::uint32_t(h); ++y)
        for (std::uint32_t x = 0; x < row; ++x) b[54 + paletteBytes + y * row + x] = char(y * 16 + x);
    for (int i = 0; i < extra; ++i) b[b.size() - 1 - std::size_t(i)] = char(0xEE);
    return b;
}

// A damaged copy of good, for the sanitizer runs: a third cut short, the rest
// with 1 to changes bytes replaced, half of them in the first header bytes.
inline std::string Damaged(Mix& r, const std::string& good, std::uint32_t header, std::uint32_t changes) {
    std::string b = good;
    if (r.Next(3) == 0) return b.substr(0, r.Next(std::uint32_t(b.size())));
    for (std::uint32_t k = 1 + r.Next(changes); k > 0; --k)
        b[r.Next(2) ? r.Next(header) : r.Next(std::uint32_t(b.size()))] =
            char(r.Next(4) == 0 ? 0x80 | r.Next(128) : r.Next(256));
    return b;
}
