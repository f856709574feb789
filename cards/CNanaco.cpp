#include "CNanaco.h"

#include "BlockFields.h"
#include "CardTypes.h"

#include <algorithm>
#include <cstring>

CNanaco::CNanaco() {
    ApplyCardType(*FindCardType(kCardType));
    m_Blocks.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
    m_Rows.assign(m_Blocks.size(), 0);
    AttachHistoryBuffer(m_Rows.data(), m_Rows.size());
    m_CardInfo.assign(16 * static_cast<std::size_t>(m_nCardInfoBlocks), 0);
    AttachCardInfoBuffer(m_CardInfo.data(), m_CardInfo.size());
}

bool CNanaco::ReadHistory() {
    // The blocks are read as they lie on the card; the rows are the blocks
    // that hold a record, in card order (newest first).
    std::fill(m_Blocks.begin(), m_Blocks.end(), 0);
    AttachHistoryBuffer(m_Blocks.data(), m_Blocks.size());
    const bool read = CSFCard::ReadHistory();
    std::fill(m_Rows.begin(), m_Rows.end(), 0);
    m_nRecords = 0;
    if (read) {
        for (std::size_t b = 0; b + 16 <= m_Blocks.size(); b += 16) {
            if (m_Blocks[b] == 0) continue;
            std::memcpy(m_Rows.data() + 16 * static_cast<std::size_t>(m_nRecords++), m_Blocks.data() + b, 16);
        }
    }
    AttachHistoryBuffer(m_Rows.data(), m_Rows.size());
    return read;
}

int CNanaco::GetHistoryCount() { return m_nRecords; }

QString CNanaco::GetCardNumber() { return HexOfBytes(m_CardInfo, 0, 8); }

std::uint8_t CNanaco::GetTradeCode(int row) { return HistoryBlock(row)[0]; }

QString CNanaco::GetTrade(int row) {
    switch (GetTradeCode(row)) {
    case 0x47: return QStringLiteral(u"支払");
    case 0x5C:
    case 0x6F:
    case 0x70: return QStringLiteral(u"チャージ");
    case 0x77: return QStringLiteral(u"オートチャージ");
    case 0x35: return QStringLiteral(u"引継");
    case 0x83: return QStringLiteral(u"ポイント交換チャージ");
    case 0x7A: return QStringLiteral(u"新規");
    default: return QStringLiteral(u"不明");
    }
}

std::uint32_t CNanaco::DateTimeWord(int row) const {
    return static_cast<std::uint32_t>(BigEndian32(HistoryBlock(row) + 9));
}

// Year, month and day: the upper 20 bits of the word.
int CNanaco::GetDateCode(int row) { return static_cast<int>(DateTimeWord(row) >> 12); }

QString CNanaco::GetDate(int row) {
    const std::uint32_t w = DateTimeWord(row);
    return QString::asprintf("%4d年%02d月%02d日", static_cast<int>(w >> 21) + 2000, static_cast<int>(w >> 17 & 0xF),
                             static_cast<int>(w >> 12 & 0x1F));
}

// Hour and minute: the lower 12 bits.
int CNanaco::GetTimeCode(int row) { return static_cast<int>(DateTimeWord(row) & 0xFFF); }

QString CNanaco::GetTime(int row) {
    const std::uint32_t w = DateTimeWord(row);
    return QString::asprintf("%02d時%02d分", static_cast<int>(w >> 6 & 0x3F), static_cast<int>(w & 0x3F));
}

int CNanaco::GetCharge(int row) { return BigEndian32(HistoryBlock(row) + 1); }
int CNanaco::GetBalance(int row) { return BigEndian32(HistoryBlock(row) + 5); }
