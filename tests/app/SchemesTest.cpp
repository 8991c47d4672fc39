#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "AppTestEnv.h"
#include "app/ColorSchemes.h"
#include "app/VornaApp.h"

namespace {

struct SchemeApp {
    explicit SchemeApp(CAppTestEnv& env) {
        app.iniFileName = env.IniPath();
        app.startDirectory = env.dir.dir();
    }
    CVornaApp app;
};

}  // namespace

TEST(Schemes, WithoutFilesTheFourBuiltInSchemesAreChosenAndSaved) {
    CAppTestEnv env;
    SchemeApp s(env);
    s.app.ReadAllSettings();
    const CAppearanceSettings& a = s.app.appearance;
    ASSERT_EQ(a.SchemeCount(), 4);
    EXPECT_EQ(a.schemes[0].name, "SCREEN-DEFAULT");
    EXPECT_EQ(a.schemes[1].name, "PRINT-DEFAULT");
    EXPECT_EQ(a.schemes[2].name, "SCREEN-TK25");
    EXPECT_EQ(a.schemes[3].name, "PRINT-TK25");
    const int expected[kMapTypeCount][2] = {{0, 1}, {0, 1}, {2, 3}, {2, 3}, {2, 3}};
    for (int r = 0; r < kMapTypeCount; ++r)
        for (int m = 0; m < 2; ++m) EXPECT_EQ(a.schemeChoice[r][m], expected[r][m]) << r << "/" << m;
    EXPECT_EQ(a.schemes[2].colors[4], 10395294u);  // grey names on the large scales

    s.app.WriteAllSettings();
    EXPECT_EQ(ReadFileBytes(env.dir.file("LayerSchemes.cfg")),
              "SCREEN-DEFAULT|0|192,222,196|191,102,64|0,0,255|255,179,0|0,0,0|0,0,0|\n"
              "PRINT-DEFAULT|0|192,222,196|191,102,64|0,0,255|255,179,0|0,0,0|0,0,0|\n"
              "SCREEN-TK25|0|192,222,196|191,102,64|0,0,255|255,179,0|158,158,158|0,0,0|\n"
              "PRINT-TK25|0|192,222,196|191,102,64|0,0,255|255,179,0|158,158,158|0,0,0|\n");
}

TEST(Schemes, FileLinesChoicesAndSchemeFiles) {
    CAppTestEnv env;
    std::filesystem::create_directories(env.dir.file("cfg"));
    WriteFileBytes(env.dir.file("cfg/LayerSchemes.cfg"),
                   "; my schemes\n"
                   "\n"
                   "Summer|7|1,2,3|4,5,6|7,8,9|10,11,12|13,14,15|16,17,18|\n"
                   "SUMMER|0|9,9,9|\n"
                   "Winter|0|300,x,-1\n");
    // Three lines: the rest repeat the last one. Found whatever its case.
    WriteFileBytes(env.dir.file("cfg/night.LCS"), "255\n65280\n16711680\n");
    std::filesystem::create_directories(env.dir.file("config"));
    WriteFileBytes(env.IniPath(),
                   "[PREFERENCES]\nConfig Directory=" + env.dir.file("cfg") +
                       "\n[APPEARANCE]\nPK250 SCREEN color scheme=summer\nTK50 print color scheme=Night\n"
                       "TK25 screen color scheme=nothing\n");
    SchemeApp s(env);
    s.app.ReadAllSettings();
    const CAppearanceSettings& a = s.app.appearance;
    ASSERT_GE(a.SchemeCount(), 3);
    EXPECT_EQ(a.schemes[0].flag, 0);
    EXPECT_EQ(a.schemes[0].colors[0], RGBRef(1, 2, 3));
    EXPECT_EQ(a.schemes[0].colors[5], RGBRef(16, 17, 18));
    // The later of two names that differ only in case wins.
    EXPECT_EQ(a.schemeChoice[0][kSchemeScreen], 1);
    EXPECT_EQ(a.schemes[1].colors[0], RGBRef(9, 9, 9));
    EXPECT_EQ(a.schemes[1].colors[1], 0u);  // missing fields are 0
    EXPECT_EQ(a.schemes[2].colors[0], RGBRef(300 & 255, 0, -1 & 255));

    const CColorScheme& night = a.schemes[size_t(a.schemeChoice[1][kSchemePrint])];
    EXPECT_EQ(night.name, "NIGHT");
    EXPECT_EQ(night.colors[0], 255u);
    EXPECT_EQ(night.colors[2], 16711680u);
    EXPECT_EQ(night.colors[5], 16711680u);

    const CColorScheme& nothing = a.schemes[size_t(a.schemeChoice[2][kSchemeScreen])];
    EXPECT_EQ(nothing.name, "NOTHING");
    EXPECT_EQ(nothing.colors[0], 12902080u);

    s.app.WriteAllSettings();
    const std::string saved = ReadFileBytes(env.dir.file("cfg/LayerSchemes.cfg"));
    EXPECT_EQ(saved.rfind("Summer|0|1,2,3|4,5,6|7,8,9|10,11,12|13,14,15|16,17,18|\n", 0), 0u);
    const std::string ini = ReadFileBytes(env.IniPath());
    EXPECT_NE(ini.find("PK250 screen color scheme=SUMMER\n"), std::string::npos);
    EXPECT_NE(ini.find("TK50 print color scheme=NIGHT\n"), std::string::npos);
}

TEST(Schemes, MoreThanTwentySchemesAreAllKept) {
    CAppTestEnv env;
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "S" + std::to_string(i) + "|0|1,1,1|2,2,2|3,3,3|4,4,4|5,5,5|6,6,6|\n";
    WriteFileBytes(env.dir.file("LayerSchemes.cfg"), text);
    SchemeApp s(env);
    s.app.ReadAllSettings();
    EXPECT_EQ(s.app.appearance.SchemeCount(), 34);
    EXPECT_EQ(s.app.appearance.schemeChoice[4][kSchemePrint], 33);
}

TEST(Schemes, FailedSaveKeepsTheOldFileAndSaysSo) {
    CAppTestEnv env;
    WriteFileBytes(env.dir.file("LayerSchemes.cfg"), "Old|0|1,1,1|2,2,2|3,3,3|4,4,4|5,5,5|6,6,6|\n");
    SchemeApp s(env);
    s.app.ReadAllSettings();
    s.app.appearance.schemes[0].name = "New";
    // The temporary name is taken by a folder, so nothing can be written.
    const std::string tmp = env.dir.file("LayerSchemes.cfg.tmp") + std::to_string(getpid());
    std::filesystem::create_directories(tmp + "/x");
    EXPECT_FALSE(s.app.SaveLayerSchemes());
    EXPECT_EQ(env.prompter.texts.back(),
              "Error! Can not save Layer Schemes to " + env.dir.file("LayerSchemes.cfg"));
    EXPECT_EQ(ReadFileBytes(env.dir.file("LayerSchemes.cfg")),
              "Old|0|1,1,1|2,2,2|3,3,3|4,4,4|5,5,5|6,6,6|\n");
    std::filesystem::remove_all(tmp);
    EXPECT_TRUE(s.app.SaveLayerSchemes());
    EXPECT_EQ(ReadFileBytes(env.dir.file("LayerSchemes.cfg")).substr(0, 6), "New|0|");
}
