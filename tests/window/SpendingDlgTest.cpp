// 利用集計 and 交通費の一覧 on the sample Suica card: the totals, the chart
// saved as PNG and SVG, the journeys of a range saved and copied.
#include "CHistoryTable.h"
#include "CKuvoraDoc.h"
#include "MessageSink.h"
#include "StoredHistory.h"
#include "SpendingDialog.h"
#include "TestSupport.h"

#include <QClipboard>
#include <QDate>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPrinter>
#include <QRegularExpression>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

QStringList rowTexts(const QTableWidget* table, int row) {
    QStringList out;
    for (int c = 0; c < table->columnCount(); ++c) out << (table->item(row, c) ? table->item(row, c)->text() : "");
    return out;
}

bool hasLineColour(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == QColor(0, 102, 204)) return true;
    return false;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// With KUVORA_SCREENSHOT_DIR set, the dialog's picture is kept there too.
void keep(const QImage& image, const char* name) {
    const QString dir = qEnvironmentVariable("KUVORA_SCREENSHOT_DIR");
    if (!dir.isEmpty()) image.save(dir + "/" + name);
}

struct SpendingDlg : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    test::LibrarySession session{"image:" + test::sourcePath("data/cards/suica-sample.json")};
    CKuvoraDoc doc;
    SpendingDlg() {
        test::importSampleNames();
        doc.OnNewDocument();
        doc.m_nMode = 1;
        doc.OnCardRead();
    }
};

}  // namespace

// The sample card's November, worked in tests/cli/SpendingCliTest.cpp:
// fares 2620, purchases 640, charges 5780.
TEST_F(SpendingDlg, TotalsAndTheBalanceChart) {
    ASSERT_EQ(doc.m_nRows, 20);
    SpendingDialog dlg(doc);
    EXPECT_EQ(dlg.windowTitle(), "利用集計");
    ASSERT_EQ(dlg.Totals()->rowCount(), 2);
    EXPECT_EQ(rowTexts(dlg.Totals(), 0), QStringList({"2026-11", "2,620", "640", "5,780"}));
    EXPECT_EQ(rowTexts(dlg.Totals(), 1), QStringList({"合計", "2,620", "640", "5,780"}));

    dlg.show();
    const QImage shot = dlg.grab().toImage();
    keep(shot, "spending-dialog.png");
    EXPECT_TRUE(hasLineColour(shot));

    ASSERT_TRUE(dlg.SaveChart(home.file("chart.png")));
    const QImage png(home.file("chart.png"));
    ASSERT_FALSE(png.isNull());
    EXPECT_TRUE(hasLineColour(png));
    ASSERT_TRUE(dlg.SaveChart(home.file("chart.SVG")));
    const QByteArray svg = fileBytes(home.file("chart.SVG"));
    EXPECT_TRUE(svg.startsWith("<?xml")) << svg.left(40).toStdString();
    EXPECT_TRUE(svg.contains("<path")) << "no line in the SVG";
    EXPECT_FALSE(dlg.SaveChart(home.file("no/such/folder/chart.png")));
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('\n').toStdString();
}

TEST_F(SpendingDlg, JourneysOfARangeSavedAndCopied) {
    JourneysDialog dlg(doc);
    EXPECT_EQ(dlg.windowTitle(), "交通費の一覧");
    // At first the newest fare's month up to that fare: all 13 fares.
    EXPECT_EQ(dlg.Table()->rowCount(), 13);
    EXPECT_EQ(dlg.TotalLabel()->text(), "13 件  合計 2,620 円");
    dlg.show();
    keep(dlg.grab().toImage(), "journeys-dialog.png");

    dlg.SetRange(QDate(2026, 11, 26), QDate(2026, 11, 28));
    ASSERT_EQ(dlg.Table()->rowCount(), 4);
    EXPECT_EQ(rowTexts(dlg.Table(), 0), QStringList({"2026-11-26", "バス", "見本病院前", "", "220"}));
    EXPECT_EQ(rowTexts(dlg.Table(), 3), QStringList({"2026-11-28", "乗車", "見本中央", "見本公園", "210"}));
    EXPECT_EQ(dlg.TotalLabel()->text(), "4 件  合計 890 円");

    // The claim names the card and the period chosen.
    const ExpenseClaim claim = dlg.Claim();
    EXPECT_EQ(QStringList({ExpenseClaimCard(claim), claim.idm, claim.from, claim.to}),
              QStringList({"Suica/ICOCA/TOICA/PiTaPa/PASMO", "01010410C8192A3B", "2026-11-26", "2026-11-28"}));
    ASSERT_TRUE(dlg.SaveCsv(home.file("j.csv")));
    EXPECT_EQ(fileBytes(home.file("j.csv")), ExpenseClaimCsv(claim));
    dlg.CopyText();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().endsWith("合計\t\t\t\t890\n"));

    // The A4 page, saved and printed (to a PDF printer); its content is
    // checked on kuvora-cli's (SpendingCliTest).
    ASSERT_TRUE(dlg.SavePdf(home.file("j.pdf")));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(home.file("printed.pdf"));
    ASSERT_TRUE(dlg.Print(printer));
    for (const char* file : {"j.pdf", "printed.pdf"}) {
        const auto info = test::runProgram("pdfinfo", {home.file(file)});
        EXPECT_TRUE(info.out.contains(QRegularExpression("Pages: +1\n")) && info.out.contains("595 x 842 pts (A4)"))
            << info.out.toStdString();
    }

    dlg.SetRange(QDate(2026, 12, 1), QDate(2026, 12, 31));
    EXPECT_EQ(dlg.Table()->rowCount(), 0);
    EXPECT_EQ(dlg.TotalLabel()->text(), "0 件  合計 0 円");
}

