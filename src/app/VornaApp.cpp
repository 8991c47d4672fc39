#include "app/VornaApp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/AppDialogs.h"
#include "geo/TextHelpers.h"
#include "platform/AtomicFile.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"
#include "platform/DamagedFile.h"
#include "platform/Prompt.h"
#include "platform/StartDirectory.h"
#include "settings/AppSettingsIO.h"
#include "settings/ColorSchemes.h"
#include "settings/SettingsTable.h"

namespace {
CVornaApp* g_App = nullptr;
}

CVornaApp& VornaApp() { return *g_App; }
CVornaApp* VornaAppOrNull() { return g_App; }

CVornaApp::CVornaApp() {
    if (!g_App) g_App = this;
}

CVornaApp::~CVornaApp() {
    if (debugLog) std::fclose(debugLog);
    if (gpsDebugLog) std::fclose(gpsDebugLog);
    if (g_App == this) g_App = nullptr;
}

void CVornaApp::SetDialogs(IAppDialogs* dialogs) { m_Dialogs = dialogs; }

IAppDialogs& CVornaApp::Dialogs() { return m_Dialogs ? *m_Dialogs : QtAppDialogs(); }

bool CVornaApp::InitInstance() {
    // A test may point the application at its own file.
    if (settings.iniFileName.empty()) settings.iniFileName = DefaultIniPath();

    settings.startDirectory = UserStartDirectory();
    std::string why;
    if (!MakeStartDirectory(settings.startDirectory, why))
        MsgBox("Error! Can not create the folder " + settings.startDirectory + ": " + why +
                   ". The track log and the search area can not be saved.",
               MB_OK | MB_ICONERROR);
    // Before anything is read: a second copy would hand out the same names
    // and overwrite the first one's stores at its exit.
    if (!LockFolder(settings.startDirectory)) return false;

    ReadPreferencesSettings();
    if (settings.debugMode && !debugLog) debugLog = std::fopen("DebugLog.txt", "a+");
    ApplyDatumSettings();
    ReadOtherSettings();

    if (settings.firstTime) {
        OnFileLocations();
        settings.firstTime = 0;
        return false;
    }

    if (!CheckWptBase() || !LockFolder(settings.wptBaseDir)) return false;

    if (settings.gpsEnabled) {
        settings.gpsEnabled = 0;
        if (startGpsReception) startGpsReception(*this);
    }
    if (settings.debugMode && !gpsDebugLog) gpsDebugLog = std::fopen("GPSdebugLog.txt", "a+");
    // The document and the main window are made by the caller (main).
    return true;
}

bool CVornaApp::LockFolder(const std::string& folder) {
    if (m_FolderLocks.Lock(folder) != FolderLockStatus::Busy) return true;
    MsgBox("Another copy of the program is using the folder " + folder, MB_OK | MB_ICONERROR);
    m_AnotherCopyRunning = true;
    return false;
}

int CVornaApp::ExitInstance() {
    if (!settings.iniFileName.empty() && !m_AnotherCopyRunning) {
        WriteAllSettings();
        if (settings.gpsEnabled && stopGpsReception) stopGpsReception(*this);
    }
    if (gpsDebugLog) {
        std::fclose(gpsDebugLog);
        gpsDebugLog = nullptr;
    }
    if (debugLog) {
        std::fclose(debugLog);
        debugLog = nullptr;
    }
    // Everything is written: the next copy may start.
    m_FolderLocks.Release();
    return m_AnotherCopyRunning ? 1 : 0;
}

void CVornaApp::ReadPreferencesSettings() {
    profile.SetPath(settings.iniFileName);
    const StoredFileCheck check = CheckStoredFile(settings.iniFileName);
    m_KeepSettingsFile = check.state == StoredFileState::Unreadable;
    if (m_KeepSettingsFile) {
        profile.SetText("");
        MsgBox("Error! Can not read settings from " + settings.iniFileName + ": " + check.Reason() +
                   ". This run uses the default settings and leaves the file as it is.",
               MB_OK | MB_ICONERROR);
    } else {
        profile.Load();  // a missing file gives every default
        if (profile.DamagedLines() > 0)
            ReportDamagedFile(settings.iniFileName, KeptOf(profile.LinesRead() - profile.DamagedLines(),
                                                           profile.LinesRead(), "line"));
    }
    ReadSettings(profile, settings, SettingsStage::Preferences);
}

