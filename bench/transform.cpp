// Coordinate conversions, ours and (when libproj is there) PROJ's, on the
// same points across the grid area: forward and inverse projection, and grid
// to and from WGS84 through the default datum shift.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "geo/GeoTransform.h"
#include "settings/AppSettings.h"

#ifdef VORNA_HAVE_PROJ
#include <proj.h>
#endif

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

struct Points {
    std::vector<CPointD> grid;   // easting, northing
    std::vector<CPointD> local;  // latitude, longitude on the local ellipsoid
    std::vector<CPointD> wgs;    // latitude, longitude on WGS84
};

CGeoTransform DefaultTransform() {
    CGeoTransform g;
    ApplyDatumParameters(g, AppSettings());
    return g;
}

const Points& BenchPoints() {
    static const Points points = [] {
        Points p;
        const CGeoTransform g = DefaultTransform();
        for (int i = 0; i < 64; ++i) {
            for (int j = 0; j < 64; ++j) {
                const double e = 370000 + i * 4400.0 + j * 7.0, n = 4940000 + j * 4400.0 + i * 3.0;
                double lat = 0, lon = 0, wlat = 0, wlon = 0;
                g.GKToGeo(e, n, lat, lon);
                g.GKToWGS84(e, n, wlat, wlon);
                p.grid.emplace_back(e, n);
                p.local.emplace_back(lat, lon);
                p.wgs.emplace_back(wlat, wlon);
            }
        }
        return p;
    }();
    return points;
}

template <typename Convert>
void Run(benchmark::State& state, const std::vector<CPointD>& in, Convert convert) {
    double sum = 0;
    for (auto _ : state) {
        for (const CPointD& p : in) sum += convert(p);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(in.size()));
}

// Our four conversions, each a sum of its outputs so that nothing is optimised away.
double Project(const CGeoTransform& g, const CPointD& p) {
    CPointD out;
    g.GeoToGK(p.easting, p.northing, out);
    return out.easting + out.northing;
}
double Unproject(const CGeoTransform& g, const CPointD& p) {
    double lat = 0, lon = 0;
    g.GKToGeo(p.easting, p.northing, lat, lon);
    return lat + lon;
}
double GridToWgs84(const CGeoTransform& g, const CPointD& p) {
    double lat = 0, lon = 0;
    g.GKToWGS84(p.easting, p.northing, lat, lon);
    return lat + lon;
}
double Wgs84ToGrid(const CGeoTransform& g, const CPointD& p) {
    CPointD out;
    g.WGS84ToGK(p.easting, p.northing, out);
    return out.easting + out.northing;
}

void BM_Ours(benchmark::State& state, double (*convert)(const CGeoTransform&, const CPointD&),
             std::vector<CPointD> Points::*input) {
    const CGeoTransform g = DefaultTransform();
    Run(state, BenchPoints().*input, [&](const CPointD& p) { return convert(g, p); });
}

BENCHMARK_CAPTURE(BM_Ours, Project, Project, &Points::local);
BENCHMARK_CAPTURE(BM_Ours, Unproject, Unproject, &Points::grid);
BENCHMARK_CAPTURE(BM_Ours, GridToWgs84, GridToWgs84, &Points::grid);
BENCHMARK_CAPTURE(BM_Ours, Wgs84ToGrid, Wgs84ToGrid, &Points::wgs);

#ifdef VORNA_HAVE_PROJ

#define VORNA_TM "+proj=tmerc +lat_0=0 +lon_0=15 +k=0.9999 +x_0=500000 +y_0=0 +a=6377397.155 +rf=299.15281"
// Grid (metres) to WGS84 (radians); run backwards for the other way.
constexpr const char* kGridToWgs84 =
    "+proj=pipeline +step +inv " VORNA_TM
    " +step +proj=cart +a=6377397.155 +rf=299.15281"
    " +step +proj=helmert +x=462.3 +y=120.0 +z=445.6 +rx=-4.465 +ry=-3.353 +rz=11.725 +s=15.60"
    " +convention=coordinate_frame"
    " +step +inv +proj=cart +ellps=WGS84";

// One PROJ object for a benchmark, with its own context.
class ProjOp {
public:
    explicit ProjOp(const char* definition)
        : m_Ctx(proj_context_create()), m_P(proj_create(m_Ctx, definition)) {}
    ~ProjOp() {
        proj_destroy(m_P);
        proj_context_destroy(m_Ctx);
    }
    ProjOp(const ProjOp&) = delete;
    ProjOp& operator=(const ProjOp&) = delete;
    PJ* get() const { return m_P; }

private:
    PJ_CONTEXT* m_Ctx;
    PJ* m_P;
};

// Angles go in and come out in degrees, as ours do.
void BM_Proj(benchmark::State& state, const char* definition, PJ_DIRECTION dir,
             std::vector<CPointD> Points::*input) {
    const bool anglesIn = input != &Points::grid;
    const std::vector<CPointD>& in = BenchPoints().*input;
    ProjOp op(definition);
    if (!op.get()) {
        state.SkipWithError("PROJ does not take the definition");
        return;
    }
    Run(state, in, [&](const CPointD& p) {
        // Latitude, longitude pairs go in as longitude, latitude.
        const PJ_COORD c = anglesIn ? proj_coord(p.northing * kDegree, p.easting * kDegree, 0, 0)
                                    : proj_coord(p.easting, p.northing, 0, 0);
        const PJ_COORD r = proj_trans(op.get(), dir, c);
        return anglesIn ? r.xy.x + r.xy.y : (r.lp.lam + r.lp.phi) / kDegree;
    });
}

BENCHMARK_CAPTURE(BM_Proj, Project, VORNA_TM, PJ_FWD, &Points::local);
BENCHMARK_CAPTURE(BM_Proj, Unproject, VORNA_TM, PJ_INV, &Points::grid);
BENCHMARK_CAPTURE(BM_Proj, GridToWgs84, kGridToWgs84, PJ_FWD, &Points::grid);
BENCHMARK_CAPTURE(BM_Proj, Wgs84ToGrid, kGridToWgs84, PJ_INV, &Points::wgs);

#endif

}  // namespace

BENCHMARK_MAIN();
