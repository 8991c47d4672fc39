#pragma once
// The map panes' context menus as data: one popup per kind of object under
// the pointer. A pane chooses the popup (CMapViewController::OpenContextMenu);
// the widget builds the menu from these rows and runs it through the frame's
// command chain, so that the chain's update handlers enable, check and name
// each item.

#include <map>
#include <string>
#include <string_view>
#include <vector>

class CCommandRouter;
class QMenu;

enum ContextPopup : int {
    kPopupNoMap = 0,
    kPopupImageMap = 1,  // no map origin, or a georeferenced image on free map
    kPopupFreeMap = 2,
    kPopupWaypoint = 3,
    kPopupTrackPoint = 4,
    kPopupRefPoint = 5,
    kPopupPrintFrame = 6,
    kPopupSearchField = 7,
    kPopupSearchRoute = 8,
    kPopupNotUsed = 9,  // holds "&Change to"; never shown
    kPopupCount
};

// One row of a popup. Rows of one popup stand together in menu order; id 0
// is a separator. path names the nested popup the row lies in ("" for the
// popup itself, '/' between levels); a nested popup takes the place of its
// first row.
struct ContextItemDef {
    int popup;
    const char* path;
    const char* text;  // after '\t' the key as the menu shows it
    int id;
};

const std::vector<ContextItemDef>& ContextMenuTable();

// The popup to show and the texts that replace the table's (by command id).
struct ContextMenuChoice {
    int popup = kPopupNoMap;
    std::map<int, std::string> texts;
};

// A stored name in a menu text: '&' shows as itself, not as a mnemonic.
std::string EscapeMenuText(std::string_view s);

// Fills menu with the chosen popup; each action carries its id as data.
// With a router, every item gets its state from the chain's update handlers
// (a command nobody handles is disabled).
void FillContextMenu(QMenu& menu, const ContextMenuChoice& choice, const CCommandRouter* router);
