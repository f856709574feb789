// The menu, accelerator and tool bar tables of resources/, as C++.
#pragma once

#include <vector>

struct MenuItemDef {
    const char16_t* text;
    const char16_t* shortcutText;
    int id;  // 0 separator, -1 the card modes
};

struct MenuDef {
    const char16_t* title;
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
