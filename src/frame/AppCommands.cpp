#include "frame/AppCommands.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QPrinter>
#include <algorithm>
#include <cmath>

#include "doc/VornaDoc.h"
#include "frame/AboutDlg.h"
#include "frame/CommandTable.h"
#include "frame/DlgPageSetup.h"
#include "frame/DlgPrintSetup.h"
#include "frame/DlgSysResources.h"
#include "geo/Convert.h"
#include "mapview/AppPrinter.h"
#include "mapview/MapViewController.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"
#include "settings/MemoryCounters.h"

int MarginToStore(double mm) { return SaturateToInt(std::round(mm * 100.0)); }

bool OnPageSetup(AppSettings& s, CVornaDoc* doc, QWidget* parent, const PageSetupRunner& run) {
    CDlgPageSetup dlg(parent);
    dlg.m_Left = s.printMarginLeft / 100.0;
    dlg.m_Top = s.printMarginTop / 100.0;
    dlg.m_Right = s.printMarginRight / 100.0;
    dlg.m_Bottom = s.printMarginBottom / 100.0;
    const MapSize page = PrintablePageHmm(AppPrinterPageLayout());
    dlg.m_PageWidth = page.cx;
    // A title line taller than the page is the settings file's fault, not the margins'.
    dlg.m_PageHeight = std::max(SaturatedSum(page.cy, -(long long)s.printTitleMargin), 0);
    const bool ok = run ? run(dlg) : dlg.DoModal() == IDOK;
    if (!ok) return false;
    s.printMarginLeft = MarginToStore(dlg.m_Left);
    s.printMarginTop = MarginToStore(dlg.m_Top);
    s.printMarginRight = MarginToStore(dlg.m_Right);
    s.printMarginBottom = MarginToStore(dlg.m_Bottom);
    if (doc) doc->UpdateAllViews(nullptr, 5);
    return true;
}

void OnPrintSetup(CVornaDoc* doc, QWidget* parent, const PrintSetupRunner& run) {
    if (run) {
        run(AppPrinter());
    } else {
        CDlgPrintSetup dlg(AppPrinter(), parent);
        dlg.exec();
    }
    if (doc) doc->UpdateAllViews(nullptr, 5);
}

namespace {
FileDialogRequest DocumentFileRequest(const CVornaDoc& doc, const char* title, const std::string& path) {
    FileDialogRequest req;
    req.title = title;
    req.directory = doc.Settings().startDirectory;
    req.fileName = path;
    req.filter = "Image Files (*.bmp);;All Files (*)";
    req.defaultExt = "bmp";
    return req;
}
}  // namespace

void OnFileNew(CVornaDoc& doc) { doc.OnNewDocument(); }

bool OnFileOpen(CVornaDoc& doc, std::string& path) {
    FileDialogRequest req = DocumentFileRequest(doc, "Open", {});
    return Prompter().OpenFile(req) && OpenDocumentFile(doc, req.fileName, path);
}

bool OpenDocumentFile(CVornaDoc& doc, const std::string& file, std::string& path) {
    if (!doc.OnOpenDocument(file)) return false;
    path = file;
    return true;
}

bool OnFileSave(CVornaDoc& doc, std::string& path) {
    std::string target = path;
    if (target.empty()) {
        FileDialogRequest req = DocumentFileRequest(doc, "Save As", {});
        if (!Prompter().SaveFile(req)) return false;
        target = req.fileName;
    }
    if (!doc.OnSaveDocument(target)) return false;
    path = target;
    return true;
}

void OnSysResources(CVornaDoc* doc, QWidget* parent) {
    int none[kMemCounterCount] = {};
    CDlgSysResources dlg(doc ? doc->Memory().data() : none, parent);
    dlg.DoModal();
}

void OnAppAbout(QWidget* parent) {
    CAboutDlg dlg(parent);
    dlg.DoModal();
}

std::string HibernateViaLogind() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return "the system message bus is not available";
    QDBusInterface manager("org.freedesktop.login1", "/org/freedesktop/login1",
                           "org.freedesktop.login1.Manager", bus);
    if (!manager.isValid()) return "the login manager (logind) does not answer";
    QDBusReply<QString> can = manager.call("CanHibernate");
    if (!can.isValid()) return can.error().message().toStdString();
    if (can.value() != "yes" && can.value() != "challenge")
        return "the system does not allow it (" + can.value().toStdString() + ")";
    // Interactive: the system may ask the user for permission.
    QDBusReply<void> done = manager.call("Hibernate", true);
    if (!done.isValid()) return done.error().message().toStdString();
    return {};
}

void OnHibernate(const std::function<std::string()>& request) {
    const std::string why = request ? request() : HibernateViaLogind();
    if (!why.empty()) MsgBox("Error! Can not hibernate the computer: " + why, MB_OK | MB_ICONERROR);
}

CAppCommands::CAppCommands(QWidget* frame, AppSettings& settings, std::function<CVornaDoc*()> doc)
    : m_Frame(frame), m_Doc(std::move(doc)) {
    AddCommand(cmd::About, [this] { OnAppAbout(m_Frame); });
    AddCommand(cmd::SysResources, [this] { OnSysResources(m_Doc(), m_Frame); });
    AddCommand(cmd::PageSetup, [this, &settings] { OnPageSetup(settings, m_Doc(), m_Frame, runPageSetup); });
    AddCommand(cmd::PrintSetup, [this] { OnPrintSetup(m_Doc(), m_Frame, runPrintSetup); });
    AddCommand(cmd::Hibernate, [this] { OnHibernate(requestHibernate); });
    AddCommand(cmd::FileNew, [this] {
        if (CVornaDoc* doc = m_Doc()) OnFileNew(*doc);
    });
    AddCommand(cmd::FileOpen, [this] {
        if (CVornaDoc* doc = m_Doc()) OnFileOpen(*doc, documentPath);
    });
    AddCommand(cmd::FileSave, [this] {
        if (CVornaDoc* doc = m_Doc()) OnFileSave(*doc, documentPath);
    });
    for (unsigned id : {cmd::FileNew, cmd::FileOpen, cmd::FileSave})
        AddUpdate(id, [this](CCmdUI& ui) { ui.Enable(m_Doc() != nullptr); });
    // Not tied to a pane: works without a map view.
    AddCommand(cmd::AutoSwitchDiffColor,
               [&settings] { settings.autoSwitchToUnselDiffColor = !settings.autoSwitchToUnselDiffColor; });
    AddUpdate(cmd::AutoSwitchDiffColor,
              [&settings](CCmdUI& ui) { ui.SetCheck(settings.autoSwitchToUnselDiffColor ? 1 : 0); });
}
