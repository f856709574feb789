#include "CHistoryTable.h"
#include "MessageSink.h"
#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

using namespace history;

namespace {

const QString kIdm = QStringLiteral("0101041087654321");

// Block `n` of a made-up card: a terminal code and the number, so never an
// unused slot.
QString blockText(int n) { return QString::asprintf("16%030X", n); }

// Display rows whose blocks are numbered from `first`, newest first.
void fillRows(CHistoryDisplay& rows, int count, int first) {
    for (int i = 0; i < count; ++i) {
        const int n = first + count - 1 - i;
        rows.SetText(BlockData, i, blockText(n));
        rows.SetText(Balance, i, QString::asprintf("%5d", n * 10));
        rows.SetText(Charge, i, QString::asprintf("%5d", -n));
        rows.SetText(Serial, i, QString::asprintf("%8d", n));
        rows.SetText(Point, i, QString::asprintf("%5d", 7));
        rows.SetText(SerialCode, i, QString::asprintf("%06X", n));
        rows.SetText(Date, i, QStringLiteral("26年11月%1日").arg(n % 28 + 1, 2, 10, QLatin1Char('0')));
        rows.SetText(DepartureStation, i, QStringLiteral("駅%1").arg(n));
    }
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

int storedRows(const QString& path) {
    CDbConnection db;
    if (DbFailed(db.Open(path, CDbConnection::Mode::ReadOnly))) return -1;
    CDbStatement q;
    q.Prepare(db, "SELECT count(*) FROM History");
    q.Step();
    return static_cast<int>(q.Integer(0));
}

struct History : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    CHistoryTable table;
    CHistoryDisplay rows, shown;
};

}  // namespace

TEST_F(History, FirstReadCreatesTheFolderAndStoresOldestFirst) {
    EXPECT_EQ(table.Path(), home.dataHome() + "/Mirokaze/History.db");
    fillRows(rows, 20, 0);
    table.Merge(kIdm, 1, rows, 20);
    EXPECT_EQ(storedRows(table.Path()), 20);
    ASSERT_EQ(table.Reload(kIdm, 1, shown), 20);
    EXPECT_TRUE(messages.messages.isEmpty());
    for (int i = 0; i < 20; ++i) EXPECT_EQ(shown.Text(BlockData, i), rows.Text(BlockData, i));
    // Numbers come back in their display widths; the flags are not stored.
    EXPECT_EQ(shown.Text(Balance, 0), "  190");
    EXPECT_EQ(shown.Text(Charge, 0), "  -19");
    EXPECT_EQ(shown.Text(Serial, 0), "      19");
    EXPECT_EQ(shown.Text(Point, 0), "    7");
    EXPECT_EQ(shown.Text(DepartureStation, 0), "駅19");
    // A card's unused slot is no record: not stored.
    rows.SetText(BlockData, 0, "00000080000000000000000000000000");
    table.Merge(kIdm, 1, rows, 1);
    EXPECT_EQ(storedRows(table.Path()), 20);
    // Sequential grows from the oldest card row to the newest.
    CDbConnection db;
    ASSERT_EQ(db.Open(table.Path(), CDbConnection::Mode::ReadOnly), DB_OK);
    CDbStatement q;
    q.Prepare(db, "SELECT BlockData FROM History ORDER BY Sequential");
    ASSERT_EQ(q.Step(), DB_OK);
    EXPECT_EQ(q.Text(0), blockText(0));
}

TEST_F(History, ReadingTheSameCardAgainStoresNothing) {
    fillRows(rows, 20, 0);
    table.Merge(kIdm, 1, rows, 20);
    const QByteArray before = fileBytes(table.Path());
    table.Merge(kIdm, 1, rows, 20);
    // Not a byte of the file changed: a write would at least count the
    // file's change in its header.
    EXPECT_EQ(fileBytes(table.Path()), before);
    EXPECT_EQ(storedRows(table.Path()), 20);
    EXPECT_EQ(table.Reload(kIdm, 1, shown), 20);
    EXPECT_TRUE(messages.messages.isEmpty());
}

