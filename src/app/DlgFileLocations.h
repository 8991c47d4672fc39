#pragma once
// "File Locations": the pending waypoint base folder and the segment folders
// of the five map series. The caller fills the public values, runs DoModal
// and reads them back after IDOK.

#include <QDialog>

#include "app/AppDialogs.h"

class QLineEdit;

class CDlgFileLocations : public QDialog, public FileLocationsValues {
    Q_OBJECT
public:
    explicit CDlgFileLocations(QWidget* parent = nullptr);

    int DoModal();
    // Values to widgets and back (the data exchange).
    void ToWidgets();
    void FromWidgets();

private:
    QLineEdit* m_WptBase;
    QLineEdit* m_MapDirs[kMapTypeCount];
};
