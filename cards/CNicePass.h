// CNicePass: the nice pass! card of system 04 0F (card type 7). Twenty
// history blocks of service 0x030F with 20-bit station codes and no line
// code; the names come from the NICECode table. As on the ICa card, the
// amount is the older balance minus this one. Block layout: RegionalBlocks.h.
#pragma once

#include "PlaceNameCard.h"

class CNicePass : public PlaceNameCard {
public:
    static constexpr int kCardType = 7;

    CNicePass();
    int GetDateCode(int row) override;
    QString GetDate(int row) override;
    int GetDepartureStationCode(int row) override;
    int GetArrivalStationCode(int row) override;
    int GetBalance(int row) override;
    int GetCharge(int row) override;
    // None for station 0.
    std::optional<NameKey> GetNameKey(int row, NameSide side) override;
};
