#include "root/VornaRoot.h"

#include <cstdio>

#include "app/VornaApp.h"
#include "doc/StoreAutosave.h"
#include "doc/VornaDoc.h"
#include "doc/WptText.h"
#include "frame/AppCommands.h"
#include "frame/DlgChoice.h"
#include "frame/DlgExportWpt.h"
#include "frame/DlgMapOrigin.h"
#include "frame/DlgSearchArea.h"
#include "frame/WptSelectionCommands.h"
#include "gps/Garmin.h"
#include "gps/GarminDownloads.h"
#include "gps/GarminSearchLink.h"
#include "mapview/MapViewController.h"
#include "mapview/VornaView.h"
#include "platform/CommandIds.h"
#include "platformui/IdleDriver.h"
#include "root/IdleHook.h"
#include "wptui/QtWptDialogs.h"

CVornaRoot::CVornaRoot(CVornaApp& app) : m_App(app), m_Nmea(app.settings, app.geo, app.gpsDebugLog) {
    GarminHost host;
    host.setStatusText = [this](const std::string& s) {
        if (m_Frame) m_Frame->SetStatusText(s);
    };
    host.activeDocument = [this] { return m_Doc.get(); };
    host.commentTime = ReceivedCommentTime;
    host.debugLog = [this](const std::string& line) {
        if (m_App.debugLog) {
            std::fputs(line.c_str(), m_App.debugLog);
            std::fflush(m_App.debugLog);
        }
    };
    m_Garmin = std::make_unique<Garmin>(m_App.settings, m_App.geo, std::move(host));
    m_DownloadSaver = std::make_unique<CGarminDownloadSaver>(
        m_App.geo, [this](GpsChoice& choice) { return RunDlgChoice(choice, m_Frame.get()); });
    m_Garmin->SetDownloads(m_DownloadSaver.get());
}

CVornaRoot::~CVornaRoot() {
    CloseMainWindow();
    CloseDocument();
}

bool CVornaRoot::OpenDocument(const std::string& path) {
    auto doc = std::make_unique<CVornaDoc>(
        m_App.settings,
        DocServices{m_App.memUse, m_App.geo, m_App.settings.debugMode ? m_App.debugLog : nullptr,
                    m_App.newWptBaseFlag != 0});
    m_App.newWptBaseFlag = 0;
    const bool ok = path.empty() ? doc->OnNewDocument() : doc->OnOpenDocument(path.c_str());
    if (ok) m_Doc = std::move(doc);
    return ok;
}

CMainFrame& CVornaRoot::ShowMainWindow(const std::string& documentPath, CMainFrame::PaneFactories panes) {
    CloseMainWindow();
    if (!panes.gps) panes.gps = &m_Nmea;
    m_Frame = std::make_unique<CMainFrame>(m_Doc.get(), m_App.settings, std::move(panes));
    m_Frame->closeRequest = [this] { return SaveBeforeClose(); };
    m_Frame->AppCommands().documentPath = documentPath;
    RegisterDocumentCommands();
    RegisterGpsCommands();
    if (m_Doc) {
        m_WptDialogs = std::make_unique<CQtWptDialogs>(m_Doc->Waypoints(), m_App.geo, m_Frame.get());
        m_Doc->SetWptDialogs(m_WptDialogs.get());
        m_MapOriginDialog = std::make_unique<CQtMapOriginDialog>(m_Frame.get());
        m_Doc->SetMapOriginDialog(m_MapOriginDialog.get());
        m_SearchDialog = std::make_unique<CQtSearchAreaDialog>(m_Frame.get());
        m_Doc->SetSearchDialog(m_SearchDialog.get());
        m_Doc->SetExportWptDialog([this](CVornaDoc& d, int mode, ExportWptDialogData& data) {
            return RunDlgExportWpt(d, mode, data, m_Frame.get());
        });
    }
    StartIdle();
    m_Frame->UpdateCommandStates();
    m_Frame->show();
    return *m_Frame;
}

void CVornaRoot::CloseMainWindow() {
    m_Hook.reset();
    m_Driver.reset();
    m_Autosave.reset();
    m_Frame.reset();  // the views store their settings first
    if (m_Doc) {
        m_Doc->SetWptDialogs(nullptr);
        m_Doc->SetMapOriginDialog(nullptr);
        m_Doc->SetSearchDialog(nullptr);
        m_Doc->SetExportWptDialog({});
    }
    m_WptDialogs.reset();
    m_MapOriginDialog.reset();
    m_SearchDialog.reset();
}

void CVornaRoot::CloseDocument() {
    CloseMainWindow();
    m_Doc.reset();  // then the document writes what is left unwritten
}

bool CVornaRoot::SaveBeforeClose() {
    // A session end has written what it could already.
    if (m_SessionEnding || !m_Doc) return true;
    CancelDrags();
    m_Doc->SaveStoresAtExit(CVornaDoc::StoreExit::Ask, [this] { return m_SessionEnding; });
    return true;
}

void CVornaRoot::SaveAll() {
    CancelDrags();
    if (m_Doc) m_Doc->SaveStoresAtExit(CVornaDoc::StoreExit::Commit);
    m_App.WriteAllSettings();
}

