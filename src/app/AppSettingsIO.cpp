#include "app/AppSettingsIO.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

const char* const kSecPreferences = "PREFERENCES";
const char* const kSecDmr = "DMR";
const char* const kSecWindow = "WINDOW";
const char* const kSecView = "VIEW";
const char* const kSecPrinting = "PRINTING";
const char* const kSecAppearance = "APPEARANCE";
const char* const kSecSearch = "SEARCH";

namespace {

constexpr int kTextCapacity = 254;
// Linux paths may be longer than the Windows buffer; a cut path would point
// somewhere else, so folders get room for a whole path.
constexpr int kPathCapacity = 4096;
constexpr int kFontCapacity = 31;

const char* const kStyleTypes[7] = {"default",      "named",        "Auto Level 1", "Auto Level 2",
                                    "Auto Level 3", "Auto Level 4", "Auto Level 5"};

// The settings read as a real number: the leading decimal number of the text.
double ReadReal(const CProfile& ini, const char* sec, const std::string& key, const char* def) {
    return LeadingDouble(ini.GetString(sec, key, def, kTextCapacity));
}

std::string ReadDir(const CProfile& ini, const char* sec, const std::string& key, const std::string& def) {
    return WithTrailingSlash(ini.GetString(sec, key, def, kPathCapacity));
}

int AtLeast1(int v) { return std::max(v, 1); }

std::string ViewKey(int v, const char* suffix) { return "View " + std::to_string(v) + suffix; }
std::string LayerKey(int v, int l) { return ViewKey(v, " Sel Layer ") + std::to_string(l); }

}  // namespace

std::string DefaultVorneDir(const std::string& sub) {
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    while (!home.empty() && home.back() == '/') home.pop_back();
    return home + "/vorne/" + sub;
}

std::string NormalizePath(const std::string& path, bool trailing) {
    std::string r;
    r.reserve(path.size() + 1);
    for (char c : path)
        if (!(c == '/' && !r.empty() && r.back() == '/')) r += c;
    if (trailing) {
        if (r.empty() || r.back() != '/') r += '/';
    } else if (!r.empty() && r.back() == '/') {
        r.pop_back();
    }
    return r;
}

std::string WithTrailingSlash(const std::string& dir) {
    if (dir.empty() || dir.back() == '/') return dir;
    return dir + '/';
}

std::string FormatFixed(double v, int decimals) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

std::string FormatScientific(double v, int decimals) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, decimals);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

