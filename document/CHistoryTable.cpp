#include "CHistoryTable.h"

#include "CardTypes.h"
#include "MessageSink.h"
#include "ShownText.h"
#include "file_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

const HistoryColumnDef kHistoryColumns[30] = {
    {"ACompanyName", 255}, {"ALineCode", 6},      {"ALineName", 255},    {"AStationCode", 6},
    {"AStationName", 255}, {"Balance", 0},        {"BlockData", 50},     {"CardType", 0},
    {"Charge", 0},         {"Date", 14},          {"DateCode", 6},       {"IDm", 50},
    {"Note1", 50},         {"Note2", 50},         {"PCompanyName", 255}, {"PLineCode", 6},
    {"PLineName", 255},    {"Point", 0},          {"PointBalance", 0},   {"PStationCode", 6},
    {"PStationName", 255}, {"Sequential", 0},     {"Serial", 0},         {"SerialCode", 10},
    {"Terminal", 12},      {"TerminalCode", 2},   {"Time", 14},          {"TimeCode", 6},
    {"Trade", 12},         {"TradeCode", 2},
};

namespace {

enum Ordinal {
    kACompanyName, kALineCode, kALineName, kAStationCode, kAStationName, kBalance, kBlockData, kCardType,
    kCharge, kDate, kDateCode, kIDm, kNote1, kNote2, kPCompanyName, kPLineCode, kPLineName, kPoint,
    kPointBalance, kPStationCode, kPStationName, kSequential, kSerial, kSerialCode, kTerminal, kTerminalCode,
    kTime, kTimeCode, kTrade, kTradeCode
};

const char* const kCreateSql =
    "CREATE TABLE History ("
    "ACompanyName TEXT, ALineCode TEXT, ALineName TEXT, AStationCode TEXT, AStationName TEXT, "
    "Balance INTEGER, BlockData TEXT, CardType INTEGER, Charge INTEGER, Date TEXT, DateCode TEXT, "
    "IDm TEXT, Note1 TEXT, Note2 TEXT, PCompanyName TEXT, PLineCode TEXT, PLineName TEXT, "
    "Point INTEGER, PointBalance INTEGER, PStationCode TEXT, PStationName TEXT, "
    "Sequential INTEGER PRIMARY KEY AUTOINCREMENT, Serial INTEGER, SerialCode TEXT, Terminal TEXT, "
    "TerminalCode TEXT, Time TEXT, TimeCode TEXT, Trade TEXT, TradeCode TEXT)";
// The duplicate look-up and the reload each have their index.
const char* const kIndexSql =
    "CREATE INDEX IF NOT EXISTS HistoryByBlock ON History (IDm, CardType, BlockData);"
    "CREATE INDEX IF NOT EXISTS HistoryByCard ON History (IDm, CardType, Sequential)";

// The issuer kind a card was last read with: the area of some of its codes
// depends on it, and the stored rows do not record it.
const char* const kIssuerTableSql =
    "CREATE TABLE IF NOT EXISTS CardIssuer (IDm TEXT NOT NULL, CardType INTEGER NOT NULL, "
    "IssuerKind INTEGER NOT NULL, PRIMARY KEY (IDm, CardType))";

// Written only when it changed: a read that finds no new rows then changes
// no page and costs no disk sync.
const char* const kIssuerSql =
    "INSERT INTO CardIssuer VALUES (?, ?, ?) ON CONFLICT (IDm, CardType) DO UPDATE "
    "SET IssuerKind = excluded.IssuerKind WHERE IssuerKind <> excluded.IssuerKind";

// The brand of a Suica-family card as last read (NULL: no single brand), so
// that a stored card shows it too. Written only when it changed.
const char* const kBrandTableSql =
    "CREATE TABLE IF NOT EXISTS CardBrand (IDm TEXT NOT NULL, CardType INTEGER NOT NULL, "
    "Brand TEXT, PRIMARY KEY (IDm, CardType))";
const char* const kBrandSql =
    "INSERT INTO CardBrand VALUES (?, ?, ?) ON CONFLICT (IDm, CardType) DO UPDATE "
    "SET Brand = excluded.Brand WHERE Brand IS NOT excluded.Brand";

// How many rows each card has, kept by triggers on History, so listing the
// stored cards does not count a million rows. Built from History the first
// time the file is opened for writing; the History table itself is left as
// it is.
const char* const kCardRowsObjects[] = {"CardRows", "CardRowsInsert", "CardRowsDelete", "CardRowsUpdate"};
const char* const kCardRowsSql =
    "DROP TRIGGER IF EXISTS CardRowsInsert; DROP TRIGGER IF EXISTS CardRowsDelete; "
    "DROP TRIGGER IF EXISTS CardRowsUpdate; DROP TABLE IF EXISTS CardRows; "
    "CREATE TABLE CardRows (IDm TEXT NOT NULL, CardType INTEGER NOT NULL, Rows INTEGER NOT NULL, "
    "PRIMARY KEY (IDm, CardType)) WITHOUT ROWID; "
    "INSERT INTO CardRows SELECT ifnull(IDm, ''), ifnull(CardType, 0), COUNT(*) FROM History "
    "GROUP BY ifnull(IDm, ''), ifnull(CardType, 0); "
    "CREATE TRIGGER CardRowsInsert AFTER INSERT ON History BEGIN "
    "INSERT INTO CardRows VALUES (ifnull(new.IDm, ''), ifnull(new.CardType, 0), 1) "
    "ON CONFLICT (IDm, CardType) DO UPDATE SET Rows = Rows + 1; END; "
    "CREATE TRIGGER CardRowsDelete AFTER DELETE ON History BEGIN "
    "UPDATE CardRows SET Rows = Rows - 1 WHERE IDm = ifnull(old.IDm, '') AND CardType = ifnull(old.CardType, 0); "
    "DELETE FROM CardRows WHERE Rows <= 0; END; "
    "CREATE TRIGGER CardRowsUpdate AFTER UPDATE OF IDm, CardType ON History BEGIN "
    "UPDATE CardRows SET Rows = Rows - 1 WHERE IDm = ifnull(old.IDm, '') AND CardType = ifnull(old.CardType, 0); "
    "DELETE FROM CardRows WHERE Rows <= 0; "
    "INSERT INTO CardRows VALUES (ifnull(new.IDm, ''), ifnull(new.CardType, 0), 1) "
    "ON CONFLICT (IDm, CardType) DO UPDATE SET Rows = Rows + 1; END";

// Whether the row is stored already: the index on these columns answers it
// alone.
const char* const kLookupSql = "SELECT 1 FROM History WHERE IDm = ? AND CardType = ? AND BlockData = ?";
const char* const kReloadSql =
    "SELECT ACompanyName, ALineCode, ALineName, AStationCode, AStationName, Balance, \t\tBlockData, CardType, "
    "Charge, Date, DateCode, IDm, Note1, Note2, PCompanyName, PLineCode, \t\tPLineName, Point, PointBalance, "
    "PStationCode, PStationName, Sequential, Serial, SerialCode, \t\tTerminal, TerminalCode, Time, TimeCode, "
    "Trade, TradeCode \t\tFROM History WHERE IDm = ? AND CardType = ? ORDER BY Sequential DESC";

QString insertSql() {
    QStringList names, marks;
    for (const auto& c : kHistoryColumns) {
        if (QLatin1String(c.name) == QLatin1String("Sequential")) continue;  // the database numbers it
        names << QLatin1String(c.name);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO History (%1) VALUES (%2)")
        .arg(names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
}

QString errorText(const char* what, DbResult code) {
    return QString::fromUtf8(what) + QStringLiteral(" %1").arg(static_cast<std::uint32_t>(code), 0, 16).toUpper();
}

void showError(const char* what, DbResult code) { ShowMessage(errorText(what, code)); }

const char* const kOpenError = QT_TRANSLATE_NOOP("Strings", "履歴保存データベースOpenエラー");
const char* const kSearchError = QT_TRANSLATE_NOOP("Strings", "履歴保存データベース検索エラー");
const char* const kInsertError = QT_TRANSLATE_NOOP("Strings", "履歴保存データベースInsertエラー");

// The damage codes: the file is not a database SQLite can vouch for.
bool isDamage(DbResult r) {
    const int primary = static_cast<int>(static_cast<std::uint32_t>(r) & 0xFF);
    return DbFailed(r) && (static_cast<std::uint32_t>(r) & 0xFFFF0000u) == 0x80050000u &&
           (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB);
}

// A file SQLite may only read: write-protected, in a folder where no journal
// can be made, or of a newer file format.
bool isReadOnly(DbResult r) {
    return DbFailed(r) && (static_cast<std::uint32_t>(r) & 0xFFFF0000u) == 0x80050000u &&
           (static_cast<std::uint32_t>(r) & 0xFF) == SQLITE_READONLY;
}

// What ends a read: nothing of it can be stored, so nothing is tried row by row.
bool endsTheRead(DbResult r) { return isDamage(r) || isReadOnly(r); }

// The Open error, with where the file is and what was done about it where
// the user has to act.
QString openErrorText(DbResult code, const QString& path) {
    QString text = errorText(kOpenError, code);
    const int primary = static_cast<int>(static_cast<std::uint32_t>(code) & 0xFF);
    if (isDamage(code))
        text += QLatin1Char('\n') + QString::fromUtf8(kHistoryDamagedLine).arg(QDir::toNativeSeparators(path));
    else if (DbFailed(code) && (primary == SQLITE_BUSY || primary == SQLITE_LOCKED))
        text += QLatin1Char('\n') + QString::fromUtf8(kHistoryBusyLine).arg(QDir::toNativeSeparators(path));
    else if (isReadOnly(code))
        text += QLatin1Char('\n') + QString::fromUtf8(kHistoryReadOnlyLine).arg(QDir::toNativeSeparators(path));
    return text;
}

// What identifies the state of the file: after Kuvora's own commit it is
// recorded beside the file, and a file that still matches it need not be
// checked again. The change time is in it because a program can set the
// modification time back after writing (cp -p, touch -r), but not the change
// time.
QByteArray fileStamp(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    const auto time = [](const timespec& t) {
        return QByteArray::number(qlonglong(t.tv_sec)) + ' ' + QByteArray::number(qlonglong(t.tv_nsec));
    };
    return QByteArray::number(qulonglong(st.st_dev)) + ' ' + QByteArray::number(qulonglong(st.st_ino)) + ' ' +
           QByteArray::number(qlonglong(st.st_size)) + ' ' + time(st.st_mtim) + ' ' + time(st.st_ctim) + '\n';
}

// printf's "%5d" and "%8d" without printf: a reload formats four numbers a row.
QString padded(std::int64_t value, int width) {
    char text[32];
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, static_cast<int>(value)).ptr;
    const int n = static_cast<int>(end - digits);
    const int spaces = std::max(width - n, 0);
    std::fill(text, text + spaces, ' ');
    std::copy(digits, digits + n, text + spaces);
    return QString::fromLatin1(text, spaces + n);
}

QString stampPath(const QString& path) { return path + QStringLiteral("-checked"); }

QByteArray recordedStamp(const QString& path) {
    // A stamp is one short line; anything longer, or not a regular file, is
    // no record.
    std::string bytes;
    if (!platform::readRegularFile(QFile::encodeName(stampPath(path)).toStdString(), 256, bytes).ok()) return {};
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Records the file's present state as vouched for, and returns it; `known`
// is a state known to be on record already. Failing to record only means the
// next open checks the file again.
QByteArray recordStamp(const QString& path, const QByteArray& known = {}) {
    const QByteArray stamp = fileStamp(path);
    if (stamp.isEmpty() || stamp == known || stamp == recordedStamp(path)) return stamp;
    // Renamed into place, not synced: a stamp lost in a crash only costs a
    // check.
    const QString temp = stampPath(path) + QStringLiteral(".%1").arg(::getpid());
    QFile f(temp);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(stamp) == stamp.size() && f.flush() &&
        ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(stampPath(path)).constData()) == 0)
        return stamp;
    QFile::remove(temp);
    return {};
}

void forgetStamp(const QString& path) { QFile::remove(stampPath(path)); }

bool hasSchemaObject(CDbConnection& db, const char* type, const char* name) {
    CDbStatement q;
    if (DbFailed(q.Prepare(db, "SELECT 1 FROM sqlite_master WHERE type = ? AND name = ?"))) return false;
    q.Bind(1, QString::fromLatin1(type));
    q.Bind(2, QString::fromLatin1(name));
    return q.Step() == DB_OK;
}

}  // namespace

