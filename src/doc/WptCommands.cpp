// The waypoint database's and the track log's entries in the document's command map.
#include "doc/VornaDoc.h"
#include "platform/CommandIds.h"
#include "platform/Commands.h"
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
}
