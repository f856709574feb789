#include "CICa.h"

#include "BalanceOnlyBlocks.h"
#include "BlockFields.h"
#include "RegionalBlocks.h"
#include "StationLookups.h"

CICa::CICa()
    : PlaceNameCard(kCardType, "ICaCode", sql::kICaStation, {"ICaCompanyName", "ICaLineName", "ICaStationName"}) {}

std::optional<NameKey> CICa::GetNameKey(int row, NameSide side) {
    const bool departure = side == NameSide::Departure;
    const int line = departure ? GetDepartureLineCode(row) : GetArrivalLineCode(row);
    const int station = departure ? GetDepartureStationCode(row) : GetArrivalStationCode(row);
    if (line == 0 && station == 0) return std::nullopt;
    return m_Names.Key(line, station);
}

int CICa::GetDateCode(int row) { return PackedDateCode(HistoryBlock(row)); }
QString CICa::GetDate(int row) { return PackedDateText(GetDateCode(row)); }

int CICa::GetDepartureLineCode(int row) { return BigEndian16(HistoryBlock(row) + 6); }
int CICa::GetDepartureStationCode(int row) { return HistoryBlock(row)[8]; }
int CICa::GetArrivalLineCode(int row) { return BigEndian16(HistoryBlock(row) + 6); }
int CICa::GetArrivalStationCode(int row) { return HistoryBlock(row)[9]; }

int CICa::GetBalance(int row) { return YenBalance(HistoryBlock(row)); }
int CICa::GetCharge(int row) { return ChargeFromBalances(*this, row); }
