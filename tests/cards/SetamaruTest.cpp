#include "CSetamaru.h"
#include "LoadedCard.h"
#include "StationDatabasePaths.h"
#include "StringTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class SetamaruUnderTest : public test::LoadedCard<CSetamaru> {
public:
    void SetIssuerKind(int kind) { m_nIssuerKind = kind; }
    int IssuerKindField() const { return m_nIssuerKind; }
};

const std::vector<std::pair<QString, QString>> kNames = {
    {"StationCode", "AreaCode,LineCode,StationCode,CompanyName,LineName,StationName,Note\n"
                    "0,0x2A,0x02,鉄道零,線零,区域零,\n"
                    "1,0x2A,0x02,軌道S,線S,停留所S,\n"
                    "2,0x2A,0x02,鉄道二,線二,区域二,\n"
                    "1,0x90,0x05,急行S,急行線S,停留所T,\n"
                    "2,0x90,0x05,鉄道二,線二,区域二乙,\n"},
};

struct Setamaru : ::testing::Test {
    test::IsolatedHome home;
    test::StationDatabase db{home, kNames};
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
};

// A block with A5 in the bytes the card does not decode (0-2, 7-8).
std::string block(const std::string& date, const std::string& line, const std::string& station,
                  const std::string& balance, const std::string& points, const std::string& total,
                  const std::string& serial) {
    return "A5A5A5" + date + line + station + "A5A5" + balance + points + total + serial;
}

}  // namespace

TEST_F(Setamaru, ReadingParameters) {
    SetamaruUnderTest card;
    EXPECT_EQ(card.GetSystemCode(), 0x2B80);
    EXPECT_EQ(card.GetHistoryServiceCode(), 0x324F);
    EXPECT_EQ(card.GetHistoryCount(), 20);
    EXPECT_EQ(card.GetTicketBarrierLogServiceCode(), 0x108F);
    EXPECT_EQ(card.GetCardInfoBlockCount(), 0);
    EXPECT_EQ(card.IssuerKindField(), 4);
    for (int pos = 0; pos < 48; ++pos) ASSERT_EQ(card.GetTicketBarrierLogData(pos), 0);
}

