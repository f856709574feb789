#include "CJalIC.h"
#include "LoadedCard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

QString u8(const char* s) { return QString::fromUtf8(s); }

// Card-info bytes 11-15 and the 16 name bytes 16-31 as stored.
void setMember(test::LoadedCard<CJalIC>& card, const std::uint8_t (&number)[5],
               const std::uint8_t (&name)[16]) {
    for (int i = 0; i < 5; ++i) card.SetCardInfo(11 + i, number[i]);
    for (int i = 0; i < 16; ++i) card.SetCardInfo(16 + i, name[i]);
}

}  // namespace

TEST(CJalIC, TimeDigitsLieAcrossBytesZeroToTwo) {
    const struct {
        const char* bytes;  // bytes 0-2
        int code;
        const char* time;
    } cases[] = {
        {"502301", 0x502301, "12時35分"},
        {"5F2301", 0x5F2301, "12時35分"},  // the low nibble of byte 0 is not part of the time
        {"52400128", 0x524001, "14時05分"},
        {"000000", 0, "00時00分"},
        {"9095F2", 0x9095F2, "29時59分"},  // byte 2's high nibble belongs to the amount
        {"F0FFFF", 0xF0FFFF, "FF時FF分"},  // digits past 9 are shown as they are
    };
    for (const auto& c : cases) {
        test::LoadedCard<CJalIC> card;
        card.SetHistory(1, std::string(c.bytes).substr(0, 6) + std::string(26, '0'));
        EXPECT_EQ(card.GetTimeCode(1), c.code) << c.bytes;
        EXPECT_EQ(card.GetTime(1), u8(c.time)) << c.bytes;
    }
}

TEST(CJalIC, DateIsDayMonthYearInBytesElevenToThirteen) {
    test::LoadedCard<CJalIC> card;
    card.SetHistory(0, std::string(22, '9') + "150906" + "9999");
    EXPECT_EQ(card.GetDate(0), u8("06年09月15日"));
    EXPECT_EQ(card.GetDateCode(0), 0x150906);
    card.SetHistory(2, std::string(22, '0') + "311299" + "0000");
    EXPECT_EQ(card.GetDate(2), u8("99年12月31日"));
    card.SetHistory(2, std::string(22, '0') + "0A1BFF" + "0000");
    EXPECT_EQ(card.GetDate(2), u8("FF年1B月0A日"));
    EXPECT_EQ(card.GetDateCode(2), 0x0A1BFF);
}

TEST(CJalIC, AmountIsFiveDigitsLowestFirstFromByteTwo) {
    const struct {
        const char* bytes;  // bytes 0-4
        int amount;
    } cases[] = {
        {"5023010010", 10000},  // byte 2 gives units 0 (its low nibble 1 is the hour tens)
        {"0000503412", 12345},
        {"00009F9999", 99999},  // byte 2's low nibble F is the hour tens, not an amount digit
        {"0000F03412", 1234},   // units nibble F: the number ends before it
        {"0000F20003", 300},
        {"00000034A2", 0},      // ten-thousands nibble A: nothing before it
        {"000050341A", 1},      // thousands nibble A
        {"000050B412", 12},
        {"0000000000", 0},
        {"FFFF0FFFFF", 0},
    };
    for (const auto& c : cases) {
        test::LoadedCard<CJalIC> card;
        card.SetHistory(0, std::string(c.bytes) + std::string(22, '0'));
        EXPECT_EQ(card.GetCharge(0), c.amount) << c.bytes;
    }
}

TEST(CJalIC, BalanceIsEightDigitsWithByteTenHighest) {
    const struct {
        const char* bytes;  // bytes 7-10
        int balance;
    } cases[] = {
        {"00500100", 15000},
        {"20900000", 9020},
        {"78563412", 12345678},
        {"99999999", 99999999},
        {"00002E01", 12},  // digits "012E0000"
        {"0000E201", 1},   // digits "01E20000"
        {"000000F0", 0},
        {"00000000", 0},
    };
    for (const auto& c : cases) {
        test::LoadedCard<CJalIC> card;
        card.SetHistory(2, std::string(14, 'F') + c.bytes + std::string(10, 'F'));
        EXPECT_EQ(card.GetBalance(2), c.balance) << c.bytes;
    }
}

TEST(CJalIC, KindsOfTransaction) {
    const struct {
        const char* kind;
        const char* text;
    } cases[] = {{"06", "物販"}, {"19", "入金"}, {"20", "戻し"},
                 {"07", "不明"}, {"00", "不明"}, {"02", "不明"}};
    for (const auto& c : cases) {
        test::LoadedCard<CJalIC> card;
        // time 12:35, amount 10000, balance 15000, 06年09月15日
        card.SetHistory(0, std::string("5023010010") + "0000" + "00500100" + "150906" + "00" + c.kind);
        EXPECT_EQ(card.GetTrade(0), u8(c.text)) << c.kind;
        EXPECT_EQ(card.GetTradeCode(0), std::stoi(c.kind, nullptr, 16));
        EXPECT_EQ(card.GetTradeFlags(0), 0);
        EXPECT_EQ(card.GetTime(0), u8("12時35分"));
        EXPECT_EQ(card.GetCharge(0), 10000);
        EXPECT_EQ(card.GetBalance(0), 15000);
        EXPECT_EQ(card.GetDate(0), u8("06年09月15日"));
        EXPECT_EQ(card.GetSerial(0), 0);
    }
}

