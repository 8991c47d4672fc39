#pragma once
// A private world for one application-object test: HOME, XDG_CONFIG_HOME, the
// start directory and the current folder point into a fresh temporary folder and are put back
// afterwards; the settings dialogs are a fake that records and answers.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "TestUtil.h"
#include "app/AppDialogs.h"
#include "app/VornaApp.h"
#include "platform/Prompt.h"

// Each '|'-separated entry of lines is a whole line of text (in this order if ordered).
inline void ExpectLines(const std::string& text, const std::string& lines, bool ordered = false) {
    std::istringstream in(lines);
    size_t at = 0;
    for (std::string line; std::getline(in, line, '|');) {
        const size_t found = ("\n" + text).find("\n" + line + "\n", ordered ? at : 0);
        EXPECT_NE(found, std::string::npos) << line;
        if (found != std::string::npos) at = found;
    }
}

class CFakeAppDialogs : public IAppDialogs {
public:
    int RunFileLocations(FileLocationsValues& v) override {
        ++locationRuns;
        shownLocations = v;
        return Run(v, editLocations);
    }
    int RunPreferences(PreferencesValues& v) override { return Run(v, editPreferences); }

    bool ok = true;  // the user's answer to either dialog
    int locationRuns = 0;
    FileLocationsValues shownLocations;
    std::function<void(FileLocationsValues&)> editLocations;
    std::function<void(PreferencesValues&)> editPreferences;

private:
    template <class V>
    int Run(V& v, const std::function<void(V&)>& edit) {
        if (!ok) return IDCANCEL;
        if (edit) edit(v);
        return IDOK;
    }
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

    // An application object that has read its settings from ini (the usual file if empty).
    std::unique_ptr<CVornaApp> ReadApp(const std::string& ini = "") {
        auto app = std::make_unique<CVornaApp>();
        app->SetDialogs(&dialogs);
        app->settings.iniFileName = ini.empty() ? IniPath() : ini;
        app->settings.startDirectory = dir.dir();
        app->ReadAllSettings();
        return app;
    }

    TempDir dir;
    CScriptedPrompter prompter;
    CFakeAppDialogs dialogs;

private:
    ScopedEnv m_Home{"HOME", dir.path()};
    ScopedEnv m_Xdg{"XDG_CONFIG_HOME", dir.dir() + "config"};
    ScopedEnv m_Data{"VORNAMAP_DATA_DIR", dir.path()};  // the start directory, as tests expect it
    std::string m_Cwd;
};
