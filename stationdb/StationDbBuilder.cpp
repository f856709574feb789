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
#include <string_view>
#include <unordered_map>

namespace {

// A field keeps at most this many UTF-16 units: a longer one is refused
// anyway (a text is at most kMaxColumnText characters, two units each at
// most), so the rest of it is not kept.
constexpr qsizetype kMaxFieldUnits = 4 * kMaxColumnText;
// A record keeps at most this many fields (more than any table has); the
// rest are counted.
constexpr qsizetype kMaxFields = 64;

struct CsvRecord {
    int line = 0;
    QStringList fields;     // the first kMaxFields
    qsizetype count = 0;    // all of them
    bool restBlank = true;  // the fields beyond kMaxFields are all blank
    bool lastQuoted = false;
};

// Splits CSV text, fed in pieces, into records of fields, with the line each
// record starts on, and hands each record on as soon as it ends: however
// long the file or a line, it keeps one record.
class CsvSplitter {
public:
    using Receiver = std::function<bool(CsvRecord&)>;
    CsvSplitter(const QString& source, const Receiver& receive, const std::function<void(const QString&)>& problem)
        : m_Source(source), m_Receive(receive), m_Problem(problem) {}

    // False once the text cannot be split further or the receiver stopped.
    bool Feed(QStringView text) {
        for (const QChar c : text)
            if (!Take(c)) return false;
        return true;
    }
    bool Finish() {
        if (m_bInQuotes && !m_bQuoteSeen) {
            m_Problem(QStringLiteral("%1:%2: a quote is never closed").arg(m_Source).arg(m_Record.line));
            return false;
        }
        m_bInQuotes = m_bQuoteSeen = false;  // the text ends right after a closing quote
        return !m_bOpen || EndRecord();
    }

private:
    bool Take(QChar c) {
        if (m_bAfterCr) {
            m_bAfterCr = false;
            if (c == QLatin1Char('\n')) return true;  // CR LF ends one line
        }
        if (!m_bOpen) {
            m_bOpen = true;
            m_Record.line = m_nLine;
        }
        if (m_bInQuotes) {
            if (m_bQuoteSeen) {  // a quote inside quotes: doubled, or the closing one
                m_bQuoteSeen = false;
                if (c == QLatin1Char('"')) {
                    Append(c);
                    return true;
                }
                m_bInQuotes = false;
                return Take(c);
            }
            if (c == QLatin1Char('"')) {
                m_bQuoteSeen = true;
                return true;
            }
            if (c == QLatin1Char('\n')) ++m_nLine;
            Append(c);
            return true;
        }
        if (c == QLatin1Char('"') && m_Field.isEmpty() && !m_bQuoted) {
            m_bQuoted = m_bInQuotes = true;
        } else if (c == QLatin1Char(',')) {
            EndField();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            m_bAfterCr = c == QLatin1Char('\r');
            ++m_nLine;
            return EndRecord();
        } else {
            if (m_bQuoted) {
                m_Problem(QStringLiteral("%1:%2: text after a closing quote").arg(m_Source).arg(m_nLine));
                return false;
            }
            Append(c);
        }
        return true;
    }
    void Append(QChar c) {
        if (m_Field.size() < kMaxFieldUnits) m_Field += c;
    }
    void EndField() {
        if (m_Record.fields.size() < kMaxFields) m_Record.fields << m_Field;
        else if (!m_Field.trimmed().isEmpty()) m_Record.restBlank = false;
        ++m_Record.count;
        m_Record.lastQuoted = m_bQuoted;
        m_Field.clear();
        m_bQuoted = false;
    }
    bool EndRecord() {
        EndField();
        const bool blank = m_Record.count == 1 && m_Record.fields[0].trimmed().isEmpty() && !m_Record.lastQuoted;
        bool go = true;
        if (!blank) go = m_Receive(m_Record);
        m_Record.fields.clear();  // its room is kept for the next record
        m_Record.count = 0;
        m_Record.restBlank = true;
        m_Record.lastQuoted = false;
        m_bOpen = false;
        return go;
    }

