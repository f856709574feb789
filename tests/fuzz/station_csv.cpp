// The station CSV reader over any file. A file it takes gives rows of its
// table's width; a file it refuses says why.
#include "FuzzScratch.h"
#include "StationDbBuilder.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Not named after a table: the header decides.
    static const QString path = FuzzScratchFolder() + QStringLiteral("/input.csv");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    StationCsv csv;
    QStringList errors;
    const bool ok = ReadStationCsv(path, QString(), csv, errors);
    if (ok != errors.isEmpty() || (ok && !csv.table)) std::abort();
    for (const QStringList& row : csv.rows)
        if (row.size() != static_cast<qsizetype>(csv.table->columns.size())) std::abort();
    return 0;
}
