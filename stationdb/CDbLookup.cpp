#include "CDbLookup.h"

#include "StationDatabasePaths.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstring>

namespace {
thread_local int t_BatchDepth = 0;
thread_local std::vector<CDbLookup*> t_Batched;
}  // namespace

StationLookupBatch::StationLookupBatch() { ++t_BatchDepth; }

StationLookupBatch::~StationLookupBatch() {
    if (--t_BatchDepth > 0) return;
    std::vector<CDbLookup*> batched;
    batched.swap(t_Batched);
    for (CDbLookup* lookup : batched) lookup->EndBatch();
}

void CDbLookup::EndBatch() {
    if (!m_InBatch) return;
    CloseQuery();
    m_Db.Execute("COMMIT");
    m_InBatch = false;
}

CDbLookup::CDbLookup(const TableDef& table)
    : m_Table(table), m_Text(table.columns.size()), m_Value(table.columns.size(), 0) {}

CDbLookup::~CDbLookup() { Close(); }

DbResult CDbLookup::Open() {
    Close();
    const DbResult r = m_Db.Open(StationCodeDatabasePath(), CDbConnection::Mode::ReadOnly);
    if (DbFailed(r)) return r;
    AttachUserNames();
    return DB_OK;
}

void CDbLookup::AttachUserNames() {
    const QString overlay = UserStationCodeDatabasePath();
    if (!QFileInfo(overlay).isFile()) return;
    CDbStatement attach;
    if (DbFailed(attach.Prepare(m_Db, "ATTACH DATABASE ? AS user")) || DbFailed(attach.Bind(1, overlay)) ||
        DbFailed(attach.Step())) {
        qWarning("kuvora: the user's station names in %s cannot be read; using the shipped names only",
                 qPrintable(overlay));
        return;
    }
    attach.Finalize();
    auto hasTable = [this](const char* schema, const char* table) {
        CDbStatement q;
        const QByteArray sql = QByteArray("SELECT 1 FROM ") + schema +
                               ".sqlite_master WHERE type = 'table' AND name = ?";
        return !DbFailed(q.Prepare(m_Db, sql.constData())) && !DbFailed(q.Bind(1, QString::fromLatin1(table))) &&
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
        if (DbFailed(m_Db.Execute(sql.toUtf8().constData())))
            qWarning("kuvora: table %s of %s does not have the expected columns; it is not used", t.name,
                     qPrintable(overlay));
    }
}

void CDbLookup::Close() {
    if (m_InBatch) {
        EndBatch();
        t_Batched.erase(std::remove(t_Batched.begin(), t_Batched.end(), this), t_Batched.end());
    }
    CloseQuery();
    m_Prepared.clear();
    m_Db.Close();
}

DbResult CDbLookup::OpenQuery(const char* sql, std::initializer_list<int> values) {
    return OpenQuery(sql, values.begin(), values.size());
}

DbResult CDbLookup::OpenQuery(const char* sql, const std::vector<int>& values) {
    return OpenQuery(sql, values.data(), values.size());
}

DbResult CDbLookup::OpenQuery(const char* sql, const int* values, std::size_t count) {
    CloseQuery();
    if (!m_Db.IsOpen()) return DB_E_FAIL;
    if (t_BatchDepth > 0 && !m_InBatch && !DbFailed(m_Db.Execute("BEGIN"))) {
        m_InBatch = true;
        t_Batched.push_back(this);
    }
    auto found = m_Prepared.find(std::string_view(sql));
    if (found == m_Prepared.end()) {
        auto fresh = std::make_unique<Prepared>();
        const DbResult r = fresh->statement.Prepare(m_Db, sql);
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
