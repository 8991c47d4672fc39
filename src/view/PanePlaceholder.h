#pragma once
// A plain pane with a caption, for the panes of the layouts whose own
// windows come later (3-D view, control panel).

#include <QWidget>

class CPanePlaceholder : public QWidget {
    Q_OBJECT
public:
    CPanePlaceholder(const QString& caption, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString m_Caption;
};
