// Whole renders over planes the test writes: shading, colours, gap filling,
// scheduling on a test clock, quadrant ageing and the claims given back.
#include <gtest/gtest.h>

#include <climits>
#include <new>
#include <set>

#include "DmrTestEnv.h"

// Lets the test refuse the elevation cache a quadrant's heights (10000 x 2
// bytes through the non-throwing array form), as a full memory would.
static bool g_RefuseHeights = false;
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    if (g_RefuseHeights && n == 20000) return nullptr;
    try {
        return ::operator new[](n);
    } catch (...) {
        return nullptr;
    }
}

namespace {

using State = CDmrRenderer::State;

// Quadrant (10, 10) and its neighbours; the eye 1 km inside the block's
// south edge, looking north over 15 km of it.
constexpr int kRow = 10, kCol = 10;
const CPointD kEye(475000, 5101000);

void Plane(DmrEnv& env, int metres) {
    env.WriteBlock(kRow, kCol, 1, metres);
    DmrParams& p = env.settings.dmr;
    p.ViewPoint = kEye, p.Azimut = 0, p.ViewAngle = 60, p.Elevation = -10, p.AbsHeight = metres + 300;
    p.PreviewMode = 2;
}

std::uint32_t Rgb(int r, int g, int b) { return std::uint32_t(r << 16 | g << 8 | b); }

// The picture's colours other than the sky's.
std::set<std::uint32_t> Ground(DmrEnv& env) {
    std::set<std::uint32_t> out;
    for (int y = 0; y < env.r->Picture().height(); ++y)
        for (int x = 0; x < env.r->Picture().width(); ++x) {
            const std::uint32_t c = env.Px(x, y);
            const bool sky =
                (c & 0xFF) == 0xFF && (c >> 16) == ((c >> 8) & 0xFF) && (c >> 16) >= 64 && (c >> 16) <= 192;
            if (!sky) out.insert(c);
        }
    return out;
}

int OpenQuadrants(const CVornaDoc& doc) {
    int n = 0;
    for (int q = 0; q < kQuadrantCount; ++q) n += doc.DmrClaimCount(q) > 0;
    return n;
}

}  // namespace

// A level plane lit from above shows one shade (the light's upward 1/sqrt(3)
// gives shade 49); its colour follows the height and the surface.
TEST(DmrRender, PlanesShowTheColourOfTheirHeightAndSurface) {
    const std::uint32_t g49 = Rgb(178, 178, 178);  // 49 x 255 / 70
    const struct {
        int surface, metres, fill;
        std::set<std::uint32_t> colours;
    } rows[] = {
        {0, 502, 1, {g49}},
        {0, 502, 0, {g49, 0xFFFFFF}},        // unfilled: the sky stays unpainted
        {1, 0, 1, {Rgb(0, 0, 178)}},         // sea level: deep blue
        {1, 1, 1, {Rgb(0, 178, 89)}},        // just above it: the first step
        {1, 502, 1, {Rgb(88, 178, 45)}},     // step 126
        {1, 1502, 1, {Rgb(157, 136, 42)}},   // step 376
        {1, 3002, 1, {Rgb(172, 172, 172)}},  // step 751
        // Draped map, forest and roads: roads near, only forest beyond 10 km.
        {2, 502, 1, {Rgb(0, 0, 0), Rgb(0, 118, 89)}},
        // Orthophoto: byte 0 (near) is plain shading; byte 100 is 100 x shade / 70.
        {3, 502, 1, {g49, Rgb(70, 70, 70)}},
    };
    for (const auto& row : rows) {
        DmrEnv env;
        Plane(env, row.metres);
        env.settings.dmr.SurfaceType = row.surface;
        env.settings.dmr.FillGaps = row.fill;
        for (int r = kRow - 1; r <= kRow + 1; ++r)
            for (int c = kCol - 1; c <= kCol + 1; ++c) {
                if (row.surface == 2) env.WriteSegment(1, r, c, 0x09);
                if (row.surface == 3) env.WriteSegment(4, r, c, r == kRow + 1 ? 0 : 100);
            }
        env.Renderer(120, 90);
        env.RenderAll();
        EXPECT_EQ(Ground(env), row.colours) << row.surface << " at " << row.metres;
        EXPECT_TRUE(env.prompter.texts.empty());
    }
}

