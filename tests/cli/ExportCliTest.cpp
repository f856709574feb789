#include "ExportTestSupport.h"
#include "StationDatabasePaths.h"
#include "StationDbBuilder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>

#include <tuple>

namespace {

QString cli() { return test::binaryPath("bin/kuvora-cli"); }
QString sample(const char* name) { return "image:" + test::sourcePath(QString("data/cards/") + name); }

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct ExportCli : ::testing::Test {
    test::IsolatedHome home;
    ExportCli() { test::importSampleNames(); }
    test::ProcessResult run(const QStringList& args) { return test::runInHome(home, cli(), args); }
    // Reads a sample card in its own mode, writing the export file `name`.
    QByteArray read(const char* card, int mode, const char* format, const QString& name) {
        const auto r = run({"read", "--reader", sample(card), "--mode", QString::number(mode), "--format", format,
                            "--output", home.file(name)});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return fileBytes(home.file(name));
    }
};

}  // namespace

TEST_F(ExportCli, ReadWritesTheExportFiles) {
    const QByteArray tsv = read("suica-sample.json", 1, "tsv", "h.tsv");
    EXPECT_TRUE(test::fromCp932(tsv).startsWith(
        "16010000357C011001308E0D0002B400\t16\t01\t26年11月28日\t\t01\t10\t見本中央\t01\t30\t見本公園\t 3470\t0002B4\t\t\n"));
    EXPECT_EQ(tsv.count('\n'), 20);
    const QByteArray xml = read("suica-sample.json", 1, "xml", "h.xml");
    EXPECT_TRUE(xml.startsWith("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<SFCard>\r\n<IDM>01010410C8192A3B</IDM>"));
    read("suica-sample.json", 1, "xls", "h.xls");
    const QJsonObject book = test::readWorkbook(home.file("h.xls"));
    EXPECT_EQ(test::cell(book, "SFCard History", 0, 10), "履歴連番");
    EXPECT_EQ(test::cell(book, "SFCard History", 2, 8), "見本公園");
    EXPECT_EQ(book["SFCard History"].toArray().size(), 41);
    // Without --output the file goes to standard output.
    const auto r = run({"read", "--reader", sample("suica-sample.json"), "--mode", "1", "--format", "tsv"});
    EXPECT_EQ(r.outBytes, tsv);
}

