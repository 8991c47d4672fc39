#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "AppTestEnv.h"
#include "settings/ColorSchemes.h"

TEST(Schemes, FileLinesChoicesAndSchemeFiles) {
    CAppTestEnv env;
    std::filesystem::create_directories(env.dir.file("cfg"));
    std::string lines =
        "; my schemes\n\nSummer|7|1,2,3|4,5,6|7,8,9|10,11,12|13,14,15|16,17,18|\n"
        "SUMMER|0|9,9,9|\nWinter|0|300,x,-1\n";
    for (int i = 0; i < 25; ++i) lines += "S" + std::to_string(i) + "|0|1,1,1|\n";  // no fixed limit
    WriteFileBytes(env.dir.file("cfg/LayerSchemes.cfg"), lines);
    // Three lines: the rest repeat the last one. Found whatever its case.
    WriteFileBytes(env.dir.file("cfg/night.LCS"), "255\n65280\n16711680\n");
    std::filesystem::create_directories(env.dir.file("config"));
    WriteFileBytes(env.IniPath(), "[PREFERENCES]\nConfig Directory=" + env.dir.file("cfg") +
                                      "\n[APPEARANCE]\nPK250 SCREEN color scheme=summer\n"
                                      "TK50 print color scheme=Night\nTK25 screen color scheme=nothing\n"
                                      "TN10 screen color scheme=a|b\n");
    auto app = env.ReadApp();
    const CAppearanceSettings& a = app->settings.appearance;
    auto chosen = [&](int row, int medium) { return a.schemes[size_t(a.schemeChoice[row][medium])]; };
    ASSERT_EQ(a.SchemeCount(), 28 + 6);
    EXPECT_EQ(a.schemes[0].colors[5], RGBRef(16, 17, 18));
    EXPECT_EQ(a.schemeChoice[0][kSchemeScreen], 1);  // the later of two names that differ in case
    EXPECT_EQ(a.schemes[1].colors[1], 0u);           // missing fields are 0
    EXPECT_EQ(a.schemes[2].colors[0], RGBRef(300 & 255, 0, -1 & 255));
    EXPECT_EQ(chosen(1, kSchemePrint).name, "NIGHT");
    EXPECT_EQ(chosen(1, kSchemePrint).colors[5], 16711680u);
    EXPECT_EQ(chosen(2, kSchemeScreen).name, "NOTHING");
    EXPECT_EQ(chosen(2, kSchemeScreen).colors[4], 10395294u);
    // A choice the scheme file could not hold falls back to the series default.
    EXPECT_EQ(chosen(3, kSchemeScreen).name, "SCREEN-TK25");

    app->WriteAllSettings();
    const std::string saved = ReadFileBytes(env.dir.file("cfg/LayerSchemes.cfg"));
    EXPECT_EQ(saved.rfind("Summer|0|1,2,3|4,5,6|7,8,9|10,11,12|13,14,15|16,17,18|\n", 0), 0u);
    const std::string ini = ReadFileBytes(env.IniPath());
    EXPECT_NE(ini.find("PK250 screen color scheme=SUMMER\n"), std::string::npos);
    EXPECT_NE(ini.find("TN10 screen color scheme=SCREEN-TK25\n"), std::string::npos);
}

TEST(Schemes, NamesThatWouldBreakTheLineAreRefusedWithAReason) {
    for (const std::string& name :
         {std::string(), std::string("a|b"), std::string(";lead"), std::string("tab\there"),
          std::string("nl\nx"), std::string("nul\0x", 5), std::string(" blank"), std::string("end "),
          std::string("del\x7f"), std::string(179, 'x')}) {
        std::string reason;
        EXPECT_FALSE(IsValidSchemeName(name, &reason)) << name;
        EXPECT_FALSE(reason.empty()) << name;
    }
    for (const std::string& name :
         {std::string("a;b"), std::string("x=y,z"), std::string("Gr\xfcn"), std::string(178, 'x')})
        EXPECT_TRUE(IsValidSchemeName(name)) << name;
}

TEST(Schemes, RandomTablesSurviveSaveAndReloadExactly) {
    std::mt19937 rng(8);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        CAppTestEnv env;
        auto app = env.ReadApp();
        CAppearanceSettings& a = app->settings.appearance;
        a.schemes.clear();
        const int count = 1 + pick(30);
        for (int i = 0; i < count; ++i) {
            CColorScheme sc;
            do {  // a number first keeps names apart whatever their case
                sc.name = std::to_string(i) + ":";
                for (int c = 1 + pick(i == 0 ? 175 : 40); c > 0; --c) sc.name += char(32 + pick(224));
            } while (!IsValidSchemeName(sc.name));
            for (COLORREF& c : sc.colors) c = RGBRef(pick(256), pick(256), pick(256));
            a.schemes.push_back(sc);
        }
        for (auto& choice : a.schemeChoice) choice[0] = pick(count), choice[1] = pick(count);
        app->WriteAllSettings();

        auto again = env.ReadApp();
        const CAppearanceSettings& b = again->settings.appearance;
        ASSERT_EQ(b.SchemeCount(), count);
        for (size_t i = 0; i < size_t(count); ++i) {
            EXPECT_EQ(b.schemes[i].name, a.schemes[i].name);
            EXPECT_TRUE(std::equal(b.schemes[i].colors, b.schemes[i].colors + 6, a.schemes[i].colors)) << i;
        }
        for (int r = 0; r < kMapTypeCount; ++r)
            EXPECT_TRUE(std::equal(b.schemeChoice[r], b.schemeChoice[r] + 2, a.schemeChoice[r])) << r;
    }
}
