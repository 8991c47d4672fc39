#pragma once
// Every persistent setting of the program, held by the application object for
// the whole run. Read once at start-up, written back at exit (SettingsTable).
// Directory settings end with '/'. The initialisers below are the defaults a
// missing file or key gives: the settings table takes them from here.

#include <cstdint>
#include <string>
#include <vector>

#include "geo/Convert.h"
#include "geo/GeoTransform.h"
#include "geo/Types.h"

using COLORREF = std::uint32_t;  // 0x00BBGGRR

inline COLORREF RGBRef(int r, int g, int b) {
    return COLORREF(r & 255) | (COLORREF(g & 255) << 8) | (COLORREF(b & 255) << 16);
}
inline int GetRValue(COLORREF c) { return int(c & 255); }
inline int GetGValue(COLORREF c) { return int((c >> 8) & 255); }
inline int GetBValue(COLORREF c) { return int((c >> 16) & 255); }

constexpr int kMapTypeCount = 5;
constexpr int kLayerCount = 15;
constexpr int kViewSlots = 3;

struct MapTypeInfo {
    std::string name;
    std::string directory;
    double scale = 0;
    int series = 0;
    int segmentsPerSide = 0;
    int segmentCount = 0;
    int pixels = 0;
    int segmentMetres = 0;
    int gridStep = 0;
};

// The fixed rows; only the directory comes from the settings file.
const MapTypeInfo& DefaultMapType(int row);

// A slot as a map pane keeps it; DefaultViewSlot() is one a settings file
// without the slot's keys gives.
struct ViewSettings {
    int mapType = 0;
    int layers[kLayerCount] = {};
    int overlay = 0;
    int printGrid = 0;
    int dmrArea = 0;
    int unselectedWpt = 0;
    int tracking = 0;
    int scrollMode = 0;  // run-time only, never stored
    int originX = 0;
    int originY = 0;
    CPointD printCenter;
    int printWidth = -1;  // 1/100 mm; -1 = whole printable area
    int printHeight = -1;
};

inline ViewSettings DefaultViewSlot() {
    ViewSettings v;
    for (int l = 0; l < kLayerCount; ++l) v.layers[l] = l == 13 ? 0 : 1;  // the print grid starts hidden
    v.overlay = 1;
    v.printGrid = 1;
    v.dmrArea = 2;
    v.originX = 1736;
    v.originY = 2537;
    v.printCenter = CPointD(370000, 5220000);
    return v;
}

#pragma pack(push, 1)
struct DmrParams {
    std::int32_t SurfaceType = 0;
    std::int32_t PreviewMode = 0;
    double Azimut = 310.0;
    double Elevation = -20.0;
    double ViewAngle = 85.0;
    CPointD ViewPoint{417500, 5125500};
    CPointD PrevViewPoint{417500, 5125500};
    std::int32_t MoveStep = 100;
    std::int32_t AbsHeight = 1700;
    std::int32_t RelHeight = 100;
    std::int32_t IsRelHeight = 0;
    std::int32_t Visibility = 15;
    std::int32_t Rendering = 1;
    std::int32_t FillGaps = 1;
    // Not stored: every run starts with light from the viewer's upper left.
    double Light[3] = {0.57735026918962584, 0.57735026918962584, 0.57735026918962584};
    std::int32_t StickToGps = 1;
};
#pragma pack(pop)

struct CColorScheme {
    std::string name;
    int flag = 0;
    COLORREF colors[6] = {};  // layers G, RP, H, C, NP, I
};

struct WptStyle {
    COLORREF screenColor = 16711935;  // magenta
    COLORREF printColor = 16711935;
    int fontSize = 16;
    int bold = 1;
    int italic = 0;
    int underline = 0;
};

enum { kSchemeScreen = 0, kSchemePrint = 1 };

struct CAppearanceSettings {
    int autoApply = 0;
    int usePrinterColors = 0;
    int wptDefaultOverride = 0;
    // No fixed limit: every line of the scheme file is kept.
    std::vector<CColorScheme> schemes;
    int schemeChoice[kMapTypeCount][2] = {};  // [series][kSchemeScreen/kSchemePrint]
    std::string wptFont = "Arial";
    // Default, named, automatic levels 1..5; a row missing from the file
    // follows the default row as read.
    WptStyle wptStyles[7] = {};
    COLORREF hiddenScreenColor = 8388736;  // purple
    COLORREF hiddenPrintColor = 8388736;
    int markerSize = 3;
    int markerOutline = 1;
    int labelDistance = 6;
    int screenOpacity = 0;
    int printOpacity = 0;
    COLORREF trackScreenColor = 255;  // red
    COLORREF trackPrintColor = 255;
    COLORREF trackSelScreenColor = 33023;  // orange
    COLORREF trackSelPrintColor = 33023;
    int trackThickness = 2;
    int trackMarkerSize = 3;
    COLORREF gpsInactiveColor = 8388736;
    int gpsMarkerSize = 5;
    int dmrMarkerSize = 12;

