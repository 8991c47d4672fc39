#pragma once
// The one application object: owns the settings, the coordinate transform,
// the debug logs and the memory-use counters for the whole run. It is a plain
// object (the QApplication is made by main); whoever constructs it first
// becomes the global one, so tests can make their own.

#include <cstdio>
#include <string>

#include "app/AppSettings.h"
#include "geo/GeoTransform.h"

class CVornaApp : public AppSettings {
public:
    CVornaApp();
    virtual ~CVornaApp();
    CVornaApp(const CVornaApp&) = delete;
    CVornaApp& operator=(const CVornaApp&) = delete;

    // Start-up: reads settings, first run, waypoint base check. False ends the
    // program (ExitInstance still runs).
    virtual bool InitInstance();
    virtual int ExitInstance();

    // Reads every setting from the INI file (defaults when missing) and loads
    // the colour schemes; the part of InitInstance that tests use alone.
    void ReadAllSettings();
    void WriteAllSettings();

    void ApplyDatumSettings();
    bool CheckWptBase();  // the waypoint base check of start-up

    void OnFileLocations();
    void OnPreferences();

    // Memory-use counters.
    void CountAlloc(MemCounter pair, long long bytes);   // +1 block, +bytes
    void CountFree(MemCounter pair, long long bytes);    // -1 block, -bytes
    int memUse[kMemCounterCount] = {};

    // Debug logs (null when closed); writers test before writing.
    std::FILE* debugLog = nullptr;
    std::FILE* gpsDebugLog = nullptr;
    int debugMode = 0;

    int newWptBaseFlag = 0;

    CGeoTransform geo;

    // Where the INI file lives: $XDG_CONFIG_HOME (or ~/.config) + "vornamap.ini".
    static std::string DefaultIniPath();
};

CVornaApp& VornaApp();        // the global application object
CVornaApp* VornaAppOrNull();
