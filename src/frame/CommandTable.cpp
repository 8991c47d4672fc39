#include "frame/CommandTable.h"

#include <cstring>

namespace {

constexpr const char* kFile = "&File";
constexpr const char* kOpenMap = "&File/Open Map...";
constexpr const char* kExport = "&File/Export";
constexpr const char* kEdit = "&Edit";
constexpr const char* kView = "&View";
constexpr const char* kTracking = "&View/Tracking";
constexpr const char* kLayer = "&Layer";
constexpr const char* kPrintGrid = "&Layer/Print Grid";
constexpr const char* kDmrArea = "&Layer/Show Dmr Area";
constexpr const char* kWpts = "&Waypoints";
constexpr const char* kUnsel = "&Waypoints/Show Unselected Wpt";
constexpr const char* kNewWptOn = "&Waypoints/New Waypoint defined on";
constexpr const char* kTrack = "&TrackLog";
constexpr const char* kTrackGoTo = "&TrackLog/Go To";
constexpr const char* kTrackSel = "&TrackLog/Selection";
constexpr const char* kSearch = "&Search Area";
constexpr const char* kSearchFind = "&Search Area/Find";
constexpr const char* kRef = "&Reference Points";
constexpr const char* kGps = "&GPS Navigation";
constexpr const char* kDmr = "&DMR";
constexpr const char* kHelp = "&Help";

const std::vector<MenuItemDef> kMenu = {
    // File
    {cmd::FileNew, kFile, "&New\tCtrl+N", "Ctrl+N", "Start a new map document\nNew", false},
    {cmd::FileOpen, kFile, "&Open...\tCtrl+O", "Ctrl+O", "Open a map image as document\nOpen", false},
    {cmd::FileSave, kFile, "&Save\tCtrl+S", "Ctrl+S", "Save the map image document\nSave", false},
    {0, kFile, nullptr, nullptr, nullptr, false},
    {cmd::OpenMapFirst + 0, kOpenMap, "PK250", nullptr,
     "Open the 1:250 000 map series in the active pane\nPK250", true},
    {cmd::OpenMapFirst + 1, kOpenMap, "TK50", nullptr,
     "Open the 1:50 000 map series in the active pane\nTK50", true},
    {cmd::OpenMapFirst + 2, kOpenMap, "TK25", nullptr,
     "Open the 1:25 000 map series in the active pane\nTK25", true},
    {cmd::OpenMapFirst + 3, kOpenMap, "TN10", nullptr,
     "Open the 1:10 000 map series in the active pane\nTN10", true},
    {cmd::OpenMapFirst + 4, kOpenMap, "DOF50", nullptr,
     "Open the orthophoto series in the active pane\nDOF50", true},
    {cmd::OpenImage, kFile, "&Open Image...", nullptr, "Open a scanned map image\nOpen image", false},
    {cmd::ShowImage, kFile, "Show Image", nullptr, "Show the loaded map image in the active pane\nShow image",
     false},
    {0, kFile, nullptr, nullptr, nullptr, false},
    {cmd::WptFromFile, kFile, "Waypoints from File...", nullptr,
     "Import waypoints from a text file\nImport waypoints", false},
    {cmd::TrackLogFromFile, kFile, "Track Log from File...", nullptr,
     "Import a track log from a text file\nImport track log", false},
    {cmd::TrackLogToFile, kFile, "Track Log to File...", nullptr,
     "Write the whole track log to a text file\nExport track log", false},
    {cmd::ExportWptSectors, kExport, "Waypoints From &Selected Sectors...", nullptr,
     "Choose sectors and export their waypoints to a text file\nExport waypoints of selected sectors", false},
    {cmd::ExportWptPrintArea, kExport, "Waypoints From &Print Area...", nullptr,
     "Export the waypoints inside the print area to a text file\nExport waypoints of the print area", false},
    {0, kFile, nullptr, nullptr, nullptr, false},
    {cmd::SaveWptDatabase, kFile, "Sa&ve Waypoint Database", nullptr,
     "Write every changed waypoint base\nSave waypoints", false},
    {cmd::CheckIntegrity, kFile, "Check Integrity of the Database", nullptr,
     "Check every waypoint base for errors\nCheck database", false},
    {cmd::CompactDatabase, kFile, "Compact Database", nullptr,
     "Remove deleted waypoints from the bases\nCompact database", false},
    {cmd::SyncWptDatabase, kFile, "Synchronize Wpt Database...", nullptr,
     "Synchronize the waypoint database\nSynchronize", false},
    {0, kFile, nullptr, nullptr, nullptr, false},
    {cmd::Print, kFile, "&Print...\tCtrl+P", "Ctrl+P", "Print the print area of the active map\nPrint",
     false},
    {cmd::PrintPreview, kFile, "Print Pre&view", nullptr, "Show the printed page on screen\nPrint preview",
     false},
    {cmd::PageSetup, kFile, "P&age Setup", nullptr, "Set the page margins\nPage setup", false},
    {cmd::PrintSetup, kFile, "P&rint Setup...", nullptr, "Choose the printer and the paper\nPrint setup",
     false},
    {0, kFile, nullptr, nullptr, nullptr, false},
    {cmd::Hibernate, kFile, "Hibernate\tAlt+Pause", "Alt+Pause",
     "Ask the system to hibernate the computer\nHibernate", false},
    {cmd::Exit, kFile, "E&xit", "Ctrl+Q", "Quit the program\nExit", false},

    // Edit
    {cmd::Undo, kEdit, "&Undo\tCtrl+Z", "Ctrl+Z;Shift+Backspace", "Undo the last waypoint change\nUndo",
     false},
    {0, kEdit, nullptr, nullptr, nullptr, false},
    {cmd::ColorsFonts, kEdit, "&Colors && Fonts...", nullptr,
     "Change map colours and waypoint fonts\nColors and fonts", true},
    {cmd::FileLocations, kEdit, "Set &File Locations...", nullptr,
     "Set the folders of maps and waypoints\nFile locations", false},
    {cmd::Preferences, kEdit, "P&references...", nullptr, "Change the program's preferences\nPreferences",
     false},

    // View
    {cmd::ViewToolbar, kView, "&Toolbar", nullptr, "Show or hide the toolbar\nToolbar", true},
    {cmd::ViewStatusBar, kView, "&Status Bar", nullptr, "Show or hide the status bar\nStatus bar", true},
    {0, kView, nullptr, nullptr, nullptr, false},
    {cmd::LayoutMapOnly, kView, "Map only\tF5", "F5", "One map pane\nMap only", true},
    {cmd::LayoutDmrOnly, kView, "DMR only", nullptr, "The 3-D view alone\nDMR only", true},
    {cmd::LayoutMapDmr, kView, "Map + DMR\tF6", "F6",
     "Map on the left, 3-D view and its controls on the right\nMap + DMR", true},
    {cmd::LayoutDmrMap, kView, "DMR + Map\tF7", "F7",
     "3-D view on the left, map and controls on the right\nDMR + Map", true},
    {cmd::LayoutTwoMaps, kView, "Two Maps\tF8", "F8", "Two map panes side by side\nTwo Maps", true},
    {0, kView, nullptr, nullptr, nullptr, false},
    {cmd::MouseScrolling, kView, "Mouse Scrolling\tTAB", "Tab",
     "Scroll the map by moving the mouse\nMouse scrolling", true},
    {cmd::TrackingDisabled, kTracking, "Disabled", nullptr,
     "The map does not follow any position\nTracking off", true},
    {cmd::TrackingGps, kTracking, "GPS", nullptr, "The map follows the GPS position\nFollow GPS", true},
    {cmd::TrackingDmr, kTracking, "DMR", nullptr, "The map follows the 3-D view point\nFollow 3-D view point",
     true},

    // Layer
    {cmd::LayerFirst + 0, kLayer, "&G   (forest)", "G", "Show or hide the forest layer\nForest (G)", true},
    {cmd::LayerFirst + 1, kLayer, "&RP (relief)", "R", "Show or hide the relief layer\nRelief (RP)", true},
    {cmd::LayerFirst + 2, kLayer, "&H (water)", "H", "Show or hide the water layer\nWater (H)", true},
    {cmd::LayerFirst + 3, kLayer, "&C   (main roads)", "C",
     "Show or hide the main roads layer\nMain roads (C)", true},
    {cmd::LayerFirst + 4, kLayer, "&NP (objects&&communications)", "N",
     "Show or hide the objects and communications layer\nObjects and communications (NP)", true},
    {cmd::LayerFirst + 5, kLayer, "&I/NPI (names/objects)", "I",
     "Show or hide the names layer\nNames and objects (I)", true},
    {0, kLayer, nullptr, nullptr, nullptr, false},
    {cmd::ShowOverlay, kLayer, "Show Overlay", "O", "Show the overlay layers of the series\nOverlay", true},
    {0, kLayer, nullptr, nullptr, nullptr, false},
    {cmd::LayerGrid, kLayer, "GaussKrueger Gri&d", "M", "Show or hide the Gauss-Krueger grid\nGrid (M)",
     true},
    {cmd::LayerWaypoints, kLayer, "&Waypoints", "W", "Show or hide the waypoints\nWaypoints (W)", true},
    {cmd::LayerTrackLogs, kLayer, "&Track logs", "T", "Show or hide the track log\nTrack log (T)", true},
    {cmd::LayerVector, kLayer, "&Vector Drawing", "V", "Show or hide the vector drawing\nVector drawing (V)",
     true},
    {cmd::LayerDmrViewPoint, kLayer, "&DMR ViewPoint", "D",
     "Show or hide the 3-D view point\n3-D view point (D)", true},
    {cmd::LayerSearchArea, kLayer, "&Search Area", nullptr, "Show or hide the search area\nSearch area",
     true},
    {cmd::LayerPrintGrid, kPrintGrid, "Visible", nullptr, "Show or hide the print grid\nPrint grid", true},
    {0, kPrintGrid, nullptr, nullptr, nullptr, false},
    {cmd::PrintGridFirst + 0, kPrintGrid, "PK250", nullptr,
     "Print grid of the PK250 series\nPK250 print grid", true},
    {cmd::PrintGridFirst + 1, kPrintGrid, "TK50", nullptr, "Print grid of the TK50 series\nTK50 print grid",
     true},
    {cmd::PrintGridFirst + 2, kPrintGrid, "TK25", nullptr, "Print grid of the TK25 series\nTK25 print grid",
     true},
    {cmd::PrintGridFirst + 3, kPrintGrid, "TN10", nullptr, "Print grid of the TN10 series\nTN10 print grid",
     true},
    {cmd::PrintGridFirst + 4, kPrintGrid, "DOF50", nullptr,
     "Print grid of the orthophoto series\nDOF50 print grid", true},
    {cmd::DmrAreaNever, kDmrArea, "Never", nullptr, "Never show the area of the 3-D view\nNever", true},
    {cmd::DmrAreaDelayed, kDmrArea, "Delayed", nullptr,
     "Show the area of the 3-D view after a delay\nDelayed", true},
    {cmd::DmrAreaAlways, kDmrArea, "Always", nullptr, "Always show the area of the 3-D view\nAlways", true},

    // Waypoints
    {cmd::SelectWaypoints, kWpts, "&Select Waypoints...", nullptr,
     "Select waypoints sector by sector\nSelect waypoints", false},
    {cmd::SelectAllTempWpts, kWpts, "Select All Temp Wpts", nullptr,
     "Select every temporary waypoint\nSelect temporary waypoints", false},
    {cmd::FindWaypoint, kWpts, "Find Waypoint...", "F", "Find a waypoint by its name\nFind waypoint", true},
    {0, kWpts, nullptr, nullptr, nullptr, false},
    {cmd::UnselShowAll, kUnsel, "Show All", nullptr, "Show unselected waypoints as the others\nShow all",
     true},
    {cmd::UnselDifferentColor, kUnsel, "Show in Different Color", nullptr,
     "Show unselected waypoints in their own colour\nUnselected in different colour", true},
    {cmd::UnselDoNotShow, kUnsel, "Do not Show", nullptr, "Hide unselected waypoints\nHide unselected", true},
    {0, kUnsel, nullptr, nullptr, nullptr, false},
    {cmd::AutoSwitchDiffColor, kUnsel, "Auto Switch to Diff. Color", nullptr,
     "After a selection show unselected waypoints in their own colour\nAuto switch", true},
    {cmd::CreateTempWpts, kWpts, "&Create Temporary Waypoints", "A",
     "New waypoints are made temporary\nCreate temporary waypoints (A)", true},
    {cmd::WptLevelAutomatic, kNewWptOn, "Automatic", nullptr,
     "New waypoints take the level of the map shown\nAutomatic level", true},
    {cmd::WptLevelPK250, kNewWptOn, "PK250", nullptr, "New waypoints are defined on PK250\nPK250 level",
     true},
    {cmd::WptLevelTK50, kNewWptOn, "TK50", "Alt+1", "New waypoints are defined on TK50\nTK50 level", true},
    {cmd::WptLevelTK25, kNewWptOn, "TK25", "Alt+2", "New waypoints are defined on TK25\nTK25 level", true},
    {cmd::WptLevelTN10, kNewWptOn, "TN10", "Alt+3", "New waypoints are defined on TN10\nTN10 level", true},
    {cmd::WptLevelTN5, kNewWptOn, "TN5", "Alt+4", "New waypoints are defined on TN5\nTN5 level", true},

    // Track log
    {cmd::TrkStartOfTrack, kTrackGoTo, "Start of Track", nullptr,
     "Go to the first point of the track log\nStart of track", false},
    {cmd::TrkEndOfTrack, kTrackGoTo, "End of Track", nullptr,
     "Go to the last point of the track log\nEnd of track", false},
    {0, kTrackGoTo, nullptr, nullptr, nullptr, false},
    {cmd::TrkStartOfSelection, kTrackGoTo, "Start of Selection", nullptr,
     "Go to the start of the selection\nStart of selection", false},
    {cmd::TrkEndOfSelection, kTrackGoTo, "End of Selection", nullptr,
     "Go to the end of the selection\nEnd of selection", false},
    {cmd::TrkSelDelete, kTrackSel, "Delete", nullptr, "Delete the selected track points\nDelete selection",
     false},
    {cmd::TrkSelExport, kTrackSel, "Export", nullptr,
     "Write the selected track points to a text file\nExport selection", false},
    {0, kTrackSel, nullptr, nullptr, nullptr, false},
    {cmd::TrkSelClear, kTrackSel, "Clear", nullptr, "Forget the selection\nClear selection", false},
    {0, kTrack, nullptr, nullptr, nullptr, false},
    {cmd::TrackLogToFile, kTrack, "Export to File...", nullptr,
     "Write the whole track log to a text file\nExport track log", false},
    {cmd::ClearTrackLog, kTrack, "Clear Track &Log", nullptr,
     "Remove every point of the track log\nClear track log", false},

    // Search area
    {cmd::LayerWaypoints, kSearch, "Show &Waypoints", nullptr, "Show or hide the waypoints\nWaypoints (W)",
     true},
    {cmd::LayerTrackLogs, kSearch, "Show &Track Logs", nullptr, "Show or hide the track log\nTrack log (T)",
     true},
    {cmd::LayerSearchArea, kSearch, "Show &Search Area", nullptr, "Show or hide the search area\nSearch area",
     true},
    {0, kSearch, nullptr, nullptr, nullptr, false},
    {cmd::NewSearchField, kSearch, "New Search Field", nullptr,
     "Click the three corners of a new search field\nNew search field", false},
    {cmd::DrawSearchPerimeter, kSearch, "Draw Search Area Perimeter", nullptr,
     "Click the points of the search area perimeter; Esc ends\nDraw perimeter", false},
    {cmd::NewSearchRoute, kSearch, "New Search Route", nullptr,
     "Click the points of a new search route; Esc ends\nNew route", false},
    {cmd::SearchFieldProperties, kSearch, "Search Field Properties...", nullptr,
     "Band width and point distance of the search field\nSearch field properties", false},
    {cmd::FindSearchField, kSearchFind, "Search Field", nullptr, "Go to the search field\nFind search field",
     false},
    {cmd::FindSearchPerimeter, kSearchFind, "Search Area Perimeter", nullptr,
     "Go to the perimeter\nFind perimeter", false},
    {cmd::FindFirstSearchRoute, kSearchFind, "First Search Route", nullptr,
     "Go to the first search route\nFind first route", false},
    {0, kSearch, nullptr, nullptr, nullptr, false},
    {cmd::LoadSearchArea, kSearch, "Load Search Area...", nullptr,
     "Load a search area file\nLoad search area", false},
    {cmd::SaveSearchArea, kSearch, "Save Search Area...", nullptr,
     "Save the search area to a file\nSave search area", false},
    {cmd::ClearSearchArea, kSearch, "Clear Search Area...", nullptr,
     "Delete the whole search area\nClear search area", false},
    {cmd::DeleteSearchField, kSearch, "Delete Search Field...", nullptr,
     "Delete the search field\nDelete search field", false},
    {0, kSearch, nullptr, nullptr, nullptr, false},
    {cmd::ExportToGps, kSearch, "Export to GPS...", nullptr,
     "Send the search area to the GPS or a file\nExport search area", false},

    // Reference points
    {cmd::RefCalculateOrigin, kRef, "Calculate Map Origin", nullptr,
     "Compute the map origin of the image from its reference points\nCalculate map origin", false},
    {0, kRef, nullptr, nullptr, nullptr, false},
    {cmd::RefClearAll, kRef, "Clear All", nullptr, "Remove every reference point\nClear reference points",
     false},
    {cmd::RefDeleteLast, kRef, "Delete Last", nullptr,
     "Remove the last reference point\nDelete last reference point", false},
    {0, kRef, nullptr, nullptr, nullptr, false},
    {cmd::RefSave, kRef, "Save", nullptr, "Save the reference points beside the image\nSave reference points",
     false},
    {cmd::RefLoad, kRef, "Load", nullptr, "Load the reference points of the image\nLoad reference points",
     false},

    // GPS
    {cmd::GpsEnabled, kGps, "&Enabled", nullptr, "Receive the GPS position on the serial port\nGPS enabled",
     true},
    {0, kGps, nullptr, nullptr, nullptr, false},
    {cmd::WptFromGps, kGps, "Waypoints from GPS...", nullptr,
     "Download the waypoints of the GPS receiver\nWaypoints from GPS", false},
    {cmd::TrackLogFromGps, kGps, "Track Log from GPS...", nullptr,
     "Download the track log of the GPS receiver\nTrack log from GPS", false},

    // 3-D view
    {cmd::DmrPreview, kDmr, "Preview", "P", "Draw the 3-D view as a quick preview\nPreview (P)", true},
    {cmd::DmrChangeSurface, kDmr, "Change Surface", "S",
     "Switch the 3-D surface between shading and map\nChange surface (S)", false},
    {cmd::DmrRelativeHeight, kDmr, "Relative Height", "Ctrl+H",
     "View point height above the ground\nRelative height", true},
    {cmd::DmrStickToGps, kDmr, "Stick to GPS", "Ins",
     "Move the view point with the GPS position\nStick to GPS", false},
    {0, kDmr, nullptr, nullptr, nullptr, false},
    {cmd::DmrMoveForward, kDmr, "Move VP Forward", "Shift+Up", "Move the view point forward\nForward", false},
    {cmd::DmrMoveBackward, kDmr, "Move VP Backward", "Shift+Down", "Move the view point backward\nBackward",
     false},
    {cmd::DmrMoveUp, kDmr, "Move VP Up", "Up", "Raise the view point\nUp", false},
    {cmd::DmrMoveDown, kDmr, "Move VP Down", "Down", "Lower the view point\nDown", false},
    {cmd::DmrTurnLeft, kDmr, "Turn Heading Left", "Left", "Turn the view to the left\nTurn left", false},
    {cmd::DmrTurnRight, kDmr, "Turn Heading Right", "Right", "Turn the view to the right\nTurn right", false},
    {0, kDmr, nullptr, nullptr, nullptr, false},
    {cmd::DmrGoToViewPoint, kDmr, "Go To DMR ViewPoint", "X",
     "Centre the first map on the 3-D view point\nGo to view point", false},
    {cmd::DmrLoadViewPoint, kDmr, "Load DMR ViewPoint...", nullptr, "Load a view point file\nLoad view point",
     false},
    {cmd::DmrSaveViewPoint, kDmr, "Save DMR ViewPoint...", nullptr,
     "Save the view point to a file\nSave view point", false},
    {cmd::DmrApply, kDmr, "Apply", nullptr, "Redraw the 3-D view with the values of the control panel\nApply",
     false},

    // Help
    {cmd::SysResources, kHelp, "Used System Resources", nullptr,
     "Show the memory the program uses\nSystem resources", false},
    {0, kHelp, nullptr, nullptr, nullptr, false},
    {cmd::About, kHelp, "&About Vorna...", nullptr, "Program information and version\nAbout", false},

    // Keys without a menu item.
    {cmd::NextSeries, nullptr, "Next Map Series", "PgDown",
     "Open the next larger scale series\nNext series (Page Down)", false},
    {cmd::PrevSeries, nullptr, "Previous Map Series", "PgUp",
     "Open the next smaller scale series\nPrevious series (Page Up)", false},
    {cmd::GpsTrackingHome, nullptr, "GPS Tracking", "Home",
     "Follow the GPS position with the map\nGPS tracking", false},
    {cmd::EndRouteDrawing, nullptr, "End Route Drawing", "Esc", "End the route being drawn\nEnd route",
     false},
    {cmd::GpsOpenPort, nullptr, "Open GPS Port", "Ctrl+Home", "Open the GPS port\nOpen GPS port", false},
    {cmd::GpsClosePort, nullptr, "Close GPS Port", "End", "Close the GPS port\nClose GPS port", false},
    {cmd::GpsInvalidTest, nullptr, "GPS Position Invalid", "Alt+V",
     "Make GPS position invalid - for test purposes only\nGPS position invalid", true},
    {cmd::ActivateView0, nullptr, "First Map Active", nullptr,
     "Commands act on the left map\nLeft map active", true},
    {cmd::ActivateView1, nullptr, "Second Map Active", nullptr,
     "Commands act on the right map\nRight map active", true},
    {cmd::OpenMapButton, nullptr, "&Open Map", nullptr, "Open a map series\nOpen map", false},
    {cmd::ExportToGpsRoutes, nullptr, "Export Routes", nullptr, "This should not be visible to the user",
     false},
};

const std::vector<int> kToolbar = {
    cmd::OpenMapButton,
    0,
    cmd::Undo,
    0,
    cmd::Print,
    cmd::About,
    0,
    cmd::ActivateView0,
    cmd::ActivateView1,
    0,
    cmd::PrevSeries,
    cmd::NextSeries,
    0,
    cmd::ExportWptSectors,
    cmd::ExportWptPrintArea,
    0,
    cmd::CreateTempWpts,
    0,
    cmd::LayerFirst + 0,
    cmd::LayerFirst + 1,
    cmd::LayerFirst + 2,
    cmd::LayerFirst + 3,
    cmd::LayerFirst + 4,
    cmd::LayerFirst + 5,
    cmd::LayerGrid,
    cmd::LayerPrintGrid,
    cmd::LayerWaypoints,
    cmd::LayerTrackLogs,
    cmd::LayerSearchArea,
    cmd::LayerDmrViewPoint,
    0,
    cmd::ShowOverlay,
    0,
    cmd::DmrApply,
};

}  // namespace

const std::vector<MenuItemDef>& MainMenuTable() { return kMenu; }

const std::vector<int>& ToolbarTable() { return kToolbar; }

const MenuItemDef* FindCommand(int id) {
    if (id == 0) return nullptr;
    for (const MenuItemDef& d : kMenu)
        if (d.id == id) return &d;
    return nullptr;
}

const char* CommandPrompt(int id) {
    const MenuItemDef* d = FindCommand(id);
    return d && d->prompt ? d->prompt : "";
}

const std::vector<int>& MapPaneKeyCommands() {
    static const std::vector<int> kIds = {cmd::MouseScrolling};
    return kIds;
}

QList<QKeySequence> KeyList(const char* keys) {
    QList<QKeySequence> out;
    if (!keys) return out;
    for (const QString& k : QString::fromLatin1(keys).split(u';', Qt::SkipEmptyParts)) {
        QKeySequence seq = QKeySequence::fromString(k.trimmed(), QKeySequence::PortableText);
        if (!seq.isEmpty()) out.push_back(seq);
    }
    return out;
}
