// Reads the sample card images of data/cards/ through the virtual reader, as
// the Read command does, and checks every row against the transactions the
// images were written from (tools/make_sample_cards.py).
#include "CECard.h"
#include "CECardMobile.h"
#include "CEdy.h"
#include "CJalIC.h"
#include "CLuLuCa.h"
#include "CNagasaki.h"
#include "CRapiCa.h"
#include "CardTypes.h"
#include "StringTable.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

QString u8(const char* s) { return QString::fromUtf8(s); }

// A recording message sink and the library with one card image on the reader.
struct OnReader {
    explicit OnReader(const QString& reader) : sink(&messages), session(reader) {}
    RecordingMessageSink messages;
    ScopedMessageSink sink;
    test::LibrarySession session;
};

QString sample(const char* name) {
    return QStringLiteral("image:") + test::sourcePath(QStringLiteral("data/cards/") + name);
}

// Auto mode: the card type of the first class in detection order whose
// DetectCard answers yes, or 0.
int autoDetect() {
    for (const CardTypeInfo* type : AutoDetectionOrder())
        if (CreateCard(type->code)->DetectCard()) return type->code;
    return 0;
}

// Which of the three common-area classes take the card on the reader.
std::vector<int> commonAreaClassesDetecting() {
    std::vector<int> found;
    for (int code : {128, 129, 130})
        if (CreateCard(code)->DetectCard()) found.push_back(code);
    return found;
}

void readAll(CSFCard& card) {
    EXPECT_TRUE(card.ReadHistory());
    EXPECT_TRUE(card.ReadTicketBarrierLog());
    EXPECT_TRUE(card.ReadCardInfo());
}

struct BalanceRow {
    int balance;
    int charge;
    const char* date = nullptr;  // IC i-cards only
};

void expectBalanceRows(CSFCard& card, const std::vector<BalanceRow>& rows) {
    ASSERT_EQ(card.GetHistoryCount(), static_cast<int>(rows.size()));
    for (int r = 0; r < card.GetHistoryCount(); ++r) {
        EXPECT_EQ(card.GetBalance(r), rows[r].balance) << r;
        EXPECT_EQ(card.GetCharge(r), rows[r].charge) << r;
        EXPECT_EQ(card.GetDate(r), rows[r].date ? u8(rows[r].date) : QString()) << r;
    }
}

}  // namespace

TEST(SampleCards, RapiCa) {
    OnReader reader(sample("rapica-sample.json"));
    EXPECT_EQ(autoDetect(), 5);
    CRapiCa card;
    readAll(card);
    EXPECT_TRUE(reader.messages.messages.isEmpty());
    // The first block as stored, bytes 0-13 not decoded.
    const std::uint8_t first[16] = {0x35, 0x7C, 0x02, 0x17, 0x01, 0x30, 0, 0, 0, 0, 0, 0, 0, 0, 0x04, 0xB0};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(card.GetHistoryData(i), first[i]) << i;
    expectBalanceRows(card, {{1200, 300}, {1500, -1000}, {500, 190}, {690, 230}, {920, 160},
                             {1080, 300}, {1380, -1000}, {380, 190}, {570, 190}, {760, 240},
                             {1000, -1000}, {0, 160}, {160, 250}, {410, 190}, {600, 400}, {1000, 0}});
}

TEST(SampleCards, NagasakiSmartCard) {
    OnReader reader(sample("nagasaki-sample.json"));
    EXPECT_EQ(autoDetect(), 8);
    CNagasaki card;
    readAll(card);
    EXPECT_TRUE(reader.messages.messages.isEmpty());
    expectBalanceRows(card, {{2330, 230}, {2560, -2000}, {560, 440}, {1000, 150}, {1150, 0}});
}

TEST(SampleCards, LuLuCaOverSeveralReadFrames) {
    OnReader reader(sample("luluca-sample.json"));
    EXPECT_EQ(autoDetect(), 9);
    EXPECT_TRUE(commonAreaClassesDetecting().empty());
    CLuLuCa card;
    readAll(card);
    EXPECT_TRUE(reader.messages.messages.isEmpty());
    std::vector<BalanceRow> rows = {{3310, 170}, {3480, -2000}};
    for (int b = 1480; b <= 3010; b += 170) rows.push_back({b, 170});
    rows.push_back({3180, -3000});
    for (int b = 180; b <= 1030; b += 170) rows.push_back({b, 170});
    rows.push_back({1200, 0});
    expectBalanceRows(card, rows);
}