TEST_F(History, RolledOffBlocksStayAfterTheNewOnes) {
    fillRows(rows, 20, 0);
    table.Merge(kIdm, 1, rows, 20);
    fillRows(rows, 20, 5);  // five new blocks; blocks 0-4 rolled off
    table.Merge(kIdm, 1, rows, 20);
    ASSERT_EQ(table.Reload(kIdm, 1, shown), 25);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(shown.Text(BlockData, i), blockText(24 - i));
    EXPECT_EQ(shown.Text(BlockData, 24), blockText(0));
}

TEST_F(History, ReloadShowsTheNewest1000Of1500) {
    for (int batch = 0; batch < 75; ++batch) {
        fillRows(rows, 20, batch * 20);
        table.Merge(kIdm, 1, rows, 20);
    }
    EXPECT_EQ(storedRows(table.Path()), 1500);
    ASSERT_EQ(table.Reload(kIdm, 1, shown), 1000);
    EXPECT_EQ(shown.Text(BlockData, 0), blockText(1499));
    EXPECT_EQ(shown.Text(BlockData, 999), blockText(500));
}

TEST_F(History, CardTypesAndIdenticalBlocksKeepTheirOwnRows) {
    fillRows(rows, 3, 0);
    rows.SetText(BlockData, 2, rows.Text(BlockData, 0));  // two identical blocks on one card
    table.Merge(kIdm, 1, rows, 3);
    table.Merge(kIdm, 2, rows, 3);
    table.Merge(QStringLiteral("0101041087654322"), 1, rows, 3);
    EXPECT_EQ(table.Reload(kIdm, 1, shown), 2);
    EXPECT_EQ(table.Reload(kIdm, 2, shown), 2);
    EXPECT_EQ(table.Reload(kIdm, 3, shown), 0);
    EXPECT_EQ(storedRows(table.Path()), 6);
}

TEST_F(History, TextsAreCutToTheirColumnWidths) {
    rows.SetText(BlockData, 0, QString(32, 'A'));
    rows.SetText(Terminal, 0, QString(20, QChar(0x6539)));
    rows.SetText(Note1, 0, QString(60, 'n'));
    rows.SetText(DepartureLineCode, 0, QStringLiteral("123456789"));
    table.Merge(kIdm, 1, rows, 1);
    ASSERT_EQ(table.Reload(kIdm, 1, shown), 1);
    EXPECT_EQ(shown.Text(Terminal, 0), QString(12, QChar(0x6539)));
    EXPECT_EQ(shown.Text(Note1, 0), QString(50, 'n'));
    EXPECT_EQ(shown.Text(DepartureLineCode, 0), "123456");
}

TEST_F(History, FolderThatIsAFileGivesOpenErrors) {
    QFile f(home.dataHome() + "/Mirokaze");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    fillRows(rows, 3, 0);
    table.Merge(kIdm, 1, rows, 3);
    EXPECT_EQ(table.Reload(kIdm, 1, shown), 0);
    ASSERT_EQ(messages.messages.size(), 4);  // one per card row, and the reload
    for (const QString& m : messages.messages) EXPECT_EQ(m, "履歴保存データベースOpenエラー 8005000E");
}

// A foreign database, or History.db with the wrong History table.
QByteArray sqliteFile(const QString& path, const char* sql) {
    {
        CDbConnection db;
        EXPECT_EQ(db.Open(path, CDbConnection::Mode::ReadWriteCreate), DB_OK);
        EXPECT_EQ(db.Execute(sql), DB_OK);
    }
    const QByteArray bytes = fileBytes(path);
    QFile::remove(path);
    return bytes;
}

