// Thin RAII wrappers over an SQLite connection and a prepared statement.
#pragma once

#include "DbResult.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

class CDbStatement;

class CDbConnection {
public:
    enum class Mode {
        ReadOnly,         // the file must exist
        ReadWrite,        // the file must exist
        ReadWriteCreate,  // created when missing
    };

    CDbConnection() = default;
    ~CDbConnection() { Close(); }
    CDbConnection(const CDbConnection&) = delete;
    CDbConnection& operator=(const CDbConnection&) = delete;

    DbResult Open(const QString& path, Mode mode);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    sqlite3* Handle() const { return m_db; }

    // Runs SQL text without results (no bound values).
    DbResult Execute(const char* sql);
    QString LastError() const;

private:
    sqlite3* m_db = nullptr;
};

class CDbStatement {
public:
    CDbStatement() = default;
    ~CDbStatement() { Finalize(); }
    CDbStatement(const CDbStatement&) = delete;
    CDbStatement& operator=(const CDbStatement&) = delete;

    DbResult Prepare(const CDbConnection& db, const char* sql);
    void Finalize();
    bool IsPrepared() const { return m_stmt != nullptr; }

    // Values are bound by position, from 1.
    DbResult Bind(int index, std::int64_t value);
    DbResult Bind(int index, const QString& text);
    DbResult Reset();

    // DB_OK when a row is there, DB_S_ENDOFROWSET when none is left.
    DbResult Step();

    int ColumnCount() const;
    QString ColumnName(int column) const;
    bool IsNull(int column) const;
    std::int64_t Integer(int column) const;
    QString Text(int column) const;
    // The column's UTF-8 bytes, valid until the next Step, Reset or Finalize.
    QByteArrayView TextBytes(int column) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
};

// Stored UTF-8 as text, every character kept: a name may begin with U+FEFF,
// which QString::fromUtf8 would take for a byte order mark and drop.
QString TextFromUtf8(QByteArrayView bytes);

// The characters of `text`: a character beyond U+FFFF (a surrogate pair)
// counts once.
int CharacterCount(const QString& text);
// `text` cut to at most `width` characters, counted as CharacterCount does.
QString CutToWidth(const QString& text, int width);
