// make-sample-region OUTDIR [--seed N] [--size QUADRANTS]
//
// Writes a small synthetic region for tests, benchmarks and the demo run:
// elevation files for a block of quadrants in the middle of the grid area,
// segment files of all five map series over that block (colour layers drawn
// from the terrain; the orthophoto series as grey relief), the folders, an
// example waypoint base, track log and 3-D view (SampleContent.h) and OUTDIR/config/vornamap.ini.
// The same seed gives the same files.

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "SampleContent.h"
#include "SampleImageMap.h"
#include "SegmentWriters.h"
#include "doc/SegmentCache.h"

namespace fs = std::filesystem;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct SeriesInfo {
    const char* name;
    int perSide;
    int pixels;
    int metres;
    double contour;  // contour interval, metres
    int div;         // segment name rule: digits for TK25 (2) and TN10 (5)
};
const SeriesInfo kSeries[5] = {
    {"PK250", 28, 236, 10000, 100, 1}, {"TK50", 28, 1181, 10000, 20, 1}, {"TK25", 56, 1181, 5000, 10, 2},
    {"TN10", 140, 1181, 2000, 5, 5},   {"OF50", 28, 1181, 10000, 0, 1},
};

char Letter(int k) { return k < 1 ? '-' : k > 26 ? '+' : char('A' + k - 1); }

std::string SegmentName(int series, int row, int col) {
    const int d = kSeries[series].div;
    std::string s{Letter(row / d), Letter(col / d)};
    if (d > 1) {
        s += char('0' + row % d);
        s += char('0' + col % d);
    }
    return s;
}

