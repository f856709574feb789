// kuvora-cli read over every sample card image, once in the card's own mode
// and once in Auto mode, with the sample names imported: each type's rows
// come through the one Read path.
#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

test::ProcessResult run(const test::IsolatedHome& home, const QStringList& args) {
    return test::runInHome(home, test::binaryPath("bin/kuvora-cli"), args);
}

// One display text of the history: row, column, text.
struct Cell {
    int row;
    const char* column;
    const char* text;
};

struct SampleCard {
    const char* file;
    int type;
    const char* typeName;
    std::vector<Cell> cells;
};

// Values from the transactions the images were written from
// (tools/make_sample_cards.py) and the sample names; display widths as the
// document formats them ("%5d", "%02X", "%06X", "%8d").
const std::vector<SampleCard> kSamples = {
    {"suica-sample.json", 1, "Suica/ICOCA/TOICA/PiTaPa/PASMO",
     {{0, "Balance", " 3470"}, {0, "DepartureStation", "見本中央"}}},
    {"suica-kind2-sample.json", 1, "Suica/ICOCA/TOICA/PiTaPa/PASMO", {{0, "Balance", " 1800"}}},
    {"iruca-sample.json", 2, "IruCa", {{0, "Balance", "  980"}}},
    {"ica-sample.json", 3, "ICa",
     {{0, "DateCode", "357C"},
      {0, "DepartureLineCode", "11"},
      {0, "DepartureStation", "見本北部駅"},
      {0, "ArrivalStation", "見本北部港"},
      {0, "Charge", "  200"},
      {2, "Charge", "-1000"}}},
    {"setamaru-sample.json", 4, "せたまる",
     {{0, "DepartureLineCode", "2A"},
      {0, "DepartureStation", "見本軌道駅前"},
      {0, "Point", "    5"},
      {0, "SerialCode", "000134"},
      {0, "Serial", "     308"},
      {0, "Note1", "今回  5Point"},
      {0, "Note2", "合計255Point"},
      {3, "Note1", "今回1234Point"}}},
    {"rapica-sample.json", 5, "RapiCa", {{0, "Balance", " 1200"}, {1, "Charge", "-1000"}}},
    {"cica-sample.json", 6, "CI-CA",
     {{0, "TradeCode", "53"},
      {0, "DepartureStationCode", "101"},
      {0, "ArrivalStation", "見本南部山手"},
      {0, "Balance", " 4770"},
      {2, "ArrivalStation", ""},
      {3, "ArrivalStation", "未登録"},
      {13, "Charge", " 4090"}}},
    {"nicepass-sample.json", 7, "nice･pass!",
     {{1, "DepartureLineCode", "00"},
      {1, "DepartureStationCode", "10A05"},
      {1, "ArrivalStationCode", "20B06"},
      {1, "ArrivalStation", "見本西部営業所前"},
      {2, "Charge", "-3000"},
      {3, "DepartureStation", ""}}},
    {"nagasaki-sample.json", 8, "長崎スマートカード", {{0, "Balance", " 2330"}}},
    {"luluca-sample.json", 9, "LuLuCa", {{0, "Balance", " 3310"}}},
    {"ecard-sample.json", 10, "い～カード", {{0, "Balance", " 1830"}}},
    {"passca-sample.json", 11, "passca",
     {{0, "DepartureStation", ""},
      {0, "ArrivalStationCode", "12"},
      {0, "ArrivalStation", "見本港湾岩瀬"},
      {0, "Balance", " 1800"},
      {7, "DepartureStation", "未登録"},
      {19, "Trade", "新規"}}},
    {"edy-sample.json", 128, "Edy", {{0, "Balance", " 4352"}}},
    {"jalic-sample.json", 129, "JAL IC", {{0, "Balance", " 9020"}}},
    {"ecard-mobile-sample.json", 130, "い～カード(モバイル)", {{0, "Balance", " 2450"}}},
    {"nanaco-sample.json", 131, "nanaco", {{0, "Balance", " 1352"}, {1, "Trade", "ポイント交換チャージ"}}},
    {"waon-sample.json", 132, "WAON", {{0, "Balance", " 3930"}, {2, "Charge", " 3000"}}},
};

