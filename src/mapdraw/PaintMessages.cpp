#include "mapdraw/PaintMessages.h"

#include <QTimer>
#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "platform/Prompt.h"

namespace {
int g_Depth = 0;
const void* g_Source = nullptr;  // of the outermost scope
bool g_FlushQueued = false;
bool g_Flushing = false;
std::vector<std::string> g_Raised;       // by the paint in progress
std::vector<std::string> g_Pending;      // waiting for the flush
const std::string* g_Showing = nullptr;  // the box open now
// Messages waiting or shown, with the sources whose last paint raised them.
// A fault that every paint meets would otherwise bring its box back after
// each repaint, and closing a box repaints the panes; two panes showing the
// same damaged segment would each bring one. A message is shown again only
// after every source that raised it has painted without it.
std::map<std::string, std::set<const void*>> g_Raisers;

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
    bool OpenFiles(FileDialogRequest& req, std::vector<std::string>& files) override {
        return outer->OpenFiles(req, files);
    }
    bool IsBusy() const override { return outer->IsBusy(); }
};
CPaintPrompter g_PaintPrompter;

void EndPaint(const void* source) {
    for (auto it = g_Raisers.begin(); it != g_Raisers.end();) {
        if (Contains(g_Raised, it->first))
            it->second.insert(source);
        else
            it->second.erase(source);
        const bool keep =
            !it->second.empty() || Contains(g_Pending, it->first) || (g_Showing && *g_Showing == it->first);
        it = keep ? std::next(it) : g_Raisers.erase(it);
    }
    for (const std::string& t : g_Raised)
        if (g_Raisers.emplace(t, std::set<const void*>{source}).second) g_Pending.push_back(t);
    g_Raised.clear();
}
}  // namespace

void PaintMessage(const std::string& text) {
    if (g_Depth == 0) {
        MsgBox(text);
        return;
    }
    if (!Contains(g_Raised, text)) g_Raised.push_back(text);
}

CPaintMessageScope::CPaintMessageScope(const void* source) : m_Source(source) {
    if (g_Depth++ > 0) return;
    g_Source = source;
    g_PaintPrompter.outer = &Prompter();
    SetPrompter(&g_PaintPrompter);
}

CPaintMessageScope::~CPaintMessageScope() {
    if (--g_Depth > 0) return;
    if (&Prompter() == &g_PaintPrompter) SetPrompter(g_PaintPrompter.outer);
    EndPaint(g_Source);
    if (g_Pending.empty() || g_FlushQueued || g_Flushing) return;
    g_FlushQueued = true;
    QTimer::singleShot(0, [] { FlushPaintMessages(); });
}

void FlushPaintMessages() {
    g_FlushQueued = false;
    // Paints run while a box is open; what they raise joins this loop
    // instead of opening a box over the box.
    if (g_Flushing) return;
    g_Flushing = true;
    while (!g_Pending.empty()) {
        const std::string t = g_Pending.front();
        g_Pending.erase(g_Pending.begin());
        g_Showing = &t;
        MsgBox(t);
        g_Showing = nullptr;
    }
    g_Flushing = false;
}
