#include "frame/ColorButton.h"

#include <QColorDialog>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionButton>
#include <QStylePainter>

bool CColorButton::useNativeDialog = true;

CColorButton::CColorButton(QWidget* parent) : QPushButton(parent) {
    setMinimumSize(36, 20);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(this, &QPushButton::clicked, this, [this] { OnClicked(); });
}

void CColorButton::Attach(int id, IOwner* owner, ColorSlot color) {
    m_Id = id;
    m_Owner = owner;
    m_Color = std::move(color);
    setObjectName(QString::number(id));
    update();
}

COLORREF CColorButton::Color() const {
    const COLORREF* c = m_Color ? m_Color() : nullptr;
    return c ? *c : 0;
}

void CColorButton::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    p.drawControl(QStyle::CE_PushButtonBevel, opt);

    QRect inside = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
    const COLORREF c = Color();
    const QColor colour(GetRValue(c), GetGValue(c), GetBValue(c));
    p.fillRect(inside, colour);
    if (!isEnabled()) {
        // A hatch over the colour, light on dark colours so it stays visible.
        const bool dark = GetGValue(c) + 2 * GetRValue(c) + 3 * GetBValue(c) < 385;
        p.fillRect(inside, QBrush(dark ? QColor(128, 128, 128) : QColor(0, 0, 0), Qt::Dense4Pattern));
    }
    inside.adjust(2, 2, -2, -2);
    if (hasFocus()) {
        QStyleOptionFocusRect f;
        f.initFrom(this);
        f.rect = inside;
        f.backgroundColor = colour;
        p.drawPrimitive(QStyle::PE_FrameFocusRect, f);
    }
}

void CColorButton::OnClicked() {
    if (!m_Owner) return;
    COLORREF* c = m_Color ? m_Color() : nullptr;
    if (!c) return;
    QColorDialog dlg(QColor(GetRValue(*c), GetGValue(*c), GetBValue(*c)), this);
    dlg.setObjectName("ColorDialog");
    for (int i = 0; i < QColorDialog::customCount(); ++i) QColorDialog::setCustomColor(i, Qt::white);
    dlg.setOption(QColorDialog::DontUseNativeDialog, !useNativeDialog);
    const QPointer<CColorButton> self(this);
    if (dlg.exec() != QDialog::Accepted || !self) return;
    const QColor chosen = dlg.selectedColor();
    if (!chosen.isValid()) return;
    // The dialog may have run a while: look the colour up again.
    c = m_Color ? m_Color() : nullptr;
    if (!c) return;
    *c = RGBRef(chosen.red(), chosen.green(), chosen.blue());
    update();
    m_Owner->OnColorChanged(m_Id);
}