// Flags of the rows whose trade names one side only.
const std::map<QString, std::vector<std::pair<int, int>>> kFlags = {
    {"cica-sample.json", {{0, 3}, {2, 1}, {4, 1}, {8, 0}, {19, 0}}},
    {"passca-sample.json", {{0, 2}, {1, 2}, {2, 3}, {19, 0}}},
};

void expectRead(const SampleCard& card, const test::ProcessResult& r, const std::string& how) {
    ASSERT_EQ(r.exitCode, 0) << how << ": " << r.err.toStdString();
    EXPECT_EQ(r.err, "") << how;
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(r.outBytes, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << how << ": " << error.errorString().toStdString();
    EXPECT_EQ(json["cardType"].toInt(), card.type) << how;
    EXPECT_EQ(json["cardTypeName"].toString().toStdString(), std::string(card.typeName)) << how;
    EXPECT_EQ(json["messages"].toArray().size(), 0) << how;
    const QJsonArray history = json["history"].toArray();
    EXPECT_EQ(history.size(), json["rows"].toInt()) << how;
    for (const Cell& c : card.cells) {
        ASSERT_LT(c.row, history.size()) << how;
        EXPECT_EQ(history[c.row].toObject()[c.column].toString().toStdString(), std::string(c.text))
            << how << " row " << c.row << " " << c.column;
    }
    if (const auto it = kFlags.find(card.file); it != kFlags.end()) {
        for (const auto& [row, flags] : it->second)
            EXPECT_EQ(history[row].toObject()["TradeFlags"].toInt(), flags) << how << " row " << row;
    }
    // The gate log is shown for the Suica family only.
    if (card.type != 1) {
        for (const QJsonValue& logRow : json["gateLog"].toArray())
            for (const QJsonValue& cell : logRow.toArray()) EXPECT_EQ(cell.toString(), "") << how;
    }
}

}  // namespace

TEST(CliReadCardTypes, EverySampleImageInItsOwnModeAndInAutoMode) {
    for (const SampleCard& card : kSamples) {
        test::IsolatedHome home;
        test::importSampleNames();
        const QString reader = "image:" + test::sourcePath(QString("data/cards/") + card.file);
        const std::string name = card.file;
        expectRead(card, run(home, {"read", "--reader", reader, "--mode", QString::number(card.type)}),
                   name + " --mode " + std::to_string(card.type));
        expectRead(card, run(home, {"read", "--reader", reader, "--mode", "auto"}), name + " --mode auto");
    }
}

namespace {

// The `values` of a history row, compared as JSON text.
QString valuesOf(const QByteArray& out, int row) {
    const QJsonArray history = QJsonDocument::fromJson(out).object()["history"].toArray();
    return QString::fromUtf8(QJsonDocument(history[row].toObject()["values"].toObject()).toJson(QJsonDocument::Compact));
}

QString compact(const char* json) {
    return QString::fromUtf8(QJsonDocument::fromJson(json).toJson(QJsonDocument::Compact));
}

}  // namespace

