// The integrity check of a healthy database: 100,000 waypoints in 100 bases
// (a 10 x 10 block of quadrants), counter files that agree, nothing to
// repair. Each pass starts from a database with nothing loaded, so loading
// every base is part of the figure.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "doc/WptDatabase.h"
#include "geo/GeoTransform.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

namespace {

constexpr int kSide = 10, kBases = kSide * kSide, kWaypoints = 100000;
constexpr int kFirstRow = 9, kFirstColumn = 9;

int Quadrant(int k) { return (kFirstRow + k / kSide) * 28 + kFirstColumn + k % kSide; }

struct Database {
    std::string dir;
    AppSettings settings;
    CMemoryCounters memory;
    CGeoTransform geo;

    Database() {
        char tmpl[] = "/tmp/vorna-bench-integrity-XXXXXX";
        dir = std::string(::mkdtemp(tmpl)) + "/";
        settings.startDirectory = dir;
        settings.wptBaseDir = dir;
        std::vector<std::int32_t> counts(kBaseCount, 0), deleted(kBaseCount, 0);
        std::mt19937 rng(5);
        for (int k = 0; k < kBases; ++k) {
            const int q = Quadrant(k);
            const int n = kWaypoints / kBases;
            std::vector<WaypointRecord> recs(static_cast<std::size_t>(n));
            const double west = 370000.0 + (q % 28) * 10000, south = 5210000.0 - (q / 28) * 10000;
            for (int i = 0; i < n; ++i) {
                WaypointRecord r = ZeroWaypointRecord();
                r.E = west + rng() % 10000;
                r.N = south + rng() % 10000;
                r.Flags = std::uint16_t(i % 5 | (i % 4) << 4);
                SetWptName(r, QuadrantName(q) + std::to_string(i + 1));
                SetWptComment(r, "bench");
                recs[std::size_t(i)] = r;
            }
            Write(QuadrantName(q) + ".wdb", recs.data(), recs.size() * sizeof(WaypointRecord));
            counts[std::size_t(q)] = n;
        }
        Write("WAutoCnt.dat", counts.data(), counts.size() * 4);
        Write("WAutoDel.dat", deleted.data(), deleted.size() * 4);
    }
    ~Database() { std::filesystem::remove_all(dir); }
    void Write(const std::string& name, const void* data, std::size_t size) {
        std::FILE* f = std::fopen((dir + name).c_str(), "wb");
        if (f) {
            std::fwrite(data, 1, size, f);
            std::fclose(f);
        }
    }
};

void BM_IntegrityCheckHealthyDatabase(benchmark::State& state) {
    static Database data;
    CScriptedPrompter prompter;
    for (auto _ : state) {
        auto db = std::make_unique<CWptDatabase>(data.settings,
                                                 DocServices{data.memory, data.geo, nullptr, false}, nullptr);
        db->Open();
        prompter.texts.clear();
        if (db->CheckDatabaseIntegrity() != 1 || prompter.texts.size() != 1)
            state.SkipWithError(prompter.texts.empty() ? "no summary" : prompter.texts.front().c_str());
        state.PauseTiming();  // freeing the database is not part of the check
        db.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kWaypoints);
}
BENCHMARK(BM_IntegrityCheckHealthyDatabase)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
