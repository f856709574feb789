#include "DbConnection.h"

#include <sqlite3.h>

namespace {

// Before SQLite's first use in the process: no bulk page cache per
// connection. By default each connection sets aside room for 20 pages at
// once and links every one of them into its free list, touching fresh
// memory for pages our small files never fill; pages are then taken one at
// a time as they are read. Nor does every allocation take a lock to count
// the memory in use, which nothing here asks for.
void configureSqlite() {
    static const bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    (void)configured;
}

}  // namespace

DbResult CDbConnection::Open(const QString& path, Mode mode) {
    Close();
    configureSqlite();
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (mode) {
    case Mode::ReadOnly: flags |= SQLITE_OPEN_READONLY; break;
    case Mode::ReadWrite: flags |= SQLITE_OPEN_READWRITE; break;
    case Mode::ReadWriteCreate: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
    }
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        Close();
        return DbResultFromSqlite(rc);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 5000);
    // SQLite opens lazily: read the schema now, so that a file that is not a
    // database fails here and not at the first query.
    const int check = sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (check != SQLITE_OK) {
        const int code = sqlite3_extended_errcode(m_db);
        Close();
        return DbResultFromSqlite(code);
    }
    return DB_OK;
}

void CDbConnection::Close() {
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

DbResult CDbConnection::Execute(const char* sql) {
    if (!m_db) return DB_E_FAIL;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? DB_OK : DbResultFromSqlite(sqlite3_extended_errcode(m_db));
}

QString CDbConnection::LastError() const {
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("not open");
}

DbResult CDbStatement::Prepare(const CDbConnection& db, const char* sql) {
    Finalize();
    if (!db.IsOpen()) return DB_E_FAIL;
    const int rc = sqlite3_prepare_v2(db.Handle(), sql, -1, &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        Finalize();
        return DbResultFromSqlite(sqlite3_extended_errcode(db.Handle()));
    }
    return DB_OK;
}

void CDbStatement::Finalize() {
    if (m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

DbResult CDbStatement::Bind(int index, std::int64_t value) {
    if (!m_stmt) return DB_E_FAIL;
    const int rc = sqlite3_bind_int64(m_stmt, index, value);
    return rc == SQLITE_OK ? DB_OK : DbResultFromSqlite(rc);
}

DbResult CDbStatement::Bind(int index, const QString& text) {
    if (!m_stmt) return DB_E_FAIL;
    const QByteArray utf8 = text.toUtf8();
    const int rc = sqlite3_bind_text(m_stmt, index, utf8.constData(), static_cast<int>(utf8.size()),
                                     SQLITE_TRANSIENT);
    return rc == SQLITE_OK ? DB_OK : DbResultFromSqlite(rc);
}

DbResult CDbStatement::Reset() {
    if (!m_stmt) return DB_E_FAIL;
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    return DB_OK;
}

DbResult CDbStatement::Step() {
    if (!m_stmt) return DB_E_FAIL;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return DB_OK;
    if (rc == SQLITE_DONE) return DB_S_ENDOFROWSET;
    return DbResultFromSqlite(sqlite3_extended_errcode(sqlite3_db_handle(m_stmt)));
}

int CDbStatement::ColumnCount() const { return m_stmt ? sqlite3_column_count(m_stmt) : 0; }

QString CDbStatement::ColumnName(int column) const {
    const char* name = m_stmt ? sqlite3_column_name(m_stmt, column) : nullptr;
    return name ? QString::fromUtf8(name) : QString();
}

bool CDbStatement::IsNull(int column) const {
    return !m_stmt || sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

std::int64_t CDbStatement::Integer(int column) const {
    return m_stmt ? sqlite3_column_int64(m_stmt, column) : 0;
}

QString CDbStatement::Text(int column) const {
    const QByteArrayView bytes = TextBytes(column);
    return TextFromUtf8(bytes);
}

QString TextFromUtf8(QByteArrayView bytes) {
    if (bytes.isEmpty()) return QString();
    // fromUtf8 drops one leading EF BB BF; it is put back.
    if (bytes.startsWith("\xEF\xBB\xBF")) return QChar(0xFEFF) + QString::fromUtf8(bytes);
    return QString::fromUtf8(bytes);
}

QByteArrayView CDbStatement::TextBytes(int column) const {
    if (!m_stmt) return {};
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    const int bytes = sqlite3_column_bytes(m_stmt, column);
    return text && bytes > 0 ? QByteArrayView(text, bytes) : QByteArrayView();
}

int CharacterCount(const QString& text) {
    int n = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++n)
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
    return n;
}

QString CutToWidth(const QString& text, int width) {
    if (text.size() <= width) return text;
    qsizetype i = 0;
    for (int n = 0; n < width && i < text.size(); ++n, ++i)
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
    return text.left(i);
}
