// Live NMEA reception: a burst of 1,000 fixes through a pseudo-terminal into
// the track log, the handling of one pass's sentences in memory, and the
// processor time the idle hook takes over ten seconds with the port open and
// silent.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <string>

#include "doc/TrackLogStore.h"
#include "geo/GeoTransform.h"
#include "gps/NmeaReceiver.h"
#include "platformui/IdleDriver.h"
#include "root/IdleHook.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

// The sentence builder and pseudo-terminal of the reception tests.
#include "../tests/gps/NmeaLines.h"

namespace {

std::string Fix(int i) {
    char body[128];
    std::snprintf(body, sizeof body, "GPGGA,1235%02d,4807.%03d,N,01131.%03d,E,1,08,0.9,545.4,M,46.9,M,,",
                  i % 60, i % 1000, (i * 7) % 1000);
    return NmeaLine(body);
}

std::string Burst(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += Fix(i);
    return s;
}

struct Reception {
    std::FILE* noLog = nullptr;
    AppSettings settings;
    CGeoTransform geo;
    CMemoryCounters memory;
    CTrackLogStore log{settings, memory};
    CNmeaReceiver rx{settings, geo, noLog};
    Reception() {
        ApplyDatumParameters(geo, settings);
        settings.gpsLogIntervalSeconds = 10;
        log.Clear(0);
    }
    // The port on a fresh pseudo-terminal; false when none can be had.
    bool OpenOnPty() {
        settings.gpsPort = pty.slave;
        return rx.OpenGpsPort();
    }
    NmeaPty pty;
};

// 1,000 sentences written into the far end as fast as it takes them and
// read by passes until every one is handled.
void BM_BurstThroughPty(benchmark::State& state) {
    Reception r;
    if (!r.OpenOnPty()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    const std::string burst = Burst(1000);
    for (auto _ : state) {
        std::size_t at = 0;
        int handled = 0;
        while (handled < 1000) {
            if (at < burst.size()) {
                const ssize_t w = ::write(r.pty.master, burst.data() + at, burst.size() - at);
                if (w > 0) at += std::size_t(w);
            }
            handled += r.rx.Receive(&r.log).sentences;
        }
        state.PauseTiming();
        r.log.Clear(0);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_BurstThroughPty)->Unit(benchmark::kMillisecond);

// The handling alone: one pass's worth of sentences (10) from memory.
void BM_HandleTenSentences(benchmark::State& state) {
    Reception r;
    const std::string ten = Burst(10);
    NmeaPass pass;
    for (auto _ : state) {
        r.rx.Feed(ten.data(), ten.size(), &r.log, pass);
        if (r.log.Count() > 100000) r.log.Clear(0);
    }
    state.SetItemsProcessed(state.iterations() * 10);
}
BENCHMARK(BM_HandleTenSentences)->Unit(benchmark::kMicrosecond);

// The event loop with the idle driver and the hook, the port open and no
// data, for ten seconds: the share of one core the process used.
void BM_IdleCpuWithSilentPort(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "bench_nmea";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    Reception r;
    if (!r.OpenOnPty()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    for (auto _ : state) {
        CIdleDriver driver;
        CIdleHook hook(
            r.rx, r.settings, [] { return nullptr; }, CIdleHook::Frame{});
        hook.Attach(driver);
        driver.Start();
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        QTimer::singleShot(10000, &app, &QCoreApplication::quit);
        app.exec();
        getrusage(RUSAGE_SELF, &after);
        const auto us = [](const timeval& t) { return double(t.tv_sec) * 1e6 + double(t.tv_usec); };
        const double cpu =
            us(after.ru_utime) - us(before.ru_utime) + us(after.ru_stime) - us(before.ru_stime);
        state.counters["cpu_percent"] = cpu / 10e6 * 100.0;
        state.counters["passes"] = double(driver.Passes());
        driver.Stop();
    }
}
BENCHMARK(BM_IdleCpuWithSilentPort)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
