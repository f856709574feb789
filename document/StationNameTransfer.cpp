#include "StationNameTransfer.h"

#include "CHistoryTable.h"
#include "CodeNaming.h"
#include "file_io.h"

#include <QDir>
#include <QFile>

StationImport ImportStationTables(const QStringList& files, const QString& tableName, CsvEncoding encoding,
                                  const QString& overlayPath, CHistoryTable& history, CKuvoraDoc* doc,
                                  const ImportProgress& progress) {
    StationImport result;
    const ImportProgress told = [&](ImportStage stage, qint64 done, qint64 total) {
        result.cancelled = result.cancelled || (progress && !progress(stage, done, total));
        return !result.cancelled;
    };
    for (const QString& f : files) {
        StationCsv csv;
        if (ReadStationCsv(f, tableName, csv, result.errors, encoding, told)) result.tables.push_back(std::move(csv));
        if (result.cancelled) break;
    }
    if (files.isEmpty()) AddProblem(result.errors, QStringLiteral("no CSV file given"));
    // Any problem in any file: not one row goes in.
    if (result.cancelled || !result.errors.isEmpty() ||
        !WriteUserNames(overlayPath, result.tables, result.errors, &result.rows, told)) {
        if (result.cancelled) result.errors.clear();
        result.tables.clear();
        return result;
    }
    result.imported = true;
    const NamingProgress naming = [&] {
        if (progress) progress(ImportStage::Naming, 0, 0);
    };
    result.namedStoredCells = NameStoredRowsAfterWrite(history, overlayPath, result.rows, GivenNamesOf(result.tables),
                                                       result.historyError, naming);
    if (doc) NameDocumentRowsFromUserRows(*doc, result.tables);
    return result;
}

StationExport ExportStationTables(const QString& overlayPath, const QString& target, const QString& tableName) {
    StationExport result;
    std::vector<StationCsv> tables;
    if (!tableName.isEmpty() && !FindStationCodeTable(tableName)) {
        result.error = QStringLiteral("no table named %1").arg(tableName);
        return result;
    }
    if (!ReadUserNames(overlayPath, tableName, tables, result.error)) return result;
    if (!tableName.isEmpty() && tables.empty()) {  // the file still says which columns the table has
        StationCsv empty;
        empty.table = FindStationCodeTable(tableName);
        tables.push_back(empty);
    }
    if (tableName.isEmpty() && !QDir().mkpath(target)) {
        result.error = QStringLiteral("%1: cannot create the folder").arg(target);
        return result;
    }
    for (const StationCsv& csv : tables) {
        const QString path = tableName.isEmpty()
                                 ? QDir(target).filePath(QLatin1String(csv.table->name) + QLatin1String(".csv"))
                                 : target;
        std::string error;
        const QByteArray bytes = StationCsvText(csv);
        if (!platform::replaceFile(QFile::encodeName(path).toStdString(),
                                   std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), error)) {
            result.error = QString::fromStdString(error);
            return result;
        }
        result.files.emplace_back(path, static_cast<int>(csv.rows.size()));
    }
    result.written = true;
    return result;
}
