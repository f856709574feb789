#include "StationDbBuilder.h"

#include "Cp932.h"
#include "CsvCells.h"
#include "DbConnection.h"
#include "file_io.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

#include <limits>

namespace {

// Splits CSV text into records of fields, with the line each record starts on.
struct CsvRecord {
    int line;
    QStringList fields;
};

bool parseCsv(const QString& text, const QString& source, std::vector<CsvRecord>& records, QStringList& errors) {
    int line = 1;
    int i = 0;
    const int n = static_cast<int>(text.size());
    while (i < n) {
        CsvRecord rec{line, {}};
        QString field;
        bool quoted = false, inQuotes = false, endOfRecord = false;
        while (i < n && !endOfRecord) {
            const QChar c = text.at(i);
            if (inQuotes) {
                if (c == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    inQuotes = false;
                    ++i;
                    continue;
                }
                if (c == QLatin1Char('\n')) ++line;
                field += c;
                ++i;
                continue;
            }
            if (c == QLatin1Char('"') && field.isEmpty() && !quoted) {
                quoted = inQuotes = true;
                ++i;
            } else if (c == QLatin1Char(',')) {
                rec.fields << field;
                field.clear();
                quoted = false;
                ++i;
            } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
                ++i;
                ++line;
                endOfRecord = true;
            } else {
                if (quoted) {
                    errors << QStringLiteral("%1:%2: text after a closing quote").arg(source).arg(line);
                    return false;
                }
                field += c;
                ++i;
            }
        }
        if (inQuotes) {
            errors << QStringLiteral("%1:%2: a quote is never closed").arg(source).arg(rec.line);
            return false;
        }
        rec.fields << field;
        const bool blank = rec.fields.size() == 1 && rec.fields[0].trimmed().isEmpty() && !quoted;
        if (!blank) records.push_back(rec);
    }
    return true;
}

const TableDef* tableForHeader(const QStringList& header) {
    for (const TableDef& t : StationCodeTables()) {
        if (static_cast<std::size_t>(header.size()) != t.columns.size()) continue;
        bool all = true;
        for (const ColumnDef& c : t.columns)
            all = all && header.contains(QLatin1String(c.name), Qt::CaseInsensitive);
        if (all) return &t;
    }
    return nullptr;
}

QString columnList(const TableDef& t) {
    QStringList names;
    for (const ColumnDef& c : t.columns) names << QLatin1String(c.name);
    return names.join(QLatin1Char(','));
}

// Texts are limited in characters, so a character beyond U+FFFF counts once.
int characterCount(const QString& text) {
    return static_cast<int>(text.toUcs4().size());
}

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Writes the rows into `schema`.<table>, replacing rows with the same key;
// counts the rows that were new and those that replaced one.
bool writeRows(CDbConnection& db, const QString& schema, const StationCsv& csv, QString& error,
               ImportCount& count) {
    const TableDef& t = *csv.table;
    if (DbFailed(db.Execute(CreateTableSql(t, schema).toUtf8().constData()))) {
        error = db.LastError();
        return false;
    }
    QStringList marks;
    for (std::size_t i = 0; i < t.columns.size(); ++i) marks << QStringLiteral("?");
    auto sql = [&](const char* onConflict) {
        return QStringLiteral("INSERT OR %1 INTO %2.%3 (%4) VALUES (%5)")
            .arg(QLatin1String(onConflict), schema, QLatin1String(t.name), columnList(t), marks.join(QLatin1Char(',')))
            .toUtf8();
    };
    // A row goes in as new when its key is free, else it replaces the old one.
    CDbStatement insert, replace;
    if (DbFailed(insert.Prepare(db, sql("IGNORE").constData())) ||
        DbFailed(replace.Prepare(db, sql("REPLACE").constData()))) {
        error = db.LastError();
        return false;
    }
    auto step = [&](CDbStatement& s, const QStringList& row) {
        s.Reset();
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            const int index = static_cast<int>(i) + 1;
            if (t.columns[i].type == ColumnType::Text) s.Bind(index, row[static_cast<int>(i)]);
            else s.Bind(index, static_cast<std::int64_t>(row[static_cast<int>(i)].toLongLong()));
        }
        return !DbFailed(s.Step());
    };
    for (const QStringList& row : csv.rows) {
        bool ok = step(insert, row);
        if (ok && sqlite3_changes(db.Handle()) > 0) {
            ++count.added;
        } else if (ok) {
            ok = step(replace, row);
            ++count.replaced;
        }
        if (!ok) {
            error = db.LastError();
            return false;
        }
    }
    return true;
}

