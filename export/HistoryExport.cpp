#include "HistoryExport.h"

#include "file_io.h"

#include "CardHistory.h"
#include "CXmlDocument.h"
#include "Cp932.h"
#include "StationCodeSchema.h"
#include "XlsBook.h"

#include <QFile>

#include <algorithm>

using namespace history;

namespace {

int exportRows(const CardHistory& card) { return std::clamp(card.m_nRows, 0, CHistoryDisplay::kRows); }

const char16_t* const kDeclaration = u"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";

// Workbook columns: title, upper row, lower row (-1: empty).
struct SheetColumn {
    const char16_t* title;
    int upper;
    int lower;
};
const SheetColumn kSheetColumns[12] = {
    {u"生データ", BlockData, -1},
    {u"端末種", TerminalCode, Terminal},
    {u"処 理", TradeCode, Trade},
    {u"日 付", DateCode, Date},
    {u"時 刻", TimeCode, Time},
    {u"入線区", DepartureLineCode, DepartureCompany},
    {u"入駅順", DepartureStationCode, DepartureStation},
    {u"出線区", ArrivalLineCode, ArrivalCompany},
    {u"出駅順", ArrivalStationCode, ArrivalStation},
    {u"残 高", Balance, Charge},
    {u"履歴連番", SerialCode, Serial},
    {u"備 考", Note2, Note1},
};

// Columns a text takes in a fixed-pitch font: two for full-width characters.
int textColumns(const QString& text) {
    int n = 0;
    for (QChar c : text) n += (c.unicode() >= 0x1100 && !(c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F)) ? 2 : 1;
    return n;
}

// XML elements of a HISTORY element and the columns they hold.
struct XmlField {
    const char* name;
    int column;
};
const XmlField kXmlRowHead[] = {{"BLOCK_DATA", BlockData}, {"TERMINAL_CODE", TerminalCode}, {"TERMINAL", Terminal},
                                {"TRADE_CODE", TradeCode},  {"TRADE", Trade},               {"DATE_CODE", DateCode},
                                {"DATE", Date},             {"TIME_CODE", TimeCode},        {"TIME", Time}};
const XmlField kXmlDeparture[] = {{"LINE_CODE", DepartureLineCode}, {"COMPANY_NAME", DepartureCompany},
                                  {"STATION_CODE", DepartureStationCode}, {"STATION", DepartureStation}};
const XmlField kXmlArrival[] = {{"LINE_CODE", ArrivalLineCode}, {"COMPANY_NAME", ArrivalCompany},
                                {"STATION_CODE", ArrivalStationCode}, {"STATION", ArrivalStation}};
const XmlField kXmlRowTail[] = {{"BALANCE", Balance}, {"SERIAL_CODE", SerialCode}, {"SERIAL", Serial},
                                {"POINT", Charge},    {"NOTE1", Note1},            {"NOTE2", Note2}};

// A cell's text inside a tab-separated line: a control character (a TAB
// or a line break in a name) would split the cell or the line, so each
// becomes a space, as in every output of names.
void appendCell(QString& line, const QString& text) {
    const qsizetype start = line.size();
    line += text;
    for (qsizetype i = start; i < line.size(); ++i)
        if (IsNameControlCharacter(line[i].unicode())) line[i] = QLatin1Char(' ');
}

QString joinedLine(const CHistoryDisplay& h, int row, std::initializer_list<int> columns) {
    QString line;
    bool first = true;
    for (int c : columns) {
        if (!first) line += QLatin1Char('\t');
        appendCell(line, h.Text(c, row));
        first = false;
    }
    line += QLatin1Char('\n');
    return line;
}

}  // namespace

ExportFormat ExportFormatForExtension(const QString& extension) {
    const QString ext = extension.toLower();
    if (ext == QLatin1String("xls")) return ExportFormat::Workbook;
    if (ext == QLatin1String("xml")) return ExportFormat::Xml;
    return ExportFormat::Text;
}

QByteArray ExportText(const CardHistory& card) {
    Cp932Encoder encoder;
    QByteArray out;
    const CHistoryDisplay& h = card.m_History;
    for (int row = 0; row < exportRows(card); ++row)
        encoder.Append(joinedLine(h, row,
                                  {BlockData, TerminalCode, TradeCode, Date, Time, DepartureLineCode,
                                   DepartureStationCode, DepartureStation, ArrivalLineCode, ArrivalStationCode,
                                   ArrivalStation, Balance, SerialCode, Note1, Note2}),
                       out);
    return out;
}