TEST(DmrRender, ASurfaceFollowsTheDelayAndARedrawStartsAfresh) {
    DmrEnv env;
    Plane(env, 502);
    DmrParams& p = env.settings.dmr;
    CDmrRenderer& r = env.Renderer(64, 48);
    int finished = 0;
    r.SetFinishedHook([&] { ++finished; });
    r.Redraw();
    // No work until more than half a second has passed.
    EXPECT_EQ(r.MsUntilWork(), 500);
    env.now += 0.5;
    EXPECT_TRUE(r.IdleStep());
    EXPECT_EQ(r.GetState(), State::Waiting);
    EXPECT_GT(r.MsUntilWork(), 0);
    env.now += 0.001;
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(r.IdleStep());
    EXPECT_EQ(r.GetState(), State::Rendering);
    EXPECT_GT(r.Progress(), 0.1);
    // The old (blank) picture stays until the surface is done.
    EXPECT_EQ(env.Px(32, 5), 0xFFFFFFu);
    EXPECT_EQ(finished, 0);
    // A new heading in mid-render: the picture is the new view's alone.
    p.Azimut = 30;
    env.RenderAll();
    EXPECT_EQ(finished, 1);
    DmrEnv fresh;
    Plane(fresh, 502);
    fresh.settings.dmr.Azimut = 30;
    fresh.Renderer(64, 48);
    fresh.RenderAll();
    EXPECT_EQ(r.Picture(), fresh.r->Picture());
    // "Delayed" draws the wireframe first, except while following the receiver.
    for (const int stick : {0, 1}) {
        p.PreviewMode = 1, p.StickToGps = stick, finished = 0;
        r.Redraw();
        EXPECT_EQ(finished, 1 - stick);
        EXPECT_EQ(r.GetState(), State::Waiting);
    }
    // No view point: nothing at all.
    p.ViewPoint = CPointD(0, 0);
    r.Redraw();
    EXPECT_EQ(r.MsUntilWork(), -1);
}

// Quadrants stay open across renders, age out by count and history, and go
// back with the renderer, as do its map segments.
TEST(DmrRender, QuadrantsAgeAndEveryClaimGoesBackWithTheRenderer) {
    DmrEnv env;
    env.WriteBlock(kRow, kCol + 1, 2, 400);
    DmrParams& p = env.settings.dmr;
    p.ViewPoint = kEye, p.Azimut = 0, p.Visibility = 5, p.SurfaceType = 2, p.PreviewMode = 2;
    env.WriteSegment(1, kRow + 1, kCol, 0x01);
    CDmrRenderer& r = env.Renderer(64, 48);
    CVornaDoc& doc = *env.doc;
    env.RenderAll();
    EXPECT_GT(OpenQuadrants(doc), 0);
    EXPECT_GT(
        doc.Series(1).SInUse[std::size_t(doc.Segments().GetSegmentIndex(1, kEye.easting, kEye.northing))], 0);
    // Max Open 0: what the last render opened stays, what older ones opened closes.
    env.settings.dmrMaxOpenQuadrants = 0;
    p.ViewPoint = CPointD(kEye.easting + 20000, kEye.northing);
    env.RenderAll();
    EXPECT_GT(OpenQuadrants(doc), 0);
    for (int q = 0; q < kQuadrantCount; ++q)
        EXPECT_EQ(r.QuadrantAges()[std::size_t(q)], doc.DmrClaimCount(q) ? 2 : 0) << q;
    env.r.reset();
    EXPECT_EQ(OpenQuadrants(doc), 0);
    for (std::int32_t n : doc.Series(1).SInUse) ASSERT_EQ(n, 0);
    EXPECT_EQ(env.mem[kMemSegInView], 0);
    EXPECT_EQ(env.mem[kMemSegInView + 1], 0);
    // A history of 1: a quadrant in every render is closed every second one.
    env.settings.dmrMaxOpenQuadrants = 20;
    env.settings.dmrStepHistory = 1;
    env.Renderer(64, 48);
    for (const bool open : {true, false, true}) {
        env.RenderAll();
        EXPECT_EQ(OpenQuadrants(doc) > 0, open);
    }
}

