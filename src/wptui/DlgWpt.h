#pragma once
// The waypoint properties dialog: name, comment, the position as grid and as
// WGS84 coordinates (each pair follows the other while the user types), the
// series, the label position and the temporary state of one record.

#include <QDialog>
#include <string>

#include "doc/WptTypes.h"

class CGeoTransform;
class CWptDatabase;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;

class CDlgWpt : public QDialog {
    Q_OBJECT
public:
    CDlgWpt(const WaypointRecord& rec, CWptDatabase& db, const CGeoTransform& geo, QWidget* parent = nullptr);
    int DoModal(const QString& caption);  // IDOK or IDCANCEL
    // After IDOK: the edited record.
    const WaypointRecord& Record() const { return m_Rec; }

    void accept() override;

private:
    enum Field { kE, kN, kLat, kLon, kFieldCount };
    bool ReadControls(bool report);
    void WriteControls();
    void UpdateName();
    void GridEdited();
    void GeoEdited();
    void TemporaryClicked();

    CWptDatabase& m_Db;
    const CGeoTransform& m_Geo;
    WaypointRecord m_Rec;
    WaypointRecord m_Initial;
    int m_InitialBase;
    std::string m_Name;
    std::string m_Comment;
    double m_Lat = 0.0;
    double m_Lon = 0.0;
    int m_Level;
    int m_Label;
    bool m_Temporary;

    QLineEdit* m_NameEdit;
    QLineEdit* m_CommentEdit;
    QLineEdit* m_Field[kFieldCount];
    // A number field counts only once the user has typed into it: the stored
    // coordinates are kept exactly otherwise.
    bool m_Typed[kFieldCount] = {};
    QButtonGroup* m_LevelGroup;
    QButtonGroup* m_LabelGroup;
    QCheckBox* m_TempBox;
};
