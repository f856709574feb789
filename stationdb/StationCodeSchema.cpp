#include "StationCodeSchema.h"

#include <QStringList>

namespace {

constexpr ColumnType B = ColumnType::Byte;
constexpr ColumnType I = ColumnType::Integer;
constexpr ColumnType T = ColumnType::Text;

const std::vector<TableDef> kTables = {
    {"StationCode",
     {{"AreaCode", B}, {"LineCode", B}, {"StationCode", B}, {"CompanyName", T}, {"LineName", T},
      {"StationName", T}, {"Note", T}},
     3},
    {"ShopCode",
     {{"AreaCode", B}, {"TerminalCode", B}, {"LineCode", B}, {"StationCode", B}, {"CompanyName", T},
      {"ShopName", T}, {"Cashier", T}, {"Note", T}},
     4},
    {"BusCode",
     {{"BusLineCode", I}, {"BusStationCode", I}, {"BusCompanyName", T}, {"BusLineName", T},
      {"BusStationName", T}, {"BusNote", T}},
     2},
    {"ICaCode",
     {{"ICaLineCode", I}, {"ICaStationCode", B}, {"ICaCompanyName", T}, {"ICaLineName", T},
      {"ICaStationName", T}, {"ICaNote", T}},
     2},
    {"NICECode",
     {{"NICELineCode", I}, {"NICEStationCode", I}, {"NICECompanyName", T}, {"NICELineName", T},
      {"NICEStationName", T}, {"NICENote", T}},
     2},
    {"CICACode",
     {{"CICALineCode", I}, {"CICAStationCode", I}, {"CICACompanyName", T}, {"CICALineName", T},
      {"CICAStationName", T}, {"CICANote", T}},
     2},
    {"PASSCACode",
     {{"PASSCALineCode", I}, {"PASSCAStationCode", I}, {"PASSCACompanyName", T}, {"PASSCALineName", T},
      {"PASSCAStationName", T}, {"PASSCANote", T}},
     2},
};

}  // namespace

const std::vector<TableDef>& StationCodeTables() { return kTables; }

const TableDef* FindStationCodeTable(const QString& name) {
    for (const auto& t : kTables)
        if (name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

const char* CompanyColumn(const TableDef& table) {
    for (const ColumnDef& c : table.columns)
        if (c.type == ColumnType::Text) return c.name;
    return nullptr;
}

const char* LineColumn(const TableDef& table) {
    for (const ColumnDef& c : table.columns)
        if (QLatin1String(c.name).endsWith(QLatin1String("LineName"))) return c.name;
    return nullptr;
}

const char* PlaceColumn(const TableDef& table) {
    for (const ColumnDef& c : table.columns) {
        const QLatin1String name(c.name);
        if (name.endsWith(QLatin1String("StationName")) || name == QLatin1String("ShopName")) return c.name;
    }
    return nullptr;
}

QString CreateTableSql(const TableDef& table, const QString& schema) {
    QStringList columns, key;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const ColumnDef& c = table.columns[i];
        columns << QStringLiteral("%1 %2").arg(QLatin1String(c.name),
                                              c.type == ColumnType::Text ? QStringLiteral("TEXT")
                                                                         : QStringLiteral("INTEGER"));
        if (static_cast<int>(i) < table.keyColumns) key << QLatin1String(c.name);
    }
    const QString name = schema.isEmpty() ? QLatin1String(table.name)
                                          : schema + QLatin1Char('.') + QLatin1String(table.name);
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2, PRIMARY KEY (%3))")
        .arg(name, columns.join(QStringLiteral(", ")), key.join(QStringLiteral(", ")));
}

bool IsNameControlCharacter(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

int ControlCharacterAt(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i)
        if (IsNameControlCharacter(text[i].unicode())) return static_cast<int>(i);
    return -1;
}

QString OutputName(const QString& text) {
    const int first = ControlCharacterAt(text);
    if (first < 0) return text;  // the usual case: shared, not copied
    QString out = text;
    for (qsizetype i = first; i < out.size(); ++i)
        if (IsNameControlCharacter(out[i].unicode())) out[i] = QLatin1Char(' ');
    return out;
}
