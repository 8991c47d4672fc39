// Settings and scheme files with damage in them: what can be read is kept,
// the damage is said once and kept beside the file, and the file written at
// the end is clean.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "AppTestEnv.h"
#include "settings/ColorSchemes.h"

namespace {

const std::string kScheme = "Mine|0|1,2,3|4,5,6|7,8,9|10,11,12|13,14,15|16,17,18|\n";
const std::string kBinary = std::string(
                                "\x7f"
                                "ELF\x02\x01|\x00\xff|",
                                10) +
                            "\n";

}  // namespace

TEST(DamagedFiles, SettingsAndSchemesKeepWhatIsSoundAndSayWhatWasDropped) {
    // Sound but unusual lines (unknown keys and sections, comments, words in
    // the settings file or in a colour field) are no damage.
    const std::string ini =
        "[PREFERENCES]\nFirst Time=0\nUndoStackSize=7\n; note\nwords of a note\n[Other]\nunknown=1\n";
    const std::string schemes = kScheme + "; comment\n\nWords|0|x,y,z|\n";
    const struct {
        bool settings;
        std::string damage, otherDamage;
        const char* kept;
        std::function<void(const CVornaApp&)> check;
    } rows[] = {
        {true, ini + kBinary + "Window Top=\x05\x06\n", ini + "\x1b[2J\n", "kept 7 of its 9 lines",
         [](const CVornaApp& app) { EXPECT_EQ(app.settings.undoStackSize, 7); }},
        {false, schemes + kBinary + "words without fields\n", schemes + "=\n", "kept 2 of its 4 scheme lines",
         [](const CVornaApp& app) {
             std::vector<std::string> names;
             for (const CColorScheme& s : app.settings.appearance.schemes) names.push_back(s.name);
             EXPECT_EQ(names, (std::vector<std::string>{"Mine", "Words", "SCREEN-DEFAULT", "PRINT-DEFAULT",
                                                        "SCREEN-TK25", "PRINT-TK25"}));
             EXPECT_EQ(app.settings.appearance.schemes[0].colors[5], RGBRef(16, 17, 18));
         }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.kept);
        CAppTestEnv env;
        std::filesystem::create_directories(env.dir.file("config"));
        const std::string file = r.settings ? env.IniPath() : env.dir.file("LayerSchemes.cfg");
        WriteFileBytes(env.IniPath(), ini);
        WriteFileBytes(file, r.damage);
        auto app = env.ReadApp();
        r.check(*app);
        EXPECT_EQ(DamageTexts(env.prompter.texts),
                  std::vector<std::string>{"The file " + file + " is damaged: " + r.kept +
                                           "; the damaged original is kept as " + file + ".damaged"});
        EXPECT_EQ(ReadFileBytes(file + ".damaged"), r.damage);

        // The file written at the end holds no damage and reads without a word.
        app->WriteAllSettings();
        const std::string written = ReadFileBytes(file);
        EXPECT_EQ(written.find("ELF"), std::string::npos) << written;
        EXPECT_EQ(written.find("without fields"), std::string::npos) << written;
        EXPECT_EQ(written.find("\x05"), std::string::npos) << written;
        if (r.settings) {
            EXPECT_EQ(written.rfind(ini.substr(0, ini.find("[Other]")), 0), 0u) << written;
        }
        env.prompter.texts.clear();
        app = env.ReadApp();
        r.check(*app);
        EXPECT_TRUE(DamageTexts(env.prompter.texts).empty());

        // The same damage again: said, its copy made once.
        WriteFileBytes(file, r.damage);
        app = env.ReadApp();
        EXPECT_EQ(DamageTexts(env.prompter.texts).size(), 1u);
        EXPECT_EQ(DamagedCopies(file),
                  std::set<std::string>{std::filesystem::path(file).filename().string() + ".damaged"});

        // Other damage never replaces the first copy.
        env.prompter.texts.clear();
        WriteFileBytes(file, r.otherDamage);
        app = env.ReadApp();
        ASSERT_EQ(DamageTexts(env.prompter.texts).size(), 1u);
        EXPECT_NE(DamageTexts(env.prompter.texts)[0].find("kept as " + file + ".damaged.1"),
                  std::string::npos);
        EXPECT_EQ(ReadFileBytes(file + ".damaged"), r.damage);
        EXPECT_EQ(ReadFileBytes(file + ".damaged.1"), r.otherDamage);
    }
}

// Damage that comes while the program runs is dropped from the file written
// at the end, and a copy of it kept as well.
TEST(DamagedFiles, SettingsDamagedDuringTheRunAreKeptBeforeTheyAreWritten) {
    CAppTestEnv env;
    std::filesystem::create_directories(env.dir.file("config"));
    WriteFileBytes(env.IniPath(), "[PREFERENCES]\nUndoStackSize=7\n");
    auto app = env.ReadApp();
    const std::string damage = "[PREFERENCES]\nUndoStackSize=7\n" + kBinary;
    WriteFileBytes(env.IniPath(), damage);
    app->WriteAllSettings();
    EXPECT_EQ(ReadFileBytes(env.IniPath() + ".damaged"), damage);
    EXPECT_EQ(ReadFileBytes(env.IniPath()).find("ELF"), std::string::npos);
}
