#pragma once
// "Colors and Fonts": the modeless dialog that edits the appearance settings
// while the map stays visible. Edits go to a working copy and reach the
// application's block on Apply, OK or, with auto apply, at every change;
// Cancel puts back the block as it was when the dialog opened.

#include <QDialog>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "frame/ColorButton.h"
#include "settings/AppSettings.h"

class CCommandMap;
class CMapViewController;
class CVornaDoc;
class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;

class CDlgAppearance : public QDialog, public CColorButton::IOwner {
    Q_OBJECT
public:
    // block: the application's settings; series: the map series (0..4)
    // whose screen and print schemes the layer buttons edit; doc (may be
    // null) repaints its views on every transfer.
    CDlgAppearance(CAppearanceSettings& block, int series, CVornaDoc* doc, QWidget* parent = nullptr);

    const CAppearanceSettings& Working() const { return m_Current; }
    const CAppearanceSettings& Saved() const { return m_Saved; }
    int Series() const { return m_Series; }

    // Beeps; unless forced or auto apply is on, nothing more. Otherwise the
    // working copy becomes the application's block and every view repaints.
    void Apply(bool force);
    void ToControls();
    void FromControls();
    void UpdateControlStates();

    void OnColorChanged(int id) override;

    // Asks the name of a new scheme; false when the user cancels. Replaced by
    // tests; default an input box.
    std::function<bool(QWidget* parent, std::string& name)> askSchemeName;

    void accept() override;  // OK
    void reject() override;  // Cancel, Escape, the window's close box

private:
    struct Spin {
        QSpinBox* box;
        std::function<int*(CAppearanceSettings&)> field;
    };
    struct Check {
        QCheckBox* box;
        std::function<int*(CAppearanceSettings&)> field;
    };

    QSpinBox* MakeSpin(int editId, int spinId, int lo, int hi,
                       std::function<int*(CAppearanceSettings&)> field);
    QCheckBox* MakeCheck(int id, const char* text, std::function<int*(CAppearanceSettings&)> field);
    CColorButton* MakeColor(int id, std::function<COLORREF*(CAppearanceSettings&)> field);
    QPushButton* MakeButton(int id, const char* text);
    // The layer colours of the series' screen or print scheme in the working
    // copy; null when the choice names no scheme of the table.
    COLORREF* LayerColors(int medium);
    // Any change the user makes: taken over, and applied when auto apply is on.
    void OnNotify();
    void CopyToPrint(int id);
    QWidget* Find(int id) const;
    // The series' screen or print scheme becomes entry index of the table.
    void ChooseScheme(int medium, int index);
    // The colours shown in a column saved as a new scheme of the table.
    void SaveSchemeAs(int medium);
    void FillSchemeLists();

    CAppearanceSettings& m_Block;
    int m_Series;
    CVornaDoc* m_Doc;
    CAppearanceSettings m_Current;
    CAppearanceSettings m_Saved;
    bool m_Initialised = false;
    bool m_Filling = false;

    QComboBox* m_Font = nullptr;
    QComboBox* m_Scheme[2] = {nullptr, nullptr};  // screen, print
    std::vector<Spin> m_Spins;
    std::vector<Check> m_Checks;
    std::vector<CColorButton*> m_Colors;
};

// The frame's "&Colors && Fonts..." command: closes an open dialog, else
// opens one for the active map pane's series ("No Active view" without a
// pane, nothing on a pane without a series). Enabled on a pane with a
// series, checked while the dialog is open.
void AddAppearanceCommand(CCommandMap& commands, QWidget* frame, QPointer<CDlgAppearance>& dialog,
                          std::function<const CMapViewController*()> active, CVornaDoc* doc,
                          CAppearanceSettings& block);
