#include "CHistoryDisplay.h"
#include "Spending.h"
#include "TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace history;

namespace {

// One display row as the card class and the reload fill it.
struct Row {
    const char* tradeCode;
    const char* date;  // as the card shows it
    int balance, charge;
    const char* from = "";
    const char* to = "";
};

// Rows newest first; a row with tradeCode nullptr is an empty block.
CHistoryDisplay display(const std::vector<Row>& rows) {
    CHistoryDisplay d;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const Row& r = rows[static_cast<std::size_t>(i)];
        if (!r.tradeCode) {
            d.SetText(BlockData, i, QString(32, QLatin1Char('0')));
            d.SetText(TradeCode, i, QStringLiteral("00"));
            d.SetText(Date, i, QStringLiteral("00年00月00日"));
            d.SetText(Balance, i, QStringLiteral("    0"));
            d.SetText(Charge, i, QStringLiteral("    0"));
            continue;
        }
        d.SetText(BlockData, i, QStringLiteral("%1").arg(i + 1, 32, 10, QLatin1Char('0')));
        d.SetText(TradeCode, i, QString::fromLatin1(r.tradeCode));
        d.SetText(Date, i, QString::fromUtf8(r.date));
        d.SetText(Balance, i, QString::asprintf("%5d", r.balance));
        d.SetText(Charge, i, QString::asprintf("%5d", r.charge));
        d.SetText(DepartureStation, i, QString::fromUtf8(r.from));
        d.SetText(ArrivalStation, i, QString::fromUtf8(r.to));
    }
    return d;
}

QString months(const std::vector<MonthTotals>& totals) {
    QStringList out;
    for (const MonthTotals& m : totals)
        out << QStringLiteral("%1 %2/%3/%4").arg(m.month).arg(m.fares).arg(m.purchases).arg(m.charges);
    return out.join(QLatin1String(", "));
}

// A Suica card, newest first. Worked by hand (the Charge column is the
// card's balance difference, positive in the trade's direction):
//   12/01 支払 渋谷→新宿,南口      3590-3380 = 210  fare      (December)
//   11/30 物販                    4070-3590 = 480  purchase
//   11/30 支払 出定 (pass ride)    4210-4070 = 140  fare: the part past the pass
//   11/29 入金                    4210-1210 = 3000 charge
//   11/28 バス                    1430-1210 = 220  fare
//   11/28 特典                    1430-1400 = 30   other: counts nowhere
//   11/27 支払 first record       0-1400 = -1400   the card's first record: 0
//   (empty block)
// November: fares 140+220+0 = 360, purchases 480, charges 3000.
// December: fares 210.
const std::vector<Row> kSuica = {
    {"01", "26年12月01日", 3380, 210, "渋谷", "新宿,南口"},
    {"46", "26年11月30日", 3590, 480},
    {"01", "26年11月30日", 4070, 140, "池袋", "\"目白\""},
    {"02", "26年11月29日", 4210, 3000},
    {"0D", "26年11月28日", 1210, 220, "駅前"},
    {"48", "26年11月28日", 1430, 30},
    {"01", "26年11月27日", 1400, -1400, "上野", "秋葉原"},
    {nullptr, "", 0, 0},
};

}  // namespace