// The file's bytes as text in the encoding asked for or found.
bool decodeCsv(QByteArray bytes, CsvEncoding encoding, QString& text) {
    if (encoding != CsvEncoding::Cp932) {
        if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
        QStringDecoder decoder(QStringDecoder::Utf8);
        text = decoder(bytes);
        if (!decoder.hasError()) return true;
        if (encoding == CsvEncoding::Utf8) return false;
    }
    return FromCp932(bytes, text);
}

bool allEmpty(const QStringList& fields, qsizetype from = 0) {
    for (qsizetype i = from; i < fields.size(); ++i)
        if (!fields[i].trimmed().isEmpty()) return false;
    return true;
}

}  // namespace

bool ParseStationNumber(const QString& text, ColumnType type, qint64& value) {
    const QString t = text.trimmed();
    bool ok = false;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) value = t.mid(2).toLongLong(&ok, 16);
    else value = t.toLongLong(&ok, 10);
    if (!ok) return false;
    if (type == ColumnType::Byte) return value >= 0 && value <= 255;
    return value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max();
}

QByteArray StationCsvText(const StationCsv& csv) {
    QString text = QString(QChar(0xFEFF)) + columnList(*csv.table) + QLatin1String("\r\n");
    for (const QStringList& row : csv.rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i) text += QLatin1Char(',');
            // A name that begins like a formula is neutralised; import takes it back.
            const bool isText = static_cast<std::size_t>(i) < csv.table->columns.size() &&
                                csv.table->columns[static_cast<std::size_t>(i)].type == ColumnType::Text;
            text += isText ? CsvTextCell(row[i]) : CsvField(row[i]);
        }
        text += QLatin1String("\r\n");
    }
    return text.toUtf8();
}

