#include "CKuvoraDoc.h"
#include "Cp932.h"
#include "DocumentReads.h"
#include "ExportTestSupport.h"
#include "HistoryExport.h"
#include "XlsBook.h"

#include <QCoreApplication>
#include <QDir>
#include <QXmlStreamReader>

#include <csignal>
#include <sys/resource.h>

using namespace history;

namespace {

QString sample(const char* name) { return "image:" + test::sourcePath(QString("data/cards/") + name); }

// Row 0 of the sample Suica card: the texts every format takes.
const QString kSuicaBlock = "16010000357C011001308E0D0002B400";
const QString kSuicaTextLine0 =
    kSuicaBlock + "\t16\t01\t26年11月28日\t\t01\t10\t見本中央\t01\t30\t見本公園\t 3470\t0002B4\t\t\n";
const QString kSuicaXmlHistory0 =
    "<HISTORY>\r\n<BLOCK_DATA>" + kSuicaBlock +
    "</BLOCK_DATA>\r\n<TERMINAL_CODE>16</TERMINAL_CODE>\r\n<TERMINAL>改札機</TERMINAL>\r\n"
    "<TRADE_CODE>01</TRADE_CODE>\r\n<TRADE>支払</TRADE>\r\n<DATE_CODE>357C</DATE_CODE>\r\n"
    "<DATE>26年11月28日</DATE>\r\n<TIME_CODE>0000</TIME_CODE>\r\n<TIME/>\r\n"
    "<DEPARTURE>\r\n<LINE_CODE>01</LINE_CODE>\r\n<COMPANY_NAME>見本鉄道</COMPANY_NAME>\r\n"
    "<STATION_CODE>10</STATION_CODE>\r\n<STATION>見本中央</STATION>\r\n</DEPARTURE>\r\n"
    "<ARRIVAL>\r\n<LINE_CODE>01</LINE_CODE>\r\n<COMPANY_NAME>見本鉄道</COMPANY_NAME>\r\n"
    "<STATION_CODE>30</STATION_CODE>\r\n<STATION>見本公園</STATION>\r\n</ARRIVAL>\r\n"
    "<BALANCE> 3470</BALANCE>\r\n<SERIAL_CODE>0002B4</SERIAL_CODE>\r\n<SERIAL>     692</SERIAL>\r\n"
    "<POINT>  210</POINT>\r\n<NOTE1/>\r\n<NOTE2/>\r\n</HISTORY>\r\n";
const QString kEmptyXmlHistory =
    "<HISTORY>\r\n<BLOCK_DATA/>\r\n<TERMINAL_CODE/>\r\n<TERMINAL/>\r\n<TRADE_CODE/>\r\n<TRADE/>\r\n"
    "<DATE_CODE/>\r\n<DATE/>\r\n<TIME_CODE/>\r\n<TIME/>\r\n<DEPARTURE>\r\n<LINE_CODE/>\r\n<COMPANY_NAME/>\r\n"
    "<STATION_CODE/>\r\n<STATION/>\r\n</DEPARTURE>\r\n<ARRIVAL>\r\n<LINE_CODE/>\r\n<COMPANY_NAME/>\r\n"
    "<STATION_CODE/>\r\n<STATION/>\r\n</ARRIVAL>\r\n<BALANCE/>\r\n<SERIAL_CODE/>\r\n<SERIAL/>\r\n<POINT/>\r\n"
    "<NOTE1/>\r\n<NOTE2/>\r\n</HISTORY>\r\n";
const QString kDeclaration = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";

// An observer that answers the Save As dialog with a fixed path.
class SavePathObserver : public IDocumentObserver {
public:
    void OnReadFinished() override {}
    void OnModePaneText(const QString&) override {}
    QString ChooseSavePath() override { return path; }
    QString path;
};

struct Export : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    test::LibrarySession session;
    SavePathObserver observer;

    Export() { test::importSampleNames(); }
    std::unique_ptr<CKuvoraDoc> read(const char* card, int mode) {
        auto doc = test::ReadDocument(session, sample(card), mode, &observer);
        EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
        return doc;
    }
    QByteArray saveAs(CKuvoraDoc& doc, const QString& name) {
        observer.path = home.file(name);
        EXPECT_TRUE(doc.DoSave(QString(), true));
        QFile f(observer.path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        return f.readAll();
    }
};

// Every element name and text of an XML document, read by a real parser.
QStringList parseXml(const QByteArray& bytes) {
    QXmlStreamReader reader(bytes);
    QStringList seen;
    QString encoding;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartDocument()) encoding = reader.documentEncoding().toString();
        else if (reader.isStartElement()) seen << reader.name().toString();
        else if (reader.isCharacters() && !reader.isWhitespace()) seen << "=" + reader.text().toString();
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(encoding, "Shift_JIS");
    return seen;
}

}  // namespace

