#include "CHistoryTable.h"
#include "MessageSink.h"
#include "StoredHistory.h"
#include "TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace history;

namespace {

// `count` rows of a card, numbered from `first`, dated day first.. of
// November, newest first as a Read gives them.
void storeRows(CHistoryTable& table, const QString& idm, int cardType, int count, int first) {
    CHistoryDisplay rows;
    for (int i = 0; i < count; ++i) {
        const int n = first + count - 1 - i;
        rows.SetText(BlockData, i, QString::asprintf("16%030X", n));  // a terminal code: never an unused slot
        rows.SetText(Balance, i, QString::asprintf("%5d", n));
        rows.SetText(Date, i, QStringLiteral("26年11月%1日").arg(n % 28 + 1, 2, 10, QLatin1Char('0')));
    }
    table.Merge(idm, cardType, rows, count);
}

QString historySql(const QString& path) {
    CDbConnection db;
    CDbStatement q;
    if (DbFailed(db.Open(path, CDbConnection::Mode::ReadOnly)) ||
        DbFailed(q.Prepare(db, "SELECT sql FROM sqlite_master WHERE name = 'History'")) || q.Step() != DB_OK)
        return QString();
    return q.Text(0);
}

QStringList listing(CHistoryTable& table, const QString& only = QString()) {
    std::vector<StoredCard> cards;
    QString error;
    EXPECT_TRUE(ListStoredCards(table, cards, error, only)) << error.toStdString();
    QStringList lines;
    for (const StoredCard& c : cards)
        lines << QStringLiteral("%1 %2 %3 %4..%5 %6")
                     .arg(c.idm).arg(c.cardType).arg(c.rows).arg(c.oldestDate, c.newestDate, c.nickname);
    return lines;
}

void execute(const QString& path, const char* sql) {
    CDbConnection db;
    ASSERT_EQ(db.Open(path, CDbConnection::Mode::ReadWrite), DB_OK);
    ASSERT_EQ(db.Execute(sql), DB_OK) << db.LastError().toStdString();
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct StoredCards : ::testing::Test {
    test::IsolatedHome home;
    RecordingMessageSink messages;
    ScopedMessageSink sink{&messages};
    CHistoryTable table;
};

}  // namespace

// Cards are listed newest stored first with their counts and dates; the
// counts follow rows added, deleted or moved by any program, and a file
// whose counts were never made (or were dropped) lists the same. Rows an
// earlier version stored for a card's unused slots stay in the file, which
// is not written, and are no rows: not reloaded, not counted, no date of the
// listing, and a card that holds only such rows is not listed.
TEST_F(StoredCards, ListedWithCountsAndDatesWhoeverChangedTheRows) {
    storeRows(table, "0101000000000001", 1, 5, 0);     // 11/01..11/05
    execute(table.Path(), "INSERT INTO History (IDm, CardType, BlockData, Date) VALUES "
                          "('0101000000000001', 1, '00000080000000000000000000000000', '00年00月00日'), "
                          "('0101000000000001', 1, '00000000000000000000000000000000', '00年00月00日'), "
                          "('0101000000000002', 128, '00050000000000000000000000000000', '2000年01月01日'), "
                          "('0101000000000003', 131, '00000000000000000000000000000000', '2000年01月01日')");
    storeRows(table, "0101000000000002", 128, 3, 10);  // 11/11..11/13
    storeRows(table, "0101000000000001", 1, 4, 5);     // 11/06..11/09, the same card again
    storeRows(table, "0101000000000001", 2, 2, 20);    // the same IDm as another card type
    const QStringList expected = {"0101000000000001 2 2 26年11月21日..26年11月22日 ",
                                  "0101000000000001 1 9 26年11月01日..26年11月09日 ",
                                  "0101000000000002 128 3 26年11月11日..26年11月13日 "};
    const QByteArray before = fileBytes(table.Path());
    EXPECT_EQ(listing(table), expected);
    EXPECT_EQ(listing(table, "0101000000000002"), expected.mid(2));
    CHistoryDisplay shown;
    EXPECT_EQ(table.Reload("0101000000000001", 1, shown), 9);
    EXPECT_EQ(shown.Text(BlockData, 8), QString::asprintf("16%030X", 0));
    EXPECT_EQ(fileBytes(table.Path()), before);
    EXPECT_TRUE(messages.messages.isEmpty());

    // Another program deletes and moves rows: the triggers keep the counts.
    execute(table.Path(), "DELETE FROM History WHERE IDm = '0101000000000002' AND Balance = 10;"
                          "UPDATE History SET CardType = 3 WHERE IDm = '0101000000000001' AND CardType = 2");
    const QStringList changed = {"0101000000000001 3 2 26年11月21日..26年11月22日 ",
                                 "0101000000000001 1 9 26年11月01日..26年11月09日 ",
                                 "0101000000000002 128 2 26年11月12日..26年11月13日 "};
    EXPECT_EQ(listing(table), changed);
    execute(table.Path(), "DELETE FROM History WHERE IDm = '0101000000000002'");
    EXPECT_EQ(listing(table), changed.mid(0, 2));

    // Without the counts (an older file, or their table dropped) the rows
    // are counted; the next open for writing makes the counts again.
    execute(table.Path(), "DROP TABLE CardRows");
    EXPECT_EQ(listing(table), changed.mid(0, 2));
    storeRows(table, "0101000000000009", 1, 1, 27);
    CDbConnection db;
    ASSERT_EQ(db.Open(table.Path(), CDbConnection::Mode::ReadOnly), DB_OK);
    EXPECT_TRUE(HasCardRows(db));
    EXPECT_EQ(listing(table), QStringList({"0101000000000009 1 1 26年11月28日..26年11月28日 "}) + changed.mid(0, 2));
}

// A nickname is kept in History.db beside History, whose table stays as it
// was; it survives a new table object, is replaced or removed, and is never
// written into a file the checked open refuses.
TEST_F(StoredCards, NicknamesAreKeptBesideTheUntouchedHistoryTable) {
    QString error;
    EXPECT_FALSE(SetCardNickname(table, "0101000000000001", 1, "通勤用", error));  // no History.db yet
    EXPECT_FALSE(QFile::exists(table.Path()));
    storeRows(table, "0101000000000001", 1, 3, 0);
    storeRows(table, "0101000000000002", 1, 3, 5);
    const QString before = historySql(table.Path());
    ASSERT_FALSE(before.isEmpty());
    ASSERT_TRUE(SetCardNickname(table, "0101000000000001", 1, "  通勤用 ", error)) << error.toStdString();
    ASSERT_TRUE(SetCardNickname(table, "0101000000000002", 1, "買い物", error));
    ASSERT_TRUE(SetCardNickname(table, "0101000000000002", 1, "旅行", error));
    CHistoryTable again;
    EXPECT_EQ(listing(again), QStringList({"0101000000000002 1 3 26年11月06日..26年11月08日 旅行",
                                           "0101000000000001 1 3 26年11月01日..26年11月03日 通勤用"}));
    ASSERT_TRUE(SetCardNickname(again, "0101000000000002", 1, "", error));
    EXPECT_EQ(listing(again).first(), "0101000000000002 1 3 26年11月06日..26年11月08日 ");
    EXPECT_EQ(historySql(table.Path()), before);

    // A damaged file keeps its bytes, named or forgotten.
    QFile f(table.Path());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    bytes.chop(1);
    f.resize(0);
    f.write(bytes);
    f.close();
    EXPECT_FALSE(SetCardNickname(table, "0101000000000001", 1, "別名", error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ForgetStoredCard(table, "0101000000000001", 1, error), -1);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), bytes);
}

