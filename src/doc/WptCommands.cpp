// The waypoint database's entries in the document's command map.
#include "app/VornaApp.h"
#include "doc/VornaDoc.h"
#include "platform/Commands.h"

void CVornaDoc::AddWptCommands(CCommandMap& map) {
    map.AddCommand(ID_EDIT_UNDO, [this] { OnEditUndo(); });
    map.AddUpdate(ID_EDIT_UNDO, [this](CCmdUI& ui) { ui.Enable(CanUndo()); });
    map.AddCommand(ID_CREATE_TEMP_WPTS, [this] { OnCreateTempWpts(); });
    map.AddUpdate(ID_CREATE_TEMP_WPTS, [this](CCmdUI& ui) { ui.SetCheck(CreateTempWpts ? 1 : 0); });
    const std::pair<unsigned, int> levels[] = {{ID_WPT_LEVEL_AUTO, -1}, {ID_WPT_LEVEL_PK250, 0},
                                               {ID_WPT_LEVEL_TK50, 1},  {ID_WPT_LEVEL_TK25, 2},
                                               {ID_WPT_LEVEL_TN10, 3},  {ID_WPT_LEVEL_TN5, 4}};
    for (auto [id, level] : levels) {
        map.AddCommand(id, [this, level = level] { OnNewWptLevel(level); });
        map.AddUpdate(id, [level = level](CCmdUI& ui) {
            CVornaApp* app = VornaAppOrNull();
            ui.SetCheck(app && app->wptLevel == level ? 1 : 0);
        });
    }
    map.AddCommand(ID_SAVE_WPT_DATABASE, [this] { OnSaveWptDatabase(); });
    map.AddCommand(ID_CLEAR_TRACK_LOG, [this] { OnClearTrackLog(); });
}
