#pragma once
// The one place that assembles the program: it owns the document, the NMEA
// receiver, the Garmin link with its download saver, the waypoint dialogs,
// the main window and the idle hook, and puts each subsystem's commands in
// the window's command chain. The settings come with the application object,
// which main makes first and ends last. Parts are made in the order they
// depend on each other and go in the reverse one.

#include <memory>
#include <string>

#include "frame/MainFrm.h"
#include "gps/NmeaReceiver.h"
#include "platform/Commands.h"

class CGarminDownloadSaver;
class CGarminSearchLink;
class CQtMapOriginDialog;
class CQtSearchAreaDialog;
class CIdleDriver;
class CIdleHook;
class CStoreAutosave;
class CQtWptDialogs;
class CVornaApp;
class CVornaDoc;
class Garmin;

class CVornaRoot {
public:
    explicit CVornaRoot(CVornaApp& app);
    ~CVornaRoot();
    CVornaRoot(const CVornaRoot&) = delete;
    CVornaRoot& operator=(const CVornaRoot&) = delete;

    // The document of the run: the file at path, or a new one when path is
    // empty. False when it could not be made (its message was shown).
    bool OpenDocument(const std::string& path);
    // The main window over the document, shown, with every subsystem's
    // commands routed and the idle hook running. documentPath: the file the
    // document was opened from, if any.
    CMainFrame& ShowMainWindow(const std::string& documentPath = {}, CMainFrame::PaneFactories panes = {});
    // The window and its panes go first (they store their settings), then
    // the document writes its stores.
    void CloseMainWindow();
    void CloseDocument();
    // The main window is asked to close: the stores are written while it is
    // still up, each file that fails named with the offer to try again. The
    // window then closes (true): a file given up keeps its old content.
    bool SaveBeforeClose();
    // The desktop session asks for the data and may still go on: what can
    // be written is, the rest stays in memory and is listed for the next start.
    void SaveAll();
    // The session ends (SIGTERM, SIGHUP) and nobody answers: a drag goes
    // back as Escape takes it back, what can be written is, the rest is
    // given up and listed for the next start. The window's close then asks nothing.
    void EndSession();
    bool SessionEnding() const { return m_SessionEnding; }

    CVornaDoc* Doc() const { return m_Doc.get(); }
    CMainFrame* Frame() const { return m_Frame.get(); }
    CNmeaReceiver& Nmea() { return m_Nmea; }
    Garmin& GarminLink() { return *m_Garmin; }
    CIdleHook* IdleHook() const { return m_Hook.get(); }

private:
    // Waypoint commands, Garmin transfers and the Waypoint+ text exchange:
    // the document's place in the chain.
    void RegisterDocumentCommands();
    // NMEA reception and GPS tracking: after the window's own commands.
    void RegisterGpsCommands();
    void StartIdle();
    // Ends every drag in the map panes as Escape does (the point goes back).
    void CancelDrags();

    CVornaApp& m_App;
    CNmeaReceiver m_Nmea;
    std::unique_ptr<CVornaDoc> m_Doc;
    std::unique_ptr<Garmin> m_Garmin;
    std::unique_ptr<CGarminDownloadSaver> m_DownloadSaver;
    CCommandMap m_DocCommands;
    CCommandMap m_GpsCommands;
    CCommandMap m_AppCommands;  // the application object's own
    std::unique_ptr<CMainFrame> m_Frame;
    std::unique_ptr<CGarminSearchLink> m_SearchLink;  // the search area's uploads
    std::unique_ptr<CQtWptDialogs> m_WptDialogs;
    std::unique_ptr<CQtMapOriginDialog> m_MapOriginDialog;
    std::unique_ptr<CQtSearchAreaDialog> m_SearchDialog;
    std::unique_ptr<CIdleDriver> m_Driver;
    std::unique_ptr<CIdleHook> m_Hook;
    std::unique_ptr<CStoreAutosave> m_Autosave;
    bool m_SessionEnding = false;
};
