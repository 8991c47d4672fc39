// Entry point: the QApplication, the application object's start-up, the one
// document and the main window, then the event loop and the shut-down in the
// order the parts depend on: window and views, document, settings.
#include <QApplication>
#include <QMainWindow>
#include <clocale>
#include <memory>

#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "platform/IdleDriver.h"
#include "platform/QtPrompter.h"
#include "platform/System.h"
#include "view/MainFrm.h"

// The main window over the document, shown, with the command router and the
// idle driver (toolbar states now; the GPS link and 3-D rendering later).
std::unique_ptr<QMainWindow> CreateMainWindow() {
    auto frame = std::make_unique<CMainFrame>(TheDoc(), VornaApp());
    CMainFrame* f = frame.get();
    auto* idle = new CIdleDriver([f](long count) { return f->OnIdle(count); }, f);
    idle->Start();
    frame->show();
    return frame;
}

// The document of the run: a new one, or the file named on the command line.
std::unique_ptr<CVornaDoc> CreateDocument(int argc, char** argv) {
    CVornaApp& app = VornaApp();
    auto doc = std::make_unique<CVornaDoc>(
        app, DocServices{app.memUse, app.geo, app.debugMode ? app.debugLog : nullptr, app.newWptBaseFlag != 0});
    app.newWptBaseFlag = 0;
    const bool ok = argc > 1 ? doc->OnOpenDocument(argv[1]) : doc->OnNewDocument();
    if (!ok) doc.reset();
    return doc;
}

#ifndef VORNA_NO_MAIN
int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    // Qt has set the user's locale; every text format uses a decimal point
    // and English names.
    std::setlocale(LC_NUMERIC, "C");
    std::setlocale(LC_TIME, "C");
    SetBellSink([] { QApplication::beep(); });
    InstallQtPrompter();

    CVornaApp app;
    int rc = 0;
    if (app.InitInstance()) {
        std::unique_ptr<CVornaDoc> doc = CreateDocument(argc, argv);
        if (doc) {
            std::unique_ptr<QMainWindow> frame = CreateMainWindow();
            rc = qapp.exec();
            frame.reset();  // the views store their settings first
        }
        doc.reset();  // then the document writes its stores
    }
    const int exitRc = app.ExitInstance();
    return rc != 0 ? rc : exitRc;
}
#endif
