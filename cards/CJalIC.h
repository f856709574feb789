// CJalIC: the JAL IC service card of the common area FE 00 (card type 129):
// three history records and a card-info service with the JMB number and the
// member's name.
//
// Its dates, times and amounts are decimal digits, one per nibble, and
// several fields lie on nibble boundaries, lowest digit first:
//   byte 0 high, 1, 2 low   time hhmm: minute units, minute tens, hour units,
//                           hour tens
//   byte 2 high, 3, 4       amount, five digits: units in byte 2 high up to
//                           ten-thousands in byte 4 high
//   bytes 7-10              balance, eight digits, byte 10 the highest two
//   bytes 11, 12, 13        day, month, year within the century
//   byte 15                 kind of transaction
// A nibble past 9 ends a number there: the digits before it make the value.
//
// Card-info bytes 11-15 hold the JMB number's ten digits, bytes 16-31 the
// 16 one-byte characters of the name, last character first.
#pragma once

#include "CSFCard.h"

#include <cstdint>
#include <vector>

class CJalIC : public CSFCard {
public:
    static constexpr int kCardType = 129;

    CJalIC();
    // "d ddddddddd  NAME": of the ten digits of bytes 15, 14, ... 11 the last,
    // a blank and the first nine; two blanks; the 16 name characters. The name is one-byte Japanese
    // text: ASCII and the half-width katakana 0xA1-0xDF. A zero byte (an
    // unused position, or a card not read) is a blank; any other byte is no
    // character and shows as "?", so every byte gives exactly one character
    // of valid text.
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
    std::vector<std::uint8_t> m_History;
    std::vector<std::uint8_t> m_CardInfo;
};
