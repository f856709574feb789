#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <sys/stat.h>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace {

QString cli() { return test::binaryPath("bin/kuvora-cli"); }

test::ProcessResult run(const test::IsolatedHome& home, const QStringList& args) {
    return test::runInHome(home, cli(), args);
}

void writeText(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

}  // namespace

TEST(Cli, IdmOfTheSampleCardAndOfACommonAreaOnlyCard) {
    test::IsolatedHome home;
    auto r = run(home, {"idm", "--reader", "image:" + test::sourcePath("data/cards/suica-sample.json")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "01010410C8192A3B\n");
    EXPECT_EQ(r.err, "");

    felica::CardImage edy = test::makeCard("0A0B0C0D0E0F1011", "FE00");
    edy.systems[0].services.push_back(test::makeService(0x170F, {std::string(32, '0')}));
    r = run(home, {"idm", "--reader=" + test::writeImage(home, edy)});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "0A0B0C0D0E0F1011\n");
}

TEST(Cli, ReaderComesFromTheEnvironmentThenTheSettings) {
    test::IsolatedHome home;
    const QString sample = "image:" + test::sourcePath("data/cards/suica-sample.json");
    QDir().mkpath(home.configHome() + "/Mirokaze");
    writeText(home.configHome() + "/Mirokaze/Kuvora.conf", "[Settings]\nReader=" + sample.toUtf8() + "\n");
    auto r = run(home, {"idm"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "01010410C8192A3B\n");
}

TEST(Cli, MalformedImageEndsWithStatusTwoNamingTheField) {
    test::IsolatedHome home;
    const QString path = home.file("broken.json");
    writeText(path, R"({"format": "kuvora-card-image", "version": 1, "idm": "01", "pmm": "0000000000000000", "systems": []})");
    auto r = run(home, {"idm", "--reader", "image:" + path});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "kuvora-cli: " + path + ": idm: expected 16 hex digits, found 2 characters\n");
}