bool AddEmptySlotFunction(CDbConnection& db) {
    auto emptySlot = [](sqlite3_context* context, int, sqlite3_value** values) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[1]));
        const std::string_view hex(text ? text : "", static_cast<std::size_t>(sqlite3_value_bytes(values[1])));
        sqlite3_result_int(context, IsEmptyHistorySlot(sqlite3_value_int(values[0]), hex) ? 1 : 0);
    };
    return sqlite3_create_function_v2(db.Handle(), "empty_slot", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      emptySlot, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool HasCardRows(CDbConnection& db) {
    for (const char* name : kCardRowsObjects)
        if (!hasSchemaObject(db, name == kCardRowsObjects[0] ? "table" : "trigger", name)) return false;
    return true;
}

namespace {

// Up to this size the full integrity check runs (it also finds an index
// that disagrees with its table, and takes about a second at this size);
// above it the quick check of every page, which is many times faster.
constexpr qint64 kFullCheckBytes = 16 * 1024 * 1024;

// SQLite's own check of the file, then the History table with its 30
// columns: a file that fails either is not ours to write to.
DbResult checkDatabase(CDbConnection& db, qint64 size) {
    CDbStatement q;
    DbResult r = q.Prepare(db, size <= kFullCheckBytes ? "PRAGMA integrity_check" : "PRAGMA quick_check");
    if (DbFailed(r)) return r;
    r = q.Step();
    if (DbFailed(r)) return r;
    if (r != DB_OK || q.Text(0) != QLatin1String("ok")) return DbResultFromSqlite(SQLITE_CORRUPT);
    q.Finalize();
    // A file cut short inside its last page: SQLite reads the missing bytes
    // as zeros, which no check sees when they fall in a value.
    if (DbFailed(r = q.Prepare(db, "PRAGMA page_size"))) return r;
    if (q.Step() != DB_OK || q.Integer(0) <= 0 || size % q.Integer(0) != 0) return DbResultFromSqlite(SQLITE_CORRUPT);
    q.Finalize();
    if (DbFailed(r = q.Prepare(db, "SELECT name FROM pragma_table_info('History')"))) return r;
    QSet<QString> columns;
    while ((r = q.Step()) == DB_OK) columns.insert(q.Text(0));
    if (DbFailed(r)) return r;
    for (const auto& c : kHistoryColumns)
        if (!columns.contains(QLatin1String(c.name))) return DbResultFromSqlite(SQLITE_NOTADB);
    return hasSchemaObject(db, "table", "History") ? DB_OK : DbResultFromSqlite(SQLITE_NOTADB);
}

// A new History.db is built under another name and linked into place whole,
// so the path never names a half-made file; when another process got there
// first, its file is used.
DbResult createDatabase(const QString& path) {
    static std::atomic<int> counter{0};
    const QString temp = QStringLiteral("%1.new-%2-%3").arg(path).arg(::getpid()).arg(counter++);
    QFile::remove(temp);
    DbResult r;
    {
        CDbConnection db;
        if (DbFailed(r = db.Open(temp, CDbConnection::Mode::ReadWriteCreate))) return r;
        if (DbFailed(r = db.Execute("BEGIN")) || DbFailed(r = db.Execute(kCreateSql)) ||
            DbFailed(r = db.Execute(kIndexSql)) || DbFailed(r = db.Execute("COMMIT"))) {
            db.Close();
            QFile::remove(temp);
            return r;
        }
    }
    const bool linked = ::link(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) == 0;
    const int error = errno;
    QFile::remove(temp);
    if (!linked && error != EEXIST) return DbResultFromSqlite(SQLITE_CANTOPEN);
    if (linked) recordStamp(path);
    return DB_OK;
}

int numberOf(const QString& text) {
    return text.trimmed().toInt();  // the display texts are right-aligned
}

}  // namespace

CHistoryTable::CHistoryTable() : m_Path(DefaultPath()) {}
CHistoryTable::CHistoryTable(const QString& path) : m_Path(path) {}

QString CHistoryTable::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Mirokaze/History.db");
}