    QString m_Source;
    Receiver m_Receive;
    std::function<void(const QString&)> m_Problem;
    int m_nLine = 1;
    CsvRecord m_Record;
    QString m_Field;
    bool m_bOpen = false, m_bQuoted = false, m_bInQuotes = false, m_bQuoteSeen = false, m_bAfterCr = false;
};

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
               ImportCount& count, const std::function<bool()>& written = {}) {
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
        if (written && !written()) return false;  // stopped: `error` stays empty
    }
    return true;
}

// The file's bytes in pieces that each end after a line feed (or at the
// end): neither a UTF-8 nor a CP932 character holds the byte 0A, so every
// piece decodes on its own.
constexpr std::size_t kPieceBytes = 256 * 1024;

std::size_t pieceEnd(std::string_view bytes, std::size_t from) {
    if (bytes.size() - from <= kPieceBytes) return bytes.size();
    const std::size_t feed = bytes.find('\n', from + kPieceBytes);
    return feed == std::string_view::npos ? bytes.size() : feed + 1;
}

// Decodes `bytes` piece by piece, handing each piece's text to `take`
// (which may stop it by returning false); false when the bytes are not of
// the encoding or `take` stopped.
bool decodePieces(std::string_view bytes, bool cp932, const std::function<bool(QStringView, std::size_t)>& take,
                  bool& stopped) {
    stopped = false;
    // A byte order mark is UTF-8's and tells nothing but the encoding; a
    // second one would be text.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t end = pieceEnd(bytes, at);
        const QByteArray piece = QByteArray::fromRawData(bytes.data() + at, static_cast<qsizetype>(end - at));
        QString text;
        if (cp932) {
            if (!FromCp932(piece, text)) return false;
        } else {
            text = utf8(piece);
            if (utf8.hasError()) return false;
        }
        at = end;
        if (!take(text, at)) {
            stopped = true;
            return false;
        }
    }
    return true;
}

// A text of the file as a problem shows it: its control characters as
// spaces and at most 40 characters, so a message stays on one short line.
QString shown(const QString& text) {
    constexpr int kShown = 40;
    const QString cut = CutToWidth(text, kShown);
    return OutputName(cut) + (cut.size() < text.size() ? QStringLiteral("…") : QString());
}

QString controlProblem(const QString& source, int line, const char* column, const QString& value, int at) {
    return QStringLiteral("%1:%2: %3: holds the control character U+%4")
        .arg(source)
        .arg(line)
        .arg(QLatin1String(column), QString::asprintf("%04X", static_cast<unsigned>(value[at].unicode())));
}

// A row's codes as a short key: a byte column takes one byte, an integer four.
std::string packedKey(const TableDef& t, const QStringList& row) {
    std::string key;
    for (int i = 0; i < t.keyColumns; ++i) {
        const qint64 v = row[i].toLongLong();
        const int width = t.columns[static_cast<std::size_t>(i)].type == ColumnType::Byte ? 1 : 4;
        for (int b = 0; b < width; ++b) key += static_cast<char>((v >> (8 * b)) & 0xFF);
    }
    return key;
}

bool allEmpty(const QStringList& fields, qsizetype from = 0) {
    for (qsizetype i = from; i < fields.size(); ++i)
        if (!fields[i].trimmed().isEmpty()) return false;
    return true;
}

}  // namespace

