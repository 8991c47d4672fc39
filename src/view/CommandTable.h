#pragma once
// The main menu, the accelerators and the toolbar as data. The frame builds
// its QActions, menus and toolbar from these tables alone, so the whole user
// command surface can be read (and tested) in one place.

#include <vector>

// Command ids of the main window. The numbers are kept as the program has
// always used them (stored nowhere, but handlers elsewhere compare them).
namespace cmd {
// Framework standard commands.
constexpr int FileNew = 57600;
constexpr int FileOpen = 57601;
constexpr int FileSave = 57603;
constexpr int PageSetup = 57605;
constexpr int PrintSetup = 57606;
constexpr int Print = 57607;
constexpr int PrintPreview = 57609;
constexpr int Undo = 57643;
constexpr int About = 57664;
constexpr int Exit = 57665;
constexpr int ViewToolbar = 59392;
constexpr int ViewStatusBar = 59393;

constexpr int OpenMapButton = 32776;  // toolbar and "_NO_MAP_" menu; nothing serves it
constexpr int WptLevelTK50 = 32781;
constexpr int WptLevelTK25 = 32782;
constexpr int WptLevelTN10 = 32783;
constexpr int ExportWptPrintArea = 32800;
constexpr int ExportWptSectors = 32801;
constexpr int WptLevelTN5 = 32802;
constexpr int ColorsFonts = 32820;
constexpr int SelectWaypoints = 32833;
constexpr int GpsTrackingHome = 32843;
constexpr int CheckIntegrity = 32844;
constexpr int GpsEnabled = 32846;
constexpr int GpsOpenPort = 32848;
constexpr int GpsClosePort = 32849;
constexpr int FileLocations = 32850;
constexpr int Preferences = 32851;
constexpr int CompactDatabase = 32852;
constexpr int GpsInvalidTest = 32854;
constexpr int MouseScrolling = 32856;
constexpr int NextSeries = 32860;
constexpr int PrevSeries = 32861;
constexpr int SysResources = 32864;
constexpr int ShowOverlay = 32871;
constexpr int TrkStartOfTrack = 32879;
constexpr int TrkEndOfTrack = 32880;
constexpr int TrkMarkStartOfTrack = 32889;
constexpr int TrkSelectToEndOfTrack = 32893;
constexpr int TrkStartOfSelection = 32898;
constexpr int TrkEndOfSelection = 32899;
constexpr int TrkSelClear = 32900;
constexpr int TrkSelDelete = 32901;
constexpr int TrkSelExport = 32902;
constexpr int AutoSwitchDiffColor = 32910;
constexpr int DmrApply = 32925;
constexpr int ActivateView0 = 32928;
constexpr int ActivateView1 = 32929;
constexpr int LayerFirst = 32933;  // + layer index 0..15
constexpr int LayerLast = 32948;
constexpr int LayerGrid = 32941;
constexpr int LayerWaypoints = 32942;
constexpr int LayerTrackLogs = 32943;
constexpr int LayerVector = 32944;
constexpr int LayerDmrViewPoint = 32945;
constexpr int LayerPrintGrid = 32946;
constexpr int LayerSearchArea = 32947;
constexpr int UnselShowAll = 32961;  // .. 32963
constexpr int UnselDifferentColor = 32962;
constexpr int UnselDoNotShow = 32963;
constexpr int TrackingDisabled = 32964;  // .. 32966
constexpr int TrackingGps = 32965;
constexpr int TrackingDmr = 32966;
constexpr int DmrLoadViewPoint = 32967;
constexpr int DmrSaveViewPoint = 32968;
constexpr int DmrGoToViewPoint = 32969;
constexpr int DmrAreaNever = 32971;  // .. 32973
constexpr int DmrAreaDelayed = 32972;
constexpr int DmrAreaAlways = 32973;
constexpr int DmrPreview = 32974;
constexpr int DmrChangeSurface = 32975;
constexpr int DmrRelativeHeight = 32976;
constexpr int DmrStickToGps = 32977;
constexpr int DmrMoveUp = 32978;
constexpr int DmrMoveDown = 32979;
constexpr int DmrTurnLeft = 32980;
constexpr int DmrTurnRight = 32981;
constexpr int DmrMoveForward = 32982;
constexpr int DmrMoveBackward = 32983;
constexpr int OpenImage = 32985;
constexpr int ShowImage = 32986;
constexpr int OpenMapFirst = 32987;  // .. 32991, series 0..4
constexpr int OpenMapLast = 32991;
constexpr int SyncWptDatabase = 33018;
constexpr int Hibernate = 33020;
constexpr int PrintGridFirst = 33021;  // .. 33025, series 0..4
constexpr int PrintGridLast = 33025;
constexpr int SaveSearchArea = 33037;
constexpr int ExportToGps = 33038;
constexpr int SearchFieldProperties = 33039;
constexpr int WptLevelPK250 = 33040;
constexpr int WptLevelAutomatic = 33041;
constexpr int CreateTempWpts = 33048;
constexpr int SelectAllTempWpts = 33052;
constexpr int ClearSearchArea = 33058;
constexpr int ExportToGpsRoutes = 33059;  // posted by the GPS link, no menu item
constexpr int NewSearchRoute = 33060;
constexpr int DrawSearchPerimeter = 33064;
constexpr int SetSearchBaseStart = 33065;
constexpr int SetSearchBaseEnd = 33066;
constexpr int SetSearchDirectionEnd = 33067;
constexpr int FindSearchField = 33068;
constexpr int DeleteSearchField = 33069;
constexpr int FindSearchPerimeter = 33070;
constexpr int FindFirstSearchRoute = 33072;
constexpr int LoadSearchArea = 33075;

// Commands that never had a number of their own: free ids above 33075.
constexpr int LayoutMapOnly = 33076;  // .. 33080, split styles 1..5
constexpr int LayoutDmrOnly = 33077;
constexpr int LayoutMapDmr = 33078;
constexpr int LayoutDmrMap = 33079;
constexpr int LayoutTwoMaps = 33080;
constexpr int FindWaypoint = 33081;
constexpr int NewSearchField = 33082;
constexpr int EndRouteDrawing = 33083;
constexpr int SaveWptDatabase = 33084;
constexpr int ClearTrackLog = 33085;
constexpr int WptFromFile = 33086;
constexpr int WptFromGps = 33087;
constexpr int TrackLogFromFile = 33088;
constexpr int TrackLogFromGps = 33089;
constexpr int TrackLogToFile = 33090;
constexpr int RefCalculateOrigin = 33091;
constexpr int RefClearAll = 33092;
constexpr int RefDeleteLast = 33093;
constexpr int RefSave = 33094;
constexpr int RefLoad = 33095;
}  // namespace cmd

// One row of the main menu. Rows of one popup stand together in menu order;
// a row with id 0 is a separator in its popup. A row with a null path is an
// accelerator of the main window that has no menu item.
struct MenuItemDef {
    int id;
    const char* path;    // popup path, '/' between levels: "&File/Open Map..."
    const char* text;    // menu text; after '\t' the key as the menu shows it
    const char* keys;    // key sequences (QKeySequence portable text), ';' between several
    const char* prompt;  // status bar prompt; after '\n' the tooltip
    bool checkable;
};

const std::vector<MenuItemDef>& MainMenuTable();

// The toolbar in order; 0 is a separator.
const std::vector<int>& ToolbarTable();

// The row of a command (the first when it stands in two menus), or null.
const MenuItemDef* FindCommand(int id);

// Status prompt and tooltip of a command (split at '\n'; the tooltip falls
// back to the menu text without '&' and key).
const char* CommandPrompt(int id);