TEST(Spending, SuicaWorkedExampleAcrossAMonthBoundary) {
    const CHistoryDisplay d = display(kSuica);
    const std::vector<SpendingRow> rows = ClassifyRows(1, d, static_cast<int>(kSuica.size()));
    ASSERT_EQ(rows.size(), 7u);  // the empty block is no record
    EXPECT_EQ(rows[5].kind, SpendKind::Other);
    EXPECT_EQ(months(MonthlyTotals(rows)), "2026-11 360/480/3000, 2026-12 210/0/0");

    const std::vector<BalancePoint> series = BalanceSeries(rows);
    ASSERT_EQ(series.size(), 7u);
    EXPECT_EQ(series.front().date, "2026-11-27");
    EXPECT_EQ(series.front().balance, 1400);
    EXPECT_EQ(series.back().date, "2026-12-01");
    EXPECT_EQ(series.back().balance, 3380);

    // The range takes both of its ends; the bus fare of 11/28 falls outside.
    std::vector<Journey> j = Journeys(d, rows, "2026-11-29", "2026-12-01");
    ASSERT_EQ(j.size(), 2u);
    EXPECT_EQ(j[0].date, "2026-11-30");
    EXPECT_EQ(j[0].from, "池袋");
    EXPECT_EQ(j[0].fare, 140);
    EXPECT_EQ(j[1].to, "新宿,南口");
    EXPECT_EQ(JourneysTotal(j), 350);
    EXPECT_EQ(JourneysCsv(j), QStringLiteral("\uFEFFdate,from,to,fare,kind\r\n2026-11-30,池袋,\"\"\"目白\"\"\",140,ride\r\n"
                                             "2026-12-01,渋谷,\"新宿,南口\",210,ride\r\n")
                                  .toUtf8());
    EXPECT_EQ(JourneysText(j), QStringLiteral("日付\t種別\t乗車\t降車\t運賃\n2026-11-30\t乗車\t池袋\t\"目白\"\t140\n"
                                              "2026-12-01\t乗車\t渋谷\t新宿,南口\t210\n合計\t\t\t\t350\n"));
    // As an expense claim: the card, the period, a kind for each line, the total.
    const ExpenseClaim claim{"通勤用", "PASMO", "0101041087654321", "2026-11-29", "2026-12-01", j};
    EXPECT_EQ(ExpenseClaimCsv(claim), QStringLiteral("\uFEFF交通費明細\r\nカード,通勤用（PASMO）\r\n"
                                                     "IDm,\"=\"\"0101041087654321\"\"\"\r\n期間,2026-11-29,2026-12-01\r\n\r\n"
                                                     "日付,種別,乗車,降車,運賃\r\n"
                                                     "2026-11-30,乗車,池袋,\"\"\"目白\"\"\",140\r\n"
                                                     "2026-12-01,乗車,渋谷,\"新宿,南口\",210\r\n合計,,,,350\r\n")
                                          .toUtf8());
    j = Journeys(d, rows, "2026-11-28", "2026-11-28");
    ASSERT_EQ(j.size(), 1u);
    EXPECT_EQ(j[0].from, "駅前");
    EXPECT_EQ(j[0].to, "");
    EXPECT_EQ(j[0].kind, JourneyKind::Bus);
    EXPECT_TRUE(Journeys(d, rows, "2026-12-02", "2027-01-01").empty());
}

TEST(Spending, CardWithASingleRow) {
    // A new card charged once: 1000 from 0, an amount the card computed
    // against the empty block after it, and right.
    CHistoryDisplay d = display({{"02", "26年11月05日", 1000, 1000}, {nullptr, "", 0, 0}});
    std::vector<SpendingRow> rows = ClassifyRows(1, d, 2);
    EXPECT_EQ(months(MonthlyTotals(rows)), "2026-11 0/0/1000");
    ASSERT_EQ(BalanceSeries(rows).size(), 1u);
    // Only the row itself, nothing after it: the stored Charge stands.
    d = display({{"01", "26年11月05日", 800, 200}});
    rows = ClassifyRows(1, d, 1);
    EXPECT_EQ(months(MonthlyTotals(rows)), "2026-11 200/0/0");
    EXPECT_EQ(JourneysTotal(Journeys(d, rows, "2026-11-05", "2026-11-05")), 200);
    EXPECT_TRUE(ClassifyRows(1, d, 0).empty());
}