void CVornaRoot::EndSession() {
    if (m_SessionEnding) return;
    m_SessionEnding = true;
    CancelDrags();
    if (m_Doc) m_Doc->SaveStoresAtExit(CVornaDoc::StoreExit::SessionEnd);
}

void CVornaRoot::CancelDrags() {
    if (!m_Frame) return;
    for (int i = 0; i < m_Frame->MapViewCount(); ++i)
        if (CVornaView* v = m_Frame->MapView(i); v && v->Controller().HasCapture())
            v->Controller().OnGrabLost();
}

void CVornaRoot::RegisterDocumentCommands() {
    m_DocCommands = CCommandMap();
    if (!m_Doc) return;
    CCommandMap& m = m_DocCommands;
    m_Doc->AddWptCommands(m);
    AddGarminCommands(m, *m_Garmin, m_App.settings, [this] { return m_Doc.get(); });
    m.AddCommand(cmd::WptFromFile, [this] {
        if (m_Doc) ImportFile(*m_Doc, m_App.settings, m_App.geo, 1, m_App.settings.wptImportDir);
    });
    m.AddCommand(cmd::TrackLogFromFile, [this] {
        if (m_Doc) TrackLogFromFile(*m_Doc, m_App.settings, m_App.geo);
    });
    m.AddCommand(cmd::TrackLogToFile, [this] {
        if (m_Doc)
            WriteTrackLog(*m_Doc, m_App.settings, m_App.geo, 0, m_Doc->TrackLogStore().Count() - 1, "");
    });
    m.AddUpdate(cmd::TrackLogToFile,
                [this](CCmdUI& ui) { ui.Enable(m_Doc && m_Doc->TrackLogStore().Count() > 0); });
    m_Doc->AddImageMapCommands(m);
    m_SearchLink = std::make_unique<CGarminSearchLink>(*m_Garmin, m_App.settings);
    m_Doc->SetSearchGpsLink(m_SearchLink.get());
    m_Doc->AddSearchCommands(m);
    // The waypoint exports' upload list.
    Garmin* link = m_Garmin.get();
    m_Doc->SetWptUpload(
        {[link](int room) { return link->AllocateGPSdata(std::uint16_t(room)); },
         [link](const WaypointRecord& r) { return link->AddWaypointToGPSdata(r); },
         [this, link] { link->StartOperation(Garmin::OpUploadWpts, m_App.settings.gpsPort, 0); }});
    AddWptSelectionCommands(m, *m_Doc, m_App.settings, m_App.geo,
                            [this] { return m_Frame ? m_Frame->ActiveController() : nullptr; });
    m_Frame->SetDocumentTarget(&m);
}

void CVornaRoot::RegisterGpsCommands() {
    m_GpsCommands = CCommandMap();
    AddNmeaCommands(
        m_GpsCommands, m_Nmea, [this] { return m_Garmin->GetState() != Garmin::kIdle; },
        [this] {
            if (m_Doc) m_Doc->UpdateAllViews(nullptr, kHintAll);
        });
    AddGpsTrackingCommand(m_GpsCommands, *m_Frame, m_Nmea);
    m_Frame->Router().AddTarget(&m_GpsCommands);
    m_AppCommands = CCommandMap();
    m_App.AddCommands(m_AppCommands);
    m_Frame->Router().AddTarget(&m_AppCommands);
}

void CVornaRoot::StartIdle() {
    m_Driver = std::make_unique<CIdleDriver>();
    m_Hook = std::make_unique<CIdleHook>(
        m_Nmea, m_App.settings, [this] { return m_Doc.get(); }, CIdleHook::FrameOf(*m_Frame));
    Garmin& garmin = *m_Garmin;
    CMainFrame& frame = *m_Frame;
    m_Hook->garminStep = [&garmin] { return garmin.Step(); };
    m_Hook->garminPort = [&garmin] { return garmin.PortHandle(); };
    m_Hook->renderStep = [&frame] { return frame.OnDmrIdle(); };
    m_Hook->renderIdle = [&frame] { return frame.DmrRenderIdle(); };
    // A transfer fills the log and the record list, a drag moves a waypoint
    // or the frame: the stores are written once they are done.
    m_Autosave = std::make_unique<CStoreAutosave>([this] { return m_Doc.get(); },
                                                  [&garmin, &frame] {
                                                      if (garmin.GetOperation() != Garmin::OpNone)
                                                          return true;
                                                      for (int i = 0; i < frame.MapViewCount(); ++i)
                                                          if (CVornaView* v = frame.MapView(i);
                                                              v && v->Controller().HasCapture())
                                                              return true;
                                                      return false;
                                                  });
    CStoreAutosave& autosave = *m_Autosave;
    m_Hook->saveStores = [&autosave] { autosave.Step(); };
    m_Hook->saveDueMs = [&autosave] { return autosave.DueInMs(); };
    m_Hook->noteStores = [&autosave] { autosave.Note(); };
    m_Hook->Attach(*m_Driver);
    m_Driver->Start();
}