void ReadPreferences(const CProfile& ini, AppSettings& s, int& debugMode) {
    const char* P = "Preferences";
    const std::string base =
        ini.GetString(P, "Location 0 Of Wpt Base", DefaultVorneDir("wpt/"), kPathCapacity);
    // In effect as read, but never without its separator: the bases and the
    // marker file would otherwise land beside the folder.
    s.wptBaseDir = WithTrailingSlash(base);
    s.pendingWptBaseDir = NormalizePath(base, true);

    for (int i = 0; i < kMapTypeCount; ++i) {
        s.mapTypes[i] = DefaultMapType(i);
        const std::string& name = s.mapTypes[i].name;
        s.mapTypes[i].directory =
            ReadDir(ini, P, "Location 0 Of " + name + " Continuous Maps", DefaultVorneDir(name + "/maps/"));
        s.pendingMapTypes[i] = s.mapTypes[i];
    }
    s.dmrDataDir = ReadDir(ini, P, "Location 0 Of Dmr Data", DefaultVorneDir("dmr/data/"));

    // A grow step or size below 1 would leave a store unable to grow.
    s.namedWptBaseOverdraft = AtLeast1(ini.GetInt(P, "Named Wpt Base Overdarft", 1000));
    s.autoWptBaseOverdraft = std::clamp(ini.GetInt(P, "Auto Wpt Base Overdarft", 100), 1, 10000);
    s.namedIndexOverdraft = AtLeast1(ini.GetInt(P, "Named Index Overdarft", 10));
    s.trackLogOverdraft = AtLeast1(ini.GetInt(P, "Track Log Overdarft", 1050));
    s.minWaypointDistance = ini.GetInt(P, "Min Waypoint Distance", 100);
    s.undoStackSize = AtLeast1(ini.GetInt(P, "UndoStackSize", 100));
    s.wptDefaultLabelPosition = (ini.GetInt(P, "WptDefaultLabelPosition", 0) & 3) << 4;
    s.wptLevel = ini.GetInt(P, "WptLevel", -1);

    s.gpsPort = ini.GetString(P, "GPS Port", "COM1", kPathCapacity);
    s.gpsBaudRate = ini.GetString(P, "GPS Baud Rate", "4800", kTextCapacity);
    s.gpsEnabled = ini.GetInt(P, "GPS Enabled", 0);
    s.gpsLogIntervalSeconds = AtLeast1(ini.GetInt(P, "GPS Log Interval Seconds", 10));
    s.gpsLogDrawnPoints = ini.GetInt(P, "GPS Log Drawn Points Number", 1000);
    s.gpsUsesLocalDatum = ini.GetInt(P, "GPS Is Using Local Datum", 1);

    s.datumDX = ReadReal(ini, P, "Local To WGS84 dX", "+462.3");
    s.datumDY = ReadReal(ini, P, "Local To WGS84 dY", "+120.0");
    s.datumDZ = ReadReal(ini, P, "Local To WGS84 dZ", "+445.6");
    s.datumEX = ReadReal(ini, P, "Local To WGS84 eX", "-4.465");
    s.datumEY = ReadReal(ini, P, "Local To WGS84 eY", "-3.353");
    s.datumEZ = ReadReal(ini, P, "Local To WGS84 eZ", "+11.725");
    s.datumDM = ReadReal(ini, P, "Local To WGS84 dM", "+15.60");

    s.wptExportDir = ReadDir(ini, P, "Wpt Export Directory", "");
    s.wptImportDir = ReadDir(ini, P, "Wpt Import Directory", "");
    s.trackLogDir = ReadDir(ini, P, "Track Log Directory", "");
    s.configDir = ReadDir(ini, P, "Config Directory", "");
    s.searchAreaDir = ReadDir(ini, P, "Search Area Directory", "");
    s.waypointKeyword = ini.GetString(P, "Waypoint Keyword", "WP", kTextCapacity);
    s.trackpointKeyword = ini.GetString(P, "Trackpoint Keyword", "TP", kTextCapacity);

    s.saveDownloadedTrk = ini.GetInt(P, "Save Downloaded Trk", 1);
    s.saveDownloadedWpts = ini.GetInt(P, "Save Downloaded Wpts", 1);
    s.importDownloadedWpts = ini.GetInt(P, "Import Downloaded Wpts", 1);
    s.askAfterDownloadingWpts = ini.GetInt(P, "Ask After Downloading Wpts", 1);
    s.exportToGps = ini.GetInt(P, "Export To GPS", 1);
    s.ignoreExistingWpts = ini.GetInt(P, "Ignore Existing Wpts", 1);
    s.suggestLogNames = ini.GetInt(P, "Suggest Log Names", 1);
    // Written with two decimals, so it is read as a real number.
    s.existingWptProximity = ReadReal(ini, P, "Existing Wpt Proximity", "1");

    debugMode = ini.GetInt(P, "Debug Mode", 0);
}

