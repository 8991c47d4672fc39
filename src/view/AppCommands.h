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

// A margin typed in millimetres, stored in hundredths (truncated toward zero).
int MarginToStore(double mm);

// Runs the dialog; true on OK. Tests answer in place of the user.
using PageSetupRunner = std::function<bool(CDlgPageSetup&)>;
// Margins dialog; on OK stores the margins and sends hint 5 to every view of
// doc (when there is one). True on OK.
bool OnPageSetup(AppSettings& s, CVornaDoc* doc, QWidget* parent, const PageSetupRunner& run);

// The printer dialog on the program's printer, then hint 5 whatever the
// user chose (the paper may have changed either way).
using PrintSetupRunner = std::function<void(QPrinter&)>;
void OnPrintSetup(CVornaDoc* doc, QWidget* parent, const PrintSetupRunner& run);

void OnSysResources(QWidget* parent);
void OnAppAbout(QWidget* parent);

// Asks logind to hibernate; empty on success, else why it cannot.
std::string HibernateViaLogind();
// Reports a refusal through the prompter. The program saves nothing first.
void OnHibernate(const std::function<std::string()>& request);

class CAppCommands : public CCommandMap {
public:
    // frame: parent of the dialogs; doc: reached at each command (it may
    // come and go).
    CAppCommands(QWidget* frame, std::function<CVornaDoc*()> doc);

    // Replaced by tests; default the real dialogs and logind.
    PageSetupRunner runPageSetup;
    PrintSetupRunner runPrintSetup;
    std::function<std::string()> requestHibernate;

private:
    QPointer<QWidget> m_Frame;
    std::function<CVornaDoc*()> m_Doc;
};
