#include "CICa.h"

#include "BalanceOnlyBlocks.h"
#include "BlockFields.h"
#include "CardTypes.h"
#include "RegionalBlocks.h"
#include "StationLookups.h"

using Name = PlaceNameLookup::Name;

CICa::CICa() : m_Names("ICaCode", sql::kICaStation, {"ICaCompanyName", "ICaLineName", "ICaStationName"}) {
    ApplyCardType(*FindCardType(kCardType));
    m_History.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
    AttachHistoryBuffer(m_History.data(), m_History.size());
    m_Names.Open();
}

std::optional<NameKey> CICa::GetNameKey(int row, NameSide side) {
    const bool departure = side == NameSide::Departure;
    const int line = departure ? GetDepartureLineCode(row) : GetArrivalLineCode(row);
    const int station = departure ? GetDepartureStationCode(row) : GetArrivalStationCode(row);
    if (line == 0 && station == 0) return std::nullopt;
    return m_Names.Key(line, station);
}

QString CICa::Place(int row, NameSide side, PlaceNameLookup::Name name) {
    const std::optional<NameKey> key = GetNameKey(row, side);
    return key ? m_Names.Lookup(*key, name) : QString();
}

int CICa::GetDateCode(int row) { return PackedDateCode(HistoryBlock(row)); }
QString CICa::GetDate(int row) { return PackedDateText(GetDateCode(row)); }

int CICa::GetDepartureLineCode(int row) { return BigEndian16(HistoryBlock(row) + 6); }
int CICa::GetDepartureStationCode(int row) { return HistoryBlock(row)[8]; }
int CICa::GetArrivalLineCode(int row) { return BigEndian16(HistoryBlock(row) + 6); }
int CICa::GetArrivalStationCode(int row) { return HistoryBlock(row)[9]; }

QString CICa::GetDepartureCompany(int row) { return Place(row, NameSide::Departure, Name::Company); }
QString CICa::GetDepartureLine(int row) { return Place(row, NameSide::Departure, Name::Line); }
QString CICa::GetDepartureStation(int row) { return Place(row, NameSide::Departure, Name::Station); }
QString CICa::GetArrivalCompany(int row) { return Place(row, NameSide::Arrival, Name::Company); }
QString CICa::GetArrivalLine(int row) { return Place(row, NameSide::Arrival, Name::Line); }
QString CICa::GetArrivalStation(int row) { return Place(row, NameSide::Arrival, Name::Station); }

int CICa::GetBalance(int row) { return YenBalance(HistoryBlock(row)); }
int CICa::GetCharge(int row) { return ChargeFromBalances(*this, row); }
