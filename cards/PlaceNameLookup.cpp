#include "PlaceNameLookup.h"

#include "MessageSink.h"
#include "StationLookups.h"

namespace {

constexpr int kMsgStationDatabase = 129;
constexpr int kMsgLookupFailed = 130;

}  // namespace

PlaceNameLookup::PlaceNameLookup(const char* table, const char* sql, Columns columns, int area)
    : m_nArea(area), m_Lookup(*FindStationCodeTable(QLatin1String(table))), m_Sql(sql), m_Columns(columns) {}

NameKey PlaceNameLookup::Key(int line, int station) const {
    NameKey key{&m_Lookup.Table(), {line, station}};
    if (m_nArea >= 0) key.values.insert(key.values.begin(), m_nArea);
    return key;
}

void PlaceNameLookup::Open() {
    if (DbFailed(m_Lookup.Open())) ShowMessage(kMsgStationDatabase);
}

QString PlaceNameLookup::Lookup(const NameKey& key, Name name) {
    const char* column = name == Name::Company ? m_Columns.company
                         : name == Name::Line  ? m_Columns.line
                                               : m_Columns.station;
    QString text;
    // A row that cannot be fetched is a failure as much as a query that
    // cannot be opened: both are reported, neither gives an empty name.
    // The SQL text binds the line and the station only; an area it fixes
    // itself.
    const std::vector<int> keys(key.values.end() - 2, key.values.end());
    if (DbFailed(LookupName(m_Lookup, m_Sql, keys, column, text))) ShowMessage(kMsgLookupFailed);
    return text;
}
