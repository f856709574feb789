// CICa: the ICa card of system 80 EF (card type 3). Twenty history blocks
// of service 0x898F; one line code serves both stations of a row, and the
// names come from the ICaCode table. The card keeps only the balance after
// each trade, so the amount is the older balance minus this one.
// Block layout: RegionalBlocks.h.
#pragma once

#include "PlaceNameCard.h"

class CICa : public PlaceNameCard {
public:
    static constexpr int kCardType = 3;

    CICa();
    int GetDateCode(int row) override;
    QString GetDate(int row) override;
    int GetDepartureLineCode(int row) override;
    int GetDepartureStationCode(int row) override;
    int GetArrivalLineCode(int row) override;
    int GetArrivalStationCode(int row) override;
    int GetBalance(int row) override;
    int GetCharge(int row) override;
    // None when both the line and the station are 0.
    std::optional<NameKey> GetNameKey(int row, NameSide side) override;
};
