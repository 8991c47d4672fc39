// Entry point: the QApplication, the application object's start-up, the one
// document and the main window, then the event loop and the shut-down in the
// order the parts depend on: window and views, document, settings.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QMainWindow>
#include <QPointer>
#include <QSessionManager>
#include <QSocketNotifier>
#include <clocale>
#include <functional>
#include <memory>

#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "platformui/IdleDriver.h"
#include "root/IdleHook.h"
#include "platformui/QtPrompter.h"
#include "platform/System.h"
#include "frame/AppCommands.h"
#include "frame/MainFrm.h"
#include "wptui/QtWptDialogs.h"

// The main window over the document, shown, with the command router and the
// idle driver (toolbar states, and whatever else runs between events).
// documentPath: the file the document was opened from, if any.
std::unique_ptr<QMainWindow> CreateMainWindow(const std::string& documentPath = {}) {
    auto frame = std::make_unique<CMainFrame>(TheDoc(), VornaApp());
    CMainFrame* f = frame.get();
    f->AppCommands().documentPath = documentPath;
    CVornaApp& app = VornaApp();
    Garmin& garmin = f->GarminLink();
    AddNmeaCommands(
        f->AppCommands(), app.nmea, [&garmin] { return garmin.GetState() != 0; },
        [] {
            if (CVornaDoc* doc = TheDoc()) doc->UpdateAllViews(nullptr, kHintAll);
        });
    AddGpsTrackingCommand(f->AppCommands(), *f, app.nmea);
    auto* idle = new CIdleDriver({}, f);
    auto* hook = new CIdleHook(app.nmea, app, [] { return TheDoc(); }, CIdleHook::FrameOf(*f), f);
    hook->garminStep = [&garmin] { return garmin.Step(); };
    hook->garminPort = [&garmin] { return garmin.PortHandle(); };
    hook->renderIdle = [f] { return f->DmrRenderIdle(); };
    hook->Attach(*idle);
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

// SIGTERM and SIGHUP leave the event loop the way Exit does, so that the
// panes, the document and the settings are written as at a normal exit. The
// signal handler only writes a byte into a pipe; the event loop reads it.
// When the desktop session asks for the data before it ends, everything is
// written at once and the program goes on: the user may still cancel the
// logout, and the session's own SIGTERM follows if not.
class CShutdownRequests : public QObject {
public:
    explicit CShutdownRequests(QApplication& qapp) {
        if (::pipe2(s_Pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
            m_Notifier = new QSocketNotifier(s_Pipe[0], QSocketNotifier::Read, this);
            connect(m_Notifier, &QSocketNotifier::activated, this, [this] {
                char drain[16];
                while (::read(s_Pipe[0], drain, sizeof drain) > 0) {
                }
                Quit();
            });
            struct sigaction sa = {};
            sa.sa_handler = OnSignal;
            sigemptyset(&sa.sa_mask);
            sa.sa_flags = SA_RESTART;
            sigaction(SIGTERM, &sa, nullptr);
            sigaction(SIGHUP, &sa, nullptr);
        }
        qapp.setQuitOnLastWindowClosed(true);
        connect(&qapp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
            if (m_Save) m_Save();
        });
    }
    ~CShutdownRequests() override {
        // Signals from here on end the process as they normally would.
        signal(SIGTERM, SIG_DFL);
        signal(SIGHUP, SIG_DFL);
        delete m_Notifier;
        if (s_Pipe[0] >= 0) {
            ::close(s_Pipe[0]);
            ::close(s_Pipe[1]);
            s_Pipe[0] = s_Pipe[1] = -1;
        }
    }
    void Watch(QWidget* mainWindow, std::function<void()> saveAll) {
        m_Window = mainWindow;
        m_Save = std::move(saveAll);
    }

private:
    static void OnSignal(int) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(s_Pipe[1], &byte, 1);
    }
    void Quit() {
        // Closing the window stores its rectangle; the loop then ends.
        if (m_Window) m_Window->close();
        QCoreApplication::quit();
    }
    static inline int s_Pipe[2] = {-1, -1};
    QSocketNotifier* m_Notifier = nullptr;
    QPointer<QWidget> m_Window;
    std::function<void()> m_Save;
};

#ifndef VORNA_NO_MAIN
int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    // Qt has set the user's locale; every text format uses a decimal point
    // and English names.
    std::setlocale(LC_NUMERIC, "C");
    std::setlocale(LC_TIME, "C");
    QGuiApplication::setApplicationDisplayName(kProgramTitle);
    SetBellSink([] { QApplication::beep(); });
    InstallQtPrompter();
    CShutdownRequests shutdown(qapp);

    CVornaApp app;
    app.startGpsReception = [](CVornaApp& a) { a.nmea.OpenGpsPort(); };
    app.stopGpsReception = [](CVornaApp& a) { a.nmea.CloseGpsPort(); };
    int rc = 0;
    if (app.InitInstance()) {
        std::unique_ptr<CVornaDoc> doc = CreateDocument(argc, argv);
        if (doc) {
            std::unique_ptr<QMainWindow> frame = CreateMainWindow(argc > 1 ? argv[1] : "");
            CQtWptDialogs wptDialogs(doc->Waypoints(), app.geo, frame.get());
            doc->SetWptDialogs(&wptDialogs);
            shutdown.Watch(frame.get(), [&] {
                doc->SaveAllStores();
                app.WriteAllSettings();
            });
            rc = qapp.exec();
            shutdown.Watch(nullptr, {});
            frame.reset();  // the views store their settings first
            doc->SetWptDialogs(nullptr);
        }
        doc.reset();  // then the document writes its stores
    }
    const int exitRc = app.ExitInstance();
    return rc != 0 ? rc : exitRc;
}
#endif