TEST_F(History, DamagedOrForeignDatabaseIsReportedAndLeftAsItWas) {
    fillRows(rows, 20, 0);
    table.Merge(kIdm, 1, rows, 20);
    const QByteArray good = fileBytes(table.Path());
    ASSERT_GE(good.size(), 3 * 4096);
    QByteArray flippedTree = good, flippedCells = good, changedKey = good;
    for (int i = 0; i < 8; ++i) flippedTree[4096 + i] = char(~flippedTree[4096 + i]);  // a B-tree page header
    for (int i = 0; i < 64; ++i) flippedCells[2 * 4096 - 200 + i] = char(0xFF);        // rows of the table
    // One character of a stored block: the table and its index disagree.
    const qsizetype key = changedKey.indexOf(blockText(11).toLatin1());
    ASSERT_GT(key, 0);
    changedKey[key + 5] = 'Z';
    const std::vector<QByteArray> damages = {
        QByteArray("not a database, a letter to the user"),
        QByteArray(),                                                        // emptied
        good.left(good.size() / 2),                                          // cut off
        QByteArray(16, 'X') + good.mid(16),                                  // header overwritten
        good.left(good.size() - 1),                                          // one byte short
        flippedTree,
        flippedCells,
        changedKey,
        sqliteFile(home.file("other.db"), "CREATE TABLE Photos (name TEXT); INSERT INTO Photos VALUES ('a')"),
        sqliteFile(home.file("other.db"), "CREATE TABLE History (IDm TEXT, BlockData TEXT)"),
    };
    for (const QByteArray& damaged : damages) {
        {
            QFile f(table.Path());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(damaged);
        }
        messages.messages.clear();
        fillRows(rows, 20, 100);
        table.Merge(kIdm, 1, rows, 20);
        EXPECT_EQ(table.Reload(kIdm, 1, shown), 0);
        EXPECT_EQ(messages.messages.size(), 21);
        const QString first = messages.messages.value(0);
        EXPECT_TRUE(first.startsWith("履歴保存データベースOpenエラー 8005")) << first.toStdString();
        EXPECT_TRUE(first.contains(table.Path()) && first.contains("変更せず")) << first.toStdString();
        EXPECT_EQ(fileBytes(table.Path()), damaged);
        EXPECT_EQ(QDir(home.dataHome() + "/Mirokaze").entryList(QDir::Files), QStringList({"History.db"}));
    }
}

// A file of a newer format is one SQLite only reads, as is a write-protected
// one: the read says so once per row, stores nothing, and the stored history
// still shows.
TEST_F(History, FileSqliteMayOnlyReadGivesTheOpenErrorAndStillShows) {
    fillRows(rows, 20, 0);
    table.Merge(kIdm, 1, rows, 20);
    QByteArray newer = fileBytes(table.Path());
    newer[18] = 3;  // the file format version needed to write
    {
        QFile f(table.Path());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write(newer);
    }
    fillRows(rows, 20, 100);
    table.Merge(kIdm, 1, rows, 20);
    ASSERT_EQ(messages.messages.size(), 20);
    EXPECT_EQ(messages.messages.value(19),
              "履歴保存データベースOpenエラー 80050008\n" + table.Path() + " に書き込めないため、今回の履歴は保存していません。");
    EXPECT_EQ(fileBytes(table.Path()), newer);
    EXPECT_EQ(table.Reload(kIdm, 1, shown), 20);
}

