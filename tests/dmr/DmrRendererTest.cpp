// Whole renders: scheduling on a test clock, claims, surfaces.
#include <gtest/gtest.h>

#include "DmrTestEnv.h"

TEST(DmrRender, Smoke) {
    DmrEnv env;
    ASSERT_TRUE(env.UseSampleRegion(2));
    DmrParams& p = env.settings.dmr;
    p.ViewPoint = CPointD(518000, 5072000);
    p.PreviewMode = 1;
    auto& r = env.Renderer(400, 300);
    env.RenderAll();
    std::map<std::uint32_t, int> hist;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) hist[env.Px(x, y)]++;
    printf("colours %zu white %d texts %zu\n", hist.size(), hist[0xFFFFFF], env.prompter.texts.size());
    for (auto& t : env.prompter.texts) printf("  %s\n", t.c_str());
    r.Picture().save("/tmp/dmr-smoke.png");
}