// Forgetting a card takes its rows, nickname, brand and issuer kind out of
// History.db in one transaction, with nothing of them left in the file's
// free pages; other cards stay as they were, and without a card type every
// type of the IDm goes. (A damaged file keeps its bytes: see the nickname
// test.)
TEST_F(StoredCards, ForgettingACardLeavesNothingOfIt) {
    CHistoryDisplay rows;
    rows.SetText(BlockData, 0, "16010000357C0110013052656D656D00");  // "Remem" in the block
    rows.SetText(Note1, 0, QStringLiteral("忘れるカード"));
    table.Merge("0101000000000001", 1, rows, 1, 1, QStringLiteral("PASMO"));
    storeRows(table, "0101000000000001", 2, 2, 5);  // the same IDm as another card type
    storeRows(table, "0101000000000002", 1, 4, 10);
    QString error;
    ASSERT_TRUE(SetCardNickname(table, "0101000000000001", 1, QStringLiteral("友だちのカード"), error));
    ASSERT_TRUE(SetCardNickname(table, "0101000000000002", 1, QStringLiteral("自分の"), error));

    EXPECT_EQ(ForgetStoredCard(table, "0101000000000001", 1, error), 1) << error.toStdString();
    EXPECT_EQ(listing(table), QStringList({"0101000000000002 1 4 26年11月11日..26年11月14日 自分の",
                                           "0101000000000001 2 2 26年11月06日..26年11月07日 "}));
    EXPECT_EQ(table.IssuerKind("0101000000000001", 1), -1);
    for (const char* gone : {"52656D656D", "忘れるカード", "友だちのカード", "PASMO"})
        EXPECT_FALSE(fileBytes(table.Path()).contains(gone)) << gone;
    EXPECT_EQ(ForgetStoredCard(table, "0101000000000001", -1, error), 1);
    EXPECT_EQ(listing(table).size(), 1);
}
