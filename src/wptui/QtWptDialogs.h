#pragma once
// The waypoint database's dialogs on screen.

#include <QPointer>
#include <QWidget>

#include "doc/WptDialogs.h"

class CGeoTransform;
class CWptDatabase;

class CQtWptDialogs : public IWptDialogs {
public:
    CQtWptDialogs(CWptDatabase& db, const CGeoTransform& geo, QWidget* parent = nullptr)
        : m_Db(db), m_Geo(geo), m_Parent(parent) {}
    int RunWptDialog(WaypointRecord& rec, const std::string& caption) override;
    int RunWptConflictDialog(WptConflictInfo& info, int kind) override;

private:
    CWptDatabase& m_Db;
    const CGeoTransform& m_Geo;
    QPointer<QWidget> m_Parent;
};
