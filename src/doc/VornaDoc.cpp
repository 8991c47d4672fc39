#include "doc/VornaDoc.h"

#include <algorithm>

namespace {
CVornaDoc* g_Doc = nullptr;
}

CVornaDoc* TheDoc() { return g_Doc; }

CVornaDoc::CVornaDoc() { g_Doc = this; }

CVornaDoc::~CVornaDoc() {
    if (g_Doc == this) g_Doc = nullptr;
}

void CVornaDoc::AddView(IDocView* view) {
    if (std::find(m_Views.begin(), m_Views.end(), view) == m_Views.end()) m_Views.push_back(view);
}

void CVornaDoc::RemoveView(IDocView* view) { std::erase(m_Views, view); }

void CVornaDoc::UpdateAllViews(IDocView* sender, long hint, const void* hintObject) {
    // A view may unregister while being told; iterate over a copy.
    const auto views = m_Views;
    for (IDocView* v : views)
        if (v != sender) v->OnUpdate(sender, hint, hintObject);
}

bool CVornaDoc::OnNewDocument() { return true; }
bool CVornaDoc::OnOpenDocument(const std::string&) { return false; }
void CVornaDoc::DeleteContents() {}
