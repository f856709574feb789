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

QString CNicePass::Place(int station, PlaceNameLookup::Name name) {
    if (station == 0) return QString();
    return m_Names.Lookup(0, station, name);
}

int CNicePass::GetDateCode(int row) { return PackedDateCode(HistoryBlock(row)); }
QString CNicePass::GetDate(int row) { return PackedDateText(GetDateCode(row)); }

int CNicePass::GetDepartureStationCode(int row) { return NiceEntryStation(HistoryBlock(row)); }
int CNicePass::GetArrivalStationCode(int row) { return NiceExitStation(HistoryBlock(row)); }

QString CNicePass::GetDepartureCompany(int row) { return Place(GetDepartureStationCode(row), Name::Company); }
QString CNicePass::GetDepartureLine(int row) { return Place(GetDepartureStationCode(row), Name::Line); }
QString CNicePass::GetDepartureStation(int row) { return Place(GetDepartureStationCode(row), Name::Station); }
QString CNicePass::GetArrivalCompany(int row) { return Place(GetArrivalStationCode(row), Name::Company); }
QString CNicePass::GetArrivalLine(int row) { return Place(GetArrivalStationCode(row), Name::Line); }
QString CNicePass::GetArrivalStation(int row) { return Place(GetArrivalStationCode(row), Name::Station); }

int CNicePass::GetBalance(int row) { return YenBalance(HistoryBlock(row)); }
int CNicePass::GetCharge(int row) { return ChargeFromBalances(*this, row); }