bool ParseStationNumber(const QString& text, ColumnType type, qint64& value) {
    // Every character a digit: "1\0zzz" is no 1, nor "+1" or "1e3".
    QStringView t = QStringView(text).trimmed();
    const bool negative = type == ColumnType::Integer && t.startsWith(QLatin1Char('-'));
    if (negative) t = t.mid(1);
    const bool hex = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    if (hex) t = t.mid(2);
    if (t.isEmpty() || t.size() > 16) return false;
    value = 0;
    for (const QChar c : t) {
        const char16_t u = c.unicode();
        const int digit = u >= '0' && u <= '9' ? u - '0'
                          : hex && u >= 'a' && u <= 'f' ? u - 'a' + 10
                          : hex && u >= 'A' && u <= 'F' ? u - 'A' + 10
                                                        : -1;
        if (digit < 0) return false;
        value = value * (hex ? 16 : 10) + digit;
    }
    if (negative) value = -value;
    if (type == ColumnType::Byte) return value >= 0 && value <= 255;
    return value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max();
}

namespace {

// Adds `count` problems past the listed ones to the line that counts them:
// "and N more problems".
void addUnlisted(QStringList& problems, qint64 count) {
    if (count <= 0) return;
    if (problems.size() > kListedProblems) count += problems.last().section(QLatin1Char(' '), 1, 1).toLongLong();
    problems.resize(kListedProblems);
    problems << (count == 1 ? QStringLiteral("and 1 more problem") : QStringLiteral("and %1 more problems").arg(count));
}

}  // namespace

void AddProblem(QStringList& problems, const QString& problem) {
    if (problems.size() < kListedProblems) problems << problem;
    else addUnlisted(problems, 1);
}

QByteArray StationCsvText(const StationCsv& csv) {
    QString text = QString(QChar(0xFEFF)) + columnList(*csv.table) + QLatin1String("\r\n");
    for (const QStringList& row : csv.rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i) text += QLatin1Char(',');
            // A name that begins like a formula is neutralised; import takes it back.
            const bool isText = static_cast<std::size_t>(i) < csv.table->columns.size() &&
                                csv.table->columns[static_cast<std::size_t>(i)].type == ColumnType::Text;
            text += isText ? CsvTextCell(CutToWidth(row[i], kMaxColumnText)) : CsvField(row[i]);
        }
        text += QLatin1String("\r\n");
    }
    return text.toUtf8();
}

