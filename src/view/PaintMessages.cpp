#include "view/PaintMessages.h"

#include <QTimer>
#include <algorithm>
#include <vector>

#include "platform/Prompt.h"

namespace {
int g_Depth = 0;
bool g_FlushQueued = false;
std::vector<std::string> g_Raised;   // by the paint in progress
std::vector<std::string> g_LastRaised;  // by the last paint
std::vector<std::string> g_Pending;  // waiting for the queued flush

bool Contains(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}
}  // namespace

void PaintMessage(const std::string& text) {
    if (g_Depth == 0) {
        MsgBox(text);
        return;
    }
    if (!Contains(g_Raised, text)) g_Raised.push_back(text);
}

CPaintMessageScope::CPaintMessageScope() { ++g_Depth; }

CPaintMessageScope::~CPaintMessageScope() {
    if (--g_Depth > 0) return;
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
