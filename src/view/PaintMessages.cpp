#include "view/PaintMessages.h"

#include <QTimer>
#include <algorithm>
#include <vector>

#include "platform/Prompt.h"

namespace {
int g_Depth = 0;
bool g_FlushQueued = false;
std::vector<std::string> g_Raised;      // by the paint in progress
std::vector<std::string> g_LastRaised;  // by the last paint
std::vector<std::string> g_Pending;     // waiting for the queued flush

bool Contains(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

// Stands in for the program's prompter while a paint runs, so that plain
// messages from the document (segment and waypoint files read for the paint)
// are held as well. A question cannot wait for its answer: it goes through.
class CPaintPrompter : public IPrompter {
public:
    IPrompter* outer = nullptr;
    int MessageBox(const std::string& text, unsigned type) override {
        if ((type & 0x0f) != MB_OK) return outer->MessageBox(text, type);
        PaintMessage(text);
        return IDOK;
    }
    bool OpenFile(FileDialogRequest& req) override { return outer->OpenFile(req); }
    bool SaveFile(FileDialogRequest& req) override { return outer->SaveFile(req); }
    bool IsBusy() const override { return outer->IsBusy(); }
};
CPaintPrompter g_PaintPrompter;
}  // namespace

void PaintMessage(const std::string& text) {
    if (g_Depth == 0) {
        MsgBox(text);
        return;
    }
    if (!Contains(g_Raised, text)) g_Raised.push_back(text);
}

CPaintMessageScope::CPaintMessageScope() {
    if (g_Depth++ > 0) return;
    g_PaintPrompter.outer = &Prompter();
    SetPrompter(&g_PaintPrompter);
}

CPaintMessageScope::~CPaintMessageScope() {
    if (--g_Depth > 0) return;
    if (&Prompter() == &g_PaintPrompter) SetPrompter(g_PaintPrompter.outer);
    // A fault that every paint meets would otherwise bring its box back after
    // each repaint (closing the box repaints the pane): a text is shown again
    // only after a paint that did not raise it.
    for (const std::string& t : g_Raised)
        if (!Contains(g_LastRaised, t) && !Contains(g_Pending, t)) g_Pending.push_back(t);
    g_LastRaised.swap(g_Raised);
    g_Raised.clear();
    if (g_Pending.empty() || g_FlushQueued) return;
    g_FlushQueued = true;
    QTimer::singleShot(0, [] { FlushPaintMessages(); });
}

void FlushPaintMessages() {
    g_FlushQueued = false;
    std::vector<std::string> texts;
    texts.swap(g_Pending);
    for (const std::string& t : texts) MsgBox(t);
}
