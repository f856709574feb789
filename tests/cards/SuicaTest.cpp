#include "CIruCa.h"
#include "CSuica.h"
#include "CardTypes.h"
#include "StationDatabasePaths.h"
#include "StringTable.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class SuicaUnderTest : public CSuica {
public:
    void SetBlock(int row, const std::string& hex) {
        const felica::Block b = test::blockFromHex(hex);
        std::memcpy(m_pHistory + 16 * row, b.data(), 16);
    }
    void SetLog(int row, const std::string& hex) {
        const felica::Block b = test::blockFromHex(hex);
        std::memcpy(m_pTicketBarrierLog + 16 * row, b.data(), 16);
    }
    void SetIssuerKind(int kind) { m_nIssuerKind = kind; }
    int IssuerKindField() const { return m_nIssuerKind; }
};

const std::vector<std::pair<QString, QString>> kNames = {
    {"StationCode", "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n"
                    "0,0x01,0x10,鉄道A,本線A,中央,\n"
                    "0,0x25,0x01,鉄道A,支線A,温泉,\n"
                    "0,0x7F,0x01,鉄道D,線D,端,\n"
                    "1,0x80,0x01,急行B,急行線B,一丁目,\n"
                    "1,0x85,0x02,急行B,急行線B,中町,\n"
                    "2,0x85,0x02,地下鉄C,一号線C,本町,\n"},
    {"BusCode", "BusLineCode,BusStationCode,BusCompanyName,BusLineName,BusStationName,BusNote\n"
                "258,772,バスB,循環線B,停留所X,\n"},
    {"ShopCode", "AreaCode,TerminalCode,LineCode,StationCode,CompanyName,ShopName,Cashier,Note\n"
                 "1,0xC7,0x05,0x01,店C,店舗C一,,\n"
                 "4,0xC7,0x05,0x01,店C,店舗C四,,\n"},
};

struct Fixture : ::testing::Test {
    test::IsolatedHome home;
    test::StationDatabase db{home, kNames};
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
};

using SuicaDecoding = Fixture;

}  // namespace

