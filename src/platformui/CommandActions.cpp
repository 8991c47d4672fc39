#include "platformui/CommandActions.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>
#include <QWindow>

CCommandActions::CCommandActions(QWidget* window, CCommandRouter& router)
    : QObject(window), m_Window(window), m_Router(router) {
    // Shortcut states must be current when a key arrives: the shortcut map
    // skips disabled actions, and the last update may be stale.
    qApp->installEventFilter(this);
}

CCommandActions::~CCommandActions() {
    if (qApp) qApp->removeEventFilter(this);
}

QString CCommandActions::KeyText(const QString& menuText) {
    qsizetype tab = menuText.indexOf(u'\t');
    return tab < 0 ? QString() : menuText.mid(tab + 1).trimmed();
}

QAction* CCommandActions::Add(unsigned id, const QString& menuText, const QList<QKeySequence>& shortcuts) {
    QAction* a = Action(id);
    QList<QKeySequence> keys;
    if (!a) {
        a = new QAction(menuText, this);
        a->setData(id);
        QString plain =
            menuText.left(menuText.indexOf(u'\t') < 0 ? menuText.size() : menuText.indexOf(u'\t'));
        plain.replace(QLatin1String("&&"), QLatin1String("\x01"));
        plain.remove(u'&');
        plain.replace(u'\x01', u'&');
        a->setIconText(plain);
        a->setToolTip(plain);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [this, a] { Trigger(a); });
        if (m_Window) m_Window->addAction(a);
        m_Actions[id] = a;
        QString key = KeyText(menuText);
        if (!key.isEmpty()) {
            QKeySequence seq = QKeySequence::fromString(key, QKeySequence::PortableText);
            if (!seq.isEmpty()) keys.push_back(seq);
        }
    } else {
        keys = a->shortcuts();
    }
    for (const auto& k : shortcuts)
        if (!k.isEmpty() && !keys.contains(k)) keys.push_back(k);
    a->setShortcuts(keys);
    return a;
}

QAction* CCommandActions::Action(unsigned id) const {
    auto it = m_Actions.find(id);
    return it == m_Actions.end() ? nullptr : it->second;
}

void CCommandActions::Update(unsigned id) {
    if (QAction* a = Action(id)) Update(a);
}

void CCommandActions::Update(QAction* a) {
    // The text goes back only when a handler sets it: no copy of it is made
    // for each of the few hundred commands at every idle pass.
    CCmdUI ui(a->data().toUInt(), a->isEnabled(), a->isChecked());
    m_Router.Update(ui);
    if (a->isEnabled() != ui.m_bEnabled) a->setEnabled(ui.m_bEnabled);
    if (ui.m_bCheckChanged) {
        if (!a->isCheckable()) a->setCheckable(true);
        if (a->isChecked() != ui.m_bChecked) a->setChecked(ui.m_bChecked);
    }
    if (ui.m_bTextChanged) {
        QString text = QString::fromStdString(ui.m_strText);
        if (a->text() != text) a->setText(text);
    }
}

void CCommandActions::UpdateAll() {
    for (auto& [id, a] : m_Actions) Update(a);
}

void CCommandActions::WatchMenu(QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        for (QAction* a : menu->actions())
            if (a->parent() == this) Update(a);
    });
    for (QAction* a : menu->actions())
        if (QMenu* sub = a->menu()) WatchMenu(sub);
}

bool CCommandActions::OnIdle(long count) {
    if (count == 0) UpdateAll();
    return count < 1;
}

void CCommandActions::Trigger(QAction* a) {
    QPointer<QAction> guard(a);
    m_Router.Execute(a->data().toUInt());
    // A checkable action toggles itself on trigger; put back what the
    // handlers say (also when the command was refused).
    if (guard) Update(a);
}

void CCommandActions::SetFocusRule(unsigned id, FocusRule focusTakes) {
    m_FocusRules[id] = std::move(focusTakes);
}

bool CCommandActions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride || !m_Window) return QObject::eventFilter(watched, event);
    // The override goes to the focus widget, or to the window itself.
    bool ours = watched->isWidgetType() ? static_cast<QWidget*>(watched)->window() == m_Window
                                        : watched == m_Window->windowHandle();
    if (!ours) return QObject::eventFilter(watched, event);
    for (auto& [id, a] : m_Actions)
        if (!a->shortcuts().isEmpty()) Update(a);
    // A key whose command wants another focus is claimed for the focused
    // widget: an accepted override keeps the shortcut from firing.
    const QKeySequence key(static_cast<QKeyEvent*>(event)->keyCombination());
    const QWidget* focus = QApplication::focusWidget();
    for (const auto& [id, takes] : m_FocusRules) {
        const QAction* a = Action(id);
        if (a && a->shortcuts().contains(key) && !takes(focus)) {
            event->accept();
            return true;
        }
    }
    return false;
}
