#include "ProcessCodeCard.h"

#include "BalanceOnlyBlocks.h"
#include "CardTypes.h"
#include "StationLookups.h"

using Name = PlaceNameLookup::Name;

ProcessCodeCard::ProcessCodeCard(int cardType, const char* table, const char* sql,
                                 PlaceNameLookup::Columns columns, OneSidedTrades oneSided)
    : m_OneSided(oneSided), m_Names(table, sql, columns) {
    ApplyCardType(*FindCardType(cardType));
    m_History.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
    AttachHistoryBuffer(m_History.data(), m_History.size());
    m_Names.Open();
}

std::uint8_t ProcessCodeCard::GetTradeCode(int row) { return HistoryBlock(row)[9]; }

QString ProcessCodeCard::GetTrade(int row) {
    ProcessKind kind = DecodeProcess(GetTradeCode(row), m_OneSided);
    m_nTradeFlags = kind.flags;
    return kind.text;
}

int ProcessCodeCard::GetDateCode(int row) { return PackedDateCode(HistoryBlock(row)); }
QString ProcessCodeCard::GetDate(int row) { return PackedDateText(GetDateCode(row)); }

int ProcessCodeCard::GetDepartureStationCode(int row) { return ProcessEntryStation(HistoryBlock(row)); }
int ProcessCodeCard::GetArrivalStationCode(int row) { return ProcessExitStation(HistoryBlock(row)); }

QString ProcessCodeCard::Place(int row, int sideFlag, int station, PlaceNameLookup::Name name) {
    GetTrade(row);
    if (!(m_nTradeFlags & sideFlag)) return QString();
    if (station == 0) return UnregisteredName();
    return m_Names.Lookup(0, station, name);
}

QString ProcessCodeCard::GetDepartureCompany(int row) {
    return Place(row, kEntrySideFilled, GetDepartureStationCode(row), Name::Company);
}
QString ProcessCodeCard::GetDepartureLine(int row) {
    return Place(row, kEntrySideFilled, GetDepartureStationCode(row), Name::Line);
}
QString ProcessCodeCard::GetDepartureStation(int row) {
    return Place(row, kEntrySideFilled, GetDepartureStationCode(row), Name::Station);
}
QString ProcessCodeCard::GetArrivalCompany(int row) {
    return Place(row, kExitSideFilled, GetArrivalStationCode(row), Name::Company);
}
QString ProcessCodeCard::GetArrivalLine(int row) {
    return Place(row, kExitSideFilled, GetArrivalStationCode(row), Name::Line);
}
QString ProcessCodeCard::GetArrivalStation(int row) {
    return Place(row, kExitSideFilled, GetArrivalStationCode(row), Name::Station);
}

int ProcessCodeCard::GetBalance(int row) { return ProcessBalance(HistoryBlock(row)); }
int ProcessCodeCard::GetCharge(int row) { return ProcessAmount(HistoryBlock(row)); }