TEST_F(Export, SuicaCardTextIsFifteenColumnsOfCp932PerDisplayRow) {
    auto doc = read("suica-sample.json", 1);
    const QByteArray bytes = saveAs(*doc, "history.txt");
    const QStringList lines = test::fromCp932(bytes).split('\n');
    ASSERT_EQ(lines.size(), 21);  // 20 lines, each ending in a line feed
    EXPECT_EQ(lines[0] + "\n", kSuicaTextLine0);
    EXPECT_EQ(lines[20], "");
    for (const QString& line : lines.mid(0, 20)) EXPECT_EQ(line.count('\t'), 14);
    EXPECT_TRUE(bytes.contains("\x94\x4E"));  // 年 in CP932
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_FALSE(bytes.contains('\r'));
    // The half-width katakana note of row 1 keeps one byte per character.
    EXPECT_TRUE(bytes.contains("\xB5\xB0\xC4\xC1\xAC\xB0\xBC\xDE"));
}

TEST_F(Export, SuicaCardXmlIsTheExactTextAndParses) {
    auto doc = read("suica-sample.json", 1);
    const QByteArray bytes = saveAs(*doc, "history.XML");  // the extension compared lower-cased
    const QString text = test::fromCp932(bytes);
    EXPECT_TRUE(text.startsWith(kDeclaration + "<SFCard>\r\n<IDM>01010410C8192A3B</IDM>\r\n<CARD_TYPE>1</CARD_TYPE>\r\n" +
                                kSuicaXmlHistory0))
        << text.left(600).toStdString();
    EXPECT_TRUE(text.endsWith("</HISTORY>\r\n</SFCard>\r\n"));
    EXPECT_EQ(text.count("<HISTORY>"), 20);
    EXPECT_FALSE(text.contains("EDY_NUMBER") || text.contains("JMB_NUMBER"));
    const QStringList seen = parseXml(bytes);
    EXPECT_EQ(seen.mid(0, 5), QStringList({"SFCard", "IDM", "=01010410C8192A3B", "CARD_TYPE", "=1"}));
    EXPECT_EQ(seen.count("HISTORY"), 20);
    EXPECT_TRUE(seen.contains("=見本公園"));
}

TEST_F(Export, TheDocumentAfterStartUpGivesTwentyEmptyRowsInEveryFormat) {
    CKuvoraDoc doc;
    doc.OnNewDocument();
    EXPECT_EQ(ExportText(doc), QByteArray("\t\t\t\t\t\t\t\t\t\t\t\t\t\t\n").repeated(20));
    EXPECT_EQ(QString::fromLatin1(ExportXml(doc)),
              kDeclaration + "<SFCard>\r\n<IDM/>\r\n<CARD_TYPE>0</CARD_TYPE>\r\n" + kEmptyXmlHistory.repeated(20) +
                  "</SFCard>\r\n");
    parseXml(ExportXml(doc));
    const QJsonObject book = test::readWorkbookBytes(ExportWorkbook(doc));
    ASSERT_EQ(book.keys(), QStringList{"SFCard History"});
    const QJsonArray rows = book["SFCard History"].toArray();
    ASSERT_EQ(rows.size(), 1);  // the title row; the 40 empty rows hold no cells
    QStringList titles;
    for (const auto& v : rows[0].toArray()) titles << v.toString();
    EXPECT_EQ(titles, QStringList({"生データ", "端末種", "処 理", "日 付", "時 刻", "入線区", "入駅順", "出線区",
                                   "出駅順", "残 高", "履歴連番", "備 考"}));
}

TEST_F(Export, EdyAndJalCardsCarryTheirCardNumberRightAfterTheCardType) {
    for (const auto& [card, type, element] : {std::tuple{"edy-sample.json", 128, "EDY_NUMBER"},
                                              std::tuple{"jalic-sample.json", 129, "JMB_NUMBER"}}) {
        auto doc = read(card, type);
        ASSERT_FALSE(doc->m_strCardNumber.isEmpty());
        const QString text = test::fromCp932(ExportXml(*doc));
        const QString head = kDeclaration + "<SFCard>\r\n<IDM>" + doc->m_strIDm + "</IDM>\r\n<CARD_TYPE>" +
                             QString::number(type) + "</CARD_TYPE>\r\n<" + element + ">" + doc->m_strCardNumber +
                             "</" + element + ">\r\n<HISTORY>\r\n<BLOCK_DATA>" + doc->m_History.Text(BlockData, 0) +
                             "</BLOCK_DATA>\r\n";
        EXPECT_TRUE(text.startsWith(head)) << card << "\n" << text.left(400).toStdString();
        EXPECT_EQ(text.count("<HISTORY>"), doc->m_nRows);
        EXPECT_EQ(text.count("_NUMBER>"), 2);
        parseXml(ExportXml(*doc));
        EXPECT_EQ(ExportText(*doc).count('\n'), doc->m_nRows);
    }
}

