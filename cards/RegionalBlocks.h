// Decoding shared by the regional cards whose places are named in a code
// table of their own: ICa, nice pass!, CI-CA and passca. All four keep the
// packed date of PackedDateCode/PackedDateText (BalanceOnlyBlocks.h) in
// bytes 0-1.
//
// ICa block:        6-7 line code, 8 entry station, 9 exit station,
//                   13-14 balance in yen.
// nice pass! block: 5, 6 and the high nibble of 7 the entry station; the
//                   low nibble of 7, 8 and 9 the exit station (20 bits
//                   each), 13-14 balance in yen.
// CI-CA and passca: 5-6 entry station, 7-8 exit station, 9 process code,
//                   low nibble of 10 and 11 the amount in 10 yen (12 bits;
//                   the high nibble of 10 is something else), 14-15 the
//                   balance in 10 yen.
// Multi-byte fields are high byte first.
#pragma once

#include <QString>

#include <cstdint>

// Bytes 13-14: the balance of an ICa or nice pass! block, in yen.
int YenBalance(const std::uint8_t* block);

// The 20-bit station codes of a nice pass! block.
int NiceEntryStation(const std::uint8_t* block);
int NiceExitStation(const std::uint8_t* block);

// --- CI-CA and passca.

// Trade flags: which station columns a row fills.
constexpr int kEntrySideFilled = 0x01;
constexpr int kExitSideFilled = 0x02;

// The two cards agree on every process code but the two that fill one side
// only (0x52 and 0x5C): CI-CA fills the entry side, passca the exit side.
enum class OneSidedTrades { FillEntry, FillExit };

struct ProcessKind {
    QString text;  // "" for code 0x00, "不明" for a code not in the table
    int flags;     // kEntrySideFilled | kExitSideFilled
};
ProcessKind DecodeProcess(std::uint8_t code, OneSidedTrades oneSided);

int ProcessEntryStation(const std::uint8_t* block);
int ProcessExitStation(const std::uint8_t* block);
// The 12-bit amount times 10 (never negative).
int ProcessAmount(const std::uint8_t* block);
// Bytes 14-15 times 10.
int ProcessBalance(const std::uint8_t* block);
