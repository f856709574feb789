#include "ProcessCodeCard.h"

#include "BalanceOnlyBlocks.h"
#include "StationLookups.h"

ProcessCodeCard::ProcessCodeCard(int cardType, const char* table, const char* sql,
                                 PlaceNameLookup::Columns columns, OneSidedTrades oneSided)
    : PlaceNameCard(cardType, table, sql, columns), m_OneSided(oneSided) {}

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

std::optional<NameKey> ProcessCodeCard::GetNameKey(int row, NameSide side) {
    GetTrade(row);
    const bool departure = side == NameSide::Departure;
    const int station = departure ? GetDepartureStationCode(row) : GetArrivalStationCode(row);
    if (!(m_nTradeFlags & (departure ? kEntrySideFilled : kExitSideFilled)) || station == 0) return std::nullopt;
    return m_Names.Key(0, station);
}

QString ProcessCodeCard::Place(int row, NameSide side, PlaceNameLookup::Name name) {
    if (const std::optional<NameKey> key = GetNameKey(row, side)) return m_Names.Lookup(*key, name);
    // A filled side whose station is 0 names no place.
    const int flag = side == NameSide::Departure ? kEntrySideFilled : kExitSideFilled;
    return m_nTradeFlags & flag ? UnregisteredName() : QString();
}

int ProcessCodeCard::GetBalance(int row) { return ProcessBalance(HistoryBlock(row)); }
int ProcessCodeCard::GetCharge(int row) { return ProcessAmount(HistoryBlock(row)); }