bool ReadStationCsv(const QString& path, const QString& tableName, StationCsv& out, QStringList& errors,
                    CsvEncoding encoding) {
    out = StationCsv{};
    out.source = path;
    constexpr std::size_t kMaxFileSize = 64 * 1024 * 1024;
    std::string read;
    const platform::ReadResult result = platform::readRegularFile(localPath(path), kMaxFileSize, read);
    if (!result.ok()) {
        using Status = platform::ReadResult::Status;
        errors << (result.status == Status::CannotOpen ? QStringLiteral("%1: cannot open the file").arg(path)
                   : result.status == Status::TooLarge ? QStringLiteral("%1: file too large").arg(path)
                   : QStringLiteral("%1: %2").arg(path, QString::fromStdString(result.problem(kMaxFileSize))));
        return false;
    }
    QString text;
    const bool decoded = decodeCsv(QByteArray::fromStdString(read), encoding, text);
    read = std::string();
    if (!decoded) {
        errors << (encoding == CsvEncoding::Utf8    ? QStringLiteral("%1: not UTF-8 text").arg(path)
                   : encoding == CsvEncoding::Cp932 ? QStringLiteral("%1: not CP932 text").arg(path)
                                                    : QStringLiteral("%1: neither UTF-8 nor CP932 text").arg(path));
        return false;
    }
    std::vector<CsvRecord> records;
    if (!parseCsv(text, path, records, errors)) return false;
    if (records.empty()) {
        errors << QStringLiteral("%1: empty file (the first line must name the columns)").arg(path);
        return false;
    }
    QStringList header;
    for (const QString& h : records[0].fields) header << h.trimmed();
    while (header.size() > 1 && header.last().isEmpty()) header.removeLast();
    if (!tableName.isEmpty()) {
        out.table = FindStationCodeTable(tableName);
        if (!out.table) {
            errors << QStringLiteral("%1: no table named %2").arg(path, tableName);
            return false;
        }
    } else {
        out.table = FindStationCodeTable(QFileInfo(path).completeBaseName());
        if (!out.table) out.table = tableForHeader(header);
        if (!out.table) {
            errors << QStringLiteral("%1:1: the columns match no station-code table; name the table with --table")
                          .arg(path);
            return false;
        }
    }
    const TableDef& t = *out.table;
    // Where each of the table's columns stands in the file.
    std::vector<int> position;
    for (const ColumnDef& c : t.columns) {
        int at = -1;
        for (int i = 0; i < header.size(); ++i)
            if (header[i].compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) at = i;
        if (at < 0) errors << QStringLiteral("%1:1: column %2 is missing (%3 needs %4)")
                                  .arg(path, QLatin1String(c.name), QLatin1String(t.name), columnList(t));
        position.push_back(at);
    }
    for (const QString& h : header) {
        bool known = false;
        for (const ColumnDef& c : t.columns) known = known || h.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0;
        if (!known) errors << QStringLiteral("%1:1: column %2 does not belong to %3").arg(path, h, QLatin1String(t.name));
    }
    if (!errors.isEmpty()) return false;

    QHash<QString, int> keys;
    for (std::size_t r = 1; r < records.size(); ++r) {
        CsvRecord rec = records[r];
        if (allEmpty(rec.fields)) continue;  // a spreadsheet's empty row
        // Empty fields beyond the last column go; text columns left out at
        // the end are empty.
        if (rec.fields.size() > header.size() && allEmpty(rec.fields, header.size()))
            rec.fields = rec.fields.mid(0, header.size());
        bool onlyTextsMissing = rec.fields.size() < header.size();
        for (std::size_t i = 0; i < t.columns.size(); ++i)
            if (position[i] >= rec.fields.size() && t.columns[i].type != ColumnType::Text) onlyTextsMissing = false;
        if (onlyTextsMissing) while (rec.fields.size() < header.size()) rec.fields << QString();
        if (rec.fields.size() != header.size()) {
            errors << QStringLiteral("%1:%2: %3 fields, expected %4")
                          .arg(path).arg(rec.line).arg(rec.fields.size()).arg(header.size());
            continue;
        }
        QStringList row;
        bool good = true;
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            const ColumnDef& c = t.columns[i];
            QString value = rec.fields[position[i]];
            if (c.type == ColumnType::Text) {
                value = CsvTextOfCell(value);  // a name export neutralised as a formula ('=...)
                if (characterCount(value) > kMaxColumnText) {
                    errors << QStringLiteral("%1:%2: %3: longer than %4 characters")
                                  .arg(path).arg(rec.line).arg(QLatin1String(c.name)).arg(kMaxColumnText);
                    good = false;
                }
                if (const int at = ControlCharacterAt(value); at >= 0) {
                    errors << QStringLiteral("%1:%2: %3: holds the control character U+%4")
                                  .arg(path).arg(rec.line).arg(QLatin1String(c.name))
                                  .arg(QString::asprintf("%04X", static_cast<unsigned>(value[at].unicode())));
                    good = false;
                }
                row << value;
            } else {
                qint64 v = 0;
                if (!ParseStationNumber(value, c.type, v)) {
                    errors << QStringLiteral("%1:%2: %3: expected %4, found \"%5\"")
                                  .arg(path).arg(rec.line).arg(QLatin1String(c.name),
                                       c.type == ColumnType::Byte ? QStringLiteral("a number from 0 to 255")
                                                                  : QStringLiteral("a 32-bit whole number"),
                                       value);
                    good = false;
                }
                row << QString::number(v);
            }
        }
        if (!good) continue;
        const QString key = QStringList(row.mid(0, t.keyColumns)).join(QLatin1Char(','));
        if (keys.contains(key)) {
            errors << QStringLiteral("%1:%2: the same codes as line %3").arg(path).arg(rec.line).arg(keys.value(key));
            continue;
        }
        keys.insert(key, rec.line);
        out.rows.push_back(row);
    }
    return errors.isEmpty();
}

bool BuildStationDatabase(const QString& output, const QString& sourceDir, QStringList& errors) {
    const QFileInfo source(sourceDir);
    if (!source.isDir()) {
        errors << (source.exists() ? QStringLiteral("%1: not a folder").arg(sourceDir)
                                   : QStringLiteral("%1: no such folder").arg(sourceDir));
        return false;
    }
    std::vector<StationCsv> tables;
    for (const TableDef& t : StationCodeTables()) {
        const QString path = QDir(sourceDir).filePath(QLatin1String(t.name) + QStringLiteral(".csv"));
        StationCsv csv;
        if (QFileInfo::exists(path)) {
            if (!ReadStationCsv(path, QLatin1String(t.name), csv, errors)) continue;
        } else {
            csv.table = &t;
        }
        tables.push_back(csv);
    }
    if (!errors.isEmpty()) return false;
    // Built in a file beside the target and renamed over it when complete.
    platform::FileReplacement file;
    std::string why;
    if (!file.begin(localPath(output), why)) {
        errors << QString::fromStdString(why);
        return false;
    }
    {
        CDbConnection db;
        if (DbFailed(db.Open(QFile::decodeName(file.tempPath().c_str()), CDbConnection::Mode::ReadWrite))) {
            errors << QStringLiteral("%1: cannot create the database").arg(output);
            return false;
        }
        QString error;
        ImportCount count;
        db.Execute("BEGIN");
        for (const StationCsv& csv : tables) {
            if (!writeRows(db, QStringLiteral("main"), csv, error, count)) {
                errors << QStringLiteral("%1: %2").arg(output, error);
                return false;
            }
        }
        if (DbFailed(db.Execute("COMMIT"))) {
            errors << QStringLiteral("%1: %2").arg(output, db.LastError());
            return false;
        }
    }
    if (!file.commit(why)) {
        errors << QString::fromStdString(why);
        return false;
    }
    return true;
}