TEST_F(ExportCli, HistoryListsTheStoredCardsAndExportsOneWithoutTheCard) {
    const QByteArray suicaTsv = read("suica-sample.json", 1, "tsv", "s.tsv");
    read("suica-sample.json", 1, "xls", "s.xls");
    read("edy-sample.json", 128, "json", "e.json");
    const QByteArray jalTsv = read("jalic-sample.json", 129, "tsv", "j.tsv");

    auto r = run({"history"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonArray cards = QJsonDocument::fromJson(r.outBytes).object()["cards"].toArray();
    ASSERT_EQ(cards.size(), 3);
    EXPECT_EQ(cards[2].toObject()["idm"].toString(), "01010410C8192A3B");  // stored first, listed last
    EXPECT_EQ(cards[2].toObject()["cardType"].toInt(), 1);
    EXPECT_EQ(cards[2].toObject()["rows"].toInt(), 20);
    EXPECT_EQ(cards[2].toObject()["newestDate"].toString(), "26年11月28日");
    EXPECT_EQ(cards[0].toObject()["cardType"].toInt(), 129);
    r = run({"history", "--format", "table"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.count('\n'), 4);

    // The stored history gives the same files as the read that stored it.
    r = run({"history", "--idm", "01010410c8192a3b", "--format", "tsv"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.outBytes, suicaTsv);
    r = run({"history", "--idm", "01010410C8192A3B", "--format", "xls", "--output", home.file("again.xls")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(test::readWorkbook(home.file("again.xls")), test::readWorkbook(home.file("s.xls")));
    const QString jalIdm = cards[0].toObject()["idm"].toString();
    r = run({"history", "--idm", jalIdm, "--card-type", "129", "--format", "tsv"});
    EXPECT_EQ(r.outBytes, jalTsv);
    r = run({"history", "--idm", jalIdm});
    const QJsonObject doc = QJsonDocument::fromJson(r.outBytes).object();
    EXPECT_EQ(doc["cardType"].toInt(), 129);
    EXPECT_EQ(doc["rows"].toInt(), cards[0].toObject()["rows"].toInt());
}

TEST_F(ExportCli, HistoryOfACardNotStoredAndBadOptions) {
    auto r = run({"history", "--idm", "0123456789ABCDEF"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "kuvora-cli: no stored history for IDm 0123456789ABCDEF\n");
    r = run({"history"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "{\"cards\":[]}\n");
    EXPECT_FALSE(QFile::exists(home.dataHome() + "/Mirokaze/History.db"));  // looking creates nothing
    EXPECT_EQ(run({"history", "--idm", "0123"}).exitCode, 2);
    EXPECT_EQ(run({"history", "--format", "xls"}).exitCode, 2);
    EXPECT_EQ(run({"history", "--idm", "0123456789ABCDEF", "--card-type", "77"}).exitCode, 2);
    EXPECT_EQ(run({"read", "--idm", "0123456789ABCDEF"}).exitCode, 2);
    // An --output that cannot be written.
    read("suica-sample.json", 1, "json", "s.json");
    r = run({"history", "--idm", "01010410C8192A3B", "--format", "xml", "--output", home.file("no/such/folder/x.xml")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("kuvora-cli: " + home.file("no/such/folder/x.xml") + ": cannot "))
        << r.err.toStdString();
}

TEST_F(ExportCli, ReadAndHistoryWriteTheSameCsv) {
    const QByteArray csv = read("suica-sample.json", 1, "csv", "h.csv");
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF"
                               "生データ,端末種コード,端末種,"));
    EXPECT_TRUE(csv.contains("\r\n\"=\"\"16010000357C011001308E0D0002B400\"\"\",\"=\"\"16\"\"\",改札機,\"=\"\"01\"\"\",支払,"
                             "\"=\"\"357C\"\"\",2026-11-28,"));
    EXPECT_EQ(csv.count("\r\n"), 21);
    const auto r = run({"history", "--idm", "01010410C8192A3B", "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.outBytes, csv);
}

// A name an earlier version stored with control characters (tabs, line
// breaks, an ESC sequence, a NUL, a reversing override, a line separator)
// reaches no output raw: each becomes a space, and every format keeps its
// lines and cells.
TEST_F(ExportCli, NamesStoredByEarlierVersionsReachNoOutputRaw) {
    struct Format {
        const char* name;
        QString allowed;  // the control characters of the format's own layout
        int lines = 0;
    };
    Format formats[] = {{"table", "\n"}, {"csv", "\r\n"}, {"tsv", "\t\n"}};
    auto output = [&](const Format& f) {
        const auto r = run({"read", "--reader", sample("suica-sample.json"), "--mode", "1", "--format", f.name});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return f.name == QString("tsv") ? test::fromCp932(r.outBytes) : QString::fromUtf8(r.outBytes);
    };
    for (Format& f : formats) f.lines = static_cast<int>(output(f).count('\n'));
    StationCsv names;
    names.table = FindStationCodeTable("StationCode");
    names.rows.push_back({"0", "1", "16", "見本\x1b[0m鉄道", "見本線",
                          QString("中\t央\r\n駅\x1b[31m赤\x01") + QChar(0) + "\u202E\u2028終", ""});
    QStringList errors;
    ASSERT_TRUE(WriteUserNames(UserStationCodeDatabasePath(), {names}, errors)) << errors.join('\n').toStdString();
    for (const Format& f : formats) {
        SCOPED_TRACE(f.name);
        const QString text = output(f);
        EXPECT_EQ(text.count('\n'), f.lines);
        EXPECT_TRUE(text.contains("中 央  駅 [31m赤    終")) << text.toStdString();
        for (QChar c : text) EXPECT_FALSE(IsNameControlCharacter(c.unicode()) && !f.allowed.contains(c)) << int(c.unicode());
    }
}

// history --forget: the card leaves History.db (under one card type with
// --card-type, else under every type of the IDm); the other cards stay. A
// card not stored is exit status 1 with a message, a bad IDm a usage error.
TEST_F(ExportCli, ForgetTakesAStoredCardAway) {
    read("suica-sample.json", 1, "json", "s.json");
    read("edy-sample.json", 128, "json", "e.json");
    // The arguments, the exit status, the message, the cards left.
    const std::tuple<QStringList, int, QString, int> cases[] = {
        {{"history", "--forget", "01010410C8192A3B", "--card-type", "2"}, 1,
         "kuvora-cli: no stored history for IDm 01010410C8192A3B and card type 2\n", 2},
        {{"history", "--forget", "01010410c8192a3b"}, 0, "", 1},
        {{"history", "--forget", "01010410C8192A3B"}, 1, "kuvora-cli: no stored history for IDm 01010410C8192A3B\n", 1},
        {{"history", "--forget", "0123"}, 2, "kuvora-cli: --forget 0123: expected 16 hex digits\n", 1},
    };
    for (const auto& [args, exitCode, err, cardsLeft] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const auto r = run(args);
        EXPECT_EQ(r.exitCode, exitCode);
        EXPECT_EQ(r.err, err);
        EXPECT_EQ(QJsonDocument::fromJson(run({"history"}).outBytes).object()["cards"].toArray().size(), cardsLeft);
    }
}