bool ReadStationCsv(const QString& path, const QString& tableName, StationCsv& out, QStringList& errors,
                    CsvEncoding encoding, const ImportProgress& progress) {
    out = StationCsv{};
    out.source = path;
    // A problem past the listed ones is only counted, its text never made.
    bool good = true;
    qint64 unlisted = 0;
    auto listing = [&] {
        good = false;
        if (errors.size() < kListedProblems) return true;
        ++unlisted;
        return false;
    };
    auto problem = [&](const QString& text) {
        if (listing()) errors << text;
    };
    struct Counted {
        QStringList& errors;
        qint64& unlisted;
        ~Counted() { addUnlisted(errors, unlisted); }
    } counted{errors, unlisted};
    constexpr std::size_t kMaxFileSize = 64 * 1024 * 1024;
    std::string read;
    const platform::ReadResult result = platform::readRegularFile(localPath(path), kMaxFileSize, read);
    if (!result.ok()) {
        using Status = platform::ReadResult::Status;
        problem(result.status == Status::CannotOpen ? QStringLiteral("%1: cannot open the file").arg(path)
                : result.status == Status::TooLarge ? QStringLiteral("%1: file too large").arg(path)
                : QStringLiteral("%1: %2").arg(path, QString::fromStdString(result.problem(kMaxFileSize))));
        return false;
    }
    // The bytes are decoded twice, a piece at a time: once to learn the
    // encoding (and that every byte fits it), once to split the text. Only
    // the rows kept stay in memory, never the file's text as a whole.
    std::string_view bytes(read);
    if (encoding != CsvEncoding::Cp932 && bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const auto total = static_cast<qint64>(2 * bytes.size());
    auto told = [&](qint64 done) { return !progress || progress(ImportStage::Reading, done, total); };
    bool stopped = false;
    bool cp932 = encoding == CsvEncoding::Cp932;
    auto check = [&](QStringView, std::size_t at) { return told(static_cast<qint64>(at)); };
    bool fits = decodePieces(bytes, cp932, check, stopped);
    if (!fits && !stopped && encoding == CsvEncoding::Detect) {
        cp932 = true;
        fits = decodePieces(bytes, cp932, check, stopped);
    }
    if (stopped) return false;
    if (!fits) {
        problem(encoding == CsvEncoding::Utf8    ? QStringLiteral("%1: not UTF-8 text").arg(path)
                : encoding == CsvEncoding::Cp932 ? QStringLiteral("%1: not CP932 text").arg(path)
                                                 : QStringLiteral("%1: neither UTF-8 nor CP932 text").arg(path));
        return false;
    }

    // The header line first, then each row as it comes.
    bool headerRead = false;
    QStringList header;
    std::vector<int> position;  // where each of the table's columns stands in the file
    std::unordered_map<std::string, int> keys;
    auto readHeader = [&](const CsvRecord& rec) {
        for (const QString& h : rec.fields) header << h.trimmed();
        while (header.size() > 1 && header.last().isEmpty()) header.removeLast();
        if (!rec.restBlank) problem(QStringLiteral("%1:1: more than %2 columns").arg(path).arg(kMaxFields));
        if (!tableName.isEmpty()) {
            out.table = FindStationCodeTable(tableName);
            if (!out.table) {
                problem(QStringLiteral("%1: no table named %2").arg(path, tableName));
                return false;
            }
        } else {
            out.table = FindStationCodeTable(QFileInfo(path).completeBaseName());
            if (!out.table) out.table = tableForHeader(header);
            if (!out.table) {
                problem(QStringLiteral("%1:1: the columns match no station-code table; name the table with --table")
                            .arg(path));
                return false;
            }
        }
        const TableDef& t = *out.table;
        for (const ColumnDef& c : t.columns) {
            int at = -1;
            for (int i = 0; i < header.size(); ++i)
                if (header[i].compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0 && at < 0) at = i;
            if (at < 0) problem(QStringLiteral("%1:1: column %2 is missing (%3 needs %4)")
                                    .arg(path, QLatin1String(c.name), QLatin1String(t.name), columnList(t)));
            position.push_back(at);
        }
        for (int i = 0; i < header.size(); ++i) {
            const QString& h = header[i];
            bool known = false;
            for (const ColumnDef& c : t.columns) known = known || h.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0;
            bool twice = false;
            for (int j = 0; j < i; ++j) twice = twice || (!h.isEmpty() && header[j].compare(h, Qt::CaseInsensitive) == 0);
            // A column named twice would leave one of its values unread.
            if (twice) problem(QStringLiteral("%1:1: %2: the column is named twice").arg(path, shown(h)));
            else if (!known) problem(QStringLiteral("%1:1: column %2 does not belong to %3").arg(path, shown(h), QLatin1String(t.name)));
        }
        return good;
    };
    auto readRow = [&](CsvRecord& rec) {
        const TableDef& t = *out.table;
        if (allEmpty(rec.fields) && rec.restBlank) return;  // a spreadsheet's empty row
        // Empty fields beyond the last column go; text columns left out at
        // the end are empty.
        if (rec.fields.size() > header.size() && allEmpty(rec.fields, header.size()) && rec.restBlank) {
            rec.fields = rec.fields.mid(0, header.size());
            rec.count = rec.fields.size();
        }
        bool onlyTextsMissing = rec.count < header.size();
        for (std::size_t i = 0; i < t.columns.size(); ++i)
            if (position[i] >= rec.fields.size() && t.columns[i].type != ColumnType::Text) onlyTextsMissing = false;
        if (onlyTextsMissing) while (rec.fields.size() < header.size()) rec.fields << QString();
        if (onlyTextsMissing) rec.count = rec.fields.size();
        if (rec.count != header.size()) {
            if (listing()) errors << QStringLiteral("%1:%2: %3 fields, expected %4").arg(path).arg(rec.line).arg(rec.count).arg(header.size());
            return;
        }
        QStringList row;
        row.reserve(static_cast<qsizetype>(t.columns.size()));
        bool rowGood = true;
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            const ColumnDef& c = t.columns[i];
            QString value = rec.fields[position[i]];
            if (c.type == ColumnType::Text) value = CsvTextOfCell(value);  // a name export neutralised as a formula ('=...)
            const int control = ControlCharacterAt(value);
            if (c.type == ColumnType::Text) {
                if (characterCount(value) > kMaxColumnText) {
                    if (listing()) errors << QStringLiteral("%1:%2: %3: longer than %4 characters")
                                                 .arg(path).arg(rec.line).arg(QLatin1String(c.name)).arg(kMaxColumnText);
                    rowGood = false;
                }
                if (control >= 0) {
                    if (listing()) errors << controlProblem(path, rec.line, c.name, value, control);
                    rowGood = false;
                }
                row << value;
                continue;
            }
            qint64 v = 0;
            if (control >= 0) {
                if (listing()) errors << controlProblem(path, rec.line, c.name, value, control);
                rowGood = false;
            } else if (!ParseStationNumber(value, c.type, v)) {
                if (listing())
                    errors << QStringLiteral("%1:%2: %3: expected %4, found \"%5\"")
                                  .arg(path).arg(rec.line).arg(QLatin1String(c.name),
                                       c.type == ColumnType::Byte ? QStringLiteral("a number from 0 to 255")
                                                                  : QStringLiteral("a 32-bit whole number"),
                                       shown(value));
                rowGood = false;
            }
            row << QString::number(v);
        }
        if (!rowGood) return;
        const auto [known, added] = keys.try_emplace(packedKey(t, row), rec.line);
        if (!added) {
            if (listing()) errors << QStringLiteral("%1:%2: the same codes as line %3").arg(path).arg(rec.line).arg(known->second);
            return;
        }
        // Once the file has a problem, none of its rows is imported: only
        // their codes are kept, to find the lines that repeat them.
        if (good) out.rows.push_back(row);
    };
    CsvSplitter splitter(
        path,
        [&](CsvRecord& rec) {
            if (headerRead) {
                readRow(rec);
                return true;
            }
            headerRead = true;
            return readHeader(rec);
        },
        problem);
    auto split = [&](QStringView text, std::size_t at) {
        return splitter.Feed(text) && told(static_cast<qint64>(bytes.size() + at));
    };
    if (!decodePieces(bytes, cp932, split, stopped) && !stopped) return false;
    if (stopped) return false;  // a problem that ends the file, or the caller's stop
    if (!splitter.Finish()) return false;
    if (!headerRead) problem(QStringLiteral("%1: empty file (the first line must name the columns)").arg(path));
    if (!good) out.rows.clear();
    return good;
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
        if (ReadStationCsv(f, tableName, csv, errors, encoding)) tables.push_back(std::move(csv));
    }
    if (!errors.isEmpty()) return false;
    return WriteUserNames(overlayPath, tables, errors, imported);
}