bool ImportUserNames(const QString& overlayPath, const QStringList& files, const QString& tableName,
                     QStringList& errors, ImportCount* imported, CsvEncoding encoding) {
    if (imported) *imported = ImportCount{};
    std::vector<StationCsv> tables;
    for (const QString& f : files) {
        StationCsv csv;
        if (ReadStationCsv(f, tableName, csv, errors, encoding)) tables.push_back(csv);
    }
    if (!errors.isEmpty()) return false;
    return WriteUserNames(overlayPath, tables, errors, imported);
}

namespace {

// The user's names go only into a file SQLite vouches for and that holds
// station tables only: a damaged or foreign file is left as it is. Run inside
// the write transaction, so no other process's commit is seen half done.
bool checkUserDatabase(CDbConnection& db, const QString& overlayPath, QString& error) {
    CDbStatement q;
    DbResult r = q.Prepare(db, "PRAGMA integrity_check");
    if (!DbFailed(r)) r = q.Step();
    if (DbFailed(r) || q.Text(0) != QLatin1String("ok")) {
        error = QStringLiteral("%1: the database is damaged (%2); it was left as it was")
                    .arg(overlayPath, DbFailed(r) ? db.LastError() : q.Text(0));
        return false;
    }
    q.Finalize();
    if (DbFailed(q.Prepare(db, "SELECT name FROM sqlite_master WHERE type = 'table'"))) {
        error = QStringLiteral("%1: %2").arg(overlayPath, db.LastError());
        return false;
    }
    while ((r = q.Step()) == DB_OK) {
        const QString name = q.Text(0);
        if (!FindStationCodeTable(name) && !name.startsWith(QLatin1String("sqlite_"))) {
            error = QStringLiteral("%1: not a station name database (it has a table %2); it was left as it was")
                        .arg(overlayPath, name);
            return false;
        }
    }
    if (DbFailed(r)) {
        error = QStringLiteral("%1: %2").arg(overlayPath, db.LastError());
        return false;
    }
    return true;
}

}  // namespace

bool WriteUserNames(const QString& overlayPath, const std::vector<StationCsv>& tables, QStringList& errors,
                    ImportCount* written) {
    if (written) *written = ImportCount{};
    if (!QDir().mkpath(QFileInfo(overlayPath).absolutePath())) {
        errors << QStringLiteral("%1: cannot create the folder").arg(overlayPath);
        return false;
    }
    CDbConnection db;
    if (DbFailed(db.Open(overlayPath, CDbConnection::Mode::ReadWriteCreate))) {
        errors << QStringLiteral("%1: cannot open the database (%2)").arg(overlayPath, db.LastError());
        return false;
    }
    if (DbFailed(db.Execute("BEGIN IMMEDIATE"))) {
        errors << QStringLiteral("%1: %2").arg(overlayPath, db.LastError());
        return false;
    }
    if (QString error; !checkUserDatabase(db, overlayPath, error)) {
        db.Execute("ROLLBACK");
        errors << error;
        return false;
    }
    ImportCount count;
    for (const StationCsv& csv : tables) {
        QString error;
        if (!writeRows(db, QStringLiteral("main"), csv, error, count)) {
            db.Execute("ROLLBACK");
            errors << QStringLiteral("%1: %2").arg(overlayPath, error);
            return false;
        }
    }
    if (DbFailed(db.Execute("COMMIT"))) {
        errors << QStringLiteral("%1: %2").arg(overlayPath, db.LastError());
        db.Execute("ROLLBACK");
        return false;
    }
    if (written) *written = count;
    return true;
}