QString HistoryXmlText(const CardHistory& card) {
    CXmlDocument xml;
    xml.SetDocumentText(QString::fromUtf16(kDeclaration));
    xml.AddRootElement(QStringLiteral("SFCard"));
    xml.AddChildElement(QStringLiteral("IDM"), card.m_strIDm);
    xml.AddChildElement(QStringLiteral("CARD_TYPE"), QString::number(card.m_nCardType));
    if (card.m_nCardType == 128) xml.AddChildElement(QStringLiteral("EDY_NUMBER"), card.m_strCardNumber);
    if (card.m_nCardType == 129) xml.AddChildElement(QStringLiteral("JMB_NUMBER"), card.m_strCardNumber);
    const CHistoryDisplay& h = card.m_History;
    auto addAll = [&](const auto& fields, int row) {
        for (const XmlField& f : fields) xml.AddChildElement(QLatin1String(f.name), h.Text(f.column, row));
    };
    for (int row = 0; row < exportRows(card); ++row) {
        xml.AddChildElement(QStringLiteral("HISTORY"));
        xml.StepIntoLastChild();
        addAll(kXmlRowHead, row);
        for (const auto& [name, fields] : {std::pair{"DEPARTURE", &kXmlDeparture}, std::pair{"ARRIVAL", &kXmlArrival}}) {
            xml.AddChildElement(QLatin1String(name));
            xml.StepIntoLastChild();
            addAll(*fields, row);
            xml.StepOut();
        }
        addAll(kXmlRowTail, row);
        xml.StepOut();
    }
    return xml.GetXml();
}

QByteArray ExportXml(const CardHistory& card) { return ToCp932(HistoryXmlText(card)); }

void FillHistoryWorkbook(const CardHistory& card, XlsBook::Workbook& book) {
    book.RenameSheet(QStringLiteral("Sheet1"), QStringLiteral("SFCard History"));
    XlsBook::Worksheet* sheet = book.GetSheet(QStringLiteral("SFCard History"));
    if (!sheet) return;
    const CHistoryDisplay& h = card.m_History;
    for (int c = 0; c < 12; ++c) sheet->GetCell(0, c).SetText(QString::fromUtf16(kSheetColumns[c].title));
    // Each column as wide as its widest text, so nothing shows cut off.
    for (int c = 0; c < 12; ++c) {
        int widest = textColumns(QString::fromUtf16(kSheetColumns[c].title));
        for (int row = 0; row < exportRows(card); ++row)
            for (int column : {kSheetColumns[c].upper, kSheetColumns[c].lower})
                if (column >= 0) widest = std::max(widest, textColumns(h.Text(column, row)));
        sheet->SetColumnWidth(c, std::min(widest + 2, 100));
    }
    for (int row = 0; row < exportRows(card) && 2 * row + 2 < XlsBook::kMaxRows; ++row)
        for (int c = 0; c < 12; ++c) {
            sheet->GetCell(2 * row + 1, c).SetText(h.Text(kSheetColumns[c].upper, row));
            if (kSheetColumns[c].lower >= 0) sheet->GetCell(2 * row + 2, c).SetText(h.Text(kSheetColumns[c].lower, row));
        }
}

QByteArray ExportWorkbook(const CardHistory& card) {
    XlsBook::Workbook book;
    FillHistoryWorkbook(card, book);
    return book.Save();
}

QByteArray ExportFile(const CardHistory& card, ExportFormat format) {
    switch (format) {
    case ExportFormat::Workbook: return ExportWorkbook(card);
    case ExportFormat::Xml: return ExportXml(card);
    case ExportFormat::Text: break;
    }
    return ExportText(card);
}

QString HistorySendText(const CardHistory& card) {
    QString text = card.m_strIDm + QLatin1Char('\n') + QString::number(card.m_nCardType) + QLatin1Char('\n');
    const int rows = std::clamp(card.m_nCardRows, 0, CHistoryDisplay::kRows);
    for (int row = 0; row < rows; ++row)
        text += joinedLine(card.m_History, row,
                           {BlockData, Terminal, Trade, Date, Time, DepartureLineCode, DepartureStationCode,
                            DepartureStation, ArrivalLineCode, ArrivalStationCode, ArrivalStation, Balance, Serial,
                            Note1});
    return text;
}

QByteArray HistorySendBytes(const CardHistory& card) {
    const QString text = HistorySendText(card);
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        bytes[2 * i] = static_cast<char>(u & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(u >> 8);
    }
    return bytes;
}

bool WriteFileReplacing(const QString& path, const QByteArray& bytes) {
    // Through links to their target, never over a device, and every write
    // checked: a write the disc cuts short fails the save.
    std::string error;
    return platform::replaceFile(QFile::encodeName(path).toStdString(),
                                 std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), error);
}
