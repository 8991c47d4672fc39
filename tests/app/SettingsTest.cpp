#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "AppTestEnv.h"
#include "platform/AtomicFile.h"
#include "settings/AppSettingsIO.h"
#include "settings/ColorSchemes.h"
#include "settings/SettingsTable.h"

namespace {

// Another value the file accepts: a number gains one in its whole part and,
// unless it is a whole number written with three decimals, in its last
// decimal; a folder gets a subfolder, a text a letter.
std::string OtherValue(std::string v) {
    static const std::regex number(R"(-?(\d+)(\.(\d+))?(e[+-]\d+)?)");
    std::smatch m;
    if (!std::regex_match(v, m, number)) return v + (v.empty() || v.back() == '/' ? "x/" : "X");
    auto bump = [&](size_t at) { v[at] = v[at] == '9' ? '8' : char(v[at] + 1); };
    bump(size_t(m.position(1) + m.length(1) - 1));
    if (m[3].matched && m.length(3) != 3) bump(size_t(m.position(3) + m.length(3) - 1));
    return v;
}

// Changes one key of a new file at a time away from its default (but the
// override, which every run starts without), reads that as start-up does and
// writes it into an empty file: the texts must be equal, so a key read in the
// wrong format, not at all, or into a field another key also uses, shows.
void RoundTrip(CAppTestEnv& env) {
    env.ReadApp()->WriteAllSettings();
    const std::string defaults = ReadFileBytes(env.IniPath());
    for (size_t eq = defaults.find('='); eq != std::string::npos; eq = defaults.find('=', eq + 1)) {
        const size_t start = defaults.rfind('\n', eq) + 1, end = defaults.find('\n', eq);
        const std::string key = defaults.substr(start, eq - start);
        if (key == "Waypoint default override") continue;
        CProfile in, out;
        // The heading stays within a turn: 410 would read back as 50.
        const std::string other =
            key == "Azimut" ? "3.11e+02" : OtherValue(defaults.substr(eq + 1, end - eq - 1));
        in.SetText(defaults.substr(0, eq + 1) + other + defaults.substr(end));
        AppSettings b;
        b.startDirectory = env.dir.dir();
        ReadSettings(in, b, SettingsStage::Preferences);
        ReadSettings(in, b, SettingsStage::DmrWindowViewPrinting);
        LoadLayerSchemes(in, b);
        ReadSettings(in, b, SettingsStage::AppearanceSearchFirstTime);
        WriteSettings(out, b);
        EXPECT_TRUE(out.Text() == in.Text()) << key;
        // Fields the writer does not see: those in effect, and those that follow another.
        EXPECT_EQ(b.wptBaseDir, b.pendingWptBaseDir) << key;
        EXPECT_EQ(b.mapTypes[3].directory, b.pendingMapTypes[3].directory) << key;
        EXPECT_EQ(b.mapTypes[3].segmentsPerSide, 140) << key;
        EXPECT_EQ(double(b.dmr.PrevViewPoint.easting), double(b.dmr.ViewPoint.easting)) << key;
        EXPECT_EQ(b.appearance.wptStyles[6].screenColor, b.appearance.wptStyles[0].screenColor) << key;
    }
    EXPECT_TRUE(env.prompter.texts.empty());
}

}  // namespace

TEST(Settings, EveryKeySurvivesWriteAndReadAlsoUnderADecimalComma) {
    {
        CAppTestEnv env;
        RoundTrip(env);
    }
    CAppTestEnv env;
    TempDir locales;
    const bool comma = UseDecimalCommaLocale(locales);
    if (comma) RoundTrip(env);
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    if (!comma) GTEST_SKIP() << "no decimal-comma locale installed and none could be compiled with localedef";
}

TEST(Settings, ANewFileListsEveryKeyOnceInItsOrderAndFormat) {
    CAppTestEnv env;
    env.ReadApp()->WriteAllSettings();
    const std::string text = ReadFileBytes(env.IniPath());
    // Sections, number formats and the place of each kind of key in a new file.
    ExpectLines(text,
                "[PREFERENCES]\nFirst Time=1|Local To WGS84 dX=4.623000e+02|Existing Wpt Proximity=1.00|"
                "[DMR]\nPreview Mode=0|Azimut=3.10e+02|View Point Easting=417500.000|[WINDOW]\nWindow Left=0|"
                "[VIEW]\nView 0 Map Type=0|View 2 Sel Layer 14=1|View 2 Print Center Northing=5220000.000|"
                "[PRINTING]\nPrint Left Margin=0|[APPEARANCE]\nPK250 screen color scheme=SCREEN-DEFAULT|"
                "OF50 print color scheme=PRINT-TK25|Auto apply=0|Waypoint default override=0|"
                "Auto Switch To Unsel Diff Color=1|[SEARCH]\nSearch Route Through All=0",
                true);
    // Every stored key, each once; keys only read are never written.
    std::istringstream in(text);
    std::set<std::string> keys;
    int keyLines = 0;
    for (std::string line; std::getline(in, line);)
        if (const size_t eq = line.find('='); eq != std::string::npos)
            ++keyLines, keys.insert(line.substr(0, eq));
    EXPECT_EQ(keyLines, 194);
    EXPECT_EQ(keys.size(), 194u);
    for (const char* never : {"Debug Mode", "Waypoint named screen color", "Waypoint Auto Level 1 font size"})
        EXPECT_EQ(keys.count(never), 0u) << never;
    // The built-in schemes, each made once and shared by the series that choose it.
    const std::string schemes = ReadFileBytes(env.dir.file("LayerSchemes.cfg"));
    EXPECT_EQ(std::count(schemes.begin(), schemes.end(), '\n'), 4) << schemes;
}

