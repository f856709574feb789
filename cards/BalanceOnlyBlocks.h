// Decoding shared by the cards whose history blocks keep little more than the
// balance after each transaction (RapiCa, Nagasaki smart card, LuLuCa and
// both IC i-cards). The amount of a transaction is not stored: it is the
// balance before (the next older block) minus the balance after.
#pragma once

#include <QString>

#include <cstdint>

class CSFCard;

// Bytes 14-15 of a block: the balance in yen, high byte first.
int BlockBalance(const std::uint8_t* block);

// The amount of row `row` of `card`: GetBalance(row + 1) - GetBalance(row),
// so a payment is positive and a top-up negative. The last row read has no
// older neighbour and gives 0, as does a row outside the rows read.
int ChargeFromBalances(CSFCard& card, int row);

// Bytes 0-1 of a block as a 16-bit number, high byte first: the packed date
// of the IC i-cards.
int PackedDateCode(const std::uint8_t* block);

// A packed date as "YY年MM月DD日": bits 15-9 year within the century, bits
// 8-5 month, bits 4-0 day.
QString PackedDateText(int code);
