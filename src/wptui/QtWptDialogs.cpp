#include "wptui/QtWptDialogs.h"

#include "platform/Prompt.h"
#include "wptui/DlgWpt.h"
#include "wptui/DlgWptConflict.h"

int CQtWptDialogs::RunWptDialog(WaypointRecord& rec, const std::string& caption) {
    CDlgWpt dlg(rec, m_Db, m_Geo, m_Parent);
    if (dlg.DoModal(QString::fromStdString(caption)) != IDOK) return IDCANCEL;
    rec = dlg.Record();
    return kWptDialogOk;
}

int CQtWptDialogs::RunWptConflictDialog(WptConflictInfo& info, int kind) {
    CDlgWptConflict dlg(info, kind, m_Parent);
    if (dlg.DoModal() != IDOK) return IDCANCEL;
    info.newName = dlg.NewName();
    info.result = dlg.Result();
    return kWptDialogOk;
}
