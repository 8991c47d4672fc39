#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "AppTestEnv.h"
#include "app/AppSettingsIO.h"
#include "app/VornaApp.h"

namespace {

// Everything the file holds, made different from the defaults.
void FillNonDefaults(AppSettings& s) {
    s.firstTime = 0;
    s.printMarginLeft = 11, s.printMarginTop = 12, s.printMarginRight = 13, s.printMarginBottom = 14;
    s.printTitleMargin = 15, s.printTitleSize = 33;
    s.pendingWptBaseDir = "/data/wpt/";
    for (int i = 0; i < kMapTypeCount; ++i)
        s.pendingMapTypes[i].directory = "/maps/" + std::to_string(i) + "/";
    s.dmrDataDir = "/dmr/";
    s.wptExportDir = "/exp/", s.wptImportDir = "/imp/", s.trackLogDir = "/trk/";
    s.configDir = "", s.searchAreaDir = "/sa/";
    s.waypointKeyword = "W", s.trackpointKeyword = "T";
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
    a.wptStyles[0] = {0x123456, 0x654321, 20, 0, 1, 1};
    a.wptFont = "DejaVu Sans";
    a.hiddenScreenColor = 1, a.hiddenPrintColor = 2, a.markerSize = 4, a.markerOutline = 0;
    a.labelDistance = 9, a.screenOpacity = 50, a.printOpacity = 60;
    a.trackScreenColor = 3, a.trackPrintColor = 4, a.trackSelScreenColor = 5, a.trackSelPrintColor = 6;
    a.trackThickness = 7, a.trackMarkerSize = 8, a.gpsInactiveColor = 9, a.gpsMarkerSize = 10,
    a.dmrMarkerSize = 11;
    s.windowLeft = 10, s.windowTop = 20, s.windowRight = 810, s.windowBottom = 620;
    s.splitStyle = 3, s.twoMapVertSplitRatio = 400, s.mapDmrVertSplitRatio = 600, s.mapDmrHorSplitRatio = 300;
    s.autoSwitchToUnselDiffColor = 0;
    s.gpsPort = "/dev/ttyUSB0", s.gpsBaudRate = "9600", s.gpsEnabled = 0;
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
        for (int l = 0; l < kLayerCount; ++l) vs.layers[l] = (l + v) % 2;
        vs.overlay = 0, vs.printGrid = 0, vs.dmrArea = v, vs.unselectedWpt = 1, vs.tracking = 2;
        vs.originX = 100 + v, vs.originY = 200 + v;
        vs.printCenter = CPointD(400000 + v, 5000000 + v);
        vs.printWidth = 18000, vs.printHeight = 25000;
    }
    s.searchRouteThroughAll = 1;
}

