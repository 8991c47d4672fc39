#include "platform/Commands.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

void CCommandMap::AddCommand(unsigned id, std::function<void()> fn) {
    m_Commands.push_back({{id, id}, [fn = std::move(fn)](unsigned) { fn(); }});
}

void CCommandMap::AddCommandRange(unsigned first, unsigned last, std::function<void(unsigned)> fn) {
    m_Commands.push_back({{first, last}, std::move(fn)});
}

void CCommandMap::AddUpdate(unsigned id, std::function<void(CCmdUI&)> fn) {
    m_Updates.push_back({{id, id}, std::move(fn)});
}

void CCommandMap::AddUpdateRange(unsigned first, unsigned last, std::function<void(CCmdUI&)> fn) {
    m_Updates.push_back({{first, last}, std::move(fn)});
}

bool CCommandMap::OnCommand(unsigned id) {
    for (auto& [r, fn] : m_Commands)
        if (id >= r.first && id <= r.last) {
            fn(id);
            return true;
        }
    return false;
}

bool CCommandMap::OnUpdateCommand(unsigned id, CCmdUI& ui) {
    for (auto& [r, fn] : m_Updates)
        if (id >= r.first && id <= r.last) {
            fn(ui);
            return true;
        }
    return false;
}

bool CCommandMap::HasCommand(unsigned id) const {
    for (auto& c : m_Commands)
        if (id >= c.first.first && id <= c.first.last) return true;
    return false;
}

void CCommandRouter::AddTargetProvider(Provider p) { m_Providers.push_back(std::move(p)); }

void CCommandRouter::AddTarget(ICommandTarget* t) {
    m_Providers.push_back([t] { return t; });
}

std::vector<ICommandTarget*> CCommandRouter::Chain() const {
    std::vector<ICommandTarget*> chain;
    for (auto& p : m_Providers)
        if (ICommandTarget* t = p ? p() : nullptr) chain.push_back(t);
    return chain;
}

void CCommandRouter::Update(CCmdUI& ui) const {
    auto chain = Chain();
    for (ICommandTarget* t : chain)
        if (t->OnUpdateCommand(ui.m_nID, ui)) break;
    if (ui.m_bEnableChanged) return;
    bool handled = false;
    for (ICommandTarget* t : chain)
        if (t->HasCommand(ui.m_nID)) {
            handled = true;
            break;
        }
    ui.m_bEnabled = handled;
}

bool CCommandRouter::IsEnabled(unsigned id) const {
    CCmdUI ui(id);
    Update(ui);
    return ui.m_bEnabled;
}

bool CCommandRouter::Execute(unsigned id) {
    if (!IsEnabled(id)) return false;
    // The chain is taken afresh: the update handler may not change it, but a
    // handler further up may have closed the view the last chain named.
    for (ICommandTarget* t : Chain())
        if (t->OnCommand(id)) return true;
    return false;
}

namespace {
QPointer<QObject> g_Window;
CCommandRouter* g_Router = nullptr;
}  // namespace

void SetCommandWindow(QObject* window, CCommandRouter* router) {
    g_Window = window;
    g_Router = window ? router : nullptr;
}

void ClearCommandWindow(QObject* window) {
    if (g_Window == window) SetCommandWindow(nullptr, nullptr);
}

bool PostCommand(unsigned id) {
    QObject* w = g_Window.data();
    if (!w || !g_Router) return false;
    // Bound to the window: Qt drops the call if the window dies first.
    QMetaObject::invokeMethod(
        w,
        [w, id] {
            if (g_Window.data() == w && g_Router) g_Router->Execute(id);
        },
        Qt::QueuedConnection);
    return true;
}
