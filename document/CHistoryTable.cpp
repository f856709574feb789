#include "CHistoryTable.h"

#include "MessageSink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QStringList>

#include <sqlite3.h>

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

const char* const kLookupSql = "SELECT * FROM History WHERE IDm = ? AND CardType = ? AND BlockData = ?";
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

void showError(const char16_t* what, DbResult code) {
    ShowMessage(QString::fromUtf16(what) + QStringLiteral(" %1").arg(static_cast<std::uint32_t>(code), 0, 16).toUpper());
}

const char16_t* const kOpenError = u"履歴保存データベースOpenエラー";
const char16_t* const kSearchError = u"履歴保存データベース検索エラー";
const char16_t* const kInsertError = u"履歴保存データベースInsertエラー";

quint32 be32(const unsigned char* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

// Looks at the file's header: 0 when it is empty or a sound SQLite file,
// else the SQLite code that describes the damage.
int checkFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return SQLITE_CANTOPEN;
    const qint64 size = f.size();
    if (size == 0) return 0;
    const QByteArray h = f.read(100);
    if (h.size() < 100 || !h.startsWith(QByteArray("SQLite format 3\0", 16))) return SQLITE_NOTADB;
    const auto* p = reinterpret_cast<const unsigned char*>(h.constData());
    qint64 pageSize = p[16] << 8 | p[17];
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) return SQLITE_NOTADB;
    if (size % pageSize != 0) return SQLITE_CORRUPT;
    // A journal or log beside the file may legitimately change its size.
    if (QFileInfo::exists(path + QStringLiteral("-journal")) || QFileInfo::exists(path + QStringLiteral("-wal")))
        return 0;
    const quint32 pages = be32(p + 28);
    if (pages != 0 && be32(p + 24) == be32(p + 92) && qint64(pages) * pageSize != size) return SQLITE_CORRUPT;
    return 0;
}

