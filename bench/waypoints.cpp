// The waypoint database on a screen-sized area: 12 quadrants (4 x 3, about
// a screen of the PK250 map) holding 100,000 waypoints. Opening their bases
// beside a plain read of the same files into one buffer (the floor any open
// stands on), finding the nearest waypoint to a point, saving everything, and
// one change in a base that is not kept open.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "doc/VornaDoc.h"
#include "geo/GeoTransform.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

namespace {

constexpr int kRows = 3, kColumns = 4, kBases = kRows * kColumns, kWaypoints = 100000;
constexpr int kFirstRow = 10, kFirstColumn = 10;

int Quadrant(int k) { return (kFirstRow + k / kColumns) * 28 + kFirstColumn + k % kColumns; }

struct Area {
    std::string dir;
    CScriptedPrompter prompter;
    AppSettings settings;
    CMemoryCounters memory;
    CGeoTransform geo;
    std::unique_ptr<CVornaDoc> doc;

    Area() {
        char tmpl[] = "/tmp/vorna-bench-XXXXXX";
        dir = std::string(::mkdtemp(tmpl)) + "/";
        settings.startDirectory = dir;
        settings.wptBaseDir = dir;
        for (int s = 0; s < kMapTypeCount; ++s) settings.mapTypes[s] = DefaultMapType(s);
        doc = std::make_unique<CVornaDoc>(settings, DocServices{memory, geo, nullptr, true});
        std::mt19937 rng(7);
        for (int k = 0; k < kBases; ++k) {
            const int q = Quadrant(k);
            const int n = kWaypoints / kBases + (k < kWaypoints % kBases);
            std::vector<WaypointRecord> recs(static_cast<std::size_t>(n));
            const double west = 370000.0 + (q % 28) * 10000, south = 5210000.0 - (q / 28) * 10000;
            for (int i = 0; i < n; ++i) {
                WaypointRecord r = ZeroWaypointRecord();
                r.E = west + rng() % 10000;
                r.N = south + rng() % 10000;
                r.Flags = std::uint16_t(i % 5);
                SetWptName(r, QuadrantName(q) + std::to_string(i + 1));
                recs[std::size_t(i)] = r;
            }
            std::FILE* f = std::fopen(File(k).c_str(), "wb");
            std::fwrite(recs.data(), sizeof(WaypointRecord), recs.size(), f);
            std::fclose(f);
        }
    }
    ~Area() {
        doc.reset();
        std::filesystem::remove_all(dir);
    }
    std::string File(int k) const { return dir + QuadrantName(Quadrant(k)) + ".wdb"; }
    void OpenAll() {
        for (int k = 0; k < kBases; ++k) {
            doc->OpenQuadrantWptFile(Quadrant(k));
            doc->ClaimWptBase(Quadrant(k));
        }
    }
    void CloseAll() {
        for (int k = 0; k < kBases; ++k) doc->ReleaseWptBase(Quadrant(k), "bench");
        doc->CloseUnusedQuadrants();
    }
};

Area& TheArea() {
    static Area area;
    return area;
}

// The floor: the same twelve files read whole into one buffer.
void BM_PlainReadScreenBases(benchmark::State& state) {
    Area& a = TheArea();
    std::vector<char> buffer(std::size_t(kWaypoints) * sizeof(WaypointRecord) + 4096);
    for (auto _ : state) {
        std::size_t at = 0;
        for (int k = 0; k < kBases; ++k) {
            const int fd = ::open(a.File(k).c_str(), O_RDONLY | O_CLOEXEC);
            ssize_t got;
            while ((got = ::read(fd, buffer.data() + at, buffer.size() - at)) > 0) at += std::size_t(got);
            ::close(fd);
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::DoNotOptimize(at);
    }
    state.SetItemsProcessed(state.iterations() * kWaypoints);
}
BENCHMARK(BM_PlainReadScreenBases)->Unit(benchmark::kMillisecond);

void BM_OpenScreenBases(benchmark::State& state) {
    Area& a = TheArea();
    for (auto _ : state) {
        a.OpenAll();
        benchmark::DoNotOptimize(a.doc->Waypoints().Base(Quadrant(0)).Count);
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
        for (int k = 0; k < kBases; ++k) a.doc->Waypoints().Base(Quadrant(k)).Modified = 1;
        benchmark::DoNotOptimize(a.doc->SaveStoresAtExit(CVornaDoc::StoreExit::Commit));
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
        const WaypointRecord r = *a.doc->GetWptRecord(q, 0);
        if (!a.doc->SetWptLabelPosition(r, 0, (++k % 4) << 4)) state.SkipWithError("change refused");
    }
    state.SetBytesProcessed(state.iterations() * (kWaypoints / kBases) * (long long)sizeof(WaypointRecord));
}
BENCHMARK(BM_ChangeInUnclaimedBase)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
