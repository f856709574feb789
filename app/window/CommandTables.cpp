#include "CommandTables.h"

const std::vector<MenuDef>& MenuTable() {
    static const std::vector<MenuDef> table = {
#include "menu_table.inc"
    };
    return table;
}

const std::vector<AcceleratorDef>& AcceleratorTable() {
    static const std::vector<AcceleratorDef> table = {
#include "accelerator_table.inc"
    };
    return table;
}

const std::vector<int>& ToolBarTable() {
    static const std::vector<int> table = {
#include "toolbar_table.inc"
    };
    return table;
}
