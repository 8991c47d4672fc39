#pragma once
// "Select options": up to three labelled check boxes; a box without a label
// is hidden.

#include <QDialog>

#include "gps/GpsSave.h"

class QCheckBox;

class CDlgChoice : public QDialog {
    Q_OBJECT
public:
    explicit CDlgChoice(const GpsChoice& choice, QWidget* parent = nullptr);
    // IDOK with the ticks read back into choice, else IDCANCEL.
    int DoModal(GpsChoice& choice);

private:
    QCheckBox* m_Boxes[3] = {};
};

// The question as the saving code asks it; false when cancelled.
bool RunDlgChoice(GpsChoice& choice, QWidget* parent);