void CVornaApp::ReadOtherSettings() {
    ReadSettings(profile, settings, SettingsStage::DmrWindowViewPrinting);
    LoadLayerSchemes();
    ReadSettings(profile, settings, SettingsStage::AppearanceSearchFirstTime);
}

void CVornaApp::ReadAllSettings() {
    ReadPreferencesSettings();
    ReadOtherSettings();
}

void CVornaApp::WriteAllSettings() {
    if (settings.iniFileName.empty()) return;
    if (!m_KeepSchemeFile) SaveLayerSchemes();
    if (m_KeepSettingsFile) return;
    // Start from the file as it is now, so lines others added survive.
    profile.SetPath(settings.iniFileName);
    const StoredFileCheck check = CheckStoredFile(settings.iniFileName);
    if (check.state == StoredFileState::Unreadable) {
        MsgBox("Error! Can not read settings from " + settings.iniFileName + ": " + check.Reason() +
                   ". The file is left as it is.",
               MB_OK | MB_ICONERROR);
        return;
    }
    profile.Load();
    // Damaged since the start: its lines are dropped, a copy of the damaged file kept.
    if (profile.DamagedLines() > 0) KeepDamagedCopy(settings.iniFileName);
    WriteSettings(profile, settings);

    // ~/.config may not exist yet on a fresh account.
    const size_t slash = settings.iniFileName.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        std::error_code ec;
        std::filesystem::create_directories(settings.iniFileName.substr(0, slash), ec);
    }
    const AtomicWriteResult r = profile.Save();
    if (!r.ok())
        MsgBox(SaveErrorText("Error! Can not save settings to", settings.iniFileName, r),
               MB_OK | MB_ICONERROR);
}

void CVornaApp::LoadLayerSchemes() {
    const StoredFileCheck check = ::LoadLayerSchemes(profile, settings);
    m_KeepSchemeFile = check.state == StoredFileState::Unreadable;
    if (m_KeepSchemeFile)
        MsgBox("Error! Can not read Layer Schemes from " + FindDataFile(LayerSchemesPath(settings)) + ": " +
                   check.Reason() + ". This run uses the built-in schemes and leaves the file as it is.",
               MB_OK | MB_ICONERROR);
}

int CVornaApp::LoadSchemeFile(CColorScheme& scheme, const std::string& name) {
    return ::LoadSchemeFile(settings, scheme, name);
}

bool CVornaApp::SaveLayerSchemes() { return ::SaveLayerSchemes(settings); }

void CVornaApp::ApplyDatumSettings() {
    geo.SelectLocalEllipsoid(0);
    if (settings.datumDX == 0 && settings.datumDY == 0 && settings.datumDZ == 0 && settings.datumEX == 0 &&
        settings.datumEY == 0 && settings.datumEZ == 0 && settings.datumDM == 0) {
        MsgBox(
            "Warning! Geodetic transformation parameters not set. Enter valid values under "
            "Edit->Preferences menu.",
            MB_OK | MB_ICONWARNING);
        return;
    }
    ApplyDatumParameters(geo, settings);
}

