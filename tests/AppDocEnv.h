#pragma once
// An application object and a scripted prompter around one document, with
// every folder the document touches inside a temporary directory:
// tmp/wpt/, tmp/dmr/, tmp/maps/<series>/ (created only on request). For the
// view and window tests, which need the application object.

#include <QDir>
#include <memory>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "app/VornaApp.h"
#include "doc/DocTestEnv.h"  // HintRecorder, DocEnv::Desc
#include "doc/VornaDoc.h"
#include "gps/NmeaReceiver.h"
#include "platform/Prompt.h"

struct AppDocEnv {
    TempDir tmp;
    CScriptedPrompter prompter;
    CVornaApp app;
    CNmeaReceiver nmea{app.settings, app.geo, app.gpsDebugLog};  // the root's receiver in the program
    std::unique_ptr<CVornaDoc> doc;

    AppDocEnv() {
        app.settings.startDirectory = tmp.dir();
        app.settings.wptBaseDir = app.settings.pendingWptBaseDir = tmp.dir() + "wpt/";
        app.settings.dmrDataDir = tmp.dir() + "dmr/";
        for (int s = 0; s < kMapTypeCount; ++s)
            app.settings.mapTypes[s].directory = tmp.dir() + "maps/" + app.settings.mapTypes[s].name + "/";
        app.newWptBaseFlag = 1;
    }
    ~AppDocEnv() { doc.reset(); }  // the document before the application object

    void CreateFolders(bool maps) {
        QDir().mkpath(QString::fromStdString(app.settings.wptBaseDir));
        for (int s = 0; maps && s < kMapTypeCount; ++s)
            QDir().mkpath(QString::fromStdString(app.settings.mapTypes[s].directory));
    }
    CVornaDoc& Make() {
        doc = std::make_unique<CVornaDoc>(app.settings,
                                          DocServices{app.memUse, app.geo, nullptr, app.newWptBaseFlag != 0});
        app.newWptBaseFlag = 0;
        return *doc;
    }
    static MapViewDesc Desc(int series) { return DocEnv::Desc(series); }
};
