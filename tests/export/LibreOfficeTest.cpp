// LibreOffice opens the exported workbook and converts it to text: every
// cell as the document holds it.
#include "CKuvoraDoc.h"
#include "ExportTestSupport.h"
#include "HistoryCsv.h"
#include "HistoryExport.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace history;

namespace {

// `file` converted by LibreOffice (with `filterArgs` before the conversion)
// to tab-separated text, one list of cells a line; empty when it failed.
QList<QStringList> officeRows(const test::IsolatedHome& home, const QString& file, const QStringList& filterArgs,
                              const QProcessEnvironment& env) {
    const test::ProcessResult r = test::runProgram(
        "soffice",
        QStringList{"-env:UserInstallation=file://" + home.file("lo-profile"), "--headless"} + filterArgs +
            QStringList{"--convert-to", "csv:Text - txt - csv (StarCalc):9,34,76,1", "--outdir", home.file("out"),
                        home.file(file)},
        env, 180000);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile converted(home.file("out/" + QFileInfo(file).completeBaseName() + ".csv"));
    if (!converted.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << r.out.toStdString() << r.err.toStdString();
        return {};
    }
    QList<QStringList> rows;
    for (const QString& line : QString::fromUtf8(converted.readAll()).split('\n')) {
        QStringList cells;
        for (QString c : line.split('\t')) {
            if (c.startsWith('"') && c.endsWith('"') && c.size() >= 2) c = c.mid(1, c.size() - 2).replace("\"\"", "\"");
            cells << c;
        }
        rows << cells;
    }
    while (!rows.isEmpty() && rows.last() == QStringList{QString()}) rows.removeLast();
    return rows;
}

}  // namespace

TEST(LibreOffice, ConvertsTheSuicaWorkbookToTheSameCells) {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    test::importSampleNames();
    test::LibrarySession session("image:" + test::sourcePath("data/cards/suica-sample.json"));
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.m_nMode = 1;
    doc.OnCardRead();
    ASSERT_EQ(doc.m_nRows, 20);
    ASSERT_TRUE(WriteFileReplacing(home.file("history.xls"), ExportWorkbook(doc)));

    const QList<QStringList> rows = officeRows(home, "history.xls", {}, QProcessEnvironment::systemEnvironment());
    ASSERT_EQ(rows.size(), 41);
    auto cells = [&](int row) { return rows[row]; };
    EXPECT_EQ(cells(0), QStringList({"生データ", "端末種", "処 理", "日 付", "時 刻", "入線区", "入駅順", "出線区",
                                     "出駅順", "残 高", "履歴連番", "備 考"}));
    const int upper[12] = {BlockData, TerminalCode, TradeCode, DateCode, TimeCode, DepartureLineCode,
                           DepartureStationCode, ArrivalLineCode, ArrivalStationCode, Balance, SerialCode, Note2};
    for (int i = 0; i < 20; ++i) {
        const QStringList row = cells(2 * i + 1);
        ASSERT_EQ(row.size(), 12) << row.join('\t').toStdString();
        for (int c = 0; c < 12; ++c) EXPECT_EQ(row[c], doc.m_History.Text(upper[c], i)) << i << "," << c;
        EXPECT_EQ(cells(2 * i + 2)[8], doc.m_History.Text(ArrivalStation, i));
    }
}

// LibreOffice imports the CSV export as UTF-8 text separated by commas: the
// byte-order mark is taken as such (not as part of the first title), the
// Japanese arrives intact and every field in its own cell, quoted ones too.
TEST(LibreOffice, OpensTheCsvWithJapaneseIntactAndOneCellPerField) {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    test::importSampleNames();
    test::LibrarySession session("image:" + test::sourcePath("data/cards/suica-sample.json"));
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.m_nMode = 1;
    doc.OnCardRead();
    ASSERT_EQ(doc.m_nRows, 20);
    doc.m_History.SetText(Note1, 1, "新宿,南口 \"東\"");
    ASSERT_TRUE(WriteFileReplacing(home.file("history.csv"), ExportCsv(doc)));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LANG", "C");
    env.insert("LC_ALL", "C");
    const QList<QStringList> rows = officeRows(home, "history.csv", {"--infilter=CSV:44,34,76,1"}, env);
    ASSERT_EQ(rows.size(), 21);
    auto cells = [&](int row) { return rows[row]; };
    EXPECT_EQ(cells(0), HistoryCsvHeader());
    const QStringList row0 = cells(1);
    ASSERT_EQ(row0.size(), 23) << row0.join('\t').toStdString();
    EXPECT_EQ(row0[2], "改札機");
    EXPECT_EQ(row0[12], "見本中央");
    EXPECT_EQ(row0[16], "見本公園");
    EXPECT_EQ(row0[17], "3470");
    EXPECT_EQ(cells(2).size(), 23) << cells(2).join('\t').toStdString();
    EXPECT_EQ(cells(2)[22], "新宿,南口 \"東\"");
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
