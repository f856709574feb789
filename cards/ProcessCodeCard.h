// The common part of the CI-CA and passca cards: twenty history blocks of
// service 0x898F, each with a process code that says which of the row's two
// stations are named; amounts and balances in units of 10 yen; names from a
// code table of the card's own. The two cards differ only in that table and
// in the side that a one-sided trade (0x52, 0x5C) names. Block layout and
// process codes: RegionalBlocks.h.
#pragma once

#include "PlaceNameCard.h"
#include "RegionalBlocks.h"

class ProcessCodeCard : public PlaceNameCard {
public:
    std::uint8_t GetTradeCode(int row) override;
    // Also leaves the row's trade flags in m_nTradeFlags.
    QString GetTrade(int row) override;
    int GetDateCode(int row) override;
    QString GetDate(int row) override;
    int GetDepartureStationCode(int row) override;
    int GetArrivalStationCode(int row) override;
    int GetBalance(int row) override;
    int GetCharge(int row) override;
    // None when the row's trade leaves the side unfilled or its station is 0.
    std::optional<NameKey> GetNameKey(int row, NameSide side) override;

protected:
    // `table`, `sql` and `columns` name the card's code table and its query
    // (line, station).
    ProcessCodeCard(int cardType, const char* table, const char* sql, PlaceNameLookup::Columns columns,
                    OneSidedTrades oneSided);

    // Empty when the row's trade leaves the side unfilled; "未登録" without
    // a query for station 0.
    QString Place(int row, NameSide side, PlaceNameLookup::Name name) override;

private:
    const OneSidedTrades m_OneSided;
};
