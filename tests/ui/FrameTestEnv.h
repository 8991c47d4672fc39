#pragma once
// An application object, a scripted prompter and a document for main-frame
// tests; map folders in a temporary directory (empty: panes show background).

#include "AppDocEnv.h"
#include "frame/MainFrm.h"
#include "mapview/VornaView.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"

struct FrameTestEnv : AppDocEnv {
    CCommandMap docCommands;            // the document's place in the chain, as the root fills it
    std::unique_ptr<CMainFrame> frame;  // goes before the document

    FrameTestEnv() {
        CreateFolders(false);
        for (ViewSettings& v : app.settings.views) {
            v.mapType = -3;
            for (int& l : v.layers) l = 1;
        }
        app.settings.windowLeft = app.settings.windowTop = 0;
        app.settings.windowRight = 1000, app.settings.windowBottom = 700;
        AppDocEnv::Make();
    }
    CMainFrame& Make(SplitStyle style) {
        frame.reset();
        app.settings.splitStyle = int(style);
        frame = std::make_unique<CMainFrame>(doc.get(), app.settings);
        docCommands = CCommandMap();
        doc->AddWptCommands(docCommands);
        frame->SetDocumentTarget(&docCommands);
        return *frame;
    }
    CCmdUI State(unsigned id) {
        CCmdUI ui(id);
        frame->Router().Update(ui);
        return ui;
    }
    CMapViewController& Pane(int i) { return frame->MapView(i)->Controller(); }
};
