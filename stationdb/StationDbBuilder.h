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

#include <functional>
#include <vector>

struct StationCsv {
    const TableDef* table = nullptr;
    QString source;
    // Each row in the table's binding order; numbers as decimal text.
    std::vector<QStringList> rows;
};

// How far an import has got, told now and then on the thread that runs it;
// returning false stops the reading or the writing (then nothing is
// imported). Naming the stored rows is told without numbers.
enum class ImportStage { Reading, Writing, Naming };
using ImportProgress = std::function<bool(ImportStage stage, qint64 done, qint64 total)>;

// The most problems an import lists; past them it counts, and the list ends
// with "and N more problems". AddProblem appends to such a list.
constexpr int kListedProblems = 100;
void AddProblem(QStringList& problems, const QString& problem);

// Reads and checks one CSV file. `tableName` forces the table; without it the
// table is taken from the file name (StationCode.csv) or from the header.
// Every problem found goes to `errors` as "FILE:LINE: ..." (through
// AddProblem) and the result is false. The file is read a piece at a time:
// what stays in memory is the rows kept, whatever the number of problems.
enum class CsvEncoding {
    Detect,  // UTF-8 when the bytes are valid UTF-8, else CP932
    Utf8,
    Cp932,
};
bool ReadStationCsv(const QString& path, const QString& tableName, StationCsv& out, QStringList& errors,
                    CsvEncoding encoding = CsvEncoding::Detect, const ImportProgress& progress = {});

// A number of a CSV field or of the command line: decimal or 0x hex, within
// the column type's range, every character a digit (blanks around it aside;
// a minus sign only for an integer column).
bool ParseStationNumber(const QString& text, ColumnType type, qint64& value);

// The rows as a CSV file ReadStationCsv takes back: UTF-8 with a byte order
// mark (so spreadsheets see UTF-8), a header line, CRLF line ends. Texts are
// written as OutputName gives them and cut at the column width, so that even
// rows an earlier version stored are taken back.
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
    // The mark the write left for the naming of the stored history (see
    // PendingHistoryNaming), and whether an earlier write's was still there.
    qint64 namingMark = 0;
    bool earlierNamingPending = false;
};

// Adds (or replaces) the rows of the CSV files in the user's database, all of
// them in one transaction: nothing is imported when any file has a problem.
bool ImportUserNames(const QString& overlayPath, const QStringList& files, const QString& tableName,
                     QStringList& errors, ImportCount* imported = nullptr,
                     CsvEncoding encoding = CsvEncoding::Detect);

// Adds (or replaces) rows already read (or made) in the user's database, in
// one transaction, with the mark of a naming of the stored history to do.
bool WriteUserNames(const QString& overlayPath, const std::vector<StationCsv>& tables, QStringList& errors,
                    ImportCount* written = nullptr, const ImportProgress& progress = {});

// The stored history (History.db) takes the user's names in a step of its
// own, after the names are committed here. So that a process killed between
// the two leaves no row with an old name for good, every write of names
// leaves a mark in its own transaction (a table PendingHistoryNaming with one
// random number); the naming that follows takes that mark away when done.
// A mark found later is a naming left undone, to be done again whole.
//
// The mark of the naming not done yet, or 0 when none is pending.
bool PendingHistoryNaming(const QString& overlayPath, qint64& mark, QString& error);
// Takes the mark away if it is still `mark` (a later write's mark stays).
bool ClearHistoryNaming(const QString& overlayPath, qint64 mark, QString& error);

// The rows of the user's database, a StationCsv per table that has any (only
// `tableName` when it is given), ordered by their codes. A database that is
// not there yet has no rows.
bool ReadUserNames(const QString& overlayPath, const QString& tableName, std::vector<StationCsv>& out,
                   QString& error);

enum class DeleteResult { Deleted, NoSuchRow, Failed };
// Deletes the row of `table` whose key columns hold `keys`.
DeleteResult DeleteUserName(const QString& overlayPath, const TableDef& table, const std::vector<qint64>& keys,
                            QString& error);
