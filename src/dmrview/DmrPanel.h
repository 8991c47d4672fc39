#pragma once
// The control panel beside the 3-D view: view point, heading, height,
// elevation and view angle, range, step, preview mode, surface, quality and
// gap filling. It edits a working copy of the 3-D settings and hands each
// change to the frame (updateDmr), which copies the panel into the settings
// and redraws; the frame refreshes the panel after its own commands.

#include <QWidget>
#include <functional>

#include "settings/AppSettings.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QScrollBar;

class CDmrPanel : public QWidget {
    Q_OBJECT
public:
    using UpdateDmrFn = std::function<void(bool toPanel, bool redraw)>;

    CDmrPanel(DmrParams& settings, UpdateDmrFn updateDmr, QWidget* parent = nullptr);

    // toPanel: the settings changed, the panel shows them (the settings keep
    // the panel's view point as the one before); else the panel's values go
    // into the settings.
    void UpdateControls(bool toPanel);
    const DmrParams& Copy() const { return m_Copy; }

private:
    // Edits that hold no number keep the copy's value; false when one did.
    bool ReadControls();
    void FillControls();
    void SetBarPositions();
    void Redraw() { m_UpdateDmr(false, true); }

    void OnApply();
    void OnHeadingSpin(int delta);
    void OnStepSpin(int delta);
    void OnRangeSpin(int delta);
    void OnMoveBar(QScrollBar* bar, int action);
    void OnRelative();
    void OnHeightBar(int action);
    void OnAngleBar(QScrollBar* bar, int action);
    void OnEdited(QLineEdit* edit);

    DmrParams& m_Settings;
    UpdateDmrFn m_UpdateDmr;
    DmrParams m_Copy;

    QLineEdit* m_Heading;
    QLineEdit* m_Step;
    QLineEdit* m_Range;
    QLineEdit* m_North;
    QLineEdit* m_East;
    QLineEdit* m_Height;
    QLineEdit* m_Elevation;
    QLineEdit* m_ViewAngle;
    QScrollBar* m_HeightBar;
    QScrollBar* m_ElevationBar;
    QScrollBar* m_ViewAngleBar;
    QScrollBar* m_Sideways;
    QScrollBar* m_Forward;
    QCheckBox* m_Relative;
    QCheckBox* m_StickToGps;
    QCheckBox* m_FillGaps;
    QButtonGroup* m_Preview;
    QButtonGroup* m_Surface;
    QButtonGroup* m_Rendering;
};
