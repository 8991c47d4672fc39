#pragma once
// A private world for one application-object test: HOME, XDG_CONFIG_HOME and
// the current folder point into a fresh temporary folder and are put back
// afterwards; the settings dialogs are a fake that records and answers.

#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <string>

#include "TestUtil.h"
#include "app/AppDialogs.h"
#include "platform/Prompt.h"

class CFakeAppDialogs : public IAppDialogs {
public:
    int RunFileLocations(FileLocationsValues& v) override {
        ++fileLocationsRuns;
        shownLocations = v;
        if (!fileLocationsOk) return IDCANCEL;
        if (!newWptBase.empty()) v.wptBaseDir = newWptBase;
        for (int i = 0; i < kMapTypeCount; ++i)
            if (!newMapDirs[i].empty()) v.mapTypes[i].directory = newMapDirs[i];
        return IDOK;
    }
    int RunPreferences(PreferencesValues& v) override {
        ++preferencesRuns;
        shownPreferences = v;
        if (!preferencesOk) return IDCANCEL;
        if (editPreferences) editPreferences(v);
        return IDOK;
    }

    int fileLocationsRuns = 0;
    bool fileLocationsOk = true;
    std::string newWptBase;
    std::string newMapDirs[kMapTypeCount];
    FileLocationsValues shownLocations;

    int preferencesRuns = 0;
    bool preferencesOk = true;
    void (*editPreferences)(PreferencesValues&) = nullptr;
    PreferencesValues shownPreferences;
};

class CAppTestEnv {
public:
    CAppTestEnv() {
        char buf[4096];
        m_Cwd = getcwd(buf, sizeof buf) ? buf : "/";
        if (chdir(dir.path().c_str()) != 0) std::abort();
    }
    ~CAppTestEnv() {
        if (chdir(m_Cwd.c_str()) != 0) std::abort();
    }
    std::string IniPath() const { return dir.dir() + "config/vornamap.ini"; }

    TempDir dir;
    CScriptedPrompter prompter;
    CFakeAppDialogs dialogs;

private:
    ScopedEnv m_Home{"HOME", dir.path()};
    ScopedEnv m_Xdg{"XDG_CONFIG_HOME", dir.dir() + "config"};
    std::string m_Cwd;
};
