#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "DocTestEnv.h"

namespace {

std::map<std::string, std::string> ReadIni(const std::string& path) {
    std::map<std::string, std::string> keys;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return keys;
}

bool MakeRegion(const std::string& dir, const std::string& args) {
    const std::string tool = ToolsDir() + "/make-sample-region";
    if (!FileExists(tool)) return false;
    return std::system((tool + " " + dir + " " + args + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

TEST(SampleRegion, LoadsThroughTheDocumentWithoutAMessage) {
    DocEnv env;
    const std::string out = env.tmp.dir() + "region";
    if (!FileExists(ToolsDir() + "/make-sample-region")) GTEST_SKIP() << "generator not built";
    ASSERT_TRUE(MakeRegion(out, "--size 1 --seed 7"));
    auto ini = ReadIni(out + "/config/vornamap.ini");
    EXPECT_EQ(ini["First Time"], "0");
    EXPECT_EQ(ini["View 0 Map Type"], "1");
    EXPECT_TRUE(FileExists(ini["Location 0 Of Wpt Base"] + "WptBase.cfg"));
    EXPECT_EQ(ReadFileBytes(ini["Location 0 Of Wpt Base"] + "WAutoCnt.dat"), std::string(785 * 4, '\0'));
    for (int s = 0; s < kMapTypeCount; ++s) {
        const std::string key = "Location 0 Of " + env.settings.mapTypes[s].name + " Continuous Maps";
        ASSERT_FALSE(ini[key].empty()) << key;
        env.settings.mapTypes[s].directory = ini[key];
    }
    env.settings.dmrDataDir = ini["Location 0 Of Dmr Data"];
    CVornaDoc& doc = env.Make();

    // The view's origin is a TK50 pixel near the block's middle.
    const double mpp = 25.4 / 150 * 50;
    const double viewE = 370000 + (std::atoi(ini["View 0 Origin X"].c_str()) + 550) * mpp;
    const double viewN = 5220000 - (std::atoi(ini["View 0 Origin Y"].c_str()) + 350) * mpp;
    const int q = CVornaDoc::GetQuadrantIndex(viewE, viewN);
    ASSERT_GE(q, 0);

    // Every segment of every series over the block loads, one of them from ".bmp".
    const double west = 370000 + (q % 28) * 10000.0, north = 5220000 - (q / 28) * 10000.0;
    CRectD block;
    block.E1 = west + 1;
    block.E2 = west + 9999;
    block.N1 = north - 1;
    block.N2 = north - 9999;
    for (int s = 0; s < kMapTypeCount; ++s) {
        SegmentFlags f;
        doc.SelectActiveMapSegments(DocEnv::Desc(s), block, f, 0);
        const int per = 10000 / doc.Series(s).metres;
        int loaded = 0;
        for (std::size_t i = 0; i < f.size(); ++i)
            if (f[i]) loaded += doc.SegmentPixels(s, int(i)) != nullptr;
        EXPECT_EQ(loaded, per * per) << s;
        // Colour layers carry bits 0-5 only; the orthophoto grey levels are 1..127.
        const std::uint8_t* px = doc.SegmentPixels(s, doc.GetSegmentIndex(s, west + 5000, north - 5000));
        ASSERT_NE(px, nullptr);
        int seen = 0;
        for (int i = 0; i < doc.Series(s).Stride() * doc.Series(s).pixels; ++i) {
            seen |= px[i];
            ASSERT_LT(px[i], s == 4 ? 128 : 64);
        }
        if (s == 1) {
            EXPECT_EQ(seen, 0x3F);  // TK50 has all six layers
        }
    }
    EXPECT_TRUE(FileExists(doc.SegmentFilePath(0, q, ".bmp")));

    // Heights between 100 and 2500 m (hectometres here).
    for (int n = 0; n < 100; n += 9)
        for (int e = 0; e < 100; e += 9) {
            const double z =
                doc.GetDmrZ(int((north - 10000) / 100) + n, int(west / 100) + e, doc.Heights().OwnFlags(), 0);
            EXPECT_GE(z, 1.0);
            EXPECT_LE(z, 25.0);
        }
    EXPECT_TRUE(env.prompter.texts.empty()) << env.prompter.texts.front();
}

TEST(SampleRegion, SameSeedSameFiles) {
    TempDir tmp;
    if (!FileExists(ToolsDir() + "/make-sample-region")) GTEST_SKIP() << "generator not built";
    ASSERT_TRUE(MakeRegion(tmp.dir() + "a", "--size 1 --seed 3"));
    ASSERT_TRUE(MakeRegion(tmp.dir() + "b", "--size 1 --seed 3"));
    ASSERT_TRUE(MakeRegion(tmp.dir() + "c", "--size 1 --seed 4"));
    const std::string seg = "/maps/TK25/TK25NN01.mif";
    EXPECT_EQ(ReadFileBytes(tmp.dir() + "a" + seg), ReadFileBytes(tmp.dir() + "b" + seg));
    EXPECT_NE(ReadFileBytes(tmp.dir() + "a" + seg), ReadFileBytes(tmp.dir() + "c" + seg));
    EXPECT_EQ(ReadFileBytes(tmp.dir() + "a/dmr/Q_NN_DMR.dat"),
              ReadFileBytes(tmp.dir() + "b/dmr/Q_NN_DMR.dat"));
    EXPECT_FALSE(MakeRegion(tmp.dir() + "d", "--size 0"));
}
