// Station-code tables from CSV text: the build of StationCode.db and the
// import of a user's own names into StationCodeUser.db.
//
// A CSV file holds one table. Its first line names the table's columns (in
// any order); every further line is one row. Numbers are decimal or 0x hex;
// texts are UTF-8, at most 255 characters, quoted when they hold a comma or
// a quote.
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
bool ReadStationCsv(const QString& path, const QString& tableName, StationCsv& out, QStringList& errors);

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
                     QStringList& errors, ImportCount* imported = nullptr);
