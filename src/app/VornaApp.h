#pragma once
// The one application object: owns the settings, the coordinate transform,
// the debug logs and the memory-use counters for the whole run. It is a plain
// object (the QApplication is made by main); whoever constructs it first
// becomes the global one, so tests can make their own.

#include <cstdio>
#include <functional>
#include <string>

#include "geo/GeoTransform.h"
#include "platform/FolderLock.h"
#include "platform/Profile.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

class CCommandMap;
class IAppDialogs;

class CVornaApp {
public:
    CVornaApp();
    virtual ~CVornaApp();
    CVornaApp(const CVornaApp&) = delete;
    CVornaApp& operator=(const CVornaApp&) = delete;

    // Start-up: reads settings, first run, waypoint base check. False ends the
    // program (ExitInstance still runs).
    virtual bool InitInstance();
    // Nonzero, with nothing written, when another copy holds our folders.
    virtual int ExitInstance();

    // Reads every setting from the INI file (defaults when missing) and loads
    // the colour schemes; the part of InitInstance that tests use alone.
    void ReadAllSettings();
    // Writes the settings and the schemes, except a file that was there but
    // could not be read at start-up: that one is kept for the user to mend.
    void WriteAllSettings();

    // Stages of ReadAllSettings in start-up order (ReadPreferencesSettings
    // loads the file).
    void ReadPreferencesSettings();
    void ReadOtherSettings();

    void ApplyDatumSettings();
    bool CheckWptBase();  // the waypoint base check of start-up

    void OnFileLocations();
    void OnPreferences();
    // File Locations and Preferences, for the command chain.
    void AddCommands(CCommandMap& map);

    // Layer colour schemes (configuration folder or start folder); an
    // unreadable scheme file is reported.
    void LoadLayerSchemes();
    int LoadSchemeFile(CColorScheme& scheme, const std::string& name);
    bool SaveLayerSchemes();

    // The settings dialogs; the Qt ones unless a test installs its own
    // (not owned; nullptr restores the Qt ones).
    void SetDialogs(IAppDialogs* dialogs);
    IAppDialogs& Dialogs();

    // NMEA reception is the GPS link's business: start-up calls this when
    // "GPS Enabled" was set (after clearing it, so that only an opened port
    // sets it again), and exit calls the stop hook while it is set.
    std::function<void(CVornaApp&)> startGpsReception;
    std::function<void(CVornaApp&)> stopGpsReception;

    // Memory-use counters.
    void CountAlloc(MemCounter pair, long long bytes);  // +1 block, +bytes
    void CountFree(MemCounter pair, long long bytes);   // -1 block, -bytes
    CMemoryCounters memUse;

    // Debug logs (null when closed); writers test before writing.
    std::FILE* debugLog = nullptr;
    std::FILE* gpsDebugLog = nullptr;

    // Every persistent setting, read at start-up and written at exit.
    AppSettings settings;

    int newWptBaseFlag = 0;

    CGeoTransform geo;

    // The settings file as read at start-up (unknown lines are kept on write).
    CProfile profile;

    // Where the INI file lives: $XDG_CONFIG_HOME (or ~/.config) + "vornamap.ini".
    static std::string DefaultIniPath();

private:
    // False, after saying so, when another copy of the program holds folder.
    bool LockFolder(const std::string& folder);

    IAppDialogs* m_Dialogs = nullptr;
    CFolderLocks m_FolderLocks;
    bool m_AnotherCopyRunning = false;
    // Files found at start-up that could not be read: never overwritten.
    bool m_KeepSettingsFile = false;
    bool m_KeepSchemeFile = false;
};

CVornaApp& VornaApp();  // the global application object
CVornaApp* VornaAppOrNull();
