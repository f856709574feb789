// The cells of the CSV files Kuvora writes for people to open in a
// spreadsheet: fields quoted as RFC 4180 asks (when they hold a comma, a
// quote, CR or LF, with inner quotes doubled), and the guards a spreadsheet
// needs so that each cell reads as what it is.
#pragma once

#include <QString>
#include <QStringList>

// One field, quoted when it has to be.
QString CsvField(const QString& text);
// A text cell. Its control characters become spaces, as in every output of
// names. A spreadsheet takes a cell that begins with = + - @, a tab or a CR
// as a formula; such a text is neutralised as OWASP's CSV injection advice
// has it: an apostrophe before it, and the field quoted. A text that already
// begins with apostrophes before such a character gets one more, so that
// CsvTextOfCell gives every text without control characters back whole.
QString CsvTextCell(const QString& text);
// The text a CsvTextCell field holds (its quotes already taken off).
QString CsvTextOfCell(const QString& field);
// A code that must stay text exactly as shown (01, 21, 0001E3), which a
// spreadsheet would otherwise read as a number: a formula whose value is
// the text, ="0001E3", quoted.
QString CsvCodeCell(const QString& code);
// Cells made by the functions above joined by commas, ended by CR LF.
QString CsvCellLine(const QStringList& cells);