DbResult CHistoryTable::Begin(CDbConnection& db, Access access) {
    DbResult r;
    if (!db.IsOpen()) {
        const QByteArray file = QFile::encodeName(m_Path);
        struct stat st {};
        if (::stat(file.constData(), &st) != 0) {
            if (!QDir().mkpath(QFileInfo(m_Path).absolutePath())) return DbResultFromSqlite(SQLITE_CANTOPEN);
            if (DbFailed(r = createDatabase(m_Path))) return r;
            if (::stat(file.constData(), &st) != 0) return DbResultFromSqlite(SQLITE_CANTOPEN);
        }
        if (!S_ISREG(st.st_mode)) return DbResultFromSqlite(SQLITE_CANTOPEN);
        // SQLite takes an empty file for an empty database; History.db is never
        // empty, so an empty one is a damaged one.
        if (st.st_size == 0) return DbResultFromSqlite(SQLITE_NOTADB);
        if (DbFailed(r = db.Open(m_Path, CDbConnection::Mode::ReadWrite))) return r;
    }
    // SQLite opens a file it may not write read-only without a word.
    if (access == Access::Write && sqlite3_db_readonly(db.Handle(), "main") == 1)
        return DbResultFromSqlite(SQLITE_READONLY);
    // The check runs under the lock, so no other process's commit is seen
    // half done.
    if (DbFailed(r = db.Execute(access == Access::Write ? "BEGIN IMMEDIATE" : "BEGIN"))) return r;
    // Reading the schema takes the read lock; a writer also learns from it
    // which of the indexes and counts are there, in one statement.
    std::set<std::string>& present = m_Schema;
    present.clear();
    if (access == Access::Write) {
        CDbStatement q;
        if (DbFailed(r = q.Prepare(db, "SELECT type || ' ' || name FROM sqlite_master"))) return r;
        while ((r = q.Step()) == DB_OK) {
            const QByteArrayView entry = q.TextBytes(0);
            present.emplace(entry.data(), static_cast<std::size_t>(entry.size()));
        }
        if (DbFailed(r)) return r;
    } else if (DbFailed(r = db.Execute("SELECT count(*) FROM sqlite_master"))) {
        return r;
    }
    auto has = [&present](const char* type, const char* name) {
        return present.count(std::string(type) + ' ' + name) > 0;
    };
    const QByteArray stamp = fileStamp(m_Path);
    if (stamp.isEmpty() || (stamp != m_Vouched && stamp != recordedStamp(m_Path))) {
        // The size as it is under the lock, after any rollback of a hot journal.
        if (DbFailed(r = checkDatabase(db, QFileInfo(m_Path).size()))) return r;
        Vouch();
    } else {
        m_Vouched = stamp;
    }
    if (access == Access::Write && (!has("index", "HistoryByBlock") || !has("index", "HistoryByCard")))
        r = db.Execute(kIndexSql);
    // Missing any part, the counts may be wrong: they are built again.
    if (access == Access::Write && !DbFailed(r) &&
        !std::all_of(std::begin(kCardRowsObjects), std::end(kCardRowsObjects), [&has](const char* name) {
            return has(name == kCardRowsObjects[0] ? "table" : "trigger", name);
        }))
        r = db.Execute(kCardRowsSql);
    return r;
}

