// Entry point: the QApplication, the application object's start-up, the root
// that assembles the document, the GPS links and the main window, then the
// event loop and the shut-down in the order the parts depend on: window and
// views, document, settings.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QMainWindow>
#include <QPointer>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <clocale>
#include <cstdlib>
#include <functional>
#include <memory>

#include "app/VornaApp.h"
#include "mapview/VornaView.h"
#include "platform/System.h"
#include "platform/WaitCursor.h"
#include "platformui/QtPrompter.h"
#include "root/VornaRoot.h"

// SIGTERM and SIGHUP leave the event loop the way Exit does, so that the
// panes, the document and the settings are written as at a normal exit, but
// nobody is asked anything: a drag goes back, the boxes close as if
// cancelled, and a store that cannot be written is listed for the next
// start. The signal handler only writes a byte into a pipe; the event loop
// reads it.
// Before the main window exists no loop of ours runs (a start-up box or the
// first-run dialog runs its own): the boxes and dialogs are then ended as if
// cancelled, and the start-up goes straight to the normal end.
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
        // A dialog of the start-up made after the request is ended too.
        m_Sweep.setInterval(100);
        connect(&m_Sweep, &QTimer::timeout, this, [] { QtPrompter().Abandon(); });
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
    // A signal came: the start-up is not to go on to the main window.
    bool Requested() const { return m_Requested; }
    // saveAll: the session asks for the data; endSession: it ends now.
    void Watch(QWidget* mainWindow, std::function<void()> saveAll, std::function<void()> endSession) {
        m_Window = mainWindow;
        m_Save = std::move(saveAll);
        m_EndSession = std::move(endSession);
    }

private:
    static void OnSignal(int) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(s_Pipe[1], &byte, 1);
    }
    void Quit() {
        m_Requested = true;
        if (m_Window) {
            QtPrompter().Abandon();
            if (m_EndSession) m_EndSession();
            // Closing the window stores its rectangle; the loop then ends.
            m_Window->close();
            QCoreApplication::quit();
            return;
        }
        QtPrompter().Abandon();
        m_Sweep.start();
    }
    static inline int s_Pipe[2] = {-1, -1};
    QSocketNotifier* m_Notifier = nullptr;
    QPointer<QWidget> m_Window;
    std::function<void()> m_Save;
    std::function<void()> m_EndSession;
    QTimer m_Sweep;
    bool m_Requested = false;
};

// With VORNA_EXIT_AFTER_FIRST_PAINT set the program leaves right after the
// first paint of a map pane, without writing anything: the start-up
// benchmark times it from spawn to exit.
class CExitAfterFirstPaint : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && !m_Done && watched->parent() &&
            qobject_cast<CVornaView*>(watched->parent())) {
            m_Done = true;
            // The next pass of the event loop comes after the whole frame.
            QTimer::singleShot(0, [] { ::_exit(0); });
        }
        return false;
    }

private:
    bool m_Done = false;
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
    SetWaitCursorSink([](bool show) {
        if (show)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    });
    InstallQtPrompter();
    CShutdownRequests shutdown(qapp);
    CExitAfterFirstPaint exitAfterPaint;
    if (std::getenv("VORNA_EXIT_AFTER_FIRST_PAINT")) qapp.installEventFilter(&exitAfterPaint);

    CVornaApp app;
    CVornaRoot root(app);
    app.startGpsReception = [&root](CVornaApp&) { root.Nmea().OpenGpsPort(); };
    app.stopGpsReception = [&root](CVornaApp&) { root.Nmea().CloseGpsPort(); };
    int rc = 0;
    if (app.InitInstance() && !shutdown.Requested()) {
        const std::string path = argc > 1 ? argv[1] : "";
        if (root.OpenDocument(path) && !shutdown.Requested()) {
            shutdown.Watch(
                &root.ShowMainWindow(path), [&root] { root.SaveAll(); }, [&root] { root.EndSession(); });
            rc = qapp.exec();
            shutdown.Watch(nullptr, {}, {});
        }
        // A signal before the window was up: nobody answers either.
        if (shutdown.Requested()) root.EndSession();
        root.CloseDocument();
    }
    const int exitRc = app.ExitInstance();
    return rc != 0 ? rc : exitRc;
}
#endif
