#include "settings/SettingsTable.h"

#include <climits>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "geo/Convert.h"
#include "settings/AppSettingsIO.h"

const char* const kAppearanceSection = "APPEARANCE";

namespace {

// Section names as our writer spells them; reading ignores case.
const char* const kPrefs = "PREFERENCES";
const char* const kDmr = "DMR";
const char* const kWindow = "WINDOW";
const char* const kView = "VIEW";
const char* const kPrinting = "PRINTING";
const char* const kAppear = kAppearanceSection;
const char* const kSearch = "SEARCH";

constexpr int kTextCapacity = 254;
// Linux paths may be longer than the Windows buffer; a cut path would point
// somewhere else, so folders get room for a whole path.
constexpr int kPathCapacity = 4096;
constexpr int kFontCapacity = 31;

enum class Fmt {
    Int,        // "%d"
    Text,       // text up to kTextCapacity
    Path,       // text up to kPathCapacity
    Font,       // text up to kFontCapacity
    Dir,        // a path that gets its trailing '/' when read
    Sci6,       // real, "%.6e"
    Sci2,       // real, "%.2e": three significant digits
    Heading,    // as Sci2, kept in [0, 360) read and written
    Fixed2,     // real, "%.2f"
    IntFixed3,  // read as a whole number, written "%.3f"
    WptBase,    // the waypoint base: in effect as read, pending normalised
    MapDir,     // a map series folder: in effect and pending copy
    LabelPos,   // 0..3 in the file, shifted left by 4 in memory
    MapType,    // -1 and below mean "no map" (-3)
    SchemeChoice,
};

enum class Access {
    ReadWrite,
    ReadOnly,   // honoured when present, never written
    WriteOnly,  // written, but every run starts from the default
    ReadLast,   // read in the last stage whatever its section
};

constexpr IntRange kAnyInt{INT_MIN, INT_MAX};

struct Row {
    const char* section;
    std::string key;
    Fmt fmt = Fmt::Int;
    Access access = Access::ReadWrite;
    IntRange range = kAnyInt;
    int index = 0;  // map series of MapDir and SchemeChoice rows
};

// A field of a packed record, copied in and out.
template <class T, class Record>
struct Packed {
    Record* record;
    std::size_t offset;
    T Get() const {
        T v;
        std::memcpy(&v, reinterpret_cast<const char*>(record) + offset, sizeof v);
        return v;
    }
    void Set(T v) const { std::memcpy(reinterpret_cast<char*>(record) + offset, &v, sizeof v); }
};

// A row whose field lies in a packed record: read into or written from a copy.
template <class T, class Record, class Visit>
void PackedRow(Visit& at, const Row& r, Record& record, const std::remove_const_t<Record>& defaults,
               std::size_t offset) {
    T v = Packed<T, Record>{&record, offset}.Get();
    at(r, v, Packed<T, const std::remove_const_t<Record>>{&defaults, offset}.Get());
    if constexpr (!std::is_const_v<Record>) Packed<T, Record>{&record, offset}.Set(v);
}

std::string ViewKey(int v, const char* suffix) { return "View " + std::to_string(v) + suffix; }

const char* const kStyleTypes[7] = {"default",      "named",        "Auto Level 1", "Auto Level 2",
                                    "Auto Level 3", "Auto Level 4", "Auto Level 5"};

// The table. S is AppSettings when reading and const AppSettings when
// writing; d holds the defaults. Rows are in the order a new file lists them.
template <class S, class Visit>
void VisitSettings(S& s, const AppSettings& d, Visit&& at) {
    using F = Fmt;
    using A = Access;
    const char* P = kPrefs;
    at(Row{P, "First Time", F::Int, A::ReadLast}, s.firstTime, d.firstTime);
    // Folders are written from the pending copies: edits apply at the next start.
    at(Row{P, "Location 0 Of Wpt Base", F::WptBase}, s.pendingWptBaseDir, d.wptBaseDir);
    for (int i = 0; i < kMapTypeCount; ++i)
        at(Row{P, "Location 0 Of " + DefaultMapType(i).name + " Continuous Maps", F::MapDir, A::ReadWrite,
               kAnyInt, i},
           s.pendingMapTypes[i].directory, d.mapTypes[i].directory);
    at(Row{P, "Location 0 Of Dmr Data", F::Dir}, s.dmrDataDir, d.dmrDataDir);
    at(Row{P, "Named Wpt Base Overdarft", F::Int, A::ReadWrite, kNamedWptBaseGrowRange},
       s.namedWptBaseOverdraft, d.namedWptBaseOverdraft);
    at(Row{P, "Auto Wpt Base Overdarft", F::Int, A::ReadWrite, kAutoWptBaseGrowRange}, s.autoWptBaseOverdraft,
       d.autoWptBaseOverdraft);
    at(Row{P, "Named Index Overdarft", F::Int, A::ReadWrite, kNamedIndexGrowRange}, s.namedIndexOverdraft,
       d.namedIndexOverdraft);
    at(Row{P, "Track Log Overdarft", F::Int, A::ReadWrite, kTrackLogGrowRange}, s.trackLogOverdraft,
       d.trackLogOverdraft);
    at(Row{P, "Min Waypoint Distance"}, s.minWaypointDistance, d.minWaypointDistance);
    at(Row{P, "UndoStackSize", F::Int, A::ReadWrite, kUndoStackSizeRange}, s.undoStackSize, d.undoStackSize);
    at(Row{P, "WptDefaultLabelPosition", F::LabelPos}, s.wptDefaultLabelPosition, d.wptDefaultLabelPosition);
    at(Row{P, "WptLevel"}, s.wptLevel, d.wptLevel);
    at(Row{P, "GPS Port", F::Path}, s.gpsPort, d.gpsPort);
    at(Row{P, "GPS Baud Rate", F::Text}, s.gpsBaudRate, d.gpsBaudRate);
    at(Row{P, "GPS Enabled"}, s.gpsEnabled, d.gpsEnabled);
    at(Row{P, "GPS Log Interval Seconds", F::Int, A::ReadWrite, kGpsLogIntervalRange},
       s.gpsLogIntervalSeconds, d.gpsLogIntervalSeconds);
    at(Row{P, "GPS Log Drawn Points Number"}, s.gpsLogDrawnPoints, d.gpsLogDrawnPoints);
    at(Row{P, "GPS Is Using Local Datum"}, s.gpsUsesLocalDatum, d.gpsUsesLocalDatum);
    at(Row{P, "Local To WGS84 dX", F::Sci6}, s.datumDX, d.datumDX);
    at(Row{P, "Local To WGS84 dY", F::Sci6}, s.datumDY, d.datumDY);
    at(Row{P, "Local To WGS84 dZ", F::Sci6}, s.datumDZ, d.datumDZ);
    at(Row{P, "Local To WGS84 eX", F::Sci6}, s.datumEX, d.datumEX);
    at(Row{P, "Local To WGS84 eY", F::Sci6}, s.datumEY, d.datumEY);
    at(Row{P, "Local To WGS84 eZ", F::Sci6}, s.datumEZ, d.datumEZ);
    at(Row{P, "Local To WGS84 dM", F::Sci6}, s.datumDM, d.datumDM);
    at(Row{P, "Wpt Export Directory", F::Dir}, s.wptExportDir, d.wptExportDir);
    at(Row{P, "Wpt Import Directory", F::Dir}, s.wptImportDir, d.wptImportDir);
    at(Row{P, "Track Log Directory", F::Dir}, s.trackLogDir, d.trackLogDir);
    at(Row{P, "Config Directory", F::Dir}, s.configDir, d.configDir);
    at(Row{P, "Search Area Directory", F::Dir}, s.searchAreaDir, d.searchAreaDir);
    at(Row{P, "Waypoint Keyword", F::Text}, s.waypointKeyword, d.waypointKeyword);
    at(Row{P, "Trackpoint Keyword", F::Text}, s.trackpointKeyword, d.trackpointKeyword);
    at(Row{P, "Save Downloaded Trk"}, s.saveDownloadedTrk, d.saveDownloadedTrk);
    at(Row{P, "Save Downloaded Wpts"}, s.saveDownloadedWpts, d.saveDownloadedWpts);
    at(Row{P, "Import Downloaded Wpts"}, s.importDownloadedWpts, d.importDownloadedWpts);
    at(Row{P, "Ask After Downloading Wpts"}, s.askAfterDownloadingWpts, d.askAfterDownloadingWpts);
    at(Row{P, "Export To GPS"}, s.exportToGps, d.exportToGps);
    at(Row{P, "Ignore Existing Wpts"}, s.ignoreExistingWpts, d.ignoreExistingWpts);
    at(Row{P, "Suggest Log Names"}, s.suggestLogNames, d.suggestLogNames);
    at(Row{P, "Existing Wpt Proximity", F::Fixed2}, s.existingWptProximity, d.existingWptProximity);
    at(Row{P, "Debug Mode", F::Int, A::ReadOnly}, s.debugMode, d.debugMode);

    // The records are packed, so their fields are reached through copies.
    const char* D = kDmr;
    auto dmrInt = [&](const Row& r, std::size_t off) { PackedRow<std::int32_t>(at, r, s.dmr, d.dmr, off); };
    auto dmrReal = [&](const Row& r, std::size_t off) { PackedRow<double>(at, r, s.dmr, d.dmr, off); };
    dmrInt(Row{D, "Preview Mode"}, offsetof(DmrParams, PreviewMode));
    dmrInt(Row{D, "Surface Type"}, offsetof(DmrParams, SurfaceType));
    dmrReal(Row{D, "Azimut", F::Heading}, offsetof(DmrParams, Azimut));
    dmrReal(Row{D, "Elevation", F::Sci2}, offsetof(DmrParams, Elevation));
    dmrReal(Row{D, "ViewAngle", F::Sci2}, offsetof(DmrParams, ViewAngle));
    dmrReal(Row{D, "View Point Easting", F::IntFixed3}, offsetof(DmrParams, ViewPoint.easting));
    dmrReal(Row{D, "View Point Northing", F::IntFixed3}, offsetof(DmrParams, ViewPoint.northing));
    dmrInt(Row{D, "Move Step"}, offsetof(DmrParams, MoveStep));
    dmrInt(Row{D, "View Point Abs Height"}, offsetof(DmrParams, AbsHeight));
    dmrInt(Row{D, "View Point Rel Height"}, offsetof(DmrParams, RelHeight));
    dmrInt(Row{D, "is Relative Height"}, offsetof(DmrParams, IsRelHeight));
    dmrInt(Row{D, "Visibility"}, offsetof(DmrParams, Visibility));
    dmrInt(Row{D, "Rendering"}, offsetof(DmrParams, Rendering));
    dmrInt(Row{D, "Fill Gaps"}, offsetof(DmrParams, FillGaps));
    at(Row{D, "Step History"}, s.dmrStepHistory, d.dmrStepHistory);
    at(Row{D, "Max Open Quadrants"}, s.dmrMaxOpenQuadrants, d.dmrMaxOpenQuadrants);
    dmrInt(Row{D, "Stick To GPS"}, offsetof(DmrParams, StickToGps));

    const char* W = kWindow;
    at(Row{W, "Window Left"}, s.windowLeft, d.windowLeft);
    at(Row{W, "Window Right"}, s.windowRight, d.windowRight);
    at(Row{W, "Window Top"}, s.windowTop, d.windowTop);
    at(Row{W, "Window Bottom"}, s.windowBottom, d.windowBottom);
    at(Row{W, "SplitStyle"}, s.splitStyle, d.splitStyle);
    at(Row{W, "TwoMap Vert Split Ratio"}, s.twoMapVertSplitRatio, d.twoMapVertSplitRatio);
    at(Row{W, "MapDmr Vert Split Ratio"}, s.mapDmrVertSplitRatio, d.mapDmrVertSplitRatio);
    at(Row{W, "MapDmr Hor Split Ratio"}, s.mapDmrHorSplitRatio, d.mapDmrHorSplitRatio);

    const char* V = kView;
    const ViewSettings dv = DefaultViewSlot();
    for (int v = 0; v < kViewSlots; ++v) {
        auto& vs = s.views[v];
        at(Row{V, ViewKey(v, " Map Type"), F::MapType}, vs.mapType, dv.mapType);
        for (int l = 0; l < kLayerCount; ++l)
            at(Row{V, ViewKey(v, " Sel Layer ") + std::to_string(l)}, vs.layers[l], dv.layers[l]);
        at(Row{V, ViewKey(v, " Sel Overlay")}, vs.overlay, dv.overlay);
        at(Row{V, ViewKey(v, " Sel Prngrid")}, vs.printGrid, dv.printGrid);
        at(Row{V, ViewKey(v, " Show DMR Area")}, vs.dmrArea, dv.dmrArea);
        at(Row{V, ViewKey(v, " Show Unselected Wpt")}, vs.unselectedWpt, dv.unselectedWpt);
        at(Row{V, ViewKey(v, " Tracking")}, vs.tracking, dv.tracking);
        at(Row{V, ViewKey(v, " Origin X")}, vs.originX, dv.originX);
        at(Row{V, ViewKey(v, " Origin Y")}, vs.originY, dv.originY);
        PackedRow<double>(at, Row{V, ViewKey(v, " Print Center Easting"), F::IntFixed3}, vs.printCenter,
                          dv.printCenter, offsetof(CPointD, easting));
        PackedRow<double>(at, Row{V, ViewKey(v, " Print Center Northing"), F::IntFixed3}, vs.printCenter,
                          dv.printCenter, offsetof(CPointD, northing));
        at(Row{V, ViewKey(v, " Print Width")}, vs.printWidth, dv.printWidth);
        at(Row{V, ViewKey(v, " Print Height")}, vs.printHeight, dv.printHeight);
    }

    const char* R = kPrinting;
    at(Row{R, "Print Left Margin"}, s.printMarginLeft, d.printMarginLeft);
    at(Row{R, "Print Right Margin"}, s.printMarginRight, d.printMarginRight);
    at(Row{R, "Print Top Margin"}, s.printMarginTop, d.printMarginTop);
    at(Row{R, "Print Bottom Margin"}, s.printMarginBottom, d.printMarginBottom);
    at(Row{R, "Print Title Margin"}, s.printTitleMargin, d.printTitleMargin);
    at(Row{R, "Print Title Size"}, s.printTitleSize, d.printTitleSize);

    const char* A_ = kAppear;
    auto& a = s.appearance;
    const CAppearanceSettings& da = d.appearance;
    for (int i = 0; i < kMapTypeCount; ++i)
        for (int md = 0; md < 2; ++md)
            at(Row{A_, SchemeChoiceKey(i, md), F::SchemeChoice, A::ReadWrite, kAnyInt, i},
               a.schemeChoice[i][md], da.schemeChoice[i][md]);
    at(Row{A_, "Auto apply"}, a.autoApply, da.autoApply);
    at(Row{A_, "Use printer colors"}, a.usePrinterColors, da.usePrinterColors);
    at(Row{A_, "Waypoint default override", F::Int, A::WriteOnly}, a.wptDefaultOverride,
       da.wptDefaultOverride);
    // The default row first: the other six follow it as read.
    for (int t = 0; t < 7; ++t) {
        const std::string k = std::string("Waypoint ") + kStyleTypes[t];
        const Access acc = t == 0 ? A::ReadWrite : A::ReadOnly;
        auto& w = a.wptStyles[t];
        const WptStyle& dw = t == 0 ? da.wptStyles[0] : a.wptStyles[0];
        at(Row{A_, k + (t == 0 ? " marker" : "") + " screen color", F::Int, acc}, w.screenColor,
           dw.screenColor);
        at(Row{A_, k + (t == 0 ? " marker" : "") + " print color", F::Int, acc}, w.printColor, dw.printColor);
        at(Row{A_, k + " font size", F::Int, acc}, w.fontSize, dw.fontSize);
        at(Row{A_, k + " font weight", F::Int, acc}, w.bold, dw.bold);
        at(Row{A_, k + " font italic", F::Int, acc}, w.italic, dw.italic);
        at(Row{A_, k + " font underline", F::Int, acc}, w.underline, dw.underline);
    }
    at(Row{A_, "Waypoint font", F::Font}, a.wptFont, da.wptFont);
    at(Row{A_, "Waypoint default hidden screen color"}, a.hiddenScreenColor, da.hiddenScreenColor);
    at(Row{A_, "Waypoint default hidden print color"}, a.hiddenPrintColor, da.hiddenPrintColor);
    at(Row{A_, "Waypoint default marker size"}, a.markerSize, da.markerSize);
    at(Row{A_, "Waypoint default marker outline"}, a.markerOutline, da.markerOutline);
    at(Row{A_, "Waypoint default marker distance"}, a.labelDistance, da.labelDistance);
    at(Row{A_, "Waypoint default screen opacity"}, a.screenOpacity, da.screenOpacity);
    at(Row{A_, "Waypoint default print opacity"}, a.printOpacity, da.printOpacity);
    at(Row{A_, "Track Log screen color"}, a.trackScreenColor, da.trackScreenColor);
    at(Row{A_, "Track Log print color"}, a.trackPrintColor, da.trackPrintColor);
    at(Row{A_, "Track Log selection screen color"}, a.trackSelScreenColor, da.trackSelScreenColor);
    at(Row{A_, "Track Log selection print color"}, a.trackSelPrintColor, da.trackSelPrintColor);
    at(Row{A_, "Track Log thickness"}, a.trackThickness, da.trackThickness);
    at(Row{A_, "Track Log marker size"}, a.trackMarkerSize, da.trackMarkerSize);
    at(Row{A_, "GPS inactive color"}, a.gpsInactiveColor, da.gpsInactiveColor);
    at(Row{A_, "GPS marker size"}, a.gpsMarkerSize, da.gpsMarkerSize);
    at(Row{A_, "DMR marker size"}, a.dmrMarkerSize, da.dmrMarkerSize);
    at(Row{A_, "Auto Switch To Unsel Diff Color"}, s.autoSwitchToUnselDiffColor,
       d.autoSwitchToUnselDiffColor);

    at(Row{kSearch, "Search Route Through All"}, s.searchRouteThroughAll, d.searchRouteThroughAll);
}

SettingsStage StageOf(const Row& r) {
    if (r.access == Access::ReadLast) return SettingsStage::AppearanceSearchFirstTime;
    if (r.section == kPrefs) return SettingsStage::Preferences;
    if (r.section == kAppear || r.section == kSearch) return SettingsStage::AppearanceSearchFirstTime;
    return SettingsStage::DmrWindowViewPrinting;
}

// Texts cut to capacity - 1 characters, as the fixed buffers of the file's
// first reader did.
int CapacityOf(Fmt f) {
    switch (f) {
        case Fmt::Path:
        case Fmt::Dir:
        case Fmt::WptBase:
        case Fmt::MapDir:
            return kPathCapacity;
        case Fmt::Font:
            return kFontCapacity;
        default:
            return kTextCapacity;
    }
}

class CReader {
public:
    CReader(const CProfile& ini, AppSettings& s, SettingsStage stage) : m_Ini(ini), m_S(s), m_Stage(stage) {}

