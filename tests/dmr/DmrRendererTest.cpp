// Whole renders on planes the test writes: shading, colours, scheduling on a
// test clock, quadrant ageing and the claims a renderer gives back.
#include <gtest/gtest.h>

#include <set>

#include "DmrTestEnv.h"
#include "app/MemoryCounters.h"

namespace {

using State = CDmrRenderer::State;

// Quadrant (10, 10) and its neighbours; the eye 1 km inside the block's south
// edge, looking north over 15 km of it.
constexpr int kRow = 10, kCol = 10;
const CPointD kEye(475000, 5101000);

void Plane(DmrEnv& env, int metres) {
    env.WriteBlock(kRow, kCol, 1, [metres](int, int) { return metres; });
    DmrParams& p = env.settings.dmr;
    p.ViewPoint = kEye;
    p.Azimut = 0;
    p.ViewAngle = 60;
    p.Elevation = -10;
    p.AbsHeight = metres + 300;
}

bool IsSky(std::uint32_t c) { return (c & 0xFF) == 0xFF && (c >> 16) == ((c >> 8) & 0xFF) && (c >> 16) >= 64; }
std::uint32_t Rgb(int r, int g, int b) { return std::uint32_t(r << 16 | g << 8 | b); }

// The colours of the picture that are not sky.
std::set<std::uint32_t> Ground(DmrEnv& env) {
    std::set<std::uint32_t> out;
    const QImage& img = env.r->Picture();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!IsSky(env.Px(x, y))) out.insert(env.Px(x, y));
    return out;
}

int OpenQuadrants(const CVornaDoc& doc) {
    int n = 0;
    for (int q = 0; q < kQuadrantCount; ++q) n += doc.DmrClaimCount(q) > 0;
    return n;
}

}  // namespace

