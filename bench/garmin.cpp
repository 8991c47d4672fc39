// A 2,000-point track log download from the simulated receiver pacing its
// bytes at 9600 baud, against the time those bytes take on the line. The
// counters: line_s (line time of the received frames), ratio (transfer time
// over line time) for the whole operation and for the records alone, where
// identification's fixed waits do not count.

#include "gps/Garmin.h"

#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "doc/VornaDoc.h"
#include "geo/GeoTransform.h"
#include "platform/Prompt.h"
#include "platform/System.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

namespace {

using Clock = std::chrono::steady_clock;

// The simulator for one transfer: the shell prints its own pid, which the
// simulator then takes over, before the simulator prints the path to open.
FILE* StartSimulator(const std::string& options, std::string& path, pid_t& pid) {
    FILE* sim =
        ::popen(("echo $$; exec " + std::string(VORNA_TOOLS_DIR) + "/garmin-sim " + options).c_str(), "r");
    char line[256] = {};
    pid = sim && std::fgets(line, sizeof line, sim) ? pid_t(std::atol(line)) : -1;
    if (sim && std::fgets(line, sizeof line, sim)) path.assign(line, std::strcspn(line, "\n"));
    return sim;
}

// Bytes a frame takes on the wire, from its unstuffed bytes as logged.
std::size_t WireBytes(const std::string& line) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = line.find(": ") + 2; at + 4 <= line.size(); at += 4)
        bytes.push_back(std::uint8_t(std::atoi(line.c_str() + at)));
    if (bytes.size() < 6) return bytes.size();
    return BuildGarminFrame(bytes[1], bytes.data() + 3, bytes.size() - 6).size();
}

void TrackDownload(benchmark::State& state, const char* profile) {
    SetBeepAudible(false);
    CScriptedPrompter prompter;
    char dirTemplate[] = "/tmp/vorna-bench-garmin-XXXXXX";
    const std::string dir = std::string(::mkdtemp(dirTemplate)) + "/";
    AppSettings settings;
    settings.startDirectory = settings.wptBaseDir = settings.pendingWptBaseDir = settings.dmrDataDir = dir;
    settings.debugMode = 1;  // the frames received, to count their bytes
    CMemoryCounters memory;
    CGeoTransform geo;
    ApplyDatumParameters(geo, settings);

    double total = 0, records = 0, lineAll = 0, lineRecords = 0;
    for (auto _ : state) {
        std::string path;
        pid_t pid = -1;
        FILE* sim =
            StartSimulator(std::string("--baud 9600 --track-points 2000 --profile ") + profile, path, pid);
        auto doc = std::make_unique<CVornaDoc>(settings, DocServices{memory, geo});
        doc->ClearTrackLog(0);
        std::size_t bytesAll = 0, bytesRecords = 0;
        Clock::time_point recordsStart{};
        Garmin link(settings, geo,
                    GarminHost{[&](const std::string& s) {
                                   if (recordsStart == Clock::time_point{} &&
                                       s.find("Expecting") != std::string::npos)
                                       recordsStart = Clock::now();
                               },
                               [&] { return doc.get(); }, [](unsigned) { return true; },
                               [&](const std::string& line) {
                                   if (!line.starts_with("Recieved")) return;
                                   const std::size_t n = WireBytes(line);
                                   bytesAll += n;
                                   if (recordsStart != Clock::time_point{}) bytesRecords += n;
                               },
                               nullptr});
        const auto start = Clock::now();
        link.StartOperation(Garmin::OpDownloadTrack, path, 0);
        while (link.Step()) {
            pollfd p{link.PortHandle(), POLLIN, 0};
            ::poll(&p, 1, 100);
        }
        const auto end = Clock::now();
        if (doc->TrackLogStore().Count() != 2000) state.SkipWithError("the download did not complete");
        const double seconds = std::chrono::duration<double>(end - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        records += std::chrono::duration<double>(end - recordsStart).count();
        // 8N1: ten bits a byte.
        lineAll += double(bytesAll) * 10 / 9600;
        lineRecords += double(bytesRecords) * 10 / 9600;
        doc.reset();
        if (pid > 0) ::kill(pid, SIGTERM);
        if (sim) ::pclose(sim);
    }
    std::filesystem::remove_all(dir);
    state.counters["line_s"] = lineAll / double(state.iterations());
    state.counters["ratio"] = total / lineAll;
    state.counters["records_ratio"] = records / lineRecords;
}

}  // namespace

BENCHMARK_CAPTURE(TrackDownload, array, "array")->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(TrackDownload, table, "table")->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
