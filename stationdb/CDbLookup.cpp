#include "CDbLookup.h"

#include "StationDatabasePaths.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstring>

struct CDbLookup::SharedConnection {
    CDbConnection db;
    QString key;            // the files it reads, and whether the user's names were there
    int batchUsers = 0;     // lookups keeping its read transaction for a batch
};

namespace {
thread_local int t_BatchDepth = 0;
thread_local std::vector<CDbLookup*> t_Batched;
thread_local int t_HoldDepth = 0;
thread_local std::weak_ptr<void> t_Shared;   // the open connection of this thread
thread_local std::shared_ptr<void> t_Kept;   // kept open by a StationDatabaseHold
}  // namespace

StationLookupBatch::StationLookupBatch() { ++t_BatchDepth; }

StationLookupBatch::~StationLookupBatch() {
    if (--t_BatchDepth > 0) return;
    std::vector<CDbLookup*> batched;
    batched.swap(t_Batched);
    for (CDbLookup* lookup : batched) lookup->EndBatch();
}

StationDatabaseHold::StationDatabaseHold() { ++t_HoldDepth; }

StationDatabaseHold::~StationDatabaseHold() {
    if (--t_HoldDepth == 0) t_Kept.reset();
}

void CDbLookup::EndBatch() {
    m_Fetched.reset();
    if (!m_InBatch) return;
    CloseQuery();
    m_InBatch = false;
    // The last lookup of the batch on the connection ends its transaction,
    // when every one of them has reset its query.
    if (--m_Conn->batchUsers == 0) m_Conn->db.Execute("COMMIT");
}

CDbLookup::CDbLookup(const TableDef& table)
    : m_Table(table), m_Text(table.columns.size()), m_Value(table.columns.size(), 0) {}

CDbLookup::~CDbLookup() { Close(); }

const void* CDbLookup::ConnectionId() const { return m_Conn ? m_Conn->db.Handle() : nullptr; }

DbResult CDbLookup::Open() {
    Close();
    const QString path = StationCodeDatabasePath();
    const QString overlay = UserStationCodeDatabasePath();
    const QString key = path + QLatin1Char('\n') + overlay + QLatin1Char(QFileInfo(overlay).isFile() ? '+' : '-');
    auto shared = std::static_pointer_cast<SharedConnection>(t_Shared.lock());
    if (shared && shared->key == key) {
        m_Conn = std::move(shared);
        return DB_OK;
    }
    auto fresh = std::make_shared<SharedConnection>();
    const DbResult r = fresh->db.Open(path, CDbConnection::Mode::ReadOnly);
    if (DbFailed(r)) return r;
    fresh->key = key;
    AttachUserNames(fresh->db);
    t_Shared = fresh;
    if (t_HoldDepth > 0) t_Kept = fresh;
    m_Conn = std::move(fresh);
    return DB_OK;
}

void CDbLookup::AttachUserNames(CDbConnection& db) {
    const QString overlay = UserStationCodeDatabasePath();
    if (!QFileInfo(overlay).isFile()) return;
    CDbStatement attach;
    if (DbFailed(attach.Prepare(db, "ATTACH DATABASE ? AS user")) || DbFailed(attach.Bind(1, overlay)) ||
        DbFailed(attach.Step())) {
        qWarning("kuvora: the user's station names in %s cannot be read; using the shipped names only",
                 qPrintable(overlay));
        return;
    }
    attach.Finalize();
    auto hasTable = [&db](const char* schema, const char* table) {
        CDbStatement q;
        const QByteArray sql = QByteArray("SELECT 1 FROM ") + schema +
                               ".sqlite_master WHERE type = 'table' AND name = ?";
        return !DbFailed(q.Prepare(db, sql.constData())) && !DbFailed(q.Bind(1, QString::fromLatin1(table))) &&
               q.Step() == DB_OK;
    };
    for (const TableDef& t : StationCodeTables()) {
        if (!hasTable("user", t.name)) continue;
        QStringList columns;
        for (const ColumnDef& c : t.columns) columns << QLatin1String(c.name);
        const QString list = columns.join(QStringLiteral(", "));
        QString sql = QStringLiteral("CREATE TEMP VIEW %1 AS SELECT %2 FROM user.%1").arg(QLatin1String(t.name), list);
        if (hasTable("main", t.name))
            sql += QStringLiteral(" UNION ALL SELECT %2 FROM main.%1").arg(QLatin1String(t.name), list);
        if (DbFailed(db.Execute(sql.toUtf8().constData())))
            qWarning("kuvora: table %s of %s does not have the expected columns; it is not used", t.name,
                     qPrintable(overlay));
    }
}

