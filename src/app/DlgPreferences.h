#pragma once
// "Preferences": database grow steps, waypoint defaults, datum parameters,
// download and export options and the GPS port. The caller fills the public
// values, runs DoModal and reads them back after IDOK.

#include <QDialog>

#include "app/AppDialogs.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;

class CDlgPreferences : public QDialog, public PreferencesValues {
    Q_OBJECT
public:
    explicit CDlgPreferences(QWidget* parent = nullptr);

    int DoModal();
    void ToWidgets();
    // False (with the message shown and the field focused) when a field does
    // not hold a valid value; the values are then partly updated.
    bool FromWidgets();

    void accept() override;

private:
    QLineEdit* m_NamedBase;
    QLineEdit* m_AutoBase;
    QLineEdit* m_NamedIndex;
    QLineEdit* m_TrackLog;
    QLineEdit* m_Undo;
    QButtonGroup* m_Label;
    QLineEdit* m_MinDistance;
    QLineEdit* m_Datum[7];  // dX dY dZ alpha beta gamma dm
    QButtonGroup* m_Export;
    QCheckBox* m_Suggest;
    QCheckBox* m_Ignore;
    QLineEdit* m_Proximity;
    QCheckBox* m_SaveWpts;
    QCheckBox* m_ImportWpts;
    QCheckBox* m_AskUser;
    QCheckBox* m_SaveTrk;
    QComboBox* m_Port;
    QComboBox* m_Baud;
    QComboBox* m_Coords;
    QLineEdit* m_LogInterval;
    QLineEdit* m_ShowLast;
};