TEST(Spending, OtherCardTypesTellTheKindTheirOwnWay) {
    // Edy: the card's own amounts; 0x20 a payment, 0x02 a charge, 0x04 a gift.
    CHistoryDisplay d = display({{"20", "2026年11月03日", 500, 700}, {"04", "2026年11月02日", 1200, 200},
                                 {"02", "2026年11月01日", 1000, 1000}});
    EXPECT_EQ(months(MonthlyTotals(ClassifyRows(128, d, 3))), "2026-11 0/700/1000");
    // JAL IC: 0x06 a sale, 0x19 a charge, 0x20 a return.
    d = display({{"06", "26年10月03日", 0, 300}, {"20", "26年10月02日", 0, 50}, {"19", "26年10月01日", 0, 2000}});
    EXPECT_EQ(months(MonthlyTotals(ClassifyRows(129, d, 3))), "2026-10 0/300/2000");
    // CI-CA: process codes with the card's own amounts.
    d = display({{"53", "26年10月03日", 800, 200}, {"79", "26年10月01日", 1000, 1000}, {"7A", "26年09月30日", 0, 0}});
    EXPECT_EQ(months(MonthlyTotals(ClassifyRows(6, d, 3))), "2026-10 200/0/1000");
    // ICa: no trade code, the balance difference's sign: spent 200, charged 1000.
    d = display({{"00", "26年10月03日", 800, 200}, {"00", "26年10月01日", 1000, -1000}});
    EXPECT_EQ(months(MonthlyTotals(ClassifyRows(3, d, 2))), "2026-10 200/0/1000");
    // せたまる records no amount: the difference of the shown balances.
    d = display({{"00", "26年10月04日", 700, 0}, {"00", "26年10月03日", 1000, 0}, {"00", "26年10月02日", 200, 0}});
    EXPECT_EQ(months(MonthlyTotals(ClassifyRows(4, d, 3))), "2026-10 300/0/800");
    // RapiCa records no date: its totals go to an undated line, last.
    d = display({{"00", "", 900, 100}, {"00", "", 1000, -1000}});
    EXPECT_EQ(months(MonthlyTotals(ClassifyRows(5, d, 2))), " 100/0/1000");
    EXPECT_TRUE(Journeys(d, ClassifyRows(5, d, 2), "0000-01-01", "9999-12-31").empty());
}

TEST(Spending, NanacoAndWaonCountPaymentsAndEveryChargeKind) {
    // nanaco: 47 a payment; 6F, 70, 5C charges, 77 auto-charge and 83 points
    // turned into money are charges; 35 (handed over) and 7A (new) count nowhere.
    CHistoryDisplay d = display({{"47", "2026年12月01日", 100, 400}, {"83", "2026年11月09日", 500, 50},
                                 {"77", "2026年11月08日", 450, 300}, {"5C", "2026年11月07日", 150, 100},
                                 {"70", "2026年11月06日", 50, 20}, {"6F", "2026年11月05日", 30, 10},
                                 {"47", "2026年11月04日", 20, 80}, {"35", "2026年11月03日", 100, 100},
                                 {"7A", "2026年11月02日", 0, 0}});
    EXPECT_EQ(months(MonthlyTotals(ClassifyRows(131, d, 9))), "2026-11 0/80/480, 2026-12 0/400/0");
    // WAON: 04 a payment; 0C and 10 charges, 1C and 20 auto-charges at a
    // purchase, 30 an auto-charge; 08 a return, 28 a refund, 18 and 7C point
    // records count nowhere.
    d = display({{"04", "2026年11月09日", 0, 700}, {"30", "2026年11月08日", 0, 1000},
                 {"20", "2026年11月07日", 0, 500}, {"1C", "2026年11月06日", 0, 400},
                 {"10", "2026年11月05日", 0, 300}, {"0C", "2026年11月04日", 0, 200},
                 {"08", "2026年11月03日", 0, 90}, {"28", "2026年11月02日", 0, 80},
                 {"18", "2026年11月01日", 0, 70}, {"7C", "2026年11月01日", 0, 60}});
    EXPECT_EQ(months(MonthlyTotals(ClassifyRows(132, d, 10))), "2026-11 0/700/2400");
}

TEST(Spending, CsvIsWrittenWholeOrNotAtAll) {
    test::IsolatedHome home;
    const ExpenseClaim claim{"", "Edy", "0101041087654321", "2026-11-30", "2026-11-30", {{"2026-11-30", "池袋", "目白", 140}}};
    const QString path = home.file("journeys.csv");
    ASSERT_TRUE(WriteExpenseClaimCsv(path, claim));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), ExpenseClaimCsv(claim));
    EXPECT_FALSE(WriteExpenseClaimCsv(home.file("missing/folder/journeys.csv"), claim));
    EXPECT_TRUE(IsIsoDate("2028-02-29"));
    for (const char* bad : {"2026-02-29", "2026-1-01", "2026-13-01", "20261101", "",
                            "2026/11/01", "2026.11.01", "2026_11_01", "2026 11 01", "２０２６-11-01"}) EXPECT_FALSE(IsIsoDate(bad)) << bad;
}
