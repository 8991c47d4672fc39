#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <map>

#include "AppTestEnv.h"
#include "settings/AppSettingsIO.h"

namespace {

const char* const kNoDatum = "Warning! Geodetic transformation parameters not set.";
const char* const kTakesEffect = "Changes will take effect next time you start the program!";

// A settings file for a normal (not first) start with the base at base.
void WriteIni(CAppTestEnv& env, const std::string& base, const std::string& extra = "") {
    std::filesystem::create_directories(env.dir.file("config"));
    WriteFileBytes(env.IniPath(),
                   "[PREFERENCES]\nFirst Time=0\nLocation 0 Of Wpt Base=" + base + "\n" + extra);
}

// Every file under dir with its size and time, lock files aside.
std::map<std::string, std::pair<std::uintmax_t, std::filesystem::file_time_type>> Tree(const TempDir& dir) {
    std::map<std::string, std::pair<std::uintmax_t, std::filesystem::file_time_type>> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
        if (e.is_regular_file() && e.path().filename() != "vornamap.lock")
            files[e.path().string()] = {e.file_size(), e.last_write_time()};
    return files;
}

}  // namespace

TEST(Startup, FirstRunOpensFileLocationsEndsAndStoresTheChoice) {
    CAppTestEnv env;
    CVornaApp app;
    app.SetDialogs(&env.dialogs);
    env.dialogs.editLocations = [&](FileLocationsValues& v) { v.wptBaseDir = env.dir.file("My//Wpt"); };
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(env.dialogs.locationRuns, 1);
    EXPECT_EQ(env.dialogs.shownLocations.wptBaseDir, env.dir.path() + "/vorne/wpt/");
    EXPECT_EQ(app.settings.iniFileName, env.IniPath());
    EXPECT_TRUE(env.prompter.Saw(kTakesEffect));
    EXPECT_FALSE(FileExists(env.dir.file("My")));  // nothing is created on a first run

    app.ExitInstance();
    const std::string ini = ReadFileBytes(env.IniPath());
    EXPECT_NE(ini.find("[PREFERENCES]\nFirst Time=0\n"), std::string::npos);
    EXPECT_NE(ini.find("\nLocation 0 Of Wpt Base=" + env.dir.file("My/Wpt/") + "\n"), std::string::npos);
    EXPECT_TRUE(FileExists(env.dir.file("LayerSchemes.cfg")));
}

