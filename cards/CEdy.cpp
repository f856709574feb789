#include "CEdy.h"

#include "BlockFields.h"
#include "CardTypes.h"

namespace {

// Julian Day Number of 2000-01-01, day 0 of the Edy calendar.
constexpr int kEdyEpochDayNumber = 2451545;

// Bytes 4-7 of a history block, unsigned: days in the upper 15 bits,
// seconds in the lower 17.
std::uint32_t DateTimeField(const std::uint8_t* block) {
    return static_cast<std::uint32_t>(BigEndian32(block + 4));
}

}  // namespace

CEdy::CEdy() {
    ApplyCardType(*FindCardType(kCardType));
    m_History.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
    AttachHistoryBuffer(m_History.data(), m_History.size());
    m_CardInfo.assign(16 * static_cast<std::size_t>(m_nCardInfoBlocks), 0);
    AttachCardInfoBuffer(m_CardInfo.data(), m_CardInfo.size());
}

QString CEdy::GetCardNumber() { return HexOfBytes(m_CardInfo, 2, 8); }

std::uint8_t CEdy::GetTradeCode(int row) { return HistoryBlock(row)[0]; }

QString CEdy::GetTrade(int row) {
    // The kind has no record flags: m_nTradeFlags stays 0.
    switch (GetTradeCode(row)) {
    case 0x02: return QStringLiteral(u"ﾁｬｰｼﾞ");
    case 0x04: return QStringLiteral(u"ｷﾞﾌﾄ");
    case 0x20: return QStringLiteral(u"支払");
    default: return QStringLiteral(u"不明");
    }
}

int CEdy::GetSerial(int row) { return BigEndian24(HistoryBlock(row) + 1); }

int CEdy::GetDateCode(int row) { return static_cast<int>(DateTimeField(HistoryBlock(row)) >> 17); }

QString CEdy::GetDate(int row) {
    int year = 0, month = 0, day = 0;
    DayNumberToDate(GetDateCode(row) + kEdyEpochDayNumber, year, month, day);
    return QString::asprintf("%4d年%02d月%02d日", year, month, day);
}

int CEdy::GetTimeCode(int row) { return static_cast<int>(DateTimeField(HistoryBlock(row)) & 0x1FFFF); }

QString CEdy::GetTime(int row) {
    const int t = GetTimeCode(row);
    return QString::asprintf("%02d時%02d分%02d秒", t / 3600, t % 3600 / 60, t % 60);
}

int CEdy::GetCharge(int row) { return BigEndian32(HistoryBlock(row) + 8); }
int CEdy::GetBalance(int row) { return BigEndian32(HistoryBlock(row) + 12); }

bool CEdy::IsEmptySlot(int row) { return IsEmptySlotBlock(HistoryBlock(row)); }

bool CEdy::IsEmptySlotBlock(const std::uint8_t* block) {
    if (block[0] != 0) return false;
    for (int i = 4; i < 16; ++i)
        if (block[i] != 0) return false;
    return true;
}