TEST(SampleCards, ICiCard) {
    OnReader reader(sample("ecard-sample.json"));
    EXPECT_EQ(autoDetect(), 10);
    CECard card;
    readAll(card);
    EXPECT_TRUE(reader.messages.messages.isEmpty());
    expectBalanceRows(card, {{1830, 170, "26年11月28日"}, {2000, -1000, "26年11月27日"},
                             {1000, 170, "26年11月27日"}, {1170, 330, "26年11月20日"},
                             {1500, 170, "26年11月19日"}, {1670, 170, "10年03月31日"},
                             {1840, 160, "09年12月24日"}, {2000, -1000, "09年10月05日"},
                             {1000, 160, "09年10月01日"}, {1160, 0, "09年09月30日"}});
    EXPECT_EQ(card.GetDateCode(6), 0x1398);  // 0001001 1100 11000
}

TEST(SampleCards, ICiCardMobile) {
    OnReader reader(sample("ecard-mobile-sample.json"));
    EXPECT_EQ(autoDetect(), 130);
    EXPECT_EQ(commonAreaClassesDetecting(), std::vector<int>{130});
    CECardMobile card;
    readAll(card);
    EXPECT_TRUE(reader.messages.messages.isEmpty());
    expectBalanceRows(card, {{2450, 170, "26年11月28日"}, {2620, 170, "26年11月27日"},
                             {2790, -2000, "26年11月26日"}, {790, 170, "26年11月26日"},
                             {960, 170, "26年11月25日"}, {1130, 170, "26年11月22日"},
                             {1300, 170, "26年11月21日"}, {1470, 170, "26年11月20日"},
                             {1640, 170, "26年11月18日"}, {1810, 0, "26年11月15日"}});
}

TEST(SampleCards, Edy) {
    OnReader reader(sample("edy-sample.json"));
    EXPECT_EQ(autoDetect(), 128);
    EXPECT_EQ(commonAreaClassesDetecting(), std::vector<int>{128});
    CEdy card;
    readAll(card);
    EXPECT_TRUE(reader.messages.messages.isEmpty());
    EXPECT_EQ(card.GetCardNumber(), "2016004212345678");
    const struct {
        const char* trade;
        int serial;
        const char* date;
        const char* time;
        int amount, balance;
    } rows[] = {
        {"支払", 1234, "2026年11月28日", "18時42分05秒", 648, 4352},
        {"ﾁｬｰｼﾞ", 1233, "2026年11月28日", "18時40分51秒", 3000, 5000},
        {"支払", 1232, "2026年11月27日", "24時12分34秒", 1180, 2000},
        {"ｷﾞﾌﾄ", 1231, "2026年11月25日", "12時00分00秒", 500, 3180},
        {"不明", 1230, "2026年11月24日", "07時15分30秒", 0, 2680},
        {"支払", 1229, "2026年11月23日", "23時59分59秒", 320, 2680},
    };
    ASSERT_EQ(card.GetHistoryCount(), 6);
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(card.GetTrade(r), u8(rows[r].trade)) << r;
        EXPECT_EQ(card.GetSerial(r), rows[r].serial) << r;
        EXPECT_EQ(card.GetDate(r), u8(rows[r].date)) << r;
        EXPECT_EQ(card.GetTime(r), u8(rows[r].time)) << r;
        EXPECT_EQ(card.GetCharge(r), rows[r].amount) << r;
        EXPECT_EQ(card.GetBalance(r), rows[r].balance) << r;
    }
}