    template <class T>
    void operator()(const Row& r, T& field, const T& def) {
        if (r.access == Access::ReadOnly || r.access == Access::ReadWrite || r.access == Access::ReadLast) {
            if (StageOf(r) == m_Stage && r.fmt != Fmt::SchemeChoice) Read(r, field, def);
        } else if (StageOf(r) == m_Stage) {
            field = def;
        }
    }

private:
    void Read(const Row& r, int& field, int def) {
        if (r.fmt == Fmt::LabelPos) {
            field = (m_Ini.GetInt(r.section, r.key, (def >> 4) & 3) & 3) << 4;
            return;
        }
        field = r.range.Clamp(m_Ini.GetInt(r.section, r.key, def));
        if (r.fmt == Fmt::MapType && field <= -1) field = -3;
    }
    void Read(const Row& r, COLORREF& field, COLORREF def) {
        field = COLORREF(m_Ini.GetInt(r.section, r.key, int(def)));
    }
    void Read(const Row& r, double& field, double def) {
        if (!m_Ini.HasKey(r.section, r.key)) {
            field = def;
        } else if (r.fmt == Fmt::IntFixed3) {
            field = m_Ini.GetInt(r.section, r.key, 0);
        } else {
            field = LeadingDouble(m_Ini.GetString(r.section, r.key, "", kTextCapacity));
        }
        if (r.fmt == Fmt::Heading) field = NormalizeDegrees(field);
    }
    void Read(const Row& r, std::string& field, const std::string& def) {
        const std::string text = m_Ini.GetString(r.section, r.key, def, CapacityOf(r.fmt));
        switch (r.fmt) {
            case Fmt::WptBase:
                // In effect as read, but never without its separator: the bases
                // and the marker file would otherwise land beside the folder.
                m_S.wptBaseDir = WithTrailingSlash(text);
                field = NormalizePath(text, true);
                break;
            case Fmt::MapDir: {
                MapTypeInfo& inEffect = m_S.mapTypes[r.index];
                inEffect = DefaultMapType(r.index);
                inEffect.directory = WithTrailingSlash(text);
                m_S.pendingMapTypes[r.index] = inEffect;
                break;
            }
            case Fmt::Dir:
                field = WithTrailingSlash(text);
                break;
            default:
                field = text;
        }
    }

