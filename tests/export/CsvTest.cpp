// The CSV export: quoting, and the file of the sample Suica card.
#include "CKuvoraDoc.h"
#include "DocumentReads.h"
#include "ExportTestSupport.h"
#include "HistoryCsv.h"

using namespace history;

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

// The records of CSV text: fields split at commas outside quotes, quotes
// undone, records ended by CR LF outside quotes. Written apart from the
// writer so that a fault in one is not repeated in the other.
std::vector<QStringList> parseCsv(const QString& text) {
    std::vector<QStringList> records;
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields << field;
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            fields << field;
            records.push_back(fields);
            fields.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(field.isEmpty() && fields.isEmpty()) << "the last record has no CR LF";
    return records;
}

}  // namespace

TEST(Csv, FieldsAreQuotedOnlyWhereTheyMustBe) {
    const struct {
        QString text;
        QString field;
    } cases[] = {
        {"", ""},
        {"見本中央", "見本中央"},
        {" 3470", " 3470"},
        {"新宿,南口", "\"新宿,南口\""},
        {"\"目白\"", "\"\"\"目白\"\"\""},
        {"a\nb", "\"a\nb\""},
        {"a\rb", "\"a\rb\""},
        {"'=1+1", "'=1+1"},
        {"x;y\tz", "x;y\tz"},
    };
    for (const auto& c : cases) EXPECT_EQ(CsvField(c.text), c.field) << c.text.toStdString();
    EXPECT_EQ(CsvLine({"a", "b,c", ""}), "a,\"b,c\",\r\n");
    // Whatever the texts, a parser gets them back field for field.
    QStringList all;
    for (const auto& c : cases) all << c.text;
    const auto records = parseCsv(CsvLine(all) + CsvLine({"end"}));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], all);
}

// A text a spreadsheet would take for a formula is neutralised as OWASP
// advises (an apostrophe first, the field quoted), and comes back whole.
TEST(Csv, TextsThatLookLikeFormulasAreNeutralisedAndComeBack) {
    const std::pair<QString, QString> cases[] = {{"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""}, {"@SUM(A1)", "\"'@SUM(A1)\""},
                                                 {"'=x", "\"''=x\""}, {"'abc", "'abc"}, {"新宿,南口", "\"新宿,南口\""}};
    for (const auto& [text, cell] : cases) {
        EXPECT_EQ(CsvTextCell(text), cell);
        EXPECT_EQ(CsvTextOfCell(parseCsv(CsvCellLine({cell}))[0][0]), text);
    }
    // A control character an earlier version stored becomes a space first, so
    // a leading tab or CR starts no formula either.
    EXPECT_EQ(CsvTextCell("\t=x\r"), " =x ");
}

TEST(Csv, TheSampleCardGivesABomAHeaderAndOneLinePerRowWithPlainAmounts) {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    test::importSampleNames();
    test::LibrarySession session;
    auto doc = test::ReadDocument(session, "image:" + test::sourcePath("data/cards/suica-sample.json"), 1);
    ASSERT_EQ(doc->m_nRows, 20);
    const QByteArray bytes = ExportCsv(*doc);
    ASSERT_TRUE(bytes.startsWith(kBom));
    const auto records = parseCsv(QString::fromUtf8(bytes.mid(kBom.size())));
    ASSERT_EQ(records.size(), 21u);
    EXPECT_EQ(records[0], HistoryCsvHeader());
    EXPECT_EQ(records[0].mid(0, 3), QStringList({"生データ", "端末種コード", "端末種"}));
    for (const QStringList& r : records) EXPECT_EQ(r.size(), 23);
    const QStringList row0 = records[1];
    // Codes as formulas of their text, the date and the time in ISO form.
    EXPECT_EQ(row0.mid(0, 9), QStringList({"=\"16010000357C011001308E0D0002B400\"", "=\"16\"", "改札機", "=\"01\"",
                                           "支払", "=\"357C\"", "2026-11-28", "=\"0000\"", ""}));
    EXPECT_EQ(row0.mid(10, 3), QStringList({"見本鉄道", "=\"10\"", "見本中央"}));
    EXPECT_EQ(row0[16], "見本公園");
    EXPECT_EQ(row0.mid(17, 4), QStringList({"3470", "210", "=\"0002B4\"", "692"}));
    EXPECT_EQ(records[3][8], "17:18");
    // Every row in display order, newest first.
    for (int row = 0; row < 20; ++row)
        EXPECT_EQ(records[static_cast<std::size_t>(row) + 1][0], "=\"" + doc->m_History.Text(BlockData, row) + "\"");
    // A document before any read: the header and its 20 empty rows.
    CKuvoraDoc empty;
    empty.OnNewDocument();
    EXPECT_EQ(ExportCsv(empty), kBom + CsvLine(HistoryCsvHeader()).toUtf8() + QByteArray(22, ',').append("\r\n").repeated(20));
}
