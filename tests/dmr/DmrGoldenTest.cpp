// The generated sample region seen from its south-east corner with the
// default view settings, once per surface, against a stored fingerprint: the
// mean colour of 6 x 4 blocks, each channel within a small tolerance, so that
// a changed camera, scan, patch, shade or colour shows while a pixel's
// rounding does not.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "DmrTestEnv.h"

namespace {

constexpr int kW = 160, kH = 120, kBx = 6, kBy = 4, kTolerance = 3;

std::string Fingerprint(const QImage& img) {
    std::string out;
    for (int by = 0; by < kBy; ++by)
        for (int bx = 0; bx < kBx; ++bx) {
            long sum[3] = {};
            const int x0 = bx * kW / kBx, x1 = (bx + 1) * kW / kBx, y0 = by * kH / kBy, y1 = (by + 1) * kH / kBy;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) {
                    const QRgb c = img.pixel(x, y);
                    sum[0] += qRed(c), sum[1] += qGreen(c), sum[2] += qBlue(c);
                }
            for (long s : sum) {
                char hex[3];
                std::snprintf(hex, sizeof hex, "%02x", unsigned(s / ((x1 - x0) * (y1 - y0))));
                out += hex;
            }
        }
    return out;
}

bool Near(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i + 1 < a.size(); i += 2)
        if (std::abs(std::stoi(a.substr(i, 2), nullptr, 16) - std::stoi(b.substr(i, 2), nullptr, 16)) > kTolerance)
            return false;
    return true;
}

}  // namespace

TEST(DmrGolden, SampleRegionPerSurface) {
    if (!FileExists(ToolsDir() + "/make-sample-region")) GTEST_SKIP() << "generator not built";
    DmrEnv env;
    ASSERT_TRUE(env.UseSampleRegion(2));
    const struct {
        int preview, surface;
        const char* print;
    } rows[] = {
        {0, 0,
         "fefefed5d5d5bfbfbff6f6f6e8e8e8e5e5e52727275a5a5a5454543b3b3b070707242424a9a9a9a0a0a09a9a9a7373734242423e3e3edadadadddddddcdcdcd2d2d2b7b7b7959595"},
        {2, 0,
         "5050fe5c5ceb6c6cec5454fd5656f75454f3b0b0b4a8a8a8b1b1b1bfbfc79b9b9b757575c4c4c4c1c1c1c0c0c0c7c7c7c4c4c4b7b7b7c2c2c2bebebebebebec5c5c5d0d0d0cfcfcf"},
        {2, 1,
         "5050fe5650d86156cb5251f85351ed524fea9ba41a9d99109aa61382ba2f47992b507016b8ab19b8ae12bab40bb2c30d72c42939b73fb6a918b4a914b5ab12beb60ec7c9098acf23"},
        {2, 2,
         "4f50fe4a50db5155ce4f51f94c51ef504feb4687415186312e854218825e136d49044e39008262008060008060128a5a4fa43a1a944d008161007e5e007e5e0183610c8f610a8f62"},
        {2, 3,
         "4f4ffe4848d84949c84e4ef84c4ced4a4ae93030343737373d3d3d3c3c442828281a1a1b1d1d1d1e1e1e1f1f1f2323232c2c2c2b2b2b1f1f1f2020201e1e1e1c1c1c202020262626"},
    };
    for (const auto& row : rows) {
        DmrParams& p = env.settings.dmr;
        p = DmrParams{};
        p.StickToGps = 0;
        p.ViewPoint = CPointD(518000, 5072000);
        p.PreviewMode = row.preview;
        p.SurfaceType = row.surface;
        env.Renderer(kW, kH);
        env.RenderAll();
        const std::string got = Fingerprint(env.r->Picture());
        EXPECT_TRUE(Near(got, row.print)) << "preview " << row.preview << " surface " << row.surface << ": " << got;
    }
    EXPECT_TRUE(env.prompter.texts.empty());
}
