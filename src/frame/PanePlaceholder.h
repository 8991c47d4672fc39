#pragma once
// A plain pane with a caption, standing in for a pane of a layout whose
// own window is not given (3-D view, control panel).

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