TEST(Settings, ReadingAppliesTheFileRules) {
    CAppTestEnv env;
    WriteFileBytes(
        env.dir.file("in.ini"),
        "; kept comment\n[preferences]\n"
        "Location 0 Of Wpt Base = /Data//Wpt\n"
        "Location 0 Of TK50 Continuous Maps=/Maps/Tk50\n"
        "Wpt Export Directory=/export\n"
        "Named Wpt Base Overdarft=0\nAuto Wpt Base Overdarft=20000\n"
        "Named Index Overdarft=-3\nTrack Log Overdarft=100000000\nUndoStackSize=100000000\n"
        "GPS Log Interval Seconds=-5\nWptDefaultLabelPosition=6\n"
        "Existing Wpt Proximity=2.50\nLocal To WGS84 dX=nan\nDebug Mode=1\n"
        "[Dmr]\nView Point Easting=417500.750\nAzimut=3.126e+02\n"
        "[window]\nWindow Top=7\n"
        "[view]\nView 0 Map Type=-7\nView 1 Map Type=-1\nView 2 Map Type=4\nView 1 Sel Layer 13=1\n"
        "[appearance]\nWaypoint default override=1\nWaypoint default font size=12\n"
        "Waypoint named screen color=255\nWaypoint Auto Level 3 font size=30\n"
        "Waypoint font=A font name longer than thirty-one characters\n"
        "[Other Program]\nkey=value\n");
    auto app = env.ReadApp(env.dir.file("in.ini"));

    // Folders in effect as read (with their separator), the pending waypoint
    // base collapsed; reals read in full.
    EXPECT_EQ(app->settings.wptBaseDir, "/Data//Wpt/");
    EXPECT_EQ(app->settings.mapTypes[1].directory, "/Maps/Tk50/");
    EXPECT_EQ(double(app->settings.dmr.Azimut), 312.6);
    // Keys only read: the debug switch and the waypoint styles the override would apply to.
    EXPECT_EQ(app->settings.debugMode, 1);
    EXPECT_EQ(app->settings.appearance.wptStyles[1].screenColor, 255u);
    EXPECT_EQ(app->settings.appearance.wptStyles[4].fontSize, 30);
    EXPECT_EQ(app->settings.appearance.wptStyles[5].fontSize, 12);

    app->WriteAllSettings();
    const std::string text = ReadFileBytes(env.dir.file("in.ini"));
    // Grow steps, undo size and log interval in their ranges; -1 and below mean
    // no map; the label position is two bits; the override is never read.
    ExpectLines(text,
                "Location 0 Of Wpt Base=/Data/Wpt/|Location 0 Of TK50 Continuous Maps=/Maps/Tk50/|"
                "Wpt Export Directory=/export/|Named Wpt Base Overdarft=1|Auto Wpt Base Overdarft=10000|"
                "Named Index Overdarft=1|Track Log Overdarft=100000|UndoStackSize=100000|"
                "GPS Log Interval Seconds=0|WptDefaultLabelPosition=2|Existing Wpt Proximity=2.50|"
                "Local To WGS84 dX=0.000000e+00|View Point Easting=417500.000|Azimut=3.13e+02|Window Top=7|"
                "View 0 Map Type=-3|View 1 Map Type=-3|View 2 Map Type=4|View 1 Sel Layer 13=1|"
                "Waypoint default override=0|Debug Mode=1|Waypoint named screen color=255|"
                "Waypoint font=A font name longer than thirty");
    // Lines we do not know survive, existing headers keep their spelling.
    EXPECT_EQ(text.rfind("; kept comment\n[preferences]\n", 0), 0u);
    EXPECT_NE(text.find("\n[Other Program]\nkey=value\n"), std::string::npos);
}

