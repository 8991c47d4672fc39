#pragma once
// The application's small commands: page margins, printer choice, memory
// counters, about box, hibernation; the settings dialogs of the application
// object and its auto-switch option. They form the last target of the
// command chain.

#include <QPointer>
#include <functional>
#include <string>

#include "platform/Commands.h"

class CDlgPageSetup;
class CVornaDoc;
class QPrinter;
class QWidget;
struct AppSettings;

// A margin typed in millimetres, stored in hundredths (to the nearest one:
// 2.3 mm is 230, although 2.3 * 100 is a hair below it in binary).
int MarginToStore(double mm);

// Runs the dialog; true on OK. Tests answer in place of the user.
using PageSetupRunner = std::function<bool(CDlgPageSetup&)>;
// Margins dialog; on OK stores the margins and sends hint 5 to every view of
// doc (when there is one). True on OK.
bool OnPageSetup(AppSettings& s, CVornaDoc* doc, QWidget* parent, const PageSetupRunner& run);

// The printer and page set-up dialog on the program's printer (it prints
// nothing), then hint 5 whatever the user chose.
using PrintSetupRunner = std::function<void(QPrinter&)>;
void OnPrintSetup(CVornaDoc* doc, QWidget* parent, const PrintSetupRunner& run);

// File > New: the document starts over (its views reopen the image map).
void OnFileNew(CVornaDoc& doc);
// File > Open...: an image chosen in the open dialog becomes the document;
// path is its file from then on. False when cancelled or refused.
bool OnFileOpen(CVornaDoc& doc, std::string& path);
// The same without the dialog (a file dropped on the window): file becomes
// the document and path, or the refusal is reported.
bool OpenDocumentFile(CVornaDoc& doc, const std::string& file, std::string& path);
// Save (Ctrl+S): the document into path, or into a file chosen in the save
// dialog when it has none yet. False when cancelled or not written.
bool OnFileSave(CVornaDoc& doc, std::string& path);

void OnSysResources(CVornaDoc* doc, QWidget* parent);
void OnAppAbout(QWidget* parent);

// Asks logind to hibernate; empty on success, else why it cannot.
std::string HibernateViaLogind();
// Reports a refusal through the prompter. The program saves nothing first.
void OnHibernate(const std::function<std::string()>& request);

class CAppCommands : public CCommandMap {
public:
    // frame: parent of the dialogs; settings: the application's; doc:
    // reached at each command (it may come and go).
    CAppCommands(QWidget* frame, AppSettings& settings, std::function<CVornaDoc*()> doc);

    // Replaced by tests; default the real dialogs and logind.
    PageSetupRunner runPageSetup;
    PrintSetupRunner runPrintSetup;
    std::function<std::string()> requestHibernate;
    // The document's file (empty: never opened or saved).
    std::string documentPath;

private:
    QPointer<QWidget> m_Frame;
    std::function<CVornaDoc*()> m_Doc;
};
