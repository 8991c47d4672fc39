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
        Save("HOME", m_Home);
        Save("XDG_CONFIG_HOME", m_Xdg);
        char buf[4096];
        m_Cwd = getcwd(buf, sizeof buf) ? buf : "/";
        setenv("HOME", dir.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir.dir() + "config").c_str(), 1);
        if (chdir(dir.path().c_str()) != 0) std::abort();
    }
    ~CAppTestEnv() {
        if (chdir(m_Cwd.c_str()) != 0) std::abort();
        Restore("HOME", m_Home);
        Restore("XDG_CONFIG_HOME", m_Xdg);
    }
    std::string IniPath() const { return dir.dir() + "config/vornamap.ini"; }

    TempDir dir;
    CScriptedPrompter prompter;
    CFakeAppDialogs dialogs;

private:
    struct Var {
        bool set = false;
        std::string value;
    };
    static void Save(const char* name, Var& v) {
        const char* s = std::getenv(name);
        v.set = s != nullptr;
        v.value = s ? s : "";
    }
    static void Restore(const char* name, const Var& v) {
        if (v.set)
            setenv(name, v.value.c_str(), 1);
        else
            unsetenv(name);
    }
    Var m_Home, m_Xdg;
    std::string m_Cwd;
};
