// History.db under stress, through kuvora-cli processes: reads killed at
// random moments, many processes reading at once, a database held by another
// process, a full disk. Each case is bounded in count and time.
#include "DbConnection.h"
#include "TestSupport.h"
#include "card_image.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

QString cli() { return test::binaryPath("bin/kuvora-cli"); }

QProcessEnvironment homeEnv(const test::IsolatedHome& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.configHome());
    env.insert("XDG_DATA_HOME", home.dataHome());
    env.insert("HOME", home.path());
    env.remove("KUVORA_READER");
    return env;
}

// The sample Suica card under IDm 01010410C8190000 + n, so that every card
// brings 20 rows of its own.
QString cardReader(const test::IsolatedHome& home, int n) {
    std::string error;
    auto image = felica::CardImage::load(test::sourcePath("data/cards/suica-sample.json").toStdString(), error);
    EXPECT_TRUE(image) << error;
    image->idm[6] = static_cast<std::uint8_t>(n >> 8);
    image->idm[7] = static_cast<std::uint8_t>(n);
    for (auto& s : image->systems)
        if (!s.ownIdm) s.idm = image->idm;
    return test::writeImage(home, *image, QStringLiteral("card%1.json").arg(n));
}

QString idmOf(int n) { return QString::asprintf("01010410C819%04X", n); }

std::unique_ptr<QProcess> startRead(const test::IsolatedHome& home, const QString& reader) {
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(homeEnv(home));
    p->start(cli(), {"read", "--reader", reader, "--mode", "1", "--format", "table"});
    return p;
}

QString historyPath(const test::IsolatedHome& home) { return home.dataHome() + "/Mirokaze/History.db"; }

// integrity_check's answer, the number of duplicate rows, and the row count
// of each IDm.
struct Census {
    QString integrity;
    int duplicates = -1;
    std::map<QString, int> rowsOf;
};

Census census(const QString& path) {
    Census c;
    CDbConnection db;
    if (DbFailed(db.Open(path, CDbConnection::Mode::ReadOnly))) return c;
    CDbStatement q;
    q.Prepare(db, "PRAGMA integrity_check");
    if (q.Step() == DB_OK) c.integrity = q.Text(0);
    q.Prepare(db, "SELECT count(*) FROM (SELECT 1 FROM History GROUP BY IDm, CardType, BlockData HAVING count(*) > 1)");
    if (q.Step() == DB_OK) c.duplicates = static_cast<int>(q.Integer(0));
    q.Prepare(db, "SELECT IDm, count(*) FROM History GROUP BY IDm");
    while (q.Step() == DB_OK) c.rowsOf[q.Text(0)] = static_cast<int>(q.Integer(1));
    return c;
}

}  // namespace

TEST(HistoryFaults, ReadsKilledAtRandomMomentsLeaveWholeReadsOnly) {
    test::IsolatedHome home;
    // How long one read takes here, so the kills fall all over it.
    QElapsedTimer timer;
    timer.start();
    auto first = startRead(home, cardReader(home, 0));
    ASSERT_TRUE(first->waitForFinished(30000));
    ASSERT_EQ(first->exitCode(), 0) << first->readAllStandardError().toStdString();
    const int readMs = std::max<int>(10, static_cast<int>(timer.elapsed()));

    std::mt19937 random(20261208);
    std::vector<int> completed{0};
    for (int n = 1; n <= 100; ++n) {
        const QString reader = cardReader(home, n);
        auto p = startRead(home, reader);
        ASSERT_TRUE(p->waitForStarted(10000));
        const bool done = p->waitForFinished(std::uniform_int_distribution<int>(0, readMs * 3 / 2)(random));
        if (!done) {
            p->kill();
            p->waitForFinished(10000);
        }
        if (p->exitStatus() == QProcess::NormalExit) {
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
            completed.push_back(n);
        }
    }
    // The stored cards can be listed at once, also when the last read was
    // killed inside its commit (its hot journal is rolled back on opening).
    const auto listed = test::runProgram(cli(), {"history"}, homeEnv(home));
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    Census c = census(historyPath(home));
    EXPECT_EQ(c.integrity, "ok");
    EXPECT_EQ(c.duplicates, 0);
    for (const auto& [idm, rows] : c.rowsOf) EXPECT_EQ(rows, 20) << idm.toStdString();  // all of a read or none
    for (int n : completed) EXPECT_EQ(c.rowsOf.count(idmOf(n)), 1u) << n;
    // The next read after all that finds nothing wrong.
    auto after = test::runProgram(cli(), {"read", "--reader", cardReader(home, 200), "--mode", "1"}, homeEnv(home));
    EXPECT_EQ(after.exitCode, 0) << after.err.toStdString();
}

