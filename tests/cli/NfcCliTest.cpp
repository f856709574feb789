// kuvora-cli on a libnfc reader (the PN532 emulator behind a pty) and the
// capture command.
#include "EmulatedReader.h"
#include "SameAnswers.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <functional>

#include <gtest/gtest.h>

#include <csignal>

namespace {

QString u8(const char* s) { return QString::fromUtf8(s); }

test::ProcessResult runCli(const test::IsolatedHome& home, const QStringList& args) {
    return test::runInHome(home, test::binaryPath("bin/kuvora-cli"), args);
}

QString sampleReader() { return "image:" + test::sourcePath("data/cards/suica-sample.json"); }

}  // namespace

TEST(CliNfc, IdmThroughLibnfcAndACardThatIsNotThere) {
    test::IsolatedHome home;
    test::EmulatedReader reader;
    auto r = runCli(home, {"idm", "--reader", reader.name()});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "01010410C8192A3B\n");
    EXPECT_EQ(r.err, "");  // libnfc keeps its own complaints to itself

    reader.emu.liftCard();
    r = runCli(home, {"idm", "--reader", reader.name()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.startsWith(u8("SF カードを認識することができません\nkuvora-cli: no card was read: ")))
        << r.err.toStdString();
}

TEST(CliNfc, SuicaReadThroughLibnfcEqualsTheVirtualReader) {
    test::EmulatedReader reader;
    test::IsolatedHome nfcHome;
    const auto viaNfc = runCli(nfcHome, {"read", "--reader", reader.name(), "--mode", "auto"});
    test::IsolatedHome imageHome;
    const auto viaImage = runCli(imageHome, {"read", "--reader", sampleReader(), "--mode", "auto"});
    ASSERT_EQ(viaNfc.exitCode, 0) << viaNfc.err.toStdString();
    ASSERT_EQ(viaImage.exitCode, 0) << viaImage.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(viaNfc.outBytes).object();
    EXPECT_EQ(json["cardType"].toInt(), 1);
    EXPECT_EQ(json["cardRows"].toInt(), 20);
    EXPECT_EQ(viaNfc.out, viaImage.out);
    EXPECT_EQ(reader.emu.stats().deviceOpens, 1u);
}

TEST(CliCapture, WritesAnImageThatReadsBackTheSame) {
    test::IsolatedHome home;
    const QString out = home.file("captured.json");
    auto r = runCli(home, {"capture", "--reader", sampleReader(), "--output", out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.contains("capture: service 090F: 20 block(s)\n")) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith("capture: wrote " + out + "\n"));
    std::string error;
    const auto captured = felica::CardImage::load(out.toStdString(), error);
    ASSERT_TRUE(captured) << error;
    test::expectSameAnswers(test::sampleCard(), *captured);

    // Reading the capture gives what reading the card gives.
    test::IsolatedHome a, b;
    const auto fromCard = runCli(a, {"read", "--reader", sampleReader(), "--mode", "auto"});
    const auto fromCapture = runCli(b, {"read", "--reader", "image:" + out, "--mode", "auto"});
    EXPECT_EQ(fromCapture.exitCode, 0);
    EXPECT_EQ(fromCapture.out, fromCard.out);
}

