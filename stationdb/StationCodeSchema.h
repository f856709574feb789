// The tables of StationCode.db as the lookups bind them.
#pragma once

#include <QString>

#include <vector>

enum class ColumnType {
    Byte,     // unsigned 8 bits
    Integer,  // signed 32 bits
    Text,     // at most 255 characters
};

struct ColumnDef {
    const char* name;
    ColumnType type;
};

struct TableDef {
    const char* name;
    std::vector<ColumnDef> columns;  // in binding order
    int keyColumns;                  // the first keyColumns columns identify a row
};

// StationCode, ShopCode, BusCode, ICaCode, NICECode, CICACode, PASSCACode.
const std::vector<TableDef>& StationCodeTables();
const TableDef* FindStationCodeTable(const QString& name);

// The longest text a text column holds.
constexpr int kMaxColumnText = 255;

// The first control character in a text, or -1 when it holds none: the C0
// and C1 controls (U+0000..U+001F, U+007F..U+009F: a TAB, a line break ...),
// the line and paragraph separators U+2028 and U+2029, and the bidirectional
// controls U+202A..U+202E and U+2066..U+2069. A name may hold none: the
// first would split the cells and lines of the exports and the TCP text, the
// separators split lines in programs that receive them, and the
// bidirectional ones make a name show reversed or run into its neighbours.
int ControlCharacterAt(const QString& text);
bool IsNameControlCharacter(char16_t c);

// A name as every output writes it (tables, CSV, lists, exports, the TCP
// text): each control character of ControlCharacterAt becomes a space, so a
// name stored by an earlier version never reaches a terminal or a file raw.
QString OutputName(const QString& text);

// The row a name is looked up under: the table and the values of its key
// columns, in order.
struct NameKey {
    const TableDef* table = nullptr;
    std::vector<int> values;
    bool operator==(const NameKey& other) const { return table == other.table && values == other.values; }
};

// The column of a table's company name, and that of the place's own name
// (station, shop or bus stop).
const char* CompanyColumn(const TableDef& table);
const char* PlaceColumn(const TableDef& table);
// The column of the line's name, or null for a table without one (ShopCode).
const char* LineColumn(const TableDef& table);

// CREATE TABLE text of a table (with its key as the primary key).
QString CreateTableSql(const TableDef& table, const QString& schema = QString());
