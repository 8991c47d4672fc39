#pragma once
// A push button that shows one colour of a dialog's working settings and
// lets the user pick another one in the system colour dialog.

#include <QPushButton>
#include <functional>

#include "settings/AppSettings.h"

class CColorButton : public QPushButton {
    Q_OBJECT
public:
    // Told after the user chose a colour (the button's id).
    class IOwner {
    public:
        virtual ~IOwner() = default;
        virtual void OnColorChanged(int id) = 0;
    };
    // Where the colour lives, looked up at each use: the owner's settings may
    // be reassigned while the button exists. Null: no colour to edit.
    using ColorSlot = std::function<COLORREF*()>;

    explicit CColorButton(QWidget* parent = nullptr);

    // Ties the button to its control id, its owner and its colour. Without an
    // owner a click does nothing.
    void Attach(int id, IOwner* owner, ColorSlot color);
    int Id() const { return m_Id; }
    // The colour shown (0 when there is none).
    COLORREF Color() const;

    // False makes the colour dialog Qt's own widget dialog (tests).
    static bool useNativeDialog;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnClicked();

    int m_Id = 0;
    IOwner* m_Owner = nullptr;
    ColorSlot m_Color;
};
