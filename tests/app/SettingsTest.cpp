#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "AppTestEnv.h"
#include "app/AppSettingsIO.h"
#include "app/VornaApp.h"
#include "platform/AtomicFile.h"

namespace {

// Every field the file holds, made different from its default.
void FillNonDefaults(AppSettings& s) {
    s.firstTime = 0;
    s.printMarginLeft = 11, s.printMarginTop = 12, s.printMarginRight = 13, s.printMarginBottom = 14;
    s.printTitleMargin = 15, s.printTitleSize = 33;
    s.pendingWptBaseDir = "/data/wpt/";
    for (int i = 0; i < kMapTypeCount; ++i)
        s.pendingMapTypes[i].directory = "/maps/" + std::to_string(i) + "/";
    s.dmrDataDir = "/dmr/", s.wptExportDir = "/exp/", s.wptImportDir = "/imp/", s.trackLogDir = "/trk/";
    s.configDir = "/cfg/", s.searchAreaDir = "/sa/", s.waypointKeyword = "W", s.trackpointKeyword = "T";
    s.saveDownloadedTrk = 0, s.saveDownloadedWpts = 0, s.importDownloadedWpts = 0;
    s.askAfterDownloadingWpts = 0, s.exportToGps = 0, s.ignoreExistingWpts = 0, s.suggestLogNames = 0;
    s.existingWptProximity = 2.5;
    s.namedWptBaseOverdraft = 7, s.autoWptBaseOverdraft = 8, s.namedIndexOverdraft = 9;
    s.trackLogOverdraft = 10, s.minWaypointDistance = 11, s.undoStackSize = 12;
    s.wptDefaultLabelPosition = 3 << 4, s.wptLevel = 2;
    s.datumDX = 1.5, s.datumDY = -2.25, s.datumDZ = 3.125, s.datumEX = -0.5, s.datumEY = 0.75;
    s.datumEZ = 1234.5, s.datumDM = -6.5;
    CAppearanceSettings& a = s.appearance;
    a.autoApply = 1, a.usePrinterColors = 1;
    a.schemes = {{"Mine", 0, {1, 2, 3, 4, 5, 6}}};
    for (auto& c : a.schemeChoice) c[0] = c[1] = 0;
    a.wptStyles[0] = {0x123456, 0x654321, 20, 0, 1, 1};
    a.wptFont = "DejaVu Sans";
    a.hiddenScreenColor = 1, a.hiddenPrintColor = 2, a.markerSize = 4, a.markerOutline = 0;
    a.labelDistance = 9, a.screenOpacity = 50, a.printOpacity = 60;
    a.trackScreenColor = 3, a.trackPrintColor = 4, a.trackSelScreenColor = 5, a.trackSelPrintColor = 6;
    a.trackThickness = 7, a.trackMarkerSize = 8, a.gpsInactiveColor = 9, a.gpsMarkerSize = 10;
    a.dmrMarkerSize = 11;
    s.windowLeft = 10, s.windowTop = 20, s.windowRight = 810, s.windowBottom = 620;
    s.splitStyle = 3, s.twoMapVertSplitRatio = 400, s.mapDmrVertSplitRatio = 600, s.mapDmrHorSplitRatio = 300;
    s.autoSwitchToUnselDiffColor = 0;
    s.gpsPort = "/dev/ttyUSB0", s.gpsBaudRate = "9600", s.gpsEnabled = 1;
    s.gpsLogIntervalSeconds = 3, s.gpsLogDrawnPoints = 77, s.gpsUsesLocalDatum = 0;
    DmrParams& d = s.dmr;
    d.PreviewMode = 1, d.SurfaceType = 2, d.Azimut = 123.0, d.Elevation = -45.0, d.ViewAngle = 60.0;
    d.ViewPoint = CPointD(500000, 5100000);
    d.MoveStep = 50, d.AbsHeight = 900, d.RelHeight = 30, d.IsRelHeight = 1, d.Visibility = 40;
    d.Rendering = 0, d.FillGaps = 0, d.StickToGps = 0;
    s.dmrStepHistory = 9, s.dmrMaxOpenQuadrants = 30;
    for (int v = 0; v < kViewSlots; ++v) {
        ViewSettings& vs = s.views[v];
        vs.mapType = v + 2;
        for (int l = 0; l < kLayerCount; ++l) vs.layers[l] = l == 13 ? 1 : 0;
        vs.overlay = 0, vs.printGrid = 0, vs.dmrArea = v % 2, vs.unselectedWpt = 1, vs.tracking = 2;
        vs.originX = 100 + v, vs.originY = 200 + v;
        vs.printCenter = CPointD(400000 + v, 5000000 + v);
        vs.printWidth = 18000, vs.printHeight = 25000;
    }
    s.searchRouteThroughAll = 1;
}

// key -> value of every key line, and the keys in file order.
std::map<std::string, std::string> KeyValues(const std::string& text,
                                             std::vector<std::string>* order = nullptr) {
    std::map<std::string, std::string> kv;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos || line[0] == '[') continue;
        kv[line.substr(0, eq)] = line.substr(eq + 1);
        if (order) order->push_back(line.substr(0, eq));
    }
    return kv;
}