void CHistoryTable::Vouch() { m_Vouched = recordStamp(m_Path, m_Vouched); }

void CHistoryTable::Forget() {
    forgetStamp(m_Path);
    m_Vouched.clear();
}

DbResult CHistoryTable::Open(CDbConnection& db) {
    DbResult r = Begin(db, Access::Write);
    if (DbFailed(r) || DbFailed(r = db.Execute("COMMIT"))) {
        if (isDamage(r)) Forget();
        db.Close();
        return r;
    }
    Vouch();
    return DB_OK;
}

DbResult CHistoryTable::Write(const std::function<DbResult(CDbConnection&)>& change) {
    CDbConnection db;
    DbResult r = Begin(db, Access::Write);
    if (!DbFailed(r)) r = change(db);
    if (!DbFailed(r)) r = db.Execute("COMMIT");
    if (DbFailed(r)) {
        db.Execute("ROLLBACK");
        if (isDamage(r)) Forget();
        return r;
    }
    db.Close();
    Vouch();
    return DB_OK;
}

void CHistoryTable::Merge(const QString& idm, int cardType, const CHistoryDisplay& rows, int cardRows,
                          int issuerKind, const std::optional<QString>& brand) {
    CDbConnection db;
    Merge(db, idm, cardType, rows, cardRows, issuerKind, brand);
}