// Writes a with non-default values, reads them into b and writes b again:
// both files must be the same text.
void RoundTrip(CAppTestEnv& env) {
    CVornaApp a;
    a.iniFileName = env.IniPath();
    a.startDirectory = env.dir.dir();
    a.ReadAllSettings();
    FillNonDefaults(a);
    a.WriteAllSettings();

    CVornaApp b;
    b.iniFileName = env.IniPath();
    b.startDirectory = env.dir.dir();
    b.ReadAllSettings();
    b.iniFileName = env.dir.file("again.ini");
    b.WriteAllSettings();
    EXPECT_EQ(ReadFileBytes(env.dir.file("again.ini")), ReadFileBytes(env.IniPath()));

    EXPECT_EQ(b.firstTime, 0);
    EXPECT_EQ(b.wptBaseDir, "/data/wpt/");
    EXPECT_EQ(b.mapTypes[3].directory, "/maps/3/");
    EXPECT_EQ(b.mapTypes[3].segmentsPerSide, 140);
    EXPECT_EQ(b.datumDX, 1.5);
    EXPECT_EQ(b.datumDY, -2.25);
    EXPECT_EQ(b.datumEZ, 1234.5);
    EXPECT_EQ(b.datumDM, -6.5);
    EXPECT_EQ(b.existingWptProximity, 2.5);
    EXPECT_EQ(b.wptDefaultLabelPosition, 48);
    EXPECT_EQ(double(b.dmr.Azimut), 123.0);
    EXPECT_EQ(double(b.dmr.Elevation), -45.0);
    EXPECT_EQ(double(b.dmr.PrevViewPoint.easting), 500000);
    EXPECT_EQ(b.views[0].mapType, 2);
    EXPECT_EQ(b.views[1].mapType, 3);
    EXPECT_EQ(double(b.views[2].printCenter.northing), 5000002);
    EXPECT_EQ(b.views[1].layers[0], 1);
    EXPECT_EQ(b.appearance.wptStyles[0].screenColor, 0x123456u);
    EXPECT_EQ(b.appearance.wptFont, "DejaVu Sans");
    EXPECT_EQ(b.gpsPort, "/dev/ttyUSB0");
    EXPECT_EQ(b.searchRouteThroughAll, 1);
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

TEST(Settings, MissingFileGivesEveryDefaultAndExitWritesUpperCaseSections) {
    CAppTestEnv env;
    CVornaApp app;
    app.iniFileName = env.IniPath();
    app.startDirectory = env.dir.dir();
    app.ReadAllSettings();
    const std::string home = env.dir.path();

    EXPECT_EQ(app.firstTime, 1);
    EXPECT_EQ(app.wptBaseDir, home + "/vorne/wpt/");
    EXPECT_EQ(app.pendingWptBaseDir, home + "/vorne/wpt/");
    EXPECT_EQ(app.mapTypes[0].directory, home + "/vorne/PK250/maps/");
    EXPECT_EQ(app.pendingMapTypes[4].directory, home + "/vorne/OF50/maps/");
    EXPECT_EQ(app.pendingMapTypes[4].series, 1);
    EXPECT_EQ(app.dmrDataDir, home + "/vorne/dmr/data/");
    EXPECT_EQ(app.wptExportDir, "");
    EXPECT_EQ(app.configDir, "");
    EXPECT_EQ(app.waypointKeyword, "WP");
    EXPECT_EQ(app.trackpointKeyword, "TP");
    EXPECT_EQ(app.namedWptBaseOverdraft, 1000);
    EXPECT_EQ(app.autoWptBaseOverdraft, 100);
    EXPECT_EQ(app.namedIndexOverdraft, 10);
    EXPECT_EQ(app.trackLogOverdraft, 1050);
    EXPECT_EQ(app.minWaypointDistance, 100);
    EXPECT_EQ(app.undoStackSize, 100);
    EXPECT_EQ(app.wptDefaultLabelPosition, 0);
    EXPECT_EQ(app.wptLevel, -1);
    EXPECT_EQ(app.gpsPort, "COM1");
    EXPECT_EQ(app.gpsBaudRate, "4800");
    EXPECT_EQ(app.gpsEnabled, 0);
    EXPECT_EQ(app.gpsLogIntervalSeconds, 10);
    EXPECT_EQ(app.gpsLogDrawnPoints, 1000);
    EXPECT_EQ(app.gpsUsesLocalDatum, 1);
    EXPECT_EQ(app.datumDX, 462.3);
    EXPECT_EQ(app.datumDY, 120.0);
    EXPECT_EQ(app.datumDZ, 445.6);
    EXPECT_EQ(app.datumEX, -4.465);
    EXPECT_EQ(app.datumEY, -3.353);
    EXPECT_EQ(app.datumEZ, 11.725);
    EXPECT_EQ(app.datumDM, 15.6);
    EXPECT_EQ(app.saveDownloadedTrk + app.saveDownloadedWpts + app.importDownloadedWpts +
                  app.askAfterDownloadingWpts + app.exportToGps + app.ignoreExistingWpts +
                  app.suggestLogNames,
              7);
    EXPECT_EQ(app.existingWptProximity, 1.0);
    EXPECT_EQ(app.debugMode, 0);

    EXPECT_EQ(app.dmr.PreviewMode, 0);
    EXPECT_EQ(app.dmr.SurfaceType, 0);
    EXPECT_EQ(double(app.dmr.Azimut), 310.0);
    EXPECT_EQ(double(app.dmr.Elevation), -20.0);
    EXPECT_EQ(double(app.dmr.ViewAngle), 85.0);
    EXPECT_EQ(double(app.dmr.ViewPoint.easting), 417500);
    EXPECT_EQ(double(app.dmr.ViewPoint.northing), 5125500);
    EXPECT_EQ(double(app.dmr.PrevViewPoint.northing), 5125500);
    EXPECT_EQ(app.dmr.MoveStep, 100);
    EXPECT_EQ(app.dmr.AbsHeight, 1700);
    EXPECT_EQ(app.dmr.RelHeight, 100);
    EXPECT_EQ(app.dmr.IsRelHeight, 0);
    EXPECT_EQ(app.dmr.Visibility, 15);
    EXPECT_EQ(app.dmr.Rendering, 1);
    EXPECT_EQ(app.dmr.FillGaps, 1);
    EXPECT_EQ(app.dmr.StickToGps, 1);
    EXPECT_NEAR(double(app.dmr.Light[2]), 1 / std::sqrt(3.0), 1e-15);
    EXPECT_EQ(app.dmrStepHistory, 255);
    EXPECT_EQ(app.dmrMaxOpenQuadrants, 20);

    EXPECT_EQ(app.windowLeft, 0);
    EXPECT_EQ(app.windowRight, 500);
    EXPECT_EQ(app.windowBottom, 500);
    EXPECT_EQ(app.splitStyle, 1);
    EXPECT_EQ(app.twoMapVertSplitRatio, 500);
    EXPECT_EQ(app.mapDmrVertSplitRatio, 700);
    EXPECT_EQ(app.mapDmrHorSplitRatio, 500);
    for (const ViewSettings& v : app.views) {
        EXPECT_EQ(v.mapType, 0);
        for (int l = 0; l < kLayerCount; ++l) EXPECT_EQ(v.layers[l], l == 13 ? 0 : 1);
        EXPECT_EQ(v.overlay, 1);
        EXPECT_EQ(v.printGrid, 1);
        EXPECT_EQ(v.dmrArea, 2);
        EXPECT_EQ(v.unselectedWpt, 0);
        EXPECT_EQ(v.tracking, 0);
        EXPECT_EQ(v.originX, 1736);
        EXPECT_EQ(v.originY, 2537);
        EXPECT_EQ(double(v.printCenter.easting), 370000);
        EXPECT_EQ(double(v.printCenter.northing), 5220000);
        EXPECT_EQ(v.printWidth, -1);
        EXPECT_EQ(v.printHeight, -1);
    }
    EXPECT_EQ(app.printMarginLeft + app.printMarginTop + app.printMarginRight + app.printMarginBottom, 0);
    EXPECT_EQ(app.printTitleMargin, 0);
    EXPECT_EQ(app.printTitleSize, 20);

    const CAppearanceSettings& a = app.appearance;
    EXPECT_EQ(a.autoApply, 0);
    EXPECT_EQ(a.usePrinterColors, 0);
    for (const WptStyle& w : a.wptStyles) {
        EXPECT_EQ(w.screenColor, 16711935u);
        EXPECT_EQ(w.printColor, 16711935u);
        EXPECT_EQ(w.fontSize, 16);
        EXPECT_EQ(w.bold, 1);
        EXPECT_EQ(w.italic, 0);
        EXPECT_EQ(w.underline, 0);
    }
    EXPECT_EQ(a.wptFont, "Arial");
    EXPECT_EQ(a.hiddenScreenColor, 8388736u);
    EXPECT_EQ(a.markerSize, 3);
    EXPECT_EQ(a.markerOutline, 1);
    EXPECT_EQ(a.labelDistance, 6);
    EXPECT_EQ(a.trackScreenColor, 255u);
    EXPECT_EQ(a.trackSelPrintColor, 33023u);
    EXPECT_EQ(a.trackThickness, 2);
    EXPECT_EQ(a.trackMarkerSize, 3);
    EXPECT_EQ(a.gpsInactiveColor, 8388736u);
    EXPECT_EQ(a.gpsMarkerSize, 5);
    EXPECT_EQ(a.dmrMarkerSize, 12);
    EXPECT_EQ(app.autoSwitchToUnselDiffColor, 1);
    EXPECT_EQ(app.searchRouteThroughAll, 0);

    app.WriteAllSettings();
    const std::string text = ReadFileBytes(env.IniPath());
    for (const char* sec : {"[PREFERENCES]\n", "[DMR]\n", "[WINDOW]\n", "[VIEW]\n", "[PRINTING]\n",
                            "[APPEARANCE]\n", "[SEARCH]\n"})
        EXPECT_NE(text.find(sec), std::string::npos) << sec;
    EXPECT_NE(text.find("\nLocal To WGS84 dX=4.623000e+02\n"), std::string::npos);
    EXPECT_NE(text.find("\nExisting Wpt Proximity=1.00\n"), std::string::npos);
    EXPECT_NE(text.find("\nAzimut=3.10e+02\n"), std::string::npos);
    EXPECT_NE(text.find("\nView Point Easting=417500.000\n"), std::string::npos);
    EXPECT_NE(text.find("\nView 2 Sel Layer 14=1\n"), std::string::npos);
    EXPECT_NE(text.find("\nTK50 screen color scheme=SCREEN-DEFAULT\n"), std::string::npos);
    EXPECT_EQ(text.find("Debug Mode"), std::string::npos);
    EXPECT_EQ(text.find("Waypoint named"), std::string::npos);
    EXPECT_EQ(text.find("Auto Level"), std::string::npos);
}

TEST(Settings, WriteThenReadGivesTheSameRecords) {
    CAppTestEnv env;
    RoundTrip(env);
}

TEST(Settings, RoundTripIsTheSameUnderADecimalCommaLocale) {
    CAppTestEnv env;
    TempDir locales;
    const bool have = UseDecimalCommaLocale(locales);
    if (!have) {
        std::setlocale(LC_NUMERIC, "C");
        unsetenv("LOCPATH");
        GTEST_SKIP() << "no decimal-comma locale installed and none could be compiled with localedef";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5");
    RoundTrip(env);
    const std::string text = ReadFileBytes(env.IniPath());
    EXPECT_NE(text.find("\nLocal To WGS84 dY=-2.250000e+00\n"), std::string::npos);
    EXPECT_NE(text.find("\nExisting Wpt Proximity=2.50\n"), std::string::npos);
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
}

TEST(Settings, ReadingAppliesTheFileRules) {
    CAppTestEnv env;
    WriteFileBytes(env.dir.file("in.ini"),
                   "; kept comment\n"
                   "[preferences]\n"
                   "Location 0 Of Wpt Base = /Data//Wpt\n"
                   "Location 0 Of TK50 Continuous Maps=/Maps/Tk50\n"
                   "Location 0 Of Dmr Data=/dmr\n"
                   "Wpt Export Directory=/export\n"
                   "Named Wpt Base Overdarft=0\n"
                   "Auto Wpt Base Overdarft=20000\n"
                   "Named Index Overdarft=-3\n"
                   "Track Log Overdarft=0\n"
                   "UndoStackSize=0\n"
                   "GPS Log Interval Seconds=-5\n"
                   "WptDefaultLabelPosition=2\n"
                   "Existing Wpt Proximity=2.50\n"
                   "Local To WGS84 dX=nan\n"
                   "Local To WGS84 dY=inf\n"
                   "Debug Mode=1\n"
                   "[Dmr]\n"
                   "View Point Easting=417500.750\n"
                   "Azimut=3.13e+02\n"
                   "[view]\n"
                   "View 0 Map Type=-7\n"
                   "View 1 Map Type=-1\n"
                   "View 2 Map Type=-2\n"
                   "[appearance]\n"
                   "Waypoint default override=1\n"
                   "Waypoint named screen color=255\n"
                   "Waypoint Auto Level 3 font size=30\n"
                   "Waypoint font=A font name longer than thirty-one characters\n"
                   "[Other Program]\n"
                   "key=value\n");
    CVornaApp app;
    app.iniFileName = env.dir.file("in.ini");
    app.startDirectory = env.dir.dir();
    app.ReadAllSettings();

    // In effect as read (with its separator), pending collapsed; case kept.
    EXPECT_EQ(app.wptBaseDir, "/Data//Wpt/");
    EXPECT_EQ(app.pendingWptBaseDir, "/Data/Wpt/");
    EXPECT_EQ(app.mapTypes[1].directory, "/Maps/Tk50/");
    EXPECT_EQ(app.pendingMapTypes[1].directory, "/Maps/Tk50/");
    EXPECT_EQ(app.dmrDataDir, "/dmr/");
    EXPECT_EQ(app.wptExportDir, "/export/");
    // No store may be left unable to grow.
    EXPECT_EQ(app.namedWptBaseOverdraft, 1);
    EXPECT_EQ(app.autoWptBaseOverdraft, 10000);
    EXPECT_EQ(app.namedIndexOverdraft, 1);
    EXPECT_EQ(app.trackLogOverdraft, 1);
    EXPECT_EQ(app.undoStackSize, 1);
    EXPECT_EQ(app.gpsLogIntervalSeconds, 1);
    EXPECT_EQ(app.wptDefaultLabelPosition, 32);
    EXPECT_EQ(app.existingWptProximity, 2.5);
    EXPECT_EQ(app.datumDX, 0.0);
    EXPECT_EQ(app.datumDY, 0.0);
    EXPECT_EQ(app.debugMode, 1);
    EXPECT_EQ(double(app.dmr.ViewPoint.easting), 417500.0);
    EXPECT_EQ(double(app.dmr.Azimut), 313.0);
    EXPECT_EQ(app.views[0].mapType, -3);
    EXPECT_EQ(app.views[1].mapType, -3);
    EXPECT_EQ(app.views[2].mapType, -3);
    EXPECT_EQ(app.appearance.wptDefaultOverride, 0);
    EXPECT_EQ(app.appearance.wptStyles[1].screenColor, 255u);
    EXPECT_EQ(app.appearance.wptStyles[4].fontSize, 30);
    EXPECT_EQ(app.appearance.wptStyles[5].fontSize, 16);
    EXPECT_EQ(app.appearance.wptFont, "A font name longer than thirty");

    app.WriteAllSettings();
    const std::string text = ReadFileBytes(env.dir.file("in.ini"));
    // Lines we do not know survive, existing headers keep their spelling.
    EXPECT_EQ(text.rfind("; kept comment\n[preferences]\n", 0), 0u);
    EXPECT_NE(text.find("\n[Other Program]\nkey=value\n"), std::string::npos);
    EXPECT_NE(text.find("\nLocation 0 Of Wpt Base=/Data/Wpt/\n"), std::string::npos);
    EXPECT_NE(text.find("\nWptDefaultLabelPosition=2\n"), std::string::npos);
    EXPECT_NE(text.find("\nDebug Mode=1\n"), std::string::npos);  // the user's line stays
    EXPECT_NE(text.find("\nWaypoint default override=0\n"), std::string::npos);
    EXPECT_NE(text.find("\nWaypoint named screen color=255\n"), std::string::npos);
}

TEST(Settings, PathNormalisationCollapsesSeparatorsButKeepsCase) {
    EXPECT_EQ(NormalizePath("/Maps//Tk50", true), "/Maps/Tk50/");
    EXPECT_EQ(NormalizePath("//a///b//", true), "/a/b/");
    EXPECT_EQ(NormalizePath("/maps/tk50/", false), "/maps/tk50");
    EXPECT_EQ(NormalizePath("", true), "/");
    EXPECT_EQ(NormalizePath("", false), "");
    EXPECT_EQ(WithTrailingSlash(""), "");
    EXPECT_EQ(WithTrailingSlash("x"), "x/");
}