void ReadDmrWindowViewPrinting(const CProfile& ini, AppSettings& s) {
    const char* D = "Dmr";
    DmrParams& d = s.dmr;
    d.PreviewMode = ini.GetInt(D, "Preview Mode", 0);
    d.SurfaceType = ini.GetInt(D, "Surface Type", 0);
    d.Azimut = ReadReal(ini, D, "Azimut", "310.0");
    d.Elevation = ReadReal(ini, D, "Elevation", "-20.0");
    d.ViewAngle = ReadReal(ini, D, "ViewAngle", "85.0");
    d.ViewPoint.easting = ini.GetInt(D, "View Point Easting", 417500);
    d.ViewPoint.northing = ini.GetInt(D, "View Point Northing", 5125500);
    d.PrevViewPoint = d.ViewPoint;
    d.MoveStep = ini.GetInt(D, "Move Step", 100);
    d.AbsHeight = ini.GetInt(D, "View Point Abs Height", 1700);
    d.RelHeight = ini.GetInt(D, "View Point Rel Height", 100);
    d.IsRelHeight = ini.GetInt(D, "is Relative Height", 0);
    d.Visibility = ini.GetInt(D, "Visibility", 15);
    d.Rendering = ini.GetInt(D, "Rendering", 1);
    d.FillGaps = ini.GetInt(D, "Fill Gaps", 1);
    s.dmrStepHistory = ini.GetInt(D, "Step History", 255);
    s.dmrMaxOpenQuadrants = ini.GetInt(D, "Max Open Quadrants", 20);
    for (int i = 0; i < 3; ++i) d.Light[i] = 1.0 / std::sqrt(3.0);  // packed: no references
    d.StickToGps = ini.GetInt(D, "Stick To GPS", 1);

    const char* W = "Window";
    s.windowLeft = ini.GetInt(W, "Window Left", 0);
    s.windowRight = ini.GetInt(W, "Window Right", 500);
    s.windowTop = ini.GetInt(W, "Window Top", 0);
    s.windowBottom = ini.GetInt(W, "Window Bottom", 500);
    s.splitStyle = ini.GetInt(W, "SplitStyle", 1);
    s.twoMapVertSplitRatio = ini.GetInt(W, "TwoMap Vert Split Ratio", 500);
    s.mapDmrVertSplitRatio = ini.GetInt(W, "MapDmr Vert Split Ratio", 700);
    s.mapDmrHorSplitRatio = ini.GetInt(W, "MapDmr Hor Split Ratio", 500);

    const char* V = "View";
    for (int v = 0; v < kViewSlots; ++v) {
        ViewSettings& vs = s.views[v];
        vs.mapType = ini.GetInt(V, ViewKey(v, " Map Type"), 0);
        if (vs.mapType <= -1) vs.mapType = -3;
        for (int l = 0; l < kLayerCount; ++l) vs.layers[l] = ini.GetInt(V, LayerKey(v, l), l == 13 ? 0 : 1);
        vs.overlay = ini.GetInt(V, ViewKey(v, " Sel Overlay"), 1);
        vs.printGrid = ini.GetInt(V, ViewKey(v, " Sel Prngrid"), 1);
        vs.dmrArea = ini.GetInt(V, ViewKey(v, " Show DMR Area"), 2);
        vs.unselectedWpt = ini.GetInt(V, ViewKey(v, " Show Unselected Wpt"), 0);
        vs.tracking = ini.GetInt(V, ViewKey(v, " Tracking"), 0);
        vs.originX = ini.GetInt(V, ViewKey(v, " Origin X"), 1736);
        vs.originY = ini.GetInt(V, ViewKey(v, " Origin Y"), 2537);
        vs.printCenter.easting = ini.GetInt(V, ViewKey(v, " Print Center Easting"), 370000);
        vs.printCenter.northing = ini.GetInt(V, ViewKey(v, " Print Center Northing"), 5220000);
        vs.printWidth = ini.GetInt(V, ViewKey(v, " Print Width"), -1);
        vs.printHeight = ini.GetInt(V, ViewKey(v, " Print Height"), -1);
        vs.scrollMode = 0;
    }

    const char* R = "Printing";
    s.printMarginLeft = ini.GetInt(R, "Print Left Margin", 0);
    s.printMarginRight = ini.GetInt(R, "Print Right Margin", 0);
    s.printMarginTop = ini.GetInt(R, "Print Top Margin", 0);
    s.printMarginBottom = ini.GetInt(R, "Print Bottom Margin", 0);
    s.printTitleMargin = ini.GetInt(R, "Print Title Margin", 0);
    s.printTitleSize = ini.GetInt(R, "Print Title Size", 20);
}

