#pragma once
// An application object and a scripted prompter around one document, with
// every folder the document touches inside a temporary directory.

#include <memory>
#include <string>

#include "TestUtil.h"
#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "platform/Prompt.h"

struct DocTestEnv {
    TempDir tmp;
    CScriptedPrompter prompter;
    CVornaApp app;
    std::unique_ptr<CVornaDoc> doc;

    // Folders: tmp/wpt/, tmp/dmr/, tmp/maps/<series>/ (not created).
    DocTestEnv() {
        app.startDirectory = tmp.dir();
        app.wptBaseDir = app.pendingWptBaseDir = tmp.dir() + "wpt/";
        app.dmrDataDir = tmp.dir() + "dmr/";
        for (int s = 0; s < kMapTypeCount; ++s)
            app.mapTypes[s].directory = tmp.dir() + "maps/" + app.mapTypes[s].name + "/";
        app.newWptBaseFlag = 1;
    }
    CVornaDoc& Make() {
        doc = std::make_unique<CVornaDoc>();
        return *doc;
    }
    static MapViewDesc Desc(int series) {
        MapViewDesc d;
        d.mapType = series;
        const MapTypeInfo& m = DefaultMapType(series);
        d.scale = m.scale;
        d.segmentsPerSide = m.segmentsPerSide;
        d.segmentCount = m.segmentCount;
        d.segmentPixels = m.pixels;
        d.segmentMetres = m.segmentMetres;
        return d;
    }
};
