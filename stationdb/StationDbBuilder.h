// Station-code tables from CSV text: the build of StationCode.db and the
// import of a user's own names into StationCodeUser.db.
//
// A CSV file holds one table. Its first line names the table's columns (in
// any order); every further line is one row. Numbers are decimal or 0x hex;
// texts are at most 255 characters, quoted when they hold a comma or a quote.
// Files are UTF-8 (a byte order mark is skipped) or CP932, the code page a
// Japanese spreadsheet saves CSV in; lines end in LF or CRLF. Text columns a
// line leaves out at its end are empty, and empty fields beyond the last
// column are ignored.
#pragma once

#include "StationCodeSchema.h"

#include <QString>
#include <QStringList>

#include <vector>

struct StationCsv {
    const TableDef* table = nullptr;
    QString source;
    // Each row in the table's binding order; numbers as decimal text.
    std::vector<QStringList> rows;
};

// Reads and checks one CSV file. `tableName` forces the table; without it the
// table is taken from the file name (StationCode.csv) or from the header.
// Every problem found goes to `errors` as "FILE:LINE: ..." and the result is
// false.
enum class CsvEncoding {
    Detect,  // UTF-8 when the bytes are valid UTF-8, else CP932
    Utf8,
    Cp932,
};
bool ReadStationCsv(const QString& path, const QString& tableName, StationCsv& out, QStringList& errors,
                    CsvEncoding encoding = CsvEncoding::Detect);

// A number of a CSV field or of the command line: decimal or 0x hex, within
// the column type's range.
bool ParseStationNumber(const QString& text, ColumnType type, qint64& value);

// The rows as a CSV file ReadStationCsv takes back: UTF-8 with a byte order
// mark (so spreadsheets see UTF-8), a header line, CRLF line ends.
QByteArray StationCsvText(const StationCsv& csv);

// Builds a new StationCode.db with every table, filled from the CSV files in
// `sourceDir` named after the tables. The file is written whole or not at all,
// through a symbolic link to its target; a target that is not a regular file
// (a directory, a device) is refused, as is a `sourceDir` that is no folder.
bool BuildStationDatabase(const QString& output, const QString& sourceDir, QStringList& errors);

struct ImportCount {
    int added = 0;     // rows whose codes were not there before
    int replaced = 0;  // rows that took the place of one with the same codes
    int total() const { return added + replaced; }
};

// Adds (or replaces) the rows of the CSV files in the user's database, all of
// them in one transaction: nothing is imported when any file has a problem.
bool ImportUserNames(const QString& overlayPath, const QStringList& files, const QString& tableName,
                     QStringList& errors, ImportCount* imported = nullptr,
                     CsvEncoding encoding = CsvEncoding::Detect);

// Adds (or replaces) rows already read (or made) in the user's database, in
// one transaction.
bool WriteUserNames(const QString& overlayPath, const std::vector<StationCsv>& tables, QStringList& errors,
                    ImportCount* written = nullptr);

// The rows of the user's database, a StationCsv per table that has any (only
// `tableName` when it is given), ordered by their codes. A database that is
// not there yet has no rows.
bool ReadUserNames(const QString& overlayPath, const QString& tableName, std::vector<StationCsv>& out,
                   QString& error);

enum class DeleteResult { Deleted, NoSuchRow, Failed };
// Deletes the row of `table` whose key columns hold `keys`.
DeleteResult DeleteUserName(const QString& overlayPath, const TableDef& table, const std::vector<qint64>& keys,
                            QString& error);
