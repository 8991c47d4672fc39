#include "platform/WaitCursor.h"

#include <utility>

namespace {
std::function<void(bool)> g_Sink;
int g_Depth = 0;
int g_Peak = 0;
}  // namespace

CWaitCursor::CWaitCursor() {
    if (++g_Depth > g_Peak) g_Peak = g_Depth;
    if (g_Sink) g_Sink(true);
}

CWaitCursor::~CWaitCursor() { Restore(); }

void CWaitCursor::Restore() {
    if (!m_Shown) return;
    m_Shown = false;
    --g_Depth;
    if (g_Sink) g_Sink(false);
}

void SetWaitCursorSink(std::function<void(bool)> show) { g_Sink = std::move(show); }
int WaitCursorDepth() { return g_Depth; }
int& WaitCursorPeak() { return g_Peak; }