TEST_F(Setamaru, DecodesFieldsOfBothByteOrders) {
    SetamaruUnderTest card;
    // Balance E8 03 low byte first = 1000; points 0A 00 = 10; total FF;
    // serial 00 2A high byte first = 42; date 0x0D2F = 06-09-15.
    card.SetHistory(0, block("0D2F", "2A", "02", "E803", "0A00", "FF", "002A"));
    EXPECT_EQ(card.GetDateCode(0), 0x0D2F);
    EXPECT_EQ(card.GetDate(0), "06年09月15日");
    EXPECT_EQ(card.GetDepartureLineCode(0), 0x2A);
    EXPECT_EQ(card.GetDepartureStationCode(0), 0x02);
    EXPECT_EQ(card.GetBalance(0), 1000);
    EXPECT_EQ(card.GetPoint(0), 10);
    EXPECT_EQ(card.GetPointBalance(0), 255);
    EXPECT_EQ(card.GetSerial(0), 42);
    EXPECT_EQ(card.GetNote1(0), "今回 10Point");
    EXPECT_EQ(card.GetNote2(0), "合計255Point");
    // One station only, on the departure side; no trade, time or charge.
    EXPECT_EQ(card.GetDepartureCompany(0), "軌道S");
    EXPECT_EQ(card.GetDepartureLine(0), "線S");
    EXPECT_EQ(card.GetDepartureStation(0), "停留所S");
    EXPECT_EQ(card.GetArrivalLineCode(0), 0);
    EXPECT_EQ(card.GetArrivalStationCode(0), 0);
    EXPECT_EQ(card.GetArrivalStation(0), "");
    EXPECT_EQ(card.GetArrivalCompany(0), "");
    EXPECT_EQ(card.GetTrade(0), "");
    EXPECT_EQ(card.GetTradeFlags(0), 0);
    EXPECT_EQ(card.GetTime(0), "");
    // Balances differ from row to row, yet the card has no charge.
    card.SetHistory(1, block("0D2F", "2A", "02", "D007", "0000", "00", "0029"));
    EXPECT_EQ(card.GetBalance(1), 2000);
    EXPECT_EQ(card.GetCharge(0), 0);
    EXPECT_EQ(card.GetCharge(1), 0);
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(Setamaru, PointNotesKeepAWidthOfThreeAsAMinimum) {
    SetamaruUnderTest card;
    card.SetHistory(0, block("0D2F", "2A", "02", "0000", "0500", "05", "0001"));
    card.SetHistory(1, block("0D2F", "2A", "02", "0000", "D204", "63", "0001"));  // 0x04D2 = 1234, 99
    card.SetHistory(2, block("0D2F", "2A", "02", "0000", "FFFF", "64", "FFFF"));  // 65535, 100
    EXPECT_EQ(card.GetNote1(0), "今回  5Point");
    EXPECT_EQ(card.GetNote2(0), "合計  5Point");
    EXPECT_EQ(card.GetPoint(1), 1234);
    EXPECT_EQ(card.GetNote1(1), "今回1234Point");
    EXPECT_EQ(card.GetNote2(1), "合計 99Point");
    EXPECT_EQ(card.GetNote1(2), "今回65535Point");
    EXPECT_EQ(card.GetNote2(2), "合計100Point");
    EXPECT_EQ(card.GetSerial(2), 65535);
}

TEST_F(Setamaru, StationsAreAlwaysInArea1) {
    SetamaruUnderTest card;
    card.SetHistory(0, block("0D2F", "2A", "02", "0000", "0000", "00", "0001"));
    card.SetHistory(1, block("0D2F", "90", "05", "0000", "0000", "00", "0001"));
    for (int kind : {4, 0, 2, 5}) {
        card.SetIssuerKind(kind);
        EXPECT_EQ(card.GetDepartureStation(0), "停留所S") << kind;
        EXPECT_EQ(card.GetDepartureStation(1), "停留所T") << kind;
    }
    // Not in area 1: unregistered, with no message.
    card.SetHistory(2, block("0D2F", "2A", "03", "0000", "0000", "00", "0001"));
    EXPECT_EQ(card.GetDepartureCompany(2), "未登録");
    EXPECT_EQ(card.GetDepartureStation(2), "未登録");
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(Setamaru, LineOrStationZeroIsEmptyWithoutAQuery) {
    db.dropTable("StationCode");
    SetamaruUnderTest card;
    card.SetHistory(0, block("0D2F", "05", "00", "0000", "0000", "00", "0001"));
    card.SetHistory(1, block("0D2F", "00", "02", "0000", "0000", "00", "0001"));
    for (int row : {0, 1}) {
        EXPECT_EQ(card.GetDepartureCompany(row), "");
        EXPECT_EQ(card.GetDepartureLine(row), "");
        EXPECT_EQ(card.GetDepartureStation(row), "");
    }
    EXPECT_EQ(card.GetDepartureLineCode(0), 5);
    EXPECT_EQ(card.GetDepartureStationCode(1), 2);
    EXPECT_TRUE(messages.messages.isEmpty());

    // With both codes the query runs, fails, and says so once per call.
    card.SetHistory(2, block("0D2F", "2A", "02", "0000", "0000", "00", "0001"));
    EXPECT_EQ(card.GetDepartureCompany(2), "未登録");
    EXPECT_EQ(card.GetDepartureStation(2), "未登録");
    EXPECT_EQ(card.GetDepartureStation(2), "未登録");
    EXPECT_EQ(messages.messages, QStringList({LoadString(130), LoadString(130), LoadString(130)}));
}

TEST_F(Setamaru, ZeroFilledBlocksGiveTheEmptyRow) {
    SetamaruUnderTest card;
    for (int row = 0; row < 20; ++row) {
        EXPECT_EQ(card.GetDate(row), "00年00月00日");
        EXPECT_EQ(card.GetDepartureCompany(row), "");
        EXPECT_EQ(card.GetDepartureStation(row), "");
        EXPECT_EQ(card.GetBalance(row), 0);
        EXPECT_EQ(card.GetPoint(row), 0);
        EXPECT_EQ(card.GetSerial(row), 0);
        EXPECT_EQ(card.GetNote1(row), "今回  0Point");
        EXPECT_EQ(card.GetNote2(row), "合計  0Point");
    }
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST(SetamaruWithoutDatabase, ShowsMessage129AndNamesAreUnregistered) {
    test::IsolatedHome home;
    SetStationCodeDatabasePath(home.file("none/StationCode.db"));
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    {
        SetamaruUnderTest card;
        EXPECT_EQ(messages.messages, QStringList({LoadString(129)}));
        messages.messages.clear();
        card.SetHistory(0, block("0D2F", "2A", "02", "E803", "0A00", "FF", "002A"));
        EXPECT_EQ(card.GetNote1(0), "今回 10Point");
        EXPECT_EQ(card.GetDepartureStation(0), "未登録");
        EXPECT_EQ(messages.messages, QStringList({LoadString(130)}));
    }
    SetStationCodeDatabasePath(QString());
}