namespace {

// One step of the waypoint base chain: dir = prefix + name must end up an
// existing folder. Empty string: fine; otherwise the message to show.
std::string EnsureFolder(const std::string& prefix, const std::string& name, bool last) {
    const std::string dir = prefix + name;
    struct stat st;
    if (stat(dir.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            return "Error! There is already file named '" + name + "' in directory '" + prefix +
                   "' or some other error occured.";
        // Parents only need to be searchable; the bases go into the last one.
        if (access(dir.c_str(), last ? (R_OK | W_OK | X_OK) : X_OK) == 0) return "";
        if (errno == EACCES || errno == EROFS || errno == EPERM)
            return "Error! Writing on '" + dir + "' is not permitted.";
        return "Error! Path '" + dir + "' could not be tested due to error " + std::to_string(errno) + ".";
    }
    switch (errno) {
        case ENOENT:
            break;
        case EACCES:
            return "Error! Writing on '" + dir + "' is not permitted.";
        case ENOTDIR:
            return "Error! There is already file named '" + name + "' in directory '" + prefix +
                   "' or some other error occured.";
        default:
            return "Error! Path '" + dir + "' could not be tested due to error " + std::to_string(errno) +
                   ".";
    }
    if (mkdir(dir.c_str(), 0777) == 0) return "";
    switch (errno) {
        case EACCES:
        case EROFS:
        case EPERM:
            return "Error! Creating '" + dir + "' is not permitted.";
        case ENOENT:
            return "Error! Path '" + dir + "' does not exist!";
        case EEXIST:
        case ENOTDIR:
            return "Error! There is already file named '" + name + "' in directory '" + prefix +
                   "' or some other error occured.";
        default:
            return "Error! Path '" + dir + "' could not be created due to error " + std::to_string(errno) +
                   ".";
    }
}

}  // namespace

bool CVornaApp::CheckWptBase() {
    const std::string& P = settings.wptBaseDir;
    struct stat st;
    const bool folderInTheWay = stat((P + "WptBase.cfg").c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (std::FILE* f = folderInTheWay ? nullptr : OpenDataFile(P + "WptBase.cfg", "r")) {
        std::string line;
        ReadLine(f, line);  // any content will do; no version is compared
        std::fclose(f);
        return true;
    }
    if (MsgBox("No Wpt Base fount at " + P + "! Would you like to create new one?",
               MB_YESNO | MB_ICONQUESTION) != IDYES) {
        MsgBox("Please enter Waypoint Base location in the following dialog!", MB_OK | MB_ICONINFORMATION);
        OnFileLocations();
        return false;
    }

    bool ok = true;
    std::string prefix = (!P.empty() && P[0] == '/') ? "/" : "";
    std::vector<std::string> parts;
    for (size_t pos = 0; pos <= P.size();) {
        size_t next = P.find('/', pos);
        if (next == std::string::npos) next = P.size();
        if (next > pos) parts.push_back(P.substr(pos, next - pos));
        pos = next + 1;
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string err = EnsureFolder(prefix, parts[i], i + 1 == parts.size());
        if (!err.empty()) {
            MsgBox(err, MB_OK | MB_ICONERROR);
            ok = false;
            break;
        }
        prefix += parts[i] + "/";
    }
    if (ok) {
        ok = false;
        if (std::FILE* f = std::fopen((P + "WptBase.cfg").c_str(), "w")) {
            ok = std::fputs("2.0", f) >= 0;
            ok = std::fclose(f) == 0 && ok;
        }
    }
    if (!ok) {
        MsgBox(
            "Error! Could not create Waypoint Base at specified location. Please enter new Wpt Base location "
            "in the following dialog and try again!",
            MB_OK | MB_ICONERROR);
        OnFileLocations();
        return false;
    }
    newWptBaseFlag = 1;
    return true;
}

void CVornaApp::OnFileLocations() {
    FileLocationsValues v;
    v.wptBaseDir = settings.pendingWptBaseDir;
    for (int i = 0; i < kMapTypeCount; ++i) v.mapTypes[i] = settings.pendingMapTypes[i];
    if (Dialogs().RunFileLocations(v) != IDOK) return;
    settings.pendingWptBaseDir = NormalizePath(v.wptBaseDir, true);
    for (int i = 0; i < kMapTypeCount; ++i)
        settings.pendingMapTypes[i].directory = NormalizePath(v.mapTypes[i].directory, true);
    MsgBox("Changes will take effect next time you start the program!", MB_OK | MB_ICONINFORMATION);
}

void CVornaApp::OnPreferences() {
    PreferencesValues v;
    v.namedWptBaseOverdraft = settings.namedWptBaseOverdraft;
    v.autoWptBaseOverdraft = settings.autoWptBaseOverdraft;
    v.namedIndexOverdraft = settings.namedIndexOverdraft;
    v.trackLogOverdraft = settings.trackLogOverdraft;
    v.undoStackSize = settings.undoStackSize;
    v.minWaypointDistance = settings.minWaypointDistance;
    v.labelPosition = (settings.wptDefaultLabelPosition >> 4) & 3;
    v.gpsPort = settings.gpsPort;
    v.gpsBaudRate = settings.gpsBaudRate;
    v.gpsLogIntervalSeconds = settings.gpsLogIntervalSeconds;
    v.gpsLogDrawnPoints = settings.gpsLogDrawnPoints;
    v.gpsUsesLocalDatum = settings.gpsUsesLocalDatum;
    v.dX = settings.datumDX, v.dY = settings.datumDY, v.dZ = settings.datumDZ;
    v.eX = settings.datumEX, v.eY = settings.datumEY, v.eZ = settings.datumEZ;
    v.dM = settings.datumDM;
    v.saveDownloadedTrk = settings.saveDownloadedTrk;
    v.saveDownloadedWpts = settings.saveDownloadedWpts;
    v.importDownloadedWpts = settings.importDownloadedWpts;
    v.askAfterDownloadingWpts = settings.askAfterDownloadingWpts;
    v.exportToGps = settings.exportToGps;
    v.ignoreExistingWpts = settings.ignoreExistingWpts;
    v.suggestLogNames = settings.suggestLogNames;
    v.existingWptProximity = settings.existingWptProximity;

    if (Dialogs().RunPreferences(v) != IDOK) return;

    MsgBox(
        "Warning! Changes to the database preferences will be valid next time you start the program and "
        "change to the GPS COM port will be valid next time you start (enable) GPS!",
        MB_OK | MB_ICONWARNING);
    // Same bounds as when read from the file.
    settings.namedWptBaseOverdraft = kNamedWptBaseGrowRange.Clamp(v.namedWptBaseOverdraft);
    settings.autoWptBaseOverdraft = kAutoWptBaseGrowRange.Clamp(v.autoWptBaseOverdraft);
    settings.namedIndexOverdraft = kNamedIndexGrowRange.Clamp(v.namedIndexOverdraft);
    settings.trackLogOverdraft = kTrackLogGrowRange.Clamp(v.trackLogOverdraft);
    settings.undoStackSize = kUndoStackSizeRange.Clamp(v.undoStackSize);
    settings.minWaypointDistance = v.minWaypointDistance;
    settings.wptDefaultLabelPosition = (v.labelPosition & 3) << 4;
    settings.gpsPort = v.gpsPort;
    settings.gpsBaudRate = v.gpsBaudRate;
    settings.gpsLogIntervalSeconds = kGpsLogIntervalRange.Clamp(v.gpsLogIntervalSeconds);
    settings.gpsLogDrawnPoints = v.gpsLogDrawnPoints;
    settings.gpsUsesLocalDatum = v.gpsUsesLocalDatum;
    settings.datumDX = v.dX, settings.datumDY = v.dY, settings.datumDZ = v.dZ;
    settings.datumEX = v.eX, settings.datumEY = v.eY, settings.datumEZ = v.eZ;
    settings.datumDM = v.dM;
    settings.saveDownloadedTrk = v.saveDownloadedTrk;
    settings.saveDownloadedWpts = v.saveDownloadedWpts;
    settings.importDownloadedWpts = v.importDownloadedWpts;
    settings.askAfterDownloadingWpts = v.askAfterDownloadingWpts;
    settings.exportToGps = v.exportToGps;
    settings.ignoreExistingWpts = v.ignoreExistingWpts;
    settings.suggestLogNames = v.suggestLogNames;
    settings.existingWptProximity = v.existingWptProximity;
    ApplyDatumSettings();
}

void CVornaApp::CountAlloc(MemCounter pair, long long bytes) { memUse.CountAlloc(pair, bytes); }
void CVornaApp::CountFree(MemCounter pair, long long bytes) { memUse.CountFree(pair, bytes); }

std::string CVornaApp::DefaultIniPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string dir;
    if (xdg && *xdg) {
        dir = xdg;
    } else {
        const char* home = std::getenv("HOME");
        dir = std::string(home ? home : ".") + "/.config";
    }
    if (dir.back() != '/') dir += '/';
    return dir + "vornamap.ini";
}

void CVornaApp::AddCommands(CCommandMap& map) {
    map.AddCommand(cmd::FileLocations, [this] { OnFileLocations(); });
    map.AddCommand(cmd::Preferences, [this] { OnPreferences(); });
}
