// The generated sample region from its south-east corner with the default
// view settings, once per surface, against stored mean colours of 6 x 4
// blocks (each channel within 3): a changed camera, scan, patch, shade or
// colour shows, a pixel's rounding does not.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "DmrTestEnv.h"

namespace {

// Mean red, green, blue of 6 x 4 blocks of a 160 x 120 picture.
std::vector<int> Fingerprint(const QImage& img) {
    std::vector<int> out;
    for (int by = 0; by < 4; ++by)
        for (int bx = 0; bx < 6; ++bx) {
            long sum[3] = {};
            for (int y = by * 30; y < by * 30 + 30; ++y)
                for (int x = bx * 160 / 6; x < (bx + 1) * 160 / 6; ++x)
                    sum[0] += qRed(img.pixel(x, y)), sum[1] += qGreen(img.pixel(x, y)),
                        sum[2] += qBlue(img.pixel(x, y));
            for (long s : sum) out.push_back(int(s / (30 * ((bx + 1) * 160 / 6 - bx * 160 / 6))));
        }
    return out;
}

std::string Hex(const std::vector<int>& v) {
    std::string out;
    for (int c : v) out += QString::asprintf("%02x", c).toStdString();
    return out;
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
         "fefefed5d5d5bfbfbff6f6f6e8e8e8e5e5e52727275a5a5a5454543b3b3b070707242424a9a9a9a0a0a09a9a9a737373424"
         "2423e3e3edadadadddddddcdcdcd2d2d2b7b7b7959595"},
        {2, 0,
         "5050fe5c5ceb6c6cec5454fd5656f75454f3b0b0b4a8a8a8b1b1b1bfbfc79b9b9b757575c4c4c4c1c1c1c0c0c0c7c7c7c4c"
         "4c4b7b7b7c2c2c2bebebebebebec5c5c5d0d0d0cfcfcf"},
        {2, 1,
         "5050fe5650d86156cb5251f85351ed524fea9ba41a9d99109aa61382ba2f47992b507016b8ab19b8ae12bab40bb2c30d72c"
         "42939b73fb6a918b4a914b5ab12beb60ec7c9098acf23"},
        {2, 2,
         "4f50fe4a50db5155ce4f51f94c51ef504feb4687415186312e854218825e136d49044e39008262008060008060128a5a4fa"
         "43a1a944d008161007e5e007e5e0183610c8f610a8f62"},
        {2, 3,
         "4f4ffe4848d84949c84e4ef84c4ced4a4ae93030343737373d3d3d3c3c442828281a1a1b1d1d1d1e1e1e1f1f1f2323232c2"
         "c2c2b2b2b1f1f1f2020201e1e1e1c1c1c202020262626"},
    };
    for (const auto& row : rows) {
        DmrParams& p = env.settings.dmr;
        p = DmrParams{};
        p.StickToGps = 0;
        p.ViewPoint = CPointD(518000, 5072000);
        p.PreviewMode = row.preview;
        p.SurfaceType = row.surface;
        env.Renderer(160, 120);
        env.RenderAll();
        const std::vector<int> got = Fingerprint(env.r->Picture());
        const std::string want = row.print;
        bool near = want.size() == 2 * got.size();
        for (std::size_t i = 0; near && i < got.size(); ++i)
            near = std::abs(got[i] - std::stoi(want.substr(2 * i, 2), nullptr, 16)) <= 3;
        EXPECT_TRUE(near) << "preview " << row.preview << " surface " << row.surface << ": " << Hex(got);
    }
    EXPECT_TRUE(env.prompter.texts.empty());
}
