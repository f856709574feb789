#include "CNicePass.h"

#include "BalanceOnlyBlocks.h"
#include "RegionalBlocks.h"
#include "StationLookups.h"

CNicePass::CNicePass()
    : PlaceNameCard(kCardType, "NICECode", sql::kNiceStation, {"NICECompanyName", "NICELineName", "NICEStationName"}) {
}

std::optional<NameKey> CNicePass::GetNameKey(int row, NameSide side) {
    const int station = side == NameSide::Departure ? GetDepartureStationCode(row) : GetArrivalStationCode(row);
    if (station == 0) return std::nullopt;
    return m_Names.Key(0, station);
}

int CNicePass::GetDateCode(int row) { return PackedDateCode(HistoryBlock(row)); }
QString CNicePass::GetDate(int row) { return PackedDateText(GetDateCode(row)); }

int CNicePass::GetDepartureStationCode(int row) { return NiceEntryStation(HistoryBlock(row)); }
int CNicePass::GetArrivalStationCode(int row) { return NiceExitStation(HistoryBlock(row)); }

int CNicePass::GetBalance(int row) { return YenBalance(HistoryBlock(row)); }
int CNicePass::GetCharge(int row) { return ChargeFromBalances(*this, row); }
