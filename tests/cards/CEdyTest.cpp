#include "CEdy.h"
#include "LoadedCard.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

QString u8(const char* s) { return QString::fromUtf8(s); }

// An Edy block from its fields as hex digits: kind (2), serial (6), date and
// time (8), amount (8), balance (8).
std::string edyBlock(const std::string& kind, const std::string& serial, const std::string& when,
                     const std::string& amount = "00000000", const std::string& balance = "00000000") {
    return kind + serial + when + amount + balance;
}

}  // namespace

TEST(CEdy, KindsOfTransaction) {
    test::LoadedCard<CEdy> card;
    const struct {
        const char* kind;
        const char* text;
    } cases[] = {{"02", "ﾁｬｰｼﾞ"}, {"04", "ｷﾞﾌﾄ"}, {"20", "支払"}, {"01", "不明"},
                 {"00", "不明"},   {"03", "不明"},   {"FF", "不明"}};
    for (const auto& c : cases) {
        card.SetHistory(2, edyBlock(c.kind, "00002A", "00000000"));
        EXPECT_EQ(card.GetTrade(2), u8(c.text)) << c.kind;
        EXPECT_EQ(card.GetTradeCode(2), std::stoi(c.kind, nullptr, 16));
        EXPECT_EQ(card.GetTradeFlags(2), 0) << c.kind;
    }
}

TEST(CEdy, SerialIsTwentyFourBitsHighByteFirst) {
    test::LoadedCard<CEdy> card;
    card.SetHistory(0, edyBlock("20", "012345", "FFFFFFFF", "FFFFFFFF"));
    card.SetHistory(1, edyBlock("FF", "FFFFFF", "00000000"));
    card.SetHistory(5, edyBlock("02", "0004D2", "00000000"));
    EXPECT_EQ(card.GetSerial(0), 74565);
    EXPECT_EQ(card.GetSerial(1), 16777215);
    EXPECT_EQ(card.GetSerial(5), 1234);
}

TEST(CEdy, DayCountAndSecondsShareBytesFourToSeven) {
    const struct {
        const char* when;  // bytes 4-7
        int dateCode;
        const char* date;
        int timeCode;
        const char* time;
    } cases[] = {
        {"00000000", 0, "2000年01月01日", 0, "00時00分00秒"},
        {"10000000", 2048, "2005年08月10日", 0, "00時00分00秒"},
        {"0001517F", 0, "2000年01月01日", 86399, "23時59分59秒"},
        // the low bit of byte 5 is the top bit of the seconds, not of the day
        {"1001517F", 2048, "2005年08月10日", 86399, "23時59分59秒"},
        {"4CC906FD", 9828, "2026年11月28日", 67325, "18時42分05秒"},
        {"0002E0F0", 1, "2000年01月02日", 57584, "15時59分44秒"},
        // seconds past midnight are shown as stored, with hours from 24 on
        {"00015180", 0, "2000年01月01日", 86400, "24時00分00秒"},
        {"4CC75472", 9827, "2026年11月27日", 87154, "24時12分34秒"},
        {"0001FFFF", 0, "2000年01月01日", 131071, "36時24分31秒"},
        {"FFFE0000", 32767, "2089年09月17日", 0, "00時00分00秒"},
        {"FFFFFFFF", 32767, "2089年09月17日", 131071, "36時24分31秒"},
    };
    for (const auto& c : cases) {
        test::LoadedCard<CEdy> card;
        card.SetHistory(3, edyBlock("20", "FFFFFF", c.when, "FFFFFFFF", "FFFFFFFF"));
        EXPECT_EQ(card.GetDateCode(3), c.dateCode) << c.when;
        EXPECT_EQ(card.GetDate(3), u8(c.date)) << c.when;
        EXPECT_EQ(card.GetTimeCode(3), c.timeCode) << c.when;
        EXPECT_EQ(card.GetTime(3), u8(c.time)) << c.when;
    }
}

TEST(CEdy, AmountAndBalanceAreSigned32BitsHighByteFirst) {
    const struct {
        const char* field;
        int value;
    } cases[] = {{"00000288", 648},       {"00010000", 65536},     {"0000C350", 50000},
                 {"01020304", 16909060},  {"7FFFFFFF", INT_MAX},   {"FFFFFFFF", -1},
                 {"80000000", INT_MIN},   {"FFFFFC18", -1000}};
    for (const auto& c : cases) {
        test::LoadedCard<CEdy> card;
        card.SetHistory(1, edyBlock("20", "000001", "00000000", c.field, "00000000"));
        card.SetHistory(2, edyBlock("20", "000001", "00000000", "00000000", c.field));
        EXPECT_EQ(card.GetCharge(1), c.value) << c.field;
        EXPECT_EQ(card.GetBalance(1), 0) << c.field;
        EXPECT_EQ(card.GetBalance(2), c.value) << c.field;
        EXPECT_EQ(card.GetCharge(2), 0) << c.field;
    }
}

TEST(CEdy, ZeroFilledAndOutsideRowsDecodeAsDayZero) {
    CEdy card;
    for (int row : {0, 5, 6, -1}) {
        EXPECT_EQ(card.GetTrade(row), u8("不明")) << row;
        EXPECT_EQ(card.GetTradeCode(row), 0) << row;
        EXPECT_EQ(card.GetSerial(row), 0) << row;
        EXPECT_EQ(card.GetDate(row), u8("2000年01月01日")) << row;
        EXPECT_EQ(card.GetTime(row), u8("00時00分00秒")) << row;
        EXPECT_EQ(card.GetCharge(row), 0) << row;
        EXPECT_EQ(card.GetBalance(row), 0) << row;
        EXPECT_EQ(card.GetTradeFlags(row), 0) << row;
        EXPECT_EQ(card.GetDepartureStation(row), QString()) << row;
    }
}

TEST(CEdy, EdyNumberIsBytesTwoToNineOfTheFirstCardInfoBlock) {
    test::LoadedCard<CEdy> card;
    EXPECT_EQ(card.GetCardNumber(), QString(16, '0'));
    // every other byte of both blocks set, so that only bytes 2-9 show
    for (int pos = 0; pos < 32; ++pos) card.SetCardInfo(pos, 0xEE);
    const std::uint8_t number[8] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    for (int i = 0; i < 8; ++i) card.SetCardInfo(2 + i, number[i]);
    EXPECT_EQ(card.GetCardNumber(), "123456789ABCDEF0");
    card.SetCardInfo(2, 0x00);
    card.SetCardInfo(9, 0x0A);
    EXPECT_EQ(card.GetCardNumber(), "003456789ABCDE0A");
}
