#pragma once
// The application's settings dialogs as the application object sees them:
// it fills the values, runs the dialog and reads the values back on OK.
// The program uses the Qt dialogs; tests install a fake.

#include <string>

#include "settings/AppSettings.h"

struct FileLocationsValues {
    std::string wptBaseDir;
    MapTypeInfo mapTypes[kMapTypeCount];  // only the directories are edited
};

struct PreferencesValues {
    int namedWptBaseOverdraft = 0;
    int autoWptBaseOverdraft = 0;  // the grow steps and undo size within their ranges (SettingsTable.h)
    int namedIndexOverdraft = 0;
    int trackLogOverdraft = 0;
    int undoStackSize = 0;
    int labelPosition = 0;  // 0 below, 1 above, 2 left, 3 right
    int minWaypointDistance = 0;
    double dX = 0, dY = 0, dZ = 0, eX = 0, eY = 0, eZ = 0, dM = 0;
    int exportToGps = 0;  // 0 file, 1 GPS
    int suggestLogNames = 0;
    int ignoreExistingWpts = 0;
    double existingWptProximity = 0;
    int saveDownloadedWpts = 0;
    int importDownloadedWpts = 0;
    int askAfterDownloadingWpts = 0;
    int saveDownloadedTrk = 0;
    std::string gpsPort;
    std::string gpsBaudRate;
    int gpsUsesLocalDatum = 0;  // list index: 0 "WGS84 ", 1 "Local datum"
    int gpsLogIntervalSeconds = 0;
    int gpsLogDrawnPoints = 0;
};

class IAppDialogs {
public:
    virtual ~IAppDialogs() = default;
    // IDOK or IDCANCEL; the values are changed only on IDOK.
    virtual int RunFileLocations(FileLocationsValues& values) = 0;
    virtual int RunPreferences(PreferencesValues& values) = 0;
};

// The Qt dialogs (CDlgFileLocations, CDlgPreferences).
IAppDialogs& QtAppDialogs();