// A level plane lit from above shows one shade (the light's 1/sqrt(3) upward
// part gives shade 49); its colour follows the height and the surface.
TEST(DmrRender, PlanesShowTheColourOfTheirHeightAndSurface) {
    const std::uint32_t g49 = Rgb(178, 178, 178);  // 49 x 255 / 70
    struct Row {
        int surface, metres;
        std::set<std::uint32_t> colours;
    } rows[] = {
        {0, 502, {g49}},
        {1, 0, {Rgb(0, 0, 178)}},       // sea level: deep blue
        {1, 1, {Rgb(0, 178, 89)}},      // just above it: the first step
        {1, 502, {Rgb(88, 178, 45)}},   // step 126
        {1, 1502, {Rgb(157, 136, 42)}}, // step 376
        {1, 3002, {Rgb(172, 172, 172)}},
        // Draped map, forest and roads everywhere: roads near, only the forest
        // beyond 10 km.
        {2, 502, {Rgb(0, 0, 0), Rgb(0, 118, 89)}},
        // Orthophoto: byte 0 in the near quadrant is plain shading, not black;
        // byte 100 farther on is 100 x shade / 70.
        {3, 502, {g49, Rgb(70, 70, 70)}},
    };
    for (const Row& row : rows) {
        DmrEnv env;
        Plane(env, row.metres);
        env.settings.dmr.SurfaceType = row.surface;
        env.settings.dmr.PreviewMode = 2;
        for (int r = kRow - 1; r <= kRow + 1; ++r)
            for (int c = kCol - 1; c <= kCol + 1; ++c) {
                if (row.surface == 2) env.WriteSegments(1, r, c, 0x09);
                if (row.surface == 3) env.WriteSegments(4, r, c, r == kRow + 1 ? 0 : 100);
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
    p.PreviewMode = 2;
    CDmrRenderer& r = env.Renderer(64, 48);
    int finished = 0;
    r.SetFinishedHook([&] { ++finished; });
    r.Redraw();
    // Waiting: no work before more than half a second has passed.
    EXPECT_EQ(r.GetState(), State::Waiting);
    EXPECT_EQ(r.MsUntilWork(), 500);
    env.now += 0.5;
    EXPECT_TRUE(r.IdleStep());
    EXPECT_EQ(r.GetState(), State::Waiting);
    EXPECT_GT(r.MsUntilWork(), 0);
    env.now += 0.001;
    EXPECT_TRUE(r.IdleStep());
    EXPECT_EQ(r.GetState(), State::Rendering);
    for (int i = 0; i < 5; ++i) r.IdleStep();
    EXPECT_GT(r.Progress(), 0.1);
    // The old (blank) picture stays until the surface is done.
    EXPECT_EQ(env.Px(32, 5), 0xFFFFFFu);
    EXPECT_EQ(finished, 0);

    // A new heading in mid-render: the next picture is the new view's alone.
    p.Azimut = 30;
    env.RenderAll();
    EXPECT_EQ(finished, 1);
    const QImage afterAbort = r.Picture();
    DmrEnv fresh;
    Plane(fresh, 502);
    fresh.settings.dmr.PreviewMode = 2;
    fresh.settings.dmr.Azimut = 30;
    fresh.Renderer(64, 48);
    fresh.RenderAll();
    EXPECT_EQ(afterAbort, fresh.r->Picture());

    // Wireframe first in "Delayed" mode, not while following the receiver.
    for (const int stick : {0, 1}) {
        p.PreviewMode = 1;
        p.StickToGps = stick;
        p.Azimut = 60 + stick;
        finished = 0;
        r.Redraw();
        EXPECT_EQ(finished, stick ? 0 : 1) << stick;
        EXPECT_EQ(r.GetState(), State::Waiting);
    }
    // No view point: nothing at all.
    p.ViewPoint = CPointD(0, 0);
    r.Redraw();
    EXPECT_EQ(r.GetState(), State::Idle);
    EXPECT_EQ(r.MsUntilWork(), -1);
}

TEST(DmrRender, GapFillingLeavesNoPixelUnpainted) {
    for (const int fill : {0, 1}) {
        DmrEnv env;
        Plane(env, 502);
        env.settings.dmr.PreviewMode = 2;
        env.settings.dmr.FillGaps = fill;
        env.settings.dmr.Rendering = 0;  // coarse sampling leaves holes
        env.Renderer(200, 150);
        env.RenderAll();
        int blank = 0;
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x) blank += env.Px(x, y) == 0xFFFFFFu;
        EXPECT_EQ(blank == 0, fill == 1);
    }
}

// Quadrants stay open across renders, age out by history and count, and go
// back with the renderer, as do the map segments it claimed.
TEST(DmrRender, QuadrantsAgeAndEveryClaimGoesBackWithTheRenderer) {
    DmrEnv env;
    env.WriteBlock(kRow, kCol + 1, 2, [](int, int) { return 400; });
    DmrParams& p = env.settings.dmr;
    p.ViewPoint = kEye;
    p.Azimut = 0;
    p.Visibility = 5;
    p.SurfaceType = 2;
    p.PreviewMode = 2;
    env.WriteSegments(1, kRow + 1, kCol, 0x01);
    CDmrRenderer& r = env.Renderer(64, 48);
    CVornaDoc& doc = *env.doc;
    env.RenderAll();
    const int first = OpenQuadrants(doc);
    EXPECT_GT(first, 0);
    EXPECT_GT(doc.Series(1).SInUse[std::size_t(doc.Segments().GetSegmentIndex(1, kEye.easting, kEye.northing))], 0);

    // Max Open 0: what the last render opened stays, what only older ones used closes.
    env.settings.dmrMaxOpenQuadrants = 0;
    p.ViewPoint = CPointD(kEye.easting + 20000, kEye.northing);
    env.RenderAll();
    for (int q = 0; q < kQuadrantCount; ++q)
        if (doc.DmrClaimCount(q)) {
            EXPECT_EQ(r.QuadrantAges()[std::size_t(q)], 2) << q;
        }
    EXPECT_GT(OpenQuadrants(doc), 0);

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

// Views that make no sense still end, in a bounded number of steps, without
// a flood of messages.
TEST(DmrRender, DegenerateViewsEndQuietly) {
    const std::function<void(DmrParams&)> rows[] = {
        [](DmrParams& p) { p.ViewAngle = 0; },     [](DmrParams& p) { p.ViewAngle = 180; },
        [](DmrParams& p) { p.AbsHeight = 0; },     [](DmrParams& p) { p.Visibility = 0; },
        [](DmrParams& p) { p.Elevation = 90; },    [](DmrParams& p) { p.Elevation = -90; },
        [](DmrParams& p) { p.Azimut = 1e300; },    [](DmrParams& p) { p.Visibility = 1000000; },
        [](DmrParams& p) { p.IsRelHeight = 1, p.RelHeight = 0; },
    };
    int i = 0;
    for (const auto& change : rows) {
        DmrEnv env;
        Plane(env, 502);
        env.settings.dmr.PreviewMode = 1;
        change(env.settings.dmr);
        env.Renderer(32, 24);
        env.RenderAll();
        EXPECT_EQ(env.r->GetState(), State::Idle) << i;
        EXPECT_LE(env.prompter.texts.size(), 2u) << i;
        ++i;
    }
}
