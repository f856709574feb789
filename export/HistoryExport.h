// The history export files and the text sent to a TCP server, built from
// the document's display model. Each writer is a pure function of the
// document; writing the file is separate.
//
// - text: one line per display row, 15 tab-separated columns, CP932;
// - XML: root SFCard, one HISTORY element per display row, CP932;
// - workbook: sheet "SFCard History", a title row and two rows per display row;
// - TCP text: the IDm line, the card type line and one 14-column line per
//   card row, as UTF-16LE.
#pragma once

#include <QByteArray>
#include <QString>

class CKuvoraDoc;
namespace XlsBook {
class Workbook;
}

enum class ExportFormat { Text, Xml, Workbook };

// xls, xml (compared lower-cased), anything else text.
ExportFormat ExportFormatForExtension(const QString& extension);

QByteArray ExportText(const CKuvoraDoc& doc);
QString HistoryXmlText(const CKuvoraDoc& doc);
QByteArray ExportXml(const CKuvoraDoc& doc);
void FillHistoryWorkbook(const CKuvoraDoc& doc, XlsBook::Workbook& book);
QByteArray ExportWorkbook(const CKuvoraDoc& doc);
QByteArray ExportFile(const CKuvoraDoc& doc, ExportFormat format);

QString HistorySendText(const CKuvoraDoc& doc);
// The text as UTF-16 little-endian code units, without a byte-order mark.
QByteArray HistorySendBytes(const CKuvoraDoc& doc);

// Writes `bytes` to `path` through a temporary file in the same folder that
// replaces the target only once complete; false (and the target as it
// was) when it cannot.
bool WriteFileReplacing(const QString& path, const QByteArray& bytes);