TEST(Cli, ReaderThatCannotBeOpenedIsMessageOne) {
    test::IsolatedHome home;
    auto r = run(home, {"idm", "--reader", "nfc:pn532_uart:/nonexistent"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.startsWith(QString::fromUtf8("リーダ・ライタを自動認識できません\n"
                                                   "kuvora-cli: no card was read: the reader/writer could not be opened: ")))
        << r.err.toStdString();
}

TEST(Cli, UsageErrorsAreStatusTwo) {
    test::IsolatedHome home;
    for (const QStringList& args : {QStringList{}, QStringList{"frobnicate"}, QStringList{"idm", "--reader"},
                                    QStringList{"idm", "--colour", "x"}, QStringList{"readers", "extra"}}) {
        auto r = run(home, args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("--help)\n")) << args.join(' ').toStdString();
    }
    const auto badReader = run(home, {"idm", "--reader", "/dev/ttyUSB0"});
    EXPECT_EQ(badReader.exitCode, 2);
    EXPECT_TRUE(badReader.err.contains("auto, pcsc, pcsc:NAME, usb")) << badReader.err.toStdString();
    auto help = run(home, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: kuvora-cli"));
    auto version = run(home, {"--version"});
    EXPECT_EQ(version.out, "kuvora-cli 1.9.0.20\n");
}

namespace {

QString sampleReader(const char* name) {
    return "image:" + test::sourcePath(QString("data/cards/") + name);
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

}  // namespace

TEST(CliRead, JsonGivesTheDisplayTextsAndMessages) {
    test::IsolatedHome home;
    auto r = run(home, {"read", "--reader", sampleReader("suica-sample.json"), "--mode", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("{\n  \"idm\": \"01010410C8192A3B\",\n"
                                 "  \"makeDate\": \" (FeliCa製造 2018年01月26日)\",\n"
                                 "  \"cardType\": 1,\n"
                                 "  \"cardTypeName\": \"Suica/ICOCA/TOICA/PiTaPa/PASMO\",\n"
                                 "  \"brand\": null,\n"
                                 "  \"cardNumber\": \"\",\n"))
        << r.out.left(400).toStdString();
    EXPECT_TRUE(r.out.contains("  \"cardRows\": 20,\n  \"rows\": 20,\n"));
    // Without the user's names every place is "未登録"; the texts keep their widths.
    EXPECT_TRUE(r.out.contains(
        "{\"BlockData\": \"16010000357C011001308E0D0002B400\", \"Terminal\": \"改札機\", \"TerminalCode\": \"16\", "
        "\"Trade\": \"支払\", \"TradeCode\": \"01\", \"TradeFlags\": 3, \"Date\": \"26年11月28日\", "
        "\"DateCode\": \"357C\", \"Time\": \"\", \"TimeCode\": \"0000\", \"DepartureLineCode\": \"01\", "
        "\"DepartureStationCode\": \"10\", \"DepartureCompany\": \"未登録\", \"DepartureStation\": \"未登録\", "
        "\"ArrivalLineCode\": \"01\", \"ArrivalStationCode\": \"30\", \"ArrivalCompany\": \"未登録\", "
        "\"ArrivalStation\": \"未登録\", \"Balance\": \" 3470\", \"Point\": \"    0\", \"Charge\": \"  210\", "
        "\"SerialCode\": \"0002B4\", \"Serial\": \"     692\", \"Note1\": \"\", \"Note2\": \"\", \"values\": {"));
    EXPECT_TRUE(r.out.endsWith("  \"messages\": []\n}\n"));

    // A second read stores nothing; the stored mode was not changed by --mode.
    const QString db = home.dataHome() + "/Mirokaze/History.db";
    const QByteArray before = bytesOf(db);
    auto again = run(home, {"read", "--reader", sampleReader("suica-sample.json"), "--format", "table"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_TRUE(again.out.contains("履歴 20 件 (カードから 20 件)"));
    EXPECT_FALSE(QFile::exists(home.configHome() + "/Mirokaze/Kuvora.conf"));
}

// A card of no known type is not read: its message and why go to standard
// error, and no output file is written.
TEST(CliRead, MessagesGoToStandardErrorAndTheJson) {
    test::IsolatedHome home;
    felica::CardImage other = test::makeCard("0102030405060708", "8888");
    const QString out = home.file("out.json");
    auto r = run(home, {"read", "--reader", test::writeImage(home, other), "--output", out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.startsWith("SF カードを認識することができません\nkuvora-cli: no card was read: "))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    for (const QStringList& args : {QStringList{"read", "--mode", "fast"}, QStringList{"read", "--format", "html"}}) {
        auto bad = run(home, args);
        EXPECT_EQ(bad.exitCode, 2) << args.join(' ').toStdString();
    }
}

TEST(CliRead, DamagedHistoryDatabaseSurvivesARead) {
    test::IsolatedHome home;
    QDir().mkpath(home.dataHome() + "/Mirokaze");
    const QString db = home.dataHome() + "/Mirokaze/History.db";
    writeText(db, QByteArray("SQLite format 3") + QByteArray(200, '\x7F'));
    const QByteArray before = bytesOf(db);
    auto r = run(home, {"read", "--reader", sampleReader("suica-sample.json"), "--mode", "1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.count("履歴保存データベースOpenエラー"), 21);
    EXPECT_TRUE(r.out.contains("\"rows\": 0,"));
    EXPECT_EQ(bytesOf(db), before);
}

TEST(CliRead, TwoProcessesReadingOneCardStoreEachRowOnce) {
    test::IsolatedHome home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    std::vector<std::unique_ptr<QProcess>> readers;
    for (int i = 0; i < 4; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->start(cli(), {"read", "--reader", sampleReader("suica-sample.json"), "--mode", "1"});
        readers.push_back(std::move(p));
    }
    for (auto& p : readers) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    auto r = run(home, {"read", "--reader", sampleReader("suica-sample.json"), "--mode", "1"});
    EXPECT_TRUE(r.out.contains("\"rows\": 20,"));
}

TEST(CliInputs, BadImagesEndWithStatusTwoInEveryProgram) {
    test::IsolatedHome home;
    // A number no double holds used to abort the programs.
    const QString huge = home.file("huge.json");
    writeText(huge, "[1e309]");
    auto r = run(home, {"idm", "--reader", "image:" + huge});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith("kuvora-cli: " + huge + ": not valid JSON (")) << r.err.toStdString();
    auto emulator = test::runProgram(test::binaryPath("bin/pn532-emulator"), {huge});
    EXPECT_EQ(emulator.exitCode, 2);
    EXPECT_TRUE(emulator.err.contains("not valid JSON")) << emulator.err.toStdString();

    // Paths that name no regular file are told apart, and a FIFO never blocks.
    const QString fifo = home.file("fifo.json");
    ASSERT_EQ(::mkfifo(fifo.toUtf8().constData(), 0600), 0);
    const std::vector<std::pair<QString, QString>> cases = {
        {"image:" + home.path(), "kuvora-cli: " + home.path() + ": not a regular file (a directory)\n"},
        {"image:", "kuvora-cli: the card image path is empty\n"},
        {"image:" + fifo, "kuvora-cli: " + fifo + ": not a regular file (a FIFO)\n"},
    };
    for (const auto& [reader, message] : cases) {
        r = run(home, {"read", "--reader", reader});
        EXPECT_EQ(r.exitCode, 2) << reader.toStdString();
        EXPECT_EQ(r.err, message);
    }
}

TEST(CliInputs, LostStandardOutputFailsTheCommand) {
    test::IsolatedHome home;
    const QString sample = sampleReader("suica-sample.json");
    for (const QStringList& args : {QStringList{"idm", "--reader", sample}, QStringList{"read", "--reader", sample},
                                    QStringList{"--version"}, QStringList{"--help"}}) {
        auto r = test::runInHome(home, cli(), args, "/dev/full");
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        // The reason in the C library's words, in the user's language.
        static const QRegularExpression lost("kuvora-cli: cannot write standard output \\(.+\\)\n$");
        EXPECT_TRUE(lost.match(r.err).hasMatch()) << r.err.toStdString();
    }
}

TEST(CliInputs, OutputsWriteThroughLinksAndRefuseDevices) {
    test::IsolatedHome home;
    const QString sample = sampleReader("suica-sample.json");
    const QString target = home.file("target.json"), link = home.file("link.json");
    writeText(target, "old");
    ASSERT_TRUE(QFile::link(target, link));
    auto r = run(home, {"capture", "--reader", sample, "--output", link});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(bytesOf(target).contains("\"kuvora-card-image\""));
    r = run(home, {"read", "--reader", sample, "--output", link});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(bytesOf(target).startsWith("{\n  \"idm\": \"01010410C8192A3B\""));

    // As root these once replaced /dev/full with a regular file.
    const QString full = home.file("full.json");
    ASSERT_TRUE(QFile::link("/dev/full", full));
    for (const QStringList& args : {QStringList{"capture", "--reader", sample, "--output", full},
                                    QStringList{"capture", "--reader", sample, "--output", "/dev/full"},
                                    QStringList{"read", "--reader", sample, "--output", "/dev/full"}}) {
        r = run(home, args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("not a regular file (a character device)")) << r.err.toStdString();
        struct stat st {};
        ASSERT_EQ(::stat("/dev/full", &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
    EXPECT_TRUE(QFileInfo(full).isSymLink());
}

// Every sample card read in Auto mode: the reader initialised once, a handful
// of FeliCa commands, and the JSON byte for byte what it was before the
// library learnt to identify a card once (tests/cli/auto-read/).
TEST(CliRead, AutoModeReadsOfTheSampleCardsStayTheSameWithFewCommands) {
    const QDir cards(test::sourcePath("data/cards"));
    const QStringList names = cards.entryList({"*.json"}, QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), 18);
    for (const QString& name : names) {
        test::IsolatedHome home;
        const auto r = run(home, {"read", "--mode", "auto", "--stats", "--reader", "image:" + cards.filePath(name)});
        QFile expected(test::sourcePath("tests/cli/auto-read/" + name));
        ASSERT_TRUE(expected.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(r.outBytes, expected.readAll()) << name.toStdString();
        EXPECT_TRUE(r.err.contains("Reader initialisations: 1\n")) << name.toStdString() << r.err.toStdString();
        const auto m = QRegularExpression("FeliCa commands: (\\d+)\n").match(r.err);
        ASSERT_TRUE(m.hasMatch()) << r.err.toStdString();
        EXPECT_LE(m.captured(1).toInt(), 8) << name.toStdString();
    }
}