TEST(CJalIC, ZeroFilledAndOutsideRows) {
    CJalIC card;
    for (int row : {0, 2, 3, -1}) {
        EXPECT_EQ(card.GetTrade(row), u8("不明")) << row;
        EXPECT_EQ(card.GetDate(row), u8("00年00月00日")) << row;
        EXPECT_EQ(card.GetTime(row), u8("00時00分")) << row;
        EXPECT_EQ(card.GetCharge(row), 0) << row;
        EXPECT_EQ(card.GetBalance(row), 0) << row;
        EXPECT_EQ(card.GetTradeFlags(row), 0) << row;
        EXPECT_EQ(card.GetSerial(row), 0) << row;
        EXPECT_EQ(card.GetDepartureStation(row), QString()) << row;
    }
    // Before a read, the member block is zero-filled: ten zero digits and a
    // name of blanks.
    EXPECT_EQ(card.GetCardNumber(), "0 000000000  " + QString(16, ' '));
}

TEST(CJalIC, JmbTextPutsTheLastDigitFirstAndReversesTheName) {
    test::LoadedCard<CJalIC> card;
    for (int pos = 0; pos < 64; ++pos) card.SetCardInfo(pos, 0x41);  // bytes the text ignores
    const std::uint8_t name[16] = {' ', ' ', ' ', ' ', ' ', 'O', 'R', 'A',
                                   'T', '/', 'A', 'D', 'A', 'M', 'A', 'Y'};
    setMember(card, {0x89, 0x67, 0x45, 0x23, 0x01}, name);
    EXPECT_EQ(card.GetCardNumber(), "9 012345678  YAMADA/TARO     ");
    setMember(card, {0x37, 0x68, 0x15, 0x21, 0x40}, name);
    EXPECT_EQ(card.GetCardNumber(), "7 402115683  YAMADA/TARO     ");
    // digits past 9 are shown as hexadecimal letters
    setMember(card, {0xEF, 0xCD, 0xAB, 0x00, 0x10}, name);
    EXPECT_EQ(card.GetCardNumber(), "F 1000ABCDE  YAMADA/TARO     ");
}

TEST(CJalIC, NameBytesAlwaysGiveOneValidCharacterEach) {
    // ASCII and half-width katakana as they are; 0x00 a blank; any other
    // byte "?".
    const struct {
        std::uint8_t byte;
        QChar shown;
    } cases[] = {{0x00, u' '},    {0x01, u'?'},    {0x09, u'?'},    {0x0A, u'?'},
                 {0x1F, u'?'},    {0x20, u' '},    {0x41, u'A'},    {0x7E, u'~'},
                 {0x7F, u'?'},    {0x80, u'?'},    {0x9F, u'?'},    {0xA0, u'?'},
                 {0xA1, u'｡'},    {0xB1, u'ｱ'},    {0xDE, u'ﾞ'},    {0xDF, u'ﾟ'},
                 {0xE0, u'?'},    {0xFD, u'?'},    {0xFF, u'?'}};
    for (const auto& c : cases) {
        test::LoadedCard<CJalIC> card;
        std::uint8_t name[16];
        for (auto& b : name) b = 0x2E;  // '.'
        name[15] = c.byte;              // stored last: shown first
        setMember(card, {0, 0, 0, 0, 0}, name);
        const QString text = card.GetCardNumber();
        ASSERT_EQ(text.size(), 29) << int(c.byte);
        EXPECT_EQ(text.mid(13), QString(c.shown) + QString(15, '.')) << int(c.byte);
    }
    // Every byte value, sixteen at a time: the text stays 29 characters of
    // valid text with no control characters, and survives UTF-8 unchanged.
    for (int first = 0; first < 256; first += 16) {
        test::LoadedCard<CJalIC> card;
        std::uint8_t name[16];
        for (int i = 0; i < 16; ++i) name[i] = static_cast<std::uint8_t>(first + i);
        setMember(card, {0x99, 0x99, 0x99, 0x99, 0x99}, name);
        const QString text = card.GetCardNumber();
        ASSERT_EQ(text.size(), 29) << first;
        EXPECT_TRUE(text.isValidUtf16()) << first;
        EXPECT_EQ(QString::fromUtf8(text.toUtf8()), text) << first;
        for (QChar ch : text) EXPECT_FALSE(ch.category() == QChar::Other_Control) << first;
    }
}
