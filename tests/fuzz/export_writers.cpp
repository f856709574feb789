// The export writers over random display texts: the input is cut at NUL
// bytes into the card number, the card type and the cells of up to 40 rows,
// and the text, XML, workbook and TCP texts are built from them. The XML
// and the TCP text must hold every row, and a text the format cannot carry
// must not break the writer.
#include "CKuvoraDoc.h"
#include "HistoryExport.h"

#include <QByteArrayList>

#include <algorithm>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<QByteArray> parts = input.split('\0');
    // One document for the whole run: a new one sets up a thousand rows of
    // cells and the speech queue, which cost far more than the writers. The
    // rows an input filled are emptied again at its end, so each input starts
    // from the state of a new document and frees what it took.
    static CKuvoraDoc doc;
    doc.m_strIDm = QStringLiteral("0123456789ABCDEF");
    doc.m_nCardType = parts.isEmpty() || parts[0].isEmpty() ? 1 : static_cast<unsigned char>(parts[0][0]);
    doc.m_strCardNumber = parts.size() > 1 ? QString::fromUtf8(parts[1]) : QString();
    const int cells = static_cast<int>(std::max<qsizetype>(0, parts.size() - 2));
    const int rows = std::min(40, (cells + history::ColumnCount - 1) / history::ColumnCount);
    doc.m_nRows = doc.m_nCardRows = rows;
    for (int i = 0; i < cells && i < rows * history::ColumnCount; ++i)
        doc.m_History.SetText(i % history::ColumnCount, i / history::ColumnCount, QString::fromUtf8(parts[i + 2]));
    const QByteArray text = ExportText(doc);
    const QByteArray xml = ExportXml(doc);
    const QByteArray book = ExportWorkbook(doc);
    const QString sent = HistorySendText(doc);
    if (xml.count("<HISTORY>") != rows || book.isEmpty() || sent.count(QLatin1Char('\n')) < 2) std::abort();
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < history::ColumnCount; ++column) doc.m_History.SetText(column, row, QString());
    doc.m_strCardNumber.clear();
    return 0;
}
