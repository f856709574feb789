// The history as CSV for spreadsheets: UTF-8 with a byte-order mark (so
// that spreadsheet programs on every system take it as UTF-8), lines ended
// by CR LF, a header line, fields separated by commas and quoted where they
// hold a comma, a quote or a line break (RFC 4180).
//
// One line per display row. The columns follow the history view left to
// right, each grid column giving its upper row and then its lower row. Each
// cell is written so that a spreadsheet reads it as what it is: dates as
// dates (2011-03-12), times as times (17:18), amounts and the serial number
// as plain numbers, every code exactly as shown (0001E3, 01), and names and
// other texts as text, never as a formula (CsvCells.h).
#pragma once

#include "CsvCells.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

struct CardHistory;

// The header line's names, in column order.
QStringList HistoryCsvHeader();
// One CSV line of plain fields (CsvField each), ended by CR LF.
QString CsvLine(const QStringList& fields);
// The whole file: byte-order mark, header line and one line per display row.
QByteArray ExportCsv(const CardHistory& card);