TEST_F(Export, XmlEscapesOnlyAngleBracketsAndAmpersands) {
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.m_nRows = 1;
    doc.m_History.SetText(Note1, 0, "a<b & c>d \"q\" 'x'");
    doc.m_History.SetText(Note2, 0, "&amp;");
    const QString text = QString::fromLatin1(ExportXml(doc));
    EXPECT_TRUE(text.contains("<NOTE1>a&lt;b &amp; c&gt;d \"q\" 'x'</NOTE1>\r\n<NOTE2>&amp;amp;</NOTE2>\r\n"));
    const QStringList seen = parseXml(ExportXml(doc));
    EXPECT_TRUE(seen.contains("=a<b & c>d \"q\" 'x'"));
    EXPECT_TRUE(seen.contains("=&amp;"));
}

TEST_F(Export, CharactersOutsideCp932BecomeQuestionMarksAndTheRestIsWritten) {
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.m_nRows = 2;
    doc.m_History.SetText(Note1, 0, QString::fromUtf8("い～カード 😀 x\xC2\xA7y"));  // U+FF5E, an emoji, §
    doc.m_History.SetText(Note1, 1, QString(QChar(0xD800)) + "z");                  // a lone surrogate
    const QByteArray bytes = ExportText(doc);
    EXPECT_TRUE(bytes.contains("\x82\xA2\x81\x60\x83\x4A\x81\x5B\x83\x68 ? x\x81\x98y")) << bytes.toHex().toStdString();
    EXPECT_TRUE(bytes.contains("\t?z\t\n"));
    EXPECT_EQ(bytes.count('\n'), 2);
}

// History.db may hold names with control characters (given before they
// were refused): every row keeps its one line in the text export and the
// TCP text (the character becomes a space), the XML stays well-formed (what
// XML 1.0 cannot hold, and DEL, becomes U+FFFD, written "?" in CP932), and
// the workbook keeps the name.
TEST_F(Export, NamesWithControlCharactersKeepEveryFormatWhole) {
    CKuvoraDoc doc;
    doc.OnNewDocument();
    doc.m_nRows = 32;
    doc.m_nCardRows = 20;
    auto name = [](int row) { return "a" + QString(QChar(row < 31 ? row + 1 : 0x7F)) + "b"; };
    for (int row = 0; row < doc.m_nRows; ++row) {
        doc.m_History.SetText(BlockData, row, QString::asprintf("%032X", row + 1));
        doc.m_History.SetText(DepartureStation, row, name(row));
    }
    const QStringList lines = test::fromCp932(ExportText(doc)).split('\n');
    ASSERT_EQ(lines.size(), 33);
    for (int row = 0; row < 32; ++row) {
        EXPECT_EQ(lines[row].count('\t'), 14) << row;
        EXPECT_EQ(lines[row].section('\t', 7, 7), "a b") << row;
    }

    const QStringList sent = HistorySendText(doc).split('\n');
    ASSERT_EQ(sent.size(), 2 + 20 + 1);
    for (int row = 0; row < 20; ++row) {
        EXPECT_EQ(sent[2 + row].count('\t'), 13) << row;
        EXPECT_EQ(sent[2 + row].section('\t', 7, 7), "a b") << row;
    }

    EXPECT_TRUE(HistoryXmlText(doc).contains(QString("<STATION>a") + QChar(QChar::ReplacementCharacter) + "b</STATION>"));
    QXmlStreamReader xml(ExportXml(doc));
    QStringList stations;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("STATION"))
            stations << xml.readElementText();
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    ASSERT_EQ(stations.size(), 64);
    for (int row = 0; row < 32; ++row) {
        const char16_t c = name(row)[1].unicode();
        // A parser reads a CR in a text as a line feed.
        const QString kept = c == '\t' || c == '\n' ? name(row) : c == '\r' ? "a\nb" : "a?b";
        EXPECT_EQ(stations[2 * row], kept) << row;
    }

    const QJsonObject book = test::readWorkbookBytes(ExportWorkbook(doc));
    for (int row = 0; row < 32; ++row) EXPECT_EQ(test::cell(book, "SFCard History", 2 * row + 2, 6), name(row)) << row;
}