namespace {

// The user's database for reading or changing, when it is there.
bool openUserDatabase(CDbConnection& db, const QString& overlayPath, bool& present, QString& error) {
    present = QFileInfo::exists(overlayPath);
    if (!present) return true;
    // A file that is no database opens, and fails at its first read.
    if (DbFailed(db.Open(overlayPath, CDbConnection::Mode::ReadWrite)) ||
        DbFailed(db.Execute("SELECT count(*) FROM sqlite_master"))) {
        error = QStringLiteral("%1: cannot open the database (%2)").arg(overlayPath, db.LastError());
        return false;
    }
    return true;
}

bool hasTable(CDbConnection& db, const TableDef& t) {
    CDbStatement s;
    if (DbFailed(s.Prepare(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"))) return false;
    s.Bind(1, QLatin1String(t.name));
    return s.Step() == DB_OK;
}

QString keyList(const TableDef& t) {
    QStringList names;
    for (int i = 0; i < t.keyColumns; ++i) names << QLatin1String(t.columns[static_cast<std::size_t>(i)].name);
    return names.join(QLatin1String(", "));
}

}  // namespace

bool ReadUserNames(const QString& overlayPath, const QString& tableName, std::vector<StationCsv>& out,
                   QString& error) {
    out.clear();
    CDbConnection db;
    bool present = false;
    if (!openUserDatabase(db, overlayPath, present, error)) return false;
    if (!present) return true;
    for (const TableDef& t : StationCodeTables()) {
        if (!tableName.isEmpty() && tableName.compare(QLatin1String(t.name), Qt::CaseInsensitive) != 0) continue;
        if (!hasTable(db, t)) continue;
        StationCsv csv;
        csv.table = &t;
        csv.source = overlayPath;
        CDbStatement s;
        const QByteArray sql = QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                                   .arg(columnList(t), QLatin1String(t.name), keyList(t))
                                   .toUtf8();
        if (DbFailed(s.Prepare(db, sql.constData()))) {
            error = QStringLiteral("%1: %2").arg(overlayPath, db.LastError());
            return false;
        }
        DbResult r;
        while ((r = s.Step()) == DB_OK) {
            QStringList row;
            for (std::size_t i = 0; i < t.columns.size(); ++i) {
                const int c = static_cast<int>(i);
                row << (t.columns[i].type == ColumnType::Text ? s.Text(c) : QString::number(s.Integer(c)));
            }
            csv.rows.push_back(row);
        }
        if (DbFailed(r)) {
            error = QStringLiteral("%1: %2").arg(overlayPath, db.LastError());
            return false;
        }
        if (!csv.rows.empty()) out.push_back(csv);
    }
    return true;
}

DeleteResult DeleteUserName(const QString& overlayPath, const TableDef& table, const std::vector<qint64>& keys,
                            QString& error) {
    CDbConnection db;
    bool present = false;
    if (!openUserDatabase(db, overlayPath, present, error)) return DeleteResult::Failed;
    if (!present) return DeleteResult::NoSuchRow;
    if (DbFailed(db.Execute("BEGIN IMMEDIATE"))) {
        error = QStringLiteral("%1: %2").arg(overlayPath, db.LastError());
        return DeleteResult::Failed;
    }
    if (!checkUserDatabase(db, overlayPath, error)) {
        db.Execute("ROLLBACK");
        return DeleteResult::Failed;
    }
    if (!hasTable(db, table)) {
        db.Execute("ROLLBACK");
        return DeleteResult::NoSuchRow;
    }
    QStringList where;
    for (int i = 0; i < table.keyColumns; ++i)
        where << QStringLiteral("%1 = ?").arg(QLatin1String(table.columns[static_cast<std::size_t>(i)].name));
    CDbStatement s;
    const QByteArray sql =
        QStringLiteral("DELETE FROM %1 WHERE %2").arg(QLatin1String(table.name), where.join(QLatin1String(" AND "))).toUtf8();
    if (DbFailed(s.Prepare(db, sql.constData()))) {
        error = QStringLiteral("%1: %2").arg(overlayPath, db.LastError());
        return DeleteResult::Failed;
    }
    for (std::size_t i = 0; i < keys.size() && i < static_cast<std::size_t>(table.keyColumns); ++i)
        s.Bind(static_cast<int>(i) + 1, static_cast<std::int64_t>(keys[i]));
    if (DbFailed(s.Step())) {
        error = QStringLiteral("%1: %2").arg(overlayPath, db.LastError());
        return DeleteResult::Failed;  // closing the connection rolls back
    }
    const bool deleted = sqlite3_changes(db.Handle()) > 0;
    s.Finalize();
    if (DbFailed(db.Execute("COMMIT"))) {
        error = QStringLiteral("%1: %2").arg(overlayPath, db.LastError());
        return DeleteResult::Failed;
    }
    return deleted ? DeleteResult::Deleted : DeleteResult::NoSuchRow;
}