    const CProfile& m_Ini;
    AppSettings& m_S;
    SettingsStage m_Stage;
};

class CWriter {
public:
    CWriter(CProfile& ini, const AppSettings& s) : m_Ini(ini), m_S(s) {}

    template <class T>
    void operator()(const Row& r, const T& field, const T&) {
        if (r.access != Access::ReadOnly) Write(r, field);
    }

private:
    void Write(const Row& r, int v) {
        if (r.fmt == Fmt::LabelPos) {
            v = (v >> 4) & 3;
        } else if (r.fmt == Fmt::SchemeChoice) {
            const CAppearanceSettings& a = m_S.appearance;
            m_Ini.WriteString(r.section, r.key,
                              v >= 0 && v < a.SchemeCount() ? a.schemes[size_t(v)].name : "");
            return;
        }
        m_Ini.WriteInt(r.section, r.key, v);
    }
    void Write(const Row& r, COLORREF v) { m_Ini.WriteInt(r.section, r.key, int(v)); }
    void Write(const Row& r, double v) {
        switch (r.fmt) {
            case Fmt::Sci2:
                m_Ini.WriteString(r.section, r.key, FormatScientific(v, 2));
                break;
            case Fmt::Heading: {
                // Three digits round 359.7 up to a whole turn, which is north.
                std::string text = FormatScientific(NormalizeDegrees(v), 2);
                if (LeadingDouble(text) >= 360.0) text = FormatScientific(0.0, 2);
                m_Ini.WriteString(r.section, r.key, text);
                break;
            }
            case Fmt::Fixed2:
                m_Ini.WriteString(r.section, r.key, FormatFixed(v, 2));
                break;
            case Fmt::IntFixed3:
                m_Ini.WriteString(r.section, r.key, FormatFixed(v, 3));
                break;
            default:
                m_Ini.WriteString(r.section, r.key, FormatScientific(v, 6));
        }
    }
    void Write(const Row& r, const std::string& v) { m_Ini.WriteString(r.section, r.key, v); }

