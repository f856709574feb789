// The user's own station names in and out as CSV files: the import that
// kuvora-stationdb and the window both run (all files checked first, all
// rows written in one transaction or none, then the stored history and the
// shown rows take the names), and the export of the user's rows as CSV that
// the import takes back.
#pragma once

#include "StationDbBuilder.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

class CHistoryTable;
class CKuvoraDoc;

struct StationImport {
    // False: nothing was imported; `errors` says why (one entry per problem,
    // "FILE:LINE: ..." for a line of a file).
    bool imported = false;
    bool cancelled = false;  // the progress said stop before the names were written
    QStringList errors;
    ImportCount rows;
    std::vector<StationCsv> tables;  // the rows imported, file by file
    // Stored history cells that took the imported names; -1 when History.db
    // could not be changed (`historyError` says why; the names are imported
    // all the same).
    int namedStoredCells = 0;
    QString historyError;
};

// Imports the CSV files into the user's database at `overlayPath`, then
// names the stored rows of `history` (and the rows `doc` shows, when given)
// whose codes the imported rows name. `progress` is told how far it has got
// (it may run on a thread of its own, without `doc`); it can stop the import
// until the names are written, not the naming of the stored rows after it.
StationImport ImportStationTables(const QStringList& files, const QString& tableName, CsvEncoding encoding,
                                  const QString& overlayPath, CHistoryTable& history, CKuvoraDoc* doc = nullptr,
                                  const ImportProgress& progress = {});

struct StationExport {
    bool written = false;  // false: `error` says why; files written before it stay
    QString error;
    // Each file written and its number of rows.
    std::vector<std::pair<QString, int>> files;
};

// Writes the user's rows as CSV (UTF-8 with a byte order mark, CRLF):
// without `tableName`, one file <Table>.csv per table that has rows into the
// folder `target` (made when missing); with it, that table's rows (its
// header alone when it has none) into the file `target`. Each file is
// replaced whole or not at all.
StationExport ExportStationTables(const QString& overlayPath, const QString& target, const QString& tableName);
