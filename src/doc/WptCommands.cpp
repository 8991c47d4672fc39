// The waypoint database's and the track log's entries in the document's command map.
#include "doc/VornaDoc.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"

void CVornaDoc::AddWptCommands(CCommandMap& map) {
    map.AddCommand(cmd::Undo, [this] { OnEditUndo(); });
    map.AddUpdate(cmd::Undo, [this](CCmdUI& ui) { ui.Enable(CanUndo()); });
    map.AddCommand(cmd::CreateTempWpts, [this] { OnCreateTempWpts(); });
    map.AddUpdate(cmd::CreateTempWpts,
                  [this](CCmdUI& ui) { ui.SetCheck(m_Waypoints.CreateTemporary() ? 1 : 0); });
    const std::pair<unsigned, int> levels[] = {{cmd::WptLevelAutomatic, -1}, {cmd::WptLevelPK250, 0},
                                               {cmd::WptLevelTK50, 1},       {cmd::WptLevelTK25, 2},
                                               {cmd::WptLevelTN10, 3},       {cmd::WptLevelTN5, 4}};
    for (auto [id, level] : levels) {
        map.AddCommand(id, [this, level = level] { OnNewWptLevel(level); });
        map.AddUpdate(
            id, [this, level = level](CCmdUI& ui) { ui.SetCheck(m_Settings.wptLevel == level ? 1 : 0); });
    }
    map.AddCommand(cmd::SaveWptDatabase, [this] { OnSaveWptDatabase(); });
    map.AddCommand(cmd::ClearTrackLog, [this] { OnClearTrackLog(); });
    map.AddCommand(cmd::CheckIntegrity, [this] { CheckDatabaseIntegrity(); });
    map.AddCommand(cmd::CompactDatabase, [this] { PurgeDatabases(); });
    map.AddCommand(cmd::SyncWptDatabase, [this] { OnSyncWptDatabase(); });
    AddSelectionCommands(map);
}

// Repairs may change a waypoint's level or kind, which the views draw.
int CVornaDoc::CheckDatabaseIntegrity() {
    const int ok = m_Waypoints.CheckDatabaseIntegrity();
    UpdateAllViews(nullptr, kHintAll);
    return ok;
}

int CVornaDoc::PurgeDatabases() {
    const int ok = m_Waypoints.PurgeDatabases();
    UpdateAllViews(nullptr, kHintAll);
    return ok;
}

void CVornaDoc::OnSyncWptDatabase() { MsgBox("Sorry! Not Implemented yet."); }
