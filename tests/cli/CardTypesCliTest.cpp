// kuvora-cli read over every sample card image, once in the card's own mode
// and once in Auto mode, with the sample names imported: each type's rows
// come through the one Read path.
#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
