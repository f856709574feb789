#include "TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const char* const kIdm = "01010410C8192A3B";

struct SpendingCli : ::testing::Test {
    test::IsolatedHome home;
    SpendingCli() { test::importSampleNames(); }
    test::ProcessResult run(const QStringList& args) {
        return test::runInHome(home, test::binaryPath("bin/kuvora-cli"), args);
    }
    void storeSample() {
        const auto r = run({"read", "--reader", "image:" + test::sourcePath("data/cards/suica-sample.json"), "--mode",
                            "1", "--output", home.file("read.json")});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
};

}  // namespace

// The sample Suica card, all in November 2026 (worked from its blocks, newest
// first; Charge is the balance difference in the trade's direction):
//   fares: 210 300 160(bus) 220(bus) 130(入定) 130(出定) 300 220 220 80(精算)
//          220 210(券購) 220 = 2620
//   purchases: 480 (物販 11/27) + 160 (自販機 11/20) = 640
//   charges: 3000 (入A) + 2000 (VIEW) + 400 + 380 + 0 (the oldest block:
//            nothing older on the card to compare with) = 5780
// Journeys of 11/26..11/28, oldest first: bus 220, bus 160, 300, 210 = 890.
TEST_F(SpendingCli, SummaryAndJourneysOfAStoredCard) {
    storeSample();
    auto r = run({"history", "--idm", kIdm, "--summary"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("{\"idm\":\"01010410C8192A3B\",\"cardType\":1,\"months\":[{\"month\":\"2026-11\","
                                    "\"fares\":2620,\"purchases\":640,\"charges\":5780}],"
                                    "\"total\":{\"fares\":2620,\"purchases\":640,\"charges\":5780}}\n"));
    r = run({"history", "--idm", kIdm, "--summary", "--format", "table"});
    EXPECT_TRUE(r.out.contains("2026-11       2620        640       5780\n")) << r.out.toStdString();

    r = run({"history", "--idm", kIdm, "--journeys", "--from", "2026-11-26", "--to=2026-11-28"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(),
              "{\"idm\":\"01010410C8192A3B\",\"cardType\":1,\"from\":\"2026-11-26\",\"to\":\"2026-11-28\","
              "\"journeys\":[{\"date\":\"2026-11-26\",\"from\":\"見本病院前\",\"to\":\"\",\"fare\":220,\"kind\":\"bus\"},"
              "{\"date\":\"2026-11-26\",\"from\":\"見本市役所前\",\"to\":\"\",\"fare\":160,\"kind\":\"bus\"},"
              "{\"date\":\"2026-11-27\",\"from\":\"見本公園\",\"to\":\"見本急行中町\",\"fare\":300,\"kind\":\"ride\"},"
              "{\"date\":\"2026-11-28\",\"from\":\"見本中央\",\"to\":\"見本公園\",\"fare\":210,\"kind\":\"ride\"}],"
              "\"total\":890}\n");

    r = run({"history", "--idm", kIdm, "--journeys", "--from", "2026-11-26", "--to", "2026-11-28", "--format", "csv",
             "--output", home.file("j.csv")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile csv(home.file("j.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll().toStdString(),
              "\xEF\xBB\xBF" "date,from,to,fare,kind\r\n2026-11-26,見本病院前,,220,bus\r\n2026-11-26,見本市役所前,,160,bus\r\n"
              "2026-11-27,見本公園,見本急行中町,300,ride\r\n2026-11-28,見本中央,見本公園,210,ride\r\n");
    r = run({"history", "--idm", kIdm, "--journeys", "--format", "table"});
    EXPECT_TRUE(r.out.endsWith("2620\n")) << r.out.toStdString();

    // The expense claim (kuvora-cli hands it to kuvora-cli-full), as pdftotext
    // reads it: the title, the card, the period, the lines, the total. Its A4
    // page is checked on the journeys dialog's, which draws the same page.
    r = run({"history", "--idm", kIdm, "--journeys", "--from", "2026-11-26", "--to", "2026-11-28", "--format", "pdf",
             "--output", home.file("claim.pdf")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString text = test::runProgram("pdftotext", {"-layout", home.file("claim.pdf"), "-"}).out;
    for (const char* shown : {"交通費明細", kIdm, "2026年11月26日", "2026年11月28日", "見本市役所前", "バス", "合計", "890"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(shown))) << shown << "\n" << text.toStdString();
}

TEST_F(SpendingCli, UsageErrorsEndWithStatusTwo) {
    storeSample();
    const std::vector<std::pair<QStringList, const char*>> cases = {
        {{"history", "--summary"}, "--summary needs --idm"},
        {{"history", "--idm", kIdm, "--summary", "--journeys"}, "--summary and --journeys exclude each other"},
        {{"history", "--idm", kIdm, "--journeys", "--from", "2026-02-30"}, "--from 2026-02-30: expected a date"},
        {{"history", "--idm", kIdm, "--journeys", "--to", "yesterday"}, "--to yesterday: expected a date"},
        {{"history", "--idm", kIdm, "--journeys", "--from", "2026/11/01"}, "--from 2026/11/01: expected a date"},
        {{"history", "--idm", kIdm, "--journeys", "--from", "2026.11.01"}, "--from 2026.11.01: expected a date"},
        {{"history", "--idm", kIdm, "--journeys", "--to", "2026_11_30"}, "--to 2026_11_30: expected a date"},
        {{"history", "--idm", kIdm, "--journeys", "--to", "2026-11/30"}, "--to 2026-11/30: expected a date"},
        {{"history", "--idm", kIdm, "--journeys", "--from", "2026-12-01", "--to", "2026-11-01"}, "is after --to"},
        {{"history", "--idm", kIdm, "--from", "2026-12-01"}, "--from and --to belong to --journeys"},
        {{"history", "--idm", kIdm, "--summary", "--format", "csv"}, "--format csv: expected json, table"},
        {{"history", "--idm", kIdm, "--journeys", "--format", "xls"}, "--format xls: expected json, table, csv or pdf"},
        {{"read", "--summary"}, "--summary belongs to history"},
    };
    for (const auto& [args, message] : cases) {
        const auto r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(message))) << r.err.toStdString();
        EXPECT_EQ(r.out, "");
    }
}