std::unique_ptr<CVornaApp> ReadApp(CAppTestEnv& env, const std::string& ini) {
    auto app = std::make_unique<CVornaApp>();
    app->iniFileName = ini;
    app->startDirectory = env.dir.dir();
    app->ReadAllSettings();
    return app;
}

// Writes every key with a value other than its default, reads the file into
// a second application object and writes that: the texts must be equal.
void RoundTrip(CAppTestEnv& env) {
    std::filesystem::create_directories(env.dir.file("cfg"));
    const std::string defaults = env.dir.file("defaults.ini");
    ReadApp(env, defaults)->WriteAllSettings();
    auto a = ReadApp(env, env.IniPath());
    FillNonDefaults(*a);
    a->configDir = env.dir.file("cfg/");
    a->WriteAllSettings();
    const std::string written = ReadFileBytes(env.IniPath());

    // Not one key keeps its default (but the override, which every run
    // starts without), so a key read into the wrong field or not at all
    // shows below.
    const auto def = KeyValues(ReadFileBytes(defaults)), mine = KeyValues(written);
    ASSERT_EQ(def.size(), mine.size());
    for (const auto& [key, value] : def)
        if (key != "Waypoint default override") {
            EXPECT_NE(mine.at(key), value) << key;
        }

    auto b = ReadApp(env, env.IniPath());
    b->iniFileName = env.dir.file("again.ini");
    b->WriteAllSettings();
    EXPECT_EQ(ReadFileBytes(env.dir.file("again.ini")), written);
    EXPECT_EQ(b->wptBaseDir, "/data/wpt/");
    EXPECT_EQ(b->mapTypes[3].directory, "/maps/3/");
    EXPECT_EQ(b->mapTypes[3].segmentsPerSide, 140);
    EXPECT_EQ(b->datumEZ, 1234.5);
    EXPECT_EQ(b->wptDefaultLabelPosition, 48);
    EXPECT_EQ(double(b->dmr.PrevViewPoint.easting), 500000);
    EXPECT_EQ(b->appearance.wptStyles[6].screenColor, 0x123456u);  // follows the default row
}

// Selects a locale with a decimal comma for LC_NUMERIC: an installed one, or
// one compiled into dir with localedef (glibc reads LOCPATH on each call).
bool UseDecimalCommaLocale(const TempDir& dir) {
    auto comma = [] { return std::localeconv()->decimal_point[0] == ','; };
    for (const char* name :
         {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "it_IT.UTF-8", "cs_CZ.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name) && comma()) return true;
    if (!std::filesystem::exists("/usr/share/i18n/locales/de_DE")) return false;
    const std::string cmd = "localedef -i de_DE -f UTF-8 '" + dir.file("de_DE.UTF-8") + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) == -1 || !std::filesystem::exists(dir.file("de_DE.UTF-8/LC_NUMERIC")))
        return false;
    setenv("LOCPATH", dir.path().c_str(), 1);
    return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && comma();
}

}  // namespace

TEST(Settings, WriteThenReadGivesTheSameRecords) {
    CAppTestEnv env;
    RoundTrip(env);
}

TEST(Settings, RoundTripIsTheSameUnderADecimalCommaLocale) {
    CAppTestEnv env;
    TempDir locales;
    if (!UseDecimalCommaLocale(locales)) {
        std::setlocale(LC_NUMERIC, "C");
        unsetenv("LOCPATH");
        GTEST_SKIP() << "no decimal-comma locale installed and none could be compiled with localedef";
    }
    RoundTrip(env);
    const std::string text = ReadFileBytes(env.IniPath());
    EXPECT_NE(text.find("\nLocal To WGS84 dY=-2.250000e+00\n"), std::string::npos);
    EXPECT_NE(text.find("\nExisting Wpt Proximity=2.50\n"), std::string::npos);
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
}

