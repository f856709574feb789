// nanaco and WAON: the decoding of their records, and the sample card images
// read through the virtual reader as the Read command reads them.
#include "CNanaco.h"
#include "CWaon.h"
#include "CardTypes.h"
#include "LoadedCard.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

QString u8(const char* s) { return QString::fromUtf8(s); }

// A nanaco block from its fields as hex digits: kind (2), amount (8),
// balance (8), date-and-time word (8).
std::string nanacoBlock(const std::string& kind, const std::string& amount, const std::string& balance,
                        const std::string& when) {
    return kind + amount + balance + when + "000000";
}

// A WAON row: odd block bytes 0-11 (24 digits) and the record number (4).
std::string waonRow(const std::string& odd12, const std::string& record) { return odd12 + record + "0000"; }

int autoDetect() {
    for (const CardTypeInfo* type : AutoDetectionOrder())
        if (CreateCard(type->code)->DetectCard()) return type->code;
    return 0;
}

QString sample(const char* name) {
    return QStringLiteral("image:") + test::sourcePath(QStringLiteral("data/cards/") + name);
}

struct Row {
    const char* trade;
    const char* date;
    const char* time;
    int charge, balance;
};

template <class Card>
void expectRows(Card& card, const std::vector<Row>& rows) {
    ASSERT_EQ(card.GetHistoryCount(), static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const Row& e = rows[static_cast<std::size_t>(r)];
        EXPECT_EQ(card.GetTrade(r), u8(e.trade)) << r;
        EXPECT_EQ(card.GetDate(r), u8(e.date)) << r;
        EXPECT_EQ(card.GetTime(r), u8(e.time)) << r;
        EXPECT_EQ(card.GetCharge(r), e.charge) << r;
        EXPECT_EQ(card.GetBalance(r), e.balance) << r;
    }
}

}  // namespace

TEST(CNanaco, KindsOfTransaction) {
    test::LoadedCard<CNanaco> card;
    const struct {
        const char* kind;
        const char* text;
    } cases[] = {{"47", "支払"}, {"6F", "チャージ"}, {"70", "チャージ"}, {"5C", "チャージ"},
                 {"77", "オートチャージ"}, {"35", "引継"}, {"83", "ポイント交換チャージ"},
                 {"7A", "新規"}, {"48", "不明"}, {"FF", "不明"}};
    for (const auto& c : cases) {
        card.SetHistory(1, nanacoBlock(c.kind, "00000000", "00000000", "00000000"));
        EXPECT_EQ(card.GetTrade(1), u8(c.text)) << c.kind;
        EXPECT_EQ(card.GetTradeCode(1), std::stoi(c.kind, nullptr, 16));
        EXPECT_EQ(card.GetTradeFlags(1), 0);
    }
}

TEST(CNanaco, AmountBalanceAndDateWordAreHighByteFirst) {
    const struct {
        const char *amount, *balance, *when;
        int charge, balanceValue;
        const char *date, *time;
        int dateCode, timeCode;
    } cases[] = {
        // 26 | 11 | 28 | 18 | 42
        {"00000288", "00001148", "0357C4AA", 648, 4424, "2026年11月28日", "18時42分", 0x0357C, 0x4AA},
        {"00010000", "000186A0", "00000000", 65536, 100000, "2000年00月00日", "00時00分", 0, 0},
        // every field at its largest: no range check, no overflow
        {"7FFFFFFF", "00000001", "FFFFFFFF", 2147483647, 1, "4047年15月31日", "63時63分", 0xFFFFF, 0xFFF},
    };
    test::LoadedCard<CNanaco> card;
    for (const auto& c : cases) {
        card.SetHistory(4, nanacoBlock("47", c.amount, c.balance, c.when));
        EXPECT_EQ(card.GetCharge(4), c.charge) << c.when;
        EXPECT_EQ(card.GetBalance(4), c.balanceValue) << c.when;
        EXPECT_EQ(card.GetDate(4), u8(c.date)) << c.when;
        EXPECT_EQ(card.GetTime(4), u8(c.time)) << c.when;
        EXPECT_EQ(card.GetDateCode(4), c.dateCode) << c.when;
        EXPECT_EQ(card.GetTimeCode(4), c.timeCode) << c.when;
    }
}

TEST(CWaon, KindsOfTransaction) {
    test::LoadedCard<CWaon> card;
    const struct {
        const char* kind;
        const char* text;
    } cases[] = {{"04", "支払"}, {"0C", "チャージ"}, {"10", "チャージ"}, {"08", "返品"},
                 {"18", "ポイントダウンロード"}, {"28", "返金"}, {"1C", "購入時オートチャージ"},
                 {"20", "購入時オートチャージ"}, {"30", "オートチャージ"}, {"3C", "新カードへの移行"},
                 {"7C", "ポイント交換"}, {"00", "不明"}, {"05", "不明"}};
    for (const auto& c : cases) {
        card.SetHistory(2, waonRow(std::string("00") + c.kind + std::string(20, '0'), "0001"));
        EXPECT_EQ(card.GetTrade(2), u8(c.text)) << c.kind;
        EXPECT_EQ(card.GetTradeCode(2), std::stoi(c.kind, nullptr, 16));
    }
}

