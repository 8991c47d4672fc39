#pragma once
// An application object, a scripted prompter and a document for main-frame
// tests; map folders in a temporary directory (empty: panes show background).

#include <QDir>
#include <memory>

#include "TestUtil.h"
#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "platform/Commands.h"
#include "platform/Prompt.h"
#include "view/MainFrm.h"
#include "view/VornaView.h"

struct FrameTestEnv {
    TempDir tmp;
    CScriptedPrompter prompter;
    CVornaApp app;
    std::unique_ptr<CVornaDoc> doc;
    std::unique_ptr<CMainFrame> frame;

    FrameTestEnv() {
        app.startDirectory = tmp.dir();
        app.wptBaseDir = app.pendingWptBaseDir = tmp.dir() + "wpt/";
        app.dmrDataDir = tmp.dir() + "dmr/";
        QDir().mkpath(QString::fromStdString(app.wptBaseDir));
        for (int s = 0; s < kMapTypeCount; ++s)
            app.mapTypes[s].directory = tmp.dir() + "maps/" + app.mapTypes[s].name + "/";
        app.newWptBaseFlag = 1;
        for (ViewSettings& v : app.views) {
            v.mapType = -3;
            for (int& l : v.layers) l = 1;
        }
        app.windowLeft = 0;
        app.windowTop = 0;
        app.windowRight = 1000;
        app.windowBottom = 700;
        doc = std::make_unique<CVornaDoc>();
    }
    ~FrameTestEnv() {
        frame.reset();  // the frame before the document
        doc.reset();
    }
    CMainFrame& Make(int style) {
        frame.reset();
        app.splitStyle = style;
        frame = std::make_unique<CMainFrame>(doc.get(), app);
        return *frame;
    }
    CCmdUI State(unsigned id) {
        CCmdUI ui(id);
        frame->Router().Update(ui);
        return ui;
    }
};