TEST(Settings, MissingFileGivesTheDefaultsAndANewFileInItsOrder) {
    CAppTestEnv env;
    auto app = ReadApp(env, env.IniPath());
    const std::string home = env.dir.path();
    EXPECT_EQ(app->firstTime, 1);
    EXPECT_EQ(app->wptBaseDir, home + "/vorne/wpt/");
    EXPECT_EQ(app->pendingMapTypes[4].directory, home + "/vorne/OF50/maps/");
    EXPECT_EQ(app->dmrDataDir, home + "/vorne/dmr/data/");
    EXPECT_EQ(app->undoStackSize, 100);
    EXPECT_EQ(app->datumEX, -4.465);
    EXPECT_EQ(app->dmr.StickToGps, 1);
    EXPECT_NEAR(double(app->dmr.Light[2]), 1 / std::sqrt(3.0), 1e-15);
    EXPECT_EQ(app->views[2].layers[13], 0);
    EXPECT_EQ(app->views[2].layers[12], 1);
    EXPECT_EQ(app->views[1].originY, 2537);
    EXPECT_EQ(app->views[0].printWidth, -1);
    EXPECT_EQ(app->appearance.wptStyles[3].fontSize, 16);

    app->WriteAllSettings();
    std::vector<std::string> order;
    const std::string text = ReadFileBytes(env.IniPath());
    const auto kv = KeyValues(text, &order);
    // Sections, number formats and the place of each kind of key in a new file.
    const std::pair<const char*, const char*> firsts[] = {
        {"[PREFERENCES]\nFirst Time", "1"},
        {"\nLocation 0 Of Wpt Base", ""},
        {"\nLocal To WGS84 dX", "4.623000e+02"},
        {"\nExisting Wpt Proximity", "1.00"},
        {"\n[DMR]\nPreview Mode", "0"},
        {"\nAzimut", "3.10e+02"},
        {"\nView Point Easting", "417500.000"},
        {"\n[WINDOW]\nWindow Left", "0"},
        {"\n[VIEW]\nView 0 Map Type", "0"},
        {"\nView 2 Sel Layer 14", "1"},
        {"\nView 2 Print Center Northing", "5220000.000"},
        {"\n[PRINTING]\nPrint Left Margin", "0"},
        {"\n[APPEARANCE]\nPK250 screen color scheme", "SCREEN-DEFAULT"},
        {"\nOF50 print color scheme", "PRINT-TK25"},
        {"\nAuto apply", "0"},
        {"\nWaypoint default override", "0"},
        {"\nAuto Switch To Unsel Diff Color", "1"},
        {"\n[SEARCH]\nSearch Route Through All", "0"},
    };
    size_t at = 0;
    for (const auto& [start, value] : firsts) {
        const std::string line = std::string(start) + (*value ? "=" + std::string(value) + "\n" : "=");
        const size_t found = text.find(line, at);
        EXPECT_NE(found, std::string::npos) << start;
        if (found != std::string::npos) at = found;
    }
    EXPECT_EQ(order.size(), 194u);  // every stored key, each once
    EXPECT_EQ(kv.size(), order.size());
    for (const char* never : {"Debug Mode", "Waypoint named screen color", "Waypoint Auto Level 1 font size"})
        EXPECT_EQ(kv.count(never), 0u) << never;
}

