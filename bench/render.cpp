// Full repaint of a 1920 x 1080 map pane of the sample region at zoom 1,
// with the segments already decoded (warm) and decoded during the paint
// (cold), for TK50 and TN10; beside them a plain memset of the pane's bytes,
// the floor a repaint is measured against.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "SampleRegionEnv.h"
#include "mapdraw/DrawDocument.h"
#include "mapdraw/MapTransforms.h"
#include "platform/Prompt.h"

namespace {

MapViewDesc PaneDesc(int series) {
    MapViewDesc d = BenchDesc(series);
    d.clientSize = {1920, 1080};
    // Centred on the region's middle (the generator's default block).
    const MapPoint c = MapToDevice(510000, 5080000, d, GeorefParams{});
    d.origin = {c.x - 960, c.y - 540};
    return d;
}

void Repaint(benchmark::State& state, bool warm) {
    int argc = 1;
    char name[] = "bench";
    char* argv[] = {name};
    static QGuiApplication* qapp = nullptr;
    if (!qapp) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        qapp = new QGuiApplication(argc, argv);
    }
    BenchEnv env;
    const MapViewDesc d = PaneDesc(int(state.range(0)));
    SegmentFlags flags(d.segmentCount, 0);
    QImage pane(1920, 1080, QImage::Format_RGB32);
    const CRectD none;
    for (auto _ : state) {
        if (!warm) {
            state.PauseTiming();
            env.doc->SelectActiveMapSegments(d, none, flags, 0);  // frees everything
            state.ResumeTiming();
        }
        QPainter dc(&pane);
        DrawDocument(*env.doc, dc, DrawTarget{}, d, nullptr, &flags);
    }
    // RENDER_PNG=path saves the last repaint, to look at it.
    if (const char* png = std::getenv("RENDER_PNG"))
        pane.save(QString::fromStdString(std::string(png) + "-" + std::to_string(state.range(0)) + ".png"));
    int loaded = 0;
    for (int i = 0; i < d.segmentCount; ++i) loaded += env.doc->SegmentPixels(d.mapType, i) != nullptr;
    state.counters["segments"] = loaded;
}

// The same bytes as the pane: one image written over and over (in cache),
// or several in turn so that every pass goes out to memory.
void BM_MemsetPane(benchmark::State& state) {
    std::vector<QImage> panes(std::size_t(state.range(0)), QImage(1920, 1080, QImage::Format_RGB32));
    for (QImage& p : panes) p.fill(0);
    std::size_t k = 0;
    for (auto _ : state) {
        QImage& p = panes[k++ % panes.size()];
        std::memset(p.bits(), int(k & 0xFF), std::size_t(p.sizeInBytes()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * 1920 * 1080 * 4);
}

void BM_RepaintWarm(benchmark::State& s) { Repaint(s, true); }
void BM_RepaintCold(benchmark::State& s) { Repaint(s, false); }

}  // namespace

BENCHMARK(BM_MemsetPane)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintWarm)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintCold)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
