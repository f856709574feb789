// 利用集計 and 交通費の一覧 on the sample Suica card: the totals, the chart
// saved as PNG and SVG, the journeys of a range saved and copied.
#include "CKuvoraDoc.h"
#include "MessageSink.h"
#include "SpendingDialog.h"
#include "TestSupport.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
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
    EXPECT_EQ(rowTexts(dlg.Table(), 0), QStringList({"2026-11-26", "見本病院前", "", "220"}));
    EXPECT_EQ(rowTexts(dlg.Table(), 3), QStringList({"2026-11-28", "見本中央", "見本公園", "210"}));
    EXPECT_EQ(dlg.TotalLabel()->text(), "4 件  合計 890 円");

    ASSERT_TRUE(dlg.SaveCsv(home.file("j.csv")));
    EXPECT_EQ(fileBytes(home.file("j.csv")), JourneysCsv(dlg.Shown()));
    dlg.CopyText();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().endsWith("合計\t\t\t890\n"));

    dlg.SetRange(QDate(2026, 12, 1), QDate(2026, 12, 31));
    EXPECT_EQ(dlg.Table()->rowCount(), 0);
    EXPECT_EQ(dlg.TotalLabel()->text(), "0 件  合計 0 円");
}
