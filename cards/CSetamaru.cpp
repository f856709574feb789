#include "CSetamaru.h"

#include "BalanceOnlyBlocks.h"
#include "BlockFields.h"
#include "CardTypes.h"
#include "StationLookups.h"

using Name = PlaceNameLookup::Name;

CSetamaru::CSetamaru()
    : m_Names("StationCode", sql::kRailStationArea1, {"CompanyName", "LineName", "StationName"}, 1) {
    ApplyCardType(*FindCardType(kCardType));
    m_History.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
    AttachHistoryBuffer(m_History.data(), m_History.size());
    m_TicketBarrierLog.assign(16 * kTicketBarrierLogBlocks, 0);
    AttachTicketBarrierLogBuffer(m_TicketBarrierLog.data(), m_TicketBarrierLog.size());
    m_Names.Open();
}

std::optional<NameKey> CSetamaru::GetNameKey(int row, NameSide side) {
    const int line = GetDepartureLineCode(row);
    const int station = GetDepartureStationCode(row);
    if (side != NameSide::Departure || line == 0 || station == 0) return std::nullopt;
    return m_Names.Key(line, station);
}

QString CSetamaru::Place(int row, PlaceNameLookup::Name name) {
    const std::optional<NameKey> key = GetNameKey(row, NameSide::Departure);
    return key ? m_Names.Lookup(*key, name) : QString();
}

int CSetamaru::GetDateCode(int row) { return BigEndian16(HistoryBlock(row) + 3); }
QString CSetamaru::GetDate(int row) { return PackedDateText(GetDateCode(row)); }

int CSetamaru::GetDepartureLineCode(int row) { return HistoryBlock(row)[5]; }
int CSetamaru::GetDepartureStationCode(int row) { return HistoryBlock(row)[6]; }
QString CSetamaru::GetDepartureCompany(int row) { return Place(row, Name::Company); }
QString CSetamaru::GetDepartureLine(int row) { return Place(row, Name::Line); }
QString CSetamaru::GetDepartureStation(int row) { return Place(row, Name::Station); }

int CSetamaru::GetBalance(int row) { return LittleEndian16(HistoryBlock(row) + 9); }
int CSetamaru::GetPoint(int row) { return LittleEndian16(HistoryBlock(row) + 11); }
int CSetamaru::GetPointBalance(int row) { return HistoryBlock(row)[13]; }
int CSetamaru::GetSerial(int row) { return BigEndian16(HistoryBlock(row) + 14); }

QString CSetamaru::GetNote1(int row) { return QString::asprintf("今回%3dPoint", GetPoint(row)); }
QString CSetamaru::GetNote2(int row) { return QString::asprintf("合計%3dPoint", GetPointBalance(row)); }