TEST(HistoryFaults, EightProcessesReadingOneCardStoreItOnceWithoutErrors) {
    test::IsolatedHome home;
    for (int round = 0; round < 50; ++round) {
        const QString reader = cardReader(home, round);
        std::vector<std::unique_ptr<QProcess>> readers;
        for (int i = 0; i < 8; ++i) readers.push_back(startRead(home, reader));
        for (auto& p : readers) {
            ASSERT_TRUE(p->waitForFinished(60000));
            const QString err = QString::fromUtf8(p->readAllStandardError());
            EXPECT_EQ(p->exitCode(), 0) << "round " << round << ": " << err.toStdString();
            EXPECT_TRUE(p->readAllStandardOutput().contains("履歴 20 件")) << "round " << round;
        }
    }
    Census c = census(historyPath(home));
    EXPECT_EQ(c.integrity, "ok");
    EXPECT_EQ(c.duplicates, 0);
    EXPECT_EQ(c.rowsOf.size(), 50u);
    for (const auto& [idm, rows] : c.rowsOf) EXPECT_EQ(rows, 20) << idm.toStdString();
}

TEST(HistoryFaults, DatabaseHeldLongerThanTheBusyTimeoutGivesAClearMessage) {
    test::IsolatedHome home;
    ASSERT_EQ(test::runProgram(cli(), {"read", "--reader", cardReader(home, 1), "--mode", "1"}, homeEnv(home)).exitCode,
              0);
    // Another program holds the write lock for longer than Kuvora waits.
    QProcess holder;
    holder.start("python3", {"-c",
                             "import sqlite3, sys, time\n"
                             "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                             "c.execute('BEGIN IMMEDIATE')\n"
                             "c.execute(\"UPDATE History SET Note2 = 'x' WHERE 0\")\n"
                             "print('held', flush=True)\n"
                             "time.sleep(9)\n",
                             historyPath(home)});
    ASSERT_TRUE(holder.waitForReadyRead(20000)) << holder.readAllStandardError().toStdString();
    auto held = test::runProgram(cli(), {"read", "--reader", cardReader(home, 2), "--mode", "1"}, homeEnv(home));
    EXPECT_EQ(held.exitCode, 1);
    // kuvora-cli prints each message on one line.
    EXPECT_TRUE(held.err.contains("履歴保存データベースOpenエラー 80050005 " + historyPath(home) + " は他のプログラムが使用中です"))
        << held.err.toStdString();
    holder.waitForFinished(20000);
    // Nothing was lost: the first card's rows are there, and the second
    // card's rows are stored by the next read.
    auto again = test::runProgram(cli(), {"read", "--reader", cardReader(home, 2), "--mode", "1"}, homeEnv(home));
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    Census c = census(historyPath(home));
    EXPECT_EQ(c.integrity, "ok");
    EXPECT_EQ(c.rowsOf[idmOf(1)], 20);
    EXPECT_EQ(c.rowsOf[idmOf(2)], 20);
}

TEST(HistoryFaults, FullDiskGivesAMessageAndKeepsTheOldRows) {
    test::IsolatedHome home;
    ASSERT_EQ(test::runProgram(cli(), {"read", "--reader", cardReader(home, 1), "--mode", "1"}, homeEnv(home)).exitCode,
              0);
    const QString folder = home.dataHome() + "/Mirokaze";
    const QString saved = home.file("before.db");
    ASSERT_TRUE(QFile::copy(historyPath(home), saved));
    // A small file system of its own over the history folder, in a mount
    // namespace of its own, filled to the last block before the read.
    const QString script = QStringLiteral(
        "set -e\n"
        "mount -t tmpfs -o size=256k kuvora-full \"$1\"\n"
        "cp \"$2\" \"$1/History.db\"\n"
        "dd if=/dev/zero of=\"$1/filler\" bs=4k 2>/dev/null || true\n"
        "set +e\n"
        "\"$3\" read --reader \"$4\" --mode 1 --format table >/dev/null 2>\"$5/read.err\"\n"
        "echo $? > \"$5/read.status\"\n"
        "cp \"$1/History.db\" \"$5/after.db\"\n");
    QProcess p;
    p.setProcessEnvironment(homeEnv(home));
    const QStringList args = {"-c", script, "sh", folder, saved, cli(), cardReader(home, 2), home.path()};
    p.start("unshare", QStringList{"-m", "sh"} + args);
    ASSERT_TRUE(p.waitForFinished(60000));
    if (p.exitCode() != 0 || !QFile::exists(home.file("read.status"))) {
        p.start("unshare", QStringList{"-rm", "sh"} + args);  // without root, in a user namespace
        ASSERT_TRUE(p.waitForFinished(60000));
    }
    if (!QFile::exists(home.file("read.status")))
        GTEST_SKIP() << "no mount namespace here: " << p.readAllStandardError().toStdString();
    QFile status(home.file("read.status")), err(home.file("read.err"));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly) && err.open(QIODevice::ReadOnly));
    EXPECT_EQ(status.readAll().trimmed(), "1");
    const QString messages = QString::fromUtf8(err.readAll());
    EXPECT_TRUE(messages.contains("履歴保存データベース") && messages.contains("8005000D")) << messages.toStdString();
    Census c = census(home.file("after.db"));
    EXPECT_EQ(c.integrity, "ok");
    EXPECT_EQ(c.rowsOf[idmOf(1)], 20);
    EXPECT_EQ(c.rowsOf.count(idmOf(2)), 0u);
}