namespace {

const char* const kNamingMarkTable = "PendingHistoryNaming";

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
        if (!FindStationCodeTable(name) && !name.startsWith(QLatin1String("sqlite_")) && name != QLatin1String(kNamingMarkTable)) {
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

// The mark of a write whose names the stored history has not taken yet
// (see PendingHistoryNaming): a table of its own with one random number,
// written in the transaction of the names.
bool markHistoryNaming(CDbConnection& db, ImportCount& count, QString& error) {
    CDbStatement q;
    DbResult r = db.Execute("CREATE TABLE IF NOT EXISTS PendingHistoryNaming (Mark INTEGER NOT NULL)");
    if (!DbFailed(r)) r = q.Prepare(db, "SELECT count(*) FROM PendingHistoryNaming");
    if (!DbFailed(r)) r = q.Step();
    if (!DbFailed(r)) count.earlierNamingPending = q.Integer(0) > 0;
    q.Finalize();
    if (!DbFailed(r)) r = db.Execute("DELETE FROM PendingHistoryNaming");
    if (!DbFailed(r)) r = db.Execute("INSERT INTO PendingHistoryNaming (Mark) VALUES (random())");
    if (!DbFailed(r)) r = q.Prepare(db, "SELECT Mark FROM PendingHistoryNaming");
    if (!DbFailed(r)) r = q.Step();
    if (DbFailed(r)) {
        error = db.LastError();
        return false;
    }
    count.namingMark = q.Integer(0);
    return true;
}

}  // namespace

bool WriteUserNames(const QString& overlayPath, const std::vector<StationCsv>& tables, QStringList& errors,
                    ImportCount* written, const ImportProgress& progress) {
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
    qint64 total = 0, done = 0;
    for (const StationCsv& csv : tables) total += static_cast<qint64>(csv.rows.size());
    auto rowWritten = [&] {
        constexpr int kRowsPerReport = 1024;
        return !progress || ++done % kRowsPerReport != 0 || progress(ImportStage::Writing, done, total);
    };
    for (const StationCsv& csv : tables) {
        QString error;
        if (!writeRows(db, QStringLiteral("main"), csv, error, count, rowWritten)) {
            db.Execute("ROLLBACK");
            if (!error.isEmpty()) errors << QStringLiteral("%1: %2").arg(overlayPath, error);
            return false;
        }
    }
    if (QString error; !markHistoryNaming(db, count, error)) {
        db.Execute("ROLLBACK");
        errors << QStringLiteral("%1: %2").arg(overlayPath, error);
        return false;
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

bool PendingHistoryNaming(const QString& overlayPath, qint64& mark, QString& error) {
    mark = 0;
    if (!QFileInfo::exists(overlayPath)) return true;
    CDbConnection db;
    CDbStatement q;
    DbResult r = db.Open(overlayPath, CDbConnection::Mode::ReadOnly);
    if (!DbFailed(r)) r = q.Prepare(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'PendingHistoryNaming'");
    if (!DbFailed(r)) r = q.Step();
    if (r == DB_OK) {
        q.Finalize();
        r = q.Prepare(db, "SELECT Mark FROM PendingHistoryNaming");
        if (!DbFailed(r) && (r = q.Step()) == DB_OK) mark = q.Integer(0);
    }
    if (DbFailed(r)) {
        error = QStringLiteral("%1: cannot open the database (%2)").arg(overlayPath, db.LastError());
        return false;
    }
    return true;
}

bool ClearHistoryNaming(const QString& overlayPath, qint64 mark, QString& error) {
    CDbConnection db;
    bool present = false;
    if (!openUserDatabase(db, overlayPath, present, error)) return false;
    if (!present) return true;
    CDbStatement q;
    DbResult r = db.Execute("BEGIN IMMEDIATE");
    if (!DbFailed(r)) r = q.Prepare(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'PendingHistoryNaming'");
    if (!DbFailed(r)) r = q.Step();
    bool ours = false;
    if (r == DB_OK) {
        q.Finalize();
        r = q.Prepare(db, "SELECT Mark FROM PendingHistoryNaming");
        if (!DbFailed(r) && (r = q.Step()) == DB_OK) ours = q.Integer(0) == mark;
    }
    q.Finalize();
    // Only this mark goes: a later write's naming is still to be done.
    if (!DbFailed(r) && ours) r = db.Execute("DROP TABLE PendingHistoryNaming");
    if (!DbFailed(r)) r = db.Execute("COMMIT");
    if (DbFailed(r)) {
        error = QStringLiteral("%1: %2").arg(overlayPath, db.LastError());
        return false;  // closing the connection rolls back
    }
    return true;
}
