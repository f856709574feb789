#include "CWaon.h"

#include "BlockFields.h"
#include "CardTypes.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Bit positions of the record fields in a row (bytes 0-11 of the odd block).
constexpr int kYearBit = 16, kMonthBit = 21, kDayBit = 25, kHourBit = 30, kMinuteBit = 35;
constexpr int kBalanceBit = 41, kPaidBit = 59, kChargedBit = 77;

}  // namespace

CWaon::CWaon() {
    ApplyCardType(*FindCardType(kCardType));
    m_Blocks.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
    m_Rows.assign(16 * static_cast<std::size_t>(kRecords), 0);
    AttachHistoryBuffer(m_Rows.data(), m_Rows.size());
    m_CardInfo.assign(16 * static_cast<std::size_t>(m_nCardInfoBlocks), 0);
    AttachCardInfoBuffer(m_CardInfo.data(), m_CardInfo.size());
}

void CWaon::RecordRow(const std::uint8_t* even, const std::uint8_t* odd, std::uint8_t* row) {
    std::memcpy(row, odd, 12);
    row[12] = even[13];
    row[13] = even[14];
    row[14] = 0;
    row[15] = 0;
}

bool CWaon::ReadHistory() {
    std::fill(m_Blocks.begin(), m_Blocks.end(), 0);
    AttachHistoryBuffer(m_Blocks.data(), m_Blocks.size());
    const bool read = CSFCard::ReadHistory();
    std::fill(m_Rows.begin(), m_Rows.end(), 0);
    m_nRecords = 0;
    if (read) {
        std::array<std::array<std::uint8_t, 16>, kRecords> rows{};
        for (std::size_t pair = 0; pair < kRecords && 32 * (pair + 1) <= m_Blocks.size(); ++pair) {
            const std::uint8_t* even = m_Blocks.data() + 32 * pair;
            if (BigEndian16(even + 13) == 0) continue;  // no record
            RecordRow(even, even + 16, rows[static_cast<std::size_t>(m_nRecords++)].data());
        }
        // Newest record first; the card keeps the pairs in turn, not in order.
        std::stable_sort(rows.begin(), rows.begin() + m_nRecords,
                         [](const auto& a, const auto& b) { return BigEndian16(&a[12]) > BigEndian16(&b[12]); });
        for (int r = 0; r < m_nRecords; ++r)
            std::memcpy(m_Rows.data() + 16 * r, rows[static_cast<std::size_t>(r)].data(), 16);
    }
    AttachHistoryBuffer(m_Rows.data(), m_Rows.size());
    return read;
}

int CWaon::GetHistoryCount() { return m_nRecords; }

QString CWaon::GetCardNumber() { return HexOfBytes(m_CardInfo, 0, 8); }

int CWaon::Bits(int row, int first, int bits) const {
    const std::uint8_t* p = HistoryBlock(row);
    int value = 0;
    for (int i = first; i < first + bits; ++i) value = value << 1 | (p[i / 8] >> (7 - i % 8) & 1);
    return value;
}

std::uint8_t CWaon::GetTradeCode(int row) { return HistoryBlock(row)[1]; }

QString CWaon::GetTrade(int row) {
    switch (GetTradeCode(row)) {
    case 0x04: return QStringLiteral(u"支払");
    case 0x0C:
    case 0x10: return QStringLiteral(u"チャージ");
    case 0x08: return QStringLiteral(u"返品");
    case 0x18: return QStringLiteral(u"ポイントダウンロード");
    case 0x28: return QStringLiteral(u"返金");
    case 0x1C:
    case 0x20: return QStringLiteral(u"購入時オートチャージ");
    case 0x30: return QStringLiteral(u"オートチャージ");
    case 0x3C: return QStringLiteral(u"新カードへの移行");
    case 0x7C: return QStringLiteral(u"ポイント交換");
    default: return QStringLiteral(u"不明");
    }
}

// Year, month and day as they lie: 14 bits.
int CWaon::GetDateCode(int row) { return Bits(row, kYearBit, 14); }

QString CWaon::GetDate(int row) {
    return QString::asprintf("%4d年%02d月%02d日", Bits(row, kYearBit, 5) + 2005, Bits(row, kMonthBit, 4),
                             Bits(row, kDayBit, 5));
}

// Hour and minute: 11 bits.
int CWaon::GetTimeCode(int row) { return Bits(row, kHourBit, 11); }

QString CWaon::GetTime(int row) {
    return QString::asprintf("%02d時%02d分", Bits(row, kHourBit, 5), Bits(row, kMinuteBit, 6));
}

// The amount of the record: what was paid, or else what was charged.
int CWaon::GetCharge(int row) {
    const int paid = Bits(row, kPaidBit, 18);
    return paid != 0 ? paid : Bits(row, kChargedBit, 17);
}

int CWaon::GetBalance(int row) { return Bits(row, kBalanceBit, 18); }

int CWaon::GetSerial(int row) { return BigEndian16(HistoryBlock(row) + 12); }