    int SchemeCount() const { return int(schemes.size()); }
};

// Memory-use counter pairs (blocks, bytes), indexes of the first of each pair.
enum MemCounter {
    kMemUndo = 0,
    kMemSegOnMap = 2,
    kMemSegInView = 4,
    kMemSegPrint = 6,
    kMemSegName = 8,
    kMemSegBmpHolder = 10,
    kMemSegPixels = 12,
    kMemImagePixels = 14,
    kMemWptBase = 16,
    kMemWptIndex = 18,
    kMemTrackLog = 20,
    kMemDocuments = 22,  // single counter
    kMemViews = 23,      // single counter
    kMemCounterCount = 24
};

struct AppSettings {
    // The folders under $HOME/vorne/ and the fixed map-type rows.
    AppSettings();

    std::string startDirectory;  // ends with '/'
    std::string iniFileName;     // full path; empty: exit writes nothing

    int firstTime = 1;

    // Printing, 1/100 mm.
    int printMarginLeft = 0, printMarginTop = 0, printMarginRight = 0, printMarginBottom = 0;
    int printTitleMargin = 0;
    int printTitleSize = 20;

    std::string wptBaseDir;         // in effect, exactly as read (trailing '/' ensured)
    std::string pendingWptBaseDir;  // normalised; written at exit
    std::string dmrDataDir;         // the three defaults come from the constructor
    std::string wptExportDir, wptImportDir, trackLogDir, configDir, searchAreaDir;
    std::string waypointKeyword = "WP";
    std::string trackpointKeyword = "TP";

    int saveDownloadedTrk = 1;
    int saveDownloadedWpts = 1;
    int importDownloadedWpts = 1;
    int askAfterDownloadingWpts = 1;
    int exportToGps = 1;
    int ignoreExistingWpts = 1;
    int suggestLogNames = 1;

    double existingWptProximity = 1.0;

    MapTypeInfo mapTypes[kMapTypeCount];
    MapTypeInfo pendingMapTypes[kMapTypeCount];

    int namedWptBaseOverdraft = 1000;
    int autoWptBaseOverdraft = 100;
    int namedIndexOverdraft = 10;
    int trackLogOverdraft = 1050;
    int minWaypointDistance = 100;
    int undoStackSize = 100;
    int wptDefaultLabelPosition = 0;  // flag value: (0..3) << 4
    int wptLevel = -1;

    double datumDX = 462.3, datumDY = 120.0, datumDZ = 445.6;
    double datumEX = -4.465, datumEY = -3.353, datumEZ = 11.725;
    double datumDM = 15.60;

    CAppearanceSettings appearance;

    int windowLeft = 0, windowTop = 0, windowRight = 500, windowBottom = 500;
    int splitStyle = 1;
    int twoMapVertSplitRatio = 500;
    int mapDmrVertSplitRatio = 700;
    int mapDmrHorSplitRatio = 500;
    int autoSwitchToUnselDiffColor = 1;

    std::string gpsPort = "COM1";
    std::string gpsBaudRate = "4800";
    int gpsEnabled = 0;
    int gpsLogIntervalSeconds = 10;
    int gpsLogDrawnPoints = 1000;
    int gpsUsesLocalDatum = 1;

    DmrParams dmr;
    int dmrStepHistory = 255;
    int dmrMaxOpenQuadrants = 20;

    // Blank until read: a pane made without settings starts from nothing.
    ViewSettings views[kViewSlots];

    int searchRouteThroughAll = 0;

    // Read from the file, never written: the user sets it by hand.
    int debugMode = 0;
};

// The local ellipsoid and the datum shift of the settings (rotations in
// seconds of arc, scale in parts per million) in the coordinate transform.
inline void ApplyDatumParameters(CGeoTransform& geo, const AppSettings& s) {
    const double secToRad = kPi / 180.0 / 3600.0;
    geo.SelectLocalEllipsoid(0);
    geo.SetHelmertParameters(s.datumDX, s.datumDY, s.datumDZ, s.datumEX * secToRad, s.datumEY * secToRad,
                             s.datumEZ * secToRad, s.datumDM / 1000000.0);
}