// Small deterministic generator (splitmix64): the same stream on every
// platform, unlike the standard distributions.
struct Rng {
    std::uint64_t s;
    std::uint64_t Next() {
        std::uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform(double a, double b) { return a + (b - a) * double(Next() >> 11) / double(1ull << 53); }
};

double LatticeValue(std::uint64_t seed, long long i, long long j) {
    Rng r{seed ^ (std::uint64_t(i) * 0x9E3779B1ull) ^ (std::uint64_t(j) * 0x85EBCA77C2B2AE63ull)};
    r.Next();
    return r.Uniform(-1.0, 1.0);
}

double ValueNoise(std::uint64_t seed, double x, double y) {
    const double fx = std::floor(x), fy = std::floor(y);
    const long long i = (long long)fx, j = (long long)fy;
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const double a = LatticeValue(seed, i, j), b = LatticeValue(seed, i + 1, j);
    const double c = LatticeValue(seed, i, j + 1), d = LatticeValue(seed, i + 1, j + 1);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

struct River {
    double x0, amp, wave, phase;
    double X(double y) const { return x0 + amp * std::sin(2 * kPi * y / wave + phase); }
};

struct Village {
    double x, y;
    std::string name;
};

// The synthetic land over the block, in metres from its south-west corner.
struct Terrain {
    double side = 0;            // block side, metres
    double step = 25;           // grid spacing
    int n = 0;                  // grid nodes per side
    std::vector<float> height;  // metres
    std::vector<float> water;   // distance to water, metres (0 inside lakes)
    std::vector<std::uint8_t> forest;
    std::vector<River> rivers;
    std::vector<std::pair<double, double>> lakes;  // centre; radius in lakeR
    std::vector<double> lakeR;
    std::vector<std::vector<std::pair<double, double>>> roads;
    std::vector<Village> villages;

    void Build(std::uint64_t seed, double sideMetres) {
        side = sideMetres;
        n = int(side / step) + 2;
        Rng rng{seed};
        const int riverCount = 2;
        for (int i = 0; i < riverCount; ++i)
            rivers.push_back({side * (0.25 + 0.5 * i) + rng.Uniform(-0.05, 0.05) * side,
                              rng.Uniform(600, 1500), rng.Uniform(5000, 9000), rng.Uniform(0, 2 * kPi)});
        for (const River& r : rivers) {
            const double y = rng.Uniform(0.2, 0.8) * side;
            lakes.push_back({r.X(y), y});
            lakeR.push_back(rng.Uniform(250, 500));
        }
        const double p1 = rng.Uniform(0, 6.28), p2 = rng.Uniform(0, 6.28), p3 = rng.Uniform(0, 6.28);
        const std::uint64_t noiseSeed = rng.Next();

        height.assign(std::size_t(n) * n, 0);
        water.assign(std::size_t(n) * n, 0);
        forest.assign(std::size_t(n) * n, 0);
        for (int j = 0; j < n; ++j) {
            const double y = j * step;
            for (int i = 0; i < n; ++i) {
                const double x = i * step;
                double d = 1e9;
                for (const River& r : rivers) d = std::min(d, std::fabs(x - r.X(y)));
                double lakeIn = 1e9;
                for (std::size_t k = 0; k < lakes.size(); ++k)
                    lakeIn = std::min(lakeIn, std::hypot(x - lakes[k].first, y - lakes[k].second) - lakeR[k]);
                const double valley = 1.0 - std::exp(-(d / 1400) * (d / 1400));
                double ridge = 1000 + 650 * std::sin(x / 2300 + p1) * std::cos(y / 2000 + p2) +
                               350 * std::sin((x + y) / 1500 + p3);
                ridge += 300 * ValueNoise(noiseSeed, x / 1800, y / 1800) +
                         120 * ValueNoise(noiseSeed + 1, x / 600, y / 600);
                const double floorH = 180 + 120 * y / side;  // rivers run south
                double h = floorH + valley * std::max(0.0, ridge);
                if (lakeIn < 0) h = floorH;
                h = std::clamp(h, 100.0, 2500.0);
                height[std::size_t(j) * n + i] = float(h);
                water[std::size_t(j) * n + i] =
                    float(std::max(0.0, std::min(d, std::max(lakeIn, 0.0) + (lakeIn < 0 ? 0 : 1e9))));
                if (lakeIn < 0) water[std::size_t(j) * n + i] = 0;
            }
        }
        for (int j = 1; j + 1 < n; ++j)
            for (int i = 1; i + 1 < n; ++i) {
                const std::size_t k = std::size_t(j) * n + i;
                const double gx = (height[k + 1] - height[k - 1]) / (2 * step);
                const double gy = (height[k + n] - height[k - n]) / (2 * step);
                const double slope = std::hypot(gx, gy);
                const double patch = ValueNoise(noiseSeed + 2, i * step / 700, j * step / 700);
                forest[k] = slope > 0.12 && slope < 1.2 && height[k] < 1750 && water[k] > 60 && patch > -0.25;
            }

        // Roads: one along each valley, two across the block.
        for (const River& r : rivers) {
            std::vector<std::pair<double, double>> road;
            for (double y = -200; y <= side + 200; y += 100) road.push_back({r.X(y) + 220, y});
            roads.push_back(road);
        }
        for (int k = 0; k < 2; ++k) {
            const double y0 = side * (0.3 + 0.4 * k), a = rng.Uniform(200, 600), ph = rng.Uniform(0, 6.28);
            std::vector<std::pair<double, double>> road;
            for (double x = -200; x <= side + 200; x += 100)
                road.push_back({x, y0 + a * std::sin(x / 2500 + ph)});
            roads.push_back(road);
        }
        static const char* first[] = {"Zgornja", "Spodnja", "Mala", "Velika", "Stara", "Nova"};
        static const char* second[] = {"Vas", "Gora", "Dolina", "Loka", "Ravan", "Polje", "Breg", "Log"};
        const int perRiver = std::max(2, int(side / 6000));
        for (const River& r : rivers)
            for (int k = 0; k < perRiver; ++k) {
                const double y = side * (k + 0.5) / perRiver + rng.Uniform(-500, 500);
                Village v{r.X(y) + 350, y, std::string(first[rng.Next() % 6]) + " " + second[rng.Next() % 8]};
                villages.push_back(v);
            }
    }

    // Bilinear sample of a grid at (x, y) metres.
    static double Sample(const std::vector<float>& g, int n, double step, double x, double y) {
        double fx = std::clamp(x / step, 0.0, double(n - 1) - 1e-9);
        double fy = std::clamp(y / step, 0.0, double(n - 1) - 1e-9);
        const int i = int(fx), j = int(fy);
        fx -= i;
        fy -= j;
        const float* p = &g[std::size_t(j) * n + i];
        return (p[0] * (1 - fx) + p[1] * fx) * (1 - fy) + (p[n] * (1 - fx) + p[n + 1] * fx) * fy;
    }
    double Height(double x, double y) const { return Sample(height, n, step, x, y); }
};

struct Job {
    int series;
    int row, col;  // segment row and column in the series grid
};

struct Region {
    std::string out;
    int q0row = 0, q0col = 0, size = 2;
    double west = 0, south = 0;  // block corner, grid metres
    Terrain t;
};

// Renders one segment into bottom-up 8-bit pixels.
std::vector<std::uint8_t> RenderSegment(const Region& rg, const Job& job) {
    const SeriesInfo& si = kSeries[job.series];
    const int P = si.pixels, stride = DibStride(P);
    const double s = si.metres;
    // Segment corner in block metres (x east, y north from the block's SW corner).
    const double segWest = 370000.0 + job.col * s - rg.west;
    const double segNorth = 5220000.0 - job.row * s - rg.south;
    const double mpp = s / P;
    const Terrain& t = rg.t;

    std::vector<std::uint8_t> px(std::size_t(stride) * P, 0);
    // Heights of the row being written and the one below it (image rows top-down).
    std::vector<double> hRow(std::size_t(P) + 1), hNext(std::size_t(P) + 1);
    auto fillRow = [&](int py, std::vector<double>& h) {
        const double y = segNorth - (py + 0.5) * mpp;
        for (int x = 0; x <= P; ++x) h[std::size_t(x)] = t.Height(segWest + (x + 0.5) * mpp, y);
    };
    const double waterWidth = std::max(22.0, 1.5 * mpp);
    fillRow(0, hRow);
    for (int py = 0; py < P; ++py) {
        fillRow(py + 1, hNext);
        const double y = segNorth - (py + 0.5) * mpp;
        std::uint8_t* row = &px[std::size_t(P - 1 - py) * stride];
        for (int x = 0; x < P; ++x) {
            const double xm = segWest + (x + 0.5) * mpp;
            const double h = hRow[std::size_t(x)];
            const double w = Terrain::Sample(t.water, t.n, t.step, xm, y);
            const int gi = std::clamp(int(xm / t.step + 0.5), 0, t.n - 1);
            const int gj = std::clamp(int(y / t.step + 0.5), 0, t.n - 1);
            const bool forest = t.forest[std::size_t(gj) * t.n + gi];
            if (job.series == 4) {
                // Orthophoto: hill shading from the north-west, darker forest and water.
                const double dx = hRow[std::size_t(x) + 1] - h, dy = h - hNext[std::size_t(x)];
                double shade = 0.55 + 0.45 * std::clamp((-dx + dy) / (mpp * 1.2), -1.0, 1.0);
                if (forest) shade *= 0.7;
                if (w < waterWidth) shade = 0.15;
                row[x] = std::uint8_t(std::clamp(int(shade * 126) + 1, 1, 127));
                continue;
            }
            std::uint8_t v = 0;
            const double ci = si.contour;
            const long long c = (long long)std::floor(h / ci);
            if (c != (long long)std::floor(hRow[std::size_t(x) + 1] / ci) ||
                c != (long long)std::floor(hNext[std::size_t(x)] / ci))
                v |= kLayerBitRelief;
            if (w < waterWidth) v |= kLayerBitWater;
            if (forest) v |= kLayerBitForest;
            row[x] = v;
        }
        std::swap(hRow, hNext);
    }
    if (job.series == 4) return px;

    // Roads, objects and names through a painter: one colour channel each,
    // OR-ed so that crossings keep every layer.
    QImage mask(P, P, QImage::Format_RGB32);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        auto toPx = [&](double x, double y) { return QPointF((x - segWest) / mpp, (segNorth - y) / mpp); };
        const double roadPx = std::max(2.0, 10.0 / mpp);
        p.setPen(QPen(QColor(255, 0, 0), roadPx, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (const auto& road : t.roads) {
            QPainterPath path;
            path.moveTo(toPx(road[0].first, road[0].second));
            for (std::size_t k = 1; k < road.size(); ++k) path.lineTo(toPx(road[k].first, road[k].second));
            p.drawPath(path);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 255, 0));
        const double house = std::max(2.0, 14.0 / mpp);
        for (const Village& v : t.villages) {
            Rng r{std::uint64_t(v.x * 7 + v.y * 13)};
            for (int k = 0; k < 9; ++k) {
                const QPointF c = toPx(v.x + r.Uniform(-180, 180), v.y + r.Uniform(-180, 180));
                p.drawRect(QRectF(c.x() - house / 2, c.y() - house / 2, house, house));
            }
        }
        QFont font("DejaVu Sans");
        font.setPixelSize(job.series == 0 ? 9 : 18);
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(0, 0, 255));
        for (const Village& v : t.villages)
            p.drawText(toPx(v.x + 220, v.y + 120), QString::fromStdString(v.name));
    }
    for (int py = 0; py < P; ++py) {
        const QRgb* src = reinterpret_cast<const QRgb*>(mask.constScanLine(py));
        std::uint8_t* row = &px[std::size_t(P - 1 - py) * stride];
        for (int x = 0; x < P; ++x) {
            const QRgb c = src[x];
            if (!(c & 0xFFFFFF)) continue;
            if (qRed(c)) row[x] |= kLayerBitRoads;
            if (qGreen(c)) row[x] |= kLayerBitObjects;
            if (qBlue(c)) row[x] |= kLayerBitNames;
        }
    }
    return px;
}

bool WriteDmrFiles(const Region& rg) {
    for (int r = 0; r < rg.size; ++r)
        for (int c = 0; c < rg.size; ++c) {
            const int qrow = rg.q0row + r, qcol = rg.q0col + c;
            const double west = 370000.0 + qcol * 10000 - rg.west;
            const double south = 5220000.0 - (qrow + 1) * 10000 - rg.south;
            std::string bytes;
            bytes.reserve(20000);
            for (int row = 0; row < 100; ++row)
                for (int col = 0; col < 100; ++col) {
                    const int h = int(std::lround(rg.t.Height(west + 100 * col, south + 100 * row)));
                    bytes += char(h & 255);
                    bytes += char((h >> 8) & 255);
                }
            const std::string path = rg.out + "dmr/Q_" + std::string{Letter(qrow), Letter(qcol)} + "_DMR.dat";
            std::FILE* f = std::fopen(path.c_str(), "wb");
            if (!f) return false;
            const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
            if (std::fclose(f) != 0 || !ok) return false;
        }
    return true;
}

bool WriteText(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

SampleArea Area(const Region& rg) {
    return {rg.west, rg.south, rg.size * 10000.0,
            [&rg](double e, double n) { return rg.t.Height(e - rg.west, n - rg.south); }};
}

bool WriteIni(const Region& rg) {
    const double cE = rg.west + rg.size * 5000.0, cN = rg.south + rg.size * 5000.0;
    // TK50 map pixels (150 dpi) from the area's north-west corner; the origin
    // is the pixel at the pane's top-left, so half a typical pane is taken off.
    const double mpp = 25.4 / 150 * 50000 / 1000;
    const int ox = int((cE - 370000) / mpp) - 550, oy = int((5220000 - cN) / mpp) - 350;
    std::string ini = "[PREFERENCES]\nFirst Time=0\n";
    ini += "Location 0 Of Wpt Base=" + rg.out + "wpt/\n";
    for (const SeriesInfo& s : kSeries)
        ini +=
            std::string("Location 0 Of ") + s.name + " Continuous Maps=" + rg.out + "maps/" + s.name + "/\n";
    ini += "Location 0 Of Dmr Data=" + rg.out + "dmr/\n";
    ini += "Track Log Directory=" + rg.out + "\n";
    ini += "[WINDOW]\nWindow Left=40\nWindow Top=40\nWindow Right=1240\nWindow Bottom=840\nSplitStyle=1\n";
    // Every pane layout reads its own slots (one pane: 0; two maps: 1 and 2),
    // so all of them open on the region.
    ini += "[VIEW]\n";
    for (int v = 0; v < 3; ++v) {
        const std::string key = "View " + std::to_string(v);
        char buf[512];
        std::snprintf(buf, sizeof buf,
                      "%s Map Type=1\n%s Origin X=%d\n%s Origin Y=%d\n%s Print Center Easting=%.3f\n"
                      "%s Print Center Northing=%.3f\n",
                      key.c_str(), key.c_str(), ox, key.c_str(), oy, key.c_str(), cE, key.c_str(), cN);
        ini += buf;
    }
    ini += SampleDmrSettings(Area(rg));
    return WriteText(rg.out + "config/vornamap.ini", ini);
}

int Usage() {
    std::fprintf(stderr, "usage: make-sample-region OUTDIR [--seed N] [--size QUADRANTS]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    std::uint64_t seed = 1;
    int size = 2;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--seed" || a == "--size") && i + 1 < argc) {
            char* end = nullptr;
            const long long v = std::strtoll(argv[++i], &end, 10);
            if (!end || *end) return Usage();
            if (a == "--seed")
                seed = std::uint64_t(v);
            else
                size = int(std::clamp(v, 0LL, 100LL));
        } else if (!a.empty() && a[0] != '-' && out.empty()) {
            out = a;
        } else {
            return Usage();
        }
    }
    if (out.empty()) return Usage();
    if (size < 1 || size > 8) {
        std::fprintf(stderr, "make-sample-region: --size must be 1 to 8 quadrants\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qargc = 1;
    QGuiApplication app(qargc, argv);

    std::error_code ec;
    fs::create_directories(out, ec);
    Region rg;
    rg.out = fs::absolute(out).lexically_normal().string();
    if (rg.out.back() != '/') rg.out += '/';
    rg.size = size;
    rg.q0row = 14 - size / 2;
    rg.q0col = 14 - size / 2;
    rg.west = 370000.0 + rg.q0col * 10000;
    rg.south = 5220000.0 - (rg.q0row + size) * 10000;
    for (const char* d : {"config", "wpt", "dmr"}) fs::create_directories(rg.out + d, ec);
    for (const SeriesInfo& s : kSeries) fs::create_directories(rg.out + "maps/" + s.name, ec);
    if (ec) {
        std::fprintf(stderr, "make-sample-region: cannot create folders in %s: %s\n", rg.out.c_str(),
                     ec.message().c_str());
        return 1;
    }
    rg.t.Build(seed, size * 10000.0);

    std::vector<Job> jobs;
    for (int s = 0; s < 5; ++s) {
        const int per = 10000 / kSeries[s].metres;  // segments per quadrant side
        for (int r = 0; r < size * per; ++r)
            for (int c = 0; c < size * per; ++c) jobs.push_back({s, rg.q0row * per + r, rg.q0col * per + c});
    }
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    auto worker = [&] {
        for (std::size_t k; (k = next++) < jobs.size();) {
            const Job& j = jobs[k];
            const SeriesInfo& si = kSeries[j.series];
            const std::vector<std::uint8_t> px = RenderSegment(rg, j);
            const std::string base =
                rg.out + "maps/" + si.name + "/" + si.name + SegmentName(j.series, j.row, j.col);
            bool ok;
            if (k == 0) {
                // One segment as ".bmp" exercises the fallback reader.
                RgbQuad pal[256];
                for (int i = 0; i < 256; ++i) pal[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
                ok = WriteBmpSegment(base + ".bmp", px.data(), si.pixels, si.pixels, DibStride(si.pixels),
                                     pal);
            } else {
                ok = WriteMifSegment(base + ".mif", px.data(), si.pixels, si.pixels, DibStride(si.pixels));
            }
            if (!ok) failed = true;
        }
    };
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 16u);
    std::vector<std::thread> pool;
    for (unsigned i = 0; i < threads; ++i) pool.emplace_back(worker);
    for (std::thread& th : pool) th.join();
    if (!failed && !WriteSampleImageMap(rg.out, rg.q0row, rg.q0col, size)) failed = true;

    if (failed || !WriteDmrFiles(rg) || !WriteText(rg.out + "wpt/WptBase.cfg", "2.0") ||
        !WriteText(rg.out + "wpt/WAutoCnt.dat", std::string(785 * 4, '\0')) ||
        !WriteText(rg.out + "wpt/WAutoDel.dat", std::string(785 * 4, '\0')) || !WriteIni(rg)) {
        std::fprintf(stderr, "make-sample-region: cannot write into %s\n", rg.out.c_str());
        return 1;
    }
    if (const std::string fault = WriteSampleTrackAndWaypoints(Area(rg), rg.out, rg.out + "wpt/");
        !fault.empty()) {
        std::fprintf(stderr, "make-sample-region: %s\n", fault.c_str());
        return 1;
    }
    std::printf("Sample region of %dx%d quadrants (seed %llu) written to %s\n", size, size,
                (unsigned long long)seed, rg.out.c_str());
    return 0;
}