TEST(Settings, ReadingAppliesTheFileRules) {
    CAppTestEnv env;
    WriteFileBytes(env.dir.file("in.ini"),
                   "; kept comment\n"
                   "[preferences]\n"
                   "Location 0 Of Wpt Base = /Data//Wpt\n"
                   "Location 0 Of TK50 Continuous Maps=/Maps/Tk50\n"
                   "Wpt Export Directory=/export\n"
                   "Named Wpt Base Overdarft=0\n"
                   "Auto Wpt Base Overdarft=20000\n"
                   "Named Index Overdarft=-3\n"
                   "Track Log Overdarft=100000000\n"
                   "UndoStackSize=100000000\n"
                   "GPS Log Interval Seconds=-5\n"
                   "WptDefaultLabelPosition=6\n"
                   "Existing Wpt Proximity=2.50\n"
                   "Local To WGS84 dX=nan\n"
                   "Debug Mode=1\n"
                   "[Dmr]\n"
                   "View Point Easting=417500.750\n"
                   "Azimut=3.126e+02\n"
                   "[window]\n"
                   "Window Top=7\n"
                   "[view]\n"
                   "View 0 Map Type=-7\n"
                   "View 1 Map Type=-1\n"
                   "View 2 Map Type=4\n"
                   "View 1 Sel Layer 13=1\n"
                   "[appearance]\n"
                   "Waypoint default override=1\n"
                   "Waypoint default font size=12\n"
                   "Waypoint named screen color=255\n"
                   "Waypoint Auto Level 3 font size=30\n"
                   "Waypoint font=A font name longer than thirty-one characters\n"
                   "[Other Program]\n"
                   "key=value\n");
    auto app = ReadApp(env, env.dir.file("in.ini"));

    // In effect as read (with its separator), pending collapsed; case kept.
    EXPECT_EQ(app->wptBaseDir, "/Data//Wpt/");
    EXPECT_EQ(app->pendingWptBaseDir, "/Data/Wpt/");
    EXPECT_EQ(app->mapTypes[1].directory, "/Maps/Tk50/");
    EXPECT_EQ(app->pendingMapTypes[1].directory, "/Maps/Tk50/");
    EXPECT_EQ(app->wptExportDir, "/export/");
    // Grow steps and the undo size within the ranges the Preferences dialog allows.
    EXPECT_EQ(app->namedWptBaseOverdraft, 1);
    EXPECT_EQ(app->autoWptBaseOverdraft, 10000);
    EXPECT_EQ(app->namedIndexOverdraft, 1);
    EXPECT_EQ(app->trackLogOverdraft, 100000);
    EXPECT_EQ(app->undoStackSize, 100000);
    EXPECT_EQ(app->gpsLogIntervalSeconds, 1);
    EXPECT_EQ(app->wptDefaultLabelPosition, 32);
    EXPECT_EQ(app->existingWptProximity, 2.5);
    EXPECT_EQ(app->datumDX, 0.0);
    EXPECT_EQ(app->debugMode, 1);
    EXPECT_EQ(double(app->dmr.ViewPoint.easting), 417500.0);
    EXPECT_EQ(double(app->dmr.Azimut), 312.6);
    EXPECT_EQ(app->windowTop, 7);
    EXPECT_EQ(app->views[0].mapType, -3);
    EXPECT_EQ(app->views[1].mapType, -3);
    EXPECT_EQ(app->views[2].mapType, 4);
    EXPECT_EQ(app->views[1].layers[13], 1);
    EXPECT_EQ(app->views[0].layers[13], 0);
    EXPECT_EQ(app->appearance.wptDefaultOverride, 0);
    EXPECT_EQ(app->appearance.wptStyles[1].screenColor, 255u);
    EXPECT_EQ(app->appearance.wptStyles[4].fontSize, 30);
    EXPECT_EQ(app->appearance.wptStyles[5].fontSize, 12);
    EXPECT_EQ(app->appearance.wptFont, "A font name longer than thirty");

    app->WriteAllSettings();
    const std::string text = ReadFileBytes(env.dir.file("in.ini"));
    // Lines we do not know survive, existing headers keep their spelling.
    EXPECT_EQ(text.rfind("; kept comment\n[preferences]\n", 0), 0u);
    EXPECT_NE(text.find("\n[Other Program]\nkey=value\n"), std::string::npos);
    for (const char* line :
         {"\nLocation 0 Of Wpt Base=/Data/Wpt/\n", "\nWptDefaultLabelPosition=2\n",
          "\nUndoStackSize=100000\n", "\nDebug Mode=1\n", "\nWaypoint default override=0\n",
          "\nWaypoint named screen color=255\n", "\nAzimut=3.13e+02\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST(Settings, FilesThatCannotBeReadAreReportedAndKept) {
    const std::string ini = "[PREFERENCES]\nFirst Time=0\nUndoStackSize=7\n";
    const std::string schemes = "Mine|0|1,2,3|4,5,6|7,8,9|10,11,12|13,14,15|16,17,18|\n";
    struct Case {
        bool settings;  // else the scheme file
        bool folder;    // a folder in the file's place; else reading fails
    };
    for (const Case c : {Case{true, false}, Case{true, true}, Case{false, false}, Case{false, true}}) {
        SCOPED_TRACE(std::string(c.settings ? "settings" : "schemes") +
                     (c.folder ? " folder" : " I/O error"));
        CAppTestEnv env;
        std::filesystem::create_directories(env.dir.file("config"));
        const std::string bad = c.settings ? env.IniPath() : env.dir.file("LayerSchemes.cfg");
        WriteFileBytes(env.IniPath(), ini);
        WriteFileBytes(env.dir.file("LayerSchemes.cfg"), schemes);
        if (c.folder) {
            std::filesystem::remove(bad);
            std::filesystem::create_directories(bad + "/inside");
        }
        SetStoredFileReadFaultHook([&](const std::string& p) { return !c.folder && p == bad; });
        auto app = ReadApp(env, env.IniPath());
        SetStoredFileReadFaultHook(nullptr);
        ASSERT_EQ(env.prompter.texts.size(), 1u);
        EXPECT_EQ(
            env.prompter.texts[0].rfind(c.settings ? "Error! Can not read settings from " + bad + ": "
                                                   : "Error! Can not read Layer Schemes from " + bad + ": ",
                                        0),
            0u);
        EXPECT_EQ(app->undoStackSize, c.settings ? 100 : 7);
        app->undoStackSize = 55;
        app->appearance.schemes[0].name = "Changed";
        app->WriteAllSettings();
        EXPECT_EQ(env.prompter.texts.size(), 1u);
        if (c.folder) {
            EXPECT_TRUE(std::filesystem::is_directory(bad + "/inside"));
        } else {
            EXPECT_EQ(ReadFileBytes(bad), c.settings ? ini : schemes);
        }
        // The other file is saved as usual.
        const std::string other = c.settings ? env.dir.file("LayerSchemes.cfg") : env.IniPath();
        EXPECT_NE(ReadFileBytes(other).find(c.settings ? "Changed|0|" : "UndoStackSize=55\n"),
                  std::string::npos);
    }
}

TEST(Settings, FailedWritesKeepTheFilesAndSayWhy) {
    CAppTestEnv env;
    std::filesystem::create_directories(env.dir.file("config"));
    WriteFileBytes(env.IniPath(), "[PREFERENCES]\nFirst Time=0\n");
    chmod(env.IniPath().c_str(), 0444);
    WriteFileBytes(env.dir.file("LayerSchemes.cfg"), "Old|0|1,1,1|2,2,2|3,3,3|4,4,4|5,5,5|6,6,6|\n");
    auto app = ReadApp(env, env.IniPath());
    app->appearance.schemes[0].name = "New";
    const std::string schemes = env.dir.file("LayerSchemes.cfg");
    SetAtomicWriteFaultHook([&](const std::string& t) { return t == schemes; });
    app->WriteAllSettings();
    SetAtomicWriteFaultHook(nullptr);
    ASSERT_EQ(env.prompter.texts.size(), 2u);
    EXPECT_EQ(env.prompter.texts[0].rfind("Error! Can not save Layer Schemes to " + schemes + ": ", 0), 0u);
    EXPECT_EQ(env.prompter.texts[1],
              "Error! Can not save settings to " + env.IniPath() + ": Permission denied");
    EXPECT_EQ(ReadFileBytes(env.IniPath()), "[PREFERENCES]\nFirst Time=0\n");
    EXPECT_EQ(ReadFileBytes(schemes).substr(0, 6), "Old|0|");
    // Once the fault is gone the same table is written.
    EXPECT_TRUE(app->SaveLayerSchemes());
    EXPECT_EQ(ReadFileBytes(schemes).substr(0, 6), "New|0|");
}

TEST(Settings, PathNormalisationCollapsesSeparatorsButKeepsCase) {
    const std::pair<const char*, const char*> withSlash[] = {
        {"/Maps//Tk50", "/Maps/Tk50/"}, {"//a///b//", "/a/b/"}, {"", "/"}};
    for (const auto& [in, out] : withSlash) EXPECT_EQ(NormalizePath(in, true), out) << in;
    EXPECT_EQ(NormalizePath("/maps/tk50/", false), "/maps/tk50");
    EXPECT_EQ(NormalizePath("", false), "");
    EXPECT_EQ(WithTrailingSlash(""), "");
}