// Views that make no sense end in a bounded number of steps without a flood of messages.
TEST(DmrRender, DegenerateViewsEndQuietly) {
    const std::function<void(DmrParams&)> rows[] = {
        [](DmrParams& p) { p.ViewAngle = 0; },
        [](DmrParams& p) { p.ViewAngle = 180; },
        [](DmrParams& p) { p.AbsHeight = 0; },
        [](DmrParams& p) { p.Visibility = 0; },
        [](DmrParams& p) { p.Elevation = 90; },
        [](DmrParams& p) { p.Elevation = -90; },
        [](DmrParams& p) { p.Azimut = 1e300; },
        [](DmrParams& p) { p.Visibility = 1000000; },
        [](DmrParams& p) { p.IsRelHeight = 1, p.RelHeight = 0; },
    };
    for (const auto& change : rows) {
        DmrEnv env;
        Plane(env, 502);
        env.settings.dmr.PreviewMode = 1;
        change(env.settings.dmr);
        env.Renderer(32, 24);
        env.RenderAll();
        EXPECT_EQ(env.r->GetState(), State::Idle) << &change - rows;
        EXPECT_LE(env.prompter.texts.size(), 2u) << &change - rows;
    }
}

// Out of memory for heights: the render stops after the first query's
// messages instead of showing them for every node, and the old picture stays.
TEST(DmrRender, NoMemoryForHeightsStopsTheRender) {
    for (const int preview : {0, 2}) {
        DmrEnv env;
        Plane(env, 502);
        env.settings.dmr.PreviewMode = preview;
        env.Renderer(64, 48);
        g_RefuseHeights = true;
        env.RenderAll();
        g_RefuseHeights = false;
        EXPECT_EQ(env.prompter.texts.size(), 2u) << preview;
        EXPECT_EQ(env.r->GetState(), State::Idle);
        EXPECT_EQ(env.Px(32, 10), 0xFFFFFFu);
    }
}

namespace {

// The gap filling's sky: (c, c, 255), c in 64..192.
bool IsSky(std::uint32_t c) {
    const int r = int(c >> 16), g = int((c >> 8) & 0xFF), b = int(c & 0xFF);
    return b == 255 && r == g && r >= 64 && r <= 192;
}

}  // namespace

