// The sample region's own 3-D view, as its settings open it: terrain with
// hills against the sky in colour, not flat empty ground or a wireframe.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "DmrTestEnv.h"
#include "platform/Profile.h"
#include "settings/SettingsTable.h"

namespace {

struct PictureFacts {
    double ground = 0;     // share of the picture below the skyline
    int skylineRange = 0;  // highest minus lowest skyline row
    int colours = 0;       // distinct ground colours
    double tinted = 0;     // share of ground pixels that are not grey
};

bool IsSky(QRgb c) { return qBlue(c) == 255 && qRed(c) == qGreen(c); }

PictureFacts Facts(const QImage& img) {
    PictureFacts f;
    std::set<QRgb> colours;
    int lo = img.height(), hi = 0;
    long ground = 0, tinted = 0;
    for (int x = 0; x < img.width(); ++x) {
        int y = 0;
        while (y < img.height() && IsSky(img.pixel(x, y))) ++y;
        lo = std::min(lo, y), hi = std::max(hi, y);
        for (; y < img.height(); ++y) {
            const QRgb c = img.pixel(x, y) & 0xFFFFFF;
            ++ground;
            colours.insert(c);
            tinted +=
                std::max({qRed(c), qGreen(c), qBlue(c)}) - std::min({qRed(c), qGreen(c), qBlue(c)}) > 12;
        }
    }
    f.ground = double(ground) / (img.width() * img.height());
    f.skylineRange = hi - lo;
    f.colours = int(colours.size());
    f.tinted = ground ? double(tinted) / ground : 0;
    return f;
}

}  // namespace

TEST(SampleView, TheSampleRegionsSettingsOpenOnColouredHills) {
    if (!FileExists(ToolsDir() + "/make-sample-region")) GTEST_SKIP() << "generator not built";
    DmrEnv env;
    ASSERT_TRUE(env.UseSampleRegion(2));
    CProfile ini(env.tmp.dir() + "region/config/vornamap.ini");
    ASSERT_EQ(ini.Load(), LoadStatus::Loaded);
    ReadSettings(ini, env.settings, SettingsStage::DmrWindowViewPrinting);
    const DmrParams& p = env.settings.dmr;
    // Inside the block the generator writes (500000..520000, 5070000..5090000).
    EXPECT_TRUE(p.ViewPoint.easting > 500000 && p.ViewPoint.easting < 520000) << p.ViewPoint.easting;
    EXPECT_TRUE(p.ViewPoint.northing > 5070000 && p.ViewPoint.northing < 5090000) << p.ViewPoint.northing;
    EXPECT_EQ(p.StickToGps, 0);

    env.Renderer(320, 240);
    env.RenderAll();
    const PictureFacts f = Facts(env.r->Picture());
    EXPECT_GT(f.ground, 0.4) << "mostly sky or an empty picture";
    EXPECT_LT(f.ground, 0.97) << "no sky: the view looks into the ground";
    EXPECT_GT(f.skylineRange, 8) << "a straight skyline is flat ground";
    EXPECT_GT(f.colours, 40);
    EXPECT_GT(f.tinted, 0.5) << "a grey or wireframe surface";
    EXPECT_TRUE(env.prompter.texts.empty()) << env.prompter.texts.front();
}
