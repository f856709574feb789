#include "CECard.h"
#include "CECardMobile.h"
#include "CLuLuCa.h"
#include "CNagasaki.h"
#include "CRapiCa.h"
#include "LoadedCard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A block whose bytes 14-15 are `balance` (4 hex digits) and whose other
// bytes are filled with `fill`, which these cards never decode as a balance.
std::string balanceBlock(const std::string& balance, const std::string& fill = "A5") {
    std::string b;
    for (int i = 0; i < 14; ++i) b += fill;
    return b + balance;
}

template <class Card>
class BalanceOnlyCard : public ::testing::Test {};

using BalanceOnlyTypes = ::testing::Types<CRapiCa, CNagasaki, CLuLuCa, CECard, CECardMobile>;
TYPED_TEST_SUITE(BalanceOnlyCard, BalanceOnlyTypes);

// The number of history rows each card keeps.
template <class Card> constexpr int kRows = 0;
template <> constexpr int kRows<CRapiCa> = 16;
template <> constexpr int kRows<CNagasaki> = 5;
template <> constexpr int kRows<CLuLuCa> = 20;
template <> constexpr int kRows<CECard> = 10;
template <> constexpr int kRows<CECardMobile> = 10;

}  // namespace

TYPED_TEST(BalanceOnlyCard, ChargeIsTheOlderBalanceMinusThisOne) {
    test::LoadedCard<TypeParam> card;
    ASSERT_EQ(card.GetHistoryCount(), kRows<TypeParam>);
    card.SetHistory(0, balanceBlock("04B0"));  // 1200 after paying 300
    card.SetHistory(1, balanceBlock("05DC"));  // 1500 after a top-up from 500
    card.SetHistory(2, balanceBlock("01F4"));  // 500
    EXPECT_EQ(card.GetBalance(0), 1200);
    EXPECT_EQ(card.GetBalance(1), 1500);
    EXPECT_EQ(card.GetBalance(2), 500);
    EXPECT_EQ(card.GetCharge(0), 300);
    EXPECT_EQ(card.GetCharge(1), -1000);
    // Row 3 is still zero-filled: row 2 looks like a top-up from 0.
    EXPECT_EQ(card.GetCharge(2), -500);
}

TYPED_TEST(BalanceOnlyCard, BalanceIsUnsignedAndHighByteFirst) {
    test::LoadedCard<TypeParam> card;
    card.SetHistory(0, balanceBlock("FFFF", "00"));
    card.SetHistory(1, balanceBlock("8000", "FF"));
    card.SetHistory(2, balanceBlock("0100", "FF"));
    EXPECT_EQ(card.GetBalance(0), 65535);
    EXPECT_EQ(card.GetBalance(1), 32768);
    EXPECT_EQ(card.GetBalance(2), 256);
    EXPECT_EQ(card.GetCharge(0), 32768 - 65535);
    EXPECT_EQ(card.GetCharge(1), 256 - 32768);
}

TYPED_TEST(BalanceOnlyCard, LastRowAndRowsOutsideTheCardHaveNoCharge) {
    test::LoadedCard<TypeParam> card;
    const int last = kRows<TypeParam> - 1;
    card.SetHistory(0, balanceBlock("0064"));
    card.SetHistory(last - 1, balanceBlock("0190"));  // 400
    card.SetHistory(last, balanceBlock("03E8"));      // 1000
    EXPECT_EQ(card.GetCharge(last - 1), 600);
    EXPECT_EQ(card.GetBalance(last), 1000);
    EXPECT_EQ(card.GetCharge(last), 0);
    for (int row : {-1, last + 1, 1000}) {
        EXPECT_EQ(card.GetBalance(row), 0) << row;
        EXPECT_EQ(card.GetCharge(row), 0) << row;
        EXPECT_EQ(card.GetHistoryData(16 * row), 0) << row;
    }
}

TYPED_TEST(BalanceOnlyCard, ZeroFilledBlocksShowNothingButZeros) {
    // As constructed, and as a failed read leaves the card.
    TypeParam card;
    for (int row = 0; row < kRows<TypeParam>; ++row) {
        EXPECT_EQ(card.GetBalance(row), 0);
        EXPECT_EQ(card.GetCharge(row), 0);
        EXPECT_EQ(card.GetTrade(row), QString());
        EXPECT_EQ(card.GetTradeFlags(row), 0);
        EXPECT_EQ(card.GetSerial(row), 0);
        EXPECT_EQ(card.GetDateCode(row), 0);
    }
    EXPECT_EQ(card.GetCardNumber(), QString());
    EXPECT_EQ(card.GetIssuerKind(), 0);
}

TEST(BalanceOnlyCard, OnlyTheICiCardsHaveDates) {
    test::LoadedCard<CRapiCa> rapica;
    test::LoadedCard<CNagasaki> nagasaki;
    test::LoadedCard<CLuLuCa> luluca;
    const std::string dated = "12CF" + std::string(24, 'F') + "0100";
    rapica.SetHistory(0, dated);
    nagasaki.SetHistory(0, dated);
    luluca.SetHistory(0, dated);
    for (CSFCard* card : std::initializer_list<CSFCard*>{&rapica, &nagasaki, &luluca}) {
        EXPECT_EQ(card->GetDate(0), QString());
        EXPECT_EQ(card->GetDateCode(0), 0);
        EXPECT_EQ(card->GetBalance(0), 256);
    }
    EXPECT_EQ(CECard().GetDate(3), QString::fromUtf8("00年00月00日"));
    EXPECT_EQ(CECardMobile().GetDate(9), QString::fromUtf8("00年00月00日"));
}

TEST(BalanceOnlyCard, ICiCardDatesArePackedYearMonthDay) {
    // year in bits 15-9, month in 8-5, day in 4-0
    struct Case {
        const char* bytes;
        int code;
        const char* text;
    } cases[] = {
        {"12CF", 0x12CF, "09年06月15日"},   // 0001001 0110 01111
        {"357C", 0x357C, "26年11月28日"},   // 0011010 1011 11100
        {"0021", 0x0021, "00年01月01日"},
        {"C79F", 0xC79F, "99年12月31日"},   // 1100011 1100 11111
        {"FFFF", 0xFFFF, "127年15月31日"},  // every bit set: shown as stored
    };
    for (const auto& c : cases) {
        test::LoadedCard<CECard> card;
        test::LoadedCard<CECardMobile> mobile;
        const std::string block = c.bytes + std::string(24, '0') + "03E8";
        card.SetHistory(4, block);
        mobile.SetHistory(4, block);
        EXPECT_EQ(card.GetDateCode(4), c.code) << c.bytes;
        EXPECT_EQ(card.GetDate(4), QString::fromUtf8(c.text)) << c.bytes;
        EXPECT_EQ(mobile.GetDateCode(4), c.code) << c.bytes;
        EXPECT_EQ(mobile.GetDate(4), QString::fromUtf8(c.text)) << c.bytes;
        EXPECT_EQ(card.GetBalance(4), 1000);
    }
}
