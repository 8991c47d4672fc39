#include "frame/PanePlaceholder.h"

#include <QPainter>

CPanePlaceholder::CPanePlaceholder(const QString& caption, QWidget* parent)
    : QWidget(parent), m_Caption(caption) {
    setMinimumSize(10, 10);
}

void CPanePlaceholder::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(236, 236, 236));
    p.setPen(QColor(120, 120, 120));
    p.drawText(rect(), Qt::AlignCenter, m_Caption);
}
