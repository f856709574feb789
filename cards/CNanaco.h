// CNanaco: the nanaco electronic money of the common area FE 00 (card type
// 131). Each history block is one transaction; a block whose kind is 0 holds
// no record and gives no row. A second service holds the card number.
//
// History block (service 0x564F, 5 blocks, block 0 the newest), multi-byte
// fields high byte first:
//   0      kind of transaction (0 = no record)
//   1-4    amount in yen
//   5-8    balance in yen after the transaction
//   9-12   one word: year - 2000 (11 bits), month (4), day (5), hour (6),
//          minute (6)
// Card-number block 0 (service 0x558B), bytes 0-7: the nanaco number.
#pragma once

#include "CSFCard.h"

#include <cstdint>
#include <vector>

class CNanaco : public CSFCard {
public:
    static constexpr int kCardType = 131;

    CNanaco();
    bool ReadHistory() override;
    int GetHistoryCount() override;
    QString GetCardNumber() override;
    std::uint8_t GetTradeCode(int row) override;
    QString GetTrade(int row) override;
    int GetDateCode(int row) override;
    QString GetDate(int row) override;
    int GetTimeCode(int row) override;
    QString GetTime(int row) override;
    int GetCharge(int row) override;
    int GetBalance(int row) override;

private:
    std::uint32_t DateTimeWord(int row) const;

    std::vector<std::uint8_t> m_Blocks;  // as read, block order
    std::vector<std::uint8_t> m_Rows;    // the records, newest first
    std::vector<std::uint8_t> m_CardInfo;
    int m_nRecords = 0;
};
