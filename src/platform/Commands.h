#pragma once
// Numeric command ids with handlers and update handlers, routed through an
// ordered chain of targets (in the program: active map view, document, frame,
// application). Widget-free; CommandActions binds the ids to QActions.

#include <functional>
#include <map>
#include <string>
#include <vector>

class QObject;

// What an update handler says about one command. Fields a handler leaves
// alone keep the item's previous state.
class CCmdUI {
public:
    explicit CCmdUI(unsigned id = 0, bool enabled = true, bool checked = false, std::string text = {})
        : m_nID(id), m_bEnabled(enabled), m_bChecked(checked), m_strText(std::move(text)) {}

    void Enable(bool on = true) {
        m_bEnabled = on;
        m_bEnableChanged = true;
    }
    // 0 unchecked, 1 checked (2, "indeterminate", shows as checked).
    void SetCheck(int check = 1) {
        m_bChecked = check != 0;
        m_bCheckChanged = true;
    }
    void SetRadio(bool on = true) { SetCheck(on ? 1 : 0); }
    void SetText(const std::string& text) {
        m_strText = text;
        m_bTextChanged = true;
    }

    unsigned m_nID;
    bool m_bEnabled;
    bool m_bChecked;
    std::string m_strText;
    bool m_bEnableChanged = false;
    bool m_bCheckChanged = false;
    bool m_bTextChanged = false;
};

class ICommandTarget {
public:
    virtual ~ICommandTarget() = default;
    // Runs the command; false when this target does not handle it.
    virtual bool OnCommand(unsigned id) = 0;
    // Fills ui; false when this target has no update handler for id.
    virtual bool OnUpdateCommand(unsigned id, CCmdUI& ui) = 0;
    // Whether OnCommand would handle id (decides enabling when no update
    // handler speaks).
    virtual bool HasCommand(unsigned id) const = 0;
};

// A target built from tables of handlers.
class CCommandMap : public ICommandTarget {
public:
    void AddCommand(unsigned id, std::function<void()> fn);
    // One handler for first..last inclusive; it gets the id.
    void AddCommandRange(unsigned first, unsigned last, std::function<void(unsigned)> fn);
    void AddUpdate(unsigned id, std::function<void(CCmdUI&)> fn);
    void AddUpdateRange(unsigned first, unsigned last, std::function<void(CCmdUI&)> fn);

    bool OnCommand(unsigned id) override;
    bool OnUpdateCommand(unsigned id, CCmdUI& ui) override;
    bool HasCommand(unsigned id) const override;

private:
    struct Range {
        unsigned first, last;
    };
    std::vector<std::pair<Range, std::function<void(unsigned)>>> m_Commands;
    std::vector<std::pair<Range, std::function<void(CCmdUI&)>>> m_Updates;
};

class CCommandRouter {
public:
    // Providers are asked at every routing, in the order added, so a changing
    // target (the active view) is always the current one. A provider may
    // return nullptr (no such target now).
    using Provider = std::function<ICommandTarget*()>;
    void AddTargetProvider(Provider p);
    void AddTarget(ICommandTarget* t);  // a fixed target (not owned)

    // The item's state after the update handlers; ui comes in with the item's
    // present state. With no update handler speaking for enabling, the item
    // is enabled exactly when some target handles the command.
    void Update(CCmdUI& ui) const;
    bool IsEnabled(unsigned id) const;

    // Re-checks the update handlers first (a stale menu or an accelerator must
    // not run a disabled command); true when a target ran it.
    bool Execute(unsigned id);

private:
    std::vector<ICommandTarget*> Chain() const;
    std::vector<Provider> m_Providers;
};

// Posting a command to the main window: it runs later from the event loop,
// through the registered router. The window is guarded, so a post to a window
// that is gone (or being destroyed) is dropped.
void SetCommandWindow(QObject* window, CCommandRouter* router);
// Call at the start of the window's destructor: later posts are dropped.
void ClearCommandWindow(QObject* window);
// False when there is no window to post to.
bool PostCommand(unsigned id);