// Worked out by hand from the history blocks of the sample images:
// Suica row 0, 16 01 0000 357C 01 10 01 30 8E0D 0002B4 00: terminal 0x16, trade
//   0x01; date 0x357C = year 0x357C>>9 = 26, month (>>5)&15 = 11, day &31 = 28;
//   from line 01 station 0x10 to line 01 station 0x30; balance 0x0D8E = 3470
//   (little-endian); serial 0x0002B4 = 692; charge 3680 - 3470 = 210 (the
//   balance of row 1 less this one); no time on a gate row.
// Suica row 2, C7 46 0000 357B 8A40 0501 A802 0002B2: time 0x8A40 = hour >>11 =
//   17, minute (>>5)&63 = 18; date 2026-11-27; balance 0x02A8 = 680.
// Edy row 0, 20 0004D2 4CC906FD 00000288 00001100: trade 0x20, serial 1234;
//   0x4CC906FD >> 17 = 9828 days after 2000-01-01 = 2026-11-28, & 0x1FFFF =
//   67325 s = 18:42:05; charge 0x288 = 648; balance 0x1100 = 4352.
// Edy row 2, 20 0004D0 4CC75472: 0x2663 = 2026-11-27, 0x15472 = 87154 s =
//   24:12:34 (the shop's business day runs past midnight).
// JAL IC row 0, 52 40 01 28 01 31 07 20 90 00 00 28 11 26 01 06: BCD date
//   bytes 13,12,11 = 26-11-28; time: hour = low(01) high(40) = 14, minute =
//   low(40) high(52) = 05; charge digits 0 1 2 8 0 of bytes 4,3,2 = 1280;
//   balance digits of bytes 10..7 = 00009020; trade 0x06; no serial.
TEST(CliReadCardTypes, ValuesForProgramsMatchTheBlocks) {
    test::IsolatedHome home;
    auto read = [&](const char* file) {
        const auto r = run(home, {"read", "--reader", "image:" + test::sourcePath(QString("data/cards/") + file)});
        EXPECT_EQ(r.exitCode, 0) << file << r.err.toStdString();
        return r.outBytes;
    };
    const QByteArray suica = read("suica-sample.json");
    EXPECT_EQ(valuesOf(suica, 0),
              compact(R"({"date": "2026-11-28", "time": null, "terminalCode": 22, "tradeCode": 1,
                          "departureLineCode": 1, "departureStationCode": 16, "arrivalLineCode": 1,
                          "arrivalStationCode": 48, "balance": 3470, "charge": 210, "point": null, "serial": 692})"));
    EXPECT_EQ(valuesOf(suica, 2),
              compact(R"({"date": "2026-11-27", "time": "17:18", "terminalCode": 199, "tradeCode": 70,
                          "departureLineCode": 0, "departureStationCode": 0, "arrivalLineCode": 5,
                          "arrivalStationCode": 1, "balance": 680, "charge": 480, "point": null, "serial": 690})"));
    const QByteArray edy = read("edy-sample.json");
    EXPECT_EQ(valuesOf(edy, 0),
              compact(R"({"date": "2026-11-28", "time": "18:42:05", "terminalCode": null, "tradeCode": 32,
                          "departureLineCode": null, "departureStationCode": null, "arrivalLineCode": null,
                          "arrivalStationCode": null, "balance": 4352, "charge": 648, "point": null, "serial": 1234})"));
    const QJsonObject lateNight = QJsonDocument::fromJson(valuesOf(edy, 2).toUtf8()).object();
    EXPECT_EQ(lateNight["date"].toString(), "2026-11-27");
    EXPECT_EQ(lateNight["time"].toString(), "24:12:34");
    EXPECT_EQ(valuesOf(read("jalic-sample.json"), 0),
              compact(R"({"date": "2026-11-28", "time": "14:05", "terminalCode": null, "tradeCode": 6,
                          "departureLineCode": null, "departureStationCode": null, "arrivalLineCode": null,
                          "arrivalStationCode": null, "balance": 9020, "charge": 1280, "point": null, "serial": null})"));
    // The stored rows, without a card, give the same values.
    const QString idm = QJsonDocument::fromJson(suica).object()["idm"].toString();
    const auto stored = run(home, {"history", "--idm", idm});
    ASSERT_EQ(stored.exitCode, 0) << stored.err.toStdString();
    for (int row : {0, 2, 19}) EXPECT_EQ(valuesOf(stored.outBytes, row), valuesOf(suica, row)) << row;
}

TEST(CliReadCardTypes, ModeTakesOnlyTheTableCodesAndAuto) {
    test::IsolatedHome home;
    const QString reader = "image:" + test::sourcePath("data/cards/edy-sample.json");
    for (const char* mode : {"99", "-1", "abc", "12", "1.0", ""}) {
        const auto r = run(home, {"read", "--reader", reader, QString("--mode=") + mode});
        EXPECT_EQ(r.exitCode, 2) << mode;
        if (*mode) {
            EXPECT_EQ(r.err.toStdString(), std::string("kuvora-cli: read: --mode ") + mode +
                                               ": expected auto (or 0) or a card type code: "
                                               "1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 128, 129, 130, 131, 132 "
                                               "(see kuvora-cli read --help)\n");
        }
    }
    for (const char* mode : {"0", "AUTO", "128"}) EXPECT_EQ(run(home, {"read", "--reader", reader, "--mode", mode}).exitCode, 0) << mode;
    const auto help = run(home, {"--help"});
    EXPECT_TRUE(help.out.contains("  128      Edy\n")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("  130      い～カード(モバイル)\n"));
}

