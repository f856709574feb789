// The menu, accelerator and tool bar tables of resources/, as C++.
#pragma once

#include <QtGlobal>

#include <vector>

// Texts are UTF-8 as the program keeps them; the window shows them through
// the catalogue (context "Menu").
struct MenuItemDef {
    const char* text;
    const char* shortcutText;
    int id;  // 0 separator, -1 the card modes
};

struct MenuDef {
    const char* title;
    std::vector<MenuItemDef> items;
};

struct AcceleratorDef {
    const char* keys;
    int id;
};

const std::vector<MenuDef>& MenuTable();
const std::vector<AcceleratorDef>& AcceleratorTable();
// Tool bar buttons left to right; 0 is a separator.
const std::vector<int>& ToolBarTable();