TEST(SampleCards, JalIC) {
    OnReader reader(sample("jalic-sample.json"));
    EXPECT_EQ(autoDetect(), 129);
    EXPECT_EQ(commonAreaClassesDetecting(), std::vector<int>{129});
    CJalIC card;
    readAll(card);
    EXPECT_TRUE(reader.messages.messages.isEmpty());
    EXPECT_EQ(card.GetCardNumber(), "7 402115683  YAMADA/TARO     ");
    const struct {
        const char* trade;
        const char* date;
        const char* time;
        int amount, balance;
    } rows[] = {
        {"物販", "26年11月28日", "14時05分", 1280, 9020},
        {"入金", "26年11月20日", "09時30分", 10000, 10300},
        {"戻し", "26年11月02日", "21時47分", 300, 300},  // amount digits 0300F
    };
    ASSERT_EQ(card.GetHistoryCount(), 3);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(card.GetTrade(r), u8(rows[r].trade)) << r;
        EXPECT_EQ(card.GetDate(r), u8(rows[r].date)) << r;
        EXPECT_EQ(card.GetTime(r), u8(rows[r].time)) << r;
        EXPECT_EQ(card.GetCharge(r), rows[r].amount) << r;
        EXPECT_EQ(card.GetBalance(r), rows[r].balance) << r;
    }
}

TEST(SampleCards, CommonAreaWithoutAHistoryServiceIsNoneOfTheCommonAreaCards) {
    // Card-number services and keyed services, but none of 0x170F, 0x300F
    // and 0x450F.
    felica::CardImage image = test::makeCard("01031A2B331E4C5D", "FE00");
    auto& services = image.systems[0].services;
    services.push_back(test::makeService(0x110B, {std::string(32, '1'), std::string(32, '2')}));
    services.push_back(test::makeService(0x2F4B, {std::string(32, '3')}));
    for (std::uint16_t code : {0x1317, 0x1708, 0x3008, 0x4508, 0x1A88})
        services.push_back(test::makeKeyedService(code, 0x0001));
    test::IsolatedHome home;
    OnReader reader(test::writeImage(home, image));
    EXPECT_TRUE(commonAreaClassesDetecting().empty());
    EXPECT_EQ(autoDetect(), 0);
    EXPECT_TRUE(reader.messages.messages.isEmpty());

    // Neither are the common areas beside other cards.
    for (const char* name : {"suica-sample.json", "luluca-sample.json", "rapica-sample.json"}) {
        OnReader other(sample(name));
        EXPECT_TRUE(commonAreaClassesDetecting().empty()) << name;
    }
}

TEST(SampleCards, AFixedModeReadOfAnotherCardLeavesZeroFilledRows) {
    {
        // Edy mode on a JAL IC card: the poll succeeds, both reads fail.
        OnReader reader(sample("jalic-sample.json"));
        CEdy card;
        EXPECT_FALSE(card.ReadHistory());
        EXPECT_FALSE(card.ReadCardInfo());
        EXPECT_EQ(reader.messages.messages, QStringList({LoadString(1040), LoadString(1040)}));
        EXPECT_EQ(card.GetIDm(0), 0x01);
        EXPECT_EQ(card.GetIDm(5), 0x1E);
        EXPECT_EQ(card.GetCardNumber(), QString(16, '0'));
        for (int r = 0; r < 6; ++r) {
            EXPECT_EQ(card.GetTrade(r), u8("不明"));
            EXPECT_EQ(card.GetDate(r), u8("2000年01月01日"));
            EXPECT_EQ(card.GetTime(r), u8("00時00分00秒"));
            EXPECT_EQ(card.GetBalance(r), 0);
        }
    }
    {
        // JAL IC mode on an Edy card.
        OnReader reader(sample("edy-sample.json"));
        CJalIC card;
        EXPECT_FALSE(card.ReadHistory());
        EXPECT_FALSE(card.ReadCardInfo());
        EXPECT_EQ(card.GetCardNumber(), "0 000000000  " + QString(16, ' '));
        EXPECT_EQ(card.GetTime(2), u8("00時00分"));
        EXPECT_EQ(card.GetDate(2), u8("00年00月00日"));
    }
    {
        // IC i-card mode on a RapiCa card: no card of that system answers.
        OnReader reader(sample("rapica-sample.json"));
        CECard card;
        EXPECT_FALSE(card.DetectCard());
        EXPECT_FALSE(card.ReadHistory());
        EXPECT_EQ(reader.messages.messages, QStringList({LoadString(1101)}));
        for (int r = 0; r < 10; ++r) {
            EXPECT_EQ(card.GetDate(r), u8("00年00月00日"));
            EXPECT_EQ(card.GetBalance(r), 0);
            EXPECT_EQ(card.GetCharge(r), 0);
        }
    }
}