int CHistoryTable::Reload(const QString& idm, int cardType, CHistoryDisplay& into) {
    CDbConnection db;
    return Reload(db, idm, cardType, into);
}

int CHistoryTable::MergeAndReload(const QString& idm, int cardType, CHistoryDisplay& rows, int cardRows,
                                  int issuerKind, const std::optional<QString>& brand) {
    // A merge that failed has closed the connection: the reload opens the
    // file again, and says so when it cannot.
    CDbConnection db;
    Merge(db, idm, cardType, rows, cardRows, issuerKind, brand);
    return Reload(db, idm, cardType, rows);
}

void CHistoryTable::Merge(CDbConnection& db, const QString& idm, int cardType, const CHistoryDisplay& rows,
                          int cardRows, int issuerKind, const std::optional<QString>& brand) {
    if (cardRows <= 0) return;
    // The rows from `from` down to 0 get the Open error; nothing of this
    // read is stored.
    auto giveUp = [&](DbResult code, int from) {
        db.Execute("ROLLBACK");
        db.Close();
        if (isDamage(code)) Forget();
        const QString text = openErrorText(code, m_Path);
        for (int i = from; i >= 0; --i) ShowMessage(text);
    };
    // The write lock first: the look-ups and inserts of this read then see
    // no other process's rows arrive in between.
    DbResult r = Begin(db, Access::Write);
    if (DbFailed(r)) return giveUp(r, cardRows - 1);
    CDbStatement lookup, insert;
    const DbResult lookupPrepared = lookup.Prepare(db, kLookupSql);
    // The insert, with the triggers it runs, is compiled at the first row
    // the file does not have yet: most reads find every row stored.
    std::optional<DbResult> insertPrepared;
    using namespace history;
    for (int i = cardRows - 1; i >= 0; --i) {
        const QString block = rows.Text(BlockData, i);
        if (IsEmptyHistorySlot(cardType, block)) continue;  // an unused slot is no record
        if (DbFailed(lookupPrepared)) {
            showError(kSearchError, lookupPrepared);
            continue;
        }
        lookup.Reset();
        lookup.Bind(1, idm);
        lookup.Bind(2, static_cast<std::int64_t>(cardType));
        lookup.Bind(3, block);
        r = lookup.Step();
        if (endsTheRead(r)) return giveUp(r, i);
        if (DbFailed(r)) {
            showError(kSearchError, r);
            continue;
        }
        if (r != DB_S_ENDOFROWSET) continue;  // stored already
        lookup.Reset();
        if (!insertPrepared) insertPrepared = insert.Prepare(db, insertSql().toUtf8().constData());
        if (DbFailed(*insertPrepared)) {
            showError(kInsertError, *insertPrepared);
            continue;
        }
        insert.Reset();
        int p = 1;
        auto text = [&](const QString& t, int ordinal) { insert.Bind(p++, CutToWidth(t, kHistoryColumns[ordinal].width)); };
        auto number = [&](std::int64_t v) { insert.Bind(p++, v); };
        text(rows.Text(DepartureCompany, i), kACompanyName);
        text(rows.Text(DepartureLineCode, i), kALineCode);
        text(QString(), kALineName);
        text(rows.Text(DepartureStationCode, i), kAStationCode);
        text(rows.Text(DepartureStation, i), kAStationName);
        number(numberOf(rows.Text(Balance, i)));
        text(block, kBlockData);
        number(cardType & 0xFF);
        number(numberOf(rows.Text(Charge, i)));
        text(rows.Text(Date, i), kDate);
        text(rows.Text(DateCode, i), kDateCode);
        text(idm, kIDm);
        text(rows.Text(Note1, i), kNote1);
        text(rows.Text(Note2, i), kNote2);
        text(rows.Text(ArrivalCompany, i), kPCompanyName);
        text(rows.Text(ArrivalLineCode, i), kPLineCode);
        text(QString(), kPLineName);
        number(numberOf(rows.Text(Point, i)));
        number(0);  // PointBalance
        text(rows.Text(ArrivalStationCode, i), kPStationCode);
        text(rows.Text(ArrivalStation, i), kPStationName);
        number(numberOf(rows.Text(Serial, i)));
        text(rows.Text(SerialCode, i), kSerialCode);
        text(rows.Text(Terminal, i), kTerminal);
        text(rows.Text(TerminalCode, i), kTerminalCode);
        text(rows.Text(Time, i), kTime);
        text(rows.Text(TimeCode, i), kTimeCode);
        text(rows.Text(Trade, i), kTrade);
        text(rows.Text(TradeCode, i), kTradeCode);
        r = insert.Step();
        if (endsTheRead(r)) return giveUp(r, i);
        if (DbFailed(r)) showError(kInsertError, r);
    }
    lookup.Finalize();
    insert.Finalize();
    if (issuerKind >= 0) {
        CDbStatement issuer;
        if ((!m_Schema.count("table CardIssuer") && DbFailed(r = db.Execute(kIssuerTableSql))) ||
            DbFailed(r = issuer.Prepare(db, kIssuerSql))) {
            if (endsTheRead(r)) return giveUp(r, cardRows - 1);
            showError(kInsertError, r);
        } else {
            issuer.Bind(1, idm);
            issuer.Bind(2, static_cast<std::int64_t>(cardType));
            issuer.Bind(3, static_cast<std::int64_t>(issuerKind));
            if (DbFailed(r = issuer.Step())) {
                if (endsTheRead(r)) return giveUp(r, cardRows - 1);
                showError(kInsertError, r);
            }
        }
    }
    if (brand) {
        CDbStatement stored;
        if ((!m_Schema.count("table CardBrand") && DbFailed(r = db.Execute(kBrandTableSql))) ||
            DbFailed(r = stored.Prepare(db, kBrandSql))) {
            if (endsTheRead(r)) return giveUp(r, cardRows - 1);
            showError(kInsertError, r);
        } else {
            stored.Bind(1, idm);
            stored.Bind(2, static_cast<std::int64_t>(cardType));
            if (!brand->isEmpty()) stored.Bind(3, *brand);  // unbound: NULL
            if (DbFailed(r = stored.Step())) {
                if (endsTheRead(r)) return giveUp(r, cardRows - 1);
                showError(kInsertError, r);
            }
        }
    }
    if (DbFailed(r = db.Execute("COMMIT"))) {
        if (endsTheRead(r)) return giveUp(r, cardRows - 1);
        showError(kInsertError, r);
        db.Execute("ROLLBACK");
        db.Close();
        return;
    }
    Vouch();
}

