// CEdy: the Edy electronic money of the common area FE 00 (card type 128).
// Each history block is one transaction: kind, serial number, date and time
// to the second, amount and balance. A second service holds the Edy number.
//
// History block, multi-byte fields high byte first:
//   0      kind of transaction
//   1-3    transaction serial number
//   4-7    upper 15 bits: days since 2000-01-01; lower 17 bits: seconds
//          since midnight (not range-checked, so an hour of 24 or more shows
//          as it is stored)
//   8-11   amount in yen, signed 32 bits
//   12-15  balance in yen after the transaction, signed 32 bits
// Card-info block 0, bytes 2-9: the Edy number.
#pragma once

#include "CSFCard.h"

#include <cstdint>
#include <vector>

class CEdy : public CSFCard {
public:
    static constexpr int kCardType = 128;

    CEdy();
    QString GetCardNumber() override;
    std::uint8_t GetTradeCode(int row) override;
    QString GetTrade(int row) override;
    int GetSerial(int row) override;
    int GetDateCode(int row) override;
    QString GetDate(int row) override;
    int GetTimeCode(int row) override;
    QString GetTime(int row) override;
    int GetCharge(int row) override;
    int GetBalance(int row) override;
    bool IsEmptySlot(int row) override;
    // An unused slot keeps its slot number in the serial field (00 05 00 00
    // 00...) and nothing else: no kind, no date, no amount, no balance.
    static bool IsEmptySlotBlock(const std::uint8_t* block);

private:
    std::vector<std::uint8_t> m_History;
    std::vector<std::uint8_t> m_CardInfo;
};
