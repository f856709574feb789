#include "PlaceNameLookup.h"

#include "MessageSink.h"
#include "StationLookups.h"

namespace {

constexpr int kMsgStationDatabase = 129;
constexpr int kMsgLookupFailed = 130;

}  // namespace

PlaceNameLookup::PlaceNameLookup(const char* table, const char* sql, Columns columns)
    : m_Lookup(*FindStationCodeTable(QLatin1String(table))), m_Sql(sql), m_Columns(columns) {}

void PlaceNameLookup::Open() {
    if (DbFailed(m_Lookup.Open())) ShowMessage(kMsgStationDatabase);
}

QString PlaceNameLookup::Lookup(int line, int station, Name name) {
    const char* column = name == Name::Company ? m_Columns.company
                         : name == Name::Line  ? m_Columns.line
                                               : m_Columns.station;
    QString text;
    // A row that cannot be fetched is a failure as much as a query that
    // cannot be opened: both are reported, neither gives an empty name.
    if (DbFailed(LookupName(m_Lookup, m_Sql, {line, station}, column, text))) ShowMessage(kMsgLookupFailed);
    return text;
}