// The stored heading is read and written within [0, 360): a whole turn,
// written or rounded to by the three digits of its format, is north.
TEST(Settings, TheHeadingStaysBelowAWholeTurn) {
    const struct {
        const char* stored;
        double read;
        double set;
        const char* written;
    } rows[] = {{"3.60e+02", 0, 359.7, "Azimut=0.00e+00"},
                {"-0.0", 0, 359.4, "Azimut=3.59e+02"},
                {"7.25e+02", 5, 359.49, "Azimut=3.59e+02"},
                {"-9.00e+01", 270, 360, "Azimut=0.00e+00"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.stored);
        CAppTestEnv env;
        WriteFileBytes(env.dir.file("in.ini"), std::string("[DMR]\nAzimut=") + r.stored + "\n");
        auto app = env.ReadApp(env.dir.file("in.ini"));
        EXPECT_EQ(double(app->settings.dmr.Azimut), r.read);
        EXPECT_FALSE(std::signbit(double(app->settings.dmr.Azimut)));
        app->settings.dmr.Azimut = r.set;
        app->WriteAllSettings();
        ExpectLines(ReadFileBytes(env.dir.file("in.ini")), r.written);
    }
}

TEST(Settings, FilesThatCannotBeReadAreReportedAndKept) {
    const std::string ini = "[PREFERENCES]\nFirst Time=0\nUndoStackSize=7\n";
    const std::string schemes = "Mine|0|1,2,3|4,5,6|7,8,9|10,11,12|13,14,15|16,17,18|\n";
    for (const bool settings : {true, false})
        for (const bool folder : {false, true}) {  // a folder in the file's place; else reading fails
            SCOPED_TRACE(std::string(settings ? "settings" : "schemes") +
                         (folder ? " folder" : " I/O error"));
            CAppTestEnv env;
            std::filesystem::create_directories(env.dir.file("config"));
            const std::string bad = settings ? env.IniPath() : env.dir.file("LayerSchemes.cfg");
            const std::string other = settings ? env.dir.file("LayerSchemes.cfg") : env.IniPath();
            WriteFileBytes(env.IniPath(), ini);
            WriteFileBytes(env.dir.file("LayerSchemes.cfg"), schemes);
            if (folder) std::filesystem::remove(bad), std::filesystem::create_directories(bad + "/inside");
            SetStoredFileReadFaultHook([&](const std::string& p) { return !folder && p == bad; });
            auto app = env.ReadApp();
            SetStoredFileReadFaultHook(nullptr);
            ASSERT_EQ(env.prompter.texts.size(), 1u);
            EXPECT_TRUE(env.prompter.Saw(std::string("Error! Can not read ") +
                                         (settings ? "settings" : "Layer Schemes") + " from " + bad + ": "));
            EXPECT_EQ(app->settings.undoStackSize, settings ? 100 : 7);
            app->settings.undoStackSize = 55;
            app->settings.appearance.schemes[0].name = "Changed";
            app->WriteAllSettings();
            EXPECT_EQ(env.prompter.texts.size(), 1u);
            // The unreadable file is left as it was.
            EXPECT_EQ(folder ? std::filesystem::is_directory(bad + "/inside")
                             : ReadFileBytes(bad) == (settings ? ini : schemes),
                      true);
            // The other file is saved as usual.
            EXPECT_NE(ReadFileBytes(other).find(settings ? "Changed|0|" : "UndoStackSize=55\n"),
                      std::string::npos);
        }
}

TEST(Settings, FailedWritesKeepTheFilesAndSayWhy) {
    CAppTestEnv env;
    const std::string schemes = env.dir.file("LayerSchemes.cfg");
    std::filesystem::create_directories(env.dir.file("config"));
    WriteFileBytes(env.IniPath(), "[PREFERENCES]\nFirst Time=0\n");
    chmod(env.IniPath().c_str(), 0444);
    WriteFileBytes(schemes, "Old|0|1,1,1|2,2,2|3,3,3|4,4,4|5,5,5|6,6,6|\n");
    auto app = env.ReadApp();
    app->settings.appearance.schemes[0].name = "New";
    SetAtomicWriteFaultHook([&](const std::string& t) { return t == schemes; });
    app->WriteAllSettings();
    SetAtomicWriteFaultHook(nullptr);
    ASSERT_EQ(env.prompter.texts.size(), 2u);
    EXPECT_TRUE(env.prompter.Saw("Error! Can not save Layer Schemes to " + schemes + ": "));
    EXPECT_EQ(env.prompter.texts[1],
              "Error! Can not save settings to " + env.IniPath() + ": Permission denied");
    EXPECT_EQ(ReadFileBytes(env.IniPath()), "[PREFERENCES]\nFirst Time=0\n");
    EXPECT_EQ(ReadFileBytes(schemes).substr(0, 6), "Old|0|");
    // Once the fault is gone the same table is written.
    EXPECT_TRUE(app->SaveLayerSchemes());
    EXPECT_EQ(ReadFileBytes(schemes).substr(0, 6), "New|0|");
}
