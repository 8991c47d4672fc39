#pragma once
// One QAction per command id for a main window: menus, toolbar, accelerators
// and context menus share it. Triggering goes through the router; update
// handlers set enabled, checked and text.

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>

#include "platform/Commands.h"

class QAction;
class QMenu;
class QWidget;

class CCommandActions : public QObject {
    Q_OBJECT
public:
    // Actions are added to window, so their shortcuts work while it (or a
    // child) is active, whatever menu holds them.
    CCommandActions(QWidget* window, CCommandRouter& router);
    ~CCommandActions() override;

    // menuText as in menus: '&' marks the mnemonic, "&&" is a literal '&',
    // the part after '\t' is shown as the key and becomes a shortcut too.
    // shortcuts are further keys for the same command. Adding an id again
    // returns the existing action with the new keys added.
    QAction* Add(unsigned id, const QString& menuText, const QList<QKeySequence>& shortcuts = {});
    QAction* Action(unsigned id) const;

    // Applies the router's update to the action of id (or to action).
    void Update(unsigned id);
    void Update(QAction* action);
    void UpdateAll();
    // Updates the menu's command actions each time it opens; submenus it
    // holds now are watched too.
    void WatchMenu(QMenu* menu);

    // The command part of an idle pass: the actions (toolbar) are
    // brought up to date at the first pass after work; true asks for one
    // more pass, as the base idle step always has.
    bool OnIdle(long count);

    // The keys of id act as the command only while focusTakes says yes to
    // the focused widget; elsewhere they go to that widget as plain keys
    // (Tab moves the focus in a form or dialog).
    using FocusRule = std::function<bool(const QWidget* focus)>;
    void SetFocusRule(unsigned id, FocusRule focusTakes);

    // The key text after '\t' in a menu text ("" when none).
    static QString KeyText(const QString& menuText);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Trigger(QAction* action);

    QPointer<QWidget> m_Window;
    CCommandRouter& m_Router;
    std::map<unsigned, QAction*> m_Actions;
    std::map<unsigned, FocusRule> m_FocusRules;
};
