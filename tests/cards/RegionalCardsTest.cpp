// Decoding of the cards whose places are named in a code table of their own
// (ICa, nice pass!, CI-CA, passca), block by block, against a test database.
#include "CCICA.h"
#include "CICa.h"
#include "CNicePass.h"
#include "CPASSCA.h"
#include "LoadedCard.h"
#include "StationDatabasePaths.h"
#include "StringTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::vector<std::pair<QString, QString>> kNames = {
    {"ICaCode", "ICaLineCode,ICaStationCode,ICaCompanyName,ICaLineName,ICaStationName,ICaNote\n"
                "0x0011,0x01,鉄道I,本線I,駅I一,\n"
                "0x0011,0x03,鉄道I,本線I,駅I三,\n"
                "0,0x07,バスI,共通I,乗場I,\n"},
    {"NICECode", "NICELineCode,NICEStationCode,NICECompanyName,NICELineName,NICEStationName,NICENote\n"
                 "0,0x12345,電鉄N,線N,駅N入,\n"
                 "0,0xABCDE,バスN,系統N,駅N出,\n"
                 "0,0x00A0B,電鉄N,線N,駅N短,\n"},
    {"CICACode", "CICALineCode,CICAStationCode,CICACompanyName,CICALineName,CICAStationName,CICANote\n"
                 "0,0x0101,交通C,線C,駅C一,\n"
                 "0,0x0205,交通C,線C,駅C二,\n"},
    {"PASSCACode", "PASSCALineCode,PASSCAStationCode,PASSCACompanyName,PASSCALineName,PASSCAStationName,PASSCANote\n"
                   "0,0x0101,軌道P,線P,駅P一,\n"
                   "0,0x0205,軌道P,線P,駅P二,\n"},
};

struct Fixture : ::testing::Test {
    test::IsolatedHome home;
    test::StationDatabase db{home, kNames};
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
};

using ICa = Fixture;
using NicePass = Fixture;
using ProcessCodeCards = Fixture;
using RegionalCards = Fixture;

// A CI-CA/passca block: stations in bytes 5-6 and 7-8, the process code in
// byte 9, A5 in every byte the cards do not decode.
std::string processBlock(const std::string& entry, const std::string& exit, const std::string& process,
                         const std::string& amount = "0000", const std::string& balance = "0000") {
    return "357C" "A5A5A5" + entry + exit + process + amount + "A5A5" + balance;
}

void expectSides(CSFCard& card, int row, const char* departure, const char* arrival) {
    EXPECT_EQ(card.GetDepartureStation(row), QString::fromUtf8(departure)) << row;
    EXPECT_EQ(card.GetArrivalStation(row), QString::fromUtf8(arrival)) << row;
}

}  // namespace