    CProfile& m_Ini;
    const AppSettings& m_S;
};

}  // namespace

std::string SchemeChoiceKey(int series, int medium) {
    return DefaultMapType(series).name + (medium == kSchemeScreen ? " screen" : " print") + " color scheme";
}

void ReadSettings(const CProfile& ini, AppSettings& s, SettingsStage stage) {
    const AppSettings defaults;
    VisitSettings(s, defaults, CReader(ini, s, stage));
    if (stage == SettingsStage::DmrWindowViewPrinting) {
        // Values of the run, not of the file.
        s.dmr.PrevViewPoint = s.dmr.ViewPoint;
        for (int i = 0; i < 3; ++i) s.dmr.Light[i] = defaults.dmr.Light[i];
        for (ViewSettings& v : s.views) v.scrollMode = 0;
    }
}

void WriteSettings(CProfile& ini, const AppSettings& s) {
    const AppSettings defaults;
    VisitSettings(s, defaults, CWriter(ini, s));
}

const MapTypeInfo& DefaultMapType(int row) {
    static const MapTypeInfo rows[kMapTypeCount] = {
        {"PK250", "", 250000, 0, 28, 784, 236, 10000, 2000},
        {"TK50", "", 50000, 1, 28, 784, 1181, 10000, 1000},
        {"TK25", "", 25000, 2, 56, 3136, 1181, 5000, 500},
        {"TN10", "", 10000, 3, 140, 19600, 1181, 2000, 500},
        {"OF50", "", 50000, 1, 28, 784, 1181, 10000, 1000},
    };
    return rows[row < 0 ? 0 : row >= kMapTypeCount ? kMapTypeCount - 1 : row];
}

AppSettings::AppSettings()
    : wptBaseDir(DefaultVorneDir("wpt/")),
      pendingWptBaseDir(NormalizePath(wptBaseDir, true)),
      dmrDataDir(DefaultVorneDir("dmr/data/")) {
    for (int i = 0; i < kMapTypeCount; ++i) {
        mapTypes[i] = DefaultMapType(i);
        mapTypes[i].directory = DefaultVorneDir(mapTypes[i].name + "/maps/");
        pendingMapTypes[i] = mapTypes[i];
    }
}