// The yen axis steps by round amounts, at most five of them to the top.
TEST(BalanceChartAxes, YenStepsAreRound) {
    const struct {
        qint64 highest, step, top;
    } cases[] = {
        {0, 100, 100},       {90, 100, 100},       {480, 100, 500},      {730, 200, 800},
        {2412, 500, 2500},   {4999, 1000, 5000},   {5001, 2000, 6000},   {9800, 2000, 10000},
        {20000, 5000, 20000}, {49000, 10000, 50000}, {3000000, 1000000, 3000000},
    };
    for (const auto& c : cases) {
        const YenAxis axis = YenAxisFor(c.highest);
        EXPECT_EQ(axis.step, c.step) << c.highest;
        EXPECT_EQ(axis.top, c.top) << c.highest;
    }
    EXPECT_EQ(YenTickText(12500), "12,500円");
}

// Months along the date axis, fewer when they would crowd.
TEST(BalanceChartAxes, MonthTicksThinOut) {
    auto texts = [](const std::vector<QDate>& dates) {
        QStringList out;
        for (const QDate& d : dates) out << d.toString("yyyy/MM");
        return out;
    };
    EXPECT_EQ(texts(MonthTicks(QDate(2026, 11, 3), QDate(2026, 11, 28), 5)), QStringList({"2026/11"}));
    EXPECT_EQ(texts(MonthTicks(QDate(2026, 9, 15), QDate(2026, 12, 2), 5)),
              QStringList({"2026/10", "2026/11", "2026/12"}));
    EXPECT_EQ(texts(MonthTicks(QDate(2026, 1, 1), QDate(2026, 12, 31), 5)),
              QStringList({"2026/01", "2026/04", "2026/07", "2026/10"}));
    EXPECT_EQ(texts(MonthTicks(QDate(2020, 1, 1), QDate(2026, 12, 31), 8)),
              QStringList({"2020/01", "2021/01", "2022/01", "2023/01", "2024/01", "2025/01", "2026/01"}));
}

// The title names the card; each step's tool tip gives its day, trade and
// balance; the chart finds the step under the mouse.
TEST_F(SpendingDlg, ChartTitleAndStepToolTips) {
    EXPECT_EQ(BalanceChartTitle("通勤用", "Suica"), "残高の推移 — 通勤用（Suica）");
    EXPECT_EQ(BalanceChartTitle("", "Edy"), "残高の推移 — Edy");
    EXPECT_EQ(BalanceChartTitle("", ""), "残高の推移");
    EXPECT_EQ(BalancePointToolTip({"2026-11-28", 1234, "支払"}), "2026/11/28  支払\n残高 1,234円");
    EXPECT_EQ(BalancePointToolTip({"", 50, ""}), "日付なし\n残高 50円");

    CHistoryTable table;
    QString error;
    ASSERT_TRUE(SetCardNickname(table, doc.m_strIDm, 1, "通勤用", error)) << error.toStdString();
    SpendingDialog dlg(doc);
    BalanceChart* chart = dlg.Chart();
    EXPECT_EQ(chart->Title(), BalanceChartTitle("通勤用", doc.m_strCardTypeName));
    dlg.show();
    const std::vector<BalancePoint> series = BalanceSeries(ClassifyRows(1, doc.m_History, doc.m_nRows));
    ASSERT_FALSE(series.empty());
    const std::vector<QPointF> points = BalanceChartPoints(QFontMetricsF(chart->font()), chart->rect(), series);
    ASSERT_EQ(points.size(), series.size());
    const QPointF newest = points.back();
    EXPECT_EQ(chart->PointAt(newest.toPoint() + QPoint(2, 30)), int(points.size()) - 1);
    EXPECT_EQ(chart->PointAt(QPoint(0, 0)), -1);  // left of the plot
    for (const QPointF& p : points) EXPECT_TRUE(chart->rect().contains(p.toPoint()));
    keep(chart->grab().toImage(), "balance-chart.png");
}

// Edy records its days as the transit cards do: the same axis of months.
TEST(BalanceChartAxes, EdyRecordsAreDated) {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    test::LibrarySession session{"image:" + test::sourcePath("data/cards/edy-sample.json")};
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.m_nMode = 128;
    doc.OnCardRead();
    const std::vector<BalancePoint> series = BalanceSeries(ClassifyRows(128, doc.m_History, doc.m_nRows));
    ASSERT_FALSE(series.empty());
    for (const BalancePoint& p : series) {
        EXPECT_TRUE(IsIsoDate(p.date)) << p.date.toStdString();
        EXPECT_TRUE(BalancePointToolTip(p).startsWith(QDate::fromString(p.date, Qt::ISODate).toString("yyyy/MM/dd")));
    }
}