// nanaco row 0, 47 00000288 00000548 0357C4AA: payment of 648, balance 1352;
//   the word 0x0357C4AA = year 26, month 11, day 28, hour 18, minute 42.
// WAON row 0 (record 42, the newest, in the second block pair): kind 0x1C,
//   2026-12-01 07:45, balance 3930, paid 0, charged 2000.
TEST(CliReadCardTypes, NanacoAndWaonValuesAndCardNumbers) {
    test::IsolatedHome home;
    auto read = [&](const char* file) {
        const auto r = run(home, {"read", "--reader", "image:" + test::sourcePath(QString("data/cards/") + file)});
        EXPECT_EQ(r.exitCode, 0) << file << r.err.toStdString();
        return r.outBytes;
    };
    const QByteArray nanaco = read("nanaco-sample.json");
    EXPECT_EQ(QJsonDocument::fromJson(nanaco).object()["cardNumber"].toString(), "7100123456789012");
    EXPECT_EQ(QJsonDocument::fromJson(nanaco).object()["rows"].toInt(), 4);  // the empty block is no row
    EXPECT_EQ(valuesOf(nanaco, 0),
              compact(R"({"date": "2026-11-28", "time": "18:42", "terminalCode": null, "tradeCode": 71,
                          "departureLineCode": null, "departureStationCode": null, "arrivalLineCode": null,
                          "arrivalStationCode": null, "balance": 1352, "charge": 648, "point": null, "serial": null})"));
    const QByteArray waon = read("waon-sample.json");
    EXPECT_EQ(QJsonDocument::fromJson(waon).object()["cardNumber"].toString(), "6900123456789012");
    EXPECT_EQ(valuesOf(waon, 0),
              compact(R"({"date": "2026-12-01", "time": "07:45", "terminalCode": null, "tradeCode": 28,
                          "departureLineCode": null, "departureStationCode": null, "arrivalLineCode": null,
                          "arrivalStationCode": null, "balance": 3930, "charge": 2000, "point": null, "serial": null})"));
}

// The brand of a Suica-family card in every output that lists the card.
TEST(CliReadCardTypes, TheBrandInTheReadTheStoredCardsAndAStoredCard) {
    test::IsolatedHome home;
    const QString reader = "image:" + test::sourcePath("data/cards/pasmo-sample.json");
    const auto read = run(home, {"read", "--reader", reader});
    ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(read.outBytes).object()["brand"].toString(), "PASMO");
    const auto table = run(home, {"read", "--reader", reader, "--format", "table"});
    EXPECT_TRUE(table.out.contains("SF カードタイプ: Suica/ICOCA/TOICA/PiTaPa/PASMO（PASMO）\n")) << table.out.toStdString();
    run(home, {"read", "--reader", "image:" + test::sourcePath("data/cards/waon-sample.json")});

    const auto list = run(home, {"history"});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    const QJsonArray cards = QJsonDocument::fromJson(list.outBytes).object()["cards"].toArray();
    ASSERT_EQ(cards.size(), 2);
    EXPECT_EQ(cards[0].toObject()["cardType"].toInt(), 132);  // stored last, listed first
    EXPECT_TRUE(cards[0].toObject()["brand"].isNull());
    EXPECT_EQ(cards[1].toObject()["brand"].toString(), "PASMO");
    const auto listTable = run(home, {"history", "--format", "table"});
    EXPECT_TRUE(listTable.out.contains(QRegularExpression("01010B21761B7D8E +1 +PASMO +\\d+ "))) << listTable.out.toStdString();
    EXPECT_TRUE(listTable.out.contains(QRegularExpression("01051C2DF31E5A6B +132 +- +3 "))) << listTable.out.toStdString();

    const auto stored = run(home, {"history", "--idm", "01010B21761B7D8E"});
    ASSERT_EQ(stored.exitCode, 0) << stored.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(stored.outBytes).object()["brand"].toString(), "PASMO");
}
