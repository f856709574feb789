#include "RegionalBlocks.h"

#include "BlockFields.h"

int YenBalance(const std::uint8_t* block) { return BigEndian16(block + 13); }

int NiceEntryStation(const std::uint8_t* block) { return block[5] << 12 | block[6] << 4 | block[7] >> 4; }

int NiceExitStation(const std::uint8_t* block) { return (block[7] & 0x0F) << 16 | block[8] << 8 | block[9]; }

ProcessKind DecodeProcess(std::uint8_t code, OneSidedTrades oneSided) {
    constexpr int both = kEntrySideFilled | kExitSideFilled;
    const int oneSide = oneSided == OneSidedTrades::FillEntry ? kEntrySideFilled : kExitSideFilled;
    switch (code) {
    case 0x00: return {QString(), 0};
    case 0x52: return {QStringLiteral(u"支払"), oneSide};
    case 0x53: return {QStringLiteral(u"支払"), both};
    case 0x57: case 0x58: return {QStringLiteral(u"控除"), both};
    case 0x59: return {QStringLiteral(u"積増"), both};
    case 0x5C: return {QStringLiteral(u"乗継"), oneSide};
    case 0x5D: return {QStringLiteral(u"乗継"), both};
    case 0x79: case 0x7B: return {QStringLiteral(u"積増"), 0};
    case 0x7A: return {QStringLiteral(u"新規"), 0};
    default: return {QStringLiteral(u"不明"), both};
    }
}

int ProcessEntryStation(const std::uint8_t* block) { return BigEndian16(block + 5); }
int ProcessExitStation(const std::uint8_t* block) { return BigEndian16(block + 7); }
int ProcessAmount(const std::uint8_t* block) { return ((block[10] & 0x0F) << 8 | block[11]) * 10; }
int ProcessBalance(const std::uint8_t* block) { return BigEndian16(block + 14) * 10; }