// The text columns a reload copies: display column, stored column; the
// block first.
const std::pair<int, int> kReloadTexts[] = {
    {history::BlockData, kBlockData},
    {history::TerminalCode, kTerminalCode},
    {history::Terminal, kTerminal},
    {history::TradeCode, kTradeCode},
    {history::Trade, kTrade},
    {history::DateCode, kDateCode},
    {history::Date, kDate},
    {history::TimeCode, kTimeCode},
    {history::Time, kTime},
    {history::DepartureLineCode, kALineCode},
    {history::DepartureCompany, kACompanyName},
    {history::DepartureStationCode, kAStationCode},
    {history::DepartureStation, kAStationName},
    {history::ArrivalLineCode, kPLineCode},
    {history::ArrivalCompany, kPCompanyName},
    {history::ArrivalStationCode, kPStationCode},
    {history::ArrivalStation, kPStationName},
    {history::SerialCode, kSerialCode},
    {history::Note1, kNote1},
    {history::Note2, kNote2},
};

int CHistoryTable::Reload(CDbConnection& db, const QString& idm, int cardType, CHistoryDisplay& into) {
    auto fail = [&](DbResult code) {
        if (isDamage(code)) Forget();
        ShowMessage(isDamage(code) ? openErrorText(code, m_Path) : errorText(kSearchError, code));
        return 0;
    };
    DbResult r = Begin(db, Access::Read);
    if (DbFailed(r)) {
        if (isDamage(r)) Forget();
        ShowMessage(openErrorText(r, m_Path));
        return 0;
    }
    CDbStatement q;
    if (DbFailed(r = q.Prepare(db, kReloadSql))) return fail(r);
    q.Bind(1, idm);
    q.Bind(2, static_cast<std::int64_t>(cardType));
    using namespace history;
    // Names, trades, codes and amounts repeat from row to row: each column
    // keeps the texts it decoded last in a few slots (one for a card's own
    // rows, more once there are many), and a stored value found there is
    // shared instead of decoded again.
    std::size_t slotCount = 1;
    struct Decoded {
        std::string bytes;  // keeps its buffer from value to value
        QString text;
        bool filled = false;
    };
    struct Formatted {
        std::int64_t value = 0;
        QString text;
    };
    std::vector<Decoded> decoded(std::size(kReloadTexts));
    std::vector<Formatted> formatted(4);
    auto textOf = [&](std::size_t column, QByteArrayView bytes) -> const QString& {
        Decoded& d = decoded[column * slotCount + qHash(bytes) % slotCount];
        if (!d.filled || bytes != QByteArrayView(d.bytes.data(), qsizetype(d.bytes.size()))) {
            d.bytes.assign(bytes.data(), static_cast<std::size_t>(bytes.size()));
            d.text = TextFromUtf8(bytes);
            d.filled = true;
        }
        return d.text;
    };
    auto numberOf = [&](std::size_t column, std::int64_t value, int width) -> const QString& {
        Formatted& f = formatted[column * slotCount + static_cast<std::uint64_t>(value) % slotCount];
        if (f.text.isNull() || f.value != value) {
            f.value = value;
            f.text = padded(value, width);
        }
        return f.text;
    };
    int n = 0;
    while (n < CHistoryDisplay::kRows) {
        r = q.Step();
        if (r == DB_S_ENDOFROWSET) break;
        if (DbFailed(r)) {
            if (isDamage(r)) return fail(r);
            showError(kSearchError, r);
            break;
        }
        if (n == 32) {
            slotCount = 32;
            decoded = std::vector<Decoded>(std::size(kReloadTexts) * slotCount);
            formatted = std::vector<Formatted>(4 * slotCount);
        }
        // Earlier versions stored a card's unused slots: they stay in the
        // file, and are no rows.
        const QString& block = textOf(0, q.TextBytes(kBlockData));
        if (IsEmptyHistorySlot(cardType, block)) continue;
        into.SetText(BlockData, n, block);
        for (std::size_t i = 1; i < std::size(kReloadTexts); ++i) {
            const auto& [column, stored] = kReloadTexts[i];
            into.SetText(column, n, textOf(i, q.TextBytes(stored)));
        }
        into.SetText(Balance, n, numberOf(0, q.Integer(kBalance), 5));
        into.SetText(Charge, n, numberOf(1, q.Integer(kCharge), 5));
        into.SetText(Point, n, numberOf(2, q.Integer(kPoint), 5));
        into.SetText(Serial, n, numberOf(3, q.Integer(kSerial), 8));
        ++n;
    }
    return n;
}

