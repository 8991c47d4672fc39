// The generated sample region from its south-east corner with the default
// view settings, once per surface, against stored mean colours of 6 x 4
// blocks (each channel within 3): a changed camera, scan, patch, shade or
// colour shows, a pixel's rounding does not. The surfaces were taken again
// once slopes turned to the eye got a sample per pixel (the near slopes had
// been streaked with holes the gap filling covered).
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
         "5050fe5c5ceb6c6cec5454fd5656f65555f3b1b1b3a8a8a8b1b1b1bfbfc79a9a9a747475c4c4c4c1c1c1c1c1c1c8c8c8c5c"
         "5c5b6b6b6c2c2c2bebebebebebec5c5c5d4d4d4cecece"},
        {2, 1,
         "5050fe5650d86156cc5351f75351ed524fea9ca4189d98119ba61385ba2d49982a516f16b8ab18b8af11bbb60ab3c50d6dc"
         "52c37b63fb6a918b4a914b5ac12bfb80dc5d10a83ce25"},
        {2, 2,
         "4f50fe4a50da4e54cd4f51f84b51ee504feb47863f4e85322c8543168460116647054d38008262008060008060188b584b9"
         "e3a168f4d008161007e5e007e5f008362119461088d63"},
        {2, 3,
         "4f4ffe4949d74949c84e4ef74b4bec4a4ae93030333737373d3d3d3c3c442727281b1b1b1d1d1d1e1e1e1f1f1f2525252c2"
         "c2c2b2b2b1f1f1f2020201e1e1e1c1c1c242424262626"},
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
