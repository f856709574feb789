// The monthly totals of a stored card: a card with 1,000 stored rows (fares,
// purchases and charges over three years) loaded from History.db as the
// window and kuvora-cli do, classified and summed per month. The same card in
// a History.db of 2,000 rows and in one of 1,000,000 rows (999,000 of other
// cards), timed in turn, round by round. Target: under 50 ms and flat in the
// database's size.
//   bench_spending [ROUNDS] [BIG_ROWS]   (default 20 and 1000000)
#include "BenchHistory.h"
#include "BenchTimes.h"
#include "CKuvoraDoc.h"
#include "MessageSink.h"
#include "Spending.h"
#include "StoredHistory.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
const QString kIdm = QStringLiteral("0102030405060708");

// The card's 1,000 rows, oldest first: a day's fare, every seventh a shop
// sale, every thirtieth a charge.
void insertCardRows() {
    CHistoryTable table;
    CDbConnection db;
    if (DbFailed(table.Open(db))) std::abort();
    db.Execute("BEGIN");
    CDbStatement insert;
    insert.Prepare(db, "INSERT INTO History (IDm, CardType, BlockData, TradeCode, Trade, Date, Balance, Charge, "
                       "AStationName, PStationName, Point, PointBalance, Serial) "
                       "VALUES (?, 1, ?, ?, '', ?, ?, ?, '見本中央', '見本公園', 0, 0, ?)");
    QDate day(2024, 1, 1);
    for (int i = 0; i < 1000; ++i, day = day.addDays(1)) {
        const char* trade = i % 30 == 0 ? "02" : i % 7 == 0 ? "46" : "01";
        insert.Reset();
        insert.Bind(1, kIdm);
        insert.Bind(2, QString::asprintf("1601%028X", i));
        insert.Bind(3, QString::fromLatin1(trade));
        insert.Bind(4, QString::asprintf("%02d年%02d月%02d日", day.year() - 2000, day.month(), day.day()));
        insert.Bind(5, static_cast<std::int64_t>(5000 - i % 30 * 150));
        insert.Bind(6, static_cast<std::int64_t>(trade[1] == '2' ? 5000 : 150));
        insert.Bind(7, static_cast<std::int64_t>(i));
        insert.Step();
    }
    db.Execute("COMMIT");
}

QString makeDatabase(const QString& folder, int otherRows) {
    qputenv("XDG_DATA_HOME", folder.toUtf8());
    insertHistoryRows(otherRows / 2, QString(), 1000);
    insertCardRows();
    insertHistoryRows(otherRows - otherRows / 2, QString(), 1000);
    return CHistoryTable().Path();
}

std::size_t totals(const QString& path) {
    CHistoryTable table(path);
    CKuvoraDoc doc;
    LoadStoredHistory(table, doc, kIdm, 1);
    return MonthlyTotals(ClassifyRows(doc.m_nCardType, doc.m_History, doc.m_nRows)).size();
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int bigRows = argc > 2 ? std::max(2000, std::atoi(argv[2])) : 1000000;
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    RecordingMessageSink messages;
    ScopedMessageSink sink(&messages);
    const auto built = Clock::now();
    const QString small = makeDatabase(home.path() + "/small", 1000);
    const QString big = makeDatabase(home.path() + "/big", bigRows - 1000);
    std::printf("Databases built in %.1f s\n", std::chrono::duration<double>(Clock::now() - built).count());

    // The first open of a file Kuvora did not write itself runs its check:
    // once, as the window's first load does.
    std::size_t months = totals(small) + totals(big);
    Times smallTimes, bigTimes, computeTimes;
    CKuvoraDoc doc;
    CHistoryTable bigTable(big);
    LoadStoredHistory(bigTable, doc, kIdm, 1);
    for (int i = 0; i < rounds; ++i) {
        smallTimes.time([&] { months += totals(small); });
        bigTimes.time([&] { months += totals(big); });
        computeTimes.time([&] { months += MonthlyTotals(ClassifyRows(1, doc.m_History, doc.m_nRows)).size(); });
    }
    std::printf("Monthly totals of a card with %d stored rows (%zu months), %d rounds, interleaved\n\n", doc.m_nRows,
                months / (3 * static_cast<std::size_t>(rounds) + 2), rounds);
    std::printf("%-40s %9s %9s %9s\n", "", "median ms", "min ms", "max ms");
    smallTimes.print("load + totals, History.db 2,000 rows", "", 40);
    bigTimes.print(QStringLiteral("load + totals, History.db %1 rows").arg(bigRows).toUtf8().constData(), "", 40);
    computeTimes.print("totals alone (1,000 rows in memory)", "", 40);
    std::printf("\ntarget: under 50 ms, flat in the database's size (ratio %.2f)\n",
                bigTimes.median() / smallTimes.median());
    if (!messages.messages.isEmpty()) std::printf("messages: %s\n", messages.messages.join('\n').toUtf8().constData());
    return 0;
}
