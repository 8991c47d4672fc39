#pragma once
// The dialog shown when a new or changed waypoint collides with an existing
// one, by name or by distance: the user renames, replaces or skips.

#include <QDialog>

#include "doc/WptDialogs.h"

class QLineEdit;
class QPushButton;

class CDlgWptConflict : public QDialog {
    Q_OBJECT
public:
    // kind: a WptConflictKind.
    CDlgWptConflict(const WptConflictInfo& info, int kind, QWidget* parent = nullptr);
    // IDOK for OK and Replace (Result() tells which), IDCANCEL for skipping.
    int DoModal();
    int Result() const { return m_Result; }
    std::string NewName() const;

private:
    void NewNameEdited();
    bool NameKind() const { return m_Kind == kWptConflictName || m_Kind == kWptConflictNameNoReplace; }

    WptConflictInfo m_Info;
    int m_Kind;
    int m_Result = kWptConflictOk;
    QLineEdit* m_NewName;
    QPushButton* m_Ok;
    QPushButton* m_Replace;
    QPushButton* m_Skip;
};
