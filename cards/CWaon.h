// CWaon: the WAON electronic money of the common area FE 00 (card type 132).
// The history service 0x680B holds up to three records, each in a pair of
// blocks (0/1, 2/3, 4/5):
//   even block  bytes 0-12 the terminal number (ASCII), bytes 13-14 the record
//               number, high byte first (0 = no record)
//   odd block   byte 1 the kind; from the top bit of byte 2 on, high bits
//               first: year - 2005 (5 bits), month (4), day (5), hour (5),
//               minute (6), balance (18), amount paid (18), amount
//               charged (17)
// A row is one record, newest record number first. Its 16 bytes are bytes
// 0-11 of the odd block followed by the record number (bytes 12-13) and two
// zero bytes, so that a stored row decodes again alone.
// Card-number block 0 (service 0x684F), bytes 0-7: the WAON number.
#pragma once

#include "CSFCard.h"

#include <cstdint>
#include <vector>

class CWaon : public CSFCard {
public:
    static constexpr int kCardType = 132;
    static constexpr int kRecords = 3;

    CWaon();
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
    int GetSerial(int row) override;

    // The row of a record: the pair's odd block and the record number.
    static void RecordRow(const std::uint8_t* even, const std::uint8_t* odd, std::uint8_t* row);

private:
    // `bits` bits of `row` from bit `first` on (bit 0 = the top bit of byte 0).
    int Bits(int row, int first, int bits) const;

    std::vector<std::uint8_t> m_Blocks;  // as read, block order
    std::vector<std::uint8_t> m_Rows;    // the records, newest first
    std::vector<std::uint8_t> m_CardInfo;
    int m_nRecords = 0;
};
