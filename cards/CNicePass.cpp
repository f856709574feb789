#include "CNicePass.h"

#include "BalanceOnlyBlocks.h"
#include "CardTypes.h"
#include "RegionalBlocks.h"
#include "StationLookups.h"

using Name = PlaceNameLookup::Name;

CNicePass::CNicePass()
    : m_Names("NICECode", sql::kNiceStation, {"NICECompanyName", "NICELineName", "NICEStationName"}) {
    ApplyCardType(*FindCardType(kCardType));
    m_History.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
    AttachHistoryBuffer(m_History.data(), m_History.size());
    m_Names.Open();
}

std::optional<NameKey> CNicePass::GetNameKey(int row, NameSide side) {
    const int station = side == NameSide::Departure ? GetDepartureStationCode(row) : GetArrivalStationCode(row);
    if (station == 0) return std::nullopt;
    return m_Names.Key(0, station);
}

QString CNicePass::Place(int row, NameSide side, PlaceNameLookup::Name name) {
    const std::optional<NameKey> key = GetNameKey(row, side);
    return key ? m_Names.Lookup(*key, name) : QString();
}

int CNicePass::GetDateCode(int row) { return PackedDateCode(HistoryBlock(row)); }
QString CNicePass::GetDate(int row) { return PackedDateText(GetDateCode(row)); }

int CNicePass::GetDepartureStationCode(int row) { return NiceEntryStation(HistoryBlock(row)); }
int CNicePass::GetArrivalStationCode(int row) { return NiceExitStation(HistoryBlock(row)); }

QString CNicePass::GetDepartureCompany(int row) { return Place(row, NameSide::Departure, Name::Company); }
QString CNicePass::GetDepartureLine(int row) { return Place(row, NameSide::Departure, Name::Line); }
QString CNicePass::GetDepartureStation(int row) { return Place(row, NameSide::Departure, Name::Station); }
QString CNicePass::GetArrivalCompany(int row) { return Place(row, NameSide::Arrival, Name::Company); }
QString CNicePass::GetArrivalLine(int row) { return Place(row, NameSide::Arrival, Name::Line); }
QString CNicePass::GetArrivalStation(int row) { return Place(row, NameSide::Arrival, Name::Station); }

int CNicePass::GetBalance(int row) { return YenBalance(HistoryBlock(row)); }
int CNicePass::GetCharge(int row) { return ChargeFromBalances(*this, row); }
