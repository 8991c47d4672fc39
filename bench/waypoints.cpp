// The waypoint database on a screen-sized area: 12 quadrants (4 x 3, about
// a screen of the PK250 map) holding 100,000 waypoints. Opening their bases,
// finding the nearest waypoint to a point, saving everything, and one change
// in a base that is not kept open.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "platform/Prompt.h"

namespace {

constexpr int kRows = 3, kColumns = 4, kWaypoints = 100000;
constexpr int kFirstRow = 10, kFirstColumn = 10;

int Quadrant(int k) { return (kFirstRow + k / kColumns) * 28 + kFirstColumn + k % kColumns; }

struct Area {
    std::string dir;
    CScriptedPrompter prompter;
    CVornaApp app;
    std::unique_ptr<CVornaDoc> doc;

    Area() {
        char tmpl[] = "/tmp/vorna-bench-XXXXXX";
        dir = std::string(::mkdtemp(tmpl)) + "/";
        app.startDirectory = dir;
        app.wptBaseDir = dir;
        app.newWptBaseFlag = 1;
        doc = std::make_unique<CVornaDoc>();
        std::mt19937 rng(7);
        const int bases = kRows * kColumns;
        for (int k = 0; k < bases; ++k) {
            const int q = Quadrant(k);
            const int n = kWaypoints / bases + (k < kWaypoints % bases);
            std::vector<WaypointRecord> recs(n);
            const double west = 370000.0 + (q % 28) * 10000, south = 5210000.0 - (q / 28) * 10000;
            for (int i = 0; i < n; ++i) {
                WaypointRecord r = ZeroWaypointRecord();
                r.E = west + rng() % 10000;
                r.N = south + rng() % 10000;
                r.Flags = std::uint16_t(i % 5);
                SetWptName(r, doc->GetQuadrantName(q) + std::to_string(i + 1));
                recs[i] = r;
            }
            std::FILE* f = std::fopen((dir + doc->GetQuadrantName(q) + ".wdb").c_str(), "wb");
            std::fwrite(recs.data(), sizeof(WaypointRecord), recs.size(), f);
            std::fclose(f);
        }
    }
    ~Area() {
        doc.reset();
        std::filesystem::remove_all(dir);
    }
    void OpenAll() {
        for (int k = 0; k < kRows * kColumns; ++k) {
            doc->OpenQuadrantWptFile(Quadrant(k));
            doc->ClaimWptBase(Quadrant(k));
        }
    }
    void CloseAll() {
        for (int k = 0; k < kRows * kColumns; ++k) doc->ReleaseWptBase(Quadrant(k), "bench");
        doc->CloseUnusedQuadrants();
    }
};

Area& TheArea() {
    static Area area;
    return area;
}

void BM_OpenScreenBases(benchmark::State& state) {
    Area& a = TheArea();
    for (auto _ : state) {
        a.OpenAll();
        benchmark::DoNotOptimize(a.doc->WptAutoBase[Quadrant(0)].Count);
        state.PauseTiming();
        a.CloseAll();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kWaypoints);
}
BENCHMARK(BM_OpenScreenBases)->Unit(benchmark::kMillisecond);

void BM_NearestWaypoint(benchmark::State& state) {
    Area& a = TheArea();
    a.OpenAll();
    std::mt19937 rng(11);
    const double west = 370000.0 + kFirstColumn * 10000, north = 5220000.0 - kFirstRow * 10000;
    int found = 0;
    for (auto _ : state) {
        const CPointD p(west + 1000 + rng() % (kColumns * 10000 - 2000),
                        north - 1000 - rng() % (kRows * 10000 - 2000));
        WaypointRecord hit;
        found += a.doc->GetClosestWptIndex(&hit, p, 100, 100) >= 0;
    }
    state.counters["found"] = benchmark::Counter(found, benchmark::Counter::kAvgIterations);
    a.CloseAll();
}
BENCHMARK(BM_NearestWaypoint)->Unit(benchmark::kMicrosecond);

void BM_SaveEverything(benchmark::State& state) {
    Area& a = TheArea();
    a.OpenAll();
    for (auto _ : state) {
        for (int k = 0; k < kRows * kColumns; ++k) a.doc->WptAutoBase[Quadrant(k)].Modified = 1;
        benchmark::DoNotOptimize(a.doc->SaveAllWptBases());
        a.doc->WriteWptCounters();
    }
    state.SetBytesProcessed(state.iterations() * kWaypoints * (long long)sizeof(WaypointRecord));
    a.CloseAll();
}
BENCHMARK(BM_SaveEverything)->Unit(benchmark::kMillisecond);

// One change to a waypoint whose base no view claims: the operation opens the
// base, and closing it at the end writes it (through a synced temporary file).
void BM_ChangeInUnclaimedBase(benchmark::State& state) {
    Area& a = TheArea();
    const int q = Quadrant(0);
    int k = 0;
    for (auto _ : state) {
        a.doc->OpenQuadrantWptFile(q);
        const WaypointRecord r = a.doc->WptAutoBase[q].Data[0];
        if (!a.doc->SetWptLabelPosition(r, 0, (++k % 4) << 4)) state.SkipWithError("change refused");
    }
    state.SetBytesProcessed(state.iterations() * (kWaypoints / (kRows * kColumns)) *
                            (long long)sizeof(WaypointRecord));
}
BENCHMARK(BM_ChangeInUnclaimedBase)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