TEST_F(History, OutsideChangeIsCheckedAndRecorded) {
    fillRows(rows, 20, 0);
    table.Merge(kIdm, 1, rows, 20);
    // Another program adds a row and sets the modification time back, as
    // cp -p or touch -r would: the file no longer matches what Kuvora
    // recorded, so the next open checks it and then records it again.
    const QString stamp = table.Path() + "-checked";
    const QByteArray recorded = fileBytes(stamp);
    ASSERT_FALSE(recorded.isEmpty());
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(table.Path()).constData(), &before), 0);
    {
        CDbConnection db;
        ASSERT_EQ(db.Open(table.Path(), CDbConnection::Mode::ReadWrite), DB_OK);
        ASSERT_EQ(db.Execute("INSERT INTO History (IDm, CardType, BlockData) VALUES ('0101041087654321', 1, 'X')"),
                  DB_OK);
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(table.Path()).constData(), times, 0), 0);
    ASSERT_EQ(QFileInfo(table.Path()).size(), before.st_size);  // the row fits in a page that was there
    EXPECT_EQ(table.Reload(kIdm, 1, shown), 21);
    EXPECT_NE(fileBytes(stamp), recorded);
    EXPECT_TRUE(messages.messages.isEmpty());
    // A damage found later makes Kuvora forget the file was sound.
    QByteArray bytes = fileBytes(table.Path());
    for (int i = 0; i < 8; ++i) bytes[4096 + i] = char(~bytes[4096 + i]);
    {
        QFile f(table.Path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    EXPECT_EQ(table.Reload(kIdm, 1, shown), 0);
    EXPECT_FALSE(QFile::exists(stamp));
}

// A file that lost one of its indexes or one part of the row counts gets it
// back at the next write, the counts built again from the rows.
TEST_F(History, AMissingIndexOrCountPartIsBuiltAgainAtTheNextWrite) {
    const std::pair<const char*, const char*> lost[] = {
        {"index", "HistoryByBlock"},    {"index", "HistoryByCard"},     {"table", "CardRows"},
        {"trigger", "CardRowsInsert"}, {"trigger", "CardRowsDelete"}, {"trigger", "CardRowsUpdate"},
    };
    int first = 0;
    fillRows(rows, 20, first);
    table.Merge(kIdm, 1, rows, 20);
    for (const auto& [type, name] : lost) {
        SCOPED_TRACE(name);
        {
            CDbConnection db;
            ASSERT_EQ(db.Open(table.Path(), CDbConnection::Mode::ReadWrite), DB_OK);
            ASSERT_EQ(db.Execute(QByteArray("DROP ").append(type).append(' ').append(name).constData()), DB_OK);
        }
        first += 5;
        fillRows(rows, 20, first);  // five new blocks
        table.Merge(kIdm, 1, rows, 20);
        EXPECT_TRUE(messages.messages.isEmpty());
        CDbConnection db;
        ASSERT_EQ(db.Open(table.Path(), CDbConnection::Mode::ReadOnly), DB_OK);
        CDbStatement q;
        q.Prepare(db, "SELECT count(*) FROM sqlite_master WHERE type = ? AND name = ?");
        q.Bind(1, QString::fromLatin1(type));
        q.Bind(2, QString::fromLatin1(name));
        ASSERT_EQ(q.Step(), DB_OK);
        EXPECT_EQ(q.Integer(0), 1);
        CDbStatement counted;
        counted.Prepare(db, "SELECT Rows FROM CardRows WHERE IDm = ? AND CardType = 1");
        counted.Bind(1, kIdm);
        ASSERT_EQ(counted.Step(), DB_OK);
        EXPECT_EQ(counted.Integer(0), storedRows(table.Path()));
        EXPECT_EQ(storedRows(table.Path()), 20 + first);
    }
}

// With every part there, a write leaves the counts to the triggers: they are
// not counted again from the rows (a million rows take a while).
TEST_F(History, CompleteCountsAreNotBuiltAgain) {
    fillRows(rows, 20, 0);
    table.Merge(kIdm, 1, rows, 20);
    {
        CDbConnection db;
        ASSERT_EQ(db.Open(table.Path(), CDbConnection::Mode::ReadWrite), DB_OK);
        ASSERT_EQ(db.Execute("UPDATE CardRows SET Rows = 999"), DB_OK);
    }
    fillRows(rows, 20, 1);  // one new block
    table.Merge(kIdm, 1, rows, 20);
    CDbConnection db;
    ASSERT_EQ(db.Open(table.Path(), CDbConnection::Mode::ReadOnly), DB_OK);
    CDbStatement q;
    q.Prepare(db, "SELECT Rows FROM CardRows");
    ASSERT_EQ(q.Step(), DB_OK);
    EXPECT_EQ(q.Integer(0), 1000);
    EXPECT_TRUE(messages.messages.isEmpty());
}