void ReadAppearanceSearchFirstTime(const CProfile& ini, AppSettings& s) {
    const char* A = "Appearance";
    CAppearanceSettings& a = s.appearance;
    a.autoApply = ini.GetInt(A, "Auto apply", 0);
    a.usePrinterColors = ini.GetInt(A, "Use printer colors", 0);
    a.wptDefaultOverride = 0;  // every run starts without the override

    WptStyle& def = a.wptStyles[0];
    def.screenColor = COLORREF(ini.GetInt(A, "Waypoint default marker screen color", 16711935));
    def.printColor = COLORREF(ini.GetInt(A, "Waypoint default marker print color", 16711935));
    def.fontSize = ini.GetInt(A, "Waypoint default font size", 16);
    def.bold = ini.GetInt(A, "Waypoint default font weight", 1);
    def.italic = ini.GetInt(A, "Waypoint default font italic", 0);
    def.underline = ini.GetInt(A, "Waypoint default font underline", 0);
    // The other rows are honoured when someone puts them in the file, but the
    // program never writes them.
    for (int t = 1; t < 7; ++t) {
        const std::string k = std::string("Waypoint ") + kStyleTypes[t];
        WptStyle& r = a.wptStyles[t];
        r.screenColor = COLORREF(ini.GetInt(A, k + " screen color", int(def.screenColor)));
        r.printColor = COLORREF(ini.GetInt(A, k + " print color", int(def.printColor)));
        r.fontSize = ini.GetInt(A, k + " font size", def.fontSize);
        r.bold = ini.GetInt(A, k + " font weight", def.bold);
        r.italic = ini.GetInt(A, k + " font italic", def.italic);
        r.underline = ini.GetInt(A, k + " font underline", def.underline);
    }
    a.wptFont = ini.GetString(A, "Waypoint font", "Arial", kFontCapacity);
    a.hiddenScreenColor = COLORREF(ini.GetInt(A, "Waypoint default hidden screen color", 8388736));
    a.hiddenPrintColor = COLORREF(ini.GetInt(A, "Waypoint default hidden print color", 8388736));
    a.markerSize = ini.GetInt(A, "Waypoint default marker size", 3);
    a.markerOutline = ini.GetInt(A, "Waypoint default marker outline", 1);
    a.labelDistance = ini.GetInt(A, "Waypoint default marker distance", 6);
    a.screenOpacity = ini.GetInt(A, "Waypoint default screen opacity", 0);
    a.printOpacity = ini.GetInt(A, "Waypoint default print opacity", 0);
    a.trackScreenColor = COLORREF(ini.GetInt(A, "Track Log screen color", 255));
    a.trackPrintColor = COLORREF(ini.GetInt(A, "Track Log print color", 255));
    a.trackSelScreenColor = COLORREF(ini.GetInt(A, "Track Log selection screen color", 33023));
    a.trackSelPrintColor = COLORREF(ini.GetInt(A, "Track Log selection print color", 33023));
    a.trackThickness = ini.GetInt(A, "Track Log thickness", 2);
    a.trackMarkerSize = ini.GetInt(A, "Track Log marker size", 3);
    a.gpsInactiveColor = COLORREF(ini.GetInt(A, "GPS inactive color", 8388736));
    a.gpsMarkerSize = ini.GetInt(A, "GPS marker size", 5);
    a.dmrMarkerSize = ini.GetInt(A, "DMR marker size", 12);
    s.autoSwitchToUnselDiffColor = ini.GetInt(A, "Auto Switch To Unsel Diff Color", 1);

    s.searchRouteThroughAll = ini.GetInt("Search", "Search Route Through All", 0);
    s.firstTime = ini.GetInt("Preferences", "First Time", 1);
}

