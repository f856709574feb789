// The history as CSV for spreadsheets: UTF-8 with a byte-order mark (so
// that spreadsheet programs on every system take it as UTF-8), lines ended
// by CR LF, a header line, fields separated by commas and quoted where they
// hold a comma, a quote or a line break (RFC 4180).
//
// One line per display row. The columns follow the history view left to
// right, each grid column giving its upper row and then its lower row; the
// amounts and the serial number are plain numbers without the blanks that
// align them on screen.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class CKuvoraDoc;

// The header line's names, in column order.
QStringList HistoryCsvHeader();
// One CSV field: quoted (with inner quotes doubled) when it has to be.
QString CsvField(const QString& text);
// One CSV line from `fields`, ended by CR LF.
QString CsvLine(const QStringList& fields);
// The whole file: byte-order mark, header line and one line per display row.
QByteArray ExportCsv(const CKuvoraDoc& doc);
