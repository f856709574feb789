// The history export files and the text sent to a TCP server, built from
// the card's history as shown (CardHistory, which the document is). Each
// writer is a pure function of it; writing the file is separate.
//
// - text: one line per display row, 15 tab-separated columns, CP932;
// - XML: root SFCard, one HISTORY element per display row, CP932;
// - workbook: sheet "SFCard History", a title row and two rows per display row;
// - TCP text: the IDm line, the card type line and one 14-column line per
//   card row, as UTF-16LE.
#pragma once

#include <QByteArray>
#include <QString>

struct CardHistory;
namespace XlsBook {
class Workbook;
}

enum class ExportFormat { Text, Xml, Workbook };

// xls, xml (compared lower-cased), anything else text.
ExportFormat ExportFormatForExtension(const QString& extension);

QByteArray ExportText(const CardHistory& card);
QString HistoryXmlText(const CardHistory& card);
QByteArray ExportXml(const CardHistory& card);
void FillHistoryWorkbook(const CardHistory& card, XlsBook::Workbook& book);
QByteArray ExportWorkbook(const CardHistory& card);
QByteArray ExportFile(const CardHistory& card, ExportFormat format);

QString HistorySendText(const CardHistory& card);
// The text as UTF-16 little-endian code units, without a byte-order mark.
QByteArray HistorySendBytes(const CardHistory& card);

// Writes `bytes` to `path` through a temporary file in the same folder that
// replaces the target only once complete; false (and the target as it
// was) when it cannot.
bool WriteFileReplacing(const QString& path, const QByteArray& bytes);
