// The sample region the generator writes loads through the document.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "DocTestEnv.h"

namespace {

bool MakeRegion(const std::string& dir, const std::string& args) {
    const std::string tool = ToolsDir() + "/make-sample-region";
    return std::system((tool + " " + dir + " " + args + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

TEST(SampleRegion, LoadsThroughTheDocumentWithoutAMessageAndTheSameSeedGivesTheSameFiles) {
    if (!FileExists(ToolsDir() + "/make-sample-region")) GTEST_SKIP() << "generator not built";
    DocEnv env;
    const std::string out = env.tmp.dir() + "a";
    ASSERT_TRUE(MakeRegion(out, "--size 1 --seed 3"));
    std::map<std::string, std::string> ini;
    std::ifstream in(out + "/config/vornamap.ini");
    for (std::string line; std::getline(in, line);)
        if (const auto eq = line.find('='); eq != std::string::npos)
            ini[line.substr(0, eq)] = line.substr(eq + 1);
    EXPECT_EQ(ini["First Time"], "0");
    // Every pane layout opens on the region, not only the first pane.
    for (const char* k :
         {" Map Type", " Origin X", " Origin Y", " Print Center Easting", " Print Center Northing"})
        for (int v = 1; v <= 2; ++v)
            EXPECT_EQ(ini["View " + std::to_string(v) + k], ini[std::string("View 0") + k]) << v << k;
    env.settings.wptBaseDir = ini["Location 0 Of Wpt Base"];
    EXPECT_TRUE(FileExists(env.settings.wptBaseDir + "WptBase.cfg"));
    for (int s = 0; s < kMapTypeCount; ++s) {
        const std::string key = "Location 0 Of " + env.settings.mapTypes[s].name + " Continuous Maps";
        ASSERT_FALSE(ini[key].empty()) << key;
        env.settings.mapTypes[s].directory = ini[key];
    }
    env.settings.dmrDataDir = ini["Location 0 Of Dmr Data"];
    env.newDatabase = false;  // the counter files must be there
    CVornaDoc& doc = env.Make();

    // The view's origin is a TK50 pixel near the block's middle.
    const double mpp = 25.4 / 150 * 50;
    const int q = GetQuadrantIndex(370000 + (std::atoi(ini["View 0 Origin X"].c_str()) + 550) * mpp,
                                   5220000 - (std::atoi(ini["View 0 Origin Y"].c_str()) + 350) * mpp);
    ASSERT_GE(q, 0);
    // Every segment of every series over the block loads, one of them from ".bmp".
    const double west = 370000 + (q % 28) * 10000.0, north = 5220000 - (q / 28) * 10000.0;
    for (int s = 0; s < kMapTypeCount; ++s) {
        SegmentFlags f;
        doc.SelectActiveMapSegments(DocEnv::Desc(s), CRectD(west + 1, north - 1, west + 9999, north - 9999),
                                    f, 0);
        const int per = 10000 / doc.Series(s).metres;
        int loaded = 0, seen = 0;
        for (std::size_t i = 0; i < f.size(); ++i) loaded += f[i] && doc.SegmentPixels(s, int(i)) != nullptr;
        EXPECT_EQ(loaded, per * per) << s;
        // Colour layers carry bits 0-5 only; the orthophoto grey levels are 1..127.
        const std::uint8_t* px = doc.SegmentPixels(s, doc.GetSegmentIndex(s, west + 5000, north - 5000));
        ASSERT_NE(px, nullptr);
        for (int i = 0; i < doc.Series(s).Stride() * doc.Series(s).pixels; ++i) {
            seen |= px[i];
            ASSERT_LT(px[i], s == 4 ? 128 : 64);
        }
        EXPECT_TRUE(s != 1 || seen == 0x3F) << "TK50 has all six layers";
    }
    EXPECT_TRUE(FileExists(doc.SegmentFilePath(0, q, ".bmp")));
    // Heights between 100 and 2500 m (hectometres here).
    for (int n = 0; n < 100; n += 9)
        for (int e = 0; e < 100; e += 9) {
            const double z =
                doc.GetDmrZ(int((north - 10000) / 100) + n, int(west / 100) + e, doc.Heights().OwnFlags(), 0);
            EXPECT_TRUE(z >= 1.0 && z <= 25.0) << z;
        }
    EXPECT_TRUE(env.prompter.texts.empty()) << env.prompter.texts.front();

    ASSERT_TRUE(MakeRegion(env.tmp.dir() + "b", "--size 1 --seed 3"));
    ASSERT_TRUE(MakeRegion(env.tmp.dir() + "c", "--size 1 --seed 4"));
    for (const char* f : {"/maps/TK25/TK25NN01.mif", "/dmr/Q_NN_DMR.dat"})
        EXPECT_EQ(ReadFileBytes(out + f), ReadFileBytes(env.tmp.dir() + "b" + f)) << f;
    EXPECT_NE(ReadFileBytes(out + "/maps/TK25/TK25NN01.mif"),
              ReadFileBytes(env.tmp.dir() + "c/maps/TK25/TK25NN01.mif"));
    EXPECT_FALSE(MakeRegion(env.tmp.dir() + "d", "--size 0"));
}
