#include "CSetamaru.h"

#include "BalanceOnlyBlocks.h"
#include "BlockFields.h"
#include "StationLookups.h"

CSetamaru::CSetamaru()
    : PlaceNameCard(kCardType, "StationCode", sql::kRailStationArea1, {"CompanyName", "LineName", "StationName"}, 1) {
    m_TicketBarrierLog.assign(16 * kTicketBarrierLogBlocks, 0);
    AttachTicketBarrierLogBuffer(m_TicketBarrierLog.data(), m_TicketBarrierLog.size());
}

std::optional<NameKey> CSetamaru::GetNameKey(int row, NameSide side) {
    const int line = GetDepartureLineCode(row);
    const int station = GetDepartureStationCode(row);
    if (side != NameSide::Departure || line == 0 || station == 0) return std::nullopt;
    return m_Names.Key(line, station);
}

int CSetamaru::GetDateCode(int row) { return BigEndian16(HistoryBlock(row) + 3); }
QString CSetamaru::GetDate(int row) { return PackedDateText(GetDateCode(row)); }

int CSetamaru::GetDepartureLineCode(int row) { return HistoryBlock(row)[5]; }
int CSetamaru::GetDepartureStationCode(int row) { return HistoryBlock(row)[6]; }

int CSetamaru::GetBalance(int row) { return LittleEndian16(HistoryBlock(row) + 9); }
int CSetamaru::GetPoint(int row) { return LittleEndian16(HistoryBlock(row) + 11); }
int CSetamaru::GetPointBalance(int row) { return HistoryBlock(row)[13]; }
int CSetamaru::GetSerial(int row) { return BigEndian16(HistoryBlock(row) + 14); }

QString CSetamaru::GetNote1(int row) { return QString::asprintf("今回%3dPoint", GetPoint(row)); }
QString CSetamaru::GetNote2(int row) { return QString::asprintf("合計%3dPoint", GetPointBalance(row)); }