TEST_F(SuicaDecoding, ZeroBlockGivesTheEmptyRow) {
    SuicaUnderTest card;
    EXPECT_EQ(card.GetTerminal(0), "不明");
    EXPECT_EQ(card.GetTrade(0), "");
    EXPECT_EQ(card.GetTradeFlags(0), 0);
    EXPECT_EQ(card.GetDate(0), "00年00月00日");
    EXPECT_EQ(card.GetTime(0), "");
    EXPECT_EQ(card.GetTimeCode(0), 0);
    for (auto name : {card.GetDepartureCompany(0), card.GetDepartureStation(0), card.GetArrivalCompany(0),
                      card.GetArrivalStation(0), card.GetNote1(0), card.GetNote2(0)})
        EXPECT_EQ(name, "");
    EXPECT_EQ(card.GetBalance(0), 0);
    EXPECT_EQ(card.GetCharge(0), 0);
    EXPECT_EQ(card.GetSerial(0), 0);
    EXPECT_EQ(card.GetCardNumber(), "");
    EXPECT_EQ(card.GetPoint(0), 0);
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(SuicaDecoding, RailJourneyWithDateSerialAndNames) {
    SuicaUnderTest card;
    // 2026-11-28 is 0x357C: year 26 << 9 | month 11 << 5 | day 28.
    card.SetBlock(0, "16010000357C0110852216030102B400");
    card.SetBlock(1, "16010000357C0000000000040000A000");
    EXPECT_EQ(card.GetTerminal(0), "改札機");
    EXPECT_EQ(card.GetTrade(0), "支払");
    EXPECT_EQ(card.GetTradeFlags(0), 3);
    EXPECT_EQ(card.GetDateCode(0), 0x357C);
    EXPECT_EQ(card.GetDate(0), "26年11月28日");
    EXPECT_EQ(card.GetDepartureLineCode(0), 0x01);
    EXPECT_EQ(card.GetDepartureStationCode(0), 0x10);
    EXPECT_EQ(card.GetDepartureCompany(0), "鉄道A");
    EXPECT_EQ(card.GetDepartureLine(0), "本線A");
    EXPECT_EQ(card.GetDepartureStation(0), "中央");
    EXPECT_EQ(card.GetArrivalLineCode(0), 0x85);
    EXPECT_EQ(card.GetArrivalStationCode(0), 0x22);
    EXPECT_EQ(card.GetArrivalStation(0), "未登録");  // codes present, no row
    EXPECT_EQ(card.GetBalance(0), 0x0316);
    EXPECT_EQ(card.GetSerial(0), 0x0102B4);
    EXPECT_EQ(card.GetCharge(0), 0x0400 - 0x0316);
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(SuicaDecoding, ChargeByViewWithoutArrivalCodes) {
    SuicaUnderTest card;
    card.SetBlock(0, "46020200357601100000B80B0000AB00");  // balance 3000
    card.SetBlock(1, "16010000357600000000E8030000AA00");  // balance 1000
    EXPECT_EQ(card.GetTrade(0), "VIEW");
    EXPECT_EQ(card.GetTradeFlags(0), 1);
    EXPECT_EQ(card.GetNote1(0), "ｸﾚｼﾞｯﾄ");
    EXPECT_EQ(card.GetTerminal(0), "VIEW ALTTE");
    EXPECT_EQ(card.GetDepartureStation(0), "中央");
    EXPECT_EQ(card.GetArrivalCompany(0), "");
    EXPECT_EQ(card.GetArrivalStation(0), "");
    EXPECT_EQ(card.GetCharge(0), 2000);
    // A cash charge is "入金"; with arrival codes its flags are 3.
    card.SetBlock(0, "08020000357601100130B80B0000AB00");
    EXPECT_EQ(card.GetTrade(0), "入金");
    EXPECT_EQ(card.GetTradeFlags(0), 3);
    EXPECT_EQ(card.GetNote1(0), "");
    card.SetBlock(0, "08023F00357601100000B80B0000AB00");
    EXPECT_EQ(card.GetNote1(0), "ｸﾚｼﾞｯﾄ");
}

TEST_F(SuicaDecoding, BusRowLooksUpTheBusStop) {
    SuicaUnderTest card;
    card.SetBlock(0, "050D001D357A01020304B40500000000");
    EXPECT_EQ(card.GetTrade(0), "バス");
    EXPECT_EQ(card.GetTradeFlags(0), 0x41);
    // Bus line 0x0102 = 258, stop 0x0304 = 772.
    EXPECT_EQ(card.GetDepartureCompany(0), "バスB");
    EXPECT_EQ(card.GetDepartureLine(0), "循環線B");
    EXPECT_EQ(card.GetDepartureStation(0), "停留所X");
    EXPECT_EQ(card.GetArrivalCompany(0), "");
    EXPECT_EQ(card.GetArrivalStation(0), "");
    EXPECT_EQ(card.GetNote1(0), "継割");
}

TEST_F(SuicaDecoding, ShopRowHasATimeAndAShopName) {
    SuicaUnderTest card;
    card.SetBlock(0, "C7460000357B8A400501A80200000000");
    EXPECT_EQ(card.GetTrade(0), "物販");
    EXPECT_EQ(card.GetTradeFlags(0), 0x82);
    EXPECT_EQ(card.GetTime(0), "17時18分");
    EXPECT_EQ(card.GetTimeCode(0), 0x8A40);
    EXPECT_EQ(card.GetDepartureLineCode(0), 0);
    EXPECT_EQ(card.GetDepartureStationCode(0), 0);
    EXPECT_EQ(card.GetDepartureStation(0), "");
    // The shop key's area is the issuer kind itself.
    EXPECT_EQ(card.GetArrivalCompany(0), "店C");
    EXPECT_EQ(card.GetArrivalStation(0), "店舗C一");
    EXPECT_EQ(card.GetArrivalLine(0), "");
    card.SetIssuerKind(4);
    EXPECT_EQ(card.GetArrivalStation(0), "店舗C四");
    card.SetIssuerKind(2);
    EXPECT_EQ(card.GetArrivalStation(0), "未登録");
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(SuicaDecoding, PrivateLinesAreLookedUpInTheIssuersArea) {
    SuicaUnderTest card;
    card.SetBlock(0, "16010000357C85020000000000000000");
    const std::vector<std::pair<int, QString>> kinds = {
        {0, "中町"}, {1, "中町"}, {2, "本町"}, {3, "本町"}, {4, "中町"}, {5, "本町"}, {6, "中町"}};
    for (const auto& [kind, name] : kinds) {
        card.SetIssuerKind(kind);
        EXPECT_EQ(card.GetDepartureStation(0), name) << kind;
    }
    // Lines below 0x80 are always area 0; 0x80 is the first private line.
    card.SetIssuerKind(2);
    card.SetBlock(0, "16010000357C25010000000000000000");
    EXPECT_EQ(card.GetDepartureStation(0), "温泉");
    card.SetBlock(0, "16010000357C7F010000000000000000");
    EXPECT_EQ(card.GetDepartureStation(0), "端");
    card.SetIssuerKind(1);
    card.SetBlock(0, "16010000357C80010000000000000000");
    EXPECT_EQ(card.GetDepartureStation(0), "一丁目");
}

TEST_F(SuicaDecoding, ChargeFollowsTheTradeAndIsZeroOnTheLastRow) {
    SuicaUnderTest card;
    auto row = [&](int r, const char* trade, int balance) {
        char hex[48];
        std::snprintf(hex, sizeof hex, "16%s0000357C00000000%02X%02X00000000", trade, balance & 0xFF, balance >> 8);
        card.SetBlock(r, hex);
    };
    row(0, "01", 790);
    row(1, "02", 1000);
    row(2, "14", 0);
    row(3, "49", 500);
    row(4, "4A", 300);
    row(19, "01", 5000);
    EXPECT_EQ(card.GetCharge(0), 210);    // spent
    EXPECT_EQ(card.GetCharge(1), 1000);   // added
    EXPECT_EQ(card.GetCharge(2), -500);   // "added" but the balance fell
    EXPECT_EQ(card.GetCharge(3), 200);    // added at a shop
    EXPECT_EQ(card.GetCharge(4), -300);   // a cancelled sale gives money back
    EXPECT_EQ(card.GetCharge(19), 0);     // the last row has no older neighbour
}

TEST_F(SuicaDecoding, NotesFollowTradeAndKind) {
    SuicaUnderTest card;
    struct Case {
        const char* trade;
        const char* payment;
        const char* kind;
        QString note;
    };
    const std::vector<Case> cases = {
        {"01", "00", "03", "入定"}, {"01", "00", "06", "入定"}, {"05", "00", "04", "出定"},
        {"05", "00", "07", "出定"}, {"01", "00", "17", "継割"}, {"01", "00", "1D", ""},
        {"85", "00", "00", "*"},    {"85", "00", "06", "*入定"}, {"85", "00", "17", "*継割"},
        {"85", "00", "04", "*"},    {"02", "3F", "00", "ｸﾚｼﾞｯﾄ"}, {"02", "01", "00", ""},
        {"0D", "00", "1D", "継割"}, {"0F", "00", "1D", "継割"}, {"0F", "00", "17", ""},
        {"13", "00", "00", "特急"}, {"14", "00", "00", "ｵｰﾄﾁｬｰｼﾞ"}, {"15", "00", "00", "ｵｰﾄﾁｬｰｼﾞ"},
        {"23", "00", "00", "企画券"}, {"49", "00", "00", "ﾚｼﾞ"}, {"4A", "00", "00", "物販取消"},
        {"C6", "00", "00", "現金併用"}, {"CB", "00", "00", "現金併用"}, {"03", "00", "03", ""},
    };
    for (const Case& c : cases) {
        card.SetBlock(0, std::string("16") + c.trade + c.payment + c.kind + std::string(24, '0'));
        EXPECT_EQ(card.GetNote1(0), c.note) << c.trade << " " << c.kind;
    }
}

TEST_F(SuicaDecoding, TerminalTradeAndGateTables) {
    SuicaUnderTest card;
    const std::vector<std::pair<int, QString>> terminals = {
        {0x03, "精算機"}, {0x04, "携帯型端末"}, {0x05, "車載端末"}, {0x07, "券売機"}, {0x08, "券売機"},
        {0x12, "券売機"}, {0x09, "入金機"}, {0x15, "定期券発売機"}, {0x16, "改札機"}, {0x17, "簡易改札機"},
        {0x18, "窓口端末"}, {0x19, "窓口端末"}, {0x1A, "改札端末"}, {0x1B, "携帯電話"}, {0x1C, "乗継精算機"},
        {0x1D, "連絡改札機"}, {0x1F, "簡易入金機"}, {0x46, "VIEW ALTTE"}, {0x48, "VIEW ALTTE"},
        {0xC7, "物販端末"}, {0xC8, "自販機等"}, {0x00, "不明"}, {0x06, "不明"}, {0xFF, "不明"}};
    for (const auto& [code, text] : terminals) {
        char hex[48];
        std::snprintf(hex, sizeof hex, "%02X%030d", code, 0);
        card.SetBlock(0, hex);
        EXPECT_EQ(card.GetTerminal(0), text) << code;
        EXPECT_EQ(card.GetTerminalCode(0), code);
    }
    // Trade texts and flags, arrival codes zero unless the case sets them.
    struct Trade {
        int code;
        QString text;
        int flags;
    };
    const std::vector<Trade> trades = {
        {0x00, "", 0}, {0x01, "支払", 3}, {0x13, "支払", 3}, {0x03, "券購", 1}, {0x04, "精算", 3},
        {0x05, "精算", 3}, {0x84, "精算", 3}, {0x85, "精算", 3}, {0x06, "窓出", 3}, {0x07, "新規", 1},
        {0x08, "控除", 3}, {0x0D, "バス", 0x41}, {0x0F, "バス", 0x41}, {0x11, "再発", 1}, {0x14, "入A", 1},
        {0x15, "出A", 3}, {0x23, "券購", 0x41}, {0x46, "物販", 0x82}, {0x4A, "物販", 0x82}, {0x48, "特典", 1},
        {0x49, "入金", 0x82}, {0x4B, "入物", 0x82}, {0xCB, "入物", 0x82}, {0xC6, "物現", 0x82},
        {0x02, "入金", 1}, {0x99, "不明", 3}};
    for (const Trade& t : trades) {
        char hex[48];
        std::snprintf(hex, sizeof hex, "16%02X%028d", t.code, 0);
        card.SetBlock(0, hex);
        EXPECT_EQ(card.GetTrade(0), t.text) << t.code;
        EXPECT_EQ(card.GetTradeFlags(0), t.flags) << t.code;
        EXPECT_EQ(card.GetTradeCode(0), t.code);
    }
    card.SetBlock(0, "16030000357C0000000100000000");  // arrival station only
    EXPECT_EQ(card.GetTradeFlags(0), 3);
    const std::vector<std::pair<int, QString>> gates = {
        {0x00, "精算"}, {0x01, "定精"}, {0x20, "出場"}, {0x21, "窓出"}, {0x22, "乗継"}, {0x40, "出定"},
        {0xC1, "出定"}, {0xA0, "入場"}, {0xC0, "入定"}, {0x02, "不明"}};
    for (const auto& [code, text] : gates) {
        char hex[48];
        std::snprintf(hex, sizeof hex, "%02X%030d", code, 0);
        card.SetLog(1, hex);
        EXPECT_EQ(card.GetTicketBarrierLogType(1), text) << code;
    }
}

TEST_F(SuicaDecoding, GateLogRows) {
    SuicaUnderTest card;
    card.SetLog(0, "A0000110000035670745D2000100852A");
    EXPECT_EQ(card.GetTicketBarrierLogType(0), "入場");
    // 0x3567: year 26, month 11, day 7; the hour and minute are BCD.
    EXPECT_EQ(card.GetTicketBarrierLogDateTime(0), "26年11月07日07時45分");
    EXPECT_EQ(card.GetTicketBarrierLogStation(0), "中央");
    EXPECT_EQ(card.GetTicketBarrierLogValue1(0), 210);
    EXPECT_EQ(card.GetTicketBarrierLogValue2(0), 1);
    EXPECT_EQ(card.GetTicketBarrierLogNearStation(0), "未登録");
    card.SetLog(1, "20000000000035670745000000000000");
    EXPECT_EQ(card.GetTicketBarrierLogStation(1), "");
    EXPECT_EQ(card.GetTicketBarrierLogNearStation(1), "");
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(SuicaDecoding, FailingQueryShowsItsMessageOncePerGetterCall) {
    db.dropTable("BusCode");
    db.dropTable("StationCode");
    SuicaUnderTest card;
    ASSERT_TRUE(messages.messages.isEmpty());  // the database itself opens
    card.SetBlock(0, "050D001D357A01020304B40500000000");
    EXPECT_EQ(card.GetDepartureCompany(0), "未登録");
    EXPECT_EQ(card.GetDepartureCompany(0), "未登録");
    EXPECT_EQ(card.GetDepartureStation(0), "未登録");
    card.SetBlock(0, "16010000357C01100110000000000000");
    EXPECT_EQ(card.GetArrivalStation(0), "未登録");
    EXPECT_EQ(card.GetArrivalLine(0), "未登録");
    card.SetLog(0, "A0000110000035670745D2000100852A");
    EXPECT_EQ(card.GetTicketBarrierLogStation(0), "未登録");
    EXPECT_EQ(messages.messages,
              QStringList({"入場会社名取得(バス)でエラーが発生しました。\n(GetDepartureCompany:80050001)",
                           "入場会社名取得(バス)でエラーが発生しました。\n(GetDepartureCompany:80050001)",
                           "入場駅名取得(バス)でエラーが発生しました。\n(GetDepartureStation:80050001)",
                           "駅名取得でエラーが発生しました。\n(GetArrivalStation:80050001)",
                           "出場路線名取得でエラーが発生しました。\n(GetArrivalLine:80050001)",
                           "改札ログ駅名検索でエラーが発生しました。\n(GetTicketBarrierLogStation:80050001)"}));
}

TEST(SuicaWithoutDatabase, ShowsMessage129PerLookupObjectAndStillDecodes) {
    test::IsolatedHome home;
    SetStationCodeDatabasePath(home.file("none/StationCode.db"));
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    {
        SuicaUnderTest card;
        EXPECT_EQ(messages.messages, QStringList({LoadString(129), LoadString(129), LoadString(129)}));
        messages.messages.clear();
        card.SetBlock(0, "C7460000357B8A400501A80200000000");
        EXPECT_EQ(card.GetTime(0), "17時18分");
        EXPECT_EQ(card.GetArrivalCompany(0), "未登録");
        EXPECT_EQ(messages.messages, QStringList({"物販会社名取得でエラーが発生しました。\n(GetArrivalCompany:80004005)"}));
    }
    SetStationCodeDatabasePath(QString());
}

TEST(IruCa, IsASuicaCardOnItsOwnSystem) {
    CIruCa card;
    EXPECT_EQ(card.GetSystemCode(), 0xDE80);
    EXPECT_EQ(card.GetHistoryServiceCode(), 0x090F);
    EXPECT_EQ(card.GetHistoryCount(), 20);
    EXPECT_EQ(card.GetTicketBarrierLogServiceCode(), 0x108F);
    EXPECT_EQ(card.GetIssuerKind(), 0);  // no probe service answered yet
    CSuica suica;
    EXPECT_EQ(suica.GetSystemCode(), 0x0300);
    ASSERT_NE(FindCardType(2), nullptr);
    EXPECT_EQ(FindCardType(2)->issuerKind, 5);
}
