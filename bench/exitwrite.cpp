// The end of the program with a large track log (2,000,000 points, 48 MB):
// the document's destruction, which writes every store that needs it, once
// with the log as it was read and once after one point was added.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "doc/VornaDoc.h"
#include "geo/GeoTransform.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

namespace {

constexpr int kPoints = 2000000;

struct Folder {
    std::string dir;
    CScriptedPrompter prompter;
    AppSettings settings;
    CMemoryCounters memory;
    CGeoTransform geo;

    Folder() {
        char tmpl[] = "/tmp/vorna-bench-XXXXXX";
        dir = std::string(::mkdtemp(tmpl)) + "/";
        settings.startDirectory = dir;
        settings.wptBaseDir = dir;
        for (int s = 0; s < kMapTypeCount; ++s) settings.mapTypes[s] = DefaultMapType(s);
        std::vector<TrackPoint> points(kPoints);
        for (int i = 0; i < kPoints; ++i) {
            points[std::size_t(i)].position = CPointD(400000.0 + i % 50000, 5100000.0 + i / 50000);
            points[std::size_t(i)].time = 1000000000 + i;
            points[std::size_t(i)].segmentStart = i % 5000 == 0;
        }
        std::FILE* f = std::fopen((dir + "TrackLog.dat").c_str(), "wb");
        std::fwrite(points.data(), sizeof(TrackPoint), points.size(), f);
        std::fclose(f);
    }
    ~Folder() { std::filesystem::remove_all(dir); }
    std::unique_ptr<CVornaDoc> Open() {
        return std::make_unique<CVornaDoc>(settings, DocServices{memory, geo, nullptr, false});
    }
};

Folder& TheFolder() {
    static Folder folder;
    return folder;
}

void ExitWith(benchmark::State& state, bool change) {
    Folder& f = TheFolder();
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = f.Open();
        if (change) doc->TrackLogStore().Append(doc->TrackLogStore().Points()[0]);
        state.ResumeTiming();
        doc.reset();
        state.PauseTiming();
        // The next round starts from the same 2,000,000 points.
        if (change) std::filesystem::resize_file(f.dir + "TrackLog.dat", kPoints * sizeof(TrackPoint));
        state.ResumeTiming();
    }
}

void BM_ExitWithUnchangedTrackLog(benchmark::State& state) { ExitWith(state, false); }
BENCHMARK(BM_ExitWithUnchangedTrackLog)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExitWithChangedTrackLog(benchmark::State& state) { ExitWith(state, true); }
BENCHMARK(BM_ExitWithChangedTrackLog)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
BENCHMARK_MAIN();