void WriteSettingsBeforeSchemes(CProfile& ini, const AppSettings& s) {
    const char* P = kSecPreferences;
    ini.WriteInt(P, "First Time", s.firstTime);
    // Folders are written from the pending copies: edits apply at the next start.
    ini.WriteString(P, "Location 0 Of Wpt Base", s.pendingWptBaseDir);
    for (int i = 0; i < kMapTypeCount; ++i)
        ini.WriteString(P, "Location 0 Of " + s.pendingMapTypes[i].name + " Continuous Maps",
                        s.pendingMapTypes[i].directory);
    ini.WriteString(P, "Location 0 Of Dmr Data", s.dmrDataDir);
    ini.WriteInt(P, "Named Wpt Base Overdarft", s.namedWptBaseOverdraft);
    ini.WriteInt(P, "Auto Wpt Base Overdarft", s.autoWptBaseOverdraft);
    ini.WriteInt(P, "Named Index Overdarft", s.namedIndexOverdraft);
    ini.WriteInt(P, "Track Log Overdarft", s.trackLogOverdraft);
    ini.WriteInt(P, "Min Waypoint Distance", s.minWaypointDistance);
    ini.WriteInt(P, "UndoStackSize", s.undoStackSize);
    ini.WriteInt(P, "WptDefaultLabelPosition", (s.wptDefaultLabelPosition >> 4) & 3);
    ini.WriteInt(P, "WptLevel", s.wptLevel);
    ini.WriteString(P, "GPS Port", s.gpsPort);
    ini.WriteString(P, "GPS Baud Rate", s.gpsBaudRate);
    ini.WriteInt(P, "GPS Enabled", s.gpsEnabled);
    ini.WriteInt(P, "GPS Log Interval Seconds", s.gpsLogIntervalSeconds);
    ini.WriteInt(P, "GPS Log Drawn Points Number", s.gpsLogDrawnPoints);
    ini.WriteInt(P, "GPS Is Using Local Datum", s.gpsUsesLocalDatum);
    ini.WriteString(P, "Local To WGS84 dX", FormatScientific(s.datumDX, 6));
    ini.WriteString(P, "Local To WGS84 dY", FormatScientific(s.datumDY, 6));
    ini.WriteString(P, "Local To WGS84 dZ", FormatScientific(s.datumDZ, 6));
    ini.WriteString(P, "Local To WGS84 eX", FormatScientific(s.datumEX, 6));
    ini.WriteString(P, "Local To WGS84 eY", FormatScientific(s.datumEY, 6));
    ini.WriteString(P, "Local To WGS84 eZ", FormatScientific(s.datumEZ, 6));
    ini.WriteString(P, "Local To WGS84 dM", FormatScientific(s.datumDM, 6));
    ini.WriteString(P, "Wpt Export Directory", s.wptExportDir);
    ini.WriteString(P, "Wpt Import Directory", s.wptImportDir);
    ini.WriteString(P, "Track Log Directory", s.trackLogDir);
    ini.WriteString(P, "Config Directory", s.configDir);
    ini.WriteString(P, "Search Area Directory", s.searchAreaDir);
    ini.WriteString(P, "Waypoint Keyword", s.waypointKeyword);
    ini.WriteString(P, "Trackpoint Keyword", s.trackpointKeyword);
    ini.WriteInt(P, "Save Downloaded Trk", s.saveDownloadedTrk);
    ini.WriteInt(P, "Save Downloaded Wpts", s.saveDownloadedWpts);
    ini.WriteInt(P, "Import Downloaded Wpts", s.importDownloadedWpts);
    ini.WriteInt(P, "Ask After Downloading Wpts", s.askAfterDownloadingWpts);
    ini.WriteInt(P, "Export To GPS", s.exportToGps);
    ini.WriteInt(P, "Ignore Existing Wpts", s.ignoreExistingWpts);
    ini.WriteInt(P, "Suggest Log Names", s.suggestLogNames);
    ini.WriteString(P, "Existing Wpt Proximity", FormatFixed(s.existingWptProximity, 2));

    const char* D = kSecDmr;
    const DmrParams& d = s.dmr;
    ini.WriteInt(D, "Preview Mode", d.PreviewMode);
    ini.WriteInt(D, "Surface Type", d.SurfaceType);
    ini.WriteString(D, "Azimut", FormatScientific(d.Azimut, 2));
    ini.WriteString(D, "Elevation", FormatScientific(d.Elevation, 2));
    ini.WriteString(D, "ViewAngle", FormatScientific(d.ViewAngle, 2));
    ini.WriteString(D, "View Point Easting", FormatFixed(d.ViewPoint.easting, 3));
    ini.WriteString(D, "View Point Northing", FormatFixed(d.ViewPoint.northing, 3));
    ini.WriteInt(D, "Move Step", d.MoveStep);
    ini.WriteInt(D, "View Point Abs Height", d.AbsHeight);
    ini.WriteInt(D, "View Point Rel Height", d.RelHeight);
    ini.WriteInt(D, "is Relative Height", d.IsRelHeight);
    ini.WriteInt(D, "Visibility", d.Visibility);
    ini.WriteInt(D, "Rendering", d.Rendering);
    ini.WriteInt(D, "Fill Gaps", d.FillGaps);
    ini.WriteInt(D, "Step History", s.dmrStepHistory);
    ini.WriteInt(D, "Max Open Quadrants", s.dmrMaxOpenQuadrants);
    ini.WriteInt(D, "Stick To GPS", d.StickToGps);

    const char* W = kSecWindow;
    ini.WriteInt(W, "Window Left", s.windowLeft);
    ini.WriteInt(W, "Window Right", s.windowRight);
    ini.WriteInt(W, "Window Top", s.windowTop);
    ini.WriteInt(W, "Window Bottom", s.windowBottom);
    ini.WriteInt(W, "SplitStyle", s.splitStyle);
    ini.WriteInt(W, "TwoMap Vert Split Ratio", s.twoMapVertSplitRatio);
    ini.WriteInt(W, "MapDmr Vert Split Ratio", s.mapDmrVertSplitRatio);
    ini.WriteInt(W, "MapDmr Hor Split Ratio", s.mapDmrHorSplitRatio);

    const char* V = kSecView;
    for (int v = 0; v < kViewSlots; ++v) {
        const ViewSettings& vs = s.views[v];
        ini.WriteInt(V, ViewKey(v, " Map Type"), vs.mapType);
        for (int l = 0; l < kLayerCount; ++l) ini.WriteInt(V, LayerKey(v, l), vs.layers[l]);
        ini.WriteInt(V, ViewKey(v, " Sel Overlay"), vs.overlay);
        ini.WriteInt(V, ViewKey(v, " Sel Prngrid"), vs.printGrid);
        ini.WriteInt(V, ViewKey(v, " Show DMR Area"), vs.dmrArea);
        ini.WriteInt(V, ViewKey(v, " Show Unselected Wpt"), vs.unselectedWpt);
        ini.WriteInt(V, ViewKey(v, " Tracking"), vs.tracking);
        ini.WriteInt(V, ViewKey(v, " Origin X"), vs.originX);
        ini.WriteInt(V, ViewKey(v, " Origin Y"), vs.originY);
        ini.WriteString(V, ViewKey(v, " Print Center Easting"), FormatFixed(vs.printCenter.easting, 3));
        ini.WriteString(V, ViewKey(v, " Print Center Northing"), FormatFixed(vs.printCenter.northing, 3));
        ini.WriteInt(V, ViewKey(v, " Print Width"), vs.printWidth);
        ini.WriteInt(V, ViewKey(v, " Print Height"), vs.printHeight);
    }

    const char* R = kSecPrinting;
    ini.WriteInt(R, "Print Left Margin", s.printMarginLeft);
    ini.WriteInt(R, "Print Right Margin", s.printMarginRight);
    ini.WriteInt(R, "Print Top Margin", s.printMarginTop);
    ini.WriteInt(R, "Print Bottom Margin", s.printMarginBottom);
    ini.WriteInt(R, "Print Title Margin", s.printTitleMargin);
    ini.WriteInt(R, "Print Title Size", s.printTitleSize);

    const CAppearanceSettings& a = s.appearance;
    for (int i = 0; i < kMapTypeCount; ++i) {
        for (int m = 0; m < 2; ++m) {
            const int c = a.schemeChoice[i][m];
            const std::string name = c >= 0 && c < a.SchemeCount() ? a.schemes[size_t(c)].name : "";
            ini.WriteString(
                kSecAppearance,
                s.mapTypes[i].name + (m == kSchemeScreen ? " screen" : " print") + " color scheme", name);
        }
    }
}