TEST_F(Export, TheExtensionChoosesTheFormat) {
    auto doc = read("suica-sample.json", 1);
    EXPECT_TRUE(saveAs(*doc, "a.Xml").startsWith("<?xml"));
    EXPECT_TRUE(saveAs(*doc, "b.csv").startsWith(kSuicaBlock.toLatin1() + "\t"));
    EXPECT_TRUE(saveAs(*doc, "noextension").startsWith(kSuicaBlock.toLatin1() + "\t"));
    EXPECT_TRUE(saveAs(*doc, "c.XLS").startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"));
    EXPECT_EQ(doc->m_strSaveExt, "xls");
    // A path handed in keeps the format chosen last.
    EXPECT_TRUE(doc->DoSave(home.file("d.txt"), true));
    EXPECT_TRUE(QFile(home.file("d.txt")).open(QIODevice::ReadOnly));
    EXPECT_EQ(test::readWorkbook(home.file("d.txt"))["SFCard History"].toArray().size(), 41);
    // Cancelling writes nothing and says so.
    observer.path.clear();
    EXPECT_FALSE(doc->DoSave(QString(), true));
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(Export, SuicaWorkbookReadsBackCellForCell) {
    auto doc = read("suica-sample.json", 1);
    const QJsonObject book = test::readWorkbookBytes(ExportWorkbook(*doc));
    const QJsonArray rows = book["SFCard History"].toArray();
    ASSERT_EQ(rows.size(), 41);
    const int upper[12] = {BlockData, TerminalCode, TradeCode, DateCode, TimeCode, DepartureLineCode,
                           DepartureStationCode, ArrivalLineCode, ArrivalStationCode, Balance, SerialCode, Note2};
    const int lower[12] = {-1, Terminal, Trade, Date, Time, DepartureCompany, DepartureStation, ArrivalCompany,
                           ArrivalStation, Charge, Serial, Note1};
    for (int i = 0; i < doc->m_nRows; ++i)
        for (int c = 0; c < 12; ++c) {
            EXPECT_EQ(test::cell(book, "SFCard History", 2 * i + 1, c), doc->m_History.Text(upper[c], i)) << i << "," << c;
            EXPECT_EQ(test::cell(book, "SFCard History", 2 * i + 2, c), lower[c] < 0 ? "" : doc->m_History.Text(lower[c], i));
        }
    EXPECT_EQ(test::cell(book, "SFCard History", 2, 3), "26年11月28日");
    EXPECT_EQ(test::cell(book, "SFCard History", 2, 9), "  210");
}

TEST_F(Export, AFolderThatCannotBeWrittenGivesTheMessageForEveryFormat) {
    auto doc = read("suica-sample.json", 1);
    QFile blocker(home.file("notafolder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    for (const char* name : {"notafolder/h.txt", "notafolder/h.xml", "notafolder/h.xls"}) {
        observer.path = home.file(name);
        EXPECT_TRUE(doc->DoSave(QString(), true));
    }
    EXPECT_EQ(messages.messages, QStringList(3, "保存ファイルを作成できません。"));
}

TEST_F(Export, AnExistingFileSurvivesAnExportThatFailsHalfWay) {
    auto doc = read("suica-sample.json", 1);
    for (const char* name : {"old.txt", "old.xml", "old.xls"}) {
        QFile old(home.file(name));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the older file");
        old.close();
        // Writes past 100 bytes fail, as on a full disc.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 100;
        setrlimit(RLIMIT_FSIZE, &small);
        observer.path = home.file(name);
        const bool result = doc->DoSave(QString(), true);
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_TRUE(result);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), "the older file") << name;
    }
    EXPECT_EQ(messages.messages, QStringList(3, "保存ファイルを作成できません。"));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(home.path()).entryList({"old*"}, QDir::Files).size(), 3);
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden).filter(".kuvora-"), QStringList());
}

// Names up to the 255-byte limit are written, ASCII or Japanese (3 bytes a
// character in UTF-8), and the temporary file beside them is gone after.
TEST_F(Export, NamesUpToTheNameLimitAreWrittenInEveryFormat) {
    auto doc = read("suica-sample.json", 1);
    const QString names[] = {
        QString(251, 'a') + ".txt",                       // 255 bytes
        QString(239, 'b') + ".xml",                       // 243 bytes
        QString(83, QChar(0x99C5)) + ".xls",              // 駅 x 83: 253 bytes
        QString(81, QChar(0x99C5)) + "_履歴.txt",          // 254 bytes
    };
    for (const QString& name : names) {
        ASSERT_GE(QFile::encodeName(name).size(), 243);
        ASSERT_LE(QFile::encodeName(name).size(), 255);
        EXPECT_FALSE(saveAs(*doc, name).isEmpty()) << name.toStdString();
    }
    EXPECT_TRUE(messages.messages.isEmpty()) << messages.messages.join('|').toStdString();
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files | QDir::Hidden).filter(".kuvora-"), QStringList());
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