TEST(CliCapture, CardLiftedMidWalkWritesNothing) {
    test::IsolatedHome home;
    test::EmulatedReader reader;
    reader.emu.liftAfter(8);
    const QString out = home.file("never.json");
    auto r = runCli(home, {"capture", "--reader", reader.name(), "--output", out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("capture: nothing was written to " + out + "\n")) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith(u8("カードからのデータの読み込みに失敗しました\n"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_TRUE(QDir(home.path()).entryList({"never.json*"}, QDir::Files | QDir::Hidden).isEmpty());

    // An existing file is left as it was.
    {
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    reader.emu.placeCard();
    reader.emu.liftAfter(20);
    r = runCli(home, {"capture", "--reader", reader.name(), "--output", out});
    EXPECT_EQ(r.exitCode, 1);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old");
}

TEST(CliCapture, UsageAndReaderErrors) {
    test::IsolatedHome home;
    auto r = runCli(home, {"capture", "--reader", sampleReader()});
    EXPECT_EQ(r.exitCode, 2);
    r = runCli(home, {"capture", "--mode", "1", "--output", home.file("x.json")});
    EXPECT_EQ(r.exitCode, 2);
    r = runCli(home, {"capture", "--reader", "nfc:pn532_uart:/nonexistent", "--output", home.file("x.json")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.endsWith(u8("リーダ・ライタを自動認識できません\n"))) << r.err.toStdString();
    r = runCli(home, {"capture", "--reader", sampleReader(), "--output", home.file("no/such/dir/x.json")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("kuvora-cli: " + home.file("no/such/dir/x.json") + ": cannot create the file (") &&
                r.err.endsWith(")\n"))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(home.file("x.json")));
}

// Read on touch: every card placed is read once per placement; a card left on
// the reader is not read again.
TEST(CliReadOnTouch, EachPlacementIsReadOnceUntilInterrupted) {
    test::IsolatedHome home;
    test::EmulatedReader reader;
    reader.emu.liftCard();
    QProcess loop;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    env.insert("HOME", home.path());
    loop.setProcessEnvironment(env);
    loop.start(test::binaryPath("bin/kuvora-cli"), {"read", "--loop", "--reader", reader.name()});
    ASSERT_TRUE(loop.waitForStarted());
    QByteArray out;
    auto linesWithin = [&](int lines, int ms) {
        for (int waited = 0; out.count('\n') < lines && waited < ms; waited += 50) {
            loop.waitForReadyRead(50);
            out += loop.readAllStandardOutput();
        }
        return out.count('\n');
    };
    EXPECT_EQ(linesWithin(1, 700), 0);  // nothing on the reader yet
    reader.emu.placeCard();
    EXPECT_EQ(linesWithin(1, 10000), 1);
    EXPECT_EQ(linesWithin(2, 1500), 1);  // left on the reader: read once
    reader.emu.liftCard();
    linesWithin(2, 1000);
    reader.emu.placeCard();
    EXPECT_EQ(linesWithin(2, 10000), 2);
    loop.terminate();
    ASSERT_TRUE(loop.waitForFinished(5000));
    EXPECT_EQ(loop.exitCode(), 0) << loop.readAllStandardError().toStdString();
    for (const QByteArray& line : out.trimmed().split('\n'))
        EXPECT_EQ(QJsonDocument::fromJson(line).object()["idm"].toString(), "01010410C8192A3B") << line.toStdString();

    // --wait gives up after --timeout; a reader that cannot be opened is
    // said once and waited for until then.
    reader.emu.liftCard();
    auto r = runCli(home, {"read", "--wait", "--timeout", "0.5", "--reader", reader.name()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("no card was placed")) << r.err.toStdString();
    r = runCli(home, {"read", "--wait", "--timeout", "1.5", "--reader", "nfc:pn532_uart:/nonexistent"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(u8("リーダ・ライタを自動認識できません\nkuvora-cli: no card was read: ")))
        << r.err.toStdString();
    EXPECT_EQ(r.err.count(u8("リーダ・ライタを自動認識できません")), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith("no card was placed on the reader within 1.5 s\n")) << r.err.toStdString();
    EXPECT_EQ(runCli(home, {"idm", "--wait"}).exitCode, 2);
}

// read --loop outlives a reader that is away for a moment: it says so once
// on standard error, goes on trying, and reads the card again once it is back.
TEST(CliReadOnTouch, ALoopOutlivesAReaderAwayForAMoment) {
    test::IsolatedHome home;
    test::EmulatedReader pn532;
    const QString image = home.file("card.json");
    QFile sample(test::sourcePath("data/cards/suica-sample.json"));
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const QByteArray card = sample.readAll();
    auto write = [&](const QByteArray& bytes) {
        QFile f(image);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };
    const struct {
        const char* what;
        QString reader;
        std::function<void()> away, back;
    } cases[] = {
        {"image deleted", "image:" + image, [&] { QFile::remove(image); }, [&] { write(card); }},
        {"image rewritten", "image:" + image, [&] { write(card.left(40)); }, [&] { write(card); }},
        {"PN532 silent", pn532.name(), [&] { pn532.emu.setSilent(true); }, [&] { pn532.emu.setSilent(false); }},
    };
    const QString noReader = u8("リーダ・ライタを自動認識できません");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write(card);
        test::RunningProgram loop;
        test::startInHome(loop.process, home, test::binaryPath("bin/kuvora-cli"), {"read", "--loop", "--reader", c.reader});
        ASSERT_TRUE(loop.until([&] { return loop.lines() == 1; }, 10000)) << loop.err.toStdString();
        c.away();
        EXPECT_TRUE(loop.until([&] { return loop.err.contains(noReader.toUtf8()); }, 15000)) << loop.err.toStdString();
        loop.until([] { return false; }, 1500);  // tried again meanwhile
        EXPECT_EQ(loop.process.state(), QProcess::Running);
        c.back();
        EXPECT_TRUE(loop.until([&] { return loop.lines() == 2; }, 15000)) << loop.err.toStdString();
        loop.process.terminate();
        ASSERT_TRUE(loop.process.waitForFinished(5000));
        loop.err += loop.process.readAllStandardError();
        EXPECT_EQ(loop.process.exitCode(), 0);
        EXPECT_EQ(QString::fromUtf8(loop.err).count(noReader), 1) << loop.err.toStdString();
        EXPECT_TRUE(loop.err.contains("kuvora-cli: waiting for the reader/writer (interrupt to stop)\n"));
    }
}

// read --wait stopped by a signal before a card came prints nothing, writes
// no file and ends with the status a shell gives a command the signal killed.
TEST(CliReadOnTouch, AWaitEndedBySignalFailsWithTheShellsStatus) {
    test::IsolatedHome home;
    test::EmulatedReader reader;
    reader.emu.liftCard();
    const struct {
        int signal;
        int status;
        const char* message;
    } cases[] = {{SIGINT, 130, "interrupted before a card was placed"},
                 {SIGTERM, 143, "terminated before a card was placed"}};
    for (const auto& c : cases) {
        reader.emu.resetStats();
        QProcess wait;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.configHome());
        env.insert("XDG_DATA_HOME", home.dataHome());
        env.insert("HOME", home.path());
        wait.setProcessEnvironment(env);
        wait.start(test::binaryPath("bin/kuvora-cli"),
                   {"read", "--wait", "--reader", reader.name(), "--output", home.file("card.json")});
        ASSERT_TRUE(wait.waitForStarted());
        // Polling has begun once the reader sees a poll: the handlers are in.
        for (int i = 0; i < 400 && reader.emu.stats().polls == 0; ++i) wait.waitForFinished(25);
        ASSERT_GT(reader.emu.stats().polls, 0u);
        ::kill(static_cast<pid_t>(wait.processId()), c.signal);
        ASSERT_TRUE(wait.waitForFinished(10000));
        EXPECT_EQ(wait.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(wait.exitCode(), c.status);
        EXPECT_EQ(wait.readAllStandardOutput(), "");
        EXPECT_TRUE(wait.readAllStandardError().contains(c.message));
        EXPECT_FALSE(QFile::exists(home.file("card.json")));
    }
}

// No reader, or no card on it: no command prints a card on standard output;
// each says on standard error why, in the same words.
TEST(CliNoCard, EveryCommandSaysWhyAndPrintsNothing) {
    test::IsolatedHome home;
    test::EmulatedReader reader;
    reader.emu.liftCard();
    const QString noReader = "nfc:pn532_uart:/nonexistent";
    const QString noReaderWhy = "kuvora-cli: no card was read: the reader/writer could not be opened: ";
    const QString noCardWhy = "kuvora-cli: no card was read: no card on the reader answered polling for system ";
    const struct {
        QStringList args;
    } commands[] = {
        {{"idm"}},
        {{"read"}},
        {{"read", "--mode", "1", "--format", "table"}},
        {{"green"}},
        {{"speak", "--dry-run"}},
        {{"capture", "--output", home.file("card.json")}},
        {{"dump", "--output", home.file("dump.txt")}},
    };
    for (const auto& c : commands) {
        for (const auto& [name, why] : {std::pair{noReader, noReaderWhy}, std::pair{reader.name(), noCardWhy}}) {
            SCOPED_TRACE((c.args.join(' ') + " --reader " + name).toStdString());
            const auto r = runCli(home, c.args + QStringList{"--reader", name});
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err.count(why), 1) << r.err.toStdString();
        }
    }
    EXPECT_FALSE(QFile::exists(home.file("card.json")));
}
