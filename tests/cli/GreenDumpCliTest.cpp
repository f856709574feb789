// kuvora-cli green and dump: the dialog's texts, the dump file and the
// command counts of --stats.
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString cli() { return test::binaryPath("bin/kuvora-cli"); }
QString sample(const char* name) { return "image:" + test::sourcePath(QString("data/cards/") + name); }

// The number --stats reports on standard error.
int commandsSent(const QString& err) {
    const auto m = QRegularExpression("FeliCa commands: (\\d+)\n").match(err);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

TEST(GreenCli, PrintsTheDialogTextsAndCountsItsCommands) {
    test::IsolatedHome home;
    auto r = test::runInHome(home, cli(), {"green", "--reader", sample("suica-green-sample.json"), "--stats"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("{\n  \"message\": \"読み取りました。\",\n  \"purchase\": \"2026年12月05日07時48分\",\n"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("\"fare\": \"1000円\",\n  \"seatLabel\": \"着　席：\",\n  \"trainCode\": \"2071\",\n"
                               "  \"seatTime\": \"08時02分\","));
    EXPECT_EQ(commandsSent(r.err), 3);  // poll, and 23 blocks in two reads

    r = test::runInHome(home, cli(), {"green", "--reader", sample("suica-no-green-sample.json"), "--format", "table"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith("Suicaグリーン券 Viewer\n読み取りました。\n購入日時：2000年00月00日00時00分\n"
                                 "購入区間：未登録 ⇒ 未登録\n料        金：0円\n列車コード：\n着　席："))
        << r.out.toStdString();

    // A card without the Suica system: the message line and why on standard
    // error, nothing on standard output, and status 1.
    r = test::runInHome(home, cli(), {"green", "--reader", sample("edy-sample.json")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Suicaが読み取れません。\n"
                     "kuvora-cli: no card was read: no card on the reader answered polling for system 0003\n");
    EXPECT_EQ(test::runInHome(home, cli(), {"green", "--format", "xml", "--reader", sample("edy-sample.json")}).exitCode, 2);
    EXPECT_EQ(test::runInHome(home, cli(), {"idm", "--stats", "--reader", sample("edy-sample.json")}).exitCode, 2);
}

TEST(DumpCli, WritesFelicaFormatInTheCurrentDirectoryOrTheOutputFile) {
    test::IsolatedHome home;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(home.path());
    p.start(cli(), {"dump", "--reader", sample("common-area-sample.json"), "--stats"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    const QByteArray text = readFile(home.file("FelicaFormat.TXT"));
    EXPECT_TRUE(text.startsWith("\x90\xbb\x91\xa2ID(IDm) : 01 2e 4b 0c 7f 24 0a 15\n"));
    EXPECT_TRUE(text.contains("\t\t\x8e\xc0\x8d\x73 ID:0a0b  \x8e\x91\x8b\xe0:-100  \x95\xa5\x96\xdf: 7\n"));  // 実行, 資金, 払戻
    // Two polls, 27 search steps, then at most 7 reads for each of the 11
    // services that can be read without a key.
    const int commands = commandsSent(err);
    EXPECT_GT(commands, 2 + 27 + 11);
    EXPECT_LE(commands, 2 + 27 + 7 * 11) << err.toStdString();

    const QString out = home.file("elsewhere.txt");
    auto r = test::runInHome(home, cli(), {"dump", "--reader", sample("common-area-sample.json"), "--output", out});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readFile(out), text);

    r = test::runInHome(home, cli(), {"dump", "--reader", "image:" + home.file("none.json"), "--output", out});
    EXPECT_EQ(r.exitCode, 2);  // an unreadable card image, as for every command
    EXPECT_EQ(readFile(out), text);
    r = test::runInHome(home, cli(), {"dump", "--reader", sample("suica-sample.json"), "--output", home.path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(home.path() + ": not a regular file")) << r.err.toStdString();
}