TEST(Startup, WaypointBaseIsCreatedWithItsMarkerOrFileLocationsOpens) {
    struct Case {
        const char* base;  // under the test folder; "a" exists
        const char* file;  // made first
        int answer;
        const char* second;  // the message after the question; nullptr: created, "": the folder's own
    };
    const Case cases[] = {
        {"a/b/c", nullptr, IDYES, nullptr},  // no trailing separator: one is added
        {"a/file/c/", "a/file", IDYES, ""},
        {"a/", "a/WptBase.cfg/x", IDYES, "Error! Could not create Waypoint Base at specified location."},
        {"nobase/", nullptr, IDNO, "Please enter Waypoint Base location in the following dialog!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base);
        CAppTestEnv env;
        std::filesystem::create_directories(env.dir.file("a/"));
        if (c.file && std::string(c.file).back() == 'x')
            std::filesystem::create_directories(env.dir.file(c.file));
        else if (c.file)
            WriteFileBytes(env.dir.file(c.file), "x");
        const std::string base = WithTrailingSlash(env.dir.file(c.base));
        WriteIni(env, env.dir.file(c.base));
        CVornaApp app;
        app.SetDialogs(&env.dialogs);
        env.prompter.answers = {c.answer};
        EXPECT_EQ(app.InitInstance(), !c.second);
        ASSERT_FALSE(env.prompter.texts.empty());
        EXPECT_EQ(env.prompter.texts[0],
                  "No Wpt Base fount at " + base + "! Would you like to create new one?");
        EXPECT_EQ(env.dialogs.locationRuns, c.second ? 1 : 0);
        EXPECT_EQ(app.newWptBaseFlag, c.second ? 0 : 1);
        EXPECT_FALSE(env.prompter.Saw(kNoDatum));
        EXPECT_FALSE(FileExists(env.dir.file("nobase")));
        if (c.second) {
            ASSERT_GE(env.prompter.texts.size(), 3u);
            const std::string second = *c.second
                                           ? c.second
                                           : "Error! There is already file named 'file' in directory '" +
                                                 env.dir.file("a/") + "' or some other error occured.";
            EXPECT_EQ(env.prompter.texts[1].rfind(second, 0), 0u);
            EXPECT_EQ(env.prompter.texts.back(), kTakesEffect);
        }
        // ExitInstance runs after a failed start too and keeps the settings.
        app.ExitInstance();
        EXPECT_NE(ReadFileBytes(env.IniPath()).find("First Time=0\n"), std::string::npos);
        if (c.second) continue;
        EXPECT_EQ(ReadFileBytes(base + "WptBase.cfg"), "2.0");
        // The next start finds it, whatever it holds, and asks nothing.
        WriteFileBytes(base + "WptBase.cfg", "");
        CScriptedPrompter quiet;
        CVornaApp again;
        again.SetDialogs(&env.dialogs);
        EXPECT_TRUE(again.InitInstance());
        EXPECT_TRUE(quiet.texts.empty());
        EXPECT_EQ(again.newWptBaseFlag, 0);
        again.ExitInstance();
    }
}

TEST(Startup, NormalStartAppendsDebugLogsStartsGpsAndWarnsOfAZeroDatum) {
    CAppTestEnv env;
    std::filesystem::create_directories(env.dir.file("w"));
    WriteFileBytes(env.dir.file("w/WptBase.cfg"), "2.0");
    WriteIni(env, env.dir.file("w/"),
             "Debug Mode=1\nGPS Enabled=1\nLocal To WGS84 dX=0\nLocal To WGS84 dY=0\nLocal To WGS84 dZ=0\n"
             "Local To WGS84 eX=0\nLocal To WGS84 eY=0\nLocal To WGS84 eZ=0\nLocal To WGS84 dM=0\n");
    WriteFileBytes(env.dir.file("DebugLog.txt"), "earlier run\n");
    CVornaApp app;
    app.SetDialogs(&env.dialogs);
    int started = 0, stopped = 0;
    app.startGpsReception = [&](CVornaApp& a) {
        EXPECT_EQ(a.settings.gpsEnabled, 0);
        a.settings.gpsEnabled = ++started;  // the port opened
    };
    app.stopGpsReception = [&](CVornaApp&) { ++stopped; };
    ASSERT_TRUE(app.InitInstance());
    EXPECT_TRUE(env.prompter.Saw(kNoDatum));
    EXPECT_FALSE(app.geo.HasParameters());
    ASSERT_TRUE(app.debugLog && app.gpsDebugLog);
    std::fputs("this run\n", app.debugLog);
    std::fputs("gps line\n", app.gpsDebugLog);
    app.ExitInstance();
    EXPECT_EQ(started, 1);
    EXPECT_EQ(stopped, 1);
    EXPECT_TRUE(!app.debugLog && !app.gpsDebugLog);
    EXPECT_EQ(ReadFileBytes(env.dir.file("DebugLog.txt")), "earlier run\nthis run\n");
    EXPECT_EQ(ReadFileBytes(env.dir.file("GPSdebugLog.txt")), "gps line\n");
}

TEST(Startup, FileLocationsAndPreferencesStoreWhatTheDialogsReturn) {
    CAppTestEnv env;
    auto app = env.ReadApp();
    const std::string inEffect = app->settings.mapTypes[1].directory;
    env.dialogs.editLocations = [](FileLocationsValues& v) { v.mapTypes[1].directory = "/Maps//TK50"; };
    app->OnFileLocations();
    EXPECT_EQ(app->settings.pendingMapTypes[1].directory, "/Maps/TK50/");
    EXPECT_EQ(app->settings.mapTypes[1].directory, inEffect);
    EXPECT_TRUE(env.prompter.Saw(kTakesEffect));

    // OK: bounded values, the label position shifted, the datum reapplied.
    app->settings.wptDefaultLabelPosition = 1 << 4;
    env.dialogs.editPreferences = [](PreferencesValues& v) {
        EXPECT_EQ(v.labelPosition, 1);
        v.labelPosition = 2, v.undoStackSize = 0, v.trackLogOverdraft = -4, v.gpsLogIntervalSeconds = -3;
        v.gpsPort = "/dev/ttyUSB1";
        v.dX = v.dY = v.dZ = v.eX = v.eY = v.eZ = v.dM = 0;
    };
    env.prompter.texts.clear();
    app->OnPreferences();
    EXPECT_EQ(app->settings.wptDefaultLabelPosition, 32);
    EXPECT_EQ(app->settings.undoStackSize, 1);
    EXPECT_EQ(app->settings.trackLogOverdraft, 1);
    EXPECT_EQ(app->settings.gpsLogIntervalSeconds, 0);  // 0 is an interval of its own
    EXPECT_EQ(app->settings.gpsPort, "/dev/ttyUSB1");
    ASSERT_EQ(env.prompter.texts.size(), 2u);
    EXPECT_EQ(env.prompter.texts[0].rfind("Warning! Changes to the database preferences will be valid", 0),
              0u);
    EXPECT_EQ(env.prompter.texts[1].rfind(kNoDatum, 0), 0u);

    // Cancel changes nothing and says nothing.
    env.dialogs.ok = false;
    env.prompter.texts.clear();
    app->OnFileLocations();
    app->OnPreferences();
    EXPECT_TRUE(env.prompter.texts.empty());
    EXPECT_EQ(app->settings.pendingMapTypes[1].directory, "/Maps/TK50/");
    EXPECT_EQ(app->settings.wptDefaultLabelPosition, 32);
}

TEST(Startup, MemoryCountersCountBlocksAndBytesWithoutWrapping) {
    CVornaApp app;
    app.CountAlloc(kMemTrackLog, 3000000000LL);  // more than the 32-bit counter holds
    app.CountAlloc(kMemTrackLog, 10);
    EXPECT_EQ(app.memUse[kMemTrackLog], 2);
    EXPECT_EQ(app.memUse[kMemTrackLog + 1], INT_MAX);
    app.CountAlloc(kMemViews, 0);
    app.CountFree(kMemDocuments, 0);
    EXPECT_EQ(app.memUse[kMemDocuments], -1);
    EXPECT_EQ(app.memUse[kMemViews], 1);  // the single counters have no byte partner
}

// Without an override the start directory is made under the data home (or
// home), whatever the current folder, and the schemes live there.
TEST(Startup, StartDirectoryIsThePerUserDataFolderMadeAtFirstStart) {
    for (const bool xdg : {true, false}) {
        SCOPED_TRACE(xdg);
        CAppTestEnv env;
        const ScopedEnv noOverride("VORNAMAP_DATA_DIR", "");
        const ScopedEnv dataHome("XDG_DATA_HOME", xdg ? env.dir.file("data") : "");
        const std::string expected =
            xdg ? env.dir.file("data/vornamap/") : env.dir.file(".local/share/vornamap/");
        CVornaApp app;
        app.SetDialogs(&env.dialogs);
        EXPECT_FALSE(app.InitInstance());  // a first run
        EXPECT_EQ(app.settings.startDirectory, expected);
        EXPECT_TRUE(std::filesystem::is_directory(expected));
        app.ExitInstance();
        EXPECT_TRUE(FileExists(expected + "LayerSchemes.cfg"));
        EXPECT_FALSE(FileExists(env.dir.file("LayerSchemes.cfg")));  // the current folder
    }
}

// A second copy on the same start folder or waypoint folder says which folder
// is taken and ends without writing anything, the settings file included; a
// killed first copy blocks nothing.
TEST(Startup, SecondCopyOnTheSameFoldersSaysSoAndWritesNothing) {
    for (const bool wptFolder : {false, true}) {
        SCOPED_TRACE(wptFolder ? "waypoint folder" : "start folder");
        CAppTestEnv env;
        const std::string base = env.dir.dir() + "wpt/";
        std::filesystem::create_directories(base);
        ASSERT_TRUE(WriteFileBytes(base + "WptBase.cfg", "2.0"));
        WriteIni(env, base);
        const std::string folder = wptFolder ? base : env.dir.dir();
        OtherCopy other(folder);
        ASSERT_TRUE(other.took);
        const auto before = Tree(env.dir);
        {
            CVornaApp app;
            app.SetDialogs(&env.dialogs);
            EXPECT_FALSE(app.InitInstance());
            EXPECT_NE(app.ExitInstance(), 0);
        }
        EXPECT_TRUE(env.prompter.Saw("Another copy of the program is using the folder " + folder));
        EXPECT_EQ(Tree(env.dir), before);
        other.Kill();
        env.prompter.texts.clear();
        CVornaApp app;
        app.SetDialogs(&env.dialogs);
        EXPECT_TRUE(app.InitInstance());
        EXPECT_FALSE(env.prompter.Saw("Another copy of the program"));
        EXPECT_EQ(app.ExitInstance(), 0);
        EXPECT_NE(Tree(env.dir), before);  // this one writes its settings
    }
}