// Slopes facing the eye: a 3000 m mountain 2 km wide, 7 km ahead behind a
// 400 m ridge 3 km ahead, and a wall of the same height 1.5 km ahead whose
// face has more pixels than a cell has samples. Below the top of the terrain
// every column is painted: no hole when gaps stay unfilled, no sky where
// they are filled.
TEST(DmrRender, SteepFacesArePaintedToTheGround) {
    const auto mountain = [](int n, int e) {
        if (n >= 51040 && n <= 51044) return 400;
        if (e < 4740 || e > 4760) return 100;
        return n >= 51080 ? 3000 : n == 51079 ? 2000 : n == 51078 ? 1000 : 100;
    };
    // One cell from 100 m to 3000 m: more pixels than a cell has samples.
    const auto wall = [](int n, int e) { return n >= 51025 && e >= 4745 && e <= 4755 ? 3000 : 100; };
    const struct {
        const char* name;
        std::function<int(int, int)> terrain;
        int eyeMetres, rendering, fill;
    } rows[] = {
        {"mountain, Medium, unfilled", mountain, 500, 1, 0},
        {"mountain, Fine, unfilled", mountain, 500, 2, 0},
        {"mountain, Coarse, filled", mountain, 500, 0, 1},
        {"wall, Medium, filled", wall, 500, 1, 1},
        {"wall, Fine, filled", wall, 500, 2, 1},
    };
    for (const auto& row : rows) {
        DmrEnv env;
        env.WriteTerrain(kRow - 1, kCol - 1, kRow + 1, kCol + 1, row.terrain);
        DmrParams& p = env.settings.dmr;
        p.ViewPoint = kEye, p.Azimut = 0, p.ViewAngle = 60, p.Elevation = 0, p.AbsHeight = row.eyeMetres;
        p.PreviewMode = 2, p.Rendering = row.rendering, p.FillGaps = row.fill;
        env.Renderer(160, 120);
        env.RenderAll();
        int bad = 0, top80 = -1;
        for (int x = 0; x < 160; ++x) {
            int y = 0;
            for (; y < 120 && (row.fill ? IsSky(env.Px(x, y)) : env.Px(x, y) == 0xFFFFFFu); ++y) {
            }
            if (x == 80) top80 = y;
            for (; y < 120; ++y) bad += row.fill ? IsSky(env.Px(x, y)) : env.Px(x, y) == 0xFFFFFFu;
        }
        EXPECT_EQ(bad, 0) << row.name;
        // The mountain's top (or the wall) stands high in the picture.
        EXPECT_LT(top80, 25) << row.name;
        EXPECT_TRUE(env.prompter.texts.empty()) << row.name;
    }
}

// The costliest views the panel or a view-point file can set do no more
// work than a few default views: patches and columns that cannot show are
// skipped, samples follow the part of a patch on the picture, and a render
// whose patches pile up stops refining them.
TEST(DmrRender, EveryViewIsBoundedByTheDefaultsWork) {
    if (!FileExists(ToolsDir() + "/make-sample-region")) GTEST_SKIP() << "generator not built";
    DmrEnv env;
    ASSERT_TRUE(env.UseSampleRegion(2));
    const struct {
        const char* name;
        std::function<void(DmrParams&)> change;
        double cells, samples;  // at most this many times the default's
    } rows[] = {
        {"default", [](DmrParams&) {}, 1, 1},
        {"20 degrees up, 60 wide", [](DmrParams& p) { p.Elevation = 20, p.ViewAngle = 60; }, 3, 3},
        {"10 degrees wide", [](DmrParams& p) { p.ViewAngle = 10; }, 3, 3},
        {"0.01 degrees wide", [](DmrParams& p) { p.ViewAngle = 0.01; }, 3, 3},
        {"relative height INT_MIN", [](DmrParams& p) { p.IsRelHeight = 1, p.RelHeight = INT_MIN; }, 3, 3},
        {"absolute height INT_MAX", [](DmrParams& p) { p.AbsHeight = INT_MAX; }, 3, 3},
        {"straight down from the highest point",
         [](DmrParams& p) { p.Elevation = -90, p.AbsHeight = INT_MAX; }, 8, 3},
        {"straight down, 179 wide, 1 m up",
         [](DmrParams& p) { p.Elevation = -90, p.ViewAngle = 179, p.IsRelHeight = 1, p.RelHeight = 1; }, 8,
         3},
    };
    double cells = 0, samples = 0;
    for (const auto& row : rows) {
        DmrParams& p = env.settings.dmr;
        p = DmrParams{};
        p.StickToGps = 0;
        p.ViewPoint = CPointD(518000, 5072000);
        p.PreviewMode = 2;
        row.change(p);
        env.Renderer(640, 400);
        env.RenderAll();
        const CDmrRenderer::Stats& s = env.r->RenderStats();
        if (!cells) cells = double(s.cells), samples = double(s.samples);
        EXPECT_LE(double(s.cells), row.cells * cells) << row.name;
        EXPECT_LE(double(s.samples), row.samples * samples) << row.name;
    }
}