bool hasSchemaObject(CDbConnection& db, const char* type, const char* name) {
    CDbStatement q;
    if (DbFailed(q.Prepare(db, "SELECT 1 FROM sqlite_master WHERE type = ? AND name = ?"))) return false;
    q.Bind(1, QString::fromLatin1(type));
    q.Bind(2, QString::fromLatin1(name));
    return q.Step() == DB_OK;
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

DbResult CHistoryTable::Open(CDbConnection& db) {
    const QFileInfo info(m_Path);
    if (!QDir().mkpath(info.absolutePath())) return DbResultFromSqlite(SQLITE_CANTOPEN);
    DbResult r;
    if (info.exists()) {
        if (!info.isFile()) return DbResultFromSqlite(SQLITE_CANTOPEN);
        if (const int damage = checkFile(m_Path); damage != 0) return DbResultFromSqlite(damage);
        r = db.Open(m_Path, CDbConnection::Mode::ReadWrite);
    } else {
        r = db.Open(m_Path, CDbConnection::Mode::ReadWriteCreate);
    }
    if (DbFailed(r)) return r;
    if (!hasSchemaObject(db, "table", "History")) {
        if (DbFailed(r = db.Execute("BEGIN IMMEDIATE"))) return r;
        if (!hasSchemaObject(db, "table", "History")) {
            if (DbFailed(r = db.Execute(kCreateSql))) {
                db.Execute("ROLLBACK");
                return r;
            }
        }
        if (DbFailed(r = db.Execute(kIndexSql)) || DbFailed(r = db.Execute("COMMIT"))) {
            db.Execute("ROLLBACK");
            return r;
        }
    } else if (!hasSchemaObject(db, "index", "HistoryByBlock") || !hasSchemaObject(db, "index", "HistoryByCard")) {
        if (DbFailed(r = db.Execute(kIndexSql))) return r;
    }
    return DB_OK;
}

void CHistoryTable::Merge(const QString& idm, int cardType, const CHistoryDisplay& rows, int cardRows) {
    if (cardRows <= 0) return;
    auto eachRow = [cardRows](const char16_t* what, DbResult code) {
        for (int i = 0; i < cardRows; ++i) showError(what, code);
    };
    CDbConnection db;
    DbResult r = Open(db);
    if (DbFailed(r)) return eachRow(kOpenError, r);
    // The write lock first: the look-ups and inserts of this read then see
    // no other process's rows arrive in between.
    if (DbFailed(r = db.Execute("BEGIN IMMEDIATE"))) return eachRow(kOpenError, r);
    CDbStatement lookup, insert;
    const DbResult lookupPrepared = lookup.Prepare(db, kLookupSql);
    const DbResult insertPrepared = insert.Prepare(db, insertSql().toUtf8().constData());
    using namespace history;
    for (int i = cardRows - 1; i >= 0; --i) {
        const QString block = rows.Text(BlockData, i);
        if (DbFailed(lookupPrepared)) {
            showError(kSearchError, lookupPrepared);
            continue;
        }
        lookup.Reset();
        lookup.Bind(1, idm);
        lookup.Bind(2, static_cast<std::int64_t>(cardType));
        lookup.Bind(3, block);
        r = lookup.Step();
        if (DbFailed(r)) {
            showError(kSearchError, r);
            continue;
        }
        if (r != DB_S_ENDOFROWSET) continue;  // stored already
        lookup.Reset();
        if (DbFailed(insertPrepared)) {
            showError(kInsertError, insertPrepared);
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
        if (DbFailed(r)) showError(kInsertError, r);
    }
    lookup.Finalize();
    insert.Finalize();
    if (DbFailed(r = db.Execute("COMMIT"))) {
        showError(kInsertError, r);
        db.Execute("ROLLBACK");
    }
}

int CHistoryTable::Reload(const QString& idm, int cardType, CHistoryDisplay& into) {
    CDbConnection db;
    DbResult r = Open(db);
    if (DbFailed(r)) {
        showError(kOpenError, r);
        return 0;
    }
    CDbStatement q;
    if (DbFailed(r = q.Prepare(db, kReloadSql))) {
        showError(kSearchError, r);
        return 0;
    }
    q.Bind(1, idm);
    q.Bind(2, static_cast<std::int64_t>(cardType));
    using namespace history;
    int n = 0;
    while (n < CHistoryDisplay::kRows) {
        r = q.Step();
        if (r == DB_S_ENDOFROWSET) break;
        if (DbFailed(r)) {
            showError(kSearchError, r);
            break;
        }
        into.SetText(BlockData, n, q.Text(kBlockData));
        into.SetText(TerminalCode, n, q.Text(kTerminalCode));
        into.SetText(Terminal, n, q.Text(kTerminal));
        into.SetText(TradeCode, n, q.Text(kTradeCode));
        into.SetText(Trade, n, q.Text(kTrade));
        into.SetText(DateCode, n, q.Text(kDateCode));
        into.SetText(Date, n, q.Text(kDate));
        into.SetText(TimeCode, n, q.Text(kTimeCode));
        into.SetText(Time, n, q.Text(kTime));
        into.SetText(DepartureLineCode, n, q.Text(kALineCode));
        into.SetText(DepartureCompany, n, q.Text(kACompanyName));
        into.SetText(DepartureStationCode, n, q.Text(kAStationCode));
        into.SetText(DepartureStation, n, q.Text(kAStationName));
        into.SetText(ArrivalLineCode, n, q.Text(kPLineCode));
        into.SetText(ArrivalCompany, n, q.Text(kPCompanyName));
        into.SetText(ArrivalStationCode, n, q.Text(kPStationCode));
        into.SetText(ArrivalStation, n, q.Text(kPStationName));
        into.SetText(SerialCode, n, q.Text(kSerialCode));
        into.SetText(Note1, n, q.Text(kNote1));
        into.SetText(Note2, n, q.Text(kNote2));
        into.SetText(Balance, n, QString::asprintf("%5d", static_cast<int>(q.Integer(kBalance))));
        into.SetText(Charge, n, QString::asprintf("%5d", static_cast<int>(q.Integer(kCharge))));
        into.SetText(Point, n, QString::asprintf("%5d", static_cast<int>(q.Integer(kPoint))));
        into.SetText(Serial, n, QString::asprintf("%8d", static_cast<int>(q.Integer(kSerial))));
        ++n;
    }
    return n;
}