TEST(CWaon, BitFieldsFromTheTopBitOfByteTwo) {
    const struct {
        const char* odd12;  // odd block bytes 0-11
        const char *date, *time;
        int balance, charge;
    } cases[] = {
        // 21 | 11 | 27 | 19 | 03 | 1930 | paid 1280 | charged 0
        {"0004ADEE6180F14028000000", "2026年11月27日", "19時03分", 1930, 1280},
        // 21 | 12 | 01 | 07 | 45 | 3930 | paid 0 | charged 2000: the amount is the charge
        {"001CAE04F681EB4000001F40", "2026年12月01日", "07時45分", 3930, 2000},
        // every field at its largest: paid wins over charged
        {"00FFFFFFFFFFFFFFFFFFFFFF", "2036年15月31日", "31時63分", 262143, 262143},
        {"000000000000000000000000", "2005年00月00日", "00時00分", 0, 0},
    };
    test::LoadedCard<CWaon> card;
    for (const auto& c : cases) {
        card.SetHistory(0, waonRow(c.odd12, "1234"));
        EXPECT_EQ(card.GetDate(0), u8(c.date)) << c.odd12;
        EXPECT_EQ(card.GetTime(0), u8(c.time)) << c.odd12;
        EXPECT_EQ(card.GetBalance(0), c.balance) << c.odd12;
        EXPECT_EQ(card.GetCharge(0), c.charge) << c.odd12;
        EXPECT_EQ(card.GetSerial(0), 0x1234) << c.odd12;
    }
}

TEST(CWaon, RowsAreTheRecordsNewestRecordNumberFirst) {
    // Pairs 0, 1, 2 hold records 7, none and 9: two rows, 9 then 7.
    felica::CardImage image = test::makeCard("0105000000000001", "FE00");
    const std::string terminal = "5445524D494E414C3030303031";  // "TERMINAL00001"
    image.systems[0].services.push_back(test::makeService(
        0x680B, {terminal + "000700", "0004ADEE6180F14028000000" "00000000",
                 // a record number 0 is no record, whatever the odd block holds
                 terminal + "000000", "000CADD12F01914000002EE0" "00000000",
                 terminal + "000900", "001CAE04F681EB4000001F40" "00000000"}));
    image.systems[0].services.push_back(test::makeService(0x684F, {"69001234567890120000000000000000"}));
    test::TransportOverride override(std::make_shared<test::ScriptedTransport>(image));
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    test::LibrarySession session("image:test");
    CWaon card;
    ASSERT_TRUE(card.DetectCard());
    ASSERT_TRUE(card.ReadHistory());
    ASSERT_TRUE(card.ReadCardInfo());
    EXPECT_EQ(card.GetCardNumber(), "6900123456789012");
    expectRows(card, {{"購入時オートチャージ", "2026年12月01日", "07時45分", 2000, 3930},
                      {"支払", "2026年11月27日", "19時03分", 1280, 1930}});
    EXPECT_EQ(card.GetSerial(0), 9);
    EXPECT_EQ(card.GetSerial(1), 7);
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST(EMoneySampleCards, NanacoIsDetectedAndReadWithoutItsEmptyBlock) {
    test::LibrarySession session(sample("nanaco-sample.json"));
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    EXPECT_EQ(autoDetect(), CNanaco::kCardType);
    EXPECT_FALSE(CWaon().DetectCard());
    CNanaco card;
    ASSERT_TRUE(card.ReadHistory());
    ASSERT_TRUE(card.ReadCardInfo());
    EXPECT_EQ(card.GetCardNumber(), "7100123456789012");
    expectRows(card, {{"支払", "2026年11月28日", "18時42分", 648, 1352},
                      {"ポイント交換チャージ", "2026年11月25日", "12時00分", 500, 2000},
                      {"支払", "2026年11月02日", "08時05分", 1180, 1500},
                      {"チャージ", "2026年10月30日", "10時15分", 2680, 2680}});
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST(EMoneySampleCards, WaonIsDetectedAndReadInRecordOrder) {
    test::LibrarySession session(sample("waon-sample.json"));
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    EXPECT_EQ(autoDetect(), CWaon::kCardType);
    EXPECT_FALSE(CNanaco().DetectCard());
    CWaon card;
    ASSERT_TRUE(card.ReadHistory());
    ASSERT_TRUE(card.ReadCardInfo());
    EXPECT_EQ(card.GetCardNumber(), "6900123456789012");
    expectRows(card, {{"購入時オートチャージ", "2026年12月01日", "07時45分", 2000, 3930},
                      {"支払", "2026年11月27日", "19時03分", 1280, 1930},
                      {"チャージ", "2026年11月20日", "09時30分", 3000, 3210}});
    EXPECT_TRUE(messages.messages.isEmpty());
}