void CDbLookup::Close() {
    m_Fetched.reset();
    if (m_InBatch) {
        EndBatch();
        t_Batched.erase(std::remove(t_Batched.begin(), t_Batched.end(), this), t_Batched.end());
    }
    CloseQuery();
    m_Prepared.clear();
    m_Conn.reset();
}

DbResult CDbLookup::OpenQuery(const char* sql, std::initializer_list<int> values) {
    return OpenQuery(sql, values.begin(), values.size());
}

DbResult CDbLookup::OpenQuery(const char* sql, const std::vector<int>& values) {
    return OpenQuery(sql, values.data(), values.size());
}

DbResult CDbLookup::FirstRow(const char* sql, const std::vector<int>& values) {
    if (m_InBatch && m_Fetched && m_Fetched->sql == sql && m_Fetched->values == values) return m_Fetched->result;
    DbResult r = OpenQuery(sql, values);
    if (!DbFailed(r)) r = MoveNext();
    CloseQuery();
    if (m_InBatch && !DbFailed(r)) m_Fetched = Fetched{sql, values, r};
    return r;
}

DbResult CDbLookup::OpenQuery(const char* sql, const int* values, std::size_t count) {
    m_Fetched.reset();
    CloseQuery();
    if (!m_Conn) return DB_E_FAIL;
    if (t_BatchDepth > 0 && !m_InBatch && (m_Conn->batchUsers > 0 || !DbFailed(m_Conn->db.Execute("BEGIN")))) {
        ++m_Conn->batchUsers;
        m_InBatch = true;
        t_Batched.push_back(this);
    }
    auto found = m_Prepared.find(std::string_view(sql));
    if (found == m_Prepared.end()) {
        auto fresh = std::make_unique<Prepared>();
        const DbResult r = fresh->statement.Prepare(m_Conn->db, sql);
        if (DbFailed(r)) return r;
        fresh->resultColumn.assign(m_Table.columns.size(), -1);
        for (int c = 0; c < fresh->statement.ColumnCount(); ++c) {
            const QString name = fresh->statement.ColumnName(c);
            for (std::size_t i = 0; i < m_Table.columns.size(); ++i)
                if (name.compare(QLatin1String(m_Table.columns[i].name), Qt::CaseInsensitive) == 0)
                    fresh->resultColumn[i] = c;
        }
        found = m_Prepared.emplace(sql, std::move(fresh)).first;
    }
    m_Query = found->second.get();
    int index = 1;
    for (std::size_t i = 0; i < count; ++i) {
        const DbResult r = m_Query->statement.Bind(index++, static_cast<std::int64_t>(values[i]));
        if (DbFailed(r)) {
            CloseQuery();
            return r;
        }
    }
    return DB_OK;
}

DbResult CDbLookup::MoveNext() {
    m_Fetched.reset();
    for (auto& t : m_Text) t.clear();
    std::fill(m_Value.begin(), m_Value.end(), 0);
    if (!m_Query) return DB_E_FAIL;
    CDbStatement& q = m_Query->statement;
    const DbResult r = q.Step();
    if (r != DB_OK) return r;
    for (std::size_t i = 0; i < m_Table.columns.size(); ++i) {
        const int c = m_Query->resultColumn[i];
        if (c < 0 || q.IsNull(c)) continue;
        switch (m_Table.columns[i].type) {
        case ColumnType::Text: m_Text[i] = CutToWidth(q.Text(c), kMaxColumnText); break;
        case ColumnType::Byte: m_Value[i] = static_cast<int>(q.Integer(c) & 0xFF); break;
        case ColumnType::Integer: m_Value[i] = static_cast<int>(q.Integer(c)); break;
        }
    }
    return DB_OK;
}

void CDbLookup::CloseQuery() {
    // The statement stays prepared for the next query with the same text.
    if (m_Query) m_Query->statement.Reset();
    m_Query = nullptr;
}

int CDbLookup::ColumnIndex(const char* column) const {
    for (std::size_t i = 0; i < m_Table.columns.size(); ++i)
        if (std::strcmp(m_Table.columns[i].name, column) == 0) return static_cast<int>(i);
    return -1;
}

QString CDbLookup::Text(const char* column) const {
    const int i = ColumnIndex(column);
    return i < 0 ? QString() : m_Text[static_cast<std::size_t>(i)];
}

int CDbLookup::Value(const char* column) const {
    const int i = ColumnIndex(column);
    return i < 0 ? 0 : m_Value[static_cast<std::size_t>(i)];
}
