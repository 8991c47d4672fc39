#pragma once
// The main menu, the accelerators and the toolbar as data. The frame builds
// its QActions, menus and toolbar from these tables alone, so the whole user
// command surface can be read (and tested) in one place.

#include <QKeySequence>
#include <QList>
#include <vector>

#include "platform/CommandIds.h"

// One row of the main menu. Rows of one popup stand together in menu order;
// a row with id 0 is a separator in its popup. A row with a null path is an
// accelerator of the main window that has no menu item.
struct MenuItemDef {
    int id;
    const char* path;    // popup path, '/' between levels: "&File/Open Map..."
    const char* text;    // menu text; after '\t' the key as the menu shows it
    const char* keys;    // key sequences (QKeySequence portable text), ';' between several
    const char* prompt;  // status bar prompt; after '\n' the tooltip
    bool checkable;
};

const std::vector<MenuItemDef>& MainMenuTable();

// The key sequences of a row's keys field; unreadable ones are left out.
QList<QKeySequence> KeyList(const char* keys);

// The toolbar in order; 0 is a separator.
const std::vector<int>& ToolbarTable();

// The row of a command (the first when it stands in two menus), or null.
const MenuItemDef* FindCommand(int id);

// Status prompt and tooltip of a command (split at '\n'; the tooltip falls
// back to the menu text without '&' and key).
const char* CommandPrompt(int id);

// Commands whose keys act only while a map pane has the keyboard focus (Tab
// moves the focus everywhere else).
const std::vector<int>& MapPaneKeyCommands();