QString CHistoryTable::Brand(const QString& idm, int cardType) {
    if (!QFileInfo::exists(m_Path)) return QString();
    CDbConnection db;
    DbResult r = Begin(db, Access::Read);
    if (DbFailed(r)) {
        if (isDamage(r)) Forget();
        return QString();
    }
    if (!hasSchemaObject(db, "table", "CardBrand")) return QString();
    CDbStatement q;
    if (DbFailed(q.Prepare(db, "SELECT Brand FROM CardBrand WHERE IDm = ? AND CardType = ?"))) return QString();
    q.Bind(1, idm);
    q.Bind(2, static_cast<std::int64_t>(cardType));
    return q.Step() == DB_OK ? q.Text(0) : QString();
}

int CHistoryTable::IssuerKind(const QString& idm, int cardType) {
    if (!QFileInfo::exists(m_Path)) return -1;
    CDbConnection db;
    DbResult r = Begin(db, Access::Read);
    if (DbFailed(r)) {
        if (isDamage(r)) Forget();
        return -1;
    }
    if (!hasSchemaObject(db, "table", "CardIssuer")) return -1;
    CDbStatement q;
    if (DbFailed(q.Prepare(db, "SELECT IssuerKind FROM CardIssuer WHERE IDm = ? AND CardType = ?"))) return -1;
    q.Bind(1, idm);
    q.Bind(2, static_cast<std::int64_t>(cardType));
    return q.Step() == DB_OK ? static_cast<int>(q.Integer(0)) : -1;
}
