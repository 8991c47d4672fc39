// The frame's image-map commands: "Open Image..." and "Show Image" (the
// document serves its "Reference Points" menu itself).
#include "doc/VornaDoc.h"
#include "frame/MainFrm.h"
#include "mapview/MapViewController.h"
#include "mapview/VornaView.h"
#include "platform/CommandIds.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"

void CMainFrame::AddImageMapCommands() {
    CCommandMap& m = m_FrameCommands;
    m.AddCommand(cmd::OpenImage, [this] {
        CMapViewController* view = ActiveController();
        if (!m_Doc || !view) return;
        FileDialogRequest req;
        req.title = "Open Image";
        req.directory = m_Settings.startDirectory;
        req.filter = "Bitmap files (*.bmp);;All Files (*)";
        req.defaultExt = "bmp";
        if (!Prompter().OpenFile(req)) return;
        switch (m_Doc->OpenImageMap(req.fileName)) {
            case CVornaDoc::ImageOpen::Opened:
                break;
            case CVornaDoc::ImageOpen::NotOpened:
                MsgBox("Error! Can not open BMP file!");
                return;
            case CVornaDoc::ImageOpen::Refused:  // already reported
                return;
        }
        // The dialog may have let the panes change: look the active one up again.
        view = ActiveController();
        if (view) view->OpenMap(m_Doc->ImageMapType, true);
        m_Doc->UpdateAllViews(view, kHintImageMap);
    });
    m.AddUpdate(cmd::OpenImage, [this](CCmdUI& ui) { ui.Enable(m_Doc && m_ActiveIndex >= 0); });
    // The image as it stands: with its origin once it has one.
    m.AddCommand(cmd::ShowImage, [this] {
        if (CMapViewController* view = ActiveController(); view && m_Doc && m_Doc->BmpData)
            view->OpenMap(m_Doc->ImageMapType, true);
    });
    m.AddUpdate(cmd::ShowImage,
                [this](CCmdUI& ui) { ui.Enable(m_Doc && m_Doc->BmpData != nullptr && ActiveController()); });
}
