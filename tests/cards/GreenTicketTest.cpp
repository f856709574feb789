// The Green car ticket: one read of service 0x184B through the virtual
// reader, the message line for every failure, and the decoding of block 0
// with its station lookups.
#include "GreenTicket.h"
#include "StationDatabasePaths.h"
#include "TestSupport.h"
#include "felica.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::pair<QString, QString>> kNames = {
    {"StationCode", "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n"
                    "0,0x01,0x02,鉄道G,本線G,駅G港,\n"
                    "0,0x01,0x40,鉄道G,本線G,駅G大学,\n"
                    "0,0x01,0x10,鉄道G,本線G,駅G中央,\n"
                    "1,0x01,0x10,鉄道H,本線H,駅H別地域,\n"},
};

struct GreenTicket : ::testing::Test {
    test::IsolatedHome home;
    test::StationDatabase db{home, kNames};
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};

    // A Suica card whose ticket service holds `block0` and 22 blank blocks.
    QString suicaWithTicket(const std::string& block0) {
        felica::CardImage card = test::makeCard("0101051200000001", "0003");
        std::vector<std::string> blocks{block0};
        blocks.resize(kGreenTicketBlocks, std::string(32, '0'));
        card.systems[0].services.push_back(test::makeService(0x090F, {std::string(32, '0')}));
        card.systems[0].services.push_back(test::makeService(kGreenTicketService, blocks));
        return test::writeImage(home, card);
    }

    static void expectResetExceptMessage(const GreenTicketTexts& t) {
        EXPECT_EQ(t.purchase, "");
        EXPECT_EQ(t.boardingStation, "");
        EXPECT_EQ(t.alightingStation, "");
        EXPECT_EQ(t.fare, "");
        EXPECT_EQ(t.seatLabel, "着　席：");
        EXPECT_EQ(t.trainCode, "");
        EXPECT_EQ(t.seatTime, "");
        EXPECT_EQ(t.seatStation, "");
    }
};

TEST_F(GreenTicket, ReadsTheTicketOfTheSampleCardTakenWhileSeated) {
    test::LibrarySession session(suicaWithTicket("010201403585" "3DA0004620710110" "4043"));
    const GreenTicketTexts t = ReadGreenTicket();
    EXPECT_EQ(t.message, "読み取りました。");
    EXPECT_EQ(t.purchase, "2026年12月05日07時45分");
    EXPECT_EQ(t.boardingStation, "駅G港");
    EXPECT_EQ(t.alightingStation, "駅G大学");
    EXPECT_EQ(t.fare, "700円");
    EXPECT_EQ(t.seatLabel, "着　席：");
    EXPECT_EQ(t.trainCode, "2071");
    EXPECT_EQ(t.seatTime, "08時02分");
    EXPECT_EQ(t.seatStation, "駅G中央");
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();

    // The shipped sample reads the same way.
    test::LibrarySession sample("image:" + test::sourcePath("data/cards/suica-green-sample.json"));
    EXPECT_EQ(ReadGreenTicket().purchase, "2026年12月05日07時48分");
}

TEST_F(GreenTicket, FailuresOnlySetTheMessageLineAndOpenNoDatabase) {
    // Every lookup would fail loudly if one were made.
    SetStationCodeDatabasePath(home.file("missing/StationCode.db"));
    {
        test::LibrarySession session("image:" + home.file("no-such-card.json"));
        const GreenTicketTexts t = ReadGreenTicket();
        EXPECT_EQ(t.message, "FeliCa リーダ・ライタが認識できません(READ)。");
        expectResetExceptMessage(t);
    }
    {
        felica::CardImage edy = test::makeCard("0A0B0C0D0E0F1011", "FE00");
        test::LibrarySession session(test::writeImage(home, edy));
        const GreenTicketTexts t = ReadGreenTicket();
        EXPECT_EQ(t.message, "Suicaが読み取れません。");
        expectResetExceptMessage(t);
    }
    {
        felica::CardImage noTicket = test::makeCard("0101051200000002", "0003");
        noTicket.systems[0].services.push_back(test::makeKeyedService(kGreenTicketService));
        test::LibrarySession session(test::writeImage(home, noTicket, "keyed.json"));
        const GreenTicketTexts t = ReadGreenTicket();
        EXPECT_EQ(t.message, QString("指定券等情報の読込に失敗しました(%1)。").arg(FELICA_ERROR_CARD_STATUS));
        expectResetExceptMessage(t);
    }
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
}

TEST_F(GreenTicket, SeatStatusDecidesTheSeatFields) {
    const std::uint8_t base[16] = {0x01, 0x02, 0x01, 0x40, 0x35, 0x85, 0x3D, 0x00,
                                   0x00, 0xFF, 0xAB, 0x0C, 0x01, 0x10, 0x4C, 0x63};
    struct Case {
        std::uint8_t low;
        const char* label;
        bool seatShown;
    };
    for (const Case c : {Case{0x60, "着　席：", false}, Case{0x61, "離　席：", true}, Case{0x62, "着　席：", false},
                         Case{0x63, "着　席：", true}}) {
        SCOPED_TRACE(c.low);
        std::uint8_t b[16];
        std::copy(std::begin(base), std::end(base), b);
        b[15] = c.low;
        GreenTicketTexts t;
        t.seatLabel = "?";  // a decoded status sets it; others leave it as it was
        DecodeGreenTicket(b, t);
        EXPECT_EQ(t.fare, "2550円");
        EXPECT_EQ(t.purchase, "2026年12月05日07時40分");
        EXPECT_EQ(t.seatLabel, c.seatShown ? QString(c.label) : QString("?"));
        EXPECT_EQ(t.trainCode, c.seatShown ? "AB0C" : "");
        EXPECT_EQ(t.seatTime, c.seatShown ? "09時35分" : "");
        EXPECT_EQ(t.seatStation, c.seatShown ? "駅G中央" : "");
    }
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(GreenTicket, ZeroCodesAreUnregisteredWithoutAQueryAndDatabaseFailuresAreShown) {
    EXPECT_EQ(GreenTicketStationName(0x01, 0x11), "未登録");   // no such row: no message
    EXPECT_EQ(GreenTicketStationName(0x01, 0x10), "駅G中央");  // area 0, not the area-1 row
    EXPECT_TRUE(messages.messages.isEmpty());

    db.dropTable("StationCode");  // any query would now fail with a message
    EXPECT_EQ(GreenTicketStationName(0, 0x10), "未登録");
    EXPECT_EQ(GreenTicketStationName(0x01, 0), "未登録");
    EXPECT_TRUE(messages.messages.isEmpty());

    EXPECT_EQ(GreenTicketStationName(0x01, 0x10), "未登録");
    EXPECT_EQ(messages.messages, QStringList({"駅コード レコード検索失敗"}));
    messages.messages.clear();

    SetStationCodeDatabasePath(home.file("missing/StationCode.db"));
    EXPECT_EQ(GreenTicketStationName(0x01, 0x10), "未登録");
    EXPECT_EQ(messages.messages, QStringList({"駅コード データベース オープン失敗", "駅コード レコード検索失敗"}));
}

}  // namespace