void WriteSettingsAfterSchemes(CProfile& ini, const AppSettings& s) {
    const char* A = kSecAppearance;
    const CAppearanceSettings& a = s.appearance;
    const WptStyle& def = a.wptStyles[0];
    ini.WriteInt(A, "Auto apply", a.autoApply);
    ini.WriteInt(A, "Use printer colors", a.usePrinterColors);
    ini.WriteInt(A, "Waypoint default override", a.wptDefaultOverride);
    ini.WriteInt(A, "Waypoint default marker screen color", int(def.screenColor));
    ini.WriteInt(A, "Waypoint default marker print color", int(def.printColor));
    ini.WriteInt(A, "Waypoint default font size", def.fontSize);
    ini.WriteInt(A, "Waypoint default font weight", def.bold);
    ini.WriteInt(A, "Waypoint default font italic", def.italic);
    ini.WriteInt(A, "Waypoint default font underline", def.underline);
    ini.WriteString(A, "Waypoint font", a.wptFont);
    ini.WriteInt(A, "Waypoint default hidden screen color", int(a.hiddenScreenColor));
    ini.WriteInt(A, "Waypoint default hidden print color", int(a.hiddenPrintColor));
    ini.WriteInt(A, "Waypoint default marker size", a.markerSize);
    ini.WriteInt(A, "Waypoint default marker outline", a.markerOutline);
    ini.WriteInt(A, "Waypoint default marker distance", a.labelDistance);
    ini.WriteInt(A, "Waypoint default screen opacity", a.screenOpacity);
    ini.WriteInt(A, "Waypoint default print opacity", a.printOpacity);
    ini.WriteInt(A, "Track Log screen color", int(a.trackScreenColor));
    ini.WriteInt(A, "Track Log print color", int(a.trackPrintColor));
    ini.WriteInt(A, "Track Log selection screen color", int(a.trackSelScreenColor));
    ini.WriteInt(A, "Track Log selection print color", int(a.trackSelPrintColor));
    ini.WriteInt(A, "Track Log thickness", a.trackThickness);
    ini.WriteInt(A, "Track Log marker size", a.trackMarkerSize);
    ini.WriteInt(A, "GPS inactive color", int(a.gpsInactiveColor));
    ini.WriteInt(A, "GPS marker size", a.gpsMarkerSize);
    ini.WriteInt(A, "DMR marker size", a.dmrMarkerSize);
    ini.WriteInt(A, "Auto Switch To Unsel Diff Color", s.autoSwitchToUnselDiffColor);

    ini.WriteInt(kSecSearch, "Search Route Through All", s.searchRouteThroughAll);
}