TEST_F(ICa, DecodesDateLineStationsAndBalance) {
    test::LoadedCard<CICa> card;
    // 0x0D2F = 0000110 1001 01111: year 6, month 9, day 15.
    card.SetHistory(0, "0D2F" "A5A5A5A5" "0011" "01" "03" "A5A5A5" "04B0" "A5");
    card.SetHistory(1, "0D2E" "A5A5A5A5" "0011" "03" "01" "A5A5A5" "05DC" "A5");  // 1500
    card.SetHistory(2, "0D2E" "A5A5A5A5" "0000" "00" "00" "A5A5A5" "01F4" "A5");  // 500
    EXPECT_EQ(card.GetDateCode(0), 0x0D2F);
    EXPECT_EQ(card.GetDate(0), "06年09月15日");
    EXPECT_EQ(card.GetDepartureLineCode(0), 0x11);
    EXPECT_EQ(card.GetArrivalLineCode(0), 0x11);
    EXPECT_EQ(card.GetDepartureStationCode(0), 1);
    EXPECT_EQ(card.GetArrivalStationCode(0), 3);
    EXPECT_EQ(card.GetDepartureCompany(0), "鉄道I");
    EXPECT_EQ(card.GetDepartureLine(0), "本線I");
    EXPECT_EQ(card.GetDepartureStation(0), "駅I一");
    EXPECT_EQ(card.GetArrivalCompany(0), "鉄道I");
    EXPECT_EQ(card.GetArrivalLine(0), "本線I");
    EXPECT_EQ(card.GetArrivalStation(0), "駅I三");
    EXPECT_EQ(card.GetBalance(0), 1200);
    // A payment of 300, then a top-up of 1000 from 500.
    EXPECT_EQ(card.GetCharge(0), 300);
    EXPECT_EQ(card.GetCharge(1), -1000);
    // No trade, time, serial or points on this card.
    EXPECT_EQ(card.GetTrade(0), "");
    EXPECT_EQ(card.GetTradeFlags(0), 0);
    EXPECT_EQ(card.GetTradeCode(0), 0);
    EXPECT_EQ(card.GetSerial(0), 0);
    EXPECT_EQ(card.GetTime(0), "");
    EXPECT_EQ(card.GetNote1(0), "");
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(ICa, EmptyOnlyWhenLineAndStationAreBothZero) {
    test::LoadedCard<CICa> card;
    card.SetHistory(0, "0D2F" "A5A5A5A5" "0000" "00" "00" "A5A5A5" "04B0" "A5");
    EXPECT_EQ(card.GetDepartureCompany(0), "");
    EXPECT_EQ(card.GetDepartureStation(0), "");
    EXPECT_EQ(card.GetArrivalCompany(0), "");
    EXPECT_EQ(card.GetArrivalStation(0), "");
    EXPECT_EQ(card.GetDepartureLineCode(0), 0);
    EXPECT_EQ(card.GetDepartureStationCode(0), 0);
    // Line 0 with a station is looked up with line 0; a line with station 0
    // is looked up too and found nowhere.
    card.SetHistory(0, "0D2F" "A5A5A5A5" "0000" "07" "00" "A5A5A5" "04B0" "A5");
    EXPECT_EQ(card.GetDepartureCompany(0), "バスI");
    EXPECT_EQ(card.GetDepartureStation(0), "乗場I");
    EXPECT_EQ(card.GetArrivalStation(0), "");
    card.SetHistory(0, "0D2F" "A5A5A5A5" "0011" "00" "02" "A5A5A5" "04B0" "A5");
    EXPECT_EQ(card.GetDepartureStation(0), "未登録");
    EXPECT_EQ(card.GetArrivalStation(0), "未登録");
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(NicePass, TwentyBitStationCodes) {
    test::LoadedCard<CNicePass> card;
    // Entry 0x12 0x34 and the high nibble 5: 0x12345 = 74565. Exit: the low
    // nibble A, then 0xBC 0xDE: 0xABCDE = 703710.
    card.SetHistory(0, "0D2F" "A5A5A5" "12345ABCDE" "A5A5A5" "0FA0" "A5");
    EXPECT_EQ(card.GetDepartureStationCode(0), 74565);
    EXPECT_EQ(card.GetArrivalStationCode(0), 703710);
    EXPECT_EQ(card.GetDepartureLineCode(0), 0);
    EXPECT_EQ(card.GetArrivalLineCode(0), 0);
    EXPECT_EQ(card.GetDepartureCompany(0), "電鉄N");
    EXPECT_EQ(card.GetDepartureLine(0), "線N");
    EXPECT_EQ(card.GetDepartureStation(0), "駅N入");
    EXPECT_EQ(card.GetArrivalCompany(0), "バスN");
    EXPECT_EQ(card.GetArrivalStation(0), "駅N出");
    EXPECT_EQ(card.GetDate(0), "06年09月15日");
    EXPECT_EQ(card.GetBalance(0), 4000);
    // The next older row is still zero-filled: a top-up from 0.
    EXPECT_EQ(card.GetCharge(0), -4000);
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(NicePass, ZeroEntryLeavesTheEntryEmptyButTheExitIsStillNamed) {
    test::LoadedCard<CNicePass> card;
    // Bytes 5, 6 and the high nibble of 7 are zero; the exit is 0x00A0B.
    card.SetHistory(0, "0D2F" "A5A5A5" "0000000A0B" "A5A5A5" "0FA0" "A5");
    EXPECT_EQ(card.GetDepartureStationCode(0), 0);
    EXPECT_EQ(card.GetDepartureCompany(0), "");
    EXPECT_EQ(card.GetDepartureStation(0), "");
    EXPECT_EQ(card.GetArrivalStationCode(0), 0xA0B);
    EXPECT_EQ(card.GetArrivalStation(0), "駅N短");
    // Only the low nibble of byte 7 belongs to the exit.
    card.SetHistory(0, "0D2F" "A5A5A5" "0000F00A0B" "A5A5A5" "0FA0" "A5");
    EXPECT_EQ(card.GetDepartureStationCode(0), 0xF);
    EXPECT_EQ(card.GetArrivalStationCode(0), 0xA0B);
    EXPECT_EQ(card.GetDepartureStation(0), "未登録");
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(RegionalCards, ChargeOfTheLastRowIsZeroAndRowsOutsideTheCardAreEmpty) {
    test::LoadedCard<CICa> ica;
    test::LoadedCard<CNicePass> nice;
    for (CSFCard* card : std::initializer_list<CSFCard*>{&ica, &nice})
        ASSERT_EQ(card->GetHistoryCount(), 20);
    ica.SetHistory(18, "0D2F" "A5A5A5A5" "0011" "01" "03" "A5A5A5" "0064" "A5");  // 100
    ica.SetHistory(19, "0D2F" "A5A5A5A5" "0011" "03" "01" "A5A5A5" "00C8" "A5");  // 200
    nice.SetHistory(18, "0D2F" "A5A5A5" "12345ABCDE" "A5A5A5" "0064" "A5");
    nice.SetHistory(19, "0D2F" "A5A5A5" "12345ABCDE" "A5A5A5" "00C8" "A5");
    for (CSFCard* card : std::initializer_list<CSFCard*>{&ica, &nice}) {
        EXPECT_EQ(card->GetCharge(18), 100);
        EXPECT_EQ(card->GetBalance(19), 200);
        EXPECT_EQ(card->GetCharge(19), 0);
        for (int row : {-1, 20, 999}) {
            EXPECT_EQ(card->GetBalance(row), 0) << row;
            EXPECT_EQ(card->GetCharge(row), 0) << row;
            EXPECT_EQ(card->GetDepartureStation(row), "") << row;
            EXPECT_EQ(card->GetDate(row), "00年00月00日") << row;
        }
    }
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(ProcessCodeCards, ProcessTableOfBothCards) {
    const struct {
        int code;
        const char* text;
        int cicaFlags, passcaFlags;
    } table[] = {
        {0x00, "", 0, 0},       {0x52, "支払", 1, 2}, {0x53, "支払", 3, 3}, {0x57, "控除", 3, 3},
        {0x58, "控除", 3, 3},   {0x59, "積増", 3, 3}, {0x5C, "乗継", 1, 2}, {0x5D, "乗継", 3, 3},
        {0x79, "積増", 0, 0},   {0x7A, "新規", 0, 0}, {0x7B, "積増", 0, 0}, {0x01, "不明", 3, 3},
        {0x51, "不明", 3, 3},   {0x54, "不明", 3, 3}, {0x5A, "不明", 3, 3}, {0x60, "不明", 3, 3},
        {0x78, "不明", 3, 3},   {0x7C, "不明", 3, 3}, {0xD3, "不明", 3, 3}, {0xFF, "不明", 3, 3},
    };
    test::LoadedCard<CCICA> cica;
    test::LoadedCard<CPASSCA> passca;
    for (const auto& t : table) {
        const std::string block = processBlock("0101", "0205", QString::asprintf("%02X", t.code).toStdString());
        cica.SetHistory(3, block);
        passca.SetHistory(3, block);
        EXPECT_EQ(cica.GetTradeCode(3), t.code);
        EXPECT_EQ(cica.GetTrade(3), QString::fromUtf8(t.text)) << t.code;
        EXPECT_EQ(cica.GetTradeFlags(3), t.cicaFlags) << t.code;
        EXPECT_EQ(passca.GetTrade(3), QString::fromUtf8(t.text)) << t.code;
        EXPECT_EQ(passca.GetTradeFlags(3), t.passcaFlags) << t.code;
    }
}

TEST_F(ProcessCodeCards, TheTradeDecidesWhichSideIsNamed) {
    test::LoadedCard<CCICA> cica;
    test::LoadedCard<CPASSCA> passca;
    for (const char* process : {"52", "5C"}) {
        cica.SetHistory(0, processBlock("0101", "0205", process));
        passca.SetHistory(0, processBlock("0101", "0205", process));
        expectSides(cica, 0, "駅C一", "");
        EXPECT_EQ(cica.GetDepartureCompany(0), "交通C");
        EXPECT_EQ(cica.GetArrivalCompany(0), "");
        expectSides(passca, 0, "", "駅P二");
        EXPECT_EQ(passca.GetDepartureCompany(0), "");
        EXPECT_EQ(passca.GetArrivalCompany(0), "軌道P");
        EXPECT_EQ(passca.GetArrivalLine(0), "線P");
        // The codes themselves are shown whatever the trade.
        EXPECT_EQ(cica.GetArrivalStationCode(0), 0x0205);
        EXPECT_EQ(passca.GetDepartureStationCode(0), 0x0101);
    }
    // An unlisted code names both sides; 0x7A names neither.
    cica.SetHistory(0, processBlock("0101", "0205", "60"));
    expectSides(cica, 0, "駅C一", "駅C二");
    for (const char* process : {"7A", "79", "7B", "00"}) {
        cica.SetHistory(0, processBlock("0101", "0205", process));
        passca.SetHistory(0, processBlock("0101", "0205", process));
        expectSides(cica, 0, "", "");
        expectSides(passca, 0, "", "");
    }
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(ProcessCodeCards, StationZeroIsUnregisteredWithoutAQuery) {
    db.dropTable("CICACode");
    test::LoadedCard<CCICA> cica;
    ASSERT_TRUE(messages.messages.isEmpty());
    cica.SetHistory(0, processBlock("0000", "0000", "53"));
    EXPECT_EQ(cica.GetDepartureCompany(0), "未登録");
    EXPECT_EQ(cica.GetDepartureStation(0), "未登録");
    EXPECT_EQ(cica.GetArrivalStation(0), "未登録");
    // No query ran, so the missing table went unnoticed.
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(ProcessCodeCards, AmountAndBalanceInTensOfYen) {
    test::LoadedCard<CCICA> cica;
    test::LoadedCard<CPASSCA> passca;
    // Amount 0x12C = 300 (the high nibble F of byte 10 is not part of it),
    // balance 0x01F4 = 500.
    cica.SetHistory(0, processBlock("0101", "0205", "53", "F12C", "01F4"));
    passca.SetHistory(0, processBlock("0101", "0205", "53", "F12C", "01F4"));
    cica.SetHistory(1, processBlock("0101", "0205", "59", "0FFF", "FFFF"));
    passca.SetHistory(1, processBlock("0101", "0205", "59", "0FFF", "FFFF"));
    for (CSFCard* card : std::initializer_list<CSFCard*>{&cica, &passca}) {
        EXPECT_EQ(card->GetCharge(0), 3000);
        EXPECT_EQ(card->GetBalance(0), 5000);
        // The largest amount and balance: 4095 and 65535 tens; a top-up is
        // not negative on these cards.
        EXPECT_EQ(card->GetCharge(1), 40950);
        EXPECT_EQ(card->GetBalance(1), 655350);
        EXPECT_EQ(card->GetDate(0), "26年11月28日");
        EXPECT_EQ(card->GetDateCode(0), 0x357C);
        EXPECT_EQ(card->GetDepartureLineCode(0), 0);
        EXPECT_EQ(card->GetArrivalLineCode(0), 0);
    }
}

TEST_F(RegionalCards, ZeroFilledBlocksGiveTheEmptyRow) {
    db.dropTable("ICaCode");
    db.dropTable("NICECode");
    db.dropTable("CICACode");
    db.dropTable("PASSCACode");
    test::LoadedCard<CICa> ica;
    test::LoadedCard<CNicePass> nice;
    test::LoadedCard<CCICA> cica;
    test::LoadedCard<CPASSCA> passca;
    for (CSFCard* card : std::initializer_list<CSFCard*>{&ica, &nice, &cica, &passca}) {
        ASSERT_EQ(card->GetHistoryCount(), 20);
        for (int row = 0; row < 20; ++row) {
            EXPECT_EQ(card->GetDate(row), "00年00月00日");
            EXPECT_EQ(card->GetDateCode(row), 0);
            EXPECT_EQ(card->GetBalance(row), 0);
            EXPECT_EQ(card->GetCharge(row), 0);
            EXPECT_EQ(card->GetTrade(row), "");
            EXPECT_EQ(card->GetTradeFlags(row), 0);
            for (const QString& name : {card->GetDepartureCompany(row), card->GetDepartureStation(row),
                                        card->GetArrivalCompany(row), card->GetArrivalStation(row)})
                EXPECT_EQ(name, "");
        }
    }
    // Empty keys ran no query: the missing tables showed nothing.
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(RegionalCards, FailingQueryShowsMessage130OncePerGetterCall) {
    db.dropTable("ICaCode");
    db.dropTable("NICECode");
    db.dropTable("CICACode");
    db.dropTable("PASSCACode");
    test::LoadedCard<CICa> ica;
    test::LoadedCard<CNicePass> nice;
    test::LoadedCard<CCICA> cica;
    test::LoadedCard<CPASSCA> passca;
    ASSERT_TRUE(messages.messages.isEmpty());  // the database itself opens
    ica.SetHistory(0, "0D2F" "A5A5A5A5" "0011" "01" "03" "A5A5A5" "04B0" "A5");
    nice.SetHistory(0, "0D2F" "A5A5A5" "12345ABCDE" "A5A5A5" "0FA0" "A5");
    cica.SetHistory(0, processBlock("0101", "0205", "52"));
    passca.SetHistory(0, processBlock("0101", "0205", "52"));
    const QString failed = LoadString(130);
    ASSERT_EQ(failed, "駅名検索でエラーが発生しました");
    EXPECT_EQ(ica.GetDepartureStation(0), "未登録");
    EXPECT_EQ(ica.GetDepartureStation(0), "未登録");
    EXPECT_EQ(ica.GetArrivalLine(0), "未登録");
    EXPECT_EQ(messages.messages, QStringList({failed, failed, failed}));
    messages.messages.clear();
    EXPECT_EQ(nice.GetDepartureCompany(0), "未登録");
    EXPECT_EQ(nice.GetArrivalStation(0), "未登録");
    EXPECT_EQ(messages.messages, QStringList({failed, failed}));
    messages.messages.clear();
    // One side of 0x52 is not named: only the other side asks the database.
    EXPECT_EQ(cica.GetDepartureStation(0), "未登録");
    EXPECT_EQ(cica.GetArrivalStation(0), "");
    EXPECT_EQ(passca.GetDepartureStation(0), "");
    EXPECT_EQ(passca.GetArrivalCompany(0), "未登録");
    EXPECT_EQ(messages.messages, QStringList({failed, failed}));
}

TEST(RegionalCardsWithoutDatabase, ShowMessage129OnceEachAndStillDecode) {
    test::IsolatedHome home;
    SetStationCodeDatabasePath(home.file("none/StationCode.db"));
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    {
        test::LoadedCard<CICa> ica;
        test::LoadedCard<CNicePass> nice;
        test::LoadedCard<CCICA> cica;
        test::LoadedCard<CPASSCA> passca;
        const QString cannotOpen = LoadString(129);
        EXPECT_EQ(messages.messages, QStringList({cannotOpen, cannotOpen, cannotOpen, cannotOpen}));
        messages.messages.clear();
        cica.SetHistory(0, processBlock("0101", "0205", "53", "F12C", "01F4"));
        EXPECT_EQ(cica.GetBalance(0), 5000);
        EXPECT_EQ(cica.GetTrade(0), "支払");
        EXPECT_EQ(cica.GetArrivalStation(0), "未登録");
        ica.SetHistory(0, "0D2F" "A5A5A5A5" "0011" "01" "03" "A5A5A5" "04B0" "A5");
        EXPECT_EQ(ica.GetDate(0), "06年09月15日");
        EXPECT_EQ(ica.GetDepartureCompany(0), "未登録");
        EXPECT_EQ(messages.messages, QStringList({LoadString(130), LoadString(130)}));
    }
    SetStationCodeDatabasePath(QString());
}
