#include "CJalIC.h"

#include "CardTypes.h"

#include <initializer_list>

namespace {

int High(std::uint8_t b) { return b >> 4; }
int Low(std::uint8_t b) { return b & 0x0F; }

// The number spelt by the decimal digits at the front of `nibbles`, highest
// digit first; the first nibble past 9 ends it.
int LeadingDecimal(std::initializer_list<int> nibbles) {
    int value = 0;
    for (int n : nibbles) {
        if (n > 9) break;
        value = value * 10 + n;
    }
    return value;
}

// The character of one name byte (see GetCardNumber).
QChar NameCharacter(std::uint8_t byte) {
    if (byte >= 0x20 && byte <= 0x7E) return QChar(byte);
    if (byte >= 0xA1 && byte <= 0xDF) return QChar(0xFF61 + (byte - 0xA1));
    if (byte == 0x00) return QChar(u' ');
    return QChar(u'?');
}

}  // namespace

CJalIC::CJalIC() {
    ApplyCardType(*FindCardType(kCardType));
    m_History.assign(16 * static_cast<std::size_t>(m_nHistoryBlocks), 0);
    AttachHistoryBuffer(m_History.data(), m_History.size());
    m_CardInfo.assign(16 * static_cast<std::size_t>(m_nCardInfoBlocks), 0);
    AttachCardInfoBuffer(m_CardInfo.data(), m_CardInfo.size());
}

QString CJalIC::GetCardNumber() {
    if (m_CardInfo.size() < 32) return QString();
    QString digits;
    for (int i = 15; i >= 11; --i) digits += QString::asprintf("%02X", m_CardInfo[i]);
    QString text = digits.right(1) + QLatin1Char(' ') + digits.left(9) + QStringLiteral("  ");
    for (int i = 31; i >= 16; --i) text += NameCharacter(m_CardInfo[i]);
    return text;
}

std::uint8_t CJalIC::GetTradeCode(int row) { return HistoryBlock(row)[15]; }

QString CJalIC::GetTrade(int row) {
    // The kind has no record flags: m_nTradeFlags stays 0.
    switch (GetTradeCode(row)) {
    case 0x06: return QStringLiteral(u"物販");
    case 0x19: return QStringLiteral(u"入金");
    case 0x20: return QStringLiteral(u"戻し");
    default: return QStringLiteral(u"不明");
    }
}

int CJalIC::GetDateCode(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    return b[11] << 16 | b[12] << 8 | b[13];
}

QString CJalIC::GetDate(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    return QString::asprintf("%02X年%02X月%02X日", b[13], b[12], b[11]);
}

int CJalIC::GetTimeCode(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    return b[0] << 16 | b[1] << 8 | b[2];
}

QString CJalIC::GetTime(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    const int hour = Low(b[2]) << 4 | High(b[1]);
    const int minute = Low(b[1]) << 4 | High(b[0]);
    return QString::asprintf("%02X時%02X分", hour, minute);
}

int CJalIC::GetCharge(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    return LeadingDecimal({High(b[4]), Low(b[4]), High(b[3]), Low(b[3]), High(b[2])});
}

int CJalIC::GetBalance(int row) {
    const std::uint8_t* b = HistoryBlock(row);
    return LeadingDecimal({High(b[10]), Low(b[10]), High(b[9]), Low(b[9]), High(b[8]), Low(b[8]),
                           High(b[7]), Low(b[7])});
}
