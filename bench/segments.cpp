// Segment cache costs on the sample region: decoding one 1181 x 1181 ".mif"
// segment (against a copy of its decoded bytes) and the claim pass of a
// screen-sized map pane.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "SampleRegionEnv.h"
#include "platform/Prompt.h"

namespace {

// A 1100 x 700 pixel pane centred on the region's middle, in grid metres.
CRectD ScreenArea(int series, double shift) {
    const double mpp = 25.4 / 150 * DefaultMapType(series).scale / 1000;
    const double cE = 510000 + shift, cN = 5080000 + shift;
    CRectD a;
    a.E1 = cE - 550 * mpp;
    a.E2 = cE + 550 * mpp;
    a.N1 = cN + 350 * mpp;
    a.N2 = cN - 350 * mpp;
    return a;
}

template <bool (*Decode)(const std::uint8_t*, std::size_t, int, int, std::uint8_t*, std::size_t)>
void DecodeMifSegment(benchmark::State& state) {
    const std::string path = BenchRegion() + "maps/TK50/TK50NN.mif";
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        state.SkipWithError("no sample segment");
        return;
    }
    std::vector<std::uint8_t> file(4 << 20);
    file.resize(std::fread(file.data(), 1, file.size(), f));
    std::fclose(f);
    const std::size_t size = std::size_t(DibStride(1181)) * 1181;
    std::vector<std::uint8_t> out(size);
    for (auto _ : state) {
        const bool ok = Decode(file.data() + 32, file.size() - 32, 1181, 1181, out.data(), size);
        benchmark::DoNotOptimize(ok);
    }
    state.counters["packed_kB"] = double(file.size()) / 1024;
}

void BM_DecodeMifSegment(benchmark::State& state) { DecodeMifSegment<DecodeMifPixels>(state); }
BENCHMARK(BM_DecodeMifSegment)->Unit(benchmark::kMillisecond);

// The decoder for processors without AVX2.
void BM_DecodeMifSegmentPortable(benchmark::State& state) {
    DecodeMifSegment<DecodeMifPixelsPortable>(state);
}
BENCHMARK(BM_DecodeMifSegmentPortable)->Unit(benchmark::kMillisecond);

// A segment read on demand: the check of its codes that finds where each
// row starts, then the 350 rows a first view of a segment corner decodes.
void BM_IndexMifSegmentAndDecodeAThird(benchmark::State& state) {
    const std::string path = BenchRegion() + "maps/TK50/TK50NN.mif";
    std::string file(4 << 20, '\0');
    std::FILE* f = std::fopen(path.c_str(), "rb");
    file.resize(f ? std::fread(file.data(), 1, file.size(), f) : 0);
    if (f) std::fclose(f);
    if (file.size() <= 32) {
        state.SkipWithError("no sample segment");
        return;
    }
    const std::size_t length = file.size() - 32;
    std::vector<std::uint8_t> out(std::size_t(DibStride(1181)) * 1181);
    const bool decode = state.range(0) != 0;
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> packed(new std::uint8_t[length]);
        std::memcpy(packed.get(), file.data() + 32, length);
        std::unique_ptr<CMifRows> rows = CMifRows::Index(std::move(packed), length, 1181, 1181);
        if (!rows) {
            state.SkipWithError("refused");
            return;
        }
        if (decode) rows->DecodeRows(0, 349, out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_IndexMifSegmentAndDecodeAThird)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The yardstick for the decode: copying the decoded bytes of one segment.
void BM_CopyDecodedSegment(benchmark::State& state) {
    const std::size_t size = std::size_t(DibStride(1181)) * 1181;
    std::vector<std::uint8_t> from(size, 0x11), to(size);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), size);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyDecodedSegment)->Unit(benchmark::kMillisecond);

// Zeroing a segment buffer, which the reader left to the decoder (that writes
// every byte) when it stopped clearing new buffers.
void BM_ZeroSegmentBuffer(benchmark::State& state) {
    std::vector<std::uint8_t> out(std::size_t(DibStride(1181)) * 1181);
    for (auto _ : state) {
        std::fill(out.begin(), out.end(), 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ZeroSegmentBuffer)->Unit(benchmark::kMillisecond);

void BM_ReadMifSegmentFromFile(benchmark::State& state) {
    const std::string path = BenchRegion() + "maps/TK50/TK50NN.mif";
    for (auto _ : state) {
        LoadedSegment seg;
        if (ReadMifSegment(path, 1181, seg) != SegmentFileResult::Ok) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(seg.data.get());
    }
}
BENCHMARK(BM_ReadMifSegmentFromFile)->Unit(benchmark::kMillisecond);

// Claim pass from an empty cache: every segment under the pane is decoded.
void BM_ClaimPassCold(benchmark::State& state) {
    CScriptedPrompter prompter;
    BenchEnv env;
    const int series = int(state.range(0));
    const MapViewDesc d = BenchDesc(series);
    SegmentFlags flags;
    int loaded = 0;
    for (auto _ : state) {
        env.doc->SelectActiveMapSegments(d, ScreenArea(series, 0), flags, 0);
        state.PauseTiming();
        loaded = 0;
        for (std::size_t i = 0; i < flags.size(); ++i)
            loaded += flags[i] && env.doc->SegmentPixels(series, int(i));
        env.doc->SelectActiveMapSegments(d, CRectD(), flags, 0);
        state.ResumeTiming();
    }
    state.counters["segments"] = loaded;
}
BENCHMARK(BM_ClaimPassCold)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// Claim pass of a pane scrolled by a few metres: nothing to load.
void BM_ClaimPassWarm(benchmark::State& state) {
    CScriptedPrompter prompter;
    BenchEnv env;
    const int series = int(state.range(0));
    const MapViewDesc d = BenchDesc(series);
    SegmentFlags flags;
    int k = 0;
    for (auto _ : state) env.doc->SelectActiveMapSegments(d, ScreenArea(series, (k++ & 7) * 5.0), flags, 0);
}
BENCHMARK(BM_ClaimPassWarm)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

// Repaint at the edge of the data: every segment under the pane is missing
// and is looked for again on each pass, in a folder of many other files
// (a full TN10 set holds 19600).
void BM_ClaimPassMissingSegments(benchmark::State& state) {
    CScriptedPrompter prompter;
    BenchEnv env;
    const int files = int(state.range(0));
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("vorna-bench-folder-" + std::to_string(files))).string() +
        "/";
    if (!std::filesystem::exists(dir + "done")) {
        std::filesystem::create_directories(dir);
        for (int i = 0; i < files; ++i)
            if (std::FILE* f = std::fopen((dir + "TN10X" + std::to_string(i) + ".mif").c_str(), "wb"))
                std::fclose(f);
        if (std::FILE* f = std::fopen((dir + "done").c_str(), "wb")) std::fclose(f);
    }
    const int series = 3;
    env.doc->Series(series).directory = dir;
    const MapViewDesc d = BenchDesc(series);
    SegmentFlags flags;
    int k = 0;
    for (auto _ : state) env.doc->SelectActiveMapSegments(d, ScreenArea(series, (k++ & 7) * 5.0), flags, 0);
    int claimed = 0;
    for (std::int32_t f : flags) claimed += f != 0;
    state.counters["missing"] = claimed;
}
BENCHMARK(BM_ClaimPassMissingSegments)->Arg(0)->Arg(20000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
