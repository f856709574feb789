// LibreOffice opens the exported workbook and converts it to text: every
// cell as the document holds it.
#include "CKuvoraDoc.h"
#include "ExportTestSupport.h"
#include "HistoryCsv.h"
#include "HistoryExport.h"
#include "Spending.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <map>
#include <tuple>

using namespace history;

namespace {

// `file` converted by LibreOffice (with `filterArgs` before the conversion)
// to `format` (a suffix, then the filter's options); empty when it failed.
QByteArray convert(const test::IsolatedHome& home, const QString& file, const QStringList& filterArgs,
                   const QProcessEnvironment& env, const QString& format) {
    const test::ProcessResult r = test::runProgram(
        "soffice",
        QStringList{"-env:UserInstallation=file://" + home.file("lo-profile"), "--headless"} + filterArgs +
            QStringList{"--convert-to", format, "--outdir", home.file("out"), home.file(file)},
        env, 180000);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile converted(home.file("out/" + QFileInfo(file).completeBaseName() + "." + format.section(':', 0, 0)));
    if (!converted.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << r.out.toStdString() << r.err.toStdString();
        return {};
    }
    return converted.readAll();
}

// `file` converted by LibreOffice to tab-separated text, one list of cells
// a line; empty when it failed.
QList<QStringList> officeRows(const test::IsolatedHome& home, const QString& file, const QStringList& filterArgs,
                              const QProcessEnvironment& env) {
    QList<QStringList> rows;
    const QByteArray text = convert(home, file, filterArgs, env, "csv:Text - txt - csv (StarCalc):9,34,76,1");
    for (const QString& line : QString::fromUtf8(text).split('\n')) {
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

// A cell as LibreOffice holds it: its type (string, float, date, time), its
// value (the text of a string), and its formula, if any.
struct OfficeCell {
    QString type, value, formula;
};

// The cells of the first sheet of `file` as LibreOffice opens it (a CSV file
// with the import options a user's double click gets), saved as a flat
// OpenDocument spreadsheet.
QList<QList<OfficeCell>> officeCells(const test::IsolatedHome& home, const QString& file, const QProcessEnvironment& env) {
    QList<QList<OfficeCell>> rows;
    QXmlStreamReader xml(convert(home, file, {"--infilter=CSV:44,34,76,1"}, env, "fods"));
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (xml.isEndElement() && xml.name() == u"table") break;  // the first sheet only
        if (!xml.isStartElement()) continue;
        if (xml.name() == u"table-row") rows.append(QList<OfficeCell>());
        if (xml.name() != u"table-cell" || rows.isEmpty()) continue;
        const QXmlStreamAttributes a = xml.attributes();
        OfficeCell cell{a.value("office:value-type").toString(), QString(), a.value("table:formula").toString()};
        for (const char* value : {"office:value", "office:date-value", "office:time-value", "office:string-value"})
            if (a.hasAttribute(value)) cell.value = a.value(value).toString();
        const int repeat = std::min(a.value("table:number-columns-repeated").toInt(), 64);
        // The paragraph's text, without the file's indentation around it.
        const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        if (cell.type == "string" && cell.value.isEmpty()) cell.value = text;
        for (int i = 0; i < std::max(repeat, 1); ++i) rows.last().append(cell);
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
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
// The history CSV and the expense claim's CSV, opened as a user opens them:
// dates are dates, times times, amounts numbers, codes the text shown (01,
// 0001E3), and a name that would be a formula is text, never a live formula.
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
    // Names from a shared table that a spreadsheet would run.
    const QString link = "=HYPERLINK(\"http://example.invalid/\",\"x\")", command = "=cmd|' /C calc'!A0";
    doc.m_History.SetText(DepartureStation, 2, link);
    doc.m_History.SetText(SerialCode, 0, "0001E3");
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

    const ExpenseClaim claim{"通勤用", "PASMO", "0101041087654321", "2011-03-01", "2011-03-31",
                             {{"2011-03-12", command, "+81", 160}, {"2011-03-14", "見本北", "", 210}}};
    ASSERT_TRUE(WriteExpenseClaimCsv(home.file("claim.csv"), claim));
    // Cells as LibreOffice holds them: file, row, column, type, value. A code,
    // and only a code, is the formula that gives its text.
    const std::tuple<QString, int, int, QString, QString> typed[] = {
        {"history.csv", 1, 3, "string", "01"},        {"history.csv", 1, 6, "date", "2026-11-28"},
        {"history.csv", 1, 17, "float", "3470"},      {"history.csv", 1, 19, "string", "0001E3"},
        {"history.csv", 3, 8, "time", "PT17H18M00S"}, {"history.csv", 3, 12, "string", "'" + link},
        {"claim.csv", 2, 1, "string", "0101041087654321"}, {"claim.csv", 6, 0, "date", "2011-03-12"},
        {"claim.csv", 6, 2, "string", "'" + command},      {"claim.csv", 6, 3, "string", "'+81"},
        {"claim.csv", 8, 4, "float", "370"},
    };
    std::map<QString, QList<QList<OfficeCell>>> opened;
    for (const auto& [file, row, column, type, value] : typed) {
        SCOPED_TRACE(QStringLiteral("%1 %2,%3").arg(file).arg(row).arg(column).toStdString());
        if (!opened.count(file)) opened[file] = officeCells(home, file, env);
        const OfficeCell cell = opened[file].value(row).value(column);
        EXPECT_EQ(cell.type, type) << cell.value.toStdString();
        EXPECT_EQ(cell.value, value);
        const bool code = type == "string" && !value.startsWith('\'');
        EXPECT_EQ(cell.formula, code ? "of:=\"" + value + "\"" : QString());
    }
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
