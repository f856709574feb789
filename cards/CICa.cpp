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

QString CICa::Place(int line, int station, PlaceNameLookup::Name name) {
    if (line == 0 && station == 0) return QString();
    return m_Names.Lookup(line, station, name);
}

int CICa::GetDateCode(int row) { return PackedDateCode(HistoryBlock(row)); }
QString CICa::GetDate(int row) { return PackedDateText(GetDateCode(row)); }

int CICa::GetDepartureLineCode(int row) { return BigEndian16(HistoryBlock(row) + 6); }
int CICa::GetDepartureStationCode(int row) { return HistoryBlock(row)[8]; }
int CICa::GetArrivalLineCode(int row) { return BigEndian16(HistoryBlock(row) + 6); }
int CICa::GetArrivalStationCode(int row) { return HistoryBlock(row)[9]; }

QString CICa::GetDepartureCompany(int row) {
    return Place(GetDepartureLineCode(row), GetDepartureStationCode(row), Name::Company);
}
QString CICa::GetDepartureLine(int row) {
    return Place(GetDepartureLineCode(row), GetDepartureStationCode(row), Name::Line);
}
QString CICa::GetDepartureStation(int row) {
    return Place(GetDepartureLineCode(row), GetDepartureStationCode(row), Name::Station);
}
QString CICa::GetArrivalCompany(int row) {
    return Place(GetArrivalLineCode(row), GetArrivalStationCode(row), Name::Company);
}
QString CICa::GetArrivalLine(int row) { return Place(GetArrivalLineCode(row), GetArrivalStationCode(row), Name::Line); }
QString CICa::GetArrivalStation(int row) {
    return Place(GetArrivalLineCode(row), GetArrivalStationCode(row), Name::Station);
}

int CICa::GetBalance(int row) { return YenBalance(HistoryBlock(row)); }
int CICa::GetCharge(int row) { return ChargeFromBalances(*this, row); }
